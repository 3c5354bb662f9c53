#pragma once

// Writing puzzles and solutions in the forms the tools read back.

#include <sudoku/cells.h>

#include <string>

namespace SUDOKU_API sudoku {

// Appends the 81 cells as one line and a newline: digits 1 to 9, and `empty` for a cell
// holding 0. A cell holding any other value is written as '?'.
void appendLine(std::string& out, const Cells& cells, char empty = '0');

// Appends the nine rows as the `sudoku` program prints them: each cell followed by one
// space, each row ended by a newline; 0 is written as `empty`, a value above 9 as '?'.
void appendGrid(std::string& out, const Cells& cells, char empty = '0');

} // namespace sudoku
