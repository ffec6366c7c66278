#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "artgen.h"

namespace artgen {

const Rgb kCardRed{0.80, 0.06, 0.12};
const Rgb kCardBlack{0.08, 0.08, 0.10};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb shade(Rgb c, double factor) {
    if (factor <= 1.0)
        return {c.r * factor, c.g * factor, c.b * factor};
    return mix(c, {1, 1, 1}, std::min(1.0, factor - 1.0));
}

void setRgb(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

namespace {
int s_scale = 1;
}

void setDrawingScale(int scale) {
    s_scale = scale > 0 ? scale : 1;
}

int drawingScale() {
    return s_scale;
}

Canvas::Canvas(int w, int h) : width(w), height(h) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * s_scale, h * s_scale);
    cr = cairo_create(surface);
    cairo_scale(cr, s_scale, s_scale);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_BEST);
}

Canvas::~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

namespace {
bool s_writeFailed = false;
}

bool writeFailed() {
    return s_writeFailed;
}

bool Canvas::save(const std::string& path) const {
    cairo_surface_flush(surface);
    if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
        s_writeFailed = true;
        return false;
    }
    return true;
}

namespace {

FT_Library s_library = nullptr;
cairo_font_face_t* s_faces[3] = {nullptr, nullptr, nullptr};

cairo_font_face_t* loadFace(const std::string& path, const char* fallbackFamily, bool bold) {
    if (!s_library && FT_Init_FreeType(&s_library) != 0)
        s_library = nullptr;
    FT_Face face = nullptr;
    if (s_library && FT_New_Face(s_library, path.c_str(), 0, &face) == 0) {
        // The face lives as long as the program; cairo keeps its own reference.
        return cairo_ft_font_face_create_for_ft_face(face, 0);
    }
    std::fprintf(stderr, "artgen: cannot load %s, using the system %s face\n", path.c_str(), fallbackFamily);
    return cairo_toy_font_face_create(fallbackFamily, CAIRO_FONT_SLANT_NORMAL,
                                      bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
}

}  // namespace

void loadFonts(const std::string& sans, const std::string& sansBold, const std::string& cjk) {
    s_faces[0] = loadFace(sans, "sans-serif", false);
    s_faces[1] = loadFace(sansBold, "sans-serif", true);
    s_faces[2] = loadFace(cjk, "sans-serif", false);
}

void setFont(cairo_t* cr, Font font, double size) {
    cairo_set_font_face(cr, s_faces[static_cast<int>(font)]);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min(r, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom, double alpha) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, alpha);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void textPath(cairo_t* cr, const std::string& text, Font font, double cx, double cy, double inkHeight,
              double maxWidth, bool capHeight) {
    const double probe = 100.0;
    setFont(cr, font, probe);
    cairo_text_extents_t ink;
    cairo_text_extents(cr, text.c_str(), &ink);
    double refHeight = ink.height, refTop = ink.y_bearing;
    if (capHeight) {
        cairo_text_extents_t cap;
        cairo_text_extents(cr, "H", &cap);
        refHeight = cap.height;
        refTop = cap.y_bearing;
    }
    if (ink.width <= 0 || refHeight <= 0)
        return;
    double sy = inkHeight / refHeight;
    double sx = sy;
    if (ink.width * sx > maxWidth)
        sx = maxWidth / ink.width;

    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, sx, sy);
    cairo_move_to(cr, -ink.x_bearing - ink.width / 2, -refTop - refHeight / 2);
    cairo_text_path(cr, text.c_str());
    cairo_restore(cr);  // the path stays in device space
}

