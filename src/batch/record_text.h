#pragma once

// The text writer: a record's result as sudoku-solve writes it by default.

#include "batch/record_result.h"

#include <string>

namespace sudoku {

// Appends the text of a valid record's result (without label): the solution as a line
// or a grid, the count, the rating, the explanation or the hint, or for a puzzle
// without solution the no-solution line, or the wrong entry of a pencil-mark grid.
// Returns true when the text starts with a row of a grid.
bool appendRecordText(const RecordResult& result, const RecordFormat& format, std::string& out);

} // namespace sudoku
