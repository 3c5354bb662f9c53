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
#include <string_view>
#include <vector>

namespace SUDOKU_API sudoku {
namespace logic {
enum class Grade : std::uint8_t; // <sudoku/logic.h>
} // namespace logic

// The pattern of givens: unchanged by a half turn, a quarter turn, a reflection left to
// right, or a reflection across the main diagonal (top left to bottom right).
enum class Symmetry { none, rotate180, rotate90, mirror, diagonal };

// The symmetry's one name, as sudoku-generate's --symmetry takes it: "none",
// "rotate180", "rotate90", "mirror" or "diagonal"; "" outside the enumeration.
[[nodiscard]] std::string_view symmetryName(Symmetry symmetry);

// The symmetry with that name (exactly, lowercase), or none.
[[nodiscard]] std::optional<Symmetry> symmetryFromName(std::string_view name);

// The groups a symmetry maps onto each other: every cell is in exactly one group, of
// 1, 2 or 4 cells (row-major indices, smallest first), groups ordered by first cell.
// `symmetry` must be one of the five above, here and in symmetryAllows.
[[nodiscard]] std::vector<std::vector<int>> symmetryGroups(Symmetry symmetry);

// True when some pattern of that symmetry has exactly `givens` givens (a quarter turn
// keeps only counts of the form 4k or 4k + 1); false for a count outside 0 to 81.
[[nodiscard]] bool symmetryAllows(Symmetry symmetry, int givens);

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

// The pragmas keep compilers from warning about the deprecated member where they make
// the implicit constructors, in every file that makes a Generated.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
struct Generated {
    std::uint64_t index = 0; // candidate number: the same seed and index give this puzzle
    Cells puzzle{};
    Cells solution{};
    int givens = 0;
    // The grade the caller's filter gives the puzzle, carried to delivery to be counted:
    // a logic::Grade as a number, say, or a class of the caller's own; -1 for none.
    // Anything else the caller keeps of a candidate (the text of its rating, say) it
    // keeps itself, under the candidate's index.
    int grade = -1;
    // The old name of `grade`. A filter may set either; delivery sees both equal
    // (`grade` when the filter set both).
    [[deprecated("use grade")]] int label = -1;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Candidate `index` of `seed`; none when its givens fall outside the options' range.
// The same arguments give the same candidate; safe to call from several threads at once.
[[nodiscard]] std::optional<Generated> makeCandidate(std::uint64_t seed, std::uint64_t index,
                                                     const CandidateOptions& options);

// Decides whether a candidate is kept, and may set its grade. It runs on the worker
// threads, for candidates that may never be delivered, and may run twice on one (when a
// run goes on after memory ran out), so it must be safe to call from several threads at
// once and give the same answer for the same puzzle. An exception it throws on a worker
// has the candidate's chunk made again on the calling thread; std::bad_alloc there,
// with workers running, ends them and has it made once more; anything else there
// leaves generate().
using Filter = std::function<bool(Generated&)>;

// The filter that keeps the candidates the logical solver grades `grade` (as
// logic::rate() and `sudoku-solve --rate` grade them) and sets their grade to it: what
// `sudoku-generate --grade` asks for. Safe on several threads at once.
[[nodiscard]] Filter gradeFilter(logic::Grade grade);

struct GenerateRequest {
    std::uint64_t seed = 0;
    std::uint64_t count = 1; // puzzles to deliver
    CandidateOptions candidate;
    Filter filter; // empty: every candidate is kept
    // Threads to work on, at most: workers start only as chunks of candidates are handed
    // out, and chunks go out no faster than one more ahead for each one delivered, so a
    // run that needs few candidates starts few threads. 0 or 1: the calling thread alone.
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
    std::uint64_t made = 0;      // puzzles delivered
    std::uint64_t tried = 0;     // candidates up to the last one the outcome depends on
    unsigned threads = 0;        // worker threads started; 0 when all ran on the caller's
    std::string startError;      // why fewer threads than asked for started, if so
    bool workersDropped = false; // memory ran out with workers running: the caller went on alone
};

// Called on the calling thread, once per kept puzzle, in candidate order; returning
// false stops the run (a failed write, say), which then ends as `stopped`. An exception
// it throws ends the run and leaves generate() once every worker has ended.
using Deliver = std::function<bool(const Generated&)>;
// Called on the calling thread as work finishes, with the puzzles delivered so far and
// the candidates tried for them. An exception it throws is handled as deliver's.
using Progress = std::function<void(std::uint64_t made, std::uint64_t tried)>;

// Delivers the first `count` kept candidates of `seed`, in order, working on at most
// `request.threads` threads. Ends done, gave up (after maxTries rejections in a row),
// or stopped. If fewer threads can be started than asked for, it goes on with those,
// or on the calling thread alone; if memory runs out while workers run, it ends them
// and goes on alone. Only when the calling thread itself cannot go on does it throw
// (std::bad_alloc, or what the filter or deliver threw there), with every worker
// ended. A caller whose deliver counts what arrives may ignore the result; others
// check its `end`.
GenerateResult generate(const GenerateRequest& request, const Deliver& deliver, const Progress& progress = {});

} // namespace sudoku
