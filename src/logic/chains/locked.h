#pragma once

// Locked candidates of one digit, tested for the whole grid at once.

#include "tables.h"

#include <array>
#include <bit>
#include <cstdint>

namespace sudoku::logic::detail {

// In a band, a digit's places make a 3 x 3 matrix of mini-rows (bit 3 * row + box, for
// the row within the band and the box within it): a box points along a row when its
// column of the matrix holds that one mini-row and the row holds another, and a row
// claims a box when it holds that one mini-row and the box's column another. A stack's
// mini-columns make such a matrix for columns (bit 3 * box + column, transposed: the
// test reads rows and columns alike). The table holds the test per matrix.
inline constexpr std::array<bool, 512> locksOfMatrix = [] {
    std::array<bool, 512> locks{};
    for (unsigned m = 0; m < 512; ++m) {
        for (unsigned i = 0; i < 9; ++i) {
            const unsigned row = 7u << (i / 3 * 3);
            const unsigned column = 0x49u << (i % 3);
            const bool oneInRow = std::popcount(m & row) == 1;
            const bool oneInColumn = std::popcount(m & column) == 1;
            locks[m] = locks[m] || ((m >> i & 1) != 0 && oneInRow != oneInColumn);
        }
    }
    return locks;
}();

// Bits 0, 3, ..., 24 of `x` as bits 0 to 8.
constexpr std::uint32_t everyThird(std::uint32_t x)
{
    x &= 0x09249249;
    x = (x ^ (x >> 2)) & 0x030c30c3;
    x = (x ^ (x >> 4)) & 0x0300f00f;
    x = (x ^ (x >> 8)) & 0xff0000ff;
    return (x ^ (x >> 16)) & 0x3ff;
}

// Whether a digit whose places are `places` has a box that points (its places there lie
// in one line, which has places outside the box) or a line that claims (its places lie
// in one box, which has places outside the line).
inline bool pointsOrClaims(const CellSet& places)
{
    constexpr std::uint64_t band = (std::uint64_t{1} << 27) - 1;
    const std::array<std::uint32_t, 3> bands = {static_cast<std::uint32_t>(places.lo & band),
                                                static_cast<std::uint32_t>(places.lo >> 27 & band),
                                                static_cast<std::uint32_t>((places.lo >> 54 | places.hi << 10) & band)};
    std::array<std::uint32_t, 3> columns{}; // per band, the columns with places
    for (std::size_t b = 0; b < 3; ++b) {
        const std::uint32_t x = bands[b];
        if (locksOfMatrix[everyThird(x | x >> 1 | x >> 2)]) {
            return true;
        }
        columns[b] = (x | x >> 9 | x >> 18) & 0x1ff;
    }
    for (unsigned stack = 0; stack < 3; ++stack) {
        const std::uint32_t m = (columns[0] >> (3 * stack) & 7) | (columns[1] >> (3 * stack) & 7) << 3 |
                                (columns[2] >> (3 * stack) & 7) << 6;
        if (locksOfMatrix[m]) {
            return true;
        }
    }
    return false;
}

} // namespace sudoku::logic::detail
