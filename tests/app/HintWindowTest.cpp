// The hint and the keys in the real window (run under Xvfb): the program's own start-up and main loop
// on this thread, a scripted server on loopback driven from a second thread, and the player's mouse
// clicks and key presses put into SDL's event queue as the window system would deliver them. At the
// end of every frame the main thread notes what the desk shows (the own turn, the raised cards) for
// the script to wait on.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedServer.h"
#include "app/AppDelegate.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "scenes/DeskScene.h"

namespace {

using Ms = std::chrono::milliseconds;
using testsupport::ScriptedServer;

constexpr int kWindowHeight = 768;

SDL_Event mouseButton(Uint32 type, float x, float y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    // Design points have their origin at the bottom left, window pixels at the top left.
    e.button.x = static_cast<Sint32>(x);
    e.button.y = static_cast<Sint32>(kWindowHeight - y);
    return e;
}

SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    return e;
}

// What the desk showed at the end of the last frame.
struct Seen {
    bool hintShown = false;  // the own turn: the hint button stands between play and pass
    std::vector<int> raised;
};

class Observer {
public:
    // Main thread, at the end of a frame.
    void look() {
        Seen now;
        cocos2d::Scene* scene = cocos2d::Director::getInstance()->getRunningScene();
        auto* desk = scene && scene->getChildrenCount() == 1
                         ? dynamic_cast<CDeskScene*>(scene->getChildren().front())
                         : nullptr;
        if (desk) {
            now.hintShown = desk->hintButton()->isVisible();
            for (const CardSprite* card : desk->handCards()) {
                if (card->getPositionY() == CDeskScene::kRaisedY) {
                    now.raised.push_back(card->cardCode);
                }
            }
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen = now;
        m_changed.notify_all();
    }

    // Script thread: waits until a frame shows what `wanted` looks for (false after 15 s).
    bool waitFor(const std::function<bool(const Seen&)>& wanted) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(15), [&] { return wanted(m_seen); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Seen m_seen;
};

struct Input {
    std::vector<SDL_Event> events;
    Input& click(float x, float y) {
        events.push_back(mouseButton(SDL_MOUSEBUTTONDOWN, x, y));
        events.push_back(mouseButton(SDL_MOUSEBUTTONUP, x, y));
        return *this;
    }
    Input& key(SDL_Keycode k) {
        events.push_back(keyDown(k));
        return *this;
    }
};

// Puts the inputs into SDL's queue in one step (SDL_PeepEvents adds them under one lock).
void deliver(const Input& input) {
    std::vector<SDL_Event> events = input.events;
    SDL_PeepEvents(events.data(), static_cast<int>(events.size()), SDL_ADDEVENT, 0, 0);
}

// Repeats `input` until the client sends a frame other than the hall's periodic query; returns its
// body ("<none>" after about 15 s). For the hall's and the ready button, whose scenes show no state
// that the script waits for.
std::string untilRequest(ScriptedServer& server, const Input& input) {
    for (int attempt = 0; attempt < 30; ++attempt) {
        deliver(input);
        std::optional<std::string> body = server.receiveFrame(Ms(500));
        while (body && *body == R"({"opt":"query"})") {
            body = server.receiveFrame(Ms(500));
        }
        if (body) {
            return *body;
        }
    }
    return "<none>";
}

std::string gameMessage(int per, const std::string& cards, int now, int must) {
    return R"({"opt":"game","per":")" + std::to_string(per) + R"(","cards":")" + cards +
           R"(","surplus":"20","now":")" + std::to_string(now) + R"(","must":")" + std::to_string(must) +
           R"(","score":"0"})";
}

// The server's side of two turns at desk 4, seat 0.
void playTheScript(ScriptedServer& server, Observer& desk) {
    const Input quickJoin = Input().click(512, 384);  // the hall's button, in the window's middle
    const Input ready = Input().click(512, 170);
    const std::string readyRequest = R"({"opt":"change","type":"ready","desk":4,"site":0})";
    auto ownTurn = [](const Seen& s) { return s.hintShown; };
    std::vector<int> raised;
    auto somethingRaised = [&raised](const Seen& s) {
        raised = s.raised;
        return !s.raised.empty();
    };

    EXPECT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})");
    server.sendFrame(R"({"opt":"query","online":"4","version":"28"})");
    EXPECT_EQ(untilRequest(server, quickJoin), R"({"opt":"add"})");
    server.sendFrame(R"({"opt":"add","desk":"4","site":"0","name":"me"})");

    // Leading with an ace, a three and a four: the hint raises the three alone, the play button
    // plays it.
    EXPECT_EQ(untilRequest(server, ready), readyRequest);
    server.sendFrame(R"({"opt":"start","cards":"0,8,12"})");
    server.sendFrame(gameMessage(-1, "", 0, 1));
    ASSERT_TRUE(desk.waitFor(ownTurn));
    deliver(Input().key(SDLK_h));
    ASSERT_TRUE(desk.waitFor(somethingRaised));
    EXPECT_EQ(raised, (std::vector<int>{8}));
    deliver(Input().click(412, 170));
    EXPECT_EQ(server.receiveFrame().value_or("<none>"), R"({"opt":"game","desk":4,"site":0,"cards":"8,"})");

    // A new hand, a pair of fives to beat: the hint raises the pair of sixes, Space plays it.
    server.sendFrame(R"({"opt":"over","info":[{"name":"me","result":"0"},{"name":"b","result":"0"},)"
                     R"({"name":"c","result":"0"},{"name":"d","result":"0"}]})");
    EXPECT_EQ(untilRequest(server, ready), readyRequest);
    server.sendFrame(R"({"opt":"start","cards":"8,9,12,13,20,21,48"})");
    server.sendFrame(gameMessage(3, "16,17", 0, 0));
    ASSERT_TRUE(desk.waitFor(ownTurn));
    deliver(Input().key(SDLK_h));
    ASSERT_TRUE(desk.waitFor(somethingRaised));
    EXPECT_EQ(raised, (std::vector<int>{20, 21}));
    deliver(Input().key(SDLK_SPACE));
    EXPECT_EQ(server.receiveFrame().value_or("<none>"),
              R"({"opt":"game","desk":4,"site":0,"cards":"20,21,"})");
}

TEST(HintWindow, HintThenPlayByButtonAndBySpace) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
    // No settings of the person running the tests.
    setenv("XDG_CONFIG_HOME", ::testing::TempDir().c_str(), 1);
    cocos2d::testing::MessageBoxRecorder boxes;  // the result box of the first hand, not modal here
    ScriptedServer server;
    CMessageQueue::getInstance()->setServerHost("127.0.0.1");
    CMessageQueue::getInstance()->setServerPort(server.port());
    cocos2d::runOptions().assetsDir = CARDHALL_TEST_ASSETS;

    Observer desk;
    cocos2d::testing::setFrameHook([&desk] { desk.look(); });
    std::thread script([&] {
        playTheScript(server, desk);
        cocos2d::Director::getInstance()->end();
    });
    AppDelegate app;
    const int status = app.run();
    script.join();
    cocos2d::testing::setFrameHook(nullptr);
    CMessageQueue::getInstance()->disconnect();
    EXPECT_EQ(status, 0);
    for (const auto& box : boxes.boxes()) {
        EXPECT_NE(box.second, "出牌不符合规则.") << "a play went out without the hint's cards";
    }
}

}  // namespace
