// The client in a real window (run under Xvfb), through the engine's own loop: a refused play holds
// the game until its box is closed; then the server goes away during the player's turn, and the
// receive thread's box stays up over the running desk while the countdown runs out and plays the
// lowest card; the send that fails shows its own box after it. Input goes through SDL's event
// queue, as a user's would.

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ScriptedServer.h"
#include "app/AppDelegate.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "scenes/DeskScene.h"

namespace cct = cocos2d::testing;
using cocos2d::Vec2;
using Box = std::pair<std::string, std::string>;
using Clock = std::chrono::steady_clock;

namespace {

const Box kRefusedBox{"提示", "出牌不符合规则."};
const Box kLengthBox{"error", "从服务器接收数据错误."};
const Box kSendFailedBox{"error", "断开连接，请重新登录!"};
const Box kDisconnectedBox{"error", "与服务器断开连接!"};
// The automatic lead of the lowest card of the hand dealt below, at desk 7, seat 0, as the trace
// writes it.
const char kAutoLead[] = R"({"send":"{\"opt\":\"game\",\"desk\":7,\"site\":0,\"cards\":\"3\"}"})";

// What the client asked for and sent, from whichever thread.
struct Log {
    std::mutex mutex;
    std::vector<Box> boxes;
    std::vector<std::string> sends;

    std::vector<Box> boxesNow() {
        std::lock_guard<std::mutex> lock(mutex);
        return boxes;
    }
    bool sent(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& s : sends) {
            if (s == text) {
                return true;
            }
        }
        return false;
    }
};

// The window is 1024 x 768 pixels at scale 1: pixel y runs down from the top.
void pushClick(const Vec2& p) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_PRESSED;
    e.button.x = int(p.x);
    e.button.y = int(768.0f - p.y);
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    SDL_PushEvent(&e);
}

void pushKey(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

// The centre of the box's OK button in a screenshot: the button colour on the centre line.
bool findOkButton(const std::string& png, Vec2& centre) {
    SDL_Surface* loaded = IMG_Load(png.c_str());
    if (loaded == nullptr) {
        return false;
    }
    SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    int first = -1;
    int last = -1;
    for (int y = 0; y < s->h; ++y) {
        Uint32 p = static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + s->w / 2];
        if (((p >> 16) & 255) == 50 && ((p >> 8) & 255) == 120 && (p & 255) == 200) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    const int h = s->h;
    SDL_FreeSurface(s);
    centre = Vec2(512, float(h) - float(first + last) / 2.0f);
    return first >= 0;
}

int countdownOf(CDeskScene* desk) {
    return std::atoi(desk->siteSeats().at(desk->site())->countdownLabel->getString().c_str());
}

// The steps of the scenario, taken by a hook at the end of every frame on the main thread.
class Scenario {
public:
    Scenario(Log& log, std::string shotDir) : m_log(log), m_shotDir(std::move(shotDir)) {}

    std::atomic<bool> deskOpen{false};
    std::atomic<bool> refusedPlayDone{false};
    std::atomic<bool> finished{false};

    void frame() {
        const auto now = Clock::now();
        if (now - m_start > std::chrono::seconds(150)) {
            ADD_FAILURE() << "the scenario stopped at step " << m_step;
            cocos2d::Director::getInstance()->end();
            return;
        }
        auto desks = cct::findAll<CDeskScene>();
        CDeskScene* desk = desks.empty() ? nullptr : desks.front();
        if (desk == nullptr) {
            return;
        }
        deskOpen = true;
        const unsigned frames = cocos2d::Director::getInstance()->getTotalFrames();
        if (!m_readyPressed && desk->readyButton()->isVisible()) {
            pushClick(desk->readyButton()->getPosition());
            m_readyPressed = true;
        }
        switch (m_step) {
            case 0:  // dealt, the own turn, leading: press play with nothing raised
                if (desk->isPlaying() && desk->turnSite() == desk->site() && desk->handCards().size() == 5) {
                    pushClick(desk->putButton()->getPosition());
                    next(now, frames, countdownOf(desk));
                }
                break;
            case 1:  // the refused play's box holds the game: no frame of the game, no countdown
                if (cct::isMessageBoxOpen() && now - m_since > std::chrono::milliseconds(2500)) {
                    EXPECT_EQ(m_log.boxesNow(), std::vector<Box>{kRefusedBox});
                    EXPECT_EQ(frames, m_frames) << "the game ran while the main thread's box was open";
                    EXPECT_EQ(countdownOf(desk), m_countdown);
                    pushKey(SDLK_RETURN);
                    next(now, frames, countdownOf(desk));
                }
                break;
            case 2:  // closed: the game goes on; the server now closes the connection
                if (!cct::isMessageBoxOpen() && frames > m_frames + 5) {
                    refusedPlayDone = true;
                    next(now, frames, countdownOf(desk));
                }
                break;
            case 3:  // the receive thread's box is up
                if (cct::isMessageBoxOpen()) {
                    EXPECT_EQ(m_log.boxesNow(), (std::vector<Box>{kRefusedBox, kLengthBox}));
                    next(now, frames, countdownOf(desk));
                }
                break;
            case 4:  // under it the game goes on and the countdown counts
                if (now - m_since > std::chrono::seconds(3)) {
                    EXPECT_TRUE(cct::isMessageBoxOpen());
                    EXPECT_GT(frames, m_frames + 60);
                    EXPECT_LE(countdownOf(desk), m_countdown - 2);
                    EXPECT_TRUE(cct::saveScreenshot(m_shotDir + "/window-box-over-desk.png"));
                    next(now, frames, countdownOf(desk));
                }
                break;
            case 5:  // the countdown ran out: the lowest card was led, and that send failed
                if (m_log.sent(kAutoLead) && m_log.boxesNow().size() == 3) {
                    EXPECT_EQ(m_log.boxesNow(), (std::vector<Box>{kRefusedBox, kLengthBox, kSendFailedBox}));
                    EXPECT_EQ(desk->handCards().size(), 4u);
                    next(now, frames, 0);
                }
                break;
            case 6:  // the failed send's box waits behind the receive thread's; the game is held
                if (now - m_since > std::chrono::seconds(1)) {
                    EXPECT_EQ(frames, m_frames) << "the game ran while the main thread waited for its box";
                    EXPECT_EQ(m_log.boxesNow().size(), 3u) << "the receive thread's box is still open";
                    const std::string shot = m_shotDir + "/window-two-boxes.png";
                    Vec2 ok;
                    ASSERT_TRUE(cct::saveScreenshot(shot));
                    ASSERT_TRUE(findOkButton(shot, ok));
                    pushClick(ok);  // closes the receive thread's box
                    next(now, frames, 0);
                }
                break;
            case 7:  // the receive thread asks for its next box; the failed send's box is shown now
                if (m_log.boxesNow().size() == 4 && now - m_since > std::chrono::milliseconds(500)) {
                    EXPECT_EQ(m_log.boxesNow().back(), kDisconnectedBox);
                    EXPECT_TRUE(cct::isMessageBoxOpen());
                    EXPECT_EQ(frames, m_frames) << "still held by the main thread's own box";
                    pushKey(SDLK_RETURN);
                    next(now, frames, 0);
                }
                break;
            case 8:  // the game goes on under the receive thread's last box
                if (frames > m_frames + 30) {
                    EXPECT_TRUE(cct::isMessageBoxOpen());
                    pushKey(SDLK_ESCAPE);
                    next(now, frames, 0);
                }
                break;
            case 9:
                if (!cct::isMessageBoxOpen()) {
                    finished = true;
                    cocos2d::Director::getInstance()->end();
                }
                break;
            default:
                break;
        }
    }

private:
    void next(Clock::time_point now, unsigned frames, int countdown) {
        ++m_step;
        m_since = now;
        m_frames = frames;
        m_countdown = countdown;
    }

    Log& m_log;
    std::string m_shotDir;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_since = Clock::now();
    bool m_readyPressed = false;
    int m_step = 0;
    unsigned m_frames = 0;
    int m_countdown = 0;
};

// The server's side: the hall's query, a seat at desk 7, the deal once the player is ready, and the
// own turn; the connection is closed once the refused play is behind us.
void serve(testsupport::ScriptedServer& server, Scenario& scenario) {
    using Ms = std::chrono::milliseconds;
    auto waitFor = [](const std::atomic<bool>& flag) {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!flag && Clock::now() < deadline) {
            std::this_thread::sleep_for(Ms(10));
        }
        return flag.load();
    };
    ASSERT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"4","version":"28"})"));
    ASSERT_TRUE(server.sendFrame(R"({"opt":"add","desk":"7","site":"0","name":"我"})"));
    ASSERT_TRUE(waitFor(scenario.deskOpen));
    ASSERT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"),
              R"({"opt":"change","type":"ready","desk":7,"site":0})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"start","cards":"3,7,12,20,33"})"));
    ASSERT_TRUE(server.sendFrame(
        R"({"opt":"game","per":"-1","cards":"","surplus":"","now":"0","must":"1","score":"0"})"));
    ASSERT_TRUE(waitFor(scenario.refusedPlayDone));
    server.closeClient();
}

}  // namespace

