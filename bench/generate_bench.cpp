// Measures how fast the generator makes puzzles on one thread, for each symmetry, with
// and without the minimality pass, and shows how many givens minimal puzzles have.
//
//   sudoku_generate_bench [PUZZLES [RUNS]]
//
// Each mode makes PUZZLES puzzles (default 20000) RUNS times (default 3) from seed 1
// and reports the median rate, by the clock and by the processor time the process
// used (on a machine shared with other work the second is the steadier); then 10000
// minimal rotate180 puzzles are counted by their number of givens.

#include <sudoku/generate.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <vector>

namespace {

struct Mode {
    const char* name;
    sudoku::Symmetry symmetry;
    bool minimal;
};

struct Rate {
    double wall; // puzzles per second of elapsed time
    double cpu;  // puzzles per second of processor time
};

Rate rate(const Mode& mode, std::uint64_t puzzles, double& meanGivens)
{
    sudoku::GenerateRequest request;
    request.seed = 1;
    request.count = puzzles;
    request.candidate.symmetry = mode.symmetry;
    request.candidate.minimal = mode.minimal;
    std::uint64_t givens = 0;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    sudoku::generate(request, [&](const sudoku::Generated& made) {
        givens += static_cast<std::uint64_t>(made.givens);
        return true;
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    meanGivens = static_cast<double>(givens) / static_cast<double>(puzzles);
    const double made = static_cast<double>(puzzles);
    return {made / seconds, made / cpuSeconds};
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t puzzles = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 20000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (puzzles == 0) {
        std::fprintf(stderr, "usage: sudoku_generate_bench [PUZZLES [RUNS]]\n");
        return 2;
    }
    const Mode modes[] = {
        {"rotate180", sudoku::Symmetry::rotate180, true},
        {"none", sudoku::Symmetry::none, true},
        {"rotate90", sudoku::Symmetry::rotate90, true},
        {"mirror", sudoku::Symmetry::mirror, true},
        {"diagonal", sudoku::Symmetry::diagonal, true},
        {"rotate180 --no-minimal", sudoku::Symmetry::rotate180, false},
    };
    std::printf("%llu puzzles per run, one thread, median of %d runs\n", static_cast<unsigned long long>(puzzles),
                runs);
    for (const Mode& mode : modes) {
        std::vector<double> wall;
        std::vector<double> cpu;
        double meanGivens = 0;
        for (int run = 0; run < runs; ++run) {
            const Rate r = rate(mode, puzzles, meanGivens);
            wall.push_back(r.wall);
            cpu.push_back(r.cpu);
        }
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("  %-24s %7.0f puzzles/s, %7.0f per cpu second  (%.1f givens on average)\n", mode.name,
                    wall[wall.size() / 2], cpu[cpu.size() / 2], meanGivens);
    }

    std::map<int, int> byGivens;
    sudoku::GenerateRequest request;
    request.seed = 1;
    request.count = 10000;
    sudoku::generate(request, [&](const sudoku::Generated& made) {
        ++byGivens[made.givens];
        return true;
    });
    std::printf("10000 minimal rotate180 puzzles by number of givens:\n");
    for (const auto& [givens, count] : byGivens) {
        std::printf("  %2d givens: %5d\n", givens, count);
    }
    return 0;
}
