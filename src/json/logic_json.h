#pragma once

// The logical solver's results as JSON, for the web page and the programs alike.

#include "json/json.h"

#include <sudoku/logic.h>

#include <string_view>

namespace sudoku::json {

// "solved", "noSolution", "invalid" or "badCell".
[[nodiscard]] std::string_view statusName(Status status);

// The fields of a step as a page draws it (into an open object):
//   technique, text: its name, and its line as a hint gives it (with a proof's branches);
//   houses: the houses of its pattern (0 to 26), houseCells: their cells, each once and
//     in rising order;
//   cells: the cells of its pattern;
//   pattern: the candidates that make it, as [cell, digit]: the pattern cells' digits of
//     the step, the chain nodes and forcing-chain branches; for a step that names houses
//     but no cells (locked candidates, fish), the step's digits on `board` where two of
//     its houses cross;
//   placements, eliminations: its effect, as [cell, digit];
//   where: the place a player looks at first: its first house, else its first pattern
//     cell, else the cell it changes, by name ("box 2", "r4c5").
void stepFields(Writer& out, const logic::Step& step, const logic::Board& board);

// A key and its list of candidates, each as [cell, digit].
void candidateList(Writer& out, std::string_view name, const logic::Candidate* list, int count);

// The fields of a position (into an open object): values, the 81 cells as text ('.'
// for empty), and marks, each cell's candidates (bit d-1 for digit d; 0 when placed).
void boardFields(Writer& out, const logic::Board& board);

// The cells as 81 characters: '1' to '9', '.' for empty (as appendLine writes them).
[[nodiscard]] std::string cellsText(const Cells& cells);

} // namespace sudoku::json
