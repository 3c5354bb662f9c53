#pragma once

// The search of one level of the dynamic chains in a position (level_search.cpp): every
// candidate assumed true and false, one branch each, and the cheapest conclusion of each
// kind their facts allow: a contradiction, a double chain (true and false force the
// same fact), a cell or a unit (every candidate of a cell, or every place of a digit
// in a house, forces the same fact). The results are cached per level for the last
// position, which the level's technique rows ask for in turn.
//
// Levels: 0 Nishio, 1 dynamic, 2 plus, 3 nested, 4 nested multiple, 5 nested dynamic.

#include "chains/nested.h"
#include "chains/workspace.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sudoku::logic::detail {

inline constexpr int levelCount = 6;

// While one lives on the thread, a level looks only for steps lighter than the lower
// levels found in the same position (those would win anyway): the solver's search
// makes one, a single technique's search does not.
struct SolverSearch {
    SolverSearch();
    ~SolverSearch();
    SolverSearch(const SolverSearch&) = delete;
    SolverSearch& operator=(const SolverSearch&) = delete;
};

// The propagation rules of a level (for Nishio, also set Mode::digit per branch).
Mode modeOf(int level);

// Runs a branch at the top level in the thread's workspace(0), from `grid`, the search's
// starting position, whose inner runs are `base`.
void runBranch(const Grid& grid, int assumption, const Mode& mode, int limit, const BaseRuns* base,
               bool record = false);

enum class Kind : std::uint8_t { contradiction, doubleChain, cell, unit };
inline constexpr int kindCount = 4;

struct Conclusion {
    bool found = false;
    // The limits the search ran with (the nested runs' in the starting position, and
    // each branch's): the proof's runs repeat them to find the same facts.
    int baseLimit = 0;
    std::vector<int> limits;
    int length = 0;
    Kind kind = Kind::contradiction;
    int fact = 0;                 // the effect
    std::vector<int> assumptions; // one per branch
    int cell = 0, house = 0, digit = 0;
};

// The cheapest conclusion of each kind.
struct LevelResult {
    std::array<Conclusion, kindCount> best{};
};

// The level's conclusions in `grid`, searched or as cached for it. While a SolverSearch
// lives on the thread, only those lighter than what the lower levels found there.
const LevelResult& cachedLevel(const Grid& grid, int level);

} // namespace sudoku::logic::detail
