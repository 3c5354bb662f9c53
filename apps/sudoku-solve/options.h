#pragma once

// The command line of sudoku-solve.

#include "batch/solve_batch.h"

#include <string>
#include <vector>

namespace sudoku {

struct SolveOptions {
    RecordFormat format;  // --grid, --count, --limit, --label
    unsigned threads = 0; // 0: one per CPU the process may use
    bool stats = false;
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
