#pragma once

// The grid's geometry: rows, columns and boxes, the houses they make, which cells see
// each other, and their names as every program, message and the web page write them.
// Everything here is a constant or a pure function; nothing allocates but the names.
//
// Cells are numbered 0 to 80 in row-major order (cell r * 9 + c for row r and column c,
// both 0 to 8). Houses are numbered 0 to 26: rows 0 to 8, columns 9 to 17, boxes 18 to
// 26, boxes counted row-major. Names count from 1: cell 0 is "r1c1", house 9 "column 1"
// and house 26 "box 9".

#include <sudoku/cells.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace SUDOKU_API sudoku {

inline constexpr int cellCount = 81;
inline constexpr int houseCount = 27;

// The row, column and box (0 to 8) of a cell (0 to 80).
constexpr int rowOf(int cell)
{
    return cell / 9;
}
constexpr int columnOf(int cell)
{
    return cell % 9;
}
constexpr int boxOf(int cell)
{
    return cell / 27 * 3 + cell % 9 / 3;
}

// The house of row, column or box `index` (0 to 8).
constexpr int houseOf(Unit unit, int index)
{
    return static_cast<int>(unit) * 9 + index;
}

// The nine cells of a house in row-major order. Throws std::out_of_range for a house
// outside 0 to 26.
constexpr std::array<std::uint8_t, 9> cellsOfHouse(int house)
{
    if (house < 0 || house >= houseCount) {
        throw std::out_of_range("house " + std::to_string(house) + " is outside 0 to 26");
    }
    std::array<std::uint8_t, 9> cells{};
    const int n = house % 9;
    for (int k = 0; k < 9; ++k) {
        const int cell = house < 9 ? n * 9 + k : house < 18 ? k * 9 + n : (n / 3 * 3 + k / 3) * 9 + n % 3 * 3 + k % 3;
        cells[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(cell);
    }
    return cells;
}

// The row, column and box of a cell as houses: {row, 9 + column, 18 + box}. Throws
// std::out_of_range for a cell outside 0 to 80.
constexpr std::array<std::uint8_t, 3> housesOfCell(int cell)
{
    if (cell < 0 || cell >= cellCount) {
        throw std::out_of_range("cell " + std::to_string(cell) + " is outside 0 to 80");
    }
    return {static_cast<std::uint8_t>(rowOf(cell)), static_cast<std::uint8_t>(9 + columnOf(cell)),
            static_cast<std::uint8_t>(18 + boxOf(cell))};
}

// Whether two different cells share a house (each is then one of the other's 20 peers).
// False when either is outside 0 to 80.
constexpr bool sees(int a, int b)
{
    const auto inGrid = [](int cell) { return cell >= 0 && cell < cellCount; };
    return inGrid(a) && inGrid(b) && a != b &&
           (rowOf(a) == rowOf(b) || columnOf(a) == columnOf(b) || boxOf(a) == boxOf(b));
}

// "r4c5" for cell 40; "" outside 0 to 80.
inline std::string cellName(int cell)
{
    if (cell < 0 || cell >= cellCount) {
        return {};
    }
    return {'r', static_cast<char>('1' + rowOf(cell)), 'c', static_cast<char>('1' + columnOf(cell))};
}

// "row 4", "column 5", "box 6" (houses 3, 13 and 23); "" outside 0 to 26.
inline std::string houseName(int house)
{
    if (house < 0 || house >= houseCount) {
        return {};
    }
    static constexpr std::array<const char*, 3> kinds{"row ", "column ", "box "};
    return kinds[static_cast<std::size_t>(house / 9)] + std::string(1, static_cast<char>('1' + house % 9));
}

} // namespace sudoku
