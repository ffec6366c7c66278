// The cardhall program as a process: its options, start-up without a server, the version check
// ending the run with status 0, --trace, where it finds its assets and the player's own settings.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ScriptedServer.h"

namespace {

using testsupport::ScriptedServer;
using Ms = std::chrono::milliseconds;
namespace fs = std::filesystem;

// A running cardhall with its standard output and error in one pipe; `environment` holds
// "NAME=value" changes to this process's environment.
class Program : public testsupport::ChildProcess {
public:
    explicit Program(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
                     const std::string& exe = CARDHALL_EXE)
        : ChildProcess(exe, args, environment) {}
    const std::string& stderrText() const { return output(); }
    std::vector<std::string> stderrLines() const { return lines(); }
};

// The variable that names the folder of the player's own settings.
#ifdef _WIN32
const char kConfigHome[] = "APPDATA";
#else
const char kConfigHome[] = "XDG_CONFIG_HOME";
#endif

std::vector<std::string> headless(unsigned short port, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--headless", "--assets", CARDHALL_TEST_ASSETS, "--port",
                                  std::to_string(port)};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const char kConnectBoxLine[] =
    R"({"messagebox":{"title":"错误","text":"连接服务器失败！请检查网络是否正常。"}})";

TEST(Program, OptionsAreCheckedAndDocumented) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* stderrHas;
    };
    const Case cases[] = {
        {{"--port"}, 2, "--port"},
        {{"--port", "0"}, 2, "--port"},
        {{"--port", "65536"}, 2, "--port"},
        {{"--port", "12x"}, 2, "--port"},
        {{"--bogus"}, 2, "--bogus"},
        {{"--scale", "0.75"}, 2, "--scale"},
        {{"--scale", "3.25"}, 2, "--scale"},
        {{"--scale", "1.1"}, 2, "--scale"},
        {{"--scale"}, 2, "--scale"},
        {{"--host"}, 2, "--host"},
        {{"--host", "1.2.3"}, 2, "--host"},
        {{"--host", "1.2.3.256"}, 2, "--host"},
        {{"--host", "1.2.3.4.5"}, 2, "--host"},
        {{"--host", "010.0.0.1"}, 2, "--host"},
        {{"--host", "localhost"}, 2, "--host"},
    };
    for (const auto& c : cases) {
        Program p(c.args);
        EXPECT_EQ(p.wait(), c.status) << c.args[0];
        EXPECT_NE(p.stderrText().find(c.stderrHas), std::string::npos) << p.stderrText();
    }
    Program help({"--help"});
    EXPECT_EQ(help.wait(), 0);
    for (const char* option :
         {"--trace", "--port N", "--host ADDRESS", "--headless", "--assets", kConfigHome}) {
        EXPECT_NE(help.stderrText().find(option), std::string::npos) << option << " in\n"
                                                                     << help.stderrText();
    }
}

TEST(Program, WithNothingListeningItShowsOneBoxAndEnds) {
    Program p(headless(ScriptedServer::unusedPort(), {"--frames", "600"}));
    EXPECT_NE(p.wait(), -1);  // ends by itself, without a crash
    EXPECT_EQ(p.linesStartingWith("{\"messagebox\""), std::vector<std::string>{kConnectBoxLine})
        << p.stderrText();
}

TEST(Program, VersionMismatchEndsTheRunWithStatusZero) {
    ScriptedServer server;
    Program p(headless(server.port(), {"--frames", "100000"}));
    ASSERT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"3","version":"27"})"));
    EXPECT_EQ(p.wait(), 0);
    const auto boxes = p.linesStartingWith("{\"messagebox\"");
    ASSERT_EQ(boxes.size(), 1u) << p.stderrText();
    EXPECT_NE(boxes[0].find("\"title\":\"错误\""), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find("版本过低，请前往 http"), std::string::npos) << boxes[0];
    EXPECT_NE(boxes[0].find(" 下载新版客户端!"), std::string::npos) << boxes[0];
}

TEST(Program, TraceWritesRequestsMessagesAndBoxesOnce) {
    ScriptedServer server;
    Program p(headless(server.port(), {"--trace", "--frames", "100000"}));
    ASSERT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"3","version":"28"})"));
    ASSERT_TRUE(server.sendFrame("{\"opt\":\"query\",\n\"online\":\"3\",\"version\":\"1\"}"));
    EXPECT_EQ(p.wait(), 0);
    EXPECT_EQ(p.linesStartingWith("{\"send\""), std::vector<std::string>{R"({"send":"{\"opt\":\"query\"}"})"})
        << p.stderrText();
    EXPECT_EQ(
        p.linesStartingWith("{\"recv\""),
        (std::vector<std::string>{R"({"recv":"{\"opt\":\"query\",\"online\":\"3\",\"version\":\"28\"}"})",
                                  R"({"recv":"{\"opt\":\"query\",\n\"online\":\"3\",\"version\":\"1\"}"})"}))
        << p.stderrText();
    // Headless, the box appears once: as the engine writes it.
    EXPECT_EQ(p.linesStartingWith("{\"messagebox\"").size(), 1u) << p.stderrText();
}

}  // namespace

