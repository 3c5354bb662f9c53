// Steps, ratings and explanations as text.

#include "techniques.h"

namespace sudoku::logic {

using namespace detail;

namespace {

std::string candidateName(const Candidate& c)
{
    return static_cast<char>('0' + c.digit) + cellName(c.cell);
}

// "a", "a and b", "a, b and c".
template <class Name>
std::string listOf(int count, Name&& name)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            text += i + 1 == count ? " and " : ", ";
        }
        text += name(i);
    }
    return text;
}

std::string digitList(Digits digits)
{
    return listOf(countOf(digits), [&](int i) {
        unsigned rest = digits;
        for (int k = 0; k < i; ++k) {
            rest &= rest - 1;
        }
        return std::string(1, static_cast<char>('0' + lowestDigit(rest)));
    });
}

// A list's last " and " as " or ".
std::string orWords(std::string text)
{
    const auto last = text.rfind(" and ");
    return last == std::string::npos ? text : text.replace(last, 5, " or ");
}

// "3", "3 or 5", "3, 5 or 7".
std::string orList(Digits digits)
{
    return orWords(digitList(digits));
}

std::string digitSet(Digits digits)
{
    std::string text = "{";
    for (unsigned rest = digits; rest != 0; rest &= rest - 1) {
        text += static_cast<char>('0' + lowestDigit(rest));
    }
    return text + "}";
}

std::string cellList(const Step& step, int first, int count)
{
    return listOf(count, [&](int i) { return cellName(step.cells[static_cast<std::size_t>(first + i)]); });
}

// "rows 2 and 7" for houses of one kind.
std::string linesOf(const Step& step, int first, int count)
{
    static constexpr std::array<const char*, 3> kinds{"rows ", "columns ", "boxes "};
    return kinds[static_cast<std::size_t>(step.houses[static_cast<std::size_t>(first)] / 9)] +
           listOf(count, [&](int i) {
               return std::string(1, static_cast<char>('1' + step.houses[static_cast<std::size_t>(first + i)] % 9));
           });
}

// A chain's nodes, strong links as =, weak ones as -.
std::string chainNodes(const Step& step)
{
    std::string text;
    for (int i = 0; i < step.chainLength; ++i) {
        if (i > 0) {
            text += i % 2 == 1 ? '=' : '-';
        }
        text += candidateName(step.chain[static_cast<std::size_t>(i)]);
    }
    return text;
}

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
    if (row->text == dynamicChainText) {
        ok = ok && step.proof != nullptr && !step.proof->branches.empty() && !step.proof->branches[0].nodes.empty();
    }
    return ok && step.houseCount >= shape.houses && step.cellCount >= shape.cells && step.chainLength >= shape.chain &&
           (!shape.pairedHouses || step.houseCount % 2 == 0);
}

std::string house(const Step& step, int i)
{
    return houseName(step.houses[static_cast<std::size_t>(i)]);
}

std::string cell(const Step& step, int i)
{
    return cellName(step.cells[static_cast<std::size_t>(i)]);
}

// "each ... removes 5r9c9: " (or "places") and the branches, one after another.
std::string forcingChainText(const Step& step, std::string text)
{
    const Candidate& target = step.branches[0][step.branchLength[0] - 1u];
    text += (step.places ? " places " : " removes ") + candidateName(target);
    for (int b = 0; b < step.branchCount; ++b) {
        text += b == 0 ? ": " : "; ";
        for (int i = 0; i < step.branchLength[static_cast<std::size_t>(b)]; ++i) {
            if (i > 0) {
                text += i % 2 == 1 ? '-' : '=';
            }
            text += candidateName(step.branches[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)]);
        }
    }
    return text;
}

