// Contact sheets and a desk mock-up, composed from the finished images the
// same way the client composes them, and the consistency check of the images.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "artgen.h"

namespace artgen {

namespace {

struct Frame {
    const char* file;
    int x, y, w, h;
};

// Images are loaded once per run and kept by file name.
class Images {
public:
    explicit Images(std::string dir) : m_dir(std::move(dir)) {}
    ~Images() {
        for (auto& entry : m_images)
            cairo_surface_destroy(entry.second);
    }
    cairo_surface_t* get(const std::string& file) {
        auto it = m_images.find(file);
        if (it != m_images.end())
            return it->second;
        cairo_surface_t* s = cairo_image_surface_create_from_png((m_dir + "/" + file).c_str());
        if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(s);
            s = nullptr;
        }
        m_images[file] = s;
        return s;
    }

private:
    std::string m_dir;
    std::map<std::string, cairo_surface_t*> m_images;
};

Frame cardFrame(const std::string& name) {
    if (name == "front")
        return {"poker_surface.png", 0, 0, 98, 138};
    if (name == "r_joker")
        return {"poker_surface.png", 99, 0, 98, 138};
    if (name == "b_joker")
        return {"poker_surface.png", 197, 0, 98, 138};
    return {"poker_surface.png", 295, 0, 98, 138};  // back
}

Frame numberFrame(int number, bool red) {
    return {"poker_num.png", 39 * number, red ? 39 : 0, 39, 39};
}

Frame suitFrame(int suit) {
    static const int column[4] = {1, 3, 0, 2};  // suit 2, 0, 3, 1 from the left
    return {"poker_flower.png", 44 * column[suit], 0, 44, 42};
}

// Draws a frame with its centre at (cx, cy) of the page (y down), scaled.
void drawFrame(cairo_t* cr, Images& images, const Frame& f, double cx, double cy, double scale) {
    cairo_surface_t* img = images.get(f.file);
    if (!img)
        return;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, img, -f.x - f.w / 2.0, -f.y - f.h / 2.0);
    // Plain bilinear sampling, as the engine scales its textures.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_rectangle(cr, -f.w / 2.0, -f.h / 2.0, f.w, f.h);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawImage(cairo_t* cr, Images& images, const std::string& file, double cx, double cy, double scale = 1) {
    cairo_surface_t* img = images.get(file);
    if (!img)
        return;
    drawFrame(cr, images,
              {file.c_str(), 0, 0, cairo_image_surface_get_width(img), cairo_image_surface_get_height(img)},
              cx, cy, scale);
}

// One card face as the card sprite builds it: the blank face with the number
// at (12, H - 20) and the suit at (12, H - 45), both scaled 0.4, in the card's
// own coordinates with the origin at its bottom left; jokers are whole frames.
void drawCard(cairo_t* cr, Images& images, int code, double left, double top) {
    const double W = 98, H = 138;
    if (code == 52 || code == 53) {
        drawFrame(cr, images, cardFrame(code == 52 ? "b_joker" : "r_joker"), left + W / 2, top + H / 2, 1);
        return;
    }
    if (code < 0 || code > 53) {
        drawFrame(cr, images, cardFrame("back"), left + W / 2, top + H / 2, 1);
        return;
    }
    const int number = code / 4, suit = code % 4;
    drawFrame(cr, images, cardFrame("front"), left + W / 2, top + H / 2, 1);
    drawFrame(cr, images, numberFrame(number, suit >= 2), left + 12, top + (H - (H - 20)), 0.4);
    drawFrame(cr, images, suitFrame(suit), left + 12, top + (H - (H - 45)), 0.4);
}

void caption(cairo_t* cr, const std::string& text, double x, double y, double size, Rgb colour) {
    setFont(cr, Font::Sans, size);
    setRgb(cr, colour);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

void feltBackground(cairo_t* cr, int w, int h) {
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_pattern_t* p = cairo_pattern_create_radial(w / 2.0, h / 2.0, 10, w / 2.0, h / 2.0, w * 0.7);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.09, 0.44, 0.25);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.03, 0.22, 0.12);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill(cr);
}

