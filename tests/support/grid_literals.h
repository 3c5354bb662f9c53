#pragma once

#include <sudoku/reference.h>

#include <algorithm>
#include <ostream>
#include <string_view>

// A grid held by value, so tests can copy, compare and print it.
struct TestGrid {
    sudoku::reference::Grid cells{};

    int (*data())[9] { return cells; }
    bool operator==(const TestGrid& other) const
    {
        return std::equal(&cells[0][0], &cells[0][0] + 81, &other.cells[0][0]);
    }
};

// 81 characters, row-major: '1'-'9' a digit, '0' or '.' empty.
inline TestGrid gridFrom(std::string_view text)
{
    TestGrid grid;
    for (int i = 0; i < 81; ++i) {
        const char c = text[static_cast<std::size_t>(i)];
        grid.cells[i / 9][i % 9] = c == '.' ? 0 : c - '0';
    }
    return grid;
}

inline constexpr std::string_view emptyGridSolution =
    "123456789456789123789123456214365897365897214897214365531642978642978531978531642";

// Row 0 holds 1 to 8 with (0, 8) empty, and a 9 below it: (0, 8) can take nothing.
inline constexpr std::string_view unsolvableLine =
    "12345678.........9...............................................................";

// The smallest grid with the rectangle (0,0) (0,1) (3,0) (3,1) emptied: its 1s and 2s
// can swap, so it has exactly two solutions, the smaller being emptyGridSolution.
inline constexpr std::string_view twoSolutionLine =
    "..3456789456789123789123456..4365897365897214897214365531642978642978531978531642";

// The built-in puzzle of `sudoku`, with . for its empty cells.
inline constexpr std::string_view builtInPuzzleLine =
    "2..5.74.6....31.........23.....2....86.31.....45........9...7....695...2..1..6..8";

inline constexpr std::string_view builtInSolution =
    "238597416694231857517864239173429685862315974945678321459182763786953142321746598";

// Lets GoogleTest show a grid as its 81 cells, rows separated by '/'.
inline void PrintTo(const TestGrid& grid, std::ostream* out)
{
    for (int i = 0; i < 81; ++i) {
        *out << grid.cells[i / 9][i % 9] << (i % 9 == 8 && i != 80 ? "/" : " ");
    }
}
