// Locked candidates: a digit's places in a box that lie in one line (pointing), or in a
// line that lie in one box (claiming), and their direct forms.

#include "patterns/house_places.h"
#include "step_text.h"

#include <bit>

namespace sudoku::logic::detail {

namespace {

// Calls accept(step) with each locked-candidates step of `technique`'s kind in turn
// (box to line for pointing, line to box for claiming), its eliminations filled,
// until accept returns true.
template <class Accept>
bool lockedCandidates(const Board& board, bool pointing, Technique technique, Step& step, Accept&& accept)
{
    for (int house = pointing ? 18 : 0; house < (pointing ? 27 : 18); ++house) {
        const std::array<unsigned, 10> places = housePositions(board, house);
        for (int digit = 1; digit <= 9; ++digit) {
            const unsigned where = places[static_cast<std::size_t>(digit)];
            if (where == 0) {
                continue;
            }
            const int first = cellsOf(house)[static_cast<std::size_t>(std::countr_zero(where))];
            std::array<int, 2> targets{-1, -1};
            if (pointing) {
                // Positions 0-2, 3-5, 6-8 of a box are its rows; 0,3,6 and so on its columns.
                const bool oneRow = (where & ~(0x7u << (std::countr_zero(where) / 3 * 3))) == 0;
                const bool oneColumn = (where & ~(0x49u << (std::countr_zero(where) % 3))) == 0;
                targets = {oneRow ? rowOf(first) : -1, oneColumn ? 9 + columnOf(first) : -1};
            } else if ((where & ~(0x7u << (std::countr_zero(where) / 3 * 3))) == 0) {
                // Positions 0-2, 3-5, 6-8 of a line lie in one box each.
                targets[0] = 18 + boxOf(first);
            }
            for (const int target : targets) {
                if (target < 0) {
                    continue;
                }
                begin(step, technique);
                const CellSet outside = tables.houseSet[static_cast<std::size_t>(target)].without(
                    tables.houseSet[static_cast<std::size_t>(house)]);
                if (!eliminateFrom(step, board, outside, digit)) {
                    continue;
                }
                // Box then line, whichever holds the pattern.
                addHouse(step, pointing ? house : target);
                addHouse(step, pointing ? target : house);
                step.digits = bit(digit);
                finish(step);
                if (accept(step)) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace

bool findPointing(const Board& board, Step& step)
{
    return lockedCandidates(board, true, Technique::pointing, step, anyStep);
}

bool findClaiming(const Board& board, Step& step)
{
    return lockedCandidates(board, false, Technique::claiming, step, anyStep);
}

bool findDirectPointing(const Board& board, Step& step)
{
    return lockedCandidates(board, true, Technique::directPointing, step,
                            [&](Step& found) { return makeDirect(board, found.houses[0], found); });
}

bool findDirectClaiming(const Board& board, Step& step)
{
    return lockedCandidates(board, false, Technique::directClaiming, step,
                            [&](Step& found) { return makeDirect(board, found.houses[1], found); });
}

std::string pointingText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 0) + " lies in " + house(step, 1);
}

std::string claimingText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 1) + " lies in " + house(step, 0);
}

std::string directPointingText(const Step& step)
{
    return pointingText(step) + leftSingle(step);
}

std::string directClaimingText(const Step& step)
{
    return claimingText(step) + leftSingle(step);
}

} // namespace sudoku::logic::detail
