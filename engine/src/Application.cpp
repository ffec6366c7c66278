// The application object and the main loop.
#include <SDL_image.h>

#include <cstdio>

#include "Internal.h"

namespace cocos2d {

Application* Application::s_sharedApplication = nullptr;

Application::Application() {
    s_sharedApplication = this;
}

Application::~Application() {
    if (s_sharedApplication == this)
        s_sharedApplication = nullptr;
}

Application* Application::getInstance() {
    return s_sharedApplication;
}

void Application::setAnimationInterval(float interval) {
    Director::getInstance()->setAnimationInterval(interval);
}

LanguageType Application::getCurrentLanguage() {
    const char* code = getCurrentLanguageCode();
    return std::string(code) == "zh" ? LanguageType::CHINESE : LanguageType::ENGLISH;
}

const char* Application::getCurrentLanguageCode() {
    const char* lang = SDL_getenv("LANG");
    if (lang && lang[0] == 'z' && lang[1] == 'h')
        return "zh";
    return "en";
}

ApplicationProtocol::Platform Application::getTargetPlatform() {
#ifdef _WIN32
    return Platform::OS_WINDOWS;
#else
    return Platform::OS_LINUX;
#endif
}

std::string Application::getVersion() {
    return std::string();
}

bool Application::openURL(const std::string&) {
    return false;
}

namespace detail {

namespace {
bool g_minimised = false;
bool g_mouseDown = false;

// When the current frame began and when the next one is due.
struct FrameClock {
    bool started = false;
    double last = 0;
    double next = 0;
};
FrameClock g_clock;

// Reads the window's events: close, minimise and restore, exposure, and input, which goes to the
// message box while one is shown and to the scene otherwise.
void pumpWindowEvents() {
    Director* director = Director::getInstance();
    GLView* view = director->getOpenGLView();
    RenderContext* ctx = view ? view->getRenderContext() : nullptr;
    if (!ctx || !ctx->window)
        return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_QUIT:
                view->setWindowShouldClose(true);
                break;
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        view->setWindowShouldClose(true);
                        break;
                    case SDL_WINDOWEVENT_MINIMIZED:
                        if (!g_minimised) {
                            g_minimised = true;
                            if (Application* app = Application::getInstance())
                                app->applicationDidEnterBackground();
                        }
                        break;
                    case SDL_WINDOWEVENT_RESTORED:
                    case SDL_WINDOWEVENT_SHOWN:
                        if (g_minimised) {
                            g_minimised = false;
                            if (Application* app = Application::getInstance())
                                app->applicationWillEnterForeground();
                        }
                        markSceneDirty();
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        markSceneDirty();
                        break;
                    default:
                        break;
                }
                break;
            case SDL_KEYDOWN:
                // A key held down repeats: only its first press acts.
                if (!e.key.repeat)
                    deliverKeyPress(keyCodeFromSdl(e.key.keysym.sym));
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (e.button.button == SDL_BUTTON_LEFT) {
                    g_mouseDown = true;
                    deliverTouch(EventTouch::EventCode::BEGAN,
                                 ctx->pixelToDesign(float(e.button.x), float(e.button.y)));
                }
                break;
            case SDL_MOUSEMOTION:
                if (g_mouseDown && (e.motion.state & SDL_BUTTON_LMASK))
                    deliverTouch(EventTouch::EventCode::MOVED,
                                 ctx->pixelToDesign(float(e.motion.x), float(e.motion.y)));
                break;
            case SDL_MOUSEBUTTONUP:
                if (e.button.button == SDL_BUTTON_LEFT && g_mouseDown) {
                    g_mouseDown = false;
                    deliverTouch(EventTouch::EventCode::ENDED,
                                 ctx->pixelToDesign(float(e.button.x), float(e.button.y)));
                }
                break;
            default:
                break;
        }
    }
}
}  // namespace

void deliverTouch(EventTouch::EventCode code, const Vec2& location) {
    if (messageBoxTakesTouch(code, location))
        return;
    Director::getInstance()->getEventDispatcher()->dispatchTouch(code, location);
}

