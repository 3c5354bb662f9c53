// The generator: every puzzle checked with the engine's counter (one solution, minimal
// for its symmetry, the pattern symmetric), and runs checked against the candidates
// made one by one: order, filtering and giving up do not depend on the threads.

#include <sudoku/engine.h>
#include <sudoku/generate.h>
#include <sudoku/logic.h>

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using sudoku::Generated;
using sudoku::GenerateEnd;
using sudoku::GenerateRequest;
using sudoku::Symmetry;

// Where each symmetry sends cell (r, c), written out here rather than taken from the
// library.
int image(Symmetry symmetry, int cell)
{
    const int r = cell / 9;
    const int c = cell % 9;
    switch (symmetry) {
    case Symmetry::rotate180: return (8 - r) * 9 + (8 - c);
    case Symmetry::rotate90: return c * 9 + (8 - r);
    case Symmetry::mirror: return r * 9 + (8 - c);
    case Symmetry::diagonal: return c * 9 + r;
    case Symmetry::none: break;
    }
    return cell;
}

bool oneSolution(const sudoku::Cells& puzzle)
{
    return sudoku::countSolutions(puzzle, 2).count == 1;
}

void expectGoodPuzzle(const Generated& made, Symmetry symmetry, bool minimal)
{
    const sudoku::SolveResult solved = sudoku::solve(made.puzzle);
    ASSERT_EQ(solved.solutionsUpToTwo, 1) << made.index;
    EXPECT_EQ(solved.solution, made.solution) << made.index;
    int givens = 0;
    for (int cell = 0; cell < 81; ++cell) {
        const auto at = static_cast<std::size_t>(cell);
        givens += made.puzzle[at] != 0 ? 1 : 0;
        EXPECT_EQ(made.puzzle[at] != 0, made.puzzle[static_cast<std::size_t>(image(symmetry, cell))] != 0)
            << "candidate " << made.index << ", cell " << cell;
    }
    EXPECT_EQ(givens, made.givens);
    if (!minimal) {
        return;
    }
    for (const std::vector<int>& group : sudoku::symmetryGroups(symmetry)) {
        if (made.puzzle[static_cast<std::size_t>(group[0])] == 0) {
            continue;
        }
        sudoku::Cells fewer = made.puzzle;
        for (const int cell : group) {
            fewer[static_cast<std::size_t>(cell)] = 0;
        }
        EXPECT_FALSE(oneSolution(fewer)) << "candidate " << made.index << ": group of cell " << group[0] << " can go";
    }
}

std::vector<Generated> run(const GenerateRequest& request, sudoku::GenerateResult* result = nullptr)
{
    std::vector<Generated> made;
    const sudoku::GenerateResult r = sudoku::generate(request, [&made](const Generated& puzzle) {
        made.push_back(puzzle);
        return true;
    });
    if (result != nullptr) {
        *result = r;
    }
    return made;
}

class GenerateWithSymmetry : public testing::TestWithParam<Symmetry> {};

TEST_P(GenerateWithSymmetry, PuzzlesHaveOneSolutionAndAreMinimalForTheSymmetry)
{
    for (const bool minimal : {true, false}) {
        GenerateRequest request;
        request.seed = 2026;
        request.count = 40;
        request.threads = 2;
        request.candidate.symmetry = GetParam();
        request.candidate.minimal = minimal;
        const std::vector<Generated> made = run(request);
        ASSERT_EQ(made.size(), 40u);
        int givens = 0;
        for (const Generated& puzzle : made) {
            expectGoodPuzzle(puzzle, GetParam(), minimal);
            givens += puzzle.givens;
        }
        // Without the pass puzzles keep givens that could go.
        EXPECT_EQ(givens > 40 * 35, !minimal) << givens / 40 << " givens on average";
    }
}

INSTANTIATE_TEST_SUITE_P(Each, GenerateWithSymmetry,
                         testing::Values(Symmetry::none, Symmetry::rotate180, Symmetry::rotate90, Symmetry::mirror,
                                         Symmetry::diagonal));

// A made-up rater: the score is the number of givens over ten.
bool scoreBetween26And28(Generated& made)
{
    const double score = made.givens / 10.0;
    made.grade = made.givens % 3;
    return score >= 2.6 && score <= 2.8;
}

