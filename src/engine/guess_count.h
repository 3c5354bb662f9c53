#pragma once

// Only in a build of the engine with SUDOKU_ENGINE_COUNT_GUESSES (the benchmark's own):
// the alternatives this thread has tried after the first at a branch, all calls
// together. The library itself does not count.

#include <cstdint>

#ifdef SUDOKU_ENGINE_COUNT_GUESSES
namespace sudoku {
extern thread_local std::uint64_t engineGuessTally;
std::uint64_t engineGuesses();
} // namespace sudoku
#endif
