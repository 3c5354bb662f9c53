#pragma once

// What a static forcing chain can reach in a position. Its links form a fixed graph on
// the candidates true and false: a candidate true makes false the others of its cell
// and its digit's places among its peers (weak links), and a candidate false makes
// true the other one of a cell with two candidates or of a house with two places of
// its digit (strong links). A static chain run takes a subset of these paths, so:
// - a candidate whose assumption cannot reach its own "false" leads to no
//   contradiction (the graph is its own contrapositive: reaching some fact and its
//   negation means reaching the assumption's negation);
// - what a candidate's run makes false lies within what its assumption reaches.
// The nested chains use this to run only the candidates that can matter. The search
// is one pass over the graph's strongly connected components.

#include "tables.h"

#include <array>
#include <cstdint>
#include <span>

namespace sudoku::logic::detail {

// The strong links of a position whose places per digit are `cand`: the cells with
// two candidates, and per digit (index digit - 1) the houses (bit h) with two places.
struct StrongLinks {
    CellSet bivalue;
    std::array<std::uint32_t, 9> bilocal{};
};
StrongLinks strongLinksOf(const std::array<CellSet, 9>& cand);

class StaticReach {
public:
    // The graph of the position whose places per digit (index digit - 1) are `cand`,
    // and what each of its facts reaches. `links` must be strongLinksOf(cand): callers
    // that need them too find them once.
    void compute(const std::array<CellSet, 9>& cand, const StrongLinks& links);
    void compute(const std::array<CellSet, 9>& cand) { compute(cand, strongLinksOf(cand)); }

    // Whether assuming candidate `x` (cell * 9 + digit - 1, a candidate of the position)
    // true can reach it false: when not, no static chain from it is a contradiction.
    bool mayClash(int x) const;

    // Whether the candidates `xs` (of the position), each assumed true, can all reach
    // one same candidate false.
    bool mayShareOff(const int* xs, int n) const;

    // What compute found, to keep: a row of words per candidate of the position, in the
    // order compute numbers them. restore() takes such rows back for the same position.
    std::span<const std::uint64_t> rows() const;
    void restore(const std::array<CellSet, 9>& cand, std::span<const std::uint64_t> rows);

private:
    void number(const std::array<CellSet, 9>& cand);
    const std::uint64_t* reachOf(int x) const;
    template <std::size_t words>
    void search(std::size_t facts); // the components and their reach

    static constexpr std::size_t maxFacts = 2 * 729;
    static constexpr std::size_t maxEdges = 729 * (8 + 20 + 1 + 3 * 8);

    int count_ = 0; // candidates, numbered as found
    int words_ = 0; // per set of candidates
    std::array<std::int16_t, 729> number_{};
    std::array<std::uint16_t, 729> candidate_{};
    std::array<std::uint16_t, 81> digits_{};    // per cell, its candidates (bit digit - 1)
    std::array<std::int16_t, 9> firstNumber_{}; // per digit, its first candidate's number
    // Facts: 2k for candidate k false, 2k + 1 for it true; edges in one array.
    std::array<std::uint32_t, maxFacts + 1> first_{};
    std::array<std::uint16_t, maxEdges> edges_{};
    // Tarjan's search: discovery order, lowest reachable, component, stacks.
    std::array<std::int16_t, maxFacts> discovered_{}, low_{}, component_{};
    std::array<std::int16_t, maxFacts> merged_{}; // per component: the last one that took in its reach
    std::array<std::uint16_t, maxFacts> stack_{};
    std::array<std::uint16_t, maxFacts> callFact_{};
    std::array<std::uint32_t, maxFacts> callEdge_{};
    // Per component: the candidates it reaches false; then per candidate assumed true.
    std::array<std::uint64_t, maxFacts * 12> reach_{};
    std::array<std::uint64_t, 729 * 12> rows_{};
    // Per candidate: whether its false has a strong link; what its true makes false
    // among those that have none.
    std::array<bool, 729> strong_{};
    std::array<std::uint64_t, 729 * 12> direct_{};
    std::array<std::array<std::array<std::uint64_t, 3>, 27>, 9> weak_{};
    std::array<std::uint64_t, 81 * 12> cellWeak_{};
};

// Asked for every candidate of every pass of the nested search: inline.
inline const std::uint64_t* StaticReach::reachOf(int x) const
{
    const int k = number_[static_cast<std::size_t>(x)];
    return &rows_[static_cast<std::size_t>(k * words_)];
}

inline bool StaticReach::mayClash(int x) const
{
    const int k = number_[static_cast<std::size_t>(x)];
    return (reachOf(x)[k / 64] >> (k % 64) & 1) != 0;
}

inline bool StaticReach::mayShareOff(const int* xs, int n) const
{
    // Four words at a time, one pass over the candidates for each four.
    for (int i = 0; i < words_; i += 4) {
        std::array<std::uint64_t, 4> common;
        common.fill(~std::uint64_t{0});
        for (int j = 0; j < n; ++j) {
            const std::uint64_t* const row = reachOf(xs[j]) + i;
            for (std::size_t k = 0; k < 4; ++k) {
                common[k] &= row[k];
            }
        }
        if ((common[0] | common[1] | common[2] | common[3]) != 0) {
            return true;
        }
    }
    return false;
}

} // namespace sudoku::logic::detail
