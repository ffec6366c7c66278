// The rules model pinned from outside: the points of every card, the seeded deals of two fixed seeds,
// and the flow of small scripted hands, each step with the outcome written down.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "rules/Deal.h"
#include "rules/HandFlow.h"
#include "rules/Points.h"

using namespace rules;

namespace {

// Codes: 0..3 aces, 4..7 twos, 8..11 threes, 12..15 fours, 16..19 fives, 20..23 sixes, 36..39 tens,
// 48..51 kings, 52 and 53 the jokers.

// A seat's hand as 54 digits, the number of copies of each code 0..53.
std::string copiesText(const std::vector<int>& hand) {
    std::string text(kDeckCodes, '0');
    for (int code : hand)
        ++text[static_cast<std::size_t>(code)];
    return text;
}

}  // namespace

TEST(RulesPoints, FivesTensAndKingsAreTheOnlyCardsThatCount) {
    // Points per number: ace, two, three, ..., king, then the jokers.
    const int byNumber[14] = {0, 0, 0, 0, 5, 0, 0, 0, 0, 10, 0, 0, 10, 0};
    for (int code = 0; code < kDeckCodes; ++code)
        EXPECT_EQ(cardPoints(code), byNumber[code / 4]) << "code " << code;
    for (int code : {-1, 54, 56, 1000})
        EXPECT_EQ(cardPoints(code), 0) << "code " << code;
    EXPECT_EQ(playPoints({}), 0);
    EXPECT_EQ(playPoints({16, 19, 36, 51, 52, 0, 4}), 5 + 5 + 10 + 10);
    // Four decks hold 400 points.
    Rng rng(3);
    int total = 0;
    for (const std::vector<int>& hand : dealHands(rng))
        total += playPoints(hand);
    EXPECT_EQ(total, 400);
}

// The exact deals of two seeds: a change of the generator or of the shuffle shows here.
TEST(RulesDeal, FixedSeedsDealTheseHands) {
    struct Case {
        std::uint64_t seed;
        std::array<const char*, kSeats> copies;  // per seat, copies of each code 0..53
    } cases[] = {
        {1,
         {"121121011221110000212022001111211120220100103110212010",
          "111221212101021211111310101101100201110122030101112010",
          "201100220101311122110011211110131002014101300111010003",
          "011002001021002111011101131122002121100121011122110421"}},
        {2,
         {"031001002001012110213220000200111111113001102312122201",
          "210103101131012121110000212011120201030120112012100031",
          "102010111212110012010113201130012131100122010110211201",
          "101330230100310201111111031103201001201201220010011011"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        Rng rng(c.seed);
        const Deal deal = dealHands(rng);
        for (int seat = 0; seat < kSeats; ++seat) {
            EXPECT_EQ(deal[seat].size(), 54u) << "seat " << seat;
            EXPECT_TRUE(std::is_sorted(deal[seat].begin(), deal[seat].end())) << "seat " << seat;
            EXPECT_EQ(copiesText(deal[seat]), c.copies[seat]) << "seat " << seat;
        }
    }
}

namespace {

// One step of a scripted hand and what it must report.
struct Step {
    int seat;
    std::vector<int> cards;  // empty: a pass
    int next;                // -1: the hand is over
    int tablePoints;
    std::array<int, 2> teamPoints;
    bool freshLead = false;
    bool seatOut = false;
};

void play(HandFlow& flow, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1) + ": seat " + std::to_string(step.seat));
        MoveReport report;
        ASSERT_EQ(flow.apply(step.seat, step.cards, report), Refusal::None);
        EXPECT_EQ(report.seat, step.seat);
        EXPECT_EQ(report.cards, step.cards);
        EXPECT_EQ(report.next, step.next);
        EXPECT_EQ(flow.turn(), step.next);
        EXPECT_EQ(report.tablePoints, step.tablePoints);
        EXPECT_EQ(report.teamPoints, step.teamPoints);
        EXPECT_EQ(report.freshLead, step.freshLead);
        EXPECT_EQ(report.seatOut, step.seatOut);
        EXPECT_EQ(report.handOver, step.next == -1);
        EXPECT_EQ(flow.lastPlay().empty(), step.freshLead || step.next == -1);
    }
}

}  // namespace

TEST(RulesHandFlow, RoundGoesToTheTeamOfTheLastPlayWhichLeadsNext) {
    HandFlow flow;
    flow.start({{{16, 20, 24}, {8, 12, 48}, {9, 13, 21}, {10, 14, 22}}}, 0);
    play(flow, {
                   {0, {16}, 1, 5, {0, 0}},   // a five
                   {1, {48}, 2, 15, {0, 0}},  // a king on it
                   {2, {}, 3, 15, {0, 0}},
                   {3, {}, 0, 15, {0, 0}},
                   {0, {}, 1, 0, {0, 15}, true},  // all passed: the king's team takes 15, seat 1 leads
                   {1, {8}, 2, 0, {0, 15}},
               });
}

