#pragma once

// The search itself, compiled once per instruction set: engine.cpp includes it for
// plain x86-64 (or any other processor), engine_fastbits.cpp again with the bit
// instructions (popcnt, bmi, bmi2) that most x86-64 processors have, and engine.cpp
// picks the variant at run time. SUDOKU_ENGINE_VARIANT names the namespace of each
// copy; everything but its solve() and countSolutions() stays private to the file.

#include "guess_count.h"

#include <sudoku/engine.h>

#include <array>
#include <bit>
#include <cstring>

#ifdef __BMI2__
#include <immintrin.h>
#endif

#ifdef SUDOKU_ENGINE_COUNT_GUESSES
#define SUDOKU_COUNT_GUESS() (++engineGuessTally)
#else
#define SUDOKU_COUNT_GUESS() ((void)0)
#endif

namespace sudoku::SUDOKU_ENGINE_VARIANT {
namespace {

// The board is kept per digit: for digit d (0 to 8) and band b (rows 3b to 3b + 2), a
// 27-bit mask of the cells of that band where d may still stand, cell (r, c) of the
// band at bit 9r + c. A placed digit keeps the bit of its own cell; every other digit
// loses it. All reasoning is word operations on these masks.
//
// Propagation works a digit at a time, on the digits whose masks changed: the row and
// box rule in its bands and the column and box rule in its stacks, to a fixpoint, then
// placements of rows left with one cell; cells left with one candidate are placed when
// no digit has changes left. The search branches on the two-candidate cell whose
// weaker alternative removes the most candidates, and reuses its state for the last
// alternative. The answer for several solutions (the smallest in row-major order) is
// built from the solutions the count found, see smallestBelow(), or on sparse puzzles
// found first by a search in row-major order, see solve().

constexpr std::uint32_t allCells = (1u << 27) - 1;
constexpr std::uint32_t rowOfNine = 0x1FF;
constexpr std::uint32_t columnInBand = 0x40201; // bits 0, 9 and 18: one column, three rows

constexpr int slot(int digit, int band)
{
    return 3 * digit + band;
}

struct Tables {
    // For the nine cells of one row: which of its three boxes still hold a cell (3 bits).
    std::uint8_t boxesOfRow[512];
    // For a 3 x 3 pattern of (line, box) pairs that still hold a cell (bit 3 * line +
    // box): the pairs that take part in some assignment of one box to each line, one
    // line to each box. A digit stands once in each row and once in each box of a band,
    // and once in each column and box of a stack, so only those pairs can hold it;
    // none at all means a contradiction.
    std::uint16_t matchable[512];
    // A set of (row, box) pairs of a band spread to the 27-bit mask of their cells.
    std::uint32_t cellsOfPairs[512];
    // cellsOfPairs[matchable[pairs]]: one lookup for the row and box rule.
    std::uint32_t cellsOfMatchable[512];
    // Three bits, one per row of a band, spread to the 27-bit mask of those rows.
    std::uint32_t rowsOfBand[8];
    // Three bits, one per box of a band, spread to the 27-bit mask of those boxes.
    std::uint32_t boxesOfBand[8];
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
            for (int line = 0; line < 3; ++line) {
                used |= 1u << (3 * line + boxOf[line]);
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
    for (unsigned pairs = 0; pairs < 512; ++pairs) {
        t.cellsOfMatchable[pairs] = t.cellsOfPairs[t.matchable[pairs]];
    }
    for (unsigned three = 0; three < 8; ++three) {
        for (unsigned k = 0; k < 3; ++k) {
            if ((three >> k & 1) != 0) {
                t.rowsOfBand[three] |= rowOfNine << (9 * k);
                t.boxesOfBand[three] |= (7u * columnInBand) << (3 * k);
            }
        }
    }
    return t;
}

constexpr Tables tables = makeTables();

struct State {
    std::uint32_t candidates[27]; // slot(digit, band)
    std::uint32_t unsolved[3];    // cells of each band that hold no placed digit yet
    std::uint32_t dirty;          // bit slot(digit, band): candidates changed since the digit's last update
};

bool solved(const State& s)
{
    return (s.unsolved[0] | s.unsolved[1] | s.unsolved[2]) == 0;
}

// For each cell of a band (bit 0 to 26): the other cells of its row and box in the
// band, and its column.
struct CellPeers {
    std::uint32_t peers[27];
    std::uint8_t column[27];
};

constexpr CellPeers makeCellPeers()
{
    CellPeers t{};
    for (unsigned bit = 0; bit < 27; ++bit) {
        const unsigned col = bit % 9;
        t.peers[bit] = ((rowOfNine << (bit - col)) | ((7u * columnInBand) << (col / 3 * 3))) & ~(1u << bit);
        t.column[bit] = static_cast<std::uint8_t>(col);
    }
    return t;
}

constexpr CellPeers cellPeers = makeCellPeers();
constexpr int nextBand[3] = {1, 2, 0};
constexpr int previousBand[3] = {2, 0, 1};

// Places `digit` at `cell` for the digit's own masks; the digit's update then places
// it. If the digit could no longer stand there, the row empties and the update fails.
// With the bit instructions its other cells in the row, box and column leave at once,
// which the update would find by its rules only in further rounds (a tenth faster on
// the hardest puzzles); the plain copy measured slower that way, so it only leaves the
// cell alone in its row.
void restrictToCell(State& s, int digit, int cell)
{
    const int band = cell / 27;
    const int bit = cell % 27;
#ifdef __BMI2__
    const std::uint32_t column = columnInBand << (bit % 9);
    std::uint32_t* const m = &s.candidates[slot(digit, 0)];
    m[band] &= ~cellPeers.peers[bit];
    m[nextBand[band]] &= ~column;
    m[previousBand[band]] &= ~column;
    s.dirty |= 7u << slot(digit, 0);
#else
    const std::uint32_t others = (rowOfNine << (9 * (bit / 9))) & ~(1u << bit);
    s.candidates[slot(digit, band)] &= ~others;
    s.dirty |= 1u << slot(digit, band);
#endif
}

// The row and box rule on one band of one digit: the cells of the (row, box) pairs
// that some assignment of the band's rows to its boxes uses. With bmi2, pext gathers
// the nine pairs in one step: bit 3k of `any` is set when cells 3k to 3k + 2 (one row
// of one box) hold a candidate.
std::uint32_t rowBoxRule(std::uint32_t m)
{
#ifdef __BMI2__
    constexpr std::uint32_t firstOfEachThree = 0x1249249; // bits 0, 3, 6, ..., 24
    const std::uint32_t any = m | m >> 1 | m >> 2;
    return m & tables.cellsOfMatchable[_pext_u32(any, firstOfEachThree)];
#else
    const unsigned pairs = unsigned{tables.boxesOfRow[m & rowOfNine]} |
                           unsigned{tables.boxesOfRow[(m >> 9) & rowOfNine]} << 3 |
                           unsigned{tables.boxesOfRow[m >> 18]} << 6;
    return m & tables.cellsOfMatchable[pairs];
#endif
}

// The columns of a band mask that hold a cell (9 bits).
std::uint32_t columnsOf(std::uint32_t m)
{
    return (m | m >> 9 | m >> 18) & rowOfNine;
}

std::uint32_t rowIfSingle(std::uint32_t row)
{
    return (row & (row - 1)) == 0 ? row : 0;
}

// Cells of a band mask that are alone in their row.
std::uint32_t rowSingles(std::uint32_t m)
{
    return rowIfSingle(m & rowOfNine) | rowIfSingle((m >> 9) & rowOfNine) << 9 | rowIfSingle(m >> 18) << 18;
}

// All that one digit's own masks tell: the row and box rule in each band and the same
// rule on (column, box) pairs in each stack, until neither removes more. A row left
// with one cell places the digit there: the cell is cleared from the other digits.
// False on a contradiction.
bool updateDigit(State& s, int digit)
{
    std::uint32_t* const m = &s.candidates[slot(digit, 0)];
    std::uint32_t band[3] = {m[0], m[1], m[2]};
    s.dirty &= ~(7u << slot(digit, 0));
    for (;;) {
        // Every band, changed or not: testing which changed costs more than the rule.
        band[0] = rowBoxRule(band[0]);
        band[1] = rowBoxRule(band[1]);
        band[2] = rowBoxRule(band[2]);
        const std::uint32_t cols[3] = {columnsOf(band[0]), columnsOf(band[1]), columnsOf(band[2])};
        std::uint32_t keep[3];
#ifdef __BMI2__
        // The three bands' columns side by side, bit 9 * band + column; pext takes out
        // one stack's (column, box) pairs and pdep puts back those that stay.
        const std::uint32_t all = cols[0] | cols[1] << 9 | cols[2] << 18;
        constexpr std::uint32_t firstStack = 7u * columnInBand;
        const unsigned allowed[3] = {tables.matchable[_pext_u32(all, firstStack)],
                                     tables.matchable[_pext_u32(all, firstStack << 3)],
                                     tables.matchable[_pext_u32(all, firstStack << 6)]};
        if (allowed[0] == 0 || allowed[1] == 0 || allowed[2] == 0) {
            return false;
        }
        const std::uint32_t kept = _pdep_u32(allowed[0], firstStack) | _pdep_u32(allowed[1], firstStack << 3) |
                                   _pdep_u32(allowed[2], firstStack << 6);
        if ((all & ~kept) == 0) {
            break;
        }
        keep[0] = kept & rowOfNine;
        keep[1] = kept >> 9 & rowOfNine;
        keep[2] = kept >> 18;
#else
        keep[0] = keep[1] = keep[2] = 0;
        for (int stack = 0; stack < 3; ++stack) {
            const int shift = 3 * stack;
            const unsigned pairs = (cols[0] >> shift & 7) | (cols[1] >> shift & 7) << 3 | (cols[2] >> shift & 7) << 6;
            const unsigned allowed = tables.matchable[pairs];
            if (allowed == 0) {
                return false;
            }
            keep[0] |= (allowed & 7) << shift;
            keep[1] |= (allowed >> 3 & 7) << shift;
            keep[2] |= (allowed >> 6) << shift;
        }
        if (((cols[0] & ~keep[0]) | (cols[1] & ~keep[1]) | (cols[2] & ~keep[2])) == 0) {
            break;
        }
#endif
        band[0] &= keep[0] * columnInBand;
        band[1] &= keep[1] * columnInBand;
        band[2] &= keep[2] * columnInBand;
    }
    m[0] = band[0];
    m[1] = band[1];
    m[2] = band[2];
    const std::uint32_t placed[3] = {rowSingles(band[0]) & s.unsolved[0], rowSingles(band[1]) & s.unsolved[1],
                                     rowSingles(band[2]) & s.unsolved[2]};
    // About two updates in five place nothing: one test for all three bands.
    if ((placed[0] | placed[1] | placed[2]) == 0) {
        return true;
    }
    for (int b = 0; b < 3; ++b) {
        const std::uint32_t fresh = placed[b];
        if (fresh == 0) {
            continue;
        }
        s.unsolved[b] &= ~fresh;
        std::uint32_t touched = 0;
        std::uint32_t any = 0;
        for (int other = 0; other < 9; ++other) {
            std::uint32_t& x = s.candidates[slot(other, b)];
            touched |= static_cast<std::uint32_t>((x & fresh) != 0) << slot(other, b);
            any |= x;
            x &= ~fresh;
        }
        m[b] = band[b];
        // An open cell of the band left without candidates (by this update's rules or
        // an earlier one) means a contradiction. The loop above reads every digit of
        // the band anyway, so the test costs an or per digit, and it ends a failed
        // branch before the digit updates still to come; the naked singles would see
        // the empty cell only after all of them. (`any` is taken before the placed
        // cells leave the other digits; they are no longer open, so the test is the
        // same, and the or does not wait for the clearing.)
        if ((s.unsolved[b] & ~any) != 0) [[unlikely]] {
            return false;
        }
        s.dirty |= touched & ~(1u << slot(digit, b));
    }
    return true;
}

// Cells holding one candidate (naked singles) become placements. Returns -1 on a
// contradiction (a cell with no candidate, or one digit left alone in two cells of a
// row), else the number of singles found.
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
        found = 1;
        for (int digit = 0; digit < 9; ++digit) {
            std::uint32_t& x = s.candidates[slot(digit, band)];
            const std::uint32_t mine = x & singles;
            if (mine == 0) {
                continue;
            }
            for (int row = 0; row < 3; ++row) {
                const std::uint32_t inRow = mine & (rowOfNine << (9 * row));
                if (inRow != 0) {
                    if ((inRow & (inRow - 1)) != 0) {
                        return -1;
                    }
                    x &= ~(rowOfNine << (9 * row)) | inRow;
                    s.dirty |= 1u << slot(digit, band);
                }
            }
        }
    }
    return found;
}

// Runs the digit updates and naked singles until nothing changes. False on a
// contradiction.
bool propagate(State& s)
{
    for (;;) {
        while (s.dirty != 0) {
            if (!updateDigit(s, std::countr_zero(s.dirty) / 3)) {
                return false;
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
            return true;
        }
    }
}

enum class Load { ready, clash, contradiction };

// Sets up the masks for the givens, all at once: each digit is barred from the rows,
// columns and boxes of its own givens and from the cells of the other digits' givens,
// and with `marks` from the empty cells whose marks lack it; then propagates. Cells
// must hold 0 to 9. Reports clashing givens without saying where: findClash() does that.
Load loadGivens(State& s, const Cells& puzzle, const Marks* marks)
{
    // The cells holding a digit, eight at a time: the top bit of each byte of `nonzero`
    // is set for a byte above 0, and the multiplication gathers those eight bits.
    std::uint64_t given[2] = {0, 0};
    for (std::size_t at = 0; at < 80; at += 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, puzzle.data() + at, sizeof bytes);
        constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
        const std::uint64_t nonzero = (((bytes & low7) + low7) | bytes) & ~low7;
        const std::uint64_t eight = ((nonzero >> 7) * 0x0102040810204080u) >> 56;
        given[at / 64] |= eight << (at % 64);
    }
    given[1] |= std::uint64_t{puzzle[80] != 0 ? 1u : 0u} << 16;
    const std::uint32_t anyGiven[3] = {static_cast<std::uint32_t>(given[0]) & allCells,
                                       static_cast<std::uint32_t>(given[0] >> 27) & allCells,
                                       static_cast<std::uint32_t>(given[0] >> 54 | given[1] << 10) & allCells};
    std::uint32_t givenCells[9][3] = {};
    unsigned rows[9] = {};
    unsigned cols[9] = {};
    unsigned boxes[9] = {};
    unsigned clash = 0;
    for (int band = 0; band < 3; ++band) {
        for (std::uint32_t left = anyGiven[band]; left != 0; left &= left - 1) {
            const int bit = std::countr_zero(left);
            const int digit = puzzle[static_cast<std::size_t>(27 * band + bit)] - 1;
            const int row = 3 * band + bit / 9;
            const int col = bit % 9;
            const int box = 3 * band + col / 3;
            clash |= (rows[digit] >> row | cols[digit] >> col | boxes[digit] >> box) & 1;
            givenCells[digit][band] |= 1u << bit;
            rows[digit] |= 1u << row;
            cols[digit] |= 1u << col;
            boxes[digit] |= 1u << box;
        }
    }
    if (clash != 0) {
        return Load::clash;
    }
    for (int band = 0; band < 3; ++band) {
        s.unsolved[band] = allCells & ~anyGiven[band];
    }
    s.dirty = (1u << 27) - 1;
    for (int digit = 0; digit < 9; ++digit) {
        const std::uint32_t colMask = cols[digit] * columnInBand;
        for (int band = 0; band < 3; ++band) {
            const std::uint32_t barred = tables.rowsOfBand[rows[digit] >> (3 * band) & 7] | colMask |
                                         tables.boxesOfBand[boxes[digit] >> (3 * band) & 7] | anyGiven[band];
            s.candidates[slot(digit, band)] = (allCells & ~barred) | givenCells[digit][band];
        }
    }
    if (marks != nullptr) {
        for (int cell = 0; cell < 81; ++cell) {
            const auto i = static_cast<std::size_t>(cell);
            for (int digit = 0; digit < 9 && puzzle[i] == 0; ++digit) {
                if (((*marks)[i] >> digit & 1) == 0) {
                    s.candidates[slot(digit, cell / 27)] &= ~(1u << (cell % 27));
                }
            }
        }
    }
    return propagate(s) ? Load::ready : Load::contradiction;
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

// Number of set bits. Without the popcnt instruction, by word operations: the
// library's call for it would cost more.
int bitCount(std::uint64_t x)
{
#ifdef __POPCNT__
    return std::popcount(x);
#else
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((x * 0x0101010101010101u) >> 56);
#endif
}

#if defined(__BMI2__) && defined(SUDOKU_ENGINE_AVX512)
// Where the processor has AVX-512 with its conflict-detection and population-count
// parts, this copy chooses its branches in vector registers, by a finer score: each
// candidate a placement removes weighs 1, once more in a two-candidate cell, twice more
// when it was one of its digit's last two places in a row, box or column (a hidden
// single follows) and once more when one of its last three. On the hardest puzzles the
// search is 15 % smaller than by the plain score. One digit at a time those places
// cost more than the smaller search saves; here the 27 masks sit in two registers of 16
// lanes, one slot each, the weights come out with no loop or branch, and the pair cells
// are scored sixteen at a time, for less than the plain score costs in scalar code.
// Only these functions are compiled for AVX-512: the whole copy compiled so ran a few
// percent slower.

// GCC 12's own AVX-512 header reads a deliberately undefined register in the masked
// operations, and warns where they are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The cells of a band's columns: each lane's 9-bit column mask repeated in its 3 rows.
__attribute__((target("avx512f"))) inline __m512i spreadColumns(__m512i columns)
{
    return _mm512_ternarylogic_epi32(columns, _mm512_slli_epi32(columns, 9), _mm512_slli_epi32(columns, 18), 0xFE);
}

// What removing each candidate is worth to a branch score, for every slot (digit,
// band) of `candidates` (masks by slot, as in State): 1, once more when its cell is one
// of `pairs` (open two-candidate cells, per band: the cell is then left a single),
// twice more when the cell is one of the digit's last two open places in a row, box or
// column (the digit is then left a single place there), and once more when it is one
// of the last three. The weights, 0 to 5, come out as bit planes: bit k of the weight
// of each cell of slot i in lane i of plane[k][0], or for i >= 16 lane i - 16 of
// plane[k][1].
__attribute__((target("avx512f,avx512vpopcntdq"))) inline void weighCells(const std::uint32_t* candidates,
                                                                          const std::uint32_t* unsolved,
                                                                          const std::uint32_t* pairs,
                                                                          __m512i (&plane)[3][2])
{
    const __m512i bandOfSlot[2] = {_mm512_setr_epi32(0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0),
                                   _mm512_setr_epi32(1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 0, 0, 0, 0)};
    // The same digit's slot in the next band and in the band before, as indices into
    // both registers (16 and up: the second).
    const __m512i nextSlot[2] = {_mm512_setr_epi32(1, 2, 0, 4, 5, 3, 7, 8, 6, 10, 11, 9, 13, 14, 12, 16),
                                 _mm512_setr_epi32(17, 15, 19, 20, 18, 22, 23, 21, 25, 26, 24, 0, 0, 0, 0, 0)};
    const __m512i lastSlot[2] = {_mm512_setr_epi32(2, 0, 1, 5, 3, 4, 8, 6, 7, 11, 9, 10, 14, 12, 13, 17),
                                 _mm512_setr_epi32(15, 16, 20, 18, 19, 23, 21, 22, 26, 24, 25, 0, 0, 0, 0, 0)};
    constexpr __mmask16 lanes[2] = {0xFFFF, 0x07FF};
    const __m512i open3 = _mm512_maskz_loadu_epi32(0x7, unsolved);
    const __m512i pairs3 = _mm512_maskz_loadu_epi32(0x7, pairs);
    const __m512i row = _mm512_set1_epi32(static_cast<int>(rowOfNine));
    // Per slot and column of the band: a place in one row at least, in two, in all three.
    __m512i candidate[2];
    __m512i open[2];
    __m512i one[2];
    __m512i two[2];
    __m512i three[2];
    for (int v = 0; v < 2; ++v) {
        candidate[v] = _mm512_maskz_loadu_epi32(lanes[v], candidates + 16 * v);
        open[v] = _mm512_and_si512(candidate[v], _mm512_permutexvar_epi32(bandOfSlot[v], open3));
        const __m512i r0 = _mm512_and_si512(open[v], row);
        const __m512i r1 = _mm512_and_si512(_mm512_srli_epi32(open[v], 9), row);
        const __m512i r2 = _mm512_srli_epi32(open[v], 18);
        one[v] = _mm512_ternarylogic_epi32(r0, r1, r2, 0xFE);   // a | b | c
        two[v] = _mm512_ternarylogic_epi32(r0, r1, r2, 0xE8);   // at least two of a, b, c
        three[v] = _mm512_ternarylogic_epi32(r0, r1, r2, 0x80); // a & b & c
    }
    const __m512i twoPlaces = _mm512_set1_epi32(2);
    const __m512i threePlaces = _mm512_set1_epi32(3);
    for (int v = 0; v < 2; ++v) {
        __m512i lastTwo = _mm512_setzero_si512();
        __m512i lastThree = _mm512_setzero_si512();
        for (int k = 0; k < 3; ++k) {
            for (const std::uint32_t house : {rowOfNine << 9 * k, (7u * columnInBand) << 3 * k}) {
                const __m512i places = _mm512_and_si512(open[v], _mm512_set1_epi32(static_cast<int>(house)));
                const __m512i count = _mm512_popcnt_epi32(places);
                lastTwo = _mm512_mask_or_epi32(lastTwo, _mm512_cmpeq_epi32_mask(count, twoPlaces), lastTwo, places);
                lastThree =
                    _mm512_mask_or_epi32(lastThree, _mm512_cmpeq_epi32_mask(count, threePlaces), lastThree, places);
            }
        }
        // A column's places over the three bands, by this band's count (one, two or
        // three exactly) and the other two bands' together (none, one or two exactly).
        const __m512i oneNext = _mm512_permutex2var_epi32(one[0], nextSlot[v], one[1]);
        const __m512i oneLast = _mm512_permutex2var_epi32(one[0], lastSlot[v], one[1]);
        const __m512i twoNext = _mm512_permutex2var_epi32(two[0], nextSlot[v], two[1]);
        const __m512i twoLast = _mm512_permutex2var_epi32(two[0], lastSlot[v], two[1]);
        const __m512i onlyOneNext = _mm512_andnot_si512(twoNext, oneNext);
        const __m512i onlyOneLast = _mm512_andnot_si512(twoLast, oneLast);
        const __m512i onlyTwoNext =
            _mm512_andnot_si512(_mm512_permutex2var_epi32(three[0], nextSlot[v], three[1]), twoNext);
        const __m512i onlyTwoLast =
            _mm512_andnot_si512(_mm512_permutex2var_epi32(three[0], lastSlot[v], three[1]), twoLast);
        const __m512i noneElsewhere = _mm512_ternarylogic_epi32(oneNext, oneLast, oneLast, 0x03); // ~(a | b)
        const __m512i oneElsewhere =
            _mm512_or_si512(_mm512_andnot_si512(oneLast, onlyOneNext), _mm512_andnot_si512(oneNext, onlyOneLast));
        const __m512i twoElsewhere = _mm512_ternarylogic_epi32(_mm512_andnot_si512(oneLast, onlyTwoNext),
                                                               _mm512_andnot_si512(oneNext, onlyTwoLast),
                                                               _mm512_and_si512(onlyOneNext, onlyOneLast), 0xFE);
        const __m512i onlyOneHere = _mm512_andnot_si512(two[v], one[v]);
        const __m512i onlyTwoHere = _mm512_andnot_si512(three[v], two[v]);
        const __m512i twoColumns =
            _mm512_or_si512(_mm512_and_si512(onlyTwoHere, noneElsewhere), _mm512_and_si512(onlyOneHere, oneElsewhere));
        const __m512i threeColumns = _mm512_ternarylogic_epi32(_mm512_and_si512(three[v], noneElsewhere),
                                                               _mm512_and_si512(onlyTwoHere, oneElsewhere),
                                                               _mm512_and_si512(onlyOneHere, twoElsewhere), 0xFE);
        lastTwo = _mm512_ternarylogic_epi32(lastTwo, open[v], spreadColumns(twoColumns), 0xF8); // a | (b & c)
        lastThree = _mm512_ternarylogic_epi32(lastThree, open[v], spreadColumns(threeColumns), 0xF8);
        // The weight 1 + pair + last three + 2 * last two, added bit by bit.
        const __m512i pair = _mm512_and_si512(candidate[v], _mm512_permutexvar_epi32(bandOfSlot[v], pairs3));
        const __m512i carry = _mm512_ternarylogic_epi32(candidate[v], pair, lastThree, 0xE8); // at least two
        plane[0][v] = _mm512_ternarylogic_epi32(candidate[v], pair, lastThree, 0x96);         // a ^ b ^ c
        plane[1][v] = _mm512_xor_si512(carry, lastTwo);
        plane[2][v] = _mm512_and_si512(carry, lastTwo);
    }
}

// weighCells(), with bit k of the weights of slot i at out[27 * k + i].
__attribute__((target("avx512f,avx512vpopcntdq"))) void cellWeights(const std::uint32_t* candidates,
                                                                    const std::uint32_t* unsolved,
                                                                    const std::uint32_t* pairs, std::uint32_t* out)
{
    __m512i plane[3][2];
    weighCells(candidates, unsolved, pairs, plane);
    for (int k = 0; k < 3; ++k) {
        _mm512_storeu_si512(out + 27 * k, plane[k][0]);
        _mm512_mask_storeu_epi32(out + 27 * k + 16, 0x07FF, plane[k][1]);
    }
}

// The cell of `pairs` (open cells with two candidates, per band; at least one) whose
// two alternatives score the largest product, the first in row-major order among
// equals, as 27 * band + bit. An alternative, its digit at the cell, scores the
// weights (from weighCells()) of the candidates it removes from the cell's peers.
// Sixteen cells at a time, one per lane: their digits, then for each digit and weight
// plane the peers in the cell's band and its column in the other two bands.
__attribute__((target("avx512f,avx512cd,avx512vpopcntdq"))) int
bestWeighedPairCell(const std::uint32_t* candidates, const std::uint32_t* unsolved, const std::uint32_t* pairs)
{
    const __m512i candidate[2] = {_mm512_loadu_si512(candidates), _mm512_maskz_loadu_epi32(0x07FF, candidates + 16)};
    __m512i plane[3][2];
    weighCells(candidates, unsolved, pairs, plane);
    // The pair cells as indices 27 * band + bit, in row-major order: each band's two
    // halves packed in turn, every store past the ones before.
    std::int32_t cells[16 * 7];
    int count = 0;
    const __m512i index = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int band = 0; band < 3; ++band) {
        for (int half = 0; half < 2; ++half) {
            const auto chosen = static_cast<__mmask16>(pairs[band] >> 16 * half);
            _mm512_storeu_si512(
                cells + count,
                _mm512_maskz_compress_epi32(chosen, _mm512_add_epi32(index, _mm512_set1_epi32(27 * band + 16 * half))));
            count += std::popcount(static_cast<unsigned>(chosen));
        }
    }
    const __m512i peersOfBit[2] = {_mm512_loadu_si512(cellPeers.peers),
                                   _mm512_maskz_loadu_epi32(0x07FF, cellPeers.peers + 16)};
    const __m512i columnOfBit[2] = {_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6),
                                    _mm512_setr_epi32(7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0)};
    const __m512i column = _mm512_set1_epi32(static_cast<int>(columnInBand));
    const __m512i one = _mm512_set1_epi32(1);
    const __m512i two = _mm512_set1_epi32(2);
    const __m512i three = _mm512_set1_epi32(3);
    int best = -1;
    int bestScore = -1;
    for (int first = 0; first < count; first += 16) {
        const auto used = static_cast<__mmask16>(count - first >= 16 ? 0xFFFF : (1u << (count - first)) - 1);
        const __m512i cell = _mm512_maskz_loadu_epi32(used, cells + first);
        // Each lane's band, the next band and the last, its bit in the band, the bit's
        // column and its peers in the band.
        const __m512i band =
            _mm512_add_epi32(_mm512_maskz_mov_epi32(_mm512_cmpge_epi32_mask(cell, _mm512_set1_epi32(27)), one),
                             _mm512_maskz_mov_epi32(_mm512_cmpge_epi32_mask(cell, _mm512_set1_epi32(54)), one));
        const __m512i bands[3] = {band,
                                  _mm512_mask_mov_epi32(_mm512_add_epi32(band, one), _mm512_cmpeq_epi32_mask(band, two),
                                                        _mm512_setzero_si512()),
                                  _mm512_mask_mov_epi32(_mm512_sub_epi32(band, one),
                                                        _mm512_cmpeq_epi32_mask(band, _mm512_setzero_si512()), two)};
        const __m512i bits = _mm512_sub_epi32(cell, _mm512_mullo_epi32(band, _mm512_set1_epi32(27)));
        const __m512i columns = _mm512_permutex2var_epi32(columnOfBit[0], bits, columnOfBit[1]);
        const __m512i peers = _mm512_permutex2var_epi32(peersOfBit[0], bits, peersOfBit[1]);
        // Bit d of `digits`: digit d is a candidate of the lane's cell.
        const __m512i cellBit = _mm512_sllv_epi32(one, bits);
        __m512i digits = _mm512_setzero_si512();
        for (int digit = 0; digit < 9; ++digit) {
            const __m512i slots = _mm512_add_epi32(bands[0], _mm512_set1_epi32(3 * digit));
            const __mmask16 has =
                _mm512_test_epi32_mask(_mm512_permutex2var_epi32(candidate[0], slots, candidate[1]), cellBit);
            digits = _mm512_mask_or_epi32(digits, has, digits, _mm512_set1_epi32(1 << digit));
        }
        const __m512i lowest = _mm512_sub_epi32(
            _mm512_set1_epi32(31),
            _mm512_lzcnt_epi32(_mm512_and_si512(digits, _mm512_sub_epi32(_mm512_setzero_si512(), digits))));
        const __m512i highest = _mm512_sub_epi32(_mm512_set1_epi32(31), _mm512_lzcnt_epi32(digits));
        __m512i product = _mm512_set1_epi32(1);
        for (const __m512i digit : {lowest, highest}) {
            const __m512i slot0 = _mm512_mullo_epi32(digit, three);
            const __m512i here = _mm512_add_epi32(slot0, bands[0]);
            const __m512i next = _mm512_add_epi32(slot0, bands[1]);
            const __m512i last = _mm512_add_epi32(slot0, bands[2]);
            __m512i score = _mm512_setzero_si512();
            for (int k = 2; k >= 0; --k) {
                const __m512i inBand =
                    _mm512_and_si512(_mm512_permutex2var_epi32(plane[k][0], here, plane[k][1]), peers);
                const __m512i below = _mm512_and_si512(
                    _mm512_srlv_epi32(_mm512_permutex2var_epi32(plane[k][0], next, plane[k][1]), columns), column);
                const __m512i above = _mm512_and_si512(
                    _mm512_srlv_epi32(_mm512_permutex2var_epi32(plane[k][0], last, plane[k][1]), columns), column);
                const __m512i inColumn = _mm512_or_si512(below, _mm512_slli_epi32(above, 1));
                score = _mm512_add_epi32(_mm512_slli_epi32(score, 1),
                                         _mm512_add_epi32(_mm512_popcnt_epi32(inBand), _mm512_popcnt_epi32(inColumn)));
            }
            product = _mm512_mullo_epi32(product, score);
        }
        const int most = _mm512_mask_reduce_max_epi32(used, product);
        if (most > bestScore) {
            bestScore = most;
            best = cells[first + std::countr_zero(static_cast<unsigned>(
                                     _mm512_mask_cmpeq_epi32_mask(used, product, _mm512_set1_epi32(most))))];
        }
    }
    return best;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// The best pair cell by the weighed score, where the processor can run it; else -1,
// and the plain score decides.
int weighedPairCell(const State& s, const std::uint32_t* pairs)
{
    static const bool available = avx512Available();
    return available ? bestWeighedPairCell(s.candidates, s.unsolved, pairs) : -1;
}
#else
int weighedPairCell(const State&, const std::uint32_t*)
{
    return -1;
}
#endif

// How much placing `digit` at the cell (band, bit) decides: the candidates it removes
// from the cell's peers (the other cells of its row and box in its band, of its column
// in the other bands), and once more those of them in two-candidate cells (`pairs`,
// per band), which then become singles.
int placementScore(const State& s, const std::uint32_t* pairs, int digit, int band, int bit)
{
    const std::uint32_t* m = &s.candidates[slot(digit, 0)];
    const int col = cellPeers.column[bit];
    const int next = nextBand[band];
    const int last = previousBand[band];
    const std::uint64_t here = m[band] & cellPeers.peers[bit];
    const std::uint64_t column = (m[next] >> col & columnInBand) | (m[last] >> col & columnInBand) << 1;
    const std::uint64_t columnPairs =
        ((m[next] & pairs[next]) >> col & columnInBand) | ((m[last] & pairs[last]) >> col & columnInBand) << 1;
    return bitCount(here | column << 32) + 2 * bitCount((here & pairs[band]) | columnPairs << 32);
}

// The first open cell in row-major order, of a state that is not solved.
int firstOpenCell(const State& s)
{
    for (int band = 0;; ++band) {
        if (s.unsolved[band] != 0) {
            return 27 * band + std::countr_zero(s.unsolved[band]);
        }
    }
}

// A branch: placements (digit, cell) of which exactly one holds in every solution
// below the state, so the search tries each in turn.
struct Branch {
    int size = 0;
    std::uint8_t digit[9];
    std::uint8_t cell[9];

