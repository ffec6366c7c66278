#include "net/TcpServer.h"

#include <algorithm>

#include "core/Log.h"

namespace hallserver {

namespace {

unsigned long long ull(ConnId id) {
    return static_cast<unsigned long long>(id);
}

// Several queued frames are joined into one write of at most this many bytes.
constexpr std::size_t kJoinedWrite = 64 * 1024;
// A frame body is read in pieces of at most this many bytes.
constexpr std::size_t kReadPiece = 4096;

}  // namespace

TcpServer::TcpServer(asio::io_context& io, const NetConfig& net, const ServerConfig& game)
    : io_(io),
      net_(net),
      game_(game, *this),
      acceptor_(io),
      gameTimer_(io),
      acceptRetry_(io),
      epoch_(std::chrono::steady_clock::now()) {}

TcpServer::~TcpServer() = default;

Micros TcpServer::now() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - epoch_)
        .count();
}

bool TcpServer::start(std::string& error) {
    asio::error_code ec;
    const asio::ip::address address = asio::ip::make_address(net_.bind, ec);
    if (ec) {
        error = "bad bind address " + net_.bind;
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(address, net_.port);
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor_.bind(endpoint, ec);
    if (!ec)
        acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + net_.bind + ":" + std::to_string(net_.port) + ": " + ec.message();
        return false;
    }
    port_ = acceptor_.local_endpoint().port();
    LOG_INFO("listening on %s:%u", net_.bind.c_str(), static_cast<unsigned>(port_));
    accept();
    return true;
}

void TcpServer::stop() {
    if (stopping_)
        return;
    stopping_ = true;
    asio::error_code ec;
    acceptor_.close(ec);
    acceptRetry_.cancel();
    gameTimer_.cancel();
    for (auto& [id, conn] : conns_) {
        conn->closed = true;
        conn->socket.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
        conn->socket.close(ec);
    }
    LOG_INFO("stopped, %zu connections closed", conns_.size());
    conns_.clear();
}

void TcpServer::accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (stopping_ || ec == asio::error::operation_aborted)
            return;
        if (ec) {
            // Out of descriptors and the like: wait a little rather than spin.
            LOG_WARN("accept failed: %s", ec.message().c_str());
            acceptRetry_.expires_after(std::chrono::milliseconds(100));
            acceptRetry_.async_wait([this](const asio::error_code& waitError) {
                if (!waitError && !stopping_)
                    accept();
            });
            return;
        }
        if (conns_.size() >= net_.maxConnections) {
            ++stats_.refused;
            LOG_WARN("connection refused: %zu connections already (--max-connections)", conns_.size());
            asio::error_code ignored;
            socket.close(ignored);
            accept();
            return;
        }
        auto conn = std::make_shared<Connection>(io_);
        conn->id = nextId_++;
        conn->socket = std::move(socket);
        asio::error_code ignored;
        conn->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
        conns_.emplace(conn->id, conn);
        ++stats_.accepted;
        if (logEnabled(LogLevel::Info)) {
            const auto peer = conn->socket.remote_endpoint(ignored);
            LOG_INFO("conn %llu: connected from %s:%u", ull(conn->id), peer.address().to_string().c_str(),
                     static_cast<unsigned>(peer.port()));
        }
        game_.connect(conn->id, now());
        readHeader(conn);
        accept();
    });
}

void TcpServer::readHeader(const ConnPtr& conn) {
    asio::async_read(conn->socket, asio::buffer(conn->header),
                     [this, conn](const asio::error_code& ec, std::size_t) {
                         if (conn->closed)
                             return;
                         if (ec) {
                             close(conn, ec == asio::error::eof ? "closed by peer" : "read failed");
                             return;
                         }
                         const std::uint32_t length = static_cast<std::uint32_t>(conn->header[0]) |
                                                      static_cast<std::uint32_t>(conn->header[1]) << 8 |
                                                      static_cast<std::uint32_t>(conn->header[2]) << 16 |
                                                      static_cast<std::uint32_t>(conn->header[3]) << 24;
                         if (length == 0 || length > kMaxFrameBody) {
                             LOG_WARN("conn %llu: frame length %u refused", ull(conn->id), length);
                             ++stats_.dropped;
                             close(conn, "bad frame length");
                             return;
                         }
                         conn->bodyLength = length;
                         conn->body.clear();
                         readBody(conn);
                     });
}

