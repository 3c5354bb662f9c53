// The web page's way into the libraries: a few calls that take puzzles as text and give
// their answers as JSON text, so the page's JavaScript only shows what they say. Every
// name, sentence, rating and message comes from the public library calls that the
// programs use, so the page and the command line agree.
//
// Positions travel as 81 characters ('1' to '9', '.' for empty) and pencil marks as 81
// numbers separated by commas (bit d-1 for digit d; 0 for a cell the player left
// unmarked, which then takes every candidate its placed peers allow).

#include "json/logic_json.h"

#include <sudoku/engine.h>
#include <sudoku/generate.h>
#include <sudoku/geometry.h>
#include <sudoku/logic.h>
#include <sudoku/reader.h>
#include <sudoku/writer.h>

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

namespace {

using sudoku::Cells;
using sudoku::Marks;
using sudoku::Status;
namespace logic = sudoku::logic;

using Json = sudoku::json::Writer;

Cells cellsOf(const std::string& text)
{
    Cells cells{};
    for (std::size_t i = 0; i < 81 && i < text.size(); ++i) {
        const char c = text[i];
        cells[i] = c >= '1' && c <= '9' ? static_cast<std::uint8_t>(c - '0') : 0;
    }
    return cells;
}

std::string textOf(const Cells& cells)
{
    return sudoku::json::cellsText(cells);
}

Marks marksOf(const std::string& text)
{
    Marks marks{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < 81 && at < text.size(); ++i) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
        marks[i] = error == std::errc{} ? static_cast<std::uint16_t>(value & 0x1ff) : 0;
        at = static_cast<std::size_t>(end - text.data()) + 1;
    }
    return marks;
}

// The candidates each empty cell has once its placed peers are ruled out; none when
// placed digits clash.
std::optional<logic::Board> positionOf(const Cells& values)
{
    if (sudoku::findClash(values)) {
        return std::nullopt;
    }
    return logic::Board::fromPuzzle(values);
}

// A puzzle as loaded: its givens, and for a pencil-mark grid its marks (every cell's
// candidates, as the reader fills them in), which bind its solutions as they bind
// sudoku-solve's. `marksText` is "" for a plain puzzle.
struct Loaded {
    Cells givens{};
    std::optional<Marks> marks;
};

Loaded loadedOf(const std::string& puzzleText, const std::string& marksText)
{
    Loaded loaded;
    loaded.givens = cellsOf(puzzleText);
    if (!marksText.empty()) {
        loaded.marks = marksOf(marksText);
    }
    return loaded;
}

sudoku::SolveResult solveLoaded(const Loaded& loaded)
{
    return loaded.marks ? sudoku::solveWithMarks(loaded.givens, *loaded.marks) : sudoku::solve(loaded.givens);
}

// The position logic starts from: the marks of a pencil-mark grid, or the givens' candidates.
std::optional<logic::Board> boardOf(const Loaded& loaded)
{
    return loaded.marks ? logic::Board::fromMarks(loaded.givens, *loaded.marks) : positionOf(loaded.givens);
}

// The largest count the page reports, as "N+ solutions" beyond it.
constexpr std::uint64_t solutionLimit = 1000;

// The position as the player marked it: a marked cell keeps its marks that the placed
// digits allow (placing a digit takes it out of its peers' marks), an unmarked one gets
// every candidate.
std::optional<logic::Board> markedPosition(const Cells& values, const Marks& marks)
{
    const std::optional<logic::Board> plain = positionOf(values);
    if (!plain) {
        return std::nullopt;
    }
    Marks kept{};
    for (int cell = 0; cell < 81; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        const logic::Digits allowed = plain->candidates(cell);
        kept[i] = marks[i] == 0 ? allowed : static_cast<logic::Digits>(marks[i] & allowed);
    }
    return logic::Board::fromMarks(values, kept);
}

using sudoku::json::boardFields;
using sudoku::json::candidateList;
using sudoku::json::statusName;
using sudoku::json::stepFields;

// The line the command line writes for a puzzle without solution, as a message: without
// the blank at its end.
const std::string noSolutionText{sudoku::noSolutionLine.substr(0, sudoku::noSolutionLine.find_last_not_of(' ') + 1)};

