#pragma once

// Pieces of work processed on worker threads and delivered on the calling thread in the
// order they were handed over, so that what comes out does not depend on the number of
// threads. sudoku-solve's batches of records and the generator's chunks of candidates
// go through it.
//
// - Workers start as pieces are handed over: one more whenever more pieces are in
//   flight than workers run, up to the number asked for, so a run of few pieces starts
//   few threads. When a thread cannot be started, the pool goes on with the workers it
//   has, or on the calling thread alone, and startError() says why.
// - At most four pieces per thread asked for are in flight (handed over, not yet
//   delivered): handing over one more first waits for the oldest. Their slots are made
//   up front, so handing a piece over allocates nothing.
// - No piece is lost: one whose processing threw on a worker is processed again on the
//   calling thread when its turn to be delivered comes. Only an exception there leaves
//   the call, and the piece then stays first in line for the next call.
// - dropWorkers() ends the workers (to free their stacks when memory runs out); the
//   pieces they had not taken are processed on the calling thread.
// With one thread asked for, each piece is processed and delivered at once on the
// calling thread, and no slot is made.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sudoku {

// Starts a thread running `run`; throws, as std::thread does, when it cannot.
using StartThread = std::function<std::thread(std::function<void()>)>;

inline std::thread startThread(std::function<void()> run)
{
    return std::thread(std::move(run));
}

// Piece: default-constructible, with a move assignment that does not throw.
template <typename Piece>
class OrderedPool {
public:
    using Step = std::function<void(Piece&)>;

    // `process` runs on the workers, several at once on different pieces, or on the
    // calling thread, and must fill a piece afresh each time it runs (it may run twice on
    // one piece). `deliver` runs on the calling thread, once per piece, in the order they
    // were handed over; if it throws, the exception leaves the call and the piece stays
    // first in line. No thread starts before the first piece is handed over.
    OrderedPool(unsigned threads, Step process, Step deliver, StartThread start = startThread)
        : process_(std::move(process)), deliver_(std::move(deliver)), start_(std::move(start)),
          wanted_(threads > 1 ? threads : 0)
    {
        slots_.resize(4 * std::size_t{wanted_});
        workers_.reserve(wanted_); // so that keeping a started thread cannot fail
    }
    // Ends the workers, each once the piece in its hands is processed; pieces not yet
    // delivered are dropped.
    ~OrderedPool() { stopWorkers(); }
    OrderedPool(const OrderedPool&) = delete;
    OrderedPool& operator=(const OrderedPool&) = delete;

    // Delivers the pieces that are ready, waits for room if all slots are in flight,
    // and takes the piece over, moving from it. If it throws (processing on the calling
    // thread ran out of memory, say), `piece` is still the caller's.
    void submit(Piece& piece)
    {
        if (wanted_ > 0) {
            deliverReady(slots_.size() - 1);
            if (workers_.size() < wanted_ && submitted_ - delivered_ >= workers_.size()) {
                startWorker();
            }
        }
        if (workers_.empty()) { // none asked for, none could start, or dropped
            deliverReady(0);
            process_(piece);
            deliver_(piece);
            piece = Piece();
            return;
        }
        {
            std::lock_guard lock(mutex_);
            Slot& next = slot(submitted_);
            next.piece = std::move(piece);
            next.state = State::pending;
            ++submitted_;
        }
        workReady_.notify_one();
    }

    // Delivers the pieces in flight from the oldest: those that are ready, and waits for
    // more while over `keepAtMost` are in flight.
    void deliverReady(std::uint64_t keepAtMost)
    {
        std::unique_lock lock(mutex_);
        while (delivered_ < submitted_) {
            Slot& oldest = slot(delivered_);
            if (oldest.state == State::pending && !workers_.empty()) { // a worker has it or takes it next
                if (submitted_ - delivered_ <= keepAtMost) {
                    return;
                }
                slotDone_.wait(lock);
                continue;
            }
            lock.unlock();
            if (oldest.state != State::done) { // failed on a worker, or no worker is left to take it
                process_(oldest.piece);
                oldest.state = State::done;
            }
            deliver_(oldest.piece);
            oldest.piece = Piece();
            lock.lock();
            ++delivered_;
        }
    }

    // Delivers every piece in flight.
    void finish() { deliverReady(0); }

    // Ends the workers, each once the piece in its hands is processed; from then on
    // everything happens on the calling thread. Delivers nothing.
    void dropWorkers()
    {
        stopWorkers();
        wanted_ = 0;
    }

    // Worker threads running now: 0 when everything happens on the calling thread.
    unsigned workers() const { return static_cast<unsigned>(workers_.size()); }
    // Worker threads started since the pool was made (running or dropped).
    unsigned threadsStarted() const { return started_; }
    // Why a thread asked for could not be started; empty when none failed.
    const std::string& startError() const { return startError_; }

private:
    enum class State { pending, done, failed };
    struct Slot {
        Piece piece{};
        State state = State::pending;
    };

    // Piece n (counted from 0 as handed over) lives in slot n % slots_.size() from then
    // until it is delivered.
    Slot& slot(std::uint64_t n) { return slots_[n % slots_.size()]; }

    void startWorker()
    {
        try {
            workers_.push_back(start_([this] { work(); }));
            ++started_;
        } catch (const std::exception& error) {
            startError_ = error.what();
            wanted_ = static_cast<unsigned>(workers_.size()); // no more tries
        }
    }

    void stopWorkers()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workReady_.notify_all();
        for (std::thread& worker : workers_) {
            worker.join();
        }
        workers_.clear();
    }

    // A worker takes the pieces in the order they were handed over.
    void work()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            workReady_.wait(lock, [this] { return stopping_ || taken_ < submitted_; });
            if (stopping_) {
                return;
            }
            Slot& taken = slot(taken_++);
            lock.unlock();
            State state = State::done;
            try {
                process_(taken.piece);
            } catch (...) {
                state = State::failed; // processed again on the calling thread
            }
            lock.lock();
            taken.state = state;
            slotDone_.notify_one(); // only the calling thread waits for it
        }
    }

    Step process_;
    Step deliver_;
    StartThread start_;
    unsigned wanted_;      // workers to start at most; 0 once everything is on the calling thread
    unsigned started_ = 0; // workers started
    std::vector<Slot> slots_;
    // Pieces counted from 0: handed over, taken by a worker, delivered. Only the calling
    // thread changes submitted_ and delivered_.
    std::uint64_t submitted_ = 0;
    std::uint64_t taken_ = 0;
    std::uint64_t delivered_ = 0;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable slotDone_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
    std::string startError_;
};

} // namespace sudoku
