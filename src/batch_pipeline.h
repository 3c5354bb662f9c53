#pragma once

// Solves batches on worker threads and hands them back in the order they were
// submitted, so that output does not depend on the number of threads. At most a few
// batches per thread are in flight, which keeps memory flat for any input size.

#include "solve_batch.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sudoku {

class BatchPipeline {
public:
    using Step = std::function<void(Batch&)>;

    // `process` runs on the workers (or inline with one thread); `deliver` runs on
    // the submitting thread, once per batch, in submission order.
    BatchPipeline(unsigned threads, Step process, Step deliver);
    ~BatchPipeline();
    BatchPipeline(const BatchPipeline&) = delete;
    BatchPipeline& operator=(const BatchPipeline&) = delete;

    void submit(std::unique_ptr<Batch> batch);
    // Delivers everything still in flight.
    void finish();

private:
    struct Slot {
        std::unique_ptr<Batch> batch;
        bool done = false;
    };

    void work();
    void deliverReady(std::size_t keepAtMost);

    Step process_;
    Step deliver_;
    std::size_t maxInFlight_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable slotDone_;
    std::deque<std::shared_ptr<Slot>> inOrder_;
    std::deque<std::shared_ptr<Slot>> todo_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace sudoku
