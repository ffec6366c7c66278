// The engine side of the test interface's hooks (engine_hooks.h) that are not about message boxes.
#include <cmath>

#include "Internal.h"
#include "engine_hooks.h"

namespace cocos2d {
namespace hooks {

namespace {
detail::RenderContext* context() {
    GLView* view = Director::getInstance()->getOpenGLView();
    detail::RenderContext* ctx = view ? view->getRenderContext() : nullptr;
    return ctx && ctx->renderer ? ctx : nullptr;
}
}  // namespace

void becomeHeadlessMainThread() {
    detail::setMainThread();
    detail::engineState().headless = true;
}

bool drawAndSavePng(const std::string& file) {
    detail::RenderContext* ctx = context();
    if (!ctx)
        return false;
    Director::getInstance()->drawScene();
    return detail::savePng(*ctx, file);
}

bool drawAndReadPixel(const Vec2& location, Color3B& colour) {
    colour = Color3B::BLACK;
    detail::RenderContext* ctx = context();
    if (!ctx)
        return false;
    Director::getInstance()->drawScene();
    int px = int(std::floor(location.x * ctx->scaleX + ctx->originX));
    int py = int(std::floor(float(ctx->pixelHeight) - (location.y * ctx->scaleY + ctx->originY)));
    if (py >= ctx->pixelHeight)
        py = ctx->pixelHeight - 1;
    if (px < 0 || py < 0 || px >= ctx->pixelWidth)
        return false;
    SDL_Rect r{px, py, 1, 1};
    Uint32 pixel = 0;
    SDL_RenderReadPixels(ctx->renderer, &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    colour = Color3B(Uint8(pixel >> 16), Uint8(pixel >> 8), Uint8(pixel));
    return true;
}

void deliverTouch(EventTouch::EventCode code, const Vec2& location) {
    detail::deliverTouch(code, location);
}

void deliverKeyPress(EventKeyboard::KeyCode code) {
    detail::deliverKeyPress(code);
}

}  // namespace hooks
}  // namespace cocos2d