    void add(int d, int c)
    {
        digit[size] = static_cast<std::uint8_t>(d);
        cell[size] = static_cast<std::uint8_t>(c);
        ++size;
    }
};

Branch cellBranch(const State& s, int cell)
{
    Branch branch;
    for (std::uint32_t digits = digitsOfCell(s, cell / 27, cell % 27); digits != 0; digits &= digits - 1) {
        branch.add(std::countr_zero(digits), cell);
    }
    return branch;
}

// Per band, which cells hold exactly `count` candidates, from the bit planes of the
// candidate counts (plane k holds bit k of each cell's count).
std::uint32_t cellsWithCount(const std::uint32_t* planes, int count)
{
    std::uint32_t cells = allCells;
    for (int k = 0; k < 4; ++k) {
        cells &= (count >> k & 1) != 0 ? planes[k] : ~planes[k];
    }
    return cells;
}

// The branch with the fewest alternatives when no cell has two candidates: a digit
// with the fewest places left in one of its rows, columns or boxes, or a cell with
// the fewest candidates, if either has fewer than the first open cell; else that
// cell. Choosing this way, as an exact cover search does, meets a contradiction that
// the propagation cannot see (three digits that only two cells of a box can hold,
// say) within a few branches, instead of after going through every way to fill the
// rest of a sparse grid.
Branch fewestAlternatives(const State& s)
{
    const int first = firstOpenCell(s);
    int fewest = bitCount(digitsOfCell(s, first / 27, first % 27));
    int fewestCell = first;
    int fewestDigit = -1;
    std::uint32_t places[3] = {0, 0, 0};
    auto consider = [&](int count, int digit, std::uint32_t p0, std::uint32_t p1, std::uint32_t p2) {
        if (count >= 2 && count < fewest) {
            fewest = count;
            fewestDigit = digit;
            places[0] = p0;
            places[1] = p1;
            places[2] = p2;
        }
    };
    constexpr std::uint32_t firstBox = 7u * columnInBand;
    for (int digit = 0; digit < 9 && fewest > 2; ++digit) {
        const std::uint32_t* m = &s.candidates[slot(digit, 0)];
        for (int k = 0; k < 3; ++k) {
            for (int band = 0; band < 3; ++band) {
                const std::uint32_t row = m[band] & rowOfNine << 9 * k;
                const std::uint32_t box = m[band] & firstBox << 3 * k;
                consider(bitCount(row), digit, band == 0 ? row : 0, band == 1 ? row : 0, band == 2 ? row : 0);
                consider(bitCount(box), digit, band == 0 ? box : 0, band == 1 ? box : 0, band == 2 ? box : 0);
            }
        }
        for (int col = 0; col < 9; ++col) {
            const std::uint32_t column = columnInBand << col;
            const std::uint32_t p0 = m[0] & column;
            const std::uint32_t p1 = m[1] & column;
            const std::uint32_t p2 = m[2] & column;
            consider(bitCount(p0 | p1 << 1 | p2 << 2), digit, p0, p1, p2);
        }
    }
    // The candidate count of each cell as four bit planes, added up digit by digit.
    for (int band = 0; band < 3 && fewest > 3; ++band) {
        std::uint32_t planes[4] = {0, 0, 0, 0};
        for (int digit = 0; digit < 9; ++digit) {
            std::uint32_t carry = s.candidates[slot(digit, band)];
            for (std::uint32_t& plane : planes) {
                const std::uint32_t sum = plane ^ carry;
                carry &= plane;
                plane = sum;
            }
        }
        for (int count = 3; count < fewest; ++count) {
            const std::uint32_t cells = s.unsolved[band] & cellsWithCount(planes, count);
            if (cells != 0) {
                fewest = count;
                fewestDigit = -1;
                fewestCell = 27 * band + std::countr_zero(cells);
                break;
            }
        }
    }
    if (fewestDigit < 0) {
        return cellBranch(s, fewestCell);
    }
    Branch branch;
    for (int band = 0; band < 3; ++band) {
        for (std::uint32_t left = places[band]; left != 0; left &= left - 1) {
            branch.add(fewestDigit, 27 * band + std::countr_zero(left));
        }
    }
    return branch;
}

// Where no cell has two candidates, a digit with two places left in a row, column or
// box is a branch of two alternatives too: the first such digit, in its first row,
// box or column. Scoring them all, as the cells are, costs more than it saves. False
// when there is none.
bool linkBranch(const State& s, Branch& branch)
{
    constexpr std::uint32_t firstBox = 7u * columnInBand;
    for (int digit = 0; digit < 9; ++digit) {
        const std::uint32_t* m = &s.candidates[slot(digit, 0)];
        const std::uint32_t open[3] = {m[0] & s.unsolved[0], m[1] & s.unsolved[1], m[2] & s.unsolved[2]};
        // Bit 3 * band + k: row k of the band holds two places; bit 9 + 3 * band + k the
        // same for box k; bit 18 + c for column c.
        std::uint32_t twice = 0;
        for (int band = 0; band < 3; ++band) {
            for (int k = 0; k < 3; ++k) {
                twice |= static_cast<std::uint32_t>(bitCount(open[band] & rowOfNine << 9 * k) == 2) << (3 * band + k);
                twice |= static_cast<std::uint32_t>(bitCount(open[band] & firstBox << 3 * k) == 2)
                         << (9 + 3 * band + k);
            }
        }
        // The columns, by adding up their nine rows' bits at once, up to three.
        std::uint32_t one = 0;
        std::uint32_t two = 0;
        std::uint32_t three = 0;
        for (int row = 0; row < 9; ++row) {
            const std::uint32_t x = open[row / 3] >> 9 * (row % 3) & rowOfNine;
            three |= two & x;
            two |= one & x;
            one |= x;
        }
        twice |= (two & ~three) << 18;
        if (twice == 0) {
            continue;
        }
        const int house = std::countr_zero(twice);
        std::uint32_t places[3] = {0, 0, 0};
        if (house < 9) {
            places[house / 3] = open[house / 3] & rowOfNine << 9 * (house % 3);
        } else if (house < 18) {
            places[(house - 9) / 3] = open[(house - 9) / 3] & firstBox << 3 * (house % 3);
        } else {
            const std::uint32_t column = columnInBand << (house - 18);
            places[0] = open[0] & column;
            places[1] = open[1] & column;
            places[2] = open[2] & column;
        }
        for (int band = 0; band < 3; ++band) {
            for (std::uint32_t left = places[band]; left != 0; left &= left - 1) {
                branch.add(digit, 27 * band + std::countr_zero(left));
            }
        }
        return true;
    }
    return false;
}

// The open cells of a band with exactly two candidates, as band bits: counts each
// cell's candidates to "at least one, two, three" across the nine digits at once.
std::uint32_t pairCells(const State& s, int band)
{
    std::uint32_t one = 0;
    std::uint32_t two = 0;
    std::uint32_t three = 0;
    for (int digit = 0; digit < 9; ++digit) {
        const std::uint32_t x = s.candidates[slot(digit, band)];
        three |= two & x;
        two |= one & x;
        one |= x;
    }
    return s.unsolved[band] & two & ~three;
}

// The cell with two candidates whose two alternatives decide most, by the product of
// their scores, so both branches decide much; -1 when there is none.
int bestPairCell(const State& s, const std::uint32_t* pairs)
{
    int best = -1;
    int bestScore = -1;
    for (int band = 0; band < 3; ++band) {
        for (std::uint32_t left = pairs[band]; left != 0; left &= left - 1) {
            const int bit = std::countr_zero(left);
            const std::uint32_t digits = digitsOfCell(s, band, bit);
            const int first = placementScore(s, pairs, std::countr_zero(digits), band, bit);
            const int second = placementScore(s, pairs, 31 - std::countl_zero(digits), band, bit);
            const int score = first * second;
            if (score > bestScore) {
                bestScore = score;
                best = 27 * band + bit;
            }
        }
    }
    return best;
}

// What to branch on: the best cell with two candidates. With none, a digit's two
// places in a house; with none either, the first open cell, or once `fewest` is set,
// the fewest alternatives anywhere.
Branch chooseBranch(const State& s, bool fewest)
{
    std::uint32_t pairs[3];
    for (int band = 0; band < 3; ++band) {
        pairs[band] = pairCells(s, band);
    }
    int best = -1;
    if ((pairs[0] | pairs[1] | pairs[2]) != 0) {
        best = weighedPairCell(s, pairs);
        if (best < 0) {
            best = bestPairCell(s, pairs);
        }
    }
    if (best >= 0) {
        return cellBranch(s, best);
    }
    if (Branch link; linkBranch(s, link)) {
        return link;
    }
    return fewest ? fewestAlternatives(s) : cellBranch(s, firstOpenCell(s));
}

struct Counter {
    std::uint64_t limit;
    bool keepSmallest = false; // compare every solution found, not only keep the first
    std::uint64_t count = 0;
    Cells smallest{};           // the first solution found, or the smallest in row-major order
    std::uint64_t branches = 0; // branch nodes met so far
};

// Branches after which a count that has not finished, branching where no cell has
// two candidates, takes the fewest alternatives instead of the first open cell. A
// search that long is likely stuck below a contradiction the propagation cannot see;
// in ordinary puzzles, the first open cell finds solutions sooner and costs nothing to
// choose.
constexpr std::uint64_t quickSearchBranches = 256;

// Counts the solutions below a propagated state, branching wherever it is cheapest.
// The state is used up: the last alternative of each branch reuses it.
void countFrom(State& s, Counter& counter)
{
    if (solved(s)) {
        if (counter.count == 0) {
            extract(s, counter.smallest);
        } else if (counter.keepSmallest) {
            Cells other;
            extract(s, other);
            if (other < counter.smallest) {
                counter.smallest = other;
            }
        }
        ++counter.count;
        return;
    }
    const Branch branch = chooseBranch(s, ++counter.branches > quickSearchBranches);
    for (int k = 0;; ++k) {
        if (k + 1 == branch.size) {
            restrictToCell(s, branch.digit[k], branch.cell[k]);
            if (propagate(s)) {
                countFrom(s, counter);
            }
            return;
        }
        State next = s;
        restrictToCell(next, branch.digit[k], branch.cell[k]);
        if (propagate(next)) {
            countFrom(next, counter);
            if (counter.count >= counter.limit) {
                return;
            }
        }
        SUDOKU_COUNT_GUESS();
    }
}

// A search in row-major order: it branches on the first open cell, digits ascending,
// so solutions arrive in row-major order and the first one is the smallest. It stops
// once it has found `wanted` solutions or has used up its budget of guesses. For a
// count it may branch on cells with two candidates first (pairsFirst).
struct OrderedSearch {
    int wanted;
    int budget; // alternatives it may still try after the first at a branch
    int found = 0;
    Cells smallest{};
    // Branch on the first cell with two candidates, where there is one: a count needs
    // no order, and such a branch decides more. Solutions then come in no set order.
    bool pairsFirst = false;
};

// The first open cell in row-major order with two candidates, else the first open
// cell, of a state that is not solved.
int firstPairCell(const State& s)
{
    for (int band = 0; band < 3; ++band) {
        const std::uint32_t p = pairCells(s, band);
        if (p != 0) {
            return 27 * band + std::countr_zero(p);
        }
    }
    return firstOpenCell(s);
}

// Runs `search` below a propagated state, which it uses up. True when the search
// stopped early, on reaching `wanted` or its budget; false when it went through the
// whole subtree.
bool searchInOrder(State& s, OrderedSearch& search)
{
    if (solved(s)) {
        if (search.found == 0) {
            extract(s, search.smallest);
        }
        return ++search.found >= search.wanted;
    }
    const int cell = search.pairsFirst ? firstPairCell(s) : firstOpenCell(s);
    std::uint32_t digits = digitsOfCell(s, cell / 27, cell % 27);
    for (;;) {
        const int digit = std::countr_zero(digits);
        digits &= digits - 1;
        if (digits == 0) {
            restrictToCell(s, digit, cell);
            return propagate(s) && searchInOrder(s, search);
        }
        State next = s;
        restrictToCell(next, digit, cell);
        if (propagate(next) && searchInOrder(next, search)) {
            return true;
        }
        SUDOKU_COUNT_GUESS();
        if (--search.budget < 0) {
            return true;
        }
    }
}

// Guesses a row-major search may make before the counting search, which branches
// where it decides most, takes over. Most subtrees of a puzzle with many solutions
// have one near their left edge; a few have none, and exhausting those in row-major
// order is what would cost.
constexpr int orderedSearchBudget = 10;

// A full grid as masks: for each digit and band, the cells that hold the digit, and
// those that hold a larger one.
struct GridMasks {
    std::uint32_t exact[27];
    std::uint32_t above[27];

