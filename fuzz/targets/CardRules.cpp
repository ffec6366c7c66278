// The play rules on arbitrary lists of codes, as they may arrive from the server (codes outside the
// deck included). The checks are properties every correct rule set has: what a play type is made of,
// that the check sorts without losing cards, that no play beats itself, that of two plays at most
// one beats the other, and that nothing beats the top card.

#include <algorithm>
#include <vector>

#include "rules/CardRules.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace {

constexpr std::size_t kMaxCodes = 80;

bool inDeck(int code) {
    return isDeckCode(code);
}

bool allInDeck(const std::vector<int>& cards) {
    return std::all_of(cards.begin(), cards.end(), inDeck);
}

bool anyJoker(const std::vector<int>& cards) {
    return std::any_of(cards.begin(), cards.end(), isJokerCode);
}

bool allOrdinary(const std::vector<int>& cards) {
    return std::all_of(cards.begin(), cards.end(), isOrdinaryCode);
}

bool sameNumber(const std::vector<int>& cards) {
    return std::all_of(cards.begin(), cards.end(),
                       [&](int c) { return cardNumber(c) == cardNumber(cards[0]); });
}

bool sameCode(const std::vector<int>& cards) {
    return std::all_of(cards.begin(), cards.end(), [&](int c) { return c == cards[0]; });
}

// Cards k*width .. k*width+width-1 share one number for every k.
bool inGroups(const std::vector<int>& cards, std::size_t width) {
    for (std::size_t g = 0; g + width <= cards.size(); g += width) {
        for (std::size_t k = 1; k < width; ++k) {
            if (cardNumber(cards[g + k]) != cardNumber(cards[g])) {
                return false;
            }
        }
    }
    return cards.size() % width == 0;
}

bool isBombClass(PlayType type) {
    return type == PLAY_IDENTICAL || type == PLAY_BOMB;
}

// What each play type is made of, from its definition (the list is sorted).
void checkShape(const std::vector<int>& cards, const PlayInfo& info) {
    const std::size_t n = cards.size();
    switch (info.type) {
        case PLAY_NONE:
            FUZZ_CHECK(info.value == 0);
            return;
        case PLAY_SINGLE:
            FUZZ_CHECK(n == 1);
            break;
        case PLAY_PAIR:
            FUZZ_CHECK(n == 2 && sameNumber(cards));
            FUZZ_CHECK(!anyJoker(cards) || sameCode(cards));
            break;
        case PLAY_TRIPLE:
            FUZZ_CHECK(n == 3 && sameNumber(cards) && !sameCode(cards) && !anyJoker(cards));
            break;
        case PLAY_IDENTICAL:
            FUZZ_CHECK((n == 3 || n == 4) && sameCode(cards));
            break;
        case PLAY_BOMB:
            FUZZ_CHECK(n >= 4 && n <= 16 && sameNumber(cards) && !anyJoker(cards));
            FUZZ_CHECK(n > 4 || !sameCode(cards));
            break;
        case PLAY_PAIR_RUN:
            FUZZ_CHECK(n >= 8 && inGroups(cards, 2) && allOrdinary(cards));
            break;
        case PLAY_FULL_HOUSE:
            FUZZ_CHECK(n == 5);
            FUZZ_CHECK((inGroups({cards[0], cards[1], cards[2]}, 3) && inGroups({cards[3], cards[4]}, 2)) ||
                       (inGroups({cards[0], cards[1]}, 2) && inGroups({cards[2], cards[3], cards[4]}, 3)));
            break;
        case PLAY_TRIPLE_RUN:
            FUZZ_CHECK(n >= 9 && inGroups(cards, 3) && allOrdinary(cards));
            break;
        default:
            FUZZ_CHECK(!"classifyPlay gave a type outside the enumeration");
    }
    // Only plays made of the top card alone reach its value; with deck cards every value is positive.
    FUZZ_CHECK(info.value <= TOP_CARD_VALUE);
    if (info.value == TOP_CARD_VALUE) {
        FUZZ_CHECK(std::all_of(cards.begin(), cards.end(), isTopCard));
    }
    if (allInDeck(cards)) {
        FUZZ_CHECK(info.value > 0);
    }
}

bool allowed(std::vector<int> last, std::vector<int> play) {
    return isPlayAllowed(last, play);
}

}  // namespace

void fuzzCardRules(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const std::uint8_t mode = in.byte();
    const std::size_t lastCount = in.byte();
    // Small codes (mostly the deck, a few beyond it on either side) or any int at all.
    std::vector<int> codes;
    while (!in.empty() && codes.size() < kMaxCodes) {
        codes.push_back((mode & 1) != 0 ? in.int32() : int(in.byte() % 60) - 2);
    }
    const std::size_t split = std::min(lastCount % 20, codes.size());
    const std::vector<int> lastIn(codes.begin(), codes.begin() + split);
    const std::vector<int> playIn(codes.begin() + split, codes.end());

    for (const std::vector<int>* list : {&lastIn, &playIn}) {
        std::vector<int> sorted = *list;
        sortCards(sorted);
        FUZZ_CHECK(std::is_sorted(sorted.begin(), sorted.end()));
        checkShape(sorted, classifyPlay(sorted));
    }

    std::vector<int> last = lastIn;
    std::vector<int> play = playIn;
    const bool ok = isPlayAllowed(last, play);
    // Both lists come back sorted, with the same cards.
    std::vector<int> lastSorted = lastIn, playSorted = playIn;
    std::sort(lastSorted.begin(), lastSorted.end());
    std::sort(playSorted.begin(), playSorted.end());
    FUZZ_CHECK(last == lastSorted && play == playSorted);

    const PlayInfo lastInfo = classifyPlay(lastSorted);
    const PlayInfo playInfo = classifyPlay(playSorted);
    if (ok) {
        FUZZ_CHECK(!play.empty() && allInDeck(play) && playInfo.type != PLAY_NONE);
        FUZZ_CHECK(lastInfo.value != TOP_CARD_VALUE);
        if (!last.empty() && !isBombClass(lastInfo.type) && !isBombClass(playInfo.type)) {
            FUZZ_CHECK(playInfo.type == lastInfo.type && play.size() == last.size() &&
                       playInfo.value > lastInfo.value);
        }
        if (isBombClass(lastInfo.type)) {
            FUZZ_CHECK(isBombClass(playInfo.type));
        }
    }
    if (last.empty()) {
        FUZZ_CHECK(ok == (!play.empty() && allInDeck(play) && playInfo.type != PLAY_NONE));
    }
    // The order the cards come in does not matter.
    std::vector<int> reversed(playIn.rbegin(), playIn.rend());
    FUZZ_CHECK(allowed(lastIn, reversed) == ok);
    // No play beats itself, and two plays never beat each other.
    if (!playIn.empty()) {
        FUZZ_CHECK(!allowed(playIn, playIn));
    }
    if (!lastIn.empty() && ok) {
        FUZZ_CHECK(!allowed(playIn, lastIn));
    }
}
