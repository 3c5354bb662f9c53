// Wings, unique rectangles and the bivalue universal grave.

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

// Four cells at the corners of a rectangle in two boxes holding only the same two
// digits would let those digits swap: a second solution. So in a puzzle with one
// solution, type 1: when three corners hold just {u,v}, the fourth is neither; type 2:
// when two hold just {u,v} and the other two {u,v,x}, one of those two is x.
bool findUniqueRectangle(const Board& board, Step& step)
{
    for (int type = 1; type <= 2; ++type) {
        for (int r1 = 0; r1 < 9; ++r1) {
            for (int r2 = r1 + 1; r2 < 9; ++r2) {
                for (int c1 = 0; c1 < 9; ++c1) {
                    for (int c2 = c1 + 1; c2 < 9; ++c2) {
                        if ((r1 / 3 == r2 / 3) == (c1 / 3 == c2 / 3)) {
                            continue; // the corners must lie in exactly two boxes
                        }
                        const std::array<int, 4> corner{r1 * 9 + c1, r1 * 9 + c2, r2 * 9 + c1, r2 * 9 + c2};
                        unsigned shared = 0x1FF;
                        for (const int cell : corner) {
                            shared &= board.candidates(cell);
                        }
                        for (unsigned u = shared; countOf(u) >= 2; u &= u - 1) {
                            for (unsigned v = u & (u - 1); v != 0; v &= v - 1) {
                                const auto pair = static_cast<Digits>((u & -u) | (v & -v));
                                std::array<int, 4> extra{};
                                int exact = 0;
                                int others = 0;
                                for (const int cell : corner) {
                                    if (board.candidates(cell) == pair) {
                                        ++exact;
                                    } else {
                                        extra[static_cast<std::size_t>(others++)] = cell;
                                    }
                                }
                                begin(step, Technique::uniqueRectangle);
                                if (type == 1 && exact == 3) {
                                    addElimination(step, extra[0], lowestDigit(pair));
                                    addElimination(step, extra[0], lowestDigit(pair & (pair - 1u)));
                                } else if (type == 2 && exact == 2) {
                                    const Digits x = static_cast<Digits>(board.candidates(extra[0]) & ~pair);
                                    if (countOf(x) != 1 || board.candidates(extra[1]) != (pair | x)) {
                                        continue;
                                    }
                                    step.weight = static_cast<std::uint8_t>(weightOf(Technique::uniqueRectangle, 1));
                                    eliminateFrom(step, board, common(extra[0], extra[1]), lowestDigit(x));
                                }
                                if (finish(step)) {
                                    for (const int cell : corner) {
                                        addCell(step, board, cell);
                                    }
                                    step.digits = pair;
                                    return true;
                                }
                            }
                        }
                    }
                }
            }
        }
    }
    return false;
}

// All empty cells but one hold two candidates and that one three; each digit has two
// places in every house but one digit, with three in that cell's houses. Without that
// digit there, the grid would be a pattern where every digit can swap along its pairs:
// no solution or several. So in a puzzle with one solution, the cell holds it.
bool findBivalueUniversalGrave(const Board& board, Step& step)
{
    int extra = -1;
    for (int cell = 0; cell < 81; ++cell) {
        const int n = countOf(board.candidates(cell));
        if (n == 3 && extra < 0) {
            extra = cell;
        } else if (n != 0 && n != 2) {
            return false;
        }
    }
    if (extra < 0) {
        return false;
    }
    const auto places = [&](int house, int digit) {
        int n = 0;
        for (const int cell : cellsOf(house)) {
            n += (board.candidates(cell) & bit(digit)) != 0 ? 1 : 0;
        }
        return n;
    };
    int digit = 0;
    for (unsigned rest = board.candidates(extra); rest != 0; rest &= rest - 1) {
        if (places(rowOf(extra), lowestDigit(rest)) == 3) {
            digit = lowestDigit(rest);
        }
    }
    for (int house = 0; house < 27 && digit != 0; ++house) {
        const auto& own = tables.cellHouses[static_cast<std::size_t>(extra)];
        const bool ownHouse = std::find(own.begin(), own.end(), house) != own.end();
        for (int d = 1; d <= 9; ++d) {
            const int n = places(house, d);
            if (n != 0 && n != (ownHouse && d == digit ? 3 : 2)) {
                return false;
            }
        }
    }
    if (digit == 0) {
        return false;
    }
    begin(step, Technique::bivalueUniversalGrave);
    addCell(step, board, extra);
    setPlacement(step, extra, digit);
    step.digits = bit(digit);
    return true;
}

} // namespace sudoku::logic::detail