    explicit GridMasks(const Cells& grid) : exact{}, above{}
    {
        for (int cell = 0; cell < 81; ++cell) {
            exact[slot(grid[static_cast<std::size_t>(cell)] - 1, cell / 27)] |= 1u << (cell % 27);
        }
        for (int band = 0; band < 3; ++band) {
            std::uint32_t larger = 0;
            for (int digit = 8; digit >= 0; --digit) {
                above[slot(digit, band)] = larger;
                larger |= exact[slot(digit, band)];
            }
        }
    }
};

// Turns `best`, a solution below the propagated state `s`, into the smallest one in
// row-major order, which is what the reference search finds. The smallest solution
// agrees with best up to the first open cell that has a candidate below best's digit,
// so the open cells before it take best's digits at once. At that cell each smaller
// digit is tried in ascending order: the row-major search below it, if it ends within
// its budget, either finds the answer (every smaller digit having failed) or shows that
// the digit has no solution. If it gives up, the counting search, which branches where
// it decides most, settles whether the digit has a solution: if so, that solution is
// smaller than best and replaces it; if no smaller digit has one, the cell takes best's.
void smallestBelow(State& s, Cells& best)
{
    GridMasks masks(best);
    for (;;) {
        int cell = -1;
        for (int band = 0; band < 3 && cell < 0; ++band) {
            std::uint32_t smaller = 0;
            for (int digit = 0; digit < 9; ++digit) {
                smaller |= s.candidates[slot(digit, band)] & masks.above[slot(digit, band)];
            }
            smaller &= s.unsolved[band];
            if (smaller != 0) {
                cell = 27 * band + std::countr_zero(smaller);
            }
        }
        if (cell < 0) {
            return; // every open cell can only take best's digit
        }
        // The open cells before `cell` take best's digits: the other digits leave them.
        for (int band = 0; band <= cell / 27; ++band) {
            const std::uint32_t before = band < cell / 27 ? allCells : (1u << (cell % 27)) - 1;
            const std::uint32_t fixed = s.unsolved[band] & before;
            if (fixed == 0) {
                continue;
            }
            for (int digit = 0; digit < 9; ++digit) {
                std::uint32_t& x = s.candidates[slot(digit, band)];
                const std::uint32_t gone = x & fixed & ~masks.exact[slot(digit, band)];
                x &= ~gone;
                s.dirty |= static_cast<std::uint32_t>(gone != 0) << slot(digit, band);
            }
        }
        propagate(s); // best completes it, so no contradiction
        const int bestDigit = best[static_cast<std::size_t>(cell)] - 1;
        std::uint32_t smaller = digitsOfCell(s, cell / 27, cell % 27) & ((1u << bestDigit) - 1);
        bool improved = false;
        for (; smaller != 0 && !improved; smaller &= smaller - 1) {
            State next = s;
            restrictToCell(next, std::countr_zero(smaller), cell);
            if (propagate(next)) {
                OrderedSearch ordered{1, orderedSearchBudget};
                State work = next;
                searchInOrder(work, ordered);
                if (ordered.found > 0) {
                    best = ordered.smallest;
                    return;
                }
                if (ordered.budget < 0) {
                    Counter probe{1};
                    work = next;
                    countFrom(work, probe);
                    if (probe.count != 0) {
                        best = probe.smallest;
                        masks = GridMasks(best);
                        s = next;
                        improved = true;
                    }
                }
            }
            SUDOKU_COUNT_GUESS();
        }
        if (!improved) {
            restrictToCell(s, bestDigit, cell);
            propagate(s);
        }
    }
}

// The givens loaded: a cell that is not 0 to 9, their clash, a contradiction the
// propagation found, or (ready) the propagated state every search starts from.
struct LoadedPuzzle {
    Status status = Status::noSolution;
    Clash clash{};
    int badCell = -1;
    bool ready = false;
    State start{};
};

LoadedPuzzle loadPuzzle(const Cells& puzzle, const Marks* marks)
{
    LoadedPuzzle loaded;
    if (const auto bad = findBadCell(puzzle)) {
        loaded.status = Status::badCell;
        loaded.badCell = *bad;
        return loaded;
    }
    const Load load = loadGivens(loaded.start, puzzle, marks);
    if (load == Load::clash) {
        loaded.status = Status::invalid;
        loaded.clash = *findClash(puzzle);
    }
    loaded.ready = load == Load::ready;
    return loaded;
}

Counter countBelow(const State& start, std::uint64_t limit, bool keepSmallest)
{
    Counter counter{limit == 0 ? 1 : limit, keepSmallest};
    State work = start;
    countFrom(work, counter);
    return counter;
}

// No puzzle with fewer givens than this has a unique solution (McGuire, Tugemann and
// Civario proved it in 2012 by exhaustive search). solve() uses it only to choose
// which search to run first; its answers never depend on it.
constexpr int fewestGivensOfAUniquePuzzle = 17;

// Guesses the row-major search may make on a sparse puzzle before the general way
// takes over. On the empty grid it makes 19 before its second solution.
constexpr int sparseSearchBudget = 30;

int givenCount(const Cells& puzzle)
{
    int count = 0;
    for (const std::uint8_t value : puzzle) {
        count += value != 0 ? 1 : 0;
    }
    return count;
}

} // namespace

