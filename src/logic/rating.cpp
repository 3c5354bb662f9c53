// Solving with the techniques: the rating, the explanation and the hint of a puzzle.

#include "techniques.h"

#include <algorithm>

namespace sudoku::logic {

using namespace detail;

namespace {

// Applies steps, easiest first, until the grid is full (true) or no technique applies
// (false); hands each step to `seen`.
template <class Seen>
bool solveWith(Board& board, bool uniqueSolution, Seen&& seen)
{
    Step step;
    while (board.emptyCells() > 0) {
        if (!findStep(board, uniqueSolution, step) || !board.apply(step)) {
            return false;
        }
        seen(step);
    }
    return true;
}

// Which scores a rating can have: the weights of the rows' steps, and trial.
constexpr std::array<bool, trialScore + 1> reachable = [] {
    std::array<bool, trialScore + 1> scores{};
    for (const TechniqueRow& row : techniqueRows) {
        for (int weight = row.weights.lowest; weight <= row.weights.highest; weight += row.weights.stride) {
            scores[static_cast<std::size_t>(weight)] = true;
        }
    }
    scores[trialScore] = true;
    return scores;
}();

constexpr int lowestReachable()
{
    int score = 0;
    while (!reachable[static_cast<std::size_t>(score)]) {
        ++score;
    }
    return score;
}

constexpr int highestFinished()
{
    int score = trialScore - 1;
    while (!reachable[static_cast<std::size_t>(score)]) {
        --score;
    }
    return score;
}

static_assert(techniqueRows.back().weights.highest < trialScore,
              "a finished puzzle must score below one that needs trial");
static_assert(lowestReachable() == lowestScore && highestFinished() == highestFinishedScore,
              "lowestScore and highestFinishedScore follow from the technique rows");

} // namespace

std::string_view gradeName(Grade grade)
{
    static constexpr std::array<std::string_view, gradeCount> names{"easy", "medium", "hard", "expert", "extreme"};
    const auto i = static_cast<std::size_t>(grade);
    return i < names.size() ? names[i] : std::string_view{};
}

Grade gradeOf(int score)
{
    if (score <= 25) {
        return Grade::easy;
    }
    if (score < 40) {
        return Grade::medium;
    }
    if (score < 60) {
        return Grade::hard;
    }
    return score < 75 ? Grade::expert : Grade::extreme;
}

namespace {

// The deprecated array is the counts' one place until the next major version drops it.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
void setUses(Rating& rating, const std::array<std::uint16_t, techniqueCount>& counts)
{
    rating.uses = counts;
}

const std::array<std::uint16_t, techniqueCount>& usesOf(const Rating& rating)
{
    return rating.uses;
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The engine's answer for a marked position: its placed digits, and each empty cell's
// candidates as the only digits it may take.
SolveResult solvePosition(const Board& position)
{
    Marks marks{};
    for (int cell = 0; cell < 81; ++cell) {
        marks[static_cast<std::size_t>(cell)] = position.candidates(cell);
    }
    return solveWithMarks(position.values(), marks);
}

// The rating of a puzzle or position from the engine's answer and its board (which
// means nothing unless solved).
Rating rateSolved(const SolveResult& solved, Board board)
{
    Rating rating;
    rating.status = solved.status;
    if (solved.status != Status::solved) {
        return rating;
    }
    if (solved.solutionsUpToTwo > 1) {
        rating.multipleSolutions = true;
        return rating;
    }
    bool placed = false;
    std::array<std::uint16_t, techniqueCount> counts{};
    rating.firstPlacement = trialScore;
    rating.firstStep = trialScore;
    rating.finished = solveWith(board, true, [&](const Step& step) {
        if (rating.steps++ == 0) {
            rating.firstStep = step.weight;
            rating.firstPlacement = 0;
        }
        ++counts[static_cast<std::size_t>(step.technique)];
        if (step.weight > rating.score) {
            rating.score = step.weight;
            rating.hardest = step.technique;
        }
        if (!placed) {
            rating.firstPlacement = std::max<int>(rating.firstPlacement, step.weight);
            placed = step.places;
        }
    });
    if (!rating.finished) {
        rating.score = trialScore;
        rating.firstPlacement = placed ? rating.firstPlacement : trialScore;
    } else if (rating.steps == 0) {
        rating.firstPlacement = 0;
        rating.firstStep = 0;
    }
    rating.grade = gradeOf(rating.score);
    setUses(rating, counts);
    return rating;
}

} // namespace

Rating rate(const Cells& puzzle)
{
    const SolveResult solved = solve(puzzle);
    return rateSolved(solved, solved.status == Status::solved ? *Board::fromPuzzle(puzzle) : Board());
}

Rating rate(const Board& position)
{
    return rateSolved(solvePosition(position), position);
}

bool reachableScore(int score)
{
    return score >= 0 && score <= trialScore && reachable[static_cast<std::size_t>(score)];
}

std::optional<int> reachableScoreAtOrBelow(int score)
{
    for (int s = std::min(score, trialScore); s >= lowestScore; --s) {
        if (reachable[static_cast<std::size_t>(s)]) {
            return s;
        }
    }
    return std::nullopt;
}

std::optional<int> reachableScoreAtOrAbove(int score)
{
    for (int s = std::max(score, lowestScore); s <= trialScore; ++s) {
        if (reachable[static_cast<std::size_t>(s)]) {
            return s;
        }
    }
    return std::nullopt;
}

namespace {

void appendScore(std::string& text, int score)
{
    text += std::to_string(score / 10);
    text += '.';
    text += std::to_string(score % 10);
}

} // namespace

std::string formatRating(const Rating& rating)
{
    if (rating.status != Status::solved) {
        return {};
    }
    if (rating.multipleSolutions) {
        return "multiple solutions";
    }
    std::string text;
    appendScore(text, rating.score);
    text += ' ';
    text += gradeName(rating.grade);
    text += ' ';
    if (!rating.finished) {
        text += "trial";
    } else if (rating.hardest) {
        text += techniqueName(*rating.hardest);
    } else {
        text += "none";
    }
    text += ' ';
    appendScore(text, rating.firstPlacement);
    text += ' ';
    appendScore(text, rating.firstStep);
    return text;
}

int Rating::timesUsed(Technique technique) const
{
    const auto t = static_cast<std::size_t>(technique);
    return t < usesOf(*this).size() ? usesOf(*this)[t] : 0;
}

void GradeCounts::add(const Rating& rating)
{
    if (rating.status != Status::solved) {
        ++unsolvable;
    } else if (rating.multipleSolutions) {
        ++multipleSolutions;
    } else {
        ++grades[static_cast<std::size_t>(rating.grade)];
        unfinished += rating.finished ? 0 : 1;
    }
}

namespace {

// The same for an explanation and a hint. A solved status means a puzzle loads.
void explainSolved(const SolveResult& solved, Board board, Explanation& out)
{
    out.steps.clear();
    out.multipleSolutions = false;
    out.finished = false;
    out.status = solved.status;
    out.solution = solved.solution;
    if (solved.status != Status::solved) {
        return;
    }
    out.multipleSolutions = solved.solutionsUpToTwo > 1;
    out.finished = solveWith(board, !out.multipleSolutions, [&](const Step& step) { out.steps.push_back(step); });
}

Hint hintSolved(const SolveResult& solved, const Board& board)
{
    Hint result;
    result.status = solved.status;
    if (solved.status != Status::solved) {
        return result;
    }
    result.multipleSolutions = solved.solutionsUpToTwo > 1;
    result.full = board.emptyCells() == 0;
    result.found = findStep(board, !result.multipleSolutions, result.step);
    return result;
}

} // namespace

void explain(const Cells& puzzle, Explanation& out)
{
    const SolveResult solved = solve(puzzle);
    explainSolved(solved, solved.status == Status::solved ? *Board::fromPuzzle(puzzle) : Board(), out);
}

void explain(const Board& position, Explanation& out)
{
    explainSolved(solvePosition(position), position, out);
}

Hint hint(const Cells& puzzle)
{
    const SolveResult solved = solve(puzzle);
    return hintSolved(solved, solved.status == Status::solved ? *Board::fromPuzzle(puzzle) : Board());
}

Hint hint(const Board& position)
{
    return hintSolved(solvePosition(position), position);
}

} // namespace sudoku::logic
