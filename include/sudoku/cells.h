#pragma once

// The puzzle types every part of the library shares, and SUDOKU_API, the export mark
// of every public header's namespace (they all include this one).

#include <sudoku/export.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace SUDOKU_API sudoku {

// 81 cells in row-major order (cell r * 9 + c for row r and column c, both 0 to 8):
// 0 for empty, 1 to 9 for a given digit. Any other value is not a cell value; the calls
// that take Cells say what they make of it.
using Cells = std::array<std::uint8_t, 81>;

// Pencil marks, in the same order: for each empty cell, the digits it may still take,
// bit d-1 for digit d (logic::Digits); a placed cell's entry is not read.
using Marks = std::array<std::uint16_t, 81>;

enum class Unit { row, column, box };

// Two givens with the same digit in one row, column or box. Cells are row-major
// indices with first < second; `index` is the row, column or box number (0 to 8, boxes
// numbered row-major).
struct Clash {
    int digit;
    Unit unit;
    int index;
    int first;
    int second;
};

// What a puzzle turned out to be. invalid: two givens clash. badCell: a cell holds a
// value outside 0 to 9, so the puzzle is not a puzzle at all; it is checked before
// clashes.
enum class Status { solved, noSolution, invalid, badCell };

// The line every program writes, without its newline, for a puzzle that has no solution:
// the two spaces between its middle words and the one at its end are part of it.
inline constexpr std::string_view noSolutionLine = "no solution  exists ";

} // namespace sudoku
