#pragma once

// The techniques, one row each, in the order the solver tries them. A technique is its
// row here and its file, which holds its finder and the text of its pattern side by side
// (declared below, file by file); everything else (names, weights, the order of trying,
// what a step's text needs, the scores a rating can have) is read from the rows.

#include "fill_step.h"

#include <algorithm>
#include <string>

namespace sudoku::logic::detail {

// The weights, in tenths, that a step of the technique can have: lowest, lowest +
// stride, ... up to highest. A bigger pattern or a longer chain adds strides.
struct Weights {
    int lowest = 0;
    int highest = 0;
    int stride = 1;

    constexpr Weights() = default;
    constexpr Weights(int only) : lowest(only), highest(only) {}
    constexpr Weights(int low, int high, int step = 1) : lowest(low), highest(high), stride(step) {}
};

// What the text of a step reads: at least so many houses, pattern cells, chain nodes
// and forcing-chain branches; `pairedHouses` for fish, as many cover as base lines;
// `proof` for the chains that follow the grid as it changes (Step::proof).
struct Shape {
    int houses = 0;
    int cells = 0;
    int chain = 0;
    int branches = 0;
    bool pairedHouses = false;
    bool proof = false;
};

using Finder = bool (*)(const Board&, Step&);
using Text = std::string (*)(const Step&);

struct TechniqueRow {
    Technique technique;
    std::string_view name;
    Weights weights;
    Finder find; // this technique alone
    Text text;   // the pattern part of a step's line
    Shape shape;
    bool needsUniqueSolution = false;
};

// Each technique's finder, which fills `step` with its first or lightest step and says
// whether there is one, and its text, the pattern part of a step's line; by file.

// patterns/singles.cpp
bool findFullHouse(const Board& board, Step& step);
bool findHiddenSingle(const Board& board, Step& step);
bool findNakedSingle(const Board& board, Step& step);
std::string fullHouseText(const Step& step);
std::string hiddenSingleText(const Step& step);
std::string nakedSingleText(const Step& step);

// patterns/locked_candidates.cpp: also direct, when their eliminations leave a hidden
// single, which the step places.
bool findPointing(const Board& board, Step& step);
bool findClaiming(const Board& board, Step& step);
bool findDirectPointing(const Board& board, Step& step);
bool findDirectClaiming(const Board& board, Step& step);
std::string pointingText(const Step& step);
std::string claimingText(const Step& step);
std::string directPointingText(const Step& step);
std::string directClaimingText(const Step& step);

// patterns/subsets.cpp: naked and hidden subsets of `size` cells, direct hidden ones.
bool findNakedSubset(const Board& board, int size, Step& step);
bool findHiddenSubset(const Board& board, int size, Step& step);
bool findDirectHiddenSubset(const Board& board, int size, Step& step);
std::string nakedSubsetText(const Step& step);
std::string hiddenSubsetText(const Step& step);
std::string directHiddenSubsetText(const Step& step);
template <int size>
bool findNakedSubsetOf(const Board& board, Step& step)
{
    return findNakedSubset(board, size, step);
}
template <int size>
bool findHiddenSubsetOf(const Board& board, Step& step)
{
    return findHiddenSubset(board, size, step);
}
template <int size>
bool findDirectHiddenSubsetOf(const Board& board, Step& step)
{
    return findDirectHiddenSubset(board, size, step);
}

// patterns/fish.cpp: `size` base lines.
bool findFish(const Board& board, int size, Step& step);
std::string fishText(const Step& step);
template <int size>
bool findFishOf(const Board& board, Step& step)
{
    return findFish(board, size, step);
}

// patterns/wings.cpp
bool findXyWing(const Board& board, Step& step);
bool findXyzWing(const Board& board, Step& step);
std::string wingText(const Step& step);

// patterns/uniqueness.cpp: deadly patterns of two digits (a rectangle in two boxes, a
// loop of six cells) and the bivalue universal grave.
bool findUniqueRectangle(const Board& board, Step& step);
bool findUniqueLoop(const Board& board, Step& step);
bool findBivalueUniversalGrave(const Board& board, Step& step);
std::string uniqueRectangleText(const Step& step);
std::string graveText(const Step& step);

// patterns/exclusion.cpp: two or three cells whose candidates are tried together; a
// candidate that every combination with it rules out (a digit twice in a house, or a
// cell they all see left without candidates) is eliminated.
bool findAlignedExclusion(const Board& board, int size, Step& step);
std::string exclusionText(const Step& step);
template <int size>
bool findAlignedExclusionOf(const Board& board, Step& step)
{
    return findAlignedExclusion(board, size, step);
}

// chains/static_chains.cpp: each returning its technique's lightest step.
bool findXCycle(const Board& board, Step& step);
bool findForcingXChain(const Board& board, Step& step);
bool findYCycle(const Board& board, Step& step);
bool findTurbotFish(const Board& board, Step& step);
bool findCycle(const Board& board, Step& step);
bool findForcingChain(const Board& board, Step& step);
bool findCellForcingChain(const Board& board, Step& step);
bool findUnitForcingChain(const Board& board, Step& step);
std::string chainText(const Step& step);
std::string cycleText(const Step& step);
std::string cellForcingChainText(const Step& step);
std::string unitForcingChainText(const Step& step);

// chains/dynamic.cpp: Nishio, dynamic and nested forcing chains, a level per group of
// techniques; the lowest-weight step of `technique`, one of them.
bool findDynamic(const Board& board, Technique technique, Step& step);
std::string dynamicChainText(const Step& step);
template <Technique technique>
bool findDynamicOf(const Board& board, Step& step)
{
    return findDynamic(board, technique, step);
}

// Rising weight: a row's lowest weight is not below the previous row's.
// clang-format off
inline constexpr std::array<TechniqueRow, techniqueCount> techniqueRows{{
    {Technique::fullHouse, "full-house", {10}, findFullHouse, fullHouseText, {.houses = 1}},
    // 1.2 in a box, 1.5 in a row or column.
    {Technique::hiddenSingle, "hidden-single", {12, 15, 3}, findHiddenSingle, hiddenSingleText, {.houses = 1}},
    // Patterns whose eliminations leave a hidden single, placed at once.
    {Technique::directPointing, "direct-pointing", {17}, findDirectPointing, directPointingText, {.houses = 3}},
    {Technique::directClaiming, "direct-claiming", {19}, findDirectClaiming, directClaimingText, {.houses = 3}},
    {Technique::directHiddenPair, "direct-hidden-pair", {20}, findDirectHiddenSubsetOf<2>, directHiddenSubsetText,
     {.houses = 2, .cells = 2}},
    {Technique::nakedSingle, "naked-single", {23}, findNakedSingle, nakedSingleText, {}},
    {Technique::directHiddenTriple, "direct-hidden-triple", {25}, findDirectHiddenSubsetOf<3>, directHiddenSubsetText,
     {.houses = 2, .cells = 3}},
    {Technique::pointing, "pointing", {26}, findPointing, pointingText, {.houses = 2}},
    {Technique::claiming, "claiming", {28}, findClaiming, claimingText, {.houses = 2}},
    {Technique::nakedPair, "naked-pair", {30}, findNakedSubsetOf<2>, nakedSubsetText, {.houses = 1, .cells = 1}},
    {Technique::xWing, "x-wing", {32}, findFishOf<2>, fishText, {.houses = 2, .pairedHouses = true}},
    {Technique::hiddenPair, "hidden-pair", {34}, findHiddenSubsetOf<2>, hiddenSubsetText, {.houses = 1, .cells = 1}},
    {Technique::nakedTriple, "naked-triple", {36}, findNakedSubsetOf<3>, nakedSubsetText, {.houses = 1, .cells = 1}},
    {Technique::swordfish, "swordfish", {38}, findFishOf<3>, fishText, {.houses = 2, .pairedHouses = true}},
    {Technique::hiddenTriple, "hidden-triple", {40}, findHiddenSubsetOf<3>, hiddenSubsetText, {.houses = 1, .cells = 1}},
    {Technique::xyWing, "xy-wing", {42}, findXyWing, wingText, {.cells = 3}},
    {Technique::xyzWing, "xyz-wing", {44}, findXyzWing, wingText, {.cells = 3}},
    // Types 1 to 4 alike: so Sudoku Explainer rates them, and a loop of six a tenth more.
    {Technique::uniqueRectangle, "unique-rectangle", {45}, findUniqueRectangle, uniqueRectangleText, {.cells = 4},
     true},
    {Technique::uniqueLoop, "unique-loop", {46}, findUniqueLoop, uniqueRectangleText, {.cells = 6}, true},
    {Technique::nakedQuad, "naked-quad", {50}, findNakedSubsetOf<4>, nakedSubsetText, {.houses = 1, .cells = 1}},
    {Technique::jellyfish, "jellyfish", {52}, findFishOf<4>, fishText, {.houses = 2, .pairedHouses = true}},
    {Technique::hiddenQuad, "hidden-quad", {54}, findHiddenSubsetOf<4>, hiddenSubsetText, {.houses = 1, .cells = 1}},
    // 5.6 for type 1 (one cell with more than two candidates), 5.7 for types 2 and 4,
    // 5.8 to 6.0 for type 3 (by the size of its subset).
    {Technique::bivalueUniversalGrave, "bivalue-universal-grave", {56, 60}, findBivalueUniversalGrave, graveText,
     {.cells = 1}, true},
    {Technique::alignedPairExclusion, "aligned-pair-exclusion", {62}, findAlignedExclusionOf<2>, exclusionText,
     {.cells = 2}},
    // Chains (chains/static_chains.cpp): a base and a tenth each time the length (chain_length.h)
    // passes 4, 6, 8, 12, 16, ... The length of a cycle is its nodes less two, of a
    // forcing chain the nodes between its two ends, of a cell or unit forcing chain the
    // links of all its branches.
    {Technique::xCycle, "x-cycle", {65, 70}, findXCycle, cycleText, {.chain = 4}},
    {Technique::yCycle, "y-cycle", {65, 70}, findYCycle, cycleText, {.chain = 4}},
    // The single-digit forcing chains of four nodes, by a name of their own.
    {Technique::turbotFish, "turbot-fish", {66}, findTurbotFish, chainText, {.chain = 4}},
    {Technique::forcingXChain, "forcing-x-chain", {66, 72}, findForcingXChain, chainText, {.chain = 2}},
    {Technique::cycle, "cycle", {70, 75}, findCycle, cycleText, {.chain = 4}},
    {Technique::forcingChain, "forcing-chain", {70, 76}, findForcingChain, chainText, {.chain = 2}},
    {Technique::alignedTripleExclusion, "aligned-triple-exclusion", {75}, findAlignedExclusionOf<3>, exclusionText,
     {.cells = 3}},
    // Dynamic chains (chains/), Nishio and the rows after the static cell and unit
    // forcing chains: the level's base, plus lengthTenths of the proof's nodes (every
    // branch's, nested ones included).
    {Technique::nishioForcingChain, "nishio-forcing-chain", {75, 84}, findDynamicOf<Technique::nishioForcingChain>,
     dynamicChainText, {.proof = true}},
    {Technique::cellForcingChain, "cell-forcing-chain", {80, 87}, findCellForcingChain, cellForcingChainText,
     {.cells = 1, .branches = 3}},
    {Technique::unitForcingChain, "unit-forcing-chain", {80, 87}, findUnitForcingChain, unitForcingChainText,
     {.houses = 1, .branches = 3}},
    {Technique::dynamicCellForcingChain, "dynamic-cell-forcing-chain", {85, 94},
     findDynamicOf<Technique::dynamicCellForcingChain>, dynamicChainText, {.cells = 1, .proof = true}},
    {Technique::dynamicUnitForcingChain, "dynamic-unit-forcing-chain", {85, 94},
     findDynamicOf<Technique::dynamicUnitForcingChain>, dynamicChainText, {.houses = 1, .proof = true}},
    {Technique::dynamicContradictionForcingChain, "dynamic-contradiction-forcing-chain", {85, 94},
     findDynamicOf<Technique::dynamicContradictionForcingChain>, dynamicChainText, {.chain = 1, .proof = true}},
    {Technique::dynamicDoubleForcingChain, "dynamic-double-forcing-chain", {85, 94},
     findDynamicOf<Technique::dynamicDoubleForcingChain>, dynamicChainText, {.chain = 1, .proof = true}},
    {Technique::dynamicForcingChainPlus, "dynamic-forcing-chain-plus", {90, 104},
     findDynamicOf<Technique::dynamicForcingChainPlus>, dynamicChainText, {.proof = true}},
    {Technique::nestedForcingChain, "nested-forcing-chain", {95, 109},
     findDynamicOf<Technique::nestedForcingChain>, dynamicChainText, {.proof = true}},
    {Technique::nestedMultipleForcingChain, "nested-multiple-forcing-chain", {100, 114},
     findDynamicOf<Technique::nestedMultipleForcingChain>, dynamicChainText, {.proof = true}},
    {Technique::nestedDynamicForcingChain, "nested-dynamic-forcing-chain", {105, 119},
     findDynamicOf<Technique::nestedDynamicForcingChain>, dynamicChainText, {.proof = true}},
}};
// clang-format on

// The checks that make a row all there is to a technique.
constexpr bool eachTechniqueHasOneRow()
{
    std::array<int, techniqueCount> rows{};
    for (const TechniqueRow& row : techniqueRows) {
        const auto t = static_cast<std::size_t>(row.technique);
        if (t >= rows.size() || rows[t]++ != 0) {
            return false;
        }
    }
    return true;
}
static_assert(eachTechniqueHasOneRow(), "every technique needs exactly one row");

constexpr bool rowsRiseInWeight()
{
    int previous = 0;
    for (const TechniqueRow& row : techniqueRows) {
        const Weights& w = row.weights;
        if (w.lowest < previous || w.highest < w.lowest || w.stride < 1 || (w.highest - w.lowest) % w.stride != 0 ||
            w.highest > 255) {
            return false;
        }
        previous = w.lowest;
    }
    return true;
}
static_assert(rowsRiseInWeight(),
              "rows must rise in lowest weight, and a row's weights by its stride and fit a step's");

// The row of each technique.
inline constexpr std::array<std::uint8_t, techniqueCount> rowIndex = [] {
    std::array<std::uint8_t, techniqueCount> index{};
    for (std::size_t i = 0; i < techniqueRows.size(); ++i) {
        index[static_cast<std::size_t>(techniqueRows[i].technique)] = static_cast<std::uint8_t>(i);
    }
    return index;
}();

// The row of a technique; null outside the enumeration.
constexpr const TechniqueRow* rowOf(Technique technique)
{
    const auto t = static_cast<std::size_t>(technique);
    return t < rowIndex.size() ? &techniqueRows[rowIndex[t]] : nullptr;
}

// The weight of a step of `technique` whose pattern adds `strides` to its lowest weight,
// held within the row's range.
constexpr int weightOf(Technique technique, int strides)
{
    const Weights& w = rowOf(technique)->weights;
    return w.lowest + std::clamp(strides, 0, (w.highest - w.lowest) / w.stride) * w.stride;
}

// Starts a step of `technique` at its lowest weight. Only the counts are reset: the
// entries past them are never read; a dynamic chain's proof is dropped.
inline void begin(Step& step, Technique technique)
{
    step.proof.reset();
    step.technique = technique;
    step.weight = static_cast<std::uint8_t>(weightOf(technique, 0));
    step.digits = 0;
    step.houseCount = 0;
    step.cellCount = 0;
    step.chainLength = 0;
    step.branchCount = 0;
    step.places = false;
    step.eliminationCount = 0;
}

} // namespace sudoku::logic::detail
