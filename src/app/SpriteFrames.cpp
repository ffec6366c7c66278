#include "app/SpriteFrames.h"

#include <string>

#include "cocos2d.h"

USING_NS_CC;

namespace {

// One frame: its name, its image file and its rectangle in image pixels, origin at the top left.
struct FrameRow {
    const char* name;
    const char* file;
    float x, y, width, height;
};

void addFrame(const std::string& name, const std::string& file, const Rect& rect) {
    SpriteFrameCache::getInstance()->addSpriteFrame(SpriteFrame::create(file, rect), name);
}

template <std::size_t N>
void addFrames(const FrameRow (&rows)[N]) {
    for (const FrameRow& row : rows) {
        addFrame(row.name, row.file, Rect(row.x, row.y, row.width, row.height));
    }
}

// Card pictures. The suit sheet holds suits 2, 0, 3 and 1 from the left; the number sheet holds the
// glyphs of ace to king from the left, black above red; the surface sheet holds four whole cards.
constexpr FrameRow kSuitFrames[] = {
    {"flower2", "poker_flower.png", 0, 0, 44, 42},
    {"flower0", "poker_flower.png", 44, 0, 44, 42},
    {"flower3", "poker_flower.png", 88, 0, 44, 42},
    {"flower1", "poker_flower.png", 132, 0, 44, 42},
};

constexpr int kNumbers = 13;       // ace .. king
constexpr float kNumberCell = 39;  // glyph cells are 39 x 39

constexpr FrameRow kSurfaceFrames[] = {
    {"front", "poker_surface.png", 0, 0, 98, 138},
    {"r_joker", "poker_surface.png", 99, 0, 98, 138},
    {"b_joker", "poker_surface.png", 197, 0, 98, 138},
    {"back", "poker_surface.png", 295, 0, 98, 138},
};

constexpr FrameRow kFormFrames[] = {
    {"login", "login.png", 0, 0, 350, 60},
    {"nick", "nick.png", 0, 0, 350, 60},
    {"pass", "pass.png", 0, 0, 350, 60},
    {"rpass", "rpass.png", 0, 0, 350, 60},
    {"sep", "sep.png", 0, 0, 10, 768},
    {"add_desk_bg", "add_desk_bg.png", 0, 0, 323, 60},
    // One icon above four plates, one pixel apart.
    {"return", "sucai.png", 0, 0, 36, 36},
    {"score", "sucai.png", 0, 37, 201, 36},
    {"nickname", "sucai.png", 0, 74, 201, 36},
    {"win", "sucai.png", 0, 111, 201, 36},
    {"surplus", "sucai.png", 0, 148, 201, 36},
};

constexpr FrameRow kTableFrames[] = {
    {"noputbtn", "poker_play_card.png", 0, 0, 152, 61},
    {"putbtn", "poker_play_card.png", 152, 0, 152, 61},
    {"zhunbei", "zhunbei.png", 0, 0, 70, 35},
    {"beijing", "bj.png", 0, 0, 1024, 768},
};

}  // namespace

void loadSpriteFrames() {
    loadCardFrames();
    loadFormFrames();
    loadTableFrames();
}

void loadCardFrames() {
    addFrames(kSuitFrames);
    for (int i = 0; i < kNumbers; ++i) {
        const float x = kNumberCell * static_cast<float>(i);
        addFrame("r_num" + std::to_string(i), "poker_num.png",
                 Rect(x, kNumberCell, kNumberCell, kNumberCell));
        addFrame("b_num" + std::to_string(i), "poker_num.png", Rect(x, 0, kNumberCell, kNumberCell));
    }
    addFrames(kSurfaceFrames);
}

void loadFormFrames() {
    addFrames(kFormFrames);
}

void loadTableFrames() {
    addFrames(kTableFrames);
}