std::string nodeName(const ChainProof::Node& node)
{
    return cellName(node.candidate.cell) + (node.isTrue ? "=" : "<>") + static_cast<char>('0' + node.candidate.digit);
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

namespace detail {

std::string fullHouseText(const Step& step)
{
    return "last empty cell of " + house(step, 0);
}

std::string hiddenSingleText(const Step& step)
{
    return "only place for " + digitList(step.digits) + " in " + house(step, 0);
}

std::string nakedSingleText(const Step& step)
{
    return "only " + digitList(step.digits) + " left in " + cellName(step.placement.cell);
}

std::string pointingText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 0) + " lies in " + house(step, 1);
}

std::string claimingText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 1) + " lies in " + house(step, 0);
}

// ", then only place for 4 in box 3": the hidden single a direct step's eliminations
// leave, in its last house.
std::string leftSingle(const Step& step)
{
    return ", then only place for " + std::string(1, static_cast<char>('0' + step.placement.digit)) + " in " +
           house(step, step.houseCount - 1);
}

std::string directPointingText(const Step& step)
{
    return pointingText(step) + leftSingle(step);
}

std::string directClaimingText(const Step& step)
{
    return claimingText(step) + leftSingle(step);
}

std::string directHiddenSubsetText(const Step& step)
{
    return hiddenSubsetText(step) + leftSingle(step);
}

std::string nakedSubsetText(const Step& step)
{
    return cellList(step, 0, step.cellCount) + " hold only " + digitList(step.digits) + " in " + house(step, 0);
}

std::string hiddenSubsetText(const Step& step)
{
    return digitList(step.digits) + " in " + house(step, 0) + " only in " + cellList(step, 0, step.cellCount);
}

std::string fishText(const Step& step)
{
    return digitList(step.digits) + " in " + linesOf(step, 0, step.houseCount / 2) + ", " +
           linesOf(step, step.houseCount / 2, step.houseCount / 2);
}

std::string wingText(const Step& step)
{
    return "pivot " + cell(step, 0) + " " + digitSet(step.cellDigits[0]) + ", pincers " + cell(step, 1) + " " +
           digitSet(step.cellDigits[1]) + " and " + cell(step, 2) + " " + digitSet(step.cellDigits[2]);
}

std::string uniqueRectangleText(const Step& step)
{
    // The pattern's cells come first, then the other cells of a type 3 subset.
    const int size = step.technique == Technique::uniqueRectangle ? 4 : 6;
    std::string text = digitList(step.digits) + " in " + cellList(step, 0, size) + " would make two solutions";
    // The roofs: the pattern's cells that hold more than its two digits.
    std::array<int, 6> roof{};
    int roofs = 0;
    Digits more = 0;
    for (int i = 0; i < size; ++i) {
        if (step.cellDigits[static_cast<std::size_t>(i)] != step.digits) {
            more |= static_cast<Digits>(step.cellDigits[static_cast<std::size_t>(i)] & ~step.digits);
            roof[static_cast<std::size_t>(roofs++)] = i;
        }
    }
    if (roofs == 1) { // type 1
        return text + ", so " + cell(step, roof[0]) + " holds another digit";
    }
    const std::string roofCells = cell(step, roof[0]) + " or " + cell(step, roof[1]);
    if (step.houseCount == 0) { // type 2
        return text + ", so one of " +
               listOf(roofs, [&](int i) { return cell(step, roof[static_cast<std::size_t>(i)]); }) +
               ", which also hold " + digitList(more) + ", is " + digitList(more);
    }
    if (step.cellCount > size) { // type 3
        Digits subset = more;
        for (int i = size; i < step.cellCount; ++i) {
            subset |= step.cellDigits[static_cast<std::size_t>(i)];
        }
        return text + ", so " + roofCells + " holds " + orList(more) + ": with " +
               cellList(step, size, step.cellCount - size) + " they hold only " + digitList(subset) + " in " +
               house(step, 0);
    }
    // Type 4: the digit left is the one whose places in the house are the roofs.
    const auto kept = static_cast<Digits>(step.digits & ~bit(step.eliminations[0].digit));
    return text + ", and " + digitList(kept) + " in " + house(step, 0) + " is only in " + cell(step, roof[0]) +
           " and " + cell(step, roof[1]) + ", so neither holds " +
           std::string(1, static_cast<char>('0' + step.eliminations[0].digit));
}

