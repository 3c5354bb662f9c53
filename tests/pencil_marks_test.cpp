// A player's pencil-mark grid: how it reads, how the engine and the logical solver take
// its marks, and what sudoku-solve makes of it.

#include "run_command.h"

#include <sudoku/engine.h>
#include <sudoku/logic.h>
#include <sudoku/reader.h>

#include "grid_literals.h"
#include "puzzle_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace logic = sudoku::logic;
using sudoku::Record;

// The second puzzle of examples/puzzles.txt once its singles and its naked pair (the
// step that removes 7 from r5c4 and r5c5, 9 from r5c6) are done: the next step is an
// xy-wing.
const std::string afterNakedPair = "5 2 4 | 1 8 6 | 7 39 39\n"
                                   "7 1 6 | 9 4 3 | 5 8 2\n"
                                   "9 8 3 | 27 27 5 | 6 1 4\n"
                                   "------+-----+------\n"
                                   "4 79 15 | 357 6 19 | 8 2 39\n"
                                   "3 79 15 | 258 125 148 | 14 79 6\n"
                                   "8 6 2 | 37 17 149 | 14 379 5\n"
                                   "------+-----+------\n"
                                   "2 4 9 | 58 15 18 | 3 6 7\n"
                                   "6 3 8 | 4 9 7 | 2 5 1\n"
                                   "1 5 7 | 6 3 2 | 9 4 8\n";
const char* const afterNakedPairSolution =
    "524186739716943582983725614471569823395218476862374195249851367638497251157632948";

// The third puzzle of examples/puzzles.txt part way, rows only: its solution starts
// 279185346 358462917.
const std::vector<std::string> partWay = {"2 78 789 1 48 5 39 34 6",   "3 5 89 47 6 278 129 124 27",
                                          "6 1 4 9 3 27 8 25 257",     "57 2 57 8 1 3 4 6 9",
                                          "1 4 3 6 2 9 5 7 8",         "8 9 6 5 7 4 123 123 23",
                                          "45 38 2 34 9 6 7 358 1",    "45 368 158 347 458 78 236 9 235",
                                          "9 3678 578 2 58 1 36 358 4"};

std::string joined(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& row : rows) {
        text += row + "\n";
    }
    return text;
}

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

logic::Board boardOf(const std::string& input)
{
    sudoku::MemorySource source(input.data(), input.size());
    sudoku::PuzzleReader reader(source);
    Record record;
    EXPECT_TRUE(reader.next(record) && record.kind == Record::Kind::puzzle) << record.error;
    return logic::Board::fromMarks(record.cells, record.marks).value();
}

