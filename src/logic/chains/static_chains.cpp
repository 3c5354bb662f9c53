// The static chains: cycles, forcing chains and multiple forcing chains, over single
// digits (x), bivalue cells (y) or both (xy).
//
// A node is a candidate (cell, digit), taken as on (true) or off (false). An on node
// makes off the nodes weakly linked to it: its digit in the cells that see it and,
// unless the chain keeps to one digit, the other digits of its cell. An off node makes
// on its strong partners: the other place of its digit in a house that has just two
// (unless the chain keeps to bivalue cells), the other digit of a cell that holds just
// two (unless the chain keeps to one digit).
//
// The search records, for every start s, the fewest links by which "s on" reaches each
// node on and each node off (breadth first, all starts at once as bit sets). From
// these depths:
//  - a forcing chain: s on reaches s off (s is false: the chain between is an
//    alternating chain whose ends s sees), or s off reaches s on through a strong
//    partner of s (s is true). Its length: the nodes between the two ends s.
//  - a cycle: a loop s - a = b - ... - w - x = s through distinct nodes, found by a
//    depth-first search that the depths bound. In a loop each link holds exactly one
//    true node, so a candidate weakly linked to both nodes of a link is false. Its
//    length: its nodes, less two.
//  - a cell or unit forcing chain: each candidate of a cell, or each place of a digit
//    in a house (three or more), on reaches the same node on (true) or off (false).
//    Its length: the links of all its branches.
// A chain weighs its technique's base plus lengthTenths(length): the community's
// scale, as the ratings of puzzles on it bear out. A finder returns the lightest chain
// of its technique, the first found among equals. A forcing chain decides one
// candidate, a cycle or turbot fish removes all that its pattern rules out.

#include "chains/chain_length.h"
#include "step_text.h"
#include "techniques.h"
#include "thread_scratch.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace sudoku::logic::detail {

