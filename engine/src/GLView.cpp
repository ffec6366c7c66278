// The view and its drawing target (SDL renderer over a window or a surface).
#include <SDL_image.h>

#include <cmath>
#include <cstdio>

#include "Internal.h"

namespace cocos2d {

namespace detail {

namespace {
unsigned int g_generationCounter = 0;
unsigned int g_liveGeneration = 0;
float g_livePixelScale = 1.0f;
}  // namespace

unsigned int liveRendererGeneration() {
    return g_liveGeneration;
}

float livePixelScale() {
    return g_liveGeneration != 0 ? g_livePixelScale : 1.0f;
}

RenderContext* makeRenderContext(SDL_Window* window, int width, int height) {
    auto* ctx = new RenderContext();
    ctx->pixelWidth = width;
    ctx->pixelHeight = height;
    if (window) {
        ctx->window = window;
        const char* choice = SDL_getenv("CARDHALL_RENDERER");
        bool accelerated = choice && std::string(choice) == "accelerated";
        ctx->renderer =
            SDL_CreateRenderer(window, -1, accelerated ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE);
        if (!ctx->renderer)
            ctx->renderer = SDL_CreateRenderer(window, -1, 0);
        if (ctx->renderer)
            SDL_GetRendererOutputSize(ctx->renderer, &ctx->pixelWidth, &ctx->pixelHeight);
        SDL_RendererInfo info;
        if (ctx->renderer && SDL_GetRendererInfo(ctx->renderer, &info) == 0)
            ctx->software = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    } else {
        ctx->offscreen = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (ctx->offscreen)
            ctx->renderer = SDL_CreateSoftwareRenderer(ctx->offscreen);
        ctx->software = true;
    }
    if (!ctx->renderer) {
        std::fprintf(stderr, "engine: cannot create a renderer: %s\n", SDL_GetError());
    } else {
        SDL_SetRenderDrawBlendMode(ctx->renderer, SDL_BLENDMODE_BLEND);
    }
    ctx->generation = ++g_generationCounter;
    g_liveGeneration = ctx->generation;
    return ctx;
}

RenderContext::~RenderContext() {
    if (g_liveGeneration == generation)
        g_liveGeneration = 0;
    freeScaledCopies();
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (offscreen)
        SDL_FreeSurface(offscreen);
    if (window)
        SDL_DestroyWindow(window);
}

Transform RenderContext::root() const {
    return Transform();
}

Vec2 RenderContext::pixelToDesign(float px, float py) const {
    return Vec2((px - originX) / scaleX, (float(pixelHeight) - py - originY) / scaleY);
}

void RenderContext::drawTexture(SDL_Texture* texture, const SDL_Rect& src, const Transform& t, float x,
                                float y, float w, float h, const Color3B& color, uint8_t opacity) {
    if (!renderer || !texture || opacity == 0)
        return;
    Vec2 bl = t.apply(Vec2(x, y));
    float pw = w * t.scale * scaleX;
    float ph = h * t.scale * scaleY;
    if (pw <= 0.0f || ph <= 0.0f)
        return;
    SDL_FRect dst;
    dst.x = bl.x * scaleX + originX;
    dst.y = float(pixelHeight) - (bl.y * scaleY + originY) - ph;
    dst.w = pw;
    dst.h = ph;
    // Skip what lies wholly outside the picture.
    if (dst.x >= pixelWidth || dst.y >= pixelHeight || dst.x + dst.w <= 0 || dst.y + dst.h <= 0)
        return;
    // A picture without an alpha channel drawn at full opacity covers what
    // is under it: a plain copy gives the same pixels as blending, at a
    // fraction of the cost.
    Uint32 format = 0;
    SDL_QueryTexture(texture, &format, nullptr, nullptr, nullptr);
    bool opaque = !SDL_ISPIXELFORMAT_ALPHA(format) && opacity == 255;
    SDL_Texture* drawn = texture;
    SDL_Rect region = src;
    if (software) {
        // The copy below lands on whole pixels, its size cut to an integer.
        int dw = int(dst.w), dh = int(dst.h);
        if ((dw != src.w || dh != src.h) && dw > 0 && dh > 0) {
            if (SDL_Texture* copy = scaledCopy(texture, src, dw, dh)) {
                drawn = copy;
                region = SDL_Rect{0, 0, dw, dh};
                dst.w = float(dw);
                dst.h = float(dh);
            }
        }
    }
    SDL_SetTextureBlendMode(drawn, opaque ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetTextureColorMod(drawn, color.r, color.g, color.b);
    SDL_SetTextureAlphaMod(drawn, opacity);
    SDL_RenderCopyF(renderer, drawn, &region, &dst);
}

std::uintptr_t RenderContext::textureSerial(SDL_Texture* texture) {
    // A texture made later at the same address starts without user data, so
    // a copy of an earlier texture is never taken for one of it.
    auto serial = reinterpret_cast<std::uintptr_t>(SDL_GetTextureUserData(texture));
    if (serial == 0) {
        serial = ++nextSerial;
        SDL_SetTextureUserData(texture, reinterpret_cast<void*>(serial));
    }
    return serial;
}

SDL_Texture* RenderContext::scaledCopy(SDL_Texture* texture, const SDL_Rect& src, int dw, int dh) {
    // Bigger than any window: not worth the memory.
    constexpr int kMaxSide = 4096;
    if (dw > kMaxSide || dh > kMaxSide)
        return nullptr;
    ScaledKey key{textureSerial(texture), src.x, src.y, src.w, src.h, dw, dh};
    auto it = scaled.find(key);
    if (it != scaled.end()) {
        it->second.lastUsed = frameNumber;
        return it->second.texture;
    }
    Uint32 format = 0;
    SDL_ScaleMode scaleMode = SDL_ScaleModeNearest;
    SDL_QueryTexture(texture, &format, nullptr, nullptr, nullptr);
    SDL_GetTextureScaleMode(texture, &scaleMode);
    SDL_Texture* copy = SDL_CreateTexture(renderer, format, SDL_TEXTUREACCESS_TARGET, dw, dh);
    if (!copy)
        return nullptr;
    // The scaling the renderer would do on each copy, done once: the region
    // alone, unblended and untinted, stretched with the source's filter.
    SDL_Texture* previousTarget = SDL_GetRenderTarget(renderer);
    SDL_BlendMode blend = SDL_BLENDMODE_NONE;
    Uint8 r = 255, g = 255, b = 255, a = 255;
    SDL_GetTextureBlendMode(texture, &blend);
    SDL_GetTextureColorMod(texture, &r, &g, &b);
    SDL_GetTextureAlphaMod(texture, &a);
    bool ok = SDL_SetRenderTarget(renderer, copy) == 0;
    if (ok) {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
        SDL_SetTextureColorMod(texture, 255, 255, 255);
        SDL_SetTextureAlphaMod(texture, 255);
        SDL_Rect whole{0, 0, dw, dh};
        ok = SDL_RenderCopy(renderer, texture, &src, &whole) == 0;
        SDL_SetTextureBlendMode(texture, blend);
        SDL_SetTextureColorMod(texture, r, g, b);
        SDL_SetTextureAlphaMod(texture, a);
    }
    SDL_SetRenderTarget(renderer, previousTarget);
    if (!ok) {
        SDL_DestroyTexture(copy);
        return nullptr;
    }
    SDL_SetTextureScaleMode(copy, scaleMode);
    scaled[key] = ScaledCopy{copy, frameNumber};
    return copy;
}

void RenderContext::endFrame() {
    // Kept while some frame of the last second or so drew it.
    constexpr unsigned long long kKeepFrames = 60;
    ++frameNumber;
    for (auto it = scaled.begin(); it != scaled.end();) {
        if (frameNumber - it->second.lastUsed > kKeepFrames) {
            SDL_DestroyTexture(it->second.texture);
            it = scaled.erase(it);
        } else {
            ++it;
        }
    }
}

void RenderContext::freeScaledCopies() {
    if (renderer)
        for (auto& kv : scaled)
            SDL_DestroyTexture(kv.second.texture);
    scaled.clear();
}

void RenderContext::fillRect(const Transform& t, float x, float y, float w, float h, const Color4B& color) {
    if (!renderer)
        return;
    Vec2 bl = t.apply(Vec2(x, y));
    float pw = w * t.scale * scaleX;
    float ph = h * t.scale * scaleY;
    SDL_FRect dst{bl.x * scaleX + originX, float(pixelHeight) - (bl.y * scaleY + originY) - ph, pw, ph};
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, color.a);
    SDL_RenderFillRectF(renderer, &dst);
}

SDL_Surface* RenderContext::readPixels() const {
    if (!renderer)
        return nullptr;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, pixelWidth, pixelHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s)
        return nullptr;
    if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) != 0) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    return s;
}

}  // namespace detail

