#pragma once

#include "grid.h"

// The plain depth-first search that defines "the answer" for the whole project:
// cells in row-major order, candidates 1 to 9 ascending, first complete filling wins.
// It is deliberately simple; faster engines are checked against it.

// True when `digit` equals no cell of row `row`, column `col` and the box holding
// (row, col). The cell itself is scanned too, so ask while it holds no digit.
bool isSafe(const int (*grid)[9], int row, int col, int digit);

// Completes `grid` in place from position (row, col), where col == 9 means the end of
// that row. Cells above 0 are fixed; cells of 0 or below are empty. On true the grid is
// complete; on false every cell this call filled is 0 again.
bool solveSudoku(int (*grid)[9], int row, int col);
