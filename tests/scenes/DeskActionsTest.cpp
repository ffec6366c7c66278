#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;

namespace {

constexpr auto kEnded = CDeskScene::TouchEventType::ENDED;

class DeskActionsTest : public SceneTest {
protected:
    // Raises the cards of the hand at these indexes, as a touch would.
    static void raise(CDeskScene* desk, std::initializer_list<int> indexes) {
        for (int i : indexes) {
            CardSprite* card = desk->handCards()[i];
            card->selected = true;
            card->setPosition(Vec2(card->getPositionX(), 70));
        }
    }

    static void ticks(CDeskScene* desk, int n) {
        for (int i = 0; i < n; ++i) {
            desk->countdownTick(1.0f);
        }
    }

    static std::string ownCountdown(CDeskScene* desk) {
        return desk->siteSeats().at(desk->site())->countdownLabel->getString();
    }

    static const Vec2 kPlay;
    static const Vec2 kPass;
    static const Vec2 kReady;
};

const Vec2 DeskActionsTest::kPlay{412, 170};
const Vec2 DeskActionsTest::kPass{612, 170};
const Vec2 DeskActionsTest::kReady{512, 170};

TEST_F(DeskActionsTest, ReadyClearsTheTableAndMarksTheOwnSeat) {
    CDeskScene* desk = openDesk(3, 1);
    deliver(desk, startMsg("8,9"));
    deliver(desk, gameMsg({2, "30", "5", 3, 0, 20}));
    deliver(desk, overMsg({1, -1, 1, -1}));
    deliver(desk, changeMsg({"a", "me", "c", "d"}, {1, 0, 0, 1}));
    boxes.clear();

    cct::click(kReady);
    EXPECT_EQ(nextRequest(), R"({"opt":"change","type":"ready","desk":3,"site":1})");
    EXPECT_FALSE(desk->readyButton()->isVisible());
    EXPECT_FALSE(desk->readyButton()->isEnabled());
    EXPECT_TRUE(desk->handCards().empty());
    EXPECT_TRUE(cct::findAll<CardSprite>(desk).empty());
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(desk->siteSeats().at(k)->readySprite->isVisible(), k == 1) << "seat " << k;
    }
    EXPECT_EQ(desk->deskScoreLabel()->getString(), "0");
}

TEST_F(DeskActionsTest, PlayWithoutARaisedCardIsRefused) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    cct::click(kPlay);
    EXPECT_EQ(boxes.boxes(), (Boxes{{"提示", "出牌不符合规则."}}));
    expectNoMoreRequests();
    EXPECT_TRUE(desk->putButton()->isVisible());
    EXPECT_EQ(desk->handCards().size(), 3u);
}

TEST_F(DeskActionsTest, PlayThatTheRulesRefuseKeepsTheSelection) {
    const struct {
        const char* what;
        const char* hand;
        const char* lastPlay;
        std::initializer_list<int> raised;
    } cases[] = {
        {"two numbers on a lead", "8,12,20", "", {0, 1}},
        {"a lower single", "8,12,20", "16", {1}},
        {"a pair on a single", "8,9,20", "16", {0, 1}},
        {"anything on the top card", "52,53", "19", {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        CDeskScene* desk = openDesk(3, 1);
        ownTurn(desk, c.hand, c.lastPlay);
        raise(desk, c.raised);
        const std::vector<int> before = desk->lastPlay();
        desk->onPutClicked(nullptr, kEnded);
        EXPECT_EQ(boxes.boxes(), (Boxes{{"提示", "出牌不符合规则."}}));
        EXPECT_EQ(desk->lastPlay(), before);
        for (int i : c.raised) {
            EXPECT_EQ(desk->handCards()[i]->getPositionY(), 70);
        }
        EXPECT_TRUE(desk->putButton()->isVisible());
    }
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, ValidPlayIsSentAndTheHandLaidOutAgain) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "12,13,20,30,40", "8,9");
    raise(desk, {0, 1});
    cct::click(kPlay);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":"12,13,"})");
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{12, 13}));
    EXPECT_EQ(codesOf(desk->handCards()), (std::vector<int>{20, 30, 40}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(desk->handCards()[i]->getPositionX(), 518.5f + 18 * i);
        EXPECT_FLOAT_EQ(desk->handCards()[i]->getPositionY(), 45);
    }
    EXPECT_EQ(cct::findAll<CardSprite>(desk).size(), 3u + 2u);  // the hand and seat 0's row
    for (cocos2d::ui::Button* b : {desk->putButton(), desk->noputButton()}) {
        EXPECT_FALSE(b->isVisible());
        EXPECT_FALSE(b->isEnabled());
    }
}

