// The server's network side: one asio event loop, a listening socket, framed connections with a
// bounded output queue each, and the one timer that drives the game's timers.
#pragma once

#include <asio.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/GameServer.h"

namespace hallserver {

struct NetConfig {
    std::string bind = "127.0.0.1";
    unsigned short port = 9999;               // 0: any free port (read it back with port())
    std::size_t maxConnections = 20000;       // further connections are closed at once
    std::size_t maxOutputBytes = 256 * 1024;  // a connection whose unsent output exceeds this is dropped
};

struct NetStats {
    std::uint64_t accepted = 0;
    std::uint64_t refused = 0;  // over --max-connections
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::uint64_t dropped = 0;  // bad frames, bad JSON, overflowing output
};

class TcpServer : public Sink {
public:
    TcpServer(asio::io_context& io, const NetConfig& net, const ServerConfig& game);
    ~TcpServer() override;

    // Binds, listens and starts accepting. False with a reason when the address cannot be used.
    bool start(std::string& error);
    unsigned short port() const { return port_; }
    // Stops accepting and closes every connection; the event loop then runs out of work.
    void stop();

    std::size_t connections() const { return conns_.size(); }
    const NetStats& stats() const { return stats_; }
    GameServer& game() { return game_; }

    void send(ConnId id, const Frame& frame) override;

private:
    struct Connection {
        explicit Connection(asio::io_context& io) : socket(io) {}
        ConnId id = 0;
        asio::ip::tcp::socket socket;
        unsigned char header[4] = {0, 0, 0, 0};
        std::string body;            // the part of the frame body read so far
        std::size_t bodyLength = 0;  // the announced length
        std::deque<Frame> out;
        std::size_t outBytes = 0;
        std::size_t inFlight = 0;  // frames of `out` being written
        std::string scratch;       // several small frames joined into one write
        bool writing = false;
        bool closing = false;
        bool closed = false;
    };
    using ConnPtr = std::shared_ptr<Connection>;

    void accept();
    void readHeader(const ConnPtr& conn);
    void readBody(const ConnPtr& conn);
    void write(const ConnPtr& conn);
    void closeLater(const ConnPtr& conn, const char* reason);
    void close(const ConnPtr& conn, const char* reason);
    void rearm();
    Micros now() const;

    asio::io_context& io_;
    NetConfig net_;
    GameServer game_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer gameTimer_;
    asio::steady_timer acceptRetry_;
    Micros armedAt_ = kNoDeadline;
    std::chrono::steady_clock::time_point epoch_;
    std::unordered_map<ConnId, ConnPtr> conns_;
    ConnId nextId_ = 1;
    unsigned short port_ = 0;
    bool stopping_ = false;
    NetStats stats_;
};

}  // namespace hallserver
