// The engine must give exactly the reference search's answer. These tests compare the
// two on puzzles made here from a fixed seed, and check counting and clash reports.

#include "engine/engine_variants.h"
#include "support/grid_literals.h"
#include "support/puzzle_generator.h"
#include <sudoku/engine.h>
#include <sudoku/reference.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using sudoku::Cells;
using sudoku::Status;

Cells builtInCells()
{
    return cellsFrom(builtInPuzzleLine);
}

// What the reference answers: solved with its grid, or no solution.
struct ReferenceAnswer {
    bool solved;
    std::string grid;
};

ReferenceAnswer referenceAnswer(const Cells& puzzle)
{
    sudoku::reference::Grid grid;
    for (std::size_t i = 0; i < 81; ++i) {
        grid[i / 9][i % 9] = puzzle[i];
    }
    const bool solved = sudoku::reference::solveSudoku(grid, 0, 0);
    std::string text;
    for (const auto& row : grid) {
        for (const int v : row) {
            text += static_cast<char>('0' + v);
        }
    }
    return {solved, text};
}

struct SearchCopy {
    sudoku::SolveResult (*solve)(const Cells&);
    sudoku::CountResult (*countSolutions)(const Cells&, std::uint64_t);
};

// Every copy of the search that this processor can run. solve() runs only one of
// them, so the answers of each are checked here.
std::vector<SearchCopy> searchCopies()
{
    std::vector<SearchCopy> copies{{sudoku::portable::solve, sudoku::portable::countSolutions}};
#ifdef SUDOKU_ENGINE_FASTBITS
    if (sudoku::fastBitsAvailable()) {
        copies.push_back({sudoku::fastbits::solve, sudoku::fastbits::countSolutions});
    }
#endif
    return copies;
}

// Reads solutionsUpToTwo under its deprecated old name, which must stay equal to it.
int oldSolutionCount(const sudoku::SolveResult& result)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return result.solutionCount;
#pragma GCC diagnostic pop
}

void expectSameAsReference(const Cells& puzzle)
{
    SCOPED_TRACE("puzzle " + textOf(puzzle));
    const ReferenceAnswer expected = referenceAnswer(puzzle);
    const sudoku::SolveResult public_ = sudoku::solve(puzzle);
    EXPECT_EQ(oldSolutionCount(public_), public_.solutionsUpToTwo);
    for (const SearchCopy& copy : searchCopies()) {
        const sudoku::SolveResult got = copy.solve(puzzle);
        EXPECT_EQ(got.solutionsUpToTwo, public_.solutionsUpToTwo);
        if (!expected.solved) {
            EXPECT_EQ(got.status, Status::noSolution);
            EXPECT_EQ(got.solutionsUpToTwo, 0);
            continue;
        }
        ASSERT_EQ(got.status, Status::solved);
        EXPECT_EQ(textOf(got.solution), expected.grid);
        EXPECT_EQ(static_cast<std::uint64_t>(got.solutionsUpToTwo), sudoku::countSolutions(puzzle, 2).count);
    }
    // Counts to 1 and 2 of each copy agree with solve(), whichever search they finish in.
    std::vector<SearchCopy> counts = searchCopies();
    counts.push_back({sudoku::solve, sudoku::countSolutions});
    for (const SearchCopy& copy : counts) {
        for (const std::uint64_t limit : {1u, 2u}) {
            const sudoku::CountResult counted = copy.countSolutions(puzzle, limit);
            const auto wanted = std::min<std::uint64_t>(limit, static_cast<std::uint64_t>(public_.solutionsUpToTwo));
            EXPECT_EQ(counted.count, wanted) << "limit " << limit;
            EXPECT_EQ(counted.limitReached, wanted == limit) << "limit " << limit;
            EXPECT_EQ(counted.status, wanted > 0 ? Status::solved : Status::noSolution) << "limit " << limit;
        }
    }
}

// Dense puzzles are mostly unique, sparse ones have many solutions. The densities are
// ones where the reference is quick: it finds a first solution fast when little is
// given, but can take minutes near 20 givens.
class EngineMatchesReference : public testing::TestWithParam<int> {};

TEST_P(EngineMatchesReference, OnRandomPuzzles)
{
    const int givens = GetParam();
    std::mt19937 rng(20261207u + static_cast<unsigned>(givens));
    for (int n = 0; n < 100; ++n) {
        expectSameAsReference(keepGivens(randomValidGrid(rng), givens, rng));
    }
}

