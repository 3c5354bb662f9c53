#pragma once

// The random numbers of one candidate: SplitMix64, seeded by (seed, candidate number),
// written out here so that a seed gives the same puzzles with every compiler and
// standard library.

#include <cstdint>

namespace sudoku {

class Random {
public:
    Random(std::uint64_t seed, std::uint64_t index) : state_(mix(mix(seed) ^ index)) {}

    std::uint64_t next()
    {
        state_ += 0x9E3779B97F4A7C15u;
        return mix(state_);
    }

    // A number below n (n > 0), from the top 32 bits scaled down; the bias of at most
    // n / 2^32 does not matter for n below 100.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32); }

private:
    static std::uint64_t mix(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

} // namespace sudoku
