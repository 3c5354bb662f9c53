// Singles: the last empty cell of a house, the only place for a digit in a house, the
// only digit left in a cell.

#include "patterns/house_places.h"
#include "step_text.h"

namespace sudoku::logic::detail {

bool findFullHouse(const Board& board, Step& step)
{
    for (int house = 0; house < 27; ++house) {
        if (board.emptyIn(house) != 1) {
            continue;
        }
        int last = 0;
        for (const int cell : cellsOf(house)) {
            if (board.value(cell) == 0) {
                last = cell;
            }
        }
        const Digits marks = board.candidates(last);
        if (countOf(marks) == 1) {
            begin(step, Technique::fullHouse);
            addHouse(step, house);
            setPlacement(step, last, lowestDigit(marks));
            step.digits = marks;
            return true;
        }
    }
    return false;
}

bool findHiddenSingle(const Board& board, Step& step)
{
    // Boxes first: a hidden single in a box is the easier one to see.
    for (int i = 0; i < 27; ++i) {
        const int house = (i + 18) % 27;
        unsigned once = 0;
        unsigned twice = 0;
        for (const int cell : cellsOf(house)) {
            const unsigned marks = board.candidates(cell);
            twice |= once & marks;
            once |= marks;
        }
        const unsigned single = once & ~twice;
        if (single == 0) {
            continue;
        }
        const int digit = lowestDigit(single);
        for (const int cell : cellsOf(house)) {
            if ((board.candidates(cell) & bit(digit)) != 0) {
                begin(step, Technique::hiddenSingle);
                step.weight = static_cast<std::uint8_t>(weightOf(Technique::hiddenSingle, house >= 18 ? 0 : 1));
                addHouse(step, house);
                setPlacement(step, cell, digit);
                step.digits = bit(digit);
                return true;
            }
        }
    }
    return false;
}

bool findNakedSingle(const Board& board, Step& step)
{
    for (int cell = 0; cell < 81; ++cell) {
        const Digits marks = board.candidates(cell);
        if (countOf(marks) == 1) {
            begin(step, Technique::nakedSingle);
            setPlacement(step, cell, lowestDigit(marks));
            step.digits = marks;
            return true;
        }
    }
    return false;
}

std::string fullHouseText(const Step& step)
{
    return "last empty cell of " + house(step, 0);
}

std::string hiddenSingleText(const Step& step)
{
    return "only place for " + digitList(step.digits) + " in " + house(step, 0);
}

std::string nakedSingleText(const Step& step)
{
    return "only " + digitList(step.digits) + " left in " + cellName(step.placement.cell);
}

} // namespace sudoku::logic::detail
