#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;

namespace {

class HallTest : public SceneTest {
protected:
    // The counter is shared by every hall of the process: each test starts it afresh (tests that
    // need another phase set it themselves).
    void SetUp() override {
        SceneTest::SetUp();
        s_hallTickCount = 1;
    }

    // Runs a fresh hall the way start-up does and takes the query it sends at once.
    CHallScene* openHall() {
        cocos2d::Scene* scene = cocos2d::Scene::create();
        scene->addChild(CHallScene::create());
        cocos2d::Director::getInstance()->runWithScene(scene);
        cct::step(1);
        EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
        return runningLayer<CHallScene>();
    }

    static const Vec2 kButton;
};

const Vec2 HallTest::kButton{512, 384};

TEST_F(HallTest, BuildsBackgroundButtonAndOnlineLabel) {
    CHallScene* hall = openHall();
    ASSERT_NE(hall, nullptr);

    cocos2d::Label* online = hall->onlineLabel();
    ASSERT_NE(online, nullptr);
    EXPECT_EQ(online->getString(), "online: 0");
    EXPECT_EQ(online->getPosition(), Vec2(512, 334));
    EXPECT_EQ(online->getLocalZOrder(), 2);
    EXPECT_FLOAT_EQ(online->getFontSize(), 25);

    cocos2d::ui::Button* button = hall->addButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->getPosition(), kButton);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->getLocalZOrder(), 0);

    auto sprites = cct::findAll<cocos2d::Sprite>(hall);
    auto background = std::find_if(sprites.begin(), sprites.end(), [](cocos2d::Sprite* s) {
        return s->getSpriteFrame() != nullptr && s->getSpriteFrame()->getTextureFileName() == "bj.png";
    });
    ASSERT_NE(background, sprites.end());
    EXPECT_EQ((*background)->getPosition(), Vec2(512, 384));
    EXPECT_EQ((*background)->getLocalZOrder(), -1);
}

TEST_F(HallTest, QueryReplyShowsTheOnlineTextAsReceived) {
    CHallScene* hall = openHall();
    for (const char* online : {"7", "0012", "many"}) {
        queue()->pushMessage(queryMsg(online));
        hall->pollMessage(0.1f);
        EXPECT_EQ(hall->onlineLabel()->getString(), std::string("online:") + online);
    }
}

TEST_F(HallTest, QuickJoinSendsOneAddRequestPerHall) {
    CHallScene* hall = openHall();
    cct::click(kButton);
    EXPECT_EQ(nextRequest(), R"({"opt":"add"})");
    EXPECT_FALSE(hall->addButton()->isEnabled());

    cct::click(kButton);  // the button is disabled now
    cct::step(1);
    expectNoMoreRequests();
}

TEST_F(HallTest, PressReleasedOutsideTheButtonSendsNothing) {
    CHallScene* hall = openHall();
    cct::touchBegin(kButton);
    cct::touchMove(Vec2(900, 700));
    cct::touchEnd(Vec2(900, 700));
    cct::step(1);
    EXPECT_TRUE(hall->addButton()->isEnabled());
    expectNoMoreRequests();
}

TEST_F(HallTest, HandlesOneMessagePerTickInQueueOrder) {
    openHall();
    queue()->pushMessage(queryMsg("7"));
    queue()->pushMessage(addMsg(12, 2, "guest"));
    queue()->pushMessage(queryMsg("9"));

    cct::step(kFramesPerTick);  // first tick: the online count
    CHallScene* hall = runningLayer<CHallScene>();
    ASSERT_NE(hall, nullptr);
    EXPECT_EQ(hall->onlineLabel()->getString(), "online:7");

    cct::step(kFramesPerTick);  // second tick: the desk opens
    cct::step(1);
    CDeskScene* desk = runningLayer<CDeskScene>();
    ASSERT_NE(desk, nullptr);
    EXPECT_EQ(desk->desk(), 12);
    EXPECT_EQ(desk->site(), 2);
    EXPECT_EQ(desk->playerName(), "guest");

    cct::step(kFramesPerTick);  // the third message is the desk's, which drops it
    EXPECT_EQ(runningLayer<CDeskScene>(), desk);
}

TEST_F(HallTest, DropsEveryOtherMessage) {
    CHallScene* hall = openHall();
    for (const char* opt : {"change", "start", "game", "score", "over", "run", "timeout", "Query", "bogus"}) {
        auto msg = makeMsg(opt);
        msg->online = "99";
        msg->site = 1;
        msg->cards = "8,9";
        queue()->pushMessage(msg);
        hall->pollMessage(0.1f);
    }
    cct::step(1);
    EXPECT_EQ(runningLayer<CHallScene>(), hall);
    EXPECT_EQ(hall->onlineLabel()->getString(), "online: 0");
    EXPECT_EQ(queue()->popMessage(), nullptr);
}

TEST_F(HallTest, AddReplyWithASeatOutsideTheDeskOpensNothing) {
    CHallScene* hall = openHall();
    for (int site : {-1, 4, 100}) {
        queue()->pushMessage(addMsg(3, site, "x"));
        hall->pollMessage(0.1f);
        cct::step(1);
        EXPECT_EQ(runningLayer<CHallScene>(), hall) << "site " << site;
    }
}

TEST_F(HallTest, PeriodicQueryFollowsTheSharedCounter) {
    s_hallTickCount = 98;
    CHallScene* first = openHall();
    first->pollMessage(0.1f);  // 98
    first->pollMessage(0.1f);  // 99
    expectNoMoreRequests();
    first->pollMessage(0.1f);  // 100: query
    EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
    EXPECT_EQ(s_hallTickCount, 101);

    // A later hall asks at once, then keeps the counter's phase: its first periodic query comes
    // after 99 ticks here, not 100.
    s_hallTickCount = 101;
    CHallScene* second = openHall();
    for (int tick = 101; tick < 200; ++tick) {
        second->pollMessage(0.1f);
    }
    expectNoMoreRequests();
    second->pollMessage(0.1f);
    EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
}

TEST_F(HallTest, TickRunsTenTimesASecond) {
    openHall();
    cct::stepSeconds(1.0f);
    EXPECT_EQ(s_hallTickCount, 11);
    cct::stepSeconds(9.0f);  // the 100th tick asks again
    EXPECT_EQ(nextRequest(), R"({"opt":"query"})");
}

TEST_F(HallTest, LostConnectionShowsTheSendFailureAtEveryQuery) {
    loseConnection();
    s_hallTickCount = 99;
    cocos2d::Scene* scene = cocos2d::Scene::create();
    scene->addChild(CHallScene::create());
    cocos2d::Director::getInstance()->runWithScene(scene);
    cct::step(1);
    CHallScene* hall = runningLayer<CHallScene>();
    ASSERT_NE(hall, nullptr);
    EXPECT_EQ(sendFailureBoxes(), 1u);

    hall->pollMessage(0.1f);  // 99
    EXPECT_EQ(sendFailureBoxes(), 1u);
    hall->pollMessage(0.1f);  // 100: the periodic query fails again
    EXPECT_EQ(sendFailureBoxes(), 2u);
    EXPECT_EQ(hall->onlineLabel()->getString(), "online: 0");
}

}  // namespace
