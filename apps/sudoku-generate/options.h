#pragma once

// The command line of sudoku-generate.

#include "rating.h"

#include <sudoku/generate.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sudoku {

struct ScoreRange {
    double low = 0.0;
    double high = 0.0;
};

struct GenerateOptions {
    std::uint64_t number = 1;
    bool grid = false;
    bool zeros = false;
    Symmetry symmetry = Symmetry::rotate180;
    bool minimal = true;
    std::optional<Grade> grade;
    std::optional<ScoreRange> score;
    bool givensGiven = false;
    int minGivens = 0;
    int maxGivens = 81;
    std::optional<std::uint64_t> seed;
    unsigned threads = 0; // 0: one per CPU the process may use
    std::uint64_t maxTries = 1'000'000;
    bool stats = false;
    bool solution = false;
    bool rate = false;
    bool help = false;
    bool version = false;

    // Whether puzzles are rated: for --grade, --score or --rate.
    bool rated() const { return grade.has_value() || score.has_value() || rate; }
};

struct ParsedGenerateOptions {
    GenerateOptions options;
    std::string error; // set on a usage error
};

ParsedGenerateOptions parseGenerateOptions(const std::vector<std::string>& args);

// The text of --help.
const char* generateUsageText();

} // namespace sudoku
