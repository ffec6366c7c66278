#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;

namespace {

// A hand of five cards: centres at x 500.5 + 18 i, faces 98 x 138, so each card shows an 18-point
// strip left of its right neighbour and the rightmost card shows whole (523.5 to 621.5).
class DeskTouchTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        desk = openDesk(2, 0);
        ASSERT_NE(desk, nullptr);
        desk->onReadyClicked(nullptr, CDeskScene::TouchEventType::ENDED);  // as in a hand: no ready button
        ASSERT_EQ(nextRequest(), R"({"opt":"change","type":"ready","desk":2,"site":0})");
        deliver(desk, startMsg("8,12,16,20,24"));
        ASSERT_EQ(desk->handCards().size(), 5u);
    }

    // The x of a point on the visible strip of card i (or on the whole rightmost card).
    static float stripX(int i) { return 451.5f + 18 * i + 9; }

    // 'R' for each raised card, '-' for each lowered one; also checks that the flag and the height agree.
    std::string heights() const {
        std::string out;
        for (CardSprite* card : desk->handCards()) {
            const float y = card->getPositionY();
            EXPECT_TRUE(y == 45 || y == 70) << "card " << card->cardCode << " at y " << y;
            EXPECT_EQ(card->selected, y == 70) << "card " << card->cardCode;
            out += y == 70 ? 'R' : '-';
        }
        return out;
    }

    CardSprite* card(int i) const { return desk->handCards()[i]; }

    CDeskScene* desk = nullptr;
};

TEST_F(DeskTouchTest, TapTogglesTheCardSeenAtThePoint) {
    const struct {
        const char* what;
        std::vector<Vec2> taps;
        const char* heights;
    } cases[] = {
        {"visible strip of the leftmost card", {{stripX(0), 45}}, "R----"},
        {"strip of a middle card", {{stripX(2), 20}}, "--R--"},
        {"where all five overlap: the top one", {{530, 45}}, "----R"},
        {"the rightmost card's own part", {{610, 100}}, "----R"},
        {"the same card twice", {{stripX(1), 45}, {stripX(1), 45}}, "-----"},
        {"a raised card above its lowered neighbour", {{stripX(1), 45}, {stripX(2), 130}}, "-----"},
        {"left of the hand", {{440, 45}}, "-----"},
        {"below the hand", {{530, -30}}, "-----"},
        {"more than 30 above the hand", {{530, 145}}, "-----"},
        {"30 above the hand, over no card", {{530, 144}}, "-----"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desk->layoutHand();  // all lowered
        for (const Vec2& p : c.taps) {
            cct::touchBegin(p);
            cct::touchEnd(p);
        }
        EXPECT_EQ(heights(), c.heights);
    }
}

TEST_F(DeskTouchTest, SlideTogglesEachCardItEnters) {
    const float y = 45;
    cct::touchBegin(Vec2(stripX(0), y));
    EXPECT_EQ(heights(), "R----");
    cct::touchMove(Vec2(stripX(0) + 4, y));  // still on the first card
    EXPECT_EQ(heights(), "R----");
    for (int i = 1; i < 5; ++i) {
        cct::touchMove(Vec2(stripX(i), y));
    }
    cct::touchMove(Vec2(600, y));  // further on the rightmost card
    EXPECT_EQ(heights(), "RRRRR");

    // Back to the left: each card lowers as the touch enters it; the rightmost stays raised.
    const char* afterEntering[] = {"----R", "R---R", "RR--R", "RRR-R"};
    for (int i = 3; i >= 0; --i) {
        cct::touchMove(Vec2(stripX(i), y));
        EXPECT_EQ(heights(), afterEntering[i]) << "entered card " << i;
    }
    cct::touchEnd(Vec2(stripX(0), y));
    EXPECT_EQ(heights(), "----R");
}

TEST_F(DeskTouchTest, SlideBackAndForthTogglesOnEveryEntry) {
    cct::touchBegin(Vec2(stripX(1), 45));
    const char* afterEachMove[] = {"-RR--", "--R--", "-----", "-R---"};
    for (int move = 0; move < 4; ++move) {
        const int entered = move % 2 == 0 ? 2 : 1;
        cct::touchMove(Vec2(stripX(entered), 45));
        EXPECT_EQ(heights(), afterEachMove[move]) << "move " << move;
        EXPECT_EQ(desk->lastTouchedCard(), card(entered));
    }
}

TEST_F(DeskTouchTest, TapAlwaysToggles) {
    for (const char* want : {"--R--", "-----", "--R--"}) {
        cct::click(Vec2(stripX(2), 45));
        EXPECT_EQ(heights(), want);
    }
}

TEST_F(DeskTouchTest, TouchBeganOffTheCardsStartsAFreshGesture) {
    cct::click(Vec2(stripX(2), 45));
    ASSERT_EQ(desk->lastTouchedCard(), card(2));

    // A slide that starts on the table and first enters the card toggled last toggles it.
    cct::touchBegin(Vec2(300, 45));
    EXPECT_EQ(desk->lastTouchedCard(), nullptr);
    cct::touchMove(Vec2(stripX(2), 45));
    EXPECT_EQ(heights(), "-----");

    // The same after a touch above the hand.
    cct::touchEnd(Vec2(stripX(2), 45));
    cct::click(Vec2(stripX(3), 45));
    cct::touchBegin(Vec2(stripX(3), 200));
    EXPECT_EQ(desk->lastTouchedCard(), nullptr);
    cct::touchMove(Vec2(stripX(3), 45));
    EXPECT_EQ(heights(), "-----");
}

TEST_F(DeskTouchTest, TouchClaimsEvenAnEmptyHand) {
    desk->resetTable(-1);
    ASSERT_TRUE(desk->handCards().empty());
    EXPECT_EQ(desk->lastTouchedCard(), nullptr);
    cocos2d::Touch touch;
    touch.setTouchInfo(0, Vec2(512, 45), true);
    EXPECT_TRUE(desk->onTouchBegan(&touch, nullptr));
    desk->onTouchMoved(&touch, nullptr);
    EXPECT_TRUE(desk->handCards().empty());
}

TEST_F(DeskTouchTest, LastTouchedCardGoesWithItsCard) {
    cct::click(Vec2(stripX(0), 45));
    ASSERT_EQ(desk->lastTouchedCard(), card(0));
    deliver(desk, gameMsg({-1, "", "", 0, 1, 0}));
    desk->onPutClicked(nullptr, CDeskScene::TouchEventType::ENDED);
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":2,"site":0,"cards":"8,"})");
    EXPECT_EQ(desk->lastTouchedCard(), nullptr);

    cct::click(Vec2(stripX(1), 45));
    EXPECT_NE(desk->lastTouchedCard(), nullptr);
    desk->resetTable(-1);
    EXPECT_EQ(desk->lastTouchedCard(), nullptr);
}

}  // namespace
