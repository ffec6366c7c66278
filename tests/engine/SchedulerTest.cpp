// Scheduled callbacks: each at its own interval, at most once per frame.
#include <set>

#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
namespace ct = cocos2d::testing;

namespace {

class TimedLayer : public Layer {
public:
    CREATE_FUNC(TimedLayer);
    void tick(float) {
        ++ticks;
        std::uint64_t frame = Director::getInstance()->getTotalFrames();
        if (!frames.insert(frame).second)
            firedTwiceInAFrame = true;
    }
    void stopper(float) {
        ++stops;
        unschedule(CC_SCHEDULE_SELECTOR(TimedLayer::stopper));
    }
    int ticks = 0;
    int stops = 0;
    bool firedTwiceInAFrame = false;
    std::set<std::uint64_t> frames;
};

}  // namespace

struct RateCase {
    float interval;
    float frameRate;
    float seconds;
    int expected;
};

class ScheduleRateTest : public EngineTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(ScheduleRateTest, FiresOncePerIntervalNeverTwiceInAFrame) {
    const RateCase& c = GetParam();
    Director::getInstance()->setAnimationInterval(1.0f / c.frameRate);
    auto scene = Scene::create();
    auto layer = TimedLayer::create();
    scene->addChild(layer);
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::tick), c.interval);
    Director::getInstance()->runWithScene(scene);
    ct::stepSeconds(c.seconds);
    EXPECT_EQ(layer->ticks, c.expected);
    EXPECT_FALSE(layer->firedTwiceInAFrame);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScheduleRateTest,
                         ::testing::Values(RateCase{0.1f, 60, 1, 10}, RateCase{1.0f, 60, 1, 1},
                                           RateCase{0.1f, 60, 10, 100}, RateCase{1.0f, 60, 30, 30},
                                           RateCase{0.0f, 60, 1, 60}, RateCase{0.5f, 60, 3, 6},
                                           // A slow machine: 10 fps cannot fire a 0.05 s timer 20 times.
                                           RateCase{0.05f, 10, 1, 10}, RateCase{0.1f, 30, 2, 20}));

using SchedulerTest = EngineTest;

TEST_F(SchedulerTest, TimersRunOnlyWhileTheNodeIsInTheRunningScene) {
    auto layer = TimedLayer::create();
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::tick), 0.1f);
    auto scene = Scene::create();
    scene->retain();
    scene->addChild(layer);
    ct::stepSeconds(1.0f);
    EXPECT_EQ(layer->ticks, 0) << "scene not running yet";
    Director::getInstance()->runWithScene(scene);
    scene->release();
    ct::stepSeconds(0.5f);
    EXPECT_EQ(layer->ticks, 5);
}

TEST_F(SchedulerTest, UnscheduleInsideTheCallbackAndUnscheduleAll) {
    auto scene = Scene::create();
    auto layer = TimedLayer::create();
    scene->addChild(layer);
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::stopper), 0.0f);
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::tick), 0.0f);
    Director::getInstance()->runWithScene(scene);
    ct::step(5);
    EXPECT_EQ(layer->stops, 1);
    EXPECT_EQ(layer->ticks, 5);
    layer->unscheduleAllCallbacks();
    ct::step(5);
    EXPECT_EQ(layer->ticks, 5);
    EXPECT_FALSE(layer->isScheduled(CC_SCHEDULE_SELECTOR(TimedLayer::tick)));
}

TEST_F(SchedulerTest, StoppedAnimationStopsCallbacksAndDrawingUntilStarted) {
    auto scene = Scene::create();
    auto layer = TimedLayer::create();
    scene->addChild(layer);
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::tick), 0.1f);
    Director::getInstance()->runWithScene(scene);
    ct::stepSeconds(1.0f);
    EXPECT_EQ(layer->ticks, 10);
    Director::getInstance()->stopAnimation();
    EXPECT_TRUE(Director::getInstance()->isAnimationStopped());
    auto drawn = Director::getInstance()->getDrawnFrames();
    layer->setPosition(5, 5);
    ct::stepSeconds(1.0f);
    EXPECT_EQ(layer->ticks, 10);
    EXPECT_EQ(Director::getInstance()->getDrawnFrames(), drawn);
    Director::getInstance()->startAnimation();
    ct::stepSeconds(1.0f);
    EXPECT_EQ(layer->ticks, 20);
    EXPECT_GT(Director::getInstance()->getDrawnFrames(), drawn);
}

TEST_F(SchedulerTest, AFrameIsDrawnOnlyWhenSomethingVisibleChanged) {
    auto scene = Scene::create();
    auto layer = TimedLayer::create();
    scene->addChild(layer);
    layer->schedule(CC_SCHEDULE_SELECTOR(TimedLayer::tick), 0.0f);
    auto label = Label::createWithTTF("0", "fonts/arial.ttf", 20);
    auto sprite = Sprite::create("red.png");
    layer->addChild(label);
    layer->addChild(sprite);
    Director::getInstance()->runWithScene(scene);
    ct::step();
    Director* d = Director::getInstance();
    auto drawn = d->getDrawnFrames();
    ct::step(30);
    EXPECT_EQ(d->getDrawnFrames(), drawn) << "an idle scene is not drawn again";
    EXPECT_EQ(layer->ticks, 31) << "while callbacks still run";

    // Setting what is already there is no change either.
    label->setString("0");
    sprite->setPosition(sprite->getPosition());
    sprite->setVisible(true);
    ct::step();
    EXPECT_EQ(d->getDrawnFrames(), drawn);

    // Each visible mutation draws exactly one more frame.
    std::vector<std::function<void()>> changes = {
        [&] { label->setString("1"); },         [&] { sprite->setPosition(10, 10); },
        [&] { sprite->setVisible(false); },     [&] { sprite->setScale(2.0f); },
        [&] { label->setColor(Color3B::RED); }, [&] { layer->addChild(Node::create()); },
        [&] { layer->removeChild(sprite); },    [&] { label->setLocalZOrder(3); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        ct::step(3);
        EXPECT_EQ(d->getDrawnFrames(), drawn + i + 1) << "change " << i;
    }
}
