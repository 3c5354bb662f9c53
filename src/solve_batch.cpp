#include "solve_batch.h"

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

void appendLine(std::string& out, const Cells& cells)
{
    char line[82];
    for (std::size_t i = 0; i < 81; ++i) {
        line[i] = static_cast<char>('0' + cells[i]);
    }
    line[81] = '\n';
    out.append(line, sizeof line);
}

// The nine lines exactly as `sudoku` prints them: each digit followed by a space.
void appendGrid(std::string& out, const Cells& cells)
{
    char grid[9 * 19];
    char* p = grid;
    for (std::size_t row = 0; row < 9; ++row) {
        for (std::size_t col = 0; col < 9; ++col) {
            *p++ = static_cast<char>('0' + cells[row * 9 + col]);
            *p++ = ' ';
        }
        *p++ = '\n';
    }
    out.append(grid, sizeof grid);
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

void solveBatch(Batch& batch, const SolveOptions& options)
{
    batch.out.clear();
    batch.err.clear();
    batch.tally = {};
    const bool grid = options.output == SolveOptions::Output::grid;
    std::uint64_t index = batch.firstIndex;
    for (const Record& record : batch.records) {
        const auto where = [&] { return batch.source + ":" + std::to_string(record.line); };
        if (grid && index > 0) {
            batch.out += '\n';
        }
        ++index;
        if (options.label) {
            batch.out += where() + (grid ? ":\n" : ": ");
        }
        ++batch.tally.read;

        std::string problem = record.error;
        if (record.kind == Record::Kind::puzzle) {
            if (options.output == SolveOptions::Output::count) {
                const CountResult result = countSolutions(record.cells, options.limit);
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
                    (grid ? appendGrid : appendLine)(batch.out, result.solution);
                    ++batch.tally.solved;
                }
            }
        }
        if (!problem.empty()) {
            batch.out += "invalid puzzle\n";
            batch.err += "sudoku-solve: " + where() + ": " + problem + "\n";
            ++batch.tally.invalid;
        }
    }
}

} // namespace sudoku
