// Naked and hidden subsets: as many cells of a house holding only as many digits, or as
// many digits of a house with only as many places; and direct hidden pairs and triples.

#include "patterns/house_places.h"
#include "step_text.h"

#include <bit>

namespace sudoku::logic::detail {

namespace {

constexpr std::array<Technique, 5> nakedSubset{Technique::nakedSingle, Technique::nakedSingle, Technique::nakedPair,
                                               Technique::nakedTriple, Technique::nakedQuad};
constexpr std::array<Technique, 5> hiddenSubset{Technique::hiddenSingle, Technique::hiddenSingle, Technique::hiddenPair,
                                                Technique::hiddenTriple, Technique::hiddenQuad};

// Calls accept(step) with each hidden subset of `size` that eliminates, as a step of
// `technique`, until accept returns true.
template <class Accept>
bool hiddenSubsets(const Board& board, int size, Technique technique, Step& step, Accept&& accept)
{
    for (int house = 0; house < 27; ++house) {
        std::array<int, 9> digits{};
        const std::array<unsigned, 10> where = housePositions(board, house);
        int count = 0;
        for (int digit = 1; digit <= 9; ++digit) {
            const int n = countOf(where[static_cast<std::size_t>(digit)]);
            if (n >= 2 && n <= size) {
                digits[static_cast<std::size_t>(count++)] = digit;
            }
        }
        const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
            unsigned places = 0;
            Digits chosen = 0;
            for (int i = 0; i < size; ++i) {
                const int digit = digits[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                places |= where[static_cast<std::size_t>(digit)];
                chosen |= bit(digit);
            }
            if (countOf(places) != size) {
                return false;
            }
            begin(step, technique);
            for (unsigned rest = places; rest != 0; rest &= rest - 1) {
                const int cell = cellsOf(house)[static_cast<std::size_t>(std::countr_zero(rest))];
                for (unsigned other = board.candidates(cell) & ~chosen; other != 0; other &= other - 1) {
                    addElimination(step, cell, lowestDigit(other));
                }
                addCell(step, board, cell);
            }
            if (!finish(step)) {
                return false;
            }
            addHouse(step, house);
            step.digits = chosen;
            return accept(step);
        });
        if (found) {
            return true;
        }
    }
    return false;
}

} // namespace

bool findNakedSubset(const Board& board, int size, Step& step)
{
    for (int house = 0; house < 27; ++house) {
        std::array<int, 9> cells{};
        int count = 0;
        for (const int cell : cellsOf(house)) {
            const int n = countOf(board.candidates(cell));
            if (n >= 2 && n <= size) {
                cells[static_cast<std::size_t>(count++)] = cell;
            }
        }
        const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
            Digits digits = 0;
            CellSet subset;
            for (int i = 0; i < size; ++i) {
                const int cell = cells[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                digits |= board.candidates(cell);
                subset.add(cell);
            }
            if (countOf(digits) != size) {
                return false;
            }
            begin(step, nakedSubset[static_cast<std::size_t>(size)]);
            const CellSet others = tables.houseSet[static_cast<std::size_t>(house)].without(subset);
            for (unsigned rest = digits; rest != 0; rest &= rest - 1) {
                eliminateFrom(step, board, others, lowestDigit(rest));
            }
            if (!finish(step)) {
                return false;
            }
            addHouse(step, house);
            subset.forEach([&](int cell) { addCell(step, board, cell); });
            step.digits = digits;
            return true;
        });
        if (found) {
            return true;
        }
    }
    return false;
}

bool findHiddenSubset(const Board& board, int size, Step& step)
{
    return hiddenSubsets(board, size, hiddenSubset[static_cast<std::size_t>(size)], step, anyStep);
}

bool findDirectHiddenSubset(const Board& board, int size, Step& step)
{
    return hiddenSubsets(board, size, size == 2 ? Technique::directHiddenPair : Technique::directHiddenTriple, step,
                         [&](Step& found) { return makeDirect(board, found.houses[0], found); });
}

std::string directHiddenSubsetText(const Step& step)
{
    return hiddenSubsetText(step) + leftSingle(step);
}

std::string nakedSubsetText(const Step& step)
{
    return cellList(step, 0, step.cellCount) + " hold only " + digitList(step.digits) + " in " + house(step, 0);
}

std::string hiddenSubsetText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 0) + " only in " + cellList(step, 0, step.cellCount);
}

} // namespace sudoku::logic::detail
