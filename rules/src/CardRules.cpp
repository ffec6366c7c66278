#include "rules/CardRules.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

constexpr std::size_t kMaxBomb = 16;
constexpr std::size_t kInsertionSortLimit = 8;
constexpr unsigned kCopiesWrittenAtOnce = 4;
constexpr std::size_t kCountedCodes = 56;

// The codes the rules give a strength: the deck and the joker codes the rules read as jokers.
bool isCardCode(int code) {
    return code >= 0 && cardNumber(code) <= kJokerNumber;
}
bool isAce(int code) {
    return code >= 0 && code <= 3;
}

// A run of groups of `width` cards of one number each, numbers rising by one. The ace may only stand
// above the king: a list that starts with aces must end with kings, and the aces count once.
// Runs are of ordinary cards only: a joker, or any code beyond the deck that arrives in a list, takes
// no part, whichever place it sorts to.
MatchResult matchRun(const std::vector<int>& c, std::size_t width, std::size_t minGroups) {
    const std::size_t n = c.size();
    if (n < width * minGroups || n % width != 0) {
        return {};
    }
    for (std::size_t g = 0; g < n; g += width) {
        const int number = cardNumber(c[g]);
        for (std::size_t k = 0; k < width; ++k) {
            if (!isOrdinaryCode(c[g + k]) || cardNumber(c[g + k]) != number) {
                return {};
            }
        }
    }
    const bool aceHigh = isAce(c[0]);
    // With the aces on top, the groups after them carry the run; they must not be aces again.
    const std::size_t first = aceHigh ? width : 0;
    int expected = cardNumber(c[first]);
    if (aceHigh && (expected <= 0 || cardNumber(c[n - 1]) != kKingNumber)) {
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
    const std::size_t n = cards.size();
    // A selection taken from a sorted hand, and a last play sorted before, are already in order.
    if (std::is_sorted(cards.begin(), cards.end())) {
        return;
    }
    if (n <= kInsertionSortLimit) {
        for (std::size_t i = 1; i < n; ++i) {
            const int code = cards[i];
            std::size_t j = i;
            for (; j > 0 && cards[j - 1] > code; --j) {
                cards[j] = cards[j - 1];
            }
            cards[j] = code;
        }
        return;
    }
    // Longer lists: count each code, then write the codes out in order. On shuffled lists this is
    // faster than a comparison sort, which loses its time to mispredicted branches.
    // Lists holding other values, or more copies of one code than the counters take, use the general
    // sort.
    std::array<unsigned char, kCountedCodes> counts{};
    for (int code : cards) {
        if (code < 0 || code >= static_cast<int>(kCountedCodes) ||
            counts[static_cast<std::size_t>(code)] == 255) {
            std::sort(cards.begin(), cards.end());
            return;
        }
        ++counts[static_cast<std::size_t>(code)];
    }
    int* out = cards.data();
    int* const end = out + n;
    for (std::size_t code = 0; code < kCountedCodes; ++code) {
        const unsigned count = counts[code];
        const int value = static_cast<int>(code);
        if (count <= kCopiesWrittenAtOnce && end - out >= static_cast<std::ptrdiff_t>(kCopiesWrittenAtOnce)) {
            // Up to four copies (four decks) with one branch-free group of stores; the stores past
            // `count` are overwritten by the next codes.
            out[0] = value;
            out[1] = value;
            out[2] = value;
            out[3] = value;
            out += count;
        } else {
            for (unsigned k = 0; k < count; ++k) {
                *out++ = value;
            }
        }
    }
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

namespace {

// Returns true and fills `info` when `match` recognises the cards.
bool tryMatch(MatchResult (*match)(const std::vector<int>&), PlayType type, const std::vector<int>& cards,
              PlayInfo& info) {
    const MatchResult result = match(cards);
    if (!result.matched) {
        return false;
    }
    info = {type, result.value};
    return true;
}

}  // namespace

// The recognisers are tried in the fixed order single, pair, triple, bomb, identical, pair run,
// triple run, full house; each size goes straight to the ones that can take that many cards.
PlayInfo classifyPlay(const std::vector<int>& cards) {
    PlayInfo info;
    switch (cards.size()) {
        case 0:
            break;
        case 1:
            tryMatch(matchSingle, PLAY_SINGLE, cards, info);
            break;
        case 2:
            tryMatch(matchPair, PLAY_PAIR, cards, info);
            break;
        case 3:
            tryMatch(matchTriple, PLAY_TRIPLE, cards, info) ||
                tryMatch(matchIdentical, PLAY_IDENTICAL, cards, info);
            break;
        case 4:
            tryMatch(matchBomb, PLAY_BOMB, cards, info) ||
                tryMatch(matchIdentical, PLAY_IDENTICAL, cards, info);
            break;
        case 5:
            tryMatch(matchBomb, PLAY_BOMB, cards, info) ||
                tryMatch(matchFullHouse, PLAY_FULL_HOUSE, cards, info);
            break;
        default:
            tryMatch(matchBomb, PLAY_BOMB, cards, info) ||
                tryMatch(matchPairRun, PLAY_PAIR_RUN, cards, info) ||
                tryMatch(matchTripleRun, PLAY_TRIPLE_RUN, cards, info);
            break;
    }
    return info;
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
        if (!isDeckCode(code)) {
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
