#include <sudoku/reference.h>

namespace sudoku::reference {

bool isSafe(const int (*grid)[9], int row, int col, int digit)
{
    for (int c = 0; c < 9; ++c) {
        if (grid[row][c] == digit) {
            return false;
        }
    }
    for (int r = 0; r < 9; ++r) {
        if (grid[r][col] == digit) {
            return false;
        }
    }
    const int startRow = row - row % 3;
    const int startCol = col - col % 3;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (grid[startRow + i][startCol + j] == digit) {
                return false;
            }
        }
    }
    return true;
}

bool solveSudoku(int (*grid)[9], int row, int col)
{
    // Past the last cell: every cell was fixed or filled.
    if (row == 8 && col == 9) {
        return true;
    }
    if (col == 9) {
        ++row;
        col = 0;
    }
    if (grid[row][col] > 0) {
        return solveSudoku(grid, row, col + 1);
    }
    for (int digit = 1; digit <= 9; ++digit) {
        if (isSafe(grid, row, col, digit)) {
            grid[row][col] = digit;
            if (solveSudoku(grid, row, col + 1)) {
                return true;
            }
        }
        grid[row][col] = 0;
    }
    return false;
}

} // namespace sudoku::reference
