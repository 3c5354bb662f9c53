#pragma once

// The finders of each technique and the helpers they share to fill a step.

#include <sudoku/engine.h>
#include <sudoku/logic.h>
#include "tables.h"

namespace sudoku::logic::detail {

// Starts a step of `technique` at its base weight. Only the counts are reset: the
// entries past them are never read.
inline void begin(Step& step, Technique technique)
{
    step.technique = technique;
    step.weight = static_cast<std::uint8_t>(baseWeight(technique));
    step.digits = 0;
    step.houseCount = 0;
    step.cellCount = 0;
    step.chainLength = 0;
    step.branchCount = 0;
    step.places = false;
    step.eliminationCount = 0;
}

inline void addHouse(Step& step, int house)
{
    if (step.houseCount < Step::maxHouses) {
        step.houses[step.houseCount++] = static_cast<std::uint8_t>(house);
    }
}

inline void addCell(Step& step, const Board& board, int cell)
{
    if (step.cellCount < Step::maxCells) {
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

bool findFullHouse(const Board& board, Step& step);
bool findHiddenSingle(const Board& board, Step& step);
bool findNakedSingle(const Board& board, Step& step);
bool findPointing(const Board& board, Step& step);
bool findClaiming(const Board& board, Step& step);
bool findNakedSubset(const Board& board, int size, Step& step);
bool findHiddenSubset(const Board& board, int size, Step& step);
bool findFish(const Board& board, int size, Step& step);
bool findXyWing(const Board& board, Step& step);
bool findXyzWing(const Board& board, Step& step);
bool findUniqueRectangle(const Board& board, Step& step);
bool findSkyscraper(const Board& board, Step& step);
bool findTwoStringKite(const Board& board, Step& step);
bool findWWing(const Board& board, Step& step);
bool findBivalueUniversalGrave(const Board& board, Step& step);

enum class ChainKind { x, xy, alternating };
bool findChain(const Board& board, ChainKind kind, Step& step);
// Cell forcing chains: every candidate of a cell makes the same candidate false; unit
// forcing chains (`unit`): every place of a digit in a house does.
bool findForcingChain(const Board& board, bool unit, Step& step);
// The first of an alternating chain, a cell forcing chain and a unit forcing chain,
// from one search of the implication graph: the last techniques, tried together.
bool findAlternatingOrForcingChain(const Board& board, Step& step);

} // namespace sudoku::logic::detail
