#include "batch/solve_batch.h"
#include "batch/record_result.h"
#include "batch/record_text.h"

#include <sudoku/geometry.h>

namespace sudoku {

std::string describeBadCell(const Cells& cells, int cell)
{
    return "cell " + cellName(cell) + " holds " + std::to_string(cells[static_cast<std::size_t>(cell)]) +
           ", outside 0 to 9";
}

void solveBatch(Batch& batch, const RecordFormat& format, const char* program)
{
    batch.out.clear();
    batch.err.clear();
    batch.tally = {};
    // Records of several lines are set apart by a blank line.
    const bool separated = format.grid || format.form == RecordFormat::Form::explain;
    const bool gridSolutions = format.grid && format.form == RecordFormat::Form::solve;
    logic::Explanation explanation; // reused, so its storage for steps grows only once
    RecordResult result;
    std::string body;
    std::uint64_t index = batch.firstIndex;
    for (const Record& record : batch.records) {
        if (separated && index > 0) {
            batch.out += '\n';
        }
        ++index;
        computeRecord(record, format, explanation, result);
        tallyRecord(result, format, batch.tally);
        body.clear();
        const bool startsWithGrid = (result.valid() && appendRecordText(result, format, body)) || gridSolutions;
        const auto where = [&] { return batch.source + ":" + std::to_string(record.line); };
        if (format.label) {
            // A label goes before the first line, or on a line of its own above a grid.
            batch.out += where() + (startsWithGrid ? ":\n" : ": ");
        }
        if (result.valid()) {
            batch.out += body;
        } else {
            batch.out += "invalid puzzle\n";
            batch.err += std::string(program) + ": " + where() + ": " + result.problem + "\n";
        }
    }
}

} // namespace sudoku
