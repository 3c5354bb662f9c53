#include "support/puzzle_generator.h"
#include <sudoku/reader.h>
#include <sudoku/writer.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using sudoku::Record;

// Hands out its bytes a few at a time, as a pipe may.
class TrickleSource : public sudoku::ByteSource {
public:
    TrickleSource(std::string data, std::size_t step) : data_(std::move(data)), step_(step) {}
    std::size_t read(char* buffer, std::size_t size, std::string& /*error*/) override
    {
        const std::size_t n = std::min({size, step_, data_.size() - pos_});
        data_.copy(buffer, n, pos_);
        pos_ += n;
        return n;
    }

private:
    std::string data_;
    std::size_t step_;
    std::size_t pos_ = 0;
};

// A record as text: "L<line> <81 cells>" for a puzzle, "L<line> ! <error>" otherwise.
std::vector<std::string> readAll(const std::string& input, std::size_t step = 1 << 20)
{
    TrickleSource source(input, step);
    sudoku::PuzzleReader reader(source);
    std::vector<std::string> out;
    Record record;
    while (reader.next(record)) {
        std::string text = "L";
        text += std::to_string(record.line);
        if (record.kind == Record::Kind::puzzle) {
            text += ' ';
            text += textOf(record.cells);
        } else {
            text += " ! ";
            text += record.error;
        }
        out.push_back(text);
    }
    return out;
}

const std::string solved = std::string(builtInSolution);
const std::string puzzle = std::string(builtInPuzzleLine);

// The nine lines of `grid` as `sudoku` prints them.
std::string asBlock(const std::string& grid)
{
    std::string text;
    for (std::size_t i = 0; i < 81; ++i) {
        text += grid[i];
        text += ' ';
        if (i % 9 == 8) {
            text += '\n';
        }
    }
    return text;
}

// `grid` as many tools print it: bars between boxes, `rule` above, between and below
// the bands.
std::string asBorderedGrid(const std::string& grid, const std::string& rule)
{
    std::string text = rule + "\n";
    for (std::size_t r = 0; r < 9; ++r) {
        text += '|';
        for (std::size_t c = 0; c < 9; ++c) {
            text += ' ';
            text += grid[r * 9 + c];
            text += c % 3 == 2 ? " |" : "";
        }
        text += r % 3 == 2 ? "\n" + rule + "\n" : "\n";
    }
    return text;
}

struct ReadCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
    friend void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }
};

class ReadsPuzzles : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadsPuzzles, AsExpected)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(readAll(c.input), c.expected);
    // The same input handed out one byte at a time reads the same.
    EXPECT_EQ(readAll(c.input, 1), c.expected);
}

const std::string puzzleCells = textOf(cellsFrom(puzzle));

INSTANTIATE_TEST_SUITE_P(
    Good, ReadsPuzzles,
    testing::Values(
        ReadCase{"OneLine", puzzle + "\n", {"L1 " + puzzleCells}},
        ReadCase{"NoFinalNewline", puzzle, {"L1 " + puzzleCells}},
        ReadCase{"CrLfAndByteOrderMark",
                 "\xEF\xBB\xBF" + puzzle + "\r\n" + solved + "\r\n",
                 {"L1 " + puzzleCells, "L2 " + solved}},
        ReadCase{"CommentsBlankLinesAndBlanksAroundCells",
                 "# puzzles\n\n  \t\n " + std::string(puzzle).insert(40, " \t ") + " \n#end\n",
                 {"L4 " + puzzleCells}},
        ReadCase{"BlocksAsSudokuPrintsThem",
                 asBlock(solved) + "\n" + asBlock(puzzleCells),
                 {"L1 " + solved, "L11 " + puzzleCells}},
        ReadCase{"BlockThenLine", asBlock(solved) + puzzle + "\n", {"L1 " + solved, "L10 " + puzzleCells}},
        ReadCase{"CommentInsideABlockIsSkipped",
                 std::string(asBlock(solved)).insert(4 * 19, "# half way\n") + puzzle + "\n",
                 {"L1 " + solved, "L11 " + puzzleCells}},
        // Lists carry other fields after the puzzle; the puzzle is what comes first.
        ReadCase{
            "FieldsAfterThePuzzleAreIgnored",
            puzzle + "," + solved + "\n" + puzzle + "\t3.5 name\n" + puzzle + ";\n" + puzzle + " " + solved + "\n" +
                std::string(puzzle).insert(40, "  ") + "\n",
            {"L1 " + puzzleCells, "L2 " + puzzleCells, "L3 " + puzzleCells, "L4 " + puzzleCells, "L5 " + puzzleCells}},
        ReadCase{"CsvHeaderIsSkipped",
                 "puzzle,solution\r\n" + puzzle + "," + solved + "\r\n" + solved + "," + solved,
                 {"L2 " + puzzleCells, "L3 " + solved}},
        // A first line of empty cells has no digit either, but is no header.
        ReadCase{"EmptyCellsOnTheFirstLineAreNoHeader", std::string(81, '.') + "\n", {"L1 " + std::string(81, '0')}},
        ReadCase{"BorderedGrids",
                 asBorderedGrid(solved, "+-------+-------+-------+") +
                     asBorderedGrid(puzzle, "*=======|=======|=======*") + asBorderedGrid(solved, "-- - -"),
                 {"L2 " + solved, "L15 " + puzzleCells, "L28 " + solved}}),
    [](const testing::TestParamInfo<ReadCase>& param) { return std::string(param.param.name); });

