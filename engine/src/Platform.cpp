// Resource files and the command line.
#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "Internal.h"

namespace cocos2d {

FileUtils* FileUtils::getInstance() {
    static FileUtils* utils = new FileUtils();
    return utils;
}

void FileUtils::setAssetsDirectory(const std::string& dir) {
    _assetsDir = dir;
    while (_assetsDir.size() > 1 && _assetsDir.back() == '/')
        _assetsDir.pop_back();
}

const std::string& FileUtils::getAssetsDirectory() const {
    if (_assetsDir.empty()) {
        // Default: the assets folder next to the executable.
        char* base = SDL_GetBasePath();
        _assetsDir = std::string(base ? base : "./") + "assets";
        SDL_free(base);
    }
    return _assetsDir;
}

std::string FileUtils::fullPathForFilename(const std::string& filename) const {
    if (filename.empty() || filename[0] == '/')
        return filename;
    return getAssetsDirectory() + "/" + filename;
}

bool FileUtils::isFileExist(const std::string& filename) const {
    std::FILE* f = std::fopen(fullPathForFilename(filename).c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

std::string FileUtils::getStringFromFile(const std::string& filename) const {
    std::string out;
    std::FILE* f = std::fopen(fullPathForFilename(filename).c_str(), "rb");
    if (!f)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

RunOptions& runOptions() {
    static RunOptions options;
    return options;
}

namespace {
std::vector<std::string>& helpLines() {
    static std::vector<std::string> lines;
    return lines;
}
}  // namespace

void addHelpLine(const std::string& line) {
    helpLines().push_back(line);
}

std::string helpText(const std::string& programName) {
    std::string t = "Usage: " + programName + " [options]\n\nOptions:\n";
    t += "  --assets DIR       look up resource files in DIR (default: assets next to the program)\n";
    t += "  --headless         run without a window; message boxes go to standard error as JSON lines\n";
    t += "  --frames N         end the run after N frames (exit status 0)\n";
    t += "  --screenshot FILE  save the last frame as a PNG when the run ends\n";
    t += "  --help             show this text\n";
    for (const std::string& l : helpLines())
        t += l + "\n";
    return t;
}

bool parseCommandLine(int argc, char** argv, std::vector<std::string>& unknownArgs) {
    RunOptions& o = runOptions();
    std::string program = argc > 0 && argv[0] ? argv[0] : "program";
    auto fail = [&](const std::string& message) {
        std::fprintf(stderr, "%s: %s (try --help)\n", program.c_str(), message.c_str());
        o.error = true;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i] ? argv[i] : "";
        std::string value;
        bool inlineValue = false;
        std::string name = a;
        auto eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        auto takeValue = [&](std::string& out) {
            if (inlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (name == "--help" || name == "-h") {
            std::fputs(helpText(program).c_str(), stdout);
            o.help = true;
            return false;
        } else if (name == "--headless") {
            o.headless = true;
            detail::engineState().headless = true;
        } else if (name == "--assets") {
            if (!takeValue(o.assetsDir) || o.assetsDir.empty())
                return fail("--assets needs a folder");
            FileUtils::getInstance()->setAssetsDirectory(o.assetsDir);
        } else if (name == "--frames") {
            std::string n;
            if (!takeValue(n))
                return fail("--frames needs a number");
            errno = 0;
            char* end = nullptr;
            long v = std::strtol(n.c_str(), &end, 10);
            if (n.empty() || *end != '\0' || errno != 0 || v <= 0 || v > 1000000000L)
                return fail("--frames needs a positive number, not '" + n + "'");
            o.frames = int(v);
        } else if (name == "--screenshot") {
            if (!takeValue(o.screenshotFile) || o.screenshotFile.empty())
                return fail("--screenshot needs a file name");
        } else {
            unknownArgs.push_back(a);
        }
    }
    return true;
}

int commandLineExitStatus() {
    return runOptions().help ? 0 : 2;
}

namespace detail {

bool ensureVideo() {
    EngineState& s = engineState();
    if (s.videoInitialised)
        return true;
    auto set = [](const char* name) {
        const char* v = SDL_getenv(name);
        return v && *v;
    };
    // No display server named at all: say so without letting SDL try each one.
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        std::fprintf(stderr,
                     "No display available: run with --headless, or start the program under Xvfb "
                     "(xvfb-run -a ...).\n");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr,
                     "No display available (%s): run with --headless, or start the program under Xvfb "
                     "(xvfb-run -a ...).\n",
                     SDL_GetError());
        return false;
    }
    // Without a display SDL falls back to its offscreen driver, which shows
    // nothing: that is not a window either, unless asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    std::string d = driver ? driver : "";
    if ((d == "offscreen" || d == "dummy") && !(wanted && d == wanted)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        std::fprintf(stderr,
                     "No display available: run with --headless, or start the program under Xvfb "
                     "(xvfb-run -a ...).\n");
        return false;
    }
    s.videoInitialised = true;
    return true;
}

}  // namespace detail
}  // namespace cocos2d
