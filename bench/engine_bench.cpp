// Measures the engine's single-threaded throughput on a puzzle file, checks every
// answer it timed, and compares the engine with the reference search on the built-in
// puzzle.
//
//   sudoku_bench PUZZLE_FILE [RUNS]            solve and confirm unique (solve())
//   sudoku_bench --first PUZZLE_FILE [RUNS]    stop at the first solution (countSolutions(p, 1))
//   sudoku_bench --multi PUZZLE_FILE ANSWERS [RUNS]
//                                              solve() against a count to 2, for puzzles with
//                                              several solutions; ANSWERS holds the expected
//                                              solution of each puzzle, one a line
//   sudoku_bench --make-multi PUZZLE_FILE      writes the first 10,000 puzzles with 3 givens
//                                              removed (fixed seed) to standard output
//   sudoku_bench --make-dense PUZZLE_FILE      writes the solutions of the first 10,000
//                                              puzzles with 30 to 36 givens kept (fixed seed)
//
// Files hold puzzles as sudoku-solve reads them, e.g. one a line: 81 cells, '1'-'9'
// given, '0' or '.' empty. Runs of each timed mode alternate, and the median is shown.
// Built with SUDOKU_ENGINE_COUNT_GUESSES, it also reports the guesses per puzzle: each
// alternative tried after the first at a branch.

#include "apps/sudoku/builtin_puzzle.h"
#include "engine/guess_count.h"
#include "puzzle_file.h"

#include <sudoku/engine.h>
#include <sudoku/reference.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Puzzles = std::vector<sudoku::Cells>;

// A completion is right when it keeps every given and each row, column and box holds
// the digits 1 to 9 once.
bool isValidCompletion(const sudoku::Cells& puzzle, const sudoku::Cells& solution)
{
    for (std::size_t i = 0; i < 81; ++i) {
        if (solution[i] < 1 || solution[i] > 9 || (puzzle[i] != 0 && puzzle[i] != solution[i])) {
            return false;
        }
    }
    for (int unit = 0; unit < 9; ++unit) {
        unsigned row = 0;
        unsigned col = 0;
        unsigned box = 0;
        for (int k = 0; k < 9; ++k) {
            row |= 1u << solution[static_cast<std::size_t>(unit * 9 + k)];
            col |= 1u << solution[static_cast<std::size_t>(k * 9 + unit)];
            box |= 1u << solution[static_cast<std::size_t>((unit / 3 * 3 + k / 3) * 9 + unit % 3 * 3 + k % 3)];
        }
        if (row != 0x3FE || col != 0x3FE || box != 0x3FE) {
            return false;
        }
    }
    return true;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// One timed pass over every puzzle.
struct Mode {
    const char* name;
    std::function<void(std::size_t)> run; // handles puzzle i
    std::vector<double> rates{};
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times the modes in turn, `runs` rounds, and prints each run.
void timeModes(std::vector<Mode>& modes, std::size_t count, int runs)
{
    for (int run = 0; run < runs; ++run) {
        for (Mode& mode : modes) {
            const auto start = Clock::now();
            for (std::size_t i = 0; i < count; ++i) {
                mode.run(i);
            }
            const double elapsed = seconds(Clock::now() - start);
            mode.rates.push_back(static_cast<double>(count) / elapsed);
            std::printf("run %d%s%s: %zu puzzles in %.3f s, %.0f puzzles/s\n", run + 1, modes.size() > 1 ? " " : "",
                        modes.size() > 1 ? mode.name : "", count, elapsed, mode.rates.back());
        }
    }
}

// Guesses per puzzle and the share of puzzles solved without one, from an untimed pass.
void reportGuesses([[maybe_unused]] const std::function<void(std::size_t)>& run, [[maybe_unused]] std::size_t count)
{
#ifdef SUDOKU_ENGINE_COUNT_GUESSES
    std::uint64_t total = 0;
    std::size_t without = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t before = sudoku::engineGuesses();
        run(i);
        const std::uint64_t guesses = sudoku::engineGuesses() - before;
        total += guesses;
        without += guesses == 0 ? 1 : 0;
    }
    std::printf("guesses: %.2f per puzzle, %.1f %% of puzzles solved without a guess\n",
                static_cast<double>(total) / static_cast<double>(count),
                100.0 * static_cast<double>(without) / static_cast<double>(count));
#else
    std::printf("guesses: not counted in this build\n");
#endif
}

// Times the reference and the engine on the built-in puzzle; false if they disagree.
bool compareOnBuiltInPuzzle()
{
    sudoku::Cells puzzle{};
    for (std::size_t i = 0; i < 81; ++i) {
        puzzle[i] = static_cast<std::uint8_t>(builtInPuzzle[i / 9][i % 9]);
    }

    constexpr int referenceRuns = 200;
    sudoku::reference::Grid grid;
    bool referenceSolved = true;
    auto start = Clock::now();
    for (int run = 0; run < referenceRuns; ++run) {
        std::memcpy(grid, builtInPuzzle, sizeof grid);
        referenceSolved = sudoku::reference::solveSudoku(grid, 0, 0) && referenceSolved;
    }
    const double referenceEach = seconds(Clock::now() - start) / referenceRuns;

    constexpr int engineRuns = 200000;
    sudoku::SolveResult result;
    start = Clock::now();
    for (int run = 0; run < engineRuns; ++run) {
        result = sudoku::solve(puzzle);
    }
    const double engineEach = seconds(Clock::now() - start) / engineRuns;

    bool same = referenceSolved && result.status == sudoku::Status::solved;
    for (std::size_t i = 0; i < 81 && same; ++i) {
        same = result.solution[i] == grid[i / 9][i % 9];
    }
    std::printf("built-in puzzle: reference %.1f us, engine %.2f us, engine %.0f times faster%s\n", referenceEach * 1e6,
                engineEach * 1e6, referenceEach / engineEach, same ? "" : "  ANSWERS DIFFER");
    return same;
}

// Solve and confirm unique: every answer must be a valid completion, and unique.
bool benchSolve(const Puzzles& puzzles, int runs)
{
    std::vector<sudoku::SolveResult> results(puzzles.size());
    const auto run = [&](std::size_t i) { results[i] = sudoku::solve(puzzles[i]); };
    std::vector<Mode> modes{{"solve", run}};
    timeModes(modes, puzzles.size(), runs);
    std::printf("median: %.0f puzzles/s (solve and confirm unique, one thread)\n", median(modes[0].rates));
    reportGuesses(run, puzzles.size());

    std::size_t wrong = 0;
    std::size_t notUnique = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        if (results[i].status != sudoku::Status::solved || !isValidCompletion(puzzles[i], results[i].solution)) {
            ++wrong;
        } else if (results[i].solutionsUpToTwo != 1) {
            ++notUnique;
        }
    }
    std::printf("checked %zu answers: %zu wrong, %zu with more than one solution\n", puzzles.size(), wrong, notUnique);
    return wrong == 0;
}

