#pragma once

// Fixed tables of the grid's geometry, built at compile time from <sudoku/geometry.h>,
// and a set of cells.

#include <sudoku/geometry.h>

#include <array>
#include <bit>
#include <cstdint>

namespace sudoku::logic::detail {

// A set of the 81 cells as two words.
struct CellSet {
    std::uint64_t lo = 0; // cells 0 to 63
    std::uint64_t hi = 0; // cells 64 to 80

    constexpr void add(int cell)
    {
        if (cell < 64) {
            lo |= std::uint64_t{1} << cell;
        } else {
            hi |= std::uint64_t{1} << (cell - 64);
        }
    }
    constexpr bool has(int cell) const { return cell < 64 ? (lo >> cell & 1) != 0 : (hi >> (cell - 64) & 1) != 0; }
    constexpr bool empty() const { return (lo | hi) == 0; }
    constexpr int count() const { return std::popcount(lo) + std::popcount(hi); }
    friend constexpr CellSet operator&(CellSet a, CellSet b) { return {a.lo & b.lo, a.hi & b.hi}; }
    friend constexpr CellSet operator|(CellSet a, CellSet b) { return {a.lo | b.lo, a.hi | b.hi}; }
    constexpr CellSet without(CellSet b) const { return {lo & ~b.lo, hi & ~b.hi}; }

    template <class F>
    void forEach(F f) const
    {
        for (std::uint64_t w = lo; w != 0; w &= w - 1) {
            f(std::countr_zero(w));
        }
        for (std::uint64_t w = hi; w != 0; w &= w - 1) {
            f(64 + std::countr_zero(w));
        }
    }
};

struct Tables {
    std::array<std::array<std::uint8_t, 9>, 27> houseCells{}; // rows, columns, boxes
    std::array<std::array<std::uint8_t, 3>, 81> cellHouses{}; // row, 9 + column, 18 + box
    std::array<CellSet, 81> peers{};                          // the 20 cells a cell sees
    std::array<CellSet, 27> houseSet{};
};

constexpr Tables makeTables()
{
    Tables t;
    for (int h = 0; h < houseCount; ++h) {
        t.houseCells[static_cast<std::size_t>(h)] = cellsOfHouse(h);
        for (const std::uint8_t cell : t.houseCells[static_cast<std::size_t>(h)]) {
            t.houseSet[static_cast<std::size_t>(h)].add(cell);
        }
    }
    for (int cell = 0; cell < cellCount; ++cell) {
        const auto c = static_cast<std::size_t>(cell);
        t.cellHouses[c] = housesOfCell(cell);
        for (int other = 0; other < cellCount; ++other) {
            if (sudoku::sees(cell, other)) {
                t.peers[c].add(other);
            }
        }
    }
    return t;
}

inline constexpr Tables tables = makeTables();

using sudoku::boxOf;
using sudoku::columnOf;
using sudoku::rowOf;

// Whether two cells see each other, by table: the solver asks often.
constexpr bool sees(int a, int b)
{
    return tables.peers[static_cast<std::size_t>(a)].has(b);
}
constexpr std::uint16_t bit(int digit)
{
    return static_cast<std::uint16_t>(1u << (digit - 1));
}
constexpr int lowestDigit(unsigned mask)
{
    return std::countr_zero(mask) + 1;
}
// Candidates in a set of digits, by table: faster than a popcount call on processors
// the build does not assume to have the instruction.
inline constexpr std::array<std::uint8_t, 512> digitCount = [] {
    std::array<std::uint8_t, 512> counts{};
    for (unsigned m = 0; m < 512; ++m) {
        counts[m] = static_cast<std::uint8_t>(std::popcount(m));
    }
    return counts;
}();
constexpr int countOf(unsigned mask)
{
    return digitCount[mask & 0x1FF];
}

inline const CellSet& peersOf(int cell)
{
    return tables.peers[static_cast<std::size_t>(cell)];
}
inline const std::array<std::uint8_t, 9>& cellsOf(int house)
{
    return tables.houseCells[static_cast<std::size_t>(house)];
}
// How many cells of `cells` each house holds, counted cell by cell: testing each house
// is a branch the processor cannot predict, 27 of them.
inline std::array<std::uint8_t, 27> countPerHouse(const CellSet& cells)
{
    std::array<std::uint8_t, 27> counts{};
    cells.forEach([&](int cell) {
        for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(cell)]) {
            ++counts[h];
        }
    });
    return counts;
}
// The cells in one of nine sets (`once`), and those in two or more (`twice`): with
// the sets a position's places per digit, the cells with one candidate are
// once.without(twice).
struct Overlap {
    CellSet once;
    CellSet twice;
};
inline Overlap overlapOf(const std::array<CellSet, 9>& sets)
{
    Overlap o;
    for (const CellSet& c : sets) {
        o.twice = o.twice | (o.once & c);
        o.once = o.once | c;
    }
    return o;
}

} // namespace sudoku::logic::detail
