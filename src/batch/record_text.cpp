#include "batch/record_text.h"

#include <sudoku/writer.h>

namespace sudoku {

namespace {

using Form = RecordFormat::Form;

void appendCount(std::string& out, const CountResult& result)
{
    out += std::to_string(result.count);
    if (result.limitReached) {
        out += '+';
    }
    out += '\n';
}

// The record of a puzzle without solution: the one placed digit or removed candidate of
// a pencil-mark grid that is wrong, when one change explains it, or the plain line.
void appendNoSolution(const RecordResult& result, std::string& out)
{
    if (result.wrongEntry) {
        out += logic::formatContradiction(*result.wrongEntry);
    } else {
        out += noSolutionLine;
    }
    out += '\n';
}

} // namespace

bool appendRecordText(const RecordResult& result, const RecordFormat& format, std::string& out)
{
    if (format.form == Form::count) {
        appendCount(out, result.count);
        return false;
    }
    if (result.status != Status::solved) {
        appendNoSolution(result, out);
        return false;
    }
    switch (format.form) {
    case Form::solve:
        if (format.grid) {
            appendGrid(out, result.solution);
        } else {
            appendLine(out, result.solution);
        }
        return format.grid;
    case Form::rate: out += logic::formatRating(result.rating) + '\n'; return false;
    case Form::explain: {
        const logic::Explanation& explanation = *result.explanation;
        out += logic::formatExplanation(explanation, format.grid);
        return format.grid && explanation.steps.empty() && explanation.finished && !explanation.multipleSolutions;
    }
    case Form::hint: out += logic::formatHint(result.hint) + '\n'; return false;
    case Form::count: break;
    }
    return false;
}

} // namespace sudoku
