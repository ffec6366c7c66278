// WAV files: writing the effects, reading them back, checking a folder.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "soundgen.h"

namespace soundgen {

namespace {

void put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, unsigned long v) {
    put16(out, unsigned(v & 0xFFFF));
    put16(out, unsigned((v >> 16) & 0xFFFF));
}
unsigned get16(const std::string& s, std::size_t at) {
    return unsigned(static_cast<unsigned char>(s[at])) | unsigned(static_cast<unsigned char>(s[at + 1])) << 8;
}
unsigned long get32(const std::string& s, std::size_t at) {
    return get16(s, at) | (static_cast<unsigned long>(get16(s, at + 2)) << 16);
}

}  // namespace

bool writeWav(const std::string& path, const Signal& s) {
    std::string data;
    data.reserve(s.size() * 2);
    for (float v : s) {
        long q = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
        put16(data, unsigned(q) & 0xFFFF);
    }
    std::string out = "RIFF";
    put32(out, 36 + data.size());
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kSampleRate);
    put32(out, kSampleRate * 2);  // bytes per second
    put16(out, 2);                // bytes per frame
    put16(out, 16);               // bits per sample
    out += "data";
    put32(out, data.size());
    out += data;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "soundgen: cannot write %s\n", path.c_str());
    return ok;
}

bool readWav(const std::string& path, WavInfo& out, std::string& reason) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    } else {
        reason = "missing";
        return false;
    }
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) {
        reason = "not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        std::string id = bytes.substr(at, 4);
        std::size_t size = get32(bytes, at + 4);
        std::size_t body = at + 8;
        if (size > bytes.size() - body) {
            reason = "chunk " + id + " runs past the end";
            return false;
        }
        if (id == "fmt " && size >= 16) {
            if (get16(bytes, body) != 1) {
                reason = "not PCM";
                return false;
            }
            out.channels = int(get16(bytes, body + 2));
            out.sampleRate = int(get32(bytes, body + 4));
            out.bitsPerSample = int(get16(bytes, body + 14));
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat || out.bitsPerSample != 16) {
                reason = "data before a 16-bit format";
                return false;
            }
            out.samples.resize(size / 2);
            for (std::size_t i = 0; i < out.samples.size(); ++i)
                out.samples[i] = std::int16_t(get16(bytes, body + 2 * i));
            return true;
        }
        at = body + size + (size & 1);
    }
    reason = "no data chunk";
    return false;
}

int checkSounds(const std::string& dir) {
    int faults = 0;
    auto fault = [&](const std::string& file, const std::string& what) {
        std::fprintf(stderr, "soundgen check: %s: %s\n", file.c_str(), what.c_str());
        ++faults;
    };
    for (const Effect& e : effects()) {
        WavInfo w;
        std::string reason;
        if (!readWav(dir + "/" + e.file, w, reason)) {
            fault(e.file, reason);
            continue;
        }
        if (w.channels != 1 || w.sampleRate != kSampleRate || w.bitsPerSample != 16)
            fault(e.file, "not 16-bit mono at 44100 Hz");
        double seconds = double(w.samples.size()) / kSampleRate;
        if (seconds < 0.03 || seconds > 1.5)
            fault(e.file, "lasts " + std::to_string(seconds) + " s, not 0.03 to 1.5 s");
        if (w.samples.empty())
            continue;
        int peak = 0;
        for (std::int16_t v : w.samples)
            peak = std::max(peak, std::abs(int(v)));
        // Loud enough to hear, and well below full scale: several effects
        // may sound at once without clipping.
        if (peak < 3000 || peak > 20000)
            fault(e.file, "peak " + std::to_string(peak) + " outside 3000..20000");
        // Starting or ending away from zero clicks.
        if (std::abs(int(w.samples.front())) > 300 || std::abs(int(w.samples.back())) > 300)
            fault(e.file, "does not start and end on silence");
    }
    return faults;
}

}  // namespace soundgen
