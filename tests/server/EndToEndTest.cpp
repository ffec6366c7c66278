// The real client against the reference server: its hall, desk and server link in the headless
// engine, joined by the server's bots, through a whole hand to the result box. The client's own
// turns are taken by the server's turn timeout, made short.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ServerThread.h"
#include "app/SpriteFrames.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "scenes/DeskScene.h"
#include "scenes/HallScene.h"

namespace cct = cocos2d::testing;
using hallserver::kSecond;
using hallserver::NetConfig;
using hallserver::ServerConfig;
using hallserver::testing::ServerThread;

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

CDeskScene* runningDesk() {
    auto desks = cct::findAll<CDeskScene>();
    return desks.empty() ? nullptr : desks.front();
}

ServerConfig quickGame() {
    ServerConfig game;
    game.bots = true;
    game.botDelay = kSecond / 20;
    game.botMoveMin = 1000;
    game.botMoveMax = 3000;
    game.turnTimeout = kSecond / 100;  // the server plays the client's turns for it
    game.seed = 8;
    return game;
}

const char* const kResultTitles[] = {"游戏结束，你赢了！", "游戏结束，你输了！", "游戏结束，平局！"};

}  // namespace

class ClientAgainstServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!exists(std::string(CARDHALL_TEST_ASSETS) + "/config/strings.plist"))
            GTEST_SKIP() << "no generated assets in " << CARDHALL_TEST_ASSETS;
        server = std::make_unique<ServerThread>(NetConfig(), game());
        ASSERT_TRUE(cct::startHeadless(CARDHALL_TEST_ASSETS));
        loadSpriteFrames();
        cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
        CMessageQueue::getInstance()->setServerPort(server->port());
        ASSERT_TRUE(CMessageQueue::getInstance()->connectServer());
        auto* scene = cocos2d::Scene::create();
        scene->addChild(CHallScene::create());
        cocos2d::Director::getInstance()->runWithScene(scene);
        cct::step();
    }
    virtual ServerConfig game() const { return quickGame(); }

    // Quick join from the hall, then ready at the desk: the desk with its 54 cards dealt.
    CDeskScene* joinAndGetDealt() {
        cct::click(cocos2d::Vec2(512, 384));  // the hall's quick-join button, at the centre
        if (!stepUntil([] { return runningDesk() != nullptr; }, 20)) {
            ADD_FAILURE() << "no desk opened";
            return nullptr;
        }
        cocos2d::ui::Button* ready = runningDesk()->readyButton();
        cct::click(at(ready));
        if (!stepUntil([&] { return runningDesk() && runningDesk()->handCards().size() == 54; }, 20)) {
            ADD_FAILURE() << "the hand was not dealt";
            return nullptr;
        }
        return runningDesk();
    }

    static cocos2d::Vec2 at(cocos2d::Node* node) {
        return node->getParent()->convertToWorldSpace(node->getPosition());
    }

    static bool isResult(const std::string& title) {
        for (const char* wanted : kResultTitles) {
            if (title == wanted)
                return true;
        }
        return false;
    }

    // Checks the boxes shown in a hand: exactly one result box listing the four seats, nothing else
    // (no link error, no refused play).
    static void expectOnlyTheResult(const cct::MessageBoxRecorder& boxes) {
        int results = 0;
        for (const auto& [title, text] : boxes.boxes()) {
            EXPECT_TRUE(isResult(title)) << title << ": " << text;
            if (isResult(title)) {
                ++results;
                EXPECT_NE(text.find("0:"), std::string::npos) << text;
                EXPECT_NE(text.find("3:"), std::string::npos) << text;
            }
        }
        EXPECT_EQ(results, 1);
    }

    void TearDown() override {
        CMessageQueue::getInstance()->disconnect();
        cct::shutdown();
        server.reset();
    }

    // Steps frames (1/60 s of simulated time each) until `done` holds, for at most `seconds` of real
    // time: the server plays in real time, so a slow machine needs more frames, not fewer.
    template <typename Done>
    bool stepUntil(Done done, double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            cct::step();
        }
        return done();
    }

    std::unique_ptr<ServerThread> server;
};

