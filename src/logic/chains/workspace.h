#pragma once

// The propagation of the dynamic chains: one branch assumes a candidate true (or false)
// and follows what the grid, as it changes, then forces, breadth first with bitboards,
// remembering for each fact the facts that forced it, so that a conclusion's length is
// the number of facts it rests on. The mode adds rules: singles of one digit (Nishio)
// or of all digits, locked candidates, and a whole chain search run inside the branch's
// grid (the nested rule, nested.cpp).
//
// A fact is a candidate true or false: fact = (cell * 9 + digit - 1) * 2 + true.

#include "chains/grid.h"
#include "chains/static_reach.h"

#include <sudoku/logic.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace sudoku::logic::detail {

using Rule = ChainProof::Rule;

inline constexpr int factCount = 81 * 9 * 2;
constexpr int factOf(int cell, int digit, bool on)
{
    return (cell * 9 + digit - 1) * 2 + (on ? 1 : 0);
}
constexpr int cellOfFact(int f)
{
    return f / 2 / 9;
}
constexpr int digitOfFact(int f)
{
    return f / 2 % 9 + 1;
}
constexpr bool isOn(int f)
{
    return (f & 1) != 0;
}
// Marks a parent that is a fact of the enclosing branch, not of the branch itself.
inline constexpr std::uint16_t outerBit = 0x8000;

// What a branch runs inside its grid with the nested rule: nothing, static forcing
// chains, static chains with cell and unit forcing chains, or dynamic chains.
enum class Inner : std::uint8_t { none, staticChains, staticMultiple, dynamicChains };

struct Mode {
    int digit = 0;            // Nishio: this digit's singles only; 0 for all digits
    bool staticLinks = false; // a single counts only when one of its premises is this branch's
    bool locked = false;
    Inner inner = Inner::none;
    // An inner run with singles only, whose facts the enclosing branch uses only in a
    // contradiction: each round adds a fact false and one true to the longest chain
    // of parents, so a contradiction of round r rests on 2r + 2 facts or more.
    bool chainsOnly = false;
};

// The longest nested fact's own proof worth keeping in a branch that wants nothing
// longer than `limit`: a conclusion resting on it also counts the fact itself, the
// branch's assumption and at least one more (the clash, or another branch's fact).
constexpr int longestNested(int limit)
{
    return limit - 3;
}

// The last round worth running for a branch that wants nothing longer than `limit`,
// or for an inner run of such a branch.
inline int lastRound(const Mode& mode, int limit)
{
    if (!mode.chainsOnly) {
        return limit;
    }
    const int most = longestNested(limit); // a contradiction of round r rests on 2r + 2 facts or more
    return most >= 2 ? (most - 2) / 2 : -1;
}

// A list of facts that grows as a vector does, with a push small enough to stay
// inline in the propagation's loops, and that only ever shrinks back to a mark.
class Pool {
public:
    std::size_t size() const { return n_; }
    void clear() { n_ = 0; }
    void resize(std::size_t n) { n_ = n; } // n <= size()
    [[gnu::always_inline]] void push_back(std::uint16_t v)
    {
        if (n_ == data_.size()) {
            grow();
        }
        data_[n_++] = v;
    }
    std::uint16_t operator[](std::size_t i) const { return data_[i]; }
    const std::uint16_t* begin() const { return data_.data(); }
    const std::uint16_t* end() const { return data_.data() + n_; }

private:
    void grow() { data_.resize(std::max<std::size_t>(4096, data_.size() * 2)); }
    std::vector<std::uint16_t> data_;
    std::size_t n_ = 0;
};

struct BaseRuns; // nested.h

