// Card pictures: the suit symbols, the number glyphs and the whole cards
// (blank face, the two jokers, the back).
#include <cmath>
#include <string>

#include "artgen.h"

namespace artgen {

namespace {

const int kCardW = 98;
const int kCardH = 138;
const double kCornerRadius = 7.5;

const Rgb kIvoryTop{1.0, 1.0, 0.995};
const Rgb kIvoryBottom{0.965, 0.955, 0.93};
const Rgb kGold{0.86, 0.68, 0.22};
const Rgb kNavy{0.08, 0.16, 0.42};

void fillSuit(cairo_t* cr, int suit, double cx, double cy, double size) {
    cairo_new_path(cr);
    suitPath(cr, suit, cx, cy, size);
    const bool red = suitIsRed(suit);
    Rgb top = red ? Rgb{0.93, 0.16, 0.19} : Rgb{0.30, 0.30, 0.34};
    Rgb bottom = red ? Rgb{0.66, 0.02, 0.07} : Rgb{0.02, 0.02, 0.04};
    verticalGradient(cr, cy - size / 2, cy + size / 2, top, bottom);
    cairo_fill(cr);
}

// The white card body with its rounded corners and a thin edge, inside the
// frame rectangle at (x, y) so that nothing leaks into a neighbouring frame.
void cardBody(cairo_t* cr, double x, double y) {
    cairo_new_path(cr);
    roundedRect(cr, x + 0.5, y + 0.5, kCardW - 1, kCardH - 1, kCornerRadius);
    verticalGradient(cr, y, y + kCardH, kIvoryTop, kIvoryBottom);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgba(cr, 0.33, 0.33, 0.38, 0.95);
    cairo_stroke(cr);
    // A faint inner light line gives the edge some thickness.
    roundedRect(cr, x + 1.5, y + 1.5, kCardW - 3, kCardH - 3, kCornerRadius - 1);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_stroke(cr);
}

void drawFace(cairo_t* cr, double x, double y) {
    cardBody(cr, x, y);
    // The blank face carries a quiet emblem to the right of the corner
    // index: the four suits in a soft tint inside a fine ring.
    const double cx = x + 58, cy = y + 69;
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, 23, 0, 2 * M_PI);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgba(cr, 0.60, 0.50, 0.25, 0.30);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, 26, 0, 2 * M_PI);
    cairo_set_line_width(cr, 0.6);
    cairo_set_source_rgba(cr, 0.60, 0.50, 0.25, 0.22);
    cairo_stroke(cr);
    const int order[4] = {0, 2, 1, 3};
    const double dx[4] = {0, 11.5, 0, -11.5}, dy[4] = {-11, 0, 11, 0};
    for (int k = 0; k < 4; ++k) {
        cairo_new_path(cr);
        suitPath(cr, order[k], cx + dx[k], cy + dy[k], 11);
        if (suitIsRed(order[k]))
            setRgb(cr, kCardRed, 0.20);
        else
            setRgb(cr, kCardBlack, 0.16);
        cairo_fill(cr);
    }
}

void jokerLetters(cairo_t* cr, double x, double y, Rgb colour) {
    const char* letters[5] = {"J", "O", "K", "E", "R"};
    TextStyle style{colour, colour, 0, 0.8, 0, 0};
    for (int k = 0; k < 5; ++k)
        drawText(cr, letters[k], Font::SansBold, x + 11, y + 13 + 14.5 * k, 10.5, 12, style, true);
}

