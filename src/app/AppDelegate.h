#pragma once

#include "cocos2d.h"

// The application delegate: start-up (configuration, window, frame rate, design resolution, the
// server connection, the sprite frames, the hall) and the background/foreground notifications.
class AppDelegate : public cocos2d::Application {
public:
    AppDelegate();
    ~AppDelegate() override;

    void initGLContextAttrs() override;
    // False when the server cannot be reached (after telling the user): no scene is run then.
    bool applicationDidFinishLaunching() override;
    void applicationDidEnterBackground() override;
    void applicationWillEnterForeground() override;
};

// The content-scale rule of start-up for a frame of `frame`: above the medium height the large
// size's factor, above the small height the medium one's, else the small one's (both comparisons
// strict). The factor of a size is the smaller of its width and height ratios to the design size.
float contentScaleFactorFor(const cocos2d::Size& frame, const cocos2d::Size& design,
                            const cocos2d::Size& small, const cocos2d::Size& medium,
                            const cocos2d::Size& large);
