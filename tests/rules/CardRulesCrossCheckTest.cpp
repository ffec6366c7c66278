// An independent check of the classifier. The reference below reads each play type from its
// definition by counting cards per number and per code, with the ace ranked above the king for runs;
// it shares no code with the library's positional recognisers. Both are compared over every selection
// of up to five cards and over many random longer ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "rules/CardRules.h"

namespace {

using Cards = std::vector<int>;

constexpr int kCodes = 54;  // 0..53
constexpr int kCopies = 4;  // four decks
constexpr int kJokerNumber = 13;

std::string show(const Cards& cards) {
    std::string text = "{";
    for (std::size_t i = 0; i < cards.size(); ++i) {
        text += (i ? ", " : "") + std::to_string(cards[i]);
    }
    return text + "}";
}

PlayInfo reference(const Cards& cards) {
    const int n = static_cast<int>(cards.size());
    if (n == 0) {
        return {};
    }
    std::array<int, 14> perNumber{};
    std::array<int, kCodes> perCode{};
    for (int c : cards) {
        ++perNumber[c / 4];
        ++perCode[c];
    }
    int numbers = 0, codes = 0;
    for (int k : perNumber)
        numbers += k > 0;
    for (int k : perCode)
        codes += k > 0;
    const bool jokers = perNumber[kJokerNumber] > 0;
    const int highest = *std::max_element(cards.begin(), cards.end());
    auto highestOf = [&](int number) {
        int best = -1;
        for (int c : cards) {
            if (c / 4 == number)
                best = std::max(best, c);
        }
        return best;
    };

    if (n == 1) {
        return {PLAY_SINGLE, singleValue(cards[0])};
    }
    if (codes == 1 && (n == 3 || n == 4)) {
        return {PLAY_IDENTICAL, identicalValue(cards[0])};
    }
    if (numbers == 1) {
        if (n == 2) {
            if (jokers) {
                return codes == 1 ? PlayInfo{PLAY_PAIR, singleValue(highest)} : PlayInfo{};
            }
            if (perCode[19] == 2) {
                return {PLAY_PAIR, TOP_CARD_VALUE};
            }
            return {PLAY_PAIR, groupValue(highest)};
        }
        if (n == 3 && !jokers) {
            return {PLAY_TRIPLE, groupValue(highest)};
        }
        if (n >= 4 && n <= 16 && !jokers) {
            return {PLAY_BOMB, groupValue(highest)};
        }
    }
    if (n == 5) {
        // Three of one number and two of one number; five jokers split as the first three and the
        // last two.
        if (numbers == 1 && jokers) {
            return {PLAY_FULL_HOUSE, groupValue(cards[2])};
        }
        if (numbers == 2) {
            for (int number = 0; number < 14; ++number) {
                if (perNumber[number] == 3) {
                    return {PLAY_FULL_HOUSE, groupValue(highestOf(number))};
                }
            }
        }
        return {};
    }
    // Runs: every number present exactly `width` times, ranks consecutive with the ace above the king.
    for (int width : {2, 3}) {
        const int minGroups = width == 2 ? 4 : 3;
        if (jokers || n % width != 0 || n / width < minGroups || numbers != n / width) {
            continue;
        }
        bool even = true;
        int low = 99, high = -1;
        for (int number = 0; number < 13; ++number) {
            if (perNumber[number] == 0)
                continue;
            even = even && perNumber[number] == width;
            const int rank = number == 0 ? 13 : number;
            low = std::min(low, rank);
            high = std::max(high, rank);
        }
        if (even && high - low + 1 == numbers) {
            return {width == 2 ? PLAY_PAIR_RUN : PLAY_TRIPLE_RUN, groupValue(highestOf(high % 13))};
        }
    }
    return {};
}

void expectSame(const Cards& sorted) {
    const PlayInfo got = classifyPlay(sorted);
    const PlayInfo want = reference(sorted);
    ASSERT_EQ(got.type, want.type) << show(sorted);
    ASSERT_EQ(got.value, want.value) << show(sorted);
}

// Every multiset of one to five codes from 0..53 with at most four copies of each, in sorted order.
TEST(CardRulesCrossCheck, EverySelectionUpToFiveCards) {
    Cards cards;
    std::array<int, kCodes> copies{};
    long checked = 0;
    PlayInfo got, want;
    bool failed = false;
    // Depth-first over non-decreasing codes.
    auto visit = [&](auto&& self, int from) -> void {
        if (failed)
            return;
        if (!cards.empty()) {
            got = classifyPlay(cards);
            want = reference(cards);
            ++checked;
            if (got.type != want.type || got.value != want.value) {
                failed = true;
                ADD_FAILURE() << show(cards) << ": type " << got.type << " value " << got.value
                              << ", expected type " << want.type << " value " << want.value;
                return;
            }
        }
        if (cards.size() == 5)
            return;
        for (int code = from; code < kCodes; ++code) {
            if (copies[code] == kCopies)
                continue;
            ++copies[code];
            cards.push_back(code);
            self(self, code);
            cards.pop_back();
            --copies[code];
        }
    };
    visit(visit, 0);
    // Multisets of k codes from 54 are C(53 + k, k); of those with five cards, the 54 made of five
    // copies of one code are left out.
    EXPECT_EQ(checked, 54L + 1485L + 27720L + 395010L + (4582116L - 54L)) << "domain";
}

class RandomPlays : public ::testing::Test {
protected:
    std::mt19937 rng{20261211};

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

    // Adds `code` unless four copies are already there.
    static bool add(Cards& cards, int code) {
        if (std::count(cards.begin(), cards.end(), code) >= kCopies)
            return false;
        cards.push_back(code);
        return true;
    }

