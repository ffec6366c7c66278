// Building blocks of the effects: notes, noise bursts, thumps, mixing.
#include <algorithm>
#include <cmath>

#include "soundgen.h"

namespace soundgen {

namespace {

constexpr float kTwoPi = 6.28318530718f;

// A raised-cosine rise from 0 to 1 over `attack` seconds, then 1.
float rise(float t, float attack) {
    if (attack <= 0.0f || t >= attack)
        return 1.0f;
    return 0.5f - 0.5f * std::cos(3.14159265f * t / attack);
}

// A small fixed-seed generator, so that every build writes the same files.
struct Noise {
    std::uint32_t state;
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return float(state) / 2147483648.0f - 1.0f;
    }
};

// The coefficient of a one-pole low-pass filter with the given corner.
float onePole(float hz) {
    return 1.0f - std::exp(-kTwoPi * hz / float(kSampleRate));
}

}  // namespace

std::size_t samplesOf(float seconds) {
    return std::size_t(std::lround(seconds * float(kSampleRate)));
}

Signal bellNote(float frequency, float seconds, float decay, float attack) {
    // Soft partials: the octave and the twelfth, dying away faster than the
    // fundamental, so the note is round rather than metallic.
    struct Partial {
        float ratio, gain, decayShare;
    };
    const Partial partials[] = {{1.0f, 1.0f, 1.0f}, {2.0f, 0.22f, 0.55f}, {3.0f, 0.07f, 0.35f}};
    Signal s(samplesOf(seconds));
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / float(kSampleRate);
        float v = 0.0f;
        for (const Partial& p : partials) {
            if (frequency * p.ratio >= float(kSampleRate) / 2.0f)
                continue;
            v += p.gain * std::exp(-t / (decay * p.decayShare)) * std::sin(kTwoPi * frequency * p.ratio * t);
        }
        s[i] = v * rise(t, attack);
    }
    return s;
}

Signal noiseBurst(float seconds, float lowHz, float highHz, float attack, float decay, std::uint32_t seed) {
    Signal s(samplesOf(seconds));
    Noise noise{seed ? seed : 1u};
    const float lp = onePole(highHz), hp = onePole(lowHz);
    float low1 = 0.0f, low2 = 0.0f, floor = 0.0f;
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / float(kSampleRate);
        // Two low-pass stages take the hiss off; subtracting a slow follower
        // takes the rumble off.
        low1 += lp * (noise.next() - low1);
        low2 += lp * (low1 - low2);
        floor += hp * (low2 - floor);
        float band = low2 - floor;
        s[i] = band * rise(t, attack) * std::exp(-std::max(0.0f, t - attack) / decay);
    }
    return s;
}

Signal thump(float from, float to, float seconds, float decay) {
    Signal s(samplesOf(seconds));
    float phase = 0.0f;
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / float(kSampleRate);
        float f = to + (from - to) * std::exp(-t / 0.025f);
        phase += kTwoPi * f / float(kSampleRate);
        s[i] = std::sin(phase) * rise(t, 0.002f) * std::exp(-t / decay);
    }
    return s;
}

void mixAt(Signal& into, const Signal& part, float at, float gain) {
    std::size_t start = samplesOf(at);
    if (into.size() < start + part.size())
        into.resize(start + part.size(), 0.0f);
    for (std::size_t i = 0; i < part.size(); ++i)
        into[start + i] += gain * part[i];
}

void finish(Signal& s, float peak) {
    float top = 0.0f;
    for (float v : s)
        top = std::max(top, std::fabs(v));
    if (top > 0.0f)
        for (float& v : s)
            v *= peak / top;
    // Fade in over 2 ms and out over 15 ms: no click at either end.
    const std::size_t in = std::min(s.size(), samplesOf(0.002f));
    const std::size_t out = std::min(s.size(), samplesOf(0.015f));
    for (std::size_t i = 0; i < in; ++i)
        s[i] *= rise(float(i), float(in));
    for (std::size_t i = 0; i < out; ++i)
        s[s.size() - 1 - i] *= rise(float(i), float(out));
}

}  // namespace soundgen
