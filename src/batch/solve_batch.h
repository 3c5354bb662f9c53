#pragma once

// A batch of records from one input, each computed into a result (record_result.h) and
// written as text (record_text.h): records for standard output, messages for standard
// error.

#include <sudoku/logic.h>
#include <sudoku/reader.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sudoku {

// What each record holds and how it looks.
struct RecordFormat {
    enum class Form {
        solve,   // the solution
        count,   // the number of solutions, up to `limit`, with + when the limit was reached
        rate,    // SCORE GRADE TECHNIQUE, or "multiple solutions"
        explain, // a line per logical step, then the solution; records apart by a blank line
        hint,    // the first logical step
    };
    Form form = Form::solve;
    bool grid = false;       // a solution as nine lines, a blank line between records
    std::uint64_t limit = 2; // for Form::count
    bool label = false;      // start each record with SOURCE:LINE
};

struct Tally {
    std::uint64_t read = 0;
    std::uint64_t solved = 0;
    std::uint64_t multipleSolutions = 0; // of those solved
    std::uint64_t noSolution = 0;
    std::uint64_t invalid = 0;
    logic::GradeCounts grades; // of the puzzles rated

    Tally& operator+=(const Tally& other)
    {
        read += other.read;
        solved += other.solved;
        multipleSolutions += other.multipleSolutions;
        noSolution += other.noSolution;
        invalid += other.invalid;
        for (std::size_t g = 0; g < grades.grades.size(); ++g) {
            grades.grades[g] += other.grades.grades[g];
        }
        grades.multipleSolutions += other.grades.multipleSolutions;
        grades.unfinished += other.grades.unfinished;
        grades.unsolvable += other.grades.unsolvable;
        return *this;
    }
};

struct Batch {
    std::string source;           // the input's name, as messages and labels show it
    std::uint64_t firstIndex = 0; // position of the first record in the whole output
    std::uint64_t inputRead = 0;  // bytes of the input read when it was submitted
    std::vector<Record> records;
    std::string out;
    std::string err;
    Tally tally;
};

// Solves every record of the batch and fills its out, err and tally afresh. Messages
// start with `program` and a colon.
void solveBatch(Batch& batch, const RecordFormat& format, const char* program = "sudoku-solve");

// How a cell outside 0 to 9 reads in a message, e.g. "cell r1c5 holds 12, outside 0 to 9".
std::string describeBadCell(const Cells& cells, int cell);

} // namespace sudoku
