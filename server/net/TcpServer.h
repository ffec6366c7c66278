// The server's network side: one asio event loop, a listening socket, framed connections with a
// bounded output queue each, and the one timer that drives the game's timers.
//
// Connections are also held to limits, so that silent, slow or hasty peers cannot lock others
// out: a deadline for the first request and for every request once begun, an idle limit while not
// seated, a cap per peer address, a request rate, and a spare descriptor to refuse connections
// cleanly when the process runs out of them.
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
    // The first request must be complete this long after connecting, and every later one this long
    // after its first byte.
    Micros handshakeTimeout = 10 * kSecond;
    Micros hallIdleTimeout = 60 * kSecond;  // a connection not seated that sends nothing is closed
    std::size_t maxPerAddress = 32;         // connections from one peer address; 0: no limit
    unsigned maxRequestRate = 20;           // requests a second, bursts up to twice that; 0: no limit
};

struct NetStats {
    std::uint64_t accepted = 0;
    std::uint64_t refused = 0;  // over --max-connections or --max-per-address, or out of descriptors
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::uint64_t dropped = 0;   // bad frames, bad JSON, overflowing output
    std::uint64_t timedOut = 0;  // a request not complete in time, or silent too long in the hall
    std::uint64_t flooding = 0;  // over the request rate
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
    void seated(ConnId id, bool seated, Micros now) override;

private:
    struct Connection {
        explicit Connection(asio::io_context& io) : socket(io), deadline(io) {}
        ConnId id = 0;
        asio::ip::tcp::socket socket;
        std::string address;  // the peer's, counted in perAddress_
        // One timer per connection stands for both deadlines below. It is moved only when a deadline
        // comes earlier than it; when it fires early it is set again, so a request costs no timer call.
        asio::steady_timer deadline;
        Micros armedAt = kNoDeadline;
        Micros requestDue = kNoDeadline;  // the request begun (or the first one) must be complete by then
        Micros idleDue = kNoDeadline;     // not seated and silent until then
        bool seated = false;
        double tokens = 0;  // the request rate's bucket
        Micros refilledAt = 0;
        unsigned char header[4] = {0, 0, 0, 0};
        std::size_t headerGot = 0;
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
    void acceptLater();
    void admit(asio::ip::tcp::socket socket);
    // True when a pending connection was taken with the spare descriptor and closed.
    bool shedOneConnection();
    // Logs a refused connection, at most one line a second.
    void refuse(const char* why, const std::string& detail);
    void readHeader(const ConnPtr& conn);
    void readBody(const ConnPtr& conn);
    void write(const ConnPtr& conn);
    void closeLater(const ConnPtr& conn, const char* reason);
    void close(const ConnPtr& conn, const char* reason);
    void rearm();
    void requestBegun(const ConnPtr& conn);
    bool requestDone(const ConnPtr& conn);
    bool withinRate(Connection& conn, Micros at);
    void armDeadline(const ConnPtr& conn);
    void deadlineFired(const ConnPtr& conn);
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
    std::unordered_map<std::string, std::size_t> perAddress_;
    int spareDescriptor_ = -1;  // given up for a moment to accept and close when out of descriptors
    Micros refusalLoggedAt_ = -kSecond;
    std::uint64_t refusalsUnlogged_ = 0;
    ConnId nextId_ = 1;
    unsigned short port_ = 0;
    bool stopping_ = false;
    NetStats stats_;
};

}  // namespace hallserver