// A jester's cap with bells over a small mask: the joker's picture.
void jesterFigure(cairo_t* cr, double px, double py, double scale, bool red) {
    cairo_save(cr);
    cairo_translate(cr, px, py);
    cairo_scale(cr, scale, scale);
    const double cx = 0, cy = 0;
    const Rgb main = red ? Rgb{0.84, 0.08, 0.13} : Rgb{0.12, 0.12, 0.14};
    const Rgb second = red ? Rgb{0.98, 0.74, 0.12} : Rgb{0.55, 0.56, 0.60};
    const Rgb third = red ? Rgb{0.14, 0.30, 0.70} : Rgb{0.30, 0.30, 0.34};
    const Rgb bell = red ? Rgb{0.98, 0.80, 0.25} : Rgb{0.82, 0.82, 0.86};

    // Sun burst behind the figure.
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    for (int k = 0; k < 16; ++k) {
        cairo_new_path(cr);
        cairo_move_to(cr, 0, 0);
        const double a0 = k * M_PI / 8, a1 = a0 + M_PI / 16;
        cairo_line_to(cr, 40 * std::cos(a0), 40 * std::sin(a0));
        cairo_line_to(cr, 40 * std::cos(a1), 40 * std::sin(a1));
        cairo_close_path(cr);
        if (red)
            cairo_set_source_rgba(cr, 0.98, 0.78, 0.20, 0.30);
        else
            cairo_set_source_rgba(cr, 0.2, 0.2, 0.25, 0.13);
        cairo_fill(cr);
    }
    cairo_restore(cr);

    cairo_set_line_width(cr, 1.0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    auto outline = [&]() {
        cairo_set_source_rgba(cr, 0.05, 0.05, 0.07, 0.9);
        cairo_stroke(cr);
    };
    // Three horns of the cap, each a curved cone ending in a bell.
    struct Horn {
        double bx0, bx1, tx, ty;
        Rgb colour;
    } horns[3] = {{-19, -5, -31, -22, second}, {5, 19, 31, -22, second}, {-8, 8, 0, -36, main}};
    const double baseY = cy - 4;
    for (const Horn& h : horns) {
        cairo_new_path(cr);
        cairo_move_to(cr, cx + h.bx0, baseY);
        cairo_curve_to(cr, cx + h.bx0, baseY - 14, cx + h.tx * 0.6, cy + h.ty * 0.7, cx + h.tx, cy + h.ty);
        cairo_curve_to(cr, cx + h.tx * 0.3, cy + h.ty * 0.6, cx + h.bx1, baseY - 10, cx + h.bx1, baseY);
        cairo_close_path(cr);
        setRgb(cr, h.colour);
        cairo_fill_preserve(cr);
        outline();
    }
    for (const Horn& h : horns) {
        cairo_new_path(cr);
        cairo_arc(cr, cx + h.tx, cy + h.ty, 3.6, 0, 2 * M_PI);
        setRgb(cr, bell);
        cairo_fill_preserve(cr);
        outline();
    }
    // Face.
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy + 9, 12.5, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 1.0, 0.93, 0.84);
    cairo_fill_preserve(cr);
    outline();
    // Band of the cap.
    cairo_new_path(cr);
    roundedRect(cr, cx - 20, baseY - 2, 40, 7, 3);
    setRgb(cr, third);
    cairo_fill_preserve(cr);
    outline();
    // Eyes and a grin.
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.12);
    for (double ex : {-4.5, 4.5}) {
        cairo_new_path(cr);
        cairo_arc(cr, cx + ex, cy + 8, 1.5, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy + 11, 6, 0.15 * M_PI, 0.85 * M_PI);
    cairo_set_line_width(cr, 1.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setRgb(cr, main);
    cairo_stroke(cr);
    // Zigzag collar.
    cairo_new_path(cr);
    const double collarY = cy + 20;
    cairo_move_to(cr, cx - 20, collarY);
    for (int k = 0; k <= 8; ++k) {
        const double px = cx - 20 + 5 * k;
        cairo_line_to(cr, px, collarY + ((k % 2) ? 9 : 2));
    }
    cairo_line_to(cr, cx + 20, collarY);
    cairo_close_path(cr);
    setRgb(cr, second);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.0);
    outline();
    for (int k = 1; k <= 7; k += 2) {
        cairo_new_path(cr);
        cairo_arc(cr, cx - 20 + 5 * k, collarY + 10, 1.8, 0, 2 * M_PI);
        setRgb(cr, bell);
        cairo_fill_preserve(cr);
        outline();
    }
    cairo_restore(cr);
}

void drawJoker(cairo_t* cr, double x, double y, bool red) {
    cardBody(cr, x, y);
    jesterFigure(cr, x + 56, y + 73, 1.1, red);
    // The letters go over the figure's rays so that they stay crisp.
    const Rgb colour = red ? kCardRed : kCardBlack;
    jokerLetters(cr, x, y, colour);
    cairo_save(cr);
    cairo_translate(cr, x + kCardW, y + kCardH);
    cairo_rotate(cr, M_PI);
    jokerLetters(cr, 0, 0, colour);
    cairo_restore(cr);
}