INSTANTIATE_TEST_SUITE_P(Givens, EngineMatchesReference, testing::Values(4, 12, 27, 34, 45, 60, 75));

// One given replaced by another digit that clashes with nothing: such puzzles are
// often unsolvable, or have other solutions than the grid they came from. Proving a
// sparse puzzle unsolvable takes the reference long, so these are denser.
class EngineMatchesReferenceWithAWrongGiven : public testing::TestWithParam<int> {};

TEST_P(EngineMatchesReferenceWithAWrongGiven, OnRandomPuzzles)
{
    const int givens = GetParam();
    std::mt19937 rng(7u * static_cast<unsigned>(givens) + 1u);
    for (int n = 0; n < 100; ++n) {
        Cells puzzle = keepGivens(randomValidGrid(rng), givens, rng);
        for (int attempt = 0; attempt < 20; ++attempt) {
            const std::size_t cell = rng() % 81;
            if (puzzle[cell] == 0) {
                continue;
            }
            Cells changed = puzzle;
            changed[cell] = static_cast<std::uint8_t>(1 + rng() % 9);
            if (!sudoku::findClash(changed)) {
                puzzle = changed;
                break;
            }
        }
        expectSameAsReference(puzzle);
    }
}

INSTANTIATE_TEST_SUITE_P(Givens, EngineMatchesReferenceWithAWrongGiven, testing::Values(27, 34, 45, 60, 75));

// Minimal puzzles (no given can go without a second solution appearing), made by
// removing givens in random order while the count to 2 stays 1, need the most search,
// like the hardest collected puzzles. The unique solution of one is the grid it came
// from; with three more givens taken away it has several, and the reference's must come
// back.
TEST(Engine, SolvesMinimalPuzzlesAndTheirMultiSolutionNeighbours)
{
    std::mt19937 rng(1729u);
    for (int n = 0; n < 100; ++n) {
        const Cells grid = randomValidGrid(rng);
        std::mt19937 thinning(rng());
        Cells puzzle = grid;
        std::array<std::size_t, 81> order{};
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::shuffle(order.begin(), order.end(), thinning);
        for (const std::size_t cell : order) {
            Cells fewer = puzzle;
            fewer[cell] = 0;
            if (sudoku::countSolutions(fewer, 2).count == 1) {
                puzzle = fewer;
            }
        }
        SCOPED_TRACE("puzzle " + textOf(puzzle));
        for (const SearchCopy& copy : searchCopies()) {
            const sudoku::SolveResult got = copy.solve(puzzle);
            EXPECT_EQ(got.solutionsUpToTwo, 1);
            EXPECT_EQ(textOf(got.solution), textOf(grid));
        }
        const sudoku::CountResult first = sudoku::countSolutions(puzzle, 1);
        EXPECT_TRUE(first.count == 1 && first.limitReached);
        const sudoku::CountResult firstPortable = sudoku::portable::countSolutions(puzzle, 1);
        EXPECT_TRUE(firstPortable.count == 1 && firstPortable.limitReached);

        Cells open = puzzle;
        for (int removed = 0; removed < 3; ++removed) {
            std::size_t cell = thinning() % 81;
            while (open[cell] == 0) {
                cell = (cell + 1) % 81;
            }
            open[cell] = 0;
        }
        expectSameAsReference(open);
        EXPECT_EQ(sudoku::solve(open).solutionsUpToTwo, 2);
        EXPECT_EQ(sudoku::portable::countSolutions(open, 2).count, 2u);
    }
}

TEST(Engine, MatchesReferenceOnFixedPuzzles)
{
    for (const Cells& puzzle : {Cells{}, cellsFrom(emptyGridSolution), builtInCells(), cellsFrom(unsolvableLine)}) {
        expectSameAsReference(puzzle);
    }
}

// Below 17 givens solve() first searches in row-major order, which may meet two
// solutions, go through the whole tree, or run out of guesses after one solution or
// before any, when the counting search takes over. Random sparse puzzles nearly always
// take the first way; these found by a search over random ones take the others.
TEST(Engine, MatchesReferenceOnSparsePuzzlesWhicheverSearchFinishes)
{
    constexpr std::string_view sparse[] = {
        // Fourteen givens leave three cells of the first box, (0,0), (0,1) and (1,0),
        // only 8 and 9. The propagation does not see it; the whole tree shows no solution.
        "000123400000400123000000000500000000600000000700000000050000000060000000070000000",
        // The first solution comes early and the second late.
        "002030000907000085000000709006000000000000008000600500000300000000050000000100050",
        // The first solution comes late.
        "000000000000070009010430000000000000006020005000500000020090000001000000500000090",
    };
    for (const std::string_view line : sparse) {
        expectSameAsReference(cellsFrom(line));
    }
}

