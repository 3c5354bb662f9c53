// Why a marked position has no solution: the one placed digit or removed candidate that
// is wrong, found by trying every single change with the engine.

#include "tables.h"

#include <sudoku/engine.h>
#include <sudoku/logic.h>

namespace sudoku::logic {

using namespace detail;

namespace {

constexpr Digits allDigits = 0x1FF;

// The digits placed in a cell's peers.
Digits placedAround(const Cells& values, int cell)
{
    Digits held = 0;
    peersOf(cell).forEach([&](int peer) {
        const int v = values[static_cast<std::size_t>(peer)];
        if (v != 0) {
            held |= bit(v);
        }
    });
    return held;
}

} // namespace

std::optional<Contradiction> findContradiction(const Board& position)
{
    const Cells& values = position.values();
    Marks marks{};
    for (int cell = 0; cell < 81; ++cell) {
        marks[static_cast<std::size_t>(cell)] = position.candidates(cell);
    }
    if (countSolutionsWithMarks(values, marks, 1).count != 0) {
        return std::nullopt;
    }
    // The change that leaves exactly one solution; once a second one does, neither is
    // the one to name and the search stops.
    std::optional<Contradiction> found;
    bool ambiguous = false;
    const auto tryChange = [&](const Cells& v, const Marks& m, Contradiction change) {
        if (countSolutionsWithMarks(v, m, 2).count != 1) {
            return;
        }
        ambiguous = found.has_value();
        found = change;
    };
    for (int cell = 0; cell < 81 && !ambiguous; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        const int digit = values[i];
        if (digit != 0) {
            // Taken back as if never placed: the cell and the peers it barred regain it.
            Cells v = values;
            v[i] = 0;
            Marks m = marks;
            m[i] = static_cast<Digits>(allDigits & ~placedAround(v, cell));
            peersOf(cell).forEach([&](int peer) {
                if (v[static_cast<std::size_t>(peer)] == 0 && (placedAround(v, peer) & bit(digit)) == 0) {
                    m[static_cast<std::size_t>(peer)] |= bit(digit);
                }
            });
            tryChange(v, m, {true, {static_cast<std::uint8_t>(cell), static_cast<std::uint8_t>(digit)}});
            continue;
        }
        // Each removed candidate in turn, alone in its cell: a solution of the position
        // with it restored that did not use it would be one of the position as it is.
        const Digits removed = static_cast<Digits>(allDigits & ~marks[i] & ~placedAround(values, cell));
        for (int d = 1; d <= 9 && !ambiguous; ++d) {
            if ((removed & bit(d)) != 0) {
                Marks m = marks;
                m[i] = bit(d);
                tryChange(values, m, {false, {static_cast<std::uint8_t>(cell), static_cast<std::uint8_t>(d)}});
            }
        }
    }
    return ambiguous ? std::nullopt : found;
}

std::string formatContradiction(const Contradiction& contradiction)
{
    const Candidate& c = contradiction.candidate;
    std::string text = "r";
    text += static_cast<char>('1' + c.cell / 9);
    text += 'c';
    text += static_cast<char>('1' + c.cell % 9);
    text += contradiction.placed ? "=" : "<>";
    text += static_cast<char>('0' + c.digit);
    return text + " contradicts the solution";
}

} // namespace sudoku::logic
