#include "rating.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

std::string unreachableScores(double low, double high)
{
    // The tenths in the range, held near the scale so that the conversion cannot overflow.
    const auto tenths = [](double value) { return std::clamp(value * 10, -1.0, logic::trialScore + 1.0); };
    const int first = static_cast<int>(std::ceil(tenths(low) - 1e-9));
    const int last = static_cast<int>(std::floor(tenths(high) + 1e-9));
    const std::optional<int> above = logic::reachableScoreAtOrAbove(first);
    if (above && *above <= last) {
        return {};
    }
    const std::optional<int> below = logic::reachableScoreAtOrBelow(last);
    const auto decimal = [](int score) { return std::to_string(score / 10) + "." + std::to_string(score % 10); };
    // The bounds as scores are written, with their one decimal (6.0, not 6), unless
    // they hold more.
    const auto shown = [](double value) {
        char text[40];
        const double inTenths = value * 10;
        const bool oneDecimal = std::abs(value) < 1000 && std::abs(inTenths - std::round(inTenths)) < 1e-9;
        std::snprintf(text, sizeof text, oneDecimal ? "%.1f" : "%g", value);
        return std::string(text);
    };
    std::string text = "no puzzle scores " + (low == high ? shown(low) : "from " + shown(low) + " to " + shown(high));
    if (below && above) {
        return text + ": the nearest scores a puzzle can have are " + decimal(*below) + " and " + decimal(*above);
    }
    return text + ": the nearest score a puzzle can have is " + decimal(below ? *below : *above);
}

} // namespace sudoku