void drawText(cairo_t* cr, const std::string& text, Font font, double cx, double cy, double inkHeight,
              double maxWidth, const TextStyle& style, bool capHeight) {
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (style.shadowAlpha > 0) {
        cairo_new_path(cr);
        textPath(cr, text, font, cx + style.shadowOffset * 0.5, cy + style.shadowOffset, inkHeight, maxWidth,
                 capHeight);
        cairo_set_source_rgba(cr, 0, 0, 0, style.shadowAlpha);
        cairo_set_line_width(cr, style.outlineWidth + style.embolden + 1.5);
        cairo_stroke_preserve(cr);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    textPath(cr, text, font, cx, cy, inkHeight, maxWidth, capHeight);
    if (style.outlineWidth > 0) {
        setRgb(cr, style.outline);
        cairo_set_line_width(cr, style.outlineWidth + style.embolden);
        cairo_stroke_preserve(cr);
    }
    setRgb(cr, style.fill);
    if (style.embolden > 0) {
        cairo_set_line_width(cr, style.embolden);
        cairo_stroke_preserve(cr);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

bool suitIsRed(int suit) {
    return suit == 2 || suit == 3;
}

void suitPath(cairo_t* cr, int suit, double cx, double cy, double size) {
    // Shapes are drawn in a unit box [-1, 1] with y pointing down.
    const double s = size / 2;
    auto X = [&](double u) { return cx + u * s; };
    auto Y = [&](double v) { return cy + v * s; };
    auto curve = [&](double a, double b, double c, double d, double e, double f) {
        cairo_curve_to(cr, X(a), Y(b), X(c), Y(d), X(e), Y(f));
    };
    auto stem = [&](double top, double halfTop) {
        // A flared foot; points clockwise like cairo's arcs so that winding fills the union.
        cairo_new_sub_path(cr);
        cairo_move_to(cr, X(-halfTop), Y(top));
        cairo_line_to(cr, X(halfTop), Y(top));
        curve(halfTop, 0.55, 0.18, 0.9, 0.42, 1.0);
        cairo_line_to(cr, X(-0.42), Y(1.0));
        curve(-0.18, 0.9, -halfTop, 0.55, -halfTop, top);
        cairo_close_path(cr);
    };
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    switch (suit) {
        case 0: {  // spade
            cairo_new_sub_path(cr);
            cairo_move_to(cr, X(0), Y(-1.0));
            curve(0.25, -0.62, 0.95, -0.3, 0.95, 0.2);
            curve(0.95, 0.55, 0.72, 0.72, 0.48, 0.72);
            curve(0.25, 0.72, 0.1, 0.6, 0.0, 0.45);
            curve(-0.1, 0.6, -0.25, 0.72, -0.48, 0.72);
            curve(-0.72, 0.72, -0.95, 0.55, -0.95, 0.2);
            curve(-0.95, -0.3, -0.25, -0.62, 0, -1.0);
            cairo_close_path(cr);
            stem(0.3, 0.07);
            break;
        }
        case 1: {  // club
            const double r = 0.43;
            cairo_new_sub_path(cr);
            cairo_arc(cr, X(0), Y(-0.52), r * s, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, X(-0.5), Y(0.2), r * s, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, X(0.5), Y(0.2), r * s, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, X(0), Y(0.05), 0.28 * s, 0, 2 * M_PI);
            stem(0.1, 0.08);
            break;
        }
        case 2: {  // heart
            cairo_new_sub_path(cr);
            cairo_move_to(cr, X(0), Y(0.98));
            curve(-0.3, 0.62, -0.98, 0.2, -0.98, -0.33);
            curve(-0.98, -0.72, -0.7, -0.92, -0.46, -0.92);
            curve(-0.22, -0.92, -0.06, -0.78, 0, -0.58);
            curve(0.06, -0.78, 0.22, -0.92, 0.46, -0.92);
            curve(0.7, -0.92, 0.98, -0.72, 0.98, -0.33);
            curve(0.98, 0.2, 0.3, 0.62, 0, 0.98);
            cairo_close_path(cr);
            break;
        }
        default: {  // diamond
            cairo_new_sub_path(cr);
            cairo_move_to(cr, X(0), Y(-1.0));
            curve(0.22, -0.62, 0.5, -0.3, 0.76, 0);
            curve(0.5, 0.3, 0.22, 0.62, 0, 1.0);
            curve(-0.22, 0.62, -0.5, 0.3, -0.76, 0);
            curve(-0.5, -0.3, -0.22, -0.62, 0, -1.0);
            cairo_close_path(cr);
            break;
        }
    }
}

}  // namespace artgen
