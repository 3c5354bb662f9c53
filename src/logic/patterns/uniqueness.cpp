// The techniques that hold only in a puzzle with one solution: unique rectangles and
// loops (deadly patterns of two digits) and the bivalue universal grave.

#include "step_text.h"
#include "techniques.h"

#include <algorithm>

namespace sudoku::logic::detail {

namespace {

// A closed path of cells that all hold two digits u and v, where every house holding
// one of its cells holds exactly two, an odd number of steps apart along the path. Were
// the cells to hold only u and v, alternating them along the path would fit every house
// both ways round: two solutions. A rectangle in two boxes is the loop of four.
struct Loop {
    std::array<int, 8> cells{};
    int length = 0;
    Digits pair = 0;
};

// At most this many cells of a loop may hold more than u and v: types 1, 3 and 4 need
// one or two, type 2 any number (here up to four).
constexpr int mostExtraCells = 4;

// Calls found(loop) for each loop of `length` cells, in order of digit pair and first
// cell, until it returns true. A loop starts at the first of its cells that hold just
// the two digits (every type needs one), which keeps the search small on a board of
// many candidates; it is found once in each direction.
template <class Found>
bool deadlyLoops(const Board& board, int length, Found&& found)
{
    const std::array<CellSet, 10> withDigit = cellsWithEachDigit(board);
    CellSet bivalue;
    for (int cell = 0; cell < 81; ++cell) {
        if (countOf(board.candidates(cell)) == 2) {
            bivalue.add(cell);
        }
    }
    for (int u = 1; u <= 9; ++u) {
        for (int v = u + 1; v <= 9; ++v) {
            const auto pair = static_cast<Digits>(bit(u) | bit(v));
            const CellSet with = withDigit[static_cast<std::size_t>(u)] & withDigit[static_cast<std::size_t>(v)];
            if ((with & bivalue).empty() || with.count() < length) {
                continue; // no cell holds just the pair, to start from; or too few cells
            }
            Loop loop;
            loop.length = length;
            loop.pair = pair;
            // How many of the path's cells each house holds, and the index along the
            // path of its first.
            std::array<int, 27> count{};
            std::array<int, 27> first{};
            const auto fits = [&](int cell, int index) {
                for (const int house : tables.cellHouses[static_cast<std::size_t>(cell)]) {
                    const auto h = static_cast<std::size_t>(house);
                    if (count[h] == 2 || (count[h] == 1 && (index - first[h]) % 2 == 0)) {
                        return false;
                    }
                }
                return true;
            };
            const auto take = [&](int cell, int index, int change) {
                loop.cells[static_cast<std::size_t>(index)] = cell;
                for (const int house : tables.cellHouses[static_cast<std::size_t>(cell)]) {
                    const auto h = static_cast<std::size_t>(house);
                    first[h] = count[h] == 0 ? index : first[h];
                    count[h] += change;
                }
            };
            auto extend = [&](auto& self, int depth, int extras) -> bool {
                const int last = loop.cells[static_cast<std::size_t>(depth - 1)];
                if (depth == length) {
                    return sees(last, loop.cells[0]) &&
                           std::all_of(count.begin(), count.end(), [](int n) { return n != 1; }) && found(loop);
                }
                bool done = false;
                (peersOf(last) & with).forEach([&](int next) {
                    const int extra = board.candidates(next) != pair ? 1 : 0;
                    if (done || (extra == 0 && next <= loop.cells[0]) || extras + extra > mostExtraCells ||
                        !fits(next, depth) ||
                        std::find(loop.cells.begin(), loop.cells.begin() + depth, next) != loop.cells.begin() + depth) {
                        return;
                    }
                    take(next, depth, 1);
                    done = self(self, depth + 1, extras + extra);
                    take(next, depth, -1);
                });
                return done;
            };
            bool stop = false;
            with.forEach([&](int start) {
                if (!stop && board.candidates(start) == pair) {
                    take(start, 0, 1);
                    stop = extend(extend, 1, 0);
                    take(start, 0, -1);
                }
            });
            if (stop) {
                return true;
            }
        }
    }
    return false;
}

// The houses two cells share, besides none: up to two (a line and a box).
std::array<int, 2> sharedHouses(int a, int b)
{
    std::array<int, 2> shared{-1, -1};
    int n = 0;
    for (const int h : tables.cellHouses[static_cast<std::size_t>(a)]) {
        const auto& other = tables.cellHouses[static_cast<std::size_t>(b)];
        if (std::find(other.begin(), other.end(), h) != other.end()) {
            shared[static_cast<std::size_t>(n++)] = h;
        }
    }
    return shared;
}

// Type 3: the cells `members` of house `house` hold together the digits `extra` besides
// the pattern's, and one of them holds one of those (else the pattern would be deadly).
// So they act as one cell holding `extra`: with n other cells of the house that hold
// only digits of a set of n + 1 including `extra`, they make a naked subset. Up to
// `room` other cells (and 3), fewest first; they go into the step's cells after those
// already there, and the house into its houses.
bool nakedSubsetWithExtras(const Board& board, const CellSet& members, Digits extra, int house, int room, Step& step)
{
    std::array<int, 9> others{};
    int count = 0;
    for (const int cell : cellsOf(house)) {
        const Digits marks = board.candidates(cell);
        if (marks != 0 && !members.has(cell) && countOf(marks | extra) <= 4) {
            others[static_cast<std::size_t>(count++)] = cell;
        }
    }
    // Subsets of 1 to 3 other cells, smallest first, in the order of the house's cells.
    for (int size = 1; size <= std::min(3, room); ++size) {
        std::array<int, 3> pick{};
        auto choose = [&](auto& self, int from, int depth, Digits digits) -> bool {
            if (depth == size) {
                if (countOf(digits) != size + 1) {
                    return false;
                }
                step.eliminationCount = 0;
                for (const int cell : cellsOf(house)) {
                    const bool inSubset =
                        members.has(cell) || std::find(pick.begin(), pick.begin() + size, cell) != pick.begin() + size;
                    for (unsigned rest = inSubset ? 0u : board.candidates(cell) & digits; rest != 0; rest &= rest - 1) {
                        addElimination(step, cell, lowestDigit(rest));
                    }
                }
                if (step.eliminationCount == 0) {
                    return false;
                }
                addHouse(step, house);
                for (int i = 0; i < size; ++i) {
                    addCell(step, board, pick[static_cast<std::size_t>(i)]);
                }
                return true;
            }
            for (int i = from; i < count; ++i) {
                const int cell = others[static_cast<std::size_t>(i)];
                const auto with = static_cast<Digits>(digits | board.candidates(cell));
                if (countOf(with) <= size + 1) {
                    pick[static_cast<std::size_t>(depth)] = cell;
                    if (self(self, i + 1, depth + 1, with)) {
                        return true;
                    }
                }
            }
            return false;
        };
        if (choose(choose, 0, 0, extra)) {
            return true;
        }
    }
    return false;
}

// The eliminations a loop allows, types 1 to 4, into `step` (already begun); the
// loop's cells go first into the step's cells.
bool loopEliminations(const Board& board, const Loop& loop, Step& step)
{
    const Technique technique = step.technique;
    std::array<int, mostExtraCells> extra{};
    int extras = 0;
    for (int i = 0; i < loop.length; ++i) {
        const int cell = loop.cells[static_cast<std::size_t>(i)];
        if (board.candidates(cell) != loop.pair && extras < mostExtraCells) {
            extra[static_cast<std::size_t>(extras++)] = cell;
        }
    }
    const auto addLoop = [&] {
        std::array<int, 8> cells = loop.cells;
        if (loop.length == 4) { // a rectangle reads best row by row
            std::sort(cells.begin(), cells.begin() + 4);
        }
        for (int i = 0; i < loop.length; ++i) {
            addCell(step, board, cells[static_cast<std::size_t>(i)]);
        }
        step.digits = loop.pair;
    };
    begin(step, technique);
    if (extras == 1) {
        // Type 1: the one cell with more holds one of them.
        for (unsigned rest = loop.pair; rest != 0; rest &= rest - 1) {
            addElimination(step, extra[0], lowestDigit(rest));
        }
        addLoop();
        return finish(step);
    }
    // Type 2: each holds just one more digit, the same: one of them holds it.
    Digits more = 0;
    CellSet seeAll = peersOf(extra[0]);
    for (int i = 0; i < extras; ++i) {
        const int cell = extra[static_cast<std::size_t>(i)];
        more |= static_cast<Digits>(board.candidates(cell) & ~loop.pair);
        seeAll = seeAll & peersOf(cell);
    }
    const bool sameMore = std::all_of(extra.begin(), extra.begin() + extras,
                                      [&](int cell) { return countOf(board.candidates(cell)) == 3; });
    if (sameMore && countOf(more) == 1 && eliminateFrom(step, board, seeAll, lowestDigit(more))) {
        addLoop();
        return finish(step);
    }
    if (extras != 2) {
        return false;
    }
    const int a = extra[0];
    const int b = extra[1];
    for (const int house : sharedHouses(a, b)) {
        if (house < 0) {
            continue;
        }
        // Type 3: they act as one cell of their extra digits in a naked subset. The
        // step holds the loop, then the subset.
        begin(step, technique);
        addLoop();
        CellSet members;
        members.add(a);
        members.add(b);
        if (nakedSubsetWithExtras(board, members, more, house, maxCells - loop.length, step)) {
            return finish(step);
        }
        // Type 4: one digit of the pair has no other place in the house, so one of the
        // two holds it and neither can hold the other.
        begin(step, technique);
        for (unsigned rest = loop.pair; rest != 0; rest &= rest - 1) {
            const int w = lowestDigit(rest);
            int places = 0;
            for (const int cell : cellsOf(house)) {
                places += (board.candidates(cell) & bit(w)) != 0 ? 1 : 0;
            }
            if (places == 2) {
                const int other = lowestDigit(loop.pair & ~bit(w));
                addElimination(step, a, other);
                addElimination(step, b, other);
                addHouse(step, house);
                addLoop();
                return finish(step);
            }
        }
    }
    return false;
}

bool findDeadlyLoop(const Board& board, Technique technique, int length, Step& step)
{
    return deadlyLoops(board, length, [&](const Loop& loop) {
        step.technique = technique;
        return loopEliminations(board, loop, step);
    });
}

} // namespace

bool findUniqueRectangle(const Board& board, Step& step)
{
    return findDeadlyLoop(board, Technique::uniqueRectangle, 4, step);
}

bool findUniqueLoop(const Board& board, Step& step)
{
    return findDeadlyLoop(board, Technique::uniqueLoop, 6, step);
}

// A grave: every empty cell holds two candidates and every digit has two places or
// none in every house. Such a position has no solution or several (each digit can
// swap along its pairs), so in a puzzle with one solution, when a few cells hold more
// and without their extra candidates the grid would be a grave, one of those extra
// candidates is true. Type 1: one cell holds more, so it holds one of its extra
// digits (the one, when it has three candidates). Type 2: each cell with more holds
// one extra digit, the same: cells that see all of them do not hold it. Types 3 and 4
// below, for cells with more in one house.
bool findBivalueUniversalGrave(const Board& board, Step& step)
{
    // A candidate is extra where its digit has more than two places in each of the
    // cell's houses; the grave without the extra candidates is checked below.
    std::array<Digits, 81> grave{};
    std::array<int, 81> extraCells{};
    int extras = 0;
    const auto places = [&](int house, int digit) {
        int n = 0;
        for (const int cell : cellsOf(house)) {
            n += (board.candidates(cell) & bit(digit)) != 0 ? 1 : 0;
        }
        return n;
    };
    for (int cell = 0; cell < 81; ++cell) {
        const Digits marks = board.candidates(cell);
        grave[static_cast<std::size_t>(cell)] = marks;
        if (countOf(marks) <= 2) {
            continue;
        }
        for (unsigned rest = marks; rest != 0; rest &= rest - 1) {
            const int digit = lowestDigit(rest);
            const auto& houses = tables.cellHouses[static_cast<std::size_t>(cell)];
            if (std::all_of(houses.begin(), houses.end(), [&](int h) { return places(h, digit) > 2; })) {
                grave[static_cast<std::size_t>(cell)] &= static_cast<Digits>(~bit(digit));
            }
        }
        extraCells[static_cast<std::size_t>(extras++)] = cell;
    }
    if (extras == 0) {
        return false;
    }
    for (int cell = 0; cell < 81; ++cell) {
        const int n = countOf(grave[static_cast<std::size_t>(cell)]);
        if (n != 0 && n != 2) {
            return false;
        }
    }
    for (int house = 0; house < 27; ++house) {
        std::array<int, 10> count{};
        for (const int cell : cellsOf(house)) {
            for (unsigned rest = grave[static_cast<std::size_t>(cell)]; rest != 0; rest &= rest - 1) {
                ++count[static_cast<std::size_t>(lowestDigit(rest))];
            }
        }
        if (std::any_of(count.begin(), count.end(), [](int n) { return n != 0 && n != 2; })) {
            return false;
        }
    }
    begin(step, Technique::bivalueUniversalGrave);
    Digits more = 0;
    CellSet seeAll = peersOf(extraCells[0]);
    for (int i = 0; i < extras; ++i) {
        const int cell = extraCells[static_cast<std::size_t>(i)];
        more |= static_cast<Digits>(board.candidates(cell) & ~grave[static_cast<std::size_t>(cell)]);
        seeAll = seeAll & peersOf(cell);
        addCell(step, board, cell);
    }
    step.digits = more;
    if (extras == 1) {
        const int cell = extraCells[0];
        if (countOf(more) == 1) {
            setPlacement(step, cell, lowestDigit(more));
            return true;
        }
        for (unsigned rest = grave[static_cast<std::size_t>(cell)]; rest != 0; rest &= rest - 1) {
            addElimination(step, cell, lowestDigit(rest));
        }
        return finish(step);
    }
    if (extras > maxCells) {
        return false;
    }
    const bool oneEach = std::all_of(extraCells.begin(), extraCells.begin() + extras,
                                     [&](int cell) { return countOf(board.candidates(cell)) == 3; });
    step.weight = static_cast<std::uint8_t>(weightOf(Technique::bivalueUniversalGrave, 1));
    if (oneEach && countOf(more) == 1 && eliminateFrom(step, board, seeAll, lowestDigit(more))) {
        return finish(step);
    }
    // Types 3 and 4 need every cell with more in one house.
    int house = -1;
    for (const int h : tables.cellHouses[static_cast<std::size_t>(extraCells[0])]) {
        bool all = true;
        for (int i = 1; i < extras; ++i) {
            const auto& own = tables.cellHouses[static_cast<std::size_t>(extraCells[static_cast<std::size_t>(i)])];
            all = all && std::find(own.begin(), own.end(), h) != own.end();
        }
        house = house < 0 && all ? h : house;
    }
    if (house < 0) {
        return false;
    }
    // Type 4: two cells whose grave pairs share a digit x. In the grave x has two
    // places in the house, these, so one of them is x; the other is then no grave
    // digit, so it holds an extra one. Each holds x or its extra digits.
    if (extras == 2) {
        const int a = extraCells[0];
        const int b = extraCells[1];
        for (unsigned rest = grave[static_cast<std::size_t>(a)] & grave[static_cast<std::size_t>(b)]; rest != 0;
             rest &= rest - 1) {
            const int x = lowestDigit(rest);
            for (const int cell : {a, b}) {
                for (unsigned other = grave[static_cast<std::size_t>(cell)] & ~bit(x); other != 0; other &= other - 1) {
                    addElimination(step, cell, lowestDigit(other));
                }
            }
            addHouse(step, house);
            step.digits = bit(x);
            return finish(step);
        }
    }
    // Type 3: the cells with more hold one of their extra digits, so they act as one
    // cell holding those in a naked subset with other cells of the house: 5.8 with one
    // other cell, a tenth more for each further one.
    CellSet members;
    for (int i = 0; i < extras; ++i) {
        members.add(extraCells[static_cast<std::size_t>(i)]);
    }
    if (nakedSubsetWithExtras(board, members, more, house, maxCells - extras, step)) {
        step.weight =
            static_cast<std::uint8_t>(weightOf(Technique::bivalueUniversalGrave, 1 + step.cellCount - extras));
        step.digits = more;
        return finish(step);
    }
    return false;
}

std::string uniqueRectangleText(const Step& step)
{
    // The pattern's cells come first, then the other cells of a type 3 subset.
    const int size = step.technique == Technique::uniqueRectangle ? 4 : 6;
    std::string text = digitList(step.digits) + " in " + cellList(step, 0, size) + " would make two solutions";
    // The roofs: the pattern's cells that hold more than its two digits.
    std::array<int, 6> roof{};
    int roofs = 0;
    Digits more = 0;
    for (int i = 0; i < size; ++i) {
        if (step.cellDigits[static_cast<std::size_t>(i)] != step.digits) {
            more |= static_cast<Digits>(step.cellDigits[static_cast<std::size_t>(i)] & ~step.digits);
            roof[static_cast<std::size_t>(roofs++)] = i;
        }
    }
    if (roofs == 1) { // type 1
        return text + ", so " + cell(step, roof[0]) + " holds another digit";
    }
    const std::string roofCells = cell(step, roof[0]) + " or " + cell(step, roof[1]);
    if (step.houseCount == 0) { // type 2
        return text + ", so one of " +
               listOf(roofs, [&](int i) { return cell(step, roof[static_cast<std::size_t>(i)]); }) +
               ", which also hold " + digitList(more) + ", is " + digitList(more);
    }
    if (step.cellCount > size) { // type 3
        Digits subset = more;
        for (int i = size; i < step.cellCount; ++i) {
            subset |= step.cellDigits[static_cast<std::size_t>(i)];
        }
        return text + ", so " + roofCells + " holds " + orList(more) + ": with " +
               cellList(step, size, step.cellCount - size) + " they hold only " + digitList(subset) + " in " +
               house(step, 0);
    }
    // Type 4: the digit left is the one whose places in the house are the roofs.
    const auto kept = static_cast<Digits>(step.digits & ~bit(step.eliminations[0].digit));
    return text + ", and " + digitList(kept) + " in " + house(step, 0) + " is only in " + cell(step, roof[0]) +
           " and " + cell(step, roof[1]) + ", so neither holds " +
           std::string(1, static_cast<char>('0' + step.eliminations[0].digit));
}

std::string graveText(const Step& step)
{
    if (step.cellCount == 1) { // type 1
        return "every other empty cell holds two candidates, " + cell(step, 0) + " holds " +
               digitSet(step.cellDigits[0]) + " and " + digitList(step.digits) +
               (countOf(step.digits) == 1 ? " has" : " have") + " three places in its houses";
    }
    // The cells with more come first, then (type 3) the cells of the subset, which hold
    // two candidates like every other.
    int extras = 0;
    while (extras < step.cellCount && countOf(step.cellDigits[static_cast<std::size_t>(extras)]) > 2) {
        ++extras;
    }
    const std::string text =
        "every empty cell but " +
        listOf(extras,
               [&](int i) { return cell(step, i) + " " + digitSet(step.cellDigits[static_cast<std::size_t>(i)]); }) +
        " holds two candidates";
    if (step.houseCount == 0) { // type 2: each holds the same extra digit
        return text + ", and without " + digitList(step.digits) +
               " there each digit would have two places in every house, so one of them is " + digitList(step.digits);
    }
    if (step.cellCount == extras) { // type 4
        return text + ", and " + digitList(step.digits) + " has no other place in " + house(step, 0) +
               ": one of them is " + digitList(step.digits) + ", the other one of its extra digits";
    }
    // Type 3: one of them holds an extra digit, so with the subset they fill its digits.
    Digits subset = step.digits;
    for (int i = extras; i < step.cellCount; ++i) {
        subset |= step.cellDigits[static_cast<std::size_t>(i)];
    }
    return text + ", so one of them holds " + orList(step.digits) + ": with " +
           cellList(step, extras, step.cellCount - extras) + " they hold only " + digitList(subset) + " in " +
           house(step, 0);
}

} // namespace sudoku::logic::detail