#if defined(__BMI2__) && defined(SUDOKU_ENGINE_AVX512)
std::array<std::uint32_t, 81> cellWeights(const std::array<std::uint32_t, 27>& candidates,
                                          const std::array<std::uint32_t, 3>& unsolved,
                                          const std::array<std::uint32_t, 3>& pairs)
{
    std::array<std::uint32_t, 81> weights{};
    cellWeights(candidates.data(), unsolved.data(), pairs.data(), weights.data());
    return weights;
}

int bestWeighedPairCell(const std::array<std::uint32_t, 27>& candidates, const std::array<std::uint32_t, 3>& unsolved,
                        const std::array<std::uint32_t, 3>& pairs)
{
    return bestWeighedPairCell(candidates.data(), unsolved.data(), pairs.data());
}
#endif

// Two ways to the answer and the count to 2:
// - Sparse puzzles have many solutions, usually near the left edge of the row-major
//   tree, so the row-major search comes first: the first two solutions it meets give
//   both. If it runs out of budget after one, that one is the answer and a count says
//   whether it is unique; if before any, the general way follows.
// - The general way counts to 2, branching where it decides most, and turns the
//   smallest solution it saw into the smallest of all with smallestBelow().
SolveResult solve(const Cells& puzzle)
{
    return solveWithMarks(puzzle, nullptr);
}

