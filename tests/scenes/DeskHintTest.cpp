// The hint button and the keys of the desk: where the hint stands and when, which cards a press
// raises, the note when nothing beats the table, and keys that act only where their buttons would.
#include <functional>

#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;
using Key = cocos2d::EventKeyboard::KeyCode;

namespace {

constexpr auto kEnded = CDeskScene::TouchEventType::ENDED;
const Vec2 kHint{512, 170};
const Vec2 kPlay{412, 170};

class DeskHintTest : public SceneTest {
protected:
    // A desk whose player has pressed ready (the request is taken off the wire), at its own turn.
    CDeskScene* readyAtOwnTurn(const std::string& hand, const std::string& lastPlay = "") {
        CDeskScene* desk = openDesk(3, 1);
        desk->onReadyClicked(nullptr, kEnded);
        EXPECT_EQ(nextRequest(), R"({"opt":"change","type":"ready","desk":3,"site":1})");
        ownTurn(desk, hand, lastPlay);
        return desk;
    }

    // The codes of the raised cards; every card is either raised and selected or lowered and not.
    static std::vector<int> raised(CDeskScene* desk) {
        std::vector<int> codes;
        for (CardSprite* card : desk->handCards()) {
            const bool up = card->getPositionY() == CDeskScene::kRaisedY;
            EXPECT_EQ(card->selected, up) << card->cardCode;
            EXPECT_TRUE(up || card->getPositionY() == CDeskScene::kHandY) << card->cardCode;
            if (up) {
                codes.push_back(card->cardCode);
            }
        }
        return codes;
    }

    static bool hintShown(CDeskScene* desk) {
        return desk->hintButton()->isVisible() && desk->hintButton()->isEnabled();
    }
};

TEST_F(DeskHintTest, StandsInTheReadyButtonsPlaceDuringTheOwnTurn) {
    CDeskScene* desk = openDesk(3, 1);
    EXPECT_FALSE(desk->hintButton()->isVisible());
    EXPECT_EQ(desk->hintButton()->getPosition(), kHint);
    EXPECT_FLOAT_EQ(desk->hintButton()->getScale(), 0.8f);
    EXPECT_EQ(desk->hintButton()->getContentSize(), cocos2d::Size(160, 64));

    desk->onReadyClicked(nullptr, kEnded);
    nextRequest();
    deliver(desk, startMsg("8,9,20"));
    deliver(desk, gameMsg({-1, "", "", 2, 1, 0}));  // another seat leads
    EXPECT_FALSE(desk->hintButton()->isVisible());
    deliver(desk, gameMsg({2, "8", "20", 1, 0, 0}));
    EXPECT_TRUE(hintShown(desk));

    // Every way the own turn ends takes the hint away with the play button.
    const std::string pass = R"({"opt":"game","desk":3,"site":1,"cards":""})";
    struct Ending {
        const char* what;
        std::function<void(CDeskScene*)> act;
        std::string request;
    };
    const Ending endings[] = {
        {"pass", [](CDeskScene* d) { d->onNoputClicked(nullptr, kEnded); }, pass},
        {"play",
         [](CDeskScene* d) {
             d->onHintClicked(nullptr, kEnded);
             d->onPutClicked(nullptr, kEnded);
         },
         R"({"opt":"game","desk":3,"site":1,"cards":"9,"})"},
        {"countdown",
         [](CDeskScene* d) {
             for (int i = 0; i < 31; ++i) {
                 d->countdownTick(1.0f);
             }
         },
         pass},
        {"end of the hand",
         [this](CDeskScene* d) {
             deliver(d, overMsg({1, -1, 1, -1}));
         },
         ""},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.what);
        deliver(desk, gameMsg({2, "8", "20", 1, 0, 0}));
        ASSERT_TRUE(hintShown(desk));
        e.act(desk);
        EXPECT_FALSE(desk->hintButton()->isVisible());
        EXPECT_FALSE(desk->hintButton()->isEnabled());
        if (!e.request.empty()) {
            EXPECT_EQ(nextRequest(), e.request);
        }
    }
    expectNoMoreRequests();
}

