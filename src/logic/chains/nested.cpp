// The nested rule: inside a branch's grid, each candidate's assumption is followed by
// a simpler propagation (static chains for the nested and nested multiple forcing
// chains, dynamic ones for the nested dynamic); one that ends in a contradiction is
// false, and with the static cell and unit chains (nested multiple), so is a candidate
// that every candidate of a cell, or every place of a digit in a house, makes false.
//
// Most of the work is not running inner runs: a run whose footprint meets none of what
// changed since it last ran would go the same way (the memo), the static reach tells
// which candidates can clash at all, the probes tell cheaply which dynamic runs end
// without contradiction, and the runs of one grid are kept for the next level's search.

#include "chains/nested.h"
#include "chains/probe.h"
#include "chains/static_reach.h"
#include "thread_scratch.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

namespace sudoku::logic::detail {

namespace {

// What the nested rule reads of an inner run, proofs aside.
struct InnerOutcome {
    Footprint looked;
    CandidateSet falses;
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

// The static inner runs of one pass of the nested multiple rule, kept so that a
// candidate read for its eliminations and measured for one group or more runs once:
// each fact with its parents, enough to measure any fact the run derived.
class InnerRunGraphs {
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

InnerRunGraphs& innerRunGraphs()
{
    thread_local ThreadScratch<InnerRunGraphs> graphs;
    return graphs.get();
}

StaticReach& staticReach()
{
    thread_local ThreadScratch<StaticReach> reach;
    return reach.get();
}

SharedProbes& sharedProbes()
{
    thread_local ThreadScratch<SharedProbes> probes;
    return probes.get();
}

// The mode of the inner runs of a branch in mode `outer`.
Mode innerMode(const Mode& outer)
{
    Mode inner;
    inner.staticLinks = outer.inner != Inner::dynamicChains;
    // The static cell and unit chains use every fact of the inner runs, not only
    // their contradictions.
    inner.chainsOnly = outer.inner != Inner::staticMultiple;
    return inner;
}

// One pass of the nested rule in a branch: the inner runs from the candidates that may
// matter, and the facts they show, added to the branch.
class NestedPass {
public:
    explicit NestedPass(Workspace& branch)
        : w(branch), in(workspace(branch.depth + 1)), inner(innerMode(branch.mode)), now(branch.g)
    {
    }

    bool run();

private:
    // A fact the pass found: its length, the enclosing branch's facts it rests on, and
    // its proof when the branch records them.
    struct Hit {
        int fact = 0;
        int length = 0;
        std::vector<std::uint16_t> outside;
        std::shared_ptr<const ChainProof> proof;
    };

    // The last round the inner runs may run.
    int bound() const { return lastRound(inner, w.limit); }

    // What changed since the last pass, which memo holds still, and what the pass may
    // reuse: the inner runs kept for this grid, the static reach, the shared probes.
    void start();

    // The static reach of the grid now, kept with the inner runs of this grid, and the
    // memos it leaves standing.
    void useStaticReach();

    void remember(std::size_t x, const Footprint& seen, const CandidateSet& falses);

    // Whether the inner run of candidate x would go as before, by what is known of it
    // without running it; noted as quiet when so.
    bool knownQuiet(std::size_t x, int cell, int digit);

    // The inner run of candidate (cell, digit), or what is known of it; a contradiction
    // is a hit: the candidate is false.
    void tryCandidate(int cell, int digit);

    // Keeps what the inner run just made of candidate x, for the same grid later.
    void keepOutcome(std::size_t x);

    // Cell and unit chains, when no contradiction was found in this pass (the simpler
    // rule first): every candidate of a cell, or every place of a digit in a house, makes
    // the same candidate false. The facts of this branch that removed the cell's other
    // candidates, or the digit's other places in the house, are premises too.
    void findGroups();

    // Runs candidate x's inner run for its facts, kept for this pass.
    void runKept(std::size_t x);

    // What candidate x's inner run makes false: as remembered, as in the starting position
    // or in this grid's kept runs when nothing it looked at changed since, or run now.
    CandidateSet exactFalse(std::size_t x);

    // The candidate that every member of `xs` (n of them, each assumed true) makes false,
    // the first in candidate order; -1 when there is none.
    int commonFalse(const std::array<int, 9>& xs, int n);

    // A group of candidates of which one is true (a cell's, or a digit's places in a
    // house): the first candidate they all make false is a hit, measured by their runs.
    template <class Premises>
    void group(const std::array<int, 9>& xs, int n, Premises&& premises);

