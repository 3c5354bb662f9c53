#include "apps/sudoku/builtin_puzzle.h"
#include "support/grid_literals.h"
#include <sudoku/reference.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

namespace {

using sudoku::reference::isSafe;
using sudoku::reference::solveSudoku;

TestGrid unsolvableGrid()
{
    return gridFrom(unsolvableLine);
}

TEST(ReferenceSolver, EmptyGridBecomesTheSmallestValidGrid)
{
    TestGrid grid = gridFrom(std::string(81, '.'));
    ASSERT_TRUE(solveSudoku(grid.data(), 0, 0));
    EXPECT_EQ(grid, gridFrom(emptyGridSolution));
}

TEST(ReferenceSolver, SolvesTheBuiltInPuzzle)
{
    TestGrid grid;
    std::memcpy(grid.cells, builtInPuzzle, sizeof grid.cells);
    ASSERT_TRUE(solveSudoku(grid.data(), 0, 0));
    EXPECT_EQ(grid, gridFrom(builtInSolution));
}

TEST(ReferenceSolver, FailureLeavesTheGridAsItWas)
{
    TestGrid grid = unsolvableGrid();
    const TestGrid before = grid;
    EXPECT_FALSE(solveSudoku(grid.data(), 0, 0));
    EXPECT_EQ(grid, before);
}

// A grid without empty cells is never checked, so clashing digits pass as well.
TEST(ReferenceSolver, FullGridIsAcceptedUnchangedEvenWhenItClashes)
{
    const std::string allFives(81, '5');
    for (const std::string_view text : {emptyGridSolution, std::string_view(allFives)}) {
        TestGrid grid = gridFrom(text);
        const TestGrid before = grid;
        EXPECT_TRUE(solveSudoku(grid.data(), 0, 0));
        EXPECT_EQ(grid, before);
    }
}

TEST(ReferenceSolver, NegativeCellsAreFilledLikeEmptyOnes)
{
    TestGrid grid = gridFrom(std::string(81, '0'));
    grid.cells[0][0] = -1;
    grid.cells[4][4] = -7;
    ASSERT_TRUE(solveSudoku(grid.data(), 0, 0));
    EXPECT_EQ(grid, gridFrom(emptyGridSolution));
}

TEST(ReferenceSolver, FailureResetsReachedNegativeCellsAndKeepsUnreachedOnes)
{
    TestGrid grid = unsolvableGrid();
    grid.cells[0][8] = -3; // reached: the search fails here
    grid.cells[8][8] = -5; // never reached
    EXPECT_FALSE(solveSudoku(grid.data(), 0, 0));

    TestGrid expected = unsolvableGrid();
    expected.cells[8][8] = -5;
    EXPECT_EQ(grid, expected);
}

TEST(ReferenceSolver, ValuesAboveNineAreFixedAndBlockNothing)
{
    TestGrid grid = gridFrom(std::string(81, '0'));
    grid.cells[0][0] = 10;
    grid.cells[4][4] = 42;
    ASSERT_TRUE(solveSudoku(grid.data(), 0, 0));
    EXPECT_EQ(grid.cells[0][0], 10);
    EXPECT_EQ(grid.cells[4][4], 42);
    // With (0, 0) taken by 10, row 0 starts again from the smallest digits.
    for (int col = 1; col < 9; ++col) {
        EXPECT_EQ(grid.cells[0][col], col);
    }
}

struct SafeCase {
    const char* name;
    int row, col, digit;
    bool expected;
    friend void PrintTo(const SafeCase& c, std::ostream* out) { *out << c.name; }
};

class IsSafe : public testing::TestWithParam<SafeCase> {};

// Around cell (4, 4): a 7 in its row, a 3 in its column, a 5 in its box, 10 elsewhere.
TEST_P(IsSafe, ScansRowColumnAndBox)
{
    TestGrid grid = gridFrom(std::string(81, '0'));
    grid.cells[4][0] = 7;
    grid.cells[8][4] = 3;
    grid.cells[3][5] = 5;
    grid.cells[0][0] = 10;
    const SafeCase& c = GetParam();
    EXPECT_EQ(isSafe(grid.data(), c.row, c.col, c.digit), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsSafe,
    testing::Values(SafeCase{"DigitInRow", 4, 4, 7, false}, SafeCase{"DigitInColumn", 4, 4, 3, false},
                    SafeCase{"DigitInBox", 4, 4, 5, false}, SafeCase{"DigitNowhere", 4, 4, 1, true},
                    SafeCase{"DigitInBoxOnlyFromOtherCell", 6, 6, 5, true},
                    SafeCase{"ValueAboveNineMatchesOnlyItself", 0, 4, 10, false},
                    SafeCase{"ZeroMatchesTheEmptyCellItself", 4, 4, 0, false}, SafeCase{"NineIsFree", 0, 4, 9, true}),
    [](const testing::TestParamInfo<SafeCase>& param) { return std::string(param.param.name); });

} // namespace