TEST(Generate, DeliversTheFirstKeptCandidatesInOrderWhateverTheThreads)
{
    GenerateRequest request;
    request.seed = 77;
    request.count = 100;
    request.candidate.minGivens = 27;
    request.candidate.maxGivens = 30;
    request.filter = scoreBetween26And28;
    // The candidates one by one, as the run is meant to see them; the givens range
    // (27 to 30) and the filter (26 to 28) leave 27 and 28.
    std::vector<Generated> expected;
    std::uint64_t index = 0;
    for (; expected.size() < request.count; ++index) {
        if (auto made = sudoku::makeCandidate(request.seed, index, request.candidate); made && request.filter(*made)) {
            expected.push_back(*made);
        }
    }
    ASSERT_GT(index, request.count) << "the filter should reject some candidates";
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        request.threads = threads;
        sudoku::GenerateResult result;
        const std::vector<Generated> made = run(request, &result);
        ASSERT_EQ(made.size(), expected.size()) << threads << " threads";
        for (std::size_t i = 0; i < made.size(); ++i) {
            EXPECT_TRUE(made[i].givens >= 27 && made[i].givens <= 28) << made[i].givens;
            EXPECT_EQ(made[i].index, expected[i].index) << threads << " threads";
            EXPECT_EQ(made[i].puzzle, expected[i].puzzle) << threads << " threads";
            EXPECT_EQ(made[i].grade, expected[i].grade) << threads << " threads";
        }
        EXPECT_EQ(result.end, GenerateEnd::done);
        EXPECT_EQ(result.made, 100u);
        EXPECT_EQ(result.tried, index);
    }
    request.seed = 78;
    EXPECT_NE(run(request)[0].puzzle, expected[0].puzzle) << "another seed, other puzzles";
}

// Threads start as chunks go out, and chunks go out as earlier ones come back: a run
// that needs one chunk starts one thread, however many it may use.
TEST(Generate, StartsNoMoreThreadsThanTheRunNeeds)
{
    GenerateRequest request;
    request.seed = 5;
    request.threads = 64;
    sudoku::GenerateResult result;
    EXPECT_EQ(run(request, &result).size(), 1u);
    EXPECT_EQ(result.threads, 1u);
    EXPECT_TRUE(result.startError.empty());

    request.count = 3000;
    request.threads = 4;
    EXPECT_EQ(run(request, &result).size(), 3000u);
    EXPECT_GT(result.threads, 1u);
    EXPECT_LE(result.threads, 4u);
}

// A filter written for the old name of the grade still counts: delivery sees both.
TEST(Generate, KeepsTheGradeAndItsOldNameEqual)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GenerateRequest request;
    request.count = 6;
    for (const bool oldName : {false, true}) {
        request.filter = [oldName](Generated& made) {
            (oldName ? made.label : made.grade) = static_cast<int>(made.index % 4);
            return true;
        };
        for (const Generated& made : run(request)) {
            EXPECT_EQ(made.grade, static_cast<int>(made.index % 4)) << oldName;
            EXPECT_EQ(made.label, made.grade) << oldName;
        }
    }
#pragma GCC diagnostic pop
}

// The grade filter keeps exactly the candidates the logical solver grades so, in order:
// each grade's first puzzles are the first candidates of that grade.
TEST(Generate, GradeFilterKeepsTheFirstCandidatesOfItsGrade)
{
    using sudoku::logic::Grade;
    for (const Grade grade : {Grade::easy, Grade::medium, Grade::hard}) {
        GenerateRequest request;
        request.seed = 7;
        request.count = 2;
        request.filter = sudoku::gradeFilter(grade);
        const std::vector<Generated> kept = run(request);
        ASSERT_EQ(kept.size(), 2u) << sudoku::logic::gradeName(grade);
        std::vector<std::uint64_t> expected;
        for (std::uint64_t index = 0; expected.size() < 2; ++index) {
            const auto made = sudoku::makeCandidate(request.seed, index, request.candidate);
            if (made && sudoku::logic::rate(made->puzzle).grade == grade) {
                expected.push_back(index);
            }
        }
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(kept[i].index, expected[i]) << sudoku::logic::gradeName(grade);
            EXPECT_EQ(kept[i].grade, static_cast<int>(grade));
        }
    }
}

