// Many protocol players in one process and one event loop, each on its own TCP connection.
#pragma once

#include <asio.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/BotPlayer.h"
#include "net/Options.h"

namespace hallserver {

struct SwarmStats {
    int players = 0;
    int connected = 0;                 // connections open now
    int failed = 0;                    // connections refused or lost
    std::uint64_t hands = 0;           // "over" messages, summed over players
    std::uint64_t moves = 0;           // plays and passes sent
    std::uint64_t messages = 0;        // server messages received
    std::uint64_t requests = 0;        // requests sent
    std::uint64_t protocolErrors = 0;  // server messages that were no message
    std::vector<Micros> latencies;     // request to its report, per move
    std::vector<Micros> sentAt;        // when each of those requests was sent
};

class BotSwarm {
public:
    BotSwarm(asio::io_context& io, const BotOptions& options);
    void start();
    void stop();
    SwarmStats stats() const;

private:
    struct Player {
        Player(asio::io_context& io, std::uint64_t seed, Micros low, Micros high)
            : socket(io), timer(io), bot(seed, low, high) {}
        asio::ip::tcp::socket socket;
        asio::steady_timer timer;
        BotPlayer bot;
        unsigned char header[4] = {0, 0, 0, 0};
        std::string body;
        std::deque<std::string> out;
        bool writing = false;
        bool open = false;
        bool closed = false;
        Micros armedAt = kNoDeadline;
    };
    using PlayerPtr = std::shared_ptr<Player>;

    void connectNext();
    void readHeader(const PlayerPtr& p);
    void readBody(const PlayerPtr& p);
    void flush(const PlayerPtr& p);
    void write(const PlayerPtr& p);
    void arm(const PlayerPtr& p);
    void lose(const PlayerPtr& p);
    Micros now() const;

    asio::io_context& io_;
    BotOptions options_;
    asio::ip::tcp::endpoint endpoint_;
    std::vector<PlayerPtr> players_;
    std::size_t nextToConnect_ = 0;
    int connecting_ = 0;
    int connected_ = 0;
    int failed_ = 0;
    std::uint64_t requests_ = 0;
    bool stopping_ = false;
    std::chrono::steady_clock::time_point epoch_;
};

}  // namespace hallserver
