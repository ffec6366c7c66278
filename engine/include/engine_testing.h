// Driving the engine from tests: a headless director, frames stepped with a
// fixed time step, touches at design coordinates, recorded message boxes and
// screenshots.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "cocos2d.h"
#include "ui/CocosGUI.h"

namespace cocos2d {
namespace testing {

// Makes the director ready without a delegate: a 1024 x 768 offscreen view
// and design size, animation interval 1/60, assets from assetsDir.
// No display is needed.
bool startHeadless(const std::string& assetsDir);
// Releases the running scene and everything the engine holds (view,
// textures, fonts, sprite frames, configuration, listeners, pending
// autoreleased objects), so that the next test starts clean.
void shutdown();

// Runs whole frames with a fixed step of the animation interval, unpaced.
// A box asked for from another thread is shown (recorded) at the start of
// each frame.
void step(int frames = 1);
// Runs as many frames as fit in the given simulated time (at least one).
void stepSeconds(float seconds);

// Touches at design points (origin bottom left). They are delivered at
// once, outside any frame; a scene change they ask for happens in the next
// step().
void touchBegin(const Vec2& location);
void touchMove(const Vec2& location);
void touchEnd(const Vec2& location);
void touchCancel();
// Press and release at one point.
void click(const Vec2& location);

Scene* runningScene();

// Draws the current frame and writes it as a PNG of the frame size.
bool saveScreenshot(const std::string& pngFile);
// The colour of the last drawn frame at a design point.
Color3B pixelAt(const Vec2& location);

// While it lives, every message box (from any thread) is recorded and counts
// as closed at once. With deliverOnMainThread, a box from another thread
// waits until the main thread's next step() takes it, as in a window.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(bool deliverOnMainThread = false);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // (title, text) pairs in the order shown.
    std::vector<std::pair<std::string, std::string>> boxes() const;
    void clear();

    // Engine internal.
    void record(const std::string& title, const std::string& text);
    bool deliverOnMainThread() const { return _deliverOnMainThread; }

private:
    mutable std::mutex _mutex;
    std::vector<std::pair<std::string, std::string>> _boxes;
    bool _deliverOnMainThread;
};

// Drives the modal box on the main thread, also headless: while a hook is
// set, a box shown on the main thread (with no recorder) opens in the view,
// drawn above the frame, and the hook runs once per frame of the box's own
// loop. The hook may take screenshots and call closeMessageBox(); the box
// also closes when the hook is removed.
void setMessageBoxFrameHook(std::function<void()> hook);
void closeMessageBox();
bool isMessageBoxOpen();
// Boxes asked for from other threads that wait for the main thread.
int pendingMessageBoxes();

// Every descendant of root (depth first, in child order) of type T.
template <class T>
std::vector<T*> findAll(Node* root) {
    std::vector<T*> out;
    if (!root)
        return out;
    std::vector<Node*> stack(root->getChildren().rbegin(), root->getChildren().rend());
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        if (T* t = dynamic_cast<T*>(n))
            out.push_back(t);
        stack.insert(stack.end(), n->getChildren().rbegin(), n->getChildren().rend());
    }
    return out;
}

// Every descendant of the running scene of type T.
template <class T>
std::vector<T*> findAll() {
    return findAll<T>(runningScene());
}

// The labels (TTF) under root whose text is exactly text.
std::vector<Label*> findLabels(Node* root, const std::string& text);

}  // namespace testing
}  // namespace cocos2d
