// A run of candidates on several threads, delivered in candidate order.
//
// Candidates are handed out in chunks to the ordered pool: a worker makes and filters a
// whole chunk, and the calling thread delivers the kept puzzles of finished chunks in
// order until it has enough. Chunks go out no faster than one more ahead for each one
// delivered, so a run that needs few chunks starts few threads; and at most a few per
// thread are ahead of delivery, so memory stays small however rare kept puzzles are.

#include <sudoku/generate.h>
#include <sudoku/logic.h>

#include "pool/ordered_pool.h"

#include <array>
#include <exception>
#include <new>
#include <string_view>

namespace sudoku {
namespace {

constexpr std::uint64_t chunkSize = 8;

struct Chunk {
    std::uint64_t first = 0; // its first candidate
    bool finished = false;   // every candidate made: false when the run halted midway
    std::vector<Generated> kept;
};

class Run {
public:
    Run(const GenerateRequest& request, const Deliver& deliver) : request_(request), deliver_(deliver) {}

    bool stopRequested() const { return request_.stop != nullptr && request_.stop->load(std::memory_order_relaxed); }
    // Over, or asked to stop: no more candidates are to be made.
    bool halted() const { return over_.load(std::memory_order_relaxed) || stopRequested(); }

    // Makes and filters the candidates of the chunk from its first, afresh; stops early,
    // leaving the chunk unfinished, when the run ends or is asked to stop.
    void make(Chunk& chunk) const
    {
        chunk.finished = false;
        chunk.kept.clear();
        for (std::uint64_t index = chunk.first; index < chunk.first + chunkSize; ++index) {
            if (halted()) {
                return;
            }
            std::optional<Generated> made = makeCandidate(request_.seed, index, request_.candidate);
            if (made && (!request_.filter || request_.filter(*made))) {
                keepGradeAndLabelEqual(*made);
                chunk.kept.push_back(std::move(*made));
            }
        }
        chunk.finished = true;
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

    // A filter written for the old name sets `label`; delivery sees both names equal.
    static void keepGradeAndLabelEqual(Generated& made)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (made.grade == -1) {
            made.grade = made.label;
        }
        made.label = made.grade;
#pragma GCC diagnostic pop
    }

    const GenerateRequest& request_;
    const Deliver& deliver_;
    std::atomic<bool> over_{false};
    std::uint64_t sinceKept_ = 0; // the candidate after the last kept one
};

constexpr std::array<std::string_view, 5> symmetryNames = {"none", "rotate180", "rotate90", "mirror", "diagonal"};

} // namespace

std::string_view symmetryName(Symmetry symmetry)
{
    const auto at = static_cast<std::size_t>(symmetry);
    return at < symmetryNames.size() ? symmetryNames[at] : std::string_view();
}

std::optional<Symmetry> symmetryFromName(std::string_view name)
{
    for (std::size_t at = 0; at < symmetryNames.size(); ++at) {
        if (name == symmetryNames[at]) {
            return static_cast<Symmetry>(at);
        }
    }
    return std::nullopt;
}

Filter gradeFilter(logic::Grade grade)
{
    return [grade](Generated& made) {
        if (logic::rate(made.puzzle).grade != grade) {
            return false;
        }
        made.grade = static_cast<int>(grade);
        return true;
    };
}

GenerateResult generate(const GenerateRequest& request, const Deliver& deliver, const Progress& progress)
{
    GenerateResult result;
    if (request.count == 0) {
        return result;
    }
    Run run(request, deliver);

    // Runs on the calling thread, chunk after chunk in order. What the caller's deliver
    // or progress throws is kept for after the workers have ended, so that an exception
    // out of the pool always means that making a chunk failed here.
    bool over = false;
    std::uint64_t chunksDelivered = 0;
    std::exception_ptr callerFailed;
    const auto deliverChunk = [&](Chunk& chunk) {
        if (over) {
            return; // made after the run ended
        }
        ++chunksDelivered;
        try {
            if (!chunk.finished) {
                result.end = GenerateEnd::stopped;
                over = true;
            } else if (run.deliver(chunk, result)) {
                over = true;
            } else if (progress) {
                progress(result.made, result.tried);
            }
        } catch (...) {
            callerFailed = std::current_exception();
            over = true;
        }
        if (over) {
            run.end(); // chunks in the making stop at their next candidate
        }
    };
    OrderedPool<Chunk> pool(
        request.threads, [&run](Chunk& chunk) { run.make(chunk); }, deliverChunk);

    std::uint64_t next = 0;
    while (!over) { // set by deliverChunk, which the pool calls
        try {
            pool.deliverReady(chunksDelivered); // at most one more chunk ahead per chunk delivered
            if (!over) {
                Chunk chunk;
                chunk.first = next * chunkSize;
                pool.submit(chunk);
                ++next;
            }
        } catch (const std::bad_alloc&) {
            // Making a chunk here ran out of memory. With workers holding some (their
            // stacks above all), end them and go on alone: the chunk is still first in
            // line, or still ours to hand over again.
            if (pool.workers() == 0) {
                throw;
            }
            pool.dropWorkers();
            result.workersDropped = true;
        }
    }
    result.threads = pool.threadsStarted();
    result.startError = pool.startError();
    if (callerFailed) {
        std::rethrow_exception(callerFailed); // the pool ends its workers on the way out
    }
    return result;
}

} // namespace sudoku
