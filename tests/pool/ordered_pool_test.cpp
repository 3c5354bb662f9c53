// The ordered pool must deliver every piece, in order, on the calling thread, whatever
// happens to its threads: many of them, pieces that throw, threads that cannot start,
// workers dropped midway. Failures are injected through the start hook and the
// processing step; a gate holds the workers where a test needs pieces in flight.

#include "pool/ordered_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using sudoku::OrderedPool;

struct Piece {
    int number = -1;
    int result = -1;
    std::thread::id processedOn;
};

using Pool = OrderedPool<Piece>;

// Starts the first `allowed` threads, then fails as std::thread does when the system
// has no more to give.
sudoku::StartThread startAtMost(unsigned allowed)
{
    return [allowed, started = 0u](std::function<void()> run) mutable {
        if (started == allowed) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        ++started;
        return std::thread(std::move(run));
    };
}

// Holds worker threads until opened; the calling thread passes.
class Gate {
public:
    void passOnWorker(std::thread::id caller)
    {
        if (std::this_thread::get_id() == caller) {
            return;
        }
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }
    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

void process(Piece& piece)
{
    piece.result = piece.number * 3 + 1;
    piece.processedOn = std::this_thread::get_id();
}

// Hands pieces `from` to `to` (not included) over.
void submitRange(Pool& pool, int from, int to)
{
    for (int n = from; n < to; ++n) {
        Piece piece;
        piece.number = n;
        pool.submit(piece);
    }
}

std::vector<int> expectedResults(int count)
{
    std::vector<int> out;
    for (int n = 0; n < count; ++n) {
        out.push_back(n * 3 + 1);
    }
    return out;
}

TEST(OrderedPool, DeliversInOrderOnTheCallingThreadWithManyThreads)
{
    const auto caller = std::this_thread::get_id();
    std::vector<int> delivered;
    bool elsewhere = false;
    Pool pool(
        64,
        [](Piece& piece) {
            // Uneven work, so that pieces finish out of order.
            volatile int spin = 0;
            for (int i = 0; i < (piece.number % 7) * 2000; ++i) {
                spin = spin + i;
            }
            process(piece);
        },
        [&](Piece& piece) {
            delivered.push_back(piece.result);
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
        });
    submitRange(pool, 0, 3000);
    pool.finish();
    EXPECT_EQ(delivered, expectedResults(3000));
    EXPECT_FALSE(elsewhere);
    EXPECT_GT(pool.threadsStarted(), 1u);
    EXPECT_LE(pool.threadsStarted(), 64u);
}

struct StartCase {
    unsigned asked;
    unsigned allowed; // threads the hook starts before it fails
    int held;         // pieces handed over while the workers are held
    unsigned expectedStarted;
    bool startFails;
    friend void PrintTo(const StartCase& c, std::ostream* out)
    {
        *out << c.allowed << " of " << c.asked << ", " << c.held << " held";
    }
};

class ThreadsStart : public testing::TestWithParam<StartCase> {};

// Threads start one per piece in flight, up to the number asked for; those that cannot
// start leave the others, or the calling thread, to do every piece.
TEST_P(ThreadsStart, AsPiecesAreHandedOverAndNoPieceIsLostWhenSomeCannot)
{
    const StartCase c = GetParam();
    const auto caller = std::this_thread::get_id();
    Gate gate;
    std::vector<int> delivered;
    Pool pool(
        c.asked,
        [&](Piece& piece) {
            gate.passOnWorker(caller);
            process(piece);
        },
        [&delivered](Piece& piece) { delivered.push_back(piece.result); }, startAtMost(c.allowed));
    submitRange(pool, 0, c.held);
    EXPECT_EQ(pool.workers(), c.expectedStarted);
    EXPECT_EQ(pool.threadsStarted(), c.expectedStarted);
    gate.open();
    submitRange(pool, c.held, 50); // more may start now, as many as asked for at most
    pool.finish();
    EXPECT_EQ(delivered, expectedResults(50));
    EXPECT_LE(pool.threadsStarted(), std::min(c.asked, c.allowed));
    EXPECT_EQ(!pool.startError().empty(), c.startFails) << pool.startError();
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreadsStart,
                         testing::Values(StartCase{16, 16, 3, 3, false}, StartCase{4, 4, 4, 4, false},
                                         StartCase{8, 2, 8, 2, true}, StartCase{4, 0, 4, 0, true},
                                         StartCase{1, 1, 5, 0, false}),
                         [](const testing::TestParamInfo<StartCase>& param) {
                             return "Asked" + std::to_string(param.param.asked) + "Allowed" +
                                    std::to_string(param.param.allowed) + "Held" + std::to_string(param.param.held);
                         });

TEST(OrderedPool, RedoesAPieceThatThrewOnAWorkerOnTheCallingThread)
{
    const auto caller = std::this_thread::get_id();
    std::atomic<int> thrown{0};
    int redoneHere = 0;
    std::vector<int> delivered;
    Pool pool(
        3,
        [&](Piece& piece) {
            if (std::this_thread::get_id() != caller && piece.number % 3 == 0) {
                ++thrown;
                throw std::bad_alloc();
            }
            process(piece);
        },
        [&](Piece& piece) {
            delivered.push_back(piece.result);
            redoneHere += piece.number % 3 == 0 && piece.processedOn == caller ? 1 : 0;
        });
    submitRange(pool, 0, 30);
    pool.finish();
    EXPECT_EQ(delivered, expectedResults(30));
    EXPECT_EQ(redoneHere, thrown.load());
    EXPECT_GT(thrown.load(), 0);
}

// Processing that fails on the calling thread too reaches the caller, who still holds
// the piece (processed inline) or finds it first in line (failed on a worker); nothing
// delivered is lost or repeated.
TEST(OrderedPool, AFailureOnTheCallingThreadReachesTheCallerAndLosesNothing)
{
    for (const unsigned threads : {1u, 2u}) {
        std::vector<int> delivered;
        bool fail = true;
        Pool pool(
            threads,
            [&fail](Piece& piece) {
                if (piece.number == 5 && fail) {
                    throw std::bad_alloc();
                }
                process(piece);
            },
            [&delivered](Piece& piece) { delivered.push_back(piece.result); });
        for (int n = 0; n < 10; ++n) {
            Piece piece;
            piece.number = n;
            bool handedOver = false;
            try {
                pool.submit(piece);
                handedOver = true;
                pool.finish();
            } catch (const std::bad_alloc&) {
                EXPECT_EQ(delivered, expectedResults(5)) << threads << " threads";
                EXPECT_EQ(handedOver, threads > 1) << "inline, the piece is still ours";
                fail = false;
                if (!handedOver) {
                    pool.submit(piece);
                }
                pool.finish();
            }
        }
        EXPECT_EQ(delivered, expectedResults(10)) << threads << " threads";
    }
}

// Dropping the workers (as when memory runs out) lets each finish the piece in hand;
// the pieces they had not taken, and all after, are processed on the calling thread.
TEST(OrderedPool, GoesOnAloneAfterDroppingItsWorkers)
{
    const auto caller = std::this_thread::get_id();
    Gate gate;
    std::vector<int> delivered;
    std::vector<int> processedHere;
    Pool pool(
        2,
        [&](Piece& piece) {
            gate.passOnWorker(caller);
            process(piece);
        },
        [&](Piece& piece) {
            delivered.push_back(piece.result);
            if (piece.processedOn == caller) {
                processedHere.push_back(piece.number);
            }
        });
    submitRange(pool, 0, 6); // two held on the workers, four waiting
    EXPECT_EQ(pool.workers(), 2u);
    std::thread opener([&gate] { gate.open(); });
    pool.dropWorkers();
    opener.join();
    EXPECT_EQ(pool.workers(), 0u);
    EXPECT_TRUE(delivered.empty()) << "dropping delivers nothing";
    submitRange(pool, 6, 20);
    pool.finish();
    EXPECT_EQ(delivered, expectedResults(20));
    EXPECT_EQ(pool.threadsStarted(), 2u);
    ASSERT_GE(processedHere.size(), 14u);
    EXPECT_EQ(processedHere.back(), 19);
}

} // namespace
