// The logical solver on a player's pencil marks: steps start from the marks, and the
// one wrong entry of a grid without solution is named.

#include "support/grid_literals.h"
#include "support/marked_grids.h"
#include "support/puzzle_generator.h"

#include <sudoku/logic.h>
#include <sudoku/reader.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

namespace logic = sudoku::logic;
using sudoku::Record;

logic::Board boardOf(const std::string& input)
{
    sudoku::MemorySource source(input.data(), input.size());
    sudoku::PuzzleReader reader(source);
    Record record;
    EXPECT_TRUE(reader.next(record) && record.kind == Record::Kind::puzzle) << record.error;
    return logic::Board::fromMarks(record.cells, record.marks).value();
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

} // namespace
