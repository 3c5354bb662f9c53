// libFuzzer target: any 81 cell values through the engine. Every input must give a
// defined result that agrees between the calls, and a solved puzzle with at least 40
// givens must get the reference search's exact answer. The reference runs only where
// the engine found a solution: proving a puzzle unsolvable can take it many seconds
// even with 40 givens, longer than the fuzzer's limit for one input.
//
// Each input byte is one cell: '0'-'9' and '.' as in a puzzle line (so puzzle lines
// make good seeds), 250-255 as they are (values above 9, which the engine must report
// as bad cells), any other byte modulo 10. Missing bytes are empty cells.

#include <sudoku/engine.h>
#include <sudoku/reference.h>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool isCompletion(const sudoku::Cells& puzzle, const sudoku::Cells& solution)
{
    for (std::size_t i = 0; i < 81; ++i) {
        if (solution[i] < 1 || solution[i] > 9 || (puzzle[i] != 0 && puzzle[i] != solution[i])) {
            return false;
        }
    }
    for (std::size_t unit = 0; unit < 9; ++unit) {
        unsigned row = 0;
        unsigned col = 0;
        unsigned box = 0;
        for (std::size_t k = 0; k < 9; ++k) {
            row |= 1u << solution[unit * 9 + k];
            col |= 1u << solution[k * 9 + unit];
            box |= 1u << solution[(unit / 3 * 3 + k / 3) * 9 + unit % 3 * 3 + k % 3];
        }
        if (row != 0x3FE || col != 0x3FE || box != 0x3FE) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sudoku::Cells puzzle{};
    int givens = 0;
    for (std::size_t i = 0; i < 81 && i < size; ++i) {
        const std::uint8_t byte = data[i];
        puzzle[i] = byte >= '0' && byte <= '9' ? static_cast<std::uint8_t>(byte - '0')
                    : byte == '.'              ? 0
                    : byte >= 250              ? byte
                                               : static_cast<std::uint8_t>(byte % 10);
        givens += puzzle[i] != 0 ? 1 : 0;
    }

    const sudoku::SolveResult solved = sudoku::solve(puzzle);
    const sudoku::CountResult counted = sudoku::countSolutions(puzzle, 2);
    const sudoku::CountResult first = sudoku::countSolutions(puzzle, 1);
    check(counted.status == solved.status && first.status == solved.status);

    const auto bad = sudoku::findBadCell(puzzle);
    if (bad) {
        check(solved.status == sudoku::Status::badCell && solved.badCell == *bad && counted.badCell == *bad);
        return 0;
    }
    const auto clash = sudoku::findClash(puzzle);
    if (clash) {
        check(solved.status == sudoku::Status::invalid && solved.clash.first == clash->first &&
              solved.clash.second == clash->second && solved.clash.digit == clash->digit);
        return 0;
    }
    check(counted.count == static_cast<std::uint64_t>(solved.solutionsUpToTwo));
    check(first.count == (solved.solutionsUpToTwo > 0 ? 1u : 0u));
    if (solved.status == sudoku::Status::solved) {
        check(solved.solutionsUpToTwo == 1 || solved.solutionsUpToTwo == 2);
        check(isCompletion(puzzle, solved.solution));
    } else {
        check(solved.status == sudoku::Status::noSolution && solved.solutionsUpToTwo == 0);
    }

    if (givens >= 40 && solved.status == sudoku::Status::solved) {
        sudoku::reference::Grid grid;
        for (std::size_t i = 0; i < 81; ++i) {
            grid[i / 9][i % 9] = puzzle[i];
        }
        check(sudoku::reference::solveSudoku(grid, 0, 0));
        for (std::size_t i = 0; i < 81; ++i) {
            check(solved.solution[i] == grid[i / 9][i % 9]);
        }
    }
    return 0;
}
