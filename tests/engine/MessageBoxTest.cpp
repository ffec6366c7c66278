// The message box: headless output, recording, the main-thread hand-off and
// the modal loop.
#include <atomic>
#include <chrono>
#include <thread>

#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
namespace ct = cocos2d::testing;
using Boxes = std::vector<std::pair<std::string, std::string>>;

struct JsonCase {
    std::string title;
    std::string text;
    std::string line;
};

class MessageBoxJsonTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(MessageBoxJsonTest, HeadlessBoxIsOneEscapedJsonLine) {
    const JsonCase& c = GetParam();
    EXPECT_EQ(messageBoxJson(c.title, c.text), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageBoxJsonTest,
    ::testing::Values(
        JsonCase{"错误", "连接服务器失败！请检查网络是否正常。",
                 R"({"messagebox":{"title":"错误","text":"连接服务器失败！请检查网络是否正常。"}})"},
        JsonCase{"a\"b", "c\\d", R"({"messagebox":{"title":"a\"b","text":"c\\d"}})"},
        JsonCase{"", "line1\nline2\ttab\r", R"({"messagebox":{"title":"","text":"line1\nline2\ttab\r"}})"},
        JsonCase{"\x01", "\x1f", R"({"messagebox":{"title":"\u0001","text":"\u001f"}})"},
        // Bytes that are not UTF-8 (a GBK text, a cut sequence) never make broken JSON.
        JsonCase{"\xb4\xed\xce\xf3", "ok\xe4\xb8",
                 R"({"messagebox":{"title":"\ufffd\ufffd\ufffd\ufffd","text":"ok\ufffd\ufffd"}})"},
        JsonCase{"\xc0\xaf", "\xed\xa0\x80",
                 R"({"messagebox":{"title":"\ufffd\ufffd","text":"\ufffd\ufffd\ufffd"}})"}));

using MessageBoxTest = EngineTest;

TEST_F(MessageBoxTest, HeadlessBoxGoesToStandardErrorAndReturnsAtOnce) {
    ::testing::internal::CaptureStderr();
    MessageBox("从服务器接收数据错误.", "错误");
    std::thread([] { MessageBox("from a thread", "t"); }).join();
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "{\"messagebox\":{\"title\":\"错误\",\"text\":\"从服务器接收数据错误.\"}}\n"
              "{\"messagebox\":{\"title\":\"t\",\"text\":\"from a thread\"}}\n");
}

TEST_F(MessageBoxTest, RecorderSeesBoxesFromEveryThreadAndTheHookSeesThemToo) {
    Boxes hooked;
    std::mutex m;
    setMessageBoxHook([&](const std::string& title, const std::string& text) {
        std::lock_guard<std::mutex> lock(m);
        hooked.emplace_back(title, text);
    });
    {
        ct::MessageBoxRecorder recorder;
        ::testing::internal::CaptureStderr();
        MessageBox("one", "A");
        std::thread([] { MessageBox("two", "B"); }).join();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "recorded boxes are not printed";
        EXPECT_EQ(recorder.boxes(), (Boxes{{"A", "one"}, {"B", "two"}}));
        recorder.clear();
        EXPECT_TRUE(recorder.boxes().empty());
    }
    setMessageBoxHook(nullptr);
    MessageBox("three", "C");  // no hook now
    EXPECT_EQ(hooked, (Boxes{{"A", "one"}, {"B", "two"}}));
}

TEST_F(MessageBoxTest, BoxFromAnotherThreadWaitsForTheMainThread) {
    ct::MessageBoxRecorder recorder(/*deliverOnMainThread=*/true);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        MessageBox("从服务器接收数据错误.", "错误");
        returned = true;
    });
    // Wait (bounded) until the worker has queued its box; it stays blocked.
    for (int i = 0; i < 2000 && ct::pendingMessageBoxes() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(ct::pendingMessageBoxes(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(returned.load());
    EXPECT_TRUE(recorder.boxes().empty());
    ct::step();  // the main thread takes it at the start of the frame
    worker.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(recorder.boxes(), (Boxes{{"错误", "从服务器接收数据错误."}}));
}

TEST_F(MessageBoxTest, ShutdownReleasesAThreadWaitingForItsBox) {
    std::atomic<bool> returned{false};
    std::thread worker;
    {
        ct::MessageBoxRecorder recorder(true);
        worker = std::thread([&] {
            MessageBox("late", "x");
            returned = true;
        });
        for (int i = 0; i < 2000 && ct::pendingMessageBoxes() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(ct::pendingMessageBoxes(), 1);
        ct::shutdown();
        worker.join();
        EXPECT_TRUE(returned.load());
    }
    ASSERT_TRUE(ct::startHeadless(assets_));
}

TEST_F(MessageBoxTest, ModalOnTheMainThreadTheFrameKeepsDrawingCallbacksWait) {
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");
    red->setPosition(100, 100);  // outside the box
    layer->addChild(red);
    struct Ticker : Node {
        int ticks = 0;
        void tick(float) { ++ticks; }
    };
    auto* ticker = new Ticker();
    ticker->init();
    ticker->autorelease();
    layer->addChild(ticker);
    ticker->schedule(static_cast<SEL_SCHEDULE>(&Ticker::tick), 0.0f);
    ct::step();
    int ticksBefore = ticker->ticks;

    int frames = 0;
    bool open = false;
    Color3B underBox, centre;
    ct::setMessageBoxFrameHook([&] {
        ++frames;
        open = ct::isMessageBoxOpen();
        underBox = ct::pixelAt(Vec2(100, 100));
        centre = ct::pixelAt(Vec2(300, 384));  // on the panel, left of the text
        if (frames == 5)
            ct::closeMessageBox();
    });
    MessageBox("连接服务器失败！请检查网络是否正常。", "错误");
    ct::setMessageBoxFrameHook(nullptr);
    EXPECT_EQ(frames, 5) << "the call returns only when the box is closed";
    EXPECT_TRUE(open);
    EXPECT_FALSE(ct::isMessageBoxOpen());
    EXPECT_GT(underBox.r, 100) << "the scene is still drawn under the box";
    EXPECT_GT(centre.r + centre.g + centre.b, 600) << "the light panel is drawn";
    EXPECT_EQ(ticker->ticks, ticksBefore) << "no callback runs inside the modal box";
    ct::step();
    EXPECT_EQ(ticker->ticks, ticksBefore + 1);
}
