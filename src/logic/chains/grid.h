#pragma once

// A position as bitboards, which the dynamic chains copy, compare and change at every
// step of every branch, and the sets they keep over it: the places a run looked at, and
// a set of candidates.

#include "tables.h"

#include <sudoku/logic.h>

#include <array>
#include <cstdint>
#include <cstring>

namespace sudoku::logic::detail {

// The houses of each cell, one bit each (row, 9 + column, 18 + box).
inline constexpr std::array<std::uint32_t, 81> houseBits = [] {
    std::array<std::uint32_t, 81> bits{};
    for (std::size_t cell = 0; cell < 81; ++cell) {
        for (const std::uint8_t h : tables.cellHouses[cell]) {
            bits[cell] |= std::uint32_t{1} << h;
        }
    }
    return bits;
}();

// The houses holding a cell of `cells`, one bit each.
inline std::uint32_t housesOf(const CellSet& cells)
{
    std::uint32_t houses = 0;
    cells.forEach([&](int c) { houses |= houseBits[static_cast<std::size_t>(c)]; });
    return houses;
}

inline const CellSet& houseSet(int house)
{
    return tables.houseSet[static_cast<std::size_t>(house)];
}

inline CellSet single(int cell)
{
    CellSet s;
    s.add(cell);
    return s;
}

// Whether every cell of `a` is in `b`.
inline bool within(const CellSet& a, const CellSet& b)
{
    return a.without(b).empty();
}

// Whether `s` holds exactly one cell.
inline bool onePlace(const CellSet& s)
{
    return s.lo != 0 ? (s.lo & (s.lo - 1)) == 0 && s.hi == 0 : s.hi != 0 && (s.hi & (s.hi - 1)) == 0;
}

// The lowest cell of a set that is not empty.
inline int firstCell(const CellSet& s)
{
    return s.lo != 0 ? std::countr_zero(s.lo) : 64 + std::countr_zero(s.hi);
}

struct Grid {
    std::array<CellSet, 9> cand{};   // the places of each digit (index digit - 1)
    std::array<CellSet, 9> placed{}; // the cells holding each digit
    CellSet empty;
};

inline bool same(const Grid& a, const Grid& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0; // words only: no padding
}

// The position of a board.
Grid gridOf(const Board& board);

// Houses per digit (bits 0 to 26) and cells: where a run looked for singles and clashes
// in one round, the places that changed since it last looked.
struct Touched {
    std::array<std::uint32_t, 9> houses{};
    CellSet cells;
};

// Everything a run looked at, round after round. A run from the same assumption in a
// position that differs from this one's only where the run never looked goes the same way.
struct Footprint : Touched {
    // Everything: the footprint of a run that is not known.
    static Footprint all()
    {
        Footprint f;
        f.cells = {~std::uint64_t{0}, (std::uint64_t{1} << 17) - 1};
        f.houses.fill((std::uint32_t{1} << 27) - 1);
        return f;
    }
    void add(const Touched& t)
    {
        cells = cells | t.cells;
        for (std::size_t d = 0; d < 9; ++d) {
            houses[d] |= t.houses[d];
        }
    }
    bool meets(const Touched& t) const
    {
        if (!(cells & t.cells).empty()) {
            return true;
        }
        for (std::size_t d = 0; d < 9; ++d) {
            if ((houses[d] & t.houses[d]) != 0) {
                return true;
            }
        }
        return false;
    }
};

// A set of candidates, each numbered cell * 9 + digit - 1.
struct CandidateSet {
    std::array<std::uint64_t, 12> w{};
    void add(int x) { w[static_cast<std::size_t>(x / 64)] |= std::uint64_t{1} << (x % 64); }
    bool has(int x) const { return (w[static_cast<std::size_t>(x / 64)] >> (x % 64) & 1) != 0; }
};

} // namespace sudoku::logic::detail
