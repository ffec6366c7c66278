// The command lines of cardhall-server and cardhall-bot: what each good line sets, and the message
// for each bad one (the programs print it with the usage and exit with status 2).
#include <gtest/gtest.h>

#include <functional>

#include "net/Options.h"

using namespace hallserver;

namespace {

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::string word;
    for (char c : line) {
        if (c == ' ') {
            if (!word.empty())
                out.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        out.push_back(word);
    return out;
}

}  // namespace

TEST(ServerOptions, GoodCommandLinesSetWhatTheySay) {
    struct Case {
        const char* line;
        std::function<bool(const ServerOptions&)> holds;
    } cases[] = {
        {"",
         [](const ServerOptions& o) {
             return o.net.bind == "127.0.0.1" && o.net.port == 9999 && !o.game.bots && !o.seeded &&
                    o.net.handshakeTimeout == 10 * kSecond && o.net.hallIdleTimeout == 60 * kSecond &&
                    o.net.maxConnections == 20000 && o.net.maxPerAddress == 32 &&
                    o.net.maxRequestRate == 20 && o.net.maxOutputBytes == 262144 &&
                    o.logLevel == LogLevel::Info && !o.help;
         }},
        {"--bind ::1 --port 0",
         [](const ServerOptions& o) { return o.net.bind == "::1" && o.net.port == 0; }},
        {"--port 65535", [](const ServerOptions& o) { return o.net.port == 65535; }},
        {"--bots --bot-delay 0.05 --bot-move-time 0.001,0.002",
         [](const ServerOptions& o) {
             return o.game.bots && o.game.botDelay == 50000 && o.game.botMoveMin == 1000 &&
                    o.game.botMoveMax == 2000;
         }},
        {"--bot-move-time 1,1",
         [](const ServerOptions& o) { return o.game.botMoveMin == o.game.botMoveMax; }},
        {"--seed 0", [](const ServerOptions& o) { return o.seeded && o.game.seed == 0; }},
        {"--seed 18446744073709551615",
         [](const ServerOptions& o) { return o.game.seed == 18446744073709551615ull; }},
        {"--turn-timeout 0.01 --idle-timeout 0",
         [](const ServerOptions& o) { return o.game.turnTimeout == 10000 && o.game.idleTimeout == 0; }},
        {"--handshake-timeout 0.5 --hall-idle-timeout 120",
         [](const ServerOptions& o) {
             return o.net.handshakeTimeout == kSecond / 2 && o.net.hallIdleTimeout == 120 * kSecond;
         }},
        {"--max-per-address 0 --max-request-rate 0",
         [](const ServerOptions& o) { return o.net.maxPerAddress == 0 && o.net.maxRequestRate == 0; }},
        {"--max-connections 1 --max-output-queue 1024",
         [](const ServerOptions& o) { return o.net.maxConnections == 1 && o.net.maxOutputBytes == 1024; }},
        {"--log-level off", [](const ServerOptions& o) { return o.logLevel == LogLevel::Off; }},
        {"--port 1 --port 2", [](const ServerOptions& o) { return o.net.port == 2; }},  // the last one counts
        {"--help", [](const ServerOptions& o) { return o.help; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ServerOptions options;
        std::string error;
        ASSERT_TRUE(parseServerOptions(words(c.line), options, error)) << error;
        EXPECT_TRUE(c.holds(options));
    }
}

TEST(ServerOptions, BadCommandLinesSayWhatIsWrong) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"--frobnicate", "unknown option --frobnicate"},
        {"bots", "unknown option bots"},
        {"--port", "--port needs a value"},
        {"--bots --log-level", "--log-level needs a value"},
        {"--port 70000", "bad value for --port: '70000'"},
        {"--port -1", "bad value for --port: '-1'"},
        {"--port +80", "bad value for --port: '+80'"},
        {"--port 80x", "bad value for --port: '80x'"},
        {"--bind ", "--bind needs a value"},
        {"--turn-timeout soon", "bad value for --turn-timeout: 'soon'"},
        {"--idle-timeout -5", "bad value for --idle-timeout: '-5'"},
        {"--bot-delay inf", "bad value for --bot-delay: 'inf'"},
        {"--bot-delay nan", "bad value for --bot-delay: 'nan'"},
        {"--bot-move-time 2,1", "bad value for --bot-move-time: '2,1'"},
        {"--bot-move-time 1", "bad value for --bot-move-time: '1'"},
        {"--bot-move-time 1,", "bad value for --bot-move-time: '1,'"},
        {"--seed 18446744073709551616", "bad value for --seed: '18446744073709551616'"},
        {"--handshake-timeout 0", "bad value for --handshake-timeout: '0'"},
        {"--hall-idle-timeout 0", "bad value for --hall-idle-timeout: '0'"},
        {"--hall-idle-timeout 1e7", "bad value for --hall-idle-timeout: '1e7'"},
        {"--max-connections 0", "bad value for --max-connections: '0'"},
        {"--max-per-address many", "bad value for --max-per-address: 'many'"},
        {"--max-request-rate 2.5", "bad value for --max-request-rate: '2.5'"},
        {"--max-output-queue 1023", "bad value for --max-output-queue: '1023'"},
        {"--log-level loud", "bad value for --log-level: 'loud'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ServerOptions options;
        std::string error;
        EXPECT_FALSE(parseServerOptions(words(c.line), options, error));
        EXPECT_EQ(error, c.message);
    }
}

TEST(BotOptions, GoodAndBadCommandLines) {
    BotOptions options;
    std::string error;
    ASSERT_TRUE(
        parseBotOptions(words("--count 1000 --host ::1 --port 5 --bot-move-time 0.005,0.02 --duration 300 "
                              "--warmup 5 --latency-file /tmp/x --seed 9 --log-level error"),
                        options, error))
        << error;
    EXPECT_EQ(options.count, 1000);
    EXPECT_EQ(options.host, "::1");
    EXPECT_EQ(options.port, 5);
    EXPECT_EQ(options.moveMin, 5000);
    EXPECT_EQ(options.moveMax, 20000);
    EXPECT_EQ(options.duration, 300);
    EXPECT_EQ(options.warmup, 5);
    EXPECT_EQ(options.latencyFile, "/tmp/x");
    EXPECT_EQ(options.seed, 9u);
    EXPECT_EQ(options.logLevel, LogLevel::Error);
    const struct {
        const char* line;
        const char* message;
    } bad[] = {
        {"--count 0", "bad value for --count: '0'"},
        {"--count 100001", "bad value for --count: '100001'"},
        {"--port 0", "bad value for --port: '0'"},
        {"--port", "--port needs a value"},
        {"--duration -1", "bad value for --duration: '-1'"},
        {"--players 4", "unknown option --players"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.line);
        BotOptions fresh;
        EXPECT_FALSE(parseBotOptions(words(c.line), fresh, error));
        EXPECT_EQ(error, c.message);
    }
}
