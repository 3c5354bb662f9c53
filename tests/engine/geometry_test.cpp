// The grid's geometry, against what a row, a column and a box are by definition: a
// cell's row and column from its number, a box from the thirds they fall in.

#include <sudoku/geometry.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

namespace {

// Whether `cell` lies in `house`, by definition.
bool inHouse(int cell, int house)
{
    const int row = cell / 9;
    const int column = cell % 9;
    const int n = house % 9;
    switch (house / 9) {
    case 0: return row == n;
    case 1: return column == n;
    default: return row / 3 == n / 3 && column / 3 == n % 3;
    }
}

TEST(Geometry, EachHouseHoldsItsNineCellsInRowMajorOrder)
{
    for (int house = 0; house < sudoku::houseCount; ++house) {
        const auto cells = sudoku::cellsOfHouse(house);
        EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end())) << house;
        std::set<int> expected;
        for (int cell = 0; cell < 81; ++cell) {
            if (inHouse(cell, house)) {
                expected.insert(cell);
            }
        }
        EXPECT_EQ(std::set<int>(cells.begin(), cells.end()), expected) << house;
    }
}

TEST(Geometry, EachCellLiesInItsRowColumnAndBox)
{
    for (int cell = 0; cell < 81; ++cell) {
        const auto houses = sudoku::housesOfCell(cell);
        EXPECT_EQ(houses[0], cell / 9);
        EXPECT_EQ(houses[1], 9 + cell % 9);
        EXPECT_EQ(houses[2], 18 + sudoku::boxOf(cell));
        for (const std::uint8_t h : houses) {
            EXPECT_TRUE(inHouse(cell, h)) << cell << " " << int{h};
        }
        EXPECT_EQ(sudoku::houseOf(sudoku::Unit::box, sudoku::boxOf(cell)), houses[2]);
    }
}

TEST(Geometry, CellsSeeTheirTwentyPeersAndNothingElse)
{
    for (int a = 0; a < 81; ++a) {
        int peers = 0;
        for (int b = 0; b < 81; ++b) {
            bool shared = false;
            for (int house = 0; house < 27; ++house) {
                shared = shared || (a != b && inHouse(a, house) && inHouse(b, house));
            }
            EXPECT_EQ(sudoku::sees(a, b), shared) << a << " " << b;
            peers += sudoku::sees(a, b) ? 1 : 0;
        }
        EXPECT_EQ(peers, 20) << a;
    }
    EXPECT_FALSE(sudoku::sees(-1, 0));
    EXPECT_FALSE(sudoku::sees(0, 81));
}

TEST(Geometry, NamesCountFromOne)
{
    struct Case {
        std::string name;
        std::string expected;
    };
    const Case cases[] = {
        {sudoku::cellName(0), "r1c1"},    {sudoku::cellName(40), "r5c5"},   {sudoku::cellName(80), "r9c9"},
        {sudoku::cellName(17), "r2c9"},   {sudoku::houseName(0), "row 1"},  {sudoku::houseName(9), "column 1"},
        {sudoku::houseName(19), "box 2"}, {sudoku::houseName(26), "box 9"}, {sudoku::cellName(81), ""},
        {sudoku::cellName(-1), ""},       {sudoku::houseName(27), ""},      {sudoku::houseName(-1), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.name, c.expected);
    }
}

TEST(Geometry, RejectsAHouseOrCellOutsideTheGrid)
{
    EXPECT_THROW((void)sudoku::cellsOfHouse(27), std::out_of_range);
    EXPECT_THROW((void)sudoku::cellsOfHouse(-1), std::out_of_range);
    EXPECT_THROW((void)sudoku::housesOfCell(81), std::out_of_range);
    static_assert(sudoku::cellsOfHouse(19)[3] == 12, "the geometry is usable at compile time");
}

} // namespace
