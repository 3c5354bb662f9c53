#include "options.h"

#include "cli/arguments.h"

namespace sudoku {

const char* usageText()
{
    return "Usage: sudoku-solve [OPTION]... [FILE]...\n"
           "Solve the Sudoku puzzles in each FILE, or in standard input when there is no\n"
           "FILE or FILE is -.\n"
           "\n"
           "A puzzle is one line of 81 cells, or a block of nine lines of nine cells. A cell\n"
           "is 1 to 9, or 0 or . for an empty cell; spaces, tabs and | between cells are\n"
           "ignored. Skipped: blank lines, lines starting with #, lines made only of\n"
           "- = + | * and blanks (a bordered grid's rules), and a first line with no cell\n"
           "that is shorter than a puzzle (a CSV header). After a puzzle's 81 cells, a\n"
           "space, tab, comma or semicolon may start other fields, which are ignored.\n"
           "A line of 18 or more cells, or with a comma or semicolon, is a record of its\n"
           "own; any other line starts a block, which takes up to nine rows and ends early\n"
           "at a blank line, a record of its own or the end of input; a damaged block is\n"
           "one invalid record. Separate blocks by blank lines to keep records aligned.\n"
           "\n"
           "A block may be a player's pencil-mark grid: nine rows of nine fields separated\n"
           "by blanks or |, a field being a placed digit, . or 0 for an empty cell without\n"
           "marks (it takes every digit its row, column and box leave), or two or more\n"
           "digits, the candidates left in an empty cell. Every option then keeps to the\n"
           "marks; a marked grid without solution whose one wrong entry can be found gets\n"
           "\"r4c5=7 contradicts the solution\" (a wrong digit placed) or \"r4c5<>7 ...\" (a\n"
           "candidate wrongly removed).\n"
           "\n"
           "Output: one record per puzzle, in input order. By default the solution as one\n"
           "line of 81 digits, or \"no solution  exists \"; a puzzle that cannot be read or\n"
           "whose givens clash gets the record \"invalid puzzle\" and an error on standard\n"
           "error. Of several solutions, the first in row-major order is printed.\n"
           "\n"
           "Solving like a person: --rate, --explain and --hint solve with named techniques\n"
           "on pencil marks (full-house, hidden-single, ..., x-wing, ..., forcing chains),\n"
           "taking the easiest step there is each time. A rating is ER GRADE TECHNIQUE EP\n"
           "ED on Sudoku Explainer's scale, e.g. \"4.2 hard xy-wing 1.2 1.2\": ER is the\n"
           "weight of the hardest step, EP of the hardest step up to the first placement,\n"
           "ED of the first step; grades easy (to 2.5), medium (to 3.9), hard (to 5.9),\n"
           "expert (to 7.4), extreme (7.5 and above). A puzzle the techniques cannot finish\n"
           "rates \"12.0 extreme trial\"; one with several solutions gets \"multiple\n"
           "solutions\".\n"
           "A step reads \"x-wing: 5 in rows 2 and 7, columns 3 and 8: r4c3<>5 r9c8<>5\":\n"
           "r4c3=7 places a digit, r4c3<>5 removes a candidate.\n"
           "\n"
           "Options:\n"
           "  --grid         print each solution as nine lines, blank line between puzzles\n"
           "  --count        print the number of solutions instead, counted up to the limit;\n"
           "                 a count that reached the limit is followed by +\n"
           "  --limit N      the limit for --count, 1 or more (default 2)\n"
           "  --rate         print each puzzle's difficulty: ER GRADE TECHNIQUE EP ED\n"
           "  --explain      print each logical step, then the solution (nine lines with\n"
           "                 --grid); a blank line between puzzles\n"
           "  --hint         print only the first step for the puzzle (or grid) as given\n"
           "  --label        start each record with the FILE:LINE of its puzzle\n"
           "  --threads N    solve on N threads, 1 to 1024 (default: one per CPU this\n"
           "                 process may use)\n"
           "  --stats        print a summary on standard error at the end (with --rate,\n"
           "                 how many puzzles each grade got)\n"
           "  -h, --help     print this help and exit\n"
           "  -V, --version  print the version and exit\n"
           "--count, --rate, --explain and --hint exclude each other; --grid goes with plain\n"
           "solving and --explain only, --limit with --count only.\n"
           "\n"
           "When standard error is a terminal and standard output is not, a run that takes\n"
           "more than a second shows a progress line on standard error (through a file,\n"
           "with the share done and the time left). Interrupted (Ctrl+C), the program ends\n"
           "at once, with the records written so far whole, and exits with status 130.\n"
           "\n"
           "Exit status: 0 when every input was read and valid, 1 when an input was invalid\n"
           "or unreadable or the output could not be written, 2 for a usage error, 130 when\n"
           "interrupted, 141 when the output was closed early (as by a pipe to head).\n";
}

ParsedOptions parseOptions(const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    SolveOptions& o = parsed.options;
    bool limitGiven = false;
    // The option that chose what a record holds, and --grid, for the messages about
    // options that cannot go together.
    std::string formOption;
    const auto chooseForm = [&](const std::string& option, RecordFormat::Form form) {
        if (!formOption.empty() && formOption != option) {
            parsed.error = "options '" + formOption + "' and '" + option + "' cannot be used together";
            return false;
        }
        formOption = option;
        o.format.form = form;
        return true;
    };
    CommandLine commandLine(args, {{"grid"},
                                   {"count"},
                                   {"limit", '\0', true},
                                   {"rate"},
                                   {"explain"},
                                   {"hint"},
                                   {"label"},
                                   {"threads", '\0', true},
                                   {"stats"},
                                   {"help", 'h'},
                                   {"version", 'V'}});
    Argument argument;
    while (commandLine.next(argument)) {
        if (argument.kind == Argument::Kind::operand) {
            o.files.push_back(argument.value);
            continue;
        }
        const std::string& name = argument.name;
        const std::string& value = argument.value;

        std::uint64_t number = 0;
        if (name == "--grid") {
            o.format.grid = true;
        } else if (name == "--count" || name == "--rate" || name == "--explain" || name == "--hint") {
            const RecordFormat::Form form = name == "--count"  ? RecordFormat::Form::count
                                            : name == "--rate" ? RecordFormat::Form::rate
                                            : name == "--hint" ? RecordFormat::Form::hint
                                                               : RecordFormat::Form::explain;
            if (!chooseForm(name, form)) {
                return parsed;
            }
        } else if (name == "--label") {
            o.format.label = true;
        } else if (name == "--stats") {
            o.stats = true;
        } else if (name == "--help") {
            o.help = true; // acted on at once, as GNU tools do: what follows is not read
            return parsed;
        } else if (name == "--version") {
            o.version = true;
            return parsed;
        } else if (name == "--threads") {
            if (!parseWholeNumber(value, 1, 1024, number)) {
                parsed.error = "invalid thread count '" + value + "' (a whole number from 1 to 1024)";
                return parsed;
            }
            o.threads = static_cast<unsigned>(number);
        } else if (name == "--limit") {
            if (!parseWholeNumber(value, 1, UINT64_MAX, number)) {
                parsed.error =
                    "invalid limit '" + value + "' (a whole number from 1 to " + std::to_string(UINT64_MAX) + ")";
                return parsed;
            }
            o.format.limit = number;
            limitGiven = true;
        }
    }
    if (!commandLine.error().empty()) {
        parsed.error = commandLine.error();
        return parsed;
    }
    if (limitGiven && o.format.form != RecordFormat::Form::count) {
        parsed.error = "option '--limit' goes with '--count'";
    }
    // A grid is the layout of a solution: --count, --rate and --hint write none.
    if (o.format.grid && !formOption.empty() && formOption != "--explain") {
        parsed.error = "options '--grid' and '" + formOption + "' cannot be used together";
    }
    return parsed;
}

} // namespace sudoku
