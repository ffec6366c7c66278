// The frame table: every name with its file and rectangle, and the image files at least as large as
// their frames need.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <map>
#include <set>

#include "app/SpriteFrames.h"
#include "cocos2d.h"
#include "engine_testing.h"

USING_NS_CC;

namespace {

struct Row {
    std::string name, file;
    float x, y, width, height;
};

// The whole table, written out row by row.
std::vector<Row> expectedRows() {
    std::vector<Row> rows = {
        {"flower2", "poker_flower.png", 0, 0, 44, 42},
        {"flower0", "poker_flower.png", 44, 0, 44, 42},
        {"flower3", "poker_flower.png", 88, 0, 44, 42},
        {"flower1", "poker_flower.png", 132, 0, 44, 42},
    };
    for (int i = 0; i <= 12; ++i) {
        rows.push_back({"r_num" + std::to_string(i), "poker_num.png", 39.0f * i, 39, 39, 39});
        rows.push_back({"b_num" + std::to_string(i), "poker_num.png", 39.0f * i, 0, 39, 39});
    }
    const std::vector<Row> rest = {
        {"front", "poker_surface.png", 0, 0, 98, 138},
        {"r_joker", "poker_surface.png", 99, 0, 98, 138},
        {"b_joker", "poker_surface.png", 197, 0, 98, 138},
        {"back", "poker_surface.png", 295, 0, 98, 138},
        {"login", "login.png", 0, 0, 350, 60},
        {"nick", "nick.png", 0, 0, 350, 60},
        {"pass", "pass.png", 0, 0, 350, 60},
        {"rpass", "rpass.png", 0, 0, 350, 60},
        {"sep", "sep.png", 0, 0, 10, 768},
        {"add_desk_bg", "add_desk_bg.png", 0, 0, 323, 60},
        {"return", "sucai.png", 0, 0, 36, 36},
        {"score", "sucai.png", 0, 37, 201, 36},
        {"nickname", "sucai.png", 0, 74, 201, 36},
        {"win", "sucai.png", 0, 111, 201, 36},
        {"surplus", "sucai.png", 0, 148, 201, 36},
        {"noputbtn", "poker_play_card.png", 0, 0, 152, 61},
        {"putbtn", "poker_play_card.png", 152, 0, 152, 61},
        {"zhunbei", "zhunbei.png", 0, 0, 70, 35},
        {"beijing", "bj.png", 0, 0, 1024, 768},
    };
    rows.insert(rows.end(), rest.begin(), rest.end());
    return rows;
}

class SpriteFrames : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS)); }
    void TearDown() override { cocos2d::testing::shutdown(); }

    static void expectRow(const Row& row) {
        SpriteFrame* frame = SpriteFrameCache::getInstance()->getSpriteFrameByName(row.name);
        ASSERT_NE(frame, nullptr) << row.name;
        EXPECT_EQ(frame->getTextureFileName(), row.file) << row.name;
        const Rect& rect = frame->getRect();
        EXPECT_EQ(rect.origin.x, row.x) << row.name;
        EXPECT_EQ(rect.origin.y, row.y) << row.name;
        EXPECT_EQ(rect.size.width, row.width) << row.name;
        EXPECT_EQ(rect.size.height, row.height) << row.name;
    }
};

TEST_F(SpriteFrames, StartUpRegistersTheWholeTable) {
    loadSpriteFrames();
    const std::vector<Row> rows = expectedRows();
    EXPECT_EQ(SpriteFrameCache::getInstance()->getSpriteFrameCount(), rows.size());
    EXPECT_EQ(rows.size(), 49u);
    for (const Row& row : rows) {
        expectRow(row);
    }
    for (const char* absent : {"b_num13", "r_num13", "flower4", "b_num-1"}) {
        EXPECT_EQ(SpriteFrameCache::getInstance()->getSpriteFrameByName(absent), nullptr) << absent;
    }
}

// Each loader registers its own table and nothing else.
TEST_F(SpriteFrames, EachLoaderRegistersItsOwnRows) {
    struct Case {
        void (*load)();
        std::size_t first, count;  // its rows in the whole table
    };
    const Case cases[] = {{loadCardFrames, 0, 34}, {loadFormFrames, 34, 11}, {loadTableFrames, 45, 4}};
    const std::vector<Row> rows = expectedRows();
    for (const Case& c : cases) {
        SpriteFrameCache::getInstance()->removeSpriteFrames();
        c.load();
        EXPECT_EQ(SpriteFrameCache::getInstance()->getSpriteFrameCount(), c.count);
        for (std::size_t i = c.first; i < c.first + c.count; ++i) {
            expectRow(rows[i]);
        }
    }
}

