// The logical solver's results, pinned: the rating of every puzzle in
// data/logic_puzzles.txt and the full explanations in data/explanations/ must come out
// exactly as checked in. A change to a finder that alters which step is found first,
// or a search that misses a branch, shows here as a changed count or score even when
// every step it still finds is sound.
//
// After a change meant to alter results, rewrite the expected files with
//   SUDOKU_REWRITE_FIXTURES=1 build/release/tests/logic_tests --gtest_filter='LogicFixture.*'
// and review their diff before committing it.

#include <sudoku/logic.h>
#include <sudoku/reader.h>
#include <sudoku/writer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace logic = sudoku::logic;
namespace fs = std::filesystem;

const fs::path dataDir = SUDOKU_TEST_DATA;

bool rewriting()
{
    const char* value = std::getenv("SUDOKU_REWRITE_FIXTURES");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << path << ": cannot write";
}

// The lines of a text that are not comments or blank, and the leading comment lines.
struct Lines {
    std::string header;
    std::vector<std::string> body;
};

Lines splitLines(const std::string& text)
{
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (lines.body.empty() && line.starts_with('#')) {
            lines.header += line + '\n';
        } else if (!line.empty() && !line.starts_with('#')) {
            lines.body.push_back(line);
        }
    }
    return lines;
}

struct Puzzle {
    long line = 0;
    sudoku::Cells cells{};
};

std::vector<Puzzle> readPuzzles(const std::string& text)
{
    sudoku::MemorySource source(text.data(), text.size());
    sudoku::PuzzleReader reader(source);
    std::vector<Puzzle> puzzles;
    sudoku::Record record;
    while (reader.next(record)) {
        EXPECT_EQ(record.kind, sudoku::Record::Kind::puzzle) << "line " << record.line << ": " << record.error;
        puzzles.push_back({record.line, record.cells});
    }
    return puzzles;
}

// "8.7 extreme cell-forcing-chain 54 full-house=9 hidden-single=31 ...": the rating as
// sudoku-solve --rate prints it, the number of steps and the steps of each technique
// used, in the solver's order.
std::string ratingLine(const logic::Rating& rating)
{
    std::string line = logic::formatRating(rating) + ' ' + std::to_string(rating.steps);
    for (int t = 0; t < logic::techniqueCount; ++t) {
        if (const int uses = rating.timesUsed(static_cast<logic::Technique>(t)); uses > 0) {
            line += ' ';
            line += logic::techniqueName(static_cast<logic::Technique>(t));
            line += '=' + std::to_string(uses);
        }
    }
    return line;
}

constexpr const char* ratingsHeader =
    "# The logical solver's rating of each puzzle of logic_puzzles.txt, line for line:\n"
    "#   ER GRADE HARDEST EP ED STEPS TECHNIQUE=STEPS...\n"
    "# the rating as sudoku-solve --rate prints it, then how many steps the solution took\n"
    "# and how many of them each technique made (those that made any).\n"
    "# tests/logic/fixture_test.cpp checks it. After a change meant to alter ratings,\n"
    "# rewrite this file (and the explanations) with\n"
    "#   SUDOKU_REWRITE_FIXTURES=1 build/release/tests/logic_tests --gtest_filter='LogicFixture.*'\n"
    "# and review the diff.\n";

TEST(LogicFixture, RatingsMatchTheCheckedInOnes)
{
    const std::vector<Puzzle> puzzles = readPuzzles(readText(dataDir / "logic_puzzles.txt"));
    const fs::path ratingsPath = dataDir / "logic_ratings.txt";
    std::vector<std::string> got;
    got.reserve(puzzles.size());
    for (const Puzzle& puzzle : puzzles) {
        got.push_back(ratingLine(logic::rate(puzzle.cells)));
    }
    if (rewriting()) {
        std::string text = ratingsHeader;
        for (const std::string& line : got) {
            text += line + '\n';
        }
        writeText(ratingsPath, text);
        GTEST_SKIP() << "rewrote " << ratingsPath;
    }

    const std::vector<std::string> expected = splitLines(readText(ratingsPath)).body;
    ASSERT_EQ(expected.size(), puzzles.size()) << ratingsPath << " should hold one rating for each puzzle";
    std::ostringstream differences;
    int count = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        if (got[i] != expected[i] && ++count <= 5) {
            std::string puzzle;
            sudoku::appendLine(puzzle, puzzles[i].cells, '.');
            differences << "logic_puzzles.txt:" << puzzles[i].line << " " << puzzle << "  expected: " << expected[i]
                        << "\n  got:      " << got[i] << '\n';
        }
    }
    EXPECT_EQ(count, 0) << count << " of " << puzzles.size() << " ratings differ; the first ones:\n"
                        << differences.str();

    // The fixture keeps what makes it worth running: enough puzzles, and enough of them
    // reaching the forcing chains, the searches easiest to break unseen.
    const auto forcing = std::count_if(expected.begin(), expected.end(), [](const std::string& line) {
        return line.find(" cell-forcing-chain=") != std::string::npos ||
               line.find(" unit-forcing-chain=") != std::string::npos;
    });
    EXPECT_GE(puzzles.size(), 1000u);
    EXPECT_GE(forcing, 200);
}

// Each file of data/explanations: comment lines, the puzzle, then its explanation as
// sudoku-solve --explain prints it.
TEST(LogicFixture, ExplanationsMatchTheCheckedInOnes)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dataDir / "explanations")) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        const Lines lines = splitLines(readText(path));
        ASSERT_FALSE(lines.body.empty());
        const std::string& puzzle = lines.body.front();
        const std::vector<Puzzle> read = readPuzzles(puzzle);
        ASSERT_EQ(read.size(), 1u);
        logic::Explanation explanation;
        logic::explain(read.front().cells, explanation);
        const std::string got = logic::formatExplanation(explanation, false);
        if (rewriting()) {
            writeText(path, lines.header + puzzle + '\n' + got);
            continue;
        }
        const std::vector<std::string> expected(lines.body.begin() + 1, lines.body.end());
        const std::vector<std::string> gotLines = splitLines(got).body;
        const auto [e, g] = std::mismatch(expected.begin(), expected.end(), gotLines.begin(), gotLines.end());
        if (e != expected.end() || g != gotLines.end()) {
            ADD_FAILURE() << "the explanation of " << puzzle << " differs from line " << (e - expected.begin()) + 1
                          << " of its steps on:\n  expected: " << (e != expected.end() ? *e : "(end)")
                          << "\n  got:      " << (g != gotLines.end() ? *g : "(end)");
        }
    }
    if (rewriting()) {
        GTEST_SKIP() << "rewrote the explanations";
    }
}

} // namespace
