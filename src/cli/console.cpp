#include "console.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace sudoku {

std::string formatRate(double perSecond)
{
    char text[48];
    std::snprintf(text, sizeof text, perSecond >= 10 ? "%.0f" : "%.2f", perSecond);
    return text;
}

std::string formatDuration(double seconds)
{
    char text[48];
    if (seconds < 99.5) {
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    } else if (seconds < 99.5 * 60) {
        std::snprintf(text, sizeof text, "%.0f min", seconds / 60);
    } else {
        std::snprintf(text, sizeof text, "%.0f h", seconds / 3600);
    }
    return text;
}

ProgressStyle progressStyleFor(bool stderrIsTerminal, bool stdoutIsTerminal, const char* term)
{
    if (!stderrIsTerminal || stdoutIsTerminal) {
        return ProgressStyle::none;
    }
    const bool dumb = term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0;
    return dumb ? ProgressStyle::plain : ProgressStyle::ansi;
}

Console::Console(const char* program, std::FILE* out, std::FILE* err, ProgressStyle style, std::size_t columns,
                 std::chrono::milliseconds delay)
    : program_(program), out_(out), err_(err), style_(style), columns_(columns), delay_(delay), start_(Clock::now())
{
}

void Console::out(const std::string& text)
{
    const std::lock_guard lock(mutex_);
    if (outputFailed_ || text.empty()) {
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
        noteOutputFailure();
    }
}

void Console::err(const std::string& text)
{
    const std::lock_guard lock(mutex_);
    if (!text.empty()) {
        clearProgress();
        std::fputs(text.c_str(), err_);
        std::fflush(err_);
    }
}

void Console::progress(std::uint64_t done)
{
    const std::lock_guard lock(mutex_);
    if (progressDue()) {
        showProgress(done, {});
    }
}

void Console::progress(std::uint64_t done, std::uint64_t tried)
{
    const std::lock_guard lock(mutex_);
    if (progressDue()) {
        showProgress(done, {" of " + std::to_string(tried) + " tried"});
    }
}

void Console::progress(std::uint64_t done, double fraction, double secondsLeft)
{
    const std::lock_guard lock(mutex_);
    if (progressDue()) {
        // Rounded down, so that 100% means the end.
        const auto percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
        showProgress(done, {" (" + std::to_string(percent) + "%)", ", " + formatDuration(secondsLeft) + " left"});
    }
}

bool Console::progressDue() const
{
    if (style_ == ProgressStyle::none || readingTerminal_) {
        return false;
    }
    const auto now = Clock::now();
    return now - start_ >= delay_ && (shownWidth_ == 0 || now - lastProgress_ >= std::chrono::milliseconds(200));
}

void Console::showProgress(std::uint64_t done, const std::vector<std::string>& details)
{
    const auto now = Clock::now();
    lastProgress_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = std::string(program_) + ": " + std::to_string(done) + (done == 1 ? " puzzle" : " puzzles");
    // In a narrow terminal what does not fit goes from the end, the rate first, and then
    // the line is cut: the last column would make some terminals wrap, and a wrapped
    // line is never cleared.
    const std::size_t room = columns_ > 1 ? columns_ - 1 : SIZE_MAX;
    bool fits = true;
    const auto add = [&](const std::string& detail) {
        fits = fits && line.size() + detail.size() <= room;
        if (fits) {
            line += detail;
        }
    };
    for (const std::string& detail : details) {
        add(detail);
    }
    add(", " + formatRate(seconds > 0 ? static_cast<double>(done) / seconds : 0.0) + " per second");
    line.resize(std::min(line.size(), room));
    const std::size_t shown = line.size();
    // Without erase-line, blanks cover what a longer line left behind.
    const std::size_t pad = style_ == ProgressStyle::plain && shownWidth_ > shown ? shownWidth_ - shown : 0;
    std::fprintf(err_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    std::fflush(err_);
    shownWidth_ = shown + pad;
}

void Console::clearProgress()
{
    const std::lock_guard lock(mutex_);
    if (shownWidth_ == 0) {
        return;
    }
    if (style_ == ProgressStyle::ansi) {
        std::fputs("\r\033[K", err_);
    } else {
        std::fprintf(err_, "\r%*s\r", static_cast<int>(shownWidth_), "");
    }
    std::fflush(err_);
    shownWidth_ = 0;
}

void Console::setReadingTerminal(bool reading)
{
    const std::lock_guard lock(mutex_);
    if (reading) {
        clearProgress();
    }
    readingTerminal_ = reading;
}

bool Console::finishOutput()
{
    const std::lock_guard lock(mutex_);
    flush();
    if (outputFailed_) {
        err(std::string(program_) + ": write error: " + outputError_ + "\n");
    }
    return !outputFailed_;
}

void Console::flush()
{
    const std::lock_guard lock(mutex_);
    if (!outputFailed_ && std::fflush(out_) != 0) {
        noteOutputFailure();
    }
}

bool Console::outputFailed() const
{
    const std::lock_guard lock(mutex_);
    return outputFailed_;
}

double Console::elapsedSeconds() const
{
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void Console::noteOutputFailure()
{
    const int error = errno;
    platform::endIfOutputPipeClosed();
    outputFailed_ = true;
    outputError_ = std::strerror(error);
}

} // namespace sudoku
