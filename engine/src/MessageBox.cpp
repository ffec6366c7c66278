// The message box: an overlay that the engine's one loop draws above the frame, written to
// standard error when nothing can show it, handed to a sink in tests.
//
// Every box asked for while the screen can show one joins one queue. The box at its front is
// shown; closing it releases the thread that asked for it and the next box shows, so boxes appear
// one at a time in the order they were asked for, whichever thread asked. A thread other than the
// main one waits for its box while the game goes on under it. The main thread holds the game
// while it waits: it runs the frame function itself, and those frames only show boxes and draw.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "Internal.h"
#include "engine_hooks.h"

namespace cocos2d {

namespace {

struct Request {
    std::string title;
    std::string text;
    bool done = false;  // closed or cancelled: the caller may return
};

std::mutex g_mutex;  // guards everything up to g_doneChanged
MessageBoxHook g_hook;
hooks::MessageBoxSink* g_sink = nullptr;
bool g_offscreen = false;                      // boxes show in an offscreen view too
bool g_mainWaiting = false;                    // the main thread waits for its own box
std::deque<std::shared_ptr<Request>> g_queue;  // the front is the one shown
std::condition_variable g_doneChanged;

// The box on screen now (main thread only).
struct OpenBox {
    std::shared_ptr<Request> request;
    Label* title = nullptr;
    Label* text = nullptr;
    Label* ok = nullptr;
    Rect panel;
    Rect button;
    bool buttonDown = false;
    ~OpenBox() {
        CC_SAFE_RELEASE(title);
        CC_SAFE_RELEASE(text);
        CC_SAFE_RELEASE(ok);
    }
};
std::unique_ptr<OpenBox> g_open;
std::function<void()> g_observer;  // main thread only

void writeJsonLine(const std::string& title, const std::string& text) {
    std::string line = messageBoxJson(title, text) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void appendEscaped(std::string& out, const std::string& s) {
    static const char* hex = "0123456789abcdef";
    std::size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
            ++i;
        } else if (c < 0x20) {
            switch (c) {
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '\b':
                    out += "\\b";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                default:
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
            }
            ++i;
        } else if (c < 0x80) {
            out += char(c);
            ++i;
        } else {
            // Copy a valid UTF-8 sequence; anything else becomes U+FFFD.
            int need = (c >= 0xC2 && c <= 0xDF)   ? 1
                       : (c >= 0xE0 && c <= 0xEF) ? 2
                       : (c >= 0xF0 && c <= 0xF4) ? 3
                                                  : -1;
            bool ok = need > 0 && i + std::size_t(need) < n;
            uint32_t v = need > 0 ? (c & (0x3F >> need)) : 0;
            for (int k = 1; ok && k <= need; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80)
                    ok = false;
                v = (v << 6) | (cc & 0x3F);
            }
            if (ok && ((need == 2 && v < 0x800) || (need == 3 && (v < 0x10000 || v > 0x10FFFF)) ||
                       (v >= 0xD800 && v <= 0xDFFF)))
                ok = false;
            if (ok) {
                out.append(s, i, std::size_t(need) + 1);
                i += std::size_t(need) + 1;
            } else {
                out += "\\ufffd";
                ++i;
            }
        }
    }
}

// Builds the box's labels and geometry for the view's visible size.
std::unique_ptr<OpenBox> buildBox(std::shared_ptr<Request> request) {
    auto box = std::make_unique<OpenBox>();
    box->request = std::move(request);
    const std::string& title = box->request->title;
    const std::string& text = box->request->text;
    std::string font = detail::cjkFontPath();
    Size visible = Director::getInstance()->getVisibleSize();
    float panelW = std::min(600.0f, visible.width - 40.0f);
    box->title = Label::createWithTTF(title, font, 24, Size::ZERO, TextHAlignment::CENTER);
    box->text = Label::createWithTTF(text, font, 20, Size(panelW - 48.0f, 0), TextHAlignment::CENTER);
    box->ok = Label::createWithTTF("确定", font, 20);
    for (Label* l : {box->title, box->text, box->ok})
        if (l)
            l->retain();
    float titleH = box->title ? box->title->getContentSize().height : 0;
    float textH = box->text ? box->text->getContentSize().height : 0;
    float buttonH = 44, buttonW = 132;
    float panelH = 24 + titleH + 18 + textH + 24 + buttonH + 20;
    panelH = std::min(panelH, visible.height - 20.0f);
    box->panel = Rect((visible.width - panelW) / 2, (visible.height - panelH) / 2, panelW, panelH);
    box->button = Rect(box->panel.getMidX() - buttonW / 2, box->panel.getMinY() + 20, buttonW, buttonH);
    if (box->title)
        box->title->setPosition(box->panel.getMidX(), box->panel.getMaxY() - 24 - titleH / 2);
    if (box->text)
        box->text->setPosition(box->panel.getMidX(), box->panel.getMaxY() - 24 - titleH - 18 - textH / 2);
    if (box->ok) {
        box->ok->setColor(Color3B::WHITE);
        box->ok->setPosition(box->button.getMidX(), box->button.getMidY());
    }
    return box;
}