namespace {
GLContextAttrs g_contextAttrs{8, 8, 8, 8, 24, 8};
}

void GLView::setGLContextAttrs(GLContextAttrs& glContextAttrs) {
    g_contextAttrs = glContextAttrs;
}
GLContextAttrs GLView::getGLContextAttrs() {
    return g_contextAttrs;
}

GLView::GLView() = default;
GLView::~GLView() = default;

bool GLView::isOpenGLReady() const {
    return _render && _render->renderer;
}

void GLView::end() {
    _shouldClose = true;
}

void GLView::setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy) {
    if (width <= 0.0f || height <= 0.0f)
        return;
    _designResolutionSize = Size(width, height);
    _resolutionPolicy = resolutionPolicy;
    updateDesignResolution();
}

void GLView::updateDesignResolution() {
    float fw = _frameSize.width, fh = _frameSize.height;
    float dw = _designResolutionSize.width, dh = _designResolutionSize.height;
    if (fw <= 0 || fh <= 0 || dw <= 0 || dh <= 0)
        return;
    _scaleX = fw / dw;
    _scaleY = fh / dh;
    switch (_resolutionPolicy) {
        case ResolutionPolicy::NO_BORDER:
            _scaleX = _scaleY = std::max(_scaleX, _scaleY);
            break;
        case ResolutionPolicy::SHOW_ALL:
            _scaleX = _scaleY = std::min(_scaleX, _scaleY);
            break;
        case ResolutionPolicy::FIXED_HEIGHT:
            _scaleX = _scaleY;
            _designResolutionSize.width = std::ceil(fw / _scaleX);
            break;
        case ResolutionPolicy::FIXED_WIDTH:
            _scaleY = _scaleX;
            _designResolutionSize.height = std::ceil(fh / _scaleY);
            break;
        case ResolutionPolicy::EXACT_FIT:
        case ResolutionPolicy::UNKNOWN:
            break;
    }
    float vw = _designResolutionSize.width * _scaleX;
    float vh = _designResolutionSize.height * _scaleY;
    _viewportOrigin = Vec2((fw - vw) / 2.0f, (fh - vh) / 2.0f);
    if (_render) {
        float zoom = _render->pixelWidth / (fw > 0 ? fw : 1.0f);
        _render->scaleX = _scaleX * zoom;
        _render->scaleY = _scaleY * zoom;
        _render->originX = _viewportOrigin.x * zoom;
        _render->originY = _viewportOrigin.y * zoom;
        if (_render->generation == detail::liveRendererGeneration())
            detail::g_livePixelScale = _render->pixelScale();
    }
    detail::markSceneDirty();
}

