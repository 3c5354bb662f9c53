#pragma once

// Solves batches on worker threads and hands them back in the order they were
// submitted, so that output does not depend on the number of threads. At most a few
// batches per thread are in flight, which keeps memory flat for any input size.
//
// No batch is ever lost: if fewer threads can be started than asked for, the pipeline
// works with those that did start, or on the calling thread alone; a batch whose
// processing threw on a worker is processed again on the calling thread, and only an
// exception there leaves submit() or finish().

#include "solve_batch.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sudoku {

class BatchPipeline {
public:
    using Step = std::function<void(Batch&)>;
    // Starts a thread running the given function; throws (as std::thread does) when it
    // cannot.
    using StartThread = std::function<std::thread(std::function<void()>)>;

    static std::thread startThread(std::function<void()> run) { return std::thread(std::move(run)); }

    // `process` runs on the workers (or inline with one thread) and must fill a batch
    // afresh each time it runs; `deliver` runs on the submitting thread, once per batch,
    // in submission order, and must not throw.
    BatchPipeline(unsigned threads, Step process, Step deliver, const StartThread& start = startThread);
    ~BatchPipeline();
    BatchPipeline(const BatchPipeline&) = delete;
    BatchPipeline& operator=(const BatchPipeline&) = delete;

    // Hands the batch over and sets `batch` to null; if it throws (processing on the
    // calling thread ran out of memory, say), `batch` is still the caller's. Submitting
    // allocates nothing: the slots for batches in flight are made up front.
    void submit(std::unique_ptr<Batch>& batch);
    // Delivers everything still in flight.
    void finish();
    // Delivers everything in flight and stops the workers, freeing what they hold (their
    // stacks above all); from then on batches are processed on the calling thread.
    void dropWorkers();

    // Worker threads running: 0 when everything happens on the calling thread.
    unsigned workers() const { return static_cast<unsigned>(workers_.size()); }
    // Why fewer threads than asked for were started; empty when all were.
    const std::string& startError() const { return startError_; }

private:
    struct Slot {
        std::unique_ptr<Batch> batch;
        bool done = false;
        bool failed = false; // processing threw on a worker
    };

    void work();
    void deliverReady(std::uint64_t keepAtMost);
    void stopWorkers();
    Slot& slot(std::uint64_t sequence) { return slots_[sequence % slots_.size()]; }

    Step process_;
    Step deliver_;
    // Batch n (counted from 0 in submission order) lives in slot n % slots_.size() from
    // its submission to its delivery; workers take them in order.
    std::vector<Slot> slots_;
    std::uint64_t submitted_ = 0;
    std::uint64_t started_ = 0;
    std::uint64_t delivered_ = 0;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable slotDone_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
    std::string startError_;
};

} // namespace sudoku
