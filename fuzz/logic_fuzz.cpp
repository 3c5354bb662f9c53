// libFuzzer target: the logical solver on positions no solving path would reach. The
// input is a puzzle with one solution and candidates taken away from its pencil marks,
// never the solution's own; every step the solver then finds, up to the end, must keep
// the solution: each placement its digit, each elimination a candidate it does not use.
// Each step must also change the board, or the solving loop would never end, and a
// dynamic chain's proof must replay (logic_checks/proof_replay.h).
//
// The first 81 bytes are the cells, as in the engine's target: '0'-'9' and '.' as in a
// puzzle line (so puzzle lines make good seeds), any other byte modulo 10; missing
// bytes are empty cells. Inputs without exactly one solution are passed over. Each
// pair of bytes after them takes a candidate away: the cell (modulo 81), then the digit
// (modulo 9, plus 1), unless it is the solution's digit there.

#include <sudoku/engine.h>
#include <sudoku/logic.h>

#include "logic_checks/proof_replay.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

namespace logic = sudoku::logic;

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

logic::Digits bit(int digit)
{
    return static_cast<logic::Digits>(1u << (digit - 1));
}

int candidatesLeft(const logic::Board& board)
{
    int count = 0;
    for (int cell = 0; cell < 81; ++cell) {
        count += std::popcount(board.candidates(cell));
    }
    return count;
}

// Every placed digit is the solution's, and every empty cell still holds the solution's
// digit as a candidate.
bool keepsSolution(const logic::Board& board, const sudoku::Cells& solution)
{
    for (int cell = 0; cell < 81; ++cell) {
        const int digit = solution[static_cast<std::size_t>(cell)];
        const int value = board.value(cell);
        if (value != 0 ? value != digit : (board.candidates(cell) & bit(digit)) == 0) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sudoku::Cells puzzle{};
    for (std::size_t i = 0; i < 81 && i < size; ++i) {
        const std::uint8_t byte = data[i];
        puzzle[i] = byte >= '0' && byte <= '9' ? static_cast<std::uint8_t>(byte - '0')
                    : byte == '.'              ? 0
                                               : static_cast<std::uint8_t>(byte % 10);
    }
    const sudoku::SolveResult solved = sudoku::solve(puzzle);
    if (solved.status != sudoku::Status::solved || solved.solutionsUpToTwo != 1) {
        return 0;
    }
    const sudoku::Cells& solution = solved.solution;
    const auto start = logic::Board::fromPuzzle(puzzle);
    check(start.has_value());

    std::array<logic::Digits, 81> marks{};
    for (int cell = 0; cell < 81; ++cell) {
        marks[static_cast<std::size_t>(cell)] = start->candidates(cell);
    }
    for (std::size_t i = 81; i + 1 < size; i += 2) {
        const std::size_t cell = data[i] % 81u;
        const int digit = data[i + 1] % 9 + 1;
        if (digit != solution[cell]) {
            marks[cell] = static_cast<logic::Digits>(marks[cell] & ~bit(digit));
        }
    }
    auto board = logic::Board::fromMarks(puzzle, marks);
    check(board.has_value() && keepsSolution(*board, solution));

    // Fewer candidates leave the position's one solution the only one, so the
    // unique-solution techniques apply.
    logic::Step step;
    while (board->emptyCells() > 0 && logic::findStep(*board, true, step)) {
        const int before = candidatesLeft(*board);
        std::string why;
        check(logic::replay::stepProofHolds(*board, step, why));
        check(board->apply(step));
        check(candidatesLeft(*board) < before);
        check(keepsSolution(*board, solution));
    }
    return 0;
}