// Stop at the first solution: every puzzle must have one.
bool benchFirst(const Puzzles& puzzles, int runs)
{
    std::vector<sudoku::CountResult> results(puzzles.size());
    const auto run = [&](std::size_t i) { results[i] = sudoku::countSolutions(puzzles[i], 1); };
    std::vector<Mode> modes{{"first", run}};
    timeModes(modes, puzzles.size(), runs);
    std::printf("median: %.0f puzzles/s (first solution, one thread)\n", median(modes[0].rates));
    reportGuesses(run, puzzles.size());

    const auto unsolved = std::count_if(results.begin(), results.end(),
                                        [](const sudoku::CountResult& r) { return r.count != 1 || !r.limitReached; });
    std::printf("checked %zu counts: %zu without a solution\n", puzzles.size(), static_cast<std::size_t>(unsolved));
    return unsolved == 0;
}

// solve() against a count to 2 on the same puzzles; every solve() answer must equal
// the expected one, and each count must agree with solve()'s.
bool benchMulti(const Puzzles& puzzles, const Puzzles& answers, int runs)
{
    if (answers.size() != puzzles.size()) {
        std::fprintf(stderr, "%zu puzzles but %zu answers\n", puzzles.size(), answers.size());
        return false;
    }
    std::vector<sudoku::SolveResult> solved(puzzles.size());
    std::vector<sudoku::CountResult> counted(puzzles.size());
    const auto solveOne = [&](std::size_t i) { solved[i] = sudoku::solve(puzzles[i]); };
    const auto countOne = [&](std::size_t i) { counted[i] = sudoku::countSolutions(puzzles[i], 2); };
    std::vector<Mode> modes{{"solve", solveOne}, {"count to 2", countOne}};
    timeModes(modes, puzzles.size(), runs);
    const double solveRate = median(modes[0].rates);
    const double countRate = median(modes[1].rates);
    std::printf("median: %.0f puzzles/s (solve, several solutions, one thread)\n", solveRate);
    std::printf("count to 2: %.0f puzzles/s; solve costs %.2f times a count to 2\n", countRate, countRate / solveRate);
    std::printf("solve ");
    reportGuesses(solveOne, puzzles.size());
    std::printf("count to 2 ");
    reportGuesses(countOne, puzzles.size());

    std::size_t wrong = 0;
    std::size_t several = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        const bool same = solved[i].status == sudoku::Status::solved && solved[i].solution == answers[i] &&
                          counted[i].count == static_cast<std::uint64_t>(solved[i].solutionsUpToTwo);
        wrong += same ? 0 : 1;
        several += solved[i].solutionsUpToTwo > 1 ? 1 : 0;
    }
    std::printf("checked %zu answers: %zu differ from the expected ones, %zu with more than one solution\n",
                puzzles.size(), wrong, several);
    return wrong == 0;
}