// Sparse puzzles whose contradiction the propagation cannot see: three digits that
// only two cells of a box can hold (in the middle band or the last, and one found by
// the fuzzer). Branching on the first open cell, the count would go through the ways
// to fill the rest of the grid before meeting it, for minutes or longer.
TEST(Engine, FindsHiddenContradictionsInSparsePuzzles)
{
    constexpr std::string_view unsolvable[] = {
        "000000000000000000000000000000001000000000986986000000000000000000000000000000000",
        "000000000000000000000000000000000000000000000000000000000001000000000986986000000",
        "000000000000000000005006000004001000000000986986000000000000000000000000000000000",
    };
    for (const std::string_view line : unsolvable) {
        const Cells puzzle = cellsFrom(line);
        SCOPED_TRACE("puzzle " + textOf(puzzle));
        for (const SearchCopy& copy : searchCopies()) {
            EXPECT_EQ(copy.solve(puzzle).status, Status::noSolution);
        }
        EXPECT_EQ(sudoku::countSolutions(puzzle, 2).count, 0u);
        EXPECT_EQ(sudoku::portable::countSolutions(puzzle, 2).count, 0u);
    }
}

// Counting tens of thousands of solutions goes past the branches after which the
// count, where no cell has two candidates, branches on the fewest alternatives: often
// the places of a digit in a row, column or box. The count must stay exact: it equals
// the sum of the counts with each digit filled into the first open cell.
TEST(Engine, CountsExactlyWhateverItBranchesOn)
{
    const Cells puzzle = cellsFrom("000000700000462100000000406801003040000200000000000302970000081600000000008007000");
    constexpr std::uint64_t limit = 1000000;
    const sudoku::CountResult whole = sudoku::countSolutions(puzzle, limit);
    ASSERT_FALSE(whole.limitReached);
    EXPECT_EQ(sudoku::portable::countSolutions(puzzle, limit).count, whole.count);
    const auto first = static_cast<std::size_t>(std::find(puzzle.begin(), puzzle.end(), 0) - puzzle.begin());
    std::uint64_t sum = 0;
    for (std::uint8_t digit = 1; digit <= 9; ++digit) {
        Cells filled = puzzle;
        filled[first] = digit;
        sum += sudoku::countSolutions(filled, limit).count;
    }
    EXPECT_EQ(whole.count, sum);
}

#ifdef SUDOKU_ENGINE_AVX512
// With AVX-512 the bit-instruction copy weighs its branches by what each removed
// candidate is worth: more where its cell has two candidates, or the digit has two or
// three places left in one of the cell's houses, all worked out in 64-byte registers.
// A mistake there changes no answer, only how much the search branches, so it is
// checked here against a count house by house, on random masks sparse to dense.
struct Masks {
    std::array<std::uint32_t, 27> candidates{}; // slot 3 * digit + band, cell (r, c) of the band at bit 9r + c
    std::array<std::uint32_t, 3> unsolved{};
    std::array<std::uint32_t, 3> pairs{};

    // Cell (row, col) of the band mask `m`.
    static bool at(std::uint32_t m, int row, int col) { return (m >> (9 * (row % 3) + col) & 1) != 0; }
    bool has(int digit, int row, int col) const
    {
        return at(candidates[static_cast<std::size_t>(3 * digit + row / 3)], row, col);
    }
    bool isOpen(int row, int col) const { return at(unsolved[static_cast<std::size_t>(row / 3)], row, col); }
    bool isPair(int row, int col) const { return at(pairs[static_cast<std::size_t>(row / 3)], row, col); }
};

