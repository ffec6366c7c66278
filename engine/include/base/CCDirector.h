// The director: the running scene, the frame, timing and the view.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/CCNode.h"

namespace cocos2d {

class GLView;
class EventDispatcher;

class Director {
public:
    static Director* getInstance();

    GLView* getOpenGLView() const { return _openGLView; }
    void setOpenGLView(GLView* view);

    void setAnimationInterval(float interval);
    float getAnimationInterval() const { return _animationInterval; }
    void setContentScaleFactor(float scaleFactor);
    float getContentScaleFactor() const { return _contentScaleFactor; }

    Size getVisibleSize() const;
    Vec2 getVisibleOrigin() const;
    Size getWinSize() const;

    Scene* getRunningScene() const { return _runningScene; }
    // The first scene. It becomes the running scene at once when none runs;
    // otherwise it acts as replaceScene.
    void runWithScene(Scene* scene);
    // The change happens at the frame boundary, never inside the running
    // callback: the old scene and everything under it are then released and
    // their callbacks stop.
    void replaceScene(Scene* scene);
    Scene* getNextScene() const { return _nextScene; }

    // Stopping the animation stops drawing and scheduled callbacks; events
    // are still read so that the window can be restored.
    void stopAnimation();
    void startAnimation();
    bool isAnimationStopped() const { return _animationStopped; }

    EventDispatcher* getEventDispatcher() const { return _eventDispatcher; }

    // Asks the main loop to end after the current frame. Safe from any thread.
    void end();
    bool isEndRequested() const { return _endRequested.load(); }

    // One frame of dt seconds: scheduled callbacks, scene switch, drawing
    // (skipped when nothing visible changed), autorelease pool drain.
    // Input is delivered before this by the caller.
    void mainLoop(float dt);
    // Draws the running scene now (and the message box above it, if any).
    void drawScene();
    std::uint64_t getTotalFrames() const { return _totalFrames; }
    // How many frames were actually drawn (frames where nothing visible
    // changed are skipped).
    std::uint64_t getDrawnFrames() const { return _drawnFrames; }
    float getDeltaTime() const { return _deltaTime; }

    // Releases the scenes, the view, the caches and all listeners; the
    // director can be used again afterwards.
    void purge();

    ~Director();

private:
    Director();
    void setNextScene();
    void runSchedules(float dt);

    GLView* _openGLView = nullptr;
    float _animationInterval = 1.0f / 60.0f;
    float _contentScaleFactor = 1.0f;
    Scene* _runningScene = nullptr;
    Scene* _nextScene = nullptr;
    bool _animationStopped = false;
    std::atomic<bool> _endRequested{false};
    EventDispatcher* _eventDispatcher = nullptr;
    std::uint64_t _totalFrames = 0;
    std::uint64_t _drawnFrames = 0;
    float _deltaTime = 0.0f;
};

}  // namespace cocos2d
