// The cardhall program in a real window (run under Xvfb with a 2560 x 1600 screen) against a scripted
// server: sound through SDL's disk audio driver, and the window's scale with clicks mapped back to the
// design.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ScriptedServer.h"
#include "XWindow.h"

namespace {

using testsupport::ScriptedServer;
using Ms = std::chrono::milliseconds;

// A running cardhall.
class Program : public testsupport::ChildProcess {
public:
    Program(const std::vector<std::string>& args, const std::vector<std::string>& environment)
        : ChildProcess(CARDHALL_EXE, args, environment) {}
};

std::vector<std::string> windowArgs(unsigned short port, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--assets", CARDHALL_TEST_ASSETS, "--port", std::to_string(port)};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Answers the client's first query, so that the hall is shown.
void greet(ScriptedServer& server) {
    ASSERT_EQ(server.receiveFrame(Ms(20000)).value_or("<none>"), R"({"opt":"query"})");
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"3","version":"28"})"));
}

// Seats the client at desk 1, seat 0, and deals it a hand.
void seatAndDeal(ScriptedServer& server) {
    ASSERT_TRUE(server.sendFrame(R"({"opt":"add","desk":"1","site":"0","name":"me"})"));
    ASSERT_TRUE(server.sendFrame(R"({"opt":"start","cards":"0,8,12,20,21"})"));
}

void giveOwnTurn(ScriptedServer& server) {
    ASSERT_TRUE(server.sendFrame(
        R"({"opt":"game","per":"-1","now":"0","score":"0","must":"1","surplus":"","cards":""})"));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return std::ifstream(path).good();
}

bool hasSound(const std::string& bytes) {
    return bytes.find_first_not_of('\0') != std::string::npos;
}

// A fresh file name for the disk audio driver's output.
std::string audioFile(const std::string& name) {
    std::string path = ::testing::TempDir() + "cardhall-" + name + "-" + std::to_string(::getpid()) + ".raw";
    std::remove(path.c_str());
    return path;
}

// The environment of a window run: in a sanitizer build, the leak checker knows what the system's
// libraries keep until exit.
std::vector<std::string> windowEnv(std::vector<std::string> more = {}) {
    more.push_back(std::string("LSAN_OPTIONS=suppressions=") + CARDHALL_LSAN_SUPPRESSIONS);
    return more;
}

std::vector<std::string> diskAudio(const std::string& file) {
    return windowEnv({"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + file});
}

TEST(WindowSound, TheOwnTurnSoundsWithinASecondUnlessMuted) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        bool sounds;
    } cases[] = {
        {"sound on", {"--scale", "1"}, true},
        {"--mute", {"--scale", "1", "--mute"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server;
        const std::string file = audioFile(c.sounds ? "on" : "muted");
        Program p(windowArgs(server.port(), c.args), diskAudio(file));
        ASSERT_NO_FATAL_FAILURE(greet(server));
        ASSERT_NO_FATAL_FAILURE(seatAndDeal(server));
        // The deal's sound has long ended when the turn comes.
        std::this_thread::sleep_for(Ms(1500));
        const std::size_t before = readFile(file).size();
        ASSERT_NO_FATAL_FAILURE(giveOwnTurn(server));
        std::this_thread::sleep_for(Ms(1000));
        const std::string all = readFile(file);
        EXPECT_EQ(p.stop(), 0) << p.output();
        ASSERT_GT(all.size(), before) << "the audio device was not written to";
        const std::string afterTurn = all.substr(before);
        EXPECT_GT(afterTurn.size(), 44100u) << "less than half a second of audio in a second";
        EXPECT_EQ(hasSound(afterTurn), c.sounds);
        if (!c.sounds) {
            EXPECT_FALSE(hasSound(all));
        }
        std::remove(file.c_str());
    }
}

TEST(WindowSound, WithoutAnAudioDeviceTheGameRunsSilentAndSaysSoOnce) {
    ScriptedServer server;
    Program p(windowArgs(server.port(), {"--scale", "1"}), windowEnv({"SDL_AUDIODRIVER=no-such-driver"}));
    ASSERT_NO_FATAL_FAILURE(greet(server));
    ASSERT_NO_FATAL_FAILURE(seatAndDeal(server));
    ASSERT_NO_FATAL_FAILURE(giveOwnTurn(server));
    std::this_thread::sleep_for(Ms(1000));
    EXPECT_EQ(p.stop(), 0) << p.output();
    int notes = 0;
    for (const std::string& line : p.lines()) {
        notes += line.find("no audio device") != std::string::npos;
    }
    EXPECT_EQ(notes, 1) << p.output();
}

TEST(WindowSound, AHeadlessRunOpensNoAudioDevice) {
    ScriptedServer server;
    const std::string file = audioFile("headless");
    Program p({"--headless", "--frames", "240", "--assets", CARDHALL_TEST_ASSETS, "--port",
               std::to_string(server.port())},
              diskAudio(file));
    ASSERT_NO_FATAL_FAILURE(greet(server));
    ASSERT_NO_FATAL_FAILURE(seatAndDeal(server));
    ASSERT_NO_FATAL_FAILURE(giveOwnTurn(server));
    EXPECT_EQ(p.wait(), 0) << p.output();
    EXPECT_FALSE(fileExists(file));
    EXPECT_EQ(p.output().find("audio"), std::string::npos) << p.output();
}

TEST(WindowScale, TheWindowIsScaledAndAClickInItsMiddleJoins) {
    const struct {
        const char* what;
        std::vector<std::string> args;
        int width, height;
    } cases[] = {
        {"--scale 2", {"--scale", "2"}, 2048, 1536},
        {"no --scale on a desktop twice the size", {}, 2048, 1536},
        {"--scale 1.25", {"--scale", "1.25"}, 1280, 960},
        {"--scale 1", {"--scale", "1"}, 1024, 768},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server;
        Program p(windowArgs(server.port(), c.args), diskAudio("/dev/null"));
        ASSERT_NO_FATAL_FAILURE(greet(server));
        const auto window = apptest::findWindowOf(int(p.id()), Ms(10000));
        ASSERT_TRUE(window.has_value()) << p.output();
        EXPECT_EQ(window->width, c.width);
        EXPECT_EQ(window->height, c.height);
        // The quick-join button stands in the middle of the design, so in the middle of the window.
        ASSERT_TRUE(apptest::clickAt(window->x + window->width / 2, window->y + window->height / 2));
        std::string request;
        for (int i = 0; i < 5 && request != R"({"opt":"add"})"; ++i) {
            request = server.receiveFrame(Ms(5000)).value_or("<none>");  // a periodic query may come first
        }
        EXPECT_EQ(request, R"({"opt":"add"})");
        EXPECT_EQ(p.stop(), 0) << p.output();
    }
}

}  // namespace
