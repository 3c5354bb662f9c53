#pragma once

// The nested rule of the nested forcing chains (nested.cpp): inside a branch's grid, a
// candidate whose assumption leads, by a simpler propagation, to a contradiction is
// false. What the level search needs of it: the inner runs from the position a search
// starts in, and the memory of inner runs kept from one search level to the next.

#include "chains/workspace.h"

#include <array>

namespace sudoku::logic::detail {

// What each candidate's inner run looked at in the position a search starts from, what
// it made false, and whether it ended in a contradiction there.
struct BaseRuns {
    std::array<Footprint, 729> looked{};
    std::array<bool, 729> clash{};
    std::array<CandidateSet, 729> falses{};
};

// Runs each candidate's inner run (of `mode`'s nested rule, wanting nothing longer than
// `limit`) in the starting position `grid`; null for a mode without nested rule. The
// result is the thread's and holds until the next call.
const BaseRuns* baseRuns(const Grid& grid, const Mode& mode, int limit);

// The inner runs kept for reuse are of searches that start from `start`: forgets them
// unless they were.
void keepInnerRunsOf(const Grid& start);

} // namespace sudoku::logic::detail
