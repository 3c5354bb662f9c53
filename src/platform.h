#pragma once

// What sudoku-solve needs from the operating system beyond standard C++.

namespace sudoku {

// The CPUs this process may run on (its affinity mask), at least 1.
unsigned usableCpus();

} // namespace sudoku
