// Touch delivery: buttons, swallowing, claimed touches, front-most first.
#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
namespace ct = cocos2d::testing;
using TouchType = ui::Widget::TouchEventType;

namespace {

std::string names(const std::vector<TouchType>& events) {
    std::string s;
    for (TouchType t : events) {
        if (!s.empty())
            s += ",";
        s += t == TouchType::BEGAN ? "B" : t == TouchType::MOVED ? "M" : t == TouchType::ENDED ? "E" : "C";
    }
    return s;
}

// A button from the 100 x 50 test image at (500, 400), scaled to 0.8: its
// face covers 460..540 x 380..420 on screen.
struct ButtonFixture {
    ui::Button* button;
    std::vector<TouchType> events;
};

ButtonFixture* makeButton(Layer* layer, ButtonFixture& f) {
    f.button = ui::Button::create("red.png", "pressed.png", "blue.png");
    f.button->setPosition(Vec2(500, 400));
    f.button->setScale(0.8f);
    f.button->addTouchEventListener([&f](Ref* sender, TouchType type) {
        EXPECT_EQ(sender, f.button);
        f.events.push_back(type);
    });
    layer->addChild(f.button, 2);
    return &f;
}

}  // namespace

struct PressCase {
    const char* name;
    std::vector<Vec2> path;  // press at the first point, move through the others, release at the last
    std::string expected;
};

class ButtonPressTest : public EngineTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(ButtonPressTest, EndedOnlyForAReleaseOverTheButton) {
    const PressCase& c = GetParam();
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    ct::touchBegin(c.path.front());
    for (std::size_t i = 1; i + 1 < c.path.size(); ++i)
        ct::touchMove(c.path[i]);
    ct::touchEnd(c.path.back());
    EXPECT_EQ(names(f.events), c.expected) << c.name;
    EXPECT_FALSE(f.button->isHighlighted());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ButtonPressTest,
    ::testing::Values(PressCase{"click in the middle", {{500, 400}, {500, 400}}, "B,E"},
                      PressCase{"click near the scaled edge", {{538, 418}, {538, 418}}, "B,E"},
                      PressCase{"outside the scaled face", {{545, 400}, {545, 400}}, ""},
                      PressCase{"dragged off", {{500, 400}, {600, 400}, {600, 400}}, "B,M,C"},
                      PressCase{"released off without a move", {{500, 400}, {700, 100}}, "B,C"},
                      PressCase{
                          "off and back on", {{500, 400}, {700, 400}, {510, 405}, {510, 405}}, "B,M,M,E"},
                      PressCase{"pressed outside, released on it", {{100, 100}, {500, 400}, {500, 400}}, ""}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

using InputTest = EngineTest;

TEST_F(InputTest, DisabledOrHiddenButtonsGetNothing) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    auto parent = Node::create();
    layer->addChild(parent);

    f.button->setEnabled(false);
    EXPECT_FALSE(f.button->isEnabled());
    ct::click(Vec2(500, 400));
    f.button->setEnabled(true);
    f.button->setVisible(false);
    ct::click(Vec2(500, 400));
    f.button->setVisible(true);
    parent->setVisible(false);
    f.button->retain();
    f.button->removeFromParent();
    parent->addChild(f.button);
    f.button->release();
    ct::click(Vec2(500, 400));
    EXPECT_EQ(names(f.events), "");
    parent->setVisible(true);
    ct::click(Vec2(500, 400));
    EXPECT_EQ(names(f.events), "B,E");
}

TEST_F(InputTest, DisabledInsideItsOwnCallbackGetsNoMore) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    f.button->addTouchEventListener([&f](Ref*, TouchType type) {
        f.events.push_back(type);
        if (type == TouchType::ENDED)
            f.button->setEnabled(false);  // the quick-join button does this
    });
    ct::click(Vec2(500, 400));
    ct::click(Vec2(500, 400));
    EXPECT_EQ(names(f.events), "B,E");
}

