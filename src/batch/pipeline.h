#pragma once

// Solves batches on worker threads and hands them back in the order they were
// submitted, so that output does not depend on the number of threads: the ordered
// pool (pool/ordered_pool.h) over batches, with all its guarantees. Threads start as
// batches come, so a few records start few threads; at most a few batches per thread
// are in flight, which keeps memory flat for any input size.
//
// No batch is ever lost: if fewer threads can be started than asked for, the pipeline
// works with those that did start, or on the calling thread alone; a batch whose
// processing threw on a worker is processed again on the calling thread, and only an
// exception there leaves submit() or finish().

#include "batch/solve_batch.h"
#include "pool/ordered_pool.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace sudoku {

class BatchPipeline {
public:
    using Step = std::function<void(Batch&)>;

    // `process` runs on the workers (or inline with one thread) and must fill a batch
    // afresh each time it runs; `deliver` runs on the submitting thread, once per batch,
    // in submission order, and must not throw.
    BatchPipeline(unsigned threads, Step process, Step deliver, StartThread start = startThread)
        : pool_(
              threads, [process = std::move(process)](std::unique_ptr<Batch>& batch) { process(*batch); },
              [deliver = std::move(deliver)](std::unique_ptr<Batch>& batch) { deliver(*batch); }, std::move(start))
    {
    }

    // Hands the batch over and sets `batch` to null; if it throws (processing on the
    // calling thread ran out of memory, say), `batch` is still the caller's. Submitting
    // allocates nothing: the slots for batches in flight are made up front.
    void submit(std::unique_ptr<Batch>& batch) { pool_.submit(batch); }
    // Delivers everything still in flight.
    void finish() { pool_.finish(); }
    // Stops the workers, freeing what they hold (their stacks above all), and delivers
    // everything in flight; from then on batches are processed on the calling thread.
    void dropWorkers()
    {
        pool_.dropWorkers();
        pool_.finish();
    }

    // Worker threads running: 0 when everything happens on the calling thread.
    unsigned workers() const { return pool_.workers(); }
    // Worker threads started so far: fewer than asked for with few batches.
    unsigned threadsStarted() const { return pool_.threadsStarted(); }
    // Why a thread asked for could not be started; empty when none failed.
    const std::string& startError() const { return pool_.startError(); }

private:
    OrderedPool<std::unique_ptr<Batch>> pool_;
};

} // namespace sudoku
