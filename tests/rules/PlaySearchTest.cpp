// The candidate search from outside: hands and last plays with the candidates written down, then a
// check against the rules over random hands. For small hands the reference tries every selection of
// the hand with isPlayAllowed; for whole hands it samples selections. Either way, every strength
// (type, size, value) that some accepted selection reaches must be among the candidates, and every
// candidate must be held and accepted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "rules/CardRules.h"
#include "rules/PlaySearch.h"

namespace {

using Cards = std::vector<int>;
using Plays = std::vector<Cards>;

std::string show(const Cards& cards) {
    std::string text = "{";
    for (std::size_t i = 0; i < cards.size(); ++i) {
        text += (i ? ", " : "") + std::to_string(cards[i]);
    }
    return text + "}";
}

std::string show(const Plays& plays) {
    std::string text = "[";
    for (std::size_t i = 0; i < plays.size(); ++i) {
        text += (i ? " " : "") + show(plays[i]);
    }
    return text + "]";
}

struct Case {
    const char* what;
    Cards hand;
    Cards last;
    Plays expected;
};

// Codes: 0..3 aces, 4..7 twos, 8..11 threes, 12..15 fours, 16..19 fives (19 the top card), 20..23
// sixes, 40..43 jacks, 44..47 queens, 48..51 kings, 52 and 53 the jokers.
const Case kCases[] = {
    {"a lead starts with the weakest single", {0, 8, 12}, {}, {{8}, {12}, {0}}},
    {"a lead offers every type, singles first", {9, 8}, {}, {{8}, {9}, {8, 9}}},
    {"only the pair above the fives", {8, 9, 12, 13, 20, 21, 48}, {16, 17}, {{20, 21}}},
    {"a pair with the top card is worth a five; two top cards are unbeatable",
     {16, 19, 19},
     {17, 18},
     {{16, 19}, {19, 19}}},
    {"on a pair worth 19, a pair worth 18 is refused", {17, 18, 20, 21}, {16, 19}, {{20, 21}}},
    {"singles by strength, then bombs, then the top card",
     {19, 52, 8, 9, 10, 11},
     {53},
     {{8, 9, 10, 11}, {19}}},
    {"nothing follows the top card", {52, 53, 8, 8, 8, 8, 16, 17, 18}, {19}, {}},
    {"nothing follows two top cards", {19, 19, 19, 8, 8, 8, 8}, {19, 19}, {}},
    {"on a bomb: longer or higher bombs, then every set of copies",
     {8, 8, 8, 8, 48, 49, 50, 51},
     {12, 13, 14, 15},
     {{48, 49, 50, 51}, {8, 8, 8}, {8, 8, 8, 8}}},
    {"on three copies only four copies follow",
     {8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 20, 20, 20},
     {9, 9, 9},
     {{20, 20, 20, 20}}},
    {"copies by the suit first: three of 11 beat three of 48",
     {11, 11, 11, 8, 8, 8},
     {48, 48, 48},
     {{11, 11, 11}}},
    {"full houses by their triple, each with the weakest pair",
     {11, 11, 11, 16, 17, 52, 53, 20, 21, 22},
     {8, 9, 10, 12, 13},
     {{11, 11, 11, 16, 17}, {11, 11, 20, 21, 22}, {11, 11, 11}}},
    {"jokers as the pair of a full house, when no other pair is held",
     {8, 9, 10, 52, 53},
     {8, 8, 9, 12, 13},
     {{8, 9, 10, 52, 53}}},
    {"a pair run from the lowest pairs, the top pair carrying the value",
     {8, 9, 12, 13, 16, 17, 20, 21, 22},
     {4, 5, 8, 9, 12, 13, 16, 17},
     {{8, 9, 12, 13, 16, 17, 20, 21}, {8, 9, 12, 13, 16, 17, 20, 22}}},
    {"the aces stand above the king in a run",
     {2, 3, 40, 41, 44, 45, 48, 49},
     {0, 1, 40, 41, 44, 45, 48, 49},
     {{2, 3, 40, 41, 44, 45, 48, 49}}},
    {"a triple run on a triple run",
     {8, 9, 10, 12, 13, 14, 16, 17, 18},
     {4, 5, 6, 8, 9, 10, 12, 13, 14},
     {{8, 9, 10, 12, 13, 14, 16, 17, 18}}},
    {"an unrecognised last play is beaten by the bomb class only",
     {8, 9, 12, 20, 20, 20},
     {8, 12},
     {{20, 20, 20}}},
    {"a lead of five jokers and their parts",
     {52, 52, 53, 53, 53},
     {},
     {{52}, {53}, {52, 52}, {53, 53}, {52, 52, 53, 53, 53}, {53, 53, 53}}},
    {"a black and a red joker are no pair", {52, 53}, {}, {{52}, {53}}},
    {"codes that name no card are left out of the hand", {-1, 54, 55, 100, 8}, {}, {{8}}},
    {"an empty hand has nothing", {}, {}, {}},
    {"the wheel A-2-3-4 is no run", {0, 1, 4, 5, 8, 9, 12, 13}, {40, 41, 44, 45, 48, 49, 0, 1}, {}},
};

TEST(PlaySearch, WrittenDownCases) {
    for (const Case& c : kCases) {
        EXPECT_EQ(show(findCandidatePlays(c.hand, c.last)), show(c.expected)) << c.what;
    }
}

Cards copiesOf(std::initializer_list<int> codes, int copies) {
    Cards cards;
    for (int code : codes) {
        cards.insert(cards.end(), static_cast<std::size_t>(copies), code);
    }
    return cards;
}

TEST(PlaySearch, LongestBombs) {
    // Sixteen fives against fifteen threes: the bombs of fifteen and sixteen, topped by the top card,
    // then every set of copies; three and four top cards are worth the top card's value.
    const Cards fives = copiesOf({16, 17, 18, 19}, 4);
    Cards threes = copiesOf({8, 9, 10, 11}, 4);
    threes.pop_back();
    // The fifteen: every five but one top card.
    Cards fifteen = copiesOf({16, 17, 18}, 4);
    fifteen.insert(fifteen.end(), 3, 19);
    const Plays expected = {
        fifteen,           copiesOf({16, 17, 18, 19}, 4),
        copiesOf({16}, 3), copiesOf({17}, 3),
        copiesOf({18}, 3), copiesOf({16}, 4),
        copiesOf({17}, 4), copiesOf({18}, 4),
        copiesOf({19}, 3), copiesOf({19}, 4),
    };
    EXPECT_EQ(show(findCandidatePlays(fives, threes)), show(expected));
}

TEST(PlaySearch, LeadOrderAcrossTypes) {
    // Singles, pairs, triples, full houses, pair runs, then bombs and copies, then the top card.
    const Cards hand = {8, 9, 10, 11, 12, 13, 16, 17, 19, 20, 21, 24, 24, 24, 24};
    const Plays plays = findCandidatePlays(hand, {});
    std::vector<std::tuple<PlayType, std::size_t>> shapes;
    for (Cards play : plays) {
        const PlayInfo info = classifyPlay(play);
        const auto shape = std::make_tuple(info.value == TOP_CARD_VALUE ? PLAY_NONE : info.type, play.size());
        if (shapes.empty() || shapes.back() != shape) {
            shapes.push_back(shape);
        }
    }
    const std::vector<std::tuple<PlayType, std::size_t>> expected = {
        {PLAY_SINGLE, 1},    {PLAY_PAIR, 2}, {PLAY_TRIPLE, 3},    {PLAY_FULL_HOUSE, 5}, {PLAY_PAIR_RUN, 8},
        {PLAY_PAIR_RUN, 10}, {PLAY_BOMB, 4}, {PLAY_IDENTICAL, 3}, {PLAY_IDENTICAL, 4},  {PLAY_NONE, 1},
    };
    ASSERT_EQ(shapes.size(), expected.size()) << show(plays);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_EQ(std::get<0>(shapes[i]), std::get<0>(expected[i])) << i << " " << show(plays);
        EXPECT_EQ(std::get<1>(shapes[i]), std::get<1>(expected[i])) << i << " " << show(plays);
    }
    EXPECT_EQ(plays.front(), (Cards{8}));
    EXPECT_EQ(plays.back(), (Cards{19}));
}

