// Nishio, dynamic and nested forcing chains: assume a candidate true (or false), follow
// what the grid as it changes then forces, and conclude from a contradiction or from
// branches that all force the same fact.
//
// A fact is a candidate true or false (fact = (cell * 9 + digit - 1) * 2 + true). A
// branch propagates its assumption breadth first with bitboards (a cell set per digit),
// remembering for each fact the facts that forced it, so that a conclusion's length is
// the number of facts it rests on. Levels add rules to the propagation: singles of one
// digit (Nishio), singles of all digits (dynamic), locked candidates (plus), and then
// a whole forcing chain run inside the branch's grid (nested).

#include "dynamic.h"
#include "chain_length.h"
#include "locked.h"
#include "probe.h"
#include "static_reach.h"
#include "techniques.h"
#include "thread_scratch.h"

#include <algorithm>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace sudoku::logic::detail {

namespace {

using Rule = ChainProof::Rule;

constexpr int factCount = 81 * 9 * 2;
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
constexpr std::uint16_t outerBit = 0x8000; // a parent that is a fact of the enclosing branch

CellSet single(int cell)
{
    CellSet s;
    s.add(cell);
    return s;
}
const CellSet& houseSet(int house)
{
    return tables.houseSet[static_cast<std::size_t>(house)];
}
bool within(const CellSet& a, const CellSet& b)
{
    return a.without(b).empty();
}

// The lines through each box: its three rows, then its three columns.
constexpr std::array<std::array<std::uint8_t, 6>, 9> linesOfBox = [] {
    std::array<std::array<std::uint8_t, 6>, 9> lines{};
    for (std::size_t b = 0; b < 9; ++b) {
        const int c0 = tables.houseCells[18 + b][0];
        for (std::size_t i = 0; i < 3; ++i) {
            lines[b][i] = static_cast<std::uint8_t>(rowOf(c0) + static_cast<int>(i));
            lines[b][3 + i] = static_cast<std::uint8_t>(9 + columnOf(c0) + static_cast<int>(i));
        }
    }
    return lines;
}();

Grid gridOf(const Board& board)
{
    Grid g;
    for (int cell = 0; cell < 81; ++cell) {
        const int v = board.value(cell);
        if (v != 0) {
            g.placed[static_cast<std::size_t>(v - 1)].add(cell);
            continue;
        }
        g.empty.add(cell);
        for (unsigned m = board.candidates(cell); m != 0; m &= m - 1) {
            g.cand[static_cast<std::size_t>(lowestDigit(m) - 1)].add(cell);
        }
    }
    return g;
}

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
int lastRound(const Mode& mode, int limit)
{
    if (!mode.chainsOnly) {
        return limit;
    }
    const int most = longestNested(limit); // a contradiction of round r rests on 2r + 2 facts or more
    return most >= 2 ? (most - 2) / 2 : -1;
}

// What each candidate's nested run looked at in the position a search starts from,
// and whether it ended in a contradiction there.
struct BaseRuns {
    std::array<Looked, 729> looked{};
    std::array<bool, 729> clash{};
    std::array<Offs, 729> offs{};
};

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

struct Workspace;
Workspace& workspace(int depth);

// What the nested rule reads of an inner run, proofs aside.
struct InnerOutcome {
    Looked looked;
    Offs offs;
    bool contradiction = false;
    bool cut = false;                   // by the round bound
    int length = 0;                     // of the contradiction
    int bound = 0;                      // the last round it could run
    int rounds = 0;                     // the last round it ran
    std::vector<std::uint16_t> outside; // the enclosing branch's facts it rests on, sorted

    // Whether a run that may go as far as round `last` would end the same way.
    bool holdsFor(int last) const { return cut ? bound == last : rounds <= last; }
};

// The inner runs of the nested forcing chains' search, for the nested multiple ones in
// the same position: both levels run the same static chains inside their branches, and
// their branches mostly reach the same grids. An inner run depends only on the grid it
// runs in and its assumption (and on the round bound when that stopped it); which of
// the enclosing branch's facts it rests on follows from that grid and the search's
// starting position, as those facts are exactly the candidates gone since then.
// The grids are kept once each; a run is found by its grid's number and assumption.
class InnerRuns {
public:
    // Forgets everything unless `start` is the position it holds runs of.
    void startAt(const Grid& start)
    {
        if (!holds(start)) {
            start_ = start;
            grids_.clear();
            gridIndex_.clear();
            outcomes_.clear();
            index_.clear();
            reach_.clear();
            reachWords_ = 0;
        }
    }

    bool holds(const Grid& start) const { return start_ && same(*start_, start); }

    // The number of `g` among the grids kept, or -1.
    int gridNumber(const Grid& g) const
    {
        const auto [first, last] = gridIndex_.equal_range(hashOf(g));
        for (auto it = first; it != last; ++it) {
            if (same(grids_[it->second], g)) {
                return static_cast<int>(it->second);
            }
        }
        return -1;
    }

    // Keeps `g`: its number, or -1 when there is no more room.
    int keepGrid(const Grid& g)
    {
        const int known = gridNumber(g);
        if (known >= 0 || outcomes_.size() >= capacity || grids_.size() >= maxGrids) {
            return known;
        }
        gridIndex_.emplace(hashOf(g), static_cast<std::uint32_t>(grids_.size()));
        grids_.push_back(g);
        index_.resize(index_.size() + 729, 0);
        return static_cast<int>(grids_.size() - 1);
    }

    // What the static links of grid number `grid` reach (StaticReach's rows), or null.
    const std::vector<std::uint64_t>* reach(int grid) const
    {
        const auto g = static_cast<std::size_t>(grid);
        return g < reach_.size() && !reach_[g].empty() ? &reach_[g] : nullptr;
    }

    void keepReach(int grid, std::span<const std::uint64_t> rows)
    {
        const auto g = static_cast<std::size_t>(grid);
        if (reachWords_ + rows.size() > maxReachWords) {
            return;
        }
        if (reach_.size() <= g) {
            reach_.resize(g + 1);
        }
        reach_[g].assign(rows.begin(), rows.end());
        reachWords_ += rows.size();
    }

    const InnerOutcome* find(int grid, int x) const
    {
        const std::uint32_t at = index_[static_cast<std::size_t>(grid) * 729 + static_cast<std::size_t>(x)];
        return at != 0 ? &outcomes_[at - 1] : nullptr;
    }

