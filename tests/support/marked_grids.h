#pragma once

// Pencil-mark grids that the tests of the reader, the engine, the logical solver and
// sudoku-solve share: a player's grid part way through two puzzles of
// examples/puzzles.txt, as text.

#include <string>
#include <utility>
#include <vector>

// The second puzzle of examples/puzzles.txt once its singles and its naked pair (the
// step that removes 7 from r5c4 and r5c5, 9 from r5c6) are done: the next step is an
// xy-wing.
inline const std::string afterNakedPair = "5 2 4 | 1 8 6 | 7 39 39\n"
                                          "7 1 6 | 9 4 3 | 5 8 2\n"
                                          "9 8 3 | 27 27 5 | 6 1 4\n"
                                          "------+-----+------\n"
                                          "4 79 15 | 357 6 19 | 8 2 39\n"
                                          "3 79 15 | 258 125 148 | 14 79 6\n"
                                          "8 6 2 | 37 17 149 | 14 379 5\n"
                                          "------+-----+------\n"
                                          "2 4 9 | 58 15 18 | 3 6 7\n"
                                          "6 3 8 | 4 9 7 | 2 5 1\n"
                                          "1 5 7 | 6 3 2 | 9 4 8\n";
inline const char* const afterNakedPairSolution =
    "524186739716943582983725614471569823395218476862374195249851367638497251157632948";

// The third puzzle of examples/puzzles.txt part way, rows only: its solution starts
// 279185346 358462917.
inline const std::vector<std::string> partWay = {"2 78 789 1 48 5 39 34 6",   "3 5 89 47 6 278 129 124 27",
                                                 "6 1 4 9 3 27 8 25 257",     "57 2 57 8 1 3 4 6 9",
                                                 "1 4 3 6 2 9 5 7 8",         "8 9 6 5 7 4 123 123 23",
                                                 "45 38 2 34 9 6 7 358 1",    "45 368 158 347 458 78 236 9 235",
                                                 "9 3678 578 2 58 1 36 358 4"};

inline std::string joined(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& row : rows) {
        text += row + "\n";
    }
    return text;
}

// partWay with some rows replaced.
inline std::string partWayWith(std::vector<std::pair<std::size_t, std::string>> rows)
{
    std::vector<std::string> grid = partWay;
    for (const auto& [row, text] : rows) {
        grid[row] = text;
    }
    return joined(grid);
}
