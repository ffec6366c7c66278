// TrueType labels with a CJK fallback font, and character-map labels.
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "Internal.h"

namespace cocos2d {

namespace detail {

namespace {
std::map<std::string, TTF_Font*> g_fonts;  // "path@size" -> font (null: unreadable)

bool ensureTtf() {
    if (TTF_WasInit())
        return true;
    if (TTF_Init() != 0) {
        reportOnce(std::string("engine: cannot start SDL_ttf: ") + TTF_GetError());
        return false;
    }
    return true;
}

TTF_Font* openFont(const std::string& path, int size) {
    if (!ensureTtf() || size <= 0)
        return nullptr;
    std::string key = path + "@" + std::to_string(size);
    auto it = g_fonts.find(key);
    if (it != g_fonts.end())
        return it->second;
    TTF_Font* font = TTF_OpenFont(path.c_str(), size);
    if (!font)
        reportFileProblem("font", path, TTF_GetError());
    g_fonts[key] = font;
    return font;
}

// Decodes UTF-8; a byte that does not start a valid sequence becomes U+FFFD.
std::vector<uint32_t> decodeUtf8(const std::string& s) {
    std::vector<uint32_t> out;
    std::size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = 0xFFFD;
        int len = 1;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c <= 0xF4) {
            int need = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
            uint32_t v = c & (0x3F >> need);
            bool ok = i + need < n;
            for (int k = 1; ok && k <= need; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80)
                    ok = false;
                else
                    v = (v << 6) | (cc & 0x3F);
            }
            if (ok && ((need == 2 && v < 0x800) || (need == 3 && (v < 0x10000 || v > 0x10FFFF)) ||
                       (v >= 0xD800 && v <= 0xDFFF)))
                ok = false;
            if (ok) {
                cp = v;
                len = need + 1;
            }
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

struct Run {
    TTF_Font* font;
    std::string text;
};

// Splits one line into runs of one font each: the label's font where it has
// the glyph, the CJK font otherwise.
std::vector<Run> splitRuns(const std::vector<uint32_t>& cps, TTF_Font* primary, TTF_Font* fallback) {
    std::vector<Run> runs;
    for (uint32_t cp : cps) {
        TTF_Font* f = primary;
        if (cp > 0xFFFF || !TTF_GlyphIsProvided(primary, Uint16(cp))) {
            if (fallback && cp <= 0xFFFF && TTF_GlyphIsProvided(fallback, Uint16(cp)))
                f = fallback;
        }
        if (runs.empty() || runs.back().font != f)
            runs.push_back(Run{f, std::string()});
        appendUtf8(runs.back().text, cp);
    }
    return runs;
}

int advanceOf(uint32_t cp, TTF_Font* primary, TTF_Font* fallback) {
    TTF_Font* f = primary;
    if (cp > 0xFFFF || !TTF_GlyphIsProvided(primary, Uint16(cp)))
        if (fallback && cp <= 0xFFFF && TTF_GlyphIsProvided(fallback, Uint16(cp)))
            f = fallback;
    int minx, maxx, miny, maxy, adv = 0;
    if (cp <= 0xFFFF && TTF_GlyphMetrics(f, Uint16(cp), &minx, &maxx, &miny, &maxy, &adv) == 0)
        return adv;
    return 0;
}

// Breaks a line to fit width: at the last space when there is one,
// otherwise between characters (Chinese has no spaces).
std::vector<std::vector<uint32_t>> wrapLine(const std::vector<uint32_t>& line, float width, TTF_Font* primary,
                                            TTF_Font* fallback) {
    std::vector<std::vector<uint32_t>> out;
    std::vector<uint32_t> cur;
    int curWidth = 0;
    int lastSpace = -1;
    for (uint32_t cp : line) {
        int adv = advanceOf(cp, primary, fallback);
        if (!cur.empty() && curWidth + adv > width) {
            if (cp == ' ') {
                out.push_back(cur);
                cur.clear();
                curWidth = 0;
                lastSpace = -1;
                continue;
            }
            if (lastSpace > 0) {
                out.emplace_back(cur.begin(), cur.begin() + lastSpace);
                cur.erase(cur.begin(), cur.begin() + lastSpace + 1);
                curWidth = 0;
                for (uint32_t c : cur)
                    curWidth += advanceOf(c, primary, fallback);
            } else {
                out.push_back(cur);
                cur.clear();
                curWidth = 0;
            }
            lastSpace = -1;
        }
        if (cp == ' ')
            lastSpace = int(cur.size());
        cur.push_back(cp);
        curWidth += adv;
    }
    out.push_back(cur);
    return out;
}

}  // namespace

void closeAllFonts() {
    for (auto& kv : g_fonts)
        if (kv.second)
            TTF_CloseFont(kv.second);
    g_fonts.clear();
}

std::string cjkFontPath() {
    std::string assets = FileUtils::getInstance()->fullPathForFilename("fonts/wqy-microhei.ttc");
    SDL_RWops* f = SDL_RWFromFile(assets.c_str(), "rb");
    if (f) {
        SDL_RWclose(f);
        return assets;
    }
    return "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
}

// The rendered text of a label: a white picture with alpha, tinted at draw,
// rendered at `scale` pixels per point.
struct LabelImage {
    SDL_Surface* surface = nullptr;
    SDL_Texture* texture = nullptr;
    unsigned int generation = 0;
    float scale = 1.0f;