    void keep(int grid, int x, InnerOutcome&& outcome)
    {
        std::uint32_t& at = index_[static_cast<std::size_t>(grid) * 729 + static_cast<std::size_t>(x)];
        if (at != 0) {
            outcomes_[at - 1] = std::move(outcome); // under another bound
        } else if (outcomes_.size() < capacity) {
            outcomes_.push_back(std::move(outcome));
            at = static_cast<std::uint32_t>(outcomes_.size());
        }
    }

private:
    static constexpr std::size_t capacity = 1 << 17;      // runs kept: about 25 MB
    static constexpr std::size_t maxGrids = 1 << 13;      // their index: at most 24 MB
    static constexpr std::size_t maxReachWords = 1 << 21; // their static reach: at most 16 MB
    static std::uint64_t hashOf(const Grid& g)
    {
        std::uint64_t h = 0;
        for (std::size_t d = 0; d < 9; ++d) {
            h = (h ^ g.cand[d].lo) * 0x9e3779b97f4a7c15ULL;
            h = (h ^ g.cand[d].hi ^ g.placed[d].lo) * 0xc2b2ae3d27d4eb4fULL;
            h ^= h >> 31;
        }
        return h;
    }
    std::optional<Grid> start_;
    std::vector<Grid> grids_;
    std::unordered_multimap<std::uint64_t, std::uint32_t> gridIndex_;
    std::vector<InnerOutcome> outcomes_;
    std::vector<std::uint32_t> index_;              // per grid kept and candidate: its outcome's number + 1, or 0
    std::vector<std::vector<std::uint64_t>> reach_; // per grid kept, when known
    std::size_t reachWords_ = 0;
};

InnerRuns& innerRuns()
{
    thread_local ThreadScratch<InnerRuns> runs;
    return runs.get();
}

struct Mode;
Mode innerMode(const Mode& outer);

// One branch: its grid and the facts it forced, each with its parents.
struct Workspace {
    Grid g;
    const Workspace* outer = nullptr;
    Mode mode;
    int depth = 0;
    bool record = false; // keep the proofs of nested facts
    // Rounds of singles to run: a fact found in round r rests on r facts or more, so a
    // search that wants nothing longer than `limit` stops there.
    int limit = 0;
    std::uint32_t gen = 0;
    std::array<std::uint32_t, factCount> stamp{};
    std::array<std::uint32_t, factCount> first{};
    std::array<std::uint16_t, factCount> count{};
    std::array<std::uint16_t, factCount> extra{}; // a nested fact's own proof length
    std::array<std::uint16_t, factCount> position{};
    std::array<Rule, factCount> rule{};
    std::uint32_t walkGen = 0;
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
    Looked looked; // all the places looked at, for the enclosing branch
    // The enclosing branch's memory of its nested runs: what each candidate's run
    // looked at, and where the last pass of this run (gen) began.
    std::array<Looked, 729> memo{};
    std::array<Offs, 729> memoOffs{};           // and what it made false
    std::array<std::uint32_t, 729> memoValid{}; // gen while a static run's memo holds
    std::uint32_t memoGen = 0;
    Looked sinceStart; // all changes since the branch began
    std::size_t lastPass = 0;
    const BaseRuns* base = nullptr;  // the nested runs in the search's starting position
    const Grid* startGrid = nullptr; // that position
    bool contradiction = false;
    int rounds = 0;   // the last round run
    bool cut = false; // stopped by `limit`, not because nothing more followed
    std::uint32_t clashFirst = 0;
    std::uint16_t clashCount = 0;
    std::vector<std::pair<std::uint16_t, std::shared_ptr<const ChainProof>>> proofs;

    bool derived(int f) const { return stamp[static_cast<std::size_t>(f)] == gen; }

    // Pushes as parents the false facts (c, digit), c in `cells`, that this branch or
    // the enclosing one forced, in cell order (a fact of the starting position needs no
    // proof). Only the places those branches removed are read, so the cells that had
    // lost the digit before the search began cost nothing. Returns this branch's count.
    int pushRemoved(const CellSet& cells, int digit)
    {
        const auto d = static_cast<std::size_t>(digit - 1);
        const CellSet here = cells & mine[d];
        const CellSet removed = outer != nullptr ? here | (cells & outer->mine[d]) : here;
        int ours = 0; // counted here: without a popcount instruction, count() is a call
        removed.forEach([&](int c) {
            const int f = factOf(c, digit, false);
            const bool own = here.has(c);
            ours += own ? 1 : 0;
            parents.push_back(static_cast<std::uint16_t>(own ? f : f | outerBit));
        });
        return ours;
    }

    // The same for the false facts (cell, e), e among `digits` (bit e - 1), in digit order.
    int pushRemovedDigits(int cell, unsigned digits)
    {
        unsigned here = 0;
        unsigned removed = 0;
        for (std::size_t d = 0; d < 9; ++d) {
            here |= static_cast<unsigned>(mine[d].has(cell)) << d;
            removed |= static_cast<unsigned>(outer != nullptr && outer->mine[d].has(cell)) << d;
        }
        int ours = 0;
        for (unsigned m = (here | removed) & digits; m != 0; m &= m - 1) {
            const int d = std::countr_zero(m);
            const int f = factOf(cell, d + 1, false);
            const bool own = (here >> d & 1) != 0;
            ours += own ? 1 : 0;
            parents.push_back(static_cast<std::uint16_t>(own ? f : f | outerBit));
        }
        return ours;
    }

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
        stamp[i] = gen;
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

    void clash(std::initializer_list<int> facts)
    {
        contradiction = true;
        clashFirst = static_cast<std::uint32_t>(parents.size());
        for (const int f : facts) {
            parents.push_back(static_cast<std::uint16_t>(f));
        }
        clashCount = static_cast<std::uint16_t>(facts.size());
    }

    // The strong links of `grid`, for the static branches that start from it.
    void useStrong(const Grid& grid, const StrongLinks& links)
    {
        bivalue = links.bivalue;
        bilocal = links.bilocal;
        strongGrid = grid;
    }

    void start(const Grid& grid, int assumption, const Mode& m, const Workspace* enclosing, int most)
    {
        if (m.staticLinks && !(strongGrid && same(*strongGrid, grid))) {
            useStrong(grid, strongLinksOf(grid.cand));
        }
        limit = most;
        g = grid;
        if (!(doneGrid && same(*doneGrid, grid))) {
            for (std::size_t d = 0; d < 9; ++d) {
                doneInGrid[d] = housesOf(grid.placed[d]);
            }
            doneGrid = grid;
        }
        housesDone = doneInGrid;
        mode = m;
        outer = enclosing;
        if (++gen == 0) {
            stamp.fill(0);
            gen = 1;
        }
        parents.clear();
        order.clear();
        proofs.clear();
        head = 0;
        dirty = {};
        dirtyHouses = {};
        mine = {};
        looked = {};
        lockedStale = 0x1FF;
        lastPass = 0;
        contradiction = false;
        add(assumption, Rule::assumption, 0);
    }

    void applyTrue(int f)
    {
        const int cell = cellOfFact(f);
        const int digit = digitOfFact(f);
        const auto d = static_cast<std::size_t>(digit - 1);
        g.empty = g.empty.without(single(cell));
        g.placed[d].add(cell);
        housesDone[d] |= houseBits[static_cast<std::size_t>(cell)];
        lockedStale |= 1u << d;
        g.cand[d] = g.cand[d].without(single(cell));
        if (mode.digit == 0) {
            // The cell's other candidates, read at once: removing one leaves the others.
            const bool low = cell < 64;
            const int at = cell & 63;
            unsigned others = 0;
            for (std::size_t e = 0; e < 9; ++e) {
                others |= static_cast<unsigned>(((low ? g.cand[e].lo : g.cand[e].hi) >> at) & 1) << e;
            }
            for (unsigned m = others; m != 0 && !contradiction; m &= m - 1) {
                const std::size_t from = parents.size();
                parents.push_back(static_cast<std::uint16_t>(f));
                add(factOf(cell, std::countr_zero(m) + 1, false), Rule::placement, from);
            }
        }
        (g.cand[d] & peersOf(cell)).forEach([&](int peer) {
            if (!contradiction) {
                const std::size_t from = parents.size();
                parents.push_back(static_cast<std::uint16_t>(f));
                add(factOf(peer, digit, false), Rule::placement, from);
            }
        });
    }

