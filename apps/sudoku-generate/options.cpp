#include "options.h"

#include "cli/arguments.h"

#include <charconv>
#include <cmath>

namespace sudoku {

namespace {

const std::string maxNumber = std::to_string(UINT64_MAX);

bool parseDecimal(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return ec == std::errc() && ptr == end && !text.empty() && std::isfinite(value) && value >= 0.0;
}

// Splits "MIN-MAX" (or a single "N", meaning N-N) and parses both ends with `parse`.
// Returns an error text, empty on success.
template <typename T, typename Parse>
std::string parseRange(const std::string& what, const std::string& text, const char* form, Parse parse, T& low, T& high)
{
    const auto dash = text.find('-');
    const std::string first = text.substr(0, dash);
    const std::string second = dash == std::string::npos ? first : text.substr(dash + 1);
    if (!parse(first, low) || !parse(second, high)) {
        return "invalid " + what + " range '" + text + "' (" + form + ")";
    }
    if (low > high) {
        return "invalid " + what + " range '" + text + "': MIN is above MAX";
    }
    return {};
}

} // namespace

const char* generateUsageText()
{
    return "Usage: sudoku-generate [OPTION]...\n"
           "Make new Sudoku puzzles that have exactly one solution, and write them as\n"
           "sudoku-solve reads them: one line of 81 cells each, . for an empty cell.\n"
           "\n"
           "Every puzzle is minimal for its symmetry: taking away any one given, or any\n"
           "group of givens that the symmetry maps onto each other, leaves more than one\n"
           "solution.\n"
           "\n"
           "Options:\n"
           "  -n, --number N     make N puzzles (default 1; 0 makes none)\n"
           "  --grid             write each puzzle as nine lines, blank line between puzzles\n"
           "  --zeros            write 0 for an empty cell instead of .\n"
           "  --symmetry NAME    the pattern of givens: none, rotate180 (default, a half\n"
           "                     turn), rotate90 (a quarter turn), mirror (left to right)\n"
           "                     or diagonal (across the main diagonal)\n"
           "  --no-minimal       stop taking givens away at the first that has to stay:\n"
           "                     faster, more givens, not always minimal\n"
           "  --givens MIN-MAX   only puzzles with MIN to MAX givens (or N: exactly N)\n"
           "  --grade NAME       only puzzles of that grade: easy, medium, hard, expert or\n"
           "                     extreme (the rating of sudoku-solve --rate)\n"
           "  --score MIN-MAX    only puzzles whose rating score is MIN to MAX (not with\n"
           "                     --grade)\n"
           "  --seed S           make the puzzles of seed S (a whole number): the same seed\n"
           "                     and options give the same puzzles, whatever --threads says,\n"
           "                     within one version of this program; without it, a seed is\n"
           "                     taken from the system and --stats shows it\n"
           "  --threads N        work on N threads (default: one per CPU this process may\n"
           "                     use)\n"
           "  --max-tries N      give up after N candidates in a row are rejected\n"
           "                     (default 1000000)\n"
           "  --solution         write each puzzle's solution after it, as a # line\n"
           "  --rate             write each puzzle's rating after it, as a # line\n"
           "  --stats            print a summary on standard error at the end\n"
           "  -h, --help         print this help and exit\n"
           "  -V, --version      print the version and exit\n"
           "\n"
           "Puzzles are written as they are made. Lines starting with # are comments to\n"
           "sudoku-solve, so the output reads back in: sudoku-generate -n 100 | sudoku-solve\n"
           "\n"
           "A rare grade (extreme) or a narrow range of givens or scores can take long;\n"
           "when standard error is a terminal and standard output is not, a run that takes\n"
           "more than a second shows a progress line. Interrupted (Ctrl+C), the program\n"
           "stops at once with every puzzle made so far written, and exits with status 130.\n"
           "A request that cannot be met is refused, or given up after --max-tries.\n"
           "\n"
           "Exit status: 0 when every puzzle asked for was made, 1 when the request could\n"
           "not be met or the output could not be written, 2 for a usage error, 130 when\n"
           "interrupted, 141 when the output was closed early (as by a pipe to head).\n";
}

ParsedGenerateOptions parseGenerateOptions(const std::vector<std::string>& args)
{
    ParsedGenerateOptions parsed;
    GenerateOptions& o = parsed.options;
    CommandLine commandLine(args, {{"number", 'n', true},
                                   {"grid"},
                                   {"zeros"},
                                   {"symmetry", '\0', true},
                                   {"no-minimal"},
                                   {"givens", '\0', true},
                                   {"grade", '\0', true},
                                   {"score", '\0', true},
                                   {"seed", '\0', true},
                                   {"threads", '\0', true},
                                   {"max-tries", '\0', true},
                                   {"solution"},
                                   {"rate"},
                                   {"stats"},
                                   {"help", 'h'},
                                   {"version", 'V'}});
    Argument argument;
    while (commandLine.next(argument)) {
        if (argument.kind == Argument::Kind::operand) {
            parsed.error = "unexpected argument '" + argument.value + "' (this program reads no files)";
            return parsed;
        }
        const std::string& name = argument.name;
        const std::string& value = argument.value;

        std::uint64_t number = 0;
        if (name == "--help") {
            o.help = true; // acted on at once, as GNU tools do: what follows is not read
            return parsed;
        } else if (name == "--version") {
            o.version = true;
            return parsed;
        } else if (name == "--grid") {
            o.grid = true;
        } else if (name == "--zeros") {
            o.zeros = true;
        } else if (name == "--no-minimal") {
            o.minimal = false;
        } else if (name == "--stats") {
            o.stats = true;
        } else if (name == "--solution") {
            o.solution = true;
        } else if (name == "--rate") {
            o.rate = true;
        } else if (name == "--number") {
            if (!parseWholeNumber(value, 0, UINT64_MAX, number)) {
                parsed.error = "invalid number of puzzles '" + value + "' (a whole number from 0 to " + maxNumber + ")";
                return parsed;
            }
            o.number = number;
        } else if (name == "--symmetry") {
            const std::optional<Symmetry> symmetry = symmetryFromName(value);
            if (!symmetry) {
                parsed.error = "unknown symmetry '" + value + "' (none, rotate180, rotate90, mirror or diagonal)";
                return parsed;
            }
            o.symmetry = *symmetry;
        } else if (name == "--grade") {
            o.grade = parseGrade(value);
            if (!o.grade) {
                parsed.error = "unknown grade '" + value + "' (easy, medium, hard, expert or extreme)";
                return parsed;
            }
        } else if (name == "--score") {
            ScoreRange range;
            parsed.error = parseRange("score", value, "MIN-MAX: two decimal numbers from 0 up, or one", parseDecimal,
                                      range.low, range.high);
            if (!parsed.error.empty()) {
                return parsed;
            }
            o.score = range;
        } else if (name == "--givens") {
            const auto parseGivens = [](const std::string& text, int& count) {
                std::uint64_t n = 0;
                const bool ok = parseWholeNumber(text, 0, 81, n);
                count = static_cast<int>(n);
                return ok;
            };
            parsed.error = parseRange("givens", value, "MIN-MAX: two whole numbers from 0 to 81, or one", parseGivens,
                                      o.minGivens, o.maxGivens);
            if (!parsed.error.empty()) {
                return parsed;
            }
            o.givensGiven = true;
        } else if (name == "--seed") {
            if (!parseWholeNumber(value, 0, UINT64_MAX, number)) {
                parsed.error = "invalid seed '" + value + "' (a whole number from 0 to " + maxNumber + ")";
                return parsed;
            }
            o.seed = number;
        } else if (name == "--threads") {
            if (!parseWholeNumber(value, 1, 1024, number)) {
                parsed.error = "invalid thread count '" + value + "' (a whole number from 1 to 1024)";
                return parsed;
            }
            o.threads = static_cast<unsigned>(number);
        } else if (name == "--max-tries") {
            if (!parseWholeNumber(value, 1, UINT64_MAX, number)) {
                parsed.error = "invalid number of tries '" + value + "' (a whole number from 1 to " + maxNumber + ")";
                return parsed;
            }
            o.maxTries = number;
        }
    }
    if (!commandLine.error().empty()) {
        parsed.error = commandLine.error();
        return parsed;
    }
    if (o.grade && o.score) {
        parsed.error = "options '--grade' and '--score' cannot be used together";
    }
    return parsed;
}

} // namespace sudoku