// Reads the first puzzle of pasted text as sudoku-solve reads its input. The error
// messages are the command line's, without its "program: source:line: " start.
std::string readPuzzle(const std::string& text)
{
    sudoku::MemorySource source(text.data(), text.size());
    sudoku::PuzzleReader reader(source);
    sudoku::Record record;
    Json json;
    json.open('{');
    if (!reader.next(record)) {
        json.field("error", "no puzzle in the text").close('}');
        return json.take();
    }
    int more = 0;
    for (sudoku::Record other; reader.next(other);) {
        ++more;
    }
    json.field("line", static_cast<int>(record.line)).field("more", more);
    if (record.kind == sudoku::Record::Kind::invalid) {
        json.field("error", record.error).close('}');
        return json.take();
    }
    if (const auto clash = sudoku::findClash(record.cells)) {
        json.field("error", sudoku::formatClash(*clash)).close('}');
        return json.take();
    }
    if (record.marked) {
        if (const std::string clash = sudoku::formatMarkClash(record.cells, record.marks); !clash.empty()) {
            json.field("error", clash).close('}');
            return json.take();
        }
    }
    json.field("puzzle", textOf(record.cells));
    if (record.marked) {
        json.key("marks").open('[');
        for (const std::uint16_t m : record.marks) {
            json.value(static_cast<long long>(m));
        }
        json.close(']');
    }
    const sudoku::CountResult count = record.marked
                                          ? sudoku::countSolutionsWithMarks(record.cells, record.marks, solutionLimit)
                                          : sudoku::countSolutions(record.cells, solutionLimit);
    json.field("solutions", static_cast<long long>(count.count)).field("limitReached", count.limitReached);
    if (count.count == 0) {
        json.field("notice", noSolutionText);
    } else if (count.count > 1) {
        json.field("notice", std::to_string(count.count) + (count.limitReached ? "+" : "") + " solutions");
    }
    json.close('}');
    return json.take();
}

// Which cells clash: a placed digit that a peer holds too, or a pencil mark that a
// placed peer rules out; the first such clash as the programs tell it; and each empty
// cell's candidates (none while digits clash).
std::string position(const std::string& valuesText, const std::string& marksText)
{
    const Cells values = cellsOf(valuesText);
    const Marks marks = marksOf(marksText);
    Json json;
    json.open('{').key("clashing").open('[');
    for (int cell = 0; cell < 81; ++cell) {
        const int digit = values[static_cast<std::size_t>(cell)];
        const unsigned marked = digit == 0 ? marks[static_cast<std::size_t>(cell)] : 0u;
        bool clashes = false;
        for (int other = 0; other < 81 && !clashes; ++other) {
            const int held = values[static_cast<std::size_t>(other)];
            clashes = sudoku::sees(cell, other) && held != 0 && (held == digit || (marked >> (held - 1) & 1u) != 0);
        }
        if (clashes) {
            json.value(static_cast<long long>(cell));
        }
    }
    json.close(']');
    if (const auto clash = sudoku::findClash(values)) {
        json.field("clash", sudoku::formatClash(*clash));
    } else if (const std::string markClash = sudoku::formatMarkClash(values, marks); !markClash.empty()) {
        json.field("clash", markClash);
    }
    if (const auto board = positionOf(values)) {
        json.key("candidates").open('[');
        for (int cell = 0; cell < 81; ++cell) {
            json.value(static_cast<long long>(board->candidates(cell)));
        }
        json.close(']');
    }
    json.close('}');
    return json.take();
}

// The marks once `digit` is placed in `cell`: its peers no longer have it as a mark.
std::string place(const std::string& marksText, int cell, int digit)
{
    Marks marks = marksOf(marksText);
    Json json;
    json.open('{').key("marks").open('[');
    for (int other = 0; other < 81; ++other) {
        auto& m = marks[static_cast<std::size_t>(other)];
        if (sudoku::sees(cell, other) && digit >= 1 && digit <= 9) {
            m = static_cast<std::uint16_t>(m & ~(1u << (digit - 1)));
        }
        json.value(static_cast<long long>(m));
    }
    json.close(']').close('}');
    return json.take();
}

// Whether the digits on the board agree with a solution of the puzzle as loaded, without
// saying which digits do not; "noSolution" with its message when the puzzle has none.
std::string check(const std::string& valuesText, const std::string& puzzleText, const std::string& puzzleMarks)
{
    Loaded loaded = loadedOf(puzzleText, puzzleMarks);
    Json json;
    json.open('{');
    if (const sudoku::SolveResult puzzle = solveLoaded(loaded); puzzle.status != Status::solved) {
        json.field("status", "puzzleNoSolution").field("message", noSolutionText).close('}');
        return json.take();
    }
    loaded.givens = cellsOf(valuesText);
    const sudoku::SolveResult result = solveLoaded(loaded);
    json.field("status", statusName(result.status));
    if (result.status == Status::invalid) {
        json.field("message", sudoku::formatClash(result.clash));
    }
    json.field("solutions", result.solutionsUpToTwo);
    bool full = true;
    for (const std::uint8_t v : loaded.givens) {
        full = full && v != 0;
    }
    json.field("full", full).close('}');
    return json.take();
}