namespace {

// A folder of the test's own under the build tree, emptied first.
fs::path scratchFolder(const std::string& name) {
    const fs::path dir = fs::path(CARDHALL_TEST_SCRATCH) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

std::string plistWithHost(const std::string& host) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "    <key>host</key>\n    <string>" +
           host + "</string>\n</dict>\n</plist>\n";
}

}  // namespace

TEST(Program, AnUnusableAssetsFolderIsOneLineNamingItAndStatusOne) {
    const fs::path dir = scratchFolder("unusable-assets");
    writeFile(dir / "file", "not a folder");
    for (const fs::path& assets : {dir / "missing", dir / "file"}) {
        Program p({"--headless", "--assets", assets.string(), "--port",
                   std::to_string(ScriptedServer::unusedPort())});
        EXPECT_EQ(p.wait(), 1) << assets;
        ASSERT_EQ(p.stderrLines().size(), 1u) << p.stderrText();
        EXPECT_NE(p.stderrText().find(assets.string()), std::string::npos) << p.stderrText();
    }
}

// Installed, the program sits in PREFIX/bin and finds its files in PREFIX/share/cardhall.
TEST(Program, FindsItsAssetsBesideItOrInTheInstalledLayout) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows program ships as one folder with its assets beside it: no installed layout";
#endif
    const fs::path prefix = scratchFolder("prefix");
    fs::create_directories(prefix / "bin");
    const fs::path exe = prefix / "bin" / "cardhall";
    fs::copy_file(CARDHALL_EXE, exe);
    const std::vector<std::string> args{"--headless", "--frames", "3", "--port",
                                        std::to_string(ScriptedServer::unusedPort())};
    {
        Program p(args, {}, exe.string());
        EXPECT_EQ(p.wait(), 1);
        EXPECT_NE(p.stderrText().find((prefix / "bin" / "assets").string()), std::string::npos)
            << p.stderrText();
        EXPECT_NE(p.stderrText().find((prefix / "share" / "cardhall").string()), std::string::npos)
            << p.stderrText();
    }
    fs::create_directories(prefix / "share");
    fs::create_directory_symlink(CARDHALL_TEST_ASSETS, prefix / "share" / "cardhall");
    Program p(args, {}, exe.string());
    p.wait();
    // The assets are found: the configured host is tried, and nothing listens there.
    EXPECT_EQ(p.linesStartingWith("{\"messagebox\""), std::vector<std::string>{kConnectBoxLine})
        << p.stderrText();
}

TEST(Program, ThePlayersFileReplacesShippedKeysAndHostOverridesBoth) {
    // Absolute with its drive on Windows, where a folder without one is not taken.
    const fs::path config = fs::absolute(scratchFolder("user-config"));
    // Nothing listens on 127.0.0.2 (the scripted server is on 127.0.0.1).
    writeFile(config / "cardhall" / "strings.plist", plistWithHost("127.0.0.2"));
    const std::vector<std::string> env{kConfigHome + ("=" + config.string())};
    {
        ScriptedServer server;
        Program p(headless(server.port(), {"--frames", "600"}), env);
        p.wait();
        EXPECT_EQ(p.linesStartingWith("{\"messagebox\""), std::vector<std::string>{kConnectBoxLine})
            << p.stderrText();
    }
    {
        ScriptedServer server;
        Program p(headless(server.port(), {"--host", "127.0.0.1", "--frames", "100000"}), env);
        EXPECT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})") << p.stderrText();
    }
#ifndef _WIN32
    // Without XDG_CONFIG_HOME the file is looked for under HOME.
    const fs::path home = scratchFolder("user-home");
    fs::create_directory_symlink(config, home / ".config");
    ScriptedServer server;
    Program p(headless(server.port(), {"--frames", "600"}), {"XDG_CONFIG_HOME=", "HOME=" + home.string()});
    p.wait();
    EXPECT_EQ(p.linesStartingWith("{\"messagebox\""), std::vector<std::string>{kConnectBoxLine})
        << p.stderrText();
#endif
}

TEST(Program, ABrokenPlayersFileIsReportedOnceAndTheShippedKeysHold) {
    const fs::path config = fs::absolute(scratchFolder("broken-config"));
    writeFile(config / "cardhall" / "strings.plist", "<plist><dict><key>host</key>");
    ScriptedServer server;
    Program p(headless(server.port(), {"--frames", "100000"}), {kConfigHome + ("=" + config.string())});
    EXPECT_EQ(server.receiveFrame(Ms(15000)).value_or("<none>"), R"({"opt":"query"})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"3","version":"27"})"));
    EXPECT_EQ(p.wait(), 0);
    const std::string file = (config / "cardhall" / "strings.plist").string();
    std::size_t reports = 0;
    for (const auto& line : p.stderrLines()) {
        reports += line.find(file) != std::string::npos;
    }
    EXPECT_EQ(reports, 1u) << p.stderrText();
}
