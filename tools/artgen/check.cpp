// Consistency check of a finished assets folder: every image at least at its
// minimum size, every frame inside its image and holding a picture, and the
// pictures of frames that touch each other kept inside their own rectangles.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "artgen.h"

namespace artgen {

namespace {

struct Image {
    explicit Image(const std::string& path) {
        surface = cairo_image_surface_create_from_png(path.c_str());
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(surface);
            surface = nullptr;
            return;
        }
        width = cairo_image_surface_get_width(surface);
        height = cairo_image_surface_get_height(surface);
        opaqueFormat = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    }
    ~Image() {
        if (surface)
            cairo_surface_destroy(surface);
    }
    int alpha(int x, int y) const {
        if (opaqueFormat)
            return 255;
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] >> 24;
    }

    cairo_surface_t* surface = nullptr;
    int width = 0, height = 0;
    bool opaqueFormat = false;
};

struct Rect {
    int x, y, w, h;
};

// Works in design units: every rectangle and size given to it is multiplied
// by the scale the images were drawn at.
class Checker {
public:
    Checker(std::string dir, int scale, std::string baseDir)
        : m_dir(std::move(dir)), m_base(std::move(baseDir)), m_scale(scale) {}

    int faults() const { return m_faults; }

    void fault(const std::string& what) {
        std::fprintf(stderr, "artgen check: %s\n", what.c_str());
        ++m_faults;
    }

    // Loads an image and checks its minimum size; null when it is unusable.
    const Image* image(const std::string& file, int minW, int minH) {
        for (auto& loaded : m_images)
            if (loaded.first == file)
                return loaded.second.get();
        auto img = std::make_unique<Image>(m_dir + "/" + file);
        const Image* result = img.get();
        minW *= m_scale;
        minH *= m_scale;
        if (!img->surface) {
            fault(file + ": missing or not a PNG");
            result = nullptr;
        } else if (img->width < minW || img->height < minH) {
            fault(file + ": " + std::to_string(img->width) + " x " + std::to_string(img->height) +
                  " is below the minimum " + std::to_string(minW) + " x " + std::to_string(minH));
            result = nullptr;
        } else if (!m_base.empty()) {
            // Exactly the scale times its counterpart, so that every frame rectangle scales too.
            Image base(m_base + "/" + file);
            if (base.surface &&
                (img->width != base.width * m_scale || img->height != base.height * m_scale)) {
                fault(file + ": " + std::to_string(img->width) + " x " + std::to_string(img->height) +
                      " is not " + std::to_string(m_scale) + " times " + std::to_string(base.width) + " x " +
                      std::to_string(base.height));
                result = nullptr;
            }
        }
        m_images.emplace_back(file, std::move(img));
        return result;
    }

    // The frame lies inside its image and shows something.
    void frame(const std::string& name, const Image* img, Rect r) {
        if (!img)
            return;
        r = scaled(r);
        if (r.x < 0 || r.y < 0 || r.x + r.w > img->width || r.y + r.h > img->height) {
            fault(name + ": rectangle outside its image");
            return;
        }
        int ink = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                ink += img->alpha(x, y) > 128;
        if (ink < r.w * r.h / 20)
            fault(name + ": frame is (nearly) empty");
    }

    // Nothing of the picture reaches the frame's outer ring of pixels, so the
    // cut-out shows no trace of its neighbour and is not cut off itself.
    void clearBorder(const std::string& name, const Image* img, Rect r) {
        if (!img)
            return;
        r = scaled(r);
        auto touches = [&](int x, int y) {
            if (img->alpha(x, y) <= 24)
                return false;  // faint edge smoothing is harmless
            fault(name + ": picture touches its frame's edge at " + std::to_string(x) + ", " +
                  std::to_string(y));
            return true;
        };
        for (int x = r.x; x < r.x + r.w; ++x)
            for (int y : {r.y, r.y + r.h - 1})
                if (touches(x, y))
                    return;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x : {r.x, r.x + r.w - 1})
                if (touches(x, y))
                    return;
    }

    // A whole card: rounded (transparent) corners, a solid middle.
    void card(const std::string& name, const Image* img, Rect r) {
        if (!img)
            return;
        frame(name, img, r);
        r = scaled(r);
        const int cx[2] = {r.x, r.x + r.w - 1}, cy[2] = {r.y, r.y + r.h - 1};
        for (int x : cx)
            for (int y : cy)
                if (img->alpha(x, y) > 8)
                    return fault(name + ": corners are not rounded");
        if (img->alpha(r.x + r.w / 2, r.y + r.h / 2) < 255)
            fault(name + ": the card is not opaque");
    }

    // The highest alpha within one design pixel.
    int alphaAt(const Image* img, int x, int y) const {
        int a = 0;
        for (int dy = 0; dy < m_scale; ++dy)
            for (int dx = 0; dx < m_scale; ++dx)
                a = std::max(a, img->alpha(x * m_scale + dx, y * m_scale + dy));
        return a;
    }

    // Pixels of a design rectangle with more than half coverage, in design pixels.
    int ink(const Image* img, Rect r) const {
        r = scaled(r);
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                n += img->alpha(x, y) > 128;
        return n / (m_scale * m_scale);
    }

    // An image's size in design units.
    int designWidth(const Image* img) const { return img->width / m_scale; }
    int designHeight(const Image* img) const { return img->height / m_scale; }

