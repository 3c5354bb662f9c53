// Wings, and the short single-digit and bivalue chains that have
// names of their own (skyscraper, two-string kite, W-wing).

#include "techniques.h"

#include <algorithm>

namespace sudoku::logic::detail {

namespace {

// The two cells of `house` that hold `digit`, when exactly two do.
bool conjugatePair(const Board& board, int house, int digit, int& first, int& second)
{
    int count = 0;
    for (const int cell : cellsOf(house)) {
        if ((board.candidates(cell) & bit(digit)) != 0) {
            (count == 0 ? first : second) = cell;
            if (++count > 2) {
                return false;
            }
        }
    }
    return count == 2;
}

constexpr std::uint8_t cellByte(int cell)
{
    return static_cast<std::uint8_t>(cell);
}
constexpr std::uint8_t digitByte(int digit)
{
    return static_cast<std::uint8_t>(digit);
}

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

// Two lines with the digit in just two places each, one end of each in a common
// cross line: one of the other two ends (the tops) holds it.
bool findSkyscraper(const Board& board, Step& step)
{
    for (int digit = 1; digit <= 9; ++digit) {
        for (const int first : {0, 9}) {
            for (int l1 = first; l1 < first + 9; ++l1) {
                int a1 = 0;
                int t1 = 0;
                if (!conjugatePair(board, l1, digit, a1, t1)) {
                    continue;
                }
                for (int l2 = l1 + 1; l2 < first + 9; ++l2) {
                    int a2 = 0;
                    int t2 = 0;
                    if (!conjugatePair(board, l2, digit, a2, t2)) {
                        continue;
                    }
                    // Order each pair so that a1 and a2 share the cross line.
                    const auto cross = [first](int cell) { return first == 0 ? colOf(cell) : rowOf(cell); };
                    if (cross(a1) != cross(a2)) {
                        if (cross(t1) == cross(a2)) {
                            std::swap(a1, t1);
                        } else if (cross(a1) == cross(t2)) {
                            std::swap(a2, t2);
                        } else if (cross(t1) == cross(t2)) {
                            std::swap(a1, t1);
                            std::swap(a2, t2);
                        } else {
                            continue;
                        }
                    }
                    if (cross(t1) == cross(t2)) {
                        continue; // both ends shared: an x-wing
                    }
                    begin(step, Technique::skyscraper);
                    if (eliminateFrom(step, board, common(t1, t2), digit)) {
                        addHouse(step, l1);
                        addHouse(step, l2);
                        for (const int cell : {a1, t1, a2, t2}) {
                            addCell(step, board, cell);
                        }
                        step.digits = bit(digit);
                        return finish(step);
                    }
                }
            }
        }
    }
    return false;
}

// A row and a column with the digit in just two places each, one end of each in the
// same box: those two ends see each other, so one of the other two ends holds it.
bool findTwoStringKite(const Board& board, Step& step)
{
    for (int digit = 1; digit <= 9; ++digit) {
        for (int row = 0; row < 9; ++row) {
            std::array<int, 2> r{};
            if (!conjugatePair(board, row, digit, r[0], r[1])) {
                continue;
            }
            for (int col = 9; col < 18; ++col) {
                std::array<int, 2> c{};
                if (!conjugatePair(board, col, digit, c[0], c[1])) {
                    continue;
                }
                for (int i = 0; i < 2; ++i) {
                    for (int j = 0; j < 2; ++j) {
                        const int e1 = r[static_cast<std::size_t>(i)];
                        const int e2 = c[static_cast<std::size_t>(j)];
                        const int o1 = r[static_cast<std::size_t>(1 - i)];
                        const int o2 = c[static_cast<std::size_t>(1 - j)];
                        if (e1 == e2 || o1 == o2 || e1 == o2 || e2 == o1 || boxOf(e1) != boxOf(e2)) {
                            continue;
                        }
                        begin(step, Technique::twoStringKite);
                        if (eliminateFrom(step, board, common(o1, o2), digit)) {
                            addHouse(step, row);
                            addHouse(step, col);
                            addHouse(step, 18 + boxOf(e1));
                            for (const int cell : {o1, e1, e2, o2}) {
                                addCell(step, board, cell);
                            }
                            step.digits = bit(digit);
                            return finish(step);
                        }
                    }
                }
            }
        }
    }
    return false;
}

// Two cells holding just {x,y} that do not see each other, and a house where x has
// two places, one seeing each cell: not both cells can be x, so one is y.
bool findWWing(const Board& board, Step& step)
{
    for (int p = 0; p < 81; ++p) {
        const Digits pair = board.candidates(p);
        if (countOf(pair) != 2) {
            continue;
        }
        for (int q = p + 1; q < 81; ++q) {
            if (board.candidates(q) != pair || sees(p, q)) {
                continue;
            }
            for (const int x : {lowestDigit(pair), lowestDigit(pair & (pair - 1u))}) {
                const int y = lowestDigit(pair & ~bit(x));
                for (int house = 0; house < 27; ++house) {
                    int s1 = 0;
                    int s2 = 0;
                    if (!conjugatePair(board, house, x, s1, s2)) {
                        continue;
                    }
                    if (!(sees(s1, p) && sees(s2, q))) {
                        std::swap(s1, s2);
                    }
                    if (!(sees(s1, p) && sees(s2, q)) || s1 == q || s2 == p) {
                        continue;
                    }
                    begin(step, Technique::wWing);
                    if (eliminateFrom(step, board, common(p, q), y)) {
                        addHouse(step, house);
                        for (const int cell : {p, s1, s2, q}) {
                            addCell(step, board, cell);
                        }
                        step.digits = pair;
                        // As a chain: y in p or x in p, so x not in s1, so x in s2, so
                        // x not in q, so y in q.
                        const std::array<Candidate, 6> chain{{{cellByte(p), digitByte(y)},
                                                              {cellByte(p), digitByte(x)},
                                                              {cellByte(s1), digitByte(x)},
                                                              {cellByte(s2), digitByte(x)},
                                                              {cellByte(q), digitByte(x)},
                                                              {cellByte(q), digitByte(y)}}};
                        std::copy(chain.begin(), chain.end(), step.chain.begin());
                        step.chainLength = chain.size();
                        return finish(step);
                    }
                }
            }
        }
    }
    return false;
}

} // namespace sudoku::logic::detail
