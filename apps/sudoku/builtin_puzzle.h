#pragma once

#include <sudoku/reference.h>

// The puzzle that `sudoku` solves: 25 givens, exactly one solution.
inline constexpr sudoku::reference::Grid builtInPuzzle = {
    {2, 0, 0, 5, 0, 7, 4, 0, 6}, {0, 0, 0, 0, 3, 1, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 2, 3, 0},
    {0, 0, 0, 0, 2, 0, 0, 0, 0}, {8, 6, 0, 3, 1, 0, 0, 0, 0}, {0, 4, 5, 0, 0, 0, 0, 0, 0},
    {0, 0, 9, 0, 0, 0, 7, 0, 0}, {0, 0, 6, 9, 5, 0, 0, 0, 2}, {0, 0, 1, 0, 0, 6, 0, 0, 8},
};
