#include "app/AppDelegate.h"

#include <algorithm>

#include "app/UserConfig.h"
#include "net/MessageQueue.h"
#include "protocol/Protocol.h"

#include "app/SpriteFrames.h"
#include "scenes/DeskSounds.h"
#include "scenes/HallScene.h"

USING_NS_CC;

static cocos2d::Size designResolutionSize = cocos2d::Size(1024, 768);
static cocos2d::Size smallResolutionSize = cocos2d::Size(1024, 768);
static cocos2d::Size mediumResolutionSize = cocos2d::Size(1024, 768);
static cocos2d::Size largeResolutionSize = cocos2d::Size(1024, 768);

namespace {

Layer* createFirstLayer() {
    return CHallScene::create();
}

}  // namespace

float contentScaleFactorFor(const Size& frame, const Size& design, const Size& small, const Size& medium,
                            const Size& large) {
    const Size& chosen = frame.height > medium.height ? large : frame.height > small.height ? medium : small;
    return std::min(chosen.width / design.width, chosen.height / design.height);
}

AppDelegate::AppDelegate() {}

AppDelegate::~AppDelegate() {}

void AppDelegate::initGLContextAttrs() {
    // red, green, blue, alpha, depth, stencil
    GLContextAttrs glContextAttrs = {8, 8, 8, 8, 24, 8};
    GLView::setGLContextAttrs(glContextAttrs);
}

bool AppDelegate::applicationDidFinishLaunching() {
    // First: the connection below reads "host" from it.
    Configuration::getInstance()->loadConfigFile("config/strings.plist");
    // The player's own keys replace the shipped ones.
    loadUserConfig();

    auto director = Director::getInstance();
    auto glview = director->getOpenGLView();
    if (!glview) {
        const std::string title = Configuration::getInstance()->getValue("title").asString();
        glview = GLViewImpl::createWithRect(
            title, Rect(0, 0, mediumResolutionSize.width, mediumResolutionSize.height), 1.0f, false);
        if (!glview) {
            return false;  // no window could be made (no display)
        }
        director->setOpenGLView(glview);
    }

    director->setAnimationInterval(1.0f / 60);
    glview->setDesignResolutionSize(designResolutionSize.width, designResolutionSize.height,
                                    ResolutionPolicy::NO_BORDER);
    director->setContentScaleFactor(contentScaleFactorFor(glview->getFrameSize(), designResolutionSize,
                                                          smallResolutionSize, mediumResolutionSize,
                                                          largeResolutionSize));

    // The one connection attempt of the run.
    if (!CMessageQueue::getInstance()->connectServer()) {
        MessageBox("连接服务器失败！请检查网络是否正常。", "错误");
        return false;
    }

    loadSpriteFrames();
    preloadDeskSounds();

    auto scene = Scene::create();
    if (Layer* first = createFirstLayer()) {
        scene->addChild(first);
    }
    director->runWithScene(scene);
    return true;
}

void AppDelegate::applicationDidEnterBackground() {
    Director::getInstance()->stopAnimation();
}

void AppDelegate::applicationWillEnterForeground() {
    Director::getInstance()->startAnimation();
}
