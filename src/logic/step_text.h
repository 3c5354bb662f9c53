#pragma once

// The phrases that the techniques' texts are made of: candidates, cells and houses by
// name, and lists of them, as every step's line writes them.

#include "tables.h"

#include <sudoku/logic.h>

#include <string>

namespace sudoku::logic::detail {

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

// "5r4c3": the digit, then its cell.
std::string candidateName(const Candidate& c);
// "3, 5 and 7".
std::string digitList(Digits digits);
// A list's last " and " as " or ".
std::string orWords(std::string text);
// "3, 5 or 7".
std::string orList(Digits digits);
// "{357}".
std::string digitSet(Digits digits);
// "r1c1, r1c2 and r3c3": `count` of the step's pattern cells from `first`.
std::string cellList(const Step& step, int first, int count);
// "rows 2 and 7": `count` of the step's houses from `first`, all of one kind.
std::string linesOf(const Step& step, int first, int count);
// A chain's nodes, strong links as =, weak ones as -: "5r1c1=5r1c7-5r3c9".
std::string chainNodes(const Step& step);
// The step's house i and pattern cell i by name: "box 3", "r4c5".
std::string house(const Step& step, int i);
std::string cell(const Step& step, int i);
// A proof's node: "r4c5=7" (placed) or "r4c5<>7" (ruled out).
std::string nodeName(const ChainProof::Node& node);

} // namespace sudoku::logic::detail
