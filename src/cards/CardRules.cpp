#include "cards/CardRules.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr int kTopCard = 19;
constexpr int kKing = 12;
constexpr std::size_t kMaxBomb = 16;

bool isCardCode(int code) {
    return code >= 0 && code <= 55;
}
bool isAce(int code) {
    return code >= 0 && code <= 3;
}

// A run of groups of `width` cards of one number each, numbers rising by one. The ace may only stand
// above the king: a list that starts with aces must end with kings, and the aces count once.
MatchResult matchRun(const std::vector<int>& c, std::size_t width, std::size_t minGroups) {
    const std::size_t n = c.size();
    if (n < width * minGroups || n % width != 0 || isJokerCode(c[n - 1])) {
        return {};
    }
    for (std::size_t g = 0; g < n; g += width) {
        const int number = cardNumber(c[g]);
        for (std::size_t k = 1; k < width; ++k) {
            if (cardNumber(c[g + k]) != number) {
                return {};
            }
        }
    }
    const bool aceHigh = isAce(c[0]);
    // With the aces on top, the groups after them carry the run; they must not be aces again.
    const std::size_t first = aceHigh ? width : 0;
    int expected = cardNumber(c[first]);
    if (aceHigh && (expected <= 0 || cardNumber(c[n - 1]) != kKing)) {
        return {};
    }
    for (std::size_t g = first; g < n; g += width) {
        if (cardNumber(c[g]) != expected) {
            return {};
        }
        ++expected;
    }
    return {true, aceHigh ? groupValue(c[width - 1]) : groupValue(c[n - 1])};
}

bool allSameNumber(const std::vector<int>& c) {
    const int number = cardNumber(c[0]);
    for (int code : c) {
        if (cardNumber(code) != number) {
            return false;
        }
    }
    return true;
}

bool allSameCode(const std::vector<int>& c) {
    for (int code : c) {
        if (code != c[0]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void sortCards(std::vector<int>& cards) {
    std::sort(cards.begin(), cards.end());
}

int singleValue(int code) {
    if (!isCardCode(code)) {
        return -1;
    }
    if (code == kTopCard) {
        return TOP_CARD_VALUE;
    }
    if (isJokerCode(code)) {
        return code + 100;
    }
    if (code < 8) {  // aces and twos stand above the kings
        return code + 54;
    }
    return code;
}

int groupValue(int code) {
    if (!isCardCode(code)) {
        return -1;
    }
    if (isJokerCode(code)) {
        return code + 100;
    }
    if (code < 8) {
        return code + 54;
    }
    return code;
}

int identicalValue(int code) {
    if (!isCardCode(code)) {
        return -1;
    }
    if (code == kTopCard) {
        return TOP_CARD_VALUE;
    }
    if (isJokerCode(code)) {
        return code + 500;
    }
    // Suit first, then three .. king, ace, two within the suit.
    const int value = code + 52 * cardSuit(code);
    return code < 8 ? value + 52 : value;
}

bool isTopCard(int code) {
    return code == kTopCard;
}

MatchResult matchSingle(const std::vector<int>& c) {
    if (c.size() != 1) {
        return {};
    }
    return {true, singleValue(c[0])};
}

MatchResult matchPair(const std::vector<int>& c) {
    if (c.size() != 2 || cardNumber(c[0]) != cardNumber(c[1])) {
        return {};
    }
    if (isJokerCode(c[0])) {
        // A black and a red joker are no pair.
        if (c[0] != c[1]) {
            return {};
        }
        return {true, singleValue(c[0])};
    }
    if (c[0] == kTopCard && c[1] == kTopCard) {
        return {true, TOP_CARD_VALUE};
    }
    return {true, groupValue(c[1])};
}

MatchResult matchTriple(const std::vector<int>& c) {
    if (c.size() != 3 || isJokerCode(c[0]) || !allSameNumber(c) || allSameCode(c)) {
        return {};
    }
    return {true, groupValue(c[2])};
}

MatchResult matchIdentical(const std::vector<int>& c) {
    if ((c.size() != 3 && c.size() != 4) || !allSameCode(c)) {
        return {};
    }
    return {true, identicalValue(c[0])};
}

MatchResult matchBomb(const std::vector<int>& c) {
    const std::size_t n = c.size();
    if (n < 4 || n > kMaxBomb || isJokerCode(c[0]) || !allSameNumber(c)) {
        return {};
    }
    if (n == 4 && allSameCode(c)) {
        return {};
    }
    return {true, groupValue(c[n - 1])};
}

MatchResult matchPairRun(const std::vector<int>& c) {
    return matchRun(c, 2, 4);
}

MatchResult matchTripleRun(const std::vector<int>& c) {
    return matchRun(c, 3, 3);
}

MatchResult matchFullHouse(const std::vector<int>& c) {
    if (c.size() != 5 || matchBomb(c).matched) {
        return {};
    }
    const int n0 = cardNumber(c[0]), n1 = cardNumber(c[1]), n2 = cardNumber(c[2]);
    const int n3 = cardNumber(c[3]), n4 = cardNumber(c[4]);
    if (n0 == n1 && n1 == n2 && n3 == n4) {
        return {true, groupValue(c[2])};
    }
    if (n0 == n1 && n2 == n3 && n3 == n4) {
        return {true, groupValue(c[4])};
    }
    return {};
}

PlayInfo classifyPlay(const std::vector<int>& cards) {
    using Recogniser = MatchResult (*)(const std::vector<int>&);
    struct Entry {
        Recogniser match;
        PlayType type;
    };
    static constexpr Entry kOrder[] = {
        {matchSingle, PLAY_SINGLE},        {matchPair, PLAY_PAIR},
        {matchTriple, PLAY_TRIPLE},        {matchBomb, PLAY_BOMB},
        {matchIdentical, PLAY_IDENTICAL},  {matchPairRun, PLAY_PAIR_RUN},
        {matchTripleRun, PLAY_TRIPLE_RUN}, {matchFullHouse, PLAY_FULL_HOUSE},
    };
    if (cards.empty()) {
        return {};
    }
    for (const Entry& entry : kOrder) {
        const MatchResult result = entry.match(cards);
        if (result.matched) {
            return {entry.type, result.value};
        }
    }
    return {};
}

namespace {

bool isBombClass(PlayType type) {
    return type == PLAY_IDENTICAL || type == PLAY_BOMB;
}

}  // namespace

bool isPlayAllowed(std::vector<int>& lastPlay, std::vector<int>& play) {
    sortCards(play);
    sortCards(lastPlay);
    if (play.empty()) {
        return false;
    }
    for (int code : play) {
        if (code < 0 || code > 53) {
            return false;
        }
    }
    const PlayInfo last = classifyPlay(lastPlay);
    const PlayInfo next = classifyPlay(play);
    if (next.type == PLAY_NONE) {
        return false;
    }
    if (last.value == TOP_CARD_VALUE) {
        return false;
    }
    if (lastPlay.empty()) {
        return true;
    }
    const bool lastBomb = isBombClass(last.type);
    const bool nextBomb = isBombClass(next.type);
    if (!lastBomb && !nextBomb) {
        return next.type == last.type && play.size() == lastPlay.size() && next.value > last.value;
    }
    if (nextBomb != lastBomb) {
        return nextBomb;
    }
    if (next.type != last.type) {
        // Identical copies beat any bomb, however long.
        return next.type == PLAY_IDENTICAL;
    }
    if (play.size() == lastPlay.size()) {
        return next.value > last.value;
    }
    return play.size() > lastPlay.size();
}
