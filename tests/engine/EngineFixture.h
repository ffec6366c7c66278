// A headless engine over a small assets folder made for the test: solid
// colour images of known sizes, a digit strip and the Latin font.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "engine_testing.h"

namespace enginetest {

inline void writeSolidPng(const std::string& path, int w, int h, Uint8 r, Uint8 g, Uint8 b) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, r, g, b, 255));
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// Ten 14 x 21 cells for '0'..'9'; cell i is filled with grey level 20 * (i + 1).
inline void writeDigitStrip(const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 140, 21, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < 10; ++i) {
        SDL_Rect r{i * 14, 0, 14, 21};
        Uint8 v = Uint8(20 * (i + 1));
        SDL_FillRect(s, &r, SDL_MapRGBA(s->format, v, v, v, 255));
    }
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// A 40 x 20 image: left half red, right half green.
inline void writeHalvesPng(const std::string& path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 40, 20, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Rect l{0, 0, 20, 20}, r{20, 0, 20, 20};
    SDL_FillRect(s, &l, SDL_MapRGBA(s->format, 255, 0, 0, 255));
    SDL_FillRect(s, &r, SDL_MapRGBA(s->format, 0, 255, 0, 255));
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// Counts live instances of a node type, to see what was released.
struct Counter {
    int alive = 0;
    int destroyed = 0;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/engine-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        assets_ = tmpl;
        writeSolidPng(assets_ + "/red.png", 100, 50, 255, 0, 0);
        writeSolidPng(assets_ + "/blue.png", 100, 50, 0, 0, 255);
        writeSolidPng(assets_ + "/white.png", 60, 40, 255, 255, 255);
        writeSolidPng(assets_ + "/pressed.png", 100, 50, 0, 255, 0);
        writeDigitStrip(assets_ + "/digits.png");
        writeHalvesPng(assets_ + "/halves.png");
        std::string fonts = assets_ + "/fonts";
        ASSERT_EQ(mkdir(fonts.c_str(), 0755), 0);
        ASSERT_EQ(symlink("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
                          (fonts + "/arial.ttf").c_str()),
                  0);
        ASSERT_TRUE(cocos2d::testing::startHeadless(assets_));
    }

    void TearDown() override {
        cocos2d::testing::shutdown();
        std::string cmd = "rm -rf '" + assets_ + "'";
        (void)std::system(cmd.c_str());
    }

    // A running scene with one full-screen layer to put nodes on.
    cocos2d::Layer* runLayer() {
        auto scene = cocos2d::Scene::create();
        auto layer = cocos2d::Layer::create();
        scene->addChild(layer);
        cocos2d::Director::getInstance()->runWithScene(scene);
        return layer;
    }

    std::string assets_;
    // Outlive the nodes they count: the engine releases its scene in TearDown.
    Counter counter_;
    Counter counter2_;
};

class CountedNode : public cocos2d::Node {
public:
    static CountedNode* create(Counter* c) {
        auto* n = new CountedNode(c);
        n->init();
        n->autorelease();
        return n;
    }
    ~CountedNode() override {
        --counter_->alive;
        ++counter_->destroyed;
    }
    int ticks = 0;
    void tick(float) { ++ticks; }

private:
    explicit CountedNode(Counter* c) : counter_(c) { ++counter_->alive; }
    Counter* counter_;
};

}  // namespace enginetest