CountResult countSolutions(const Cells& puzzle, std::uint64_t limit)
{
    return countSolutionsWithMarks(puzzle, nullptr, limit);
}

SolveResult solveWithMarks(const Cells& puzzle, const Marks* marks)
{
    LoadedPuzzle loaded = loadPuzzle(puzzle, marks);
    SolveResult result;
    result.status = loaded.status;
    result.clash = loaded.clash;
    result.badCell = loaded.badCell;
    if (!loaded.ready) {
        return result;
    }
    if (!solved(loaded.start) && givenCount(puzzle) < fewestGivensOfAUniquePuzzle) {
        OrderedSearch ordered{2, sparseSearchBudget};
        State work = loaded.start;
        const bool stopped = searchInOrder(work, ordered);
        if (ordered.found == 2 || (ordered.found == 1 && stopped)) {
            result.status = Status::solved;
            result.solution = ordered.smallest;
            result.solutionsUpToTwo =
                ordered.found == 2 ? 2 : static_cast<int>(countBelow(loaded.start, 2, false).count);
            return result;
        }
        if (!stopped) { // the whole tree, and at most one solution in it
            result.status = ordered.found == 1 ? Status::solved : Status::noSolution;
            result.solution = ordered.smallest;
            result.solutionsUpToTwo = ordered.found;
            return result;
        }
    }
    const Counter counter = countBelow(loaded.start, 2, true);
    result.status = counter.count > 0 ? Status::solved : Status::noSolution;
    result.solutionsUpToTwo = static_cast<int>(counter.count);
    if (counter.count > 0) {
        result.solution = counter.smallest;
    }
    if (counter.count > 1) {
        smallestBelow(loaded.start, result.solution);
    }
    return result;
}

