// Nishio, dynamic and nested forcing chains: each where the solver needs it, its proof
// replayed with the public Board alone (logic_checks/proof_replay.h, as logic_bench --check
// does), the replay refusing broken proofs, the weight rule and the explanation text.

#include <sudoku/engine.h>
#include <sudoku/logic.h>

#include "chains/chain_length.h"
#include "logic_checks/proof_replay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace logic = sudoku::logic;
using logic::Technique;

sudoku::Cells cellsOf(std::string_view line)
{
    sudoku::Cells cells{};
    for (std::size_t i = 0; i < 81; ++i) {
        cells[i] = static_cast<std::uint8_t>(line[i] == '.' ? 0 : line[i] - '0');
    }
    return cells;
}

// A position of a puzzle where the solver takes its first step of `technique`: the
// board before it, the step, and the step before it (a cheaper technique). The solver's
// steps are taken one at a time, as an explanation takes them, and only that far.
struct Found {
    logic::Board board;
    logic::Board before;
    logic::Step step;
    logic::Step previous;
    sudoku::Cells solution{};
};

std::optional<Found> firstStepOf(std::string_view puzzle, Technique technique)
{
    const sudoku::Cells cells = cellsOf(puzzle);
    Found found{*logic::Board::fromPuzzle(cells), {}, {}, {}, sudoku::solve(cells).solution};
    logic::Step step;
    while (logic::findStep(found.board, true, step)) {
        if (step.technique == technique) {
            found.step = step;
            return found;
        }
        found.before = found.board;
        found.previous = step;
        if (!found.board.apply(step)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool effectIsTrue(const logic::Step& step, const sudoku::Cells& solution)
{
    if (step.places) {
        return solution[step.placement.cell] == step.placement.digit;
    }
    for (int i = 0; i < step.eliminationCount; ++i) {
        const auto& c = step.eliminations[static_cast<std::size_t>(i)];
        if (solution[c.cell] == c.digit) {
            return false;
        }
    }
    return step.eliminationCount > 0;
}

// The weight rule: the level's base plus the tenths of the proof's length, at most the
// technique's highest weight (past which every length weighs the same).
int expectedWeight(const logic::Step& step)
{
    const int base = logic::baseWeight(step.technique);
    const int tenths = sudoku::logic::detail::lengthTenths(step.proof->length);
    const int highest = step.technique == Technique::nishioForcingChain ? 84 : base == 85 ? 94 : base + 14;
    return std::min(base + tenths, highest);
}

// A chain step as the solver took it: its proof replays on the board it was found on,
// its effect agrees with the solution, and it weighs what the rule says.
void expectSound(const Found& found)
{
    std::string why;
    EXPECT_TRUE(logic::replay::stepProofHolds(found.board, found.step, why)) << why << "\n"
                                                                             << logic::formatStep(found.step);
    EXPECT_TRUE(effectIsTrue(found.step, found.solution));
    EXPECT_EQ(found.step.weight, expectedWeight(found.step));
}

// Puzzles from this project's generator (tests/data/logic_puzzles.txt) whose hardest
// step is the technique.
struct NeededCase {
    const char* name;
    const char* puzzle;
    Technique technique;
};
const NeededCase neededCases[] = {
    {"nishio", ".......2.1...23..8...91.6.3.5.6..8..2..3.5..4..7..4.6.7.2.48...6..13...7.4.......",
     Technique::nishioForcingChain},
    {"contradiction", ".6.....51..1.3....4.81..........973...6.4.8...752..........69.8....2.5..28.....7.",
     Technique::dynamicContradictionForcingChain},
    {"cell", "8.37....5.....8.......5.82..1......27..6.1..34......9..46.7.......2.....2....65.1",
     Technique::dynamicCellForcingChain},
    {"unit", "1.39..8....8.123...4.........96....3.6..9..8.5....79.........1...514.7....7..54.2",
     Technique::dynamicUnitForcingChain},
};

class NeededTest : public testing::TestWithParam<NeededCase> {};

// Where the solver takes the technique, the step is sound, replays, weighs what the
// rule says, and nothing cheaper was there; one step earlier a cheaper one was (the
// near miss: the same puzzle, before it needed the chain).
TEST_P(NeededTest, TakenWhereNothingCheaperApplies)
{
    const NeededCase& c = GetParam();
    const std::optional<Found> found = firstStepOf(c.puzzle, c.technique);
    ASSERT_TRUE(found);
    const logic::Step& step = found->step;
    ASSERT_TRUE(step.proof);
    expectSound(*found);
    for (const Technique cheaper :
         {Technique::forcingChain, Technique::cellForcingChain, Technique::unitForcingChain}) {
        logic::Step other;
        EXPECT_FALSE(logic::findStep(found->board, cheaper, other) && other.weight < step.weight)
            << logic::formatStep(other);
    }
    logic::Step earlier;
    ASSERT_TRUE(logic::findStep(found->before, true, earlier));
    EXPECT_LT(earlier.weight, step.weight);
    EXPECT_FALSE(earlier.proof) << logic::formatStep(earlier);
    // A Nishio chain follows one digit only.
    if (c.technique == Technique::nishioForcingChain) {
        for (const auto& node : step.proof->branches[0].nodes) {
            EXPECT_TRUE(node.rule == logic::ChainProof::Rule::clash ||
                        node.candidate.digit == step.eliminations[0].digit);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LogicDynamic, NeededTest, testing::ValuesIn(neededCases),
                         [](const testing::TestParamInfo<NeededCase>& param) { return std::string(param.param.name); });

// Whether a node of the proof, or of a proof nested in it, satisfies `holds`.
template <class Holds>
bool anyNode(const logic::ChainProof& proof, Holds&& holds)
{
    for (const auto& branch : proof.branches) {
        for (const auto& node : branch.nodes) {
            if (holds(node) || (node.nested && anyNode(*node.nested, holds))) {
                return true;
            }
        }
    }
    return false;
}

// The levels past the dynamic chains, each where the solver starts a puzzle of the
// community's hardest list with it (three of tests/data/hardest-slice.txt): the step
// replays, is true, weighs what the rule says and uses the rule its level adds; the
// level below, asked on its own, finds nothing as light.
struct DeeperCase {
    const char* name;
    const char* puzzle;
    Technique technique;
    std::vector<Technique> below;
    bool (*usesItsRule)(const logic::ChainProof::Node& node);
};
const DeeperCase deeperCases[] = {
    {"plus",
     "98.7..6..5...4......3..8.5.2.........4..9.8....8..6..5.2......3..6..15......7..16",
     Technique::dynamicForcingChainPlus,
     {Technique::dynamicContradictionForcingChain, Technique::dynamicDoubleForcingChain,
      Technique::dynamicCellForcingChain, Technique::dynamicUnitForcingChain},
     [](const logic::ChainProof::Node& n) { return n.rule == logic::ChainProof::Rule::lockedCandidates; }},
    {"nested",
     "........1.....234...3.1.25...1..4..2.6.....7.7..8.......5..3..4.8.64.9..9........",
     Technique::nestedForcingChain,
     {Technique::dynamicForcingChainPlus},
     [](const logic::ChainProof::Node& n) { return n.rule == logic::ChainProof::Rule::nested; }},
    // Its nested proof is a cell or unit chain: branches that all make the candidate false.
    {"nestedMultiple",
     "98.7..6..5...4......3..8.5.3....7.8..582.......7...1...3...9.7....4....6......2.1",
     Technique::nestedMultipleForcingChain,
     {Technique::nestedForcingChain},
     [](const logic::ChainProof::Node& n) { return n.nested && n.nested->branches.size() > 1; }},
};

void PrintTo(const DeeperCase& c, std::ostream* out)
{
    *out << c.name;
}

class DeeperTest : public testing::TestWithParam<DeeperCase> {};

TEST_P(DeeperTest, FirstStepOfAHardestPuzzle)
{
    const DeeperCase& c = GetParam();
    const std::optional<Found> found = firstStepOf(c.puzzle, c.technique);
    ASSERT_TRUE(found);
    const logic::Step& step = found->step;
    ASSERT_TRUE(step.proof);
    expectSound(*found);
    EXPECT_TRUE(anyNode(*step.proof, c.usesItsRule)) << logic::formatStep(step);
    for (const Technique lower : c.below) {
        logic::Step other;
        EXPECT_FALSE(logic::findStep(found->board, lower, other) && other.weight <= step.weight)
            << logic::formatStep(step) << "\nbut " << logic::formatStep(other);
    }
}

INSTANTIATE_TEST_SUITE_P(LogicDynamic, DeeperTest, testing::ValuesIn(deeperCases),
                         [](const testing::TestParamInfo<DeeperCase>& param) { return std::string(param.param.name); });

// Every level, asked on its own at a hard position, finds a step that replays, is
// true and weighs what the rule says; the deeper levels may use nested chains, whose
// own proofs replay inside.
TEST(LogicDynamic, EveryLevelFindsReplayableSteps)
{
    const std::optional<Found> found = firstStepOf(neededCases[1].puzzle, neededCases[1].technique);
    ASSERT_TRUE(found);
    for (const Technique t :
         {Technique::nishioForcingChain, Technique::dynamicCellForcingChain, Technique::dynamicUnitForcingChain,
          Technique::dynamicContradictionForcingChain, Technique::dynamicDoubleForcingChain,
          Technique::dynamicForcingChainPlus, Technique::nestedForcingChain, Technique::nestedMultipleForcingChain,
          Technique::nestedDynamicForcingChain}) {
        SCOPED_TRACE(std::string(logic::techniqueName(t)));
        logic::Step step;
        if (!logic::findStep(found->board, t, step)) {
            EXPECT_TRUE(t == Technique::nishioForcingChain || t == Technique::dynamicDoubleForcingChain);
            continue;
        }
        EXPECT_EQ(step.technique, t);
        ASSERT_TRUE(step.proof);
        std::string why;
        EXPECT_TRUE(logic::replay::stepProofHolds(found->board, step, why)) << why;
        EXPECT_TRUE(effectIsTrue(step, found->solution));
        EXPECT_EQ(step.weight, expectedWeight(step));
    }
}

// The nested multiple search reuses the inner runs of the nested search in the same
// position, and only there: whatever the thread searched before, in this position or
// the one before it, the step is the one a thread that searched nothing else finds.
TEST(LogicDynamic, NestedMultipleStepIgnoresEarlierSearches)
{
    const std::optional<Found> found = firstStepOf(neededCases[1].puzzle, neededCases[1].technique);
    ASSERT_TRUE(found);
    const logic::Board& now = found->board;
    logic::Board next = now;
    ASSERT_TRUE(next.apply(found->step));
    const auto search = [](const logic::Board* first, const logic::Board& board) {
        std::string text;
        std::thread([&] {
            logic::Step step;
            if (first != nullptr) {
                (void)logic::findStep(*first, Technique::nestedForcingChain, step);
            }
            if (logic::findStep(board, Technique::nestedMultipleForcingChain, step)) {
                text = logic::formatStep(step) + " length " + std::to_string(step.proof->length);
            }
        }).join();
        return text;
    };
    for (const logic::Board* board : {&now, static_cast<const logic::Board*>(&next)}) {
        const std::string alone = search(nullptr, *board);
        EXPECT_FALSE(alone.empty());
        for (const logic::Board* first : {&now, static_cast<const logic::Board*>(&next)}) {
            EXPECT_EQ(search(first, *board), alone);
        }
    }
}

// The replay refuses a proof that is wrong in any one way.
TEST(LogicDynamic, ReplayRefusesBrokenProofs)
{
    using Proof = logic::ChainProof;
    const std::optional<Found> found = firstStepOf(neededCases[1].puzzle, neededCases[1].technique);
    const std::optional<Found> cell = firstStepOf(neededCases[2].puzzle, neededCases[2].technique);
    ASSERT_TRUE(found && cell);
    std::string why;
    ASSERT_TRUE(logic::replay::stepProofHolds(found->board, found->step, why)) << why;
    ASSERT_TRUE(logic::replay::stepProofHolds(cell->board, cell->step, why)) << why;
    struct Break {
        const char* what;
        bool group; // breaks the cell chain rather than the contradiction
        void (*apply)(Proof& proof, logic::Step& step);
    };
    const Break breaks[] = {
        {"another effect", false,
         [](Proof&, logic::Step& step) {
             step.eliminations[0].digit = static_cast<std::uint8_t>(step.eliminations[0].digit % 9 + 1);
         }},
        {"no clash at the end", false, [](Proof& p, logic::Step&) { p.branches[0].nodes.pop_back(); }},
        {"a node left out", false,
         [](Proof& p, logic::Step&) {
             auto& nodes = p.branches[0].nodes;
             // The first derived true node: leaving it out leaves what rests on it unproved.
             const auto at =
                 std::find_if(nodes.begin() + 1, nodes.end(), [](const Proof::Node& n) { return n.isTrue; });
             nodes.erase(at);
         }},
        {"the assumption negated", false, [](Proof& p, logic::Step&) { p.branches[0].nodes[0].isTrue = false; }},
        {"a node's rule changed", false,
         [](Proof& p, logic::Step&) {
             for (auto& n : p.branches[0].nodes) {
                 if (n.rule == Proof::Rule::nakedSingle || n.rule == Proof::Rule::hiddenSingle) {
                     n.rule = Proof::Rule::lockedCandidates;
                     break;
                 }
             }
         }},
        {"a branch of the cell missing", true, [](Proof& p, logic::Step&) { p.branches.pop_back(); }},
        {"a branch ending elsewhere", true,
         [](Proof& p, logic::Step&) {
             auto& last = p.branches[0].nodes.back();
             last.candidate.cell = static_cast<std::uint8_t>((last.candidate.cell + 40) % 81);
         }},
    };
    for (const Break& b : breaks) {
        SCOPED_TRACE(b.what);
        const Found& base = b.group ? *cell : *found;
        logic::Step step = base.step;
        Proof proof = *step.proof;
        b.apply(proof, step);
        step.proof = std::make_shared<const Proof>(std::move(proof));
        EXPECT_FALSE(logic::replay::stepProofHolds(base.board, step, why));
    }
}

// An explanation prints a chain's branches under its step, indented, each from its
// assumption to the effect or the contradiction.
TEST(LogicDynamic, ExplanationShowsTheBranchesIndented)
{
    logic::Explanation explanation;
    logic::explain(cellsOf(neededCases[2].puzzle), explanation);
    const std::string text = logic::formatExplanation(explanation, false);
    const std::size_t at = text.find("\ndynamic-cell-forcing-chain: each candidate of ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::size_t end = text.find('\n', at + 1);
    const std::string first = text.substr(at + 1, end - at - 1);
    const auto it = std::find_if(explanation.steps.begin(), explanation.steps.end(), [](const logic::Step& s) {
        return s.technique == Technique::dynamicCellForcingChain;
    });
    ASSERT_NE(it, explanation.steps.end());
    EXPECT_EQ(first, logic::formatStep(*it));
    std::size_t line = end + 1;
    for (const auto& branch : it->proof->branches) {
        const std::size_t next = text.find('\n', line);
        const std::string branchLine = text.substr(line, next - line);
        EXPECT_TRUE(branchLine.starts_with("  r")) << branchLine;
        const auto& last = branch.nodes.back();
        const std::string effect = "r" + std::to_string(last.candidate.cell / 9 + 1) + "c" +
                                   std::to_string(last.candidate.cell % 9 + 1) + (last.isTrue ? "=" : "<>") +
                                   std::to_string(last.candidate.digit);
        EXPECT_TRUE(branchLine.ends_with(" -> " + effect)) << branchLine;
        line = next + 1;
    }
    EXPECT_FALSE(text.substr(line).starts_with("  ")); // the next step, not indented
}

} // namespace
