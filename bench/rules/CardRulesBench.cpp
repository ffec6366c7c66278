// Figures of the play rules: nanoseconds per classifyPlay and isPlayAllowed call on random selections
// of 1 to 16 cards and on whole 54-card hands, and heap allocations per call (counted by a replaced
// global operator new; the goal for classifyPlay is none).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "rules/CardRules.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// The replaced pair below hands out malloc'd memory and frees it again; GCC cannot see that the two
// belong together once they are inlined into callers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Cards = std::vector<int>;
constexpr int kPool = 4096;  // selections per benchmark, cycled through

bool add(Cards& cards, int code) {
    if (std::count(cards.begin(), cards.end(), code) >= 4) {
        return false;
    }
    cards.push_back(code);
    return true;
}

// Any `size` codes from four decks: mostly not a play, so the recognisers give up early.
Cards randomSelection(std::mt19937& rng, int size) {
    std::uniform_int_distribution<int> code(0, 53);
    Cards cards;
    while (static_cast<int>(cards.size()) < size) {
        add(cards, code(rng));
    }
    return cards;
}

// A recognised play of `size` cards where one exists: the recognisers run to the end.
Cards recognisedPlay(std::mt19937& rng, int size) {
    std::uniform_int_distribution<int> suit(0, 3);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    Cards cards;
    auto group = [&](int number, int width) {
        for (int placed = 0; placed < width;) {
            placed += add(cards, number * 4 + suit(rng));
        }
    };
    const bool pairRun = size >= 8 && size % 2 == 0 && size / 2 <= 13;
    const bool tripleRun = size >= 9 && size % 3 == 0 && size / 3 <= 13;
    const int shape = pick(0, 2);
    if (size == 1) {
        cards.push_back(pick(0, 53));
    } else if (size == 2) {
        group(pick(0, 12), 2);
    } else if (size == 5 && shape == 0) {
        group(pick(0, 12), 3);
        group(pick(0, 12), 2);
    } else if (pairRun && shape == 1) {
        const int low = pick(1, 14 - size / 2);
        for (int rank = low; rank < low + size / 2; ++rank) {
            group(rank % 13, 2);
        }
    } else if (tripleRun && shape == 2) {
        const int low = pick(1, 14 - size / 3);
        for (int rank = low; rank < low + size / 3; ++rank) {
            group(rank % 13, 3);
        }
    } else if (size <= 16) {
        group(pick(0, 12), size);  // a triple, three or four copies or a bomb
    } else {
        return randomSelection(rng, size);
    }
    return cards;
}

std::vector<Cards> pool(int size, bool recognised, bool sorted, unsigned seed) {
    std::mt19937 rng(seed * 7919u + static_cast<unsigned>(size) * 2u + recognised);
    std::vector<Cards> lists;
    for (int i = 0; i < kPool; ++i) {
        Cards cards = recognised ? recognisedPlay(rng, size) : randomSelection(rng, size);
        if (sorted) {
            sortCards(cards);
        } else {
            std::shuffle(cards.begin(), cards.end(), rng);
        }
        lists.push_back(cards);
    }
    return lists;
}

void reportAllocations(benchmark::State& state, long before) {
    state.counters["allocs/call"] = benchmark::Counter(static_cast<double>(g_allocations.load() - before) /
                                                       static_cast<double>(state.iterations()));
}

void classify(benchmark::State& state, bool recognised) {
    const std::vector<Cards> lists = pool(static_cast<int>(state.range(0)), recognised, true, 1);
    std::size_t i = 0;
    const long before = g_allocations.load();
    for (auto _ : state) {
        PlayInfo info = classifyPlay(lists[i]);
        benchmark::DoNotOptimize(info);
        i = (i + 1) % kPool;
    }
    reportAllocations(state, before);
}

void BM_classifyPlay_random(benchmark::State& state) {
    classify(state, false);
}
void BM_classifyPlay_recognised(benchmark::State& state) {
    classify(state, true);
}

// The desk's check: a new play against a last play of the same size. The desk takes a selection from
// its sorted hand, so the lists usually come in order (`handOrder` 1); shuffled lists (0) show the
// cost of sorting them. Each call sorts its two lists in place, so every iteration first restores
// them from the pool (a copy into vectors that keep their capacity); the figure includes that copy.
void allowed(benchmark::State& state, bool recognised) {
    const int size = static_cast<int>(state.range(0));
    const bool handOrder = state.range(1) != 0;
    const std::vector<Cards> plays = pool(size, recognised, handOrder, 2);
    const std::vector<Cards> lasts = pool(size, recognised, handOrder, 3);
    Cards last, play;
    last.reserve(64);
    play.reserve(64);
    std::size_t i = 0;
    const long before = g_allocations.load();
    for (auto _ : state) {
        last.assign(lasts[i].begin(), lasts[i].end());
        play.assign(plays[i].begin(), plays[i].end());
        bool ok = isPlayAllowed(last, play);
        benchmark::DoNotOptimize(ok);
        i = (i + 1) % kPool;
    }
    reportAllocations(state, before);
}

// The restoring copy alone, to subtract from the isPlayAllowed figures.
void BM_restoreOnly(benchmark::State& state) {
    const std::vector<Cards> plays = pool(static_cast<int>(state.range(0)), false, true, 2);
    const std::vector<Cards> lasts = pool(static_cast<int>(state.range(0)), false, true, 3);
    Cards last, play;
    last.reserve(64);
    play.reserve(64);
    std::size_t i = 0;
    for (auto _ : state) {
        last.assign(lasts[i].begin(), lasts[i].end());
        play.assign(plays[i].begin(), plays[i].end());
        benchmark::DoNotOptimize(last.data());
        benchmark::DoNotOptimize(play.data());
        benchmark::ClobberMemory();
        i = (i + 1) % kPool;
    }
}

void BM_isPlayAllowed_random(benchmark::State& state) {
    allowed(state, false);
}
void BM_isPlayAllowed_recognised(benchmark::State& state) {
    allowed(state, true);
}

constexpr int kSizes[] = {1, 2, 3, 4, 5, 8, 9, 12, 16, 54};

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgName("cards");
    for (int size : kSizes) {
        b->Arg(size);
    }
}

void sizesAndOrder(benchmark::internal::Benchmark* b) {
    b->ArgNames({"cards", "handOrder"});
    for (int handOrder : {1, 0}) {
        for (int size : kSizes) {
            b->Args({size, handOrder});
        }
    }
}

}  // namespace

BENCHMARK(BM_classifyPlay_random)->Apply(sizes);
BENCHMARK(BM_classifyPlay_recognised)->Apply(sizes);
BENCHMARK(BM_isPlayAllowed_random)->Apply(sizesAndOrder);
BENCHMARK(BM_isPlayAllowed_recognised)->Apply(sizesAndOrder);
BENCHMARK(BM_restoreOnly)->Apply(sizes);

BENCHMARK_MAIN();
