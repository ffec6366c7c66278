// The director: scenes, the frame and its parts.
#include <algorithm>

#include "Internal.h"

namespace cocos2d {

namespace detail {
namespace {
bool g_sceneDirty = true;
}
void markSceneDirty() {
    g_sceneDirty = true;
}
bool takeSceneDirty() {
    bool d = g_sceneDirty;
    g_sceneDirty = false;
    return d;
}
bool peekSceneDirty() {
    return g_sceneDirty;
}
}  // namespace detail

Director* Director::getInstance() {
    // Never destroyed: nodes may outlive static destruction order.
    static Director* director = new Director();
    return director;
}

Director::Director() : _eventDispatcher(new EventDispatcher()) {}

Director::~Director() {
    delete _eventDispatcher;
}

void Director::setOpenGLView(GLView* view) {
    if (view == _openGLView)
        return;
    if (view)
        view->retain();
    if (_openGLView)
        _openGLView->release();
    _openGLView = view;
    detail::engineState().windowActive = view && !view->isHeadless();
    detail::markSceneDirty();
}

void Director::setAnimationInterval(float interval) {
    if (interval > 0.0f)
        _animationInterval = interval;
}

void Director::setContentScaleFactor(float scaleFactor) {
    if (scaleFactor > 0.0f && scaleFactor != _contentScaleFactor) {
        _contentScaleFactor = scaleFactor;
        detail::markSceneDirty();
    }
}

Size Director::getVisibleSize() const {
    return _openGLView ? _openGLView->getVisibleSize() : Size::ZERO;
}

Vec2 Director::getVisibleOrigin() const {
    return _openGLView ? _openGLView->getVisibleOrigin() : Vec2::ZERO;
}

Size Director::getWinSize() const {
    return _openGLView ? _openGLView->getDesignResolutionSize() : Size::ZERO;
}

void Director::runWithScene(Scene* scene) {
    if (!scene)
        return;
    if (_runningScene || _nextScene) {
        replaceScene(scene);
        return;
    }
    scene->retain();
    _runningScene = scene;
    _runningScene->onEnter();
    detail::markSceneDirty();
}

void Director::replaceScene(Scene* scene) {
    if (!scene || scene == _nextScene)
        return;
    scene->retain();
    if (_nextScene)
        _nextScene->release();
    _nextScene = scene;
}

void Director::setNextScene() {
    Scene* next = _nextScene;
    _nextScene = nullptr;
    Scene* old = _runningScene;
    _eventDispatcher->cancelCurrentTouch();
    if (old == next) {
        next->release();
        return;
    }
    if (old) {
        old->onExit();
        old->cleanup();
    }
    _runningScene = next;
    if (old)
        old->release();
    _runningScene->onEnter();
    detail::markSceneDirty();
}

void Director::stopAnimation() {
    _animationStopped = true;
}

void Director::startAnimation() {
    _animationStopped = false;
    detail::markSceneDirty();
}

void Director::end() {
    _endRequested = true;
}

void Director::runSchedules(float dt) {
    if (!_runningScene)
        return;
    // Collect first: callbacks may change the tree.
    std::vector<Node*> nodes;
    std::vector<Node*> stack{_runningScene};
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        if (n->hasSchedules()) {
            n->retain();
            nodes.push_back(n);
        }
        const auto& children = n->getChildren();
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    for (Node* n : nodes) {
        if (n->isRunning())
            n->tickSchedules(dt);
    }
    for (Node* n : nodes)
        n->release();
}

void Director::mainLoop(float dt) {
    // While the main thread waits for its own box the game is held: this frame only shows boxes
    // and draws. The pool is not drained either, since the waiting caller may still use what it
    // made.
    bool held = detail::isGameHeldByMessageBox();
    if (!held) {
        _deltaTime = dt;
        ++_totalFrames;
    }
    detail::updateMessageBoxes();
    if (!held && !_animationStopped)
        runSchedules(dt);
    if (!held && _nextScene)
        setNextScene();
    if (!_animationStopped && detail::takeSceneDirty())
        drawScene();
    detail::messageBoxFrameEnded();
    if (!held)
        AutoreleasePool::getInstance()->clear();
}

void Director::drawScene() {
    detail::RenderContext* ctx = _openGLView ? _openGLView->getRenderContext() : nullptr;
    if (!ctx || !ctx->renderer)
        return;
    SDL_SetRenderDrawColor(ctx->renderer, 0, 0, 0, 255);
    SDL_RenderClear(ctx->renderer);
    ctx->drawCounter = 0;
    if (_runningScene)
        _runningScene->visit(*ctx, ctx->root());
    detail::drawMessageBoxOverlay(*ctx);
    SDL_RenderPresent(ctx->renderer);
    ctx->endFrame();
    ++_drawnFrames;
}

void Director::purge() {
    // Boxes asked for from now on go to standard error instead of waiting for a window that is
    // going away; the ones already waiting are released.
    detail::engineState().windowActive = false;
    detail::cancelPendingMessageBoxes();
    _eventDispatcher->cancelCurrentTouch();
    if (_nextScene) {
        _nextScene->release();
        _nextScene = nullptr;
    }
    if (_runningScene) {
        Scene* old = _runningScene;
        _runningScene = nullptr;
        old->onExit();
        old->cleanup();
        old->release();
    }
    // Pending autoreleased objects may hold more; drain until quiet.
    for (int i = 0; i < 8 && AutoreleasePool::getInstance()->size() > 0; ++i)
        AutoreleasePool::getInstance()->clear();
    _eventDispatcher->removeAllEventListeners();
    SpriteFrameCache::getInstance()->removeSpriteFrames();
    TextureCache::getInstance()->removeAllTextures();
    detail::closeAllFonts();
    AudioEngine::getInstance()->end();
    setOpenGLView(nullptr);
    for (int i = 0; i < 8 && AutoreleasePool::getInstance()->size() > 0; ++i)
        AutoreleasePool::getInstance()->clear();
    _animationStopped = false;
    _endRequested = false;
    _totalFrames = 0;
    _drawnFrames = 0;
    _animationInterval = 1.0f / 60.0f;
    _contentScaleFactor = 1.0f;
    detail::markSceneDirty();
}

}  // namespace cocos2d
