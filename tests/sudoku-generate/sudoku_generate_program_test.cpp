// End-to-end tests of sudoku-generate: the built program, its output read back and
// checked with the engine, and with sudoku-solve.

#include "support/puzzle_generator.h"
#include "support/run_command.h"

#include <sudoku/engine.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string generateExe = quotedPath(SUDOKU_GENERATE_EXE);
const std::string solveExe = quotedPath(SUDOKU_SOLVE_EXE);

CommandResult generate(const std::string& arguments)
{
    return runCommand(generateExe + " " + arguments);
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SudokuGenerate, PuzzlesHaveOneSolutionGivenAfterThemAndReadBackIntoSudokuSolve)
{
    const CommandResult run = generate("-n 30 --seed 3 --solution --givens 22-27");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = linesOf(run.out);
    ASSERT_EQ(lines.size(), 60u);
    std::string solutions;
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        ASSERT_EQ(lines[i].size(), 81u);
        ASSERT_EQ(lines[i].find_first_not_of(".123456789"), std::string::npos) << lines[i];
        const sudoku::SolveResult solved = sudoku::solve(cellsFrom(lines[i]));
        EXPECT_EQ(solved.solutionsUpToTwo, 1) << lines[i];
        EXPECT_EQ("# " + textOf(solved.solution), lines[i + 1]);
        const auto givens = 81 - std::count(lines[i].begin(), lines[i].end(), '.');
        EXPECT_TRUE(givens >= 22 && givens <= 27) << lines[i];
        solutions += textOf(solved.solution) + "\n";
    }
    EXPECT_EQ(runCommand(generateExe + " -n 30 --seed 3 --solution --givens 22-27 | " + solveExe).out, solutions);
}

TEST(SudokuGenerate, TheSameSeedGivesTheSameBytesWhateverTheThreads)
{
    const CommandResult one = generate("-n 200 --seed 12 --symmetry mirror --threads 1");
    for (const char* threads : {"2", "5"}) {
        EXPECT_EQ(generate(std::string("-n 200 --seed 12 --symmetry mirror --threads ") + threads).out, one.out)
            << threads;
    }
    EXPECT_NE(generate("-n 200 --seed 13 --symmetry mirror").out, one.out);

    // Without --seed, --stats shows the seed that was taken, and it makes the same.
    const CommandResult unseeded = generate("-n 3 --stats");
    const auto at = unseeded.err.find(", seed ");
    ASSERT_NE(at, std::string::npos) << unseeded.err;
    const std::string seed = unseeded.err.substr(at + 7, unseeded.err.find(';', at) - at - 7);
    EXPECT_EQ(generate("-n 3 --seed " + seed).out, unseeded.out);
}

TEST(SudokuGenerate, GridAndZerosWriteTheSamePuzzlesInOtherForms)
{
    const std::vector<std::string> lines = linesOf(generate("-n 2 --seed 8 --zeros").out);
    ASSERT_EQ(lines.size(), 2u);
    std::string grids;
    for (const std::string& line : lines) {
        grids += grids.empty() ? "" : "\n";
        for (std::size_t i = 0; i < 81; ++i) {
            grids += std::string(1, line[i] == '0' ? '.' : line[i]) + (i % 9 == 8 ? " \n" : " ");
        }
    }
    EXPECT_EQ(generate("-n 2 --seed 8 --grid").out, grids);
}