    // The hit's length from the members' kept runs; false when one no longer derives it,
    // or it is already longer than the branch wants.
    bool measureGroup(const std::array<int, 9>& xs, int n, Hit& hit);

    // The hit's length and proof, from the members' runs made again with their proofs;
    // false when one no longer derives it.
    bool recordGroup(const std::array<int, 9>& xs, int n, Hit& hit);

    // Adds the hits to the branch, each resting on the enclosing facts it used; true when
    // any was new.
    bool addHits();

    Workspace& w;  // the branch
    Workspace& in; // its inner runs
    const Mode inner;
    const Grid now; // the branch's grid as the pass began
    std::vector<Hit> hits;
    Footprint changed; // since the last pass
    bool firstPass = false;
    int kept = -1; // the number of this grid among the kept inner runs', or -1
    std::array<bool, 729> clashed{};
    StaticReach* reach = nullptr;
    std::optional<ProbeStart> probesFrom; // made at the first probe
    bool probing = false;
    bool sharing = false;
    std::array<CellSet, 9> places{}; // per digit, placed cells included
    SharedProbes::Known before;
    CandidateSet quietNow;
    CandidateSet clashNow;
    InnerRunGraphs& graphs = innerRunGraphs();
    CandidateSet open; // the candidates still there
};

bool NestedPass::run()
{
    start();
    for (int digit = 1; digit <= 9; ++digit) {
        now.cand[static_cast<std::size_t>(digit - 1)].forEach([&](int cell) { tryCandidate(cell, digit); });
    }
    if (sharing) {
        sharedProbes().keep(places, quietNow, clashNow, bound());
    }
    if (w.mode.inner == Inner::staticMultiple && hits.empty()) {
        findGroups();
    }
    return addHits();
}

void NestedPass::start()
{
    for (std::size_t k = w.lastPass; k < w.order.size(); ++k) {
        const int f = w.order[k];
        const int cell = cellOfFact(f);
        changed.cells.add(cell);
        for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(cell)]) {
            changed.houses[static_cast<std::size_t>(digitOfFact(f) - 1)] |= std::uint32_t{1} << h;
        }
    }
    firstPass = w.memoRunStamp != w.runStamp;
    if (firstPass) {
        w.sinceStart = {};
    }
    w.sinceStart.add(changed);
    // The static levels keep their inner runs, and reuse them in the same position.
    const bool keep =
        w.depth == 0 && !w.record && w.mode.inner != Inner::dynamicChains && innerRuns().holds(*w.startGrid);
    kept = keep ? innerRuns().keepGrid(w.g) : -1;
    w.memoRunStamp = w.runStamp;
    w.lastPass = w.order.size();
    // Static inner runs: only the candidates whose chains can reach a contradiction
    // run, and a run's memo holds while nothing it looked at has changed.
    reach = inner.staticLinks ? &staticReach() : nullptr;
    if (reach != nullptr) {
        useStaticReach();
    }
    // The branches of a search share what their probes found: those known to end
    // without contradiction here need not run (their memo then meets any change).
    probing = reach == nullptr && !w.record;
    sharing = probing && w.depth == 0 && w.startGrid != nullptr;
    if (sharing) {
        sharedProbes().startAt(*w.startGrid);
        for (std::size_t d = 0; d < 9; ++d) {
            places[d] = now.cand[d] | now.placed[d];
        }
        if (sharedProbes().usable()) {
            const int a = w.order[0]; // this branch's assumption
            before = sharedProbes().known(places, bound(), isOn(a) ? cellOfFact(a) * 9 + digitOfFact(a) - 1 : -1);
        }
    }
}

void NestedPass::useStaticReach()
{
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
            if (w.memoHolds[x] == w.runStamp && (firstPass || w.memo[x].meets(changed))) {
                w.memoHolds[x] = 0;
            }
        });
    }
}

void NestedPass::remember(std::size_t x, const Footprint& seen, const CandidateSet& falses)
{
    w.memo[x] = seen;
    w.memoFalse[x] = falses;
    w.memoHolds[x] = w.runStamp;
}

