#include "fill_step.h"

#include <algorithm>

namespace sudoku::logic {

using namespace detail;

namespace {

constexpr Digits allDigits = 0x1FF;

bool inRange(int cell, int digit)
{
    return cell >= 0 && cell < 81 && digit >= 1 && digit <= 9;
}

} // namespace

Board::Board()
{
    marks_.fill(allDigits);
    houseEmpty_.fill(9);
}

std::optional<Board> Board::fromPuzzle(const Cells& puzzle)
{
    if (findBadCell(puzzle) || findClash(puzzle)) {
        return std::nullopt;
    }
    Board board;
    for (int cell = 0; cell < 81; ++cell) {
        const int digit = puzzle[static_cast<std::size_t>(cell)];
        if (digit != 0) {
            static_cast<void>(board.place(cell, digit)); // it fits: no two givens clash
        }
    }
    return board;
}

std::optional<Board> Board::fromMarks(const Cells& values, const std::array<Digits, 81>& marks)
{
    if (findBadCell(values) || findClash(values)) {
        return std::nullopt;
    }
    Board board;
    board.values_ = values;
    board.marks_ = marks;
    board.empty_ = 0;
    for (int cell = 0; cell < 81; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        if ((marks[i] & ~allDigits) != 0 || (values[i] != 0 && marks[i] != 0)) {
            return std::nullopt;
        }
        if (values[i] != 0) {
            for (const int house : tables.cellHouses[i]) {
                --board.houseEmpty_[static_cast<std::size_t>(house)];
            }
        } else {
            ++board.empty_;
            bool clash = false;
            peersOf(cell).forEach([&](int peer) {
                const int v = values[static_cast<std::size_t>(peer)];
                clash = clash || (v != 0 && (marks[i] & bit(v)) != 0);
            });
            if (clash) {
                return std::nullopt;
            }
        }
    }
    return board;
}

bool Board::place(int cell, int digit)
{
    if (!inRange(cell, digit) || (candidates(cell) & bit(digit)) == 0) {
        return false;
    }
    values_[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(digit);
    marks_[static_cast<std::size_t>(cell)] = 0;
    --empty_;
    for (const int house : tables.cellHouses[static_cast<std::size_t>(cell)]) {
        --houseEmpty_[static_cast<std::size_t>(house)];
    }
    const auto keep = static_cast<Digits>(~bit(digit));
    peersOf(cell).forEach([&](int peer) { marks_[static_cast<std::size_t>(peer)] &= keep; });
    return true;
}

bool Board::eliminate(int cell, int digit)
{
    if (!inRange(cell, digit) || (candidates(cell) & bit(digit)) == 0) {
        return false;
    }
    marks_[static_cast<std::size_t>(cell)] &= static_cast<Digits>(~bit(digit));
    return true;
}

bool Board::apply(const Step& step)
{
    if (step.places) {
        return place(step.placement.cell, step.placement.digit);
    }
    if (step.eliminationCount > maxEliminations) {
        return false;
    }
    const auto* first = step.eliminations.data();
    const auto* last = first + step.eliminationCount;
    if (!std::all_of(first, last, [](const Candidate& c) { return inRange(c.cell, c.digit); })) {
        return false;
    }
    for (const auto* c = first; c != last; ++c) {
        eliminate(c->cell, c->digit);
    }
    return true;
}

namespace detail {

void addElimination(Step& step, int cell, int digit)
{
    for (int i = 0; i < step.eliminationCount; ++i) {
        if (step.eliminations[static_cast<std::size_t>(i)].cell == cell &&
            step.eliminations[static_cast<std::size_t>(i)].digit == digit) {
            return;
        }
    }
    if (step.eliminationCount < maxEliminations) {
        step.eliminations[step.eliminationCount++] = {static_cast<std::uint8_t>(cell),
                                                      static_cast<std::uint8_t>(digit)};
    }
}

bool eliminateFrom(Step& step, const Board& board, const CellSet& cells, int digit)
{
    bool any = false;
    cells.forEach([&](int cell) {
        if ((board.candidates(cell) & bit(digit)) != 0) {
            addElimination(step, cell, digit);
            any = true;
        }
    });
    return any;
}

bool finish(Step& step)
{
    std::sort(
        step.eliminations.begin(), step.eliminations.begin() + step.eliminationCount,
        [](const Candidate& a, const Candidate& b) { return a.cell != b.cell ? a.cell < b.cell : a.digit < b.digit; });
    return step.eliminationCount > 0;
}

CellSet cellsWith(const Board& board, int digit)
{
    CellSet set;
    const Digits b = bit(digit);
    for (int cell = 0; cell < 81; ++cell) {
        if ((board.candidates(cell) & b) != 0) {
            set.add(cell);
        }
    }
    return set;
}

} // namespace detail

} // namespace sudoku::logic
