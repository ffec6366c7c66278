#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;

namespace {

class DeskEventsTest : public SceneTest {};

// Screen seat of a server seat number for the own seat `site`.
int screenOf(int seatNumber, int site) {
    return (seatNumber - site + 4) % 4;
}

TEST_F(DeskEventsTest, ChangeShowsNamesAndReadyMarks) {
    CDeskScene* desk = openDesk(2, 1);
    deliver(desk, changeMsg({"north", "me", "", "west"}, {1, 0, 1, 1}));
    const char* names[] = {"north", "me", "", "west"};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE("seat " + std::to_string(k));
        const st_player_info& seat = *desk->siteSeats().at(k);
        EXPECT_EQ(seat.nameLabel->getString(), names[k]);
        EXPECT_EQ(seat.nameLabel, desk->seats()[screenOf(k, 1)]->nameLabel);
        // Seat 2 is empty but marked ready: the mark follows "ready" all the same.
        EXPECT_EQ(seat.readySprite->isVisible(), k != 1);
    }
}

TEST_F(DeskEventsTest, ChangeWithAnEmptySeatResetsThatSeat) {
    CDeskScene* desk = openDesk(2, 0);
    deliver(desk, changeMsg({"a", "b", "c", "d"}, {0, 0, 0, 0}));
    deliver(desk, gameMsg({2, "", "12", 2, 0, 40}));  // seat 2 passes, then its turn starts
    deliver(desk, gameMsg({3, "8", "0", -1, 0, 40}));
    deliver(desk, scoreMsg("30", "20"));
    const st_player_info& seat2 = *desk->siteSeats().at(2);
    ASSERT_TRUE(seat2.countdownLabel->isVisible());

    deliver(desk, changeMsg({"a", "b", "", "d"}, {0, 0, 0, 0}));
    EXPECT_EQ(seat2.nameLabel->getString(), "");
    EXPECT_FALSE(seat2.countdownLabel->isVisible());
    EXPECT_FALSE(seat2.readySprite->isVisible());
    EXPECT_FALSE(seat2.overLabel->isVisible());
    EXPECT_FALSE(seat2.passLabel->isVisible());
    for (cocos2d::Label* score : {desk->teamScoreLabel(), desk->rivalScoreLabel(), desk->deskScoreLabel()}) {
        EXPECT_EQ(score->getString(), "0");
    }
    // Only that seat: seat 3 keeps its row and its "over" mark.
    const st_player_info& seat3 = *desk->siteSeats().at(3);
    EXPECT_EQ(seat3.playedCards.size(), 1u);
    EXPECT_TRUE(seat3.overLabel->isVisible());
}

TEST_F(DeskEventsTest, StartDealsTheSortedHandCentredOnTheTable) {
    CDeskScene* desk = openDesk(2, 0);
    deliver(desk, changeMsg({"a", "b", "c", "d"}, {1, 1, 1, 1}));
    std::string all;
    for (int code = 53; code >= 0; --code) {
        all += std::to_string(code) + ",";
    }
    deliver(desk, startMsg(all));

    EXPECT_TRUE(desk->isPlaying());
    const auto& hand = desk->handCards();
    ASSERT_EQ(hand.size(), 54u);
    for (int i = 0; i < 54; ++i) {
        SCOPED_TRACE("card " + std::to_string(i));
        EXPECT_EQ(hand[i]->cardCode, i);
        EXPECT_FLOAT_EQ(hand[i]->getPositionX(), 59.5f + 18 * i);
        EXPECT_FLOAT_EQ(hand[i]->getPositionY(), 45);
        EXPECT_EQ(hand[i]->getLocalZOrder(), 1);
        EXPECT_EQ(hand[i]->getParent(), desk);
        EXPECT_FALSE(hand[i]->selected);
    }
    EXPECT_FLOAT_EQ(hand.back()->getPositionX(), 1013.5f);
    for (const auto& seat : desk->seats()) {
        EXPECT_FALSE(seat->readySprite->isVisible());
    }
}

TEST_F(DeskEventsTest, StartDealsOnlyRealCards) {
    const struct {
        const char* cards;
        std::vector<int> hand;
        float firstX;
    } cases[] = {
        {"30", {30}, 536.5f},
        {"", {}, 0},
        {"8,99,-1,54,12,", {8, 12}, 527.5f},  // codes that name no card are left out
        {"abc,53", {0, 53}, 527.5f},          // a piece without digits reads as code 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cards);
        CDeskScene* desk = openDesk(2, 0);
        deliver(desk, startMsg(c.cards));
        EXPECT_EQ(codesOf(desk->handCards()), c.hand);
        if (!c.hand.empty()) {
            EXPECT_FLOAT_EQ(desk->handCards().front()->getPositionX(), c.firstX);
        }
        EXPECT_EQ(cct::findAll<CardSprite>(desk).size(), c.hand.size());
    }
}

