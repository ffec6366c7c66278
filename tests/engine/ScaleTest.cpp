// A view shown larger than the design: the frame at the window scale, pictures from the set at twice
// the resolution, text rasterised at the pixel size. Scene code keeps working in design points.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;
using enginetest::near;
using enginetest::str;
using enginetest::writeSolidPng;
namespace ct = cocos2d::testing;

namespace {

// An image of w x h cells of `cell` pixels each, cell i (row by row) in colours[i].
void writeCells(const std::string& path, int w, int h, int cell, const std::vector<Color3B>& colours) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w * cell, h * cell, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < w * h; ++i) {
        SDL_Rect r{(i % w) * cell, (i / w) * cell, cell, cell};
        const Color3B& c = colours[std::size_t(i) % colours.size()];
        SDL_FillRect(s, &r, SDL_MapRGBA(s->format, c.r, c.g, c.b, 255));
    }
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// The part of a frame that is not black background, as rows of pixel values.
struct Ink {
    int width = 0;
    int height = 0;
    std::vector<Uint32> pixels;
};

Ink inkOf(const std::string& png) {
    Ink ink;
    SDL_Surface* s = IMG_Load(png.c_str());
    if (!s)
        return ink;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(s);
    auto at = [&](int x, int y) {
        return static_cast<const Uint32*>(argb->pixels)[y * (argb->pitch / 4) + x] & 0xFFFFFFu;
    };
    int x0 = argb->w, y0 = argb->h, x1 = -1, y1 = -1;
    for (int y = 0; y < argb->h; ++y)
        for (int x = 0; x < argb->w; ++x)
            if (at(x, y) != 0) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    if (x1 >= 0) {
        ink.width = x1 - x0 + 1;
        ink.height = y1 - y0 + 1;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                ink.pixels.push_back(at(x, y));
    }
    SDL_FreeSurface(argb);
    return ink;
}

class ScaleTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::string hd = assets_ + "/hd";
        ASSERT_TRUE(std::filesystem::create_directory(hd));
        // pic: red, its larger picture green; sheet: two cells, red | blue and green | yellow larger;
        // odd: a larger picture that is no whole multiple; plain: no larger picture at all.
        writeSolidPng(assets_ + "/pic.png", 40, 20, 255, 0, 0);
        writeSolidPng(hd + "/pic.png", 80, 40, 0, 255, 0);
        writeCells(assets_ + "/sheet.png", 2, 1, 20, {Color3B::RED, Color3B::BLUE});
        writeCells(hd + "/sheet.png", 2, 1, 40, {Color3B::GREEN, Color3B::YELLOW});
        writeSolidPng(assets_ + "/odd.png", 40, 20, 255, 0, 0);
        writeSolidPng(hd + "/odd.png", 60, 30, 0, 255, 0);
        writeSolidPng(assets_ + "/plain.png", 40, 20, 0, 0, 255);
        // Digits: the fixture's strip has grey cells; the larger strip's cells are coloured by digit.
        SDL_Surface* strip = SDL_CreateRGBSurfaceWithFormat(0, 280, 42, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int i = 0; i < 10; ++i) {
            SDL_Rect r{i * 28, 0, 28, 42};
            SDL_FillRect(strip, &r, SDL_MapRGBA(strip->format, Uint8(i * 25), 200, Uint8(250 - i * 25), 255));
        }
        IMG_SavePNG(strip, (hd + "/digits.png").c_str());
        SDL_FreeSurface(strip);
    }

    // Starts the engine again at this window scale.
    void restartAt(float scale) {
        ct::shutdown();
        ASSERT_TRUE(ct::startHeadless(assets_, scale));
    }

    std::string shot(const std::string& name) {
        std::string file = assets_ + "/" + name + ".png";
        EXPECT_TRUE(ct::saveScreenshot(file));
        return file;
    }
};

}  // namespace

TEST(WindowScaleOption, OnlyQuarterStepsFromOneToThreeAreScales) {
    const struct {
        const char* text;
        bool ok;
        float scale;
    } cases[] = {
        {"1", true, 1.0f},   {"1.25", true, 1.25f}, {"2", true, 2.0f},  {"2.75", true, 2.75f},
        {"3", true, 3.0f},   {"3.00", true, 3.0f},  {"0.75", false, 0}, {"3.25", false, 0},
        {"1.1", false, 0},   {"2.5x", false, 0},    {"-2", false, 0},   {"2e0", false, 0},
        {"", false, 0},      {".5", false, 0},      {"2.", false, 0},   {" 2", false, 0},
        {"1.2.5", false, 0}, {"0x2", false, 0},
    };
    for (const auto& c : cases) {
        float scale = -1.0f;
        EXPECT_EQ(parseWindowScale(c.text, scale), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_EQ(scale, c.scale) << c.text;
        }
    }
}

TEST(WindowScaleOption, TheDesktopChoosesTwoWhenItHoldsTheWindowTwiceOver) {
    const struct {
        Size desktop;
        float scale;
    } cases[] = {
        {Size(2048, 1536), 2.0f}, {Size(3840, 2160), 2.0f}, {Size(2560, 1600), 2.0f},
        {Size(2047, 1536), 1.0f}, {Size(2048, 1535), 1.0f}, {Size(2560, 1440), 1.0f},
        {Size(1920, 1080), 1.0f}, {Size(1024, 768), 1.0f},  {Size(0, 0), 1.0f},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GLView::automaticWindowScale(Size(1024, 768), c.desktop), c.scale)
            << c.desktop.width << " x " << c.desktop.height;
}

