#pragma once

// The command line of sudoku-solve.

#include <cstdint>
#include <string>
#include <vector>

namespace sudoku {

struct SolveOptions {
    enum class Output { line, grid, count };
    Output output = Output::line;
    std::uint64_t limit = 2;  // --count stops counting here
    unsigned threads = 0;     // 0: one per core
    bool stats = false;
    bool label = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files; // "-" is standard input; none means standard input
};

struct ParsedOptions {
    SolveOptions options;
    std::string error; // set on a usage error
};

ParsedOptions parseOptions(const std::vector<std::string>& args);

// The text of --help.
const char* usageText();

} // namespace sudoku
