#include "support/run_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string sudoku = quotedPath(SUDOKU_EXE);

constexpr const char* expectedOutput = "2 3 8 5 9 7 4 1 6 \n"
                                       "6 9 4 2 3 1 8 5 7 \n"
                                       "5 1 7 8 6 4 2 3 9 \n"
                                       "1 7 3 4 2 9 6 8 5 \n"
                                       "8 6 2 3 1 5 9 7 4 \n"
                                       "9 4 5 6 7 8 3 2 1 \n"
                                       "4 5 9 1 8 2 7 6 3 \n"
                                       "7 8 6 9 5 3 1 4 2 \n"
                                       "3 2 1 7 4 6 5 9 8 \n";

// Arguments, a closed standard input and a changed environment make no difference.
TEST(SudokuProgram, PrintsTheSolutionWhateverItsArgumentsAndInput)
{
    for (const std::string& how :
         {sudoku, sudoku + " --help -x 42 <&-", "env -i HOME=/nowhere " + sudoku + " extra < /dev/null"}) {
        SCOPED_TRACE(how);
        const CommandResult run = runCommand(how);
        EXPECT_EQ(run.out, expectedOutput);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.status, 0);
    }
}

// When the solution cannot be written, the run must not end as a success.
TEST(SudokuProgram, FailsLoudlyWhenStandardOutputCannotBeWritten)
{
    for (const auto& [how, why] : {std::pair{sudoku + " >/dev/full", "No space left on device"},
                                   std::pair{sudoku + " >&-", "Bad file descriptor"}}) {
        SCOPED_TRACE(how);
        const CommandResult run = runCommand(how);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, std::string("sudoku: write error: ") + why + "\n");
    }
}

} // namespace