bool NestedPass::knownQuiet(std::size_t x, int cell, int digit)
{
    if (reach != nullptr) {
        return !reach->mayClash(static_cast<int>(x));
    }
    if (firstPass && w.base != nullptr && !w.base->clash[x] && !w.base->looked[x].meets(changed)) {
        remember(x, w.base->looked[x], w.base->falses[x]); // as in the starting position, where it found nothing
        quietNow.add(static_cast<int>(x));
        return true;
    }
    if (!firstPass && !w.memo[x].meets(changed)) {
        quietNow.add(static_cast<int>(x));
        return true;
    }
    if (!probing) {
        return false;
    }
    if (before.quiet.has(static_cast<int>(x)) || before.quietPlaced[static_cast<std::size_t>(digit - 1)].has(cell)) {
        w.memo[x] = Footprint::all();
        quietNow.add(static_cast<int>(x));
        return true;
    }
    if (!probesFrom) {
        probesFrom = probeStart(now);
    }
    // One known to clash runs at once: the run finds its proof.
    Footprint seen;
    std::array<CellSet, 9> end{};
    if (before.clash.has(static_cast<int>(x)) ||
        probeSingles(*probesFrom, cell, digit, bound(), seen, sharing ? &end : nullptr)) {
        return false;
    }
    w.memo[x] = seen;
    quietNow.add(static_cast<int>(x));
    if (!end[0].empty()) { // it ended with nothing more to place
        sharedProbes().keepEnd(static_cast<int>(x), end);
    }
    return true;
}

void NestedPass::tryCandidate(int cell, int digit)
{
    const auto x = static_cast<std::size_t>(cell * 9 + digit - 1);
    if (knownQuiet(x, cell, digit)) {
        return;
    }
    if (kept >= 0) {
        const InnerOutcome* known = innerRuns().find(kept, static_cast<int>(x));
        if (known != nullptr && known->holdsFor(bound())) {
            remember(x, known->looked, known->falses);
            if (known->contradiction) {
                clashed[x] = true;
                hits.push_back({factOf(cell, digit, false), known->length, known->outside, nullptr});
            }
            return;
        }
    }
    in.start(now, factOf(cell, digit, true), inner, &w, w.limit);
    in.record = w.record;
    in.run();
    if (kept >= 0) {
        keepOutcome(x);
    }
    remember(x, in.looked, in.falseCandidates());
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
    hit.length = in.closure(in.clashFirst, in.clashCount, &hit.outside, w.record ? &facts : nullptr);
    if (w.record) {
        auto proof = std::make_shared<ChainProof>();
        proof->branches.push_back(in.branchOf(facts, true));
        proof->length = hit.length;
        hit.proof = std::move(proof);
    }
    hits.push_back(std::move(hit));
}

void NestedPass::keepOutcome(std::size_t x)
{
    InnerOutcome o;
    o.looked = in.looked;
    o.falses = in.falseCandidates();
    o.contradiction = in.contradiction;
    o.cut = in.cut;
    o.bound = bound();
    o.rounds = in.rounds;
    if (in.contradiction) {
        o.length = in.closure(in.clashFirst, in.clashCount, &o.outside, nullptr);
        std::sort(o.outside.begin(), o.outside.end());
        o.outside.erase(std::unique(o.outside.begin(), o.outside.end()), o.outside.end());
    }
    innerRuns().keep(kept, static_cast<int>(x), std::move(o));
}

void NestedPass::findGroups()
{
    graphs.startPass();
    for (int d = 0; d < 9; ++d) {
        now.cand[static_cast<std::size_t>(d)].forEach([&](int cell) { open.add(cell * 9 + d); });
    }
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
                    if (w.derived(factOf(cell, e, false))) {
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
                        if (w.derived(factOf(c, d + 1, false))) {
                            premises.push_back(static_cast<std::uint16_t>(factOf(c, d + 1, false)));
                        }
                    }
                    return premises;
                });
            }
        }
    }
}

void NestedPass::runKept(std::size_t x)
{
    in.start(now, factOf(static_cast<int>(x) / 9, static_cast<int>(x) % 9 + 1, true), inner, &w, w.limit);
    in.record = false;
    in.run();
    remember(x, in.looked, in.falseCandidates());
    graphs.keep(x, in);
}

CandidateSet NestedPass::exactFalse(std::size_t x)
{
    if (w.memoHolds[x] == w.runStamp) {
        return w.memoFalse[x];
    }
    if (w.base != nullptr && !w.base->clash[x] && !w.base->looked[x].meets(w.sinceStart)) {
        remember(x, w.base->looked[x], w.base->falses[x]);
        return w.memoFalse[x];
    }
    if (kept >= 0) {
        const InnerOutcome* known = innerRuns().find(kept, static_cast<int>(x));
        if (known != nullptr && known->holdsFor(bound())) {
            remember(x, known->looked, known->falses);
            return w.memoFalse[x];
        }
    }
    runKept(x);
    return w.memoFalse[x];
}