    // The houses where each digit lost a place since the last look, and the cells
    // that lost a candidate: only there can a new single or clash be.
    Touched takeTouched()
    {
        Touched t;
        for (std::size_t d = 0; d < 9; ++d) {
            t.cells = t.cells | dirty[d];
            t.houses[d] = dirtyHouses[d];
            dirty[d] = {};
            dirtyHouses[d] = 0;
        }
        return t;
    }

    // A cell without candidate or a house without place for a digit.
    bool findClash(const Touched& t)
    {
        CellSet any;
        for (const CellSet& c : g.cand) {
            any = any | c;
        }
        const CellSet bare = (g.empty & t.cells).without(any);
        if (!bare.empty()) {
            const std::size_t from = parents.size();
            pushRemovedDigits(firstCell(bare), 0x1FF);
            return clashFrom(from);
        }
        for (int digit = 1; digit <= 9; ++digit) {
            const auto d = static_cast<std::size_t>(digit - 1);
            for (std::uint32_t hs = t.houses[d] & ~housesDone[d]; hs != 0; hs &= hs - 1) {
                const int h = std::countr_zero(hs);
                if ((g.cand[d] & houseSet(h)).empty()) {
                    const std::size_t from = parents.size();
                    pushRemoved(houseSet(h), digit);
                    return clashFrom(from);
                }
            }
        }
        return false;
    }

    bool clashFrom(std::size_t from)
    {
        contradiction = true;
        clashFirst = static_cast<std::uint32_t>(from);
        clashCount = static_cast<std::uint16_t>(parents.size() - from);
        return true;
    }

    static int firstCell(const CellSet& s) { return s.lo != 0 ? std::countr_zero(s.lo) : 64 + std::countr_zero(s.hi); }

    // Keeps the parents pushed since `from` for a single, unless a static branch would
    // not see it: none, or more than one, of its premises are this branch's.
    bool singleParents(std::size_t from, int here)
    {
        if (mode.staticLinks && here != 1) {
            parents.resize(from);
            return false;
        }
        return true;
    }

    // How many of the candidates a cell lost did this branch remove (its only one left
    // was never removed).
    int premisesHere(int cell) const
    {
        int here = 0;
        for (const CellSet& m : mine) {
            here += m.has(cell) ? 1 : 0;
        }
        return here;
    }

    bool findSingles(const Touched& t)
    {
        struct Found {
            int fact;
            Rule rule;
            std::uint32_t from;
        };
        std::array<Found, 81> found; // the first n are set
        int n = 0;
        CellSet foundCells;
        if (mode.digit == 0) {
            const auto [once, twice] = overlapOf(g.cand);
            const CellSet where = mode.staticLinks ? t.cells & bivalue : t.cells;
            (g.empty & once & where).without(twice).forEach([&](int cell) {
                int digit = 1;
                while (!g.cand[static_cast<std::size_t>(digit - 1)].has(cell)) {
                    ++digit;
                }
                if (mode.staticLinks && premisesHere(cell) != 1) {
                    return; // a static branch would not see it: skip before pushing its premises
                }
                const std::size_t from = parents.size();
                const int here = pushRemovedDigits(cell, 0x1FFu & ~(1u << (digit - 1)));
                if (singleParents(from, here)) {
                    foundCells.add(cell);
                    found[static_cast<std::size_t>(n++)] = {factOf(cell, digit, true), Rule::nakedSingle,
                                                            static_cast<std::uint32_t>(from)};
                }
            });
        }
        for (int digit = 1; digit <= 9; ++digit) {
            const auto d = static_cast<std::size_t>(digit - 1);
            const std::uint32_t houses = (mode.staticLinks ? t.houses[d] & bilocal[d] : t.houses[d]) & ~housesDone[d];
            for (std::uint32_t hs = houses; hs != 0; hs &= hs - 1) {
                const int h = std::countr_zero(hs);
                const CellSet places = g.cand[d] & houseSet(h);
                if (!onePlace(places)) {
                    continue;
                }
                const int cell = firstCell(places);
                if (foundCells.has(cell) || n >= 81 || (mode.staticLinks && !onePlace(mine[d] & houseSet(h)))) {
                    continue;
                }
                const std::size_t from = parents.size();
                const int here = pushRemoved(houseSet(h).without(places), digit);
                if (singleParents(from, here)) {
                    foundCells.add(cell);
                    found[static_cast<std::size_t>(n++)] = {factOf(cell, digit, true), Rule::hiddenSingle,
                                                            static_cast<std::uint32_t>(from)};
                }
            }
        }
        // Each single's parents lie in the pool from its `from` to the next one's.
        const auto end = static_cast<std::uint32_t>(parents.size());
        bool any = false;
        for (int k = 0; k < n && !contradiction; ++k) {
            const Found& s = found[static_cast<std::size_t>(k)];
            const std::uint32_t next = k + 1 < n ? found[static_cast<std::size_t>(k + 1)].from : end;
            any = add(s.fact, s.rule, s.from, 0, static_cast<int>(next - s.from)) || any;
        }
        return any;
    }

    // Pointing and claiming in the branch's grid.
    bool findLocked()
    {
        bool any = false;
        const auto eliminate = [&](int digit, const CellSet& targets, const CellSet& premises) {
            targets.forEach([&](int cell) {
                const std::size_t start = parents.size();
                pushRemoved(premises, digit);
                any = add(factOf(cell, digit, false), Rule::lockedCandidates, start) || any;
            });
        };
        for (int digit = 1; digit <= 9 && !contradiction; ++digit) {
            const auto d = static_cast<std::size_t>(digit - 1);
            if ((lockedStale >> d & 1) == 0) {
                continue; // as when last looked at, when all it showed was taken
            }
            lockedStale &= ~(1u << d);
            if (!pointsOrClaims(g.cand[d])) {
                continue;
            }
            for (int box = 18; box < 27; ++box) {
                const CellSet& boxSet = houseSet(box);
                if (!(g.placed[d] & boxSet).empty() || (g.cand[d] & boxSet).empty()) {
                    continue; // no place to point from, none to claim
                }
                // Its rows, then its columns; for each, pointing then claiming. The places
                // are read again after each elimination.
                for (const std::uint8_t line : linesOfBox[static_cast<std::size_t>(box - 18)]) {
                    const CellSet& lineSet = houseSet(line);
                    const CellSet cross = boxSet & lineSet;
                    const CellSet inBox = g.cand[d] & boxSet;
                    if (!inBox.empty() && within(inBox, cross)) {
                        const CellSet targets = (g.cand[d] & lineSet).without(cross);
                        if (!targets.empty()) {
                            eliminate(digit, targets, boxSet.without(cross));
                        }
                    }
                    const CellSet inLine = g.cand[d] & lineSet;
                    if (!inLine.empty() && within(inLine, cross) && (g.placed[d] & lineSet).empty()) {
                        const CellSet targets = (g.cand[d] & boxSet).without(cross);
                        if (!targets.empty()) {
                            eliminate(digit, targets, lineSet.without(cross));
                        }
                    }
                }
            }
        }
        return any;
    }

