#pragma once

// The copies of the search that the library holds, for the dispatch in engine.cpp and
// for tests that hold them to the same answers. fastbits exists when the build could
// compile it (SUDOKU_ENGINE_FASTBITS); run it only where fastBitsAvailable().

#include <sudoku/engine.h>

#include <array>
#include <cstdint>

namespace sudoku {

// True when the library holds the fastbits copy and this processor can run it.
bool fastBitsAvailable();

// True when the fastbits copy holds its AVX-512 branch score (SUDOKU_ENGINE_AVX512) and
// this processor can run it; the copy then uses it.
bool avx512Available();

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
#ifdef SUDOKU_ENGINE_AVX512
// What the AVX-512 branch score weighs, for tests (run only where avx512Available()):
// for each digit and band (slot 3 * digit + band), the weight of each cell of
// `candidates` (by slot, cell (r, c) of the band at bit 9r + c), with `unsolved` the
// open cells and `pairs` the open two-candidate cells of each band: 0 for no candidate,
// else 1, once more in a pair cell, twice more where the digit has two open places left
// in one of the cell's row, box or column and once more where it has three. Bit k of
// the weights of slot i is at 27 * k + i.
std::array<std::uint32_t, 81> cellWeights(const std::array<std::uint32_t, 27>& candidates,
                                          const std::array<std::uint32_t, 3>& unsolved,
                                          const std::array<std::uint32_t, 3>& pairs);
// The cell that the AVX-512 score branches on, 27 * band + bit, for the same masks with
// `pairs` the open cells of exactly two candidates (at least one): the one whose two
// digits' scores, each the sum of cellWeights() over the cell's peers, have the largest
// product, the first in row-major order among equals.
int bestWeighedPairCell(const std::array<std::uint32_t, 27>& candidates, const std::array<std::uint32_t, 3>& unsolved,
                        const std::array<std::uint32_t, 3>& pairs);
#endif
} // namespace fastbits
#endif

} // namespace sudoku
