// The play rules case by case: classification, card strengths and the check against the last play.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "rules/CardRules.h"

namespace {

using Cards = std::vector<int>;

std::string show(const Cards& cards) {
    std::string text = "{";
    for (std::size_t i = 0; i < cards.size(); ++i) {
        text += (i ? ", " : "") + std::to_string(cards[i]);
    }
    return text + "}";
}

// Sixteen fives: four copies of each suit, the top card among them.
Cards sixteenFives() {
    Cards cards;
    for (int copy = 0; copy < 4; ++copy) {
        for (int code = 16; code < 20; ++code) {
            cards.push_back(code);
        }
    }
    sortCards(cards);
    return cards;
}

// Groups of `width` cards, one group per number, suits 0, 1, ... within a group.
Cards groups(int width, std::initializer_list<int> numbers) {
    Cards cards;
    for (int number : numbers) {
        for (int suit = 0; suit < width; ++suit) {
            cards.push_back(number * 4 + suit);
        }
    }
    sortCards(cards);
    return cards;
}

struct ClassifyCase {
    Cards cards;  // sorted
    PlayType type;
    int value;
};

// Codes: 8..11 threes, 12..15 fours, 16..19 fives, 20..23 sixes, 40..43 jacks, 44..47 queens,
// 48..51 kings, 0..3 aces, 4..7 twos, 52 and 53 the jokers.
const ClassifyCase kClassifyCases[] = {
    {{}, PLAY_NONE, 0},
    // singles
    {{8}, PLAY_SINGLE, 8},
    {{48}, PLAY_SINGLE, 48},
    {{0}, PLAY_SINGLE, 54},
    {{4}, PLAY_SINGLE, 58},
    {{52}, PLAY_SINGLE, 152},
    {{53}, PLAY_SINGLE, 153},
    {{19}, PLAY_SINGLE, 1000},
    // pairs
    {{8, 12}, PLAY_NONE, 0},
    {{52, 53}, PLAY_NONE, 0},
    {{52, 52}, PLAY_PAIR, 152},
    {{53, 53}, PLAY_PAIR, 153},
    {{16, 19}, PLAY_PAIR, 19},
    {{17, 18}, PLAY_PAIR, 18},
    {{19, 19}, PLAY_PAIR, 1000},
    {{0, 3}, PLAY_PAIR, 57},
    {{8, 8}, PLAY_PAIR, 8},
    // triples and three copies
    {{8, 9, 10}, PLAY_TRIPLE, 10},
    {{4, 4, 7}, PLAY_TRIPLE, 61},
    {{8, 8, 8}, PLAY_IDENTICAL, 8},
    {{11, 11, 11}, PLAY_IDENTICAL, 167},
    {{48, 48, 48}, PLAY_IDENTICAL, 48},
    {{9, 9, 9}, PLAY_IDENTICAL, 61},
    {{52, 52, 52}, PLAY_IDENTICAL, 552},
    {{19, 19, 19}, PLAY_IDENTICAL, 1000},
    {{52, 52, 53}, PLAY_NONE, 0},
    {{8, 9, 12}, PLAY_NONE, 0},
    // bombs and four copies
    {{8, 9, 10, 11}, PLAY_BOMB, 11},
    {{8, 8, 8, 9}, PLAY_BOMB, 9},
    {{16, 17, 18, 19}, PLAY_BOMB, 19},
    {{8, 8, 8, 8}, PLAY_IDENTICAL, 8},
    {{19, 19, 19, 19}, PLAY_IDENTICAL, 1000},
    {{8, 8, 9, 10, 11}, PLAY_BOMB, 11},
    {sixteenFives(), PLAY_BOMB, 19},
    {{52, 52, 53, 53}, PLAY_NONE, 0},
    // pair runs
    {{8, 9, 12, 13, 16, 17, 20, 21}, PLAY_PAIR_RUN, 21},
    {{8, 9, 12, 13, 16, 17}, PLAY_NONE, 0},
    {{0, 1, 40, 41, 44, 45, 48, 49}, PLAY_PAIR_RUN, 55},
    {{0, 1, 4, 5, 8, 9, 12, 13}, PLAY_NONE, 0},
    {{4, 5, 8, 9, 12, 13, 16, 17}, PLAY_PAIR_RUN, 17},
    {{0, 1, 16, 17, 20, 21, 24, 25}, PLAY_NONE, 0},
    {{8, 9, 12, 13, 20, 21, 24, 25}, PLAY_NONE, 0},
    {{8, 8, 8, 8, 12, 13, 16, 17}, PLAY_NONE, 0},
    {{40, 41, 44, 45, 48, 49, 52, 52}, PLAY_NONE, 0},
    // the ace stands once, above the king: aces at both ends make no run
    {groups(2, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), PLAY_NONE, 0},
    {groups(2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), PLAY_PAIR_RUN, 55},
    // triple runs
    {{0, 1, 2, 44, 45, 46, 48, 49, 50}, PLAY_TRIPLE_RUN, 56},
    {{0, 1, 2, 4, 5, 6, 8, 9, 10}, PLAY_NONE, 0},
    {{8, 9, 10, 12, 13, 14, 16, 17, 18}, PLAY_TRIPLE_RUN, 18},
    {{8, 9, 10, 12, 13, 14}, PLAY_NONE, 0},
    {groups(3, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), PLAY_NONE, 0},
    {groups(3, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), PLAY_TRIPLE_RUN, 56},
    // full houses
    {{8, 9, 10, 12, 13}, PLAY_FULL_HOUSE, 10},
    {{8, 9, 12, 13, 14}, PLAY_FULL_HOUSE, 14},
    {{8, 9, 10, 52, 53}, PLAY_FULL_HOUSE, 10},
    {{8, 9, 52, 53, 53}, PLAY_FULL_HOUSE, 153},
    {{52, 52, 52, 53, 53}, PLAY_FULL_HOUSE, 152},
    {{0, 1, 2, 48, 49}, PLAY_FULL_HOUSE, 56},
    {{8, 9, 10, 11, 12}, PLAY_NONE, 0},
    {{8, 8, 9, 10, 11}, PLAY_BOMB, 11},
    // the rules count 52..55 as jokers; only the checked play refuses 54 and 55
    {{54}, PLAY_SINGLE, 154},
    // runs are of ordinary cards, whatever codes a list brings: kings, jokers and codes past the
    // jokers follow each other by number but make no run
    {{48, 48, 48, 52, 52, 52, 56, 56, 56}, PLAY_NONE, 0},
    {{48, 49, 52, 52, 56, 57, 60, 61}, PLAY_NONE, 0},
    {{-1, -1, -1, 4, 4, 4, 8, 8, 8}, PLAY_NONE, 0},
    {{-1, -1, 4, 4, 8, 8, 12, 12}, PLAY_NONE, 0},
};

TEST(CardRules, ClassifiesEachCase) {
    for (const ClassifyCase& c : kClassifyCases) {
        const PlayInfo info = classifyPlay(c.cards);
        EXPECT_EQ(info.type, c.type) << show(c.cards);
        EXPECT_EQ(info.value, c.value) << show(c.cards);
    }
}

TEST(CardRules, RecognisersRefuseWithZero) {
    using Recogniser = MatchResult (*)(const std::vector<int>&);
    const Recogniser all[] = {matchSingle, matchPair,    matchTriple,    matchIdentical,
                              matchBomb,   matchPairRun, matchTripleRun, matchFullHouse};
    const Cards notPlays[] = {{}, {8, 12}, {52, 53}, {8, 9, 10, 11, 12}, {8, 9, 12, 13, 16, 17}};
    for (Recogniser match : all) {
        for (const Cards& cards : notPlays) {
            const MatchResult result = match(cards);
            EXPECT_FALSE(result.matched) << show(cards);
            EXPECT_EQ(result.value, 0) << show(cards);
        }
    }
    // Shapes that one recogniser leaves to another.
    EXPECT_FALSE(matchTriple({8, 8, 8}).matched);
    EXPECT_FALSE(matchBomb({8, 8, 8, 8}).matched);
    EXPECT_FALSE(matchFullHouse({8, 8, 9, 10, 11}).matched);
    EXPECT_FALSE(matchIdentical({8, 8, 8, 8, 8}).matched);
}

struct StrengthCase {
    int code;
    int single;
    int group;
    int identical;
};

const StrengthCase kStrengthCases[] = {
    {8, 8, 8, 8},
    {11, 11, 11, 167},
    {48, 48, 48, 48},
    {51, 51, 51, 207},
    {19, 1000, 19, 1000},
    {16, 16, 16, 16},
    {0, 54, 54, 52},
    {3, 57, 57, 211},
    {4, 58, 58, 56},
    {7, 61, 61, 215},
    {52, 152, 152, 552},
    {53, 153, 153, 553},
    {-1, -1, -1, -1},
    {56, -1, -1, -1},
    {-2147483647 - 1, -1, -1, -1},
    {2147483647, -1, -1, -1},
};

TEST(CardRules, CardStrengths) {
    for (const StrengthCase& c : kStrengthCases) {
        EXPECT_EQ(singleValue(c.code), c.single) << c.code;
        EXPECT_EQ(groupValue(c.code), c.group) << c.code;
        EXPECT_EQ(identicalValue(c.code), c.identical) << c.code;
    }
    for (int code = -1; code <= 56; ++code) {
        EXPECT_EQ(isTopCard(code), code == 19) << code;
    }
}

// Singles rank three < ... < king < ace < two < black joker < red joker < top card, by suit within a
// number; under identicalValue the suit ranks first, then three .. king, ace, two; jokers and the top
// card above all.
TEST(CardRules, StrengthOrders) {
    Cards singleOrder;
    for (int number : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1}) {
        for (int suit = 0; suit < 4; ++suit) {
            if (number * 4 + suit != 19) {
                singleOrder.push_back(number * 4 + suit);
            }
        }
    }
    singleOrder.insert(singleOrder.end(), {52, 53, 19});
    for (std::size_t i = 1; i < singleOrder.size(); ++i) {
        EXPECT_LT(singleValue(singleOrder[i - 1]), singleValue(singleOrder[i]))
            << singleOrder[i - 1] << " before " << singleOrder[i];
    }

