// Singles, locked candidates, naked and hidden subsets, and fish.

#include "techniques.h"

namespace sudoku::logic::detail {

namespace {

// Calls f(pick) for each combination of `size` of `items` indices in rising order,
// until f returns true.
template <class F>
bool combinations(int items, int size, F&& f)
{
    std::array<int, 4> pick{};
    auto next = [&](auto& self, int start, int depth) -> bool {
        if (depth == size) {
            return f(pick);
        }
        for (int i = start; i <= items - (size - depth); ++i) {
            pick[static_cast<std::size_t>(depth)] = i;
            if (self(self, i + 1, depth + 1)) {
                return true;
            }
        }
        return false;
    };
    return next(next, 0, 0);
}

// Where `digit` can go in a house, as a 9-bit mask of the house's positions.
unsigned positions(const Board& board, int house, int digit)
{
    unsigned mask = 0;
    const auto& cells = cellsOf(house);
    for (unsigned k = 0; k < 9; ++k) {
        if ((board.candidates(cells[k]) & bit(digit)) != 0) {
            mask |= 1u << k;
        }
    }
    return mask;
}

// Where each digit can go in a house (entry `digit`), as positions() gives it: all nine
// at once, from the house's cells read once each.
std::array<unsigned, 10> housePositions(const Board& board, int house)
{
    std::array<unsigned, 10> where{};
    const auto& cells = cellsOf(house);
    for (unsigned k = 0; k < 9; ++k) {
        const unsigned marks = board.candidates(cells[k]);
        for (unsigned d = 0; d < 9; ++d) { // every digit, so that no branch depends on the marks
            where[d + 1] |= (marks >> d & 1u) << k;
        }
    }
    return where;
}

constexpr std::array<Technique, 5> nakedSubset{Technique::nakedSingle, Technique::nakedSingle, Technique::nakedPair,
                                               Technique::nakedTriple, Technique::nakedQuad};
constexpr std::array<Technique, 5> hiddenSubset{Technique::hiddenSingle, Technique::hiddenSingle, Technique::hiddenPair,
                                                Technique::hiddenTriple, Technique::hiddenQuad};
constexpr std::array<Technique, 5> fish{Technique::xWing, Technique::xWing, Technique::xWing, Technique::swordfish,
                                        Technique::jellyfish};

} // namespace

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

namespace {

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

// Calls accept(step) with each locked-candidates step of `technique`'s kind in turn
// (box to line for pointing, line to box for claiming), its eliminations filled,
// until accept returns true.
template <class Accept>
bool lockedCandidates(const Board& board, bool pointing, Technique technique, Step& step, Accept&& accept)
{
    for (int house = pointing ? 18 : 0; house < (pointing ? 27 : 18); ++house) {
        const std::array<unsigned, 10> places = housePositions(board, house);
        for (int digit = 1; digit <= 9; ++digit) {
            const unsigned where = places[static_cast<std::size_t>(digit)];
            if (where == 0) {
                continue;
            }
            const int first = cellsOf(house)[static_cast<std::size_t>(std::countr_zero(where))];
            std::array<int, 2> targets{-1, -1};
            if (pointing) {
                // Positions 0-2, 3-5, 6-8 of a box are its rows; 0,3,6 and so on its columns.
                const bool oneRow = (where & ~(0x7u << (std::countr_zero(where) / 3 * 3))) == 0;
                const bool oneColumn = (where & ~(0x49u << (std::countr_zero(where) % 3))) == 0;
                targets = {oneRow ? rowOf(first) : -1, oneColumn ? 9 + columnOf(first) : -1};
            } else if ((where & ~(0x7u << (std::countr_zero(where) / 3 * 3))) == 0) {
                // Positions 0-2, 3-5, 6-8 of a line lie in one box each.
                targets[0] = 18 + boxOf(first);
            }
            for (const int target : targets) {
                if (target < 0) {
                    continue;
                }
                begin(step, technique);
                const CellSet outside = tables.houseSet[static_cast<std::size_t>(target)].without(
                    tables.houseSet[static_cast<std::size_t>(house)]);
                if (!eliminateFrom(step, board, outside, digit)) {
                    continue;
                }
                // Box then line, whichever holds the pattern.
                addHouse(step, pointing ? house : target);
                addHouse(step, pointing ? target : house);
                step.digits = bit(digit);
                finish(step);
                if (accept(step)) {
                    return true;
                }
            }
        }
    }
    return false;
}

bool anyStep(Step&)
{
    return true;
}

} // namespace

bool findPointing(const Board& board, Step& step)
{
    return lockedCandidates(board, true, Technique::pointing, step, anyStep);
}

bool findClaiming(const Board& board, Step& step)
{
    return lockedCandidates(board, false, Technique::claiming, step, anyStep);
}

bool findDirectPointing(const Board& board, Step& step)
{
    return lockedCandidates(board, true, Technique::directPointing, step,
                            [&](Step& found) { return makeDirect(board, found.houses[0], found); });
}

bool findDirectClaiming(const Board& board, Step& step)
{
    return lockedCandidates(board, false, Technique::directClaiming, step,
                            [&](Step& found) { return makeDirect(board, found.houses[1], found); });
}

bool findNakedSubset(const Board& board, int size, Step& step)
{
    for (int house = 0; house < 27; ++house) {
        std::array<int, 9> cells{};
        int count = 0;
        for (const int cell : cellsOf(house)) {
            const int n = countOf(board.candidates(cell));
            if (n >= 2 && n <= size) {
                cells[static_cast<std::size_t>(count++)] = cell;
            }
        }
        const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
            Digits digits = 0;
            CellSet subset;
            for (int i = 0; i < size; ++i) {
                const int cell = cells[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                digits |= board.candidates(cell);
                subset.add(cell);
            }
            if (countOf(digits) != size) {
                return false;
            }
            begin(step, nakedSubset[static_cast<std::size_t>(size)]);
            const CellSet others = tables.houseSet[static_cast<std::size_t>(house)].without(subset);
            for (unsigned rest = digits; rest != 0; rest &= rest - 1) {
                eliminateFrom(step, board, others, lowestDigit(rest));
            }
            if (!finish(step)) {
                return false;
            }
            addHouse(step, house);
            subset.forEach([&](int cell) { addCell(step, board, cell); });
            step.digits = digits;
            return true;
        });
        if (found) {
            return true;
        }
    }
    return false;
}

