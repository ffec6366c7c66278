// The effects of the desk: short, soft, in a major key; nothing above a
// few kHz, so that none of them is shrill.
#include "soundgen.h"

namespace soundgen {

namespace {

// Note frequencies (equal temperament, A4 = 440 Hz).
constexpr float kG4 = 392.00f, kC5 = 523.25f, kD5 = 587.33f, kE5 = 659.26f, kG5 = 783.99f, kA5 = 880.00f,
                kC6 = 1046.50f, kEb4 = 311.13f, kC4 = 261.63f, kA4 = 440.00f;

// Cards dealt: a quick run of soft flicks.
Signal deal() {
    Signal s;
    for (int i = 0; i < 6; ++i) {
        Signal flick = noiseBurst(0.06f, 700.0f, 3200.0f, 0.003f, 0.014f, 101u + 7u * unsigned(i));
        mixAt(s, flick, 0.055f * float(i), i % 2 ? 0.8f : 1.0f);
    }
    mixAt(s, Signal(samplesOf(0.03f)), 0.055f * 6);
    return s;
}

// A card laid on the cloth: a dull slap with a little body under it.
Signal play() {
    Signal s = noiseBurst(0.14f, 250.0f, 1800.0f, 0.0015f, 0.028f, 4242u);
    mixAt(s, thump(220.0f, 120.0f, 0.14f, 0.04f), 0.0f, 0.35f);
    return s;
}

// A pass: two quiet falling notes.
Signal pass() {
    Signal s;
    mixAt(s, bellNote(kD5, 0.22f, 0.09f, 0.008f), 0.0f);
    mixAt(s, bellNote(kA4, 0.30f, 0.11f, 0.008f), 0.11f, 0.9f);
    return s;
}

// The own turn begins: a friendly rising chime.
Signal turn() {
    Signal s;
    mixAt(s, bellNote(kE5, 0.55f, 0.22f), 0.0f);
    mixAt(s, bellNote(kA5, 0.60f, 0.25f), 0.12f, 0.85f);
    return s;
}

// One of the last seconds: a small wooden tick.
Signal tick() {
    Signal s = bellNote(1200.0f, 0.07f, 0.014f, 0.0015f);
    mixAt(s, noiseBurst(0.03f, 1500.0f, 4000.0f, 0.001f, 0.004f, 77u), 0.0f, 0.25f);
    return s;
}

// Won: a bright arpeggio up to the octave.
Signal win() {
    Signal s;
    const float notes[] = {kC5, kE5, kG5, kC6};
    for (int i = 0; i < 4; ++i)
        mixAt(s, bellNote(notes[i], 0.75f, i == 3 ? 0.30f : 0.20f), 0.11f * float(i), i == 3 ? 1.0f : 0.8f);
    return s;
}

// Lost: a gentle falling minor figure.
Signal lose() {
    Signal s;
    const float notes[] = {kG4, kEb4, kC4};
    for (int i = 0; i < 3; ++i)
        mixAt(s, bellNote(notes[i], 0.70f, i == 2 ? 0.28f : 0.18f, 0.012f), 0.18f * float(i));
    return s;
}

}  // namespace

const std::vector<Effect>& effects() {
    static const std::vector<Effect> list = {
        {"deal.wav", deal, 0.35f}, {"play.wav", play, 0.45f}, {"pass.wav", pass, 0.30f},
        {"turn.wav", turn, 0.45f}, {"tick.wav", tick, 0.30f}, {"win.wav", win, 0.45f},
        {"lose.wav", lose, 0.40f},
    };
    return list;
}

}  // namespace soundgen