// Random masks of density n % 5 (sparse to dense). The pairs are a random part of the
// open cells, or with `truePairs` the open cells that hold exactly two candidates.
Masks randomMasks(std::mt19937& rng, int n, bool truePairs)
{
    const double density = std::array{0.1, 0.2, 0.35, 0.6, 0.9}[static_cast<std::size_t>(n % 5)];
    std::bernoulli_distribution candidate(density);
    std::bernoulli_distribution open(0.85);
    std::bernoulli_distribution pair(0.3);
    Masks m;
    for (int bit = 0; bit < 27; ++bit) {
        for (std::uint32_t& mask : m.candidates) {
            mask |= static_cast<std::uint32_t>(candidate(rng)) << bit;
        }
        for (std::size_t band = 0; band < 3; ++band) {
            if (open(rng)) {
                m.unsolved[band] |= 1u << bit;
                m.pairs[band] |= static_cast<std::uint32_t>(pair(rng)) << bit;
            }
        }
    }
    if (truePairs) {
        for (int row = 0; row < 9; ++row) {
            for (int col = 0; col < 9; ++col) {
                int count = 0;
                for (int digit = 0; digit < 9; ++digit) {
                    count += static_cast<int>(m.has(digit, row, col));
                }
                const std::uint32_t bit = 1u << (9 * (row % 3) + col);
                std::uint32_t& pairs = m.pairs[static_cast<std::size_t>(row / 3)];
                pairs = count == 2 && m.isOpen(row, col) ? pairs | bit : pairs & ~bit;
            }
        }
    }
    return m;
}

// The weight of the digit's candidate at each cell (9 * row + col): 0 without one,
// else 1, once more in a pair cell, twice more where one of the cell's houses holds
// two open places of the digit, once more where one holds three.
std::array<int, 81> expectedWeights(const Masks& m, int digit)
{
    std::array<std::array<bool, 2>, 81> lastPlaces{};
    for (int house = 0; house < 27; ++house) {
        std::vector<int> places;
        for (int k = 0; k < 9; ++k) {
            const int row = house < 9 ? house : house < 18 ? k : 3 * ((house - 18) / 3) + k / 3;
            const int col = house < 9 ? k : house < 18 ? house - 9 : 3 * ((house - 18) % 3) + k % 3;
            if (m.has(digit, row, col) && m.isOpen(row, col)) {
                places.push_back(9 * row + col);
            }
        }
        for (const int cell : places) {
            if (places.size() == 2 || places.size() == 3) {
                lastPlaces[static_cast<std::size_t>(cell)][places.size() - 2] = true;
            }
        }
    }
    std::array<int, 81> weights{};
    for (int row = 0; row < 9; ++row) {
        for (int col = 0; col < 9; ++col) {
            if (m.has(digit, row, col)) {
                const auto& last = lastPlaces[static_cast<std::size_t>(9 * row + col)];
                weights[static_cast<std::size_t>(9 * row + col)] = 1 + static_cast<int>(m.isPair(row, col)) +
                                                                   2 * static_cast<int>(last[0]) +
                                                                   static_cast<int>(last[1]);
            }
        }
    }
    return weights;
}

TEST(Engine, VectorScoreWeighsEachCandidateByTheDigitsPlacesLeftInItsHouses)
{
    if (!sudoku::avx512Available()) {
        GTEST_SKIP() << "this processor lacks AVX-512 F, CD or VPOPCNTDQ";
    }
    std::mt19937 rng(20261208u);
    for (int n = 0; n < 2000; ++n) {
        const Masks m = randomMasks(rng, n, false);
        std::array<std::uint32_t, 81> expected{};
        for (int digit = 0; digit < 9; ++digit) {
            const std::array<int, 81> weights = expectedWeights(m, digit);
            for (int cell = 0; cell < 81; ++cell) {
                for (int k = 0; k < 3; ++k) {
                    expected[static_cast<std::size_t>(27 * k + 3 * digit + cell / 27)] |=
                        static_cast<std::uint32_t>(weights[static_cast<std::size_t>(cell)] >> k & 1) << (cell % 27);
                }
            }
        }
        ASSERT_EQ(sudoku::fastbits::cellWeights(m.candidates, m.unsolved, m.pairs), expected) << "state " << n;
    }
}

