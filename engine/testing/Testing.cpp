// The test interface, built on the public API and the engine's hooks.
#include <cmath>

#include "engine_hooks.h"
#include "engine_testing.h"

namespace cocos2d {
namespace testing {

bool startHeadless(const std::string& assetsDir, float windowScale) {
    hooks::becomeHeadlessMainThread();
    if (!assetsDir.empty())
        FileUtils::getInstance()->setAssetsDirectory(assetsDir);
    Director* director = Director::getInstance();
    GLView* view = GLViewImpl::createHeadless("cardhall", Size(1024, 768), windowScale);
    if (!view)
        return false;
    director->setOpenGLView(view);
    view->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
    director->setAnimationInterval(1.0f / 60.0f);
    return view->isOpenGLReady();
}

void shutdown() {
    Director::getInstance()->purge();
    Configuration::getInstance()->clear();
}

void step(int frames) {
    Director* director = Director::getInstance();
    for (int i = 0; i < frames; ++i)
        director->mainLoop(director->getAnimationInterval());
}

void stepSeconds(float seconds) {
    float interval = Director::getInstance()->getAnimationInterval();
    int frames = int(std::lround(seconds / interval));
    step(frames < 1 ? 1 : frames);
}

void touchBegin(const Vec2& location) {
    hooks::deliverTouch(EventTouch::EventCode::BEGAN, location);
}

void touchMove(const Vec2& location) {
    hooks::deliverTouch(EventTouch::EventCode::MOVED, location);
}

void touchEnd(const Vec2& location) {
    hooks::deliverTouch(EventTouch::EventCode::ENDED, location);
}

void touchCancel() {
    Director::getInstance()->getEventDispatcher()->cancelCurrentTouch();
}

void click(const Vec2& location) {
    touchBegin(location);
    touchEnd(location);
}

void keyPress(EventKeyboard::KeyCode code) {
    hooks::deliverKeyPress(code);
}

Scene* runningScene() {
    return Director::getInstance()->getRunningScene();
}

bool saveScreenshot(const std::string& pngFile) {
    return hooks::drawAndSavePng(pngFile);
}

Color3B pixelAt(const Vec2& location) {
    Color3B colour;
    hooks::drawAndReadPixel(location, colour);
    return colour;
}

namespace {

// The one frame observer the engine takes, made of the two hooks below.
std::function<void()> g_everyFrame;
std::function<void()> g_boxFrame;

void installObserver() {
    if (!g_everyFrame && !g_boxFrame) {
        hooks::setFrameObserver(nullptr);
        return;
    }
    hooks::setFrameObserver([] {
        // Copies: a hook may replace itself.
        std::function<void()> every = g_everyFrame;
        if (every)
            every();
        std::function<void()> box = g_boxFrame;
        if (box && hooks::isMessageBoxOpen())
            box();
    });
}

// Hands the engine's boxes to a recorder.
class RecorderSink : public hooks::MessageBoxSink {
public:
    explicit RecorderSink(MessageBoxRecorder& recorder) : _recorder(recorder) {}
    void take(const std::string& title, const std::string& text) override { _recorder.record(title, text); }
    bool deliverOnMainThread() const override { return _recorder.deliverOnMainThread(); }

private:
    MessageBoxRecorder& _recorder;
};

}  // namespace

void setFrameHook(std::function<void()> hook) {
    g_everyFrame = std::move(hook);
    installObserver();
}

void setMessageBoxFrameHook(std::function<void()> hook) {
    hooks::setOffscreenMessageBoxes(static_cast<bool>(hook));
    g_boxFrame = std::move(hook);
    installObserver();
}

void closeMessageBox() {
    hooks::closeMessageBox();
}

bool isMessageBoxOpen() {
    return hooks::isMessageBoxOpen();
}

int pendingMessageBoxes() {
    return hooks::waitingMessageBoxes();
}

MessageBoxRecorder::MessageBoxRecorder(bool deliverOnMainThread)
    : _deliverOnMainThread(deliverOnMainThread), _sink(new RecorderSink(*this)) {
    hooks::setMessageBoxSink(_sink.get());
}

MessageBoxRecorder::~MessageBoxRecorder() {
    // Boxes still waiting for the main thread count as closed.
    hooks::removeMessageBoxSink(_sink.get());
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

std::vector<Label*> findLabels(Node* root, const std::string& text) {
    std::vector<Label*> out;
    for (Label* l : findAll<Label>(root))
        if (l->getString() == text)
            out.push_back(l);
    return out;
}

}  // namespace testing
}  // namespace cocos2d
