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
#include <map>
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

    std::mutex mutex;
    std::condition_variable chunkDone;
    std::condition_variable windowMoved;
    std::map<std::uint64_t, Chunk> finished; // chunks made, not yet delivered
    std::uint64_t nextChunk = 0;             // the next chunk to hand out
    std::uint64_t delivered = 0;             // chunks delivered
    std::exception_ptr failure;
    const std::uint64_t window = 4 * std::uint64_t{std::max(request.threads, 1u)};

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            windowMoved.wait(lock, [&] { return failure || run.halted() || nextChunk < delivered + window; });
            if (failure || run.halted()) {
                return;
            }
            const std::uint64_t number = nextChunk++;
            lock.unlock();
            Chunk chunk;
            bool made = false;
            try {
                made = run.make(number, chunk);
            } catch (...) {
                lock.lock();
                failure = std::current_exception();
                chunkDone.notify_all();
                return;
            }
            lock.lock();
            if (!made) {
                return;
            }
            finished.emplace(number, std::move(chunk));
            chunkDone.notify_all();
        }
    };

    std::vector<std::thread> workers;
    if (request.threads > 1) {
        for (unsigned i = 0; i < request.threads; ++i) {
            try {
                workers.emplace_back(work);
            } catch (const std::system_error& error) {
                result.startError = error.what();
                break;
            }
        }
    }
    result.threads = static_cast<unsigned>(workers.size());

    if (workers.empty()) {
        for (std::uint64_t number = 0;; ++number) {
            Chunk chunk;
            if (!run.make(number, chunk)) {
                result.end = GenerateEnd::stopped;
                break;
            }
            if (run.deliver(chunk, result)) {
                break;
            }
            report();
        }
        return result;
    }

    std::unique_lock lock(mutex);
    for (;;) {
        if (failure) {
            break;
        }
        if (auto it = finished.find(delivered); it != finished.end()) {
            Chunk chunk = std::move(it->second);
            finished.erase(it);
            ++delivered;
            windowMoved.notify_all();
            lock.unlock();
            const bool over = run.deliver(chunk, result);
            if (!over) {
                report();
            }
            lock.lock();
            if (over) {
                break;
            }
            continue;
        }
        if (run.stopRequested()) {
            result.end = GenerateEnd::stopped;
            break;
        }
        // Woken by each finished chunk; the timeout notices a stop request.
        chunkDone.wait_for(lock, std::chrono::milliseconds(50));
    }
    run.end();
    windowMoved.notify_all();
    lock.unlock();
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return result;
}

} // namespace sudoku
