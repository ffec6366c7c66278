#include "net/Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace hallserver {

const char* const kServerUsage =
    "usage: cardhall-server [options]\n"
    "  --bind ADDRESS          address to listen on (127.0.0.1)\n"
    "  --port N                TCP port, 0 for any free one (9999)\n"
    "  --bots                  fill empty seats next to a human with bots\n"
    "  --bot-delay SECONDS     wait before the bots sit down (3)\n"
    "  --bot-move-time MIN,MAX seconds a bot takes per move (0.5,1.5)\n"
    "  --seed N                make the deals repeatable\n"
    "  --turn-timeout SECONDS  act for a seat that has not moved in time (35)\n"
    "  --idle-timeout SECONDS  close a desk where no hand starts in time (300)\n"
    "  --handshake-timeout SECONDS\n"
    "                          close a connection whose first request is not complete this long\n"
    "                          after connecting, or any request this long after its first byte (10)\n"
    "  --hall-idle-timeout SECONDS\n"
    "                          close a connection not seated at a desk that sends nothing (60)\n"
    "  --max-connections N     refuse connections beyond N (20000)\n"
    "  --max-per-address N     refuse connections beyond N from one address, 0 for no limit (32)\n"
    "  --max-request-rate N    close a connection sending more than N requests a second, bursts of\n"
    "                          up to 2N allowed, 0 for no limit (20)\n"
    "  --max-output-queue N    drop a client with more than N bytes unsent (262144)\n"
    "  --log-level LEVEL       error, warn, info, debug or off (info)\n"
    "  --help                  this text\n";

const char* const kBotUsage =
    "usage: cardhall-bot [options]\n"
    "  --count N               number of players to run (4)\n"
    "  --host ADDRESS          server address (127.0.0.1)\n"
    "  --port N                server port (9999)\n"
    "  --bot-move-time MIN,MAX seconds per move (0.5,1.5)\n"
    "  --duration SECONDS      stop after this long and print the figures (0: until a signal)\n"
    "  --warmup SECONDS        leave the first seconds out of the move times (0)\n"
    "  --latency-file PATH     write each counted move as its send time and its time to the report (us)\n"
    "  --seed N                seed of the players' timing (1)\n"
    "  --log-level LEVEL       error, warn, info, debug or off (warn)\n"
    "  --help                  this text\n";

namespace {

bool toDouble(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno || *end || !std::isfinite(value) || value < 0)
        return false;
    out = value;
    return true;
}

bool toUnsigned(const std::string& text, unsigned long long max, unsigned long long& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno || *end || value > max)
        return false;
    out = value;
    return true;
}

Micros toMicros(double seconds) {
    return static_cast<Micros>(std::llround(seconds * 1e6));
}

bool toMoveTimes(const std::string& text, Micros& low, Micros& high) {
    const auto comma = text.find(',');
    double a = 0, b = 0;
    if (comma == std::string::npos || !toDouble(text.substr(0, comma), a) ||
        !toDouble(text.substr(comma + 1), b) || b < a)
        return false;
    low = toMicros(a);
    high = toMicros(b);
    return true;
}

// Walks the arguments; `handle` takes a flag and its value (if it needs one).
class Args {
public:
    explicit Args(const std::vector<std::string>& args) : args_(args) {}
    bool next(std::string& flag) {
        if (index_ >= args_.size())
            return false;
        flag = args_[index_++];
        return true;
    }
    bool value(const std::string& flag, std::string& out, std::string& error) {
        if (index_ >= args_.size()) {
            error = flag + " needs a value";
            return false;
        }
        out = args_[index_++];
        return true;
    }

private:
    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
};

bool bad(const std::string& flag, const std::string& value, std::string& error) {
    error = "bad value for " + flag + ": '" + value + "'";
    return false;
}

// One value-taking option of the server: its flag and what it does with the value (false when the
// value is bad).
struct ServerFlag {
    const char* flag;
    bool (*apply)(const std::string& value, ServerOptions& options);
};

bool seconds(const std::string& value, Micros& target, bool zeroAllowed) {
    double number = 0;
    if (!toDouble(value, number) || (!zeroAllowed && number <= 0) || number > 1e6)
        return false;
    target = toMicros(number);
    return true;
}

template <typename T>
bool count(const std::string& value, unsigned long long low, unsigned long long high, T& target) {
    unsigned long long number = 0;
    if (!toUnsigned(value, high, number) || number < low)
        return false;
    target = static_cast<T>(number);
    return true;
}

