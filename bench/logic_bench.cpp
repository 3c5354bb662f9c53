// Measures the logical solver on a puzzle file, on one thread.
//
//   logic_bench PUZZLE_FILE [RUNS]     rates every puzzle RUNS times (default 3): puzzles
//                                      per second, the median run, the share the
//                                      techniques finish, the grade counts
//   logic_bench --check PUZZLE_FILE    explains every puzzle and checks each placement
//                                      and elimination against the engine's unique
//                                      solution, that the record ends with it, and
//                                      that each dynamic chain's proof replays: every
//                                      branch, nested ones too, leads where it says
//   logic_bench --agreement RATED_TSV  rates the puzzles of a table of ratings on another
//                                      scale (columns puzzle, ER and source, tab
//                                      separated, a header line first) and prints, by
//                                      source and overall, how often the scores are equal
//                                      or within 0.5, and their rank correlation; also
//                                      by the technique that set their ER (column
//                                      ER_technique) and for EP and ED when present.
//                                      --list prints each puzzle whose ER differs;
//                                      --least EQUAL WITHIN fails (status 1) when a source
//                                      has fewer percent equal or within 0.5
//
// The puzzle file holds puzzles as sudoku-solve reads them.

#include "logic_checks/proof_replay.h"
#include "logic_checks/rating_agreement.h"
#include "puzzle_file.h"

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
    std::uint64_t proofs = 0;
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
            if (step.proof) {
                ++proofs;
                std::string why;
                if (!logic::replay::stepProofHolds(board, step, why)) {
                    std::printf("BAD PROOF: puzzle %zu: %s: %s\n", i + 1, logic::formatStep(step).c_str(), why.c_str());
                    ok = false;
                }
            }
            ok = !logic::formatStep(step).empty() && board.apply(step) && ok;
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
                "%llu steps, %llu placements and eliminations checked, %llu proofs replayed, %llu puzzles wrong\n",
                puzzles.size(), static_cast<unsigned long long>(finished), static_cast<unsigned long long>(skipped),
                static_cast<unsigned long long>(steps), static_cast<unsigned long long>(effects),
                static_cast<unsigned long long>(proofs), static_cast<unsigned long long>(wrong));
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
    std::printf("%-38s %7zu %9.1f%% %11.1f%% %9.3f\n", name.c_str(), a.puzzles, percent(a.equal, a.puzzles),
                percent(a.withinHalf, a.puzzles), spearman(a.ours, a.theirs));
}

struct AgreementOptions {
    const char* path = nullptr;
    bool listDifferences = false; // one line for each puzzle whose ER differs
    double leastEqual = 0;        // percent of equal ERs that every source needs
    double leastWithinHalf = 0;   // percent within 0.5 that every source needs
};

// Adds a pair of scores under `key`, keeping the keys in the order first seen.
void addTo(std::vector<std::pair<std::string, Agreement>>& groups, const std::string& key, int ours, int theirs)
{
    auto found = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == key; });
    if (found == groups.end()) {
        groups.emplace_back(key, Agreement{});
        found = groups.end() - 1;
    }
    found->second.add(ours, theirs);
}

int tenthsOf(const std::string& field, bool& ok)
{
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    ok = ok && end != field.c_str();
    return static_cast<int>(std::lround(value * 10));
}

