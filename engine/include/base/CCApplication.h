// The application object and the delegate protocol it runs.
#pragma once

#include <string>

#include "base/ccTypes.h"

namespace cocos2d {

enum class LanguageType {
    ENGLISH = 0,
    CHINESE,
    FRENCH,
    ITALIAN,
    GERMAN,
    SPANISH,
    DUTCH,
    RUSSIAN,
    KOREAN,
    JAPANESE,
    HUNGARIAN,
    PORTUGUESE,
    ARABIC,
    NORWEGIAN,
    POLISH,
    TURKISH,
    UKRAINIAN,
    ROMANIAN,
    BULGARIAN
};

class ApplicationProtocol {
public:
    enum class Platform { OS_WINDOWS, OS_LINUX, OS_MAC, OS_ANDROID, OS_IPHONE, OS_IPAD };

    virtual ~ApplicationProtocol() {}
    // Start-up; false ends the run without entering the main loop.
    virtual bool applicationDidFinishLaunching() = 0;
    // The window was minimised / restored.
    virtual void applicationDidEnterBackground() = 0;
    virtual void applicationWillEnterForeground() = 0;
    virtual void setAnimationInterval(float interval) = 0;
    // Called before the view is created.
    virtual void initGLContextAttrs() {}
    virtual LanguageType getCurrentLanguage() = 0;
    virtual const char* getCurrentLanguageCode() = 0;
    virtual Platform getTargetPlatform() = 0;
    virtual std::string getVersion() = 0;
    virtual bool openURL(const std::string& url) = 0;
};

// The application: the object constructed last is the instance. run()
// calls initGLContextAttrs, then applicationDidFinishLaunching, then runs
// the main loop on the calling thread until the window closes,
// Director::end() is called or the --frames limit is reached.
class Application : public ApplicationProtocol {
public:
    Application();
    ~Application() override;

    static Application* getInstance();

    // 0 after a normal end; non-zero when start-up failed or no display
    // is available for a window.
    int run();

    void setAnimationInterval(float interval) override;
    LanguageType getCurrentLanguage() override;
    const char* getCurrentLanguageCode() override;
    Platform getTargetPlatform() override;
    std::string getVersion() override;
    bool openURL(const std::string& url) override;

private:
    static Application* s_sharedApplication;
};

}  // namespace cocos2d
