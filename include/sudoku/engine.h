#pragma once

// The fast engine: gives exactly the reference search's answer (the smallest
// completion in row-major order) in microseconds, and counts solutions.
//
// Everything here is a pure function of its arguments: no heap allocation per puzzle
// and no mutable shared state, so separate threads may solve separate puzzles at once.

#include <sudoku/cells.h>

#include <cstdint>
#include <optional>
#include <string>

namespace SUDOKU_API sudoku {

// The first clash in row-major order of the second cell, or none. Only cells holding
// 1 to 9 take part: a value above 9 is not a digit and clashes with nothing.
[[nodiscard]] std::optional<Clash> findClash(const Cells& puzzle);

// The clash as every program and the web page tell it:
// "givens clash: 7 appears twice in row 9 (r9c2 and r9c8)" (rows, columns and boxes
// counted from 1). Allocates the text.
[[nodiscard]] std::string formatClash(const Clash& clash);

// The first pencil mark, in row-major order of its cell and then of the placed cell,
// that a placed digit in the same row, column or box rules out, as every program and
// the web page tell it: "candidate 7 in r1c1 clashes with the 7 placed in r1c7"; ""
// when every mark fits. `values` holds the placed digits (1 to 9; other values place
// nothing), `marks` each cell's candidates, bit d-1 for digit d.
[[nodiscard]] std::string formatMarkClash(const Cells& values, const Marks& marks);

// The first cell (row-major index) holding a value above 9, or none.
[[nodiscard]] std::optional<int> findBadCell(const Cells& puzzle);

// GCC would warn about the deprecated member in the constructors it writes for this
// struct, wherever one is used; only code that names the member is to be warned.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
struct SolveResult {
    Status status = Status::noSolution;
    // Solutions seen, counted up to 2: 0 none, 1 unique, 2 two or more.
    int solutionsUpToTwo = 0;
    // The same number under its old name, which did not say that it stops at 2; solve()
    // sets both.
    [[deprecated("use solutionsUpToTwo, which is the same number")]] int solutionCount = 0;
    // When solved: the completion that the reference search finds.
    Cells solution{};
    // When invalid: where the givens clash.
    Clash clash{};
    // When badCell: the first cell holding a value above 9.
    int badCell = -1;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Solves `puzzle` and checks whether its solution is unique. Defined for every input:
// a cell outside 0 to 9 gives Status::badCell, clashing givens Status::invalid.
[[nodiscard]] SolveResult solve(const Cells& puzzle);

struct CountResult {
    Status status = Status::noSolution; // badCell, invalid, or solved/noSolution by the count
    std::uint64_t count = 0;            // number of solutions, at most the limit
    bool limitReached = false;          // true when the search stopped at the limit
    Clash clash{};
    int badCell = -1;
};

// Counts the solutions of `puzzle`, stopping once `limit` have been found (a limit
// of 0 counts as 1). Bad cells and clashes are reported as by solve().
[[nodiscard]] CountResult countSolutions(const Cells& puzzle, std::uint64_t limit);

// Solves a position with pencil marks: `puzzle` holds the placed digits, and a solution
// must also give each empty cell one of its marks (bits above 8 are ignored). Otherwise
// as solve(puzzle): the smallest such completion in row-major order, counted up to 2;
// marks that leave a cell no digit mean noSolution.
[[nodiscard]] SolveResult solveWithMarks(const Cells& puzzle, const Marks& marks);

// Counts the solutions of a position with pencil marks, as countSolutions() does.
[[nodiscard]] CountResult countSolutionsWithMarks(const Cells& puzzle, const Marks& marks, std::uint64_t limit);

} // namespace sudoku
