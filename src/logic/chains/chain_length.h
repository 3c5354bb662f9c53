#pragma once

// What a chain's length adds to its technique's weight. The community's scale adds a
// tenth each time the length passes the next of 4, 6, 8, 12, 16, 24, 32, 48, ...: the
// bounds grow by half and by a third in turn, so a long chain costs little more than a
// fairly long one.

namespace sudoku::logic::detail {

// The tenths added for a chain (or a set of chains) of `length` nodes.
constexpr int lengthTenths(int length)
{
    int added = 0;
    int bound = 4;
    bool byHalf = true;
    while (length > bound) {
        ++added;
        bound = byHalf ? bound * 3 / 2 : bound * 4 / 3;
        byHalf = !byHalf;
    }
    return added;
}

// The longest length that adds at most `tenths`.
constexpr int longestWithin(int tenths)
{
    int bound = 4;
    bool byHalf = true;
    for (int i = 0; i < tenths; ++i) {
        bound = byHalf ? bound * 3 / 2 : bound * 4 / 3;
        byHalf = !byHalf;
    }
    return bound;
}

static_assert(longestWithin(0) == 4 && longestWithin(1) == 6 && longestWithin(5) == 24 &&
              lengthTenths(longestWithin(7)) == 7 && lengthTenths(longestWithin(7) + 1) == 8);
static_assert(lengthTenths(4) == 0 && lengthTenths(5) == 1 && lengthTenths(6) == 1 && lengthTenths(7) == 2 &&
              lengthTenths(9) == 3 && lengthTenths(13) == 4 && lengthTenths(17) == 5 && lengthTenths(25) == 6);

} // namespace sudoku::logic::detail
