// One candidate puzzle: a random full grid, then its givens taken away a symmetric group
// at a time while the solution stays unique.

#include "random.h"

#include <sudoku/engine.h>
#include <sudoku/generate.h>

#include <algorithm>
#include <array>

namespace sudoku {
namespace {

struct GroupTable {
    int count = 0;
    std::array<std::uint8_t, 81> size{};
    std::array<std::array<std::uint8_t, 4>, 81> cells{};
};

int imageOf(Symmetry symmetry, int cell)
{
    const int r = cell / 9;
    const int c = cell % 9;
    switch (symmetry) {
    case Symmetry::rotate180: return 80 - cell;
    case Symmetry::rotate90: return c * 9 + (8 - r);
    case Symmetry::mirror: return r * 9 + (8 - c);
    case Symmetry::diagonal: return c * 9 + r;
    case Symmetry::none: break;
    }
    return cell;
}

GroupTable makeTable(Symmetry symmetry)
{
    GroupTable table;
    std::array<bool, 81> seen{};
    for (int cell = 0; cell < 81; ++cell) {
        if (seen[static_cast<std::size_t>(cell)]) {
            continue;
        }
        auto& group = table.cells[static_cast<std::size_t>(table.count)];
        std::uint8_t size = 0;
        for (int at = cell; !seen[static_cast<std::size_t>(at)]; at = imageOf(symmetry, at)) {
            seen[static_cast<std::size_t>(at)] = true;
            group[size++] = static_cast<std::uint8_t>(at);
        }
        std::sort(group.begin(), group.begin() + size);
        table.size[static_cast<std::size_t>(table.count++)] = size;
    }
    return table;
}

const GroupTable& tableFor(Symmetry symmetry)
{
    static const std::array<GroupTable, 5> tables = {makeTable(Symmetry::none), makeTable(Symmetry::rotate180),
                                                     makeTable(Symmetry::rotate90), makeTable(Symmetry::mirror),
                                                     makeTable(Symmetry::diagonal)};
    return tables[static_cast<std::size_t>(symmetry)];
}

// Puts a random order of 0 to n - 1 in items[0] to items[n - 1].
void shuffleFirst(std::uint8_t* items, std::size_t n, Random& random)
{
    for (std::size_t i = 0; i < n; ++i) {
        items[i] = static_cast<std::uint8_t>(i);
    }
    for (std::size_t i = n; i > 1; --i) {
        std::swap(items[i - 1], items[random.below(static_cast<std::uint32_t>(i))]);
    }
}

// A random full grid. The three boxes on the diagonal share no row or column, so any
// filling of them is consistent and has a completion; the engine finds one. Its
// completion is the smallest in row-major order, so the digits are relabelled and rows,
// columns, bands and stacks shuffled (and the grid maybe transposed), moves that keep
// a grid valid, to leave no trace of that order.
Cells randomGrid(Random& random)
{
    SolveResult completed;
    do {
        Cells start{};
        std::array<std::uint8_t, 9> digits{};
        for (const int box : {0, 4, 8}) {
            shuffleFirst(digits.data(), 9, random);
            for (int k = 0; k < 9; ++k) {
                const int cell = (box / 3 * 3 + k / 3) * 9 + box % 3 * 3 + k % 3;
                start[static_cast<std::size_t>(cell)] =
                    static_cast<std::uint8_t>(digits[static_cast<std::size_t>(k)] + 1);
            }
        }
        completed = solve(start);
    } while (completed.status != Status::solved);

    std::array<std::uint8_t, 9> label{};
    shuffleFirst(label.data(), 9, random);
    std::array<int, 9> rowOf{};
    std::array<int, 9> columnOf{};
    for (auto* lines : {&rowOf, &columnOf}) {
        std::array<std::uint8_t, 3> blocks{};
        shuffleFirst(blocks.data(), 3, random);
        for (std::size_t b = 0; b < 3; ++b) {
            std::array<std::uint8_t, 3> within{};
            shuffleFirst(within.data(), 3, random);
            for (std::size_t k = 0; k < 3; ++k) {
                (*lines)[3 * b + k] = 3 * blocks[b] + within[k];
            }
        }
    }
    const bool transpose = random.below(2) == 1;
    Cells grid{};
    for (std::size_t r = 0; r < 9; ++r) {
        for (std::size_t c = 0; c < 9; ++c) {
            const int from = transpose ? columnOf[c] * 9 + rowOf[r] : rowOf[r] * 9 + columnOf[c];
            grid[r * 9 + c] =
                static_cast<std::uint8_t>(label[completed.solution[static_cast<std::size_t>(from)] - 1u] + 1);
        }
    }
    return grid;
}

// A set of cells, one bit each: cells 0 to 63 in `low`, 64 to 80 in `high`.
struct CellSet {
    std::uint64_t low = 0;
    std::uint64_t high = 0;

