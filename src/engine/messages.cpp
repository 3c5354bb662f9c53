// The engine's findings as every program and the web page tell them.

#include <sudoku/engine.h>
#include <sudoku/geometry.h>

namespace sudoku {

std::string formatClash(const Clash& clash)
{
    std::string text = "givens clash: ";
    text += static_cast<char>('0' + clash.digit);
    text += " appears twice in ";
    text += houseName(houseOf(clash.unit, clash.index));
    text += " (" + cellName(clash.first) + " and " + cellName(clash.second) + ")";
    return text;
}

std::string formatMarkClash(const Cells& values, const Marks& marks)
{
    for (int cell = 0; cell < 81; ++cell) {
        for (int other = 0; other < 81; ++other) {
            const int digit = values[static_cast<std::size_t>(other)];
            if (sees(cell, other) && digit >= 1 && digit <= 9 &&
                (marks[static_cast<std::size_t>(cell)] >> (digit - 1) & 1) != 0) {
                return "candidate " + std::to_string(digit) + " in " + cellName(cell) + " clashes with the " +
                       std::to_string(digit) + " placed in " + cellName(other);
            }
        }
    }
    return {};
}

} // namespace sudoku