// The vector branch choice scores sixteen cells at a time; sparse masks have more
// pairs than that, dense ones fewer, and equal scores are common.
TEST(Engine, VectorScoreBranchesOnThePairCellWhoseAlternativesRemoveTheMostWeight)
{
    if (!sudoku::avx512Available()) {
        GTEST_SKIP() << "this processor lacks AVX-512 F, CD or VPOPCNTDQ";
    }
    std::mt19937 rng(20261209u);
    int tested = 0;
    for (int n = 0; tested < 2000; ++n) {
        const Masks m = randomMasks(rng, n, true);
        if ((m.pairs[0] | m.pairs[1] | m.pairs[2]) == 0) {
            continue;
        }
        ++tested;
        std::array<std::array<int, 81>, 9> weights{};
        for (int digit = 0; digit < 9; ++digit) {
            weights[static_cast<std::size_t>(digit)] = expectedWeights(m, digit);
        }
        const auto score = [&](int digit, int row, int col) {
            int sum = 0;
            for (int other = 0; other < 81; ++other) {
                const int r = other / 9;
                const int c = other % 9;
                const bool peer = r == row || c == col || (r / 3 == row / 3 && c / 3 == col / 3);
                if (peer && other != 9 * row + col) {
                    sum += weights[static_cast<std::size_t>(digit)][static_cast<std::size_t>(other)];
                }
            }
            return sum;
        };
        int expected = -1;
        int bestProduct = -1;
        for (int row = 0; row < 9; ++row) {
            for (int col = 0; col < 9; ++col) {
                if (!m.isPair(row, col)) {
                    continue;
                }
                int product = 1;
                for (int digit = 0; digit < 9; ++digit) {
                    product *= m.has(digit, row, col) ? score(digit, row, col) : 1;
                }
                if (product > bestProduct) {
                    bestProduct = product;
                    expected = 27 * (row / 3) + 9 * (row % 3) + col;
                }
            }
        }
        ASSERT_EQ(sudoku::fastbits::bestWeighedPairCell(m.candidates, m.unsolved, m.pairs), expected) << "state " << n;
    }
}
#endif

Cells twoSolutionPuzzle()
{
    return cellsFrom(twoSolutionLine);
}

struct CountCase {
    const char* name;
    Cells puzzle;
    std::uint64_t limit;
    std::uint64_t count;
    bool limitReached;
    friend void PrintTo(const CountCase& c, std::ostream* out) { *out << c.name; }
};

class CountSolutions : public testing::TestWithParam<CountCase> {};