std::string graveText(const Step& step)
{
    if (step.cellCount == 1) { // type 1
        return "every other empty cell holds two candidates, " + cell(step, 0) + " holds " +
               digitSet(step.cellDigits[0]) + " and " + digitList(step.digits) +
               (countOf(step.digits) == 1 ? " has" : " have") + " three places in its houses";
    }
    // The cells with more come first, then (type 3) the cells of the subset, which hold
    // two candidates like every other.
    int extras = 0;
    while (extras < step.cellCount && countOf(step.cellDigits[static_cast<std::size_t>(extras)]) > 2) {
        ++extras;
    }
    const std::string text =
        "every empty cell but " +
        listOf(extras,
               [&](int i) { return cell(step, i) + " " + digitSet(step.cellDigits[static_cast<std::size_t>(i)]); }) +
        " holds two candidates";
    if (step.houseCount == 0) { // type 2: each holds the same extra digit
        return text + ", and without " + digitList(step.digits) +
               " there each digit would have two places in every house, so one of them is " + digitList(step.digits);
    }
    if (step.cellCount == extras) { // type 4
        return text + ", and " + digitList(step.digits) + " has no other place in " + house(step, 0) +
               ": one of them is " + digitList(step.digits) + ", the other one of its extra digits";
    }
    // Type 3: one of them holds an extra digit, so with the subset they fill its digits.
    Digits subset = step.digits;
    for (int i = extras; i < step.cellCount; ++i) {
        subset |= step.cellDigits[static_cast<std::size_t>(i)];
    }
    return text + ", so one of them holds " + orList(step.digits) + ": with " +
           cellList(step, extras, step.cellCount - extras) + " they hold only " + digitList(subset) + " in " +
           house(step, 0);
}

std::string exclusionText(const Step& step)
{
    const int size = step.technique == Technique::alignedPairExclusion ? 2 : 3;
    const auto withMarks = [&](int first) {
        return [&step, first](int i) {
            return cell(step, first + i) + " " + digitSet(step.cellDigits[static_cast<std::size_t>(first + i)]);
        };
    };
    bool aligned = false; // some two of them see each other
    for (int i = 0; i < size; ++i) {
        for (int j = i + 1; j < size; ++j) {
            aligned = aligned || sees(step.cells[static_cast<std::size_t>(i)], step.cells[static_cast<std::size_t>(j)]);
        }
    }
    std::string text = listOf(size, withMarks(0)) + ": every combination with a removed candidate ";
    if (aligned) {
        text += step.cellCount == size ? "puts a digit twice in a house" : "puts a digit twice in a house or ";
    }
    if (step.cellCount > size) {
        text += "empties " + orWords(listOf(step.cellCount - size, withMarks(size)));
    }
    return text;
}

std::string chainText(const Step& step)
{
    return chainNodes(step);
}

// The loop closes with a weak link back to its first node.
std::string cycleText(const Step& step)
{
    return chainNodes(step) + '-' + candidateName(step.chain[0]);
}

std::string cellForcingChainText(const Step& step)
{
    return forcingChainText(step, "each candidate of " + cell(step, 0) + " " + digitSet(step.digits));
}

std::string unitForcingChainText(const Step& step)
{
    return forcingChainText(step, "each place of " + digitList(step.digits) + " in " + house(step, 0));
}

std::string dynamicChainText(const Step& step)
{
    const auto& branches = step.proof->branches;
    std::string text;
    if (step.houseCount > 0) {
        text = "each place of " + digitList(step.digits) + " in " + house(step, 0);
    } else if (step.cellCount > 0) {
        text = "each candidate of " + cell(step, 0) + " " + digitSet(step.digits);
    } else if (branches.size() == 2) {
        text = candidateName(step.chain[0]) + " true and false";
    } else {
        text = nodeName(branches[0].nodes[0]) + " leads to a contradiction";
    }
    return text + " (length " + std::to_string(step.proof->length) + ")";
}

} // namespace detail

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
