// Which sound effect the desk starts for which event: the deal, plays, passes, the own turn, the last
// seconds of the own countdown and the result.
#include "SceneFixture.h"
#include "scenes/DeskSounds.h"

using namespace scenetest;
namespace cct = cocos2d::testing;

namespace {

using Sounds = std::vector<std::string>;

class DeskSoundsTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        cocos2d::AudioEngine::getInstance()->setEffectHook(
            [this](const std::string& f) { played.push_back(f); });
    }
    void TearDown() override {
        cocos2d::AudioEngine::getInstance()->setEffectHook(nullptr);
        SceneTest::TearDown();
    }

    // The effects started since the last call.
    Sounds take() {
        Sounds out;
        out.swap(played);
        return out;
    }

    Sounds played;
};

TEST_F(DeskSoundsTest, EachServerEventHasItsSound) {
    // Own seat 1; seat 0 sits on its left.
    const struct {
        const char* what;
        std::shared_ptr<stMsg> msg;
        Sounds expected;
    } steps[] = {
        {"the deal", startMsg("8,9,12,20"), {kDealSound}},
        {"another seat's turn", gameMsg({-1, "", "", 0, 1, 0}), {}},
        {"a play, the next seat's turn", gameMsg({0, "4", "26", 3, 0, 0}), {kPlaySound}},
        {"a pass, the own turn", gameMsg({3, "", "27", 1, 0, 0}), {kPassSound, kTurnSound}},
        {"the own play", gameMsg({1, "8", "26", 2, 0, 0}), {kPlaySound}},
        {"seating news", changeMsg({"a", "me", "c", "d"}, {0, 0, 0, 0}), {}},
        {"scores", scoreMsg("10", "5"), {}},
        {"a fresh lead for the own seat", gameMsg({2, "", "20", 1, 1, 0}), {kPassSound, kTurnSound}},
    };
    CDeskScene* desk = openDesk(3, 1);
    take();
    for (const auto& s : steps) {
        deliver(desk, s.msg);
        EXPECT_EQ(take(), s.expected) << s.what;
    }
}

TEST_F(DeskSoundsTest, TheResultSoundsAsTheOwnSeatsResult) {
    const struct {
        std::initializer_list<int> results;
        Sounds expected;
    } cases[] = {
        {{-1, 1, -1, 1}, {kWinSound}},
        {{1, -1, 1, -1}, {kLoseSound}},
        {{0, 0, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        CDeskScene* desk = openDesk(3, 1);
        deliver(desk, startMsg("8,9"));
        take();
        deliver(desk, overMsg(c.results));
        EXPECT_EQ(take(), c.expected) << "own result " << *(c.results.begin() + 1);
    }
}

TEST_F(DeskSoundsTest, TheOwnCountdownTicksInItsLastFiveSeconds) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20", "4");
    take();
    Sounds shown;  // the countdown's text at each tick
    for (int i = 0; i < 32; ++i) {
        desk->countdownTick(1.0f);
        for (const std::string& f : take()) {
            EXPECT_EQ(f, kTickSound);
            shown.push_back(desk->siteSeats().at(1)->countdownLabel->getString());
        }
    }
    EXPECT_EQ(shown, (Sounds{"4", "3", "2", "1", "0"}));
    EXPECT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");  // the automatic pass
}

TEST_F(DeskSoundsTest, NoTicksAfterTheOwnActionOrForAnotherSeat) {
    CDeskScene* desk = openDesk(3, 1);
    ownTurn(desk, "8,9,20", "4");
    cct::click(cocos2d::Vec2(612, 170));  // pass; the server's next turn message is late
    ASSERT_EQ(nextRequest(), R"({"opt":"game","desk":3,"site":1,"cards":""})");
    take();
    for (int i = 0; i < 30; ++i) {
        desk->countdownTick(1.0f);
    }
    EXPECT_EQ(take(), Sounds{});

    deliver(desk, gameMsg({1, "", "3", 2, 0, 0}));
    take();
    for (int i = 0; i < 32; ++i) {
        desk->countdownTick(1.0f);
    }
    EXPECT_EQ(take(), Sounds{});
}

TEST_F(DeskSoundsTest, TheMKeyTurnsTheSoundOffAndOnAgain) {
    openDesk(3, 1);
    auto* audio = cocos2d::AudioEngine::getInstance();
    audio->setMuted(false);
    cct::keyPress(cocos2d::EventKeyboard::KeyCode::KEY_M);
    EXPECT_TRUE(audio->isMuted());
    cct::keyPress(cocos2d::EventKeyboard::KeyCode::KEY_M);
    EXPECT_FALSE(audio->isMuted());
}

}  // namespace
