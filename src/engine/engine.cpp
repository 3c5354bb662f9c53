#include <sudoku/engine.h>

#include <bit>

namespace sudoku {
namespace {

// The board is kept per digit: for digit d (0 to 8) and band b (rows 3b to 3b + 2), a
// 27-bit mask of the cells of that band where d may still stand, cell (r, c) of the
// band at bit 9r + c. A placed digit keeps the bit of its own cell; every other digit
// loses it. Propagation works a band of one digit at a time with word operations.

constexpr std::uint32_t allCells = (1u << 27) - 1;
constexpr std::uint32_t rowOfNine = 0x1FF;
constexpr std::uint32_t columnInBand = 0x40201; // bits 0, 9 and 18: one column, three rows

constexpr int slot(int digit, int band) { return 3 * digit + band; }

struct Tables {
    // For the nine cells of one row: which of its three boxes still hold a cell (3 bits).
    std::uint8_t boxesOfRow[512];
    // For the 3 x 3 pattern of (row, box) pairs of a band that still hold a cell (bit
    // 3 * row + box): the pairs that take part in some assignment of one box to each
    // row, one row to each box. A digit stands once in each row and once in each box of
    // a band, so only those pairs can hold it; none at all means a contradiction.
    std::uint16_t matchable[512];
    // A set of (row, box) pairs spread to the 27-bit mask of their cells.
    std::uint32_t cellsOfPairs[512];
};

constexpr Tables makeTables()
{
    Tables t{};
    for (unsigned row = 0; row < 512; ++row) {
        t.boxesOfRow[row] = static_cast<std::uint8_t>(((row & 7) != 0 ? 1 : 0) | ((row & 070) != 0 ? 2 : 0) |
                                                      ((row & 0700) != 0 ? 4 : 0));
    }
    constexpr int permutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (unsigned pairs = 0; pairs < 512; ++pairs) {
        unsigned keep = 0;
        for (const auto& boxOf : permutations) {
            unsigned used = 0;
            for (int row = 0; row < 3; ++row) {
                used |= 1u << (3 * row + boxOf[row]);
            }
            if ((pairs & used) == used) {
                keep |= used;
            }
        }
        t.matchable[pairs] = static_cast<std::uint16_t>(keep);
        std::uint32_t cells = 0;
        for (unsigned pair = 0; pair < 9; ++pair) {
            if ((pairs >> pair & 1) != 0) {
                cells |= 7u << (9 * (pair / 3) + 3 * (pair % 3));
            }
        }
        t.cellsOfPairs[pairs] = cells;
    }
    return t;
}

constexpr Tables tables = makeTables();

struct State {
    std::uint32_t candidates[27]; // slot(digit, band)
    std::uint32_t processed[27];  // candidates as the last band update left them
    std::uint32_t unsolved[3];    // cells of each band that hold no placed digit yet
};

bool solved(const State& s)
{
    return (s.unsolved[0] | s.unsolved[1] | s.unsolved[2]) == 0;
}

// Leaves `cell` as the only place for `digit` in its row; the band update then places
// it. If the digit could no longer stand there, the row empties and the update fails.
void restrictToCell(State& s, int digit, int cell)
{
    const int band = cell / 27;
    const int bit = cell % 27;
    const std::uint32_t others = (rowOfNine << (9 * (bit / 9))) & ~(1u << bit);
    s.candidates[slot(digit, band)] &= ~others;
}

std::uint32_t rowIfSingle(std::uint32_t row)
{
    return (row & (row - 1)) == 0 ? row : 0;
}

// Applies the row and box rules to one digit in one band, places the digit where a
// row has a single cell left, and clears the placed cells from the other digits and
// their columns from the digit's other bands. False on a contradiction.
bool updateBand(State& s, int digit, int band)
{
    const int i = slot(digit, band);
    std::uint32_t m = s.candidates[i];
    const unsigned pairs = unsigned{tables.boxesOfRow[m & rowOfNine]} |
                           unsigned{tables.boxesOfRow[(m >> 9) & rowOfNine]} << 3 |
                           unsigned{tables.boxesOfRow[m >> 18]} << 6;
    m &= tables.cellsOfPairs[tables.matchable[pairs]];
    if (m == 0) {
        return false;
    }
    s.candidates[i] = m;
    s.processed[i] = m;

    const std::uint32_t singles =
        rowIfSingle(m & rowOfNine) | rowIfSingle((m >> 9) & rowOfNine) << 9 | rowIfSingle(m >> 18) << 18;
    const std::uint32_t fresh = singles & s.unsolved[band];
    if (fresh == 0) {
        return true;
    }
    s.unsolved[band] &= ~fresh;
    for (int other = 0; other < 9; ++other) {
        if (other != digit) {
            s.candidates[slot(other, band)] &= ~fresh;
        }
    }
    const std::uint32_t columns = ((fresh | fresh >> 9 | fresh >> 18) & rowOfNine) * columnInBand;
    for (int otherBand = 0; otherBand < 3; ++otherBand) {
        if (otherBand != band) {
            s.candidates[slot(digit, otherBand)] &= ~columns;
        }
    }
    return true;
}

// Cells holding one candidate (naked singles) become placements. Returns -1 on a
// contradiction (a cell with no candidate), else the number of singles found.
int applyNakedSingles(State& s)
{
    int found = 0;
    for (int band = 0; band < 3; ++band) {
        std::uint32_t one = 0;
        std::uint32_t two = 0;
        for (int digit = 0; digit < 9; ++digit) {
            const std::uint32_t x = s.candidates[slot(digit, band)];
            two |= one & x;
            one |= x;
        }
        const std::uint32_t open = s.unsolved[band];
        if ((open & ~one) != 0) {
            return -1;
        }
        const std::uint32_t singles = open & ~two;
        if (singles == 0) {
            continue;
        }
        for (int digit = 0; digit < 9; ++digit) {
            std::uint32_t mine = s.candidates[slot(digit, band)] & singles;
            while (mine != 0) {
                restrictToCell(s, digit, 27 * band + std::countr_zero(mine));
                mine &= mine - 1;
                ++found;
            }
        }
    }
    return found;
}

// The column rules for every digit: a digit stands once in each column, so a column
// open to it in one band only must take it there (the rest of that box in the band
// is cleared), and a box where it is confined to one column clears that column in the
// other bands. Returns -1 on a contradiction, else whether anything changed.
int applyColumnRules(State& s)
{
    constexpr std::uint32_t stack[3] = {0x7 * columnInBand, 0x38 * columnInBand, 0x1C0 * columnInBand};
    int changed = 0;
    for (int digit = 0; digit < 9; ++digit) {
        std::uint32_t* m = &s.candidates[slot(digit, 0)];
        std::uint32_t cols[3];
        for (int band = 0; band < 3; ++band) {
            cols[band] = (m[band] | m[band] >> 9 | m[band] >> 18) & rowOfNine;
        }
        if ((cols[0] | cols[1] | cols[2]) != rowOfNine) {
            return -1;
        }
        for (int band = 0; band < 3; ++band) {
            const std::uint32_t elsewhere = cols[(band + 1) % 3] | cols[(band + 2) % 3];
            std::uint32_t only = cols[band] & ~elsewhere;
            std::uint32_t clearOthers = 0;
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t inBox = cols[band] & (0x7u << (3 * k));
                const std::uint32_t forced = only & (0x7u << (3 * k));
                if (forced != 0) {
                    const std::uint32_t before = m[band];
                    m[band] &= ~(stack[k] & ~(forced * columnInBand));
                    changed |= before != m[band];
                }
                if ((inBox & (inBox - 1)) == 0) {
                    clearOthers |= inBox;
                }
            }
            if (clearOthers != 0) {
                const std::uint32_t mask = clearOthers * columnInBand;
                for (int other = 1; other < 3; ++other) {
                    std::uint32_t& x = m[(band + other) % 3];
                    const std::uint32_t before = x;
                    x &= ~mask;
                    changed |= before != x;
                }
            }
        }
    }
    return changed;
}

// Runs the band updates, naked singles and column rules until nothing changes. False on a
// contradiction.
bool propagate(State& s)
{
    for (;;) {
        bool changed = true;
        while (changed) {
            changed = false;
            for (int digit = 0; digit < 9; ++digit) {
                for (int band = 0; band < 3; ++band) {
                    if (s.candidates[slot(digit, band)] != s.processed[slot(digit, band)]) {
                        if (!updateBand(s, digit, band)) {
                            return false;
                        }
                        changed = true;
                    }
                }
            }
        }
        if (solved(s)) {
            return true;
        }
        const int singles = applyNakedSingles(s);
        if (singles < 0) {
            return false;
        }
        if (singles == 0) {
            const int columns = applyColumnRules(s);
            if (columns < 0) {
                return false;
            }
            if (columns == 0) {
                return true;
            }
        }
    }
}

bool loadGivens(State& s, const Cells& puzzle)
{
    for (int i = 0; i < 27; ++i) {
        s.candidates[i] = allCells;
        s.processed[i] = 0;
    }
    for (auto& open : s.unsolved) {
        open = allCells;
    }
    for (int cell = 0; cell < 81; ++cell) {
        if (puzzle[static_cast<std::size_t>(cell)] != 0) {
            restrictToCell(s, puzzle[static_cast<std::size_t>(cell)] - 1, cell);
        }
    }
    return propagate(s);
}

void extract(const State& s, Cells& out)
{
    for (int digit = 0; digit < 9; ++digit) {
        for (int band = 0; band < 3; ++band) {
            std::uint32_t cells = s.candidates[slot(digit, band)];
            while (cells != 0) {
                out[static_cast<std::size_t>(27 * band + std::countr_zero(cells))] =
                    static_cast<std::uint8_t>(digit + 1);
                cells &= cells - 1;
            }
        }
    }
}

std::uint32_t digitsOfCell(const State& s, int band, int bit)
{
    std::uint32_t digits = 0;
    for (int digit = 0; digit < 9; ++digit) {
        digits |= (s.candidates[slot(digit, band)] >> bit & 1u) << digit;
    }
    return digits;
}

// The cell to branch on when any cell will do: one with two candidates if there is
// one, else the first open cell. Returns its index.
int choosePivot(const State& s)
{
    int fallback = -1;
    for (int band = 0; band < 3; ++band) {
        std::uint32_t one = 0;
        std::uint32_t two = 0;
        std::uint32_t three = 0;
        for (int digit = 0; digit < 9; ++digit) {
            const std::uint32_t x = s.candidates[slot(digit, band)];
            three |= two & x;
            two |= one & x;
            one |= x;
        }
        const std::uint32_t pairs = s.unsolved[band] & two & ~three;
        if (pairs != 0) {
            return 27 * band + std::countr_zero(pairs);
        }
        if (fallback < 0 && s.unsolved[band] != 0) {
            fallback = 27 * band + std::countr_zero(s.unsolved[band]);
        }
    }
    return fallback;
}

struct Counter {
    std::uint64_t limit;
    std::uint64_t count = 0;
    Cells first{};
};

// Counts the solutions below a propagated state, branching wherever it is cheapest.
void countFrom(const State& s, Counter& counter)
{
    if (solved(s)) {
        if (counter.count == 0) {
            extract(s, counter.first);
        }
        ++counter.count;
        return;
    }
    const int cell = choosePivot(s);
    std::uint32_t digits = digitsOfCell(s, cell / 27, cell % 27);
    while (digits != 0) {
        State next = s;
        restrictToCell(next, std::countr_zero(digits), cell);
        digits &= digits - 1;
        if (propagate(next)) {
            countFrom(next, counter);
            if (counter.count >= counter.limit) {
                return;
            }
        }
    }
}

// Finds the smallest solution in row-major order: branches on the first open cell,
// digits ascending, so the first solution reached is the one the reference finds.
bool firstInOrder(const State& s, Cells& out)
{
    if (solved(s)) {
        extract(s, out);
        return true;
    }
    int cell = 0;
    for (int band = 0; band < 3; ++band) {
        if (s.unsolved[band] != 0) {
            cell = 27 * band + std::countr_zero(s.unsolved[band]);
            break;
        }
    }
    std::uint32_t digits = digitsOfCell(s, cell / 27, cell % 27);
    while (digits != 0) {
        State next = s;
        restrictToCell(next, std::countr_zero(digits), cell);
        digits &= digits - 1;
        if (propagate(next) && firstInOrder(next, out)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<Clash> findClash(const Cells& puzzle)
{
    // firstCell[unit][index][digit]: the first cell seen holding that digit there.
    int firstCell[3][9][10];
    for (auto& unit : firstCell) {
        for (auto& index : unit) {
            for (int& cell : index) {
                cell = -1;
            }
        }
    }
    for (int cell = 0; cell < 81; ++cell) {
        const int digit = puzzle[static_cast<std::size_t>(cell)];
        if (digit == 0 || digit > 9) {
            continue;
        }
        const int row = cell / 9;
        const int col = cell % 9;
        const int indices[3] = {row, col, row / 3 * 3 + col / 3};
        for (int unit = 0; unit < 3; ++unit) {
            int& first = firstCell[unit][indices[unit]][digit];
            if (first >= 0) {
                return Clash{digit, static_cast<Unit>(unit), indices[unit], first, cell};
            }
        }
        for (int unit = 0; unit < 3; ++unit) {
            firstCell[unit][indices[unit]][digit] = cell;
        }
    }
    return std::nullopt;
}

std::optional<int> findBadCell(const Cells& puzzle)
{
    for (int cell = 0; cell < 81; ++cell) {
        if (puzzle[static_cast<std::size_t>(cell)] > 9) {
            return cell;
        }
    }
    return std::nullopt;
}

namespace {

// A search from the givens: a cell that is not 0 to 9, their clash, or the solutions counted up to a limit and
// the state after the givens' propagation, for a second search to start from.
struct GivenSearch {
    Status status = Status::noSolution;
    Clash clash{};
    int badCell = -1;
    State start{};
    Counter counter;
};

GivenSearch countFromGivens(const Cells& puzzle, std::uint64_t limit)
{
    GivenSearch search{Status::noSolution, {}, -1, {}, Counter{limit == 0 ? 1 : limit}};
    if (const auto bad = findBadCell(puzzle)) {
        search.status = Status::badCell;
        search.badCell = *bad;
    } else if (const auto clash = findClash(puzzle)) {
        search.status = Status::invalid;
        search.clash = *clash;
    } else if (loadGivens(search.start, puzzle)) {
        countFrom(search.start, search.counter);
        search.status = search.counter.count > 0 ? Status::solved : Status::noSolution;
    }
    return search;
}

} // namespace

SolveResult solve(const Cells& puzzle)
{
    const GivenSearch search = countFromGivens(puzzle, 2);
    SolveResult result;
    result.status = search.status;
    result.clash = search.clash;
    result.badCell = search.badCell;
    result.solutionCount = static_cast<int>(search.counter.count);
    if (search.counter.count == 1) {
        result.solution = search.counter.first;
    } else if (search.counter.count > 1) {
        firstInOrder(search.start, result.solution);
    }
    return result;
}

CountResult countSolutions(const Cells& puzzle, std::uint64_t limit)
{
    const GivenSearch search = countFromGivens(puzzle, limit);
    CountResult result;
    result.status = search.status;
    result.clash = search.clash;
    result.badCell = search.badCell;
    result.count = search.counter.count;
    result.limitReached = search.counter.count >= search.counter.limit;
    return result;
}

} // namespace sudoku