    bool findNested();

    // Propagates until nothing more follows or a contradiction.
    void run()
    {
        cut = false;
        const int last = lastRound(mode, limit);
        for (int round = 0; !contradiction && round <= last; ++round) {
            rounds = round;
            while (head < order.size() && !contradiction) {
                const int f = order[head++];
                if (isOn(f)) {
                    applyTrue(f);
                }
            }
            const Touched touched = takeTouched();
            looked.add(touched);
            if (contradiction || (!mode.staticLinks && findClash(touched))) {
                return;
            }
            if (findSingles(touched) || (mode.locked && findLocked()) || (mode.inner != Inner::none && findNested())) {
                continue;
            }
            return;
        }
        cut = !contradiction;
    }

    // The closure of parents[first, first + n): its facts of this branch, each once,
    // with the nested proofs' lengths; the enclosing branch's facts go to `outside`.
    int closure(std::uint32_t from, int n, std::vector<std::uint16_t>* outside, std::vector<std::uint16_t>* facts)
    {
        if (++walkGen == 0) {
            walked.fill(0);
            walkGen = 1;
        }
        stack.clear();
        for (int k = 0; k < n; ++k) {
            stack.push_back(parents[from + static_cast<std::uint32_t>(k)]);
        }
        int length = 0;
        while (!stack.empty()) {
            const std::uint16_t p = stack.back();
            stack.pop_back();
            if ((p & outerBit) != 0) {
                if (outside != nullptr) {
                    outside->push_back(static_cast<std::uint16_t>(p & ~outerBit));
                }
                continue;
            }
            if (walked[p] == walkGen) {
                continue;
            }
            walked[p] = walkGen;
            length += 1 + extra[p];
            if (facts != nullptr) {
                facts->push_back(p);
            }
            for (std::uint32_t k = 0; k < count[p]; ++k) {
                stack.push_back(parents[first[p] + k]);
            }
        }
        return length;
    }

    // The length of a contradiction. A dynamic branch counts the facts the clash rests
    // on, and the clash; a Nishio branch (one digit) counts each clashing fact's own
    // chain, the shared start included each time, less the assumption and the clash.
    // These are what match the community's ratings best (see the technique rows).
    int clashLength()
    {
        if (mode.digit == 0) {
            return closure(clashFirst, clashCount, nullptr, nullptr) + 1;
        }
        int sum = -2;
        for (std::uint32_t k = 0; k < clashCount; ++k) {
            sum += closure(clashFirst + k, 1, nullptr, nullptr);
        }
        return sum;
    }

    Offs offs() const
    {
        Offs o;
        for (const std::uint16_t f : order) {
            if (!isOn(f)) {
                o.add(f / 2);
            }
        }
        return o;
    }

    int factLength(int f, std::vector<std::uint16_t>* facts = nullptr)
    {
        const std::size_t at = parents.size();
        parents.push_back(static_cast<std::uint16_t>(f));
        const int length = closure(static_cast<std::uint32_t>(at), 1, nullptr, facts);
        parents.resize(at);
        return length;
    }

    // The proof of a branch: the facts `facts` rests on, in the order they were found,
    // then a clash node when the branch ends in a contradiction.
    ChainProof::Branch branchOf(std::vector<std::uint16_t> facts, bool clashes) const;
};

Workspace& workspace(int depth)
{
    thread_local ThreadScratch<Workspace> spaces[3];
    ThreadScratch<Workspace>& space = spaces[static_cast<std::size_t>(depth)];
    if (!space.made()) {
        space.get().depth = depth;
    }
    return space.get();
}

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

// The static inner runs of one pass of the nested multiple rule, kept so that a
// candidate read for its eliminations and measured for one group or more runs once:
// each fact with its parents, enough to measure any fact the run derived.
class PassRuns {
public:
    void startPass()
    {
        if (++pass_ == 0) {
            kept_.fill(0);
            pass_ = 1;
        }
        facts_.clear();
        firsts_.clear();
        parents_.clear();
    }

    bool has(std::size_t x) const { return kept_[x] == pass_; }

    void keep(std::size_t x, const Workspace& w)
    {
        runs_[x] = {static_cast<std::uint32_t>(facts_.size()), static_cast<std::uint32_t>(firsts_.size()),
                    static_cast<std::uint32_t>(w.order.size()), w.contradiction};
        kept_[x] = pass_;
        for (const std::uint16_t f : w.order) {
            facts_.push_back(f);
            firsts_.push_back(static_cast<std::uint32_t>(parents_.size()));
            for (std::uint32_t k = 0; k < w.count[f]; ++k) {
                const std::uint16_t p = w.parents[w.first[f] + k];
                parents_.push_back((p & outerBit) != 0 ? p : w.position[p]);
            }
        }
        firsts_.push_back(static_cast<std::uint32_t>(parents_.size()));
    }