// Width and height from a PNG file's header, or 0 x 0 when it is missing or no PNG.
struct PngSize {
    std::uint32_t width = 0, height = 0;
};

PngSize readPngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) {
        return {};
    }
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (!std::equal(signature, signature + 8, header) || std::string(header + 12, header + 16) != "IHDR") {
        return {};
    }
    auto be32 = [&](int at) {
        return std::uint32_t(header[at]) << 24 | std::uint32_t(header[at + 1]) << 16 |
               std::uint32_t(header[at + 2]) << 8 | std::uint32_t(header[at + 3]);
    };
    return {be32(16), be32(20)};
}

TEST(SpriteFrameFiles, ImagesAreAtLeastTheirMinimumSize) {
    struct Case {
        const char* file;
        std::uint32_t width, height;
    };
    const Case cases[] = {
        {"poker_flower.png", 176, 42},
        {"poker_num.png", 507, 78},
        {"poker_surface.png", 393, 138},
        {"login.png", 350, 60},
        {"nick.png", 350, 60},
        {"pass.png", 350, 60},
        {"rpass.png", 350, 60},
        {"sep.png", 10, 768},
        {"add_desk_bg.png", 323, 60},
        {"sucai.png", 201, 184},
        {"poker_play_card.png", 304, 61},
        {"zhunbei.png", 70, 35},
        {"bj.png", 1024, 768},
    };
    for (const Case& c : cases) {
        const PngSize size = readPngSize(std::string(CARDHALL_TEST_ASSETS) + "/" + c.file);
        EXPECT_GE(size.width, c.width) << c.file;
        EXPECT_GE(size.height, c.height) << c.file;
    }
}

// An image file's pixels as 32-bit RGBA, decoded with SDL_image (not through the engine).
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgba;  // row by row from the top, SDL_PIXELFORMAT_RGBA32 in memory order
    std::uint8_t alpha(int x, int y) const {
        return reinterpret_cast<const std::uint8_t*>(&rgba[static_cast<std::size_t>(y * width + x)])[3];
    }
};

Pixels decode(const std::string& path) {
    Pixels out;
    SDL_Surface* loaded = IMG_Load(path.c_str());
    if (!loaded) {
        return out;
    }
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (!surface) {
        return out;
    }
    out.width = surface->w;
    out.height = surface->h;
    out.rgba.resize(static_cast<std::size_t>(out.width * out.height));
    for (int y = 0; y < out.height; ++y) {
        std::memcpy(&out.rgba[static_cast<std::size_t>(y * out.width)],
                    static_cast<const char*>(surface->pixels) + y * surface->pitch,
                    static_cast<std::size_t>(out.width) * 4);
    }
    SDL_FreeSurface(surface);
    return out;
}

// Every frame the start-up registers, with the rectangle the code gave it, cuts real art out of its
// image: the rectangle lies inside the image, and what it holds is neither transparent nor one flat
// colour. The names come from the table; the rectangles and files from the frame cache.
TEST_F(SpriteFrames, EveryRegisteredRectangleHoldsArtOfItsImage) {
    loadSpriteFrames();
    std::map<std::string, Pixels> images;
    for (const Row& row : expectedRows()) {
        SCOPED_TRACE(row.name);
        SpriteFrame* frame = SpriteFrameCache::getInstance()->getSpriteFrameByName(row.name);
        ASSERT_NE(frame, nullptr);
        const std::string file = frame->getTextureFileName();
        auto it = images.find(file);
        if (it == images.end()) {
            it = images.emplace(file, decode(std::string(CARDHALL_TEST_ASSETS) + "/" + file)).first;
        }
        const Pixels& image = it->second;
        ASSERT_GT(image.width, 0) << file << " could not be read";
        const Rect& rect = frame->getRect();
        const int left = static_cast<int>(rect.origin.x), top = static_cast<int>(rect.origin.y);
        const int right = left + static_cast<int>(rect.size.width),
                  bottom = top + static_cast<int>(rect.size.height);
        ASSERT_TRUE(left >= 0 && top >= 0 && right <= image.width && bottom <= image.height && left < right &&
                    top < bottom)
            << file << " is " << image.width << " x " << image.height << "; the frame is " << left << ","
            << top << " to " << right << "," << bottom;
        std::size_t visible = 0;
        std::set<std::uint32_t> colours;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (image.alpha(x, y) > 0) {
                    ++visible;
                    colours.insert(image.rgba[static_cast<std::size_t>(y * image.width + x)]);
                }
            }
        }
        EXPECT_GT(visible, 0u) << "blank";
        EXPECT_GT(colours.size(), 1u) << "one flat colour";
    }
}

}  // namespace
