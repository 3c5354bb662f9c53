#pragma once

// The difficulty rating that --grade, --score and --rate use: the rater of
// `sudoku-solve --rate`, from the logical solver.

#include <sudoku/cells.h>
#include <sudoku/logic.h>

#include <optional>
#include <string>
#include <string_view>

namespace sudoku {

using logic::Grade;
inline constexpr int gradeCount = logic::gradeCount;

struct Rating {
    double score = 0.0; // 0.0 for a full grid; the grade follows from it
    Grade grade = Grade::easy;
    std::string text; // as sudoku-solve --rate writes it: "4.2 hard xy-wing"
};

// The grade named `name` (easy, medium, hard, expert, extreme), or none.
std::optional<Grade> parseGrade(std::string_view name);
std::string gradeName(Grade grade);

// The rating of a puzzle that has exactly one solution. Safe to call from several
// threads at once.
Rating rate(const Cells& puzzle);

// Why no puzzle can score from `low` to `high` (scores have one decimal, and the scale
// has gaps), naming the nearest scores a puzzle can have; "" when some puzzle may.
std::string unreachableScores(double low, double high);

} // namespace sudoku
