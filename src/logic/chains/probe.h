#pragma once
// The probes of the nested dynamic chains: a run of singles only from one candidate,
// that says whether it ends in a contradiction and what it looked at, without proof.
// Most inner runs of those chains end without one, and a probe finds so cheaply.
#include "chains/grid.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace sudoku::logic::detail {

// The position the probes of a pass start from, with per digit the houses where it is
// placed and the number of its places in each house.
struct ProbeStart {
    std::array<CellSet, 9> cand;
    std::array<CellSet, 9> placed;
    CellSet empty;
    std::array<std::uint32_t, 9> done{};
    std::array<std::array<std::uint8_t, 27>, 9> places{};
};

ProbeStart probeStart(const Grid& grid);

// Whether a dynamic run of singles only from candidate (cell, digit) true in `start`
// ends in a contradiction by round `last`, with what it looked at added to `looked`.
// It keeps no proof, only the grid: round by round it derives the same facts as a
// Workspace run in that mode (the order inside a round changes only which parents a
// fact records), so when it finds no contradiction, neither does that run, and both
// looked at the same places. Most of the nested dynamic chains' inner runs end so.
// When it ends with nothing more to place, `end` (if given) gets the places it ended
// with, per digit, placed cells included.
bool probeSingles(const ProbeStart& start, int cell, int digit, int last, Footprint& looked,
                  std::array<CellSet, 9>* end = nullptr);

// Whether `grid` holds no single (naked or hidden) and no clash: no cell without
// candidate, no house without place for a digit it lacks.
bool settled(const Grid& grid);

// What the probes of the nested dynamic chains found in the positions a search's
// branches reached, for its other branches.
//
// A probe is monotone. Take two positions that hold no single and no clash, the
// first with fewer candidates: each digit's places (placed cells included) a subset
// of the second's. Then looking only where the last round changed something finds
// all that a full look would, and round by round the first position's probe places
// at least what the second's does, or has already clashed. So a candidate whose
// probe ended without contradiction in the first ends without one in the second, with
// the same or a lower round bound; and one whose probe ended in a contradiction in the
// second ends in one in the first, with the same or a higher bound. The branches'
// positions hold no single and no clash when their nested rule runs, provided the
// search's starting position holds none.
//
// A probe that ended with nothing more to place and no contradiction ended in a
// position E without single or clash. In any position with at least E's places, a
// probe of a candidate placed in E ends without contradiction, whatever the bound:
// round by round it keeps at least E's places, since each of its singles is placed
// in E too. The branch of the candidate probed holds at least E's places when its
// propagation is E's (singles) and it starts from a position with no fewer places.
class SharedProbes {
public:
    // Forgets everything unless `start` is the position of the search it holds probes of.
    void startAt(const Grid& start)
    {
        if (!(start_ && same(*start_, start))) {
            start_ = start;
            usable_ = settled(start);
            seen_.clear();
            ends_.clear();
            firstEnd_.fill(-1);
        }
    }

    // The candidates known to probe without contradiction, and those known to probe
    // into one, in a position of the search with places `places` (per digit, placed
    // cells included), with round bound `last`.
    // With `on`, the candidate (cell * 9 + digit - 1) the branch assumed true, also
    // the candidates placed where its own probes ended, per digit (any bound).
    struct Known {
        CandidateSet quiet;
        CandidateSet clash;
        std::array<CellSet, 9> quietPlaced{};
    };
    Known known(const std::array<CellSet, 9>& places, int last, int on = -1) const;

    // Notes that the probe of candidate `x` ended with nothing more to place and no
    // contradiction, with places `end` (per digit, placed cells included).
    void keepEnd(int x, const std::array<CellSet, 9>& end)
    {
        if (usable_ && ends_.size() < endCapacity) {
            auto& first = firstEnd_[static_cast<std::size_t>(x)];
            ends_.push_back({end, first});
            first = static_cast<std::int32_t>(ends_.size() - 1);
        }
    }

    // Notes that the candidates `quiet` probe without contradiction, and the candidates
    // `clash` into one, with round bound `last`, in a position of the search with places
    // `places`.
    void keep(const std::array<CellSet, 9>& places, const CandidateSet& quiet, const CandidateSet& clash, int last)
    {
        if (usable_ && seen_.size() < capacity) {
            seen_.push_back({places, quiet, clash, last});
        }
    }

    // Whether the search's starting position holds no single and no clash: only then
    // does what is kept say anything.
    bool usable() const { return usable_; }

private:
    struct Seen {
        std::array<CellSet, 9> places;
        CandidateSet quiet;
        CandidateSet clash;
        int last;
    };
    struct End {
        std::array<CellSet, 9> places;
        std::int32_t next; // the candidate's previous end, or -1
    };
    static constexpr std::size_t capacity = 1 << 12;    // about 1.9 MB
    static constexpr std::size_t endCapacity = 1 << 15; // about 5 MB
    std::optional<Grid> start_;
    bool usable_ = false;
    std::vector<Seen> seen_;
    std::vector<End> ends_;
    std::array<std::int32_t, 729> firstEnd_ = [] { // per candidate, its last end, or -1
        std::array<std::int32_t, 729> none{};
        none.fill(-1);
        return none;
    }();
};

} // namespace sudoku::logic::detail