    Cards identicalOrder;
    for (int suit = 0; suit < 4; ++suit) {
        for (int number : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1}) {
            if (number * 4 + suit != 19) {
                identicalOrder.push_back(number * 4 + suit);
            }
        }
    }
    identicalOrder.insert(identicalOrder.end(), {52, 53, 19});
    for (std::size_t i = 1; i < identicalOrder.size(); ++i) {
        EXPECT_LT(identicalValue(identicalOrder[i - 1]), identicalValue(identicalOrder[i]))
            << identicalOrder[i - 1] << " before " << identicalOrder[i];
    }
}

struct AllowCase {
    Cards last;
    Cards play;
    bool allowed;
};

const AllowCase kAllowCases[] = {
    // free lead
    {{}, {8}, true},
    {{}, {8, 12}, false},
    {{}, {}, false},
    {{}, {19}, true},
    {{}, {0, 1, 40, 41, 44, 45, 48, 49}, true},
    // singles
    {{48}, {49}, true},
    {{48}, {48}, false},
    {{48}, {0}, true},
    {{48}, {4}, true},
    {{48}, {47}, false},
    {{53}, {19}, true},
    {{53}, {52}, false},
    // pairs: the value comes from the higher card, the top card paired with a five is only a five
    {{16, 19}, {17, 18}, false},
    {{16, 19}, {20, 21}, true},
    {{52, 52}, {53, 53}, true},
    {{17, 18}, {16, 19}, true},
    // different shapes or sizes never beat each other outside the bomb class
    {{8}, {12, 13}, false},
    {{8, 9, 12, 13, 16, 17, 20, 21}, {12, 13, 16, 17, 20, 21, 24, 25, 28, 29}, false},
    {{8, 9, 12, 13, 16, 17, 20, 21}, {12, 13, 16, 17, 20, 21, 24, 25}, true},
    {{8, 9, 12, 13, 16, 17, 20, 21}, {8, 9, 12, 13, 16, 17, 20, 21}, false},
    {{8, 9, 10, 12, 13}, {8, 9, 12, 13, 14}, true},
    {{8, 9, 10}, {8, 9, 10, 12, 13}, false},
    // three copies: suit first
    {{48, 48, 48}, {9, 9, 9}, true},
    {{9, 9, 9}, {48, 48, 48}, false},
    // bombs
    {{8, 8, 9, 10, 11}, {48, 49, 50, 51}, false},
    {{8, 8, 9, 10, 11}, {12, 12, 13, 14, 15}, true},
    {{8, 8, 9, 10, 11}, {8, 8, 8}, true},
    {{48, 49, 50, 51}, {8, 8, 9, 10, 11}, true},
    {{8, 9, 10, 11}, {8, 9, 10, 11}, false},
    {{8, 9, 10, 11}, {12, 13, 14, 15}, true},
    {{8, 8, 8}, {12, 13, 14, 15}, false},
    {{8, 8, 8}, sixteenFives(), false},
    {{8, 8, 8}, {8, 8, 8, 8}, true},
    {{51, 51, 51}, {8, 8, 8, 8}, true},
    {{8, 8, 8, 8}, {51, 51, 51}, false},
    {{8, 8, 8}, {8, 8, 8}, false},
    {{8, 8, 8}, {9, 9, 9}, true},
    {sixteenFives(), {8, 8, 8}, true},
    // the bomb class against everything else
    {{52, 52}, {8, 9, 10, 11}, true},
    {{53}, {8, 8, 8}, true},
    {{8, 9, 12, 13, 16, 17, 20, 21}, {8, 9, 10, 11}, true},
    {{8, 9, 10, 11}, {52, 52}, false},
    {{8, 8, 8}, {0, 1, 40, 41, 44, 45, 48, 49}, false},
    // a last play that is no play can only be beaten by the bomb class
    {{8, 12}, {9}, false},
    {{8, 12}, {9, 13}, false},
    {{8, 12}, {8, 9, 10, 11}, true},
    // codes that name no card are refused in the play
    {{}, {54}, false},
    {{}, {-1}, false},
    {{}, {8, 55}, false},
    {{48}, {54}, false},
};

