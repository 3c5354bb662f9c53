#include "print.h"

#include "platform/platform.h"

#include <cerrno>
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
        std::cout << sudoku::noSolutionLine << std::endl;
    }

    // A solution that never reached its reader must not look like success. The stream
    // stops writing at its first failure, so errno still tells why.
    if (!std::cout.flush()) {
        const int error = errno;
        sudoku::platform::endIfOutputPipeClosed();
        std::cerr << "sudoku: write error" << (error != 0 ? std::string(": ") + std::strerror(error) : "") << std::endl;
        return 1;
    }
    return 0;
}
