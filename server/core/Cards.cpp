#include "core/Cards.h"

#include <cassert>

namespace hallserver {

void Hand::clear() {
    counts_.fill(0);
    size_ = 0;
}

void Hand::add(int code) {
    ++counts_[code];
    ++size_;
}

void Hand::add(const std::vector<int>& cards) {
    for (int code : cards)
        add(code);
}

bool Hand::holds(const std::vector<int>& cards) const {
    std::array<int, kCardCodes> needed{};
    for (int code : cards) {
        if (code < 0 || code >= kCardCodes || ++needed[code] > counts_[code])
            return false;
    }
    return true;
}

void Hand::remove(const std::vector<int>& cards) {
    for (int code : cards) {
        assert(counts_[code] > 0);
        --counts_[code];
        --size_;
    }
}

int Hand::lowestCode() const {
    for (int code = 0; code < kCardCodes; ++code) {
        if (counts_[code])
            return code;
    }
    return -1;
}

std::vector<int> Hand::list() const {
    std::vector<int> cards;
    cards.reserve(size_);
    for (int code = 0; code < kCardCodes; ++code)
        cards.insert(cards.end(), counts_[code], code);
    return cards;
}

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t Rng::below(std::uint64_t bound) {
    if (bound <= 1)
        return 0;
    // Rejection keeps the result unbiased.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    std::uint64_t value;
    do {
        value = next();
    } while (value >= limit);
    return value % bound;
}

double Rng::between(double low, double high) {
    if (high <= low)
        return low;
    const double unit = static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
    return low + (high - low) * unit;
}

std::array<std::vector<int>, 4> dealHands(Rng& rng) {
    std::array<int, kCardCodes * kDecks> deck;
    for (std::size_t i = 0; i < deck.size(); ++i)
        deck[i] = static_cast<int>(i % kCardCodes);
    for (std::size_t i = deck.size() - 1; i > 0; --i)
        std::swap(deck[i], deck[rng.below(i + 1)]);
    std::array<std::vector<int>, 4> hands;
    for (int seat = 0; seat < 4; ++seat) {
        Hand hand;
        for (int i = 0; i < kHandSize; ++i)
            hand.add(deck[seat * kHandSize + i]);
        hands[seat] = hand.list();
    }
    return hands;
}

int cardPoints(int code) {
    switch (code / 4) {
        case 4:  // five
            return 5;
        case 9:   // ten
        case 12:  // king
            return 10;
        default:
            return 0;
    }
}

int playPoints(const std::vector<int>& cards) {
    int points = 0;
    for (int code : cards)
        points += cardPoints(code);
    return points;
}

}  // namespace hallserver
