// Interface pictures: buttons in their normal and pressed states, the form
// fields, the plates of the material sheet, the ready mark and the digits.
#include <cmath>
#include <string>

#include "artgen.h"

namespace artgen {

namespace {

const Rgb kGold{0.88, 0.70, 0.26};
const Rgb kCream{1.0, 0.975, 0.91};
const Rgb kSeal{0.78, 0.09, 0.10};

const Rgb kOrange{0.96, 0.50, 0.10};
const Rgb kAmber{0.97, 0.70, 0.12};
const Rgb kBlue{0.18, 0.46, 0.84};
const Rgb kSlate{0.26, 0.38, 0.58};
const Rgb kGreen{0.16, 0.62, 0.30};

enum class Icon { None, Back };

// A back arrow (a hooked arrow pointing left) centred on (cx, cy).
void backArrow(cairo_t* cr, double cx, double cy, double size, Rgb colour, Rgb outline, double outlineWidth) {
    const double s = size / 2;
    cairo_new_path(cr);
    cairo_move_to(cr, cx - 0.35 * s, cy - 0.45 * s);
    cairo_line_to(cr, cx + 0.25 * s, cy - 0.45 * s);
    cairo_arc(cr, cx + 0.25 * s, cy + 0.12 * s, 0.57 * s, -M_PI / 2, M_PI / 2);
    cairo_line_to(cr, cx - 0.2 * s, cy + 0.69 * s);
    auto stroke = [&](double width) {
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    };
    cairo_path_t* shaft = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_move_to(cr, cx - 0.95 * s, cy - 0.45 * s);
    cairo_line_to(cr, cx - 0.3 * s, cy - 0.95 * s);
    cairo_line_to(cr, cx - 0.3 * s, cy + 0.05 * s);
    cairo_close_path(cr);
    cairo_path_t* head = cairo_copy_path(cr);
    if (outlineWidth > 0) {
        setRgb(cr, outline);
        cairo_new_path(cr);
        cairo_append_path(cr, shaft);
        stroke(0.32 * s + outlineWidth);
        cairo_stroke(cr);
        cairo_append_path(cr, head);
        stroke(outlineWidth);
        cairo_stroke(cr);
    }
    setRgb(cr, colour);
    cairo_new_path(cr);
    cairo_append_path(cr, shaft);
    stroke(0.32 * s);
    cairo_stroke(cr);
    cairo_append_path(cr, head);
    cairo_fill(cr);
    cairo_path_destroy(shaft);
    cairo_path_destroy(head);
}

// A raised, rounded button with a darker lip below its face. Pressed, the
// face sinks onto the lip, turns darker and loses its gloss.
void drawButton(cairo_t* cr, double x, double y, double w, double h, const std::string& caption, Rgb colour,
                bool pressed, Icon icon = Icon::None) {
    const double m = 1.5, depth = 5, sink = pressed ? 4 : 0;
    const double faceW = w - 2 * m, faceH = h - 2 * m - depth - 1;
    const double radius = std::fmin(faceH * 0.32, 16);
    const Rgb face = pressed ? shade(colour, 0.78) : colour;
    const Rgb edge = shade(colour, 0.42);

    // Soft contact shadow, then the lip.
    cairo_new_path(cr);
    roundedRect(cr, x + m, y + m + depth + 1, faceW, faceH, radius);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_fill(cr);
    cairo_new_path(cr);
    roundedRect(cr, x + m, y + m + depth, faceW, faceH, radius);
    setRgb(cr, shade(colour, 0.55));
    cairo_fill_preserve(cr);
    setRgb(cr, edge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    const double fy = y + m + sink;
    cairo_new_path(cr);
    roundedRect(cr, x + m, fy, faceW, faceH, radius);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, fy, 0, fy + faceH);
    const Rgb top = shade(face, pressed ? 1.05 : 1.28), bottom = shade(face, 0.86);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 0.55, face.r, face.g, face.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill_preserve(cr);
    setRgb(cr, edge);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);

