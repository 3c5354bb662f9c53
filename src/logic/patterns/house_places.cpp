#include "patterns/house_places.h"
#include "step_text.h"

#include <bit>

namespace sudoku::logic::detail {

// Turns a step's eliminations into the hidden single they leave at once, when they
// leave one: a digit they removed with one place left in a house of a cell it left.
// That house had it in two places or more before, so the single is new. Only a house of
// the same kind as the one the pattern lies in counts (a box for pointing, the line
// for claiming, the subset's house): Sudoku Explainer's ratings of direct steps agree
// with that on every puzzle of our sample, and not with any house or naked singles.
// The step keeps its pattern and gains the single's house; its effect is the placement.
bool makeDirect(const Board& board, int patternHouse, Step& step)
{
    Board after = board;
    for (int i = 0; i < step.eliminationCount; ++i) {
        after.eliminate(step.eliminations[static_cast<std::size_t>(i)].cell,
                        step.eliminations[static_cast<std::size_t>(i)].digit);
    }
    const std::size_t kind = static_cast<std::size_t>(patternHouse / 9); // row, column or box
    for (int i = 0; i < step.eliminationCount; ++i) {
        const Candidate removed = step.eliminations[static_cast<std::size_t>(i)];
        const int house = tables.cellHouses[removed.cell][kind];
        const unsigned where = positions(after, house, removed.digit);
        if (countOf(where) == 1) {
            step.eliminationCount = 0;
            addHouse(step, house);
            setPlacement(step, cellsOf(house)[static_cast<std::size_t>(std::countr_zero(where))], removed.digit);
            return true;
        }
    }
    return false;
}

std::string leftSingle(const Step& step)
{
    return ", then only place for " + std::string(1, static_cast<char>('0' + step.placement.digit)) + " in " +
           house(step, step.houseCount - 1);
}

} // namespace sudoku::logic::detail