int NestedPass::commonFalse(const std::array<int, 9>& xs, int n)
{
    // The members whose eliminations are known first: the others run only while some
    // elimination is still common to all.
    CandidateSet common = open;
    for (const bool known : {true, false}) {
        for (int k = 0; k < n; ++k) {
            const auto x = static_cast<std::size_t>(xs[static_cast<std::size_t>(k)]);
            if ((w.memoHolds[x] == w.runStamp) != known) { // a run this pass is remembered too
                continue;
            }
            const CandidateSet falses = exactFalse(x);
            std::uint64_t left = 0;
            for (std::size_t i = 0; i < common.w.size(); ++i) {
                common.w[i] &= falses.w[i];
                left |= common.w[i];
            }
            if (left == 0) {
                return -1;
            }
        }
    }
    for (std::size_t i = 0; i < common.w.size(); ++i) {
        if (common.w[i] != 0) {
            return static_cast<int>(i * 64) + std::countr_zero(common.w[i]);
        }
    }
    return -1;
}

template <class Premises>
void NestedPass::group(const std::array<int, 9>& xs, int n, Premises&& premises)
{
    // Each member's run counts its assumption and the fact at least.
    if (2 * n > longestNested(w.limit) || !reach->mayShareOff(xs.data(), n)) {
        return;
    }
    for (int k = 0; k < n; ++k) {
        if (clashed[static_cast<std::size_t>(xs[static_cast<std::size_t>(k)])]) {
            return;
        }
    }
    const int y = commonFalse(xs, n);
    if (y < 0) {
        return;
    }
    Hit hit;
    hit.fact = y * 2;
    hit.outside = premises();
    if (w.record ? recordGroup(xs, n, hit) : measureGroup(xs, n, hit)) {
        hits.push_back(std::move(hit));
    }
}

bool NestedPass::measureGroup(const std::array<int, 9>& xs, int n, Hit& hit)
{
    for (int k = 0; k < n; ++k) {
        const auto x = static_cast<std::size_t>(xs[static_cast<std::size_t>(k)]);
        if (!graphs.has(x)) {
            runKept(x);
        }
        if (!graphs.measure(x, hit.fact, hit.length, hit.outside) || hit.length > longestNested(w.limit)) {
            return false;
        }
    }
    return true;
}

bool NestedPass::recordGroup(const std::array<int, 9>& xs, int n, Hit& hit)
{
    auto proof = std::make_shared<ChainProof>();
    for (int k = 0; k < n; ++k) {
        const int x = xs[static_cast<std::size_t>(k)];
        in.start(now, factOf(x / 9, x % 9 + 1, true), inner, &w, w.limit);
        in.record = true;
        in.run();
        if (in.contradiction || !in.derived(hit.fact)) {
            return false;
        }
        std::vector<std::uint16_t> facts;
        const std::size_t at = in.parents.size();
        in.parents.push_back(static_cast<std::uint16_t>(hit.fact));
        hit.length += in.closure(static_cast<std::uint32_t>(at), 1, &hit.outside, &facts);
        in.parents.resize(at);
        proof->branches.push_back(in.branchOf(facts, false));
    }
    proof->length = hit.length;
    hit.proof = std::move(proof);
    return true;
}

bool NestedPass::addHits()
{
    bool any = false;
    for (Hit& hit : hits) {
        if (w.contradiction) {
            break;
        }
        if (hit.length > longestNested(w.limit)) {
            continue; // whatever rests on it is longer than the search wants
        }
        const std::size_t from = w.parents.size();
        std::sort(hit.outside.begin(), hit.outside.end());
        hit.outside.erase(std::unique(hit.outside.begin(), hit.outside.end()), hit.outside.end());
        for (const std::uint16_t p : hit.outside) {
            w.parents.push_back(p);
        }
        if (w.add(hit.fact, Rule::nested, from, hit.length)) {
            any = true;
            if (w.record) {
                w.proofs.emplace_back(static_cast<std::uint16_t>(hit.fact), hit.proof);
            }
        }
    }
    return any;
}

} // namespace

bool Workspace::findNested()
{
    if (longestNested(limit) < 2) {
        return false; // a nested fact rests on its assumption and one more at least
    }
    return NestedPass(*this).run();
}

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
            runs->falses[x] = in.falseCandidates();
        });
    }
    return runs;
}

void keepInnerRunsOf(const Grid& start)
{
    innerRuns().startAt(start);
}

} // namespace sudoku::logic::detail