TEST_F(DeskEventsTest, ScoreSidesFollowTheOwnSeatsParity) {
    const struct {
        int site;
        const char* left;
        const char* right;
    } cases[] = {{0, "120", "80"}, {1, "80", "120"}, {2, "120", "80"}, {3, "80", "120"}};
    for (const auto& c : cases) {
        SCOPED_TRACE("own seat " + std::to_string(c.site));
        CDeskScene* desk = openDesk(2, c.site);
        deliver(desk, scoreMsg("120", "80"));
        EXPECT_EQ(desk->teamScoreLabel()->getString(), c.left);
        EXPECT_EQ(desk->rivalScoreLabel()->getString(), c.right);
    }
}

TEST_F(DeskEventsTest, OverShowsEverySeatsResultWithTheOwnOutcome) {
    const struct {
        int site;
        std::initializer_list<int> results;
        const char* title;
        const char* text;
    } cases[] = {
        {0, {10, -10, 10, -10}, "游戏结束，你赢了！", "0:10\r\n1:-10\r\n2:10\r\n3:-10\r\n"},
        {1, {10, -1, 10, -1}, "游戏结束，你输了！", "0:10\r\n1:-1\r\n2:10\r\n3:-1\r\n"},
        {3, {0, 0, 0, 0}, "游戏结束，平局！", "0:0\r\n1:0\r\n2:0\r\n3:0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        boxes.clear();
        CDeskScene* desk = openDesk(2, c.site);
        ownTurn(desk, "8,9,10");
        desk->onReturnClicked(nullptr, CDeskScene::TouchEventType::ENDED);  // the warning
        boxes.clear();
        deliver(desk, scoreMsg("50", "60"));

        deliver(desk, overMsg(c.results));
        EXPECT_EQ(boxes.boxes(), (Boxes{{c.title, c.text}}));
        // Back to waiting: ready offered, warning and countdown reset, scores cleared, hand kept.
        EXPECT_FALSE(desk->isPlaying());
        EXPECT_FALSE(desk->leaveWarned());
        EXPECT_EQ(desk->turnSite(), -1);
        EXPECT_TRUE(desk->readyButton()->isVisible());
        EXPECT_TRUE(desk->readyButton()->isEnabled());
        EXPECT_EQ(desk->teamScoreLabel()->getString(), "0");
        EXPECT_EQ(desk->rivalScoreLabel()->getString(), "0");
        EXPECT_FALSE(desk->siteSeats().at(c.site)->countdownLabel->isVisible());
        EXPECT_EQ(desk->handCards().size(), 3u);
    }
}

TEST_F(DeskEventsTest, RunNamesTheRunawayAndEndsTheHand) {
    CDeskScene* desk = openDesk(2, 0);
    ownTurn(desk, "8,9,10");
    deliver(desk, runMsg(3, "A"));
    EXPECT_EQ(boxes.boxes(), (Boxes{{"玩家逃跑，游戏结束", "3->A:-10\r\n"}}));
    EXPECT_FALSE(desk->isPlaying());
    EXPECT_EQ(desk->turnSite(), -1);
    EXPECT_TRUE(desk->readyButton()->isVisible());
}

TEST_F(DeskEventsTest, MessagesNamingNoSeatAreIgnored) {
    CDeskScene* desk = openDesk(2, 0);
    ownTurn(desk, "8,9,10");
    deliver(desk, gameMsg({1, "20", "5", 2, 0, 10}));
    ASSERT_EQ(desk->turnSite(), 2);

    for (auto msg : {runMsg(4, "A"), runMsg(-1, "A"), gameMsg({4, "21", "3", -1, 0, 77}),
                     gameMsg({-1, "", "", 9, 1, 77}), gameMsg({-2, "22", "", 0, 0, 77})}) {
        deliver(desk, msg);
    }
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(desk->isPlaying());
    EXPECT_EQ(desk->turnSite(), 2);
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{20}));
    EXPECT_EQ(desk->deskScoreLabel()->getString(), "10");
}

