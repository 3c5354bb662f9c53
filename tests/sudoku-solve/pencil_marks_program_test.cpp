// sudoku-solve on pencil-mark grids: it solves and hints from the marks, names the
// wrong entry of a grid without solution, and refuses a mark that a placed digit rules
// out.

#include "support/marked_grids.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(SudokuSolvePencilMarks, SolvesHintsAndNamesTheWrongEntryOfMarkedGrids)
{
    const auto dir = std::filesystem::temp_directory_path() / ("sudoku-solve-marks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    write("marks.txt", afterNakedPair + "\n" +
                           partWayWith({{0, "2 78 78 1 48 5 9 34 6"}, {1, "3 5 89 47 6 278 12 124 27"}}) + "\n" +
                           partWayWith({{5, "8 9 6 5 7 4 123 12 23"}}));
    // A candidate that a placed digit rules out is an error, not dropped.
    write("stale.txt", partWayWith({{1, "3 5 189 47 6 278 129 124 27"}}));
    const std::string run = "cd " + quotedPath(dir.string()) + " && " SUDOKU_SOLVE_EXE " --label ";
    const std::string named = "marks.txt:13: r1c7=9 contradicts the solution\nmarks.txt:23: no solution  exists \n";
    const CommandResult hint = runCommand(run + "--hint marks.txt");
    EXPECT_EQ(hint.out, "marks.txt:1: xy-wing: pivot r4c6 {19}, pincers r6c5 {17} and r4c2 {79}: r4c4<>7\n" + named);
    EXPECT_EQ(hint.status, 0);
    const CommandResult solve = runCommand(run + "marks.txt stale.txt");
    EXPECT_EQ(solve.out,
              "marks.txt:1: " + std::string(afterNakedPairSolution) + "\n" + named + "stale.txt:1: invalid puzzle\n");
    EXPECT_EQ(solve.err, "sudoku-solve: stale.txt:1: candidate 1 in r2c3 clashes with the 1 placed in r3c2\n");
    EXPECT_EQ(solve.status, 1);
    std::filesystem::remove_all(dir);
}

} // namespace