// partWay with some rows replaced.
std::string partWayWith(std::vector<std::pair<std::size_t, std::string>> rows)
{
    std::vector<std::string> grid = partWay;
    for (const auto& [row, text] : rows) {
        grid[row] = text;
    }
    return joined(grid);
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

TEST(EngineMarks, ASolutionGivesEachEmptyCellOneOfItsMarks)
{
    // Two solutions, which swap the 1 and 2 of r1c1, r1c2, r4c1 and r4c2; marks that
    // leave r1c1 only 2 keep the larger one alone.
    const sudoku::Cells puzzle = cellsFrom(twoSolutionLine);
    sudoku::Marks marks{};
    marks.fill(0x1FF);
    EXPECT_EQ(textOf(sudoku::solveWithMarks(puzzle, marks).solution), emptyGridSolution);
    marks[0] = 0x2;
    const sudoku::SolveResult one = sudoku::solveWithMarks(puzzle, marks);
    EXPECT_EQ(one.solutionsUpToTwo, 1);
    EXPECT_EQ(one.solution[0], 2);
    EXPECT_EQ(one.solution[1], 1);
    EXPECT_EQ(sudoku::countSolutionsWithMarks(puzzle, marks, 5).count, 1u);
    marks[1] = 0x2; // r1c2 may not take the 1 it needs
    EXPECT_EQ(sudoku::solveWithMarks(puzzle, marks).status, sudoku::Status::noSolution);
    EXPECT_EQ(sudoku::countSolutionsWithMarks(puzzle, marks, 5).count, 0u);
}

TEST(LogicMarked, HintStartsFromTheMarksNotFromThePlacedDigits)
{
    const logic::Board marked = boardOf(afterNakedPair);
    const std::string fromMarks = logic::formatHint(logic::hint(marked));
    EXPECT_EQ(fromMarks.substr(0, 8), "xy-wing:") << fromMarks;
    // The digits alone give the naked pair again, which the marks have done already.
    EXPECT_EQ(logic::formatHint(logic::hint(marked.values())),
              "naked-pair: r5c2 and r5c8 hold only 7 and 9 in row 5: r5c4<>7 r5c5<>7 r5c6<>9");

    logic::Explanation explanation;
    logic::explain(marked, explanation);
    ASSERT_FALSE(explanation.steps.empty());
    EXPECT_EQ(logic::formatStep(explanation.steps.front()), fromMarks);
    EXPECT_EQ(textOf(explanation.solution), afterNakedPairSolution);
    const logic::Rating rating = logic::rate(marked);
    EXPECT_EQ(rating.steps, static_cast<int>(explanation.steps.size()));
    EXPECT_LT(rating.steps, logic::rate(marked.values()).steps);
}

struct ContradictionCase {
    const char* name;
    std::string grid;
    std::string expected; // "" for none
    friend void PrintTo(const ContradictionCase& c, std::ostream* out) { *out << c.name; }
};

class LogicContradiction : public testing::TestWithParam<ContradictionCase> {};

TEST_P(LogicContradiction, NamesTheOneWrongEntry)
{
    const auto found = logic::findContradiction(boardOf(GetParam().grid));
    EXPECT_EQ(found ? logic::formatContradiction(*found) : "", GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogicContradiction,
    testing::Values(ContradictionCase{"Solvable", joined(partWay), ""},
                    // r1c7 is 3: a 9 placed there, and taken out of r1c3 and r2c7.
                    ContradictionCase{"PlacedDigit",
                                      partWayWith({{0, "2 78 78 1 48 5 9 34 6"}, {1, "3 5 89 47 6 278 12 124 27"}}),
                                      "r1c7=9 contradicts the solution"},
                    ContradictionCase{"RemovedCandidate", partWayWith({{0, "2 78 78 1 48 5 39 34 6"}}),
                                      "r1c3<>9 contradicts the solution"},
                    // Restoring r6c8's 3 is not the only change that leaves one solution.
                    ContradictionCase{"MoreThanOneChangeWouldDo", partWayWith({{5, "8 9 6 5 7 4 123 12 23"}}), ""}));

TEST(SudokuSolvePencilMarks, SolvesHintsAndNamesTheWrongEntryOfMarkedGrids)
{
    const auto dir = std::filesystem::temp_directory_path() / ("sudoku-solve-marks-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    write("marks.txt", afterNakedPair + "\n" +
                           partWayWith({{0, "2 78 78 1 48 5 9 34 6"}, {1, "3 5 89 47 6 278 12 124 27"}}) + "\n" +
                           partWayWith({{5, "8 9 6 5 7 4 123 12 23"}}));
    // A candidate that a placed digit rules out is an error, not dropped.
    write("stale.txt", partWayWith({{1, "3 5 189 47 6 278 129 124 27"}}));
    const std::string run = "cd " + quotedPath(dir.string()) + " && " SUDOKU_SOLVE_EXE " --label ";
    const std::string named = "marks.txt:13: r1c7=9 contradicts the solution\nmarks.txt:23: no solution  exists \n";
    const CommandResult hint = runCommand(run + "--hint marks.txt");
    EXPECT_EQ(hint.out, "marks.txt:1: xy-wing: pivot r4c6 {19}, pincers r6c5 {17} and r4c2 {79}: r4c4<>7\n" + named);
    EXPECT_EQ(hint.status, 0);
    const CommandResult solve = runCommand(run + "marks.txt stale.txt");
    EXPECT_EQ(solve.out,
              "marks.txt:1: " + std::string(afterNakedPairSolution) + "\n" + named + "stale.txt:1: invalid puzzle\n");
    EXPECT_EQ(solve.err, "sudoku-solve: stale.txt:1: candidate 1 in r2c3 clashes with the 1 placed in r3c2\n");
    EXPECT_EQ(solve.status, 1);
    std::filesystem::remove_all(dir);
}

} // namespace
