// A few of the hardest puzzles, rated in every test run: their ratings must be the
// ones hardest-200-ratings.txt pins for them. The nested levels skip work by the
// length their caller wants, and a search that skips too much, or a level that loses
// one of its rules, shows as a changed rating.

#include <sudoku/logic.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

namespace logic = sudoku::logic;
using logic::Technique;

struct Pinned {
    std::string puzzle;
    std::string rating;
};

// "PUZZLE RATING" lines, comments and blank lines skipped.
std::vector<Pinned> readPinned(const std::string& path)
{
    std::ifstream in(path);
    std::vector<Pinned> pinned;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && !line.starts_with('#')) {
            pinned.push_back({line.substr(0, 81), line.size() > 82 ? line.substr(82) : ""});
        }
    }
    return pinned;
}

sudoku::Cells cellsOf(const std::string& line)
{
    sudoku::Cells cells{};
    for (std::size_t i = 0; i < 81; ++i) {
        cells[i] = static_cast<std::uint8_t>(line[i] == '.' ? 0 : line[i] - '0');
    }
    return cells;
}

TEST(LogicHardest, RatingsMatchThePinnedOnes)
{
    const std::vector<Pinned> pinned = readPinned(SUDOKU_TEST_DATA "/hardest-slice.txt");
    ASSERT_FALSE(pinned.empty());
    std::array<int, logic::techniqueCount> uses{};
    for (const Pinned& p : pinned) {
        const logic::Rating rating = logic::rate(cellsOf(p.puzzle));
        EXPECT_EQ(logic::formatRating(rating), p.rating) << p.puzzle;
        for (std::size_t t = 0; t < uses.size(); ++t) {
            uses[t] += rating.timesUsed(static_cast<Technique>(t));
        }
    }
    // The slice keeps reaching the levels it is there for.
    for (const Technique t : {Technique::dynamicForcingChainPlus, Technique::nestedForcingChain,
                              Technique::nestedMultipleForcingChain, Technique::nestedDynamicForcingChain}) {
        EXPECT_GT(uses[static_cast<std::size_t>(t)], 0) << logic::techniqueName(t);
    }
}

} // namespace