// The first entry (a digit on the board that is not a given), in row-major order, that
// no solution of the puzzle as loaded has; none when the puzzle has no solution.
std::optional<logic::Contradiction> wrongEntry(const Cells& values, const Loaded& loaded)
{
    const sudoku::SolveResult puzzle = solveLoaded(loaded);
    if (puzzle.status != Status::solved) {
        return std::nullopt;
    }
    for (int cell = 0; cell < 81; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        if (values[i] == 0 || loaded.givens[i] != 0 || values[i] == puzzle.solution[i]) {
            continue;
        }
        // With several solutions, one of the others may have it.
        Loaded with = loaded;
        with.givens[i] = values[i];
        if (puzzle.solutionsUpToTwo > 1 && solveLoaded(with).status == Status::solved) {
            continue;
        }
        logic::Contradiction wrong;
        wrong.placed = true;
        wrong.candidate = {static_cast<std::uint8_t>(cell), values[i]};
        return wrong;
    }
    return std::nullopt;
}

// A clash on the board, told as the programs tell clashing givens, except that a
// player's entry is called so: "your entry in r1c4 clashes: 7 appears twice in ...".
std::string boardClash(const sudoku::Clash& clash, const Cells& givens)
{
    std::string text = sudoku::formatClash(clash);
    const bool firstEntry = givens[static_cast<std::size_t>(clash.first)] == 0;
    const bool secondEntry = givens[static_cast<std::size_t>(clash.second)] == 0;
    if (!firstEntry && !secondEntry) {
        return text;
    }
    const std::string who =
        firstEntry && secondEntry
            ? "your entries clash: "
            : "your entry in " + sudoku::cellName(firstEntry ? clash.first : clash.second) + " clashes: ";
    return who + text.substr(text.find(": ") + 2);
}

// The player's board once a hint's step is applied to it (into an open object), as
// boardFields writes a position: the placement, whose peers lose the digit from their
// marks, or the eliminations. A cell the player left unmarked stays unmarked unless the
// step removes one of its candidates: it then shows the candidates left.
void appliedFields(Json& json, const logic::Step& step, logic::Board board, const Marks& marks)
{
    (void)board.apply(step);
    std::array<bool, 81> eliminated{};
    for (int i = 0; i < step.eliminationCount; ++i) {
        eliminated[step.eliminations[static_cast<std::size_t>(i)].cell] = true;
    }
    json.field("values", textOf(board.values())).key("marks").open('[');
    for (int cell = 0; cell < 81; ++cell) {
        const auto i = static_cast<std::size_t>(cell);
        json.value(static_cast<long long>(marks[i] == 0 && !eliminated[i] ? 0 : board.candidates(cell)));
    }
    json.close(']');
}

// The next step from the position as it stands, marks included. Before that: an entry
// that agrees with no solution of the puzzle (`puzzleText` and `puzzleMarks` as loaded),
// digits or marks that clash; after it, the placed digit or removed mark that
// contradicts the solution.
std::string hint(const std::string& valuesText, const std::string& marksText, const std::string& puzzleText,
                 const std::string& puzzleMarks)
{
    const Cells values = cellsOf(valuesText);
    const Marks marks = marksOf(marksText);
    Json json;
    json.open('{');
    if (const auto wrong = wrongEntry(values, loadedOf(puzzleText, puzzleMarks))) {
        json.field("kind", "contradiction").field("text", logic::formatContradiction(*wrong)).field("placed", true);
        candidateList(json, "candidate", &wrong->candidate, 1);
        json.close('}');
        return json.take();
    }
    const std::string markClash = sudoku::formatMarkClash(values, marks);
    const std::optional<logic::Board> board = markedPosition(values, marks);
    if (!board || !markClash.empty()) {
        const auto clash = sudoku::findClash(values);
        json.field("kind", "invalid").field("text", clash ? boardClash(*clash, cellsOf(puzzleText)) : markClash);
        json.close('}');
        return json.take();
    }
    const logic::Hint found = logic::hint(*board);
    if (found.status != Status::solved) {
        const std::optional<logic::Contradiction> wrong = logic::findContradiction(*board);
        json.field("kind", "contradiction").field("text", wrong ? logic::formatContradiction(*wrong) : noSolutionText);
        if (wrong) {
            json.field("placed", wrong->placed);
            candidateList(json, "candidate", &wrong->candidate, 1);
        }
        json.close('}');
        return json.take();
    }
    if (!found.found) {
        json.field("kind", found.full ? "full" : "none").field("text", logic::formatHint(found)).close('}');
        return json.take();
    }
    json.field("kind", "step");
    stepFields(json, found.step, *board);
    json.key("applied").open('{');
    appliedFields(json, found.step, *board, marks);
    json.close('}').close('}');
    return json.take();
}

