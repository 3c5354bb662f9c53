#include "pipeline.h"

#include <exception>

namespace sudoku {

BatchPipeline::BatchPipeline(unsigned threads, Step process, Step deliver, const StartThread& start)
    : process_(std::move(process)), deliver_(std::move(deliver))
{
    // With one thread everything happens inline on the caller's thread.
    if (threads > 1) {
        for (unsigned i = 0; i < threads; ++i) {
            try {
                workers_.push_back(start([this] { work(); }));
            } catch (const std::exception& e) {
                startError_ = e.what();
                break;
            }
        }
    }
    // A few batches per worker keep every worker busy while the caller reads and writes.
    slots_.resize(4 * workers_.size() + 1);
}

BatchPipeline::~BatchPipeline()
{
    stopWorkers();
}

void BatchPipeline::stopWorkers()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (auto& worker : workers_) {
        worker.join(); // a worker ends once every submitted batch has been taken
    }
    workers_.clear();
    stopping_ = false;
}

void BatchPipeline::submit(std::unique_ptr<Batch>& batch)
{
    if (workers_.empty()) {
        process_(*batch);
        deliver_(*batch);
        batch.reset();
        return;
    }
    deliverReady(slots_.size() - 1); // makes room for one more
    {
        std::lock_guard lock(mutex_);
        Slot& next = slot(submitted_);
        next.batch = std::move(batch);
        next.done = false;
        next.failed = false;
        ++submitted_;
    }
    workReady_.notify_one();
}

void BatchPipeline::finish()
{
    deliverReady(0);
}

void BatchPipeline::dropWorkers()
{
    stopWorkers();
    finish();
}

// Delivers finished batches from the oldest; waits while more than `keepAtMost` are in
// flight. A batch that failed on a worker is processed here; if that throws too, it
// stays in flight, first in line.
void BatchPipeline::deliverReady(std::uint64_t keepAtMost)
{
    std::unique_lock lock(mutex_);
    while (submitted_ > delivered_) {
        Slot& oldest = slot(delivered_);
        if (!oldest.done) {
            if (submitted_ - delivered_ <= keepAtMost) {
                return;
            }
            slotDone_.wait(lock, [&oldest] { return oldest.done; });
        }
        lock.unlock();
        if (oldest.failed) {
            process_(*oldest.batch);
            oldest.failed = false;
        }
        deliver_(*oldest.batch);
        oldest.batch.reset();
        lock.lock();
        ++delivered_;
    }
}

void BatchPipeline::work()
{
    for (;;) {
        Slot* taken = nullptr;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [this] { return stopping_ || started_ < submitted_; });
            if (started_ == submitted_) {
                return;
            }
            taken = &slot(started_++);
        }
        bool failed = false;
        try {
            process_(*taken->batch);
        } catch (...) {
            failed = true; // done again on the delivering thread
        }
        {
            std::lock_guard lock(mutex_);
            taken->done = true;
            taken->failed = failed;
        }
        slotDone_.notify_all();
    }
}

} // namespace sudoku
