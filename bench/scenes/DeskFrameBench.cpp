// CPU cost of drawing a full desk, and of a desk that sits idle with only its countdown moving.
//
//   scenes-desk-frames [--mode full|idle] [--frames N] [--headless] [--assets DIR]
//
// full: 54 cards in the hand, a row of played cards at every seat, and one label changed every
//       frame so that every frame is drawn again.
// idle: 54 cards in the hand, three played rows and the countdown of the seat on turn, which changes
//       once a second; nothing else moves.
// The program runs the engine's real main loop (a window unless --headless) and prints CPU
// milliseconds per frame and the share of one core used, measured after a short warm-up.

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/SpriteFrames.h"
#include "cocos2d.h"
#include "net/MessageQueue.h"
#include "protocol/Message.h"
#include "scenes/DeskScene.h"

USING_NS_CC;

namespace {

constexpr int kWarmupFrames = 30;

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double wallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

std::string cardList(int first, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string((first + i * 7) % 54) + ",";
    }
    return text;
}

void deliver(CDeskScene* desk, std::shared_ptr<stMsg> msg) {
    CMessageQueue::getInstance()->pushMessage(std::move(msg));
    desk->pollMessage(0.1f);
}

std::shared_ptr<stMsg> gameMsg(int per, const std::string& cards, int now) {
    auto msg = std::make_shared<stMsg>();
    msg->opt = "game";
    msg->per = per;
    msg->cards = cards;
    msg->surplus = "27";
    msg->now = now;
    msg->score = 85;
    return msg;
}

// Counts frames and, in full mode, changes one label per frame.
class FrameDriver : public Node {
public:
    static FrameDriver* create(Label* label, bool changeEveryFrame) {
        auto* driver = new FrameDriver();
        driver->init();
        driver->autorelease();
        driver->m_label = label;
        driver->m_change = changeEveryFrame;
        driver->schedule(CC_SCHEDULE_SELECTOR(FrameDriver::onFrame), 0.0f);
        return driver;
    }

    void onFrame(float /*dt*/) {
        ++m_frames;
        if (m_frames == kWarmupFrames) {
            m_cpuStart = cpuSeconds();
            m_wallStart = wallSeconds();
        }
        if (m_change) {
            m_label->setString(m_frames % 2 == 0 ? "85" : "86");
        }
    }

    void report(const char* mode) const {
        const int measured = m_frames - kWarmupFrames;
        if (measured <= 0) {
            std::printf("mode %s: too few frames to measure\n", mode);
            return;
        }
        const double cpu = cpuSeconds() - m_cpuStart;
        const double wall = wallSeconds() - m_wallStart;
        std::printf("mode %s: %d frames, CPU %.3f ms/frame, wall %.3f ms/frame, %.2f %% of a core\n", mode,
                    measured, cpu * 1000 / measured, wall * 1000 / measured, 100 * cpu / wall);
    }

private:
    Label* m_label = nullptr;
    bool m_change = false;
    int m_frames = 0;
    double m_cpuStart = 0;
    double m_wallStart = 0;
};

class BenchApp : public Application {
public:
    explicit BenchApp(bool full) : m_full(full) {}

    bool applicationDidFinishLaunching() override {
        Director* director = Director::getInstance();
        if (director->getOpenGLView() == nullptr) {
            director->setOpenGLView(GLViewImpl::createWithRect("desk frames", Rect(0, 0, 1024, 768)));
        }
        director->setAnimationInterval(1.0f / 60);
        director->getOpenGLView()->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
        loadSpriteFrames();

        Scene* scene = Scene::create();
        CDeskScene* desk = CDeskScene::create();
        desk->setDeskInfo(7, 0, "bench");
        scene->addChild(desk);

        auto change = std::make_shared<stMsg>();
        change->opt = "change";
        const char* names[] = {"bench", "east", "partner", "west"};
        for (int i = 0; i < 4; ++i) {
            change->info[i].name = names[i];
        }
        deliver(desk, change);
        auto start = std::make_shared<stMsg>();
        start->opt = "start";
        start->cards = cardList(0, 54);
        deliver(desk, start);
        if (m_full) {
            // A row at every seat; no turn, so no row is cleared.
            for (int seat = 0; seat < 4; ++seat) {
                deliver(desk, gameMsg(seat, cardList(seat * 5, 8), -1));
            }
        } else {
            // Three rows and the turn at the right seat, whose countdown moves once a second.
            deliver(desk, gameMsg(1, cardList(2, 8), -1));
            deliver(desk, gameMsg(2, cardList(9, 8), -1));
            deliver(desk, gameMsg(3, cardList(4, 8), 1));
        }
        m_driver = FrameDriver::create(desk->deskScoreLabel(), m_full);
        scene->addChild(m_driver);
        m_driver->retain();
        director->runWithScene(scene);
        return true;
    }

    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}

    void report() {
        if (m_driver != nullptr) {
            m_driver->report(m_full ? "full" : "idle");
            m_driver->release();
            m_driver = nullptr;
        }
    }

private:
    bool m_full;
    FrameDriver* m_driver = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> rest;
    if (!parseCommandLine(argc, argv, rest)) {
        return commandLineExitStatus();
    }
    bool full = true;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == "--mode" && i + 1 < rest.size()) {
            full = rest[++i] != "idle";
        } else {
            std::fprintf(stderr, "unknown option %s\n", rest[i].c_str());
            return 2;
        }
    }
    BenchApp app(full);
    const int status = Application::getInstance()->run();
    app.report();
    return status;
}