void TcpServer::readBody(const ConnPtr& conn) {
    // The body grows with what has arrived, a piece at a time, so a client that announces a large
    // frame and sends nothing holds no more than one piece.
    const std::size_t got = conn->body.size();
    const std::size_t piece = std::min<std::size_t>(conn->bodyLength - got, kReadPiece);
    conn->body.resize(got + piece);
    asio::async_read(conn->socket, asio::buffer(&conn->body[got], piece),
                     [this, conn](const asio::error_code& ec, std::size_t) {
                         if (conn->closed)
                             return;
                         if (ec) {
                             close(conn, "read failed inside a frame");
                             return;
                         }
                         if (conn->body.size() < conn->bodyLength) {
                             readBody(conn);
                             return;
                         }
                         ++stats_.framesIn;
                         if (!game_.receive(conn->id, conn->body.data(), conn->body.size(), now())) {
                             ++stats_.dropped;
                             close(conn, "request is not JSON");
                             return;
                         }
                         if (conn->body.capacity() > kReadPiece)
                             std::string().swap(conn->body);  // give back what a large frame took
                         rearm();
                         if (!conn->closing)
                             readHeader(conn);
                     });
}

void TcpServer::send(ConnId id, const Frame& frame) {
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    const ConnPtr& conn = it->second;
    if (conn->closing || conn->closed)
        return;
    if (conn->outBytes + frame->size() > net_.maxOutputBytes) {
        ++stats_.dropped;
        LOG_WARN("conn %llu: output queue full (%zu bytes unsent), dropping it", ull(id), conn->outBytes);
        closeLater(conn, "output queue full");
        return;
    }
    conn->out.push_back(frame);
    conn->outBytes += frame->size();
    ++stats_.framesOut;
    if (!conn->writing)
        write(conn);
}

void TcpServer::write(const ConnPtr& conn) {
    conn->writing = true;
    asio::const_buffer buffer;
    if (conn->out.size() == 1 || conn->out.front()->size() >= kJoinedWrite) {
        conn->inFlight = 1;
        buffer = asio::buffer(*conn->out.front());
    } else {
        conn->scratch.clear();
        std::size_t taken = 0;
        while (taken < conn->out.size() && conn->scratch.size() + conn->out[taken]->size() <= kJoinedWrite)
            conn->scratch += *conn->out[taken++];
        conn->inFlight = taken;
        buffer = asio::buffer(conn->scratch);
    }
    asio::async_write(conn->socket, buffer, [this, conn](const asio::error_code& ec, std::size_t) {
        conn->writing = false;
        if (conn->closed)
            return;
        for (std::size_t i = 0; i < conn->inFlight; ++i) {
            conn->outBytes -= conn->out.front()->size();
            conn->out.pop_front();
        }
        conn->inFlight = 0;
        if (ec) {
            close(conn, "write failed");
            return;
        }
        if (!conn->out.empty() && !conn->closing)
            write(conn);
    });
}

void TcpServer::closeLater(const ConnPtr& conn, const char* reason) {
    if (conn->closing)
        return;
    conn->closing = true;
    // Not now: the game may be in the middle of a broadcast.
    asio::post(io_, [this, conn, reason] { close(conn, reason); });
}

void TcpServer::close(const ConnPtr& conn, const char* reason) {
    if (conn->closed)
        return;
    conn->closed = true;
    conn->closing = true;
    asio::error_code ignored;
    conn->socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    conn->socket.close(ignored);
    conns_.erase(conn->id);
    LOG_INFO("conn %llu: disconnected (%s)", ull(conn->id), reason);
    game_.disconnect(conn->id, now());
    rearm();
}

void TcpServer::rearm() {
    if (stopping_)
        return;
    const Micros deadline = game_.nextDeadline();
    if (deadline == armedAt_)
        return;
    armedAt_ = deadline;
    if (deadline == kNoDeadline) {
        gameTimer_.cancel();
        return;
    }
    gameTimer_.expires_at(epoch_ + std::chrono::microseconds(deadline));
    gameTimer_.async_wait([this](const asio::error_code& ec) {
        if (ec == asio::error::operation_aborted || stopping_)
            return;
        armedAt_ = kNoDeadline;
        game_.advance(now());
        rearm();
    });
}

}  // namespace hallserver
