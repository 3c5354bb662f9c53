// Aligned exclusion: two or three cells whose candidates are tried together; a candidate
// that no possible combination holds is eliminated.

#include "step_text.h"
#include "techniques.h"

#include <algorithm>

namespace sudoku::logic::detail {

namespace {

// The base cells and their targets, the cells that all of them see with no more
// candidates than there are base cells: a combination of digits for the base cells is
// possible unless two cells that see each other take the same digit, or it takes all
// the candidates of a target.
struct Exclusion {
    int size = 0;
    std::array<Digits, 3> all{};    // each base cell's candidates
    std::array<bool, 3> pairSees{}; // whether base cells 0 and 1, 0 and 2, 1 and 2 see each other
    std::array<int, 20> cells{};
    std::array<Digits, 20> marks{};
    int count = 0;

    // The first target that digits `placed` (one per base cell) empty; -1 for none.
    int emptied(Digits placed) const
    {
        for (int t = 0; t < count; ++t) {
            if ((marks[static_cast<std::size_t>(t)] & ~placed) == 0) {
                return t;
            }
        }
        return -1;
    }

    // Calls f(digits, placed) on each combination within `digits` that places no digit
    // twice where two base cells see each other, in order of the first cell's digit,
    // then the second's, then the third's, until f returns true.
    template <class F>
    void each(const std::array<Digits, 3>& digits, F&& f) const
    {
        for (unsigned a = digits[0]; a != 0; a &= a - 1) {
            const Digits da = static_cast<Digits>(a & -a);
            const unsigned bs = digits[1] & ~(pairSees[0] ? da : 0u);
            for (unsigned b = bs; b != 0; b &= b - 1) {
                const Digits db = static_cast<Digits>(b & -b);
                if (size == 2) {
                    if (f(std::array<Digits, 3>{da, db, 0}, static_cast<Digits>(da | db))) {
                        return;
                    }
                    continue;
                }
                const unsigned cs = digits[2] & ~(pairSees[1] ? da : 0u) & ~(pairSees[2] ? db : 0u);
                for (unsigned c = cs; c != 0; c &= c - 1) {
                    const Digits dc = static_cast<Digits>(c & -c);
                    if (f(std::array<Digits, 3>{da, db, dc}, static_cast<Digits>(da | db | dc))) {
                        return;
                    }
                }
            }
        }
    }
};

// Tries the base cells, whose targets are `targetCells`: fills `step` and returns true
// when some candidate of theirs is in no combination that survives.
bool excludeFrom(const Board& board, const std::array<int, 3>& base, int size, const CellSet& targetCells,
                 Technique technique, Step& step)
{
    Digits inTargets = 0;
    targetCells.forEach([&](int cell) { inTargets |= board.candidates(cell); });
    // A combination of digits that no target holds empties none, so a candidate of one
    // base cell keeps a combination when the others have such digits to spare: one
    // beside it (which may clash with it), and one with three (which may clash with it
    // and the other's). With pairs, each needs two; with triples, all need two and at
    // most one may have fewer than three. Then nothing is eliminated: skip.
    int short2 = 0;
    int short3 = 0;
    for (int i = 0; i < size; ++i) {
        const int spare = countOf(board.candidates(base[static_cast<std::size_t>(i)]) & ~inTargets);
        short2 += spare < 2 ? 1 : 0;
        short3 += spare < 3 ? 1 : 0;
    }
    if (short2 == 0 && (size == 2 || short3 <= 1)) {
        return false;
    }
    Exclusion x;
    x.size = size;
    for (int i = 0; i < size; ++i) {
        x.all[static_cast<std::size_t>(i)] = board.candidates(base[static_cast<std::size_t>(i)]);
    }
    targetCells.forEach([&](int cell) {
        x.cells[static_cast<std::size_t>(x.count)] = cell;
        x.marks[static_cast<std::size_t>(x.count++)] = board.candidates(cell);
    });
    x.pairSees = {sees(base[0], base[1]), size == 3 && sees(base[0], base[2]), size == 3 && sees(base[1], base[2])};
    // Each candidate not yet in a surviving combination: look for one with it, which
    // is usually among the first tried.
    std::array<Digits, 3> kept{};
    for (int i = 0; i < size; ++i) {
        const auto u = static_cast<std::size_t>(i);
        for (unsigned rest = x.all[u] & ~kept[u]; rest != 0; rest &= rest - 1) {
            const auto d = static_cast<Digits>(rest & -rest);
            if ((kept[u] & d) != 0) {
                continue;
            }
            std::array<Digits, 3> with = x.all;
            with[u] = d;
            x.each(with, [&](const std::array<Digits, 3>& digits, Digits placed) {
                if (x.emptied(placed) >= 0) {
                    return false;
                }
                for (std::size_t k = 0; k < 3; ++k) {
                    kept[k] |= digits[k];
                }
                return true;
            });
        }
    }
    begin(step, technique);
    for (int i = 0; i < size; ++i) {
        const auto u = static_cast<std::size_t>(i);
        for (unsigned rest = x.all[u] & ~kept[u]; rest != 0; rest &= rest - 1) {
            addElimination(step, base[u], lowestDigit(rest));
        }
    }
    if (!finish(step)) {
        return false;
    }
    // The targets that rule out the combinations of the eliminated candidates.
    std::array<bool, 20> used{};
    x.each(x.all, [&](const std::array<Digits, 3>& digits, Digits placed) {
        bool removed = false;
        for (std::size_t k = 0; k < 3; ++k) {
            removed = removed || (digits[k] & ~kept[k]) != 0;
        }
        const int t = removed ? x.emptied(placed) : -1;
        if (t >= 0) {
            used[static_cast<std::size_t>(t)] = true;
        }
        return false;
    });
    for (int i = 0; i < size; ++i) {
        addCell(step, board, base[static_cast<std::size_t>(i)]);
    }
    for (int t = 0; t < x.count; ++t) {
        if (used[static_cast<std::size_t>(t)]) {
            addCell(step, board, x.cells[static_cast<std::size_t>(t)]);
        }
    }
    return true;
}

// The last position a search of each size found nothing in, per thread. Whether a
// combination of base cells eliminates anything depends only on the candidates of its
// base cells and of the cells all of them see, so in a later position only the
// combinations that include a cell whose candidates changed, or whose base cells all
// see one, need trying: the first of those that eliminates is the first of all.
struct Searched {
    bool known = false;
    std::array<Digits, 81> candidates{};
};

Searched& searched(int size)
{
    thread_local std::array<Searched, 2> sizes;
    return sizes[static_cast<std::size_t>(size - 2)];
}

} // namespace

// The base cells need not see each other, and only a cell that every base cell sees
// counts as one they can empty (not a set of cells, nor a cell that only some see):
// Sudoku Explainer's ratings agree with that on every puzzle of our sample, and with
// cells that must see each other, or targets that need not be seen by all, they do not.
bool findAlignedExclusion(const Board& board, int size, Step& step)
{
    const Technique technique = size == 2 ? Technique::alignedPairExclusion : Technique::alignedTripleExclusion;
    CellSet open;    // the cells that can be base cells
    CellSet small;   // the cells that can be targets
    CellSet changed; // since the last position searched in vain
    Searched& last = searched(size);
    for (int cell = 0; cell < 81; ++cell) {
        const Digits candidates = board.candidates(cell);
        if (!last.known || last.candidates[static_cast<std::size_t>(cell)] != candidates) {
            changed.add(cell);
        }
        const int n = countOf(candidates);
        if (n >= 2) {
            open.add(cell);
        }
        if (n >= 2 && n <= size) {
            small.add(cell);
        }
    }
    // Base cells in increasing order, each next one among the cells that see one of
    // the targets the earlier ones share: any other shares none with them.
    const auto after = [](int cell) {
        return cell < 63 ? CellSet{~std::uint64_t{0} << (cell + 1), (std::uint64_t{1} << 17) - 1}
                         : CellSet{0, ((std::uint64_t{1} << 17) - 1) & (~std::uint64_t{0} << (cell - 63))};
    };
    const auto seeingAny = [](const CellSet& cells) {
        CellSet near;
        cells.forEach([&](int c) { near = near | peersOf(c); });
        return near;
    };
    std::array<int, 3> base{};
    bool found = false;
    const auto stop = [&] { return found; };
    open.forEach([&](int c0) {
        const CellSet seen1 = peersOf(c0) & small;
        if (found || seen1.empty()) {
            return;
        }
        base[0] = c0;
        (open & seeingAny(seen1) & after(c0)).forEach([&](int c1) {
            if (stop()) {
                return;
            }
            base[1] = c1;
            const CellSet seen2 = seen1 & peersOf(c1);
            // With these two unchanged, and every cell both see, only a changed third
            // cell can make a difference.
            const bool same2 = !changed.has(c0) && !changed.has(c1) && (peersOf(c0) & peersOf(c1) & changed).empty();
            if (size == 2) {
                found = !same2 && excludeFrom(board, base, 2, seen2, technique, step);
                return;
            }
            const CellSet thirds = open & seeingAny(seen2) & after(c1);
            (same2 ? thirds & changed : thirds).forEach([&](int c2) {
                if (stop()) {
                    return;
                }
                base[2] = c2;
                found = excludeFrom(board, base, 3, seen2 & peersOf(c2), technique, step);
            });
        });
    });
    if (!found) {
        last.known = true;
        for (int cell = 0; cell < 81; ++cell) {
            last.candidates[static_cast<std::size_t>(cell)] = board.candidates(cell);
        }
    }
    return found;
}

std::string exclusionText(const Step& step)
{
    const int size = step.technique == Technique::alignedPairExclusion ? 2 : 3;
    const auto withMarks = [&](int first) {
        return [&step, first](int i) {
            return cell(step, first + i) + " " + digitSet(step.cellDigits[static_cast<std::size_t>(first + i)]);
        };
    };
    bool aligned = false; // some two of them see each other
    for (int i = 0; i < size; ++i) {
        for (int j = i + 1; j < size; ++j) {
            aligned = aligned || sees(step.cells[static_cast<std::size_t>(i)], step.cells[static_cast<std::size_t>(j)]);
        }
    }
    std::string text = listOf(size, withMarks(0)) + ": every combination with a removed candidate ";
    if (aligned) {
        text += step.cellCount == size ? "puts a digit twice in a house" : "puts a digit twice in a house or ";
    }
    if (step.cellCount > size) {
        text += "empties " + orWords(listOf(step.cellCount - size, withMarks(size)));
    }
    return text;
}

} // namespace sudoku::logic::detail
