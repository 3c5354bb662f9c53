// The pipeline must deliver every batch, in order, whatever happens to its threads.

#include "batch/pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using sudoku::Batch;
using sudoku::BatchPipeline;

// Starts the first `allowed` threads, then fails as std::thread does when the system
// has no more to give.
BatchPipeline::StartThread startAtMost(unsigned allowed)
{
    return [allowed, started = 0u](std::function<void()> run) mutable {
        if (started == allowed) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        ++started;
        return std::thread(std::move(run));
    };
}

// Submits `count` batches; each is "processed" into its own number and delivered into
// the returned list.
std::vector<std::string> runBatches(BatchPipeline& pipeline, std::vector<std::string>& delivered, int count)
{
    for (int i = 0; i < count; ++i) {
        auto batch = std::make_unique<Batch>();
        batch->firstIndex = static_cast<std::uint64_t>(i);
        pipeline.submit(batch);
    }
    pipeline.finish();
    return delivered;
}

std::vector<std::string> numbers(int count)
{
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(std::to_string(i));
    }
    return out;
}

void processInto(Batch& batch)
{
    batch.out = std::to_string(batch.firstIndex);
}

struct StartCase {
    unsigned asked;
    unsigned allowed;
    unsigned expectedWorkers;
    friend void PrintTo(const StartCase& c, std::ostream* out) { *out << c.allowed << " of " << c.asked; }
};

class ThreadsThatCannotStart : public testing::TestWithParam<StartCase> {};

TEST_P(ThreadsThatCannotStart, LeaveTheOthersToDoEveryBatch)
{
    const StartCase c = GetParam();
    std::vector<std::string> delivered;
    BatchPipeline pipeline(
        c.asked, processInto, [&delivered](Batch& b) { delivered.push_back(b.out); }, startAtMost(c.allowed));
    EXPECT_EQ(pipeline.workers(), c.expectedWorkers);
    EXPECT_EQ(pipeline.startError().empty(), c.allowed >= c.asked);
    EXPECT_EQ(runBatches(pipeline, delivered, 50), numbers(50));
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadsThatCannotStart,
                         testing::Values(StartCase{4, 0, 0}, StartCase{8, 2, 2}, StartCase{3, 3, 3}),
                         [](const testing::TestParamInfo<StartCase>& param) {
                             return "Asked" + std::to_string(param.param.asked) + "Started" +
                                    std::to_string(param.param.allowed);
                         });

TEST(BatchPipeline, RedoesABatchThatThrewOnAWorker)
{
    const auto caller = std::this_thread::get_id();
    std::atomic<int> thrown{0};
    std::vector<std::string> delivered;
    BatchPipeline pipeline(
        3,
        [&](Batch& b) {
            if (std::this_thread::get_id() != caller && b.firstIndex % 3 == 0) {
                ++thrown;
                throw std::bad_alloc();
            }
            processInto(b);
        },
        [&delivered](Batch& b) { delivered.push_back(b.out); });
    EXPECT_EQ(runBatches(pipeline, delivered, 30), numbers(30));
    EXPECT_EQ(thrown.load(), 10);
}

// Processing that fails on the calling thread too reaches the caller, who still holds
// the batch and can hand it over again; nothing delivered is lost or repeated.
TEST(BatchPipeline, AFailureOnTheCallingThreadLeavesTheBatchWithTheCaller)
{
    for (const unsigned threads : {1u, 2u}) {
        std::vector<std::string> delivered;
        bool fail = true;
        BatchPipeline pipeline(
            threads,
            [&fail](Batch& b) {
                if (b.firstIndex == 5 && fail) {
                    throw std::bad_alloc();
                }
                processInto(b);
            },
            [&delivered](Batch& b) { delivered.push_back(b.out); });
        for (int i = 0; i < 10; ++i) {
            auto batch = std::make_unique<Batch>();
            batch->firstIndex = static_cast<std::uint64_t>(i);
            try {
                pipeline.submit(batch);
                pipeline.finish();
            } catch (const std::bad_alloc&) {
                EXPECT_EQ(delivered, numbers(5)) << threads << " threads";
                fail = false;
                if (batch) { // inline: the batch itself failed and is still ours
                    pipeline.submit(batch);
                }
                pipeline.finish(); // with workers: the failed batch is first in line
            }
            EXPECT_EQ(batch, nullptr);
        }
        EXPECT_EQ(delivered, numbers(10)) << threads << " threads";
    }
}

// Dropping the workers midway (as when memory runs out) delivers what they hold, and
// the rest is done on the calling thread, in order.
TEST(BatchPipeline, GoesOnAloneAfterDroppingItsWorkers)
{
    std::vector<std::string> delivered;
    BatchPipeline pipeline(3, processInto, [&delivered](Batch& b) { delivered.push_back(b.out); });
    for (int i = 0; i < 40; ++i) {
        if (i == 17) {
            pipeline.dropWorkers();
            EXPECT_EQ(pipeline.workers(), 0u);
        }
        auto batch = std::make_unique<Batch>();
        batch->firstIndex = static_cast<std::uint64_t>(i);
        pipeline.submit(batch);
    }
    pipeline.finish();
    EXPECT_EQ(delivered, numbers(40));
}

} // namespace
