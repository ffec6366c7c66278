// Small value types shared by the whole engine: points, sizes, rectangles,
// colours, text alignment and the window's context attributes.
#pragma once

#include <cstdint>

#define NS_CC_BEGIN namespace cocos2d {
#define NS_CC_END }
#define USING_NS_CC using namespace cocos2d

namespace cocos2d {

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;

    Vec2() = default;
    Vec2(float xx, float yy) : x(xx), y(yy) {}

    Vec2 operator+(const Vec2& o) const { return Vec2(x + o.x, y + o.y); }
    Vec2 operator-(const Vec2& o) const { return Vec2(x - o.x, y - o.y); }
    Vec2 operator*(float s) const { return Vec2(x * s, y * s); }
    Vec2 operator/(float s) const { return Vec2(x / s, y / s); }
    Vec2 operator-() const { return Vec2(-x, -y); }
    Vec2& operator+=(const Vec2& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vec2& operator-=(const Vec2& o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    bool operator==(const Vec2& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Vec2& o) const { return !(*this == o); }
    bool equals(const Vec2& o) const { return *this == o; }
    float distance(const Vec2& o) const;
    float length() const;

    static const Vec2 ZERO;
    static const Vec2 ANCHOR_MIDDLE;
    static const Vec2 ANCHOR_BOTTOM_LEFT;
};

using Point = Vec2;

struct Size {
    float width = 0.0f;
    float height = 0.0f;

    Size() = default;
    Size(float w, float h) : width(w), height(h) {}

    Size operator*(float s) const { return Size(width * s, height * s); }
    Size operator/(float s) const { return Size(width / s, height / s); }
    bool operator==(const Size& o) const { return width == o.width && height == o.height; }
    bool operator!=(const Size& o) const { return !(*this == o); }
    bool equals(const Size& o) const { return *this == o; }

    static const Size ZERO;
};

struct Rect {
    Vec2 origin;
    Size size;

    Rect() = default;
    Rect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    Rect(const Vec2& o, const Size& s) : origin(o), size(s) {}

    float getMinX() const { return origin.x; }
    float getMidX() const { return origin.x + size.width * 0.5f; }
    float getMaxX() const { return origin.x + size.width; }
    float getMinY() const { return origin.y; }
    float getMidY() const { return origin.y + size.height * 0.5f; }
    float getMaxY() const { return origin.y + size.height; }

    // Edges count as inside.
    bool containsPoint(const Vec2& p) const {
        return p.x >= getMinX() && p.x <= getMaxX() && p.y >= getMinY() && p.y <= getMaxY();
    }
    bool intersectsRect(const Rect& r) const {
        return !(getMaxX() < r.getMinX() || r.getMaxX() < getMinX() || getMaxY() < r.getMinY() ||
                 r.getMaxY() < getMinY());
    }
    bool operator==(const Rect& o) const { return origin == o.origin && size == o.size; }
    bool operator!=(const Rect& o) const { return !(*this == o); }
    bool equals(const Rect& o) const { return *this == o; }

    static const Rect ZERO;
};

struct Color3B {
    uint8_t r = 255;
    uint8_t g = 255;
    uint8_t b = 255;

    Color3B() = default;
    Color3B(uint8_t rr, uint8_t gg, uint8_t bb) : r(rr), g(gg), b(bb) {}

    bool operator==(const Color3B& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Color3B& o) const { return !(*this == o); }

    static const Color3B WHITE;
    static const Color3B YELLOW;
    static const Color3B BLUE;
    static const Color3B GREEN;
    static const Color3B RED;
    static const Color3B MAGENTA;
    static const Color3B BLACK;
    static const Color3B ORANGE;
    static const Color3B GRAY;
};

struct Color4B {
    uint8_t r = 255;
    uint8_t g = 255;
    uint8_t b = 255;
    uint8_t a = 255;

    Color4B() = default;
    Color4B(uint8_t rr, uint8_t gg, uint8_t bb, uint8_t aa) : r(rr), g(gg), b(bb), a(aa) {}
    Color4B(const Color3B& c, uint8_t aa = 255) : r(c.r), g(c.g), b(c.b), a(aa) {}

    bool operator==(const Color4B& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const Color4B& o) const { return !(*this == o); }
};

enum class TextHAlignment { LEFT, CENTER, RIGHT };
enum class TextVAlignment { TOP, CENTER, BOTTOM };

enum class ResolutionPolicy {
    EXACT_FIT,
    NO_BORDER,
    SHOW_ALL,
    FIXED_HEIGHT,
    FIXED_WIDTH,
    UNKNOWN,
};

struct GLContextAttrs {
    int redBits;
    int greenBits;
    int blueBits;
    int alphaBits;
    int depthBits;
    int stencilBits;
};

}  // namespace cocos2d
