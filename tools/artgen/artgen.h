// Shared drawing helpers of the art generator: surfaces, fonts, shapes and text.
#pragma once

#include <cairo.h>

#include <string>

namespace artgen {

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t);
Rgb shade(Rgb c, double factor);  // factor < 1 darkens, > 1 lightens towards white
void setRgb(cairo_t* cr, Rgb c, double alpha = 1.0);

// Pixels per unit of the pictures drawn from now on: 1 for the design's own
// size, 2 for the set at twice the resolution. The drawing code works in
// design units either way.
void setDrawingScale(int scale);
int drawingScale();

// An ARGB surface cleared to transparent, with its drawing context; width
// and height are in design units, the surface has drawingScale() times as
// many pixels each way.
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    bool save(const std::string& path) const;  // a failure is also remembered for writeFailed()

    int width, height;
    cairo_surface_t* surface;
    cairo_t* cr;
};

// True when any Canvas::save of this run failed.
bool writeFailed();

enum class Font { Sans, SansBold, Cjk };

// Loads the font files; a file that cannot be loaded falls back to a system face.
void loadFonts(const std::string& sans, const std::string& sansBold, const std::string& cjk);
void setFont(cairo_t* cr, Font font, double size);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void verticalGradient(cairo_t* cr, double y0, double y1, Rgb top, Rgb bottom, double alpha = 1.0);

// Appends the outline of a text whose ink box is centred on (cx, cy). The text
// is scaled to the given ink height (cap height when capHeight is true, so that
// glyphs of one set share a baseline) and condensed when wider than maxWidth.
void textPath(cairo_t* cr, const std::string& text, Font font, double cx, double cy, double inkHeight,
              double maxWidth, bool capHeight = false);

// Fills a text with an outline behind it and an optional soft drop shadow.
struct TextStyle {
    Rgb fill;
    Rgb outline;
    double outlineWidth;  // 0: none
    double embolden;      // extra stroke in the fill colour, for fonts without a bold face
    double shadowAlpha;   // 0: no shadow
    double shadowOffset;
};
void drawText(cairo_t* cr, const std::string& text, Font font, double cx, double cy, double inkHeight,
              double maxWidth, const TextStyle& style, bool capHeight = false);

// Suit symbol of a card suit (0, 1 black; 2, 3 red) centred on (cx, cy), size = full height.
void suitPath(cairo_t* cr, int suit, double cx, double cy, double size);
bool suitIsRed(int suit);

extern const Rgb kCardRed;
extern const Rgb kCardBlack;

// The image sets; each writes its files into dir.
void drawCardImages(const std::string& dir);
void drawInterfaceImages(const std::string& dir);
void drawTableImages(const std::string& dir);

// The program's icon, size x size pixels, written to path.
bool drawIcon(int size, const std::string& path);

// Contact sheets and a desk mock-up composed from the images in assetsDir.
bool drawSheets(const std::string& assetsDir, const std::string& outDir);
// Checks sizes and frame contents of the images in dir, drawn at the given
// scale (for a scale above 1 each image is also compared with its
// counterpart in baseDir); prints each fault.
int checkImages(const std::string& dir, int scale = 1, const std::string& baseDir = std::string());

}  // namespace artgen