namespace {

// Calls accept(step) with each hidden subset of `size` that eliminates, as a step of
// `technique`, until accept returns true.
template <class Accept>
bool hiddenSubsets(const Board& board, int size, Technique technique, Step& step, Accept&& accept)
{
    for (int house = 0; house < 27; ++house) {
        std::array<int, 9> digits{};
        const std::array<unsigned, 10> where = housePositions(board, house);
        int count = 0;
        for (int digit = 1; digit <= 9; ++digit) {
            const int n = countOf(where[static_cast<std::size_t>(digit)]);
            if (n >= 2 && n <= size) {
                digits[static_cast<std::size_t>(count++)] = digit;
            }
        }
        const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
            unsigned places = 0;
            Digits chosen = 0;
            for (int i = 0; i < size; ++i) {
                const int digit = digits[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                places |= where[static_cast<std::size_t>(digit)];
                chosen |= bit(digit);
            }
            if (countOf(places) != size) {
                return false;
            }
            begin(step, technique);
            for (unsigned rest = places; rest != 0; rest &= rest - 1) {
                const int cell = cellsOf(house)[static_cast<std::size_t>(std::countr_zero(rest))];
                for (unsigned other = board.candidates(cell) & ~chosen; other != 0; other &= other - 1) {
                    addElimination(step, cell, lowestDigit(other));
                }
                addCell(step, board, cell);
            }
            if (!finish(step)) {
                return false;
            }
            addHouse(step, house);
            step.digits = chosen;
            return accept(step);
        });
        if (found) {
            return true;
        }
    }
    return false;
}

} // namespace

bool findHiddenSubset(const Board& board, int size, Step& step)
{
    return hiddenSubsets(board, size, hiddenSubset[static_cast<std::size_t>(size)], step, anyStep);
}

bool findDirectHiddenSubset(const Board& board, int size, Step& step)
{
    return hiddenSubsets(board, size, size == 2 ? Technique::directHiddenPair : Technique::directHiddenTriple, step,
                         [&](Step& found) { return makeDirect(board, found.houses[0], found); });
}

bool findFish(const Board& board, int size, Step& step)
{
    std::array<std::array<unsigned, 10>, 18> linePlaces{}; // rows, then columns
    for (int line = 0; line < 18; ++line) {
        linePlaces[static_cast<std::size_t>(line)] = housePositions(board, line);
    }
    for (int digit = 1; digit <= 9; ++digit) {
        for (const int baseFirst : {0, 9}) { // rows as base lines, then columns
            const int coverFirst = 9 - baseFirst;
            std::array<int, 9> lines{};
            std::array<unsigned, 9> where{};
            int count = 0;
            for (int line = 0; line < 9; ++line) {
                const unsigned mask =
                    linePlaces[static_cast<std::size_t>(baseFirst + line)][static_cast<std::size_t>(digit)];
                const int n = countOf(mask);
                if (n >= 2 && n <= size) {
                    lines[static_cast<std::size_t>(count)] = line;
                    where[static_cast<std::size_t>(count++)] = mask;
                }
            }
            const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
                unsigned covers = 0;
                unsigned bases = 0;
                for (int i = 0; i < size; ++i) {
                    covers |= where[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                    bases |= 1u << lines[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                }
                if (countOf(covers) != size) {
                    return false;
                }
                begin(step, fish[static_cast<std::size_t>(size)]);
                for (unsigned rest = covers; rest != 0; rest &= rest - 1) {
                    const auto& cells = cellsOf(coverFirst + std::countr_zero(rest));
                    for (unsigned k = 0; k < 9; ++k) {
                        if ((bases >> k & 1) == 0 && (board.candidates(cells[k]) & bit(digit)) != 0) {
                            addElimination(step, cells[k], digit);
                        }
                    }
                }
                if (!finish(step)) {
                    return false;
                }
                for (unsigned rest = bases; rest != 0; rest &= rest - 1) {
                    addHouse(step, baseFirst + std::countr_zero(rest));
                }
                for (unsigned rest = covers; rest != 0; rest &= rest - 1) {
                    addHouse(step, coverFirst + std::countr_zero(rest));
                }
                step.digits = bit(digit);
                return true;
            });
            if (found) {
                return true;
            }
        }
    }
    return false;
}

} // namespace sudoku::logic::detail
