#include "rating.h"

namespace sudoku {

std::optional<Grade> parseGrade(std::string_view name)
{
    for (int g = 0; g < gradeCount; ++g) {
        if (name == logic::gradeName(static_cast<Grade>(g))) {
            return static_cast<Grade>(g);
        }
    }
    return std::nullopt;
}

std::string gradeName(Grade grade)
{
    return std::string(logic::gradeName(grade));
}

Rating rate(const Cells& puzzle)
{
    const logic::Rating rating = logic::rate(puzzle);
    return {rating.score / 10.0, rating.grade, logic::formatRating(rating)};
}

} // namespace sudoku
