// Saves screenshots of the hall and the desk in the states the README shows (docs/images/screen-*). The real
// scenes run in the headless engine and get their server messages over loopback from a scripted server,
// exactly as from a game server; touches and clicks are injected at design coordinates.
//
//   scenes-screenshots [--scale F] OUTPUT_DIR [ASSETS_DIR]
//   scenes-screenshots [--scale F] --server PORT OUTPUT_DIR [ASSETS_DIR]
//
// --scale F draws the pictures F times the design size (as the program's --scale does) and adds
// "-scaleF" to each file name (screen-desk-marks-scale2.png).
//
// Scripted (no --server): the desk with raised cards, played rows, pass and over marks, scores and
// a countdown (screen-desk-marks), after the own play (screen-desk-turn), the result box
// (screen-desk-over), and the hint's pick at the next turn (screen-desk-hint).
// With --server the scenes play against a running game server on 127.0.0.1:PORT (the reference
// server with its bots): quick join, ready, and on every own turn the lowest card when leading or a
// pass otherwise; saved are the hall (screen-hall), the desk with the bots seated
// (screen-desk-waiting) and the desk in play once rows and marks are on the table (screen-desk-play).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ScriptedServer.h"
#include "app/SpriteFrames.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "scenes/DeskScene.h"
#include "scenes/HallScene.h"

USING_NS_CC;
namespace cct = cocos2d::testing;

namespace {

template <class T>
T* runningLayer() {
    Scene* scene = cct::runningScene();
    if (scene == nullptr || scene->getChildrenCount() != 1) {
        return nullptr;
    }
    return dynamic_cast<T*>(scene->getChildren().front());
}

// Steps frames (giving the receive thread time) until `done` holds; false after about `seconds`.
bool stepUntil(const std::function<bool()>& done, double seconds = 5) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        cct::step(1);
    }
    return done();
}

// Sends one message and steps until the scene has taken it from the queue (one tick later).
void send(testsupport::ScriptedServer& server, const std::string& body) {
    server.sendFrame(body);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cct::step(8);
}

// Appended to each file name before ".png"; empty at the design size.
std::string g_nameSuffix;

bool save(const std::string& dir, std::string name) {
    name.insert(name.size() - 4, g_nameSuffix);
    const std::string file = dir + "/" + name;
    const bool ok = cct::saveScreenshot(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", file.c_str());
    return ok;
}

std::string game(int per, const std::string& cards, const std::string& surplus, int now, int must,
                 int score) {
    return R"({"opt":"game","per":")" + std::to_string(per) + R"(","cards":")" + cards + R"(","surplus":")" +
           surplus + R"(","now":")" + std::to_string(now) + R"(","must":")" + std::to_string(must) +
           R"(","score":")" + std::to_string(score) + R"("})";
}

