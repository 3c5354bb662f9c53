// Measures the engine's single-threaded throughput on a puzzle file ("solve and
// confirm unique"), checks every answer it timed, and compares the engine with the
// reference search on the built-in puzzle.
//
//   sudoku_bench PUZZLE_FILE [RUNS]
//
// The file holds puzzles as sudoku-solve reads them, e.g. one a line: 81 cells,
// '1'-'9' given, '0' or '.' empty.

#include "builtin_puzzle.h"
#include "platform.h"

#include <sudoku/engine.h>
#include <sudoku/reader.h>
#include <sudoku/reference.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

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

// Times the reference and the engine on the built-in puzzle; false if they disagree.
bool compareOnBuiltInPuzzle()
{
    sudoku::Cells puzzle{};
    for (std::size_t i = 0; i < 81; ++i) {
        puzzle[i] = static_cast<std::uint8_t>(builtInPuzzle[i / 9][i % 9]);
    }

    constexpr int referenceRuns = 200;
    Grid grid;
    auto start = Clock::now();
    for (int run = 0; run < referenceRuns; ++run) {
        std::memcpy(grid, builtInPuzzle, sizeof grid);
        solveSudoku(grid, 0, 0);
    }
    const double referenceEach = seconds(Clock::now() - start) / referenceRuns;

    constexpr int engineRuns = 200000;
    sudoku::SolveResult result;
    start = Clock::now();
    for (int run = 0; run < engineRuns; ++run) {
        result = sudoku::solve(puzzle);
    }
    const double engineEach = seconds(Clock::now() - start) / engineRuns;

    bool same = result.status == sudoku::Status::solved;
    for (std::size_t i = 0; i < 81 && same; ++i) {
        same = result.solution[i] == grid[i / 9][i % 9];
    }
    std::printf("built-in puzzle: reference %.1f us, engine %.2f us, engine %.0f times faster%s\n",
                referenceEach * 1e6, engineEach * 1e6, referenceEach / engineEach,
                same ? "" : "  ANSWERS DIFFER");
    return same;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s PUZZLE_FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;

    sudoku::platform::InputFile input(argv[1]);
    if (!input.isOpen()) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", argv[0], argv[1], input.openError().c_str());
        return 1;
    }
    sudoku::PuzzleReader reader(input);
    std::vector<sudoku::Cells> puzzles;
    sudoku::Record record;
    while (reader.next(record)) {
        if (record.kind == sudoku::Record::Kind::invalid) {
            std::fprintf(stderr, "%s:%ld: %s\n", argv[1], record.line, record.error.c_str());
            return 1;
        }
        puzzles.push_back(record.cells);
    }
    if (!reader.readError().empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], reader.readError().c_str());
        return 1;
    }

    std::vector<sudoku::SolveResult> results(puzzles.size());
    std::vector<double> rates;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < puzzles.size(); ++i) {
            results[i] = sudoku::solve(puzzles[i]);
        }
        const double elapsed = seconds(Clock::now() - start);
        rates.push_back(static_cast<double>(puzzles.size()) / elapsed);
        std::printf("run %d: %zu puzzles in %.3f s, %.0f puzzles/s\n", run + 1, puzzles.size(), elapsed,
                    rates.back());
    }
    std::sort(rates.begin(), rates.end());
    std::printf("median: %.0f puzzles/s (solve and confirm unique, one thread)\n", rates[rates.size() / 2]);

    std::size_t wrong = 0;
    std::size_t notUnique = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        if (results[i].status != sudoku::Status::solved || !isValidCompletion(puzzles[i], results[i].solution)) {
            ++wrong;
        } else if (results[i].solutionCount != 1) {
            ++notUnique;
        }
    }
    std::printf("checked %zu answers: %zu wrong, %zu with more than one solution\n", puzzles.size(), wrong,
                notUnique);

    const bool builtInAgrees = compareOnBuiltInPuzzle();
    return wrong == 0 && builtInAgrees ? 0 : 1;
}