TEST_F(InputTest, ButtonLookFollowsPressAndEnabledState) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    ct::step();
    EXPECT_EQ(ct::pixelAt(Vec2(500, 400)), Color3B(255, 0, 0));
    ct::touchBegin(Vec2(500, 400));
    EXPECT_TRUE(f.button->isHighlighted());
    EXPECT_EQ(ct::pixelAt(Vec2(500, 400)), Color3B(0, 255, 0));
    ct::touchEnd(Vec2(500, 400));
    f.button->setEnabled(false);
    EXPECT_EQ(ct::pixelAt(Vec2(500, 400)), Color3B(0, 0, 255));
    EXPECT_EQ(f.button->getContentSize(), Size(100, 50));
}

TEST_F(InputTest, AButtonSwallowsTheTouchFromListenersBehindIt) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    int began = 0;
    auto listener = EventListenerTouchOneByOne::create();
    listener->onTouchBegan = [&](Touch*, Event*) {
        ++began;
        return true;
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, layer);
    ct::click(Vec2(500, 400));
    EXPECT_EQ(began, 0);
    EXPECT_EQ(names(f.events), "B,E");
    ct::click(Vec2(100, 100));
    EXPECT_EQ(began, 1);
}

TEST_F(InputTest, AClaimedTouchDeliversItsMovesAndEndToTheSameListener) {
    Layer* layer = runLayer();
    std::vector<std::string> log;
    auto claim = EventListenerTouchOneByOne::create();
    claim->onTouchBegan = [&](Touch* t, Event*) {
        log.push_back("began " + std::to_string(int(t->getLocation().x)));
        return t->getLocation().x < 500;  // claims only the left half
    };
    claim->onTouchMoved = [&](Touch* t, Event*) {
        log.push_back("moved " + std::to_string(int(t->getLocation().x)));
    };
    claim->onTouchEnded = [&](Touch* t, Event*) {
        log.push_back("ended " + std::to_string(int(t->getLocation().x)));
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(claim, layer);

    ct::touchBegin(Vec2(100, 50));
    ct::touchMove(Vec2(700, 60));  // moves follow the claim wherever they go
    ct::touchEnd(Vec2(800, 70));
    ct::touchBegin(Vec2(600, 50));  // not claimed: no moves, no end
    ct::touchMove(Vec2(100, 60));
    ct::touchEnd(Vec2(100, 70));
    std::vector<std::string> expected{"began 100", "moved 700", "ended 800", "began 600"};
    EXPECT_EQ(log, expected);
}

TEST_F(InputTest, FrontMostListenerFirstAndSwallowingDecidesWhoElseHears) {
    Layer* layer = runLayer();
    auto back = Node::create();
    auto front = Node::create();
    layer->addChild(front, 5);  // added first, but higher z: in front
    layer->addChild(back, 1);
    std::vector<std::string> order;
    auto make = [&](const char* name, bool swallow) {
        auto l = EventListenerTouchOneByOne::create();
        l->setSwallowTouches(swallow);
        l->onTouchBegan = [&order, name](Touch*, Event*) {
            order.push_back(name);
            return true;
        };
        return l;
    };
    auto* dispatcher = Director::getInstance()->getEventDispatcher();
    auto* frontListener = make("front", false);
    dispatcher->addEventListenerWithSceneGraphPriority(make("back", false), back);
    dispatcher->addEventListenerWithSceneGraphPriority(frontListener, front);
    ct::click(Vec2(1, 1));
    EXPECT_EQ(order, (std::vector<std::string>{"front", "back"}));
    order.clear();
    frontListener->setSwallowTouches(true);
    ct::click(Vec2(1, 1));
    EXPECT_EQ(order, (std::vector<std::string>{"front"}));
    order.clear();
    front->setVisible(false);
    ct::click(Vec2(1, 1));
    EXPECT_EQ(order, (std::vector<std::string>{"back"})) << "hidden nodes' listeners hear nothing";
}

TEST_F(InputTest, RemovingTheNodeInsideItsCallbackIsSafe) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    int ended = 0;
    f.button->addTouchEventListener([&](Ref* sender, TouchType type) {
        if (type == TouchType::ENDED) {
            ++ended;
            static_cast<Node*>(sender)->removeFromParent();
        }
    });
    ct::click(Vec2(500, 400));
    ct::step();
    ct::click(Vec2(500, 400));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(layer->getChildrenCount(), 0);
}

