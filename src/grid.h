#pragma once

// The 9 x 9 board shared by every part of the solver: grid[row][col], row-major.
// A cell holding 1 to 9 is a digit; 0 is empty. Functions that take a Grid receive
// it as a pointer to its first row and work on the caller's storage in place.
using Grid = int[9][9];