TEST(CardRules, PlayAllowedAgainstLastPlay) {
    for (const AllowCase& c : kAllowCases) {
        Cards last = c.last;
        Cards play = c.play;
        EXPECT_EQ(isPlayAllowed(last, play), c.allowed) << show(c.play) << " on " << show(c.last);
    }
}

TEST(CardRules, NothingBeatsTheTopCard) {
    const Cards tops[] = {{19}, {19, 19}, {19, 19, 19}, {19, 19, 19, 19}};
    const Cards plays[] = {{53}, {19}, {52, 52}, {19, 19}, {52, 52, 52}, {8, 8, 8, 8}, sixteenFives(), {20}};
    for (const Cards& top : tops) {
        for (const Cards& candidate : plays) {
            Cards last = top;
            Cards play = candidate;
            EXPECT_FALSE(isPlayAllowed(last, play)) << show(candidate) << " on " << show(top);
        }
    }
}

TEST(CardRules, PlayAllowedSortsBothListsInPlace) {
    struct Case {
        Cards last, play, sortedLast, sortedPlay;
        bool allowed;
    };
    const Case cases[] = {
        {{}, {13, 8, 12, 9}, {}, {8, 9, 12, 13}, false},
        {{14, 11, 10, 15}, {13, 8, 12, 9}, {10, 11, 14, 15}, {8, 9, 12, 13}, false},
        {{9, 8}, {13, 12}, {8, 9}, {12, 13}, true},
        {{19}, {53, 52, 52}, {19}, {52, 52, 53}, false},
        {{48}, {54, 3}, {48}, {3, 54}, false},
    };
    for (const Case& c : cases) {
        Cards last = c.last;
        Cards play = c.play;
        EXPECT_EQ(isPlayAllowed(last, play), c.allowed) << show(c.play);
        EXPECT_EQ(play, c.sortedPlay);
        EXPECT_EQ(last, c.sortedLast);
    }
}