namespace {

enum class Mode { x, y, xy };

constexpr int maxNodes = 729;
constexpr int maxWords = (maxNodes + 63) / 64;
constexpr int maxGroups = 27 * 9 + 81;
// The deepest state recorded: every chain found then fits a step.
constexpr int maxDepth = 2 * maxChainLinks - 1;
constexpr std::uint8_t unreached = 0xFF;
// Multiple forcing chains of more links than this in all are left to harder techniques.
constexpr int maxForcingLinks = 48;
// Multiple forcing chains start from cells and house places with at least this many
// candidates: with two, the chain through the pair is an ordinary forcing chain.
constexpr int leastBranches = 3;
// Cycles are searched up to this many nodes, following this many partial loops at
// most, to bound their time on dense graphs: longer ones weigh as much as the forcing
// chains that then usually take their place.
constexpr int maxCycleNodes = 20;
constexpr long maxLoopExpansions = 2000;
using Word = std::uint64_t;

// The arrays are left unset (build() writes each entry before it is read), so that a
// search does not begin by clearing tens of kilobytes.
struct Graph {
    int nodes = 0;
    int words = 0; // words per set of starts
    std::array<std::uint8_t, maxNodes> cell;
    std::array<std::uint8_t, maxNodes> digit;
    std::array<std::int16_t, 81 * 9> index; // node of (cell, digit - 1), or -1
    std::array<std::array<std::int16_t, 4>, maxNodes> strong;
    std::array<std::uint8_t, maxNodes> strongCount;
    // Groups of nodes pairwise weakly linked: a digit in a house, then the digits of a
    // cell (from firstCellGroup on).
    int groups = 0;
    int firstCellGroup = 0;
    std::array<std::uint8_t, maxGroups> groupHouse;
    std::array<std::int16_t, maxGroups + 1> groupStart;
    std::array<std::int16_t, maxNodes * 4> members;
    std::array<std::array<std::int16_t, 4>, maxNodes> nodeGroups;
    std::array<std::uint8_t, maxNodes> nodeGroupCount;
};

// What the search leaves: onBy[c] and offBy[c] hold the starts whose truth makes c on,
// or off; depth[(2c + on) * nodes + s] the links from "s on" to that state.
struct Depths {
    std::array<Word, maxNodes * maxWords> onBy;
    std::array<Word, maxNodes * maxWords> offBy;
    std::vector<std::uint8_t> depth;
};

// One graph and its depths, with the pencil marks they were made from: the chain
// techniques over both kinds of links share one search of a position.
struct Workspace {
    Graph graph;
    Depths depths;
    bool valid = false;
    std::array<Digits, 81> marks{};
};

// The scratch of the chain searches: one for single-digit and bivalue chains, one for
// chains over every link, for each thread, made at its first search and kept, so that a
// search neither needs a large stack nor allocates (but for the table of depths,
// which grows to the largest position seen, at most about 1 MB).
Workspace& workspace(Mode mode)
{
    thread_local ThreadScratch<Workspace> own[2];
    return own[mode == Mode::xy ? 1 : 0].get();
}

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

void addStrong(Graph& g, int a, int b)
{
    auto& list = g.strong[at(a)];
    auto& count = g.strongCount[at(a)];
    if (std::find(list.begin(), list.begin() + count, b) == list.begin() + count && count < 4) {
        list[count++] = static_cast<std::int16_t>(b);
    }
}

void closeGroup(Graph& g, int first, int size, bool strongWhenPair)
{
    const int end = first + size;
    if (size < 2) {
        g.groupStart[at(g.groups)] = static_cast<std::int16_t>(first);
        return; // no link: drop the group
    }
    for (int i = first; i < end; ++i) {
        const int node = g.members[at(i)];
        auto& count = g.nodeGroupCount[at(node)];
        g.nodeGroups[at(node)][count++] = static_cast<std::int16_t>(g.groups);
    }
    if (size == 2 && strongWhenPair) {
        addStrong(g, g.members[at(first)], g.members[at(first + 1)]);
        addStrong(g, g.members[at(first + 1)], g.members[at(first)]);
    }
    ++g.groups;
    g.groupStart[at(g.groups)] = static_cast<std::int16_t>(end);
}

// The graph of a mode; `onlyDigit` restricts single-digit chains to one digit.
void build(const Board& board, Mode mode, int onlyDigit, Graph& g)
{
    g.nodes = 0;
    if (mode == Mode::x) {
        // Only the digit's entries are read.
        for (int cell = 0; cell < 81; ++cell) {
            g.index[at(cell * 9 + onlyDigit - 1)] = -1;
        }
    } else {
        g.index.fill(-1);
    }
    for (int cell = 0; cell < 81; ++cell) {
        const Digits marks = board.candidates(cell);
        if (mode == Mode::y && countOf(marks) != 2) {
            continue;
        }
        for (unsigned rest = marks; rest != 0; rest &= rest - 1) {
            const int digit = lowestDigit(rest);
            if (mode == Mode::x && digit != onlyDigit) {
                continue;
            }
            g.cell[at(g.nodes)] = static_cast<std::uint8_t>(cell);
            g.digit[at(g.nodes)] = static_cast<std::uint8_t>(digit);
            g.strongCount[at(g.nodes)] = 0;
            g.nodeGroupCount[at(g.nodes)] = 0;
            g.index[at(cell * 9 + digit - 1)] = static_cast<std::int16_t>(g.nodes++);
        }
    }
    g.words = (g.nodes + 63) / 64;

    g.groups = 0;
    g.groupStart[0] = 0;
    int used = 0;
    for (int house = 0; house < 27; ++house) {
        for (int digit = mode == Mode::x ? onlyDigit : 1; digit <= (mode == Mode::x ? onlyDigit : 9); ++digit) {
            const int first = used;
            for (const int cell : cellsOf(house)) {
                const int node = g.index[at(cell * 9 + digit - 1)];
                if (node >= 0) {
                    g.members[at(used++)] = static_cast<std::int16_t>(node);
                }
            }
            const int before = g.groups;
            // In a bivalue-only graph a house's pair is no strong link: a third place
            // may lie outside the graph.
            closeGroup(g, first, used - first, mode != Mode::y);
            if (g.groups > before) {
                g.groupHouse[at(before)] = static_cast<std::uint8_t>(house);
            }
            used = g.groupStart[at(g.groups)];
        }
    }
    g.firstCellGroup = g.groups;
    for (int cell = 0; cell < 81 && mode != Mode::x; ++cell) {
        const int first = used;
        for (int digit = 1; digit <= 9; ++digit) {
            const int node = g.index[at(cell * 9 + digit - 1)];
            if (node >= 0) {
                g.members[at(used++)] = static_cast<std::int16_t>(node);
            }
        }
        closeGroup(g, first, used - first, true);
        used = g.groupStart[at(g.groups)];
    }
}

int depthOf(const Graph& g, const Depths& d, int node, bool on, int start)
{
    return d.depth[at((2 * node + (on ? 1 : 0)) * g.nodes + start)];
}

// Fills the depths, one link per pass: on to off through the weak groups, then off to
// on through the strong links.
void search(const Graph& g, Depths& d)
{
    const int n = g.nodes;
    const int words = g.words;
    const auto set = [words](std::array<Word, maxNodes * maxWords>& sets, int node) {
        return sets.data() + static_cast<std::ptrdiff_t>(node) * words;
    };
    std::fill_n(d.onBy.begin(), at(n * words), 0);
    std::fill_n(d.offBy.begin(), at(n * words), 0);
    if (d.depth.size() < at(2 * n * n)) {
        d.depth.resize(at(2 * n * n));
    }
    std::fill_n(d.depth.begin(), at(2 * n * n), unreached);
    for (int s = 0; s < n; ++s) {
        set(d.onBy, s)[s / 64] |= Word{1} << (s % 64);
        d.depth[at((2 * s + 1) * n + s)] = 0;
    }
    const auto record = [&](int node, bool on, int w, Word added, int depth) {
        std::uint8_t* row = d.depth.data() + (2 * node + (on ? 1 : 0)) * n;
        for (; added != 0; added &= added - 1) {
            row[w * 64 + std::countr_zero(added)] = static_cast<std::uint8_t>(depth);
        }
    };

    std::array<Word, 10 * maxWords> prefix{};
    for (int depth = 1; depth <= maxDepth; ++depth) {
        bool grew = false;
        if (depth % 2 == 1) {
            for (int group = 0; group < g.groups; ++group) {
                const int first = g.groupStart[at(group)];
                const int size = g.groupStart[at(group + 1)] - first;
                // Each member gets the union of the others' on sets: prefix[i] is the
                // union before member i, the running suffix the union after it.
                std::fill_n(prefix.begin(), words, 0);
                for (int i = 0; i < size; ++i) {
                    const Word* on = set(d.onBy, g.members[at(first + i)]);
                    Word* next = prefix.data() + (i + 1) * words;
                    for (int w = 0; w < words; ++w) {
                        next[w] = prefix[at(i * words + w)] | on[w];
                    }
                }
                std::array<Word, maxWords> suffix{};
                for (int i = size - 1; i >= 0; --i) {
                    const int node = g.members[at(first + i)];
                    Word* off = set(d.offBy, node);
                    const Word* on = set(d.onBy, node);
                    for (int w = 0; w < words; ++w) {
                        const Word add = (prefix[at(i * words + w)] | suffix[at(w)]) & ~off[w];
                        if (add != 0) {
                            grew = true;
                            off[w] |= add;
                            record(node, false, w, add, depth);
                        }
                        suffix[at(w)] |= on[w];
                    }
                }
            }
        } else {
            for (int c = 0; c < n; ++c) {
                Word* on = set(d.onBy, c);
                for (int w = 0; w < words; ++w) {
                    Word add = 0;
                    for (int k = 0; k < g.strongCount[at(c)]; ++k) {
                        add |= set(d.offBy, g.strong[at(c)][at(k)])[w];
                    }
                    add &= ~on[w];
                    if (add != 0) {
                        grew = true;
                        on[w] |= add;
                        record(c, true, w, add, depth);
                    }
                }
            }
        }
        if (!grew) {
            return;
        }
    }
}

// The nodes of the shortest way from `start` on to (node, on): out[k] is the node k
// links along it.
using Path = std::array<int, maxDepth + 1>;
int pathTo(const Graph& g, const Depths& d, int start, int node, bool on, Path& out)
{
    const int length = depthOf(g, d, node, on, start);
    out[at(length)] = node;
    for (int k = length; k > 0; --k) {
        int previous = -1;
        if (on) {
            for (int i = 0; i < g.strongCount[at(node)] && previous < 0; ++i) {
                const int v = g.strong[at(node)][at(i)];
                previous = depthOf(g, d, v, false, start) == k - 1 ? v : -1;
            }
        } else {
            for (int i = 0; i < g.nodeGroupCount[at(node)] && previous < 0; ++i) {
                const int group = g.nodeGroups[at(node)][at(i)];
                for (int m = g.groupStart[at(group)]; m < g.groupStart[at(group + 1)] && previous < 0; ++m) {
                    const int u = g.members[at(m)];
                    previous = u != node && depthOf(g, d, u, true, start) == k - 1 ? u : -1;
                }
            }
        }
        node = previous;
        on = !on;
        out[at(k - 1)] = node;
    }
    return length + 1;
}

// The depths of a position in a mode, searched again only when the marks differ from
// the last search's.
// Whether `kept` (valid when `valid`) holds the board's candidates already: then what
// was found for them still holds. If not, they are kept for the next call.
bool keptPosition(std::array<Digits, 81>& kept, bool valid, const Board& board)
{
    bool same = valid;
    for (int cell = 0; cell < 81 && same; ++cell) {
        same = kept[at(cell)] == board.candidates(cell);
    }
    if (!same) {
        for (int cell = 0; cell < 81; ++cell) {
            kept[at(cell)] = board.candidates(cell);
        }
    }
    return same;
}

const Workspace& depthsFor(const Board& board, Mode mode, int digit)
{
    Workspace& w = workspace(mode);
    if (mode == Mode::xy && keptPosition(w.marks, w.valid, board)) {
        return w;
    }
    w.valid = mode == Mode::xy;
    build(board, mode, digit, w.graph);
    search(w.graph, w.depths);
    return w;
}

Candidate candidateOf(const Graph& g, int node)
{
    return {g.cell[at(node)], g.digit[at(node)]};
}

// A chain weighs its technique's base weight plus lengthTenths(length).
int chainWeight(Technique t, int length)
{
    return baseWeight(t) + lengthTenths(length);
}

int cycleWeight(Technique t, int length)
{
    return chainWeight(t, length - 2);
}

// The best chain so far of a finder: its weight, and what it needs to be made a step.
struct Best {
    int weight = 1000;
    int start = -1;
    int node = -1; // the strong partner of a placement or cycle, the common node
    bool on = false;
    int group = -1;
    int digit = 0; // single-digit chains: the graph's digit