TEST_F(DeskActionsTest, PlayRemovesTheLeftmostCopyOfEachCode) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,8,9,12");
    CardSprite* secondEight = desk->handCards()[1];
    raise(desk, {1});  // the second copy is raised, the first one goes
    desk->onPutClicked(nullptr, kEnded);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":"8,"})");
    ASSERT_EQ(desk->handCards().size(), 3u);
    EXPECT_EQ(desk->handCards()[0], secondEight);
    // Laid out again it stands lowered, and it counts as lowered for the next touch too.
    EXPECT_FLOAT_EQ(secondEight->getPositionY(), 45);
    EXPECT_FALSE(secondEight->selected);
}

TEST_F(DeskActionsTest, PlayingTheWholeHandLeavesItEmpty) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "20,21");
    raise(desk, {0, 1});
    desk->onPutClicked(nullptr, kEnded);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":"20,21,"})");
    EXPECT_TRUE(desk->handCards().empty());
}

TEST_F(DeskActionsTest, PassOnlyWithAPlayToBeat) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    desk->onNoputClicked(nullptr, kEnded);  // leading: ignored
    expectNoMoreRequests();
    EXPECT_TRUE(desk->putButton()->isVisible());

    deliver(desk, gameMsg({0, "40", "7", 1, 0, 0}));
    cct::click(kPass);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
    for (cocos2d::ui::Button* b : {desk->putButton(), desk->noputButton()}) {
        EXPECT_FALSE(b->isVisible());
        EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_EQ(desk->lastPlay(), (std::vector<int>{40}));
    EXPECT_EQ(desk->handCards().size(), 3u);
}

TEST_F(DeskActionsTest, ButtonsActOnReleaseOnly) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20", "4");
    for (auto type : {CDeskScene::TouchEventType::BEGAN, CDeskScene::TouchEventType::MOVED,
                      CDeskScene::TouchEventType::CANCELED}) {
        desk->onReadyClicked(nullptr, type);
        desk->onReturnClicked(nullptr, type);
        desk->onNoputClicked(nullptr, type);
        desk->onPutClicked(nullptr, type);
    }
    cct::step(1);
    expectNoMoreRequests();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(runningLayer<CDeskScene>(), desk);
}

TEST_F(DeskActionsTest, ReturnDuringAHandWarnsFirst) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    const Vec2 back = desk->returnButton()->getPosition();
    cct::click(back);
    cct::step(1);
    EXPECT_EQ(boxes.boxes(),
              (Boxes{{"提醒", "游戏还未结束，真的要退出吗？再次点击返回按钮将强制退出回到大厅！"}}));
    EXPECT_TRUE(desk->leaveWarned());
    EXPECT_EQ(runningLayer<CDeskScene>(), desk);
    expectNoMoreRequests();

    cct::click(back);
    EXPECT_EQ(nextRequest(), R"({"opt":"change","type":"leave","desk":3,"site":1})");
    cct::step(1);
    EXPECT_NE(runningLayer<CHallScene>(), nullptr);
    EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(DeskActionsTest, ReturnOutsideAHandLeavesAtOnce) {
    const struct {
        const char* what;
        bool playHand;
    } cases[] = {{"before any hand", false}, {"after a hand ended", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        CDeskScene* desk = openDesk(3, 1);
        if (c.playHand) {
            ownTurn(desk, "8,9,20");
            desk->onReturnClicked(nullptr, kEnded);  // warned in this hand
            deliver(desk, overMsg({1, 1, 1, 1}));
            boxes.clear();
        }
        desk->onReturnClicked(nullptr, kEnded);
        EXPECT_EQ(nextRequest(), R"({"opt":"change","type":"leave","desk":3,"site":1})");
        EXPECT_TRUE(boxes.boxes().empty());
        cct::step(1);
        EXPECT_NE(runningLayer<CHallScene>(), nullptr);
        EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
    }
}

TEST_F(DeskActionsTest, WarningComesBackInTheNextHand) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    desk->onReturnClicked(nullptr, kEnded);
    deliver(desk, runMsg(0, "x"));
    ownTurn(desk, "8,9,20");
    boxes.clear();
    desk->onReturnClicked(nullptr, kEnded);
    EXPECT_EQ(boxes.boxes().size(), 1u);
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, CountdownRunsOnceASecond) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    cct::stepSeconds(1.0f);
    EXPECT_EQ(ownCountdown(desk), "29");
    cct::stepSeconds(2.0f);
    EXPECT_EQ(ownCountdown(desk), "27");
}