void writePuzzle(const sudoku::Cells& puzzle)
{
    char line[83];
    for (std::size_t cell = 0; cell < 81; ++cell) {
        line[cell] = static_cast<char>('0' + puzzle[cell]);
    }
    line[81] = '\n';
    line[82] = '\0';
    std::fputs(line, stdout);
}

// Empties `count` of the cells that hold a digit, chosen at random.
void removeGivens(sudoku::Cells& puzzle, int count, std::mt19937& rng)
{
    std::vector<std::size_t> givens;
    for (std::size_t cell = 0; cell < 81; ++cell) {
        if (puzzle[cell] != 0) {
            givens.push_back(cell);
        }
    }
    for (int removed = 0; removed < count && !givens.empty(); ++removed) {
        const std::size_t pick = rng() % givens.size();
        puzzle[givens[pick]] = 0;
        givens.erase(givens.begin() + static_cast<std::ptrdiff_t>(pick));
    }
}

// The first 10,000 puzzles, each with 3 of its givens removed (several solutions), or
// (dense) each one's solution with 30 to 36 givens kept.
void makePuzzles(const Puzzles& puzzles, bool dense)
{
    std::mt19937 rng(20240611u);
    const std::size_t count = std::min<std::size_t>(puzzles.size(), 10000);
    for (std::size_t i = 0; i < count; ++i) {
        sudoku::Cells puzzle = puzzles[i];
        if (dense) {
            puzzle = sudoku::solve(puzzles[i]).solution;
            removeGivens(puzzle, 81 - 30 - static_cast<int>(rng() % 7), rng);
        } else {
            removeGivens(puzzle, 3, rng);
        }
        writePuzzle(puzzle);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string_view mode = "solve";
    if (!args.empty() && args[0].substr(0, 2) == "--") {
        mode = args[0].substr(2);
        args.erase(args.begin());
    }
    const std::size_t files = mode == "multi" ? 2 : 1;
    const bool make = mode == "make-multi" || mode == "make-dense";
    const bool known = mode == "solve" || mode == "first" || mode == "multi" || make;
    if (!known || args.size() < files || args.size() > files + (make ? 0 : 1)) {
        std::fprintf(stderr,
                     "usage: %s [--first] PUZZLE_FILE [RUNS]\n"
                     "       %s --multi PUZZLE_FILE ANSWER_FILE [RUNS]\n"
                     "       %s --make-multi|--make-dense PUZZLE_FILE\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    const int runs = args.size() > files ? std::max(1, std::atoi(std::string(args[files]).c_str())) : 5;

    Puzzles puzzles;
    if (!readPuzzleFile(argv[0], std::string(args[0]).c_str(), puzzles)) {
        return 1;
    }
    if (puzzles.empty()) {
        std::fprintf(stderr, "%s: no puzzles in %s\n", argv[0], std::string(args[0]).c_str());
        return 1;
    }
    bool ok = true;
    if (make) {
        makePuzzles(puzzles, mode == "make-dense");
        return 0;
    }
    if (mode == "multi") {
        Puzzles answers;
        if (!readPuzzleFile(argv[0], std::string(args[1]).c_str(), answers)) {
            return 1;
        }
        ok = benchMulti(puzzles, answers, runs);
    } else if (mode == "first") {
        ok = benchFirst(puzzles, runs);
    } else {
        ok = benchSolve(puzzles, runs);
    }
    const bool builtInAgrees = compareOnBuiltInPuzzle();
    return ok && builtInAgrees ? 0 : 1;
}
