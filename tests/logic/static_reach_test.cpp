// What static links reach: on random positions, the graph search against a plain
// breadth-first search of the same links from each candidate in turn, also once its
// answers are kept and restored.

#include "chains/static_reach.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace {

using sudoku::logic::detail::CellSet;
using sudoku::logic::detail::StaticReach;
using sudoku::logic::detail::tables;
using Places = std::array<CellSet, 9>;

bool has(const Places& cand, int cell, int d)
{
    return cand[static_cast<std::size_t>(d)].has(cell);
}

bool sameHouse(int a, int b)
{
    for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(a)]) {
        if (tables.houseSet[h].has(b)) {
            return true;
        }
    }
    return false;
}

// The candidates (cell * 9 + digit) that assuming `x` true makes false by any path.
std::vector<bool> madeFalse(const Places& cand, int x)
{
    std::vector<bool> seen(729 * 2, false); // fact = candidate * 2 + true
    std::vector<int> queue{x * 2 + 1};
    seen[static_cast<std::size_t>(x * 2 + 1)] = true;
    const auto reach = [&](int candidate, bool on) {
        const auto f = static_cast<std::size_t>(candidate * 2 + (on ? 1 : 0));
        if (!seen[f]) {
            seen[f] = true;
            queue.push_back(static_cast<int>(f));
        }
    };
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const int cell = queue[i] / 2 / 9;
        const int d = queue[i] / 2 % 9;
        if (queue[i] % 2 == 1) {
            for (int other = 0; other < 81 * 9; ++other) {
                const int c = other / 9;
                const int e = other % 9;
                if (other != queue[i] / 2 && has(cand, c, e) && ((c == cell) || (e == d && sameHouse(c, cell)))) {
                    reach(other, false);
                }
            }
            continue;
        }
        std::vector<int> left;
        for (int e = 0; e < 9; ++e) {
            if (has(cand, cell, e)) {
                left.push_back(e);
            }
        }
        if (left.size() == 2) {
            reach(cell * 9 + (left[0] == d ? left[1] : left[0]), true);
        }
        for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(cell)]) {
            std::vector<int> places;
            tables.houseSet[h].forEach([&](int c) {
                if (has(cand, c, d)) {
                    places.push_back(c);
                }
            });
            if (places.size() == 2) {
                reach((places[0] == cell ? places[1] : places[0]) * 9 + d, true);
            }
        }
    }
    std::vector<bool> off(729, false);
    for (std::size_t y = 0; y < 729; ++y) {
        off[y] = seen[y * 2];
    }
    return off;
}

TEST(StaticReach, AgreesWithASearchFromEachCandidate)
{
    std::mt19937 random(7);
    StaticReach reach;
    int clashes = 0;
    int shared = 0;
    for (int round = 0; round < 40; ++round) {
        // Sparse positions have many two-candidate cells and two-place houses.
        std::bernoulli_distribution present(0.15 + 0.01 * round);
        Places cand{};
        for (int x = 0; x < 729; ++x) {
            if (present(random)) {
                cand[static_cast<std::size_t>(x % 9)].add(x / 9);
            }
        }
        reach.compute(cand);
        std::vector<std::vector<bool>> off(729);
        for (int x = 0; x < 729; ++x) {
            if (has(cand, x / 9, x % 9)) {
                off[static_cast<std::size_t>(x)] = madeFalse(cand, x);
                const bool clash = off[static_cast<std::size_t>(x)][static_cast<std::size_t>(x)];
                ASSERT_EQ(reach.mayClash(x), clash) << "round " << round << ", candidate " << x;
                clashes += clash ? 1 : 0;
            }
        }
        // The rows kept and restored after another position give the same answers.
        const std::vector<std::uint64_t> rows(reach.rows().begin(), reach.rows().end());
        Places other{};
        for (int x = 0; x < 729; ++x) {
            if (present(random)) {
                other[static_cast<std::size_t>(x % 9)].add(x / 9);
            }
        }
        reach.compute(other);
        reach.restore(cand, rows);
        for (int x = 0; x < 729; ++x) {
            if (has(cand, x / 9, x % 9)) {
                ASSERT_EQ(reach.mayClash(x), off[static_cast<std::size_t>(x)][static_cast<std::size_t>(x)]);
            }
        }
        // Groups: a cell's candidates, and a digit's places in a house.
        std::vector<std::vector<int>> groups;
        for (int cell = 0; cell < 81; ++cell) {
            groups.emplace_back();
            for (int d = 0; d < 9; ++d) {
                if (has(cand, cell, d)) {
                    groups.back().push_back(cell * 9 + d);
                }
            }
        }
        for (int h = 0; h < 27; ++h) {
            for (int d = 0; d < 9; ++d) {
                groups.emplace_back();
                tables.houseSet[static_cast<std::size_t>(h)].forEach([&](int c) {
                    if (has(cand, c, d)) {
                        groups.back().push_back(c * 9 + d);
                    }
                });
            }
        }
        for (const std::vector<int>& xs : groups) {
            if (xs.size() < 2) {
                continue;
            }
            bool common = false;
            for (std::size_t y = 0; y < 729 && !common; ++y) {
                common = true;
                for (const int x : xs) {
                    common = common && off[static_cast<std::size_t>(x)][y];
                }
            }
            ASSERT_EQ(reach.mayShareOff(xs.data(), static_cast<int>(xs.size())), common) << "round " << round;
            shared += common ? 1 : 0;
        }
    }
    // Both answers occur, so the comparison means something.
    EXPECT_GT(clashes, 0);
    EXPECT_GT(shared, 0);
}

} // namespace
