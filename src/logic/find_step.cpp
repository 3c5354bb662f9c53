// The techniques' names and weights, and the search for the next step, from their rows.

#include "chains/level_search.h"
#include "techniques.h"

#include <optional>

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
    // only the rows that could weigh less are tried: the rows rise in lowest weight, so
    // the first that could not ends the search (the costly chains come last).
    bool found = false;
    std::optional<Step> candidate; // a large object, made only when a second row is tried
    const SolverSearch bounded;    // a chain level skips what a lower level beats
    for (const TechniqueRow& row : techniqueRows) {
        if (found && row.weights.lowest >= step.weight) {
            break;
        }
        if (!uniqueSolution && row.needsUniqueSolution) {
            continue;
        }
        if (!found) {
            found = row.find(board, step);
            continue;
        }
        if (!candidate) {
            candidate.emplace();
        }
        if (row.find(board, *candidate) && candidate->weight < step.weight) {
            step = *candidate;
        }
    }
    return found;
}

} // namespace sudoku::logic
