// Figures of the candidate search: microseconds per findCandidatePlays call for 54-card hands from
// four decks, leading and against a last play of each type, and the number of candidates found.
// "dealt": random hands as a deal gives them; "heavy": hands of few numbers with many copies, where
// the bombs and runs are most numerous (the slowest hands the rules allow).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "rules/CardRules.h"
#include "rules/PlaySearch.h"

namespace {

using Cards = std::vector<int>;
constexpr int kHands = 256;  // hands per benchmark, cycled through

Cards dealtHand(std::mt19937& rng) {
    Cards deck;
    for (int copy = 0; copy < 4; ++copy) {
        for (int code = 0; code < 54; ++code) {
            deck.push_back(code);
        }
    }
    std::shuffle(deck.begin(), deck.end(), rng);
    Cards hand(deck.begin(), deck.begin() + 54);
    sortCards(hand);
    return hand;
}

// Every copy of the threes, fours and fives (48 cards: bombs of up to sixteen, long triple and pair
// runs), and six more cards from elsewhere.
Cards heavyHand(std::mt19937& rng) {
    Cards hand;
    for (int copy = 0; copy < 4; ++copy) {
        for (int code = 8; code < 20; ++code) {
            hand.push_back(code);
        }
    }
    std::uniform_int_distribution<int> other(20, 53);
    while (hand.size() < 54) {
        const int code = other(rng);
        if (std::count(hand.begin(), hand.end(), code) < 4) {
            hand.push_back(code);
        }
    }
    sortCards(hand);
    return hand;
}

// Last plays, one of each type, low enough that much of a hand beats them.
const std::vector<std::pair<std::string, Cards>>& lastPlays() {
    static const std::vector<std::pair<std::string, Cards>> plays = {
        {"lead", {}},
        {"single", {8}},
        {"pair", {8, 9}},
        {"triple", {8, 9, 10}},
        {"full house", {8, 9, 10, 12, 13}},
        {"pair run", {4, 5, 8, 9, 12, 13, 16, 17}},
        {"triple run", {4, 5, 6, 8, 9, 10, 12, 13, 14}},
        {"bomb", {8, 9, 10, 11}},
        {"copies", {8, 8, 8}},
        {"no play", {8, 12}},
    };
    return plays;
}

void search(benchmark::State& state, bool heavy) {
    const auto& last = lastPlays()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(last.first);
    std::mt19937 rng(heavy ? 7 : 3);
    std::vector<Cards> hands;
    for (int i = 0; i < kHands; ++i) {
        hands.push_back(heavy ? heavyHand(rng) : dealtHand(rng));
    }
    std::size_t i = 0;
    double found = 0;
    for (auto _ : state) {
        std::vector<std::vector<int>> plays = findCandidatePlays(hands[i], last.second);
        found += static_cast<double>(plays.size());
        benchmark::DoNotOptimize(plays.data());
        i = (i + 1) % kHands;
    }
    state.counters["candidates"] = benchmark::Counter(found / static_cast<double>(state.iterations()));
}

void BM_findCandidatePlays_dealt(benchmark::State& state) {
    search(state, false);
}
void BM_findCandidatePlays_heavy(benchmark::State& state) {
    search(state, true);
}

void everyLastPlay(benchmark::internal::Benchmark* b) {
    b->ArgName("last");
    for (std::size_t i = 0; i < lastPlays().size(); ++i) {
        b->Arg(static_cast<int>(i));
    }
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_findCandidatePlays_dealt)->Apply(everyLastPlay);
BENCHMARK(BM_findCandidatePlays_heavy)->Apply(everyLastPlay);

BENCHMARK_MAIN();
