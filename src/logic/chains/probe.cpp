#include "chains/probe.h"

#include <bit>

namespace sudoku::logic::detail {

ProbeStart probeStart(const Grid& grid)
{
    ProbeStart start;
    start.cand = grid.cand;
    start.placed = grid.placed;
    start.empty = grid.empty;
    for (std::size_t d = 0; d < 9; ++d) {
        start.done[d] = housesOf(grid.placed[d]);
        start.places[d] = countPerHouse(grid.cand[d]);
    }
    return start;
}

// Whether a dynamic run of singles only from candidate (cell, digit) true in `start`
// ends in a contradiction by round `last`, with what it looked at added to `looked`.
// It keeps no proof, only the grid: round by round it derives the same facts as a
// Workspace run in that mode (the order inside a round changes only which parents a
// fact records), so when it finds no contradiction, neither does that run, and both
// looked at the same places. Most of the nested dynamic chains' inner runs end so.
bool probeSingles(const ProbeStart& start, int cell, int digit, int last, Footprint& looked,
                  std::array<CellSet, 9>* end)
{
    std::array<CellSet, 9> placedHere{}; // per digit, the cells this probe placed
    std::array<CellSet, 9> cand = start.cand;
    CellSet empty = start.empty;
    std::array<std::uint32_t, 9> done = start.done;
    // Kept as places are lost, so that only a house left with one place or none is
    // looked at: counts in houses where the digit is placed go stale, unread.
    std::array<std::array<std::uint8_t, 27>, 9> places = start.places;
    std::array<CellSet, 9> placing{};
    placing[static_cast<std::size_t>(digit - 1)].add(cell);
    std::uint32_t placingDigits = 1u << (digit - 1);
    for (int round = 0; round <= last; ++round) {
        std::array<CellSet, 9> lost{}; // per digit, the cells that lost it this round
        CellSet placed;
        for (std::uint32_t ds = placingDigits; ds != 0; ds &= ds - 1) {
            const auto d = static_cast<std::size_t>(std::countr_zero(ds));
            const CellSet p = placing[d];
            // Plain loops over the words keep `seen` in registers.
            std::uint64_t seenLo = 0;
            std::uint64_t seenHi = 0;
            std::uint64_t clashing = 0;
            std::uint32_t houses = 0;
            for (int w = 0; w < 2; ++w) {
                for (std::uint64_t bits = w == 0 ? p.lo : p.hi; bits != 0; bits &= bits - 1) {
                    const auto c = static_cast<std::size_t>(64 * w + std::countr_zero(bits));
                    const CellSet& peers = tables.peers[c];
                    clashing |= (peers.lo & p.lo) | (peers.hi & p.hi);
                    seenLo |= peers.lo;
                    seenHi |= peers.hi;
                    houses |= houseBits[c];
                }
            }
            if (clashing != 0) {
                return true; // the digit placed twice in a house
            }
            const CellSet seen{seenLo, seenHi};
            done[d] |= houses;
            lost[d] = cand[d] & seen;
            cand[d] = cand[d].without(seen);
            placed = placed | p;
            placedHere[d] = placedHere[d] | p;
        }
        // The placed cells' other candidates.
        empty = empty.without(placed);
        CellSet anyCandidate;
        Touched t;
        std::array<std::uint32_t, 9> few{}; // per digit, the houses left with one place or none
        std::uint32_t fewDigits = 0;
        for (std::size_t d = 0; d < 9; ++d) {
            lost[d] = lost[d] | (cand[d] & placed).without(placing[d]);
            cand[d] = cand[d].without(placed);
            anyCandidate = anyCandidate | cand[d];
            t.cells = t.cells | lost[d];
            std::uint32_t houses = 0;
            std::uint32_t low = 0;
            lost[d].forEach([&](int c) {
                const auto at = static_cast<std::size_t>(c);
                houses |= houseBits[at];
                for (const std::uint8_t h : tables.cellHouses[at]) {
                    low |= static_cast<std::uint32_t>(--places[d][h] <= 1) << h;
                }
            });
            t.houses[d] = houses;
            few[d] = low & ~done[d];
            fewDigits |= few[d] != 0 ? 1u << d : 0u;
        }
        looked.add(t);
        if (!(empty & t.cells).without(anyCandidate).empty()) {
            return true; // a cell without candidate
        }
        const auto [once, twice] = overlapOf(cand);
        const CellSet naked = (empty & once & t.cells).without(twice);
        CellSet found = naked;
        placingDigits = 0;
        for (std::size_t d = 0; d < 9; ++d) {
            placing[d] = cand[d] & naked;
            placingDigits |= placing[d].empty() ? 0u : 1u << d;
        }
        // A digit without place in a house is a contradiction; with one, a single.
        for (std::uint32_t ds = fewDigits; ds != 0; ds &= ds - 1) {
            const auto d = static_cast<std::size_t>(std::countr_zero(ds));
            for (std::uint32_t hs = few[d]; hs != 0; hs &= hs - 1) {
                const int h = std::countr_zero(hs);
                if (places[d][static_cast<std::size_t>(h)] == 0) {
                    return true;
                }
                const CellSet single = cand[d] & tables.houseSet[static_cast<std::size_t>(h)];
                if ((single & found).empty()) {
                    placing[d] = placing[d] | single;
                    found = found | single;
                    placingDigits |= 1u << d;
                }
            }
        }
        if (placingDigits == 0) {
            if (end != nullptr) {
                for (std::size_t d = 0; d < 9; ++d) {
                    (*end)[d] = cand[d] | start.placed[d] | placedHere[d];
                }
            }
            return false;
        }
    }
    return false;
}

// Whether `grid` holds no single (naked or hidden) and no clash: no cell without
// candidate, no house without place for a digit it lacks.
bool settled(const Grid& grid)
{
    if (!grid.empty.without(overlapOf(grid.cand).twice).empty()) {
        return false;
    }
    for (std::size_t d = 0; d < 9; ++d) {
        for (int h = 0; h < 27; ++h) {
            const CellSet& house = tables.houseSet[static_cast<std::size_t>(h)];
            const CellSet places = grid.cand[d] & house;
            if ((grid.placed[d] & house).empty() && (places.empty() || onePlace(places))) {
                return false;
            }
        }
    }
    return true;
}

SharedProbes::Known SharedProbes::known(const std::array<CellSet, 9>& places, int last, int on) const
{
    Known k;
    for (std::int32_t i = on >= 0 ? firstEnd_[static_cast<std::size_t>(on)] : -1; i >= 0;
         i = ends_[static_cast<std::size_t>(i)].next) {
        const std::array<CellSet, 9>& end = ends_[static_cast<std::size_t>(i)].places;
        bool within = true; // this position has every place of the end
        for (std::size_t d = 0; d < 9 && within; ++d) {
            within = end[d].without(places[d]).empty();
        }
        if (within) {
            const CellSet twice = overlapOf(end).twice;
            for (std::size_t d = 0; d < 9; ++d) {
                k.quietPlaced[d] = k.quietPlaced[d] | end[d].without(twice);
            }
        }
    }
    for (const Seen& s : seen_) {
        bool fewer = true; // the position seen has no place that this one lacks
        bool more = true;  // nor this one a place that it lacks
        for (std::size_t d = 0; d < 9 && (fewer || more); ++d) {
            fewer = fewer && s.places[d].without(places[d]).empty();
            more = more && places[d].without(s.places[d]).empty();
        }
        if (fewer && s.last >= last) {
            for (std::size_t i = 0; i < k.quiet.w.size(); ++i) {
                k.quiet.w[i] |= s.quiet.w[i];
            }
        }
        if (more && s.last <= last) {
            for (std::size_t i = 0; i < k.clash.w.size(); ++i) {
                k.clash.w[i] |= s.clash.w[i];
            }
        }
    }
    return k;
}

} // namespace sudoku::logic::detail
