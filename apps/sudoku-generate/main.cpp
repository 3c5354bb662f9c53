// sudoku-generate: makes new puzzles with exactly one solution and writes them as
// sudoku-solve reads them.

#include "cli/console.h"
#include "cli/version_text.h"
#include "options.h"
#include "platform/platform.h"
#include "rating.h"

#include <sudoku/generate.h>
#include <sudoku/writer.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>

namespace {

using sudoku::GenerateOptions;

// A seed nobody chose: the system's random device mixed with the clock, in case the
// device is a fixed sequence on some platform.
std::uint64_t seedFromSystem()
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    return (std::uint64_t{device()} << 32 ^ device()) ^ now;
}

// What is wrong with a request that no puzzle can meet; empty when some puzzle may.
std::string impossible(const GenerateOptions& o)
{
    if (o.score) {
        if (std::string why = sudoku::unreachableScores(o.score->low, o.score->high); !why.empty()) {
            return why;
        }
    }
    if (!o.givensGiven) {
        return {};
    }
    const std::string range =
        std::to_string(o.minGivens) + (o.minGivens == o.maxGivens ? "" : " to " + std::to_string(o.maxGivens));
    if (o.maxGivens < 17) {
        return "no puzzle with fewer than 17 givens has exactly one solution (asked for " + range + " givens)";
    }
    for (int givens = std::max(o.minGivens, 17); givens <= o.maxGivens; ++givens) {
        if (sudoku::symmetryAllows(o.symmetry, givens)) {
            return {};
        }
    }
    return "no pattern with symmetry " + std::string(sudoku::symmetryName(o.symmetry)) + " has " + range + " givens";
}

int run(GenerateOptions& options)
{
    sudoku::Console console("sudoku-generate", stdout, stderr,
                            sudoku::progressStyleFor(sudoku::platform::stderrIsTerminal(),
                                                     sudoku::platform::stdoutIsTerminal(), std::getenv("TERM")),
                            sudoku::platform::stderrColumns());
    if (options.help || options.version) {
        console.out(options.help ? sudoku::generateUsageText() : sudoku::versionText("sudoku-generate"));
        return console.finishOutput() ? 0 : 1;
    }
    if (const std::string why = impossible(options); !why.empty()) {
        console.err("sudoku-generate: " + why + "\n");
        return 1;
    }

    sudoku::GenerateRequest request;
    request.seed = options.seed ? *options.seed : seedFromSystem();
    request.count = options.number;
    request.candidate.symmetry = options.symmetry;
    request.candidate.minimal = options.minimal;
    request.candidate.minGivens = options.minGivens;
    request.candidate.maxGivens = options.maxGivens;
    request.threads = options.threads == 0 ? sudoku::platform::usableCpus() : options.threads;
    request.maxTries = options.maxTries;
    sudoku::RatingTexts ratingTexts; // for --rate
    if (options.grade && !options.score && !options.rate) {
        request.filter = sudoku::gradeFilter(*options.grade);
    } else if (options.rated()) {
        request.filter = [&options, &ratingTexts](sudoku::Generated& made) {
            const sudoku::Rating rating = sudoku::rate(made.puzzle);
            if ((options.grade && rating.grade != *options.grade) ||
                (options.score && (rating.score < options.score->low || rating.score > options.score->high))) {
                return false;
            }
            made.grade = static_cast<int>(rating.grade);
            if (options.rate) {
                ratingTexts.put(made.index, rating.text);
            }
            return true;
        };
    }
    request.stop = &sudoku::platform::catchInterrupt();

    const char empty = options.zeros ? '0' : '.';
    std::array<std::uint64_t, sudoku::gradeCount> byGrade{};
    std::string text;
    bool first = true;
    const auto deliver = [&](const sudoku::Generated& made) {
        text.clear();
        if (options.grid && !first) {
            text += '\n';
        }
        first = false;
        if (options.grid) {
            sudoku::appendGrid(text, made.puzzle, empty);
        } else {
            sudoku::appendLine(text, made.puzzle, empty);
        }
        if (options.solution) {
            text += "# ";
            sudoku::appendLine(text, made.solution);
        }
        if (options.rate) {
            text += "# " + ratingTexts.take(made.index) + "\n";
        }
        if (made.grade >= 0) {
            ++byGrade[static_cast<std::size_t>(made.grade)];
        }
        console.out(text);
        console.flush(); // each puzzle is written as it is made, to a pipe or file too
        return !console.outputFailed();
    };
    const sudoku::GenerateResult result = sudoku::generate(
        request, deliver, [&](std::uint64_t made, std::uint64_t tried) { console.progress(made, tried); });
    console.clearProgress();
    const bool outputOk = console.finishOutput();

    const std::string madeText = std::to_string(result.made) + " of " + std::to_string(options.number);
    if (result.end == sudoku::GenerateEnd::gaveUp) {
        console.err("sudoku-generate: gave up after " + std::to_string(options.maxTries) +
                    " candidates in a row did not fit the request; made " + madeText + " puzzles\n");
    } else if (result.end == sudoku::GenerateEnd::stopped && outputOk) {
        console.err("sudoku-generate: interrupted; made " + madeText + " puzzles\n");
    }
    if (!result.startError.empty()) {
        console.err("sudoku-generate: started " + std::to_string(result.threads) + " of " +
                    std::to_string(request.threads) + " threads (" + result.startError + ")\n");
    }
    if (result.workersDropped) {
        console.err("sudoku-generate: out of memory with " + std::to_string(result.threads) +
                    " threads; went on with one\n");
    }
    if (options.stats) {
        const double seconds = console.elapsedSeconds();
        char line[320];
        std::snprintf(line, sizeof line,
                      "sudoku-generate: %llu %s made, %llu tried, seed %llu%s; %.3f s, %s puzzles per second",
                      static_cast<unsigned long long>(result.made), result.made == 1 ? "puzzle" : "puzzles",
                      static_cast<unsigned long long>(result.tried), static_cast<unsigned long long>(request.seed),
                      outputOk ? "" : ", but standard output could not be written", seconds,
                      sudoku::formatRate(seconds > 0 ? static_cast<double>(result.made) / seconds : 0.0).c_str());
        std::string summary = line;
        if (options.rated()) {
            for (int g = 0; g < sudoku::gradeCount; ++g) {
                summary += (g == 0 ? "; grades: " : ", ") + sudoku::gradeName(static_cast<sudoku::Grade>(g)) + " " +
                           std::to_string(byGrade[static_cast<std::size_t>(g)]);
            }
        }
        console.err(summary + "\n");
    }
    if (!outputOk) {
        return 1;
    }
    switch (result.end) {
    case sudoku::GenerateEnd::done: return 0;
    case sudoku::GenerateEnd::stopped: return 130;
    case sudoku::GenerateEnd::gaveUp: break;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    sudoku::platform::prepareStandardStreams();
    const sudoku::ParsedGenerateOptions parsed = sudoku::parseGenerateOptions(sudoku::platform::arguments(argc, argv));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sudoku-generate: %s\nTry 'sudoku-generate --help' for more information.\n",
                     parsed.error.c_str());
        return 2;
    }
    GenerateOptions options = parsed.options;
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "sudoku-generate: cannot go on: %s\n", e.what());
        return 1;
    }
}