// ---- Cross-check against the rules --------------------------------------------------------------

using Strength = std::tuple<int, std::size_t, int>;  // type, size, value

Strength strengthOf(const Cards& sorted) {
    const PlayInfo info = classifyPlay(sorted);
    return {info.type, sorted.size(), info.value};
}

bool holds(const Cards& hand, const Cards& play) {
    std::map<int, int> left;
    for (int code : hand) {
        ++left[code];
    }
    for (int code : play) {
        if (--left[code] < 0) {
            return false;
        }
    }
    return true;
}

// Checks the candidates against the rules and returns their strengths.
std::set<Strength> checkedStrengths(const Cards& hand, const Cards& last, const Plays& plays) {
    std::set<Strength> strengths;
    for (const Cards& play : plays) {
        Cards copy = play;
        Cards against = last;
        EXPECT_TRUE(std::is_sorted(play.begin(), play.end())) << show(play);
        EXPECT_TRUE(holds(hand, play)) << show(hand) << " " << show(play);
        EXPECT_TRUE(isPlayAllowed(against, copy)) << show(last) << " " << show(play);
        EXPECT_TRUE(strengths.insert(strengthOf(play)).second) << "two of one strength: " << show(play);
    }
    return strengths;
}

// A small hand from a few neighbouring numbers (in run order, so that runs and the ace above the
// king occur), sometimes with jokers and the top card.
Cards smallHand(std::mt19937& rng) {
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const int size = pick(1, 13);
    const int firstRank = pick(1, 13);  // two .. king, 13 the ace
    const int ranks = pick(1, 5);
    const int jokerShare = pick(0, 2) * 2;  // in tenths: none, a few, many (five jokers happen)
    std::array<int, 54> copies{};
    Cards hand;
    while (static_cast<int>(hand.size()) < size) {
        int code;
        const int roll = pick(0, 9);
        if (roll < jokerShare) {
            code = pick(52, 53);
        } else if (roll == 9) {
            code = 19;
        } else {
            const int rank = std::min(13, firstRank + pick(0, ranks - 1));
            code = (rank % 13) * 4 + pick(0, 3);
        }
        if (copies[static_cast<std::size_t>(code)] < 4) {
            ++copies[static_cast<std::size_t>(code)];
            hand.push_back(code);
        }
    }
    std::shuffle(hand.begin(), hand.end(), rng);
    return hand;
}

