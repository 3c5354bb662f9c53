// Nishio, dynamic and nested forcing chains as steps: the cheapest conclusion of a
// level (level_search.cpp) made a step, with the proof of its branches, found again by
// running them with their proofs kept.

#include "chains/chain_length.h"
#include "chains/level_search.h"
#include "step_text.h"
#include "techniques.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace sudoku::logic::detail {

ChainProof::Branch Workspace::branchOf(std::vector<std::uint16_t> facts, bool clashes) const
{
    std::sort(facts.begin(), facts.end(), [&](std::uint16_t a, std::uint16_t b) { return position[a] < position[b]; });
    ChainProof::Branch branch;
    branch.contradiction = clashes;
    std::array<std::int16_t, factCount> index{};
    index.fill(-1);
    std::array<std::int16_t, factCount> givenIndex{};
    givenIndex.fill(-1);
    const auto nodeFor = [&](std::uint16_t p) -> std::uint16_t {
        if ((p & outerBit) == 0) {
            return static_cast<std::uint16_t>(index[p]);
        }
        const int f = p & ~outerBit;
        if (givenIndex[static_cast<std::size_t>(f)] < 0) {
            ChainProof::Node node;
            node.candidate = {static_cast<std::uint8_t>(cellOfFact(f)), static_cast<std::uint8_t>(digitOfFact(f))};
            node.isTrue = isOn(f);
            node.rule = Rule::given;
            givenIndex[static_cast<std::size_t>(f)] = static_cast<std::int16_t>(branch.nodes.size());
            branch.nodes.push_back(node);
        }
        return static_cast<std::uint16_t>(givenIndex[static_cast<std::size_t>(f)]);
    };
    const auto addNode = [&](int f, Rule r, std::uint32_t from, int n) {
        std::vector<std::uint16_t> causes;
        for (int k = 0; k < n; ++k) {
            causes.push_back(nodeFor(parents[from + static_cast<std::uint32_t>(k)]));
        }
        ChainProof::Node node;
        node.candidate = {static_cast<std::uint8_t>(cellOfFact(f)), static_cast<std::uint8_t>(digitOfFact(f))};
        node.isTrue = isOn(f);
        node.rule = r;
        node.firstCause = static_cast<std::uint16_t>(branch.causes.size());
        node.causeCount = static_cast<std::uint16_t>(causes.size());
        branch.causes.insert(branch.causes.end(), causes.begin(), causes.end());
        if (r == Rule::nested) {
            for (const auto& [fact, proof] : proofs) {
                if (fact == f) {
                    node.nested = proof;
                }
            }
        }
        branch.nodes.push_back(node);
        return branch.nodes.size() - 1;
    };
    for (const std::uint16_t f : facts) {
        index[f] = static_cast<std::int16_t>(addNode(f, rule[f], first[f], count[f]));
    }
    if (clashes) {
        addNode(parents[clashFirst] & ~outerBit, Rule::clash, clashFirst, clashCount);
    }
    return branch;
}

namespace {

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

std::shared_ptr<const ChainProof> proofOf(const Grid& grid, const Conclusion& c, int level)
{
    auto proof = std::make_shared<ChainProof>();
    const BaseRuns* base = baseRuns(grid, modeOf(level), c.baseLimit);
    for (std::size_t i = 0; i < c.assumptions.size(); ++i) {
        const int a = c.assumptions[i];
        Mode mode = modeOf(level);
        if (level == 0) {
            mode.digit = digitOfFact(a);
        }
        runBranch(grid, a, mode, c.limits[i], base, true);
        Workspace& w = workspace(0);
        std::vector<std::uint16_t> facts;
        if (c.kind == Kind::contradiction) {
            w.closure(w.clashFirst, w.clashCount, nullptr, &facts);
            proof->branches.push_back(w.branchOf(std::move(facts), true));
        } else {
            w.factLength(c.fact, &facts);
            proof->branches.push_back(w.branchOf(std::move(facts), false));
        }
    }
    proof->length = c.length;
    return proof;
}

void fillStep(const Board& board, const Conclusion& c, Technique technique, int base, Step& step)
{
    begin(step, technique);
    step.weight = static_cast<std::uint8_t>(std::min(base + lengthTenths(c.length), rowOf(technique)->weights.highest));
    const int cell = cellOfFact(c.fact);
    const int digit = digitOfFact(c.fact);
    if (isOn(c.fact)) {
        setPlacement(step, cell, digit);
    } else {
        addElimination(step, cell, digit);
    }
    switch (c.kind) {
    case Kind::contradiction:
    case Kind::doubleChain:
        step.chainLength = 1;
        step.chain[0] = {static_cast<std::uint8_t>(cellOfFact(c.assumptions[0])),
                         static_cast<std::uint8_t>(digitOfFact(c.assumptions[0]))};
        step.digits = bit(step.chain[0].digit);
        break;
    case Kind::cell:
        addCell(step, board, c.cell);
        step.digits = board.candidates(c.cell);
        break;
    case Kind::unit:
        addHouse(step, c.house);
        step.digits = bit(c.digit);
        break;
    }
    finish(step);
}

} // namespace

bool findDynamic(const Board& board, Technique technique, Step& step)
{
    if (board.emptyCells() == 0) {
        return false;
    }
    const int level = levelOf(technique);
    const Grid grid = gridOf(board);
    const LevelResult& result = cachedLevel(grid, level);
    const Conclusion* best = nullptr;
    for (int k = 0; k < kindCount; ++k) {
        const Conclusion& c = result.best[static_cast<std::size_t>(k)];
        const bool wanted = level != 1 || technique == techniqueOfKind(k);
        if (c.found && wanted && (best == nullptr || c.length < best->length)) {
            best = &c;
        }
    }
    if (best == nullptr) {
        return false;
    }
    const Conclusion chosen = *best; // the proof's runs may refill the cache's workspaces, not the cache
    fillStep(board, chosen, technique, weightOf(technique, 0), step);
    step.proof = proofOf(gridOf(board), chosen, level);
    return true;
}

std::string dynamicChainText(const Step& step)
{
    const auto& branches = step.proof->branches;
    std::string text;
    if (step.houseCount > 0) {
        text = "each place of " + digitList(step.digits) + " in " + house(step, 0);
    } else if (step.cellCount > 0) {
        text = "each candidate of " + cell(step, 0) + " " + digitSet(step.digits);
    } else if (branches.size() == 2) {
        text = candidateName(step.chain[0]) + " true and false";
    } else {
        text = nodeName(branches[0].nodes[0]) + " leads to a contradiction";
    }
    return text + " (length " + std::to_string(step.proof->length) + ")";
}

} // namespace sudoku::logic::detail