TEST(ClientWindow, LostConnectionAtTheDeskShowsItsBoxesWhileTheCountdownPlays) {
    // No settings file of the user running the test.
    char config[] = "/tmp/window-test-XXXXXX";
    ASSERT_NE(mkdtemp(config), nullptr);
    setenv("XDG_CONFIG_HOME", config, 1);

    Log log;
    cocos2d::setMessageBoxHook([&](const std::string& title, const std::string& text) {
        std::lock_guard<std::mutex> lock(log.mutex);
        log.boxes.emplace_back(title, text);
    });
    CMessageQueue::getInstance()->setTraceSink([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(log.mutex);
        if (line.compare(0, 8, "{\"send\":") == 0) {
            log.sends.push_back(line);
        }
    });

    testsupport::ScriptedServer server;
    CMessageQueue::getInstance()->setServerPort(server.port());
    cocos2d::runOptions().assetsDir = CARDHALL_TEST_ASSETS;
    Scenario scenario(log, WINDOW_TEST_OUTPUT_DIR);
    cct::setFrameHook([&] { scenario.frame(); });
    std::thread script([&] { serve(server, scenario); });
    int status;
    {
        AppDelegate app;
        status = cocos2d::Application::getInstance()->run();
        CMessageQueue::getInstance()->disconnect();
    }
    script.join();
    cct::setFrameHook(nullptr);
    cocos2d::setMessageBoxHook(nullptr);
    CMessageQueue::getInstance()->setTraceSink(nullptr);

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(scenario.finished.load());
    EXPECT_EQ(log.boxesNow(), (std::vector<Box>{kRefusedBox, kLengthBox, kSendFailedBox, kDisconnectedBox}));
    EXPECT_TRUE(log.sent(kAutoLead));
    std::string rm = std::string("rm -rf '") + config + "'";
    (void)std::system(rm.c_str());
}