// A last play: empty, a random selection (often no play), or a recognised play of another hand.
Cards lastPlay(std::mt19937& rng) {
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    const int roll = pick(0, 9);
    if (roll == 0) {
        return {};
    }
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Cards other = smallHand(rng);
        Cards play;
        for (int code : other) {
            if (pick(0, 2) == 0) {
                play.push_back(code);
            }
        }
        sortCards(play);
        if (!play.empty() && (roll == 1 || classifyPlay(play).type != PLAY_NONE)) {
            return play;
        }
    }
    return {8};
}

TEST(PlaySearchCrossCheck, EverySelectionOfSmallHands) {
    std::mt19937 rng(20261211);
    for (int round = 0; round < 1500; ++round) {
        const Cards hand = smallHand(rng);
        const Cards last = lastPlay(rng);
        std::set<Strength> reached;
        const std::size_t n = hand.size();
        Cards selection;
        for (unsigned mask = 1; mask < (1u << n); ++mask) {
            selection.clear();
            for (std::size_t i = 0; i < n; ++i) {
                if (mask & (1u << i)) {
                    selection.push_back(hand[i]);
                }
            }
            Cards against = last;
            if (isPlayAllowed(against, selection)) {
                reached.insert(strengthOf(selection));
            }
        }
        const std::set<Strength> found = checkedStrengths(hand, last, findCandidatePlays(hand, last));
        ASSERT_EQ(found, reached) << "hand " << show(hand) << " last " << show(last);
    }
}

// A whole hand of 54 cards from four decks.
Cards wholeHand(std::mt19937& rng) {
    Cards deck;
    for (int copy = 0; copy < 4; ++copy) {
        for (int code = 0; code < 54; ++code) {
            deck.push_back(code);
        }
    }
    std::shuffle(deck.begin(), deck.end(), rng);
    return Cards(deck.begin(), deck.begin() + 54);
}

TEST(PlaySearchCrossCheck, SampledSelectionsOfWholeHands) {
    std::mt19937 rng(54);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    for (int round = 0; round < 200; ++round) {
        Cards hand = wholeHand(rng);
        sortCards(hand);
        const Cards last = round % 4 == 0 ? Cards{} : lastPlay(rng);
        const std::set<Strength> found = checkedStrengths(hand, last, findCandidatePlays(hand, last));
        // Selections from the cards of a few neighbouring numbers: groups, bombs, runs, full houses.
        for (int sample = 0; sample < 2000; ++sample) {
            const int firstRank = pick(1, 13);
            const int ranks = pick(1, 6);
            Cards selection;
            for (int code : hand) {
                const int rank = code >= 52 ? 14 : (code / 4 == 0 ? 13 : code / 4);
                const bool near =
                    (rank >= firstRank && rank < firstRank + ranks) || (rank == 14 && ranks > 4);
                if (near && pick(0, 2) != 0) {
                    selection.push_back(code);
                }
            }
            Cards against = last;
            if (isPlayAllowed(against, selection)) {
                ASSERT_TRUE(found.count(strengthOf(selection)))
                    << "missing " << show(selection) << " against " << show(last) << " in " << show(hand);
            }
        }
    }
}

}  // namespace
