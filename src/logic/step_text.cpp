#include "step_text.h"

namespace sudoku::logic::detail {

std::string candidateName(const Candidate& c)
{
    return static_cast<char>('0' + c.digit) + cellName(c.cell);
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

std::string orWords(std::string text)
{
    const auto last = text.rfind(" and ");
    return last == std::string::npos ? text : text.replace(last, 5, " or ");
}

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

std::string linesOf(const Step& step, int first, int count)
{
    static constexpr std::array<const char*, 3> kinds{"rows ", "columns ", "boxes "};
    return kinds[static_cast<std::size_t>(step.houses[static_cast<std::size_t>(first)] / 9)] +
           listOf(count, [&](int i) {
               return std::string(1, static_cast<char>('1' + step.houses[static_cast<std::size_t>(first + i)] % 9));
           });
}

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

std::string house(const Step& step, int i)
{
    return houseName(step.houses[static_cast<std::size_t>(i)]);
}

std::string cell(const Step& step, int i)
{
    return cellName(step.cells[static_cast<std::size_t>(i)]);
}

std::string nodeName(const ChainProof::Node& node)
{
    return cellName(node.candidate.cell) + (node.isTrue ? "=" : "<>") + static_cast<char>('0' + node.candidate.digit);
}

} // namespace sudoku::logic::detail
