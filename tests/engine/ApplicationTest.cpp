// The application run: start-up order, the loop and its ends, the view.
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
namespace ct = cocos2d::testing;

namespace {

class CountingLayer : public Layer {
public:
    CREATE_FUNC(CountingLayer);
    static std::atomic<int> s_frames;
    static int s_endAt;
    bool init() override {
        Layer::init();
        schedule(CC_SCHEDULE_SELECTOR(CountingLayer::tick));
        return true;
    }
    void tick(float) {
        if (++s_frames == s_endAt)
            Director::getInstance()->end();
    }
};
std::atomic<int> CountingLayer::s_frames{0};
int CountingLayer::s_endAt = -1;

class TestApp : public Application {
public:
    std::vector<std::string> calls;
    bool launchResult = true;
    bool createView = true;
    std::function<void()> launchHook;  // runs after the first scene is set

    void initGLContextAttrs() override {
        calls.push_back("initGLContextAttrs");
        GLContextAttrs attrs{8, 8, 8, 8, 24, 8};
        GLView::setGLContextAttrs(attrs);
    }
    bool applicationDidFinishLaunching() override {
        calls.push_back("applicationDidFinishLaunching");
        if (!launchResult)
            return false;
        Director* d = Director::getInstance();
        if (createView && !d->getOpenGLView())
            d->setOpenGLView(GLViewImpl::createWithRect("牌桌", Rect(0, 0, 1024, 768), 1.0f, false));
        d->setAnimationInterval(1.0f / 60.0f);
        d->getOpenGLView()->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
        auto scene = Scene::create();
        scene->addChild(CountingLayer::create());
        d->runWithScene(scene);
        if (launchHook)
            launchHook();
        return true;
    }
    void applicationDidEnterBackground() override { calls.push_back("background"); }
    void applicationWillEnterForeground() override { calls.push_back("foreground"); }
};

class ApplicationTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // run() makes its own view: start from a director without one.
        ct::shutdown();
        runOptions() = RunOptions();
        runOptions().headless = true;
        runOptions().assetsDir = assets_;
        CountingLayer::s_frames = 0;
        CountingLayer::s_endAt = -1;
    }
    void TearDown() override {
        runOptions() = RunOptions();
        EngineTest::TearDown();
    }
};

}  // namespace

TEST_F(ApplicationTest, RunCallsTheDelegateInOrderAndEndsAfterTheFrameLimit) {
    TestApp app;
    EXPECT_EQ(Application::getInstance(), &app);
    runOptions().frames = 5;
    EXPECT_EQ(Application::getInstance()->run(), 0);
    EXPECT_EQ(app.calls, (std::vector<std::string>{"initGLContextAttrs", "applicationDidFinishLaunching"}));
    EXPECT_EQ(CountingLayer::s_frames.load(), 5);
    GLContextAttrs a = GLView::getGLContextAttrs();
    EXPECT_EQ(a.depthBits, 24);
    EXPECT_EQ(a.stencilBits, 8);
    EXPECT_EQ(ct::runningScene(), nullptr) << "the run releases its scene when it ends";
}

TEST_F(ApplicationTest, FailedStartUpReturnsWithoutEnteringTheLoop) {
    TestApp app;
    app.launchResult = false;
    runOptions().frames = 5;
    EXPECT_NE(app.run(), 0);
    EXPECT_EQ(CountingLayer::s_frames.load(), 0);
    EXPECT_EQ(ct::runningScene(), nullptr);
}

TEST_F(ApplicationTest, DirectorEndFromACallbackOrAnotherThreadEndsTheRunWithStatusZero) {
    {
        TestApp app;
        CountingLayer::s_endAt = 3;
        EXPECT_EQ(app.run(), 0);
        EXPECT_EQ(CountingLayer::s_frames.load(), 3);
    }
    {
        CountingLayer::s_frames = 0;
        CountingLayer::s_endAt = -1;
        TestApp app;
        std::thread ender([] {
            while (CountingLayer::s_frames == 0)
                std::this_thread::yield();
            Director::getInstance()->end();
        });
        EXPECT_EQ(app.run(), 0);
        ender.join();
        EXPECT_GE(CountingLayer::s_frames.load(), 1);
    }
}

