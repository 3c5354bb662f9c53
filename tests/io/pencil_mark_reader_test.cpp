// A player's pencil-mark grid as the reader takes it: the candidates of each empty cell,
// bars and rules as in plain grids, and a message for each kind of bad field.

#include "support/grid_literals.h"
#include "support/marked_grids.h"
#include "support/puzzle_generator.h"

#include <sudoku/reader.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using sudoku::Record;

// A record as text: "L<line> " and its cells, a placed digit as itself and an empty
// cell's candidates in brackets, or "L<line> ! <error>".
std::vector<std::string> readAll(const std::string& input)
{
    sudoku::MemorySource source(input.data(), input.size());
    sudoku::PuzzleReader reader(source);
    std::vector<std::string> out;
    Record record;
    while (reader.next(record)) {
        std::string text = "L" + std::to_string(record.line) + (record.marked ? " marked " : " ");
        if (record.kind == Record::Kind::invalid) {
            out.push_back(text + "! " + record.error);
            continue;
        }
        for (std::size_t i = 0; i < 81; ++i) {
            if (record.cells[i] != 0 || !record.marked) {
                text += static_cast<char>('0' + record.cells[i]);
                continue;
            }
            text += '[';
            for (int d = 1; d <= 9; ++d) {
                text += (record.marks[i] >> (d - 1) & 1) != 0 ? std::string(1, static_cast<char>('0' + d)) : "";
            }
            text += ']';
        }
        out.push_back(text);
    }
    return out;
}

const std::string partWayRecord = readAll(joined(partWay)).front();

struct ReadCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
    friend void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }
};

class PencilMarkReader : public testing::TestWithParam<ReadCase> {};

TEST_P(PencilMarkReader, ReadsAsExpected)
{
    EXPECT_EQ(readAll(GetParam().input), GetParam().expected);
}

const std::string fieldsHint = "; a row of a pencil-mark grid has 9: a placed digit, . for an empty cell, or its "
                               "candidates";

INSTANTIATE_TEST_SUITE_P(
    Cases, PencilMarkReader,
    testing::Values(
        ReadCase{"CandidatesOfEachEmptyCell",
                 joined(partWay),
                 {"L1 marked 2[78][789]1[48]5[39][34]635[89][47]6[278][129][124][27]61493[27]8[25][257][57]2[57]813469"
                  "143629578896574[123][123][23][45][38]2[34]967[358]1[45][368][158][347][458][78][236]9[235]9"
                  "[3678][578]2[58]1[36][358]4"}},
        // Bars, rules of any kind and tabs change nothing; so does a rule line inside.
        ReadCase{"BarsAndBorders",
                 "+-------+-------+\n| 2 78 789 | 1 48 5 | 39 34 6 |\n" +
                     joined({partWay.begin() + 1, partWay.begin() + 3}) + "=========\n" +
                     joined({partWay.begin() + 3, partWay.begin() + 6}) + "-----\n" + "45\t38|2|34 9 6 7 358 1\n" +
                     joined({partWay.begin() + 7, partWay.end()}) + "*****\n",
                 {"L2" + partWayRecord.substr(2)}},
        // '.' and '0' take what the placed digits leave: r1c8 and r3c6 were marked so.
        ReadCase{"DotAndZeroTakeWhatPlacedDigitsLeave",
                 partWayWith({{0, "2 78 789 1 48 5 39 . 6"}, {2, "6 1 4 9 3 0 8 25 257"}}),
                 {partWayRecord}},
        // Nine cells in groups of three make a plain row, whatever their digits.
        ReadCase{"PlainRowsInGroupsStayPlain",
                 "524 18. 7..\n" + std::string("... 9.. ..2\n.8. ... 6..\n4.. ... 82.\n3.. ... ..6\n") +
                     ".62 ... ..5\n..9 ... .6.\n6.. ..7 ...\n..7 .32 948\n",
                 {"L1 524180700000900002080000600400000820300000006062000005009000060600007000007032948"}},
        ReadCase{"RowWithEightFields",
                 partWayWith({{3, "57 2 57 8 1 3 4 69"}}),
                 {"L1 marked ! line 4 has 8 fields" + fieldsHint}},
        ReadCase{"DigitRepeated",
                 partWayWith({{5, "8 9 6 5 7 4 1223 123 23"}}),
                 {"L1 marked ! line 6, field 7 \"1223\" repeats 2"}},
        ReadCase{"NonDigitAmongCandidates",
                 partWayWith({{8, "9 3678 5x8 2 58 1 36 358 4"}}),
                 {"L1 marked ! invalid character 'x' at line 9, field 3 (candidates are digits 1 to 9, each once)"}},
        ReadCase{"BadOneCharacterField",
                 partWayWith({{4, "1 4 3 6 x 9 5 7 8"}}),
                 {"L1 marked ! invalid character 'x' at line 5, field 5 (a cell is 1 to 9, or 0 or . for an empty "
                  "cell)"}},
        ReadCase{"MarkedBlockCutShort",
                 joined({partWay.begin(), partWay.begin() + 8}) + "\n" + std::string(builtInPuzzleLine) + "\n",
                 {"L1 marked ! block of nine rows cut short: line 9 is blank (after 8 rows)",
                  "L10 " + textOf(cellsFrom(builtInPuzzleLine))}}));

} // namespace