// One branch: its grid and the facts it forced, each with its parents. A thread has one
// per depth (workspace()): the top level's branches, their inner runs, and those of
// nested dynamic chains.
struct Workspace {
    Grid g;
    const Workspace* outer = nullptr;
    Mode mode;
    int depth = 0;
    bool record = false; // keep the proofs of nested facts
    // Rounds of singles to run: a fact found in round r rests on r facts or more, so a
    // search that wants nothing longer than `limit` stops there.
    int limit = 0;
    // Each run has its number; a fact is derived in this run when its stamp is it.
    std::uint32_t runStamp = 0;
    std::array<std::uint32_t, factCount> stamp{};
    std::array<std::uint32_t, factCount> first{};
    std::array<std::uint16_t, factCount> count{};
    std::array<std::uint16_t, factCount> extra{}; // a nested fact's own proof length
    std::array<std::uint16_t, factCount> position{};
    std::array<Rule, factCount> rule{};
    std::uint32_t walkStamp = 0; // the same for the facts a closure has visited
    std::array<std::uint32_t, factCount> walked{};
    Pool parents;
    Pool order;
    std::vector<std::uint16_t> stack;
    std::size_t head = 0;
    std::array<CellSet, 9> dirty{};             // places lost since the last look for singles
    std::array<std::uint32_t, 9> dirtyHouses{}; // and their houses, per digit
    std::array<CellSet, 9> mine{};              // the places this branch made false, per digit
    std::uint32_t lockedStale = 0;              // digits changed since locked candidates last looked at them
    std::array<std::uint32_t, 9> housesDone{};  // per digit, the houses where it is placed
    // Those of the last grid a branch started from: the inner runs start from the same.
    std::optional<Grid> doneGrid;
    std::array<std::uint32_t, 9> doneInGrid{};
    // A static branch takes a single only when exactly one of its premises is its own,
    // so only in a cell with two candidates, or a house with two places of the digit,
    // in the grid it starts from: those, for the last grid a static branch started from.
    std::optional<Grid> strongGrid;
    CellSet bivalue;
    std::array<std::uint32_t, 9> bilocal{};
    Footprint looked; // all the places looked at, for the enclosing branch
    // The enclosing branch's memory of its nested runs: what each candidate's run
    // looked at and what it made false, written by the passes of run memoRunStamp.
    std::array<Footprint, 729> memo{};
    std::array<CandidateSet, 729> memoFalse{};
    std::array<std::uint32_t, 729> memoHolds{}; // per candidate, the run in which a static run's memo holds
    std::uint32_t memoRunStamp = 0;
    Footprint sinceStart; // all changes since the branch began
    std::size_t lastPass = 0;
    const BaseRuns* base = nullptr;  // the nested runs in the search's starting position
    const Grid* startGrid = nullptr; // that position
    bool contradiction = false;
    int rounds = 0;   // the last round run
    bool cut = false; // stopped by `limit`, not because nothing more followed
    std::uint32_t clashFirst = 0;
    std::uint16_t clashCount = 0;
    std::vector<std::pair<std::uint16_t, std::shared_ptr<const ChainProof>>> proofs;

    bool derived(int f) const { return stamp[static_cast<std::size_t>(f)] == runStamp; }

    // Starts a branch from `grid` with `assumption` (a fact), in mode `m`, inside
    // `enclosing` (null at the top level), wanting nothing longer than `most`.
    void start(const Grid& grid, int assumption, const Mode& m, const Workspace* enclosing, int most);
    // The strong links of `grid`, for the static branches that start from it.
    void useStrong(const Grid& grid, const StrongLinks& links);
    // Propagates until nothing more follows or a contradiction.
    void run();

    // Adds `f` with the parents pushed since `from`; false when it was known.
    // With `n`, the parents are the n from `from` on, and stay in the pool.
    [[gnu::always_inline]] bool add(int f, Rule r, std::size_t from, int cost = 0, int n = -1)
    {
        const auto i = static_cast<std::size_t>(f);
        if (derived(f)) {
            if (n < 0) {
                parents.resize(from);
            }
            return false;
        }
        stamp[i] = runStamp;
        first[i] = static_cast<std::uint32_t>(from);
        count[i] = static_cast<std::uint16_t>(n < 0 ? parents.size() - from : static_cast<std::size_t>(n));
        rule[i] = r;
        extra[i] = static_cast<std::uint16_t>(cost);
        position[i] = static_cast<std::uint16_t>(order.size());
        order.push_back(static_cast<std::uint16_t>(f));
        if (!isOn(f)) {
            const auto d = static_cast<std::size_t>(digitOfFact(f) - 1);
            lockedStale |= 1u << d;
            g.cand[d] = g.cand[d].without(single(cellOfFact(f)));
            dirty[d].add(cellOfFact(f));
            dirtyHouses[d] |= houseBits[static_cast<std::size_t>(cellOfFact(f))];
            mine[d].add(cellOfFact(f));
        }
        if (derived(f ^ 1) && !contradiction) {
            clash({f, f ^ 1});
        }
        return true;
    }

    // The closure of parents[from, from + n): its facts of this branch, each once, with
    // the nested proofs' lengths; the enclosing branch's facts go to `outside`.
    int closure(std::uint32_t from, int n, std::vector<std::uint16_t>* outside, std::vector<std::uint16_t>* facts);
    // The length of the contradiction the run ended in.
    int clashLength();
    // The length of fact `f` (derived in this run), the facts it rests on into `facts`.
    int factLength(int f, std::vector<std::uint16_t>* facts = nullptr);
    // The candidates this run made false.
    CandidateSet falseCandidates() const;
    // The proof of a branch: the facts `facts` rests on, in the order they were found,
    // then a clash node when the branch ends in a contradiction.
    ChainProof::Branch branchOf(std::vector<std::uint16_t> facts, bool clashes) const;

private:
    void clash(std::initializer_list<int> facts);
    bool clashFrom(std::size_t from);
    int pushRemoved(const CellSet& cells, int digit);
    int pushRemovedDigits(int cell, unsigned digits);
    void applyTrue(int f);
    Touched takeTouched();
    bool findClash(const Touched& t);
    bool singleParents(std::size_t from, int here);
    int premisesHere(int cell) const;
    bool findSingles(const Touched& t);
    bool findLocked();
    bool findNested(); // nested.cpp
};

// The thread's workspace of a depth: 0 for a search's branches, 1 for their inner runs,
// 2 for the inner runs of nested dynamic chains.
Workspace& workspace(int depth);

} // namespace sudoku::logic::detail
