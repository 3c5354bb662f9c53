#pragma once

// Nishio, dynamic and nested forcing chains (dynamic.cpp): a level per technique group.

#include <sudoku/logic.h>

namespace sudoku::logic::detail {

// 0 Nishio, 1 dynamic, 2 plus, 3 nested, 4 nested multiple, 5 nested dynamic.
inline constexpr int levelCount = 6;

constexpr int levelOf(Technique technique)
{
    switch (technique) {
    case Technique::nishioForcingChain: return 0;
    case Technique::dynamicForcingChainPlus: return 2;
    case Technique::nestedForcingChain: return 3;
    case Technique::nestedMultipleForcingChain: return 4;
    case Technique::nestedDynamicForcingChain: return 5;
    default: return 1;
    }
}

// The level-1 technique of each conclusion: contradiction, double, cell, unit.
constexpr Technique techniqueOfKind(int kind)
{
    constexpr std::array<Technique, 4> kinds{Technique::dynamicContradictionForcingChain,
                                             Technique::dynamicDoubleForcingChain, Technique::dynamicCellForcingChain,
                                             Technique::dynamicUnitForcingChain};
    return kinds[static_cast<std::size_t>(kind)];
}

// The lowest-weight step of `technique`, one of the chains above; false when none.
// While a SolverSearch lives on the thread, a level looks only for steps lighter than
// the lower levels found in the same position (those would win anyway): the solver's
// search sets it, a single technique's search does not.
bool findDynamic(const Board& board, Technique technique, Step& step);

struct SolverSearch {
    SolverSearch();
    ~SolverSearch();
    SolverSearch(const SolverSearch&) = delete;
    SolverSearch& operator=(const SolverSearch&) = delete;
};

template <Technique technique>
bool findDynamicOf(const Board& board, Step& step)
{
    return findDynamic(board, technique, step);
}

} // namespace sudoku::logic::detail
