#include "chains/static_reach.h"

#include <algorithm>

namespace sudoku::logic::detail {

StrongLinks strongLinksOf(const std::array<CellSet, 9>& cand)
{
    CellSet ones;
    CellSet twos;
    CellSet threes;
    for (const CellSet& c : cand) {
        threes = threes | (twos & c);
        twos = twos | (ones & c);
        ones = ones | c;
    }
    StrongLinks links;
    links.bivalue = twos.without(threes);
    for (std::size_t d = 0; d < 9; ++d) {
        const std::array<std::uint8_t, 27> places = countPerHouse(cand[d]);
        std::uint32_t two = 0;
        for (std::size_t h = 0; h < 27; ++h) {
            two |= static_cast<std::uint32_t>(places[h] == 2) << h;
        }
        links.bilocal[d] = two;
    }
    return links;
}

void StaticReach::number(const std::array<CellSet, 9>& cand)
{
    count_ = 0;
    digits_.fill(0);
    for (int d = 0; d < 9; ++d) {
        firstNumber_[static_cast<std::size_t>(d)] = static_cast<std::int16_t>(count_);
        cand[static_cast<std::size_t>(d)].forEach([&](int cell) {
            digits_[static_cast<std::size_t>(cell)] |= static_cast<std::uint16_t>(1u << d);
            number_[static_cast<std::size_t>(cell * 9 + d)] = static_cast<std::int16_t>(count_);
            candidate_[static_cast<std::size_t>(count_)] = static_cast<std::uint16_t>(cell * 9 + d);
            ++count_;
        });
    }
    // Sets of 4, 8 or 12 words, so that their unions have a fixed length.
    words_ = count_ <= 256 ? 4 : count_ <= 512 ? 8 : 12;
}

std::span<const std::uint64_t> StaticReach::rows() const
{
    return {rows_.data(), static_cast<std::size_t>(count_ * words_)};
}

void StaticReach::restore(const std::array<CellSet, 9>& cand, std::span<const std::uint64_t> rows)
{
    number(cand);
    std::copy(rows.begin(), rows.end(), rows_.begin());
}

void StaticReach::compute(const std::array<CellSet, 9>& cand, const StrongLinks& links)
{
    number(cand);
    const auto numberOf = [&](int cell, int d) { return number_[static_cast<std::size_t>(cell * 9 + d)]; };

    const auto& [bivalue, bilocal] = links;

    // A fact false with no strong link leads nowhere: the facts true that make it false
    // note it directly in their own set instead of linking to it.
    // Per digit, the places whose false has a strong link; per cell, those digits.
    const auto words = static_cast<std::size_t>(words_);
    std::array<CellSet, 9> strong;
    std::array<std::uint16_t, 81> strongDigits{};
    for (std::size_t d = 0; d < 9; ++d) {
        CellSet s = cand[d] & bivalue;
        for (std::uint32_t hs = bilocal[d]; hs != 0; hs &= hs - 1) {
            s = s | (cand[d] & tables.houseSet[static_cast<std::size_t>(std::countr_zero(hs))]);
        }
        strong[d] = s;
        s.forEach([&](int cell) {
            strongDigits[static_cast<std::size_t>(cell)] |= static_cast<std::uint16_t>(1u << d);
            strong_[static_cast<std::size_t>(numberOf(cell, static_cast<int>(d)))] = true;
        });
        cand[d].without(s).forEach(
            [&](int cell) { strong_[static_cast<std::size_t>(numberOf(cell, static_cast<int>(d)))] = false; });
    }
    // Per digit and house, its places there whose false has no strong link, as bits of
    // the digit's candidate numbers (consecutive, so within three words from the
    // digit's first), and per cell such candidates: a candidate true notes those of
    // its houses and its cell at once.
    std::array<std::size_t, 9> firstWord{};
    for (std::size_t d = 0; d < 9; ++d) {
        firstWord[d] = static_cast<std::size_t>(firstNumber_[d]) / 64;
    }
    for (auto& houses : weak_) {
        for (auto& bits : houses) {
            bits.fill(0);
        }
    }
    std::fill_n(cellWeak_.begin(), 81 * words, std::uint64_t{0});
    for (int k = 0; k < count_; ++k) {
        const int x = candidate_[static_cast<std::size_t>(k)];
        const auto d = static_cast<std::size_t>(x % 9);
        if (!strong_[static_cast<std::size_t>(k)]) {
            const std::uint64_t bit = std::uint64_t{1} << (k % 64);
            for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(x / 9)]) {
                weak_[d][h][static_cast<std::size_t>(k) / 64 - firstWord[d]] |= bit;
            }
            cellWeak_[static_cast<std::size_t>(x / 9) * words + static_cast<std::size_t>(k) / 64] |= bit;
        }
    }
    const auto facts = static_cast<std::size_t>(2 * count_);
    std::size_t edges = 0;
    const auto link = [&](int to) { edges_[edges++] = static_cast<std::uint16_t>(to); };
    for (int k = 0; k < count_; ++k) {
        const int x = candidate_[static_cast<std::size_t>(k)];
        const int cell = x / 9;
        const int d = x % 9;
        // False: the other candidate of a two-candidate cell, the other place of a
        // two-place house, true.
        const unsigned others = digits_[static_cast<std::size_t>(cell)] & ~(1u << d);
        first_[static_cast<std::size_t>(2 * k)] = static_cast<std::uint32_t>(edges);
        if (strong_[static_cast<std::size_t>(k)]) {
            if (bivalue.has(cell)) {
                link(2 * numberOf(cell, std::countr_zero(others)) + 1);
            }
            for (const std::uint8_t h : tables.cellHouses[static_cast<std::size_t>(cell)]) {
                if ((bilocal[static_cast<std::size_t>(d)] >> h & 1) != 0) {
                    (cand[static_cast<std::size_t>(d)] & tables.houseSet[h]).forEach([&](int p) {
                        if (p != cell) {
                            link(2 * numberOf(p, d) + 1);
                        }
                    });
                }
            }
        }
        // True: the cell's other candidates and the digit's places among its peers false.
        first_[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::uint32_t>(edges);
        std::uint64_t* const direct = &direct_[static_cast<std::size_t>(k) * words];
        for (unsigned m = others & strongDigits[static_cast<std::size_t>(cell)]; m != 0; m &= m - 1) {
            link(2 * numberOf(cell, std::countr_zero(m)));
        }
        const auto ud = static_cast<std::size_t>(d);
        (cand[ud] & peersOf(cell) & strong[ud]).forEach([&](int p) { link(2 * numberOf(p, d)); });
        const std::uint64_t* const inCell = &cellWeak_[static_cast<std::size_t>(cell) * words];
        for (std::size_t i = 0; i < words; ++i) {
            direct[i] = inCell[i];
        }
        const auto& houses = tables.cellHouses[static_cast<std::size_t>(cell)];
        for (std::size_t i = 0; i < 3 && firstWord[ud] + i < words; ++i) {
            direct[firstWord[ud] + i] |= weak_[ud][houses[0]][i] | weak_[ud][houses[1]][i] | weak_[ud][houses[2]][i];
        }
        direct[k / 64] &= ~(std::uint64_t{1} << (k % 64)); // its cell and houses hold it too
    }
    first_[facts] = static_cast<std::uint32_t>(edges);

    switch (words_) {
    case 4: search<4>(facts); break;
    case 8: search<8>(facts); break;
    default: search<12>(facts); break;
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(count_); ++k) {
        const auto c = static_cast<std::size_t>(component_[2 * k + 1]);
        std::copy_n(&reach_[c * words], words, &rows_[k * words]);
    }
}

