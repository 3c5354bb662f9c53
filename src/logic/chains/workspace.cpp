// The propagation of a branch: placements, singles, clashes and locked candidates on
// its grid, each fact with the facts that forced it.

#include "chains/workspace.h"
#include "chains/locked.h"
#include "thread_scratch.h"

#include <bit>

namespace sudoku::logic::detail {

namespace {

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

} // namespace

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

// Pushes as parents the false facts (c, digit), c in `cells`, that this branch or
// the enclosing one forced, in cell order (a fact of the starting position needs no
// proof). Only the places those branches removed are read, so the cells that had
// lost the digit before the search began cost nothing. Returns this branch's count.
int Workspace::pushRemoved(const CellSet& cells, int digit)
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
int Workspace::pushRemovedDigits(int cell, unsigned digits)
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

void Workspace::clash(std::initializer_list<int> facts)
{
    contradiction = true;
    clashFirst = static_cast<std::uint32_t>(parents.size());
    for (const int f : facts) {
        parents.push_back(static_cast<std::uint16_t>(f));
    }
    clashCount = static_cast<std::uint16_t>(facts.size());
}

void Workspace::useStrong(const Grid& grid, const StrongLinks& links)
{
    bivalue = links.bivalue;
    bilocal = links.bilocal;
    strongGrid = grid;
}

void Workspace::start(const Grid& grid, int assumption, const Mode& m, const Workspace* enclosing, int most)
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
    if (++runStamp == 0) {
        stamp.fill(0);
        runStamp = 1;
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

void Workspace::applyTrue(int f)
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
Touched Workspace::takeTouched()
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
bool Workspace::findClash(const Touched& t)
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

bool Workspace::clashFrom(std::size_t from)
{
    contradiction = true;
    clashFirst = static_cast<std::uint32_t>(from);
    clashCount = static_cast<std::uint16_t>(parents.size() - from);
    return true;
}

// Keeps the parents pushed since `from` for a single, unless a static branch would
// not see it: none, or more than one, of its premises are this branch's.
bool Workspace::singleParents(std::size_t from, int here)
{
    if (mode.staticLinks && here != 1) {
        parents.resize(from);
        return false;
    }
    return true;
}

// How many of the candidates a cell lost did this branch remove (its only one left
// was never removed).
int Workspace::premisesHere(int cell) const
{
    int here = 0;
    for (const CellSet& m : mine) {
        here += m.has(cell) ? 1 : 0;
    }
    return here;
}

bool Workspace::findSingles(const Touched& t)
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
bool Workspace::findLocked()
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

void Workspace::run()
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

int Workspace::closure(std::uint32_t from, int n, std::vector<std::uint16_t>* outside,
                       std::vector<std::uint16_t>* facts)
{
    if (++walkStamp == 0) {
        walked.fill(0);
        walkStamp = 1;
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
        if (walked[p] == walkStamp) {
            continue;
        }
        walked[p] = walkStamp;
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
int Workspace::clashLength()
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

CandidateSet Workspace::falseCandidates() const
{
    CandidateSet o;
    for (const std::uint16_t f : order) {
        if (!isOn(f)) {
            o.add(f / 2);
        }
    }
    return o;
}

int Workspace::factLength(int f, std::vector<std::uint16_t>* facts)
{
    const std::size_t at = parents.size();
    parents.push_back(static_cast<std::uint16_t>(f));
    const int length = closure(static_cast<std::uint32_t>(at), 1, nullptr, facts);
    parents.resize(at);
    return length;
}

Workspace& workspace(int depth)
{
    thread_local ThreadScratch<Workspace> spaces[3];
    ThreadScratch<Workspace>& space = spaces[static_cast<std::size_t>(depth)];
    if (!space.made()) {
        space.get().depth = depth;
    }
    return space.get();
}

} // namespace sudoku::logic::detail
