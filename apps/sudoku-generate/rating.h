#pragma once

// The difficulty rating that --grade, --score and --rate use: the rater of
// `sudoku-solve --rate`. This file is the one place the generator meets it.

#include <sudoku/cells.h>

#include <optional>
#include <string>
#include <string_view>

namespace sudoku {

enum class Grade { easy, medium, hard, expert, extreme };
inline constexpr int gradeCount = 5;

struct Rating {
    double score = 0.0; // 0.0 for a full grid; the grade follows from it
    Grade grade = Grade::easy;
    std::string technique; // the hardest technique used
};

// The grade named `name` (easy, medium, hard, expert, extreme), or none.
std::optional<Grade> parseGrade(std::string_view name);
const char* gradeName(Grade grade);

// False in a build without the rater: the program then refuses --grade, --score and
// --rate.
bool ratingAvailable();

// The rating of a puzzle that has exactly one solution. Safe to call from several
// threads at once.
Rating rate(const Cells& puzzle);

} // namespace sudoku
