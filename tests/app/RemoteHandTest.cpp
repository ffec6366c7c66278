// The client against a reference server running elsewhere (another process, another platform),
// named by CARDHALL_REMOTE_PORT: its hall, desk and server link in the headless engine join a desk,
// are joined by the server's bots and play a hand to the result box. The server is started by the
// caller with bots and a short turn timeout, so that it plays the client's own turns for it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/SpriteFrames.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "scenes/DeskScene.h"
#include "scenes/HallScene.h"

namespace cct = cocos2d::testing;

namespace {

const char* const kResultTitles[] = {"游戏结束，你赢了！", "游戏结束，你输了！", "游戏结束，平局！"};

bool isResult(const std::string& title) {
    for (const char* wanted : kResultTitles) {
        if (title == wanted) {
            return true;
        }
    }
    return false;
}

CDeskScene* runningDesk() {
    auto desks = cct::findAll<CDeskScene>();
    return desks.empty() ? nullptr : desks.front();
}

// Steps frames until `done` holds, for at most `seconds` of real time: the server plays in real
// time, so a slow machine needs more frames, not fewer.
template <typename Done>
bool stepUntil(Done done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        cct::step();
    }
    return done();
}

cocos2d::Vec2 at(cocos2d::Node* node) {
    return node->getParent()->convertToWorldSpace(node->getPosition());
}

}  // namespace

TEST(RemoteServer, JoinsIsJoinedByBotsAndPlaysAHandToTheResultBox) {
    const char* port = std::getenv("CARDHALL_REMOTE_PORT");
    if (!port || !*port) {
        GTEST_SKIP() << "CARDHALL_REMOTE_PORT names no server (scripts/windows starts one)";
    }
    ASSERT_TRUE(cct::startHeadless(CARDHALL_TEST_ASSETS));
    loadSpriteFrames();
    cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
    CMessageQueue::getInstance()->setServerPort(static_cast<unsigned short>(std::atoi(port)));
    ASSERT_TRUE(CMessageQueue::getInstance()->connectServer());
    auto* scene = cocos2d::Scene::create();
    scene->addChild(CHallScene::create());
    cocos2d::Director::getInstance()->runWithScene(scene);
    cct::step();

    cct::MessageBoxRecorder boxes;
    cct::click(cocos2d::Vec2(512, 384));  // the hall's quick-join button, at the centre
    ASSERT_TRUE(stepUntil([] { return runningDesk() != nullptr; }, 20)) << "no desk opened";
    cct::click(at(runningDesk()->readyButton()));
    ASSERT_TRUE(stepUntil([] { return runningDesk() && runningDesk()->handCards().size() == 54; }, 20))
        << "the hand was not dealt";
    auto resultShown = [&] {
        for (const auto& [title, text] : boxes.boxes()) {
            if (isResult(title)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(stepUntil(resultShown, 240)) << "no result box";
    int results = 0;
    for (const auto& [title, text] : boxes.boxes()) {
        EXPECT_TRUE(isResult(title)) << title << ": " << text;
        if (isResult(title)) {
            ++results;
            EXPECT_NE(text.find("3:"), std::string::npos) << text;
            std::printf("result box: %s\n%s\n", title.c_str(), text.c_str());
        }
    }
    EXPECT_EQ(results, 1);

    CMessageQueue::getInstance()->disconnect();
    cct::shutdown();
}