const std::string cellHint = " (a cell is 1 to 9, or 0 or . for an empty cell)";

const std::string fieldsHint = "; other fields may follow a one-line puzzle only after all its 81 cells";

INSTANTIATE_TEST_SUITE_P(
    Bad, ReadsPuzzles,
    testing::Values(
        ReadCase{"WrongLength",
                 solved.substr(1) + "\n" + solved + "\n",
                 {"L1 ! line 1 has 80 cells; a puzzle is one line of 81 cells or nine lines of 9", "L2 " + solved}},
        ReadCase{"BadCharacterCountsCellsNotBytes",
                 solved.substr(0, 10) + " \t " + "x" + solved.substr(11) + "\n" + puzzle,
                 {"L1 ! invalid character 'x' at line 1, cell 11" + cellHint, "L2 " + puzzleCells}},
        ReadCase{"NulByteAndLoneCarriageReturn",
                 std::string("12\0", 3) + "\r4\n",
                 {"L1 ! invalid character byte 0x00 at line 1, cell 3" + cellHint}},
        ReadCase{"BlockCutShortByTheEnd",
                 "123456789\n456789123\n",
                 {"L1 ! block of nine rows cut short: the input ends after 2 rows"}},
        ReadCase{"BlockCutShortByABlankLine",
                 "123456789\n\n" + solved + "\n",
                 {"L1 ! block of nine rows cut short: line 2 is blank (after 1 row)", "L3 " + solved}},
        ReadCase{"BlockCutShortByAOneLinePuzzle",
                 "123456789\n456789123\n" + solved + "\n",
                 {"L1 ! block of nine rows cut short: line 3 is a one-line puzzle (after 2 rows)", "L3 " + solved}},
        ReadCase{"BadCharacterTellsMoreThanAShortBlock",
                 "12345678x\n" + solved,
                 {"L1 ! invalid character 'x' at line 1, cell 9" + cellHint, "L2 " + solved}},
        ReadCase{"OneBadCharacterSpoilsOnlyItsBlock",
                 asBlock(std::string(solved).replace(40, 1, "?")) + puzzle,
                 {"L1 ! invalid character '?' at line 5, cell 5" + cellHint, "L10 " + puzzleCells}},
        // A row that lost a cell is still one of its block's nine lines: one record for
        // the damaged block, and the blocks after it keep theirs.
        ReadCase{"ShortRowKeepsTheBlocksAligned",
                 asBlock(solved) + "\n" + std::string(asBlock(puzzleCells)).erase(3 * 19 + 16, 2) + "\n" +
                     asBlock(solved),
                 {"L1 " + solved, "L11 ! line 14 has 8 cells; a puzzle is one line of 81 cells or nine lines of 9",
                  "L21 " + solved}},
        ReadCase{
            "DamagedFirstRowStillStartsABlock",
            "1234567\n" + asBlock(solved).substr(19) + puzzle + "\n",
            {"L1 ! line 1 has 7 cells; a puzzle is one line of 81 cells or nine lines of 9", "L10 " + puzzleCells}},
        // A row with a few cells too many is still one of its block's nine.
        ReadCase{"LongRowKeepsTheBlocksAligned",
                 asBlock(solved) + "\n" + std::string(asBlock(puzzleCells)).insert(3 * 19, "12345678") + "\n" +
                     asBlock(solved),
                 {"L1 " + solved, "L11 ! line 14 has 17 cells; a puzzle is one line of 81 cells or nine lines of 9",
                  "L21 " + solved}},
        // A longer line, or one with a ',' or ';', is never a row: it is a record of its
        // own and ends a block in progress.
        ReadCase{"CellsTooManyTakeNoLinesAfterThem",
                 solved + "1\n" + solved + "12\n" + puzzle + "\n",
                 {"L1 ! line 1 has 82 cells; a puzzle is one line of 81 cells or nine lines of 9",
                  "L2 ! line 2 has 83 cells; a puzzle is one line of 81 cells or nine lines of 9",
                  "L3 " + puzzleCells}},
        ReadCase{"MissingCellIsNoOtherPuzzle",
                 solved.substr(1) + "," + solved + "\n" + solved.substr(1) + "\t3.5\n" + solved.substr(0, 30) + " " +
                     solved.substr(30) + ";x\n",
                 {"L1 ! line 1 has 80 cells before ','" + fieldsHint,
                  "L2 ! line 2 has 80 cells before a tab" + fieldsHint,
                  "L3 ! line 3 has 30 cells before a space" + fieldsHint}},
        ReadCase{"BadCharacterInTheFirstField",
                 std::string(solved).replace(0, 1, "x") + "," + solved + "\n",
                 {"L1 ! invalid character 'x' at line 1, cell 1" + cellHint}},
        ReadCase{
            "OneLinePuzzleWithFieldsEndsABlock",
            "123456789\n456789123\n" + puzzle + ",1\n",
            {"L1 ! block of nine rows cut short: line 3 is a one-line puzzle (after 2 rows)", "L3 " + puzzleCells}},
        ReadCase{"LineOf18CellsEndsABlock",
                 "123456789\n123456789123456789\n",
                 {"L1 ! block of nine rows cut short: line 2 has 18 cells, too many for a row (after 1 row)",
                  "L2 ! line 2 has 18 cells; a puzzle is one line of 81 cells or nine lines of 9"}},
        ReadCase{"SeparatorEndsABlock",
                 "123456789\n1;2\n",
                 {"L1 ! block of nine rows cut short: line 2 has a ';' and so is no row (after 1 row)",
                  "L2 ! invalid character ';' at line 2, cell 2" + cellHint}},
        // A header holds no cell and is shorter than a puzzle: a first line that could
        // be a damaged puzzle or row is a record, never dropped.
        ReadCase{"PuzzleWithoutDigitsOnTheFirstLineIsNoHeader",
                 std::string(81, 'A') + "\n",
                 {"L1 ! invalid character 'A' at line 1, cell 1" + cellHint}},
        ReadCase{"DamagedEmptyPuzzleOnTheFirstLineIsNoHeader",
                 std::string(80, '.') + "x\n",
                 {"L1 ! invalid character 'x' at line 1, cell 81" + cellHint}},
        ReadCase{"DamagedFirstRowIsNoHeader",
                 "x........\n" + asBlock(solved).substr(20),
                 {"L1 ! invalid character 'x' at line 1, cell 1" + cellHint}},
        // Only the first line can be a header.
        ReadCase{"HeaderAfterTheFirstLineIsARecord",
                 puzzle + "\npuzzle,rating\n",
                 {"L1 " + puzzleCells, "L2 ! invalid character 'p' at line 2, cell 1" + cellHint}},
        // The tenth row of a run of rows starts a block of its own, cut short.
        ReadCase{"ExtraRowIsARecordOfItsOwn",
                 asBlock(solved) + "123456789\n\n" + puzzle,
                 {"L1 " + solved, "L10 ! block of nine rows cut short: line 11 is blank (after 1 row)",
                  "L12 " + puzzleCells}}),
    [](const testing::TestParamInfo<ReadCase>& param) { return std::string(param.param.name); });

