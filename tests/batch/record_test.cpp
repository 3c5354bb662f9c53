// A record's result, computed once and then written: what each kind of record gives in
// each mode, as text and in the tally, and that the text writer adds nothing of its own
// to a result (the same result written twice reads the same).

#include "batch/record_result.h"
#include "batch/record_text.h"

#include "support/grid_literals.h"
#include "support/marked_grids.h"
#include "support/puzzle_generator.h"

#include <sudoku/reader.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using sudoku::Record;
using sudoku::RecordFormat;
using Form = RecordFormat::Form;

Record recordOf(const std::string& text)
{
    sudoku::MemorySource source(text.data(), text.size());
    sudoku::PuzzleReader reader(source);
    Record record;
    EXPECT_TRUE(reader.next(record));
    return record;
}

const std::string unique = "524180700000900002080000600400000820300000006062000005009000060600007000007032948";
const std::string uniqueSolution = "524186739716943582983725614471569823395218476862374195249851367638497251157632948";
// The same with a 3 in r1c9, where its one solution has a 9: no solution, and no clash.
const std::string unsolvable = "524180703000900002080000600400000820300000006062000005009000060600007000007032948";

struct Case {
    const char* name;
    std::string input;
    Form form;
    std::string text; // "" when the record is invalid
    int solved, noSolution, multiple, invalid;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
};

class RecordResult : public testing::TestWithParam<Case> {};

TEST_P(RecordResult, IsWrittenAndCountedAsItsModeSays)
{
    const Case& c = GetParam();
    RecordFormat format;
    format.form = c.form;
    format.limit = 5;
    sudoku::logic::Explanation explanation;
    sudoku::RecordResult result;
    sudoku::computeRecord(recordOf(c.input), format, explanation, result);
    sudoku::Tally tally;
    sudoku::tallyRecord(result, format, tally);
    EXPECT_EQ(tally.read, 1u);
    EXPECT_EQ(tally.solved, static_cast<std::uint64_t>(c.solved));
    EXPECT_EQ(tally.noSolution, static_cast<std::uint64_t>(c.noSolution));
    EXPECT_EQ(tally.multipleSolutions, static_cast<std::uint64_t>(c.multiple));
    EXPECT_EQ(tally.invalid, static_cast<std::uint64_t>(c.invalid));
    EXPECT_EQ(result.valid(), c.invalid == 0) << result.problem;
    if (!result.valid()) {
        return;
    }
    std::string first;
    std::string second;
    sudoku::appendRecordText(result, format, first);
    sudoku::appendRecordText(result, format, second);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first.substr(0, c.text.size()), c.text);
}

const std::string wrongEntry = partWayWith({{0, "2 78 78 1 48 5 9 34 6"}, {1, "3 5 89 47 6 278 12 124 27"}});

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordResult,
    testing::Values(
        Case{"Solve", unique, Form::solve, uniqueSolution + "\n", 1, 0, 0, 0},
        Case{"Count", unique, Form::count, "1\n", 1, 0, 0, 0},
        Case{"Rate", unique, Form::rate, "4.4 hard xyz-wing 1.2 1.2\n", 1, 0, 0, 0},
        Case{"Hint", unique, Form::hint, "hidden-single: ", 1, 0, 0, 0},
        Case{"Explain", unique, Form::explain, "hidden-single: ", 1, 0, 0, 0},
        Case{"SolveNoSolution", unsolvable, Form::solve, "no solution  exists \n", 0, 1, 0, 0},
        Case{"CountNoSolution", unsolvable, Form::count, "0\n", 0, 1, 0, 0},
        Case{"RateNoSolution", unsolvable, Form::rate, "no solution  exists \n", 0, 1, 0, 0},
        Case{"SolveTwo", std::string(twoSolutionLine), Form::solve, std::string(emptyGridSolution) + "\n", 1, 0, 1, 0},
        Case{"CountTwo", std::string(twoSolutionLine), Form::count, "2\n", 1, 0, 1, 0},
        Case{"RateTwo", std::string(twoSolutionLine), Form::rate, "multiple solutions\n", 1, 0, 1, 0},
        Case{"MarksWrongEntrySolve", wrongEntry, Form::solve, "r1c7=9 contradicts the solution\n", 0, 1, 0, 0},
        Case{"MarksWrongEntryHint", wrongEntry, Form::hint, "r1c7=9 contradicts the solution\n", 0, 1, 0, 0},
        Case{"MarksWrongEntryCount", wrongEntry, Form::count, "0\n", 0, 1, 0, 0},
        Case{"Clash", "11" + unique.substr(2), Form::rate, "", 0, 0, 0, 1},
        Case{"Unreadable", "1234", Form::solve, "", 0, 0, 0, 1}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST(RecordResultText, ExplainsWithTheSolutionLast)
{
    RecordFormat format;
    format.form = Form::explain;
    sudoku::logic::Explanation explanation;
    sudoku::RecordResult result;
    sudoku::computeRecord(recordOf(unique), format, explanation, result);
    std::string text;
    EXPECT_FALSE(sudoku::appendRecordText(result, format, text));
    EXPECT_EQ(text.substr(text.size() - 82), uniqueSolution + "\n");
    format.grid = true;
    text.clear();
    sudoku::appendRecordText(result, format, text);
    EXPECT_EQ(text.substr(text.size() - 18 * 9 - 9, 18), "5 2 4 1 8 6 7 3 9 ");
}

} // namespace