TEST_F(DeskEventsTest, GameShowsPlaysAndPasses) {
    CDeskScene* desk = openDesk(2, 0);
    ownTurn(desk, "8,9,10", "4");
    ASSERT_EQ(desk->lastPlay(), (std::vector<int>{4}));

    // Seat 1 passes: its mark shows and the play to beat stays.
    deliver(desk, gameMsg({1, "", "12", -1, 0, 15}));
    const st_player_info& seat1 = *desk->siteSeats().at(1);
    EXPECT_TRUE(seat1.passLabel->isVisible());
    EXPECT_EQ(seat1.surplusLabel->getString(), "12");
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{4}));
    EXPECT_EQ(desk->deskScoreLabel()->getString(), "15");

    // Seat 1 plays two fives: the row grows right from playX + 98, in message order.
    deliver(desk, gameMsg({1, "5,5", "10", -1, 0, 25}));
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{5, 5}));
    ASSERT_EQ(seat1.playedCards.size(), 2u);
    EXPECT_EQ(seat1.playedCards[0]->getPosition(), Vec2(610, 384));
    EXPECT_EQ(seat1.playedCards[1]->getPosition(), Vec2(628, 384));
    EXPECT_EQ(seat1.playedCards[0]->getLocalZOrder(), 0);
    EXPECT_FALSE(seat1.countdownLabel->isVisible());

    // Codes that name no card are neither drawn nor kept as the play to beat.
    deliver(desk, gameMsg({2, "60,21,-5", "7", -1, 0, 25}));
    const st_player_info& seat2 = *desk->siteSeats().at(2);
    ASSERT_EQ(seat2.playedCards.size(), 1u);
    EXPECT_EQ(seat2.playedCards[0]->cardCode, 21);
    EXPECT_EQ(seat2.playedCards[0]->getPosition(), Vec2(410, 584));
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{21}));
}

TEST_F(DeskEventsTest, PlayedRowsStartAtEachSeatsPlace) {
    const Vec2 firstCard[] = {{410, 250}, {610, 384}, {410, 584}, {98, 384}};
    CDeskScene* desk = openDesk(2, 3);
    for (int screen = 0; screen < 4; ++screen) {
        const int seatNumber = (3 + screen) % 4;
        deliver(desk, gameMsg({seatNumber, "40,41", "9", -1, 0, 0}));
        const st_player_info& seat = *desk->seats()[screen];
        ASSERT_EQ(seat.playedCards.size(), 2u);
        EXPECT_EQ(seat.playedCards[0]->getPosition(), firstCard[screen]) << "screen seat " << screen;
    }
}

TEST_F(DeskEventsTest, OverMarkNeedsExactlyTheTextZero) {
    const struct {
        const char* surplus;
        bool over;
    } cases[] = {{"0", true}, {"00", false}, {"", false}, {" 0", false}, {"1", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("surplus '") + c.surplus + "'");
        CDeskScene* desk = openDesk(2, 0);
        deliver(desk, gameMsg({2, "16", c.surplus, -1, 0, 0}));
        EXPECT_EQ(desk->siteSeats().at(2)->overLabel->isVisible(), c.over);
        EXPECT_EQ(desk->siteSeats().at(2)->surplusLabel->getString(), c.surplus);
    }
}

TEST_F(DeskEventsTest, TurnOfAnotherSeatStartsItsCountdown) {
    CDeskScene* desk = openDesk(2, 0);
    deliver(desk, startMsg("8,9,10"));
    deliver(desk, gameMsg({1, "30", "5", 2, 0, 0}));
    deliver(desk, gameMsg({2, "", "5", -1, 0, 0}));  // seat 2 passes
    deliver(desk, gameMsg({-1, "", "", 2, 0, 0}));   // and gets the turn again

    const st_player_info& seat2 = *desk->siteSeats().at(2);
    EXPECT_EQ(desk->turnSite(), 2);
    EXPECT_FALSE(seat2.passLabel->isVisible());
    EXPECT_TRUE(seat2.countdownLabel->isVisible());
    EXPECT_EQ(seat2.countdownLabel->getString(), "30");
    EXPECT_EQ(seat2.countdownLabel->getPosition(), Vec2(652, 730));
    EXPECT_EQ(desk->siteSeats().at(1)->playedCards.size(), 1u);  // no fresh lead: rows stay
    EXPECT_FALSE(desk->putButton()->isVisible());
    EXPECT_FALSE(desk->noputButton()->isVisible());
}