TEST(Generate, NamesEachSymmetryAsTheProgramTakesIt)
{
    const std::vector<std::pair<Symmetry, std::string>> names = {{Symmetry::none, "none"},
                                                                 {Symmetry::rotate180, "rotate180"},
                                                                 {Symmetry::rotate90, "rotate90"},
                                                                 {Symmetry::mirror, "mirror"},
                                                                 {Symmetry::diagonal, "diagonal"}};
    for (const auto& [symmetry, name] : names) {
        EXPECT_EQ(sudoku::symmetryName(symmetry), name);
        EXPECT_EQ(sudoku::symmetryFromName(name), symmetry) << name;
    }
    for (const char* unknown : {"", "Mirror", "rotate", "rotate1800", "mirror "}) {
        EXPECT_EQ(sudoku::symmetryFromName(unknown), std::nullopt) << unknown;
    }
    EXPECT_EQ(sudoku::symmetryName(static_cast<Symmetry>(5)), "");
}

// Giving up counts rejections since the last kept candidate, the same on any threads:
// 29 in a row (4 to 32) are fine, the 30th in a row (34 to 63) ends the run.
TEST(Generate, GivesUpAfterTooManyRejectionsInARow)
{
    GenerateRequest request;
    request.count = 5;
    request.maxTries = 30;
    request.filter = [](const Generated& made) { return made.index == 3 || made.index == 33 || made.index == 64; };
    for (const unsigned threads : {1u, 3u}) {
        request.threads = threads;
        sudoku::GenerateResult result;
        const std::vector<Generated> made = run(request, &result);
        EXPECT_EQ(result.end, GenerateEnd::gaveUp);
        ASSERT_EQ(made.size(), 2u);
        EXPECT_EQ(made[1].index, 33u);
        EXPECT_EQ(result.made, 2u);
        EXPECT_EQ(result.tried, 64u);
    }
}

TEST(Generate, StopsWhenAskedOrWhenDeliveryFails)
{
    GenerateRequest request;
    request.seed = 9;
    request.count = 100000;
    request.threads = 2;
    std::atomic<bool> stop{false};
    request.stop = &stop;
    std::vector<Generated> made;
    sudoku::GenerateResult result = sudoku::generate(request, [&](const Generated& puzzle) {
        made.push_back(puzzle);
        if (made.size() == 5) {
            stop = true;
        }
        return true;
    });
    EXPECT_EQ(result.end, GenerateEnd::stopped);
    EXPECT_EQ(result.made, made.size());
    ASSERT_GE(made.size(), 5u);
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(made[i].index, i) << "every candidate is kept, so each is delivered in turn";
    }

    request.stop = nullptr;
    int calls = 0;
    result = sudoku::generate(request, [&calls](const Generated&) { return ++calls < 3; });
    EXPECT_EQ(result.end, GenerateEnd::stopped);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(result.made, 2u);
}

// What deliver throws ends the run and reaches the caller; it is not taken for memory
// running out while making candidates, which would deliver puzzles again.
TEST(Generate, AnExceptionFromDeliverEndsTheRun)
{
    GenerateRequest request;
    request.count = 50;
    request.threads = 3;
    int calls = 0;
    EXPECT_THROW(sudoku::generate(request,
                                  [&calls](const Generated&) {
                                      if (++calls == 3) {
                                          throw std::bad_alloc();
                                      }
                                      return true;
                                  }),
                 std::bad_alloc);
    EXPECT_EQ(calls, 3);
}

// Running out of memory loses no candidate: a chunk that failed on a worker is made
// again by the caller, and when the caller fails too the workers are dropped and the
// caller goes on alone. Either way the puzzles are those of one thread.
TEST(Generate, RunningOutOfMemoryChangesNothingDelivered)
{
    GenerateRequest request;
    request.seed = 21;
    request.count = 40;
    const std::vector<Generated> alone = run(request);

    const auto caller = std::this_thread::get_id();
    for (const bool callerFailsToo : {false, true}) {
        std::atomic<int> failures{0};
        int callerFailures = 0; // the caller fails once, if at all
        request.threads = 3;
        request.filter = [&](Generated& made) {
            const bool onWorker = std::this_thread::get_id() != caller;
            if (made.index % 7 == 3 && (onWorker || (callerFailsToo && callerFailures++ == 0))) {
                ++failures;
                throw std::bad_alloc();
            }
            return true;
        };
        sudoku::GenerateResult result;
        const std::vector<Generated> made = run(request, &result);
        ASSERT_EQ(made.size(), alone.size()) << callerFailsToo;
        for (std::size_t i = 0; i < made.size(); ++i) {
            EXPECT_EQ(made[i].puzzle, alone[i].puzzle) << "puzzle " << i;
        }
        EXPECT_GT(failures.load(), 0);
        EXPECT_EQ(result.workersDropped, callerFailsToo);
    }
}

} // namespace
