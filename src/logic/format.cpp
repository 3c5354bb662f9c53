// Steps, ratings and explanations as text.

#include "step_text.h"
#include "techniques.h"

namespace sudoku::logic {

using namespace detail;

namespace {

// Whether a step holds what its text reads: counts within the arrays, houses, cells and
// candidates on the grid, and at least what its technique's row says the text needs.
bool wellFormed(const Step& step)
{
    const TechniqueRow* row = rowOf(step.technique);
    if (row == nullptr || step.houseCount > maxHouses || step.cellCount > maxCells || step.chainLength > maxChain ||
        step.eliminationCount > maxEliminations || step.digits > 0x1FF) {
        return false;
    }
    const auto good = [](const Candidate& c) { return c.cell < 81 && c.digit >= 1 && c.digit <= 9; };
    bool ok = step.places ? good(step.placement) : step.eliminationCount > 0;
    for (int i = 0; i < step.houseCount; ++i) {
        ok = ok && step.houses[static_cast<std::size_t>(i)] < 27;
    }
    for (int i = 0; i < step.cellCount; ++i) {
        ok = ok && step.cells[static_cast<std::size_t>(i)] < 81;
    }
    for (int i = 0; i < step.chainLength; ++i) {
        ok = ok && good(step.chain[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < step.eliminationCount; ++i) {
        ok = ok && good(step.eliminations[static_cast<std::size_t>(i)]);
    }
    const Shape& shape = row->shape;
    if (shape.branches > 0) {
        ok = ok && step.branchCount >= shape.branches && step.branchCount <= maxBranches;
        for (int b = 0; b < step.branchCount && ok; ++b) {
            const int length = step.branchLength[static_cast<std::size_t>(b)];
            ok = length >= 2 && length <= maxBranch;
            for (int i = 0; i < length && ok; ++i) {
                ok = good(step.branches[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)]);
            }
        }
    }
    if (shape.proof) {
        ok = ok && step.proof != nullptr && !step.proof->branches.empty() && !step.proof->branches[0].nodes.empty();
    }
    return ok && step.houseCount >= shape.houses && step.cellCount >= shape.cells && step.chainLength >= shape.chain &&
           (!shape.pairedHouses || step.houseCount % 2 == 0);
}

// A proof's branches, a line each, indented by `depth`; a nested node's own proof
// follows its branch, indented one more.
void appendProof(const ChainProof& proof, int depth, std::string& text)
{
    for (const ChainProof::Branch& branch : proof.branches) {
        text += '\n';
        text.append(static_cast<std::size_t>(2 * depth), ' ');
        std::string nested;
        bool firstNode = true;
        for (const ChainProof::Node& node : branch.nodes) {
            if (node.rule == ChainProof::Rule::given) {
                continue;
            }
            text += firstNode ? "" : " -> ";
            firstNode = false;
            if (node.rule == ChainProof::Rule::clash) {
                text += "contradiction";
                continue;
            }
            text += nodeName(node);
            if (node.nested) {
                text += " (nested)";
                nested += '\n';
                nested.append(static_cast<std::size_t>(2 * depth + 2), ' ');
                nested += "nested " + nodeName(node) + ":";
                appendProof(*node.nested, depth + 2, nested);
            }
        }
        text += nested;
    }
}

} // namespace

std::string formatStep(const Step& step)
{
    if (!wellFormed(step)) {
        return {};
    }
    const TechniqueRow& row = *rowOf(step.technique);
    std::string text(row.name);
    text += ": ";
    text += row.text(step);
    text += ':';
    if (step.places) {
        text += ' ' + cellName(step.placement.cell) + '=' + static_cast<char>('0' + step.placement.digit);
    } else {
        for (int i = 0; i < step.eliminationCount; ++i) {
            const Candidate& c = step.eliminations[static_cast<std::size_t>(i)];
            text += ' ' + cellName(c.cell) + "<>" + static_cast<char>('0' + c.digit);
        }
    }
    return text;
}

std::string_view trialLine()
{
    return "trial: no technique here finds the next step; the rest needs trial and error";
}

std::string_view multipleSolutionsLine()
{
    return "multiple-solutions: the puzzle has several solutions, so no further step holds for all";
}

std::string formatExplanation(const Explanation& explanation, bool grid)
{
    if (explanation.status != Status::solved) {
        return {};
    }
    std::string text;
    for (const Step& step : explanation.steps) {
        text += formatStep(step);
        if (step.proof) {
            appendProof(*step.proof, 1, text); // its branches, indented below it
        }
        text += '\n';
    }
    if (explanation.multipleSolutions) {
        text += multipleSolutionsLine();
        text += '\n';
    } else if (!explanation.finished) {
        text += trialLine();
        text += '\n';
    }
    for (std::size_t i = 0; i < 81; ++i) {
        text += static_cast<char>('0' + explanation.solution[i]);
        if (grid) {
            text += ' ';
        }
        if (!grid ? i == 80 : i % 9 == 8) {
            text += '\n';
        }
    }
    return text;
}

std::string formatHint(const Hint& hint)
{
    if (hint.status != Status::solved) {
        return {};
    }
    if (hint.full) {
        return "none: the grid is full";
    }
    if (hint.found) {
        std::string text = formatStep(hint.step);
        if (hint.step.proof) {
            appendProof(*hint.step.proof, 1, text); // so the player can check it
        }
        return text;
    }
    return std::string(hint.multipleSolutions ? multipleSolutionsLine() : trialLine());
}

} // namespace sudoku::logic
