#include "rules/Deal.h"

#include <utility>

#include "rules/Hand.h"

namespace rules {

Deal dealHands(Rng& rng) {
    std::array<int, kDeckCodes * kDecks> deck;
    for (std::size_t i = 0; i < deck.size(); ++i)
        deck[i] = static_cast<int>(i % kDeckCodes);
    // Fisher-Yates from the top; the order of draws is part of what a seed means.
    for (std::size_t i = deck.size() - 1; i > 0; --i)
        std::swap(deck[i], deck[rng.below(i + 1)]);
    Deal hands;
    for (int seat = 0; seat < kSeats; ++seat) {
        Hand hand;
        for (int i = 0; i < kHandSize; ++i)
            hand.add(deck[seat * kHandSize + i]);
        hands[seat] = hand.list();
    }
    return hands;
}

}  // namespace rules
