// The message box: headless output, recording, the main-thread hand-off, a
// main-thread box holding the game, and boxes over the running game.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

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

// Boxes shown by the engine's own loop over a running game (offscreen, driven by step()).
class MessageBoxOverlayTest : public EngineTest {
protected:
    struct Ticker : Node {
        int ticks = 0;
        void tick(float) { ++ticks; }
    };

    void SetUp() override {
        EngineTest::SetUp();
        layer_ = runLayer();
        ticker_ = new Ticker();
        ticker_->init();
        ticker_->autorelease();
        layer_->addChild(ticker_);
        ticker_->schedule(static_cast<SEL_SCHEDULE>(&Ticker::tick), 0.0f);
        // A listener over the whole scene that logs what reaches it.
        auto listener = EventListenerTouchOneByOne::create();
        listener->onTouchBegan = [this](Touch*, Event*) {
            touches_ += "B";
            return true;
        };
        listener->onTouchEnded = [this](Touch*, Event*) { touches_ += "E"; };
        listener->onTouchCancelled = [this](Touch*, Event*) { touches_ += "C"; };
        Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener,
                                                                                              layer_);
        ct::setMessageBoxFrameHook([this] { ++boxFrames_; });
        ct::step();
    }
    void TearDown() override {
        ct::setMessageBoxFrameHook(nullptr);
        for (auto& t : threads_)
            if (t.joinable())
                t.join();
        EngineTest::TearDown();
    }

    // Asks for a box from a new thread and waits (bounded) until it is queued.
    std::atomic<bool>& askFromThread(const std::string& text) {
        returned_.emplace_back(std::make_unique<std::atomic<bool>>(false));
        std::atomic<bool>* done = returned_.back().get();
        int before = ct::pendingMessageBoxes();
        threads_.emplace_back([text, done] {
            MessageBox(text.c_str(), "error");
            *done = true;
        });
        for (int i = 0; i < 2000 && ct::pendingMessageBoxes() == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(ct::pendingMessageBoxes(), before + 1);
        return *done;
    }
    static void joinLater() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

    // The OK button's centre, found as the button colour on the vertical centre line.
    Vec2 okButton() {
        std::string png = assets_ + "/box.png";
        EXPECT_TRUE(ct::saveScreenshot(png));
        SDL_Surface* s = IMG_Load(png.c_str());
        if (!s)
            return Vec2::ZERO;
        SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(s);
        int first = -1, last = -1;
        for (int y = 0; y < argb->h; ++y) {
            Uint32 p = static_cast<Uint32*>(argb->pixels)[y * (argb->pitch / 4) + 512];
            if (((p >> 16) & 255) == 50 && ((p >> 8) & 255) == 120 && (p & 255) == 200) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
        SDL_FreeSurface(argb);
        EXPECT_GE(first, 0) << "no OK button on screen";
        return Vec2(512, 768.0f - float(first + last) / 2.0f);
    }

    Layer* layer_ = nullptr;
    Ticker* ticker_ = nullptr;
    std::string touches_;
    int boxFrames_ = 0;
    std::vector<std::thread> threads_;
    std::vector<std::unique_ptr<std::atomic<bool>>> returned_;
};

TEST_F(MessageBoxOverlayTest, ABoxFromAnotherThreadShowsOverTheRunningGameAndTakesTheInput) {
    std::atomic<bool>& returned = askFromThread("从服务器接收数据错误.");
    int ticks = ticker_->ticks;
    ct::step(10);
    EXPECT_TRUE(ct::isMessageBoxOpen());
    EXPECT_EQ(ticker_->ticks, ticks + 10) << "the game goes on under the box";
    EXPECT_EQ(boxFrames_, 10);
    EXPECT_FALSE(returned.load()) << "the asking thread waits until the box is closed";

    ct::click(Vec2(100, 100));  // beside the box: the scene gets nothing
    ct::click(Vec2(512, 600));
    ct::step();
    EXPECT_EQ(touches_, "");
    EXPECT_TRUE(ct::isMessageBoxOpen());

    Vec2 ok = okButton();
    ct::touchBegin(ok);
    ct::touchEnd(Vec2(100, 100));  // pressed on the button, released off it: still open
    ct::step();
    EXPECT_TRUE(ct::isMessageBoxOpen());
    ct::click(ok);
    EXPECT_FALSE(ct::isMessageBoxOpen());
    threads_.back().join();
    EXPECT_TRUE(returned.load());
    ct::click(Vec2(100, 100));
    EXPECT_EQ(touches_, "BE") << "the scene has its input back";
}

TEST_F(MessageBoxOverlayTest, ATouchOnTheSceneEndsWhenABoxAppears) {
    ct::touchBegin(Vec2(100, 100));
    askFromThread("与服务器断开连接!");
    ct::step();
    ct::touchEnd(Vec2(100, 100));
    EXPECT_EQ(touches_, "BC");
    ct::closeMessageBox();
}

TEST_F(MessageBoxOverlayTest, BoxesShowOneAfterTheOtherInTheOrderAsked) {
    std::atomic<bool>& first = askFromThread("first");
    std::atomic<bool>& second = askFromThread("second");
    ct::step();
    EXPECT_EQ(ct::pendingMessageBoxes(), 2);
    ct::closeMessageBox();
    threads_[0].join();
    EXPECT_TRUE(first.load());
    joinLater();
    EXPECT_FALSE(second.load());
    EXPECT_FALSE(ct::isMessageBoxOpen()) << "the next box shows in the next frame";
    ct::step();
    EXPECT_TRUE(ct::isMessageBoxOpen());
    ct::closeMessageBox();
    threads_[1].join();
    EXPECT_TRUE(second.load());
    EXPECT_EQ(ct::pendingMessageBoxes(), 0);
}

TEST_F(MessageBoxOverlayTest, AMainThreadBoxWaitsItsTurnAndHoldsTheGameUntilItsOwnBoxCloses) {
    std::atomic<bool>& other = askFromThread("other thread");
    ct::step();
    ASSERT_TRUE(ct::isMessageBoxOpen());
    int ticks = ticker_->ticks;
    int frames = 0;
    bool otherReturnedWhileHeld = false;
    ct::setMessageBoxFrameHook([&] {
        ++frames;
        if (frames == 3) {
            ct::closeMessageBox();  // the other thread's box, shown first
        } else if (frames == 6) {
            otherReturnedWhileHeld = other.load();
            ct::closeMessageBox();  // now the main thread's own
        }
    });
    MessageBox("出牌不符合规则.", "提示");
    EXPECT_GE(frames, 6);
    EXPECT_TRUE(otherReturnedWhileHeld) << "the box shown first closes first, releasing its thread";
    EXPECT_EQ(ticker_->ticks, ticks) << "no callback runs while the main thread waits for its box";
    EXPECT_FALSE(ct::isMessageBoxOpen());
    ct::step();
    EXPECT_EQ(ticker_->ticks, ticks + 1);
}

TEST_F(MessageBoxOverlayTest, ShutdownReleasesAThreadWhoseBoxIsShown) {
    std::atomic<bool>& returned = askFromThread("late");
    ct::step();
    ASSERT_TRUE(ct::isMessageBoxOpen());
    ct::setMessageBoxFrameHook(nullptr);
    ct::shutdown();
    threads_.back().join();
    EXPECT_TRUE(returned.load());
    EXPECT_FALSE(ct::isMessageBoxOpen());
    ASSERT_TRUE(ct::startHeadless(assets_));
}