TEST(SudokuGenerate, ZeroPuzzlesIsNoOutput)
{
    const CommandResult run = generate("-n 0");
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(SudokuGenerate, StatsSayWhatWasMade)
{
    const CommandResult run = generate("-n 4 --seed 21 --givens 26 --stats");
    EXPECT_TRUE(testing::internal::RE::FullMatch(
        run.err, testing::internal::RE("sudoku-generate: 4 puzzles made, [0-9]+ tried, seed 21; "
                                       "[0-9.]+ s, [0-9]+ puzzles per second\n")))
        << run.err;
}

// SIGINT stops the run with what was made written: the first puzzles of the seed.
// An interrupt, once or twice in a row as timeout -s INT sends it, stops the run with
// every puzzle made so far written whole, flushed as it was made.
TEST(SudokuGenerate, AnInterruptWritesWhatWasMadeAndExitsWith130)
{
    const auto dir = std::filesystem::temp_directory_path() / ("sudoku-generate-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string options = " --seed 4 --threads 2 --grade hard --grid --solution --rate";
    for (const std::string& interrupt :
         {generateExe + " -n 1000000000" + options + " >out.txt & sleep 1; kill -INT $!; wait $!",
          "timeout --preserve-status -s INT 1 " + generateExe + " -n 1000000000" + options + " >out.txt"}) {
        SCOPED_TRACE(interrupt);
        const CommandResult run =
            runCommand("cd " + quotedPath(dir.string()) + " && { " + interrupt + "; echo status $?; }");
        const std::string written = readWholeFile(dir / "out.txt");
        EXPECT_EQ(run.out, "status 130\n");
        const auto made = static_cast<std::size_t>(std::count(written.begin(), written.end(), '#')) / 2;
        EXPECT_GT(made, 0u);
        EXPECT_EQ(run.err, "sudoku-generate: interrupted; made " + std::to_string(made) + " of 1000000000 puzzles\n");
        EXPECT_EQ(written, generate("-n " + std::to_string(made) + options).out);
    }
    std::filesystem::remove_all(dir);
}

TEST(SudokuGenerate, AFailedWriteIsOneMessageAndStatusOne)
{
    const CommandResult run = generate("-n 100 >/dev/full");
    EXPECT_EQ(run.err, "sudoku-generate: write error: No space left on device\n");
    EXPECT_EQ(run.status, 1);
}

struct Refusal {
    const char* name;
    const char* arguments;
    const char* message;
    int status;
    friend void PrintTo(const Refusal& c, std::ostream* out) { *out << c.arguments; }
};

class SudokuGenerateRefuses : public testing::TestWithParam<Refusal> {};

TEST_P(SudokuGenerateRefuses, WithOneMessage)
{
    const CommandResult run = generate(GetParam().arguments);
    EXPECT_EQ(run.out, "");
    const std::string usage = GetParam().status == 2 ? "Try 'sudoku-generate --help' for more information.\n" : "";
    EXPECT_EQ(run.err, std::string("sudoku-generate: ") + GetParam().message + "\n" + usage);
    EXPECT_EQ(run.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SudokuGenerateRefuses,
    testing::Values(
        Refusal{"UnknownOption", "--fast", "unknown option '--fast'", 2},
        Refusal{"Argument", "puzzles.txt", "unexpected argument 'puzzles.txt' (this program reads no files)", 2},
        Refusal{"NumberNotANumber", "-n x",
                "invalid number of puzzles 'x' (a whole number from 0 to 18446744073709551615)", 2},
        Refusal{"NumberMissing", "--number", "option '--number' needs a value", 2},
        Refusal{"GluedNumber", "-nx", "invalid number of puzzles 'x' (a whole number from 0 to 18446744073709551615)",
                2},
        Refusal{"AmbiguousPrefix", "--s 1",
                "option '--s' is ambiguous; possibilities: '--symmetry' '--score' '--seed' '--solution' '--stats'", 2},
        Refusal{"UnknownSymmetry", "--symmetry spiral",
                "unknown symmetry 'spiral' (none, rotate180, rotate90, mirror or diagonal)", 2},
        Refusal{"UnknownGrade", "--grade tough", "unknown grade 'tough' (easy, medium, hard, expert or extreme)", 2},
        Refusal{"MalformedGivens", "--givens 20-",
                "invalid givens range '20-' (MIN-MAX: two whole numbers from 0 to 81, or one)", 2},
        Refusal{"GivensAbove81", "--givens=17-82",
                "invalid givens range '17-82' (MIN-MAX: two whole numbers from 0 to 81, or one)", 2},
        Refusal{"GivensMinAboveMax", "--givens 30-20", "invalid givens range '30-20': MIN is above MAX", 2},
        Refusal{"ScoreMinAboveMax", "--score 5-3.5", "invalid score range '5-3.5': MIN is above MAX", 2},
        Refusal{"MalformedScore", "--score 1-x",
                "invalid score range '1-x' (MIN-MAX: two decimal numbers from 0 up, or one)", 2},
        Refusal{"GradeAndScore", "--grade hard --score 1-2", "options '--grade' and '--score' cannot be used together",
                2},
        Refusal{"SeedNotANumber", "--seed -1", "invalid seed '-1' (a whole number from 0 to 18446744073709551615)", 2},
        Refusal{"ZeroThreads", "--threads 0", "invalid thread count '0' (a whole number from 1 to 1024)", 2},
        Refusal{"ValueForAFlag", "--stats=yes", "option '--stats' takes no value", 2},
        Refusal{"ScoreAboveAll", "--score 12.5", "no puzzle scores 12.5: the nearest score a puzzle can have is 12.0",
                1},
        Refusal{"ScoreBelowAll", "--score 0-0.9",
                "no puzzle scores from 0.0 to 0.9: the nearest score a puzzle can have is 1.0", 1},
        Refusal{"ScoreBetweenTenths", "--score 2.41-2.49",
                "no puzzle scores from 2.41 to 2.49: the nearest scores a puzzle can have are 2.3 and 2.5", 1},
        Refusal{"ScoreFarAbove", "--score 12.01-1000000000000000000000",
                "no puzzle scores from 12.01 to 1e+21: the nearest score a puzzle can have is 12.0", 1},
        // The gaps of the scale: between the singles.
        Refusal{"ScoreGap11", "--score 1.1",
                "no puzzle scores 1.1: the nearest scores a puzzle can have are 1.0 and 1.2", 1},
        Refusal{"ScoreGap13", "--score 1.3-1.4",
                "no puzzle scores from 1.3 to 1.4: the nearest scores a puzzle can have are 1.2 and 1.5", 1},
        Refusal{"ScoreGap16", "--score 1.6",
                "no puzzle scores 1.6: the nearest scores a puzzle can have are 1.5 and 1.7", 1},
        Refusal{"ScoreGap21", "--score 2.1-2.2",
                "no puzzle scores from 2.1 to 2.2: the nearest scores a puzzle can have are 2.0 and 2.3", 1},
        Refusal{"FewerThan17", "--givens 10-16",
                "no puzzle with fewer than 17 givens has exactly one solution (asked for 10 to 16 givens)", 1},
        Refusal{"NoSuchPattern", "--symmetry rotate90 --givens 18-19",
                "no pattern with symmetry rotate90 has 18 to 19 givens", 1},
        Refusal{"GivesUp", "--givens 17 --max-tries 200 --seed 1",
                "gave up after 200 candidates in a row did not fit the request; made 0 of 1 puzzles", 1}),
    [](const testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

// Rated puzzles fall in the grade or score range asked for, and the rating written after
// each is the one sudoku-solve --rate gives it.
TEST(SudokuGenerate, RatingsFitTheRequestAndAgreeWithSudokuSolve)
{
    struct Request {
        const char* arguments;
        const char* grade; // every rating has this grade, or
        double low, high;  // every score lies in this range
    };
    for (const Request request : {Request{"--grade hard", "hard", 0, 100}, Request{"--grade expert", "expert", 0, 100},
                                  Request{"--score 3.0-4.4", "", 3.0, 4.4},
                                  Request{"--score 2.1-2.3", "", 2.3, 2.3}}) { // across a gap of the scale
        SCOPED_TRACE(request.arguments);
        const CommandResult made = generate(std::string("-n 6 --seed 11 --rate --stats ") + request.arguments);
        ASSERT_EQ(made.status, 0);
        std::string notes;
        for (const std::string& line : linesOf(made.out)) {
            if (line.rfind("# ", 0) == 0) {
                notes += line.substr(2) + "\n";
                const double score = std::stod(line.substr(2));
                EXPECT_TRUE(score >= request.low && score <= request.high) << line;
                EXPECT_NE(line.find(std::string(" ") + request.grade), std::string::npos) << line;
            }
        }
        EXPECT_EQ(linesOf(notes).size(), 6u);
        EXPECT_NE(made.err.find("; grades: "), std::string::npos) << made.err;
        const std::string pipe = generateExe + " -n 6 --seed 11 " + request.arguments + " | " + solveExe + " --rate";
        EXPECT_EQ(runCommand(pipe).out, notes);
    }
}

TEST(SudokuGenerateInfo, HelpAndVersion)
{
    const CommandResult help = generate("--help --bogus");
    EXPECT_EQ(help.out.rfind("Usage: sudoku-generate [OPTION]...\n", 0), 0u);
    EXPECT_NE(help.out.find("extreme) or a narrow range"), std::string::npos);
    EXPECT_EQ(help.status, 0);
    const CommandResult version = generate("-V");
    EXPECT_EQ(version.out.rfind("sudoku-generate (sudoku) ", 0), 0u);
    EXPECT_EQ(version.status, 0);
}

} // namespace
