// The cardhall program as a process: its options, start-up without a server, the version check
// ending the run with status 0, --trace, where it finds its assets and the player's own settings.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScriptedServer.h"

extern char** environ;

namespace {

using testsupport::ScriptedServer;
using Ms = std::chrono::milliseconds;
namespace fs = std::filesystem;

// This process's environment with `changes` ("NAME=value") replacing variables of the same name.
std::vector<std::string> environmentWith(const std::vector<std::string>& changes) {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& c : changes) {
            replaced = replaced || entry.compare(0, c.find('=') + 1, c, 0, c.find('=') + 1) == 0;
        }
        if (!replaced) {
            out.push_back(entry);
        }
    }
    out.insert(out.end(), changes.begin(), changes.end());
    return out;
}

// A running cardhall with its standard output and error in one pipe.
class Program {
public:
    explicit Program(std::vector<std::string> args, std::vector<std::string> environment = {},
                     const std::string& exe = CARDHALL_EXE) {
        args.insert(args.begin(), exe);
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(&a[0]);
        }
        argv.push_back(nullptr);
        std::vector<std::string> env = environmentWith(environment);
        std::vector<char*> envp;
        for (auto& e : env) {
            envp.push_back(&e[0]);
        }
        envp.push_back(nullptr);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        if (posix_spawn(&m_pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
            m_pid = -1;
            ADD_FAILURE() << "cannot start " << exe;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_err = fds[0];
    }
    ~Program() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_err >= 0) {
            ::close(m_err);
        }
    }

    // Waits for the end of the process (reading its standard error meanwhile) and returns its exit
    // status; -1 when it did not end in time (it is killed then) or died from a signal.
    int wait(Ms timeout = Ms(20000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_err >= 0) {
            auto left = std::chrono::duration_cast<Ms>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) {
                break;
            }
            pollfd p{m_err, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) {
                continue;
            }
            char buf[4096];
            ssize_t n = ::read(m_err, buf, sizeof buf);
            if (n <= 0) {
                ::close(m_err);
                m_err = -1;
            } else {
                m_stderr.append(buf, static_cast<std::size_t>(n));
            }
        }
        if (m_pid <= 0) {
            return -1;
        }
        int status = 0;
        if (m_err >= 0) {  // timed out
            ::kill(m_pid, SIGKILL);
        }
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Standard output and error together.
    const std::string& stderrText() const { return m_stderr; }
    std::vector<std::string> stderrLines() const {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t nl; (nl = m_stderr.find('\n', start)) != std::string::npos; start = nl + 1) {
            lines.push_back(m_stderr.substr(start, nl - start));
        }
        return lines;
    }
    // The lines that begin with `prefix`.
    std::vector<std::string> linesStartingWith(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : stderrLines()) {
            if (l.compare(0, prefix.size(), prefix) == 0) {
                out.push_back(l);
            }
        }
        return out;
    }

private:
    pid_t m_pid = -1;
    int m_err = -1;
    std::string m_stderr;
};

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
         {"--trace", "--port N", "--host ADDRESS", "--headless", "--assets", "XDG_CONFIG_HOME"}) {
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
    const fs::path config = scratchFolder("user-config");
    // Nothing listens on 127.0.0.2 (the scripted server is on 127.0.0.1).
    writeFile(config / "cardhall" / "strings.plist", plistWithHost("127.0.0.2"));
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + config.string()};
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
    // Without XDG_CONFIG_HOME the file is looked for under HOME.
    const fs::path home = scratchFolder("user-home");
    fs::create_directory_symlink(config, home / ".config");
    ScriptedServer server;
    Program p(headless(server.port(), {"--frames", "600"}), {"XDG_CONFIG_HOME=", "HOME=" + home.string()});
    p.wait();
    EXPECT_EQ(p.linesStartingWith("{\"messagebox\""), std::vector<std::string>{kConnectBoxLine})
        << p.stderrText();
}

TEST(Program, ABrokenPlayersFileIsReportedOnceAndTheShippedKeysHold) {
    const fs::path config = scratchFolder("broken-config");
    writeFile(config / "cardhall" / "strings.plist", "<plist><dict><key>host</key>");
    ScriptedServer server;
    Program p(headless(server.port(), {"--frames", "100000"}), {"XDG_CONFIG_HOME=" + config.string()});
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