    bool take(int w)
    {
        if (w >= weight) {
            return false;
        }
        weight = w;
        return true;
    }
};

// Forcing chains of one graph: s on makes s off (an elimination), or s off makes s on
// (a placement, through the strong partner `node`). Turbot fish are the eliminations
// by a chain of four nodes; forcing x-chains, the single-digit others.
void forcingChains(const Graph& g, const Depths& d, Technique t, bool turbot, int digit, Best& best)
{
    for (int s = 0; s < g.nodes; ++s) {
        const int back = depthOf(g, d, s, false, s);
        const bool kind = turbot ? back == 5 : t != Technique::forcingXChain || back != 5;
        if (back != unreached && kind && best.take(chainWeight(t, back - 1))) {
            best = {best.weight, s, -1, false, -1, digit};
        }
        for (int k = 0; k < g.strongCount[at(s)] && !turbot; ++k) {
            const int partner = g.strong[at(s)][at(k)];
            const int length = depthOf(g, d, s, true, partner);
            if (length != unreached && length + 2 <= maxDepth + 1 && best.take(chainWeight(t, length))) {
                best = {best.weight, s, partner, true, -1, digit};
            }
        }
    }
}

bool forcingChainStep(const Board& board, const Graph& g, const Depths& d, Technique t, const Best& best, Step& step)
{
    begin(step, t);
    step.weight = static_cast<std::uint8_t>(best.weight);
    Path path{};
    const int s = best.start;
    if (best.on) {
        const int length = pathTo(g, d, best.node, s, true, path);
        step.chain[0] = candidateOf(g, s);
        for (int i = 0; i < length; ++i) {
            step.chain[at(i + 1)] = candidateOf(g, path[at(i)]);
        }
        step.chainLength = static_cast<std::uint8_t>(length + 1);
        setPlacement(step, g.cell[at(s)], g.digit[at(s)]);
    } else {
        const int length = pathTo(g, d, s, s, false, path);
        for (int i = 1; i + 1 < length; ++i) {
            step.chain[at(i - 1)] = candidateOf(g, path[at(i)]);
        }
        step.chainLength = static_cast<std::uint8_t>(length - 2);
        if (t == Technique::turbotFish) {
            // A turbot fish removes its digit from every cell that sees both ends.
            CellSet chainCells;
            for (int i = 0; i < step.chainLength; ++i) {
                chainCells.add(step.chain[at(i)].cell);
            }
            const CellSet both = peersOf(step.chain[0].cell) & peersOf(step.chain[3].cell);
            eliminateFrom(step, board, both.without(chainCells), step.chain[0].digit);
        } else {
            addElimination(step, g.cell[at(s)], g.digit[at(s)]);
        }
    }
    for (int i = 0; i < step.chainLength; ++i) {
        step.digits |= bit(step.chain[at(i)].digit);
    }
    return step.places || finish(step);
}

// The eliminations of the loop path[0..length): the candidates outside it weakly linked
// to both nodes of one of its links (`withDigit[d]`: the cells that hold d). False when
// there are none.
bool cycleEliminations(const Graph& g, const std::array<CellSet, 10>& withDigit, const Path& path, int length,
                       Step& step)
{
    std::array<CellSet, 10> loop{};
    for (int i = 0; i < length; ++i) {
        loop[g.digit[at(path[at(i)])]].add(g.cell[at(path[at(i)])]);
    }
    for (int i = 0; i < length; ++i) {
        const int a = path[at(i)];
        const int b = path[at((i + 1) % length)];
        const int digit = g.digit[at(a)];
        if (g.cell[at(a)] == g.cell[at(b)]) {
            // Two digits of a cell, one of them true: the cell's other digits are false.
            for (int other = 1; other <= 9; ++other) {
                if (other != digit && other != g.digit[at(b)] && withDigit[at(other)].has(g.cell[at(a)])) {
                    addElimination(step, g.cell[at(a)], other);
                }
            }
        } else {
            // A digit in one of two cells: false in the cells that see both.
            const CellSet both = peersOf(g.cell[at(a)]) & peersOf(g.cell[at(b)]) & withDigit[at(digit)];
            both.without(loop[at(digit)]).forEach([&](int cell) { addElimination(step, cell, digit); });
        }
    }
    return finish(step);
}

// The nodes weakly linked to `node`, each once per group they share with it.
template <class F>
void forWeak(const Graph& g, int node, F f)
{
    for (int i = 0; i < g.nodeGroupCount[at(node)]; ++i) {
        const int group = g.nodeGroups[at(node)][at(i)];
        for (int m = g.groupStart[at(group)]; m < g.groupStart[at(group + 1)]; ++m) {
            if (g.members[at(m)] != node) {
                f(g.members[at(m)]);
            }
        }
    }
}

// The cells that hold each digit, from 1.
// The search for loops: s on, then weak and strong links in turn through distinct
// nodes, back to a strong partner x of s off (x = s closes the loop). The depths bound
// what is left: "u on makes x off" takes as many links as "x on makes u off", and "v
// off makes x off" as many as "x on makes v on".
struct LoopSearch {
    const Graph& g;
    const Depths& d;
    const std::array<CellSet, 10>& withDigit;
    Path path{};
    std::array<bool, maxNodes> used{};
    int length = 0;              // of the loop sought
    int x = 0;                   // the node before s
    bool closingRemoves = false; // x = s itself may remove something
    long budget = 0;             // expansions left
    Step step;