    if (!pressed) {
        // Gloss over the upper half.
        cairo_new_path(cr);
        roundedRect(cr, x + m + 3, fy + 2, faceW - 6, faceH * 0.48, radius * 0.8);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, fy + 2, 0, fy + 2 + faceH * 0.48);
        cairo_pattern_add_color_stop_rgba(g, 0, 1, 1, 1, 0.45);
        cairo_pattern_add_color_stop_rgba(g, 1, 1, 1, 1, 0.06);
        cairo_set_source(cr, g);
        cairo_pattern_destroy(g);
        cairo_fill(cr);
    } else {
        // Inner shadow along the top edge.
        cairo_save(cr);
        cairo_new_path(cr);
        roundedRect(cr, x + m, fy, faceW, faceH, radius);
        cairo_clip(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, fy, 0, fy + 8);
        cairo_pattern_add_color_stop_rgba(g, 0, 0, 0, 0, 0.38);
        cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0);
        cairo_set_source(cr, g);
        cairo_pattern_destroy(g);
        cairo_paint(cr);
        cairo_restore(cr);
    }

    const Rgb textColour = pressed ? Rgb{0.90, 0.90, 0.88} : Rgb{1, 1, 1};
    const Rgb textEdge = shade(colour, 0.32);
    const double inkH = faceH * 0.44;
    double cx = x + w / 2, cy = fy + faceH / 2;
    if (icon == Icon::Back) {
        const double iconSize = inkH * 1.15;
        const double gap = inkH * 0.35;
        const double textW = inkH * 2.1;
        const double total = iconSize + gap + textW;
        backArrow(cr, cx - total / 2 + iconSize / 2, cy, iconSize, textColour, textEdge, 2.4);
        cx += (iconSize + gap) / 2;
    }
    TextStyle style{textColour, textEdge, 3.0, 0.9, 0.25, 1.5};
    drawText(cr, caption, Font::Cjk, cx, cy, inkH, faceW * 0.8, style);
}

void saveButtonPair(const std::string& dir, const std::string& name, int w, int h, const std::string& caption,
                    Rgb colour, Icon icon = Icon::None) {
    for (bool pressed : {false, true}) {
        Canvas c(w, h);
        drawButton(c.cr, 0, 0, w, h, caption, colour, pressed, icon);
        c.save(dir + "/" + name + (pressed ? "_press.png" : ".png"));
    }
}

// A small rounded tab with a white caption.
void tabLabel(cairo_t* cr, double x, double y, double w, const std::string& text, Rgb colour) {
    cairo_new_path(cr);
    roundedRect(cr, x, y, w, 28, 6);
    verticalGradient(cr, y, y + 28, shade(colour, 1.2), shade(colour, 0.85));
    cairo_fill(cr);
    TextStyle style{{1, 1, 1}, shade(colour, 0.5), 0, 0.5, 0, 0};
    drawText(cr, text, Font::Cjk, x + w / 2, y + 14, 12, w - 6, style);
}

// A light plate with a coloured label tab at its left end.
void plate(cairo_t* cr, double y, const std::string& label, Rgb tab, double tabW) {
    cairo_new_path(cr);
    roundedRect(cr, 0.5, y + 0.5, 200, 35, 8);
    verticalGradient(cr, y, y + 36, kCream, Rgb{0.93, 0.89, 0.78});
    cairo_fill_preserve(cr);
    setRgb(cr, shade(kGold, 0.8));
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    if (tabW > 0)
        tabLabel(cr, 3, y + 4, tabW, label, tab);
}

}  // namespace