    // Adds to `length` the facts of x's run that `fact` rests on, itself included, and
    // to `outside` the enclosing branch's; false when the run clashed or never derived it.
    bool measure(std::size_t x, int fact, int& length, std::vector<std::uint16_t>& outside)
    {
        const Run& run = runs_[x];
        std::uint32_t at = 0;
        while (at < run.count && facts_[run.facts + at] != fact) {
            ++at;
        }
        if (run.clash || at == run.count) {
            return false;
        }
        if (seen_.size() < run.count) {
            seen_.resize(run.count, 0);
        }
        if (++walk_ == 0) {
            std::fill(seen_.begin(), seen_.end(), 0);
            walk_ = 1;
        }
        stack_.assign(1, static_cast<std::uint16_t>(at));
        while (!stack_.empty()) {
            const std::uint16_t i = stack_.back();
            stack_.pop_back();
            if ((i & outerBit) != 0) {
                outside.push_back(static_cast<std::uint16_t>(i & ~outerBit));
                continue;
            }
            if (seen_[i] == walk_) {
                continue;
            }
            seen_[i] = walk_;
            ++length; // an inner static run has no nested facts of its own
            for (std::uint32_t k = firsts_[run.firsts + i]; k < firsts_[run.firsts + i + 1]; ++k) {
                stack_.push_back(parents_[k]);
            }
        }
        return true;
    }

private:
    struct Run {
        std::uint32_t facts = 0;  // where its facts begin in facts_
        std::uint32_t firsts = 0; // and their parents' starts in firsts_
        std::uint32_t count = 0;
        bool clash = false;
    };
    std::array<std::uint32_t, 729> kept_{};
    std::uint32_t pass_ = 0;
    std::array<Run, 729> runs_{};
    std::vector<std::uint16_t> facts_;
    std::vector<std::uint32_t> firsts_;  // per fact, then one past the run's last
    std::vector<std::uint16_t> parents_; // an index into the run's facts, or outerBit | fact
    std::vector<std::uint32_t> seen_;
    std::uint32_t walk_ = 0;
    std::vector<std::uint16_t> stack_;
};

PassRuns& passRuns()
{
    thread_local ThreadScratch<PassRuns> runs;
    return runs.get();
}

StaticReach& staticReach()
{
    thread_local ThreadScratch<StaticReach> reach;
    return reach.get();
}

QuietProbes& quietProbes()
{
    thread_local ThreadScratch<QuietProbes> probes;
    return probes.get();
}

// The nested rule: a candidate whose assumption leads, by a simpler propagation run in
// this branch's grid, to a contradiction is false. Static cell and unit chains
// (staticMultiple) also remove a candidate that every candidate of a cell, or every
// place of a digit in a house, rules out.
bool Workspace::findNested()
{
    if (longestNested(limit) < 2) {
        return false; // a nested fact rests on its assumption and one more at least
    }
    Workspace& in = workspace(depth + 1);
    const Mode inner = innerMode(mode);
    struct Hit {
        int fact;
        int length;
        std::vector<std::uint16_t> outside;
        std::shared_ptr<const ChainProof> proof;
    };
    std::vector<Hit> hits;
    const Grid now = g;
    // What changed since the last pass: a candidate whose previous inner run looked at
    // none of it would run the same way, without contradiction, and is skipped.
    Looked changed;
    for (std::size_t k = lastPass; k < order.size(); ++k) {
        const int f = order[k];
        const int cell = cellOfFact(f);
        changed.cells.add(cell);
        for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(cell)]) {
            changed.houses[static_cast<std::size_t>(digitOfFact(f) - 1)] |= std::uint32_t{1} << h;
        }
    }
    const bool firstPass = memoGen != gen;
    if (firstPass) {
        sinceStart = {};
    }
    sinceStart.add(changed);
    // The static levels keep their inner runs, and reuse them in the same position.
    const bool keep = depth == 0 && !record && mode.inner != Inner::dynamicChains && innerRuns().holds(*startGrid);
    const int kept = keep ? innerRuns().keepGrid(g) : -1;
    std::array<bool, 729> clashed{};
    memoGen = gen;
    lastPass = order.size();
    // Static inner runs: only the candidates whose chains can reach a contradiction run,
    // and a run's memo holds while nothing it looked at has changed.
    StaticReach* const reach = inner.staticLinks ? &staticReach() : nullptr;
    if (reach != nullptr) {
        const std::vector<std::uint64_t>* known = kept >= 0 ? innerRuns().reach(kept) : nullptr;
        if (known != nullptr) {
            reach->restore(now.cand, *known);
        } else {
            const StrongLinks links = strongLinksOf(now.cand);
            reach->compute(now.cand, links);
            in.useStrong(now, links); // the inner runs start from here
            if (kept >= 0) {
                innerRuns().keepReach(kept, reach->rows());
            }
        }
        for (int digit = 1; digit <= 9; ++digit) {
            now.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
                const auto x = static_cast<std::size_t>(cell * 9 + digit - 1);
                if (memoValid[x] == gen && (firstPass || memo[x].meets(changed))) {
                    memoValid[x] = 0;
                }
            });
        }
    }
    std::optional<ProbeStart> probesFrom; // made at the first probe
    // The branches of a search share what their probes found: those known to end
    // without contradiction here need not run (their memo then meets any change).
    const bool probing = reach == nullptr && !record;
    const bool sharing = probing && depth == 0 && startGrid != nullptr;
    std::array<CellSet, 9> places{}; // per digit, placed cells included
    QuietProbes::Known before;
    Offs quietNow;
    Offs clashNow;
    if (sharing) {
        quietProbes().startAt(*startGrid);
        for (std::size_t d = 0; d < 9; ++d) {
            places[d] = now.cand[d] | now.placed[d];
        }
        if (quietProbes().usable()) {
            const int a = order[0]; // this branch's assumption
            before = quietProbes().known(places, lastRound(inner, limit),
                                         isOn(a) ? cellOfFact(a) * 9 + digitOfFact(a) - 1 : -1);
        }
    }
    const auto remember = [&](std::size_t x, const Looked& seen, const Offs& offs) {
        memo[x] = seen;
        memoOffs[x] = offs;
        memoValid[x] = gen;
    };
    for (int digit = 1; digit <= 9; ++digit) {
        now.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            const auto x = static_cast<std::size_t>(cell * 9 + digit - 1);
            if (reach != nullptr) {
                if (!reach->mayClash(static_cast<int>(x))) {
                    return;
                }
            } else if (firstPass && base != nullptr && !base->clash[x] && !base->looked[x].meets(changed)) {
                remember(x, base->looked[x], base->offs[x]); // as in the starting position, where it found nothing
                quietNow.add(static_cast<int>(x));
                return;
            }
            if (reach == nullptr && !firstPass && !memo[x].meets(changed)) {
                quietNow.add(static_cast<int>(x));
                return;
            }
            const int assumption = factOf(cell, digit, true);
            if (probing) {
                if (before.quiet.has(static_cast<int>(x)) ||
                    before.quietPlaced[static_cast<std::size_t>(digit - 1)].has(cell)) {
                    memo[x] = Looked::all();
                    quietNow.add(static_cast<int>(x));
                    return;
                }
                Looked seen;
                if (!probesFrom) {
                    probesFrom = probeStart(now);
                }
                // One known to clash runs at once: the run below finds its proof.
                std::array<CellSet, 9> end{};
                if (!before.clash.has(static_cast<int>(x)) &&
                    !probeSingles(*probesFrom, cell, digit, lastRound(inner, limit), seen, sharing ? &end : nullptr)) {
                    memo[x] = seen;
                    quietNow.add(static_cast<int>(x));
                    if (!end[0].empty()) { // it ended with nothing more to place
                        quietProbes().keepEnd(static_cast<int>(x), end);
                    }
                    return;
                }
            }
            if (kept >= 0) {
                const InnerOutcome* known = innerRuns().find(kept, static_cast<int>(x));
                if (known != nullptr && known->holdsFor(lastRound(inner, limit))) {
                    remember(x, known->looked, known->offs);
                    if (known->contradiction) {
                        clashed[x] = true;
                        hits.push_back({factOf(cell, digit, false), known->length, known->outside, nullptr});
                    }
                    return;
                }
            }
            in.start(now, assumption, inner, this, limit);
            in.record = record;
            in.run();
            if (kept >= 0) {
                InnerOutcome o;
                o.looked = in.looked;
                o.offs = in.offs();
                o.contradiction = in.contradiction;
                o.cut = in.cut;
                o.bound = lastRound(inner, limit);
                o.rounds = in.rounds;
                if (in.contradiction) {
                    o.length = in.closure(in.clashFirst, in.clashCount, &o.outside, nullptr);
                    std::sort(o.outside.begin(), o.outside.end());
                    o.outside.erase(std::unique(o.outside.begin(), o.outside.end()), o.outside.end());
                }
                innerRuns().keep(kept, static_cast<int>(x), std::move(o));
            }
            remember(x, in.looked, in.offs());
            if (!in.contradiction) {
                if (probing) {
                    quietNow.add(static_cast<int>(x));
                }
                return;
            }
            if (probing) {
                clashNow.add(static_cast<int>(x));
            }
            clashed[x] = true;
            Hit hit;
            hit.fact = factOf(cell, digit, false);
            std::vector<std::uint16_t> facts;
            hit.length = in.closure(in.clashFirst, in.clashCount, &hit.outside, record ? &facts : nullptr);
            if (record) {
                auto proof = std::make_shared<ChainProof>();
                proof->branches.push_back(in.branchOf(facts, true));
                proof->length = hit.length;
                hit.proof = std::move(proof);
            }
            hits.push_back(std::move(hit));
        });
    }
    if (sharing) {
        quietProbes().keep(places, quietNow, clashNow, lastRound(inner, limit));
    }
    if (mode.inner == Inner::staticMultiple && hits.empty()) {
        // Cell and unit chains, when no contradiction was found in this pass (the
        // simpler rule first): every candidate of a cell, or every place of a digit in
        // a house, makes the same candidate false. The branches run again to measure it.
        // `xs` are all the candidates of a cell or places of a digit in a house in the
        // grid now; the facts of this branch that removed the others are premises too.
        // What a candidate's run makes false: kept from this position's runs, or run.
        PassRuns& thisPass = passRuns();
        thisPass.startPass();
        const auto runKept = [&](std::size_t x) {
            in.start(now, factOf(static_cast<int>(x) / 9, static_cast<int>(x) % 9 + 1, true), inner, this, limit);
            in.record = false;
            in.run();
            remember(x, in.looked, in.offs());
            thisPass.keep(x, in);
        };
        const auto exactOffs = [&](std::size_t x) {
            if (memoValid[x] == gen) {
                return memoOffs[x];
            }
            if (base != nullptr && !base->clash[x] && !base->looked[x].meets(sinceStart)) {
                remember(x, base->looked[x], base->offs[x]);
                return memoOffs[x];
            }
            if (kept >= 0) {
                const InnerOutcome* known = innerRuns().find(kept, static_cast<int>(x));
                if (known != nullptr && known->holdsFor(lastRound(inner, limit))) {
                    remember(x, known->looked, known->offs);
                    return memoOffs[x];
                }
            }
            runKept(x);
            return memoOffs[x];
        };
        Offs open; // the candidates still there
        for (int d = 0; d < 9; ++d) {
            now.cand[static_cast<std::size_t>(d)].forEach([&](int cell) { open.add(cell * 9 + d); });
        }
        const auto group = [&](const std::array<int, 9>& xs, int n, auto&& premises) {
            // Each member's run counts its assumption and the fact at least.
            if (2 * n > longestNested(limit) || !reach->mayShareOff(xs.data(), n)) {
                return;
            }
            for (int k = 0; k < n; ++k) {
                if (clashed[static_cast<std::size_t>(xs[static_cast<std::size_t>(k)])]) {
                    return;
                }
            }
            // The members whose eliminations are known first: the others run only while
            // some elimination is still common to all.
            Offs common = open;
            for (const bool known : {true, false}) {
                for (int k = 0; k < n; ++k) {
                    const auto x = static_cast<std::size_t>(xs[static_cast<std::size_t>(k)]);
                    if ((memoValid[x] == gen) != known) { // a run this pass is remembered too
                        continue;
                    }
                    const Offs offs = exactOffs(x);
                    std::uint64_t left = 0;
                    for (std::size_t i = 0; i < common.w.size(); ++i) {
                        common.w[i] &= offs.w[i];
                        left |= common.w[i];
                    }
                    if (left == 0) {
                        return;
                    }
                }
            }
            int y = -1;
            for (std::size_t i = 0; i < common.w.size() && y < 0; ++i) {
                y = common.w[i] != 0 ? static_cast<int>(i * 64) + std::countr_zero(common.w[i]) : -1;
            }
            if (y < 0) {
                return;
            }
            Hit hit;
            hit.fact = y * 2;
            hit.length = 0;
            hit.outside = premises();
            if (!record) {
                for (int k = 0; k < n; ++k) {
                    const auto x = static_cast<std::size_t>(xs[static_cast<std::size_t>(k)]);
                    if (!thisPass.has(x)) {
                        runKept(x);
                    }
                    if (!thisPass.measure(x, hit.fact, hit.length, hit.outside)) {
                        return; // not as before: leave it
                    }
                    if (hit.length > longestNested(limit)) {
                        return; // already longer than the branch wants
                    }
                }
                hits.push_back(std::move(hit));
                return;
            }
            auto proof = std::make_shared<ChainProof>();
            for (int k = 0; k < n; ++k) {
                const int x = xs[static_cast<std::size_t>(k)];
                in.start(now, factOf(x / 9, x % 9 + 1, true), inner, this, limit);
                in.record = record;
                in.run();
                if (in.contradiction || !in.derived(hit.fact)) {
                    return; // not as before: leave it
                }
                std::vector<std::uint16_t> facts;
                const std::size_t at = in.parents.size();
                in.parents.push_back(static_cast<std::uint16_t>(hit.fact));
                hit.length += in.closure(static_cast<std::uint32_t>(at), 1, &hit.outside, record ? &facts : nullptr);
                in.parents.resize(at);
                if (record) {
                    proof->branches.push_back(in.branchOf(facts, false));
                }
            }
            if (record) {
                proof->length = hit.length;
                hit.proof = std::move(proof);
            }
            hits.push_back(std::move(hit));
        };
        std::array<int, 9> xs{};
        now.empty.forEach([&](int cell) {
            int n = 0;
            for (int d = 0; d < 9; ++d) {
                if (now.cand[static_cast<std::size_t>(d)].has(cell)) {
                    xs[static_cast<std::size_t>(n++)] = cell * 9 + d;
                }
            }
            if (n >= 2) {
                group(xs, n, [&] {
                    std::vector<std::uint16_t> premises;
                    for (int e = 1; e <= 9; ++e) {
                        if (derived(factOf(cell, e, false))) {
                            premises.push_back(static_cast<std::uint16_t>(factOf(cell, e, false)));
                        }
                    }
                    return premises;
                });
            }
        });
        for (int h = 0; h < 27; ++h) {
            for (int d = 0; d < 9; ++d) {
                int n = 0;
                (now.cand[static_cast<std::size_t>(d)] & houseSet(h)).forEach([&](int cell) {
                    xs[static_cast<std::size_t>(n++)] = cell * 9 + d;
                });
                if (n >= 2 && (now.placed[static_cast<std::size_t>(d)] & houseSet(h)).empty()) {
                    group(xs, n, [&] {
                        std::vector<std::uint16_t> premises;
                        for (const std::uint8_t c : cellsOf(h)) {
                            if (derived(factOf(c, d + 1, false))) {
                                premises.push_back(static_cast<std::uint16_t>(factOf(c, d + 1, false)));
                            }
                        }
                        return premises;
                    });
                }
            }
        }
    }
    bool any = false;
    for (Hit& hit : hits) {
        if (contradiction) {
            break;
        }
        if (hit.length > longestNested(limit)) {
            continue; // whatever rests on it is longer than the search wants
        }
        const std::size_t from = parents.size();
        std::sort(hit.outside.begin(), hit.outside.end());
        hit.outside.erase(std::unique(hit.outside.begin(), hit.outside.end()), hit.outside.end());
        for (const std::uint16_t p : hit.outside) {
            parents.push_back(p);
        }
        if (add(hit.fact, Rule::nested, from, hit.length)) {
            any = true;
            if (record) {
                proofs.emplace_back(static_cast<std::uint16_t>(hit.fact), hit.proof);
            }
        }
    }
    return any;
}