TEST_F(ClientAgainstServer, JoinsIsJoinedByBotsAndPlaysAHandToTheResultBox) {
    cct::MessageBoxRecorder boxes;
    CDeskScene* desk = joinAndGetDealt();
    ASSERT_NE(desk, nullptr);
    EXPECT_EQ(desk->site(), 0);
    // With CARDHALL_E2E_SCREENSHOT=FILE.png, the desk is saved a few seconds into the hand.
    if (const char* shot = std::getenv("CARDHALL_E2E_SCREENSHOT")) {
        stepUntil([] { return false; }, 3);
        EXPECT_TRUE(cct::saveScreenshot(shot));
    }
    auto resultShown = [&] {
        for (const auto& [title, text] : boxes.boxes()) {
            if (isResult(title))
                return true;
        }
        return false;
    };
    // The desk takes one message per 0.1 s of its clock: a hand of a few hundred messages.
    ASSERT_TRUE(stepUntil(resultShown, 150)) << "no result box";
    expectOnlyTheResult(boxes);
    // The desk offers ready again.
    EXPECT_TRUE(stepUntil([&] { return desk->readyButton()->isVisible(); }, 5));
}

// The same, with the player's own turns taken by clicks: the highest card when leading (raised by a
// tap, then the play button), the pass button otherwise. The server's own timeout is long, so a
// hand only ends in time if the client's requests are accepted.
class ClientPlayingByClicks : public ClientAgainstServer {
protected:
    ServerConfig game() const override {
        ServerConfig config = quickGame();
        config.turnTimeout = 20 * kSecond;
        return config;
    }
};

TEST_F(ClientPlayingByClicks, PlaysItsOwnTurnsThroughTheButtons) {
    cct::MessageBoxRecorder boxes;
    CDeskScene* desk = joinAndGetDealt();
    ASSERT_NE(desk, nullptr);
    int plays = 0, passes = 0;
    auto actWhenOnTurn = [&] {
        if (desk->turnSite() != desk->site() || !desk->putButton()->isVisible() ||
            !desk->putButton()->isEnabled())
            return;
        if (desk->noputButton()->isVisible()) {
            cct::click(at(desk->noputButton()));
            ++passes;
        } else if (!desk->handCards().empty()) {
            cct::click(at(desk->handCards().back()));  // the rightmost card lies on top
            cct::click(at(desk->putButton()));
            ++plays;
        }
    };
    auto resultShown = [&] {
        actWhenOnTurn();
        for (const auto& [title, text] : boxes.boxes()) {
            if (isResult(title))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(stepUntil(resultShown, 150))
        << "no result box after " << plays << " plays, " << passes << " passes";
    expectOnlyTheResult(boxes);
    EXPECT_GE(plays, 1) << "seat 0 leads the first hand";
    EXPECT_GE(passes, 1);
    // Every accepted lead took one card out of the hand on the screen.
    EXPECT_EQ(desk->handCards().size(), 54u - static_cast<std::size_t>(plays));
}

// The client program itself, headless, connects to the server and passes its version check.
TEST(ClientProgram, HeadlessClientTalksToTheServer) {
    if (!exists(CARDHALL_CLIENT_BIN))
        GTEST_SKIP() << "client program not built";
    if (!exists(std::string(CARDHALL_TEST_ASSETS) + "/config/strings.plist"))
        GTEST_SKIP() << "no generated assets";
    ServerThread server(NetConfig(), quickGame());
    const std::string log = "/tmp/cardhall_e2e_client." + std::to_string(getpid()) + ".log";
    const std::string command = std::string(CARDHALL_CLIENT_BIN) +
                                " --headless --frames 90 --trace --assets " + CARDHALL_TEST_ASSETS +
                                " --port " + std::to_string(server.port()) + " 2>" + log;
    const int status = std::system(command.c_str());
    std::FILE* in = std::fopen(log.c_str(), "r");
    std::string trace;
    if (in) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
            trace.append(chunk, n);
        std::fclose(in);
    }
    std::remove(log.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << trace;
    // The trace shows each received body as a JSON string, its quotes escaped.
    EXPECT_NE(trace.find(R"({"recv":"{\"opt\":\"query\")"), std::string::npos) << "no query answer:\n"
                                                                               << trace;
    EXPECT_NE(trace.find(R"(\"version\":\"28\")"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("messagebox"), std::string::npos) << trace;
}
