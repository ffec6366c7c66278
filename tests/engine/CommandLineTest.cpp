// The engine's command-line options.
#include <gtest/gtest.h>

#include "engine_testing.h"

using namespace cocos2d;

namespace {

struct Case {
    std::vector<std::string> args;
    bool ok;
    int status;  // exit status when !ok
    RunOptions expected;
    std::vector<std::string> unknown;
};

RunOptions opts(const std::string& assets, bool headless, int frames, const std::string& shot) {
    RunOptions o;
    o.assetsDir = assets;
    o.headless = headless;
    o.frames = frames;
    o.screenshotFile = shot;
    return o;
}

}  // namespace

TEST(CommandLineTest, EngineOptionsAreTakenAndTheRestHandedBack) {
    std::vector<Case> cases{
        {{}, true, 0, opts("", false, 0, ""), {}},
        {{"--headless", "--frames", "30"}, true, 0, opts("", true, 30, ""), {}},
        {{"--assets", "/tmp/a", "--screenshot", "out.png"}, true, 0, opts("/tmp/a", false, 0, "out.png"), {}},
        {{"--assets=/tmp/b", "--frames=2"}, true, 0, opts("/tmp/b", false, 2, ""), {}},
        {{"--trace", "--port", "4000", "--headless"},
         true,
         0,
         opts("", true, 0, ""),
         {"--trace", "--port", "4000"}},
        {{"extra"}, true, 0, opts("", false, 0, ""), {"extra"}},
        {{"--frames"}, false, 2, opts("", false, 0, ""), {}},
        {{"--frames", "0"}, false, 2, opts("", false, 0, ""), {}},
        {{"--frames", "-3"}, false, 2, opts("", false, 0, ""), {}},
        {{"--frames", "12x"}, false, 2, opts("", false, 0, ""), {}},
        {{"--frames", "99999999999999"}, false, 2, opts("", false, 0, ""), {}},
        {{"--assets"}, false, 2, opts("", false, 0, ""), {}},
        {{"--screenshot"}, false, 2, opts("", false, 0, ""), {}},
    };
    for (const Case& c : cases) {
        runOptions() = RunOptions();
        std::vector<std::string> storage{"prog"};
        storage.insert(storage.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& s : storage)
            argv.push_back(&s[0]);
        std::vector<std::string> unknown;
        std::string label = ::testing::PrintToString(c.args);
        ::testing::internal::CaptureStderr();
        bool ok = parseCommandLine(int(argv.size()), argv.data(), unknown);
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(ok, c.ok) << label;
        if (!ok) {
            EXPECT_EQ(commandLineExitStatus(), c.status) << label;
            EXPECT_NE(err.find("--help"), std::string::npos) << "the message points to --help: " << err;
            continue;
        }
        EXPECT_EQ(err, "") << label;
        const RunOptions& o = runOptions();
        EXPECT_EQ(o.assetsDir, c.expected.assetsDir) << label;
        EXPECT_EQ(o.headless, c.expected.headless) << label;
        EXPECT_EQ(o.frames, c.expected.frames) << label;
        EXPECT_EQ(o.screenshotFile, c.expected.screenshotFile) << label;
        EXPECT_EQ(unknown, c.unknown) << label;
        if (!c.expected.assetsDir.empty()) {
            EXPECT_EQ(FileUtils::getInstance()->fullPathForFilename("num.png"),
                      c.expected.assetsDir + "/num.png");
            EXPECT_EQ(FileUtils::getInstance()->fullPathForFilename("/abs/x.png"), "/abs/x.png");
        }
    }
    runOptions() = RunOptions();
}

TEST(CommandLineTest, ProgramOptionsFromTheTableAreAppliedAndListed) {
    std::vector<std::string> seen;
    addCommandLineOption(
        {"--port", "N", "server port (default 9999)", [&](const std::string& v) -> std::string {
             if (v == "0")
                 return "--port needs a port number";
             seen.push_back("port " + v);
             return "";
         }});
    addCommandLineOption({"--trace", "", "write every message\nto standard error", [&](const std::string&) {
                              seen.push_back("trace");
                              return std::string();
                          }});
    struct OptionCase {
        std::vector<std::string> args;
        bool ok;
        std::vector<std::string> seen;
        std::vector<std::string> unknown;
    };
    const std::vector<OptionCase> cases{
        {{"--trace", "--port", "4000", "--headless", "x"}, true, {"trace", "port 4000"}, {"x"}},
        {{"--port=81"}, true, {"port 81"}, {}},
        {{"--port", "0"}, false, {}, {}},
        {{"--port"}, false, {}, {}},
        {{"--trace=yes"}, false, {}, {}},
    };
    for (const OptionCase& c : cases) {
        runOptions() = RunOptions();
        seen.clear();
        std::vector<std::string> args{"prog"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<std::string> unknown;
        ::testing::internal::CaptureStderr();
        const bool ok = parseCommandLine(args, unknown);
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string label = ::testing::PrintToString(c.args);
        EXPECT_EQ(ok, c.ok) << label;
        EXPECT_EQ(ok ? 0 : commandLineExitStatus(), ok ? 0 : 2) << label;
        EXPECT_EQ(err.empty(), ok) << label << ": " << err;
        if (ok) {
            EXPECT_EQ(seen, c.seen) << label;
            EXPECT_EQ(unknown, c.unknown) << label;
        }
    }

    runOptions() = RunOptions();
    std::vector<std::string> unknown;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(parseCommandLine({"cardhall", "--help"}, unknown));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(commandLineExitStatus(), 0);
    for (const char* line :
         {"  --assets DIR       look up", "  --headless         run", "  --frames N         end",
          "  --screenshot FILE  save", "  --help             show", "  --port N           server port",
          "  --trace            write every message\n                     to standard error\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
    EXPECT_EQ(out.find("--assets"), out.find("Options:\n") + 11) << "the engine's options come first";
    runOptions() = RunOptions();
}

TEST(CommandLineTest, AbsolutePathsAreKeptAndOthersTakenFromTheAssetsFolder) {
    struct PathCase {
        std::string path;
        bool absoluteHere;
    };
#ifdef _WIN32
    const bool windows = true;
#else
    const bool windows = false;
#endif
    const std::vector<PathCase> cases{
        {"/abs/x.png", true},
        {"fonts/arial.ttf", false},
        {"x.png", false},
        {"C:\\games\\assets\\x.png", windows},
        {"c:/games/x.png", windows},
        {"Z:x.png", windows},
        {"\\\\server\\share\\x.png", windows},
        {"\\x.png", windows},
        {"1:/x.png", false},
        {":x.png", false},
    };
    FileUtils* files = FileUtils::getInstance();
    const std::string saved = files->getAssetsDirectory();
    files->setAssetsDirectory("base");
    for (const PathCase& c : cases) {
        EXPECT_EQ(files->isAbsolutePath(c.path), c.absoluteHere) << c.path;
        EXPECT_EQ(files->fullPathForFilename(c.path), c.absoluteHere ? c.path : "base/" + c.path) << c.path;
    }
    // A folder keeps its root but loses trailing separators.
    const std::vector<std::pair<std::string, std::string>> folders{
        {"/", "/"},
        {"/a/b/", "/a/b"},
        {windows ? "C:\\a\\" : "/a//", windows ? "C:\\a" : "/a"},
        {windows ? "C:\\" : "/", windows ? "C:\\" : "/"}};
    for (const auto& f : folders) {
        files->setAssetsDirectory(f.first);
        EXPECT_EQ(files->getAssetsDirectory(), f.second) << f.first;
    }
    files->setAssetsDirectory(saved);
}
