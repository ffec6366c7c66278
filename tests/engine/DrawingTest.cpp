// What the engine draws: order, placement, visibility, colour, text.
#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
using enginetest::near;
using enginetest::str;
namespace ct = cocos2d::testing;

namespace {

// Pixels inside a design rectangle that are not the black background.
int litPixels(const Rect& r) {
    int lit = 0;
    for (int y = int(r.getMinY()); y < int(r.getMaxY()); ++y)
        for (int x = int(r.getMinX()); x < int(r.getMaxX()); ++x) {
            Color3B c = ct::pixelAt(Vec2(x + 0.5f, y + 0.5f));
            if (c.r + c.g + c.b > 60)
                ++lit;
        }
    return lit;
}

}  // namespace

using DrawingTestF = EngineTest;

struct ZCase {
    int zRed;
    int zBlue;
    bool blueAddedFirst;
    bool redOnTop;
};

class ZOrderTest : public EngineTest, public ::testing::WithParamInterface<ZCase> {};

TEST_P(ZOrderTest, HigherZDrawsOnTopAndEqualZInOrderOfAddition) {
    const ZCase& c = GetParam();
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");
    auto blue = Sprite::create("blue.png");
    red->setPosition(500, 400);
    blue->setPosition(520, 410);  // overlaps red around (510, 405)
    if (c.blueAddedFirst) {
        layer->addChild(blue, c.zBlue);
        layer->addChild(red, c.zRed);
    } else {
        layer->addChild(red, c.zRed);
        layer->addChild(blue, c.zBlue);
    }
    ct::step();
    Color3B overlap = ct::pixelAt(Vec2(510, 405));
    if (c.redOnTop)
        EXPECT_TRUE(near(overlap, 255, 0, 0)) << str(overlap);
    else
        EXPECT_TRUE(near(overlap, 0, 0, 255)) << str(overlap);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZOrderTest,
                         ::testing::Values(ZCase{0, 0, true, true},    // equal z: red added last
                                           ZCase{0, 0, false, false},  // equal z: blue added last
                                           ZCase{1, 0, false, true},   // higher z wins over order
                                           ZCase{-1, 0, true, false},  // negative z below
                                           ZCase{5, 2, false, true}, ZCase{2, 5, true, false}));

TEST_F(DrawingTestF, ZOrderChangeReordersAndNegativeChildrenGoBehindTheirParent) {
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");
    red->setPosition(500, 400);
    layer->addChild(red);
    auto blue = Sprite::create("blue.png");
    blue->setPosition(50, 25);  // the child's space starts at red's bottom-left corner
    red->addChild(blue, -1);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(500, 400)), 255, 0, 0)) << "z -1 child must draw before its parent";
    blue->setLocalZOrder(1);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(500, 400)), 0, 0, 255));
}

TEST_F(DrawingTestF, AnchorAtCentreOriginBottomLeftAndScale) {
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");  // 100 x 50
    red->setPosition(200, 300);
    layer->addChild(red);
    Rect box = red->getBoundingBox();
    EXPECT_EQ(box, Rect(150, 275, 100, 50));
    ct::step();
    // Inside near each corner, and just outside.
    EXPECT_TRUE(near(ct::pixelAt(Vec2(151, 276)), 255, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(249, 324)), 255, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(149, 300)), 0, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(200, 326)), 0, 0, 0));

    red->setScale(0.5f);
    EXPECT_EQ(red->getBoundingBox(), Rect(175, 287.5f, 50, 25));
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(176, 289)), 255, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(173, 300)), 0, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(227, 300)), 0, 0, 0));

    // The image's top row is at the top on screen: the left/right halves
    // image shows red on the left.
    auto halves = Sprite::create("halves.png");
    halves->setPosition(600, 600);
    layer->addChild(halves);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(585, 600)), 255, 0, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(615, 600)), 0, 255, 0));
}

