// The program's icon: two cards fanned on a rounded square of table felt,
// drawn in a 256-unit square and scaled to each size, so that the small
// sizes are drawn, not shrunk from a large picture.
#include <cmath>
#include <string>

#include "artgen.h"

namespace artgen {

namespace {

const Rgb kFeltTop{0.13, 0.52, 0.30};
const Rgb kFeltBottom{0.04, 0.30, 0.16};
const Rgb kGoldEdge{0.86, 0.70, 0.30};
const Rgb kIvory{0.995, 0.99, 0.97};
const double kCardW = 104, kCardH = 146;

void felt(cairo_t* cr) {
    cairo_new_path(cr);
    roundedRect(cr, 14, 14, 228, 228, 44);
    verticalGradient(cr, 14, 242, kFeltTop, kFeltBottom);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 7);
    setRgb(cr, kGoldEdge);
    cairo_stroke(cr);
}

// One card around (cx, cy), turned by `degrees`, showing one large suit
// symbol `shift` units off its centre (a card behind shows it to the side the
// front card leaves free); the corner letter only where it can be read.
void card(cairo_t* cr, double cx, double cy, double degrees, int suit, double shift, bool letter) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, degrees * M_PI / 180);
    // A soft shadow lifts the card off the felt.
    cairo_new_path(cr);
    roundedRect(cr, -kCardW / 2 + 4, -kCardH / 2 + 6, kCardW, kCardH, 12);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.28);
    cairo_fill(cr);
    cairo_new_path(cr);
    roundedRect(cr, -kCardW / 2, -kCardH / 2, kCardW, kCardH, 12);
    setRgb(cr, kIvory);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 3);
    cairo_set_source_rgba(cr, 0.25, 0.25, 0.30, 0.9);
    cairo_stroke(cr);
    const Rgb ink = suitIsRed(suit) ? kCardRed : kCardBlack;
    cairo_new_path(cr);
    suitPath(cr, suit, shift, letter ? 12 : 0, letter ? 56 : 66);
    setRgb(cr, ink);
    cairo_fill(cr);
    if (letter) {
        TextStyle style{ink, ink, 0, 1.2, 0, 0};
        drawText(cr, "A", Font::SansBold, -kCardW / 2 + 19, -kCardH / 2 + 24, 26, 30, style, true);
    }
    cairo_restore(cr);
}

}  // namespace

bool drawIcon(int size, const std::string& path) {
    Canvas canvas(size, size);
    cairo_t* cr = canvas.cr;
    cairo_scale(cr, size / 256.0, size / 256.0);
    felt(cr);
    const bool letters = size >= 48;
    card(cr, 100, 132, -14, 2, -20, letters);  // a red heart behind
    card(cr, 152, 128, 12, 0, 0, letters);     // a black spade in front
    return canvas.save(path);
}

}  // namespace artgen
