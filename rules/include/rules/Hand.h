// A hand as counts per card code.
#pragma once

#include <array>
#include <vector>

#include "rules/CardCodes.h"

namespace rules {

class Hand {
public:
    void clear();
    // The codes must name cards (0..53).
    void add(int code);
    void add(const std::vector<int>& cards);
    // True when every card of the list (with repeats) is held; false for any code that names no card.
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
    std::array<int, kDeckCodes> counts_{};
    int size_ = 0;
};

}  // namespace rules
