// X-chains, XY-chains and alternating inference chains, found by one search.
//
// A node is a candidate (cell, digit). A strong link joins two nodes of which at least
// one is true: the two places of a digit in a house, or the two digits of a cell that
// holds just two. A weak link joins two nodes that cannot both be true: the same digit
// in two cells that see each other, or two digits of one cell. If start A is false, a
// strong link makes its partner true, a weak link makes the next node false, and so
// on. A node C that is false whenever A is false, and also false whenever A is true
// (it is weakly linked to A), is false: that is an alternating chain from A to a node
// Z weakly linked to C, and the elimination of C.
//
// The search follows all starts at once, one strong and one weak link per round, with
// a bit per start in each node's sets: F[c] holds the starts whose falsehood makes c
// false, T[z] those that make z true. The first round with a hit gives the shortest
// chain; a breadth-first search from its start then recovers the chain itself.
// X-chains use only one digit's houses, XY-chains only the two-digit cells' strong
// links, and alternating chains all links.

#include "techniques.h"

#include <algorithm>
#include <memory>

namespace sudoku::logic::detail {

namespace {

constexpr int maxNodes = 729;
constexpr int maxWords = (maxNodes + 63) / 64;
constexpr int maxGroups = 27 * 9 + 81;
using Word = std::uint64_t;

// The arrays are left unset (build() writes each entry before it is read), so that a
// search does not begin by clearing tens of kilobytes.
struct Graph {
    int nodes = 0;
    int starts = 0; // the first `starts` nodes may start a chain
    int words = 0;  // words per set of starts
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

struct Sets {
    std::array<Word, maxNodes * maxWords> falseBy;
    std::array<Word, maxNodes * maxWords> trueBy;
    std::array<Word, maxNodes * maxWords> linkedTo; // starts weakly linked to the node
};

// The breadth-first walk that recovers a chain, over states (node, true or false).
struct Walk {
    std::array<std::int16_t, 2 * maxNodes> parent;
    std::array<std::int16_t, 2 * maxNodes> queue;
};

// The scratch of the chain searches, about 250 KB: one for each thread, made at its
// first search and kept, so that a search neither needs a large stack (musl gives a
// thread 128 KB) nor allocates. Left unset, as each search writes what it reads.
struct Workspace {
    Graph graph;
    Sets sets;
    Walk walk;
};

Workspace& workspace()
{
    thread_local std::unique_ptr<Workspace> own;
    if (!own) {
        own = std::make_unique_for_overwrite<Workspace>();
    }
    return *own;
}

int nodeOf(const Graph& g, int cell, int digit)
{
    return g.index[static_cast<std::size_t>(cell * 9 + digit - 1)];
}

void addStrong(Graph& g, int a, int b)
{
    auto& list = g.strong[static_cast<std::size_t>(a)];
    auto& count = g.strongCount[static_cast<std::size_t>(a)];
    if (std::find(list.begin(), list.begin() + count, b) == list.begin() + count && count < 4) {
        list[count++] = static_cast<std::int16_t>(b);
    }
}

void closeGroup(Graph& g, int first, int size, bool strongWhenPair)
{
    const int end = first + size;
    if (size < 2) {
        g.groupStart[static_cast<std::size_t>(g.groups)] = static_cast<std::int16_t>(first);
        return; // no link: drop the group
    }
    for (int i = first; i < end; ++i) {
        const int node = g.members[static_cast<std::size_t>(i)];
        auto& count = g.nodeGroupCount[static_cast<std::size_t>(node)];
        g.nodeGroups[static_cast<std::size_t>(node)][count++] = static_cast<std::int16_t>(g.groups);
    }
    if (size == 2 && strongWhenPair) {
        addStrong(g, g.members[static_cast<std::size_t>(first)], g.members[static_cast<std::size_t>(first + 1)]);
        addStrong(g, g.members[static_cast<std::size_t>(first + 1)], g.members[static_cast<std::size_t>(first)]);
    }
    ++g.groups;
    g.groupStart[static_cast<std::size_t>(g.groups)] = static_cast<std::int16_t>(end);
}

// The graph of one chain kind; `onlyDigit` restricts it to one digit (x-chains).
void build(const Board& board, ChainKind kind, int onlyDigit, Graph& g)
{
    g.nodes = 0;
    g.index.fill(-1);
    const auto addNode = [&](int cell, int digit) {
        g.cell[static_cast<std::size_t>(g.nodes)] = static_cast<std::uint8_t>(cell);
        g.digit[static_cast<std::size_t>(g.nodes)] = static_cast<std::uint8_t>(digit);
        g.strongCount[static_cast<std::size_t>(g.nodes)] = 0;
        g.nodeGroupCount[static_cast<std::size_t>(g.nodes)] = 0;
        g.index[static_cast<std::size_t>(cell * 9 + digit - 1)] = static_cast<std::int16_t>(g.nodes++);
    };
    // XY-chains start only in two-digit cells; the other nodes are only eliminated.
    for (int pass = 0; pass < 2; ++pass) {
        for (int cell = 0; cell < 81; ++cell) {
            const Digits marks = board.candidates(cell);
            const bool bivalue = countOf(marks) == 2;
            if ((pass == 0) != (kind != ChainKind::xy || bivalue)) {
                continue;
            }
            for (unsigned rest = marks; rest != 0; rest &= rest - 1) {
                const int digit = lowestDigit(rest);
                if (onlyDigit == 0 || digit == onlyDigit) {
                    addNode(cell, digit);
                }
            }
        }
        if (pass == 0) {
            g.starts = g.nodes;
        }
    }
    g.words = (g.starts + 63) / 64;

    g.groups = 0;
    g.groupStart[0] = 0;
    int used = 0;
    for (int house = 0; house < 27; ++house) {
        for (int digit = onlyDigit == 0 ? 1 : onlyDigit; digit <= (onlyDigit == 0 ? 9 : onlyDigit); ++digit) {
            const int first = used;
            for (const int cell : cellsOf(house)) {
                const int node = nodeOf(g, cell, digit);
                if (node >= 0) {
                    g.members[static_cast<std::size_t>(used++)] = static_cast<std::int16_t>(node);
                }
            }
            const int before = g.groups;
            closeGroup(g, first, used - first, kind != ChainKind::xy);
            if (g.groups > before) {
                g.groupHouse[static_cast<std::size_t>(before)] = static_cast<std::uint8_t>(house);
            }
            used = g.groupStart[static_cast<std::size_t>(g.groups)];
        }
    }
    g.firstCellGroup = g.groups;
    for (int cell = 0; cell < 81 && onlyDigit == 0; ++cell) {
        const int first = used;
        for (int digit = 1; digit <= 9; ++digit) {
            const int node = nodeOf(g, cell, digit);
            if (node >= 0) {
                g.members[static_cast<std::size_t>(used++)] = static_cast<std::int16_t>(node);
            }
        }
        const int size = used - first;
        if (kind == ChainKind::alternating) {
            closeGroup(g, first, size, true);
            used = g.groupStart[static_cast<std::size_t>(g.groups)];
            continue;
        }
        if (kind == ChainKind::xy && size == 2) {
            // Two digits of a cell: a strong link only, the weak links of XY-chains
            // being between cells.
            addStrong(g, g.members[static_cast<std::size_t>(first)], g.members[static_cast<std::size_t>(first + 1)]);
            addStrong(g, g.members[static_cast<std::size_t>(first + 1)], g.members[static_cast<std::size_t>(first)]);
        }
        used = first;
    }
}

bool weaklyLinked(const Graph& g, int a, int b)
{
    for (int i = 0; i < g.nodeGroupCount[static_cast<std::size_t>(a)]; ++i) {
        for (int j = 0; j < g.nodeGroupCount[static_cast<std::size_t>(b)]; ++j) {
            if (g.nodeGroups[static_cast<std::size_t>(a)][static_cast<std::size_t>(i)] ==
                g.nodeGroups[static_cast<std::size_t>(b)][static_cast<std::size_t>(j)]) {
                return a != b;
            }
        }
    }
    return false;
}

// Runs the rounds; on a hit sets `start` and `target` (false whichever way the start is).
bool search(const Graph& g, Sets& s, int& start, int& target)
{
    const int words = g.words;
    const auto at = [words](std::array<Word, maxNodes * maxWords>& sets, int node) {
        return sets.data() + static_cast<std::ptrdiff_t>(node) * words;
    };
    const std::size_t used = static_cast<std::size_t>(g.nodes) * static_cast<std::size_t>(words);
    std::fill_n(s.falseBy.begin(), used, 0);
    std::fill_n(s.trueBy.begin(), used, 0);
    std::fill_n(s.linkedTo.begin(), used, 0);
    for (int a = 0; a < g.starts; ++a) {
        at(s.falseBy, a)[a / 64] |= Word{1} << (a % 64);
    }
    for (int group = 0; group < g.groups; ++group) {
        std::array<Word, maxWords> startsIn{};
        for (int i = g.groupStart[static_cast<std::size_t>(group)];
             i < g.groupStart[static_cast<std::size_t>(group + 1)]; ++i) {
            const int node = g.members[static_cast<std::size_t>(i)];
            if (node < g.starts) {
                startsIn[static_cast<std::size_t>(node / 64)] |= Word{1} << (node % 64);
            }
        }
        for (int i = g.groupStart[static_cast<std::size_t>(group)];
             i < g.groupStart[static_cast<std::size_t>(group + 1)]; ++i) {
            Word* linked = at(s.linkedTo, g.members[static_cast<std::size_t>(i)]);
            for (int w = 0; w < words; ++w) {
                linked[w] |= startsIn[static_cast<std::size_t>(w)];
            }
        }
    }
    for (int a = 0; a < g.starts; ++a) {
        at(s.linkedTo, a)[a / 64] &= ~(Word{1} << (a % 64));
    }

    std::array<Word, 10 * maxWords> prefix{};
    for (int round = 0; round < maxChainLinks; ++round) {
        for (int y = 0; y < g.nodes; ++y) {
            const Word* from = at(s.falseBy, y);
            for (int k = 0; k < g.strongCount[static_cast<std::size_t>(y)]; ++k) {
                Word* to = at(s.trueBy, g.strong[static_cast<std::size_t>(y)][static_cast<std::size_t>(k)]);
                for (int w = 0; w < words; ++w) {
                    to[w] |= from[w];
                }
            }
        }
        bool grew = false;
        for (int group = 0; group < g.groups; ++group) {
            const int first = g.groupStart[static_cast<std::size_t>(group)];
            const int size = g.groupStart[static_cast<std::size_t>(group + 1)] - first;
            // prefix[i] = union of the members' T before i; then each member gets the
            // union of all others' T, through a running suffix.
            std::fill_n(prefix.begin(), words, 0);
            for (int i = 0; i < size; ++i) {
                const Word* t = at(s.trueBy, g.members[static_cast<std::size_t>(first + i)]);
                Word* next = prefix.data() + (i + 1) * words;
                for (int w = 0; w < words; ++w) {
                    next[w] = prefix[static_cast<std::size_t>(i * words + w)] | t[w];
                }
            }
            std::array<Word, maxWords> suffix{};
            for (int i = size - 1; i >= 0; --i) {
                const int node = g.members[static_cast<std::size_t>(first + i)];
                Word* f = at(s.falseBy, node);
                const Word* t = at(s.trueBy, node);
                for (int w = 0; w < words; ++w) {
                    const Word add =
                        (prefix[static_cast<std::size_t>(i * words + w)] | suffix[static_cast<std::size_t>(w)]) & ~f[w];
                    grew = grew || add != 0;
                    f[w] |= add;
                    suffix[static_cast<std::size_t>(w)] |= t[w];
                }
            }
        }
        for (int c = 0; c < g.nodes; ++c) {
            const Word* f = at(s.falseBy, c);
            const Word* linked = at(s.linkedTo, c);
            for (int w = 0; w < words; ++w) {
                const Word hit = f[w] & linked[w];
                if (hit != 0) {
                    start = w * 64 + std::countr_zero(hit);
                    target = c;
                    return true;
                }
            }
        }
        if (!grew) {
            return false;
        }
    }
    return false;
}

// The shortest chain from state `start` (2n: node n false, 2n+1: node n true) to
// `target` false: its nodes up to the one before the target into `chain`.
int recover(const Graph& g, Walk& walk, int start, int target, std::array<int, maxChain + 1>& chain)
{
    auto& parent = walk.parent;
    std::fill_n(parent.begin(), 2 * g.nodes, std::int16_t{-1});
    auto& queue = walk.queue;
    int head = 0;
    int tail = 0;
    queue[static_cast<std::size_t>(tail++)] = static_cast<std::int16_t>(start);
    parent[static_cast<std::size_t>(start)] = static_cast<std::int16_t>(start);
    while (head < tail && parent[static_cast<std::size_t>(2 * target)] < 0) {
        const int state = queue[static_cast<std::size_t>(head++)];
        const int node = state / 2;
        const auto visit = [&](int next) {
            if (parent[static_cast<std::size_t>(next)] < 0) {
                parent[static_cast<std::size_t>(next)] = static_cast<std::int16_t>(state);
                queue[static_cast<std::size_t>(tail++)] = static_cast<std::int16_t>(next);
            }
        };
        if (state % 2 == 0) {
            for (int k = 0; k < g.strongCount[static_cast<std::size_t>(node)]; ++k) {
                visit(2 * g.strong[static_cast<std::size_t>(node)][static_cast<std::size_t>(k)] + 1);
            }
        } else {
            for (int k = 0; k < g.nodeGroupCount[static_cast<std::size_t>(node)]; ++k) {
                const int group = g.nodeGroups[static_cast<std::size_t>(node)][static_cast<std::size_t>(k)];
                for (int i = g.groupStart[static_cast<std::size_t>(group)];
                     i < g.groupStart[static_cast<std::size_t>(group + 1)]; ++i) {
                    const int other = g.members[static_cast<std::size_t>(i)];
                    if (other != node) {
                        visit(2 * other);
                    }
                }
            }
        }
    }
    // Walk back from the node before the target to the start.
    int length = 0;
    for (int state = parent[static_cast<std::size_t>(2 * target)]; state >= 0 && length <= maxChain;
         state = parent[static_cast<std::size_t>(state)]) {
        chain[static_cast<std::size_t>(length++)] = state / 2;
        if (state == start) {
            break;
        }
    }
    std::reverse(chain.begin(), chain.begin() + length);
    return length;
}

// The step of the chain from `start` that eliminates `target`.
bool chainStep(const Graph& g, Walk& walk, ChainKind kind, int start, int target, Step& step)
{
    std::array<int, maxChain + 1> chain{};
    const int length = recover(g, walk, 2 * start, target, chain);
    if (length < 2 || length > maxChain || length % 2 != 0) {
        return false; // cannot happen: every round adds a strong and a weak link
    }
    constexpr std::array<Technique, 3> technique{Technique::xChain, Technique::xyChain, Technique::aic};
    begin(step, technique[static_cast<std::size_t>(kind)]);
    const int links = length / 2;
    step.weight = static_cast<std::uint8_t>(weightOf(step.technique, links - (kind == ChainKind::x ? 3 : 4)));
    for (int i = 0; i < length; ++i) {
        const int node = chain[static_cast<std::size_t>(i)];
        step.chain[static_cast<std::size_t>(i)] = {g.cell[static_cast<std::size_t>(node)],
                                                   g.digit[static_cast<std::size_t>(node)]};
        step.digits |= bit(g.digit[static_cast<std::size_t>(node)]);
    }
    step.chainLength = static_cast<std::uint8_t>(length);
    const int end = chain[static_cast<std::size_t>(length - 1)];
    for (int node = 0; node < g.nodes; ++node) {
        if (weaklyLinked(g, node, start) && weaklyLinked(g, node, end)) {
            addElimination(step, g.cell[static_cast<std::size_t>(node)], g.digit[static_cast<std::size_t>(node)]);
        }
    }
    return finish(step);
}

// One branch of a forcing chain: `source` true makes `target` false, directly or
// through a chain from a node weakly linked to the source.
bool addBranch(const Graph& g, Walk& walk, int source, int target, Step& step)
{
    auto& branch = step.branches[step.branchCount];
    int length = 0;
    const auto add = [&](int node) {
        branch[static_cast<std::size_t>(length++)] = {g.cell[static_cast<std::size_t>(node)],
                                                      g.digit[static_cast<std::size_t>(node)]};
    };
    std::array<int, maxChain + 1> chain{};
    const int n = recover(g, walk, 2 * source + 1, target, chain);
    if (n < 1 || n > maxChain + 1 || n % 2 == 0) {
        return false; // cannot happen: the sets hold only what a chain shows
    }
    for (int i = 0; i < n; ++i) {
        add(chain[static_cast<std::size_t>(i)]);
    }
    step.weight = static_cast<std::uint8_t>(std::max(int{step.weight}, weightOf(step.technique, n / 2 - 2)));
    add(target);
    step.branchLength[step.branchCount++] = static_cast<std::uint8_t>(length);
    return true;
}

// Looks for a forcing chain in the sets the rounds left: F[c] holds the nodes whose
// falsehood makes c false. Rounds stopped early by an alternating chain leave less in
// them, but what they hold is still true. Overwrites the T sets.
bool forcingStep(const Board& board, const Graph& g, Sets& sets, Walk& walk, bool cells, bool units, Step& step)
{
    const int words = g.words;
    // trueFalse[c]: the nodes whose truth makes c false: those weakly linked to c, and
    // those weakly linked to a node whose falsehood makes c false.
    std::array<Word, maxNodes* maxWords>& trueFalse = sets.trueBy; // reused: no longer needed
    for (int c = 0; c < g.nodes; ++c) {
        Word* out = trueFalse.data() + static_cast<std::ptrdiff_t>(c) * words;
        const Word* linked = sets.linkedTo.data() + static_cast<std::ptrdiff_t>(c) * words;
        std::copy_n(linked, words, out);
        const Word* falseBy = sets.falseBy.data() + static_cast<std::ptrdiff_t>(c) * words;
        for (int w = 0; w < words; ++w) {
            for (Word bits = falseBy[w]; bits != 0; bits &= bits - 1) {
                const Word* more =
                    sets.linkedTo.data() + static_cast<std::ptrdiff_t>(w * 64 + std::countr_zero(bits)) * words;
                for (int k = 0; k < words; ++k) {
                    out[k] |= more[k];
                }
            }
        }
    }
    // "A true makes c false" is "c true makes A false": so trueFalse[A], read as a set
    // of targets, holds the nodes that A's truth makes false. A node that every
    // member of a group makes false is false.
    // Cell groups first: a cell forcing chain is the easier of the two.
    for (int k = 0; k < g.groups; ++k) {
        const int group = (k + g.firstCellGroup) % g.groups;
        const bool unit = group < g.firstCellGroup;
        if (!(unit ? units : cells)) {
            continue;
        }
        const int from = g.groupStart[static_cast<std::size_t>(group)];
        const int to = g.groupStart[static_cast<std::size_t>(group + 1)];
        std::array<Word, maxWords> all{};
        std::fill_n(all.begin(), words, ~Word{0});
        for (int i = from; i < to; ++i) {
            const Word* forced =
                trueFalse.data() + static_cast<std::ptrdiff_t>(g.members[static_cast<std::size_t>(i)]) * words;
            for (int w = 0; w < words; ++w) {
                all[static_cast<std::size_t>(w)] &= forced[w];
            }
        }
        for (int w = 0; w < words; ++w) {
            if (all[static_cast<std::size_t>(w)] == 0) {
                continue;
            }
            const int c = w * 64 + std::countr_zero(all[static_cast<std::size_t>(w)]);
            begin(step, unit ? Technique::unitForcingChain : Technique::cellForcingChain);
            bool shown = true;
            for (int i = from; i < to && shown; ++i) {
                shown = addBranch(g, walk, g.members[static_cast<std::size_t>(i)], c, step);
            }
            if (!shown) {
                continue;
            }
            const int first = g.members[static_cast<std::size_t>(from)];
            if (unit) {
                addHouse(step, g.groupHouse[static_cast<std::size_t>(group)]);
                step.digits = bit(g.digit[static_cast<std::size_t>(first)]);
            } else {
                addCell(step, board, g.cell[static_cast<std::size_t>(first)]);
                step.digits = board.candidates(g.cell[static_cast<std::size_t>(first)]);
            }
            addElimination(step, g.cell[static_cast<std::size_t>(c)], g.digit[static_cast<std::size_t>(c)]);
            return finish(step);
        }
    }
    return false;
}

} // namespace

bool findChain(const Board& board, ChainKind kind, Step& step)
{
    Workspace& w = workspace();
    for (int digit = kind == ChainKind::x ? 1 : 0; digit <= (kind == ChainKind::x ? 9 : 0); ++digit) {
        build(board, kind, digit, w.graph);
        int start = 0;
        int target = 0;
        if (w.graph.starts > 0 && search(w.graph, w.sets, start, target)) {
            return chainStep(w.graph, w.walk, kind, start, target, step);
        }
    }
    return false;
}

bool findForcingChain(const Board& board, bool unit, Step& step)
{
    Workspace& w = workspace();
    build(board, ChainKind::alternating, 0, w.graph);
    int start = 0;
    int target = 0;
    if (w.graph.starts == 0) {
        return false;
    }
    search(w.graph, w.sets, start, target);
    return forcingStep(board, w.graph, w.sets, w.walk, !unit, unit, step);
}

bool findAlternatingOrForcingChain(const Board& board, Step& step)
{
    Workspace& w = workspace();
    build(board, ChainKind::alternating, 0, w.graph);
    int start = 0;
    int target = 0;
    if (w.graph.starts == 0) {
        return false;
    }
    if (search(w.graph, w.sets, start, target)) {
        return chainStep(w.graph, w.walk, ChainKind::alternating, start, target, step);
    }
    return forcingStep(board, w.graph, w.sets, w.walk, true, true, step);
}

} // namespace sudoku::logic::detail