    void add(std::size_t cell) { (cell < 64 ? low : high) |= std::uint64_t{1} << (cell % 64); }
    void remove(std::size_t cell) { (cell < 64 ? low : high) &= ~(std::uint64_t{1} << (cell % 64)); }
    bool meets(const CellSet& other) const { return (low & other.low) != 0 || (high & other.high) != 0; }
};

// Sets of cells of a grid that every puzzle of it with one solution must have a given
// in: were all of a set's cells empty, another arrangement of its digits would solve the
// puzzle too. Those found here come from two rows of one band (or two columns of one
// stack): follow a digit of the first row down to the digit under it in the second, then
// that digit back up in the first row, and so on round the cycle; swapping the two
// rows' digits in the columns of the cycle keeps every row, column and box whole. Known
// sets let most "more than one solution" answers come without a search.
struct UnavoidableSets {
    std::array<CellSet, 72> sets; // 18 pairs of lines, at most 4 cycles each
    std::size_t count = 0;

    // True when the givens miss one of the sets, so the puzzle has other solutions.
    bool missedBy(const CellSet& givens) const
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (!sets[i].meets(givens)) {
                return true;
            }
        }
        return false;
    }
};

UnavoidableSets unavoidableSets(const Cells& grid)
{
    UnavoidableSets found;
    for (const bool rows : {true, false}) {
        for (std::size_t first = 0; first < 9; ++first) {
            for (std::size_t second = first + 1; second < first / 3 * 3 + 3; ++second) {
                const auto cell = [rows](std::size_t line, std::size_t k) {
                    return rows ? line * 9 + k : k * 9 + line;
                };
                std::array<std::size_t, 10> placeInFirst{};
                for (std::size_t k = 0; k < 9; ++k) {
                    placeInFirst[grid[cell(first, k)]] = k;
                }
                std::array<bool, 10> seen{};
                for (std::size_t digit = 1; digit <= 9; ++digit) {
                    CellSet cycle;
                    for (std::size_t d = digit; !seen[d]; d = grid[cell(second, placeInFirst[d])]) {
                        seen[d] = true;
                        cycle.add(cell(first, placeInFirst[d]));
                        cycle.add(cell(second, placeInFirst[d]));
                    }
                    if (cycle.low != 0 || cycle.high != 0) {
                        found.sets[found.count++] = cycle;
                    }
                }
            }
        }
    }
    return found;
}

bool unique(const Cells& puzzle)
{
    return countSolutions(puzzle, 2).count == 1;
}

} // namespace

std::vector<std::vector<int>> symmetryGroups(Symmetry symmetry)
{
    const GroupTable& table = tableFor(symmetry);
    std::vector<std::vector<int>> groups;
    for (std::size_t g = 0; g < static_cast<std::size_t>(table.count); ++g) {
        groups.emplace_back(table.cells[g].begin(), table.cells[g].begin() + table.size[g]);
    }
    return groups;
}

bool symmetryAllows(Symmetry symmetry, int givens)
{
    // Counts of givens reachable from sums of group sizes: a small subset-sum.
    const GroupTable& table = tableFor(symmetry);
    std::array<bool, 82> reachable{};
    reachable[0] = true;
    for (std::size_t g = 0; g < static_cast<std::size_t>(table.count); ++g) {
        for (std::size_t sum = 81; sum >= table.size[g]; --sum) {
            reachable[sum] = reachable[sum] || reachable[sum - table.size[g]];
        }
    }
    return givens >= 0 && givens <= 81 && reachable[static_cast<std::size_t>(givens)];
}

std::optional<Generated> makeCandidate(std::uint64_t seed, std::uint64_t index, const CandidateOptions& options)
{
    Random random(seed, index);
    Generated made;
    made.index = index;
    made.solution = randomGrid(random);
    made.puzzle = made.solution;
    made.givens = 81;

    const GroupTable& table = tableFor(options.symmetry);
    const auto groups = static_cast<std::size_t>(table.count);
    std::array<std::uint8_t, 81> order{};
    shuffleFirst(order.data(), groups, random);
    const UnavoidableSets unavoidable = unavoidableSets(made.solution);
    CellSet givens;
    for (std::size_t cell = 0; cell < 81; ++cell) {
        givens.add(cell);
    }

    // Taking a group away can only add solutions, never remove one; so when a run of
    // groups can go together, each of them could have gone on its own, one after the
    // other. Runs grow while they succeed and shrink when they fail, which gives exactly
    // the puzzle that trying the groups one at a time gives, with fewer checks.
    std::size_t next = 0;
    std::size_t run = 1;
    while (next < groups) {
        const std::size_t take = std::min(run, groups - next);
        const Cells before = made.puzzle;
        CellSet left = givens;
        int taken = 0;
        for (std::size_t i = next; i < next + take; ++i) {
            const std::size_t g = order[i];
            for (std::size_t k = 0; k < table.size[g]; ++k) {
                made.puzzle[table.cells[g][k]] = 0;
                left.remove(table.cells[g][k]);
            }
            taken += table.size[g];
        }
        if (!unavoidable.missedBy(left) && unique(made.puzzle)) {
            givens = left;
            next += take;
            made.givens -= taken;
            run *= 2;
            if (made.givens < options.minGivens) {
                return std::nullopt;
            }
            continue;
        }
        made.puzzle = before;
        if (take > 1) {
            run = take / 2;
            continue;
        }
        if (!options.minimal) {
            break;
        }
        ++next; // this group stays
    }
    if (made.givens > options.maxGivens) {
        return std::nullopt;
    }
    return made;
}

} // namespace sudoku
