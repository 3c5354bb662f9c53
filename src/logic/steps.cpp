// The techniques' names and weights, and the search for the next step, from their rows.

#include "techniques.h"

namespace sudoku::logic {

using namespace detail;

std::string_view techniqueName(Technique technique)
{
    const TechniqueRow* row = rowOf(technique);
    return row != nullptr ? row->name : std::string_view{};
}

std::optional<Technique> techniqueFromName(std::string_view name)
{
    for (const TechniqueRow& row : techniqueRows) {
        if (row.name == name) {
            return row.technique;
        }
    }
    return std::nullopt;
}

int baseWeight(Technique technique)
{
    const TechniqueRow* row = rowOf(technique);
    return row != nullptr ? row->weights.lowest : 0;
}

bool needsUniqueSolution(Technique technique)
{
    const TechniqueRow* row = rowOf(technique);
    return row != nullptr && row->needsUniqueSolution;
}

bool findStep(const Board& board, Technique technique, Step& step)
{
    const TechniqueRow* row = rowOf(technique);
    return row != nullptr && row->find(board, step);
}

bool findStep(const Board& board, bool uniqueSolution, Step& step)
{
    if (board.emptyCells() == 0) {
        return false;
    }
    // The step of lowest weight wins, ties to the earlier row. Once a step is found,
    // only the rows that could weigh less are tried (the costly chains come last).
    bool found = false;
    Step candidate;
    const SolverSearch bounded; // a chain level skips what a lower level beats
    for (std::size_t i = 0; i < techniqueRows.size();) {
        const TechniqueRow& row = techniqueRows[i];
        i += row.sharedRows > 0 ? static_cast<std::size_t>(row.sharedRows) : 1;
        if (found && row.weights.lowest >= step.weight) {
            continue;
        }
        if (!uniqueSolution && row.needsUniqueSolution) {
            continue;
        }
        const Finder find = row.sharedRows > 0 ? row.sharedSearch : row.find;
        Step& into = found ? candidate : step;
        if (find(board, into) && (!found || candidate.weight < step.weight)) {
            if (found) {
                step = candidate;
            }
            found = true;
        }
    }
    return found;
}

} // namespace sudoku::logic