// Plays against a real server and saves the hall, the waiting desk and the desk in play.
int againstServer(unsigned short port, const std::string& out) {
    CMessageQueue::getInstance()->setServerPort(port);
    if (!CMessageQueue::getInstance()->connectServer()) {
        std::fprintf(stderr, "no server on port %u\n", port);
        return 1;
    }
    bool ok = true;
    Scene* scene = Scene::create();
    CHallScene* hall = CHallScene::create();
    scene->addChild(hall);
    Director::getInstance()->runWithScene(scene);
    cct::step(1);
    stepUntil([hall] { return hall->onlineLabel()->getString() != "online: 0"; });
    ok &= save(out, "screen-hall.png");

    cct::click(Vec2(512, 384));
    ok &= stepUntil([] { return runningLayer<CDeskScene>() != nullptr; });
    CDeskScene* desk = runningLayer<CDeskScene>();
    if (desk == nullptr) {
        return 1;
    }
    // Wait for the bots to sit down.
    stepUntil(
        [desk] {
            for (const auto& seat : desk->seats()) {
                if (seat->nameLabel->getString().empty()) {
                    return false;
                }
            }
            return true;
        },
        15);
    cct::stepSeconds(0.5f);
    ok &= save(out, "screen-desk-waiting.png");

    cct::click(Vec2(512, 170));
    ok &= stepUntil([desk] { return !desk->handCards().empty(); }, 15);

    // Play until three other seats show a row or a pass mark at the own turn.
    bool saved = false;
    for (int turn = 0; turn < 40 && !saved && desk->isPlaying(); ++turn) {
        if (!stepUntil([desk] { return desk->putButton()->isVisible() || !desk->isPlaying(); }, 40)) {
            break;
        }
        if (!desk->isPlaying()) {
            break;
        }
        int marked = 0;
        for (int k = 1; k < 4; ++k) {
            const st_player_info& seat = *desk->seats()[k];
            marked += !seat.playedCards.empty() || seat.passLabel->isVisible();
        }
        const bool leading = desk->lastPlay().empty();
        CardSprite* lowest = desk->handCards().front();
        if (leading) {
            cct::click(Vec2(lowest->getPositionX() - 40, 45));
        }
        if (marked >= 2 && turn >= 3) {
            if (!leading) {
                cct::click(Vec2(lowest->getPositionX() - 40, 45));  // a raised card on show
            }
            cct::stepSeconds(2.0f);
            ok &= save(out, "screen-desk-play.png");
            saved = true;
            if (!leading) {
                cct::click(Vec2(lowest->getPositionX() - 40, 45));
            }
        }
        cct::click(leading ? Vec2(412, 170) : Vec2(612, 170));
        cct::step(2);
    }
    CMessageQueue::getInstance()->disconnect();
    cct::shutdown();
    return ok && saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    unsigned short serverPort = 0;
    float scale = 1.0f;
    if (argc > first + 1 && std::string(argv[first]) == "--scale") {
        if (!parseWindowScale(argv[first + 1], scale)) {
            std::fprintf(stderr, "--scale needs 1 to 3 in steps of 0.25\n");
            return 2;
        }
        if (scale != 1.0f) {
            char text[32];
            std::snprintf(text, sizeof text, "-scale%g", scale);
            g_nameSuffix = text;
        }
        first += 2;
    }
    if (argc > first + 1 && std::string(argv[first]) == "--server") {
        serverPort = static_cast<unsigned short>(std::atoi(argv[first + 1]));
        first += 2;
    }
    if (argc <= first) {
        std::fprintf(stderr, "usage: %s [--scale F] [--server PORT] OUTPUT_DIR [ASSETS_DIR]\n", argv[0]);
        return 2;
    }
    const std::string out = argv[first];
    const std::string assets = argc > first + 1 ? argv[first + 1] : CARDHALL_TEST_ASSETS;
    // Boxes are recorded (closed at once) until the last screenshot, which shows one.
    auto boxes = std::make_unique<cct::MessageBoxRecorder>();
    if (!cct::startHeadless(assets, scale)) {
        return 1;
    }
    loadSpriteFrames();
    Configuration::getInstance()->setValue("host", Value("127.0.0.1"));
    if (serverPort != 0) {
        return againstServer(serverPort, out);
    }
    testsupport::ScriptedServer server;
    CMessageQueue::getInstance()->setServerPort(server.port());
    if (!CMessageQueue::getInstance()->connectServer() || !server.acceptClient()) {
        std::fprintf(stderr, "no loopback connection\n");
        return 1;
    }
    bool ok = true;

    // The hall with the online count.
    Scene* scene = Scene::create();
    scene->addChild(CHallScene::create());
    Director::getInstance()->runWithScene(scene);
    cct::step(1);
    server.receiveFrame();
    send(server, R"({"opt":"query","online":"128","version":"28"})");

    // Quick join; the server seats the player at desk 7, seat 0.
    cct::click(Vec2(512, 384));
    server.receiveFrame();
    send(server, R"({"opt":"add","desk":"7","site":"0","name":"我"})");
    ok &= stepUntil([] { return runningLayer<CDeskScene>() != nullptr; });
    CDeskScene* desk = runningLayer<CDeskScene>();
    if (desk == nullptr) {
        return 1;
    }

    // Waiting for players: three seats taken and ready.
    send(server, R"({"opt":"change","info":[{"name":"我","ready":"0"},{"name":"东风","ready":"1"},)"
                 R"({"name":"南山","ready":"1"},{"name":"","ready":"0"}]})");
    send(server, R"({"opt":"change","info":[{"name":"我","ready":"0"},{"name":"东风","ready":"1"},)"
                 R"({"name":"南山","ready":"1"},{"name":"West Lake","ready":"1"}]})");

    // Ready, the deal of a full hand, and a round: right plays a pair, top passes, left plays out
    // with a higher pair.
    cct::click(Vec2(512, 170));
    server.receiveFrame();
    std::string hand;
    for (int i = 0; i < 54; ++i) {
        hand += std::to_string((i * 29 + 7) % 54) + ",";
    }
    send(server, R"({"opt":"start","cards":")" + hand + R"("})");
    send(server, game(-1, "", "", 1, 1, 0));
    send(server, game(1, "8,10", "52", 2, 0, 10));
    send(server, game(2, "", "54", 3, 0, 10));
    send(server, game(3, "12,14", "0", 0, 0, 10));
    send(server, R"({"opt":"score","p0":"120","p1":"85"})");
    // Raise a pair of sixes (the hand holds every code once, in order) by a slide across two strips.
    const float firstStrip = desk->handCards()[20]->getPositionX() - 40;
    cct::touchBegin(Vec2(firstStrip, 45));
    cct::touchMove(Vec2(firstStrip + 18, 45));
    cct::touchEnd(Vec2(firstStrip + 18, 45));
    cct::stepSeconds(3.0f);
    ok &= save(out, "screen-desk-marks.png");

    // Play the raised cards; the server shows them in the own row and passes the turn on.
    cct::click(Vec2(412, 170));
    const std::string played = server.receiveFrame().value_or("");
    std::printf("play request: %s\n", played.c_str());
    std::string cards;
    for (int code : desk->lastPlay()) {
        cards += std::to_string(code) + ",";
    }
    send(server, game(0, cards, "51", 1, 0, 15));
    cct::stepSeconds(2.0f);
    ok &= save(out, "screen-desk-turn.png");

    // The end of the game: the result box drawn over the desk, saved from inside its own loop.
    boxes.reset();
    bool boxSaved = false;
    cct::setMessageBoxFrameHook([&] {
        boxSaved = save(out, "screen-desk-over.png");
        cct::closeMessageBox();
    });
    send(server, R"({"opt":"over","info":[{"name":"我","result":"20"},{"name":"东风","result":"-20"},)"
                 R"({"name":"南山","result":"20"},{"name":"West Lake","result":"-20"}]})");
    cct::setMessageBoxFrameHook(nullptr);
    ok &= boxSaved;

    // The next hand: the right seat leads a pair of fours, the others pass, and the hint (the H key)
    // raises the weakest pair that beats it, the two fives.
    cct::click(Vec2(512, 170));
    server.receiveFrame();
    send(server, R"({"opt":"start","cards":"2,5,9,13,16,17,21,24,25,28,33,36,37,38,41,45,48,49,52,53"})");
    send(server, game(-1, "", "", 1, 1, 0));
    send(server, game(1, "12,14", "25", 2, 0, 5));
    send(server, game(2, "", "27", 3, 0, 5));
    send(server, game(3, "", "26", 0, 0, 5));
    cct::keyPress(EventKeyboard::KeyCode::KEY_H);
    cct::stepSeconds(2.0f);
    ok &= save(out, "screen-desk-hint.png");

    CMessageQueue::getInstance()->disconnect();
    cct::shutdown();
    return ok ? 0 : 1;
}
