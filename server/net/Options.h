// Command lines of cardhall-server and cardhall-bot.
#pragma once

#include <string>
#include <vector>

#include "core/GameServer.h"
#include "core/Log.h"
#include "net/TcpServer.h"

namespace hallserver {

struct ServerOptions {
    NetConfig net;
    ServerConfig game;
    bool seeded = false;
    LogLevel logLevel = LogLevel::Info;
    bool help = false;
};

struct BotOptions {
    std::string host = "127.0.0.1";
    unsigned short port = 9999;
    int count = 4;
    Micros moveMin = kSecond / 2;
    Micros moveMax = 3 * kSecond / 2;
    double duration = 0;      // seconds; 0 runs until SIGINT or SIGTERM
    double warmup = 0;        // seconds at the start whose move times are not counted
    std::string latencyFile;  // when set, every counted move time (microseconds) is written there
    std::uint64_t seed = 1;
    LogLevel logLevel = LogLevel::Warn;
    bool help = false;
};

// False with a message naming the bad argument.
bool parseServerOptions(const std::vector<std::string>& args, ServerOptions& options, std::string& error);
bool parseBotOptions(const std::vector<std::string>& args, BotOptions& options, std::string& error);

extern const char* const kServerUsage;
extern const char* const kBotUsage;

}  // namespace hallserver
