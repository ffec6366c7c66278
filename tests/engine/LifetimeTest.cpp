// Reference counting, the autorelease pool, scene replacement and cleanup.
#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::CountedNode;
using enginetest::Counter;
using enginetest::EngineTest;
namespace ct = cocos2d::testing;

using LifetimeTest = EngineTest;

TEST_F(LifetimeTest, AutoreleasedObjectsLiveUntilTheEndOfTheFrameUnlessKept) {
    Counter& c = counter_;
    CountedNode* loose = CountedNode::create(&c);
    CountedNode* retained = CountedNode::create(&c);
    CountedNode* child = CountedNode::create(&c);
    retained->retain();
    retained->addChild(child);
    EXPECT_EQ(loose->getReferenceCount(), 1u);
    EXPECT_EQ(child->getReferenceCount(), 2u);
    EXPECT_EQ(c.alive, 3);
    ct::step();
    EXPECT_EQ(c.alive, 2) << "only the loose node goes with the pool";
    EXPECT_EQ(child->getReferenceCount(), 1u) << "the parent keeps its child";
    retained->release();
    EXPECT_EQ(c.alive, 0) << "releasing the parent releases the child";
}

TEST_F(LifetimeTest, RemoveChildWithCleanupStopsItsSchedulesWithoutCleanupKeepsThem) {
    Layer* layer = runLayer();
    Counter& c = counter_;
    CountedNode* cleaned = CountedNode::create(&c);
    CountedNode* kept = CountedNode::create(&c);
    CountedNode* grandchild = CountedNode::create(&c);
    cleaned->addChild(grandchild);
    for (CountedNode* n : {cleaned, kept, grandchild})
        n->schedule(static_cast<SEL_SCHEDULE>(&CountedNode::tick), 0.0f);
    layer->addChild(cleaned);
    layer->addChild(kept);
    ct::step(2);
    EXPECT_EQ(cleaned->ticks, 2);
    EXPECT_EQ(grandchild->ticks, 2);
    cleaned->retain();
    kept->retain();
    layer->removeChild(cleaned);  // cleanup defaults to true
    layer->removeChild(kept, false);
    ct::step(2);
    EXPECT_EQ(cleaned->ticks, 2) << "off the scene nothing ticks";
    EXPECT_FALSE(cleaned->isScheduled(static_cast<SEL_SCHEDULE>(&CountedNode::tick)));
    EXPECT_FALSE(grandchild->isScheduled(static_cast<SEL_SCHEDULE>(&CountedNode::tick)));
    EXPECT_TRUE(kept->isScheduled(static_cast<SEL_SCHEDULE>(&CountedNode::tick)));
    layer->addChild(cleaned);
    layer->addChild(kept);
    ct::step(3);
    EXPECT_EQ(cleaned->ticks, 2) << "cleanup stopped it for good";
    EXPECT_EQ(kept->ticks, 5) << "without cleanup it resumes when back in the scene";
    cleaned->release();
    kept->release();
}

namespace {

// A layer that counts its ticks and may ask for a scene change inside one.
class SwitchingLayer : public Layer {
public:
    static SwitchingLayer* create(Counter* c) {
        auto* l = new SwitchingLayer(c);
        l->init();
        l->autorelease();
        return l;
    }
    bool init() override {
        Layer::init();
        schedule(CC_SCHEDULE_SELECTOR(SwitchingLayer::tick), 0.1f);
        return true;
    }
    ~SwitchingLayer() override { ++counter_->destroyed; }
    void tick(float) {
        ++ticks;
        if (switchTo) {
            Director::getInstance()->replaceScene(switchTo);
            switchTo = nullptr;
            // The change never happens under the running callback.
            s_runningDuringCallback = Director::getInstance()->getRunningScene();
        }
    }
    int ticks = 0;
    Scene* switchTo = nullptr;
    static Scene* s_runningDuringCallback;

private:
    explicit SwitchingLayer(Counter* c) : counter_(c) {}
    Counter* counter_;
};

Scene* SwitchingLayer::s_runningDuringCallback = nullptr;

}  // namespace

