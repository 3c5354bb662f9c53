#pragma once

// Puzzles that tests make themselves, from a fixed seed: valid grids from the
// symmetries of a known one, thinned to a chosen number of givens.

#include "grid_literals.h"
#include <sudoku/cells.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <string_view>

inline sudoku::Cells cellsFrom(std::string_view text)
{
    sudoku::Cells cells{};
    for (std::size_t i = 0; i < 81; ++i) {
        cells[i] = static_cast<std::uint8_t>(text[i] == '.' ? 0 : text[i] - '0');
    }
    return cells;
}

inline std::string textOf(const sudoku::Cells& cells)
{
    std::string text;
    for (const auto v : cells) {
        text += static_cast<char>('0' + v);
    }
    return text;
}

// A valid grid made from the smallest one by the symmetries that keep a grid valid:
// relabelling digits, swapping rows within a band, bands, columns within a stack,
// stacks, and transposing. Deterministic for a given generator state.
inline sudoku::Cells randomValidGrid(std::mt19937& rng)
{
    auto shuffledTriple = [&rng]() {
        std::array<int, 3> order{0, 1, 2};
        for (int i = 2; i > 0; --i) {
            std::swap(order[static_cast<std::size_t>(i)], order[rng() % static_cast<unsigned>(i + 1)]);
        }
        return order;
    };
    std::array<int, 10> label{};
    std::iota(label.begin(), label.end(), 0);
    for (int i = 9; i > 1; --i) {
        std::swap(label[static_cast<std::size_t>(i)], label[1 + rng() % static_cast<unsigned>(i)]);
    }
    std::array<int, 9> rowOf{};
    std::array<int, 9> colOf{};
    const auto bands = shuffledTriple();
    const auto stacks = shuffledTriple();
    for (int b = 0; b < 3; ++b) {
        const auto rows = shuffledTriple();
        const auto cols = shuffledTriple();
        for (int k = 0; k < 3; ++k) {
            rowOf[static_cast<std::size_t>(3 * b + k)] =
                3 * bands[static_cast<std::size_t>(b)] + rows[static_cast<std::size_t>(k)];
            colOf[static_cast<std::size_t>(3 * b + k)] =
                3 * stacks[static_cast<std::size_t>(b)] + cols[static_cast<std::size_t>(k)];
        }
    }
    const bool transpose = (rng() & 1) != 0;
    const sudoku::Cells base = cellsFrom(emptyGridSolution);
    sudoku::Cells grid{};
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) {
            const int sr = rowOf[static_cast<std::size_t>(r)];
            const int sc = colOf[static_cast<std::size_t>(c)];
            const int from = transpose ? sc * 9 + sr : sr * 9 + sc;
            grid[static_cast<std::size_t>(r * 9 + c)] =
                static_cast<std::uint8_t>(label[base[static_cast<std::size_t>(from)]]);
        }
    }
    return grid;
}

// Keeps `givens` cells of the grid, chosen at random, and empties the rest.
inline sudoku::Cells keepGivens(sudoku::Cells grid, int givens, std::mt19937& rng)
{
    std::array<int, 81> order{};
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    for (std::size_t i = static_cast<std::size_t>(givens); i < 81; ++i) {
        grid[static_cast<std::size_t>(order[i])] = 0;
    }
    return grid;
}