Mode innerMode(const Mode& outer)
{
    Mode inner;
    inner.staticLinks = outer.inner != Inner::dynamicChains;
    // The static cell and unit chains use every fact of the inner runs, not only
    // their contradictions.
    inner.chainsOnly = outer.inner != Inner::staticMultiple;
    return inner;
}

// Runs each candidate's nested run in the starting position.
const BaseRuns* baseRuns(const Grid& grid, const Mode& mode, int limit)
{
    if (mode.inner == Inner::none) {
        return nullptr;
    }
    thread_local ThreadScratch<BaseRuns> scratch;
    BaseRuns* const runs = &scratch.get();
    Workspace& in = workspace(1);
    const Mode inner = innerMode(mode);
    for (int digit = 1; digit <= 9; ++digit) {
        grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            const auto x = static_cast<std::size_t>(cell * 9 + digit - 1);
            in.start(grid, factOf(cell, digit, true), inner, nullptr, limit);
            in.run();
            runs->looked[x] = in.looked;
            runs->clash[x] = in.contradiction;
            runs->offs[x] = in.offs();
        });
    }
    return runs;
}

Mode modeOf(int level)
{
    Mode m;
    m.locked = level >= 2;
    m.inner = level == 3   ? Inner::staticChains
              : level == 4 ? Inner::staticMultiple
              : level == 5 ? Inner::dynamicChains
                           : Inner::none;
    return m;
}