bool cardsSheet(Images& images, const std::string& path) {
    const int gap = 10, margin = 24, cw = 98, ch = 138;
    const int width = margin * 2 + 13 * cw + 12 * gap;
    const int handTop = margin + 5 * (ch + gap) + 60;
    const int height = handTop + ch + 30 + margin;
    Canvas c(width, height);
    feltBackground(c.cr, width, height);
    for (int code = 0; code < 52; ++code) {
        const int number = code / 4, suit = code % 4;
        drawCard(c.cr, images, code, margin + number * (cw + gap), margin + suit * (ch + gap));
    }
    const int extras[3] = {52, 53, -1};
    for (int k = 0; k < 3; ++k)
        drawCard(c.cr, images, extras[k], margin + k * (cw + gap), margin + 4 * (ch + gap));
    caption(c.cr, "black joker, red joker, back; rows: suits 0 to 3, columns: ace to king",
            margin + 3 * (cw + gap), margin + 4 * (ch + gap) + ch / 2.0, 16, {1, 1, 1});
    // A hand as the desk lays it out: 18 px apart, so only the corner of each card shows.
    caption(c.cr, "a hand of 27 cards, 18 px apart, one raised", margin, handTop - 36, 16, {1, 1, 1});
    const int hand[27] = {0,  1,  3,  6,  9,  10, 14, 17, 19, 19, 22, 25, 27, 30,
                          32, 34, 37, 38, 41, 43, 44, 46, 48, 50, 51, 52, 53};
    for (int i = 0; i < 27; ++i)
        drawCard(c.cr, images, hand[i], margin + 18 * i, handTop + (i == 8 ? -25 : 0));
    return c.save(path);
}

bool buttonsSheet(Images& images, const std::string& path) {
    const char* buttons[] = {"add_desk_fast", "return", "put", "noput", "ready", "hint"};
    const int rows = static_cast<int>(sizeof buttons / sizeof buttons[0]);
    const int width = 700, rowH = 120, margin = 24;
    const int height = margin * 2 + rowH * rows + 110;
    Canvas c(width, height);
    feltBackground(c.cr, width, height);
    for (int k = 0; k < rows; ++k) {
        const double cy = margin + rowH * k + rowH / 2.0 - 10;
        const std::string name = buttons[k];
        drawImage(c.cr, images, name + ".png", 190, cy);
        drawImage(c.cr, images, name + "_press.png", 510, cy);
        caption(c.cr, name + ".png", 120, cy + 56, 14, {1, 1, 1});
        caption(c.cr, name + "_press.png", 430, cy + 56, 14, {1, 1, 1});
    }
    const double y = margin + rowH * rows + 40;
    drawImage(c.cr, images, "poker_play_card.png", 190, y);
    drawImage(c.cr, images, "zhunbei.png", 430, y);
    drawImage(c.cr, images, "num.png", 560, y);
    caption(c.cr, "poker_play_card.png", 120, y + 50, 14, {1, 1, 1});
    caption(c.cr, "zhunbei.png", 395, y + 50, 14, {1, 1, 1});
    caption(c.cr, "num.png", 535, y + 50, 14, {1, 1, 1});
    return c.save(path);
}

bool interfaceSheet(Images& images, const std::string& path) {
    const int width = 820, height = 560;
    Canvas c(width, height);
    feltBackground(c.cr, width, height);
    const char* forms[4] = {"login.png", "nick.png", "pass.png", "rpass.png"};
    for (int k = 0; k < 4; ++k)
        drawImage(c.cr, images, forms[k], 200, 50 + 75 * k);
    drawImage(c.cr, images, "add_desk_bg.png", 200, 360);
    drawImage(c.cr, images, "add_desk_fast.png", 200, 360, 0.7);
    drawImage(c.cr, images, "sucai.png", 520, 120);
    drawImage(c.cr, images, "sep.png", 760, 270, 0.65);
    caption(c.cr, "login, nick, pass, rpass; add_desk_bg under the quick-join button", 24, 430, 14,
            {1, 1, 1});
    caption(c.cr, "sucai.png: return, score, nickname, win, surplus", 420, 240, 14, {1, 1, 1});
    caption(c.cr, "sep.png", 735, 552, 14, {1, 1, 1});
    return c.save(path);
}

