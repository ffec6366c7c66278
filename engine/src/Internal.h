// Engine internals shared between the source files.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "cocos2d.h"

namespace cocos2d {
namespace detail {

// The drawing target of a view: an SDL renderer over a window or over an
// offscreen surface, plus the mapping from design points to pixels.
class RenderContext {
public:
    ~RenderContext();

    SDL_Window* window = nullptr;
    SDL_Surface* offscreen = nullptr;  // headless target
    SDL_Renderer* renderer = nullptr;
    int pixelWidth = 0;
    int pixelHeight = 0;
    // Design point -> pixel: px = x * scaleX + originX, py = pixelHeight - (y * scaleY + originY).
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float originX = 0.0f;
    float originY = 0.0f;
    unsigned int drawCounter = 0;
    // Identifies the renderer; textures made by an earlier one are stale.
    unsigned int generation = 0;
    // The renderer draws on the CPU: a scaled copy is worth keeping.
    bool software = false;
    // Frames drawn through this context (ages the scaled copies).
    unsigned long long frameNumber = 0;

    // Pixels per design point; text is rendered at this many times its size.
    float pixelScale() const { return scaleX > scaleY ? scaleX : scaleY; }
    // Pictures come from the set at twice the resolution when they are shown enlarged.
    bool wantsHdArt() const { return pixelScale() > 1.0f; }

    // Design point <-> window pixel.
    Vec2 pixelToDesign(float px, float py) const;
    // Reads the current picture (ARGB8888); the caller frees it.
    SDL_Surface* readPixels() const;

    // Fills the design-space rectangle (in the given transform's space) with
    // a texture region.
    void drawTexture(SDL_Texture* texture, const SDL_Rect& src, const Transform& t, float x, float y, float w,
                     float h, const Color3B& color, uint8_t opacity);
    void fillRect(const Transform& t, float x, float y, float w, float h, const Color4B& color);
    // World transform of the design space (identity in design points).
    Transform root() const;
    // Called once a frame has been presented: frees the scaled copies that
    // no recent frame used.
    void endFrame();
    // Number of scaled copies kept now.
    std::size_t scaledCopyCount() const { return scaled.size(); }

private:
    // A software renderer rescales a region on every copy whose size differs
    // from the region's, through temporary surfaces. Such a region is scaled
    // once into a texture of the drawn size and then copied 1:1.
    struct ScaledKey {
        std::uintptr_t texture;  // the source's serial number (see textureSerial)
        int x, y, w, h;          // source region
        int dw, dh;              // drawn size in pixels
        bool operator<(const ScaledKey& o) const {
            return std::tie(texture, x, y, w, h, dw, dh) <
                   std::tie(o.texture, o.x, o.y, o.w, o.h, o.dw, o.dh);
        }
    };
    struct ScaledCopy {
        SDL_Texture* texture = nullptr;
        unsigned long long lastUsed = 0;
    };
    std::map<ScaledKey, ScaledCopy> scaled;
    std::uintptr_t nextSerial = 0;
    std::uintptr_t textureSerial(SDL_Texture* texture);
    SDL_Texture* scaledCopy(SDL_Texture* texture, const SDL_Rect& src, int dw, int dh);
    void freeScaledCopies();
};

// The generation of the renderer alive now (0 when none).
unsigned int liveRendererGeneration();
// The pixel scale of the live view (1 when there is none): labels made now render at it.
float livePixelScale();
RenderContext* makeRenderContext(SDL_Window* window, int width, int height);
// Takes (and clears) the flag that something visible changed.
bool takeSceneDirty();
bool peekSceneDirty();

// The process-wide run state.
struct EngineState {
    bool headless = false;          // views are offscreen
    bool videoInitialised = false;  // SDL video subsystem is up
    std::atomic<std::uint64_t> mainThreadHash{0};
    // A window (not offscreen) view is the director's view.
    std::atomic<bool> windowActive{false};
};
// Starts SDL's video subsystem; false (with one line on standard error
// naming --headless and Xvfb) when there is no display.
bool ensureVideo();
EngineState& engineState();
bool isMainThread();
void setMainThread();

// Reports a problem once per distinct message on standard error.
void reportOnce(const std::string& message);
// A resource file that cannot be used: named once, as missing when it does
// not exist, otherwise with the reason.
void reportFileProblem(const std::string& kind, const std::string& path, const std::string& reason);
inline void reportImageProblem(const std::string& path, const std::string& reason) {
    reportFileProblem("image", path, reason);
}

// Fonts (SDL_ttf), kept open by path and size.
struct FontHandle;
void closeAllFonts();
// The CJK fallback font path (assets first, then the system font).
std::string cjkFontPath();

// Message boxes (MessageBox.cpp). At the start of each frame the box at the front of the queue is
// shown (or, in tests, handed to the sink); while the main thread waits for its own box the game
// is held and the frames it runs only show boxes and draw.
void updateMessageBoxes();
bool isGameHeldByMessageBox();
// Runs the frame observer, if any (end of every frame).
void messageBoxFrameEnded();
// Input while a box is shown goes to it: true when the box took the event.
bool messageBoxTakesTouch(EventTouch::EventCode code, const Vec2& location);
bool messageBoxTakesKey(EventKeyboard::KeyCode key);
// Releases every waiting box (their callers return) when the engine stops.
void cancelPendingMessageBoxes();
// Draws the box that is open now, if any, above the frame.
void drawMessageBoxOverlay(RenderContext& ctx);
bool isMessageBoxOpen();

// The engine's loop (Application.cpp). One turn: the window's events, the director's frame, then
// the wait until the next frame is due. False, without a turn, when the run is to end (the window
// closed, Director::end(), no view). Application::run loops on it; a main-thread box runs it while
// it waits.
bool runFrame();
// The next turn starts the frame clock again (a new run).
void restartFrameClock();
// A touch as the window delivers it: to the box while one is shown, otherwise to the scene.
void deliverTouch(EventTouch::EventCode code, const Vec2& location);
// Writes the current picture as a PNG.
bool savePng(RenderContext& ctx, const std::string& file);
// The code of an SDL key (KEY_NONE for keys the program does not use), and a
// key press as the window delivers it: to the box while one is shown (Enter
// and Escape close it), otherwise to the scene.
EventKeyboard::KeyCode keyCodeFromSdl(SDL_Keycode key);
void deliverKeyPress(EventKeyboard::KeyCode code);

// Frame pacing.
double secondsNow();

}  // namespace detail
}  // namespace cocos2d
