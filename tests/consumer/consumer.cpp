// Reads a puzzle from its first argument, solves it with the engine and the reference
// search, and prints the engine's answer, its uniqueness and the version; then makes
// two puzzles with the generator, on two threads, says how many have one solution, and
// rates the puzzle with the logical solver, with the number of its hidden singles, and
// names its first empty cell. It has a Grid of its own, a name the library's headers
// must leave alone.

#include <sudoku/engine.h>
#include <sudoku/generate.h>
#include <sudoku/geometry.h>
#include <sudoku/logic.h>
#include <sudoku/reader.h>
#include <sudoku/reference.h>
#include <sudoku/version.h>
#include <sudoku/writer.h>

#include <cstdio>
#include <cstring>
#include <string>

// This program's own grid, in the global namespace where the library puts nothing.
struct Grid {
    sudoku::reference::Grid cells;
};

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    sudoku::MemorySource source(argv[1], std::strlen(argv[1]));
    sudoku::PuzzleReader reader(source);
    sudoku::Record record;
    if (!reader.next(record) || record.kind != sudoku::Record::Kind::puzzle) {
        std::fputs("not a puzzle\n", stderr);
        return 1;
    }
    const sudoku::SolveResult result = sudoku::solve(record.cells);
    Grid grid{};
    for (int i = 0; i < 81; ++i) {
        grid.cells[i / 9][i % 9] = record.cells[static_cast<std::size_t>(i)];
    }
    const bool referenceSolved = sudoku::reference::solveSudoku(grid.cells, 0, 0);
    bool same = referenceSolved && result.status == sudoku::Status::solved;
    for (int i = 0; i < 81 && same; ++i) {
        same = grid.cells[i / 9][i % 9] == result.solution[static_cast<std::size_t>(i)];
    }
    std::string out;
    sudoku::appendLine(out, result.solution);
    std::printf("%s%s, %s the reference, sudoku %s\n", out.c_str(),
                result.solutionsUpToTwo == 1 ? "unique" : "not unique", same ? "same as" : "differs from",
                sudoku::versionString);
    int made = 0;
    sudoku::GenerateRequest request;
    request.count = 2;
    request.threads = 2;
    sudoku::generate(request, [&made](const sudoku::Generated& puzzle) {
        made += sudoku::countSolutions(puzzle.puzzle, 2).count == 1 ? 1 : 0;
        return true;
    });
    std::printf("generated %d puzzles with one solution\n", made);
    const sudoku::logic::Rating rating = sudoku::logic::rate(record.cells);
    std::printf("rated %s with %d hidden singles\n", sudoku::logic::formatRating(rating).c_str(),
                rating.timesUsed(sudoku::logic::Technique::hiddenSingle));
    int empty = 0;
    while (empty < 81 && record.cells[static_cast<std::size_t>(empty)] != 0) {
        ++empty;
    }
    std::printf("first empty cell %s, in %s\n", sudoku::cellName(empty).c_str(),
                sudoku::houseName(sudoku::housesOfCell(empty)[2]).c_str());
    return same ? 0 : 1;
}
