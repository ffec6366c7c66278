// Images: textures, sprite frames, their cache and sprites.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/CCNode.h"

struct SDL_Texture;

namespace cocos2d {

// One image file, loaded once and shared. Pixel size is known as soon as the
// file is read; the GPU/renderer texture is made on first draw. A view that
// shows pictures enlarged draws the same name from the assets' "hd" folder
// when it is there: the picture at an integer multiple of the size (frame
// rectangles stay in the size of the file named here).
class Texture2D : public Ref {
public:
    const std::string& getPath() const { return _path; }
    int getPixelsWide() const { return _width; }
    int getPixelsHigh() const { return _height; }
    bool isValid() const { return _valid; }
    Size getContentSize() const { return Size(float(_width), float(_height)); }

    // Engine internal: the texture to draw in this context, and how many of
    // its pixels make one pixel of the named file (valid after sdlTexture).
    SDL_Texture* sdlTexture(detail::RenderContext& ctx);
    int textureScale() const { return _textureScale; }
    ~Texture2D() override;

private:
    friend class TextureCache;
    Texture2D() = default;
    // The larger picture's file, checked once; empty when there is none.
    const std::string& hdPath();
    void dropTexture();

    std::string _path;
    std::string _hdPath;  // candidate in the "hd" folder (empty: none)
    bool _hdChecked = false;
    int _width = 0;
    int _height = 0;
    bool _valid = false;
    void* _surface = nullptr;  // SDL_Surface of the named file until its texture exists
    SDL_Texture* _texture = nullptr;
    unsigned int _generation = 0;  // renderer that made _texture
    int _textureScale = 1;         // 1: _texture is the named file; more: the hd picture
};

// Textures by resolved file name. A file that cannot be read is reported
// once on standard error and gives an invalid texture that draws nothing.
class TextureCache {
public:
    static TextureCache* getInstance();
    Texture2D* addImage(const std::string& file);
    void removeAllTextures();
    std::size_t getTextureCount() const { return _textures.size(); }

private:
    std::map<std::string, Texture2D*> _textures;
};

// A rectangle of an image file, in image pixels with the origin at the
// image's top-left corner.
class SpriteFrame : public Ref {
public:
    static SpriteFrame* create(const std::string& filename, const Rect& rectInPixels);
    bool initWithTextureFilename(const std::string& filename, const Rect& rectInPixels);

    const std::string& getTextureFileName() const { return _textureFileName; }
    const Rect& getRect() const { return _rect; }
    const Rect& getRectInPixels() const { return _rect; }
    const Size& getOriginalSize() const { return _rect.size; }
    Texture2D* getTexture();

    ~SpriteFrame() override;

protected:
    SpriteFrame() = default;
    std::string _textureFileName;
    Rect _rect;
    Texture2D* _texture = nullptr;
};

// Sprite frames by name; it keeps every frame it holds alive.
class SpriteFrameCache {
public:
    static SpriteFrameCache* getInstance();

    void addSpriteFrame(SpriteFrame* frame, const std::string& frameName);
    // nullptr when no frame has that name.
    SpriteFrame* getSpriteFrameByName(const std::string& name) const;
    bool isSpriteFramesWithFileLoaded(const std::string& name) const { return getSpriteFrameByName(name); }
    void removeSpriteFrameByName(const std::string& name);
    void removeSpriteFrames();
    std::size_t getSpriteFrameCount() const { return _frames.size(); }
    std::vector<std::string> getSpriteFrameNames() const;

private:
    std::map<std::string, SpriteFrame*> _frames;
};

// Draws one sprite frame (or a whole image) centred on its position, tinted
// by its colour.
class Sprite : public Node {
public:
    static Sprite* create();
    static Sprite* create(const std::string& filename);
    static Sprite* create(const std::string& filename, const Rect& rect);
    static Sprite* createWithSpriteFrame(SpriteFrame* frame);
    static Sprite* createWithSpriteFrameName(const std::string& frameName);

    bool init() override;
    virtual bool initWithFile(const std::string& filename);
    virtual bool initWithFile(const std::string& filename, const Rect& rect);
    virtual bool initWithSpriteFrame(SpriteFrame* frame);
    virtual bool initWithSpriteFrameName(const std::string& frameName);

    void setSpriteFrame(SpriteFrame* frame);
    void setSpriteFrame(const std::string& frameName);
    SpriteFrame* getSpriteFrame() const { return _frame; }
    Texture2D* getTexture() const;
    const Rect& getTextureRect() const;

    void draw(detail::RenderContext& ctx, const detail::Transform& transform) override;
    ~Sprite() override;

protected:
    Sprite() = default;
    SpriteFrame* _frame = nullptr;
};

}  // namespace cocos2d