Size GLView::getVisibleSize() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER)
        return Size(_frameSize.width / _scaleX, _frameSize.height / _scaleY);
    return _designResolutionSize;
}

Vec2 GLView::getVisibleOrigin() const {
    if (_resolutionPolicy == ResolutionPolicy::NO_BORDER) {
        Size v = getVisibleSize();
        return Vec2((_designResolutionSize.width - v.width) / 2.0f,
                    (_designResolutionSize.height - v.height) / 2.0f);
    }
    return Vec2::ZERO;
}

float GLView::automaticWindowScale(const Size& windowSize, const Size& desktopSize) {
    bool roomForTwice =
        desktopSize.width >= 2.0f * windowSize.width && desktopSize.height >= 2.0f * windowSize.height;
    return roomForTwice && windowSize.width > 0.0f && windowSize.height > 0.0f ? 2.0f : 1.0f;
}

namespace {

// The scale of a view made for the run: --scale when given; otherwise, for a window, by the size of
// the desktop it opens on.
float runWindowScale(const Size& windowSize, bool headless) {
    float asked = runOptions().scale;
    if (asked > 0.0f)
        return asked;
    if (headless || !detail::ensureVideo())
        return 1.0f;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return 1.0f;
    return GLView::automaticWindowScale(windowSize, Size(float(mode.w), float(mode.h)));
}

}  // namespace