template <std::size_t words>
void StaticReach::search(std::size_t facts)
{
    // Tarjan's algorithm, without recursion. A component is complete when its root
    // finishes, after every component it reaches: what it reaches is its own false
    // facts and what those components reach.
    std::fill_n(discovered_.begin(), facts, std::int16_t{-1});
    std::fill_n(component_.begin(), facts, std::int16_t{-1});
    std::fill_n(merged_.begin(), facts, std::int16_t{-1});
    std::size_t stacked = 0;
    std::size_t calls = 0;
    std::int16_t counter = 0;
    std::int16_t components = 0;
    // A fact false that makes nothing true leads nowhere: no need to search it.
    const auto sink = [&](std::size_t v) { return v % 2 == 0 && !strong_[v / 2]; };
    const auto visit = [&](std::size_t v) {
        discovered_[v] = low_[v] = counter++;
        stack_[stacked++] = static_cast<std::uint16_t>(v);
        callFact_[calls] = static_cast<std::uint16_t>(v);
        callEdge_[calls++] = first_[v];
    };
    for (std::size_t root = 0; root < facts; ++root) {
        if (discovered_[root] >= 0 || sink(root)) {
            continue;
        }
        visit(root);
        while (calls > 0) {
            const std::size_t v = callFact_[calls - 1];
            const std::uint32_t e = callEdge_[calls - 1];
            if (e < first_[v + 1]) {
                ++callEdge_[calls - 1];
                const std::size_t w = edges_[e];
                if (discovered_[w] < 0) {
                    visit(w);
                } else if (component_[w] < 0) { // still on the stack
                    low_[v] = std::min(low_[v], discovered_[w]);
                }
                continue;
            }
            --calls;
            if (calls > 0) {
                const std::size_t parent = callFact_[calls - 1];
                low_[parent] = std::min(low_[parent], low_[v]);
            }
            if (low_[v] != discovered_[v]) {
                continue;
            }
            const std::int16_t c = components++;
            std::uint64_t* const r = &reach_[static_cast<std::size_t>(c) * words];
            std::fill_n(r, words, std::uint64_t{0});
            std::size_t top = stacked;
            while (stack_[top - 1] != v) {
                --top;
            }
            --top;
            for (std::size_t i = top; i < stacked; ++i) {
                const std::size_t u = stack_[i];
                component_[u] = c;
                if (u % 2 == 0) {
                    r[u / 128] |= std::uint64_t{1} << (u / 2 % 64);
                } else {
                    const std::uint64_t* const s = &direct_[u / 2 * words];
                    for (std::size_t j = 0; j < words; ++j) {
                        r[j] |= s[j];
                    }
                }
            }
            for (std::size_t i = top; i < stacked; ++i) {
                const std::size_t u = stack_[i];
                for (std::uint32_t k = first_[u]; k < first_[u + 1]; ++k) {
                    const std::int16_t to = component_[edges_[k]];
                    if (to != c && merged_[static_cast<std::size_t>(to)] != c) {
                        merged_[static_cast<std::size_t>(to)] = c;
                        const std::uint64_t* const s = &reach_[static_cast<std::size_t>(to) * words];
                        for (std::size_t j = 0; j < words; ++j) {
                            r[j] |= s[j];
                        }
                    }
                }
            }
            stacked = top;
        }
    }
}

} // namespace sudoku::logic::detail
