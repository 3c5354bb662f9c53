#include "engine_variants.h"
#include "guess_count.h"

#include <sudoku/engine.h>

#define SUDOKU_ENGINE_VARIANT portable
#include "engine_search.h"

// Guesses (each alternative tried after the first at a branch) are counted only when
// the benchmark compiles the engine with SUDOKU_ENGINE_COUNT_GUESSES; the library does
// not pay for the count.
#ifdef SUDOKU_ENGINE_COUNT_GUESSES
namespace sudoku {
thread_local std::uint64_t engineGuessTally = 0;
std::uint64_t engineGuesses()
{
    return engineGuessTally;
}
} // namespace sudoku
#endif

namespace sudoku {

std::optional<Clash> findClash(const Cells& puzzle)
{
    // firstCell[unit][index][digit]: the first cell seen holding that digit there.
    int firstCell[3][9][10];
    for (auto& unit : firstCell) {
        for (auto& index : unit) {
            for (int& cell : index) {
                cell = -1;
            }
        }
    }
    for (int cell = 0; cell < 81; ++cell) {
        const int digit = puzzle[static_cast<std::size_t>(cell)];
        if (digit == 0 || digit > 9) {
            continue;
        }
        const int row = cell / 9;
        const int col = cell % 9;
        const int indices[3] = {row, col, row / 3 * 3 + col / 3};
        for (int unit = 0; unit < 3; ++unit) {
            int& first = firstCell[unit][indices[unit]][digit];
            if (first >= 0) {
                return Clash{digit, static_cast<Unit>(unit), indices[unit], first, cell};
            }
        }
        for (int unit = 0; unit < 3; ++unit) {
            firstCell[unit][indices[unit]][digit] = cell;
        }
    }
    return std::nullopt;
}

std::optional<int> findBadCell(const Cells& puzzle)
{
    // No early exit, so the common case (no bad cell) is one vectorizable pass.
    unsigned any = 0;
    for (const std::uint8_t value : puzzle) {
        any |= value > 9 ? 1u : 0u;
    }
    if (any == 0) {
        return std::nullopt;
    }
    for (int cell = 0; cell < 81; ++cell) {
        if (puzzle[static_cast<std::size_t>(cell)] > 9) {
            return cell;
        }
    }
    return std::nullopt;
}

bool fastBitsAvailable()
{
#ifdef SUDOKU_ENGINE_FASTBITS
    // AMD's first two Zen generations have pext and pdep only as slow microcode, which
    // the propagation's inner loop uses: the plain copy is faster there.
    static const bool available = __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") &&
                                  __builtin_cpu_supports("bmi2") && !__builtin_cpu_is("znver1") &&
                                  !__builtin_cpu_is("znver2");
    return available;
#else
    return false;
#endif
}

bool avx512Available()
{
#ifdef SUDOKU_ENGINE_AVX512
    static const bool available = fastBitsAvailable() && __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512vpopcntdq");
    return available;
#else
    return false;
#endif
}

namespace {

// `marks` when not null holds the candidates of the empty cells.
SolveResult solveWithBestCopy(const Cells& puzzle, const Marks* marks)
{
#ifdef SUDOKU_ENGINE_FASTBITS
    if (fastBitsAvailable()) {
        return marks != nullptr ? fastbits::solveWithMarks(puzzle, marks) : fastbits::solve(puzzle);
    }
#endif
    return marks != nullptr ? portable::solveWithMarks(puzzle, marks) : portable::solve(puzzle);
}

// Programs written against the old name read the same number.
SolveResult withOldCount(SolveResult result)
{
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    result.solutionCount = result.solutionsUpToTwo;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
    return result;
}

} // namespace

SolveResult solve(const Cells& puzzle)
{
    return withOldCount(solveWithBestCopy(puzzle, nullptr));
}

SolveResult solveWithMarks(const Cells& puzzle, const Marks& marks)
{
    return withOldCount(solveWithBestCopy(puzzle, &marks));
}

CountResult countSolutionsWithMarks(const Cells& puzzle, const Marks& marks, std::uint64_t limit)
{
#ifdef SUDOKU_ENGINE_FASTBITS
    if (fastBitsAvailable()) {
        return fastbits::countSolutionsWithMarks(puzzle, &marks, limit);
    }
#endif
    return portable::countSolutionsWithMarks(puzzle, &marks, limit);
}

CountResult countSolutions(const Cells& puzzle, std::uint64_t limit)
{
#ifdef SUDOKU_ENGINE_FASTBITS
    if (fastBitsAvailable()) {
        return fastbits::countSolutions(puzzle, limit);
    }
#endif
    return portable::countSolutions(puzzle, limit);
}

} // namespace sudoku