// Whether a box asked for now can be shown (under g_mutex).
bool screenAvailable() {
    return g_offscreen || detail::engineState().windowActive.load();
}

// Marks a request done and takes it out of the queue (under g_mutex).
void finishLocked(const std::shared_ptr<Request>& request) {
    request->done = true;
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (*it == request) {
            g_queue.erase(it);
            break;
        }
    }
    g_doneChanged.notify_all();
}

// Closes the box shown now (main thread).
void closeOpenBox() {
    if (!g_open)
        return;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        finishLocked(g_open->request);
    }
    g_open.reset();
    detail::markSceneDirty();
}

// The main thread's own box: the game is held while it runs frames itself, until the box is
// closed or the run ends.
void waitOnMainThread(const std::shared_ptr<Request>& request) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            if (request->done)
                break;
        }
        if (!detail::runFrame()) {
            // The run is ending: the box counts as closed.
            if (g_open && g_open->request == request)
                g_open.reset();
            std::lock_guard<std::mutex> lock(g_mutex);
            finishLocked(request);
            break;
        }
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_mainWaiting = false;
}

}  // namespace

std::string messageBoxJson(const std::string& title, const std::string& text) {
    std::string out = "{\"messagebox\":{\"title\":\"";
    appendEscaped(out, title);
    out += "\",\"text\":\"";
    appendEscaped(out, text);
    out += "\"}}";
    return out;
}

void setMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_hook = std::move(hook);
}

void MessageBox(const char* msg, const char* title) {
    std::string t = title ? title : "";
    std::string x = msg ? msg : "";
    MessageBoxHook hook;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hook = g_hook;
    }
    if (hook)
        hook(t, x);
    bool main = detail::isMainThread();
    std::shared_ptr<Request> request;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_sink && (main || !g_sink->deliverOnMainThread())) {
            g_sink->take(t, x);
            return;
        }
        // Checked under the lock: the engine may be stopping, and its cancellation of the waiting
        // boxes must not miss this one. A main-thread box asked for while the main thread already
        // waits for one (nothing in the game runs then) has no frame loop of its own to wait in.
        if ((g_sink || screenAvailable()) && !(main && g_mainWaiting)) {
            request = std::make_shared<Request>();
            request->title = t;
            request->text = x;
            g_queue.push_back(request);
            if (main)
                g_mainWaiting = true;
        }
    }
    if (!request) {
        writeJsonLine(t, x);
        return;
    }
    if (main) {
        waitOnMainThread(request);
        return;
    }
    std::unique_lock<std::mutex> lock(g_mutex);
    g_doneChanged.wait(lock, [&] { return request->done; });
}

namespace detail {

void updateMessageBoxes() {
    std::vector<std::shared_ptr<Request>> unshown;
    std::shared_ptr<Request> front;
    bool held;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        held = g_mainWaiting;
        if (g_sink) {
            // Boxes from other threads that waited for this frame.
            for (auto& r : g_queue) {
                g_sink->take(r->title, r->text);
                r->done = true;
            }
            g_queue.clear();
            g_doneChanged.notify_all();
        } else if (!screenAvailable()) {
            // Nothing can show them any more: the ones not yet shown go to standard error.
            for (auto& r : g_queue) {
                if (!g_open || g_open->request != r)
                    unshown.push_back(r);
                r->done = true;
            }
            g_queue.clear();
            g_doneChanged.notify_all();
        } else if (!g_queue.empty()) {
            front = g_queue.front();
        }
    }
    for (auto& r : unshown)
        writeJsonLine(r->title, r->text);
    if (!front) {
        if (g_open) {
            g_open.reset();
            markSceneDirty();
        }
        return;
    }
    if (g_open && g_open->request == front)
        return;
    g_open = buildBox(front);
    markSceneDirty();
    // At a frame boundary (not inside the callback that asked for a box) a touch on the scene
    // ends here: from now on input goes to the box.
    if (!held)
        Director::getInstance()->getEventDispatcher()->cancelCurrentTouch();
}

