// JSON as the page and the programs read it: the writer's commas, nesting and escapes,
// and a step's fields, whose houses and cells the page highlights as they are given.

#include "json/json.h"
#include "json/logic_json.h"

#include <sudoku/geometry.h>
#include <sudoku/logic.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace {

namespace logic = sudoku::logic;
using sudoku::json::Writer;

TEST(JsonWriter, PutsCommasBetweenValuesAndEscapesStrings)
{
    struct Case {
        std::string written;
        std::string expected;
    };
    const auto build = [](auto&& write) {
        Writer out;
        write(out);
        return out.take();
    };
    const Case cases[] = {
        {build([](Writer& w) { w.open('{').close('}'); }), "{}"},
        {build([](Writer& w) { w.open('[').value(1).value(true).value("x").close(']'); }), "[1,true,\"x\"]"},
        {build([](Writer& w) { w.open('{').field("a", 1).field("b", false).close('}'); }), "{\"a\":1,\"b\":false}"},
        {build(
             [](Writer& w) { w.open('{').key("n").open('[').candidate(3, 7).candidate(80, 9).close(']').close('}'); }),
         "{\"n\":[[3,7],[80,9]]}"},
        {build([](Writer& w) { w.open('[').open('[').close(']').open('{').close('}').close(']'); }), "[[],{}]"},
        {build([](Writer& w) { w.value(std::string("quote \" slash \\ line\n tab\t")); }),
         "\"quote \\\" slash \\\\ line\\u000a tab\\u0009\""},
        {build([](Writer& w) { w.value(-12345678901LL); }), "-12345678901"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.written, c.expected);
    }
}

TEST(JsonWriter, TakeLeavesItEmptyForTheNextValue)
{
    Writer out;
    out.open('[').value(1).close(']');
    EXPECT_EQ(out.take(), "[1]");
    out.open('[').value(2).close(']');
    EXPECT_EQ(out.take(), "[2]");
}

// The numbers of the array after "key": in `json`.
std::set<int> numbersOf(const std::string& json, const std::string& key)
{
    const std::string start = "\"" + key + "\":[";
    const std::size_t at = json.find(start);
    if (at == std::string::npos) {
        return {{-1}};
    }
    std::string list = json.substr(at + start.size(), json.find(']', at) - at - start.size());
    for (char& c : list) {
        c = c == ',' ? ' ' : c;
    }
    std::istringstream in(list);
    std::set<int> numbers;
    for (int n = 0; in >> n;) {
        numbers.insert(n);
    }
    return numbers;
}

const char* const puzzle = "000000000207090510040136800000047005010000040800920000006382050028060709000000000";

logic::Board boardOf(const char* text)
{
    sudoku::Cells cells{};
    for (std::size_t i = 0; i < 81; ++i) {
        cells[i] = static_cast<std::uint8_t>(text[i] - '0');
    }
    return *logic::Board::fromPuzzle(cells);
}

TEST(LogicJson, AStepGivesItsHousesAndTheirCells)
{
    const logic::Board board = boardOf(puzzle);
    for (const logic::Technique technique : {logic::Technique::hiddenSingle, logic::Technique::pointing,
                                             logic::Technique::claiming, logic::Technique::fullHouse}) {
        logic::Step step;
        if (!logic::findStep(board, technique, step)) {
            continue;
        }
        Writer out;
        out.open('{');
        sudoku::json::stepFields(out, step, board);
        const std::string json = out.close('}').take();
        std::set<int> houses;
        std::set<int> cells;
        for (int i = 0; i < step.houseCount; ++i) {
            houses.insert(step.houses[static_cast<std::size_t>(i)]);
            for (const std::uint8_t cell : sudoku::cellsOfHouse(step.houses[static_cast<std::size_t>(i)])) {
                cells.insert(cell);
            }
        }
        EXPECT_EQ(numbersOf(json, "houses"), houses) << json;
        EXPECT_EQ(numbersOf(json, "houseCells"), cells) << json;
        EXPECT_NE(json.find("\"where\":\"" + sudoku::houseName(step.houses[0]) + "\""), std::string::npos) << json;
        EXPECT_NE(json.find("\"technique\":\"" + std::string(logic::techniqueName(technique)) + "\""),
                  std::string::npos);
    }
}

TEST(LogicJson, ABoardIsItsValuesAndMarks)
{
    const logic::Board board = boardOf(puzzle);
    Writer out;
    out.open('{');
    sudoku::json::boardFields(out, board);
    const std::string json = out.close('}').take();
    std::string values = puzzle;
    for (char& c : values) {
        c = c == '0' ? '.' : c;
    }
    EXPECT_EQ(json.substr(0, 11 + 81 + 2), "{\"values\":\"" + values + "\",");
    EXPECT_EQ(numbersOf(json, "marks").count(board.candidates(0)), 1u);
    EXPECT_EQ(sudoku::json::statusName(sudoku::Status::noSolution), "noSolution");
}

} // namespace
