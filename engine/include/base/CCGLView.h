// The view: the game window, or an offscreen picture when headless.
#pragma once

#include <memory>
#include <string>

#include "base/CCRef.h"
#include "base/ccTypes.h"

namespace cocos2d {

namespace detail {
class RenderContext;
}

class GLView : public Ref {
public:
    // Context attributes are recorded for the view the engine creates next.
    static void setGLContextAttrs(GLContextAttrs& glContextAttrs);
    static GLContextAttrs getGLContextAttrs();

    // Frame size: the window's size in points (the size asked for when it
    // was made); the window has getWindowScale() times as many pixels each
    // way, and everything is drawn that much larger.
    const Size& getFrameSize() const { return _frameSize; }
    float getFrameZoomFactor() const { return _frameZoomFactor; }
    float getWindowScale() const { return _windowScale; }
    // The window scale chosen without --scale: 2 when the desktop holds the
    // window twice over in both directions, otherwise 1.
    static float automaticWindowScale(const Size& windowSize, const Size& desktopSize);
    bool isResizable() const { return _resizable; }
    bool isHeadless() const { return _headless; }

    // The design resolution maps the frame onto the drawing coordinates;
    // with NO_BORDER the frame is filled and the overflow is cut off.
    virtual void setDesignResolutionSize(float width, float height, ResolutionPolicy resolutionPolicy);
    const Size& getDesignResolutionSize() const { return _designResolutionSize; }
    ResolutionPolicy getResolutionPolicy() const { return _resolutionPolicy; }
    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    float getScaleX() const { return _scaleX; }
    float getScaleY() const { return _scaleY; }

    const std::string& getViewName() const { return _viewName; }
    void setViewName(const std::string& name) { _viewName = name; }

    // The window was asked to close (its close button).
    bool windowShouldClose() const { return _shouldClose; }
    void setWindowShouldClose(bool close) { _shouldClose = close; }
    virtual bool isOpenGLReady() const;
    virtual void end();

    // Engine internal: the drawing target of this view.
    detail::RenderContext* getRenderContext() const { return _render.get(); }

    ~GLView() override;

protected:
    GLView();
    void updateDesignResolution();

    std::string _viewName;
    Size _frameSize;
    Size _designResolutionSize;
    ResolutionPolicy _resolutionPolicy = ResolutionPolicy::UNKNOWN;
    float _scaleX = 1.0f;
    float _scaleY = 1.0f;
    Vec2 _viewportOrigin;  // pixel offset of the design area in the frame
    float _frameZoomFactor = 1.0f;
    float _windowScale = 1.0f;
    bool _resizable = false;
    bool _headless = false;
    bool _shouldClose = false;
    std::unique_ptr<detail::RenderContext> _render;
};

// The desktop view. In a headless run (--headless, or the test interface)
// it draws into an offscreen picture instead of a window. Made by
// createWithRect, it takes the run's window scale (--scale, or for a window
// the automatic one).
class GLViewImpl : public GLView {
public:
    static GLViewImpl* create(const std::string& viewName);
    static GLViewImpl* createWithRect(const std::string& viewName, const Rect& rect,
                                      float frameZoomFactor = 1.0f, bool resizable = false);
    // Always offscreen, whatever the run mode, at the given window scale.
    static GLViewImpl* createHeadless(const std::string& viewName, const Size& frameSize,
                                      float windowScale = 1.0f);

protected:
    GLViewImpl() = default;
    bool initWithRect(const std::string& viewName, const Rect& rect, float frameZoomFactor, bool resizable,
                      bool headless, float windowScale);
};

using GLViewImplDesktop = GLViewImpl;

}  // namespace cocos2d
