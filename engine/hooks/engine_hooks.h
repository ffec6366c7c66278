// What the test interface (cardhall_engine_testing) may do inside the engine beyond the public API.
// Only that library links the target that makes this header visible; the program never sees it.
#pragma once

#include <functional>
#include <string>

#include "cocos2d.h"

namespace cocos2d {
namespace hooks {

// Makes the calling thread the engine's main thread and every view made from now on offscreen.
void becomeHeadlessMainThread();

// Draws the current state, then writes it as a PNG / reads the colour at a design point.
bool drawAndSavePng(const std::string& file);
bool drawAndReadPixel(const Vec2& designPoint, Color3B& colour);

// A touch at a design point as the window delivers one: to the message box while one is shown,
// otherwise to the scene's listeners.
void deliverTouch(EventTouch::EventCode code, const Vec2& location);
// A key press as the window delivers one: to the message box while one is shown, otherwise to the
// scene's keyboard listeners.
void deliverKeyPress(EventKeyboard::KeyCode code);

// Takes every message box instead of the screen. take() runs on the asking thread; with
// deliverOnMainThread a box from another thread waits until the main thread's next frame takes it.
class MessageBoxSink {
public:
    virtual ~MessageBoxSink() = default;
    virtual void take(const std::string& title, const std::string& text) = 0;
    virtual bool deliverOnMainThread() const = 0;
};
void setMessageBoxSink(MessageBoxSink* sink);
// Removes the sink if it is the one set; either way, boxes still waiting for the main thread then
// count as closed.
void removeMessageBoxSink(MessageBoxSink* sink);

// Runs on the main thread at the end of every frame (and of every frame drawn while the main
// thread waits for its own box); an empty function removes it.
void setFrameObserver(std::function<void()> observer);
// Boxes are shown in an offscreen view too, as in a window (off: written to standard error).
void setOffscreenMessageBoxes(bool on);
// Closes the box shown now, as its button would (main thread).
void closeMessageBox();
bool isMessageBoxOpen();
// Boxes asked for and not closed yet: the one shown and those waiting behind it.
int waitingMessageBoxes();

}  // namespace hooks
}  // namespace cocos2d
