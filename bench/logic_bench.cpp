// Measures the logical solver on a puzzle file, on one thread.
//
//   logic_bench PUZZLE_FILE [RUNS]     rates every puzzle RUNS times (default 3): puzzles
//                                      per second, the median run, the share the
//                                      techniques finish, the grade counts
//   logic_bench --check PUZZLE_FILE    explains every puzzle and checks each placement
//                                      and elimination against the engine's unique
//                                      solution, and that the record ends with it
//   logic_bench --agreement RATED_TSV  rates the puzzles of a table of ratings on another
//                                      scale (columns puzzle, ER and source, tab
//                                      separated, a header line first) and prints, by
//                                      source and overall, how often the scores are equal
//                                      or within 0.5, and their rank correlation
//
// The puzzle file holds puzzles as sudoku-solve reads them.

#include "puzzle_file.h"
#include "rating_agreement.h"

#include <sudoku/engine.h>
#include <sudoku/logic.h>
#include <sudoku/reader.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace logic = sudoku::logic;

double percent(std::uint64_t part, std::size_t whole)
{
    return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole);
}

int rateFile(const std::vector<sudoku::Cells>& puzzles, int runs)
{
    std::vector<logic::Rating> ratings(puzzles.size());
    std::vector<double> rates;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        for (std::size_t i = 0; i < puzzles.size(); ++i) {
            ratings[i] = logic::rate(puzzles[i]);
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        rates.push_back(static_cast<double>(puzzles.size()) / elapsed);
        std::printf("run %d: %zu puzzles in %.3f s, %.0f puzzles/s\n", run + 1, puzzles.size(), elapsed, rates.back());
    }
    std::sort(rates.begin(), rates.end());
    std::printf("median: %.0f puzzles/s (rate, one thread)\n", rates[rates.size() / 2]);

    logic::GradeCounts counts;
    std::vector<std::uint64_t> hardest(logic::techniqueCount);
    for (const auto& rating : ratings) {
        counts.add(rating);
        if (rating.status == sudoku::Status::solved && rating.finished && rating.hardest) {
            ++hardest[static_cast<std::size_t>(*rating.hardest)];
        }
    }
    const std::uint64_t rated = puzzles.size() - counts.multipleSolutions - counts.unsolvable;
    std::printf("finished without trial: %llu of %llu (%.2f%%); %llu with several solutions, %llu unsolvable\n",
                static_cast<unsigned long long>(rated - counts.unfinished), static_cast<unsigned long long>(rated),
                percent(rated - counts.unfinished, rated), static_cast<unsigned long long>(counts.multipleSolutions),
                static_cast<unsigned long long>(counts.unsolvable));
    std::printf("grades:");
    for (int g = 0; g < logic::gradeCount; ++g) {
        std::printf(" %s %llu", std::string(logic::gradeName(static_cast<logic::Grade>(g))).c_str(),
                    static_cast<unsigned long long>(counts.grades[static_cast<std::size_t>(g)]));
    }
    std::printf(" (extreme includes %llu needing trial)\n", static_cast<unsigned long long>(counts.unfinished));
    std::printf("hardest technique of finished puzzles:");
    for (int t = 0; t < logic::techniqueCount; ++t) {
        if (hardest[static_cast<std::size_t>(t)] != 0) {
            std::printf(" %s %llu", std::string(logic::techniqueName(static_cast<logic::Technique>(t))).c_str(),
                        static_cast<unsigned long long>(hardest[static_cast<std::size_t>(t)]));
        }
    }
    std::printf("\n");
    return 0;
}

std::string lineOf(const sudoku::Cells& cells)
{
    std::string text;
    for (const auto v : cells) {
        text += static_cast<char>('0' + v);
    }
    return text;
}

// Replays the explanation's steps on the puzzle and checks each against the solution.
int checkFile(const std::vector<sudoku::Cells>& puzzles)
{
    logic::Explanation explanation;
    std::uint64_t steps = 0;
    std::uint64_t effects = 0;
    std::uint64_t wrong = 0;
    std::uint64_t skipped = 0;
    std::uint64_t finished = 0;
    for (std::size_t i = 0; i < puzzles.size(); ++i) {
        logic::explain(puzzles[i], explanation);
        if (explanation.status != sudoku::Status::solved || explanation.multipleSolutions) {
            ++skipped;
            continue;
        }
        const sudoku::Cells& solution = explanation.solution;
        auto board = *logic::Board::fromPuzzle(puzzles[i]);
        bool ok = true;
        for (const auto& step : explanation.steps) {
            ++steps;
            if (step.places) {
                ++effects;
                ok = ok && solution[step.placement.cell] == step.placement.digit;
            }
            for (int e = 0; e < step.eliminationCount; ++e) {
                const auto& c = step.eliminations[static_cast<std::size_t>(e)];
                ++effects;
                ok = ok && solution[c.cell] != c.digit;
            }
            ok = ok && !logic::formatStep(step).empty() && board.apply(step);
        }
        if (explanation.finished) {
            ++finished;
            ok = ok && board.values() == solution;
        }
        const std::string text = logic::formatExplanation(explanation, false);
        ok = ok && text.size() >= 82 && text.compare(text.size() - 82, 81, lineOf(solution)) == 0;
        if (!ok) {
            if (wrong < 5) {
                std::printf("WRONG: puzzle %zu %s\n%s", i + 1, lineOf(puzzles[i]).c_str(), text.c_str());
            }
            ++wrong;
        }
    }
    std::printf("explained %zu puzzles (%llu finished without trial, %llu skipped: not one solution): "
                "%llu steps, %llu placements and eliminations checked, %llu puzzles wrong\n",
                puzzles.size(), static_cast<unsigned long long>(finished), static_cast<unsigned long long>(skipped),
                static_cast<unsigned long long>(steps), static_cast<unsigned long long>(effects),
                static_cast<unsigned long long>(wrong));
    return wrong == 0 ? 0 : 1;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    return fields;
}

