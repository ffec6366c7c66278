// The modal message box: drawn by the engine inside the window, written to
// standard error when headless, recorded in tests.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include "Internal.h"
#include "engine_testing.h"

namespace cocos2d {

namespace {

std::mutex g_mutex;  // guards everything below
MessageBoxHook g_hook;
testing::MessageBoxRecorder* g_recorder = nullptr;

struct Request {
    std::string title;
    std::string text;
    bool done = false;
};
std::deque<std::shared_ptr<Request>> g_pending;
std::condition_variable g_doneChanged;

// The box on screen now (main thread only).
struct OpenBox {
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
OpenBox* g_open = nullptr;
// Test drive of the modal loop (main thread only).
std::function<void()> g_frameHook;
bool g_closeRequested = false;

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
OpenBox* buildBox(const std::string& title, const std::string& text) {
    auto* box = new OpenBox();
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

// Shows a box in the window and waits until it is closed (main thread).
void showModal(const std::string& title, const std::string& text) {
    Director* director = Director::getInstance();
    GLView* view = director->getOpenGLView();
    detail::RenderContext* ctx = view ? view->getRenderContext() : nullptr;
    bool driven = static_cast<bool>(g_frameHook);
    if (!ctx || (!ctx->window && !driven) || g_open) {
        writeJsonLine(title, text);
        return;
    }
    g_open = buildBox(title, text);
    detail::markSceneDirty();
    bool closed = false;
    g_closeRequested = false;
    while (!closed) {
        double start = detail::secondsNow();
        SDL_Event e;
        while (ctx->window && SDL_PollEvent(&e)) {
            switch (e.type) {
                case SDL_QUIT:
                    closed = true;
                    view->setWindowShouldClose(true);
                    director->end();
                    break;
                case SDL_WINDOWEVENT:
                    if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                        closed = true;
                        view->setWindowShouldClose(true);
                        director->end();
                    } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                               e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                               e.window.event == SDL_WINDOWEVENT_RESTORED) {
                        detail::markSceneDirty();
                    }
                    break;
                case SDL_KEYDOWN:
                    if (e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER ||
                        e.key.keysym.sym == SDLK_ESCAPE)
                        closed = true;
                    break;
                case SDL_MOUSEBUTTONDOWN:
                    if (e.button.button == SDL_BUTTON_LEFT) {
                        Vec2 p = ctx->pixelToDesign(float(e.button.x), float(e.button.y));
                        g_open->buttonDown = g_open->button.containsPoint(p);
                        detail::markSceneDirty();
                    }
                    break;
                case SDL_MOUSEBUTTONUP:
                    if (e.button.button == SDL_BUTTON_LEFT) {
                        Vec2 p = ctx->pixelToDesign(float(e.button.x), float(e.button.y));
                        if (g_open->buttonDown && g_open->button.containsPoint(p))
                            closed = true;
                        g_open->buttonDown = false;
                        detail::markSceneDirty();
                    }
                    break;
                default:
                    break;
            }
        }
        if (closed)
            break;
        if (detail::takeSceneDirty())
            director->drawScene();
        if (driven) {
            std::function<void()> hook = g_frameHook;
            if (hook)
                hook();
            if (!g_frameHook)
                break;
        }
        if (g_closeRequested)
            break;
        if (!ctx->window)
            continue;
        double wait = director->getAnimationInterval() - (detail::secondsNow() - start);
        if (wait > 0)
            SDL_Delay(Uint32(wait * 1000.0));
    }
    delete g_open;
    g_open = nullptr;
    detail::markSceneDirty();
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
    bool window = detail::engineState().windowActive.load();
    bool recorder;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        recorder = g_recorder != nullptr;
        if (recorder && (main || !g_recorder->deliverOnMainThread())) {
            g_recorder->record(t, x);
            return;
        }
    }
    if (!recorder && !window && !(main && g_frameHook)) {
        writeJsonLine(t, x);
        return;
    }
    if (main) {
        showModal(t, x);
        return;
    }
    // Another thread: the main thread shows the box; wait until it is closed
    // (or cancelled when the engine stops).
    auto request = std::make_shared<Request>();
    request->title = t;
    request->text = x;
    std::unique_lock<std::mutex> lock(g_mutex);
    // Checked again under the lock: the engine may have stopped since, and its cancellation of the
    // waiting boxes must not miss this one.
    if (!g_recorder && !detail::engineState().windowActive) {
        lock.unlock();
        writeJsonLine(t, x);
        return;
    }
    g_pending.push_back(request);
    g_doneChanged.wait(lock, [&] { return request->done; });
}

namespace detail {

void processPendingMessageBoxes() {
    for (;;) {
        std::shared_ptr<Request> request;
        bool recorded = false;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            if (g_pending.empty())
                return;
            request = g_pending.front();
            g_pending.pop_front();
            if (g_recorder) {
                g_recorder->record(request->title, request->text);
                recorded = true;
            }
        }
        if (!recorded) {
            if (engineState().windowActive || g_frameHook)
                showModal(request->title, request->text);
            else
                writeJsonLine(request->title, request->text);
        }
        std::lock_guard<std::mutex> lock(g_mutex);
        request->done = true;
        g_doneChanged.notify_all();
    }
}

void cancelPendingMessageBoxes() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& r : g_pending)
        r->done = true;
    g_pending.clear();
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

namespace testing {

void setMessageBoxFrameHook(std::function<void()> hook) {
    g_frameHook = std::move(hook);
}

void closeMessageBox() {
    g_closeRequested = true;
}

bool isMessageBoxOpen() {
    return g_open != nullptr;
}

int pendingMessageBoxes() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return int(g_pending.size());
}

MessageBoxRecorder::MessageBoxRecorder(bool deliverOnMainThread) : _deliverOnMainThread(deliverOnMainThread) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recorder = this;
}

MessageBoxRecorder::~MessageBoxRecorder() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_recorder == this)
        g_recorder = nullptr;
    // Boxes still waiting for the main thread count as closed.
    for (auto& r : g_pending)
        r->done = true;
    g_pending.clear();
    g_doneChanged.notify_all();
}

std::vector<std::pair<std::string, std::string>> MessageBoxRecorder::boxes() const {
    std::lock_guard<std::mutex> lock(_mutex);
    return _boxes;
}

void MessageBoxRecorder::clear() {
    std::lock_guard<std::mutex> lock(_mutex);
    _boxes.clear();
}

void MessageBoxRecorder::record(const std::string& title, const std::string& text) {
    std::lock_guard<std::mutex> lock(_mutex);
    _boxes.emplace_back(title, text);
}

}  // namespace testing
}  // namespace cocos2d