// A line of any length is counted, not stored.
TEST(PuzzleReader, CountsAVeryLongLineWithoutKeepingIt)
{
    const std::string longLine(50'000'000, '1');
    const auto records = readAll(longLine + "\n" + solved);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "L1 ! line 1 has 50000000 cells; a puzzle is one line of 81 cells or nine lines of 9");
    EXPECT_EQ(records[1], "L2 " + solved);
}

// A reader moved elsewhere reads on where it stopped.
TEST(PuzzleReader, MovedReaderReadsOn)
{
    const std::string input = puzzle + "\n" + solved + "\n";
    sudoku::MemorySource source(input.data(), input.size());
    sudoku::PuzzleReader first(source);
    Record record;
    ASSERT_TRUE(first.next(record));
    sudoku::PuzzleReader second(std::move(first));
    ASSERT_TRUE(second.next(record));
    EXPECT_EQ(record.line, 2);
    EXPECT_EQ(textOf(record.cells), solved);
    EXPECT_FALSE(second.next(record));
    EXPECT_TRUE(second.readError().empty());
}

// What the writer writes reads back as the same cells, in both forms.
TEST(Writer, LineAndGridReadBackAsTheSameCells)
{
    const sudoku::Cells cells = cellsFrom(puzzle);
    std::string dots;
    sudoku::appendLine(dots, cells, '.');
    EXPECT_EQ(dots, puzzle + "\n");
    std::string both;
    sudoku::appendLine(both, cells);
    sudoku::appendGrid(both, cells);
    EXPECT_EQ(both.substr(0, 82), puzzleCells + "\n");
    EXPECT_EQ(readAll(both), (std::vector<std::string>{"L1 " + puzzleCells, "L2 " + puzzleCells}));
}

TEST(Writer, MarksAValueThatIsNoCell)
{
    sudoku::Cells cells = cellsFrom(solved);
    cells[3] = 12;
    std::string line;
    sudoku::appendLine(line, cells);
    EXPECT_EQ(line, solved.substr(0, 3) + "?" + solved.substr(4) + "\n");
}

} // namespace