TEST_F(DeskActionsTest, OwnTimeOutWhileLeadingPlaysTheLowestCard) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "20,8,12");
    ticks(desk, 30);
    EXPECT_EQ(ownCountdown(desk), "0");
    EXPECT_TRUE(desk->putButton()->isVisible());
    expectNoMoreRequests();

    ticks(desk, 1);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":"8"})");
    EXPECT_EQ(ownCountdown(desk), "-1");
    EXPECT_FALSE(desk->siteSeats().at(1)->countdownLabel->isVisible());
    EXPECT_FALSE(desk->putButton()->isVisible());
    EXPECT_FALSE(desk->noputButton()->isVisible());
    EXPECT_TRUE(desk->putButton()->isEnabled());  // hidden only
    EXPECT_EQ(desk->turnSite(), -1);
    EXPECT_TRUE(desk->lastPlay().empty());
    EXPECT_EQ(codesOf(desk->handCards()), (std::vector<int>{12, 20}));
    EXPECT_FLOAT_EQ(desk->handCards()[0]->getPositionX(), 527.5f);

    ticks(desk, 5);  // stopped until the next turn
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, OwnTimeOutWithAPlayToBeatPasses) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20", "16");
    ticks(desk, 31);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
    EXPECT_EQ(desk->turnSite(), -1);
    EXPECT_EQ(desk->handCards().size(), 3u);
    EXPECT_FALSE(desk->siteSeats().at(1)->countdownLabel->isVisible());
    ticks(desk, 3);
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, OwnTimeOutWithAnEmptyHandSendsNothing) {
    CDeskScene* desk = openDesk(3, 1);
    deliver(desk, startMsg(""));
    deliver(desk, gameMsg({-1, "", "", 1, 1, 0}));
    ticks(desk, 31);
    EXPECT_EQ(desk->turnSite(), -1);
    ticks(desk, 3);
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, OtherSeatsCountBelowZeroWithoutAction) {
    CDeskScene* desk = openDesk(3, 1);
    deliver(desk, startMsg("8,9,20"));
    deliver(desk, gameMsg({-1, "", "", 2, 1, 0}));
    ticks(desk, 32);
    EXPECT_EQ(desk->siteSeats().at(2)->countdownLabel->getString(), "-2");
    EXPECT_TRUE(desk->siteSeats().at(2)->countdownLabel->isVisible());
    EXPECT_EQ(desk->turnSite(), 2);
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, CountdownWaitsForAHand) {
    CDeskScene* desk = openDesk(3, 1);
    deliver(desk, gameMsg({-1, "", "", 1, 1, 0}));  // a turn before any "start"
    ticks(desk, 40);
    EXPECT_EQ(ownCountdown(desk), "30");
    expectNoMoreRequests();
}

TEST_F(DeskActionsTest, CountdownGoesOnAfterAManualPass) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20", "16");
    desk->onNoputClicked(nullptr, kEnded);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
    ticks(desk, 31);  // the server never moved the turn
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
}

TEST_F(DeskActionsTest, ReturnAfterALostConnectionStillLeaves) {
    CDeskScene* desk = openDesk(3, 1);
    loseConnection();
    desk->onReturnClicked(nullptr, kEnded);
    cct::step(1);
    EXPECT_NE(runningLayer<CHallScene>(), nullptr);
    // The leave request and the new hall's query both fail, each with the link's box.
    EXPECT_EQ(sendFailureBoxes(), 2u);
}

}  // namespace