const ServerFlag kServerFlags[] = {
    {"--bind",
     [](const std::string& v, ServerOptions& o) {
         o.net.bind = v;  // checked when listening
         return !v.empty();
     }},
    {"--port", [](const std::string& v, ServerOptions& o) { return count(v, 0, 65535, o.net.port); }},
    {"--bot-delay", [](const std::string& v, ServerOptions& o) { return seconds(v, o.game.botDelay, true); }},
    {"--bot-move-time",
     [](const std::string& v, ServerOptions& o) {
         return toMoveTimes(v, o.game.botMoveMin, o.game.botMoveMax);
     }},
    {"--seed",
     [](const std::string& v, ServerOptions& o) {
         o.seeded = true;
         return count(v, 0, UINT64_MAX, o.game.seed);
     }},
    {"--turn-timeout",
     [](const std::string& v, ServerOptions& o) { return seconds(v, o.game.turnTimeout, true); }},
    {"--idle-timeout",
     [](const std::string& v, ServerOptions& o) { return seconds(v, o.game.idleTimeout, true); }},
    {"--handshake-timeout",
     [](const std::string& v, ServerOptions& o) { return seconds(v, o.net.handshakeTimeout, false); }},
    {"--hall-idle-timeout",
     [](const std::string& v, ServerOptions& o) { return seconds(v, o.net.hallIdleTimeout, false); }},
    {"--max-connections",
     [](const std::string& v, ServerOptions& o) { return count(v, 1, 1000000, o.net.maxConnections); }},
    {"--max-per-address",
     [](const std::string& v, ServerOptions& o) { return count(v, 0, 1000000, o.net.maxPerAddress); }},
    {"--max-request-rate",
     [](const std::string& v, ServerOptions& o) { return count(v, 0, 1000000, o.net.maxRequestRate); }},
    {"--max-output-queue",
     [](const std::string& v, ServerOptions& o) { return count(v, 1024, 1ull << 30, o.net.maxOutputBytes); }},
    {"--log-level", [](const std::string& v, ServerOptions& o) { return parseLogLevel(v, o.logLevel); }},
};

}  // namespace

bool parseServerOptions(const std::vector<std::string>& list, ServerOptions& options, std::string& error) {
    Args args(list);
    std::string flag, value;
    while (args.next(flag)) {
        if (flag == "--help") {
            options.help = true;
            continue;
        }
        if (flag == "--bots") {
            options.game.bots = true;
            continue;
        }
        const ServerFlag* known = nullptr;
        for (const ServerFlag& entry : kServerFlags) {
            if (flag == entry.flag)
                known = &entry;
        }
        if (!known) {
            error = "unknown option " + flag;
            return false;
        }
        if (!args.value(flag, value, error))
            return false;
        if (!known->apply(value, options))
            return bad(flag, value, error);
    }
    return true;
}

bool parseBotOptions(const std::vector<std::string>& list, BotOptions& options, std::string& error) {
    Args args(list);
    std::string flag, value;
    while (args.next(flag)) {
        if (flag == "--help") {
            options.help = true;
            continue;
        }
        if (flag != "--count" && flag != "--host" && flag != "--port" && flag != "--bot-move-time" &&
            flag != "--duration" && flag != "--warmup" && flag != "--seed" && flag != "--log-level" &&
            flag != "--latency-file") {
            error = "unknown option " + flag;
            return false;
        }
        if (!args.value(flag, value, error))
            return false;
        unsigned long long number = 0;
        if (flag == "--count") {
            if (!toUnsigned(value, 100000, number) || number == 0)
                return bad(flag, value, error);
            options.count = static_cast<int>(number);
        } else if (flag == "--host") {
            options.host = value;
        } else if (flag == "--port") {
            if (!toUnsigned(value, 65535, number) || number == 0)
                return bad(flag, value, error);
            options.port = static_cast<unsigned short>(number);
        } else if (flag == "--bot-move-time") {
            if (!toMoveTimes(value, options.moveMin, options.moveMax))
                return bad(flag, value, error);
        } else if (flag == "--duration") {
            if (!toDouble(value, options.duration))
                return bad(flag, value, error);
        } else if (flag == "--latency-file") {
            options.latencyFile = value;
        } else if (flag == "--warmup") {
            if (!toDouble(value, options.warmup))
                return bad(flag, value, error);
        } else if (flag == "--seed") {
            if (!toUnsigned(value, UINT64_MAX, number))
                return bad(flag, value, error);
            options.seed = number;
        } else if (flag == "--log-level") {
            if (!parseLogLevel(value, options.logLevel))
                return bad(flag, value, error);
        }
    }
    return true;
}

}  // namespace hallserver