TEST(RulesHandFlow, PartnerOfASeatThatPlayedOutLeadsAndTheHandEndsWhenATeamIsOut) {
    HandFlow flow;
    flow.start({{{8, 9}, {48}, {12, 13}, {20, 36}}}, 0);
    play(flow, {
                   {0, {8}, 1, 0, {0, 0}},
                   {1, {48}, 2, 10, {0, 0}, false, true},  // seat 1 plays out with a king
                   {2, {}, 3, 10, {0, 0}},
                   {3, {}, 0, 10, {0, 0}},
                   {0, {}, 3, 0, {0, 10}, true},  // seat 1 won the round but holds nothing: seat 3 leads
                   {3, {20}, 0, 0, {0, 10}},      // the turn passes over seat 1
                   {0, {}, 2, 0, {0, 10}},
                   {2, {}, 3, 0, {0, 10}, true},
                   // Seat 3 plays out: both of team 1 are out, the ten on the table goes to them and
                   // the hand ends although seats 0 and 2 still hold cards.
                   {3, {36}, -1, 0, {0, 20}, false, true},
               });
    const HandResult result = flow.result();
    EXPECT_EQ(result.teamPoints, (std::array<int, 2>{0, 20}));
    EXPECT_EQ(result.results, (std::array<int, 4>{-1, 1, -1, 1}));
    EXPECT_EQ(result.firstOut, 1);
    MoveReport report;
    std::vector<int> more = {9};
    EXPECT_EQ(flow.apply(0, more, report), Refusal::NoHand);
}

TEST(RulesHandFlow, EqualPointsAreADrawForEverySeat) {
    HandFlow flow;
    flow.start({{{8}, {12, 13}, {9}, {14, 15}}}, 0);
    play(flow, {
                   {0, {8}, 1, 0, {0, 0}, false, true},
                   {1, {}, 2, 0, {0, 0}},
                   {2, {}, 3, 0, {0, 0}},
                   {3, {}, 2, 0, {0, 0}, true},
                   {2, {9}, -1, 0, {0, 0}, false, true},
               });
    EXPECT_EQ(flow.result().results, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(flow.result().firstOut, 0);
}

TEST(RulesHandFlow, RefusedMovesChangeNothing) {
    HandFlow flow;
    MoveReport report;
    EXPECT_EQ(flow.apply(0, {8}, report), Refusal::NoHand);
    flow.start({{{16, 20, 24}, {8, 12, 48}, {9, 13, 21}, {10, 14, 22}}}, 0);
    struct Case {
        const char* what;
        int seat;
        std::vector<int> cards;
        Refusal expected;
    } cases[] = {
        {"a seat not on turn", 1, {8}, Refusal::OutOfTurn},
        {"a pass while leading", 0, {}, Refusal::PassWhileLeading},
        {"a card not held", 0, {8}, Refusal::NotHeld},
        {"more copies than held", 0, {16, 16}, Refusal::NotHeld},
        {"a code that names no card", 0, {54}, Refusal::NotHeld},
        {"a negative code", 0, {-1}, Refusal::NotHeld},
        {"no play", 0, {16, 20}, Refusal::NotAllowed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        report.seat = 99;
        EXPECT_EQ(flow.apply(c.seat, c.cards, report), c.expected);
        EXPECT_EQ(report.seat, 99) << "the report was touched";
        EXPECT_EQ(flow.turn(), 0);
        EXPECT_EQ(flow.hand(0).size(), 3);
    }
    ASSERT_EQ(flow.apply(0, {20}, report), Refusal::None);
    std::vector<int> lower = {8};
    EXPECT_EQ(flow.check(1, lower), Refusal::NotAllowed) << "a three does not beat a six";
    std::vector<int> higher = {48};
    EXPECT_EQ(flow.check(1, higher), Refusal::None);
    EXPECT_EQ(flow.turn(), 1);
    EXPECT_EQ(flow.lastPlay(), (std::vector<int>{20}));
}

// The check the bots use: a hand, the play to beat and a move.
TEST(RulesHandFlow, CheckMoveSortsTheMoveAndNamesWhatIsWrong) {
    Hand hand;
    hand.add({8, 9, 12, 13, 48});
    struct Case {
        const char* what;
        std::vector<int> last;
        std::vector<int> move;
        Refusal expected;
        std::vector<int> sorted;
    } cases[] = {
        {"a lead", {}, {13, 12}, Refusal::None, {12, 13}},
        {"a pass on a play", {16}, {}, Refusal::None, {}},
        {"a pass on nothing", {}, {}, Refusal::PassWhileLeading, {}},
        {"a pair on a pair", {4, 5}, {13, 12}, Refusal::NotAllowed, {12, 13}},
        {"a higher pair", {8, 9}, {13, 12}, Refusal::None, {12, 13}},
        {"a card not held", {}, {49, 48}, Refusal::NotHeld, {48, 49}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int> move = c.move;
        EXPECT_EQ(checkMove(hand, c.last, move), c.expected);
        EXPECT_EQ(move, c.sorted);
    }
}
