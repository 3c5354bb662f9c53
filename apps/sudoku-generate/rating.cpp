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

void RatingTexts::put(std::uint64_t index, const std::string& text)
{
    std::lock_guard lock(mutex_);
    byIndex_.insert_or_assign(index, text); // a chunk made again puts the same text again
}

std::string RatingTexts::take(std::uint64_t index)
{
    std::lock_guard lock(mutex_);
    const auto found = byIndex_.find(index);
    if (found == byIndex_.end()) {
        return {};
    }
    std::string text = std::move(found->second);
    byIndex_.erase(found);
    return text;
}

} // namespace sudoku
