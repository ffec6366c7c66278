// Start-up in the headless engine: the render settings, the one connection attempt and its failure
// box, the first scene and the first request, background and foreground.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "ScriptedServer.h"
#include "app/AppDelegate.h"
#include "app/UserConfig.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "protocol/Protocol.h"
#include "scenes/HallScene.h"

namespace {

using cocos2d::Size;
using testsupport::ScriptedServer;
using Box = std::pair<std::string, std::string>;
using Ms = std::chrono::milliseconds;

TEST(StartupContentScale, StrictHeightComparisonsPickTheFactor) {
    // Sizes that tell the three branches apart: small x1, medium x2, large x3 (height x2 only).
    const Size design(1000, 500), small(1000, 500), medium(2000, 1000), large(3000, 1000);
    struct Case {
        float frameHeight;
        float factor;
    };
    const Case cases[] = {
        {400, 1.0f},  {500, 1.0f},   // not above the small height
        {501, 2.0f},  {1000, 2.0f},  // above small, not above medium
        {1001, 2.0f}, {5000, 2.0f},  // above medium: min(3000 / 1000, 1000 / 500)
    };
    for (const auto& c : cases) {
        EXPECT_EQ(contentScaleFactorFor(Size(800, c.frameHeight), design, small, medium, large), c.factor)
            << c.frameHeight;
    }
    const Size tall(3000, 2000);
    EXPECT_EQ(contentScaleFactorFor(Size(800, 1001), design, small, medium, tall), 3.0f);
    // The program's own sizes are all 1024 x 768: every branch gives 1.
    const Size s(1024, 768);
    for (float h : {767.0f, 768.0f, 769.0f}) {
        EXPECT_EQ(contentScaleFactorFor(Size(1024, h), s, s, s, s), 1.0f);
    }
}

// An assets folder of the test's own, holding only the configuration file.
std::string writeAssets(const std::string& title) {
    const std::string dir = ::testing::TempDir() + "startup_assets_" + std::to_string(::getpid());
    std::system(("mkdir -p '" + dir + "/config'").c_str());
    std::ofstream(dir + "/config/strings.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "<key>title</key><string>"
        << title << "</string>\n<key>host</key><string>127.0.0.1</string>\n</dict>\n</plist>\n";
    return dir;
}

class Startup : public ::testing::Test {
protected:
    void TearDown() override {
        CMessageQueue::getInstance()->disconnect();
        CMessageQueue::getInstance()->setServerPort(9999);
        cocos2d::testing::shutdown();
    }
    static cocos2d::Director* director() { return cocos2d::Director::getInstance(); }

    // Lives until the link has been taken down, so that no box escapes it.
    cocos2d::testing::MessageBoxRecorder boxes;
};

TEST(UserConfigPath, FollowsTheBaseDirectoryRules) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* path;
    };
#ifdef _WIN32
    // The folder named by APPDATA; HOME plays no part.
    const Case cases[] = {
        {"C:\\Users\\p\\AppData\\Roaming", nullptr,
         "C:\\Users\\p\\AppData\\Roaming\\cardhall\\strings.plist"},
        {"relative\\conf", nullptr, ""},
        {"", nullptr, ""},
        {nullptr, nullptr, ""},
    };
#else
    const Case cases[] = {
        {"/x/conf", "/home/p", "/x/conf/cardhall/strings.plist"},
        {nullptr, "/home/p", "/home/p/.config/cardhall/strings.plist"},
        {"", "/home/p", "/home/p/.config/cardhall/strings.plist"},
        {"relative/conf", "/home/p", "/home/p/.config/cardhall/strings.plist"},  // relative: ignored
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
        {"/x/conf", nullptr, "/x/conf/cardhall/strings.plist"},
    };
#endif
    for (const Case& c : cases) {
        EXPECT_EQ(userConfigPath(c.xdg, c.home), c.path)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

TEST_F(Startup, NothingListeningShowsOneBoxAndRunsNoScene) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(writeAssets("t")));
    CMessageQueue::getInstance()->setServerPort(ScriptedServer::unusedPort());
    AppDelegate app;
    EXPECT_FALSE(app.applicationDidFinishLaunching());
    cocos2d::testing::step(3);
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{"错误", "连接服务器失败！请检查网络是否正常。"}}));
    EXPECT_EQ(director()->getRunningScene(), nullptr);
    EXPECT_EQ(director()->getNextScene(), nullptr);
    EXPECT_EQ(cocos2d::SpriteFrameCache::getInstance()->getSpriteFrameCount(), 0u);
    EXPECT_FALSE(CMessageQueue::getInstance()->isReceiving());
}

