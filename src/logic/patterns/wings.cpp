// Wings: XY-wings and XYZ-wings.

#include "step_text.h"
#include "techniques.h"

#include <algorithm>

namespace sudoku::logic::detail {

namespace {

CellSet common(int a, int b)
{
    return peersOf(a) & peersOf(b);
}

} // namespace

bool findXyWing(const Board& board, Step& step)
{
    for (int pivot = 0; pivot < 81; ++pivot) {
        const Digits pair = board.candidates(pivot);
        if (countOf(pair) != 2) {
            continue;
        }
        const Digits x = static_cast<Digits>(pair & -pair);
        const Digits y = static_cast<Digits>(pair & ~x);
        bool found = false;
        peersOf(pivot).forEach([&](int a) {
            const Digits ma = board.candidates(a);
            if (found || countOf(ma) != 2 || (ma & pair) != x) {
                return;
            }
            const Digits z = static_cast<Digits>(ma & ~x);
            peersOf(pivot).forEach([&](int b) {
                if (found || board.candidates(b) != (y | z)) {
                    return;
                }
                begin(step, Technique::xyWing);
                if (eliminateFrom(step, board, common(a, b), lowestDigit(z))) {
                    addCell(step, board, pivot);
                    addCell(step, board, a);
                    addCell(step, board, b);
                    step.digits = pair | z;
                    found = finish(step);
                }
            });
        });
        if (found) {
            return true;
        }
    }
    return false;
}

bool findXyzWing(const Board& board, Step& step)
{
    for (int pivot = 0; pivot < 81; ++pivot) {
        const Digits triple = board.candidates(pivot);
        if (countOf(triple) != 3) {
            continue;
        }
        bool found = false;
        peersOf(pivot).forEach([&](int a) {
            const Digits ma = board.candidates(a);
            if (found || countOf(ma) != 2 || (ma & ~triple) != 0) {
                return;
            }
            peersOf(pivot).forEach([&](int b) {
                const Digits mb = board.candidates(b);
                if (found || b <= a || countOf(mb) != 2 || (ma | mb) != triple) {
                    return;
                }
                const int z = lowestDigit(static_cast<unsigned>(ma & mb));
                begin(step, Technique::xyzWing);
                if (eliminateFrom(step, board, common(a, b) & peersOf(pivot), z)) {
                    addCell(step, board, pivot);
                    addCell(step, board, a);
                    addCell(step, board, b);
                    step.digits = triple;
                    found = finish(step);
                }
            });
        });
        if (found) {
            return true;
        }
    }
    return false;
}

std::string wingText(const Step& step)
{
    return "pivot " + cell(step, 0) + " " + digitSet(step.cellDigits[0]) + ", pincers " + cell(step, 1) + " " +
           digitSet(step.cellDigits[1]) + " and " + cell(step, 2) + " " + digitSet(step.cellDigits[2]);
}

} // namespace sudoku::logic::detail
