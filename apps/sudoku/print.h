#pragma once

#include <sudoku/reference.h>

// The program's own names for the reference search it runs.
using Grid = sudoku::reference::Grid;
using sudoku::reference::isSafe;
using sudoku::reference::solveSudoku;

// Writes the grid to standard output: nine lines, each cell in plain decimal followed
// by one space, each line ended by a newline and a flush.
void print(const int (*grid)[9]);

// Solves a copy of `puzzle` with the reference search and writes the completed grid,
// or the line "no solution  exists ", to standard output. Returns the process exit
// status: 0 once everything was written (solved or not), 1 with a line on standard
// error when standard output could not be written.
int solveAndPrint(const int (*puzzle)[9]);
