// sudoku-solve: solves the puzzles in files or standard input with the fast engine,
// one output record per puzzle, in input order.

#include "batch_pipeline.h"
#include "puzzle_reader.h"
#include "solve_batch.h"
#include "solve_options.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using sudoku::Batch;
using Clock = std::chrono::steady_clock;

constexpr std::size_t batchSize = 1024;

// Everything written to standard output and standard error goes through here, so
// that a failed write is noticed and the progress line is cleared before messages.
class Console {
public:
    explicit Console(bool progress) : progress_(progress), start_(Clock::now()) {}

    void out(const std::string& text)
    {
        if (outputFailed_ || text.empty()) {
            return;
        }
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            noteOutputFailure();
        }
    }

    void err(const std::string& text)
    {
        if (!text.empty()) {
            clearProgress();
            std::fputs(text.c_str(), stderr);
        }
    }

    // Shows how far the work has come, on one line of a terminal that is rewritten in
    // place; only once the work has taken more than a second.
    void progress(std::uint64_t done)
    {
        if (!progress_) {
            return;
        }
        const auto now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - lastProgress_ < std::chrono::milliseconds(200)) {
            return;
        }
        lastProgress_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\rsudoku-solve: %llu puzzles, %.0f per second", static_cast<unsigned long long>(done),
                     static_cast<double>(done) / seconds);
        std::fflush(stderr);
        progressShown_ = true;
    }

    void clearProgress()
    {
        if (progressShown_) {
            std::fputs("\r\033[K", stderr);
            progressShown_ = false;
        }
    }

    // Flushes standard output; false (with a message) if anything failed to reach it.
    bool finishOutput()
    {
        flush();
        if (outputFailed_) {
            err("sudoku-solve: cannot write standard output: " + outputError_ + "\n");
        }
        return !outputFailed_;
    }

    void flush()
    {
        if (!outputFailed_ && std::fflush(stdout) != 0) {
            noteOutputFailure();
        }
    }

    bool outputFailed() const { return outputFailed_; }
    double elapsedSeconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    void noteOutputFailure()
    {
        outputFailed_ = true;
        outputError_ = std::strerror(errno);
    }

    bool progress_;
    Clock::time_point start_;
    Clock::time_point lastProgress_{};
    bool progressShown_ = false;
    bool outputFailed_ = false;
    std::string outputError_;
};

// True when reading `fd` now would wait: a pipe or terminal with nothing to read yet.
bool wouldWait(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        return false;
    }
    pollfd poll{fd, POLLIN, 0};
    return ::poll(&poll, 1, 0) == 0;
}

// Reads one input to its end, handing its records to the pipeline in batches.
// Returns the read error, if any.
std::string solveInput(const std::string& name, int fd, sudoku::BatchPipeline& pipeline, Console& console,
                       std::uint64_t& submitted)
{
    sudoku::FileSource source(fd);
    sudoku::PuzzleReader reader(source);
    auto batch = std::make_unique<Batch>();
    batch->records.resize(batchSize);
    std::size_t filled = 0;
    for (;;) {
        const bool more = reader.next(batch->records[filled]);
        filled += more ? 1 : 0;
        // Puzzles typed at a terminal or trickling through a pipe are answered as they
        // come: before a read that would wait, what has been read is solved and written.
        const bool waitAhead = more && !reader.hasBufferedInput() && wouldWait(fd);
        if (filled == batchSize || (filled > 0 && (!more || waitAhead))) {
            batch->records.resize(filled);
            batch->source = name;
            batch->firstIndex = submitted;
            submitted += filled;
            pipeline.submit(std::move(batch));
            batch = std::make_unique<Batch>();
            batch->records.resize(batchSize);
            filled = 0;
        }
        if (waitAhead) {
            pipeline.finish();
            console.flush();
        }
        if (!more || console.outputFailed()) {
            return reader.readError();
        }
    }
}

std::string usageHint()
{
    return "Try 'sudoku-solve --help' for more information.\n";
}

} // namespace

int main(int argc, char** argv)
{
    const sudoku::ParsedOptions parsed = sudoku::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sudoku-solve: %s\n%s", parsed.error.c_str(), usageHint().c_str());
        return 2;
    }
    sudoku::SolveOptions options = parsed.options;

    Console console(::isatty(STDERR_FILENO) == 1);
    if (options.help || options.version) {
        console.out(options.help ? sudoku::usageText() : "sudoku-solve " SUDOKU_VERSION "\n");
        return console.finishOutput() ? 0 : 1;
    }
    if (options.files.empty()) {
        options.files.emplace_back("-");
    }
    if (options.threads == 0) {
        options.threads = std::max(1u, std::thread::hardware_concurrency());
    }

    bool inputOk = true;
    sudoku::Tally total;
    std::uint64_t submitted = 0;
    sudoku::BatchPipeline pipeline(
        options.threads, [&options](Batch& batch) { sudoku::solveBatch(batch, options); },
        [&](Batch& batch) {
            console.out(batch.out);
            console.err(batch.err);
            total += batch.tally;
            console.progress(total.read);
        });

    for (const std::string& file : options.files) {
        if (console.outputFailed()) {
            break;
        }
        const bool isStdin = file == "-";
        const std::string name = isStdin ? "<stdin>" : file;
        const int fd = isStdin ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY);
        if (fd < 0) {
            const std::string why = std::strerror(errno);
            pipeline.finish(); // keeps messages in input order
            console.err("sudoku-solve: " + name + ": cannot open: " + why + "\n");
            inputOk = false;
            continue;
        }
        const std::string readError = solveInput(name, fd, pipeline, console, submitted);
        if (!readError.empty()) {
            pipeline.finish();
            console.err("sudoku-solve: " + name + ": read error: " + readError + "\n");
            inputOk = false;
        }
        if (!isStdin) {
            ::close(fd);
        }
    }
    pipeline.finish();
    console.clearProgress();

    inputOk = inputOk && total.invalid == 0;
    const bool outputOk = console.finishOutput();
    if (options.stats) {
        const double seconds = console.elapsedSeconds();
        char line[256];
        std::snprintf(line, sizeof line,
                      "sudoku-solve: %llu puzzles read: %llu solved, %llu without solution, %llu invalid; "
                      "%.3f s, %.0f puzzles per second\n",
                      static_cast<unsigned long long>(total.read), static_cast<unsigned long long>(total.solved),
                      static_cast<unsigned long long>(total.noSolution),
                      static_cast<unsigned long long>(total.invalid), seconds,
                      seconds > 0 ? static_cast<double>(total.read) / seconds : 0.0);
        console.err(line);
    }
    return inputOk && outputOk ? 0 : 1;
}