// Our scores against another scale's ER (and EP and ED when the table has them), by
// source class of the puzzles, by the technique that set their ER, and overall.
int agreementFile(const AgreementOptions& options)
{
    const char* path = options.path;
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
    const std::size_t epColumn = column("EP");
    const std::size_t edColumn = column("ED");
    const std::size_t techniqueColumn = column("ER_technique");
    if (puzzleColumn == header.size() || erColumn == header.size() || sourceColumn == header.size()) {
        std::fprintf(stderr, "%s:1: the header names no puzzle, ER or source column\n", path);
        return 1;
    }
    std::vector<std::pair<std::string, Agreement>> bySource;
    std::vector<std::pair<std::string, Agreement>> byTechnique;
    Agreement all;
    Agreement firstPlacement;
    Agreement firstStep;
    std::size_t notRated = 0;
    for (long number = 2; std::getline(in, line); ++number) {
        const std::vector<std::string> fields = splitTabs(line);
        const auto field = [&](std::size_t c) { return c < fields.size() ? fields[c] : std::string(); };
        sudoku::Cells cells{};
        bool ok =
            fields.size() > std::max({puzzleColumn, erColumn, sourceColumn}) && parseCells(fields[puzzleColumn], cells);
        const int theirs = tenthsOf(field(erColumn), ok);
        if (!ok) {
            std::fprintf(stderr, "%s:%ld: not a puzzle, an ER and a source\n", path, number);
            return 1;
        }
        const logic::Rating rating = logic::rate(cells);
        if (rating.status != sudoku::Status::solved || rating.multipleSolutions) {
            ++notRated;
            continue;
        }
        addTo(bySource, fields[sourceColumn], rating.score, theirs);
        all.add(rating.score, theirs);
        const std::string technique = field(techniqueColumn);
        if (!technique.empty()) {
            addTo(byTechnique, technique, rating.score, theirs);
        }
        bool epOk = epColumn < fields.size();
        const int ep = tenthsOf(field(epColumn), epOk);
        if (epOk) {
            firstPlacement.add(rating.firstPlacement, ep);
        }
        bool edOk = edColumn < fields.size();
        const int ed = tenthsOf(field(edColumn), edOk);
        if (edOk) {
            firstStep.add(rating.firstStep, ed);
        }
        if (options.listDifferences && rating.score != theirs) {
            std::printf("differs: %s %d.%d %s, ours %s\n", fields[puzzleColumn].c_str(), theirs / 10, theirs % 10,
                        technique.c_str(), logic::formatRating(rating).c_str());
        }
    }
    std::printf("%-38s %7s %10s %12s %9s\n", "source", "puzzles", "ER equal", "within 0.5", "Spearman");
    bool floorsHeld = true;
    for (const auto& [source, agreement] : bySource) {
        printAgreement(source, agreement);
        const bool held = percent(agreement.equal, agreement.puzzles) >= options.leastEqual &&
                          percent(agreement.withinHalf, agreement.puzzles) >= options.leastWithinHalf;
        floorsHeld = floorsHeld && held;
    }
    printAgreement("all", all);
    std::printf("\n%-38s %7s %10s %12s %9s\n", "their ER technique", "puzzles", "ER equal", "within 0.5", "Spearman");
    std::stable_sort(byTechnique.begin(), byTechnique.end(),
                     [](const auto& a, const auto& b) { return a.second.theirs.front() < b.second.theirs.front(); });
    for (const auto& [technique, agreement] : byTechnique) {
        printAgreement(technique, agreement);
    }
    if (firstPlacement.puzzles != 0) {
        std::printf("\n");
        printAgreement("EP", firstPlacement);
    }
    if (firstStep.puzzles != 0) {
        printAgreement("ED", firstStep);
    }
    if (notRated != 0) {
        std::printf("not rated (no solution or several): %zu\n", notRated);
    }
    if (!floorsHeld) {
        std::fprintf(stderr, "logic_bench: a source agrees less than %.1f%% equal or %.1f%% within 0.5\n",
                     options.leastEqual, options.leastWithinHalf);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--agreement") == 0) {
        AgreementOptions options{argv[2]};
        for (int i = 3; i < argc; ++i) {
            if (std::strcmp(argv[i], "--list") == 0) {
                options.listDifferences = true;
            } else if (std::strcmp(argv[i], "--least") == 0 && i + 2 < argc) {
                options.leastEqual = std::atof(argv[++i]);
                options.leastWithinHalf = std::atof(argv[++i]);
            } else {
                std::fprintf(stderr, "logic_bench: unknown --agreement option '%s'\n", argv[i]);
                return 2;
            }
        }
        return agreementFile(options);
    }
    const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (!check && (argc < 2 || argc > 3)) {
        std::fprintf(stderr,
                     "usage: %s PUZZLE_FILE [RUNS]\n       %s --check PUZZLE_FILE\n       %s --agreement RATED_TSV "
                     "[--list] [--least EQUAL WITHIN]\n",
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