TEST_F(LifetimeTest, ReplacedSceneIsReleasedWholeAndItsCallbacksStop) {
    Counter& oldNodes = counter_;
    Counter& newNodes = counter2_;
    auto first = Scene::create();
    auto oldLayer = SwitchingLayer::create(&oldNodes);
    first->addChild(oldLayer);
    for (int i = 0; i < 5; ++i)
        oldLayer->addChild(CountedNode::create(&oldNodes));
    Director::getInstance()->runWithScene(first);
    EXPECT_EQ(ct::runningScene(), first);

    auto second = Scene::create();
    second->retain();  // held across frames until the old layer asks for it
    auto newLayer = SwitchingLayer::create(&newNodes);
    second->addChild(newLayer);
    oldLayer->switchTo = second;

    ct::stepSeconds(0.1f);  // the old layer's first tick asks for the change
    EXPECT_EQ(SwitchingLayer::s_runningDuringCallback, first);
    // The change takes effect at the frame boundary after the callback.
    EXPECT_EQ(ct::runningScene(), second);
    EXPECT_EQ(oldNodes.destroyed, 6) << "the old scene and all its nodes are gone";
    EXPECT_EQ(newLayer->ticks, 0);
    ct::stepSeconds(1.0f);
    EXPECT_EQ(newLayer->ticks, 10);
    EXPECT_EQ(newNodes.destroyed, 0);
    second->release();
}

TEST_F(LifetimeTest, SceneChangeAskedForByATouchHappensInTheNextFrame) {
    Counter& nodes = counter_;
    Layer* layer = runLayer();
    Scene* first = ct::runningScene();
    auto next = Scene::create();
    next->addChild(CountedNode::create(&nodes));
    auto listener = EventListenerTouchOneByOne::create();
    listener->onTouchBegan = [&](Touch*, Event*) {
        Director::getInstance()->replaceScene(next);
        return true;
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, layer);
    ct::click(Vec2(10, 10));
    EXPECT_EQ(ct::runningScene(), first);
    ct::step();
    EXPECT_EQ(ct::runningScene(), next);
    EXPECT_EQ(nodes.destroyed, 0);
}

TEST_F(LifetimeTest, ShutdownReleasesEverythingTheEngineHolds) {
    Counter& c = counter_;
    Layer* layer = runLayer();
    layer->addChild(CountedNode::create(&c));
    CountedNode::create(&c);  // still in the pool
    auto pending = Scene::create();
    pending->addChild(CountedNode::create(&c));
    Director::getInstance()->replaceScene(pending);
    SpriteFrameCache::getInstance()->addSpriteFrame(SpriteFrame::create("red.png", Rect(0, 0, 10, 10)), "f");
    Configuration::getInstance()->setValue("host", Value("127.0.0.1"));
    EXPECT_EQ(c.alive, 3);

    ct::shutdown();
    EXPECT_EQ(c.alive, 0);
    EXPECT_EQ(ct::runningScene(), nullptr);
    EXPECT_EQ(SpriteFrameCache::getInstance()->getSpriteFrameCount(), 0u);
    EXPECT_EQ(TextureCache::getInstance()->getTextureCount(), 0u);
    EXPECT_EQ(AutoreleasePool::getInstance()->size(), 0u);
    EXPECT_EQ(Director::getInstance()->getEventDispatcher()->getListenerCount(), 0u);
    EXPECT_EQ(Configuration::getInstance()->getValue("host").asString(), "");
    // And the engine starts again cleanly.
    ASSERT_TRUE(ct::startHeadless(assets_));
    EXPECT_EQ(Director::getInstance()->getVisibleSize(), Size(1024, 768));
}

TEST_F(LifetimeTest, AddChildRefusesANodeThatAlreadyHasAParent) {
    Layer* layer = runLayer();
    auto a = Node::create();
    auto b = Node::create();
    layer->addChild(a);
    ::testing::internal::CaptureStderr();
    b->addChild(a);
    layer->addChild(nullptr);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(a->getParent(), layer);
    EXPECT_EQ(b->getChildrenCount(), 0);
    a->removeFromParent();
    EXPECT_EQ(a->getParent(), nullptr);
    EXPECT_EQ(layer->getChildrenCount(), 0);
}
