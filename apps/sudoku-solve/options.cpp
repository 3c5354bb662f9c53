#include "options.h"

#include <charconv>

namespace sudoku {

namespace {

bool parseNumber(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty() && value >= low && value <= high;
}

} // namespace

const char* usageText()
{
    return "Usage: sudoku-solve [OPTION]... [FILE]...\n"
           "Solve the Sudoku puzzles in each FILE, or in standard input when there is no\n"
           "FILE or FILE is -.\n"
           "\n"
           "A puzzle is one line of 81 cells, or a block of nine lines of nine cells. A cell\n"
           "is 1 to 9, or 0 or . for an empty cell; spaces and tabs between cells are\n"
           "ignored. Blank lines and lines starting with # are skipped. Any other line that\n"
           "is not 81 cells starts a block, which takes up to nine such lines and ends early\n"
           "at a blank line, a line of 81 cells or the end of input; a damaged block is one\n"
           "invalid record. Separate blocks by blank lines to keep records aligned.\n"
           "\n"
           "Output: one record per puzzle, in input order. By default the solution as one\n"
           "line of 81 digits, or \"no solution  exists \"; a puzzle that cannot be read or\n"
           "whose givens clash gets the record \"invalid puzzle\" and an error on standard\n"
           "error. Of several solutions, the first in row-major order is printed.\n"
           "\n"
           "Options:\n"
           "  --grid         print each solution as nine lines, blank line between puzzles\n"
           "  --count        print the number of solutions instead, counted up to the limit;\n"
           "                 a count that reached the limit is followed by +\n"
           "  --limit N      the limit for --count (default 2)\n"
           "  --label        start each record with the FILE:LINE of its puzzle\n"
           "  --threads N    solve on N threads (default: one per CPU this process may use)\n"
           "  --stats        print a summary on standard error at the end\n"
           "  -h, --help     print this help and exit\n"
           "  -V, --version  print the version and exit\n"
           "\n"
           "When standard error is a terminal and standard output is not, a run that takes\n"
           "more than a second shows a progress line on standard error.\n"
           "\n"
           "Exit status: 0 when every input was read and valid, 1 when an input was invalid\n"
           "or unreadable or the output could not be written, 2 for a usage error.\n";
}

ParsedOptions parseOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    SolveOptions& o = parsed.options;
    bool limitGiven = false;
    bool gridGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // Options with a value take it as the next argument or after '='.
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        const bool takesValue = name == "--threads" || name == "--limit";
        if (takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                parsed.error = "option '" + name + "' needs a value";
                return parsed;
            }
            value = args[++i];
        } else if (!takesValue && hasValue) {
            parsed.error = "option '" + name + "' takes no value";
            return parsed;
        }

        std::uint64_t number = 0;
        if (name == "--grid") {
            gridGiven = true;
            if (o.format.form == RecordFormat::Form::line) {
                o.format.form = RecordFormat::Form::grid;
            }
        } else if (name == "--count") {
            o.format.form = RecordFormat::Form::count;
        } else if (name == "--label") {
            o.format.label = true;
        } else if (name == "--stats") {
            o.stats = true;
        } else if (name == "--help" || name == "-h") {
            o.help = true; // acted on at once, as GNU tools do: what follows is not read
            return parsed;
        } else if (name == "--version" || name == "-V") {
            o.version = true;
            return parsed;
        } else if (name == "--threads") {
            if (!parseNumber(value, 1, 1024, number)) {
                parsed.error = "invalid thread count '" + value + "' (a whole number from 1 to 1024)";
                return parsed;
            }
            o.threads = static_cast<unsigned>(number);
        } else if (name == "--limit") {
            if (!parseNumber(value, 1, UINT64_MAX, number)) {
                parsed.error = "invalid limit '" + value + "' (a whole number from 1 to " +
                               std::to_string(UINT64_MAX) + ")";
                return parsed;
            }
            o.format.limit = number;
            limitGiven = true;
        } else {
            parsed.error = "unknown option '" + arg + "'";
            return parsed;
        }
    }
    if (limitGiven && o.format.form != RecordFormat::Form::count) {
        parsed.error = "option '--limit' goes with '--count'";
    }
    if (gridGiven && o.format.form == RecordFormat::Form::count) {
        parsed.error = "options '--grid' and '--count' cannot be used together";
    }
    return parsed;
}

} // namespace sudoku
