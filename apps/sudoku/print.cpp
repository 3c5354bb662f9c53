#include "print.h"

#include <cstring>
#include <iostream>

void print(const int (*grid)[9])
{
    for (int row = 0; row < 9; ++row) {
        for (int col = 0; col < 9; ++col) {
            std::cout << grid[row][col] << ' ';
        }
        std::cout << std::endl;
    }
}

int solveAndPrint(const int (*puzzle)[9])
{
    Grid grid;
    std::memcpy(grid, puzzle, sizeof grid);

    if (solveSudoku(grid, 0, 0)) {
        print(grid);
    } else {
        std::cout << "no solution  exists " << std::endl;
    }

    // A solution that never reached its reader must not look like success.
    if (!std::cout.flush()) {
        std::cerr << "sudoku: could not write to standard output" << std::endl;
        return 1;
    }
    return 0;
}