bool parseCells(const std::string& text, sudoku::Cells& cells)
{
    if (text.size() != 81) {
        return false;
    }
    for (std::size_t i = 0; i < 81; ++i) {
        const char c = text[i];
        if (c == '.' || c == '0') {
            cells[i] = 0;
        } else if (c >= '1' && c <= '9') {
            cells[i] = static_cast<std::uint8_t>(c - '0');
        } else {
            return false;
        }
    }
    return true;
}

void printAgreement(const std::string& name, const Agreement& a)
{
    std::printf("%-22s %7zu %9.1f%% %11.1f%% %9.3f\n", name.c_str(), a.puzzles, percent(a.equal, a.puzzles),
                percent(a.withinHalf, a.puzzles), spearman(a.ours, a.theirs));
}

// Our score against another scale's ER, by source class of the puzzles and overall.
int agreementFile(const char* path)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "logic_bench: cannot open %s\n", path);
        return 1;
    }
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> header = splitTabs(line);
    const auto column = [&](const char* name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const std::size_t puzzleColumn = column("puzzle");
    const std::size_t erColumn = column("ER");
    const std::size_t sourceColumn = column("source");
    if (puzzleColumn == header.size() || erColumn == header.size() || sourceColumn == header.size()) {
        std::fprintf(stderr, "%s:1: the header names no puzzle, ER or source column\n", path);
        return 1;
    }
    std::vector<std::pair<std::string, Agreement>> bySource;
    Agreement all;
    std::size_t notRated = 0;
    for (long number = 2; std::getline(in, line); ++number) {
        const std::vector<std::string> fields = splitTabs(line);
        sudoku::Cells cells{};
        char* end = nullptr;
        const double er = fields.size() > erColumn ? std::strtod(fields[erColumn].c_str(), &end) : 0;
        if (fields.size() <= std::max({puzzleColumn, erColumn, sourceColumn}) ||
            !parseCells(fields[puzzleColumn], cells) || end == fields[erColumn].c_str()) {
            std::fprintf(stderr, "%s:%ld: not a puzzle, an ER and a source\n", path, number);
            return 1;
        }
        const logic::Rating rating = logic::rate(cells);
        if (rating.status != sudoku::Status::solved || rating.multipleSolutions) {
            ++notRated;
            continue;
        }
        const int theirs = static_cast<int>(std::lround(er * 10));
        const std::string& source = fields[sourceColumn];
        auto found = std::find_if(bySource.begin(), bySource.end(), [&](const auto& s) { return s.first == source; });
        if (found == bySource.end()) {
            bySource.emplace_back(source, Agreement{});
            found = bySource.end() - 1;
        }
        found->second.add(rating.score, theirs);
        all.add(rating.score, theirs);
    }
    std::printf("%-22s %7s %10s %12s %9s\n", "source", "puzzles", "ER equal", "within 0.5", "Spearman");
    for (const auto& [source, agreement] : bySource) {
        printAgreement(source, agreement);
    }
    printAgreement("all", all);
    if (notRated != 0) {
        std::printf("not rated (no solution or several): %zu\n", notRated);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--agreement") == 0) {
        return agreementFile(argv[2]);
    }
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (!check && (argc < 2 || argc > 3)) {
        std::fprintf(stderr,
                     "usage: %s PUZZLE_FILE [RUNS]\n       %s --check PUZZLE_FILE\n       %s --agreement RATED_TSV\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    const char* path = check ? argv[2] : argv[1];
    std::vector<sudoku::Cells> puzzles;
    if (!readPuzzleFile(argv[0], path, puzzles)) {
        return 1;
    }
    return check ? checkFile(puzzles) : rateFile(puzzles, argc == 3 ? std::max(1, std::atoi(argv[2])) : 3);
}