    // A group of `width` cards of one number (13: the jokers 52 and 53), random suits.
    void addGroup(Cards& cards, int number, int width) {
        for (int placed = 0; placed < width;) {
            const int code = number == kJokerNumber ? 52 + pick(0, 1) : number * 4 + pick(0, 3);
            placed += add(cards, code);
        }
    }

    // Now and then one change that should usually spoil the shape: swap, drop or add a card.
    void maybeSpoil(Cards& cards) {
        switch (pick(0, 5)) {
            case 0:
                cards[pick(0, static_cast<int>(cards.size()) - 1)] = pick(0, kCodes - 1);
                break;
            case 1:
                if (cards.size() > 1)
                    cards.erase(cards.begin() + pick(0, static_cast<int>(cards.size()) - 1));
                break;
            case 2:
                add(cards, pick(0, kCodes - 1));
                break;
            case 3:
                add(cards, 19);
                break;
            default:
                break;
        }
        // A swapped-in card may have made five copies; keep the four-deck limit.
        sortCards(cards);
        for (std::size_t i = kCopies; i < cards.size(); ++i) {
            if (cards[i] == cards[i - kCopies])
                cards.erase(cards.begin() + static_cast<long>(i--));
        }
    }

    // A run of `groups` groups of `width`, ranks low..low+groups-1 with rank 13 the ace.
    Cards run(int width, int groups) {
        Cards cards;
        const int low = pick(1, 14 - groups);
        for (int rank = low; rank < low + groups; ++rank) {
            addGroup(cards, rank % 13, width);
        }
        return cards;
    }
};

TEST_F(RandomPlays, RunsOfPairsAndTriples) {
    for (int i = 0; i < 50000; ++i) {
        const int width = pick(2, 3);
        Cards cards = run(width, pick(width == 2 ? 3 : 2, 13));
        if (pick(0, 9) == 0)
            addGroup(cards, 0, width);  // aces at both ends
        maybeSpoil(cards);
        expectSame(cards);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(RandomPlays, BombsAndCopies) {
    for (int i = 0; i < 50000; ++i) {
        Cards cards;
        const int number = pick(0, 13);
        // Few suits now and then, so that copies of one code are common.
        const int suits = number == kJokerNumber ? 2 : pick(1, 4);
        const int size = pick(2, suits * kCopies);
        while (static_cast<int>(cards.size()) < size) {
            add(cards, number == kJokerNumber ? 52 + pick(0, 1) : number * 4 + pick(0, suits - 1));
        }
        maybeSpoil(cards);
        expectSame(cards);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(RandomPlays, FullHousesWithJokers) {
    for (int i = 0; i < 50000; ++i) {
        Cards cards;
        const int triple = pick(0, 3) == 0 ? kJokerNumber : pick(0, 13);
        const int pair = pick(0, 2) == 0 ? kJokerNumber : pick(0, 13);
        addGroup(cards, triple, 3);
        addGroup(cards, pair, 2);
        if (pick(0, 1))
            maybeSpoil(cards);
        sortCards(cards);
        expectSame(cards);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(RandomPlays, MixedListsAndWholeHands) {
    for (int i = 0; i < 50000; ++i) {
        Cards cards;
        // Draw from a narrow band of numbers so that shapes happen by chance, or from the whole deck.
        const bool narrow = pick(0, 3) != 0;
        const int low = pick(0, 12), size = narrow ? pick(6, 16) : 54;
        while (static_cast<int>(cards.size()) < size) {
            const int code = narrow ? std::min(53, (low + pick(0, 2)) * 4 + pick(0, 3)) : pick(0, kCodes - 1);
            add(cards, code);
        }
        sortCards(cards);
        expectSame(cards);
        if (HasFatalFailure())
            return;
    }
}

// Whatever the two plays, at most one of them beats the other, a free lead takes every recognised
// play, and the bomb class beats every other play unless the last one is worth the top card.
TEST_F(RandomPlays, PlayCheckIsConsistent) {
    auto randomPlay = [&]() {
        Cards cards;
        switch (pick(0, 5)) {
            case 0:
                cards = {pick(0, kCodes - 1)};
                break;
            case 1:
                addGroup(cards, pick(0, 13), 2);
                break;
            case 2:
                addGroup(cards, pick(0, 13), pick(3, 4));
                break;
            case 3:
                addGroup(cards, pick(0, 12), pick(4, 8));
                break;
            case 4:
                cards = run(pick(2, 3), 4);
                break;
            default:
                addGroup(cards, pick(0, 13), 3);
                addGroup(cards, pick(0, 13), 2);
                break;
        }
        sortCards(cards);
        return cards;
    };
    for (int i = 0; i < 50000; ++i) {
        const Cards a = randomPlay(), b = randomPlay();
        const PlayInfo infoA = classifyPlay(a), infoB = classifyPlay(b);
        Cards last = a, play = b;
        const bool bOnA = isPlayAllowed(last, play);
        last = b, play = a;
        const bool aOnB = isPlayAllowed(last, play);
        ASSERT_FALSE(aOnB && bOnA) << show(a) << " and " << show(b);

        Cards none, lead = b;
        ASSERT_EQ(isPlayAllowed(none, lead), infoB.type != PLAY_NONE) << show(b);

        const bool bombA = infoA.type == PLAY_BOMB || infoA.type == PLAY_IDENTICAL;
        const bool bombB = infoB.type == PLAY_BOMB || infoB.type == PLAY_IDENTICAL;
        if (bombB && !bombA && infoA.value != TOP_CARD_VALUE) {
            ASSERT_TRUE(bOnA) << show(b) << " on " << show(a);
        }
        if (infoA.value == TOP_CARD_VALUE) {
            ASSERT_FALSE(bOnA) << show(b) << " on " << show(a);
        }
    }
}

}  // namespace
