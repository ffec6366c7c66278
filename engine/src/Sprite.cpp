// Textures, sprite frames and sprites.
#include <SDL_image.h>

#include <algorithm>

#include "Internal.h"

namespace cocos2d {

// ---- textures ----

Texture2D::~Texture2D() {
    dropTexture();
    if (_surface)
        SDL_FreeSurface(static_cast<SDL_Surface*>(_surface));
}

void Texture2D::dropTexture() {
    if (_texture && _generation == detail::liveRendererGeneration())
        SDL_DestroyTexture(_texture);
    _texture = nullptr;
}

const std::string& Texture2D::hdPath() {
    if (!_hdChecked) {
        _hdChecked = true;
        SDL_RWops* f = _hdPath.empty() ? nullptr : SDL_RWFromFile(_hdPath.c_str(), "rb");
        if (f)
            SDL_RWclose(f);
        else
            _hdPath.clear();
    }
    return _hdPath;
}

SDL_Texture* Texture2D::sdlTexture(detail::RenderContext& ctx) {
    if (!_valid || !ctx.renderer)
        return nullptr;
    const bool hd = ctx.wantsHdArt() && !hdPath().empty();
    if (_texture && _generation == ctx.generation && (_textureScale > 1) == hd)
        return _texture;
    // A texture of an earlier renderer died with it; one of the other set goes.
    if (_generation != ctx.generation)
        _texture = nullptr;
    dropTexture();
    SDL_Surface* surface = nullptr;
    _textureScale = 1;
    if (hd) {
        surface = IMG_Load(_hdPath.c_str());
        // Only a whole multiple of the named picture keeps the frame rectangles valid.
        int k = surface && _width > 0 ? surface->w / _width : 0;
        if (surface && k >= 2 && surface->w == k * _width && surface->h == k * _height) {
            _textureScale = k;
            // The named file's pixels are read again should a view at scale 1 need them.
            if (_surface)
                SDL_FreeSurface(static_cast<SDL_Surface*>(_surface));
            _surface = nullptr;
        } else {
            detail::reportOnce("engine: " + _hdPath + " is not a whole multiple of " + _path + "; using " +
                               _path);
            if (surface)
                SDL_FreeSurface(surface);
            surface = nullptr;
            _hdPath.clear();
        }
    }
    if (!surface) {
        surface = static_cast<SDL_Surface*>(_surface);
        _surface = nullptr;
        if (!surface)
            surface = IMG_Load(_path.c_str());
    }
    if (!surface) {
        detail::reportImageProblem(_path, IMG_GetError());
        _valid = false;
        return nullptr;
    }
    _texture = SDL_CreateTextureFromSurface(ctx.renderer, surface);
    SDL_FreeSurface(surface);
    if (!_texture) {
        detail::reportOnce("engine: cannot make a texture of " + _path + ": " + SDL_GetError());
        _valid = false;
        return nullptr;
    }
    SDL_SetTextureBlendMode(_texture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(_texture, SDL_ScaleModeLinear);
    _generation = ctx.generation;
    return _texture;
}

TextureCache* TextureCache::getInstance() {
    static TextureCache* cache = new TextureCache();
    return cache;
}

Texture2D* TextureCache::addImage(const std::string& file) {
    std::string path = FileUtils::getInstance()->fullPathForFilename(file);
    auto it = _textures.find(path);
    if (it != _textures.end())
        return it->second;
    Texture2D* tex = new Texture2D();
    tex->_path = path;
    if (!file.empty() && file[0] != '/')
        tex->_hdPath = FileUtils::getInstance()->fullPathForFilename("hd/" + file);
    SDL_Surface* surface = file.empty() ? nullptr : IMG_Load(path.c_str());
    if (surface) {
        tex->_width = surface->w;
        tex->_height = surface->h;
        tex->_valid = true;
        tex->_surface = surface;
    } else {
        detail::reportImageProblem(file.empty() ? std::string("(no name)") : path, IMG_GetError());
    }
    _textures[path] = tex;
    return tex;
}

void TextureCache::removeAllTextures() {
    std::map<std::string, Texture2D*> textures;
    textures.swap(_textures);
    for (auto& kv : textures)
        kv.second->release();
}

// ---- frames ----

SpriteFrame* SpriteFrame::create(const std::string& filename, const Rect& rectInPixels) {
    SpriteFrame* f = new (std::nothrow) SpriteFrame();
    if (f && f->initWithTextureFilename(filename, rectInPixels)) {
        f->autorelease();
        return f;
    }
    delete f;
    return nullptr;
}

bool SpriteFrame::initWithTextureFilename(const std::string& filename, const Rect& rectInPixels) {
    _textureFileName = filename;
    _rect = rectInPixels;
    return true;
}

SpriteFrame::~SpriteFrame() {
    if (_texture)
        _texture->release();
}

Texture2D* SpriteFrame::getTexture() {
    if (!_texture) {
        _texture = TextureCache::getInstance()->addImage(_textureFileName);
        _texture->retain();
    }
    return _texture;
}

SpriteFrameCache* SpriteFrameCache::getInstance() {
    static SpriteFrameCache* cache = new SpriteFrameCache();
    return cache;
}

void SpriteFrameCache::addSpriteFrame(SpriteFrame* frame, const std::string& frameName) {
    if (!frame)
        return;
    frame->retain();
    auto it = _frames.find(frameName);
    if (it != _frames.end()) {
        it->second->release();
        it->second = frame;
    } else {
        _frames[frameName] = frame;
    }
}

SpriteFrame* SpriteFrameCache::getSpriteFrameByName(const std::string& name) const {
    auto it = _frames.find(name);
    return it == _frames.end() ? nullptr : it->second;
}

void SpriteFrameCache::removeSpriteFrameByName(const std::string& name) {
    auto it = _frames.find(name);
    if (it == _frames.end())
        return;
    it->second->release();
    _frames.erase(it);
}

void SpriteFrameCache::removeSpriteFrames() {
    std::map<std::string, SpriteFrame*> frames;
    frames.swap(_frames);
    for (auto& kv : frames)
        kv.second->release();
}

std::vector<std::string> SpriteFrameCache::getSpriteFrameNames() const {
    std::vector<std::string> names;
    for (auto& kv : _frames)
        names.push_back(kv.first);
    return names;
}

// ---- sprites ----

namespace {
template <class Init>
Sprite* makeSprite(Init init) {
    Sprite* s = Sprite::create();
    if (s)
        init(s);
    return s;
}
}  // namespace

Sprite* Sprite::create() {
    Sprite* s = new (std::nothrow) Sprite();
    if (s && s->init()) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

// The factories below never give null for bad input: a missing image or
// frame is reported and the sprite is empty (it draws nothing).
Sprite* Sprite::create(const std::string& filename) {
    return makeSprite([&](Sprite* s) { s->initWithFile(filename); });
}

Sprite* Sprite::create(const std::string& filename, const Rect& rect) {
    return makeSprite([&](Sprite* s) { s->initWithFile(filename, rect); });
}

Sprite* Sprite::createWithSpriteFrame(SpriteFrame* frame) {
    return makeSprite([&](Sprite* s) { s->initWithSpriteFrame(frame); });
}

Sprite* Sprite::createWithSpriteFrameName(const std::string& frameName) {
    return makeSprite([&](Sprite* s) { s->initWithSpriteFrameName(frameName); });
}

bool Sprite::init() {
    return true;
}

bool Sprite::initWithFile(const std::string& filename) {
    Texture2D* tex = TextureCache::getInstance()->addImage(filename);
    return initWithFile(filename, Rect(0, 0, float(tex->getPixelsWide()), float(tex->getPixelsHigh()))) &&
           tex->isValid();
}

bool Sprite::initWithFile(const std::string& filename, const Rect& rect) {
    return initWithSpriteFrame(SpriteFrame::create(filename, rect));
}

bool Sprite::initWithSpriteFrame(SpriteFrame* frame) {
    setSpriteFrame(frame);
    return frame != nullptr;
}

bool Sprite::initWithSpriteFrameName(const std::string& frameName) {
    SpriteFrame* frame = SpriteFrameCache::getInstance()->getSpriteFrameByName(frameName);
    if (!frame)
        detail::reportOnce("engine: no sprite frame named " + frameName);
    return initWithSpriteFrame(frame);
}

void Sprite::setSpriteFrame(const std::string& frameName) {
    initWithSpriteFrameName(frameName);
}

void Sprite::setSpriteFrame(SpriteFrame* frame) {
    if (frame == _frame)
        return;
    if (frame)
        frame->retain();
    if (_frame)
        _frame->release();
    _frame = frame;
    setContentSize(frame ? frame->getRect().size : Size::ZERO);
    detail::markSceneDirty();
}

Sprite::~Sprite() {
    if (_frame)
        _frame->release();
}

Texture2D* Sprite::getTexture() const {
    return _frame ? _frame->getTexture() : nullptr;
}

const Rect& Sprite::getTextureRect() const {
    return _frame ? _frame->getRect() : Rect::ZERO;
}

void Sprite::draw(detail::RenderContext& ctx, const detail::Transform& t) {
    if (!_frame)
        return;
    Texture2D* tex = _frame->getTexture();
    if (!tex->isValid())
        return;
    const Rect& r = _frame->getRect();
    // Clip the frame to the image; a rectangle outside it draws nothing.
    float x0 = std::max(0.0f, r.getMinX()), y0 = std::max(0.0f, r.getMinY());
    float x1 = std::min(float(tex->getPixelsWide()), r.getMaxX());
    float y1 = std::min(float(tex->getPixelsHigh()), r.getMaxY());
    if (x1 <= x0 || y1 <= y0)
        return;
    SDL_Texture* sdl = tex->sdlTexture(ctx);
    if (!sdl)
        return;
    const int k = tex->textureScale();
    SDL_Rect src{int(x0) * k, int(y0) * k, int(x1 - x0) * k, int(y1 - y0) * k};
    // Frame pixels map 1:1 onto the content size; image y runs downwards.
    float left = x0 - r.getMinX();
    float bottom = r.getMaxY() - y1;
    ctx.drawTexture(sdl, src, t, left, bottom, x1 - x0, y1 - y0, _color, _opacity);
}

}  // namespace cocos2d
