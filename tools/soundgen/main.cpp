// soundgen: writes the client's sound effects.
//
//   soundgen --out DIR     write every effect into DIR
//   soundgen --check DIR   check the effects in DIR (format, length, level, clean ends)
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "soundgen.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: soundgen --out DIR\n       soundgen --check DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return usage();
    const std::string dir = argv[2];
    if (!std::strcmp(argv[1], "--check"))
        return soundgen::checkSounds(dir) == 0 ? 0 : 1;
    if (std::strcmp(argv[1], "--out") != 0)
        return usage();
    mkdir(dir.c_str(), 0755);
    bool ok = true;
    for (const soundgen::Effect& e : soundgen::effects()) {
        soundgen::Signal s = e.make();
        soundgen::finish(s, e.peak);
        ok = soundgen::writeWav(dir + "/" + e.file, s) && ok;
    }
    return ok ? 0 : 1;
}