private:
    Rect scaled(Rect r) const { return {r.x * m_scale, r.y * m_scale, r.w * m_scale, r.h * m_scale}; }

    std::string m_dir;
    std::string m_base;
    int m_scale;
    std::vector<std::pair<std::string, std::unique_ptr<Image>>> m_images;
    int m_faults = 0;
};

}  // namespace

int checkImages(const std::string& dir, int scale, const std::string& baseDir) {
    Checker c(dir, scale, baseDir);

    const Image* flower = c.image("poker_flower.png", 176, 42);
    const int suitAt[4] = {2, 0, 3, 1};
    for (int k = 0; k < 4; ++k) {
        const std::string name = "flower" + std::to_string(suitAt[k]);
        c.frame(name, flower, {44 * k, 0, 44, 42});
        c.clearBorder(name, flower, {44 * k, 0, 44, 42});
    }
    const Image* num = c.image("poker_num.png", 507, 78);
    for (int i = 0; i <= 12; ++i)
        for (int row = 0; row < 2; ++row) {
            const std::string name = (row ? "r_num" : "b_num") + std::to_string(i);
            c.frame(name, num, {39 * i, 39 * row, 39, 39});
            c.clearBorder(name, num, {39 * i, 39 * row, 39, 39});
        }
    const Image* surface = c.image("poker_surface.png", 393, 138);
    c.card("front", surface, {0, 0, 98, 138});
    c.card("r_joker", surface, {99, 0, 98, 138});
    c.card("b_joker", surface, {197, 0, 98, 138});
    c.card("back", surface, {295, 0, 98, 138});

    for (const char* form : {"login", "nick", "pass", "rpass"})
        c.frame(form, c.image(std::string(form) + ".png", 350, 60), {0, 0, 350, 60});
    c.frame("sep", c.image("sep.png", 10, 768), {0, 0, 10, 768});
    c.frame("add_desk_bg", c.image("add_desk_bg.png", 323, 60), {0, 0, 323, 60});
    const Image* sucai = c.image("sucai.png", 201, 184);
    c.frame("return", sucai, {0, 0, 36, 36});
    const char* plates[4] = {"score", "nickname", "win", "surplus"};
    for (int k = 0; k < 4; ++k) {
        const Rect r{0, 37 * (k + 1), 201, 36};
        c.frame(plates[k], sucai, r);
        if (sucai && c.alphaAt(sucai, 100, 37 * (k + 1) - 1) > 8)
            c.fault(std::string(plates[k]) + ": no gap above");
    }
    const Image* play = c.image("poker_play_card.png", 304, 61);
    c.frame("noputbtn", play, {0, 0, 152, 61});
    c.frame("putbtn", play, {152, 0, 152, 61});
    c.frame("zhunbei", c.image("zhunbei.png", 70, 35), {0, 0, 70, 35});
    const Image* bj = c.image("bj.png", 1024, 768);
    if (bj)
        for (int y = 0; y < 768; y += 7)
            for (int x = 0; x < 1024; x += 7)
                if (c.alphaAt(bj, x, y) < 255) {
                    c.fault("beijing: the background has transparent pixels");
                    y = 768;
                    break;
                }

    for (const char* button : {"add_desk_fast", "return", "put", "noput", "ready", "hint"})
        for (const char* state : {"", "_press"}) {
            const std::string file = std::string(button) + state + ".png";
            if (const Image* img = c.image(file, 1, 1))
                c.frame(file, img, {0, 0, c.designWidth(img), c.designHeight(img)});
        }
    const Image* digits = c.image("num.png", 140, 21);
    for (int d = 0; d < 10; ++d) {
        const std::string name = "digit " + std::to_string(d);
        if (!digits)
            break;
        c.clearBorder(name, digits, {14 * d, 0, 14, 21});
        if (c.ink(digits, {14 * d, 0, 14, 21}) < 20)
            c.fault(name + ": empty");
    }
    if (c.faults() == 0)
        std::printf("artgen check: all images and frames of %s are in order\n", dir.c_str());
    return c.faults();
}

}  // namespace artgen
