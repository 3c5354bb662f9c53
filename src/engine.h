#pragma once

// The fast engine: gives exactly the reference search's answer (the smallest
// completion in row-major order) in microseconds, and counts solutions.
//
// Everything here is a pure function of its arguments: no heap allocation per puzzle
// and no mutable shared state, so separate threads may solve separate puzzles at once.

#include <array>
#include <cstdint>
#include <optional>

namespace sudoku {

// 81 cells in row-major order: 0 for empty, 1 to 9 for a given digit.
using Cells = std::array<std::uint8_t, 81>;

enum class Unit { row, column, box };

// Two givens with the same digit in one row, column or box. Cells are row-major
// indices with first < second; `index` is the row, column or box number (0 to 8).
struct Clash {
    int digit;
    Unit unit;
    int index;
    int first;
    int second;
};

// The first clash in row-major order of the second cell, or none.
std::optional<Clash> findClash(const Cells& puzzle);

enum class Status { solved, noSolution, invalid };

struct SolveResult {
    Status status = Status::noSolution;
    // Solutions seen, counted up to 2: 1 means the solution is unique, 2 means two or more.
    int solutionCount = 0;
    // When solved: the completion that the reference search finds.
    Cells solution{};
    // When invalid: where the givens clash.
    Clash clash{};
};

// Solves `puzzle` and checks whether its solution is unique. Cells outside 0 to 9
// are not accepted: callers validate input first.
SolveResult solve(const Cells& puzzle);

struct CountResult {
    Status status = Status::noSolution; // invalid, or solved/noSolution by the count
    std::uint64_t count = 0;            // number of solutions, at most the limit
    bool limitReached = false;          // true when the search stopped at the limit
    Clash clash{};
};

// Counts the solutions of `puzzle`, stopping once `limit` have been found (a limit
// of 0 counts as 1).
CountResult countSolutions(const Cells& puzzle, std::uint64_t limit);

} // namespace sudoku
