// The techniques' names and weights, and the search for the next step.

#include "finders.h"

#include <algorithm>

namespace sudoku::logic {

using namespace detail;

namespace {

struct Info {
    std::string_view name;
    int weight;
};

// Indexed by Technique. Weights in tenths, close to the scale players quote.
constexpr std::array<Info, techniqueCount> info{{
    {"full-house", 10},
    {"hidden-single", 12},
    {"naked-single", 23},
    {"pointing", 26},
    {"claiming", 28},
    {"naked-pair", 30},
    {"x-wing", 32},
    {"hidden-pair", 34},
    {"naked-triple", 36},
    {"swordfish", 38},
    {"hidden-triple", 40},
    {"xy-wing", 42},
    {"xyz-wing", 44},
    {"unique-rectangle", 45},
    {"skyscraper", 46},
    {"two-string-kite", 47},
    {"w-wing", 48},
    {"naked-quad", 50},
    {"jellyfish", 52},
    {"hidden-quad", 54},
    {"bivalue-universal-grave", 56},
    {"x-chain", 65},
    {"xy-chain", 66},
    {"aic", 70},
    {"cell-forcing-chain", 82},
    {"unit-forcing-chain", 84},
}};

bool valid(Technique technique)
{
    return static_cast<int>(technique) < techniqueCount;
}

} // namespace

std::string_view techniqueName(Technique technique)
{
    return valid(technique) ? info[static_cast<std::size_t>(technique)].name : std::string_view{};
}

std::optional<Technique> techniqueFromName(std::string_view name)
{
    for (int i = 0; i < techniqueCount; ++i) {
        if (info[static_cast<std::size_t>(i)].name == name) {
            return static_cast<Technique>(i);
        }
    }
    return std::nullopt;
}

int baseWeight(Technique technique)
{
    return valid(technique) ? info[static_cast<std::size_t>(technique)].weight : 0;
}

bool needsUniqueSolution(Technique technique)
{
    return technique == Technique::uniqueRectangle || technique == Technique::bivalueUniversalGrave;
}

bool findStep(const Board& board, Technique technique, Step& step)
{
    switch (technique) {
    case Technique::fullHouse: return findFullHouse(board, step);
    case Technique::hiddenSingle: return findHiddenSingle(board, step);
    case Technique::nakedSingle: return findNakedSingle(board, step);
    case Technique::pointing: return findPointing(board, step);
    case Technique::claiming: return findClaiming(board, step);
    case Technique::nakedPair: return findNakedSubset(board, 2, step);
    case Technique::xWing: return findFish(board, 2, step);
    case Technique::hiddenPair: return findHiddenSubset(board, 2, step);
    case Technique::nakedTriple: return findNakedSubset(board, 3, step);
    case Technique::swordfish: return findFish(board, 3, step);
    case Technique::hiddenTriple: return findHiddenSubset(board, 3, step);
    case Technique::xyWing: return findXyWing(board, step);
    case Technique::xyzWing: return findXyzWing(board, step);
    case Technique::uniqueRectangle: return findUniqueRectangle(board, step);
    case Technique::skyscraper: return findSkyscraper(board, step);
    case Technique::twoStringKite: return findTwoStringKite(board, step);
    case Technique::wWing: return findWWing(board, step);
    case Technique::nakedQuad: return findNakedSubset(board, 4, step);
    case Technique::jellyfish: return findFish(board, 4, step);
    case Technique::hiddenQuad: return findHiddenSubset(board, 4, step);
    case Technique::xChain: return findChain(board, ChainKind::x, step);
    case Technique::xyChain: return findChain(board, ChainKind::xy, step);
    case Technique::bivalueUniversalGrave: return findBivalueUniversalGrave(board, step);
    case Technique::aic: return findChain(board, ChainKind::alternating, step);
    case Technique::cellForcingChain: return findForcingChain(board, false, step);
    case Technique::unitForcingChain: return findForcingChain(board, true, step);
    }
    return false;
}

bool findStep(const Board& board, bool uniqueSolution, Step& step)
{
    if (board.emptyCells() == 0) {
        return false;
    }
    for (int i = 0; i < static_cast<int>(Technique::aic); ++i) {
        const auto technique = static_cast<Technique>(i);
        if ((uniqueSolution || !needsUniqueSolution(technique)) && findStep(board, technique, step)) {
            return true;
        }
    }
    static_assert(static_cast<int>(Technique::aic) == techniqueCount - 3);
    return findAlternatingOrForcingChain(board, step);
}

} // namespace sudoku::logic
