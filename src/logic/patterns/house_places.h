#pragma once

// What the techniques of one house share: where each digit can go in a house, the
// combinations of a few of its cells or digits, and the direct steps, whose
// eliminations leave a hidden single that they place at once.

#include "techniques.h"

#include <array>
#include <string>

namespace sudoku::logic::detail {

// Calls f(pick) for each combination of `size` of `items` indices in rising order,
// until f returns true.
template <class F>
bool combinations(int items, int size, F&& f)
{
    std::array<int, 4> pick{};
    auto next = [&](auto& self, int start, int depth) -> bool {
        if (depth == size) {
            return f(pick);
        }
        for (int i = start; i <= items - (size - depth); ++i) {
            pick[static_cast<std::size_t>(depth)] = i;
            if (self(self, i + 1, depth + 1)) {
                return true;
            }
        }
        return false;
    };
    return next(next, 0, 0);
}

// Where `digit` can go in a house, as a 9-bit mask of the house's positions.
inline unsigned positions(const Board& board, int house, int digit)
{
    unsigned mask = 0;
    const auto& cells = cellsOf(house);
    for (unsigned k = 0; k < 9; ++k) {
        if ((board.candidates(cells[k]) & bit(digit)) != 0) {
            mask |= 1u << k;
        }
    }
    return mask;
}

// Where each digit can go in a house (entry `digit`), as positions() gives it: all nine
// at once, from the house's cells read once each.
inline std::array<unsigned, 10> housePositions(const Board& board, int house)
{
    std::array<unsigned, 10> where{};
    const auto& cells = cellsOf(house);
    for (unsigned k = 0; k < 9; ++k) {
        const unsigned marks = board.candidates(cells[k]);
        for (unsigned d = 0; d < 9; ++d) { // every digit, so that no branch depends on the marks
            where[d + 1] |= (marks >> d & 1u) << k;
        }
    }
    return where;
}

// Turns a step's eliminations into the hidden single they leave at once, when they
// leave one in a house of the same kind as `patternHouse` (see the definition); false,
// and the step unchanged, when they leave none.
bool makeDirect(const Board& board, int patternHouse, Step& step);

// ", then only place for 4 in box 3": the hidden single a direct step's eliminations
// leave, in its last house.
std::string leftSingle(const Step& step);

// Takes any step: for the searches that hand each step they find to a test.
inline bool anyStep(Step&)
{
    return true;
}

} // namespace sudoku::logic::detail
