// Locked candidates of one digit tested for the whole grid at once, against each box
// and each line through it in turn.

#include "chains/locked.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using sudoku::logic::detail::CellSet;
using sudoku::logic::detail::pointsOrClaims;
using sudoku::logic::detail::tables;

bool within(const CellSet& a, const CellSet& b)
{
    return a.without(b).empty();
}

bool pointsOrClaimsBoxByBox(const CellSet& places)
{
    for (int box = 18; box < 27; ++box) {
        const CellSet& boxSet = tables.houseSet[static_cast<std::size_t>(box)];
        for (int line = 0; line < 18; ++line) {
            const CellSet& lineSet = tables.houseSet[static_cast<std::size_t>(line)];
            const CellSet cross = boxSet & lineSet;
            if (cross.empty()) {
                continue;
            }
            const CellSet inBox = places & boxSet;
            const CellSet inLine = places & lineSet;
            const bool points = !inBox.empty() && within(inBox, cross) && !inLine.without(cross).empty();
            const bool claims = !inLine.empty() && within(inLine, cross) && !inBox.without(cross).empty();
            if (points || claims) {
                return true;
            }
        }
    }
    return false;
}

TEST(LogicLocked, PointsOrClaimsAgreesWithEachBoxAndLine)
{
    std::mt19937 random(11);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        // From one place per box or so, where most digits lock, to nearly every cell.
        std::bernoulli_distribution present(0.03 + 0.9 * (round % 100) / 100.0);
        CellSet places;
        for (int cell = 0; cell < 81; ++cell) {
            if (present(random)) {
                places.add(cell);
            }
        }
        const bool expected = pointsOrClaimsBoxByBox(places);
        ASSERT_EQ(pointsOrClaims(places), expected) << "round " << round << ": " << places.lo << " " << places.hi;
        found += expected ? 1 : 0;
    }
    // Both answers were met often.
    EXPECT_GT(found, 2000);
    EXPECT_LT(found, 18000);
}

} // namespace
