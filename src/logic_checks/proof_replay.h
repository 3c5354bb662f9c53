#pragma once

// Replays the proof of a dynamic or nested forcing chain step on the position it was
// found in, with the public Board alone: each branch's assumption is applied, then each
// node in turn, and every node must hold by its rule on the position reached so far;
// a contradiction branch must reach a clash, the others the step's effect, and the
// branches must cover what the step claims (every candidate of its cell, every place
// of its digit in its house, or one candidate true and false). A nested node's own
// proof is replayed the same way on the position where it was found.

#include <sudoku/geometry.h>
#include <sudoku/logic.h>

#include <string>

namespace sudoku::logic::replay {

// Cell i of a house, or -1 (no cell) for a house outside the grid: a proof under test
// may name anything.
inline int houseCell(int house, int i)
{
    return house >= 0 && house < houseCount ? sudoku::cellsOfHouse(house)[static_cast<std::size_t>(i)] : -1;
}

inline bool inHouse(int house, int cell)
{
    if (cell < 0 || cell >= cellCount) {
        return false;
    }
    const auto houses = sudoku::housesOfCell(cell);
    return houses[0] == house || houses[1] == house || houses[2] == house;
}

inline Digits bitOf(int digit)
{
    return static_cast<Digits>(1u << (digit - 1));
}

inline bool placedIn(const Board& b, int house, int digit)
{
    for (int i = 0; i < 9; ++i) {
        if (b.value(houseCell(house, i)) == digit) {
            return true;
        }
    }
    return false;
}

// The cells of `house` where `digit` is a candidate.
inline int placesIn(const Board& b, int house, int digit, int* only)
{
    int n = 0;
    for (int i = 0; i < 9; ++i) {
        const int c = houseCell(house, i);
        if ((b.candidates(c) & bitOf(digit)) != 0) {
            *only = c;
            ++n;
        }
    }
    return n;
}

// A cell without candidate, or a house where a digit has neither place nor value.
inline bool hasClash(const Board& b)
{
    for (int c = 0; c < 81; ++c) {
        if (b.value(c) == 0 && b.candidates(c) == 0) {
            return true;
        }
    }
    for (int h = 0; h < 27; ++h) {
        for (int d = 1; d <= 9; ++d) {
            int only = 0;
            if (!placedIn(b, h, d) && placesIn(b, h, d, &only) == 0) {
                return true;
            }
        }
    }
    return false;
}

inline bool lockedHolds(const Board& b, int cell, int digit)
{
    for (int box = 18; box < 27; ++box) {
        for (int line = 0; line < 18; ++line) {
            for (const bool pointing : {true, false}) {
                const int from = pointing ? box : line;
                const int to = pointing ? line : box;
                if (!inHouse(to, cell) || inHouse(from, cell) || placedIn(b, from, digit)) {
                    continue;
                }
                bool any = false;
                bool inside = true;
                for (int i = 0; i < 9; ++i) {
                    const int c = houseCell(from, i);
                    if ((b.candidates(c) & bitOf(digit)) != 0) {
                        any = true;
                        inside = inside && inHouse(to, c);
                    }
                }
                if (any && inside) {
                    return true;
                }
            }
        }
    }
    return false;
}

inline bool sameNode(const ChainProof::Node& n, const Candidate& c, bool isTrue)
{
    return n.candidate.cell == c.cell && n.candidate.digit == c.digit && n.isTrue == isTrue;
}

bool proofHolds(const Board& board, const ChainProof& proof, const Candidate& target, bool targetTrue,
                std::string& why);

// Replays one branch on `board`; `clashed` tells whether it reached a contradiction.
// A branch that assumes true a candidate the board no longer has is `vacuous`: a nested
// chain found in the same pass as another may have lost one of its branches' candidates
// to it, which leaves its other branches covering what is left.
inline bool branchHolds(const Board& board, const ChainProof::Branch& branch, bool& clashed, bool& vacuous,
                        std::string& why)
{
    using Rule = ChainProof::Rule;
    Board b = board;
    clashed = false;
    vacuous = false;
    bool assumed = false;
    for (std::size_t i = 0; i < branch.nodes.size(); ++i) {
        const ChainProof::Node& n = branch.nodes[i];
        const int cell = n.candidate.cell;
        const int digit = n.candidate.digit;
        if (n.rule == Rule::clash) {
            clashed = clashed || hasClash(b);
            if (!clashed) {
                why = "no contradiction where the branch ends in one";
                return false;
            }
            return i + 1 == branch.nodes.size();
        }
        if (cell > 80 || digit < 1 || digit > 9 || n.firstCause + n.causeCount > branch.causes.size()) {
            why = "node out of range";
            return false;
        }
        for (std::size_t k = 0; k < n.causeCount; ++k) {
            if (branch.causes[n.firstCause + k] >= i) {
                why = "a cause that comes after its node";
                return false;
            }
        }
        bool ok = true;
        switch (n.rule) {
        case Rule::assumption:
            if (!assumed && n.isTrue && b.value(cell) == 0 && (b.candidates(cell) & bitOf(digit)) == 0) {
                vacuous = true;
                return true;
            }
            ok = !assumed && (b.candidates(cell) & bitOf(digit)) != 0;
            assumed = true;
            break;
        case Rule::given: ok = n.isTrue ? b.value(cell) == digit : (b.candidates(cell) & bitOf(digit)) == 0; break;
        case Rule::placement: {
            ok = !n.isTrue && n.causeCount == 1;
            if (ok) {
                const ChainProof::Node& by = branch.nodes[branch.causes[n.firstCause]];
                ok = by.isTrue && ((by.candidate.cell == cell && by.candidate.digit != digit) ||
                                   (by.candidate.digit == digit && sudoku::sees(by.candidate.cell, cell)));
            }
            break;
        }
        // A single holds when nothing else is left for it; a single found at the same
        // time as one that clashes with it may have lost its own candidate too, which
        // placing it then shows as a clash.
        case Rule::nakedSingle: ok = n.isTrue && b.value(cell) == 0 && (b.candidates(cell) & ~bitOf(digit)) == 0; break;
        case Rule::hiddenSingle: {
            ok = false;
            for (int h = 0; h < 27 && n.isTrue; ++h) {
                int others = 0;
                for (int k = 0; k < 9 && inHouse(h, cell); ++k) {
                    const int c = houseCell(h, k);
                    others += c != cell && (b.candidates(c) & bitOf(digit)) != 0 ? 1 : 0;
                }
                ok = ok || (inHouse(h, cell) && others == 0);
            }
            break;
        }
        case Rule::lockedCandidates: ok = !n.isTrue && lockedHolds(b, cell, digit); break;
        case Rule::nested:
            ok = !n.isTrue && n.nested != nullptr && proofHolds(b, *n.nested, n.candidate, false, why);
            break;
        case Rule::clash: break;
        }
        if (!ok) {
            why = why.empty() ? "node " + std::to_string(i) + " (rule " + std::to_string(static_cast<int>(n.rule)) +
                                    ", candidates " + std::to_string(b.candidates(cell)) + ") does not hold by its rule"
                              : why;
            return false;
        }
        if (n.rule == Rule::given) {
            continue;
        }
        // Apply it; a digit placed where it is no longer possible, or removed where it is
        // placed, is a clash.
        if (n.isTrue) {
            clashed =
                clashed || b.value(cell) != 0 || (b.candidates(cell) & bitOf(digit)) == 0 || !b.place(cell, digit);
        } else {
            clashed = clashed || b.value(cell) == digit;
            b.eliminate(cell, digit);
        }
        if (clashed && !branch.contradiction) {
            // It meets a fact proved before it (in the same pass as the nested chain it
            // belongs to): its assumption is impossible, which covers it as well.
            vacuous = true;
            return true;
        }
    }
    return assumed && !branch.contradiction;
}

// Whether `proof` shows the candidate `target` true (targetTrue) or false on `board`.
inline bool proofHolds(const Board& board, const ChainProof& proof, const Candidate& target, bool targetTrue,
                       std::string& why)
{
    const auto& branches = proof.branches;
    if (branches.empty()) {
        why = "no branch";
        return false;
    }
    std::vector<Candidate> assumptions;
    std::vector<bool> truths;
    for (const ChainProof::Branch& branch : branches) {
        bool clashed = false;
        bool vacuous = false;
        if (branch.nodes.empty() || branch.nodes[0].rule != ChainProof::Rule::assumption ||
            !branchHolds(board, branch, clashed, vacuous, why)) {
            why = why.empty() ? "a branch does not replay" : why;
            return false;
        }
        if (vacuous && branches.size() == 1) {
            // Its assumption is gone already or clashes: it proves only that assumption false.
            const ChainProof::Node& first = branch.nodes[0];
            const bool ok = first.candidate.cell == target.cell && first.candidate.digit == target.digit &&
                            first.isTrue != targetTrue;
            why = ok ? why : "a branch that proves only its assumption false";
            return ok;
        }
        if (vacuous) {
            assumptions.push_back(branch.nodes[0].candidate);
            truths.push_back(true);
            continue;
        }
        if (branch.contradiction != clashed) {
            why = "a branch's contradiction is not what it says (" +
                  std::string(branch.contradiction ? "says one" : "says none") + ", branch of " +
                  std::to_string(branches.size()) + " with " + std::to_string(branch.nodes.size()) + " nodes)";
            return false;
        }
        if (!branch.contradiction && !sameNode(branch.nodes.back(), target, targetTrue)) {
            why = "a branch ends elsewhere than the effect";
            return false;
        }
        assumptions.push_back(branch.nodes[0].candidate);
        truths.push_back(branch.nodes[0].isTrue);
    }
    if (branches.size() == 1) {
        // A contradiction: the assumption is false, so its negation is the effect.
        const bool ok = branches[0].contradiction && assumptions[0].cell == target.cell &&
                        assumptions[0].digit == target.digit && truths[0] != targetTrue;
        why = ok ? why : "a contradiction that does not prove the effect";
        return ok;
    }
    if (branches.size() == 2 && assumptions[0].cell == assumptions[1].cell &&
        assumptions[0].digit == assumptions[1].digit && truths[0] != truths[1]) {
        return true; // true and false both lead there
    }
    // Every branch assumes a candidate true: they must be all of a cell's, or all the
    // places of a digit in a house.
    for (const bool t : truths) {
        if (!t) {
            why = "a group branch assumes a candidate false";
            return false;
        }
    }
    const int cell = assumptions[0].cell;
    Digits covered = 0;
    bool oneCell = true;
    for (const Candidate& a : assumptions) {
        oneCell = oneCell && a.cell == cell;
        covered = static_cast<Digits>(covered | bitOf(a.digit));
    }
    if (oneCell && (board.candidates(cell) & ~covered) == 0 && board.value(cell) == 0) {
        return true;
    }
    const int digit = assumptions[0].digit;
    for (int h = 0; h < 27; ++h) {
        int n = 0;
        bool all = true;
        for (const Candidate& a : assumptions) {
            all = all && a.digit == digit && inHouse(h, a.cell);
        }
        // Every place the digit has left in the house is assumed.
        for (int i = 0; i < 9 && all; ++i) {
            const int c = houseCell(h, i);
            bool assumedHere = false;
            for (const Candidate& a : assumptions) {
                assumedHere = assumedHere || a.cell == c;
            }
            all = assumedHere || (board.candidates(c) & bitOf(digit)) == 0;
            n += assumedHere ? 1 : 0;
        }
        if (all && n > 0 && !placedIn(board, h, digit)) {
            return true;
        }
    }
    why = "the branches do not cover a cell or a house";
    return false;
}

// Whether a step's proof (when it has one) replays and proves its effect on `board`,
// the position it was found in. `why` says what failed.
inline bool stepProofHolds(const Board& board, const Step& step, std::string& why)
{
    if (!step.proof) {
        return true;
    }
    if (step.places) {
        return proofHolds(board, *step.proof, step.placement, true, why);
    }
    if (step.eliminationCount != 1) {
        why = "a proof for more than one elimination";
        return false;
    }
    return proofHolds(board, *step.proof, step.eliminations[0], false, why);
}

} // namespace sudoku::logic::replay