bool isGameHeldByMessageBox() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_mainWaiting;
}

void messageBoxFrameEnded() {
    if (g_observer) {
        std::function<void()> observer = g_observer;  // it may replace itself
        observer();
    }
}

bool messageBoxTakesTouch(EventTouch::EventCode code, const Vec2& location) {
    if (!g_open)
        return false;
    switch (code) {
        case EventTouch::EventCode::BEGAN:
            g_open->buttonDown = g_open->button.containsPoint(location);
            markSceneDirty();
            break;
        case EventTouch::EventCode::ENDED:
            if (g_open->buttonDown && g_open->button.containsPoint(location)) {
                closeOpenBox();
            } else {
                g_open->buttonDown = false;
                markSceneDirty();
            }
            break;
        case EventTouch::EventCode::CANCELLED:
            g_open->buttonDown = false;
            markSceneDirty();
            break;
        default:
            break;
    }
    return true;
}

bool messageBoxTakesKey(EventKeyboard::KeyCode key) {
    using Key = EventKeyboard::KeyCode;
    if (!g_open)
        return false;
    if (key == Key::KEY_ENTER || key == Key::KEY_KP_ENTER || key == Key::KEY_ESCAPE)
        closeOpenBox();
    return true;
}

void cancelPendingMessageBoxes() {
    g_open.reset();
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& r : g_queue)
        r->done = true;
    g_queue.clear();
    g_doneChanged.notify_all();
}

bool isMessageBoxOpen() {
    return g_open != nullptr;
}

void drawMessageBoxOverlay(RenderContext& ctx) {
    if (!g_open)
        return;
    Transform root = ctx.root();
    Size visible = Director::getInstance()->getVisibleSize();
    ctx.fillRect(root, 0, 0, visible.width, visible.height, Color4B(0, 0, 0, 110));
    const Rect& p = g_open->panel;
    ctx.fillRect(root, p.origin.x - 2, p.origin.y - 2, p.size.width + 4, p.size.height + 4,
                 Color4B(40, 60, 90, 255));
    ctx.fillRect(root, p.origin.x, p.origin.y, p.size.width, p.size.height, Color4B(248, 246, 240, 255));
    const Rect& b = g_open->button;
    ctx.fillRect(root, b.origin.x, b.origin.y, b.size.width, b.size.height,
                 g_open->buttonDown ? Color4B(30, 90, 160, 255) : Color4B(50, 120, 200, 255));
    if (g_open->title) {
        g_open->title->setColor(Color3B(20, 30, 50));
        g_open->title->visit(ctx, root);
    }
    if (g_open->text) {
        g_open->text->setColor(Color3B(30, 30, 30));
        g_open->text->visit(ctx, root);
    }
    if (g_open->ok)
        g_open->ok->visit(ctx, root);
}

}  // namespace detail

namespace hooks {

void setMessageBoxSink(MessageBoxSink* sink) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_sink = sink;
}

void removeMessageBoxSink(MessageBoxSink* sink) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_sink == sink)
        g_sink = nullptr;
    for (auto& r : g_queue)
        r->done = true;
    g_queue.clear();
    g_doneChanged.notify_all();
}

void setFrameObserver(std::function<void()> observer) {
    g_observer = std::move(observer);
}

void setOffscreenMessageBoxes(bool on) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_offscreen = on;
}

void closeMessageBox() {
    closeOpenBox();
}

bool isMessageBoxOpen() {
    return g_open != nullptr;
}

int waitingMessageBoxes() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return int(g_queue.size());
}

}  // namespace hooks
}  // namespace cocos2d