// The conclusions a level's search can draw, and the cheapest found.
enum class Kind : std::uint8_t { contradiction, doubleChain, cell, unit };
constexpr int kindCount = 4;

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

struct FactSet {
    std::array<std::uint64_t, (factCount + 63) / 64> w{};
    void add(int f) { w[static_cast<std::size_t>(f / 64)] |= std::uint64_t{1} << (f % 64); }
    bool any() const
    {
        for (const auto x : w) {
            if (x != 0) {
                return true;
            }
        }
        return false;
    }
    FactSet& operator&=(const FactSet& o)
    {
        for (std::size_t i = 0; i < w.size(); ++i) {
            w[i] &= o.w[i];
        }
        return *this;
    }
    template <class F>
    void forEach(F f) const
    {
        for (std::size_t i = 0; i < w.size(); ++i) {
            for (std::uint64_t x = w[i]; x != 0; x &= x - 1) {
                f(static_cast<int>(i * 64) + std::countr_zero(x));
            }
        }
    }
};

struct LevelResult {
    std::array<Conclusion, kindCount> best{};
};

void consider(Conclusion& best, Conclusion c)
{
    if (!best.found || c.length < best.length) {
        c.found = true;
        best = std::move(c);
    }
}

// Runs a branch, top level; its facts into `set` (none when it clashes).
void runBranch(const Grid& grid, int assumption, const Mode& mode, int limit, const BaseRuns* base, bool record = false)
{
    Workspace& w = workspace(0);
    w.start(grid, assumption, mode, nullptr, limit);
    w.base = base;
    w.startGrid = &grid;
    w.record = record;
    w.run();
}

// A branch's facts and what each rests on, kept after its run so that the length of
// any conclusion it shares with other branches can be measured without running it again.
struct BranchGraph {
    std::vector<std::uint16_t> facts;   // in the order found
    std::vector<std::uint32_t> first;   // fact i's parents: parents[first[i], first[i + 1])
    std::vector<std::uint16_t> parents; // indices into facts
    std::vector<std::uint16_t> extra;   // a nested fact's own proof length

    void keep(const Workspace& w)
    {
        facts.assign(w.order.begin(), w.order.end());
        first.clear();
        parents.clear();
        extra.clear();
        for (const std::uint16_t f : facts) {
            first.push_back(static_cast<std::uint32_t>(parents.size()));
            for (std::uint32_t k = 0; k < w.count[f]; ++k) {
                parents.push_back(w.position[w.parents[w.first[f] + k]]);
            }
            extra.push_back(w.extra[f]);
        }
        first.push_back(static_cast<std::uint32_t>(parents.size()));
    }

    // The length of fact number `at`: the facts it rests on, itself included.
    int length(int at, std::vector<std::uint32_t>& seen, std::uint32_t& stamp, std::vector<std::uint16_t>& stack) const
    {
        if (seen.size() < facts.size()) {
            seen.resize(facts.size(), 0);
        }
        ++stamp;
        stack.assign(1, static_cast<std::uint16_t>(at));
        int n = 0;
        while (!stack.empty()) {
            const std::uint16_t i = stack.back();
            stack.pop_back();
            if (seen[i] == stamp) {
                continue;
            }
            seen[i] = stamp;
            n += 1 + extra[i];
            stack.insert(stack.end(), parents.begin() + static_cast<std::ptrdiff_t>(first[i]),
                         parents.begin() + static_cast<std::ptrdiff_t>(first[i + 1u]));
        }
        return n;
    }
};

// A level search's tables, per thread: too big for a small stack.
struct SearchSpace {
    std::array<FactSet, factCount> sets{};
    std::array<bool, factCount> clashes{};
    std::array<int, factCount> length{};
    std::array<std::int16_t, factCount> at{};
    std::array<int, factCount> limits{};
    std::vector<BranchGraph> graphs = std::vector<BranchGraph>(factCount);
    std::vector<std::uint32_t> seen;
    std::uint32_t stamp = 0;
    std::vector<std::uint16_t> stack;
};

SearchSpace& searchSpace()
{
    thread_local ThreadScratch<SearchSpace> space;
    return space.get();
}

// Groups of branches that all force a fact: the cheapest such fact and its length.
void groupConclusion(const std::vector<int>& assumptions, const FactSet& common, Conclusion& best, Kind kind, int cell,
                     int house, int digit)
{
    if (best.found && best.length <= 2 * static_cast<int>(assumptions.size())) {
        return;
    }
    SearchSpace& space = searchSpace();
    std::array<int, factCount>& length = space.length;
    common.forEach([&](int f) { length[static_cast<std::size_t>(f)] = 0; });
    for (const int a : assumptions) {
        const BranchGraph& graph = space.graphs[static_cast<std::size_t>(a)];
        for (std::size_t i = 0; i < graph.facts.size(); ++i) {
            space.at[graph.facts[i]] = static_cast<std::int16_t>(i);
        }
        common.forEach([&](int f) {
            length[static_cast<std::size_t>(f)] +=
                graph.length(space.at[static_cast<std::size_t>(f)], space.seen, space.stamp, space.stack);
        });
    }
    common.forEach([&](int f) {
        Conclusion c;
        c.length = length[static_cast<std::size_t>(f)];
        c.kind = kind;
        c.fact = f;
        c.assumptions = assumptions;
        for (const int a : assumptions) {
            c.limits.push_back(space.limits[static_cast<std::size_t>(a)]);
        }
        c.cell = cell;
        c.house = house;
        c.digit = digit;
        consider(best, std::move(c));
    });
}