// Why logic cannot start on a loaded puzzle: its clash, its marks' clash, or no solution.
std::string problemOf(const Loaded& loaded)
{
    if (const auto clash = sudoku::findClash(loaded.givens)) {
        return sudoku::formatClash(*clash);
    }
    if (loaded.marks) {
        if (std::string clash = sudoku::formatMarkClash(loaded.givens, *loaded.marks); !clash.empty()) {
            return clash;
        }
    }
    return noSolutionText;
}

// The whole logical solution, from the marks of a pencil-mark grid as sudoku-solve
// starts from them: each step with the position it starts from.
std::string explain(const std::string& puzzleText, const std::string& marksText)
{
    const Loaded loaded = loadedOf(puzzleText, marksText);
    std::optional<logic::Board> board = boardOf(loaded);
    logic::Explanation explanation;
    if (loaded.marks && board) {
        logic::explain(*board, explanation);
    } else {
        logic::explain(loaded.givens, explanation);
    }
    Json json;
    json.open('{').field("status", statusName(explanation.status));
    if (explanation.status != Status::solved || !board) {
        json.field("message", problemOf(loaded)).close('}');
        return json.take();
    }
    json.field("multipleSolutions", explanation.multipleSolutions).field("finished", explanation.finished);
    json.field("record", logic::formatExplanation(explanation, false));
    if (!explanation.finished) {
        json.field("end",
                   std::string(explanation.multipleSolutions ? logic::multipleSolutionsLine() : logic::trialLine()));
    }
    json.field("solution", textOf(explanation.solution));
    json.key("steps").open('[');
    for (const logic::Step& step : explanation.steps) {
        json.open('{');
        boardFields(json, *board);
        stepFields(json, step, *board);
        json.close('}');
        (void)board->apply(step);
    }
    json.close(']').key("last").open('{');
    boardFields(json, *board);
    json.close('}').close('}');
    return json.take();
}

std::string rate(const std::string& puzzleText, const std::string& marksText)
{
    const Loaded loaded = loadedOf(puzzleText, marksText);
    const std::optional<logic::Board> board = boardOf(loaded);
    logic::Rating rating;
    if (loaded.marks && board) {
        rating = logic::rate(*board);
    } else if (!loaded.marks) {
        rating = logic::rate(loaded.givens);
    } else {
        rating.status = Status::invalid;
    }
    Json json;
    json.open('{').field("status", statusName(rating.status)).field("text", logic::formatRating(rating));
    if (rating.status != Status::solved) {
        json.field("message", problemOf(loaded));
    }
    if (rating.status == Status::solved && !rating.multipleSolutions) {
        json.field("score", rating.score).field("grade", std::string(logic::gradeName(rating.grade)));
        json.field("hardest", std::string(rating.hardest ? logic::techniqueName(*rating.hardest) : "none"));
    }
    json.close('}');
    return json.take();
}

// The first solution, and the solutions counted up to the page's limit.
std::string solve(const std::string& puzzleText, const std::string& marksText)
{
    const Loaded loaded = loadedOf(puzzleText, marksText);
    const sudoku::SolveResult result = solveLoaded(loaded);
    Json json;
    json.open('{').field("status", statusName(result.status));
    if (result.status == Status::solved) {
        json.field("solution", textOf(result.solution));
        const sudoku::CountResult count =
            loaded.marks ? sudoku::countSolutionsWithMarks(loaded.givens, *loaded.marks, solutionLimit)
                         : sudoku::countSolutions(loaded.givens, solutionLimit);
        json.field("count", static_cast<long long>(count.count)).field("limitReached", count.limitReached);
    } else {
        json.field("message", problemOf(loaded));
    }
    json.close('}');
    return json.take();
}

