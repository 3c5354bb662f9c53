#include "solve_batch.h"

#include <sudoku/engine.h>
#include <sudoku/geometry.h>
#include <sudoku/writer.h>

#include <optional>

namespace sudoku {

namespace {

void appendCount(std::string& out, const CountResult& result)
{
    out += std::to_string(result.count);
    if (result.limitReached) {
        out += '+';
    }
    out += '\n';
}

} // namespace

std::string describeBadCell(const Cells& cells, int cell)
{
    return "cell " + cellName(cell) + " holds " + std::to_string(cells[static_cast<std::size_t>(cell)]) +
           ", outside 0 to 9";
}

namespace {

// The problem that makes a puzzle invalid for the engine, or "" when there is none.
std::string problemOf(Status status, const Cells& cells, int badCell, const Clash& clash)
{
    if (status == Status::badCell) {
        return describeBadCell(cells, badCell);
    }
    return status == Status::invalid ? formatClash(clash) : std::string();
}

// The same for the logical solver, which reports only that a puzzle is not valid.
std::string problemOf(const Cells& cells)
{
    if (const auto bad = findBadCell(cells)) {
        return describeBadCell(cells, *bad);
    }
    const auto clash = findClash(cells);
    return clash ? formatClash(*clash) : std::string();
}

// The same for a pencil-mark grid, whose candidates must also fit its placed digits.
std::string problemOf(const Cells& cells, const Marks& marks)
{
    std::string problem = problemOf(cells);
    return problem.empty() ? formatMarkClash(cells, marks) : problem;
}

// The record of a pencil-mark grid without solution: the one placed digit or removed
// candidate that is wrong, when one change explains it, or the plain line.
std::string noSolutionFor(const logic::Board* position)
{
    if (position != nullptr) {
        if (const auto wrong = logic::findContradiction(*position)) {
            return logic::formatContradiction(*wrong) + '\n';
        }
    }
    return std::string(noSolutionLine) + '\n';
}

// One record's text for a valid puzzle, or with `position` a valid pencil-mark grid
// (whose placed digits are `cells`), appended to `body`; counts it in `tally`. Returns
// true when the text starts with a row of a grid.
bool appendRecord(std::string& body, const Cells& cells, const Marks* marks, const RecordFormat& format,
                  logic::Explanation& explanation, Tally& tally, std::string& problem)
{
    using Form = RecordFormat::Form;
    std::optional<logic::Board> board;
    if (marks != nullptr) {
        problem = problemOf(cells, *marks);
        if (!problem.empty()) {
            return false;
        }
        board = logic::Board::fromMarks(cells, *marks); // loads: nothing clashes
    }
    const logic::Board* position = board ? &*board : nullptr;
    if (format.form == Form::solve || format.form == Form::count) {
        if (format.form == Form::count) {
            const CountResult result = position != nullptr ? countSolutionsWithMarks(cells, *marks, format.limit)
                                                           : countSolutions(cells, format.limit);
            problem = problemOf(result.status, cells, result.badCell, result.clash);
            if (problem.empty()) {
                appendCount(body, result);
                ++(result.count > 0 ? tally.solved : tally.noSolution);
                tally.multipleSolutions += result.count > 1 ? 1 : 0;
            }
            return false;
        }
        const SolveResult result = position != nullptr ? solveWithMarks(cells, *marks) : solve(cells);
        problem = problemOf(result.status, cells, result.badCell, result.clash);
        if (!problem.empty()) {
            return false;
        }
        if (result.status == Status::noSolution) {
            body += noSolutionFor(position);
            ++tally.noSolution;
            return false;
        }
        if (format.grid) {
            appendGrid(body, result.solution);
        } else {
            appendLine(body, result.solution);
        }
        ++tally.solved;
        tally.multipleSolutions += result.solutionsUpToTwo > 1 ? 1 : 0;
        return format.grid;
    }

    problem = problemOf(cells);
    if (!problem.empty()) {
        return false;
    }
    bool startsWithGrid = false;
    Status status = Status::noSolution;
    bool several = false; // the puzzle has more than one solution
    if (format.form == Form::rate) {
        const logic::Rating rating = position != nullptr ? logic::rate(*position) : logic::rate(cells);
        status = rating.status;
        several = rating.multipleSolutions;
        if (status == Status::solved) {
            body += logic::formatRating(rating);
            body += '\n';
            tally.grades.add(rating);
        }
    } else if (format.form == Form::explain) {
        if (position != nullptr) {
            logic::explain(*position, explanation);
        } else {
            logic::explain(cells, explanation);
        }
        status = explanation.status;
        several = explanation.multipleSolutions;
        if (status == Status::solved) {
            body += logic::formatExplanation(explanation, format.grid);
            startsWithGrid =
                format.grid && explanation.steps.empty() && explanation.finished && !explanation.multipleSolutions;
        }
    } else {
        const logic::Hint hint = position != nullptr ? logic::hint(*position) : logic::hint(cells);
        status = hint.status;
        several = hint.multipleSolutions;
        if (status == Status::solved) {
            body += logic::formatHint(hint);
            body += '\n';
        }
    }
    if (status == Status::solved) {
        ++tally.solved;
        tally.multipleSolutions += several ? 1 : 0;
    } else {
        body += noSolutionFor(position);
        ++tally.noSolution;
    }
    return startsWithGrid;
}

} // namespace

void solveBatch(Batch& batch, const RecordFormat& format, const char* program)
{
    batch.out.clear();
    batch.err.clear();
    batch.tally = {};
    // Records of several lines are set apart by a blank line.
    const bool separated = format.grid || format.form == RecordFormat::Form::explain;
    logic::Explanation explanation; // reused, so its storage for steps grows only once
    std::string body;
    std::uint64_t index = batch.firstIndex;
    for (const Record& record : batch.records) {
        if (separated && index > 0) {
            batch.out += '\n';
        }
        ++index;
        ++batch.tally.read;

        body.clear();
        std::string problem = record.error;
        bool startsWithGrid = format.grid && format.form == RecordFormat::Form::solve;
        if (record.kind == Record::Kind::puzzle) {
            startsWithGrid = appendRecord(body, record.cells, record.marked ? &record.marks : nullptr, format,
                                          explanation, batch.tally, problem) ||
                             (format.grid && format.form == RecordFormat::Form::solve);
        }
        const auto where = [&] { return batch.source + ":" + std::to_string(record.line); };
        if (format.label) {
            // A label goes before the first line, or on a line of its own above a grid.
            batch.out += where() + (startsWithGrid ? ":\n" : ": ");
        }
        if (problem.empty()) {
            batch.out += body;
        } else {
            batch.out += "invalid puzzle\n";
            batch.err += std::string(program) + ": " + where() + ": " + problem + "\n";
            ++batch.tally.invalid;
        }
    }
}

} // namespace sudoku
