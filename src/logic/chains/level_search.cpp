// The search of one level of the dynamic chains: every branch of the position, the
// conclusions their facts allow, and the cache that the level's technique rows share.

#include "chains/level_search.h"
#include "chains/chain_length.h"
#include "techniques.h"
#include "thread_scratch.h"

#include <algorithm>
#include <optional>

namespace sudoku::logic::detail {

namespace {

// A set of facts.
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

void consider(Conclusion& best, Conclusion c)
{
    if (!best.found || c.length < best.length) {
        c.found = true;
        best = std::move(c);
    }
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

// Nishio: each candidate assumed true with its digit's singles only; a contradiction
// is all it can conclude.
void searchNishio(const Grid& grid, int limit, LevelResult& result)
{
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
}

// Runs each candidate true and false: a contradiction is a conclusion (and bounds the
// branches after it), any other branch leaves its facts and their graph.
void runEveryBranch(const Grid& grid, const Mode& mode, int limit, const BaseRuns* base, LevelResult& result)
{
    SearchSpace& space = searchSpace();
    for (int digit = 1; digit <= 9; ++digit) {
        grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            for (const bool on : {true, false}) {
                const int a = factOf(cell, digit, on);
                runBranch(grid, a, mode, limit, base);
                space.limits[static_cast<std::size_t>(a)] = limit;
                Workspace& w = workspace(0);
                space.clashes[static_cast<std::size_t>(a)] = w.contradiction;
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
                space.graphs[static_cast<std::size_t>(a)].keep(w);
                FactSet& s = space.sets[static_cast<std::size_t>(a)];
                s = {};
                for (std::size_t k = 1; k < w.order.size(); ++k) {
                    s.add(w.order[k]);
                }
            }
        });
    }
}

// The length of the lightest conclusion found so far.
int bestLength(const LevelResult& result)
{
    int b = 1 << 30;
    for (const Conclusion& c : result.best) {
        b = c.found ? std::min(b, c.length) : b;
    }
    return b;
}

// Double: true and false force the same fact.
void findDoubles(const Grid& grid, LevelResult& result)
{
    const SearchSpace& space = searchSpace();
    for (int digit = 1; digit <= 9; ++digit) {
        grid.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) {
            const int t = factOf(cell, digit, true);
            if (space.clashes[static_cast<std::size_t>(t)] || space.clashes[static_cast<std::size_t>(t ^ 1)]) {
                return;
            }
            FactSet common = space.sets[static_cast<std::size_t>(t)];
            common &= space.sets[static_cast<std::size_t>(t ^ 1)];
            if (common.any() && bestLength(result) > 4) {
                groupConclusion({t, t ^ 1}, common, result.best[1], Kind::doubleChain, cell, 0, digit);
            }
        });
    }
}

// Cell: every candidate of a cell forces the same fact.
void findCells(const Grid& grid, LevelResult& result)
{
    const SearchSpace& space = searchSpace();
    grid.empty.forEach([&](int cell) {
        std::vector<int> as;
        FactSet common;
        common.w.fill(~std::uint64_t{0});
        for (int digit = 1; digit <= 9; ++digit) {
            if (grid.cand[static_cast<std::size_t>(digit - 1)].has(cell)) {
                const int t = factOf(cell, digit, true);
                if (space.clashes[static_cast<std::size_t>(t)]) {
                    return;
                }
                as.push_back(t);
                common &= space.sets[static_cast<std::size_t>(t)];
            }
        }
        if (as.size() >= 2 && common.any() && bestLength(result) > 2 * static_cast<int>(as.size())) {
            groupConclusion(as, common, result.best[2], Kind::cell, cell, 0, 0);
        }
    });
}

// Unit: every place of a digit in a house forces the same fact.
void findUnits(const Grid& grid, LevelResult& result)
{
    const SearchSpace& space = searchSpace();
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
                clashing = clashing || space.clashes[static_cast<std::size_t>(t)];
                as.push_back(t);
                common &= space.sets[static_cast<std::size_t>(t)];
            });
            if (!clashing && common.any() && bestLength(result) > 2 * static_cast<int>(as.size())) {
                groupConclusion(as, common, result.best[3], Kind::unit, 0, h, digit);
            }
        }
    }
}

LevelResult searchLevel(const Grid& grid, int level, int limit)
{
    LevelResult result;
    if (level == 0) {
        searchNishio(grid, limit, result);
        return result;
    }
    const Mode mode = modeOf(level);
    if (mode.inner == Inner::staticChains || mode.inner == Inner::staticMultiple) {
        keepInnerRunsOf(grid);
    }
    runEveryBranch(grid, mode, limit, baseRuns(grid, mode, limit), result);
    findDoubles(grid, result);
    findCells(grid, result);
    findUnits(grid, result);
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

} // namespace

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

// Runs a branch, top level.
void runBranch(const Grid& grid, int assumption, const Mode& mode, int limit, const BaseRuns* base, bool record)
{
    Workspace& w = workspace(0);
    w.start(grid, assumption, mode, nullptr, limit);
    w.base = base;
    w.startGrid = &grid;
    w.record = record;
    w.run();
}

SolverSearch::SolverSearch()
{
    ++solverSearches;
}

SolverSearch::~SolverSearch()
{
    --solverSearches;
}

} // namespace sudoku::logic::detail
