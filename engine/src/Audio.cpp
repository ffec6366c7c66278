// Sound effects: WAV files mixed by a few voices in SDL's audio callback.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "Internal.h"
#include "audio/AudioEngine.h"

namespace cocos2d {

namespace detail {

namespace {

// The mixer's format; every sound is converted to it when it is loaded and
// SDL converts it to whatever the device wants.
constexpr int kRate = 44100;
constexpr SDL_AudioFormat kFormat = AUDIO_S16SYS;
constexpr int kVoices = 4;

struct Sound {
    std::vector<Sint16> samples;
};

// One sound being played. Written under the device lock only.
struct Voice {
    std::shared_ptr<const Sound> sound;
    std::size_t position = 0;
    unsigned long long order = 0;  // when it started; the earliest gives way
    bool active() const { return sound && position < sound->samples.size(); }
};

// Reads a WAV file and converts it to the mixer's format; null with the
// reason when it cannot be used.
std::shared_ptr<const Sound> loadSound(const std::string& path, std::string& reason) {
    SDL_AudioSpec spec;
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &spec, &data, &length)) {
        reason = SDL_GetError();
        return nullptr;
    }
    SDL_AudioCVT cvt;
    int need = SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, kFormat, 1, kRate);
    if (need < 0) {
        reason = SDL_GetError();
        SDL_FreeWAV(data);
        return nullptr;
    }
    std::vector<Uint8> buffer(std::size_t(length) * std::size_t(cvt.len_mult));
    if (length > 0)
        std::memcpy(buffer.data(), data, length);
    SDL_FreeWAV(data);
    cvt.buf = buffer.data();
    cvt.len = int(length);
    if (need == 1 && SDL_ConvertAudio(&cvt) != 0) {
        reason = SDL_GetError();
        return nullptr;
    }
    std::size_t bytes = need == 1 ? std::size_t(cvt.len_cvt) : std::size_t(length);
    auto sound = std::make_shared<Sound>();
    sound->samples.resize(bytes / sizeof(Sint16));
    std::memcpy(sound->samples.data(), buffer.data(), sound->samples.size() * sizeof(Sint16));
    return sound;
}

}  // namespace

struct AudioDevice {
    SDL_AudioDeviceID id = 0;
    // By resolved path; null for a file that cannot be played.
    std::map<std::string, std::shared_ptr<const Sound>> sounds;
    Voice voices[kVoices];
    unsigned long long started = 0;
    bool muted = false;  // read by the callback

    static void mix(void* user, Uint8* stream, int length) {
        auto* self = static_cast<AudioDevice*>(user);
        auto* out = reinterpret_cast<Sint16*>(stream);
        const std::size_t count = std::size_t(length) / sizeof(Sint16);
        std::memset(stream, 0, std::size_t(length));
        if (self->muted)
            return;
        for (Voice& v : self->voices) {
            if (!v.active())
                continue;
            const std::vector<Sint16>& s = v.sound->samples;
            std::size_t n = std::min(count, s.size() - v.position);
            for (std::size_t i = 0; i < n; ++i) {
                int sum = int(out[i]) + int(s[v.position + i]);
                out[i] = Sint16(std::clamp(sum, -32768, 32767));
            }
            v.position += n;
        }
    }

    // The sound of a file, read on first use; null when it cannot be played.
    std::shared_ptr<const Sound> soundAt(const std::string& path) {
        auto it = sounds.find(path);
        if (it == sounds.end()) {
            std::string reason;
            auto sound = loadSound(path, reason);
            if (!sound)
                reportFileProblem("sound", path, reason);
            it = sounds.emplace(path, std::move(sound)).first;
        }
        return it->second;
    }

    // Starts a sound on a free voice, or on the one playing longest.
    void start(std::shared_ptr<const Sound> sound) {
        SDL_LockAudioDevice(id);
        Voice* chosen = &voices[0];
        for (Voice& v : voices) {
            if (!v.active()) {
                chosen = &v;
                break;
            }
            if (v.order < chosen->order)
                chosen = &v;
        }
        chosen->sound = std::move(sound);
        chosen->position = 0;
        chosen->order = ++started;
        SDL_UnlockAudioDevice(id);
    }

    void setMuted(bool on) {
        SDL_LockAudioDevice(id);
        muted = on;
        if (on)
            for (Voice& v : voices)
                v.position = v.sound ? v.sound->samples.size() : 0;
        SDL_UnlockAudioDevice(id);
    }

    ~AudioDevice() {
        // Waits for a running callback; after this nothing reads the voices.
        if (id != 0)
            SDL_CloseAudioDevice(id);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
};

}  // namespace detail

AudioEngine* AudioEngine::getInstance() {
    static AudioEngine* engine = new AudioEngine();
    return engine;
}

AudioEngine::AudioEngine() = default;
AudioEngine::~AudioEngine() = default;

bool AudioEngine::ensureDevice() {
    if (_device)
        return true;
    if (_deviceFailed || detail::engineState().headless)
        return false;
    auto fail = [&]() {
        detail::reportOnce(std::string("engine: no audio device could be opened (") + SDL_GetError() +
                           "); the game runs without sound");
        _deviceFailed = true;
        return false;
    };
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return fail();
    auto device = std::make_unique<detail::AudioDevice>();
    device->muted = _muted;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = detail::kRate;
    want.format = detail::kFormat;
    want.channels = 1;
    want.samples = 1024;  // about 23 ms: prompt enough for effects
    want.callback = &detail::AudioDevice::mix;
    want.userdata = device.get();
    SDL_AudioSpec have;
    device->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device->id == 0) {
        bool failed = fail();
        device.reset();
        return failed;
    }
    SDL_PauseAudioDevice(device->id, 0);
    _device = std::move(device);
    return true;
}

bool AudioEngine::hasDevice() const {
    return _device != nullptr;
}

bool AudioEngine::preloadEffect(const std::string& file) {
    return ensureDevice() && _device->soundAt(FileUtils::getInstance()->fullPathForFilename(file));
}

void AudioEngine::playEffect(const std::string& file) {
    if (_hook)
        _hook(file);
    if (_muted || !ensureDevice())
        return;
    if (auto sound = _device->soundAt(FileUtils::getInstance()->fullPathForFilename(file)))
        _device->start(std::move(sound));
}

void AudioEngine::setMuted(bool muted) {
    _muted = muted;
    if (_device)
        _device->setMuted(muted);
}

bool AudioEngine::toggleMuted() {
    setMuted(!_muted);
    return _muted;
}

void AudioEngine::end() {
    _device.reset();
    _deviceFailed = false;
}

}  // namespace cocos2d