TEST_F(Startup, MissingConfigurationFailsToConnect) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(::testing::TempDir() + "no_such_assets"));
    ScriptedServer server;  // listening, but "host" reads as empty text
    CMessageQueue::getInstance()->setServerPort(server.port());
    AppDelegate app;
    EXPECT_FALSE(app.applicationDidFinishLaunching());
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_FALSE(server.acceptClient(Ms(50)));
}

TEST_F(Startup, WithAServerTheHallRunsAndTheFirstRequestIsTheQuery) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS));
    cocos2d::GLView* view = director()->getOpenGLView();
    ASSERT_NE(view, nullptr);
    const std::string viewName = view->getViewName();
    ScriptedServer server;
    CMessageQueue::getInstance()->setServerPort(server.port());
    AppDelegate app;
    ASSERT_TRUE(app.applicationDidFinishLaunching());

    // The view that was there is kept: no window, no title read.
    EXPECT_EQ(director()->getOpenGLView(), view);
    EXPECT_EQ(view->getViewName(), viewName);
    EXPECT_EQ(director()->getAnimationInterval(), 1.0f / 60);
    EXPECT_EQ(view->getDesignResolutionSize().width, 1024);
    EXPECT_EQ(view->getDesignResolutionSize().height, 768);
    EXPECT_EQ(view->getResolutionPolicy(), cocos2d::ResolutionPolicy::NO_BORDER);
    EXPECT_EQ(director()->getContentScaleFactor(), 1.0f);

    cocos2d::testing::step(2);
    cocos2d::Scene* scene = director()->getRunningScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->getChildrenCount(), 1u);  // the first layer alone
    EXPECT_EQ(cocos2d::testing::findAll<CHallScene>(scene).size(), 1u);
    EXPECT_GT(cocos2d::SpriteFrameCache::getInstance()->getSpriteFrameCount(), 0u);
    EXPECT_EQ(server.receiveFrame().value_or("<none>"), makeQueryRequest());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Startup, WithoutAViewTheWindowIsTitledFromTheConfiguration) {
    // A headless engine without a view: the delegate makes the window, offscreen.
    ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS));
    director()->setOpenGLView(nullptr);
    ScriptedServer server;
    CMessageQueue::getInstance()->setServerPort(server.port());
    {
        AppDelegate app;
        bool launched = app.applicationDidFinishLaunching();
        cocos2d::GLView* view = director()->getOpenGLView();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->getViewName(), "Card Hall");  // assets/config/strings.plist
        EXPECT_EQ(view->getFrameSize().width, 1024);
        EXPECT_EQ(view->getFrameSize().height, 768);
        EXPECT_TRUE(launched);
        EXPECT_EQ(server.receiveFrame().value_or("<none>"), makeQueryRequest());
    }
}

TEST_F(Startup, BackgroundStopsTheAnimationButNotTheLink) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS));
    ScriptedServer server;
    CMessageQueue::getInstance()->setServerPort(server.port());
    AppDelegate app;
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    ASSERT_TRUE(server.receiveFrame().has_value());

    app.applicationDidEnterBackground();
    EXPECT_TRUE(director()->isAnimationStopped());
    ASSERT_TRUE(server.sendFrame(R"({"opt":"timeout"})"));
    std::shared_ptr<stMsg> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!(got = CMessageQueue::getInstance()->popMessage()) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(Ms(1));
    }
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->opt, "timeout");
    EXPECT_TRUE(CMessageQueue::getInstance()->isReceiving());

    app.applicationWillEnterForeground();
    EXPECT_FALSE(director()->isAnimationStopped());
    EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