TEST_F(DeskEventsTest, OwnTurnOffersPlayAndPass) {
    CDeskScene* desk = openDesk(2, 1);
    deliver(desk, startMsg("8,9,10"));
    deliver(desk, gameMsg({0, "30", "5", 1, 0, 0}));
    EXPECT_EQ(desk->turnSite(), 1);
    EXPECT_TRUE(desk->putButton()->isVisible());
    EXPECT_TRUE(desk->putButton()->isEnabled());
    EXPECT_TRUE(desk->noputButton()->isVisible());
    EXPECT_TRUE(desk->noputButton()->isEnabled());
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{30}));
}

TEST_F(DeskEventsTest, OwnFreshLeadClearsTheTableAndOffersOnlyPlay) {
    CDeskScene* desk = openDesk(2, 0);
    deliver(desk, startMsg("8,9,10"));
    deliver(desk, gameMsg({1, "30", "5", -1, 0, 0}));
    deliver(desk, gameMsg({2, "", "5", -1, 0, 0}));
    deliver(desk, gameMsg({3, "", "5", 0, 1, 0}));

    EXPECT_TRUE(desk->lastPlay().empty());
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(desk->siteSeats().at(k)->playedCards.empty()) << "seat " << k;
        EXPECT_FALSE(desk->siteSeats().at(k)->passLabel->isVisible()) << "seat " << k;
    }
    EXPECT_TRUE(cct::findAll<CardSprite>(desk).size() == 3u);  // the hand only
    EXPECT_TRUE(desk->putButton()->isVisible());
    EXPECT_FALSE(desk->noputButton()->isVisible());
    const st_player_info& own = *desk->siteSeats().at(0);
    EXPECT_TRUE(own.countdownLabel->isVisible());
    EXPECT_EQ(own.countdownLabel->getString(), "30");
    EXPECT_EQ(own.countdownLabel->getPosition(), Vec2(812, 200));
}

TEST_F(DeskEventsTest, GameWithoutSeatsOnlyShowsTheScore) {
    CDeskScene* desk = openDesk(2, 0);
    ownTurn(desk, "8,9,10", "4");
    deliver(desk, gameMsg({-1, "12", "3", -1, 1, -35}));
    EXPECT_EQ(desk->deskScoreLabel()->getString(), "-35");
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{4}));
    EXPECT_EQ(desk->turnSite(), 0);
}

TEST_F(DeskEventsTest, TimeoutGoesBackToTheHallSilently) {
    CDeskScene* desk = openDesk(2, 0);
    ownTurn(desk, "8,9,10");
    deliver(desk, makeMsg("timeout"));
    cct::step(1);
    EXPECT_NE(runningLayer<CHallScene>(), nullptr);
    EXPECT_EQ(nextRequest(), R"({"opt":"query"})");  // the new hall's own query, nothing else
    expectNoMoreRequests();
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(DeskEventsTest, UnknownMessagesChangeNothing) {
    CDeskScene* desk = openDesk(2, 0);
    for (const char* opt : {"query", "add", "Game", ""}) {
        auto msg = makeMsg(opt);
        msg->cards = "8";
        msg->per = 0;
        deliver(desk, msg);
    }
    EXPECT_TRUE(cct::findAll<CardSprite>(desk).empty());
    EXPECT_EQ(runningLayer<CDeskScene>(), desk);
}

TEST_F(DeskEventsTest, HandlesOneMessagePerTickInArrivalOrder) {
    CDeskScene* desk = openDesk(2, 0);
    queue()->pushMessage(scoreMsg("1", "2"));
    queue()->pushMessage(scoreMsg("3", "4"));
    queue()->pushMessage(scoreMsg("5", "6"));
    for (const char* want : {"1", "3", "5"}) {
        cct::step(kFramesPerTick);
        EXPECT_EQ(desk->teamScoreLabel()->getString(), want);
    }
}

TEST_F(DeskEventsTest, MessagesFromTheServerReachTheDesk) {
    CDeskScene* desk = openDesk(2, 0);
    server.sendFrame(R"({"opt":"change","info":[{"name":"me","ready":"1"},{"name":"bot","ready":"0"},)"
                     R"({"name":"","ready":"0"},{"name":"x","ready":"1"}]})");
    server.sendFrame(R"({"opt":"start","cards":"12,8,50,"})");
    for (int frame = 0; frame < 600 && desk->handCards().empty(); ++frame) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        cct::step(1);
    }
    EXPECT_EQ(desk->siteSeats().at(1)->nameLabel->getString(), "bot");
    EXPECT_EQ(codesOf(desk->handCards()), (std::vector<int>{8, 12, 50}));
}

}  // namespace
