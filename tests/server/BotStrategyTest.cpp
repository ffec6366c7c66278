// The bots' choice of move.
#include <gtest/gtest.h>

#include "core/BotStrategy.h"
#include "rules/CardRules.h"

using namespace hallserver;

namespace {
rules::Hand handOf(const std::vector<int>& cards) {
    rules::Hand hand;
    hand.add(cards);
    return hand;
}
}  // namespace

// Codes: 8..11 threes, 12..15 fours, 16..19 fives (19 the top card), 0..3 aces, 4..7 twos, 48..51 kings.
TEST(ServerBotStrategy, LeadsLowestSingleBeatsWithTheSmallestSamePlayOrPasses) {
    struct Case {
        const char* what;
        std::vector<int> hand;
        std::vector<int> last;
        std::vector<int> expected;
    } cases[] = {
        {"lead: the weakest single, not the lowest code", {0, 4, 30, 52}, {}, {30}},
        {"lead: the top card is the strongest single", {19, 48}, {}, {48}},
        {"single: smallest that beats", {9, 12, 40, 0}, {10}, {12}},
        {"single: equal does not beat", {10}, {10}, {}},
        {"single: no bomb over a single", {20, 20, 20, 20}, {48}, {}},
        {"pair: smallest pair of higher value", {12, 13, 20, 21, 44, 45}, {16, 17}, {20, 21}},
        {"pair: joker pair needs two of one joker", {52, 53}, {8, 9}, {}},
        {"pair: two red jokers", {53, 53}, {8, 9}, {53, 53}},
        {"triple: not three copies", {12, 12, 12, 13}, {8, 9, 10}, {12, 12, 13}},
        {"triple: none", {12, 12, 40}, {8, 9, 10}, {}},
        {"bomb: same size only", {12, 13, 14, 15, 20, 21, 22, 23, 24}, {8, 9, 10, 11}, {12, 13, 14, 15}},
        {"bomb: the weakest of the same size", {12, 13, 14, 15, 12}, {8, 9, 10, 11}, {12, 12, 13, 14}},
        {"identical: suit counts first, kings of suit 0 are weaker",
         {9, 9, 9, 48, 48, 48},
         {8, 8, 8},
         {48, 48, 48}},
        {"identical: three copies do not answer four", {9, 9, 9}, {8, 8, 8, 8}, {}},
        {"pair run: lowest run of four pairs above",
         {12, 13, 16, 17, 20, 21, 24, 25, 28, 29},
         {8, 9, 12, 13, 16, 17, 20, 21},
         {12, 13, 16, 17, 20, 21, 24, 25}},
        {"pair run: J-Q-K-A with the ace on top",
         {0, 1, 40, 41, 44, 45, 48, 49},
         {32, 33, 36, 37, 40, 41, 44, 45},
         {0, 1, 40, 41, 44, 45, 48, 49}},
        {"triple run: too short", {16, 17, 18, 20, 21, 22, 40}, {8, 9, 10, 12, 13, 14, 16, 17, 18}, {}},
        {"triple run beaten",
         {16, 17, 18, 20, 21, 22, 24, 25, 26},
         {8, 9, 10, 12, 13, 14, 16, 17, 18},
         {16, 17, 18, 20, 21, 22, 24, 25, 26}},
        {"full house: weakest triple",
         {12, 13, 14, 20, 21, 22, 8, 9},
         {8, 9, 10, 12, 13},
         {8, 9, 12, 13, 14}},
        {"nothing beats the top card", {52, 53, 53}, {19}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<int> move = chooseMove(handOf(c.hand), c.last);
        EXPECT_EQ(move, c.expected);
        if (!move.empty() && !c.last.empty()) {
            std::vector<int> last = c.last, play = move;
            EXPECT_TRUE(isPlayAllowed(last, play));
        }
    }
}

TEST(ServerBotStrategy, EmptyHandHasNoLead) {
    EXPECT_TRUE(chooseLead(rules::Hand()).empty());
}
