// sudoku-solve: solves the puzzles in files or standard input with the fast engine,
// one output record per puzzle, in input order.

#include "batch/pipeline.h"
#include "batch/solve_batch.h"
#include "cli/console.h"
#include "cli/display_name.h"
#include "cli/version_text.h"
#include "options.h"
#include "platform/platform.h"

#include <sudoku/reader.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using sudoku::Batch;

// Records per batch: enough to make handing batches between threads cheap. Solving
// like a person costs far more a puzzle (the hardest take seconds each), so those
// batches are small: a file of a few dozen hard puzzles still keeps every thread
// busy, and an explanation's text in flight stays small.
std::size_t batchSizeFor(const sudoku::RecordFormat& format)
{
    using Form = sudoku::RecordFormat::Form;
    return format.form == Form::solve || format.form == Form::count ? 1024 : 16;
}

// Runs `step`, and if memory runs out while worker threads hold some (their stacks
// above all), runs it again without them: the calling thread goes on alone. `step` must
// leave nothing half done when it throws.
template <typename Step>
void withMemoryFallback(sudoku::BatchPipeline& pipeline, sudoku::Console& console, const Step& step)
{
    try {
        step();
    } catch (const std::bad_alloc&) {
        const unsigned workers = pipeline.workers();
        if (workers == 0) {
            throw;
        }
        pipeline.dropWorkers();
        console.err("sudoku-solve: out of memory with " + std::to_string(workers) + " threads; going on with one\n");
        step();
    }
}

// Reads one input to its end, handing its records to the pipeline in batches.
// Returns the read error, if any.
std::string solveInput(const std::string& name, sudoku::platform::InputFile& input, sudoku::BatchPipeline& pipeline,
                       sudoku::Console& console, std::size_t batchSize, std::uint64_t& submitted)
{
    std::unique_ptr<Batch> batch;
    const auto newBatch = [&] {
        if (!batch) {
            auto fresh = std::make_unique<Batch>();
            fresh->records.reserve(batchSize); // so that adding a record allocates nothing
            batch = std::move(fresh);
        }
    };
    const auto submit = [&] {
        if (!batch || batch->records.empty()) {
            return;
        }
        const std::size_t count = batch->records.size();
        batch->source = name;
        batch->firstIndex = submitted;
        batch->inputRead = input.bytesRead();
        pipeline.submit(batch);
        submitted += count;
    };
    withMemoryFallback(pipeline, console, newBatch);
    // Puzzles typed at a terminal or trickling through a pipe are answered as they
    // come: before a read that would wait, every complete puzzle is solved and written.
    input.setBeforeWait([&] {
        withMemoryFallback(pipeline, console, submit);
        withMemoryFallback(pipeline, console, [&] { pipeline.finish(); });
        withMemoryFallback(pipeline, console, newBatch);
        console.flush();
    });
    sudoku::PuzzleReader reader(input);
    sudoku::Record record;
    while (!console.outputFailed() && reader.next(record)) {
        batch->records.push_back(std::move(record));
        if (batch->records.size() == batchSize) {
            withMemoryFallback(pipeline, console, submit);
            withMemoryFallback(pipeline, console, newBatch);
        }
    }
    withMemoryFallback(pipeline, console, submit);
    return reader.readError();
}

// The --stats summary: what was read and how it went, how long it took, and with --rate
// how many puzzles each grade got.
std::string statsLine(const sudoku::Tally& total, bool rated, bool outputOk, double seconds)
{
    const auto n = [](std::uint64_t value) { return std::to_string(value); };
    std::string line = "sudoku-solve: " + n(total.read) + (total.read == 1 ? " puzzle" : " puzzles") +
                       " read: " + n(total.solved) + " solved (" + n(total.multipleSolutions) +
                       " with multiple solutions), " + n(total.noSolution) + " without solution, " + n(total.invalid) +
                       " invalid";
    if (!outputOk) {
        line += ", but standard output could not be written";
    }
    if (rated) {
        const sudoku::logic::GradeCounts& g = total.grades;
        line += "; grades:";
        for (int grade = 0; grade < sudoku::logic::gradeCount; ++grade) {
            line += std::string(grade == 0 ? " " : ", ") +
                    std::string(sudoku::logic::gradeName(static_cast<sudoku::logic::Grade>(grade))) + " " +
                    n(g.grades[static_cast<std::size_t>(grade)]);
        }
        line += " (" + n(g.unfinished) + " needing trial)";
    }
    char time[48];
    std::snprintf(time, sizeof time, "; %.3f s, ", seconds);
    return line + time + sudoku::formatRate(seconds > 0 ? static_cast<double>(total.read) / seconds : 0.0) +
           " puzzles per second\n";
}

