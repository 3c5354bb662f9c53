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
    maxInFlight_ = 4 * workers_.size();
}

BatchPipeline::~BatchPipeline()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (auto& worker : workers_) {
        worker.join();
    }
}

void BatchPipeline::submit(std::unique_ptr<Batch> batch)
{
    if (workers_.empty()) {
        process_(*batch);
        deliver_(*batch);
        return;
    }
    auto slot = std::make_shared<Slot>();
    slot->batch = std::move(batch);
    {
        std::lock_guard lock(mutex_);
        inOrder_.push_back(slot);
        todo_.push_back(slot);
    }
    workReady_.notify_one();
    deliverReady(maxInFlight_);
}

void BatchPipeline::finish()
{
    deliverReady(0);
}

// Delivers finished batches from the front; waits while more than `keepAtMost` are
// in flight.
void BatchPipeline::deliverReady(std::size_t keepAtMost)
{
    std::unique_lock lock(mutex_);
    while (!inOrder_.empty()) {
        if (!inOrder_.front()->done) {
            if (inOrder_.size() <= keepAtMost) {
                return;
            }
            slotDone_.wait(lock, [this] { return inOrder_.front()->done; });
        }
        const std::shared_ptr<Slot> slot = inOrder_.front();
        inOrder_.pop_front();
        lock.unlock();
        if (slot->failed) {
            process_(*slot->batch);
        }
        deliver_(*slot->batch);
        lock.lock();
    }
}

void BatchPipeline::work()
{
    for (;;) {
        std::shared_ptr<Slot> slot;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [this] { return stopping_ || !todo_.empty(); });
            if (todo_.empty()) {
                return;
            }
            slot = todo_.front();
            todo_.pop_front();
        }
        bool failed = false;
        try {
            process_(*slot->batch);
        } catch (...) {
            failed = true; // done again on the delivering thread
        }
        {
            std::lock_guard lock(mutex_);
            slot->done = true;
            slot->failed = failed;
        }
        slotDone_.notify_all();
    }
}

} // namespace sudoku