// A picture drawn at another size than its source is scaled once and kept: the kept copy must show
// the source as it is now, through repeated frames and after the source changes.
TEST_F(DrawingTestF, ScaledPicturesShowTheirCurrentSource) {
    Layer* layer = runLayer();
    auto halves = Sprite::create("halves.png");  // 40 x 20, red left, green right
    halves->setScale(2.0f);
    halves->setPosition(300, 300);
    layer->addChild(halves);
    for (int frame = 0; frame < 3; ++frame) {
        halves->setPositionX(300 + frame);  // a visible change, so each frame is drawn again
        ct::step();
        EXPECT_TRUE(near(ct::pixelAt(Vec2(300 + frame - 20, 300)), 255, 0, 0)) << "frame " << frame;
        EXPECT_TRUE(near(ct::pixelAt(Vec2(300 + frame + 20, 300)), 0, 255, 0)) << "frame " << frame;
    }

    // Two pictures of one size scaled alike each keep a copy of their own.
    auto red = Sprite::create("red.png");  // 100 x 50
    auto blue = Sprite::create("blue.png");
    red->setScale(0.5f);
    blue->setScale(0.5f);
    red->setPosition(100, 600);
    blue->setPosition(200, 600);
    layer->addChild(red);
    layer->addChild(blue);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(100, 600)), 255, 0, 0)) << str(ct::pixelAt(Vec2(100, 600)));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(200, 600)), 0, 0, 255)) << str(ct::pixelAt(Vec2(200, 600)));

    // Digits share one width, so these texts render to pictures of the same size.
    auto label = Label::createWithTTF("8888", "fonts/arial.ttf", 40);
    label->setScale(0.5f);
    label->setPosition(600, 400);
    layer->addChild(label);
    const Rect box(560, 380, 80, 40);
    ct::step();
    const int eights = litPixels(box);
    ASSERT_GT(eights, 0);
    label->setString("1111");
    ct::step();
    const int ones = litPixels(box);
    EXPECT_GT(ones, 0);
    EXPECT_LT(ones, eights * 7 / 10) << "the scaled label still shows its old text";
    label->setString("8888");
    ct::step();
    EXPECT_EQ(litPixels(box), eights);
}

TEST_F(DrawingTestF, ChildrenLiveInTheParentsScaledSpace) {
    Layer* layer = runLayer();
    auto parent = Sprite::create("white.png");  // 60 x 40
    parent->setPosition(400, 400);
    parent->setScale(2.0f);  // covers 340..460 x 360..440
    layer->addChild(parent);
    auto child = Sprite::create("blue.png");
    child->setScale(0.1f);  // 10 x 5 in parent space, 20 x 10 on screen
    child->setPosition(12, 40 - 20);
    parent->addChild(child);
    Vec2 world = parent->convertToWorldSpace(child->getPosition());
    EXPECT_FLOAT_EQ(world.x, 340 + 24);
    EXPECT_FLOAT_EQ(world.y, 360 + 40);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(world), 0, 0, 255));
    EXPECT_TRUE(near(ct::pixelAt(world + Vec2(12, 0)), 255, 255, 255));
    Vec2 back = parent->convertToNodeSpace(world);
    EXPECT_FLOAT_EQ(back.x, 12);
    EXPECT_FLOAT_EQ(back.y, 20);
}

TEST_F(DrawingTestF, HiddenNodesAndTheirSubtreesAreNotDrawn) {
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");
    red->setPosition(300, 300);
    layer->addChild(red);
    auto blue = Sprite::create("blue.png");
    blue->setPosition(50, 25);
    red->addChild(blue);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(300, 300)), 0, 0, 255));
    blue->setVisible(false);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(300, 300)), 255, 0, 0));
    blue->setVisible(true);
    red->setVisible(false);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(300, 300)), 0, 0, 0)) << "a hidden parent hides its children";
}

TEST_F(DrawingTestF, ColourTintsSpritesAndLabels) {
    Layer* layer = runLayer();
    auto white = Sprite::create("white.png");
    white->setPosition(100, 100);
    white->setColor(Color3B::RED);
    layer->addChild(white);

    auto label = Label::createWithTTF("MMMM", "fonts/arial.ttf", 60);
    label->setPosition(500, 500);
    layer->addChild(label);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(100, 100)), 255, 0, 0));

    auto brightest = [&](const Rect& r) {
        Color3B best(0, 0, 0);
        for (int y = int(r.getMinY()); y < int(r.getMaxY()); y += 2)
            for (int x = int(r.getMinX()); x < int(r.getMaxX()); x += 2) {
                Color3B c = ct::pixelAt(Vec2(float(x), float(y)));
                if (c.r + c.g + c.b > best.r + best.g + best.b)
                    best = c;
            }
        return best;
    };
    Rect box = label->getBoundingBox();
    EXPECT_TRUE(near(brightest(box), 255, 255, 255, 30)) << "labels draw white by default";
    label->setColor(Color3B::RED);
    ct::step();
    Color3B c = brightest(box);
    EXPECT_GT(c.r, 200) << str(c);
    EXPECT_LT(c.g + c.b, 40) << str(c);
}

