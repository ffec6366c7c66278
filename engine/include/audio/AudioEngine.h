// Sound effects: short WAV files played through the system's audio device.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace cocos2d {

namespace detail {
struct AudioDevice;
}

// The one audio service. The device is opened on the first preload or play
// of a window run; a headless run never opens one. When no device can be
// opened the game goes on silent, after one line on standard error.
class AudioEngine {
public:
    static AudioEngine* getInstance();

    // Reads a sound file (a name in the assets folder) once, so that its
    // first play starts at once. False when it cannot be played: headless,
    // no device, or a file that is missing or not a WAV file (named once on
    // standard error).
    bool preloadEffect(const std::string& file);
    // Starts the sound, mixed with those still sounding (a few at once; the
    // one that started first gives way). Loads the file if needed. Does
    // nothing audible when muted, headless or without a device.
    void playEffect(const std::string& file);

    // A muted engine plays nothing and silences what is sounding; the
    // device stays open, so unmuting takes effect at once.
    void setMuted(bool muted);
    bool isMuted() const { return _muted; }
    // Flips muting; returns the new state.
    bool toggleMuted();

    // An audio device is open.
    bool hasDevice() const;

    // Sees every playEffect call, also muted or headless. Pass an empty
    // function to remove it.
    using EffectHook = std::function<void(const std::string& file)>;
    void setEffectHook(EffectHook hook) { _hook = std::move(hook); }

    // Closes the device and forgets every loaded sound; the next preload or
    // play of a window run opens a device again.
    void end();

private:
    AudioEngine();
    ~AudioEngine();
    // Opens the device once per run; false headless or when that failed.
    bool ensureDevice();

    std::unique_ptr<detail::AudioDevice> _device;
    bool _deviceFailed = false;
    bool _muted = false;
    EffectHook _hook;
};

}  // namespace cocos2d