TEST_F(ScaleTest, TheFrameGrowsAndTheSceneStaysInDesignPoints) {
    restartAt(2.0f);
    GLView* view = Director::getInstance()->getOpenGLView();
    EXPECT_EQ(view->getFrameSize(), Size(1024, 768));
    EXPECT_EQ(view->getWindowScale(), 2.0f);
    EXPECT_EQ(Director::getInstance()->getVisibleSize(), Size(1024, 768));
    Layer* layer = runLayer();
    auto sprite = Sprite::create("plain.png");
    sprite->setPosition(1000, 30);
    layer->addChild(sprite);
    EXPECT_EQ(sprite->getContentSize(), Size(40, 20));
    const Ink ink = inkOf(shot("frame"));
    // Screenshots have the frame's pixels: the picture covers 80 x 40 of them in the corner.
    SDL_Surface* s = IMG_Load((assets_ + "/frame.png").c_str());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 2048);
    EXPECT_EQ(s->h, 1536);
    SDL_FreeSurface(s);
    EXPECT_EQ(ink.width, 80);
    EXPECT_EQ(ink.height, 40);
    EXPECT_TRUE(near(ct::pixelAt(Vec2(1000, 30)), 0, 0, 255)) << str(ct::pixelAt(Vec2(1000, 30)));
}

TEST_F(ScaleTest, PicturesComeFromTheLargerSetWhenTheViewIsEnlarged) {
    // What each picture shows at the design size and at twice the size.
    const struct {
        const char* what;
        std::function<Node*()> make;
        Color3B atOne, atTwo;
    } cases[] = {
        {"a whole image", [] { return Sprite::create("pic.png"); }, Color3B::RED, Color3B::GREEN},
        {"a frame of a sheet", [] { return Sprite::create("sheet.png", Rect(20, 0, 20, 20)); }, Color3B::BLUE,
         Color3B::YELLOW},
        {"a button", [] { return ui::Button::create("pic.png", "pic.png", "pic.png"); }, Color3B::RED,
         Color3B::GREEN},
        {"no larger picture", [] { return Sprite::create("plain.png"); }, Color3B::BLUE, Color3B::BLUE},
        {"a larger picture of the wrong size", [] { return Sprite::create("odd.png"); }, Color3B::RED,
         Color3B::RED},
        {"a character map", [] { return LabelAtlas::create("7", "digits.png", 14, 21, '0'); },
         Color3B(160, 160, 160), Color3B(175, 200, 75)},
    };
    for (float scale : {1.0f, 2.0f}) {
        restartAt(scale);
        ::testing::internal::CaptureStderr();
        Layer* layer = runLayer();
        float x = 100;
        for (const auto& c : cases) {
            Node* node = c.make();
            node->setPosition(x, 300);
            layer->addChild(node);
            x += 150;
        }
        ct::step();
        x = 100;
        for (const auto& c : cases) {
            const Color3B want = scale == 1.0f ? c.atOne : c.atTwo;
            const Color3B got = ct::pixelAt(Vec2(x, 300));
            EXPECT_TRUE(near(got, want.r, want.g, want.b)) << c.what << " at " << scale << ": " << str(got);
            x += 150;
        }
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (scale == 1.0f) {
            EXPECT_EQ(err, "") << "the larger set is not read at the design size";
        } else {
            EXPECT_NE(err.find("hd/odd.png is not a whole multiple"), std::string::npos) << err;
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        }
    }
}

TEST_F(ScaleTest, TextIsRasterisedAtThePixelSizeNotStretched) {
    // Text of 40 points at scale 2 is the very picture of 80-point text at scale 1; stretched text
    // would be a blurred copy of the 40-point one.
    const std::string text = "Ag 12:59 对方";
    auto inkAt = [&](float scale, float points) {
        restartAt(scale);
        Layer* layer = runLayer();
        auto label = Label::createWithTTF(text, "fonts/arial.ttf", points);
        label->setPosition(300, 300);
        layer->addChild(label);
        ct::step();
        Size size = label->getContentSize();
        return std::make_pair(inkOf(shot("text")), size);
    };
    const auto large = inkAt(1.0f, 80.0f);
    const auto scaled = inkAt(2.0f, 40.0f);
    ASSERT_GT(large.first.width, 100);
    EXPECT_EQ(scaled.first.width, large.first.width);
    EXPECT_EQ(scaled.first.height, large.first.height);
    EXPECT_TRUE(scaled.first.pixels == large.first.pixels) << "the text's pixels differ";
    // In design points the label measures what it measures at scale 1, but for the rounding of each
    // glyph's advance to whole pixels.
    const auto designSize = inkAt(1.0f, 40.0f);
    EXPECT_NEAR(scaled.second.width, designSize.second.width, 0.02f * designSize.second.width);
    EXPECT_NEAR(scaled.second.height, designSize.second.height, 1.0f);
}
