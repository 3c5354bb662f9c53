#pragma once

// The copies of the search that the library holds, for the dispatch in engine.cpp and
// for tests that hold them to the same answers. fastbits exists when the build could
// compile it (SUDOKU_ENGINE_FASTBITS); run it only where fastBitsAvailable().

#include <sudoku/engine.h>

#include <cstdint>

namespace sudoku {

// True when the library holds the fastbits copy and this processor can run it.
bool fastBitsAvailable();

namespace portable {
SolveResult solve(const Cells& puzzle);
CountResult countSolutions(const Cells& puzzle, std::uint64_t limit);
// `marks`, when not null, holds the candidates of the empty cells.
SolveResult solveWithMarks(const Cells& puzzle, const Marks* marks);
CountResult countSolutionsWithMarks(const Cells& puzzle, const Marks* marks, std::uint64_t limit);
} // namespace portable

#ifdef SUDOKU_ENGINE_FASTBITS
namespace fastbits {
SolveResult solve(const Cells& puzzle);
CountResult countSolutions(const Cells& puzzle, std::uint64_t limit);
SolveResult solveWithMarks(const Cells& puzzle, const Marks* marks);
CountResult countSolutionsWithMarks(const Cells& puzzle, const Marks* marks, std::uint64_t limit);
} // namespace fastbits
#endif

} // namespace sudoku
