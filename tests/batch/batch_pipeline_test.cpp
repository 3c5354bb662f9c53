// The pipeline is the ordered pool over batches (the pool's own test covers its
// guarantees): batches come back in order, and dropping the workers delivers what was
// in flight, as sudoku-solve expects before it says that it goes on with one thread.

#include "batch/pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using sudoku::Batch;
using sudoku::BatchPipeline;

std::vector<std::string> numbers(int from, int to)
{
    std::vector<std::string> out;
    for (int i = from; i < to; ++i) {
        out.push_back(std::to_string(i));
    }
    return out;
}

void processInto(Batch& batch)
{
    batch.out = std::to_string(batch.firstIndex);
}

void submitRange(BatchPipeline& pipeline, int from, int to)
{
    for (int i = from; i < to; ++i) {
        auto batch = std::make_unique<Batch>();
        batch->firstIndex = static_cast<std::uint64_t>(i);
        pipeline.submit(batch);
        EXPECT_EQ(batch, nullptr);
    }
}

TEST(BatchPipeline, DeliversBatchesInOrderWhateverStarts)
{
    const sudoku::StartThread startOne = [started = 0](std::function<void()> run) mutable {
        if (started++ == 1) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return std::thread(std::move(run));
    };
    for (const bool oneStarts : {false, true}) {
        std::vector<std::string> delivered;
        BatchPipeline pipeline(
            4, processInto, [&delivered](Batch& b) { delivered.push_back(b.out); },
            oneStarts ? startOne : sudoku::StartThread(sudoku::startThread));
        submitRange(pipeline, 0, 50);
        pipeline.finish();
        EXPECT_EQ(delivered, numbers(0, 50));
        EXPECT_LE(pipeline.threadsStarted(), oneStarts ? 1u : 4u);
    }
}

TEST(BatchPipeline, DroppingTheWorkersDeliversWhatWasInFlight)
{
    std::vector<std::string> delivered;
    BatchPipeline pipeline(3, processInto, [&delivered](Batch& b) { delivered.push_back(b.out); });
    submitRange(pipeline, 0, 17);
    pipeline.dropWorkers();
    EXPECT_EQ(pipeline.workers(), 0u);
    EXPECT_EQ(delivered, numbers(0, 17));
    submitRange(pipeline, 17, 40);
    pipeline.finish();
    EXPECT_EQ(delivered, numbers(0, 40));
}

} // namespace
