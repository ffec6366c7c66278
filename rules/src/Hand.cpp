#include "rules/Hand.h"

#include <cassert>

namespace rules {

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
    std::array<int, kDeckCodes> needed{};
    for (int code : cards) {
        if (!isDeckCode(code) || ++needed[code] > counts_[code])
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
    for (int code = 0; code < kDeckCodes; ++code) {
        if (counts_[code])
            return code;
    }
    return -1;
}

std::vector<int> Hand::list() const {
    std::vector<int> cards;
    cards.reserve(size_);
    for (int code = 0; code < kDeckCodes; ++code)
        cards.insert(cards.end(), counts_[code], code);
    return cards;
}

}  // namespace rules
