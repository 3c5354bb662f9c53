#pragma once

// The helpers every finder uses to fill a step.

#include "tables.h"
#include <sudoku/engine.h>
#include <sudoku/logic.h>

#include <tuple>

namespace sudoku::logic::detail {

// The room in a step's arrays.
inline constexpr int maxHouses = static_cast<int>(std::tuple_size_v<decltype(Step::houses)>);
inline constexpr int maxCells = static_cast<int>(std::tuple_size_v<decltype(Step::cells)>);
inline constexpr int maxChain = static_cast<int>(std::tuple_size_v<decltype(Step::chain)>);
inline constexpr int maxBranches = static_cast<int>(std::tuple_size_v<decltype(Step::branches)>);
inline constexpr int maxBranch = static_cast<int>(std::tuple_size_v<decltype(Step::branches)::value_type>);
inline constexpr int maxEliminations = static_cast<int>(std::tuple_size_v<decltype(Step::eliminations)>);
static_assert(maxChain >= 2 * maxChainLinks && maxBranch >= maxChain + 2 && maxBranches >= 9,
              "a step must hold the longest chain the search finds, and a branch for each digit");

// The cells where each digit (entry `digit`) is a candidate.
inline std::array<CellSet, 10> cellsWithEachDigit(const Board& board)
{
    std::array<CellSet, 10> with{};
    for (int cell = 0; cell < 81; ++cell) {
        for (unsigned rest = board.candidates(cell); rest != 0; rest &= rest - 1) {
            with[static_cast<std::size_t>(lowestDigit(rest))].add(cell);
        }
    }
    return with;
}

inline void addHouse(Step& step, int house)
{
    if (step.houseCount < maxHouses) {
        step.houses[step.houseCount++] = static_cast<std::uint8_t>(house);
    }
}

inline void addCell(Step& step, const Board& board, int cell)
{
    if (step.cellCount < maxCells) {
        step.cellDigits[step.cellCount] = board.candidates(cell);
        step.cells[step.cellCount++] = static_cast<std::uint8_t>(cell);
    }
}

inline void setPlacement(Step& step, int cell, int digit)
{
    step.places = true;
    step.placement = {static_cast<std::uint8_t>(cell), static_cast<std::uint8_t>(digit)};
}

// Adds an elimination unless it is already there. The finders' patterns stay below the
// capacity; should one not, the extra eliminations are left for a later step.
void addElimination(Step& step, int cell, int digit);

// Removes `digit` from every cell of `cells` that holds it; true when any did.
bool eliminateFrom(Step& step, const Board& board, const CellSet& cells, int digit);

// Sorts the eliminations; true when there is any.
bool finish(Step& step);

// The cells of `board` that hold `digit` as a candidate.
CellSet cellsWith(const Board& board, int digit);

} // namespace sudoku::logic::detail