    ~LabelImage() { reset(); }
    void reset() {
        if (texture && generation == liveRendererGeneration())
            SDL_DestroyTexture(texture);
        texture = nullptr;
        if (surface)
            SDL_FreeSurface(surface);
        surface = nullptr;
    }
    SDL_Texture* get(RenderContext& ctx) {
        if (!surface || !ctx.renderer)
            return nullptr;
        if (!texture || generation != ctx.generation) {
            texture = SDL_CreateTextureFromSurface(ctx.renderer, surface);
            if (texture) {
                SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
                SDL_SetTextureScaleMode(texture, SDL_ScaleModeLinear);
            }
            generation = ctx.generation;
        }
        return texture;
    }
};

// Lays out and renders text at `scale` pixels per point (font size and
// dimensions in points); nullptr surface when there is nothing to draw.
// outSize is the size of the laid-out text in points.
SDL_Surface* renderText(const std::string& text, const std::string& fontPath, float fontSize, Size dimensions,
                        TextHAlignment hAlign, TextVAlignment vAlign, float scale, Size& outSize) {
    outSize = Size::ZERO;
    dimensions = Size(dimensions.width * scale, dimensions.height * scale);
    int size = int(std::lround(fontSize * scale));
    TTF_Font* primary = openFont(fontPath, size);
    if (!primary)
        return nullptr;
    std::string cjk = cjkFontPath();
    TTF_Font* fallback = cjk == fontPath ? nullptr : openFont(cjk, size);

    std::vector<uint32_t> cps = decodeUtf8(text);
    std::vector<std::vector<uint32_t>> lines;
    std::vector<uint32_t> cur;
    for (uint32_t cp : cps) {
        if (cp == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else if (cp != '\r') {
            cur.push_back(cp);
        }
    }
    lines.push_back(cur);
    if (dimensions.width > 0) {
        std::vector<std::vector<uint32_t>> wrapped;
        for (auto& l : lines)
            for (auto& w : wrapLine(l, dimensions.width, primary, fallback))
                wrapped.push_back(w);
        lines.swap(wrapped);
    }

    int ascent = TTF_FontAscent(primary);
    int lineHeight = TTF_FontLineSkip(primary);
    if (fallback) {
        ascent = std::max(ascent, TTF_FontAscent(fallback));
        lineHeight = std::max(lineHeight, TTF_FontLineSkip(fallback));
    }

    struct RenderedLine {
        std::vector<std::pair<SDL_Surface*, int>> pieces;  // surface, baseline shift
        int width = 0;
    };
    std::vector<RenderedLine> rendered;
    int maxWidth = 0;
    const SDL_Color white{255, 255, 255, 255};
    for (auto& l : lines) {
        RenderedLine rl;
        for (auto& run : splitRuns(l, primary, fallback)) {
            if (run.text.empty())
                continue;
            SDL_Surface* s = TTF_RenderUTF8_Blended(run.font, run.text.c_str(), white);
            if (!s)
                continue;
            rl.pieces.emplace_back(s, ascent - TTF_FontAscent(run.font));
            rl.width += s->w;
        }
        maxWidth = std::max(maxWidth, rl.width);
        rendered.push_back(std::move(rl));
    }
    bool empty = text.empty();
    int boxW = dimensions.width > 0 ? int(std::ceil(dimensions.width)) : maxWidth;
    int textH = lineHeight * int(rendered.size());
    int boxH = dimensions.height > 0 ? int(std::ceil(dimensions.height)) : textH;
    SDL_Surface* out = nullptr;
    if (!empty && boxW > 0 && boxH > 0) {
        out = SDL_CreateRGBSurfaceWithFormat(0, boxW, boxH, 32, SDL_PIXELFORMAT_ARGB8888);
        if (out) {
            SDL_FillRect(out, nullptr, SDL_MapRGBA(out->format, 255, 255, 255, 0));
            int top = 0;
            if (vAlign == TextVAlignment::CENTER)
                top = (boxH - textH) / 2;
            else if (vAlign == TextVAlignment::BOTTOM)
                top = boxH - textH;
            for (std::size_t i = 0; i < rendered.size(); ++i) {
                int x = 0;
                if (hAlign == TextHAlignment::CENTER)
                    x = (boxW - rendered[i].width) / 2;
                else if (hAlign == TextHAlignment::RIGHT)
                    x = boxW - rendered[i].width;
                for (auto& p : rendered[i].pieces) {
                    SDL_SetSurfaceBlendMode(p.first, SDL_BLENDMODE_BLEND);
                    SDL_Rect dst{x, top + int(i) * lineHeight + p.second, p.first->w, p.first->h};
                    SDL_BlitSurface(p.first, nullptr, out, &dst);
                    x += p.first->w;
                }
            }
        }
    }
    for (auto& rl : rendered)
        for (auto& p : rl.pieces)
            SDL_FreeSurface(p.first);
    outSize = empty ? Size(float(dimensions.width > 0 ? boxW : 0), float(dimensions.height > 0 ? boxH : 0))
                    : Size(float(boxW), float(boxH));
    outSize = Size(outSize.width / scale, outSize.height / scale);
    return out;
}

}  // namespace detail

// ---- Label ----

Label::Label() : _image(new detail::LabelImage()) {}
Label::~Label() = default;

Label* Label::create() {
    auto* l = new (std::nothrow) Label();
    if (l && l->init()) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

Label* Label::createWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                            const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment) {
    auto* l = new (std::nothrow) Label();
    if (l && l->initWithTTF(text, fontFilePath, fontSize, dimensions, hAlignment, vAlignment)) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

Label* Label::createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                   const Size& dimensions, TextHAlignment hAlignment,
                                   TextVAlignment vAlignment) {
    // System fonts are not looked up: the CJK font covers Latin too.
    (void)font;
    auto* l = new (std::nothrow) Label();
    if (l && l->initWithTTF(text, detail::cjkFontPath(), fontSize, dimensions, hAlignment, vAlignment)) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

bool Label::initWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                        const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment) {
    if (!Node::init())
        return false;
    _text = text;
    _fontFile = fontFilePath;
    _fontSize = fontSize;
    _dimensions = dimensions;
    _hAlignment = hAlignment;
    _vAlignment = vAlignment;
    updateContent();
    // A missing font still gives a label: it is reported and draws nothing.
    return true;
}

void Label::updateContent() {
    setContentSize(renderImage(detail::livePixelScale()));
    detail::markSceneDirty();
}

Size Label::renderImage(float scale) {
    _image->reset();
    _image->scale = scale;
    Size size;
    if (!_fontFile.empty()) {
        std::string path = FileUtils::getInstance()->fullPathForFilename(_fontFile);
        _image->surface =
            detail::renderText(_text, path, _fontSize, _dimensions, _hAlignment, _vAlignment, scale, size);
    }
    return size;
}

void Label::setString(const std::string& text) {
    if (text == _text)
        return;
    _text = text;
    updateContent();
}

void Label::setTextColor(const Color4B& color) {
    setColor(Color3B(color.r, color.g, color.b));
    setOpacity(color.a);
}

void Label::setDimensions(float width, float height) {
    Size d(width, height);
    if (d == _dimensions)
        return;
    _dimensions = d;
    updateContent();
}

void Label::setAlignment(TextHAlignment hAlignment) {
    setAlignment(hAlignment, _vAlignment);
}

void Label::setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment) {
    if (hAlignment == _hAlignment && vAlignment == _vAlignment)
        return;
    _hAlignment = hAlignment;
    _vAlignment = vAlignment;
    updateContent();
}

void Label::draw(detail::RenderContext& ctx, const detail::Transform& t) {
    // Text is rasterised for the pixels it lands on: a label made for another view is rendered again
    // (its size in points stays).
    if (_image->scale != ctx.pixelScale())
        renderImage(ctx.pixelScale());
    SDL_Texture* tex = _image->get(ctx);
    if (!tex)
        return;
    SDL_Rect src{0, 0, _image->surface->w, _image->surface->h};
    // One pixel of the picture per pixel of the frame, centred on the content box.
    float w = float(src.w) / _image->scale, h = float(src.h) / _image->scale;
    float x = (_contentSize.width - w) / 2.0f, y = (_contentSize.height - h) / 2.0f;
    ctx.drawTexture(tex, src, t, x, y, w, h, _color, _opacity);
}

// ---- LabelAtlas ----

LabelAtlas* LabelAtlas::create() {
    auto* l = new (std::nothrow) LabelAtlas();
    if (l && l->init()) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

LabelAtlas* LabelAtlas::create(const std::string& text, const std::string& charMapFile, int itemWidth,
                               int itemHeight, int startCharMap) {
    auto* l = new (std::nothrow) LabelAtlas();
    if (l && l->initWithString(text, charMapFile, itemWidth, itemHeight, startCharMap)) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

bool LabelAtlas::initWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                                int itemHeight, int startCharMap) {
    if (!Node::init())
        return false;
    if (_texture)
        _texture->release();
    _texture = TextureCache::getInstance()->addImage(charMapFile);
    _texture->retain();
    _itemWidth = std::max(0, itemWidth);
    _itemHeight = std::max(0, itemHeight);
    _startChar = startCharMap;
    _text = text;
    updateContent();
    return true;
}

LabelAtlas::~LabelAtlas() {
    if (_texture)
        _texture->release();
}

int LabelAtlas::cellOf(unsigned char c) const {
    if (!_texture || !_texture->isValid() || _itemWidth <= 0 || _itemHeight <= 0)
        return -1;
    int cols = _texture->getPixelsWide() / _itemWidth;
    int rows = _texture->getPixelsHigh() / _itemHeight;
    int index = int(c) - _startChar;
    if (index < 0 || index >= cols * rows)
        return -1;
    return index;
}

void LabelAtlas::updateContent() {
    int count = 0;
    for (unsigned char c : _text)
        if (cellOf(c) >= 0)
            ++count;
    setContentSize(Size(float(count * _itemWidth), count ? float(_itemHeight) : 0.0f));
    detail::markSceneDirty();
}

void LabelAtlas::setString(const std::string& text) {
    if (text == _text)
        return;
    _text = text;
    updateContent();
}

void LabelAtlas::draw(detail::RenderContext& ctx, const detail::Transform& t) {
    if (!_texture || !_texture->isValid())
        return;
    SDL_Texture* sdl = nullptr;
    int cols = _itemWidth > 0 ? _texture->getPixelsWide() / _itemWidth : 0;
    int x = 0;
    for (unsigned char c : _text) {
        int cell = cellOf(c);
        if (cell < 0)
            continue;
        if (!sdl && !(sdl = _texture->sdlTexture(ctx)))
            return;
        const int k = _texture->textureScale();
        SDL_Rect src{(cell % cols) * _itemWidth * k, (cell / cols) * _itemHeight * k, _itemWidth * k,
                     _itemHeight * k};
        ctx.drawTexture(sdl, src, t, float(x), 0, float(_itemWidth), float(_itemHeight), _color, _opacity);
        x += _itemWidth;
    }
}

}  // namespace cocos2d