TEST_F(DrawingTestF, ChineseTextInTheLatinFontIsDrawnFromTheCjkFont) {
    Layer* layer = runLayer();
    // The Latin font has no glyph for these: without the fallback they would
    // come out as empty boxes or nothing.
    auto latin = Label::createWithTTF("AB", "fonts/arial.ttf", 30);
    auto chinese = Label::createWithTTF("张三李四", "fonts/arial.ttf", 30);
    latin->setPosition(300, 400);
    chinese->setPosition(600, 400);
    layer->addChild(latin);
    layer->addChild(chinese);
    ct::step();
    Size cs = chinese->getContentSize();
    EXPECT_GT(cs.width, 4 * 25.0f) << "four full-width characters";
    EXPECT_GT(litPixels(chinese->getBoundingBox()), 200);
    EXPECT_GT(litPixels(latin->getBoundingBox()), 50);

    // Each Chinese character draws differently: compare two labels.
    auto one = Label::createWithTTF("张", "fonts/arial.ttf", 30);
    auto other = Label::createWithTTF("三", "fonts/arial.ttf", 30);
    one->setPosition(200, 200);
    other->setPosition(400, 200);
    layer->addChild(one);
    layer->addChild(other);
    ct::step();
    EXPECT_NE(litPixels(one->getBoundingBox()), litPixels(other->getBoundingBox()));
}

TEST_F(DrawingTestF, LabelSetStringResizesAndEmptyTextDrawsNothing) {
    Layer* layer = runLayer();
    auto label = Label::createWithTTF("online: 0", "fonts/arial.ttf", 25);
    layer->addChild(label);
    float w0 = label->getContentSize().width;
    EXPECT_GT(w0, 50);
    EXPECT_EQ(label->getFontSize(), 25);
    label->setString("online: 1234");
    EXPECT_EQ(label->getString(), "online: 1234");
    EXPECT_GT(label->getContentSize().width, w0);
    label->setString("");
    EXPECT_EQ(label->getContentSize().width, 0);
    label->setPosition(512, 384);
    ct::step();
    EXPECT_EQ(litPixels(Rect(480, 370, 64, 28)), 0);
}

struct AtlasCase {
    const char* text;
    int drawnCells;
};

class LabelAtlasTest : public EngineTest, public ::testing::WithParamInterface<AtlasCase> {};

TEST_P(LabelAtlasTest, CharactersOutsideTheMapDrawNothingAndTakeNoRoom) {
    const AtlasCase& c = GetParam();
    Layer* layer = runLayer();
    auto atlas = LabelAtlas::create(c.text, "digits.png", 14, 21, '0');
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->getString(), c.text);
    EXPECT_EQ(atlas->getContentSize().width, 14.0f * c.drawnCells);
    atlas->setPosition(500, 300);
    layer->addChild(atlas);
    ct::step();
    // Every drawn cell shows the grey level of its digit, left to right.
    std::string digits;
    for (const char* p = c.text; *p; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    Rect box = atlas->getBoundingBox();
    for (std::size_t i = 0; i < digits.size(); ++i) {
        Color3B px = ct::pixelAt(Vec2(box.getMinX() + 14 * i + 7, box.getMidY()));
        int v = 20 * (digits[i] - '0' + 1);
        EXPECT_TRUE(near(px, v, v, v)) << c.text << " cell " << i << ": " << str(px);
    }
    EXPECT_TRUE(near(ct::pixelAt(Vec2(box.getMaxX() + 3, box.getMidY())), 0, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Cases, LabelAtlasTest,
                         ::testing::Values(AtlasCase{"30", 2}, AtlasCase{"0", 1}, AtlasCase{"-5", 1},
                                           AtlasCase{"-12", 2}, AtlasCase{"9:", 1}, AtlasCase{"", 0},
                                           AtlasCase{" /", 0}));

TEST_F(DrawingTestF, LabelAtlasSetStringRedraws) {
    Layer* layer = runLayer();
    auto atlas = LabelAtlas::create("1", "digits.png", 14, 21, '0');
    atlas->setPosition(100, 100);
    layer->addChild(atlas);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(100, 100)), 40, 40, 40));
    atlas->setString("7");
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(100, 100)), 160, 160, 160));
}

