#pragma once

// Making new puzzles that have exactly one solution, with a symmetric pattern of
// givens, reproducibly from a seed.
//
// Candidate k of a seed is made by its own random generator, seeded by (seed, k): a
// random full grid, then the givens taken away group by group (a cell and its images
// under the symmetry) in a random order, each group only if the puzzle keeps one
// solution. A run delivers the first N candidates that the caller's filter accepts, in
// candidate order, so the same seed and options give the same puzzles whatever the
// number of threads. The same seed gives the same puzzles within one version of this
// library; a later version may make other ones.

#include <sudoku/cells.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace SUDOKU_API sudoku {

// The pattern of givens: unchanged by a half turn, a quarter turn, a reflection left to
// right, or a reflection across the main diagonal (top left to bottom right).
enum class Symmetry { none, rotate180, rotate90, mirror, diagonal };

// The groups a symmetry maps onto each other: every cell is in exactly one group, of
// 1, 2 or 4 cells (row-major indices, smallest first), groups ordered by first cell.
std::vector<std::vector<int>> symmetryGroups(Symmetry symmetry);

// True when some pattern of that symmetry has exactly `givens` givens (a quarter turn
// keeps only counts of the form 4k or 4k + 1).
bool symmetryAllows(Symmetry symmetry, int givens);

struct CandidateOptions {
    Symmetry symmetry = Symmetry::rotate180;
    // true: every group that can go goes, so the puzzle is minimal for its symmetry
    // (taking away any one group leaves more than one solution). false: taking away
    // stops at the first group that has to stay, which is faster and leaves more givens.
    bool minimal = true;
    // Candidates outside this range of givens are rejected (below the minimum, as soon
    // as taking away goes past it).
    int minGivens = 0;
    int maxGivens = 81;
};

struct Generated {
    std::uint64_t index = 0; // candidate number: the same seed and index give this puzzle
    Cells puzzle{};
    Cells solution{};
    int givens = 0;
    // Set by the caller's filter, carried to delivery: text the caller writes with the
    // puzzle (a rating, say), and a class it counts (a grade, say; -1 for none).
    std::string note;
    int label = -1;
};

// Candidate `index` of `seed`; none when its givens fall outside the options' range.
std::optional<Generated> makeCandidate(std::uint64_t seed, std::uint64_t index, const CandidateOptions& options);

// Decides whether a candidate is kept, and may set its note and label. It runs on the
// worker threads, for candidates that may never be delivered, so it must be safe to call
// from several threads at once and give the same answer for the same puzzle.
using Filter = std::function<bool(Generated&)>;

struct GenerateRequest {
    std::uint64_t seed = 0;
    std::uint64_t count = 1; // puzzles to deliver
    CandidateOptions candidate;
    Filter filter; // empty: every candidate is kept
    unsigned threads = 1;
    // Give up once this many candidates in a row have been rejected, so that a request
    // that cannot be met ends.
    std::uint64_t maxTries = 1'000'000;
    // When it becomes true (a signal handler may set it), the run stops soon after,
    // having delivered every kept puzzle of the candidates finished in order before.
    const std::atomic<bool>* stop = nullptr;
};

enum class GenerateEnd { done, gaveUp, stopped };

struct GenerateResult {
    GenerateEnd end = GenerateEnd::done;
    std::uint64_t made = 0;  // puzzles delivered
    std::uint64_t tried = 0; // candidates up to the last one the outcome depends on
    unsigned threads = 0;    // worker threads that ran; 0 when all ran on the caller's
    std::string startError;  // why fewer threads than asked for started, if so
    bool workersDropped = false; // memory ran out with workers running: the caller went on alone
};

// Called on the calling thread, once per kept puzzle, in candidate order; returning
// false stops the run (a failed write, say), which then ends as `stopped`.
using Deliver = std::function<bool(const Generated&)>;
// Called on the calling thread as work finishes, with the puzzles delivered so far and
// the candidates tried for them.
using Progress = std::function<void(std::uint64_t made, std::uint64_t tried)>;

// Delivers the first `count` kept candidates of `seed`, in order, working on
// `request.threads` threads. Ends done, gave up (after maxTries rejections in a row),
// or stopped. If fewer threads can be started than asked for, it goes on with those,
// or on the calling thread alone; if memory runs out while workers run, it ends them
// and goes on alone. Only when the calling thread itself cannot go on does it throw
// (std::bad_alloc), with every worker ended.
GenerateResult generate(const GenerateRequest& request, const Deliver& deliver, const Progress& progress = {});

} // namespace sudoku
