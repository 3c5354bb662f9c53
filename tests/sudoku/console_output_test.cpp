#include "apps/sudoku/print.h"
#include "support/grid_literals.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

namespace {

// Sends std::cout to a string for the lifetime of the object.
class CapturedStdout {
public:
    CapturedStdout() : saved_(std::cout.rdbuf(buffer_.rdbuf())) {}
    ~CapturedStdout() { std::cout.rdbuf(saved_); }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;
    std::string text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* saved_;
};

TEST(Print, WritesEveryValueInPlainDecimalFollowedByASpace)
{
    TestGrid grid = gridFrom(emptyGridSolution);
    grid.cells[0][0] = 10;
    grid.cells[8][8] = -1;
    CapturedStdout out;
    print(grid.data());
    EXPECT_EQ(out.text(), "10 2 3 4 5 6 7 8 9 \n"
                          "4 5 6 7 8 9 1 2 3 \n"
                          "7 8 9 1 2 3 4 5 6 \n"
                          "2 1 4 3 6 5 8 9 7 \n"
                          "3 6 5 8 9 7 2 1 4 \n"
                          "8 9 7 2 1 4 3 6 5 \n"
                          "5 3 1 6 4 2 9 7 8 \n"
                          "6 4 2 9 7 8 5 3 1 \n"
                          "9 7 8 5 3 1 6 4 -1 \n");
}

TEST(SolveAndPrint, UnsolvablePuzzleWritesOnlyTheFailureLineAndSucceeds)
{
    TestGrid puzzle = gridFrom(unsolvableLine);
    CapturedStdout out;
    EXPECT_EQ(solveAndPrint(puzzle.data()), 0);
    EXPECT_EQ(out.text(), "no solution  exists \n");
}

} // namespace