TEST_F(InputTest, TouchInProgressIsCancelledWhenTheSceneChanges) {
    Layer* layer = runLayer();
    ButtonFixture f;
    makeButton(layer, f);
    ct::touchBegin(Vec2(500, 400));
    f.button->retain();
    Director::getInstance()->replaceScene(Scene::create());
    ct::step();
    ct::touchEnd(Vec2(500, 400));
    EXPECT_EQ(names(f.events), "B,C");
    f.button->release();
}

// Key presses: every keyboard listener of a visible node in the running scene hears a press,
// front-most first, until one stops it; no listener hears one while a message box is open.
TEST_F(InputTest, KeyPressesGoFrontMostFirstUntilStopped) {
    using Key = EventKeyboard::KeyCode;
    Layer* layer = runLayer();
    auto back = Node::create();
    auto front = Node::create();
    layer->addChild(front, 5);
    layer->addChild(back, 1);
    std::vector<std::string> heard;
    bool stop = false;
    auto make = [&](const char* name) {
        auto l = EventListenerKeyboard::create();
        l->onKeyPressed = [&heard, &stop, name](Key key, Event* event) {
            heard.push_back(std::string(name) + (key == Key::KEY_SPACE ? " space" : " other"));
            if (stop)
                event->stopPropagation();
        };
        return l;
    };
    auto* dispatcher = Director::getInstance()->getEventDispatcher();
    dispatcher->addEventListenerWithSceneGraphPriority(make("back"), back);
    dispatcher->addEventListenerWithSceneGraphPriority(make("front"), front);

    ct::keyPress(Key::KEY_SPACE);
    EXPECT_EQ(heard, (std::vector<std::string>{"front space", "back space"}));
    heard.clear();
    stop = true;
    ct::keyPress(Key::KEY_P);
    EXPECT_EQ(heard, (std::vector<std::string>{"front other"}));
    heard.clear();
    front->setVisible(false);
    ct::keyPress(Key::KEY_H);
    EXPECT_EQ(heard, (std::vector<std::string>{"back other"})) << "hidden nodes' listeners hear nothing";
    heard.clear();
    ct::keyPress(Key::KEY_NONE);
    EXPECT_TRUE(heard.empty()) << "keys without a code are not delivered";

    // While a box is up, the keys are the box's.
    front->setVisible(true);
    int frames = 0;
    ct::setMessageBoxFrameHook([&] {
        ct::keyPress(Key::KEY_SPACE);
        if (++frames == 3)
            ct::closeMessageBox();
    });
    MessageBox("text", "title");
    ct::setMessageBoxFrameHook(nullptr);
    EXPECT_EQ(frames, 3);
    EXPECT_TRUE(heard.empty());
    ct::keyPress(Key::KEY_SPACE);
    EXPECT_EQ(heard, (std::vector<std::string>{"front space"}));
}

TEST_F(InputTest, AKeyListenerMayTakeItsNodeAwayInsideItsCallback) {
    using Key = EventKeyboard::KeyCode;
    Layer* layer = runLayer();
    auto node = Node::create();
    layer->addChild(node);
    int heard = 0;
    auto l = EventListenerKeyboard::create();
    l->onKeyPressed = [&](Key, Event*) {
        ++heard;
        Director::getInstance()->getEventDispatcher()->removeEventListenersForTarget(node);
        node->removeFromParent();
    };
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(l, node);
    ct::keyPress(Key::KEY_ESCAPE);
    ct::step();
    ct::keyPress(Key::KEY_ESCAPE);
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(layer->getChildrenCount(), 0);
}