void deliverKeyPress(EventKeyboard::KeyCode code) {
    if (messageBoxTakesKey(code))
        return;
    Director::getInstance()->getEventDispatcher()->dispatchKeyPress(code);
}

void restartFrameClock() {
    g_clock = FrameClock();
}

bool runFrame() {
    Director* director = Director::getInstance();
    GLView* view = director->getOpenGLView();
    if (!view || director->isEndRequested() || view->windowShouldClose())
        return false;
    pumpWindowEvents();
    if (view->windowShouldClose())
        return false;
    double now = secondsNow();
    float interval = director->getAnimationInterval();
    float dt = g_clock.started ? float(now - g_clock.last) : interval;
    if (!g_clock.started) {
        g_clock.started = true;
        g_clock.next = now;
    }
    g_clock.last = now;
    if (dt < 0.0f)
        dt = 0.0f;
    if (dt > 0.25f)
        dt = 0.25f;  // after a stall (debugger, suspended machine)
    director->mainLoop(dt);
    // Pace at the animation interval without catching up on lost frames.
    g_clock.next += interval;
    double wait = g_clock.next - secondsNow();
    if (wait > 0)
        SDL_Delay(Uint32(wait * 1000.0));
    else if (wait < -interval)
        g_clock.next = secondsNow();
    return true;
}

bool savePng(RenderContext& ctx, const std::string& file) {
    SDL_Surface* s = ctx.readPixels();
    if (!s) {
        std::fprintf(stderr, "engine: cannot read the frame: %s\n", SDL_GetError());
        return false;
    }
    bool ok = IMG_SavePNG(s, file.c_str()) == 0;
    if (!ok)
        std::fprintf(stderr, "engine: cannot write %s: %s\n", file.c_str(), IMG_GetError());
    SDL_FreeSurface(s);
    return ok;
}

}  // namespace detail

namespace {
// Closes SDL's video side (and the desktop bus it opened) once the window is gone.
void shutdownVideo() {
    detail::EngineState& s = detail::engineState();
    if (s.videoInitialised) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        s.videoInitialised = false;
    }
}
}  // namespace

int Application::run() {
    detail::setMainThread();
    detail::restartFrameClock();
    RunOptions& options = runOptions();
    if (options.headless)
        detail::engineState().headless = true;
    if (!options.assetsDir.empty())
        FileUtils::getInstance()->setAssetsDirectory(options.assetsDir);
    // Without its files the program can show nothing: say where it looked.
    std::string assetsProblem;
    if (!FileUtils::getInstance()->locateAssetsDirectory(assetsProblem)) {
        std::fprintf(stderr, "%s\n", assetsProblem.c_str());
        return 1;
    }
    AudioEngine::getInstance()->setMuted(options.mute);
    // A window needs a display: say so at once.
    if (!detail::engineState().headless && !detail::ensureVideo())
        return 1;

    Director* director = Director::getInstance();
    initGLContextAttrs();
    if (!applicationDidFinishLaunching()) {
        director->purge();
        shutdownVideo();
        return 1;
    }
    if (!director->getOpenGLView()) {
        GLView* view = GLViewImpl::createWithRect("", Rect(0, 0, 1024, 768));
        if (!view) {
            director->purge();
            shutdownVideo();
            return 1;
        }
        director->setOpenGLView(view);
    }

    int frames = 0;
    while (detail::runFrame()) {
        ++frames;
        if (options.frames > 0 && frames >= options.frames)
            break;
    }

    int status = 0;
    if (!options.screenshotFile.empty()) {
        GLView* view = director->getOpenGLView();
        detail::RenderContext* ctx = view ? view->getRenderContext() : nullptr;
        if (ctx) {
            director->drawScene();
            if (!detail::savePng(*ctx, options.screenshotFile))
                status = 1;
        }
    }
    director->purge();
    shutdownVideo();
    return status;
}

}  // namespace cocos2d