void drawInterfaceImages(const std::string& dir) {
    saveButtonPair(dir, "add_desk_fast", 260, 84, "快速加入", kOrange);
    saveButtonPair(dir, "return", 120, 52, "返回", kSlate, Icon::Back);
    saveButtonPair(dir, "put", 160, 64, "出牌", kOrange);
    saveButtonPair(dir, "noput", 160, 64, "不出", kBlue);
    saveButtonPair(dir, "ready", 160, 64, "准备", kAmber);
    saveButtonPair(dir, "hint", 160, 64, "提示", kGreen);

    {
        Canvas c(304, 61);
        drawButton(c.cr, 0, 0, 152, 61, "不出", kBlue, false);
        drawButton(c.cr, 152, 0, 152, 61, "出牌", kOrange, false);
        c.save(dir + "/poker_play_card.png");
    }
    {
        // The ready mark: a red seal with the caption in cream.
        Canvas c(70, 35);
        cairo_t* cr = c.cr;
        cairo_new_path(cr);
        roundedRect(cr, 1, 1, 68, 33, 7);
        verticalGradient(cr, 1, 34, Rgb{0.90, 0.18, 0.16}, Rgb{0.62, 0.05, 0.06});
        cairo_fill_preserve(cr);
        setRgb(cr, Rgb{0.40, 0.02, 0.03});
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_new_path(cr);
        roundedRect(cr, 3.5, 3.5, 63, 28, 5);
        setRgb(cr, Rgb{1.0, 0.84, 0.45}, 0.9);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
        TextStyle style{Rgb{1.0, 0.96, 0.84}, Rgb{0.45, 0.03, 0.03}, 2.0, 0.9, 0.3, 1.0};
        drawText(cr, "准备", Font::Cjk, 35, 17.5, 17, 50, style);
        c.save(dir + "/zhunbei.png");
    }
    {
        // Countdown digits 0..9, 14 x 21 each.
        Canvas c(140, 21);
        TextStyle style{Rgb{1.0, 0.88, 0.30}, Rgb{0.28, 0.12, 0.0}, 1.8, 0.3, 0, 0};
        for (int d = 0; d < 10; ++d)
            drawText(c.cr, std::string(1, static_cast<char>('0' + d)), Font::SansBold, 14 * d + 7, 10.5, 15,
                     9.6, style, true);
        c.save(dir + "/num.png");
    }
    {
        // Material sheet: the return icon above four plates, one pixel apart.
        Canvas c(201, 184);
        cairo_t* cr = c.cr;
        cairo_new_path(cr);
        cairo_arc(cr, 18, 18, 16.5, 0, 2 * M_PI);
        verticalGradient(cr, 1, 35, shade(kSlate, 1.35), shade(kSlate, 0.8));
        cairo_fill_preserve(cr);
        setRgb(cr, shade(kSlate, 0.45));
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        backArrow(cr, 18, 18.5, 19, {1, 1, 1}, shade(kSlate, 0.4), 0);

        plate(cr, 37, "我方", kGreen, 40);
        // The two scores stand at x 80 and x 170; the rival tab sits between them.
        tabLabel(cr, 110, 41, 34, "对方", kSeal);
        plate(cr, 74, "昵称", kSlate, 40);
        plate(cr, 111, "胜局", kAmber, 40);
        plate(cr, 148, "剩余", kBlue, 40);
        c.save(dir + "/sucai.png");
    }
    {
        // Quick-join backdrop: a dark glass panel with a gold rim.
        Canvas c(323, 60);
        cairo_t* cr = c.cr;
        cairo_new_path(cr);
        roundedRect(cr, 1, 1, 321, 58, 14);
        verticalGradient(cr, 1, 59, Rgb{0.05, 0.16, 0.10}, Rgb{0.0, 0.06, 0.03}, 0.72);
        cairo_fill_preserve(cr);
        setRgb(cr, kGold);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        for (int k = 0; k < 2; ++k) {
            const int suit = k == 0 ? 0 : 2;
            cairo_new_path(cr);
            suitPath(cr, suit, k == 0 ? 24 : 299, 30, 20);
            setRgb(cr, kGold, 0.85);
            cairo_fill(cr);
        }
        c.save(dir + "/add_desk_bg.png");
    }
    {
        Canvas c(350, 60);
        drawButton(c.cr, 0, 0, 350, 60, "登录", kGreen, false);
        c.save(dir + "/login.png");
    }
    const char* fields[3][2] = {{"nick", "昵称"}, {"pass", "密码"}, {"rpass", "确认密码"}};
    for (auto& field : fields) {
        // A text field: white box, inset shadow, caption on the left.
        Canvas c(350, 60);
        cairo_t* cr = c.cr;
        cairo_new_path(cr);
        roundedRect(cr, 1.5, 1.5, 347, 57, 10);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill_preserve(cr);
        cairo_save(cr);
        cairo_clip_preserve(cr);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, 1.5, 0, 10);
        cairo_pattern_add_color_stop_rgba(g, 0, 0, 0, 0, 0.18);
        cairo_pattern_add_color_stop_rgba(g, 1, 0, 0, 0, 0);
        cairo_set_source(cr, g);
        cairo_pattern_destroy(g);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_set_source_rgb(cr, 0.55, 0.58, 0.62);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_new_path(cr);
        cairo_move_to(cr, 112.5, 12);
        cairo_line_to(cr, 112.5, 48);
        cairo_set_source_rgb(cr, 0.82, 0.83, 0.85);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        TextStyle style{Rgb{0.35, 0.37, 0.42}, Rgb{0, 0, 0}, 0, 0.4, 0, 0};
        drawText(cr, field[1], Font::Cjk, 57, 30, 19, 92, style);
        c.save(dir + "/" + field[0] + ".png");
    }
    {
        // Vertical divider: a gold line with a dark groove, fading at both ends.
        Canvas c(10, 768);
        cairo_t* cr = c.cr;
        auto line = [&](double x, double width, Rgb colour, double alpha) {
            cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 768);
            cairo_pattern_add_color_stop_rgba(p, 0, colour.r, colour.g, colour.b, 0);
            cairo_pattern_add_color_stop_rgba(p, 0.15, colour.r, colour.g, colour.b, alpha);
            cairo_pattern_add_color_stop_rgba(p, 0.85, colour.r, colour.g, colour.b, alpha);
            cairo_pattern_add_color_stop_rgba(p, 1, colour.r, colour.g, colour.b, 0);
            cairo_set_source(cr, p);
            cairo_pattern_destroy(p);
            cairo_rectangle(cr, x, 0, width, 768);
            cairo_fill(cr);
        };
        line(2, 6, Rgb{0, 0, 0}, 0.30);
        line(4, 2, kGold, 0.95);
        line(4, 1, Rgb{1.0, 0.93, 0.70}, 0.8);
        c.save(dir + "/sep.png");
    }
}

}  // namespace artgen
