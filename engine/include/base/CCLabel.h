// Text: TrueType labels and character-map labels.
#pragma once

#include <memory>
#include <string>

#include "base/CCNode.h"

namespace cocos2d {

class Texture2D;

namespace detail {
struct LabelImage;
}

// A line (or lines) of UTF-8 text in a TrueType font. Characters the font
// lacks are taken from the CJK fallback font. The text is drawn white and
// tinted by the node's colour.
class Label : public Node {
public:
    static Label* create();
    static Label* createWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                                const Size& dimensions = Size::ZERO,
                                TextHAlignment hAlignment = TextHAlignment::LEFT,
                                TextVAlignment vAlignment = TextVAlignment::TOP);
    static Label* createWithSystemFont(const std::string& text, const std::string& font, float fontSize,
                                       const Size& dimensions = Size::ZERO,
                                       TextHAlignment hAlignment = TextHAlignment::LEFT,
                                       TextVAlignment vAlignment = TextVAlignment::TOP);

    bool initWithTTF(const std::string& text, const std::string& fontFilePath, float fontSize,
                     const Size& dimensions, TextHAlignment hAlignment, TextVAlignment vAlignment);

    virtual void setString(const std::string& text);
    const std::string& getString() const { return _text; }
    float getFontSize() const { return _fontSize; }
    const std::string& getFontFile() const { return _fontFile; }
    void setTextColor(const Color4B& color);
    // Width 0 means one line per '\n'; otherwise lines wrap at that width.
    void setDimensions(float width, float height);
    const Size& getDimensions() const { return _dimensions; }
    void setAlignment(TextHAlignment hAlignment);
    void setAlignment(TextHAlignment hAlignment, TextVAlignment vAlignment);
    TextHAlignment getHorizontalAlignment() const { return _hAlignment; }
    TextVAlignment getVerticalAlignment() const { return _vAlignment; }

    void draw(detail::RenderContext& ctx, const detail::Transform& transform) override;
    ~Label() override;

protected:
    Label();
    // Renders the text for the live view and takes the size of it.
    void updateContent();
    // Renders the text at `scale` pixels per point; returns its size in points.
    Size renderImage(float scale);

    std::string _text;
    std::string _fontFile;
    float _fontSize = 12.0f;
    Size _dimensions;
    TextHAlignment _hAlignment = TextHAlignment::LEFT;
    TextVAlignment _vAlignment = TextVAlignment::TOP;
    std::unique_ptr<detail::LabelImage> _image;
};

// Text drawn from a strip of equal-sized glyph cells cut from one image:
// the character startCharMap is the top-left cell, the next characters
// follow left to right, then row by row. Characters outside the map draw
// nothing and take no room.
class LabelAtlas : public Node {
public:
    static LabelAtlas* create();
    static LabelAtlas* create(const std::string& text, const std::string& charMapFile, int itemWidth,
                              int itemHeight, int startCharMap);
    bool initWithString(const std::string& text, const std::string& charMapFile, int itemWidth,
                        int itemHeight, int startCharMap);

    virtual void setString(const std::string& text);
    const std::string& getString() const { return _text; }

    void draw(detail::RenderContext& ctx, const detail::Transform& transform) override;
    ~LabelAtlas() override;

protected:
    LabelAtlas() = default;
    // Cell index of a byte, or -1 when it is outside the map.
    int cellOf(unsigned char c) const;
    void updateContent();

    std::string _text;
    Texture2D* _texture = nullptr;
    int _itemWidth = 0;
    int _itemHeight = 0;
    int _startChar = 0;
};

}  // namespace cocos2d
