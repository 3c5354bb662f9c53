#include "json/logic_json.h"

#include <sudoku/geometry.h>
#include <sudoku/writer.h>

#include <array>
#include <string>

namespace sudoku::json {

std::string_view statusName(Status status)
{
    switch (status) {
    case Status::solved: return "solved";
    case Status::noSolution: return "noSolution";
    case Status::invalid: return "invalid";
    case Status::badCell: return "badCell";
    }
    return "";
}

std::string cellsText(const Cells& cells)
{
    std::string text;
    appendLine(text, cells, '.');
    text.pop_back(); // its newline
    return text;
}

namespace {

// How many of the step's houses each cell lies in.
std::array<int, 81> houseCover(const logic::Step& step)
{
    std::array<int, 81> cover{};
    for (int i = 0; i < step.houseCount; ++i) {
        for (const std::uint8_t cell : cellsOfHouse(step.houses[static_cast<std::size_t>(i)])) {
            ++cover[cell];
        }
    }
    return cover;
}

std::string whereOf(const logic::Step& step)
{
    if (step.houseCount > 0) {
        return houseName(step.houses[0]);
    }
    if (step.cellCount > 0) {
        return cellName(step.cells[0]);
    }
    if (step.places) {
        return cellName(step.placement.cell);
    }
    return step.eliminationCount > 0 ? cellName(step.eliminations[0].cell) : std::string();
}

} // namespace

void candidateList(Writer& out, std::string_view name, const logic::Candidate* list, int count)
{
    out.key(name).open('[');
    for (int i = 0; i < count; ++i) {
        out.candidate(list[i].cell, list[i].digit);
    }
    out.close(']');
}

void stepFields(Writer& out, const logic::Step& step, const logic::Board& board)
{
    logic::Hint asHint;
    asHint.status = Status::solved;
    asHint.found = true;
    asHint.step = step;
    out.field("technique", logic::techniqueName(step.technique));
    out.field("text", logic::formatHint(asHint));
    out.field("where", whereOf(step));
    const std::array<int, 81> cover = houseCover(step);
    out.key("houses").open('[');
    for (int i = 0; i < step.houseCount; ++i) {
        out.value(static_cast<int>(step.houses[static_cast<std::size_t>(i)]));
    }
    out.close(']');
    out.key("houseCells").open('[');
    for (int cell = 0; cell < 81; ++cell) {
        if (cover[static_cast<std::size_t>(cell)] > 0) {
            out.value(cell);
        }
    }
    out.close(']');
    out.key("cells").open('[');
    for (int i = 0; i < step.cellCount; ++i) {
        out.value(static_cast<int>(step.cells[static_cast<std::size_t>(i)]));
    }
    out.close(']');
    out.key("pattern").open('[');
    for (int i = 0; i < step.cellCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const logic::Digits shown = step.digits != 0 ? step.cellDigits[at] & step.digits : step.cellDigits[at];
        for (int d = 1; d <= 9; ++d) {
            if ((shown >> (d - 1) & 1) != 0) {
                out.candidate(step.cells[at], d);
            }
        }
    }
    for (int cell = 0; cell < 81 && step.cellCount == 0 && step.houseCount >= 2; ++cell) {
        const logic::Digits shown = board.candidates(cell) & step.digits;
        for (int d = 1; d <= 9 && cover[static_cast<std::size_t>(cell)] >= 2; ++d) {
            if ((shown >> (d - 1) & 1) != 0) {
                out.candidate(cell, d);
            }
        }
    }
    for (int i = 0; i < step.chainLength; ++i) {
        const logic::Candidate& c = step.chain[static_cast<std::size_t>(i)];
        out.candidate(c.cell, c.digit);
    }
    for (int b = 0; b < step.branchCount; ++b) {
        const auto at = static_cast<std::size_t>(b);
        for (int i = 0; i < step.branchLength[at]; ++i) {
            const logic::Candidate& c = step.branches[at][static_cast<std::size_t>(i)];
            out.candidate(c.cell, c.digit);
        }
    }
    out.close(']');
    candidateList(out, "placements", &step.placement, step.places ? 1 : 0);
    candidateList(out, "eliminations", step.eliminations.data(), step.eliminationCount);
}

void boardFields(Writer& out, const logic::Board& board)
{
    out.field("values", cellsText(board.values()));
    out.key("marks").open('[');
    for (int cell = 0; cell < 81; ++cell) {
        out.value(static_cast<int>(board.candidates(cell)));
    }
    out.close(']');
}

} // namespace sudoku::json
