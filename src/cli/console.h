#pragma once

// A program's two output streams: records to standard output, messages and the
// progress line to standard error. A failed write to standard output is remembered, and
// the progress line is cleared before any message so the two never mix. Any thread may
// use the console.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace sudoku {

// How progress is shown: not at all, on a line rewritten in place with carriage
// returns and spaces only, or with the terminal's erase-line sequence.
enum class ProgressStyle { none, plain, ansi };

// A rate for people: whole numbers when it is large, two decimals below 10, so that a
// slow run does not read "0 per second".
std::string formatRate(double perSecond);

// A time left for people, rounded to what matters: "40 s", "12 min", "3 h".
std::string formatDuration(double seconds);

// Progress is for a person watching a terminal while the records go elsewhere: shown
// only when standard error is a terminal and standard output is not, and without
// escape sequences when TERM is unset or "dumb".
ProgressStyle progressStyleFor(bool stderrIsTerminal, bool stdoutIsTerminal, const char* term);

class Console {
public:
    // The progress line appears once the work has taken `delay` and is redrawn at most
    // five times a second.
    // `program` starts the progress line and the message about a failed write. The
    // progress line is cut to fit `columns` characters (0: no limit known), so that it
    // never wraps and leaves lines behind.
    Console(const char* program, std::FILE* out, std::FILE* err, ProgressStyle style, std::size_t columns = 0,
            std::chrono::milliseconds delay = std::chrono::seconds(1));

    // Writes to standard output, unless an earlier write failed. When the reader of a
    // pipe has gone, the process ends here, as SIGPIPE would end it.
    void out(const std::string& text);
    // Writes a message to standard error, after clearing the progress line.
    void err(const std::string& text);

    // Shows how many puzzles are done, unless progress is off or the input being read
    // is a terminal (someone typing must not see a line appear mid-typing).
    void progress(std::uint64_t done);
    // The same, with the candidates tried for them (for a generator whose puzzles may
    // be rare, so that the line moves while none is found).
    void progress(std::uint64_t done, std::uint64_t tried);
    // The same for a file of known size: with the share of it done (0 to 1) and the time
    // left at the pace so far.
    void progress(std::uint64_t done, double fraction, double secondsLeft);
    void clearProgress();
    void setReadingTerminal(bool reading);

    // Flushes standard output; false, with a message, if anything failed to reach it.
    bool finishOutput();
    void flush();

    bool outputFailed() const;
    double elapsedSeconds() const;

    // Keeps the other threads' use of the console waiting while the returned lock lives,
    // so that what the caller writes, and what it decides from, stays whole: a program
    // that ends on an interrupt writes only whole records.
    std::unique_lock<std::recursive_mutex> hold() { return std::unique_lock(mutex_); }

private:
    using Clock = std::chrono::steady_clock;

    void noteOutputFailure();
    // Whether the progress line is to be drawn now: it is on, and not drawn too lately.
    bool progressDue() const;
    // Draws it. `details` follow the count, each only when it fits, the most wanted first.
    void showProgress(std::uint64_t done, const std::vector<std::string>& details);

    const char* program_;
    std::FILE* out_;
    std::FILE* err_;
    ProgressStyle style_;
    std::size_t columns_;
    std::chrono::milliseconds delay_;
    Clock::time_point start_;
    Clock::time_point lastProgress_{};
    std::size_t shownWidth_ = 0; // characters of the progress line on screen, 0 if none
    bool readingTerminal_ = false;
    bool outputFailed_ = false;
    std::string outputError_;
    mutable std::recursive_mutex mutex_;
};

} // namespace sudoku
