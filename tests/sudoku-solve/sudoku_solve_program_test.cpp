// End-to-end tests of sudoku-solve: the built program on inputs written here.

#include "support/grid_literals.h"
#include "support/puzzle_generator.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string solveExe = quotedPath(SUDOKU_SOLVE_EXE);
const std::string sudokuExe = quotedPath(SUDOKU_EXE);

const std::string puzzle = std::string(builtInPuzzleLine);
const std::string solution = std::string(builtInSolution);
const std::string unsolvable = std::string(unsolvableLine);
const std::string clashing = "..7....7." + std::string(72, '.');
const std::string twoSolutions = std::string(twoSolutionLine);

std::string asGrid(const std::string& cells)
{
    std::string text;
    for (std::size_t i = 0; i < 81; ++i) {
        text += cells[i];
        text += i % 9 == 8 ? " \n" : " ";
    }
    return text;
}

class SudokuSolve : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("sudoku-solve-test-" + std::to_string(::getpid()) + "-" +
                                                         testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes a file in the test's own folder and returns its path.
    std::string file(const std::string& name, const std::string& content)
    {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    CommandResult solve(const std::string& arguments)
    {
        return runCommand("cd " + quotedPath(dir_.string()) + " && " + solveExe + " " + arguments);
    }

    std::filesystem::path dir_;
};

TEST_F(SudokuSolve, SolvesGoodPuzzlesAroundBadOnesAndReportsEachProblem)
{
    file("mixed.txt", "# a comment\n" + puzzle + "\n" + puzzle.substr(0, 30) + "x" + puzzle.substr(31) + "\n" +
                          clashing + "\n" + unsolvable + "\n" + twoSolutions + "\r\n" + "123\n\n" + asGrid(solution) +
                          "123456789\n");
    const CommandResult run = solve("mixed.txt");
    EXPECT_EQ(run.out, solution + "\ninvalid puzzle\ninvalid puzzle\nno solution  exists \n" +
                           std::string(emptyGridSolution) + "\ninvalid puzzle\n" + solution + "\ninvalid puzzle\n");
    EXPECT_EQ(run.err,
              "sudoku-solve: mixed.txt:3: invalid character 'x' at line 3, cell 31 (a cell is 1 to 9, or 0 or . for "
              "an empty cell)\n"
              "sudoku-solve: mixed.txt:4: givens clash: 7 appears twice in row 1 (r1c3 and r1c8)\n"
              "sudoku-solve: mixed.txt:7: line 7 has 3 cells; a puzzle is one line of 81 cells or nine lines of 9\n"
              "sudoku-solve: mixed.txt:18: block of nine rows cut short: the input ends after 1 row\n");
    EXPECT_EQ(run.status, 1);
}

TEST_F(SudokuSolve, GridOutputIsWhatSudokuPrints)
{
    file("two.txt", puzzle + "\n" + twoSolutions + "\n");
    const CommandResult run = solve("--grid two.txt");
    EXPECT_EQ(run.out, asGrid(solution) + "\n" + asGrid(std::string(emptyGridSolution)));
    EXPECT_EQ(run.status, 0);

    // What sudoku prints reads back in and comes out the same.
    const CommandResult roundTrip = runCommand(sudokuExe + " | " + solveExe + " --grid");
    EXPECT_EQ(roundTrip.out, asGrid(solution));
    EXPECT_EQ(roundTrip.err, "");
}

TEST_F(SudokuSolve, CountsSolutionsUpToTheLimit)
{
    file("counts.txt", unsolvable + "\n" + puzzle + "\n" + twoSolutions + "\n" + std::string(81, '0') + "\n");
    EXPECT_EQ(solve("--count counts.txt").out, "0\n1\n2+\n2+\n");
    EXPECT_EQ(solve("--count --limit 5 counts.txt").out, "0\n1\n2\n5+\n");
    EXPECT_EQ(solve("--count --limit=1 counts.txt").out, "0\n1+\n1+\n1+\n");
    EXPECT_EQ(solve("counts.txt --cou --lim=5").out, "0\n1\n2\n5+\n") << "prefixes, a file before the options";
}

TEST_F(SudokuSolve, LabelsNameFileAndLineAndStandardInput)
{
    file("a.txt", "\n" + puzzle + "\n");
    const CommandResult run = runCommand("cd " + quotedPath(dir_.string()) + " && echo " + unsolvable + " | " +
                                         solveExe + " --label a.txt - && " + solveExe + " --label --grid a.txt");
    EXPECT_EQ(run.out, "a.txt:2: " + solution + "\n<stdin>:1: no solution  exists \na.txt:2:\n" + asGrid(solution));
    EXPECT_EQ(run.status, 0);
}

TEST_F(SudokuSolve, ThreadCountDoesNotChangeTheOutput)
{
    std::mt19937 rng(99);
    std::string input;
    for (int n = 0; n < 3000; ++n) {
        input += textOf(keepGivens(randomValidGrid(rng), 24 + n % 30, rng)) + "\n";
        if (n % 500 == 7) {
            input += clashing + "\n";
        }
    }
    file("many.txt", input);
    const CommandResult one = solve("--threads 1 many.txt many.txt");
    EXPECT_EQ(one.status, 1);
    for (const char* threads : {"2", "3", "8"}) {
        const CommandResult more = solve(std::string("--threads ") + threads + " many.txt many.txt");
        EXPECT_EQ(more.out, one.out) << threads << " threads";
        EXPECT_EQ(more.err, one.err) << threads << " threads";
    }
}

// A puzzle piped in is answered before the next one arrives, not at the end, whatever
// follows it in the same write: a blank line, a comment or the start of the next line.
TEST_F(SudokuSolve, AnswersEachPuzzleAsItArrivesThroughAPipe)
{
    const std::string after[] = {"", "\\n", "\\n# next\\n", "\\n1234", "\\n" + asGrid(puzzle) + "\\n"};
    std::string script;
    for (std::size_t i = 0; i < std::size(after); ++i) {
        script += "((printf \"%b\" \"" + (i + 1 == std::size(after) ? asGrid(puzzle) : puzzle + "\\n") + after[i] +
                  "\"; sleep 3; echo " + puzzle + ") | " + solveExe +
                  " --threads 2 | (read -t 2 first; echo \"$first\")) >out" + std::to_string(i) + " &\n";
    }
    const CommandResult run =
        runCommand("cd " + quotedPath(dir_.string()) + " || exit 1\n" + script + "wait; cat out*");
    EXPECT_EQ(run.out, solution + "\n" + solution + "\n" + solution + "\n" + solution + "\n" + solution + "\n");
}

TEST_F(SudokuSolve, UnreadableInputIsReportedAndTheRestStillSolved)
{
    file("good.txt", puzzle + "\n");
    std::filesystem::create_directory(dir_ / "folder");
    const CommandResult run = solve("missing.txt folder good.txt");
    EXPECT_EQ(run.out, solution + "\n");
    EXPECT_EQ(run.err, "sudoku-solve: missing.txt: cannot open: No such file or directory\n"
                       "sudoku-solve: folder: read error: Is a directory\n");
    EXPECT_EQ(run.status, 1);
}

TEST_F(SudokuSolve, OutputThatCannotBeWrittenFailsTheRun)
{
    file("good.txt", puzzle + "\n");
    const CommandResult run = solve("--stats good.txt >/dev/full");
    EXPECT_TRUE(testing::internal::RE::FullMatch(
        run.err,
        testing::internal::RE("sudoku-solve: write error: No space left on device\n"
                              "sudoku-solve: 1 puzzle read: 1 solved \\(0 with multiple solutions\\), 0 without "
                              "solution, 0 invalid, but "
                              "standard output could not be written; .*\n")))
        << run.err;
    EXPECT_EQ(run.status, 1);
}

// --grid separates every record from the one before by a blank line, also across a
// batch boundary (1024 puzzles) and from one file to the next.
TEST_F(SudokuSolve, GridRecordsAreSeparatedAcrossBatchesAndFiles)
{
    std::string many;
    std::string expected = asGrid(solution);
    for (int i = 0; i < 1030; ++i) {
        many += puzzle + "\n";
        expected += '\n';
        expected += asGrid(solution);
    }
    file("many.txt", many);
    file("one.txt", puzzle + "\n");
    for (const char* threads : {"1", "3"}) {
        EXPECT_EQ(solve(std::string("--grid --threads ") + threads + " many.txt one.txt").out, expected) << threads;
    }
}

// A file name cannot forge a message line or split a labelled record.
TEST_F(SudokuSolve, NamesWithControlCharactersAreShownQuoted)
{
    file("e\nsudoku-solve: all good", puzzle + "\n1\n");
    const CommandResult run = solve("--label e*");
    EXPECT_EQ(run.out, "'e'$'\\n''sudoku-solve: all good':1: " + solution +
                           "\n'e'$'\\n''sudoku-solve: all good':2: invalid puzzle\n");
    EXPECT_EQ(run.err, "sudoku-solve: 'e'$'\\n''sudoku-solve: all good':2: line 2 has 1 cell; a puzzle is one "
                       "line of 81 cells or nine lines of 9\n");
}

// Every way of solving counts the puzzles with several solutions among those solved.
TEST_F(SudokuSolve, StatsSummariseTheRunOnStandardError)
{
    file("stats.txt", puzzle + "\n" + twoSolutions + "\n" + unsolvable + "\n" + clashing + "\n");
    for (const char* form : {"", "--count", "--rate", "--explain", "--hint"}) {
        const CommandResult run = solve(std::string("--stats ") + form + " stats.txt");
        EXPECT_TRUE(testing::internal::RE::PartialMatch(
            run.err, testing::internal::RE("\nsudoku-solve: 4 puzzles read: 2 solved \\(1 with multiple solutions\\), "
                                           "1 without solution, 1 invalid(; grades: [^;]*)?; "
                                           "[0-9.]+ s, [0-9]+ puzzles per second\n$")))
            << form << ": " << run.err;
    }
}

// The logical modes on one file: a rating per puzzle, an explanation that ends with the
// plain answer, a hint that is the explanation's first step; the same records as plain
// solving for puzzles without a solution or with clashing givens.
TEST_F(SudokuSolve, RatesExplainsAndHintsEachPuzzle)
{
    file("mixed.txt", puzzle + "\n" + twoSolutions + "\n" + solution + "\n" + unsolvable + "\n" + clashing + "\n");
    const std::string clashMessage =
        "sudoku-solve: mixed.txt:5: givens clash: 7 appears twice in row 1 (r1c3 and r1c8)\n";

    const CommandResult rate = solve("--rate --stats mixed.txt");
    EXPECT_TRUE(testing::internal::RE::FullMatch(
        rate.out, testing::internal::RE(
                      "[0-9]+\\.[0-9] (easy|medium|hard|expert|extreme) [a-z-]+ [0-9]+\\.[0-9] [0-9]+\\.[0-9]\n"
                      "multiple solutions\n0\\.0 easy none 0\\.0 0\\.0\nno solution  exists \ninvalid puzzle\n")))
        << rate.out;
    EXPECT_EQ(rate.err.substr(0, clashMessage.size()), clashMessage);
    EXPECT_NE(rate.err.find("; grades: easy 2, "), std::string::npos) << rate.err; // the puzzle and the full grid
    EXPECT_NE(rate.err.find("1 with multiple solutions"), std::string::npos) << rate.err;
    EXPECT_EQ(rate.status, 1);

    const CommandResult explain = solve("--explain --label mixed.txt");
    const CommandResult plain = solve("mixed.txt");
    const std::string firstRecord = explain.out.substr(0, explain.out.find("\n\n") + 1);
    EXPECT_EQ(firstRecord.rfind("mixed.txt:1: ", 0), 0u) << firstRecord;
    EXPECT_EQ(firstRecord.substr(firstRecord.size() - 82), plain.out.substr(0, 82));
    const std::string lastRecords = "\nmixed.txt:4: no solution  exists \n\nmixed.txt:5: invalid puzzle\n";
    EXPECT_EQ(explain.out.substr(explain.out.size() - lastRecords.size()), lastRecords);
    EXPECT_EQ(explain.err, clashMessage);

    const CommandResult hint = solve("--hint mixed.txt");
    const std::string firstStep = firstRecord.substr(13, firstRecord.find('\n') - 12);
    EXPECT_EQ(hint.out.substr(0, hint.out.find('\n') + 1), firstStep);
    EXPECT_EQ(hint.out.substr(firstStep.size() + hint.out.substr(firstStep.size()).find('\n') + 1),
              "none: the grid is full\nno solution  exists \ninvalid puzzle\n");

    // With --grid the solution that ends an explanation is written as nine lines.
    const CommandResult grid = solve("--explain --grid mixed.txt");
    EXPECT_NE(grid.out.find("\n" + asGrid(std::string(emptyGridSolution)) + "\n"), std::string::npos);
}

TEST_F(SudokuSolve, RatingsDoNotDependOnTheThreadCount)
{
    std::mt19937 rng(5);
    std::string input;
    for (int n = 0; n < 1500; ++n) {
        input += textOf(keepGivens(randomValidGrid(rng), 26 + n % 20, rng)) + "\n";
    }
    file("many.txt", input);
    const CommandResult one = solve("--rate --threads 1 many.txt");
    EXPECT_EQ(solve("--rate --threads 3 many.txt").out, one.out);
}

// sudoku-solve started without a shell in between, so that its own exit status is
// seen: a shell reports a process that SIGINT killed as 130 too.
class Child {
public:
    Child(const std::vector<std::string>& args, int in, int out, int err)
    {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(SUDOKU_SOLVE_EXE));
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in, 0);
        posix_spawn_file_actions_adddup2(&actions, out, 1);
        posix_spawn_file_actions_adddup2(&actions, err, 2);
        std::vector<char*> env{const_cast<char*>("TERM=xterm"), nullptr};
        EXPECT_EQ(::posix_spawn(&pid_, SUDOKU_SOLVE_EXE, &actions, nullptr, argv.data(), env.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child()
    {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void interrupt() const { ::kill(pid_, SIGINT); }
    // Its raw wait status, or -1 if it has not ended within ten seconds.
    int wait()
    {
        for (int tries = 0; tries < 1000; ++tries) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t pid_ = 0;
};

// Reads what arrives on `fd` until `wanted` is in it, the descriptor closes, or
// `seconds` pass.
std::string readUntil(int fd, const std::string& wanted, double seconds)
{
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while ((wanted.empty() || text.find(wanted) == std::string::npos) && std::chrono::steady_clock::now() < end) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 50) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

// Mid-run through a file, with the progress line up on a terminal, an interrupt ends the
// run at once: status 130, the progress line cleared, and only whole records written
// (an explanation is many lines), whether the calling thread solves or only reads.
TEST_F(SudokuSolve, AnInterruptMidFileLeavesWholeRecordsAndExitsWith130)
{
    // An extreme puzzle: its explanation takes some milliseconds, so 3000 of them a while.
    const std::string hard = "2.........93....8...6.549...2.5..7.....1.7.....9..2.6...537.6...1....89.........3";
    file("one.txt", hard + "\n");
    std::string many;
    for (int i = 0; i < 3000; ++i) {
        many += hard + "\n";
    }
    const std::string big = file("big.txt", many);
    const std::string record = solve("--explain one.txt").out;
    ASSERT_GT(record.size(), 1000u);
    for (const char* threads : {"1", "2"}) {
        SCOPED_TRACE(std::string(threads) + " threads");
        const auto outPath = dir_ / "out.txt";
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int terminal = -1;
        int screen = -1;
        ASSERT_EQ(::openpty(&screen, &terminal, nullptr, nullptr, nullptr), 0);
        Child child({"--explain", "--threads", threads, big}, STDIN_FILENO, out, terminal);
        ::close(out);
        ::close(terminal);
        // The progress line through a file says how much of it is done.
        std::string shown = readUntil(screen, "%), ", 30);
        EXPECT_NE(shown.find("sudoku-solve: "), std::string::npos) << shown;
        child.interrupt();
        shown += readUntil(screen, "", 10);
        ::close(screen);
        const int status = child.wait();
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 130);

        const std::string written = readWholeFile(outPath);
        const std::size_t records = (written.size() + 1) / (record.size() + 1);
        ASSERT_GT(records, 0u);
        std::string whole = record;
        for (std::size_t i = 1; i < records; ++i) {
            whole += "\n" + record;
        }
        EXPECT_EQ(written, whole);
        EXPECT_LT(records, 3000u) << "the run ended before the interrupt";
        // Cleared, then the message (the terminal ends lines in CR LF).
        const std::string last = "\r\033[Ksudoku-solve: interrupted after " + std::to_string(records) + " puzzles\r\n";
        EXPECT_EQ(shown.substr(shown.size() - std::min(shown.size(), last.size())), last);
    }
}

// Waiting for input through a pipe, the program ends at once on an interrupt.
TEST_F(SudokuSolve, AnInterruptWhileWaitingForInputEndsTheRunAtOnce)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const auto outPath = dir_ / "out.txt";
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open((dir_ / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Child child({}, pipeFds[0], out, err);
    ::close(pipeFds[0]);
    ::close(out);
    ::close(err);
    const std::string line = puzzle + "\n";
    ASSERT_EQ(::write(pipeFds[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    for (int tries = 0; tries < 1000 && readWholeFile(outPath).empty(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    child.interrupt();
    const int status = child.wait(); // with the pipe still open
    ::close(pipeFds[1]);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(readWholeFile(outPath), solution + "\n");
    EXPECT_EQ(readWholeFile(dir_ / "err.txt"), "sudoku-solve: interrupted after 1 puzzle\n");
}

struct UsageCase {
    const char* name;
    const char* arguments;
    const char* message;
    friend void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.arguments; }
};

class SudokuSolveUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(SudokuSolveUsage, IsAnErrorWithStatusTwo)
{
    const CommandResult run = runCommand(solveExe + " " + GetParam().arguments + " </dev/null");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("sudoku-solve: ") + GetParam().message +
                           "\nTry 'sudoku-solve --help' for more information.\n");
    EXPECT_EQ(run.status, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SudokuSolveUsage,
    testing::Values(
        UsageCase{"UnknownOption", "--fast", "unknown option '--fast'"},
        UsageCase{"MissingValue", "--threads", "option '--threads' needs a value"},
        UsageCase{"ZeroThreads", "--threads 0", "invalid thread count '0' (a whole number from 1 to 1024)"},
        UsageCase{"LimitNotANumber", "--count --limit x",
                  "invalid limit 'x' (a whole number from 1 to 18446744073709551615)"},
        UsageCase{"LimitTooLarge", "--count --limit 18446744073709551616",
                  "invalid limit '18446744073709551616' (a whole number from 1 to 18446744073709551615)"},
        UsageCase{"LimitWithoutCount", "--limit 3", "option '--limit' goes with '--count'"},
        UsageCase{"GridWithCount", "--grid --count", "options '--grid' and '--count' cannot be used together"},
        UsageCase{"ValueForAFlag", "--stats=yes", "option '--stats' takes no value"},
        UsageCase{"RateWithCount", "--count --rate", "options '--count' and '--rate' cannot be used together"},
        UsageCase{"ExplainWithHint", "--explain --hint", "options '--explain' and '--hint' cannot be used together"},
        UsageCase{"GridWithRate", "--rate --grid", "options '--grid' and '--rate' cannot be used together"},
        UsageCase{"AmbiguousPrefix", "--h", "option '--h' is ambiguous; possibilities: '--hint' '--help'"},
        UsageCase{"UnknownInABundle", "-xV", "unknown option '-x'"}),
    [](const testing::TestParamInfo<UsageCase>& param) { return std::string(param.param.name); });

// Help and version go to standard output; the first of them wins, and what follows it
// is not read.
TEST(SudokuSolveInfo, HelpAndVersionActOnTheFirstOfThem)
{
    for (const char* arguments : {"--help", "-h --version", "--help --bogus", "-hV", "--he"}) {
        const CommandResult help = runCommand(solveExe + " " + arguments);
        EXPECT_EQ(help.out.rfind("Usage: sudoku-solve [OPTION]... [FILE]...\n", 0), 0u) << arguments;
        EXPECT_EQ(help.status, 0) << arguments;
    }
    for (const char* arguments : {"--version", "-V", "--version --help", "-Vh", "--vers"}) {
        const CommandResult version = runCommand(solveExe + " " + arguments);
        EXPECT_TRUE(testing::internal::RE::PartialMatch(
            version.out, testing::internal::RE("^sudoku-solve \\(sudoku\\) [0-9]+\\.[0-9]+\\.[0-9]+\n.*License MIT")))
            << arguments;
        EXPECT_EQ(version.status, 0) << arguments;
    }
}

} // namespace

// With standard input closed, reading it is an error to report, never a wait: no
// descriptor the program opens for itself may take its place.
TEST(SudokuSolveInput, ClosedStandardInputIsAReadError)
{
    const CommandResult run = runCommand("timeout 20 " + solveExe + " - <&-");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("sudoku-solve: <stdin>: read error: "), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}