TEST_P(CountSolutions, StopsAtTheLimit)
{
    const CountCase& c = GetParam();
    for (const auto countWith : {sudoku::countSolutions, sudoku::portable::countSolutions}) {
        const sudoku::CountResult got = countWith(c.puzzle, c.limit);
        EXPECT_EQ(got.count, c.count);
        EXPECT_EQ(got.limitReached, c.limitReached);
        EXPECT_EQ(got.status, c.count > 0 ? Status::solved : Status::noSolution);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CountSolutions,
                         testing::Values(CountCase{"EmptyGrid", Cells{}, 1000, 1000, true},
                                         CountCase{"UniquePuzzle", builtInCells(), 10, 1, false},
                                         CountCase{"UniquePuzzleAtLimitOne", builtInCells(), 1, 1, true},
                                         CountCase{"TwoSolutions", twoSolutionPuzzle(), 10, 2, false},
                                         CountCase{"TwoSolutionsAtLimitTwo", twoSolutionPuzzle(), 2, 2, true},
                                         CountCase{"NoSolution", cellsFrom(unsolvableLine), 5, 0, false}),
                         [](const testing::TestParamInfo<CountCase>& param) { return std::string(param.param.name); });

TEST(Engine, ReportsTwoOrMoreSolutionsAndTheReferenceChoice)
{
    const sudoku::SolveResult got = sudoku::solve(twoSolutionPuzzle());
    EXPECT_EQ(got.status, Status::solved);
    EXPECT_EQ(got.solutionsUpToTwo, 2);
    EXPECT_EQ(textOf(got.solution), emptyGridSolution);
    EXPECT_EQ(sudoku::solve(builtInCells()).solutionsUpToTwo, 1);
}

struct ClashCase {
    const char* name;
    std::size_t firstCell;
    std::size_t secondCell;
    sudoku::Unit unit;
    int index;
    const char* message; // as every program and the web page write it
    friend void PrintTo(const ClashCase& c, std::ostream* out) { *out << c.name; }
};

class FindClash : public testing::TestWithParam<ClashCase> {};

TEST_P(FindClash, ReportsDigitUnitAndCells)
{
    const ClashCase& c = GetParam();
    Cells puzzle{};
    puzzle[40] = 1; // an unrelated given in the centre
    puzzle[c.firstCell] = 7;
    puzzle[c.secondCell] = 7;
    const sudoku::SolveResult got = sudoku::solve(puzzle);
    ASSERT_EQ(got.status, Status::invalid);
    EXPECT_EQ(got.clash.digit, 7);
    EXPECT_EQ(got.clash.unit, c.unit);
    EXPECT_EQ(got.clash.index, c.index);
    EXPECT_EQ(got.clash.first, static_cast<int>(c.firstCell));
    EXPECT_EQ(got.clash.second, static_cast<int>(c.secondCell));
    EXPECT_EQ(sudoku::formatClash(got.clash), c.message);
    EXPECT_EQ(sudoku::countSolutions(puzzle, 2).status, Status::invalid);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindClash,
                         testing::Values(ClashCase{"Row", 9 * 8 + 1, 9 * 8 + 7, sudoku::Unit::row, 8,
                                                   "givens clash: 7 appears twice in row 9 (r9c2 and r9c8)"},
                                         ClashCase{"Column", 5, 9 * 6 + 5, sudoku::Unit::column, 5,
                                                   "givens clash: 7 appears twice in column 6 (r1c6 and r7c6)"},
                                         ClashCase{"Box", 9 * 3 + 6, 9 * 5 + 8, sudoku::Unit::box, 5,
                                                   "givens clash: 7 appears twice in box 6 (r4c7 and r6c9)"}),
                         [](const testing::TestParamInfo<ClashCase>& param) { return std::string(param.param.name); });

// A pencil mark that a placed peer rules out is told by its cell and the placed one's,
// the first in row-major order of the marked cell; marks that fit give "".
struct MarkClashCase {
    const char* name;
    std::vector<std::pair<int, int>> placed; // cell, digit
    std::vector<std::pair<int, int>> marked; // cell, marks
    const char* message;
    friend void PrintTo(const MarkClashCase& c, std::ostream* out) { *out << c.name; }
};

class FormatMarkClash : public testing::TestWithParam<MarkClashCase> {};

TEST_P(FormatMarkClash, NamesTheMarkAndThePlacedDigit)
{
    const MarkClashCase& c = GetParam();
    Cells values{};
    sudoku::Marks marks{};
    for (const auto& [cell, digit] : c.placed) {
        values[static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(digit);
    }
    for (const auto& [cell, bits] : c.marked) {
        marks[static_cast<std::size_t>(cell)] = static_cast<std::uint16_t>(bits);
    }
    EXPECT_EQ(sudoku::formatMarkClash(values, marks), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatMarkClash,
    testing::Values(
        MarkClashCase{"Row", {{6, 7}}, {{0, 0x1ff}}, "candidate 7 in r1c1 clashes with the 7 placed in r1c7"},
        MarkClashCase{"Column", {{76, 2}}, {{4, 0x002}}, "candidate 2 in r1c5 clashes with the 2 placed in r9c5"},
        MarkClashCase{"Box", {{20, 9}}, {{10, 0x100}}, "candidate 9 in r2c2 clashes with the 9 placed in r3c3"},
        MarkClashCase{"FirstMarkedCellFirst",
                      {{80, 5}, {0, 4}},
                      {{8, 0x018}, {72, 0x010}},
                      "candidate 4 in r1c9 clashes with the 4 placed in r1c1"},
        MarkClashCase{"MarksThatFit", {{0, 1}, {40, 5}}, {{1, 0x1fe}, {41, 0x1ef}, {80, 0x1ff}}, ""}),
    [](const testing::TestParamInfo<MarkClashCase>& param) { return std::string(param.param.name); });

// A value above 9 is not a cell value: every call reports it, none reads past a table.
class BadCell : public testing::TestWithParam<std::pair<int, std::uint8_t>> {};

TEST_P(BadCell, IsReportedByEveryCallAndIsNotAClash)
{
    const auto [cell, value] = GetParam();
    Cells puzzle = builtInCells();
    puzzle[static_cast<std::size_t>(cell)] = value;
    puzzle[80] = value; // a second bad cell later on: the first one is named
    const sudoku::SolveResult solved = sudoku::solve(puzzle);
    EXPECT_EQ(solved.status, Status::badCell);
    EXPECT_EQ(solved.badCell, cell);
    const sudoku::CountResult counted = sudoku::countSolutions(puzzle, 2);
    EXPECT_EQ(counted.status, Status::badCell);
    EXPECT_EQ(counted.badCell, cell);
    EXPECT_EQ(counted.count, 0u);
    EXPECT_FALSE(sudoku::findClash(puzzle)); // the same bad value twice is no clash
}

INSTANTIATE_TEST_SUITE_P(Values, BadCell,
                         testing::Values(std::pair{1, std::uint8_t{10}}, std::pair{44, std::uint8_t{200}},
                                         std::pair{79, std::uint8_t{255}}),
                         [](const testing::TestParamInfo<std::pair<int, std::uint8_t>>& param) {
                             return "Cell" + std::to_string(param.param.first) + "Holds" +
                                    std::to_string(param.param.second);
                         });

} // namespace
