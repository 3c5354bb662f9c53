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
    for (std::size_t i = 0; i < techniqueRows.size(); ++i) {
        const TechniqueRow& row = techniqueRows[i];
        if (!uniqueSolution && row.needsUniqueSolution) {
            continue;
        }
        if (row.sharedSearch == nullptr) {
            if (row.find(board, step)) {
                return true;
            }
        } else if (i == 0 || techniqueRows[i - 1].sharedSearch != row.sharedSearch) {
            if (row.sharedSearch(board, step)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace sudoku::logic
