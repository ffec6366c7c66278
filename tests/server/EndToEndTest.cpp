// The real client against the reference server: its hall, desk and server link in the headless
// engine, joined by the server's bots, through a whole hand to the result box (the client's own
// turns are taken by the server's turn timeout, made short); then failures: the server killed under
// the client, a player killed in the middle of a hand.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Child.h"
#include "NetClient.h"
#include "ServerThread.h"
#include "app/SpriteFrames.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "core/BotPlayer.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "protocol/Requests.h"
#include "scenes/DeskScene.h"
#include "scenes/HallScene.h"

namespace cct = cocos2d::testing;
using hallserver::kSecond;
using hallserver::NetConfig;
using hallserver::ServerConfig;
using hallserver::testing::Child;
using hallserver::testing::listeningPort;
using hallserver::testing::NetClient;
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
        const unsigned short port = startServer();
        ASSERT_NE(port, 0);
        ASSERT_TRUE(cct::startHeadless(CARDHALL_TEST_ASSETS));
        loadSpriteFrames();
        cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
        CMessageQueue::getInstance()->setServerPort(port);
        ASSERT_TRUE(CMessageQueue::getInstance()->connectServer());
        auto* scene = cocos2d::Scene::create();
        scene->addChild(CHallScene::create());
        cocos2d::Director::getInstance()->runWithScene(scene);
        cct::step();
    }
    // The server the client talks to; its port.
    virtual unsigned short startServer() {
        server = std::make_unique<ServerThread>(fastDesk(), game());
        return server->port();
    }
    // The bots move within milliseconds, so a whole hand takes a second or two and a client that
    // answers each turn at once sends some 30 requests a second: the limits in force, but with the
    // rate scaled to the desk's pace.
    static NetConfig fastDesk() {
        NetConfig net;
        net.maxRequestRate = 500;
        return net;
    }
    virtual ServerConfig game() const { return quickGame(); }

    // Quick join from the hall: the desk.
    CDeskScene* join() {
        cct::click(cocos2d::Vec2(512, 384));  // the hall's quick-join button, at the centre
        if (!stepUntil([] { return runningDesk() != nullptr; }, 20)) {
            ADD_FAILURE() << "no desk opened";
            return nullptr;
        }
        return runningDesk();
    }

    // Quick join from the hall, then ready at the desk: the desk with its 54 cards dealt.
    CDeskScene* joinAndGetDealt() { return join() ? getDealt() : nullptr; }

    // Ready at the desk: the desk with its 54 cards dealt.
    CDeskScene* getDealt() {
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

namespace {

// Runs the client program headless for 90 frames against a server on `port`: its exit status, and
// its trace (requests, messages, boxes) in `trace`.
int runClientProgram(unsigned short port, std::string& trace) {
    const std::string log = "/tmp/cardhall_e2e_client." + std::to_string(getpid()) + ".log";
    const std::string command = std::string(CARDHALL_CLIENT_BIN) +
                                " --headless --frames 90 --trace --assets " + CARDHALL_TEST_ASSETS +
                                " --port " + std::to_string(port) + " 2>" + log;
    const int status = std::system(command.c_str());
    trace.clear();
    if (std::FILE* in = std::fopen(log.c_str(), "r")) {
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0)
            trace.append(chunk, n);
        std::fclose(in);
    }
    std::remove(log.c_str());
    return status;
}

}  // namespace

