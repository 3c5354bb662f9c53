#pragma once

// How far one rating scale agrees with another on the same puzzles: the share of equal
// scores, the share within half a point, and Spearman's rank correlation.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

// The rank of each value among `values`, from 1, tied values sharing the mean of their
// ranks (so 10, 20, 20, 30 rank 1, 2.5, 2.5, 4).
inline std::vector<double> averageRanks(const std::vector<double>& values)
{
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    std::vector<double> ranks(values.size());
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first;
        while (last + 1 < order.size() && values[order[last + 1]] == values[order[first]]) {
            ++last;
        }
        const double rank = static_cast<double>(first + last) / 2 + 1;
        for (std::size_t i = first; i <= last; ++i) {
            ranks[order[i]] = rank;
        }
        first = last + 1;
    }
    return ranks;
}

// Spearman's rank correlation of two lists of the same length: the Pearson correlation
// of their average ranks, from -1 to 1. NaN when either list holds fewer than two
// different values, since no order can then be compared.
inline double spearman(const std::vector<double>& a, const std::vector<double>& b)
{
    const std::vector<double> ra = averageRanks(a);
    const std::vector<double> rb = averageRanks(b);
    const double n = static_cast<double>(ra.size());
    const double meanA = std::accumulate(ra.begin(), ra.end(), 0.0) / n;
    const double meanB = std::accumulate(rb.begin(), rb.end(), 0.0) / n;
    double covariance = 0;
    double varianceA = 0;
    double varianceB = 0;
    for (std::size_t i = 0; i < ra.size(); ++i) {
        covariance += (ra[i] - meanA) * (rb[i] - meanB);
        varianceA += (ra[i] - meanA) * (ra[i] - meanA);
        varianceB += (rb[i] - meanB) * (rb[i] - meanB);
    }
    if (varianceA == 0 || varianceB == 0) {
        return std::nan("");
    }
    return covariance / std::sqrt(varianceA * varianceB);
}

// Ours against theirs, in tenths.
struct Agreement {
    std::size_t puzzles = 0;
    std::size_t equal = 0;
    std::size_t withinHalf = 0; // at most 5 tenths apart, the equal ones too
    std::vector<double> ours;
    std::vector<double> theirs;

    void add(int oursTenths, int theirsTenths)
    {
        ++puzzles;
        equal += oursTenths == theirsTenths ? 1 : 0;
        withinHalf += std::abs(oursTenths - theirsTenths) <= 5 ? 1 : 0;
        ours.push_back(oursTenths);
        theirs.push_back(theirsTenths);
    }
};