int run(sudoku::SolveOptions& options)
{
    sudoku::Console console("sudoku-solve", stdout, stderr,
                            sudoku::progressStyleFor(sudoku::platform::stderrIsTerminal(),
                                                     sudoku::platform::stdoutIsTerminal(), std::getenv("TERM")),
                            sudoku::platform::stderrColumns());
    if (options.help || options.version) {
        console.out(options.help ? sudoku::usageText() : sudoku::versionText("sudoku-solve"));
        return console.finishOutput() ? 0 : 1;
    }
    if (options.files.empty()) {
        options.files.emplace_back("-");
    }
    if (options.threads == 0) {
        options.threads = sudoku::platform::usableCpus();
    }

    bool inputOk = true;
    sudoku::Tally total; // of the records written; changed only while the console is held
    std::uint64_t submitted = 0;
    const bool rated = options.format.form == sudoku::RecordFormat::Form::rate;
    // An interrupt ends the run at once, with the records written so far, each whole.
    const sudoku::platform::InterruptWatch watch([&] {
        // Held, the console has whole records only: out() writes a batch's at once. Each
        // message below clears the progress line first.
        const auto hold = console.hold();
        const bool outputOk = console.finishOutput();
        if (outputOk) {
            console.err("sudoku-solve: interrupted after " + std::to_string(total.read) +
                        (total.read == 1 ? " puzzle\n" : " puzzles\n"));
        }
        if (options.stats) {
            console.err(statsLine(total, rated, outputOk, console.elapsedSeconds()));
        }
        std::_Exit(130);
    });
    // For the progress line through a regular file: its size, and when its reading began.
    std::uint64_t fileSize = 0;
    double fileStart = 0;
    sudoku::BatchPipeline pipeline(
        options.threads, [&options](Batch& batch) { sudoku::solveBatch(batch, options.format); },
        [&](Batch& batch) {
            const auto hold = console.hold();
            console.out(batch.out);
            console.err(batch.err);
            total += batch.tally;
            if (fileSize == 0) {
                console.progress(total.read);
                return;
            }
            // The share of the file done, from the bytes read when the batch was made (the
            // reader is at most its buffer ahead), and the time left at the pace so far.
            const double done = std::min(1.0, static_cast<double>(batch.inputRead) / static_cast<double>(fileSize));
            const double spent = console.elapsedSeconds() - fileStart;
            console.progress(total.read, done, done > 0 ? spent * (1 - done) / done : 0.0);
        });
    const auto finish = [&pipeline] { pipeline.finish(); };
    for (const std::string& file : options.files) {
        if (console.outputFailed()) {
            break;
        }
        const std::string name = file == "-" ? "<stdin>" : sudoku::displayName(file);
        sudoku::platform::InputFile input(file);
        if (!input.isOpen()) {
            withMemoryFallback(pipeline, console, finish); // keeps messages in input order
            console.err("sudoku-solve: " + name + ": cannot open: " + input.openError() + "\n");
            inputOk = false;
            continue;
        }
        console.setReadingTerminal(input.isTerminal());
        fileSize = input.fileSize();
        fileStart = console.elapsedSeconds();
        const std::string readError =
            solveInput(name, input, pipeline, console, batchSizeFor(options.format), submitted);
        withMemoryFallback(pipeline, console, finish);
        console.setReadingTerminal(false);
        fileSize = 0;
        if (!readError.empty()) {
            console.err("sudoku-solve: " + name + ": read error: " + readError + "\n");
            inputOk = false;
        }
    }
    withMemoryFallback(pipeline, console, finish);
    const auto hold = console.hold(); // an interrupt now waits until the end is written
    console.clearProgress();
    // Threads start as batches come, so a start that failed is told at the end.
    if (!pipeline.startError().empty()) {
        const unsigned started = pipeline.threadsStarted();
        console.err("sudoku-solve: started " + std::to_string(started > 0 ? started : 1) + " of " +
                    std::to_string(options.threads) + " threads (" + pipeline.startError() + "); went on with those\n");
    }

    inputOk = inputOk && total.invalid == 0;
    const bool outputOk = console.finishOutput();
    if (options.stats) {
        console.err(statsLine(total, rated, outputOk, console.elapsedSeconds()));
    }
    return inputOk && outputOk ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    sudoku::platform::prepareStandardStreams();
    const sudoku::ParsedOptions parsed = sudoku::parseOptions(sudoku::platform::arguments(argc, argv));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sudoku-solve: %s\nTry 'sudoku-solve --help' for more information.\n",
                     parsed.error.c_str());
        return 2;
    }
    sudoku::SolveOptions options = parsed.options;
    try {
        return run(options);
    } catch (const std::exception& e) {
        // Nothing could go on: not even the calling thread could solve a batch.
        std::fflush(stdout);
        std::fprintf(stderr, "sudoku-solve: cannot go on: %s\n", e.what());
        return 1;
    }
}
