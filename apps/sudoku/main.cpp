// sudoku: solves its built-in puzzle by plain backtracking and prints the nine rows.
// It reads no input of any kind; arguments are ignored.

#include "builtin_puzzle.h"
#include "print.h"

int main()
{
    return solveAndPrint(builtInPuzzle);
}