TEST_F(ApplicationTest, TheRunsEndReleasesAMainThreadBoxStillOpen) {
    // A box asked for from a callback holds the run's loop; ending the run from another thread
    // closes it, the callback goes on and the run ends with status zero.
    struct BoxLayer : Layer {
        bool returned = false;
        void tick(float) {
            unschedule(static_cast<SEL_SCHEDULE>(&BoxLayer::tick));
            MessageBox("出牌不符合规则.", "提示");
            returned = true;
        }
    };
    TestApp app;
    BoxLayer* boxLayer = nullptr;
    std::atomic<int> boxFrames{0};
    ct::setMessageBoxFrameHook([&] { ++boxFrames; });
    std::thread ender([&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (boxFrames < 3 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        Director::getInstance()->end();
    });
    CountingLayer::s_endAt = 2;  // without the hold, the run would end by itself after frame 2
    app.launchHook = [&] {
        boxLayer = new BoxLayer();
        boxLayer->init();
        boxLayer->autorelease();
        boxLayer->retain();
        Director::getInstance()->getRunningScene()->addChild(boxLayer);
        boxLayer->schedule(static_cast<SEL_SCHEDULE>(&BoxLayer::tick), 0.0f);
    };
    EXPECT_EQ(app.run(), 0);
    ender.join();
    ct::setMessageBoxFrameHook(nullptr);
    ASSERT_NE(boxLayer, nullptr);
    EXPECT_TRUE(boxLayer->returned);
    EXPECT_GE(boxFrames.load(), 3);
    EXPECT_LE(CountingLayer::s_frames.load(), 1) << "the game was held from the box to the end";
    boxLayer->release();
}

TEST_F(ApplicationTest, ScreenshotOfTheLastFrameIsWrittenWhenTheRunEnds) {
    TestApp app;
    runOptions().frames = 2;
    runOptions().screenshotFile = assets_ + "/last.png";
    EXPECT_EQ(app.run(), 0);
    SDL_Surface* s = IMG_Load(runOptions().screenshotFile.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 1024);
    EXPECT_EQ(s->h, 768);
    SDL_FreeSurface(s);
}

TEST_F(ApplicationTest, ViewRecordsItsSettingsAndTheDesignResolution) {
    GLView* view = GLViewImpl::createWithRect("牌桌", Rect(0, 0, 1024, 768), 1.0f, false);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isHeadless()) << "a headless run never opens a window";
    EXPECT_EQ(view->getViewName(), "牌桌");
    EXPECT_EQ(view->getFrameSize(), Size(1024, 768));
    EXPECT_FALSE(view->isResizable());
    view->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
    EXPECT_EQ(static_cast<int>(view->getResolutionPolicy()), 1);
    EXPECT_EQ(view->getDesignResolutionSize(), Size(1024, 768));
    Director* d = Director::getInstance();
    d->setOpenGLView(view);
    EXPECT_EQ(d->getVisibleSize(), Size(1024, 768));
    d->setContentScaleFactor(1.0f);
    EXPECT_EQ(d->getContentScaleFactor(), 1.0f);
    d->setAnimationInterval(1.0f / 60.0f);
    EXPECT_FLOAT_EQ(d->getAnimationInterval(), 0.016666668f);

    // NO_BORDER fills the frame and cuts the overflow: a wider frame shows
    // less of the design height.
    GLView* wide = GLViewImpl::createHeadless("wide", Size(1200, 600));
    wide->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
    EXPECT_FLOAT_EQ(wide->getVisibleSize().width, 1024);
    EXPECT_FLOAT_EQ(wide->getVisibleSize().height, 512);
}

TEST(ApplicationProgramTest, AWindowWithoutADisplaySaysSoInOneLineAndFails) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows always has a desktop for a window: the program checks for no display there";
#else
    std::string cmd = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '") +
                      ENGINE_DEMO_PATH + "' --frames 1 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p))
        out += buf;
    int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_NE(out.find("--headless"), std::string::npos) << out;
    EXPECT_NE(out.find("Xvfb"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
#endif
}
