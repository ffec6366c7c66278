#pragma once

// The desk's sound effects: files of the assets folder, written by the build's sound generator.

#include "cocos2d.h"

constexpr const char* kDealSound = "sounds/deal.wav";
constexpr const char* kPlaySound = "sounds/play.wav";
constexpr const char* kPassSound = "sounds/pass.wav";
constexpr const char* kTurnSound = "sounds/turn.wav";
constexpr const char* kTickSound = "sounds/tick.wav";
constexpr const char* kWinSound = "sounds/win.wav";
constexpr const char* kLoseSound = "sounds/lose.wav";

// The own countdown ticks while it shows this many seconds or fewer (down to 0, the last second
// before the automatic action).
constexpr int kTickSeconds = 4;

// Reads every effect once, so that the first of each starts without delay; in a window run this
// also opens the audio device.
inline void preloadDeskSounds() {
    for (const char* file :
         {kDealSound, kPlaySound, kPassSound, kTurnSound, kTickSound, kWinSound, kLoseSound}) {
        cocos2d::AudioEngine::getInstance()->preloadEffect(file);
    }
}

inline void playDeskSound(const char* file) {
    cocos2d::AudioEngine::getInstance()->playEffect(file);
}