    // Whether a candidate other than u and v is weakly linked to both: one a link of the
    // loop can remove.
    bool removes(int u, int v) const
    {
        const int cell = g.cell[at(u)];
        const int digit = g.digit[at(u)];
        if (cell == g.cell[at(v)]) {
            const int other = g.digit[at(v)];
            for (int k = 1; k <= 9; ++k) {
                if (k != digit && k != other && withDigit[at(k)].has(cell)) {
                    return true;
                }
            }
            return false;
        }
        return !(peersOf(cell) & peersOf(g.cell[at(v)]) & withDigit[at(digit)]).empty();
    }

    // Extends path[0..i] (path[i] is on when i is even) to a loop that removes something.
    bool extend(int i)
    {
        if (--budget < 0) {
            return false;
        }
        const int node = path[at(i)];
        if (i == length - 1) {
            begin(step, step.technique);
            return cycleEliminations(g, withDigit, path, length, step);
        }
        const auto next = [&](int v) {
            const int left = length - 1 - (i + 1); // links from v to x off
            const int bound = depthOf(g, d, v, i % 2 == 0, x);
            if (used[at(v)] || bound == unreached || bound > left || (v == x) != (left == 0)) {
                return false;
            }
            // Every loop is found from each of its on nodes: keep those where it can
            // remove something through its first or its last link.
            if (i == 0 && !closingRemoves && !removes(node, v)) {
                return false;
            }
            used[at(v)] = true;
            path[at(i + 1)] = v;
            const bool found = extend(i + 1);
            used[at(v)] = false;
            return found;
        };
        if (i % 2 == 0) {
            bool found = false;
            forWeak(g, node, [&](int v) { found = found || next(v); });
            return found;
        }
        for (int k = 0; k < g.strongCount[at(node)]; ++k) {
            if (next(g.strong[at(node)][at(k)])) {
                return true;
            }
        }
        return false;
    }
};

// The shortest cycle of one graph that removes something, of `most` nodes at most.
bool cycleStep(const std::array<CellSet, 10>& withDigit, const Graph& g, const Depths& d, Technique t, int most,
               Step& out)
{
    LoopSearch search{g, d, withDigit, {}, {}, 0, 0, false, 0, {}};
    search.step.technique = t;
    search.budget = maxLoopExpansions;
    // The shortest walk round from each start through each strong partner: no loop
    // there is shorter.
    std::array<std::uint8_t, maxNodes * 4> shortest;
    int least = 1000;
    for (int s = 0; s < g.nodes; ++s) {
        for (int k = 0; k < g.strongCount[at(s)]; ++k) {
            int walk = 1000;
            forWeak(g, g.strong[at(s)][at(k)], [&](int w) {
                const int links = depthOf(g, d, w, true, s);
                if (w != s && links != unreached && links >= 2) {
                    walk = std::min(walk, links + 2);
                }
            });
            shortest[at(s * 4 + k)] = static_cast<std::uint8_t>(std::min(walk, 255));
            least = std::min(least, walk);
        }
    }
    for (int length = std::max(4, least); length <= std::min(most, maxCycleNodes); length += 2) {
        search.length = length;
        for (int s = 0; s < g.nodes; ++s) {
            for (int k = 0; k < g.strongCount[at(s)]; ++k) {
                if (shortest[at(s * 4 + k)] > length) {
                    continue;
                }
                search.x = g.strong[at(s)][at(k)];
                search.closingRemoves = search.removes(search.x, s);
                search.path[0] = s;
                search.used[at(s)] = true;
                const bool found = search.extend(0);
                search.used[at(s)] = false;
                if (!found) {
                    continue;
                }
                Step& step = search.step;
                step.weight = static_cast<std::uint8_t>(cycleWeight(t, length));
                // From the strong link after s round to s: the loop's nodes as a chain
                // that begins with a strong link.
                for (int i = 0; i < length; ++i) {
                    step.chain[at(i)] = candidateOf(g, search.path[at((i + 1) % length)]);
                    step.digits |= bit(step.chain[at(i)].digit);
                }
                step.chainLength = static_cast<std::uint8_t>(length);
                out = step;
                return true;
            }
        }
    }
    return false;
}

// The longest cycle whose weight is below `weight`.
int longestBelow(Technique t, int weight)
{
    int length = 4;
    while (length + 2 <= maxCycleNodes && cycleWeight(t, length + 2) < weight) {
        length += 2;
    }
    return cycleWeight(t, 4) < weight ? length : 0;
}

// Cell (`unit` false) or unit forcing chains: the group whose members all reach one
// node, on or off, by the fewest links in all.
bool multipleForcingStep(const Board& board, const Graph& g, const Depths& d, bool unit, Step& step)
{
    const Technique t = unit ? Technique::unitForcingChain : Technique::cellForcingChain;
    const int words = g.words;
    Best best;
    for (int group = unit ? 0 : g.firstCellGroup; group < (unit ? g.firstCellGroup : g.groups); ++group) {
        const int first = g.groupStart[at(group)];
        const int size = g.groupStart[at(group + 1)] - first;
        if (size < leastBranches) {
            continue;
        }
        std::array<Word, maxWords> all{};
        for (int i = first; i < first + size; ++i) {
            const int m = g.members[at(i)];
            all[at(m / 64)] |= Word{1} << (m % 64);
        }
        for (int c = 0; c < g.nodes; ++c) {
            for (const bool on : {false, true}) {
                const Word* by = (on ? d.onBy : d.offBy).data() + static_cast<std::ptrdiff_t>(c) * words;
                bool every = (all[at(c / 64)] >> (c % 64) & 1) == 0;
                for (int w = 0; w < words && every; ++w) {
                    every = (by[w] & all[at(w)]) == all[at(w)];
                }
                if (!every) {
                    continue;
                }
                int length = 0;
                for (int i = first; i < first + size; ++i) {
                    length += depthOf(g, d, c, on, g.members[at(i)]);
                }
                if (length <= maxForcingLinks && best.take(chainWeight(t, length))) {
                    best = {best.weight, -1, c, on, group, 0};
                }
            }
        }
    }
    if (best.group < 0) {
        return false;
    }
    begin(step, t);
    step.weight = static_cast<std::uint8_t>(best.weight);
    const int first = g.groupStart[at(best.group)];
    const int size = g.groupStart[at(best.group + 1)] - first;
    Path path{};
    for (int i = first; i < first + size; ++i) {
        const int length = pathTo(g, d, g.members[at(i)], best.node, best.on, path);
        auto& branch = step.branches[step.branchCount];
        for (int k = 0; k < length; ++k) {
            branch[at(k)] = candidateOf(g, path[at(k)]);
        }
        step.branchLength[step.branchCount++] = static_cast<std::uint8_t>(length);
    }
    const int member = g.members[at(first)];
    if (unit) {
        addHouse(step, g.groupHouse[at(best.group)]);
        step.digits = bit(g.digit[at(member)]);
    } else {
        addCell(step, board, g.cell[at(member)]);
        step.digits = board.candidates(g.cell[at(member)]);
    }
    if (best.on) {
        setPlacement(step, g.cell[at(best.node)], g.digit[at(best.node)]);
        return true;
    }
    addElimination(step, g.cell[at(best.node)], g.digit[at(best.node)]);
    return finish(step);
}

// The lightest step of each single-digit technique, from one search of each digit's
// graph, kept for the position it was found in: the three finders share it.
struct SingleDigitSteps {
    bool valid = false;
    std::array<Digits, 81> marks{};
    std::array<bool, 3> found{};
    std::array<Step, 3> steps{}; // x-cycle, turbot fish, forcing x-chain
};

const SingleDigitSteps& singleDigitSteps(const Board& board)
{
    thread_local ThreadScratch<SingleDigitSteps> own;
    SingleDigitSteps& out = own.get();
    if (keptPosition(out.marks, out.valid, board)) {
        return out;
    }
    out.valid = true;
    out.found.fill(false);
    int most = maxDepth + 1; // the longest x-cycle still lighter than the one found
    std::array<Best, 2> best{};
    const std::array<CellSet, 10> withDigit = cellsWithEachDigit(board);
    for (int digit = 1; digit <= 9; ++digit) {
        // Every single-digit chain holds a strong link: a house with the digit in two places.
        bool linked = false;
        for (int house = 0; house < 27 && !linked; ++house) {
            linked = (withDigit[at(digit)] & tables.houseSet[at(house)]).count() == 2;
        }
        if (!linked) {
            continue;
        }
        const Workspace& w = depthsFor(board, Mode::x, digit);
        if (most >= 4 && cycleStep(withDigit, w.graph, w.depths, Technique::xCycle, most, out.steps[0])) {
            out.found[0] = true;
            most = longestBelow(Technique::xCycle, out.steps[0].weight);
        }
        for (int k = 0; k < 2; ++k) {
            const Technique t = k == 0 ? Technique::turbotFish : Technique::forcingXChain;
            const int before = best[at(k)].weight;
            forcingChains(w.graph, w.depths, t, k == 0, digit, best[at(k)]);
            if (best[at(k)].weight < before) {
                out.found[at(k + 1)] = forcingChainStep(board, w.graph, w.depths, t, best[at(k)], out.steps[at(k + 1)]);
            }
        }
    }
    return out;
}

bool singleDigitStep(const Board& board, int k, Step& step)
{
    const SingleDigitSteps& found = singleDigitSteps(board);
    if (found.found[at(k)]) {
        step = found.steps[at(k)];
    }
    return found.found[at(k)];
}

// "each ... removes 5r9c9: " (or "places") and the branches, one after another.
std::string forcingChainText(const Step& step, std::string text)
{
    const Candidate& target = step.branches[0][step.branchLength[0] - 1u];
    text += (step.places ? " places " : " removes ") + candidateName(target);
    for (int b = 0; b < step.branchCount; ++b) {
        text += b == 0 ? ": " : "; ";
        for (int i = 0; i < step.branchLength[static_cast<std::size_t>(b)]; ++i) {
            if (i > 0) {
                text += i % 2 == 1 ? '-' : '=';
            }
            text += candidateName(step.branches[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)]);
        }
    }
    return text;
}

} // namespace

