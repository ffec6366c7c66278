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

TEST(CommandLineTest, HelpListsTheEngineOptionsAndTheProgramsOwnLines) {
    addHelpLine("  --port N           server port (default 9999)");
    runOptions() = RunOptions();
    char prog[] = "cardhall", help[] = "--help";
    char* argv[] = {prog, help};
    std::vector<std::string> unknown;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(parseCommandLine(2, argv, unknown));
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(commandLineExitStatus(), 0);
    for (const char* opt :
         {"--assets DIR", "--headless", "--frames N", "--screenshot FILE", "--help", "--port N"})
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
    runOptions() = RunOptions();
}
