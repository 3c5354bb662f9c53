// Steps, ratings and explanations as text.

#include "finders.h"

namespace sudoku::logic {

using namespace detail;

namespace {

std::string cellName(int cell)
{
    return {'r', static_cast<char>('1' + rowOf(cell)), 'c', static_cast<char>('1' + colOf(cell))};
}

std::string candidateName(const Candidate& c)
{
    return static_cast<char>('0' + c.digit) + cellName(c.cell);
}

std::string houseName(int house)
{
    static constexpr std::array<const char*, 3> kinds{"row ", "column ", "box "};
    return kinds[static_cast<std::size_t>(house / 9)] + std::string(1, static_cast<char>('1' + house % 9));
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

std::string chainText(const Step& step)
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

bool wellFormed(const Step& step)
{
    if (techniqueName(step.technique).empty() || step.houseCount > Step::maxHouses ||
        step.cellCount > Step::maxCells || step.chainLength > Step::maxChain ||
        step.eliminationCount > Step::maxEliminations || step.digits > 0x1FF) {
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
    // Each pattern's text reads a fixed number of houses and cells.
    switch (step.technique) {
    case Technique::fullHouse:
    case Technique::hiddenSingle: return ok && step.houseCount >= 1;
    case Technique::pointing:
    case Technique::claiming: return ok && step.houseCount >= 2;
    case Technique::nakedPair:
    case Technique::nakedTriple:
    case Technique::nakedQuad:
    case Technique::hiddenPair:
    case Technique::hiddenTriple:
    case Technique::hiddenQuad: return ok && step.houseCount >= 1 && step.cellCount >= 1;
    case Technique::xWing:
    case Technique::swordfish:
    case Technique::jellyfish: return ok && step.houseCount >= 2 && step.houseCount % 2 == 0;
    case Technique::xyWing:
    case Technique::xyzWing: return ok && step.cellCount >= 3;
    case Technique::skyscraper: return ok && step.houseCount >= 2 && step.cellCount >= 4;
    case Technique::twoStringKite: return ok && step.houseCount >= 3 && step.cellCount >= 4;
    case Technique::uniqueRectangle: return ok && step.cellCount >= 4;
    case Technique::wWing: return ok && step.houseCount >= 1 && step.cellCount >= 4 && step.chainLength >= 2;
    case Technique::bivalueUniversalGrave: return ok && step.cellCount >= 1;
    case Technique::xChain:
    case Technique::xyChain:
    case Technique::aic: return ok && step.chainLength >= 2;
    case Technique::cellForcingChain:
    case Technique::unitForcingChain:
        for (int b = 0; b < step.branchCount; ++b) {
            ok = ok && step.branchLength[static_cast<std::size_t>(b)] >= 2 &&
                 step.branchLength[static_cast<std::size_t>(b)] <= Step::maxBranch;
            for (int i = 0; i < step.branchLength[static_cast<std::size_t>(b)] && ok; ++i) {
                ok = good(step.branches[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)]);
            }
        }
        return ok && step.branchCount >= 1 && step.branchCount <= Step::maxBranches &&
               (step.technique == Technique::unitForcingChain ? step.houseCount >= 1 : step.cellCount >= 1);
    default: return ok;
    }
}

// What the pattern is, for each technique.
std::string pattern(const Step& step)
{
    const std::string digit = digitList(step.digits);
    const auto house = [&](int i) { return houseName(step.houses[static_cast<std::size_t>(i)]); };
    const auto cell = [&](int i) { return cellName(step.cells[static_cast<std::size_t>(i)]); };
    switch (step.technique) {
    case Technique::fullHouse: return "last empty cell of " + house(0);
    case Technique::hiddenSingle: return "only place for " + digit + " in " + house(0);
    case Technique::nakedSingle: return "only " + digit + " left in " + cellName(step.placement.cell);
    case Technique::pointing: return digit + " in " + house(0) + " lies in " + house(1);
    case Technique::claiming: return digit + " in " + house(1) + " lies in " + house(0);
    case Technique::nakedPair:
    case Technique::nakedTriple:
    case Technique::nakedQuad:
        return cellList(step, 0, step.cellCount) + " hold only " + digit + " in " + house(0);
    case Technique::hiddenPair:
    case Technique::hiddenTriple:
    case Technique::hiddenQuad:
        return digit + " in " + house(0) + " only in " + cellList(step, 0, step.cellCount);
    case Technique::xWing:
    case Technique::swordfish:
    case Technique::jellyfish:
        return digit + " in " + linesOf(step, 0, step.houseCount / 2) + ", " +
               linesOf(step, step.houseCount / 2, step.houseCount / 2);
    case Technique::xyWing:
    case Technique::xyzWing:
        return "pivot " + cell(0) + " " + digitSet(step.cellDigits[0]) + ", pincers " + cell(1) + " " +
               digitSet(step.cellDigits[1]) + " and " + cell(2) + " " + digitSet(step.cellDigits[2]);
    case Technique::uniqueRectangle:
        return digit + " in " + cellList(step, 0, 4) + " would make two solutions";
    case Technique::skyscraper:
        return digit + " in " + house(0) + " (" + cell(0) + ", " + cell(1) + ") and " + house(1) + " (" +
               cell(2) + ", " + cell(3) + ")";
    case Technique::twoStringKite:
        return digit + " in " + house(0) + " (" + cell(0) + ", " + cell(1) + ") and " + house(1) + " (" +
               cell(2) + ", " + cell(3) + "), joined in " + house(2);
    case Technique::wWing:
        return cell(0) + " and " + cell(3) + " hold " + digitSet(step.digits) + ", " +
               std::string(1, static_cast<char>('0' + step.chain[1].digit)) + " in " + house(0) + " only in " +
               cell(1) + " and " + cell(2);
    case Technique::bivalueUniversalGrave:
        return "every other empty cell holds two candidates, " + cell(0) + " holds " + digitSet(step.cellDigits[0]) +
               " and " + digit + " has three places in its houses";
    case Technique::xChain:
    case Technique::xyChain:
    case Technique::aic: return chainText(step);
    case Technique::cellForcingChain:
    case Technique::unitForcingChain: {
        const Candidate& target = step.branches[0][step.branchLength[0] - 1u];
        std::string text = step.technique == Technique::cellForcingChain
                               ? "each candidate of " + cell(0) + " " + digitSet(step.digits)
                               : "each place of " + digit + " in " + house(0);
        text += " removes " + candidateName(target);
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
    }
    return {};
}

} // namespace

std::string formatStep(const Step& step)
{
    if (!wellFormed(step)) {
        return {};
    }
    std::string text(techniqueName(step.technique));
    text += ": ";
    text += pattern(step);
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
        return formatStep(hint.step);
    }
    return std::string(hint.multipleSolutions ? multipleSolutionsLine() : trialLine());
}

} // namespace sudoku::logic