TEST_F(DrawingTestF, MissingImageAndFontAreReportedOnceAndDrawNothing) {
    Layer* layer = runLayer();
    ::testing::internal::CaptureStderr();
    auto a = Sprite::create("no-such-image.png");
    auto b = Sprite::create("no-such-image.png");
    auto button = ui::Button::create("no-such-button.png");
    auto label = Label::createWithTTF("text", "fonts/no-such-font.ttf", 20);
    auto atlas = LabelAtlas::create("12", "no-such-digits.png", 14, 21, '0');
    for (Node* n : std::initializer_list<Node*>{a, b, button, label, atlas}) {
        ASSERT_NE(n, nullptr);
        n->setPosition(512, 384);
        layer->addChild(n);
    }
    ct::step(3);
    std::string err = ::testing::internal::GetCapturedStderr();
    auto count = [&](const std::string& what) {
        int n = 0;
        for (std::size_t p = err.find(what); p != std::string::npos; p = err.find(what, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("no-such-image.png"), 1) << err;
    EXPECT_EQ(count("no-such-button.png"), 1) << err;
    EXPECT_EQ(count("no-such-font.ttf"), 1) << err;
    EXPECT_EQ(count("no-such-digits.png"), 1) << err;
    EXPECT_EQ(a->getContentSize(), Size::ZERO);
    EXPECT_EQ(label->getContentSize(), Size::ZERO);
    EXPECT_EQ(litPixels(Rect(492, 364, 40, 40)), 0);
}

TEST_F(DrawingTestF, SpriteFramesCutTheirRectangleFromTheTopLeftOfTheImage) {
    Layer* layer = runLayer();
    SpriteFrameCache* cache = SpriteFrameCache::getInstance();
    cache->addSpriteFrame(SpriteFrame::create("halves.png", Rect(20, 0, 20, 20)), "right");
    cache->addSpriteFrame(SpriteFrame::create("halves.png", Rect(0, 0, 20, 20)), "left");
    SpriteFrame* right = cache->getSpriteFrameByName("right");
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->getTextureFileName(), "halves.png");
    EXPECT_EQ(right->getRect(), Rect(20, 0, 20, 20));
    EXPECT_EQ(cache->getSpriteFrameByName("absent"), nullptr);
    EXPECT_EQ(cache->getSpriteFrameCount(), 2u);

    auto a = Sprite::createWithSpriteFrame(right);
    auto b = Sprite::create();
    ASSERT_TRUE(b->initWithSpriteFrame(cache->getSpriteFrameByName("left")));
    EXPECT_EQ(a->getContentSize(), Size(20, 20));
    EXPECT_EQ(a->getSpriteFrame(), right);
    a->setPosition(100, 100);
    b->setPosition(200, 100);
    layer->addChild(a);
    layer->addChild(b);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(100, 100)), 0, 255, 0));
    EXPECT_TRUE(near(ct::pixelAt(Vec2(200, 100)), 255, 0, 0));

    // A frame outside its image and a frame name that does not exist draw nothing.
    auto outside = Sprite::createWithSpriteFrame(SpriteFrame::create("halves.png", Rect(100, 100, 20, 20)));
    ::testing::internal::CaptureStderr();
    auto unnamed = Sprite::createWithSpriteFrameName("absent");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("absent"), std::string::npos);
    ASSERT_NE(unnamed, nullptr);
    outside->setPosition(300, 300);
    unnamed->setPosition(300, 300);
    layer->addChild(outside);
    layer->addChild(unnamed);
    ct::step();
    EXPECT_TRUE(near(ct::pixelAt(Vec2(300, 300)), 0, 0, 0));
}

TEST_F(DrawingTestF, ScreenshotIsAPngOfTheFrameSize) {
    Layer* layer = runLayer();
    auto red = Sprite::create("red.png");
    red->setPosition(50, 25);
    layer->addChild(red);
    std::string file = assets_ + "/shot.png";
    ASSERT_TRUE(ct::saveScreenshot(file));
    SDL_Surface* s = IMG_Load(file.c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 1024);
    EXPECT_EQ(s->h, 768);
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    // Bottom-left corner of the picture is the red sprite.
    Uint32 px = static_cast<Uint32*>(rgb->pixels)[(767 - 10) * (rgb->pitch / 4) + 10];
    EXPECT_EQ((px >> 16) & 0xFF, 255u);
    EXPECT_EQ(px & 0xFF, 0u);
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(s);
}