// A seed as sudoku-generate reads one: a whole number from 0 to 2^64 - 1; none otherwise.
std::optional<std::uint64_t> seedOf(const std::string& seedText)
{
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(seedText.data(), seedText.data() + seedText.size(), seed);
    if (error != std::errc{} || end != seedText.data() + seedText.size()) {
        return std::nullopt;
    }
    return seed;
}

// sudoku-generate's message for a seed it refuses.
std::string seedError(const std::string& seedText)
{
    return "invalid seed '" + seedText + "' (a whole number from 0 to 18446744073709551615)";
}

// The seeds of a booklet's `count` puzzles, as text: `seedText` and those after it, past
// the largest seed on from 0; an error, the one sudoku-generate gives, for a seed it refuses.
std::string bookletSeeds(const std::string& seedText, int count)
{
    Json json;
    json.open('{');
    const std::optional<std::uint64_t> first = seedOf(seedText);
    if (!first) {
        json.field("error", seedError(seedText)).close('}');
        return json.take();
    }
    json.key("seeds").open('[');
    for (int k = 0; k < count; ++k) {
        json.value(std::to_string(*first + static_cast<std::uint64_t>(k))); // wraps modulo 2^64
    }
    json.close(']').close('}');
    return json.take();
}

// A new puzzle as `sudoku-generate --grade G --symmetry S --seed N` makes it; `progress`
// is called with the candidates tried so far.
std::string generate(const std::string& gradeName, const std::string& symmetryName, const std::string& seedText,
                     emscripten::val progress)
{
    Json json;
    json.open('{');
    const std::optional<std::uint64_t> seed = seedOf(seedText);
    if (!seed) {
        json.field("error", seedError(seedText)).close('}');
        return json.take();
    }
    const std::optional<sudoku::Symmetry> symmetry = sudoku::symmetryFromName(symmetryName);
    std::optional<logic::Grade> grade;
    for (int g = 0; g < logic::gradeCount; ++g) {
        if (logic::gradeName(static_cast<logic::Grade>(g)) == gradeName) {
            grade = static_cast<logic::Grade>(g);
        }
    }
    if (!symmetry || (!grade && !gradeName.empty())) {
        json.field("error", "unknown grade or symmetry").close('}');
        return json.take();
    }
    sudoku::GenerateRequest request;
    request.seed = *seed;
    request.candidate.symmetry = *symmetry;
    if (grade) {
        request.filter = sudoku::gradeFilter(*grade);
    }
    std::optional<sudoku::Generated> made;
    const sudoku::GenerateResult result = sudoku::generate(
        request,
        [&made](const sudoku::Generated& g) {
            made = g;
            return true;
        },
        [&progress](std::uint64_t, std::uint64_t tried) { progress(static_cast<double>(tried)); });
    json.field("seed", seedText).field("tried", static_cast<long long>(result.tried));
    if (!made) {
        json.field("error", "gave up after " + std::to_string(request.maxTries) + " candidates");
    } else {
        json.field("puzzle", textOf(made->puzzle)).field("solution", textOf(made->solution));
        const logic::Rating rating = logic::rate(made->puzzle);
        json.field("rating", logic::formatRating(rating)).field("grade", std::string(logic::gradeName(rating.grade)));
    }
    json.close('}');
    return json.take();
}

// The board as the page lays it out: the cells of each row from left to right, the rows
// from top to bottom, and each cell's place as a screen reader says it ("row 4, column 5").
std::string grid()
{
    Json json;
    json.open('{').key("rows").open('[');
    for (int row = 0; row < 9; ++row) {
        json.open('[');
        for (const std::uint8_t cell : sudoku::cellsOfHouse(sudoku::houseOf(sudoku::Unit::row, row))) {
            json.value(static_cast<int>(cell));
        }
        json.close(']');
    }
    json.close(']').key("places").open('[');
    for (int cell = 0; cell < sudoku::cellCount; ++cell) {
        const auto houses = sudoku::housesOfCell(cell);
        json.value(sudoku::houseName(houses[0]) + ", " + sudoku::houseName(houses[1]));
    }
    json.close(']').close('}');
    return json.take();
}

} // namespace

EMSCRIPTEN_BINDINGS(sudoku)
{
    emscripten::function("readPuzzle", &readPuzzle);
    emscripten::function("position", &position);
    emscripten::function("place", &place);
    emscripten::function("check", &check);
    emscripten::function("hint", &hint);
    emscripten::function("explain", &explain);
    emscripten::function("rate", &rate);
    emscripten::function("solve", &solve);
    emscripten::function("generate", &generate);
    emscripten::function("bookletSeeds", &bookletSeeds);
    emscripten::function("grid", &grid);
}