CountResult countSolutionsWithMarks(const Cells& puzzle, const Marks* marks, std::uint64_t limit)
{
    const LoadedPuzzle loaded = loadPuzzle(puzzle, marks);
    CountResult result;
    result.status = loaded.status;
    result.clash = loaded.clash;
    result.badCell = loaded.badCell;
    // A count to 1 or 2 of a sparse puzzle tries the quick search first, as solve()
    // does, two-candidate cells first: it needs no branch scores, and most such puzzles
    // have solutions near its left edge. Its count is exact when it meets the limit or
    // goes through the whole tree; when it runs out of budget, the counting search
    // starts afresh.
    if (loaded.ready && !solved(loaded.start) && limit <= 2 && givenCount(puzzle) < fewestGivensOfAUniquePuzzle) {
        OrderedSearch ordered{limit == 0 ? 1 : static_cast<int>(limit), sparseSearchBudget};
        ordered.pairsFirst = true;
        State work = loaded.start;
        const bool stopped = searchInOrder(work, ordered);
        if (ordered.found == ordered.wanted || !stopped) {
            result.status = ordered.found > 0 ? Status::solved : Status::noSolution;
            result.count = static_cast<std::uint64_t>(ordered.found);
            result.limitReached = ordered.found == ordered.wanted;
            return result;
        }
    }
    if (loaded.ready) {
        const Counter counter = countBelow(loaded.start, limit, false);
        result.status = counter.count > 0 ? Status::solved : Status::noSolution;
        result.count = counter.count;
        result.limitReached = counter.count >= counter.limit;
    }
    return result;
}

} // namespace sudoku::SUDOKU_ENGINE_VARIANT
