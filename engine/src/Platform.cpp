// Resource files and the command line.
#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Internal.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef MessageBox
#endif

namespace cocos2d {

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    // The C library's narrow names are in the ANSI code page; ours are UTF-8.
    auto widen = [](const char* text) {
        int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
        std::wstring w(n > 0 ? std::size_t(n) : 1, L'\0');
        if (n > 0)
            MultiByteToWideChar(CP_UTF8, 0, text, -1, &w[0], n);
        return w;
    };
    return _wfopen(widen(path.c_str()).c_str(), widen(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

FileUtils* FileUtils::getInstance() {
    static FileUtils* utils = new FileUtils();
    return utils;
}

void FileUtils::setAssetsDirectory(const std::string& dir) {
    _assetsDir = dir;
    // Trailing separators go, but a root ("/", "C:\") stays whole.
    while (_assetsDir.size() > 1 && isSeparator(_assetsDir.back()) &&
           !(_assetsDir.size() == 3 && _assetsDir[1] == ':'))
        _assetsDir.pop_back();
}

const std::string& FileUtils::getAssetsDirectory() const {
    if (_assetsDir.empty()) {
        // Default: the assets folder next to the executable (SDL ends the path with a separator).
        char* base = SDL_GetBasePath();
        _assetsDir = std::string(base ? base : "./") + "assets";
        SDL_free(base);
    }
    return _assetsDir;
}

bool FileUtils::isAbsolutePath(const std::string& path) const {
    if (!path.empty() && isSeparator(path[0]))
        return true;
#ifdef _WIN32
    // A drive letter: "C:\x" or "C:/x", and "C:x", which names the drive's own current folder.
    const unsigned char letter = path.empty() ? 0 : static_cast<unsigned char>(path[0]);
    if (path.size() >= 2 && path[1] == ':' &&
        ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return true;
#endif
    return false;
}

std::string FileUtils::fullPathForFilename(const std::string& filename) const {
    if (filename.empty() || isAbsolutePath(filename))
        return filename;
    return getAssetsDirectory() + "/" + filename;
}

bool FileUtils::isFileExist(const std::string& filename) const {
    std::FILE* f = openFile(fullPathForFilename(filename), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

std::string FileUtils::getStringFromFile(const std::string& filename) const {
    std::string out;
    std::FILE* f = openFile(fullPathForFilename(filename), "rb");
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

// A positive count of frames, at most a billion.
std::string takeFrames(const std::string& n) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(n.c_str(), &end, 10);
    if (n.empty() || *end != '\0' || errno != 0 || v <= 0 || v > 1000000000L)
        return "--frames needs a positive number, not '" + n + "'";
    runOptions().frames = int(v);
    return "";
}

// The engine's own options first; programs add theirs behind them.
std::vector<CommandLineOption> engineOptions() {
    return {
        {"--assets", "DIR", "look up resource files in DIR (default: assets next to the program)",
         [](const std::string& dir) -> std::string {
             if (dir.empty())
                 return "--assets needs a folder";
             runOptions().assetsDir = dir;
             FileUtils::getInstance()->setAssetsDirectory(dir);
             return "";
         }},
        {"--headless", "", "run without a window; message boxes go to standard error as JSON lines",
         [](const std::string&) -> std::string {
             runOptions().headless = true;
             detail::engineState().headless = true;
             return "";
         }},
        {"--frames", "N", "end the run after N frames (exit status 0)", takeFrames},
        {"--screenshot", "FILE", "save the last frame as a PNG when the run ends",
         [](const std::string& file) -> std::string {
             if (file.empty())
                 return "--screenshot needs a file name";
             runOptions().screenshotFile = file;
             return "";
         }},
        {"--mute", "", "start with the sound off",
         [](const std::string&) -> std::string {
             runOptions().mute = true;
             return "";
         }},
        {"--scale", "F",
         "show the window at F times its size, 1 to 3 in steps of 0.25\n"
         "(default: 2 on a desktop at least twice the window's size, else 1)",
         [](const std::string& f) -> std::string {
             if (!parseWindowScale(f, runOptions().scale))
                 return "--scale needs a factor from 1 to 3 in steps of 0.25 (1, 1.25, 1.5, ... 3), not '" +
                        f + "'";
             return "";
         }},
        {"--help", "", "show this text", nullptr},
    };
}

std::vector<CommandLineOption>& optionTable() {
    static std::vector<CommandLineOption> table = engineOptions();
    return table;
}

const CommandLineOption* findOption(const std::string& name) {
    if (name == "-h")
        return findOption("--help");
    for (const CommandLineOption& o : optionTable())
        if (o.name == name)
            return &o;
    return nullptr;
}

std::vector<std::string>& helpLines() {
    static std::vector<std::string> lines;
    return lines;
}

}  // namespace

void addHelpLine(const std::string& line) {
    helpLines().push_back(line);
}

void addCommandLineOption(CommandLineOption option) {
    for (CommandLineOption& o : optionTable()) {
        if (o.name == option.name) {
            o = std::move(option);
            return;
        }
    }
    optionTable().push_back(std::move(option));
}

std::string helpText(const std::string& programName) {
    const std::size_t column = 21;
    std::string t = "Usage: " + programName + " [options]\n\nOptions:\n";
    for (const CommandLineOption& o : optionTable()) {
        std::string head = "  " + o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        head.resize(std::max(head.size() + 1, column), ' ');
        std::size_t start = 0;
        for (bool first = true;; first = false) {
            std::size_t nl = o.help.find('\n', start);
            t += (first ? head : std::string(column, ' ')) + o.help.substr(start, nl - start) + "\n";
            if (nl == std::string::npos)
                break;
            start = nl + 1;
        }
    }
    for (const std::string& l : helpLines())
        t += l + "\n";
    return t;
}

bool parseCommandLine(const std::vector<std::string>& args, std::vector<std::string>& unknownArgs) {
    RunOptions& o = runOptions();
    const std::string program = !args.empty() && !args[0].empty() ? args[0] : "program";
    auto fail = [&](const std::string& message) {
        std::fprintf(stderr, "%s: %s (try --help)\n", program.c_str(), message.c_str());
        o.error = true;
        return false;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string name = a;
        std::string value;
        bool inlineValue = false;
        const auto eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        const CommandLineOption* option = findOption(name);
        if (!option) {
            unknownArgs.push_back(a);
            continue;
        }
        if (option->name == "--help") {
            std::fputs(helpText(program).c_str(), stdout);
            std::fflush(stdout);
            o.help = true;
            return false;
        }
        if (option->valueName.empty()) {
            if (inlineValue)
                return fail(option->name + " takes no value");
        } else if (!inlineValue) {
            if (i + 1 >= args.size())
                return fail(option->name + " needs " + option->valueName);
            value = args[++i];
        }
        const std::string error = option->apply ? option->apply(value) : "";
        if (!error.empty())
            return fail(error);
    }
    return true;
}

bool parseCommandLine(int argc, char** argv, std::vector<std::string>& unknownArgs) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i] ? argv[i] : "");
    return parseCommandLine(args, unknownArgs);
}

bool parseWindowScale(const std::string& text, float& scale) {
    // Digits with at most one point: no sign, exponent, blanks or hexadecimal.
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text.front() == '.' || text.back() == '.')
        return false;
    double v = std::strtod(text.c_str(), nullptr);
    double quarters = v * 4.0;
    if (v < 1.0 || v > 3.0 || std::fabs(quarters - std::round(quarters)) > 1e-9)
        return false;
    scale = float(v);
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
#ifndef _WIN32
    // No display server named at all: say so without letting SDL try each one. (Windows always has
    // its own desktop; SDL's driver for it needs no variable.)
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        std::fprintf(stderr,
                     "No display available: run with --headless, or start the program under Xvfb "
                     "(xvfb-run -a ...).\n");
        return false;
    }
#else
    (void)set;
#endif
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
