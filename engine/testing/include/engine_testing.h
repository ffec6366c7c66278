// Driving the engine from tests: a headless director, frames stepped with a
// fixed time step, touches at design coordinates, recorded message boxes and
// screenshots.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "cocos2d.h"
#include "ui/CocosGUI.h"

namespace cocos2d {
namespace hooks {
class MessageBoxSink;
}
namespace testing {

// Makes the director ready without a delegate: a 1024 x 768 offscreen view
// and design size, animation interval 1/60, assets from assetsDir.
// No display is needed. A window scale above 1 makes the picture that many
// times larger (a scale of 2 gives 2048 x 1536 pixels), as --scale does.
bool startHeadless(const std::string& assetsDir, float windowScale = 1.0f);
// Releases the running scene and everything the engine holds (view,
// textures, fonts, sprite frames, configuration, listeners, pending
// autoreleased objects), so that the next test starts clean.
void shutdown();

// Runs whole frames with a fixed step of the animation interval, unpaced.
// A box asked for from another thread is shown (recorded) at the start of
// each frame. No input is read: touches come from the calls below.
void step(int frames = 1);
// Runs as many frames as fit in the given simulated time (at least one).
void stepSeconds(float seconds);

// Touches at design points (origin bottom left). They are delivered at
// once, outside any frame, as the window delivers them: to the message box
// while one is shown, otherwise to the scene; a scene change they ask for
// happens in the next step().
void touchBegin(const Vec2& location);
void touchMove(const Vec2& location);
void touchEnd(const Vec2& location);
void touchCancel();
// Press and release at one point.
void click(const Vec2& location);
// A key press, delivered as one from the window is (not to the scene while a
// message box is open).
void keyPress(EventKeyboard::KeyCode code);

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
    std::unique_ptr<hooks::MessageBoxSink> _sink;
};

// Shows message boxes in the offscreen view too: while a hook is set, a box
// (with no recorder) opens in the view, drawn above the frame as in a window,
// and the hook runs on the main thread at the end of every frame in which a
// box is shown: the frames that a main-thread box holds the game for, and the
// running game's frames under a box from another thread. The hook may take
// screenshots and call closeMessageBox(); removing the hook closes the boxes
// still open or waiting.
void setMessageBoxFrameHook(std::function<void()> hook);
// Closes the box shown now, as its button does; the next waiting box shows
// in the next frame.
void closeMessageBox();
bool isMessageBoxOpen();
// Boxes asked for and not closed yet: the one shown and those waiting
// behind it for the main thread.
int pendingMessageBoxes();

// Runs on the main thread at the end of every frame, whether run by step(),
// by Application::run or while a main-thread box holds the game; an empty
// function removes it.
void setFrameHook(std::function<void()> hook);

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
