// Fish: x-wing, swordfish and jellyfish, a digit whose places in as many lines lie in as
// many cross lines.

#include "patterns/house_places.h"
#include "step_text.h"

#include <bit>

namespace sudoku::logic::detail {

namespace {

constexpr std::array<Technique, 5> fish{Technique::xWing, Technique::xWing, Technique::xWing, Technique::swordfish,
                                        Technique::jellyfish};

} // namespace

bool findFish(const Board& board, int size, Step& step)
{
    std::array<std::array<unsigned, 10>, 18> linePlaces{}; // rows, then columns
    for (int line = 0; line < 18; ++line) {
        linePlaces[static_cast<std::size_t>(line)] = housePositions(board, line);
    }
    for (int digit = 1; digit <= 9; ++digit) {
        for (const int baseFirst : {0, 9}) { // rows as base lines, then columns
            const int coverFirst = 9 - baseFirst;
            std::array<int, 9> lines{};
            std::array<unsigned, 9> where{};
            int count = 0;
            for (int line = 0; line < 9; ++line) {
                const unsigned mask =
                    linePlaces[static_cast<std::size_t>(baseFirst + line)][static_cast<std::size_t>(digit)];
                const int n = countOf(mask);
                if (n >= 2 && n <= size) {
                    lines[static_cast<std::size_t>(count)] = line;
                    where[static_cast<std::size_t>(count++)] = mask;
                }
            }
            const bool found = combinations(count, size, [&](const std::array<int, 4>& pick) {
                unsigned covers = 0;
                unsigned bases = 0;
                for (int i = 0; i < size; ++i) {
                    covers |= where[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                    bases |= 1u << lines[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])];
                }
                if (countOf(covers) != size) {
                    return false;
                }
                begin(step, fish[static_cast<std::size_t>(size)]);
                for (unsigned rest = covers; rest != 0; rest &= rest - 1) {
                    const auto& cells = cellsOf(coverFirst + std::countr_zero(rest));
                    for (unsigned k = 0; k < 9; ++k) {
                        if ((bases >> k & 1) == 0 && (board.candidates(cells[k]) & bit(digit)) != 0) {
                            addElimination(step, cells[k], digit);
                        }
                    }
                }
                if (!finish(step)) {
                    return false;
                }
                for (unsigned rest = bases; rest != 0; rest &= rest - 1) {
                    addHouse(step, baseFirst + std::countr_zero(rest));
                }
                for (unsigned rest = covers; rest != 0; rest &= rest - 1) {
                    addHouse(step, coverFirst + std::countr_zero(rest));
                }
                step.digits = bit(digit);
                return true;
            });
            if (found) {
                return true;
            }
        }
    }
    return false;
}

std::string fishText(const Step& step)
{
    return digitList(step.digits) + " in " + linesOf(step, 0, step.houseCount / 2) + ", " +
           linesOf(step, step.houseCount / 2, step.houseCount / 2);
}

} // namespace sudoku::logic::detail
