// The test interface.
#include <cmath>

#include "Internal.h"
#include "engine_testing.h"

namespace cocos2d {
namespace detail {
bool savePng(RenderContext& ctx, const std::string& file);
}

namespace testing {

bool startHeadless(const std::string& assetsDir) {
    detail::setMainThread();
    detail::engineState().headless = true;
    if (!assetsDir.empty())
        FileUtils::getInstance()->setAssetsDirectory(assetsDir);
    Director* director = Director::getInstance();
    GLView* view = GLViewImpl::createHeadless("cardhall", Size(1024, 768));
    if (!view)
        return false;
    director->setOpenGLView(view);
    view->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
    director->setAnimationInterval(1.0f / 60.0f);
    return view->isOpenGLReady();
}

void shutdown() {
    Director::getInstance()->purge();
    Configuration::getInstance()->clear();
}

void step(int frames) {
    Director* director = Director::getInstance();
    for (int i = 0; i < frames; ++i)
        director->mainLoop(director->getAnimationInterval());
}

void stepSeconds(float seconds) {
    float interval = Director::getInstance()->getAnimationInterval();
    int frames = int(std::lround(seconds / interval));
    step(frames < 1 ? 1 : frames);
}

void touchBegin(const Vec2& location) {
    Director::getInstance()->getEventDispatcher()->dispatchTouch(EventTouch::EventCode::BEGAN, location);
}

void touchMove(const Vec2& location) {
    Director::getInstance()->getEventDispatcher()->dispatchTouch(EventTouch::EventCode::MOVED, location);
}

void touchEnd(const Vec2& location) {
    Director::getInstance()->getEventDispatcher()->dispatchTouch(EventTouch::EventCode::ENDED, location);
}

void touchCancel() {
    Director::getInstance()->getEventDispatcher()->cancelCurrentTouch();
}

void click(const Vec2& location) {
    touchBegin(location);
    touchEnd(location);
}

Scene* runningScene() {
    return Director::getInstance()->getRunningScene();
}

namespace {
detail::RenderContext* context() {
    GLView* view = Director::getInstance()->getOpenGLView();
    return view ? view->getRenderContext() : nullptr;
}
}  // namespace

bool saveScreenshot(const std::string& pngFile) {
    detail::RenderContext* ctx = context();
    if (!ctx || !ctx->renderer)
        return false;
    Director::getInstance()->drawScene();
    return detail::savePng(*ctx, pngFile);
}

Color3B pixelAt(const Vec2& location) {
    detail::RenderContext* ctx = context();
    if (!ctx || !ctx->renderer)
        return Color3B::BLACK;
    Director::getInstance()->drawScene();
    int px = int(std::floor(location.x * ctx->scaleX + ctx->originX));
    int py = int(std::floor(float(ctx->pixelHeight) - (location.y * ctx->scaleY + ctx->originY)));
    if (py >= ctx->pixelHeight)
        py = ctx->pixelHeight - 1;
    if (px < 0 || py < 0 || px >= ctx->pixelWidth)
        return Color3B::BLACK;
    SDL_Rect r{px, py, 1, 1};
    Uint32 pixel = 0;
    SDL_RenderReadPixels(ctx->renderer, &r, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    return Color3B(Uint8(pixel >> 16), Uint8(pixel >> 8), Uint8(pixel));
}

std::vector<Label*> findLabels(Node* root, const std::string& text) {
    std::vector<Label*> out;
    for (Label* l : findAll<Label>(root))
        if (l->getString() == text)
            out.push_back(l);
    return out;
}

}  // namespace testing
}  // namespace cocos2d
