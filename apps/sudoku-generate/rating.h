#pragma once

// The difficulty rating that --grade, --score and --rate use: the rater of
// `sudoku-solve --rate`, from the logical solver.

#include <sudoku/cells.h>
#include <sudoku/logic.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

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

// The rating texts of kept candidates by candidate index, from the filter, which puts
// them on the worker threads, to delivery, which takes them on the calling thread.
// Candidates kept past the end of a run leave theirs: a few per thread at most.
class RatingTexts {
public:
    void put(std::uint64_t index, const std::string& text);
    // The text put for `index`, taken out; "" when there is none.
    std::string take(std::uint64_t index);

private:
    std::mutex mutex_;
    std::unordered_map<std::uint64_t, std::string> byIndex_;
};

// Why no puzzle can score from `low` to `high` (scores have one decimal, and the scale
// has gaps), naming the nearest scores a puzzle can have; "" when some puzzle may.
std::string unreachableScores(double low, double high);

} // namespace sudoku