TEST_F(DeskHintTest, PlayAndPassKeepTheirWholeFacesOverTheHintsEnds) {
    // The hint's face (448..576 wide) runs under the play (348..476) and pass (548..676) buttons.
    CDeskScene* desk = readyAtOwnTurn("8,9,12,13,20,21,48", "16,17");
    cct::click(Vec2(470, 170));  // the play button's inner end: nothing raised, refused
    EXPECT_EQ(boxes.boxes(), (Boxes{{"提示", "出牌不符合规则."}}));
    EXPECT_TRUE(raised(desk).empty());
    cct::click(Vec2(490, 170));  // the hint, just right of the play button
    EXPECT_EQ(raised(desk), (std::vector<int>{20, 21}));
    cct::click(Vec2(554, 170));  // the pass button's inner end
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
}

TEST_F(DeskHintTest, HiddenWhileTheReadyButtonIsShown) {
    // The server began the hand without this player's ready: the ready button is still up.
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20");
    EXPECT_TRUE(desk->putButton()->isVisible());
    EXPECT_TRUE(desk->readyButton()->isVisible());
    EXPECT_FALSE(desk->hintButton()->isVisible());
    cct::keyPress(Key::KEY_H);
    EXPECT_TRUE(raised(desk).empty());
}

TEST_F(DeskHintTest, PressesGoFromTheWeakestPlayUpAndWrapRound) {
    const struct {
        const char* what;
        const char* hand;
        const char* lastPlay;
        std::vector<std::vector<int>> presses;
    } cases[] = {
        {"a lead: the weakest single first", "0,8,12", "", {{8}, {12}, {0}, {8}}},
        {"copies of one code raise as many cards", "8,8,9", "", {{8}, {9}, {8, 8}, {8, 9}, {8, 8, 9}, {8}}},
        {"against a pair of fives", "8,9,12,13,20,21,48", "16,17", {{20, 21}, {20, 21}}},
        {"a bomb after the singles", "8,9,10,11,30", "20", {{30}, {8, 9, 10, 11}, {30}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CDeskScene* desk = readyAtOwnTurn(c.hand, c.lastPlay);
        for (const std::vector<int>& expected : c.presses) {
            cct::click(kHint);
            EXPECT_EQ(raised(desk), expected);
        }
    }
}

TEST_F(DeskHintTest, APressLowersWhatThePlayerRaised) {
    CDeskScene* desk = readyAtOwnTurn("8,9,12,13,20,21,48", "16,17");
    // The player raises the three and the king by touch.
    cct::click(Vec2(desk->handCards()[0]->getPositionX() - 40, 45));
    cct::click(Vec2(desk->handCards()[6]->getPositionX() + 30, 45));
    ASSERT_EQ(raised(desk), (std::vector<int>{8, 48}));
    cct::click(kHint);
    EXPECT_EQ(raised(desk), (std::vector<int>{20, 21}));
    cct::click(kPlay);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":"20,21,"})");
}

TEST_F(DeskHintTest, ANewTurnStartsFromTheWeakestAgain) {
    CDeskScene* desk = readyAtOwnTurn("8,12,16,20");
    cct::click(kHint);
    cct::click(kHint);
    EXPECT_EQ(raised(desk), (std::vector<int>{12}));
    desk->onNoputClicked(nullptr, kEnded);  // leading: ignored, the turn goes on
    cct::click(kHint);
    EXPECT_EQ(raised(desk), (std::vector<int>{16}));
    // The next turn, against a four: the weakest play of that turn.
    deliver(desk, gameMsg({0, "13", "20", 1, 0, 0}));
    cct::click(kHint);
    EXPECT_EQ(raised(desk), (std::vector<int>{16}));
}

TEST_F(DeskHintTest, NothingBeatsTheTable) {
    CDeskScene* desk = readyAtOwnTurn("8,9,52", "19");
    cct::click(Vec2(desk->handCards()[2]->getPositionX() + 30, 45));
    ASSERT_EQ(raised(desk), (std::vector<int>{52}));
    cocos2d::Label* note = desk->hintNote();
    EXPECT_FALSE(note->isVisible());

    cct::click(kHint);
    EXPECT_TRUE(raised(desk).empty());
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->getString(), "没有能大过上家的牌");
    // Above the hand: clear of the raised cards' tops and below the table's middle.
    EXPECT_GT(note->getPositionY(), 70 + 138 / 2);
    EXPECT_LT(note->getPositionY(), 384);
    cct::stepSeconds(1.9f);
    EXPECT_TRUE(note->isVisible());
    // A second press shows it for two seconds from then.
    cct::click(kHint);
    cct::stepSeconds(1.9f);
    EXPECT_TRUE(note->isVisible());
    cct::stepSeconds(0.2f);
    EXPECT_FALSE(note->isVisible());
    expectNoMoreRequests();
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(DeskHintTest, KeysActWhereTheirButtonsWould) {
    struct KeyCase {
        const char* what;
        const char* lastPlay;  // the play to beat; empty: the player leads
        Key key;
        const char* request;  // what the server reads next, or "" for nothing
    };
    const KeyCase cases[] = {
        {"Space plays the hint", "16,17", Key::KEY_SPACE,
         R"({"opt":"game","desk":3,"site":1,"cards":"20,21,"})"},
        {"Enter plays the hint", "16,17", Key::KEY_ENTER,
         R"({"opt":"game","desk":3,"site":1,"cards":"20,21,"})"},
        {"Enter of the keypad", "16,17", Key::KEY_KP_ENTER,
         R"({"opt":"game","desk":3,"site":1,"cards":"20,21,"})"},
        {"P passes", "16,17", Key::KEY_P, R"({"opt":"game","desk":3,"site":1,"cards":""})"},
        {"P while leading: the pass button is not shown", "", Key::KEY_P, ""},
        {"a key the desk does not use", "16,17", Key::KEY_M, ""},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        CDeskScene* desk = readyAtOwnTurn("8,9,12,13,20,21,48", c.lastPlay);
        cct::keyPress(Key::KEY_H);
        EXPECT_FALSE(raised(desk).empty());
        cct::keyPress(c.key);
        if (*c.request) {
            EXPECT_EQ(nextRequest(), c.request);
            EXPECT_FALSE(desk->putButton()->isVisible());
        } else {
            expectNoMoreRequests();
            EXPECT_TRUE(desk->putButton()->isVisible());
        }
        if (*c.request) {
            // The buttons are gone: the same keys now do nothing.
            for (Key again : {Key::KEY_SPACE, Key::KEY_ENTER, Key::KEY_P, Key::KEY_H}) {
                cct::keyPress(again);
            }
            expectNoMoreRequests();
        }
        EXPECT_TRUE(boxes.boxes().empty());
    }
}

TEST_F(DeskHintTest, SpaceWithNothingRaisedIsRefusedLikeTheButton) {
    CDeskScene* desk = readyAtOwnTurn("8,9,20");
    cct::keyPress(Key::KEY_SPACE);
    EXPECT_EQ(boxes.boxes(), (Boxes{{"提示", "出牌不符合规则."}}));
    expectNoMoreRequests();
    EXPECT_TRUE(desk->putButton()->isVisible());
}

TEST_F(DeskHintTest, EscapeIsTheReturnButton) {
    CDeskScene* desk = readyAtOwnTurn("8,9,20");
    cct::keyPress(Key::KEY_ESCAPE);
    EXPECT_EQ(boxes.boxes(),
              (Boxes{{"提醒", "游戏还未结束，真的要退出吗？再次点击返回按钮将强制退出回到大厅！"}}));
    EXPECT_TRUE(desk->leaveWarned());
    expectNoMoreRequests();
    cct::keyPress(Key::KEY_ESCAPE);
    EXPECT_EQ(nextRequest(), R"({"opt":"change","type":"leave","desk":3,"site":1})");
    cct::step(1);
    EXPECT_NE(runningLayer<CHallScene>(), nullptr);
}

}  // namespace
