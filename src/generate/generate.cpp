// A run of candidates on several threads, delivered in candidate order.
//
// Candidates are handed out in chunks; a worker makes and filters a whole chunk, and
// the calling thread takes finished chunks in order and delivers their kept puzzles
// until it has enough. Workers stay at most a few chunks ahead of delivery, so memory
// stays small however rare kept puzzles are.

#include <sudoku/generate.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <new>
#include <mutex>
#include <system_error>
#include <thread>

namespace sudoku {
namespace {

constexpr std::uint64_t chunkSize = 8;

struct Chunk {
    std::uint64_t first = 0; // its first candidate
    std::vector<Generated> kept;
};

class Run {
public:
    Run(const GenerateRequest& request, const Deliver& deliver) : request_(request), deliver_(deliver) {}

    bool stopRequested() const { return request_.stop != nullptr && request_.stop->load(std::memory_order_relaxed); }
    // Over, or asked to stop: no more candidates are to be made.
    bool halted() const { return over_.load(std::memory_order_relaxed) || stopRequested(); }

    // Makes and filters the candidates of chunk `number`; false when the run ended or
    // was asked to stop before the chunk was finished.
    bool make(std::uint64_t number, Chunk& chunk) const
    {
        chunk.first = number * chunkSize;
        for (std::uint64_t index = chunk.first; index < chunk.first + chunkSize; ++index) {
            if (halted()) {
                return false;
            }
            std::optional<Generated> made = makeCandidate(request_.seed, index, request_.candidate);
            if (made && (!request_.filter || request_.filter(*made))) {
                chunk.kept.push_back(std::move(*made));
            }
        }
        return true;
    }

    // Delivers a chunk's puzzles, the chunks before it having been delivered; true when
    // the run is over.
    bool deliver(Chunk& chunk, GenerateResult& result)
    {
        for (const Generated& made : chunk.kept) {
            if (gaveUpBefore(made.index, result)) {
                return true;
            }
            if (!deliver_(made)) {
                result.end = GenerateEnd::stopped;
                result.tried = made.index + 1;
                return true;
            }
            ++result.made;
            sinceKept_ = made.index + 1;
            result.tried = sinceKept_;
            if (result.made == request_.count) {
                result.end = GenerateEnd::done;
                return true;
            }
        }
        const std::uint64_t end = chunk.first + chunkSize;
        if (gaveUpBefore(end, result)) {
            return true;
        }
        result.tried = end;
        return false;
    }

    void end() { over_.store(true, std::memory_order_relaxed); }

private:
    // True when the candidates from the last kept one up to `index` (not included) are
    // too many rejections in a row.
    bool gaveUpBefore(std::uint64_t index, GenerateResult& result) const
    {
        if (request_.maxTries == 0 || index - sinceKept_ < request_.maxTries) {
            return false;
        }
        result.end = GenerateEnd::gaveUp;
        result.tried = sinceKept_ + request_.maxTries;
        return true;
    }

    const GenerateRequest& request_;
    const Deliver& deliver_;
    std::atomic<bool> over_{false};
    std::uint64_t sinceKept_ = 0; // the candidate after the last kept one
};

} // namespace

GenerateResult generate(const GenerateRequest& request, const Deliver& deliver, const Progress& progress)
{
    GenerateResult result;
    if (request.count == 0) {
        return result;
    }
    Run run(request, deliver);
    const auto report = [&] {
        if (progress) {
            progress(result.made, result.tried);
        }
    };

    // Chunk n is made in slot n % window, at most `window` chunks ahead of delivery. The
    // slots are made before any thread starts, so a worker allocates nothing but the
    // puzzles it keeps; a chunk whose making threw on a worker is made again by the
    // caller, and if memory runs out there too while workers hold some, the workers are
    // dropped and the caller goes on alone.
    enum class State { free, made, failed };
    struct Slot {
        State state = State::free;
        Chunk chunk;
    };
    const std::uint64_t window = 4 * std::uint64_t{std::max(request.threads, 1u)};
    std::vector<Slot> slots(window);
    std::mutex mutex;
    std::condition_variable chunkDone;
    std::condition_variable windowMoved;
    std::uint64_t nextChunk = 0; // the next chunk to hand out
    std::uint64_t delivered = 0; // chunks delivered
    bool retire = false;         // workers are to end

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            windowMoved.wait(lock, [&] { return retire || run.halted() || nextChunk < delivered + window; });
            if (retire || run.halted()) {
                return;
            }
            const std::uint64_t number = nextChunk++;
            lock.unlock();
            Chunk chunk;
            State state = State::made;
            try {
                if (!run.make(number, chunk)) {
                    return; // halted: nothing after this chunk is delivered
                }
            } catch (...) {
                state = State::failed;
            }
            lock.lock();
            Slot& slot = slots[number % window];
            slot.chunk = std::move(chunk);
            slot.state = state;
            chunkDone.notify_all();
        }
    };

    std::vector<std::thread> workers;
    if (request.threads > 1) {
        try {
            workers.reserve(request.threads);
            for (unsigned i = 0; i < request.threads; ++i) {
                workers.emplace_back(work);
            }
        } catch (const std::exception& error) {
            result.startError = error.what();
        }
    }
    result.threads = static_cast<unsigned>(workers.size());
    const auto dropWorkers = [&] {
        {
            std::lock_guard lock(mutex);
            retire = true;
        }
        windowMoved.notify_all();
        for (std::thread& worker : workers) {
            worker.join();
        }
        workers.clear();
    };

    // Chunks are delivered in order: from a slot when a worker made it, else made here.
    std::unique_lock lock(mutex);
    try {
        for (std::uint64_t number = 0;; ++number) {
            Slot& slot = slots[number % window];
            if (!workers.empty()) {
                while (slot.state == State::free && !run.stopRequested()) {
                    chunkDone.wait_for(lock, std::chrono::milliseconds(50)); // the timeout notices a stop
                }
            }
            Chunk chunk = std::move(slot.chunk);
            const bool fromWorker = slot.state == State::made;
            slot = Slot{};
            delivered = number + 1;
            windowMoved.notify_all();
            lock.unlock();
            if (!fromWorker) {
                chunk = Chunk{};
                bool made = false;
                try {
                    made = run.make(number, chunk);
                } catch (const std::bad_alloc&) {
                    if (workers.empty()) {
                        throw;
                    }
                    dropWorkers();
                    result.workersDropped = true;
                    chunk = Chunk{};
                    made = run.make(number, chunk);
                }
                if (!made) {
                    result.end = GenerateEnd::stopped;
                    lock.lock();
                    break;
                }
            }
            const bool over = run.deliver(chunk, result);
            if (!over) {
                report();
            }
            lock.lock();
            if (over) {
                break;
            }
        }
    } catch (...) {
        // Nothing could go on, not even here: end the workers before the caller hears.
        if (lock.owns_lock()) {
            lock.unlock();
        }
        dropWorkers();
        throw;
    }
    run.end();
    retire = true;
    windowMoved.notify_all();
    lock.unlock();
    for (std::thread& worker : workers) {
        worker.join();
    }
    return result;
}

} // namespace sudoku
