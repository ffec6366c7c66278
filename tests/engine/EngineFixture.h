// A headless engine over a small assets folder made for the test: solid
// colour images of known sizes, a digit strip and the Latin font.
#pragma once

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "engine_testing.h"

namespace enginetest {

// A drawn colour within `tol` of (r, g, b) in every channel, and its text for failure messages.
inline bool near(const cocos2d::Color3B& c, int r, int g, int b, int tol = 8) {
    return std::abs(c.r - r) <= tol && std::abs(c.g - g) <= tol && std::abs(c.b - b) <= tol;
}

inline std::string str(const cocos2d::Color3B& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

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

// A new, empty folder under the system's temporary folder.
inline std::string makeTemporaryFolder(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir = fs::temp_directory_path() / (prefix + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(dir, error))
            return dir.generic_string();
    }
    return std::string();
}

// Counts live instances of a node type, to see what was released.
struct Counter {
    int alive = 0;
    int destroyed = 0;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        assets_ = makeTemporaryFolder("engine-test-");
        ASSERT_FALSE(assets_.empty());
        writeSolidPng(assets_ + "/red.png", 100, 50, 255, 0, 0);
        writeSolidPng(assets_ + "/blue.png", 100, 50, 0, 0, 255);
        writeSolidPng(assets_ + "/white.png", 60, 40, 255, 255, 255);
        writeSolidPng(assets_ + "/pressed.png", 100, 50, 0, 255, 0);
        writeDigitStrip(assets_ + "/digits.png");
        writeHalvesPng(assets_ + "/halves.png");
        std::string fonts = assets_ + "/fonts";
        ASSERT_TRUE(std::filesystem::create_directory(fonts));
        // A copy rather than a link: links need a privilege on Windows.
        std::error_code error;
        std::filesystem::copy_file(ENGINE_TEST_FONT, fonts + "/arial.ttf", error);
        ASSERT_FALSE(error) << ENGINE_TEST_FONT << ": " << error.message();
        ASSERT_TRUE(cocos2d::testing::startHeadless(assets_));
    }

    void TearDown() override {
        cocos2d::testing::shutdown();
        std::error_code error;
        std::filesystem::remove_all(assets_, error);
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