// The desk in play, laid out with the client's positions (origin bottom left).
bool deskMockup(Images& images, const std::string& path) {
    const double W = 1024, H = 768;
    Canvas c(static_cast<int>(W), static_cast<int>(H));
    cairo_t* cr = c.cr;
    auto at = [&](double y) { return H - y; };  // engine y to page y
    auto label = [&](const std::string& text, double x, double y, double size, Rgb colour) {
        // Labels keep their centre anchor.
        setFont(cr, Font::Sans, size);
        cairo_text_extents_t e;
        cairo_text_extents(cr, text.c_str(), &e);
        setRgb(cr, colour);
        cairo_font_extents_t fe;
        cairo_font_extents(cr, &fe);
        cairo_move_to(cr, x - e.x_advance / 2, at(y) + (fe.ascent - fe.descent) / 2);
        cairo_show_text(cr, text.c_str());
    };
    auto card = [&](int code, double x, double y) { drawCard(cr, images, code, x - 49, at(y) - 69); };
    const Rgb red{1, 0, 0}, white{1, 1, 1}, black{0, 0, 0};

    drawFrame(cr, images, {"bj.png", 0, 0, 1024, 768}, W / 2, at(H / 2), 1);
    cairo_surface_t* ret = images.get("return.png");
    if (ret) {
        const double w = cairo_image_surface_get_width(ret), h = cairo_image_surface_get_height(ret);
        drawImage(cr, images, "return.png", W - w / 2, at(H - h / 2));
    }
    drawFrame(cr, images, {"sucai.png", 0, 37, 201, 36}, 201 / 2.0, at(H - 18), 1);
    label("0", W / 2, H / 2, 20, white);
    label("12", 80, H - 18, 25, black);
    label("7", 170, H - 18, 25, black);
    label("25", W / 2, H / 2 + 30, 40, white);

    // Seats: names, cards left, countdown, marks.
    label("Alice", W / 2 - 35, 18, 15, red);
    label("Bob", W - 135, 36 + 600, 15, red);
    label("21", W - 135, 36 + 585, 15, white);
    label("Carol", W / 2 - 35, H - 18, 15, red);
    label("18", W / 2 - 35, H - 18 - 15, 15, white);
    label("Dave", 70, 36 + 600, 15, red);
    label("30", 70, 36 + 585, 15, white);
    label("pass", W / 2 + 350, H / 2, 15, red);
    // Countdown "17" from the digit strip, at the bottom seat's point.
    for (int k = 0; k < 2; ++k) {
        const int digit = k == 0 ? 1 : 7;
        drawFrame(cr, images, {"num.png", 14 * digit, 0, 14, 21}, W / 2 + 300 - 7 + 14 * k, at(200), 1);
    }

    // Played rows grow right from playX + 98, 18 apart.
    const int top[3] = {36, 37, 38};
    for (int i = 0; i < 3; ++i)
        card(top[i], (W / 2 - 200) + 98 + 18 * i, H / 2 + 200);
    const int left[2] = {52, 53};
    for (int i = 0; i < 2; ++i)
        card(left[i], 0 + 98 + 18 * i, H / 2);

    // Hand: centred on W/2 + cw/4, 18 apart; a raised card stands at y 70.
    const int hand[24] = {0,  2,  5,  6,  9,  13, 14, 16, 19, 20, 24, 27,
                          29, 30, 33, 35, 39, 40, 42, 45, 47, 49, 50, 53};
    const int n = 24;
    for (int i = 0; i < n; ++i) {
        const bool raised = i == 9 || i == 10;
        card(hand[i], W / 2 - 9 * (n - 1) + 18 * i + 98 / 4.0, raised ? 70 : 45);
    }
    drawImage(cr, images, "put.png", W / 2 - 100, at(170), 0.8);
    drawImage(cr, images, "noput.png", W / 2 + 100, at(170), 0.8);
    return c.save(path);
}

}  // namespace

// The hall: background, the quick-join button and the online count below it.
bool hallMockup(Images& images, const std::string& path) {
    const double W = 1024, H = 768;
    Canvas c(static_cast<int>(W), static_cast<int>(H));
    cairo_t* cr = c.cr;
    drawFrame(cr, images, {"bj.png", 0, 0, 1024, 768}, W / 2, H / 2, 1);
    drawImage(cr, images, "add_desk_fast.png", W / 2, H / 2);
    setFont(cr, Font::Sans, 25);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "online:12", &e);
    cairo_move_to(cr, W / 2 - e.x_advance / 2, H / 2 + 50 + 9);
    cairo_show_text(cr, "online:12");
    return c.save(path);
}

bool drawSheets(const std::string& assetsDir, const std::string& outDir) {
    Images images(assetsDir);
    bool ok = cardsSheet(images, outDir + "/cards.png");
    ok = buttonsSheet(images, outDir + "/buttons.png") && ok;
    ok = interfaceSheet(images, outDir + "/interface.png") && ok;
    ok = deskMockup(images, outDir + "/desk.png") && ok;
    ok = hallMockup(images, outDir + "/hall.png") && ok;
    return ok;
}

}  // namespace artgen
