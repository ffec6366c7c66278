// The table background: green felt under soft light, with a padded rim.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "artgen.h"

namespace artgen {

namespace {

// Small deterministic generator, so that every build draws the same felt.
struct XorShift {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    double unit() { return (next() & 0xffffff) / double(0x1000000); }
};

// Adds fine grain to an opaque surface: each pixel is lightened or darkened a little.
void addGrain(cairo_surface_t* surface, double amount, uint32_t seed) {
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    XorShift rng{seed};
    for (int y = 0; y < h; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = row[x];
            const int delta = static_cast<int>((rng.unit() - 0.5) * 2 * amount);
            auto channel = [&](int shift) {
                int v = static_cast<int>((p >> shift) & 0xff) + delta;
                return static_cast<uint32_t>(std::clamp(v, 0, 255)) << shift;
            };
            row[x] = (p & 0xff000000u) | channel(16) | channel(8) | channel(0);
        }
    }
    cairo_surface_mark_dirty(surface);
}

}  // namespace

void drawTableImages(const std::string& dir) {
    const double W = 1024, H = 768;
    Canvas c(static_cast<int>(W), static_cast<int>(H));
    cairo_t* cr = c.cr;

    // Rim: dark padded leather around the playing surface.
    cairo_rectangle(cr, 0, 0, W, H);
    verticalGradient(cr, 0, H, Rgb{0.22, 0.10, 0.05}, Rgb{0.13, 0.05, 0.02});
    cairo_fill(cr);

    const double inset = 12, radius = 46;
    cairo_new_path(cr);
    roundedRect(cr, inset, inset, W - 2 * inset, H - 2 * inset, radius);
    cairo_pattern_t* felt = cairo_pattern_create_radial(W / 2, H * 0.47, 30, W / 2, H * 0.5, 700);
    cairo_pattern_add_color_stop_rgb(felt, 0, 0.10, 0.47, 0.27);
    cairo_pattern_add_color_stop_rgb(felt, 0.45, 0.06, 0.35, 0.19);
    cairo_pattern_add_color_stop_rgb(felt, 1, 0.015, 0.16, 0.08);
    cairo_set_source(cr, felt);
    cairo_pattern_destroy(felt);
    cairo_fill(cr);

    // Felt fibres: many short faint strokes, lighter and darker, in every direction.
    {
        cairo_save(cr);
        cairo_new_path(cr);
        roundedRect(cr, inset, inset, W - 2 * inset, H - 2 * inset, radius);
        cairo_clip(cr);
        XorShift rng{0x2545f491u};
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_width(cr, 0.7);
        for (int shadeKind = 0; shadeKind < 2; ++shadeKind) {
            for (int k = 0; k < 9000; ++k) {
                const double x = rng.unit() * W, y = rng.unit() * H;
                const double a = rng.unit() * 2 * M_PI, len = 2 + rng.unit() * 4;
                cairo_move_to(cr, x, y);
                cairo_line_to(cr, x + len * std::cos(a), y + len * std::sin(a));
            }
            if (shadeKind == 0)
                cairo_set_source_rgba(cr, 0.6, 0.9, 0.6, 0.05);
            else
                cairo_set_source_rgba(cr, 0.0, 0.05, 0.0, 0.07);
            cairo_stroke(cr);
        }
        cairo_restore(cr);
    }

    // Shade where the felt meets the rim.
    cairo_save(cr);
    cairo_new_path(cr);
    roundedRect(cr, inset, inset, W - 2 * inset, H - 2 * inset, radius);
    cairo_clip(cr);
    for (int k = 0; k < 10; ++k) {
        cairo_new_path(cr);
        roundedRect(cr, inset + k, inset + k, W - 2 * (inset + k), H - 2 * (inset + k), radius - k);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.07 * (1 - k / 10.0));
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    // Gold piping along the rim.
    cairo_new_path(cr);
    roundedRect(cr, inset - 1.5, inset - 1.5, W - 2 * inset + 3, H - 2 * inset + 3, radius + 1.5);
    cairo_set_source_rgba(cr, 0.86, 0.68, 0.28, 0.9);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    cairo_new_path(cr);
    roundedRect(cr, inset - 0.5, inset - 0.5, W - 2 * inset + 1, H - 2 * inset + 1, radius + 0.5);
    cairo_set_source_rgba(cr, 1.0, 0.92, 0.66, 0.35);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);

    // The playing area: two fine stitched ovals around the middle of the table.
    cairo_save(cr);
    cairo_translate(cr, W / 2, H / 2);
    cairo_scale(cr, 1.0, 0.62);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 420, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0.75, 0.92, 0.70, 0.16);
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, W / 2, H / 2);
    cairo_scale(cr, 1.0, 0.62);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 408, 0, 2 * M_PI);
    cairo_restore(cr);
    const double dash[2] = {6, 5};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_source_rgba(cr, 0.88, 0.80, 0.50, 0.22);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);

    // Darker seat mats where the players' names and card counts stand, so
    // that the red names and white counts read well (centres in window
    // coordinates from the top left).
    struct Mat {
        double cx, cy, w, h;
    } mats[6] = {{74, 140, 230, 100}, {885, 140, 230, 100}, {477, 24, 260, 76},
                 {477, 752, 260, 70}, {862, 384, 150, 70},  {162, 384, 150, 70}};
    cairo_save(cr);
    cairo_new_path(cr);
    roundedRect(cr, inset, inset, W - 2 * inset, H - 2 * inset, radius);
    cairo_clip(cr);
    for (const Mat& m : mats) {
        // A soft shadow without edges: it darkens the felt behind the text
        // and looks like a worn spot of the cloth on the empty table.
        cairo_save(cr);
        cairo_translate(cr, m.cx, m.cy);
        cairo_scale(cr, m.w / 2, m.h / 2);
        cairo_pattern_t* spot = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
        const double stops[5][2] = {{0, 0.46}, {0.35, 0.38}, {0.6, 0.22}, {0.8, 0.08}, {1, 0}};
        for (const auto& stop : stops)
            cairo_pattern_add_color_stop_rgba(spot, stop[0], 0, 0.05, 0.02, stop[1]);
        cairo_set_source(cr, spot);
        cairo_pattern_destroy(spot);
        cairo_new_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_restore(cr);

    // A faint emblem of the four suits in the centre, pressed into the cloth:
    // a light edge below each shape and a fine ring around them.
    const int order[4] = {0, 2, 1, 3};
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < 4; ++k) {
            const double a = -M_PI / 2 + k * M_PI / 2;
            const double oy = pass == 0 ? 1.5 : 0;
            cairo_new_path(cr);
            suitPath(cr, order[k], W / 2 + 70 * std::cos(a), H / 2 + 56 * std::sin(a) + oy, 40);
            if (pass == 0)
                cairo_set_source_rgba(cr, 0.7, 1.0, 0.7, 0.07);
            else
                cairo_set_source_rgba(cr, 0.0, 0.12, 0.05, 0.17);
            cairo_fill(cr);
        }
    }
    cairo_save(cr);
    cairo_translate(cr, W / 2, H / 2);
    cairo_scale(cr, 1.0, 0.8);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 112, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0.0, 0.12, 0.05, 0.16);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    addGrain(c.surface, 3.0, 0x9e3779b9u);
    c.save(dir + "/bj.png");
}

}  // namespace artgen