LevelResult searchLevel(const Grid& grid, int level, int limit)
{
    LevelResult result;
    if (level == 0) {
        for (int digit = 1; digit <= 9; ++digit) {
            grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
                Mode m;
                m.digit = digit;
                runBranch(grid, factOf(cell, digit, true), m, limit, nullptr);
                Workspace& w = workspace(0);
                if (w.contradiction) {
                    Conclusion c;
                    c.limits = {limit};
                    c.length = w.clashLength();
                    c.fact = factOf(cell, digit, false);
                    c.assumptions = {factOf(cell, digit, true)};
                    c.cell = cell;
                    c.digit = digit;
                    consider(result.best[0], std::move(c));
                }
            });
        }
        return result;
    }
    const Mode mode = modeOf(level);
    if (mode.inner == Inner::staticChains || mode.inner == Inner::staticMultiple) {
        innerRuns().startAt(grid);
    }
    const BaseRuns* base = baseRuns(grid, mode, limit);
    // Each candidate true and false: its facts, or a contradiction.
    std::array<FactSet, factCount>& sets = searchSpace().sets;
    std::array<bool, factCount>& clashes = searchSpace().clashes;
    for (int digit = 1; digit <= 9; ++digit) {
        grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            for (const bool on : {true, false}) {
                const int a = factOf(cell, digit, on);
                runBranch(grid, a, mode, limit, base);
                searchSpace().limits[static_cast<std::size_t>(a)] = limit;
                Workspace& w = workspace(0);
                clashes[static_cast<std::size_t>(a)] = w.contradiction;
                if (w.contradiction) {
                    Conclusion c;
                    c.length = w.clashLength();
                    c.fact = a ^ 1;
                    c.assumptions = {a};
                    c.limits = {limit};
                    // Nothing longer can win now: later branches stop there.
                    limit = std::min(limit, c.length);
                    c.cell = cell;
                    c.digit = digit;
                    consider(result.best[0], std::move(c));
                    continue;
                }
                searchSpace().graphs[static_cast<std::size_t>(a)].keep(w);
                FactSet& s = sets[static_cast<std::size_t>(a)];
                s = {};
                for (std::size_t k = 1; k < w.order.size(); ++k) {
                    s.add(w.order[k]);
                }
            }
        });
    }
    const auto bestLength = [&] {
        int b = 1 << 30;
        for (const Conclusion& c : result.best) {
            b = c.found ? std::min(b, c.length) : b;
        }
        return b;
    };
    // Double: true and false force the same fact.
    for (int digit = 1; digit <= 9; ++digit) {
        grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            const int t = factOf(cell, digit, true);
            if (clashes[static_cast<std::size_t>(t)] || clashes[static_cast<std::size_t>(t ^ 1)]) {
                return;
            }
            FactSet common = sets[static_cast<std::size_t>(t)];
            common &= sets[static_cast<std::size_t>(t ^ 1)];
            if (common.any() && bestLength() > 4) {
                groupConclusion({t, t ^ 1}, common, result.best[1], Kind::doubleChain, cell, 0, digit);
            }
        });
    }
    // Cell: every candidate of a cell forces the same fact.
    grid.empty.forEach([&](int cell) {
        std::vector<int> as;
        FactSet common;
        common.w.fill(~std::uint64_t{0});
        for (int digit = 1; digit <= 9; ++digit) {
            if (grid.cand[static_cast<std::size_t>(digit - 1)].has(cell)) {
                const int t = factOf(cell, digit, true);
                if (clashes[static_cast<std::size_t>(t)]) {
                    return;
                }
                as.push_back(t);
                common &= sets[static_cast<std::size_t>(t)];
            }
        }
        if (as.size() >= 2 && common.any() && bestLength() > 2 * static_cast<int>(as.size())) {
            groupConclusion(as, common, result.best[2], Kind::cell, cell, 0, 0);
        }
    });
    // Unit: every place of a digit in a house forces the same fact.
    for (int h = 0; h < 27; ++h) {
        for (int digit = 1; digit <= 9; ++digit) {
            const CellSet places = grid.cand[static_cast<std::size_t>(digit - 1)] & houseSet(h);
            if (places.count() < 2) {
                continue;
            }
            std::vector<int> as;
            FactSet common;
            common.w.fill(~std::uint64_t{0});
            bool clashing = false;
            places.forEach([&](int cell) {
                const int t = factOf(cell, digit, true);
                clashing = clashing || clashes[static_cast<std::size_t>(t)];
                as.push_back(t);
                common &= sets[static_cast<std::size_t>(t)];
            });
            if (!clashing && common.any() && bestLength() > 2 * static_cast<int>(as.size())) {
                groupConclusion(as, common, result.best[3], Kind::unit, 0, h, digit);
            }
        }
    }
    return result;
}

struct Cached {
    std::optional<Grid> grid;
    int limit = 0;
    LevelResult result;
};

std::array<Cached, levelCount>& cache()
{
    thread_local ThreadScratch<std::array<Cached, levelCount>> levels;
    return levels.get();
}

constexpr int unbounded = 1 << 14;

Technique techniqueOfLevel(int level)
{
    return level == 0   ? Technique::nishioForcingChain
           : level == 1 ? Technique::dynamicCellForcingChain
           : level == 2 ? Technique::dynamicForcingChainPlus
           : level == 3 ? Technique::nestedForcingChain
           : level == 4 ? Technique::nestedMultipleForcingChain
                        : Technique::nestedDynamicForcingChain;
}

int weightOfLevel(int level, int length)
{
    const Technique t = techniqueOfLevel(level);
    return std::min(baseWeight(t) + lengthTenths(length), rowOf(t)->weights.highest);
}

thread_local int solverSearches = 0;

// The longest conclusion of `level` worth finding in `grid`: one that weighs less than
// the lightest step the levels below found there (ties go to the lower level).
int limitFor(const Grid& grid, int level)
{
    if (solverSearches == 0) {
        return unbounded;
    }
    int lightest = 1 << 14;
    for (int below = 0; below < level; ++below) {
        const Cached& c = cache()[static_cast<std::size_t>(below)];
        if (c.grid && same(*c.grid, grid)) {
            for (const Conclusion& found : c.result.best) {
                lightest = found.found ? std::min(lightest, weightOfLevel(below, found.length)) : lightest;
            }
        }
    }
    const Technique t = techniqueOfLevel(level);
    if (rowOf(t)->weights.highest < lightest) {
        return unbounded; // any length
    }
    const int tenths = lightest - 1 - baseWeight(t); // the most the length may add
    return tenths < 0 ? 0 : std::min(longestWithin(tenths), unbounded);
}

// The search's results for the last position asked, per level: the rows of one level
// ask in turn for the same position.
const LevelResult& cachedLevel(const Grid& grid, int level)
{
    Cached& c = cache()[static_cast<std::size_t>(level)];
    const int limit = limitFor(grid, level);
    if (!c.grid || !same(*c.grid, grid) || c.limit < limit) {
        c.result = limit > 0 ? searchLevel(grid, level, limit) : LevelResult{};
        for (Conclusion& found : c.result.best) {
            found.baseLimit = limit;
        }
        c.grid = grid;
        c.limit = limit;
    }
    return c.result;
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

SolverSearch::SolverSearch()
{
    ++solverSearches;
}

SolverSearch::~SolverSearch()
{
    --solverSearches;
}

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

} // namespace sudoku::logic::detail