TEST(CardRules, SortCardsGroupsByNumberThenSuit) {
    Cards hand = {53, 19, 0, 52, 4, 48, 3, 8, 19};
    sortCards(hand);
    EXPECT_EQ(hand, (Cards{0, 3, 4, 8, 19, 19, 48, 52, 53}));
}

// Short lists, whole hands and lists with codes that name no card or with very many copies of one
// code all end in plain ascending order.
TEST(CardRules, SortCardsMatchesAscendingOrder) {
    std::mt19937 rng(7);
    std::vector<Cards> lists = {
        {},
        {5},
        {2, 1},
        {9, 8, 7, 6, 5, 4, 3, 2, 1},
        {-5, 60, 3, -2147483647 - 1, 2147483647, 0, 1, 2, 3, 4},
        Cards(300, 8),  // more copies of one code than a count of one byte
    };
    lists.back().push_back(3);
    for (int size : {3, 8, 9, 16, 24, 54, 216}) {
        for (int round = 0; round < 50; ++round) {
            Cards cards;
            for (int i = 0; i < size; ++i) {
                cards.push_back(static_cast<int>(rng() % 54));
            }
            lists.push_back(cards);
        }
    }
    for (const Cards& list : lists) {
        Cards sorted = list, expected = list;
        sortCards(sorted);
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(sorted, expected) << show(list);
    }
}

}  // namespace
