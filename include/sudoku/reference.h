#pragma once

// The plain depth-first search that defines "the answer" for the whole project:
// cells in row-major order, candidates 1 to 9 ascending, first complete filling wins.
// It is deliberately simple and slow (up to minutes on sparse puzzles); the engine in
// <sudoku/engine.h> gives the same answers in microseconds and is checked against it.
//
// These are plain functions on the caller's grid: nothing is allocated, nothing is kept
// between calls, and calls on different grids may run on different threads at once.

#include <sudoku/export.h>

namespace SUDOKU_API sudoku {
namespace reference {

// The 9 x 9 board: grid[row][col], row-major. A cell holding 1 to 9 is a digit; 0 is
// empty. Functions that take a Grid receive it as a pointer to its first row and work
// on the caller's storage in place.
using Grid = int[9][9];

// True when `digit` equals no cell of row `row`, column `col` and the box holding
// (row, col). The cell itself is scanned too, so ask while it holds no digit. `row`
// and `col` must be 0 to 8; nothing is checked.
[[nodiscard]] bool isSafe(const int (*grid)[9], int row, int col, int digit);

// Completes `grid` in place from position (row, col), where col == 9 means the end of
// that row; solve a whole puzzle with solveSudoku(grid, 0, 0). Cells above 0 are fixed
// and never tested; cells of 0 or below are empty. On true the grid is complete; on
// false every cell this call filled is 0 again. `row` must be 0 to 8 and `col` 0 to 9.
[[nodiscard]] bool solveSudoku(int (*grid)[9], int row, int col);

} // namespace reference
} // namespace sudoku
