#include "batch/record_result.h"

namespace sudoku {

namespace {

using Form = RecordFormat::Form;

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

void computeCount(const Cells& cells, const Marks* marks, const RecordFormat& format, RecordResult& result)
{
    result.count =
        marks != nullptr ? countSolutionsWithMarks(cells, *marks, format.limit) : countSolutions(cells, format.limit);
    result.problem = problemOf(result.count.status, cells, result.count.badCell, result.count.clash);
    result.status = result.count.count > 0 ? Status::solved : Status::noSolution;
    result.multipleSolutions = result.count.count > 1;
}

void computeSolve(const Cells& cells, const Marks* marks, RecordResult& result)
{
    const SolveResult solved = marks != nullptr ? solveWithMarks(cells, *marks) : solve(cells);
    result.problem = problemOf(solved.status, cells, solved.badCell, solved.clash);
    result.status = solved.status;
    result.solution = solved.solution;
    result.multipleSolutions = solved.solutionsUpToTwo > 1;
}

// Rate, explain or hint, from the marks of a pencil-mark grid (`position`) or the
// givens.
void computeLogic(const Cells& cells, const logic::Board* position, Form form, logic::Explanation& explanation,
                  RecordResult& result)
{
    result.problem = problemOf(cells);
    if (!result.valid()) {
        return;
    }
    if (form == Form::rate) {
        result.rating = position != nullptr ? logic::rate(*position) : logic::rate(cells);
        result.status = result.rating.status;
        result.multipleSolutions = result.rating.multipleSolutions;
    } else if (form == Form::explain) {
        if (position != nullptr) {
            logic::explain(*position, explanation);
        } else {
            logic::explain(cells, explanation);
        }
        result.explanation = &explanation;
        result.status = explanation.status;
        result.multipleSolutions = explanation.multipleSolutions;
    } else {
        result.hint = position != nullptr ? logic::hint(*position) : logic::hint(cells);
        result.status = result.hint.status;
        result.multipleSolutions = result.hint.multipleSolutions;
    }
}

} // namespace

void computeRecord(const Record& record, const RecordFormat& format, logic::Explanation& explanation,
                   RecordResult& result)
{
    result = RecordResult{};
    if (record.kind != Record::Kind::puzzle) {
        result.problem = record.error;
        return;
    }
    const Cells& cells = record.cells;
    const Marks* marks = record.marked ? &record.marks : nullptr;
    std::optional<logic::Board> board;
    if (marks != nullptr) {
        result.problem = problemOf(cells, *marks);
        if (!result.valid()) {
            return;
        }
        board = logic::Board::fromMarks(cells, *marks); // loads: nothing clashes
    }
    const logic::Board* position = board ? &*board : nullptr;
    switch (format.form) {
    case Form::count: computeCount(cells, marks, format, result); return;
    case Form::solve: computeSolve(cells, marks, result); break;
    default: computeLogic(cells, position, format.form, explanation, result); break;
    }
    if (result.valid() && result.status != Status::solved && position != nullptr) {
        result.wrongEntry = logic::findContradiction(*position);
    }
}

void tallyRecord(const RecordResult& result, const RecordFormat& format, Tally& tally)
{
    ++tally.read;
    if (!result.valid()) {
        ++tally.invalid;
        return;
    }
    if (result.status != Status::solved) {
        ++tally.noSolution;
        return;
    }
    ++tally.solved;
    tally.multipleSolutions += result.multipleSolutions ? 1 : 0;
    if (format.form == Form::rate) {
        tally.grades.add(result.rating);
    }
}

} // namespace sudoku