bool findXCycle(const Board& board, Step& step)
{
    return singleDigitStep(board, 0, step);
}

bool findTurbotFish(const Board& board, Step& step)
{
    return singleDigitStep(board, 1, step);
}

bool findForcingXChain(const Board& board, Step& step)
{
    return singleDigitStep(board, 2, step);
}

bool findYCycle(const Board& board, Step& step)
{
    const Workspace& w = depthsFor(board, Mode::y, 0);
    return cycleStep(cellsWithEachDigit(board), w.graph, w.depths, Technique::yCycle, maxDepth + 1, step);
}

bool findCycle(const Board& board, Step& step)
{
    const Workspace& w = depthsFor(board, Mode::xy, 0);
    return cycleStep(cellsWithEachDigit(board), w.graph, w.depths, Technique::cycle, maxDepth + 1, step);
}

bool findForcingChain(const Board& board, Step& step)
{
    const Workspace& w = depthsFor(board, Mode::xy, 0);
    Best best;
    forcingChains(w.graph, w.depths, Technique::forcingChain, false, 0, best);
    return best.start >= 0 && forcingChainStep(board, w.graph, w.depths, Technique::forcingChain, best, step);
}

bool findCellForcingChain(const Board& board, Step& step)
{
    const Workspace& w = depthsFor(board, Mode::xy, 0);
    return multipleForcingStep(board, w.graph, w.depths, false, step);
}

bool findUnitForcingChain(const Board& board, Step& step)
{
    const Workspace& w = depthsFor(board, Mode::xy, 0);
    return multipleForcingStep(board, w.graph, w.depths, true, step);
}

std::string chainText(const Step& step)
{
    return chainNodes(step);
}

// The loop closes with a weak link back to its first node.
std::string cycleText(const Step& step)
{
    return chainNodes(step) + '-' + candidateName(step.chain[0]);
}

std::string cellForcingChainText(const Step& step)
{
    return forcingChainText(step, "each candidate of " + cell(step, 0) + " " + digitSet(step.digits));
}

std::string unitForcingChainText(const Step& step)
{
    return forcingChainText(step, "each place of " + digitList(step.digits) + " in " + house(step, 0));
}

} // namespace sudoku::logic::detail
