// A small program that runs the engine the way the client does: a window
// (or headless), a scene with sprites, labels and a button, and optionally
// a message box. Used to look at the drawing and the box under Xvfb.
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cocos2d.h"
#include "engine_testing.h"
#include "ui/CocosGUI.h"

USING_NS_CC;

namespace {

std::string g_boxShot;  // --box-screenshot FILE: show a box, save it, close
bool g_boxFromThread = false;

class DemoLayer : public Layer {
public:
    CREATE_FUNC(DemoLayer);

    bool init() override {
        if (!Layer::init())
            return false;
        Size vs = Director::getInstance()->getVisibleSize();
        auto bg = Sprite::create("bj.png");
        bg->setPosition(vs.width / 2, vs.height / 2);
        addChild(bg, -1);
        auto title = Label::createWithTTF("cardhall 引擎演示 online: 42", "fonts/arial.ttf", 30);
        title->setPosition(vs.width / 2, vs.height - 60);
        title->setColor(Color3B::WHITE);
        addChild(title, 1);
        _ticks = Label::createWithTTF("0", "fonts/arial.ttf", 20);
        _ticks->setPosition(vs.width / 2, 80);
        addChild(_ticks, 1);
        auto digits = LabelAtlas::create("30", "num.png", 14, 21, '0');
        digits->setPosition(vs.width / 2, 120);
        addChild(digits, 1);
        auto button = ui::Button::create("ready.png", "ready_press.png", "ready_press.png");
        button->setPosition(Vec2(vs.width / 2, 200));
        button->addTouchEventListener([](Ref*, ui::Widget::TouchEventType type) {
            if (type == ui::Widget::TouchEventType::ENDED)
                MessageBox("按钮被按下了。", "提示");
        });
        addChild(button, 2);
        schedule(CC_SCHEDULE_SELECTOR(DemoLayer::tick), 1.0f);
        if (!g_boxShot.empty())
            scheduleOnce(CC_SCHEDULE_SELECTOR(DemoLayer::showBox), 0.1f);
        return true;
    }

    void tick(float) { _ticks->setString(std::to_string(++_count)); }

    void showBox(float) {
        std::string file = g_boxShot;
        auto frames = std::make_shared<int>(0);
        testing::setMessageBoxFrameHook([file, frames] {
            if (++*frames == 3) {
                testing::saveScreenshot(file);
                testing::closeMessageBox();
                Director::getInstance()->end();
            }
        });
        const char* text = "连接服务器失败！请检查网络是否正常。";
        if (g_boxFromThread) {
            // The main thread shows it at the start of a later frame.
            std::thread([text] { MessageBox(text, "错误"); }).detach();
        } else {
            MessageBox(text, "错误");
        }
    }

private:
    Label* _ticks = nullptr;
    int _count = 0;
};

class DemoApp : public Application {
public:
    bool applicationDidFinishLaunching() override {
        Director* director = Director::getInstance();
        if (!director->getOpenGLView())
            director->setOpenGLView(GLViewImpl::createWithRect("engine demo", Rect(0, 0, 1024, 768)));
        director->setAnimationInterval(1.0f / 60.0f);
        director->getOpenGLView()->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
        auto scene = Scene::create();
        scene->addChild(DemoLayer::create());
        director->runWithScene(scene);
        return true;
    }
    void applicationDidEnterBackground() override { Director::getInstance()->stopAnimation(); }
    void applicationWillEnterForeground() override { Director::getInstance()->startAnimation(); }
};

}  // namespace

int main(int argc, char** argv) {
    addCommandLineOption({"--box-screenshot", "FILE",
                          "show a message box, save the window with it as a PNG, then end",
                          [](const std::string& file) {
                              g_boxShot = file;
                              return std::string();
                          }});
    addCommandLineOption(
        {"--box-from-thread", "", "ask for that box from another thread", [](const std::string&) {
             g_boxFromThread = true;
             return std::string();
         }});
    std::vector<std::string> rest;
    if (!parseCommandLine(argc, argv, rest))
        return commandLineExitStatus();
    if (!rest.empty()) {
        std::fprintf(stderr, "engine-demo: unknown option %s (try --help)\n", rest[0].c_str());
        return 2;
    }
    DemoApp app;
    return Application::getInstance()->run();
}