GLViewImpl* GLViewImpl::create(const std::string& viewName) {
    return createWithRect(viewName, Rect(0, 0, 1024, 768), 1.0f, false);
}

GLViewImpl* GLViewImpl::createWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor,
                                       bool resizable) {
    auto* v = new (std::nothrow) GLViewImpl();
    bool headless = detail::engineState().headless;
    if (v && v->initWithRect(viewName, rect, frameZoomFactor, resizable, headless,
                             runWindowScale(rect.size, headless))) {
        v->autorelease();
        return v;
    }
    delete v;
    return nullptr;
}

GLViewImpl* GLViewImpl::createHeadless(const std::string& viewName, const Size& frameSize,
                                       float windowScale) {
    auto* v = new (std::nothrow) GLViewImpl();
    if (v && v->initWithRect(viewName, Rect(Vec2::ZERO, frameSize), 1.0f, false, true, windowScale)) {
        v->autorelease();
        return v;
    }
    delete v;
    return nullptr;
}

bool GLViewImpl::initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor,
                              bool resizable, bool headless, float windowScale) {
    _viewName = viewName;
    _frameSize = rect.size;
    _designResolutionSize = rect.size;
    _frameZoomFactor = frameZoomFactor > 0.0f ? frameZoomFactor : 1.0f;
    _windowScale = windowScale > 0.0f ? windowScale : 1.0f;
    _resizable = resizable;
    _headless = headless;
    int pw = int(std::lround(rect.size.width * _frameZoomFactor * _windowScale));
    int ph = int(std::lround(rect.size.height * _frameZoomFactor * _windowScale));
    if (pw <= 0 || ph <= 0)
        return false;
    SDL_Window* window = nullptr;
    if (!headless) {
        if (!detail::ensureVideo())
            return false;
        // The plain framebuffer path (X shared memory) is the fast one
        // without a GPU; see docs/performance.md.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, g_contextAttrs.redBits);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g_contextAttrs.greenBits);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, g_contextAttrs.blueBits);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, g_contextAttrs.alphaBits);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, g_contextAttrs.depthBits);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, g_contextAttrs.stencilBits);
        Uint32 flags = SDL_WINDOW_SHOWN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
        window =
            SDL_CreateWindow(viewName.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, pw, ph, flags);
        if (!window) {
            std::fprintf(stderr, "engine: cannot open the window: %s\n", SDL_GetError());
            return false;
        }
    }
    _render.reset(detail::makeRenderContext(window, pw, ph));
    if (!_render->renderer)
        return false;
    updateDesignResolution();
    return true;
}

}  // namespace cocos2d
