#pragma once

// A record's result, computed once from the record and what the run asks for (solve,
// count, rate, explain or hint), then handed to a writer: the text writer
// (record_text.h) is one.

#include "batch/solve_batch.h"

#include <sudoku/engine.h>
#include <sudoku/logic.h>

#include <optional>
#include <string>

namespace sudoku {

struct RecordResult {
    // What makes the record unusable (it could not be read, a cell is out of range, or
    // givens or marks clash); empty when it is a puzzle. Nothing below is set then.
    std::string problem;
    Status status = Status::noSolution; // solved (it has a solution) or noSolution
    bool multipleSolutions = false;
    Cells solution{};     // solve: the reference's answer
    CountResult count;    // count: up to the limit
    logic::Rating rating; // rate
    logic::Hint hint;     // hint
    // explain: the explanation of the record, kept outside so that its storage for
    // steps is reused from record to record.
    const logic::Explanation* explanation = nullptr;
    // A pencil-mark grid without solution: the one placed digit or removed candidate
    // that is wrong, when one change explains it.
    std::optional<logic::Contradiction> wrongEntry;

    [[nodiscard]] bool valid() const { return problem.empty(); }
};

// Computes the result of `record` as `format` asks; `explanation` holds the steps for
// --explain and is overwritten.
void computeRecord(const Record& record, const RecordFormat& format, logic::Explanation& explanation,
                   RecordResult& result);

// Counts the result in `tally`.
void tallyRecord(const RecordResult& result, const RecordFormat& format, Tally& tally);

} // namespace sudoku
