// soundgen: the client's sound effects, synthesised and written as WAV files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

constexpr int kSampleRate = 44100;

// A mono signal in floating point, full scale at +-1.
using Signal = std::vector<float>;

// One effect: its file name in the sounds folder, how it is made, and the
// peak it is normalised to (headroom for a few effects sounding together).
struct Effect {
    const char* file;
    Signal (*make)();
    float peak;
};
const std::vector<Effect>& effects();

// ---- building blocks (synth.cpp) ----

std::size_t samplesOf(float seconds);
// A bell-like note: a few partials, each decaying exponentially, with a soft
// raised-cosine attack.
Signal bellNote(float frequency, float seconds, float decay, float attack = 0.004f);
// A short burst of band-limited noise (a card touching cloth or wood).
Signal noiseBurst(float seconds, float lowHz, float highHz, float attack, float decay, std::uint32_t seed);
// A sine whose pitch falls exponentially from `from` to `to` (a soft thump).
Signal thump(float from, float to, float seconds, float decay);
// Adds `part` into `into` starting at `at` seconds, scaled by `gain`.
void mixAt(Signal& into, const Signal& part, float at, float gain = 1.0f);
// Scales to the given peak, then fades the first and last milliseconds so
// that the effect starts and ends on silence.
void finish(Signal& s, float peak);

// ---- files (wav.cpp) ----

// 16-bit PCM, mono, kSampleRate. False when the file cannot be written.
bool writeWav(const std::string& path, const Signal& s);
struct WavInfo {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<std::int16_t> samples;
};
// Reads a PCM WAV file; false (with the reason) when it is not one.
bool readWav(const std::string& path, WavInfo& out, std::string& reason);

// Checks a finished sounds folder; returns the number of faults found.
int checkSounds(const std::string& dir);

}  // namespace soundgen
