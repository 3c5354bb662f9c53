// The probes of the nested dynamic chains: on random positions without single or
// clash, a probe against a plain round-by-round propagation that looks at every cell
// and house each round; the monotonicity that lets branches share quiet probes; and
// what the sharing keeps and finds.

#include "chains/probe.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <vector>

namespace {

using namespace sudoku::logic::detail;

const CellSet& house(int h)
{
    return tables.houseSet[static_cast<std::size_t>(h)];
}

void place(Grid& g, int cell, std::size_t d)
{
    g.placed[d].add(cell);
    CellSet here;
    here.add(cell);
    g.empty = g.empty.without(here);
    for (CellSet& c : g.cand) {
        c = c.without(here);
    }
    g.cand[d] = g.cand[d].without(tables.peers[static_cast<std::size_t>(cell)]);
}

bool clashes(const Grid& g)
{
    CellSet any;
    for (const CellSet& c : g.cand) {
        any = any | c;
    }
    if (!g.empty.without(any).empty()) {
        return true;
    }
    for (std::size_t d = 0; d < 9; ++d) {
        for (int h = 0; h < 27; ++h) {
            if ((g.placed[d] & house(h)).empty() && (g.cand[d] & house(h)).empty()) {
                return true;
            }
        }
    }
    return false;
}

// Every single of `g`, one per cell: naked ones in cell order, then hidden ones by
// digit and house, as a probe takes them.
std::vector<std::pair<int, std::size_t>> singles(const Grid& g)
{
    std::vector<std::pair<int, std::size_t>> found;
    CellSet taken;
    g.empty.forEach([&](int cell) {
        int n = 0;
        std::size_t digit = 0;
        for (std::size_t d = 0; d < 9; ++d) {
            if (g.cand[d].has(cell)) {
                ++n;
                digit = d;
            }
        }
        if (n == 1) {
            found.emplace_back(cell, digit);
            taken.add(cell);
        }
    });
    for (std::size_t d = 0; d < 9; ++d) {
        for (int h = 0; h < 27; ++h) {
            const CellSet places = g.cand[d] & house(h);
            if (places.count() == 1 && (places & taken).empty()) {
                places.forEach([&](int cell) { found.emplace_back(cell, d); });
                taken = taken | places;
            }
        }
    }
    return found;
}

// The same question as probeSingles, answered by looking everywhere every round.
bool plainProbe(Grid g, int cell, std::size_t d, int last)
{
    std::vector<std::pair<int, std::size_t>> placing{{cell, d}};
    for (int round = 0; round <= last; ++round) {
        for (const auto& [c, e] : placing) {
            for (const auto& [c2, e2] : placing) {
                if (e == e2 && c != c2 && tables.peers[static_cast<std::size_t>(c)].has(c2)) {
                    return true; // the digit placed twice in a house
                }
            }
        }
        for (const auto& [c, e] : placing) {
            place(g, c, e);
        }
        if (clashes(g)) {
            return true;
        }
        placing = singles(g);
        if (placing.empty()) {
            return false;
        }
    }
    return false;
}

// Places singles until none is left; nothing when that leads to a clash.
std::optional<Grid> settle(Grid g)
{
    while (!clashes(g)) {
        const auto found = singles(g);
        if (found.empty()) {
            return g;
        }
        for (const auto& [c, e] : found) {
            if (!g.cand[e].has(c)) {
                return std::nullopt; // an earlier single of the round took its place
            }
            place(g, c, e);
        }
    }
    return std::nullopt;
}

// A position without single or clash: random givens, then their singles.
std::optional<Grid> randomSettled(std::mt19937& random)
{
    Grid g;
    for (CellSet& c : g.cand) {
        c = {~std::uint64_t{0}, (std::uint64_t{1} << 17) - 1};
    }
    g.empty = g.cand[0];
    std::uniform_int_distribution<int> cellOf(0, 80);
    std::uniform_int_distribution<std::size_t> digitOf(0, 8);
    for (int k = 0; k < 22; ++k) {
        const int cell = cellOf(random);
        const std::size_t d = digitOf(random);
        if (g.cand[d].has(cell)) {
            place(g, cell, d);
        }
    }
    return settle(g);
}

// `g` with some candidates removed, then settled: fewer candidates everywhere.
std::optional<Grid> narrowed(Grid g, std::mt19937& random)
{
    std::bernoulli_distribution drop(0.06);
    for (CellSet& c : g.cand) {
        CellSet kept;
        c.forEach([&](int cell) {
            if (!drop(random)) {
                kept.add(cell);
            }
        });
        c = kept;
    }
    return settle(g);
}

int firstEmpty(const Grid& g)
{
    int c = 0;
    while (!g.empty.has(c)) {
        ++c;
    }
    return c;
}

std::size_t firstDigit(const Grid& g, int cell)
{
    std::size_t d = 0;
    while (!g.cand[d].has(cell)) {
        ++d;
    }
    return d;
}

std::array<CellSet, 9> placesOf(const Grid& g)
{
    std::array<CellSet, 9> p;
    for (std::size_t d = 0; d < 9; ++d) {
        p[d] = g.cand[d] | g.placed[d];
    }
    return p;
}

TEST(LogicProbe, AgreesWithAPlainPropagationAndIsMonotone)
{
    std::mt19937 random(11);
    int pairs = 0;
    int clashing = 0;
    int quiet = 0;
    while (pairs < 40) {
        const std::optional<Grid> wide = randomSettled(random);
        if (!wide) {
            continue;
        }
        const std::optional<Grid> tight = narrowed(*wide, random);
        if (!tight || !settled(*wide) || !settled(*tight)) {
            continue;
        }
        ++pairs;
        const ProbeStart fromWide = probeStart(*wide);
        const ProbeStart fromTight = probeStart(*tight);
        for (int x = 0; x < 729; ++x) {
            const int cell = x / 9;
            const auto d = static_cast<std::size_t>(x % 9);
            if (!tight->cand[d].has(cell)) {
                continue; // then a candidate of the wide position too
            }
            for (int last = 0; last <= 4; ++last) {
                Footprint seen;
                const bool inTight = probeSingles(fromTight, cell, x % 9 + 1, last, seen);
                ASSERT_EQ(inTight, plainProbe(*tight, cell, d, last)) << "candidate " << x << ", bound " << last;
                const bool inWide = probeSingles(fromWide, cell, x % 9 + 1, last, seen);
                ASSERT_EQ(inWide, plainProbe(*wide, cell, d, last)) << "candidate " << x << ", bound " << last;
                // Quiet with fewer candidates: quiet with more.
                ASSERT_TRUE(inTight || !inWide) << "candidate " << x << ", bound " << last;
                clashing += inWide ? 1 : 0;
                quiet += inTight ? 0 : 1;
            }
        }
    }
    EXPECT_GT(clashing, 0);
    EXPECT_GT(quiet, 0);
}

// A probe that ends with nothing more to place gives the position it ended in; any
// candidate placed there probes without contradiction, whatever the bound, in every
// position with at least its places: the one probed and a wider one.
TEST(LogicProbe, WhereAQuietProbeEndsItsPlacementsProbeQuiet)
{
    std::mt19937 random(7);
    int pairs = 0;
    int ends = 0;
    while (pairs < 20) {
        const std::optional<Grid> wide = randomSettled(random);
        const std::optional<Grid> tight = wide ? narrowed(*wide, random) : std::nullopt;
        if (!tight || !settled(*wide) || !settled(*tight)) {
            continue;
        }
        ++pairs;
        const ProbeStart from = probeStart(*tight);
        for (int x = 0; x < 729; ++x) {
            const int cell = x / 9;
            const auto d = static_cast<std::size_t>(x % 9);
            if (!tight->cand[d].has(cell)) {
                continue;
            }
            Footprint seen;
            std::array<CellSet, 9> end{};
            if (probeSingles(from, cell, x % 9 + 1, 81, seen, &end)) {
                continue;
            }
            Grid g = *tight;
            place(g, cell, d);
            const std::optional<Grid> settledThere = settle(g);
            ASSERT_TRUE(settledThere) << "candidate " << x;
            const std::array<CellSet, 9> there = placesOf(*settledThere);
            for (std::size_t e = 0; e < 9; ++e) {
                ASSERT_TRUE(there[e].lo == end[e].lo && there[e].hi == end[e].hi) << "candidate " << x;
            }
            ++ends;
            for (const Grid* w : {&*tight, &*wide}) {
                for (std::size_t e = 0; e < 9; ++e) {
                    settledThere->placed[e].forEach([&](int c) {
                        if (w->cand[e].has(c)) {
                            EXPECT_FALSE(plainProbe(*w, c, e, 81)) << "candidate " << x << " ends with " << c * 9 + e;
                        }
                    });
                }
            }
        }
    }
    EXPECT_GT(ends, 100);
}

TEST(LogicProbe, SettledMeansNoSingleAndNoClash)
{
    std::mt19937 random(5);
    std::optional<Grid> g;
    while (!g) {
        g = randomSettled(random);
    }
    EXPECT_TRUE(settled(*g));
    // A cell left with one candidate, then none; a house left with one place.
    const int cell = firstEmpty(*g);
    Grid one = *g;
    CellSet here;
    here.add(cell);
    int kept = 0;
    for (CellSet& c : one.cand) {
        if (c.has(cell) && kept++ > 0) {
            c = c.without(here);
        }
    }
    EXPECT_FALSE(settled(one));
    Grid none = one;
    for (CellSet& c : none.cand) {
        c = c.without(here);
    }
    EXPECT_FALSE(settled(none));
    Grid hidden = *g;
    const std::size_t d = firstDigit(*g, cell);
    const int row = cell / 9;
    hidden.cand[d] = hidden.cand[d].without(house(row).without(here));
    EXPECT_FALSE(settled(hidden));
}

TEST(LogicProbe, SharesWhatProbesFoundWithWiderAndNarrowerPositions)
{
    std::mt19937 random(3);
    std::optional<Grid> start;
    while (!start) {
        start = randomSettled(random);
    }
    SharedProbes probes;
    probes.startAt(*start);
    ASSERT_TRUE(probes.usable());
    const std::array<CellSet, 9> all = placesOf(*start);
    std::array<CellSet, 9> fewer = all;
    const int cell = firstEmpty(*start);
    CellSet here;
    here.add(cell);
    const std::size_t d = firstDigit(*start, cell);
    fewer[d] = fewer[d].without(here);
    // Quiet in a position: quiet in one with more candidates, with the same bound or a
    // lower one. Clashing in a position: clashing in one with fewer, same bound or higher.
    CandidateSet quiet;
    quiet.add(5);
    CandidateSet clash;
    clash.add(7);
    probes.keep(fewer, quiet, CandidateSet{}, 2);
    probes.keep(all, CandidateSet{}, clash, 2);
    struct Case {
        const char* what;
        std::array<CellSet, 9> places;
        int last;
        bool quiet;
        bool clash;
    };
    std::array<CellSet, 9> other = all; // another digit without places
    other[(d + 1) % 9] = CellSet{};
    const std::array<Case, 6> cases{{
        {"the wider position, same bound", all, 2, true, true},
        {"the wider position, lower bound", all, 1, true, false},
        {"the wider position, higher bound", all, 3, false, true},
        {"the narrower position", fewer, 2, true, true},
        {"narrower than the one, not wider than the other", other, 2, false, true},
        {"wider than both",
         [&] {
             std::array<CellSet, 9> wider = all;
             std::size_t e = 0;
             while (wider[e].has(cell)) {
                 ++e;
             }
             wider[e] = wider[e] | here;
             return wider;
         }(),
         2, true, false},
    }};
    for (const Case& c : cases) {
        const SharedProbes::Known k = probes.known(c.places, c.last);
        EXPECT_EQ(k.quiet.has(5), c.quiet) << c.what;
        EXPECT_EQ(k.clash.has(7), c.clash) << c.what;
    }
    // Where the probes of the branch's own candidate ended: their placements, when the
    // position holds every place of the end, and only for that candidate. This end has
    // the cell's second candidate alone in it.
    const int x = cell * 9 + static_cast<int>(d);
    std::size_t second = d + 1;
    while (!all[second].has(cell)) {
        ++second;
    }
    std::array<CellSet, 9> lone = all;
    for (std::size_t f = 0; f < 9; ++f) {
        lone[f] = f == second ? lone[f] : lone[f].without(here);
    }
    probes.keepEnd(x, lone);
    const auto placedIn = [&](const std::array<CellSet, 9>& places, int on) {
        return probes.known(places, 2, on).quietPlaced[second].has(cell);
    };
    EXPECT_TRUE(placedIn(all, x)) << "a wider position";
    EXPECT_TRUE(placedIn(lone, x)) << "the end itself";
    EXPECT_FALSE(placedIn(lone, x + 1)) << "another candidate's branch";
    EXPECT_FALSE(placedIn(other, x)) << "a position without all its places";
    // Another search forgets; a start with a single shares nothing.
    Grid unsettled = *start;
    for (std::size_t e = 0; e < 9; ++e) {
        if (e != d) {
            unsettled.cand[e] = unsettled.cand[e].without(here);
        }
    }
    probes.startAt(unsettled);
    EXPECT_FALSE(probes.usable());
    EXPECT_FALSE(probes.known(all, 2).quiet.has(5));
    probes.keep(fewer, quiet, clash, 2);
    EXPECT_FALSE(probes.known(all, 2).quiet.has(5));
    EXPECT_FALSE(probes.known(fewer, 2).clash.has(7));
}

} // namespace
