// A hand as counts per card code, the shuffled deal of four decks, and the points of a card.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace hallserver {

constexpr int kCardCodes = 54;         // codes 0..53
constexpr int kDecks = 4;              // four decks: every code four times
constexpr int kHandSize = kCardCodes;  // 216 cards over four seats

class Hand {
public:
    void clear();
    void add(int code);
    void add(const std::vector<int>& cards);
    // True when every card of the list (with repeats) is held.
    bool holds(const std::vector<int>& cards) const;
    // Removes the cards; they must be held.
    void remove(const std::vector<int>& cards);
    int count(int code) const { return counts_[code]; }
    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Lowest code held, -1 when empty.
    int lowestCode() const;
    // The cards in ascending code order.
    std::vector<int> list() const;

private:
    // Plain ints: a list read from the network may name one code hundreds of times.
    std::array<int, kCardCodes> counts_{};
    int size_ = 0;
};

// Small, fast, repeatable generator (splitmix64): the same seed gives the same deals everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in [0, bound).
    std::uint64_t below(std::uint64_t bound);
    // Uniform in [low, high].
    double between(double low, double high);

private:
    std::uint64_t state_;
};

// Four decks shuffled and dealt 54 cards to each seat; each hand in ascending code order.
std::array<std::vector<int>, 4> dealHands(Rng& rng);

// Points of a card: every five 5, every ten and every king 10, all others 0.
int cardPoints(int code);
int playPoints(const std::vector<int>& cards);

}  // namespace hallserver