void drawBack(cairo_t* cr, double x, double y) {
    cardBody(cr, x, y);
    const double ix = x + 5, iy = y + 5, iw = kCardW - 10, ih = kCardH - 10;
    cairo_save(cr);
    cairo_new_path(cr);
    roundedRect(cr, ix, iy, iw, ih, 5);
    cairo_clip_preserve(cr);
    verticalGradient(cr, iy, iy + ih, Rgb{0.13, 0.27, 0.62}, Rgb{0.05, 0.11, 0.34});
    cairo_fill(cr);
    // Lattice of fine diagonal lines.
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 0.55, 0.70, 1.0, 0.35);
    for (double d = -ih; d < iw + ih; d += 7) {
        cairo_move_to(cr, ix + d, iy);
        cairo_line_to(cr, ix + d + ih, iy + ih);
        cairo_move_to(cr, ix + d, iy + ih);
        cairo_line_to(cr, ix + d + ih, iy);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    // Gold frame and medallion.
    cairo_new_path(cr);
    roundedRect(cr, ix + 3.5, iy + 3.5, iw - 7, ih - 7, 4);
    setRgb(cr, kGold);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // Small gold diamonds in the corners of the frame.
    const double px[2] = {ix + 10, ix + iw - 10}, py[2] = {iy + 10, iy + ih - 10};
    for (double cxp : px)
        for (double cyp : py) {
            cairo_new_path(cr);
            suitPath(cr, 3, cxp, cyp, 8);
            setRgb(cr, kGold);
            cairo_fill(cr);
        }
    const double cx = x + kCardW / 2.0, cy = y + kCardH / 2.0;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 1.0, 1.35);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 26, 0, 2 * M_PI);
    cairo_restore(cr);
    setRgb(cr, kGold, 0.55);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 1.0, 1.35);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, 22, 0, 2 * M_PI);
    cairo_restore(cr);
    setRgb(cr, kNavy);
    cairo_fill_preserve(cr);
    setRgb(cr, kGold);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    const int order[4] = {0, 2, 1, 3};
    const double dx[4] = {0, 10, 0, -10}, dy[4] = {-13, 0, 13, 0};
    for (int k = 0; k < 4; ++k) {
        cairo_new_path(cr);
        suitPath(cr, order[k], cx + dx[k], cy + dy[k], 12);
        setRgb(cr, kGold);
        cairo_fill(cr);
    }
}

}  // namespace

void drawCardImages(const std::string& dir) {
    {
        // Four suit symbols 44 apart, in the order suit 2, 0, 3, 1.
        Canvas c(176, 42);
        const int order[4] = {2, 0, 3, 1};
        for (int k = 0; k < 4; ++k)
            fillSuit(c.cr, order[k], 44 * k + 22, 21, 35);
        c.save(dir + "/poker_flower.png");
    }
    {
        // Thirteen number glyphs, ace to king, black on the top row, red below.
        Canvas c(507, 78);
        const char* ranks[13] = {"A", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K"};
        for (int row = 0; row < 2; ++row) {
            const Rgb colour = row == 0 ? kCardBlack : kCardRed;
            TextStyle style{colour, colour, 0, 1.6, 0, 0};
            for (int i = 0; i < 13; ++i) {
                const double cx = 39 * i + 19.5, cy = 39 * row + 18.0;
                if (i == 11)  // the queen's tail hangs below the line: fit the whole glyph instead
                    drawText(c.cr, ranks[i], Font::SansBold, cx, cy + 1.2, 33.5, 30, style, false);
                else
                    drawText(c.cr, ranks[i], Font::SansBold, cx, cy, 29, 30, style, true);
            }
        }
        c.save(dir + "/poker_num.png");
    }
    {
        // Blank face at 0, red joker at 99, black joker at 197, back at 295.
        Canvas c(393, 138);
        drawFace(c.cr, 0, 0);
        drawJoker(c.cr, 99, 0, true);
        drawJoker(c.cr, 197, 0, false);
        drawBack(c.cr, 295, 0);
        c.save(dir + "/poker_surface.png");
    }
}

}  // namespace artgen
