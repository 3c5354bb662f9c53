#include "solve_batch.h"

#include <sudoku/engine.h>
#include <sudoku/writer.h>

namespace sudoku {

namespace {

std::string cellName(int cell)
{
    std::string name = "r";
    name += static_cast<char>('1' + cell / 9);
    name += 'c';
    name += static_cast<char>('1' + cell % 9);
    return name;
}

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

std::string describeClash(const Clash& clash)
{
    static const char* const units[] = {"row", "column", "box"};
    std::string text = "givens clash: ";
    text += static_cast<char>('0' + clash.digit);
    text += " appears twice in ";
    text += units[static_cast<int>(clash.unit)];
    text += ' ';
    text += static_cast<char>('1' + clash.index);
    text += " (" + cellName(clash.first) + " and " + cellName(clash.second) + ")";
    return text;
}

void solveBatch(Batch& batch, const RecordFormat& format, const char* program)
{
    batch.out.clear();
    batch.err.clear();
    batch.tally = {};
    const bool grid = format.form == RecordFormat::Form::grid;
    std::uint64_t index = batch.firstIndex;
    for (const Record& record : batch.records) {
        const auto where = [&] { return batch.source + ":" + std::to_string(record.line); };
        if (grid && index > 0) {
            batch.out += '\n';
        }
        ++index;
        if (format.label) {
            batch.out += where() + (grid ? ":\n" : ": ");
        }
        ++batch.tally.read;

        std::string problem = record.error;
        if (record.kind == Record::Kind::puzzle) {
            if (format.form == RecordFormat::Form::count) {
                const CountResult result = countSolutions(record.cells, format.limit);
                if (result.status == Status::badCell) {
                    problem = describeBadCell(record.cells, result.badCell);
                } else if (result.status == Status::invalid) {
                    problem = describeClash(result.clash);
                } else {
                    appendCount(batch.out, result);
                    ++(result.count > 0 ? batch.tally.solved : batch.tally.noSolution);
                }
            } else {
                const SolveResult result = solve(record.cells);
                if (result.status == Status::badCell) {
                    problem = describeBadCell(record.cells, result.badCell);
                } else if (result.status == Status::invalid) {
                    problem = describeClash(result.clash);
                } else if (result.status == Status::noSolution) {
                    batch.out += "no solution  exists \n";
                    ++batch.tally.noSolution;
                } else {
                    if (grid) {
                        appendGrid(batch.out, result.solution);
                    } else {
                        appendLine(batch.out, result.solution);
                    }
                    ++batch.tally.solved;
                }
            }
        }
        if (!problem.empty()) {
            batch.out += "invalid puzzle\n";
            batch.err += std::string(program) + ": " + where() + ": " + problem + "\n";
            ++batch.tally.invalid;
        }
    }
}

} // namespace sudoku
