// The engine on a player's pencil marks: a solution gives each empty cell one of its
// marks.

#include "support/grid_literals.h"
#include "support/puzzle_generator.h"

#include <sudoku/engine.h>

#include <gtest/gtest.h>

namespace {

TEST(EngineMarks, ASolutionGivesEachEmptyCellOneOfItsMarks)
{
    // Two solutions, which swap the 1 and 2 of r1c1, r1c2, r4c1 and r4c2; marks that
    // leave r1c1 only 2 keep the larger one alone.
    const sudoku::Cells puzzle = cellsFrom(twoSolutionLine);
    sudoku::Marks marks{};
    marks.fill(0x1FF);
    EXPECT_EQ(textOf(sudoku::solveWithMarks(puzzle, marks).solution), emptyGridSolution);
    marks[0] = 0x2;
    const sudoku::SolveResult one = sudoku::solveWithMarks(puzzle, marks);
    EXPECT_EQ(one.solutionsUpToTwo, 1);
    EXPECT_EQ(one.solution[0], 2);
    EXPECT_EQ(one.solution[1], 1);
    EXPECT_EQ(sudoku::countSolutionsWithMarks(puzzle, marks, 5).count, 1u);
    marks[1] = 0x2; // r1c2 may not take the 1 it needs
    EXPECT_EQ(sudoku::solveWithMarks(puzzle, marks).status, sudoku::Status::noSolution);
    EXPECT_EQ(sudoku::countSolutionsWithMarks(puzzle, marks, 5).count, 0u);
}

} // namespace