// The client program itself, headless, connects to the server and passes its version check.
TEST(ClientProgram, HeadlessClientTalksToTheServer) {
    if (!exists(CARDHALL_CLIENT_BIN))
        GTEST_SKIP() << "client program not built";
    if (!exists(std::string(CARDHALL_TEST_ASSETS) + "/config/strings.plist"))
        GTEST_SKIP() << "no generated assets";
    ServerThread server(NetConfig(), quickGame());
    std::string trace;
    const int status = runClientProgram(server.port(), trace);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << trace;
    // The trace shows each received body as a JSON string, its quotes escaped.
    EXPECT_NE(trace.find(R"({"recv":"{\"opt\":\"query\")"), std::string::npos) << "no query answer:\n"
                                                                               << trace;
    EXPECT_NE(trace.find(R"(\"version\":\"28\")"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("messagebox"), std::string::npos) << trace;
}

// Failures, with the real server program: the client in the headless engine as above, the server a
// process of its own that can be killed.
class ClientAgainstServerProgram : public ClientAgainstServer {
protected:
    unsigned short startServer() override {
        program = std::make_unique<Child>(serverCommand("0"));
        port = listeningPort(*program);
        program->drain();
        return port;
    }
    std::vector<std::string> serverCommand(const std::string& onPort) const {
        std::vector<std::string> command = {CARDHALL_SERVER_BIN, "--port", onPort, "--seed", "8",
                                            "--log-level",       "info"};
        command.insert(command.end(), extraOptions.begin(), extraOptions.end());
        return command;
    }
    bool boxShown(const cct::MessageBoxRecorder& boxes, const std::string& title,
                  const std::string& text) const {
        for (const auto& [shownTitle, shownText] : boxes.boxes()) {
            if (shownTitle == title && shownText.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    std::vector<std::string> extraOptions;
    std::unique_ptr<Child> program;
    unsigned short port = 0;
};

class ServerKilledUnderTheClient : public ClientAgainstServerProgram {
protected:
    void SetUp() override {
        // Slow bots, so that the hand is still on when the server goes.
        extraOptions = {"--bots", "--bot-delay", "0.05", "--bot-move-time", "0.5,1"};
        ClientAgainstServerProgram::SetUp();
    }
};

TEST_F(ServerKilledUnderTheClient, ClientShowsTheLostLinkStaysUsableAndANewClientFindsTheRestartedServer) {
    if (!exists(CARDHALL_CLIENT_BIN))
        GTEST_SKIP() << "client program not built";
    cct::MessageBoxRecorder boxes;
    CDeskScene* desk = joinAndGetDealt();
    ASSERT_NE(desk, nullptr);
    kill(program->pid(), SIGKILL);
    program->wait();
    // The receive thread tells of the lost link: the frame cut off, then the link gone.
    ASSERT_TRUE(stepUntil([&] { return boxShown(boxes, "error", "与服务器断开连接!"); }, 10))
        << boxes.boxes().size() << " boxes";
    EXPECT_TRUE(boxShown(boxes, "error", "从服务器接收数据错误."));
    // The desk still answers the player: the return button warns during the hand, then leaves for
    // the hall, and the request that cannot go out says so.
    stepUntil([] { return false; }, 1);
    ASSERT_EQ(runningDesk(), desk);
    cct::click(at(desk->returnButton()));
    cct::step();
    EXPECT_TRUE(boxShown(boxes, "提醒", "再次点击返回按钮"));
    cct::click(at(desk->returnButton()));
    EXPECT_TRUE(stepUntil([] { return !cct::findAll<CHallScene>().empty(); }, 10)) << "not back in the hall";
    EXPECT_TRUE(boxShown(boxes, "error", "断开连接，请重新登录!"));
    stepUntil([] { return false; }, 1);  // the hall runs on without a link
    // The server starts again on the same port and a new client finds it.
    Child restarted(serverCommand(std::to_string(port)));
    ASSERT_EQ(listeningPort(restarted), port);
    restarted.drain();
    std::string trace;
    const int status = runClientProgram(port, trace);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << trace;
    EXPECT_NE(trace.find(R"(\"version\":\"28\")"), std::string::npos) << trace;
    EXPECT_EQ(trace.find("messagebox"), std::string::npos) << trace;
}

class PlayerKilledMidHand : public ClientAgainstServerProgram {
protected:
    void SetUp() override {
        extraOptions = {"--turn-timeout", "30"};  // no server bots: four players of their own
        ClientAgainstServerProgram::SetUp();
    }
};

TEST_F(PlayerKilledMidHand, TheOthersGetRunTheHandIsVoidAndTheDeskOffersReadyAgain) {
    cct::MessageBoxRecorder boxes;
    CDeskScene* desk = join();
    ASSERT_NE(desk, nullptr);
    ASSERT_EQ(desk->site(), 0);
    // Seats 1 and 2: plain protocol clients; seat 3: a bot program, killed below.
    std::vector<std::unique_ptr<NetClient>> others;
    for (int site = 1; site <= 2; ++site) {
        others.push_back(std::make_unique<NetClient>(port));
        ASSERT_TRUE(others.back()->send("{\"opt\":\"add\"}"));
        ASSERT_TRUE(others.back()->receiveContaining("\"site\":\"" + std::to_string(site) + "\""));
        ASSERT_TRUE(others.back()->send(makeReadyRequest(1, site)));
    }
    Child player(
        {CARDHALL_BOT_BIN, "--count", "1", "--port", std::to_string(port), "--bot-move-time", "0.5,1"});
    ASSERT_NE(getDealt(), nullptr);
    for (auto& other : others)
        ASSERT_TRUE(other->receiveContaining("\"start\""));
    kill(player.pid(), SIGKILL);
    player.wait();
    for (auto& other : others) {
        const auto run = other->receiveContaining("\"run\"");
        ASSERT_TRUE(run);
        EXPECT_NE(run->find("\"site\":\"3\""), std::string::npos) << *run;
    }
    EXPECT_TRUE(stepUntil([&] { return boxShown(boxes, "玩家逃跑，游戏结束", "3->"); }, 20));
    EXPECT_TRUE(stepUntil([&] { return desk->readyButton()->isVisible(); }, 5)) << "no ready offered";
    EXPECT_EQ(desk->turnSite(), -1) << "a countdown still runs for the void hand";
    // The hand was void and the desk plays again: a newcomer takes seat 3, all four get ready.
    NetClient newcomer(port);
    ASSERT_TRUE(newcomer.send("{\"opt\":\"add\"}"));
    ASSERT_TRUE(newcomer.receiveContaining("\"site\":\"3\""));
    ASSERT_TRUE(newcomer.send(makeReadyRequest(1, 3)));
    for (int site = 1; site <= 2; ++site)
        ASSERT_TRUE(others[static_cast<std::size_t>(site - 1)]->send(makeReadyRequest(1, site)));
    EXPECT_NE(getDealt(), nullptr) << "no second hand";
    EXPECT_TRUE(newcomer.receiveContaining("\"start\""));
}
