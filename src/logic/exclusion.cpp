// Aligned exclusion: two or three cells whose candidates are tried together; a candidate
// that no possible combination holds is eliminated.

#include "techniques.h"

#include <algorithm>

namespace sudoku::logic::detail {

namespace {

// A cell that the base cells can empty: one that all of them see, with no more
// candidates than there are base cells.
struct Target {
    int cell = 0;
    Digits marks = 0;
};

// Tries the base cells, whose targets are `targets`: fills `step` and returns true when
// some candidate of theirs is in no combination that survives.
bool excludeFrom(const Board& board, const std::array<int, 3>& base, int size, const CellSet& targetCells,
                 Technique technique, Step& step)
{
    Digits inTargets = 0;
    targetCells.forEach([&](int cell) { inTargets |= board.candidates(cell); });
    // A combination of digits that no target holds empties none. When every base cell
    // has such digits to spare (size of them: one may clash with the digit tried, and
    // one more with the third cell's), each candidate keeps a combination: skip.
    bool spare = true;
    for (int i = 0; i < size; ++i) {
        spare = spare && countOf(board.candidates(base[static_cast<std::size_t>(i)]) & ~inTargets) >= size;
    }
    if (spare) {
        return false;
    }
    std::array<Target, 20> targets{};
    int count = 0;
    targetCells.forEach([&](int cell) { targets[static_cast<std::size_t>(count++)] = {cell, board.candidates(cell)}; });
    std::array<Digits, 3> kept{};
    std::array<int, 3> digit{};
    std::array<bool, 20> used{}; // the targets that empty some combination
    // The first target a combination empties, -1 for none, -2 for a digit twice in a
    // house.
    const auto excluded = [&]() {
        for (int i = 0; i < size; ++i) {
            for (int j = i + 1; j < size; ++j) {
                if (digit[static_cast<std::size_t>(i)] == digit[static_cast<std::size_t>(j)] &&
                    sees(base[static_cast<std::size_t>(i)], base[static_cast<std::size_t>(j)])) {
                    return -2;
                }
            }
        }
        Digits placed = 0;
        for (int i = 0; i < size; ++i) {
            placed |= bit(digit[static_cast<std::size_t>(i)]);
        }
        for (int t = 0; t < count; ++t) {
            if ((targets[static_cast<std::size_t>(t)].marks & ~placed) == 0) {
                return t;
            }
        }
        return -1;
    };
    // Calls f() on each combination whose digits lie in `digits`, until it returns true.
    const auto each = [&](const std::array<Digits, 3>& digits, auto&& f) {
        for (unsigned a = digits[0]; a != 0; a &= a - 1) {
            digit[0] = lowestDigit(a);
            for (unsigned b = digits[1]; b != 0; b &= b - 1) {
                digit[1] = lowestDigit(b);
                for (unsigned c = size == 3 ? digits[2] : 1u; c != 0; c &= c - 1) {
                    digit[2] = size == 3 ? lowestDigit(c) : 0;
                    if (f()) {
                        return;
                    }
                }
            }
        }
    };
    std::array<Digits, 3> all{};
    for (int i = 0; i < size; ++i) {
        all[static_cast<std::size_t>(i)] = board.candidates(base[static_cast<std::size_t>(i)]);
    }
    // Each candidate not yet in a surviving combination: look for one with it, which
    // is usually among the first tried.
    for (int i = 0; i < size; ++i) {
        for (unsigned rest = all[static_cast<std::size_t>(i)]; rest != 0; rest &= rest - 1) {
            const Digits d = bit(lowestDigit(rest));
            if ((kept[static_cast<std::size_t>(i)] & d) != 0) {
                continue;
            }
            std::array<Digits, 3> with = all;
            with[static_cast<std::size_t>(i)] = d;
            each(with, [&] {
                if (excluded() != -1) {
                    return false;
                }
                for (int k = 0; k < size; ++k) {
                    kept[static_cast<std::size_t>(k)] |= bit(digit[static_cast<std::size_t>(k)]);
                }
                return true;
            });
        }
    }
    begin(step, technique);
    for (int i = 0; i < size; ++i) {
        const int cell = base[static_cast<std::size_t>(i)];
        for (unsigned rest = board.candidates(cell) & ~kept[static_cast<std::size_t>(i)]; rest != 0; rest &= rest - 1) {
            addElimination(step, cell, lowestDigit(rest));
        }
    }
    if (!finish(step)) {
        return false;
    }
    // The targets that rule out the combinations of the eliminated candidates.
    each(all, [&] {
        bool removed = false;
        for (int i = 0; i < size; ++i) {
            removed = removed || (kept[static_cast<std::size_t>(i)] & bit(digit[static_cast<std::size_t>(i)])) == 0;
        }
        const int t = removed ? excluded() : -1;
        if (t >= 0) {
            used[static_cast<std::size_t>(t)] = true;
        }
        return false;
    });
    for (int i = 0; i < size; ++i) {
        addCell(step, board, base[static_cast<std::size_t>(i)]);
    }
    for (int t = 0; t < count; ++t) {
        if (used[static_cast<std::size_t>(t)]) {
            addCell(step, board, targets[static_cast<std::size_t>(t)].cell);
        }
    }
    return true;
}

} // namespace

// The base cells need not see each other, and only a cell that every base cell sees
// counts as one they can empty (not a set of cells, nor a cell that only some see):
// Sudoku Explainer's ratings agree with that on every puzzle of our sample, and with
// cells that must see each other, or targets that need not be seen by all, they do not.
bool findAlignedExclusion(const Board& board, int size, Step& step)
{
    const Technique technique = size == 2 ? Technique::alignedPairExclusion : Technique::alignedTripleExclusion;
    std::array<int, 81> cells{};
    int count = 0;
    CellSet small; // the cells that can be targets
    for (int cell = 0; cell < 81; ++cell) {
        const int n = countOf(board.candidates(cell));
        if (n >= 2) {
            cells[static_cast<std::size_t>(count++)] = cell;
        }
        if (n >= 2 && n <= size) {
            small.add(cell);
        }
    }
    std::array<int, 3> base{};
    for (int i = 0; i < count; ++i) {
        base[0] = cells[static_cast<std::size_t>(i)];
        const CellSet seen1 = peersOf(base[0]) & small;
        for (int j = i + 1; j < count && !seen1.empty(); ++j) {
            base[1] = cells[static_cast<std::size_t>(j)];
            const CellSet seen2 = seen1 & peersOf(base[1]);
            if (seen2.empty()) {
                continue;
            }
            if (size == 2) {
                if (excludeFrom(board, base, 2, seen2, technique, step)) {
                    return true;
                }
                continue;
            }
            for (int k = j + 1; k < count; ++k) {
                base[2] = cells[static_cast<std::size_t>(k)];
                const CellSet seen3 = seen2 & peersOf(base[2]);
                if (!seen3.empty() && excludeFrom(board, base, 3, seen3, technique, step)) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace sudoku::logic::detail
