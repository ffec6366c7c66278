#include "net/TcpServer.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/Log.h"
#include "protocol/Frame.h"

namespace hallserver {

namespace {

unsigned long long ull(ConnId id) {
    return static_cast<unsigned long long>(id);
}

// Several queued frames are joined into one write of at most this many bytes.
constexpr std::size_t kJoinedWrite = 64 * 1024;
// A frame body is read in pieces of at most this many bytes.
constexpr std::size_t kReadPiece = 4096;
// How long accepting pauses when a failed accept cannot be resolved at once.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

bool outOfDescriptors(const asio::error_code& ec) {
    return ec == asio::error::no_descriptors || ec == std::errc::too_many_files_open_in_system;
}

int openSpareDescriptor() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

}  // namespace

TcpServer::TcpServer(asio::io_context& io, const NetConfig& net, const ServerConfig& game)
    : io_(io),
      net_(net),
      game_(game, *this),
      acceptor_(io),
      gameTimer_(io),
      acceptRetry_(io),
      epoch_(std::chrono::steady_clock::now()) {}

TcpServer::~TcpServer() {
    if (spareDescriptor_ >= 0)
        ::close(spareDescriptor_);
}

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
    spareDescriptor_ = openSpareDescriptor();
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
        conn->deadline.cancel();
        conn->socket.shutdown(asio::ip::tcp::socket::shutdown_both, ec);
        conn->socket.close(ec);
    }
    LOG_INFO("stopped, %zu connections closed", conns_.size());
    conns_.clear();
    perAddress_.clear();
}

void TcpServer::accept() {
    acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (stopping_ || ec == asio::error::operation_aborted)
            return;
        if (!ec) {
            admit(std::move(socket));
            accept();
            return;
        }
        if (outOfDescriptors(ec)) {
            // The pending connection would fail again at once, for ever: take it with the spare
            // descriptor and close it, so that it is refused rather than left hanging. Linux fails
            // an accept at the limit even with nothing pending, so once none is left, pause.
            if (shedOneConnection()) {
                accept();
                return;
            }
        } else {
            refuse("accept failed", ec.message());
        }
        acceptLater();
    });
}

void TcpServer::acceptLater() {
    acceptRetry_.expires_after(kAcceptPause);
    acceptRetry_.async_wait([this](const asio::error_code& waitError) {
        if (!waitError && !stopping_)
            accept();
    });
}

bool TcpServer::shedOneConnection() {
    if (spareDescriptor_ < 0)
        spareDescriptor_ = openSpareDescriptor();
    if (spareDescriptor_ < 0) {
        refuse("out of descriptors", "accepting paused");
        return false;
    }
    ::close(spareDescriptor_);
    // The acceptor is non-blocking under asio: with nothing pending this returns at once.
    const int fd = ::accept4(acceptor_.native_handle(), nullptr, nullptr, SOCK_CLOEXEC);
    const int acceptError = errno;
    if (fd >= 0)
        ::close(fd);
    spareDescriptor_ = openSpareDescriptor();
    if (fd < 0) {
        if (acceptError != EAGAIN && acceptError != EWOULDBLOCK)
            refuse("accept failed", std::strerror(acceptError));
        return false;
    }
    ++stats_.refused;
    refuse("out of descriptors", std::to_string(conns_.size()) + " connections open");
    return true;
}

void TcpServer::refuse(const char* why, const std::string& detail) {
    // Refusals come in floods: at most one line a second, with the number left unsaid.
    const Micros at = now();
    if (at - refusalLoggedAt_ < kSecond) {
        ++refusalsUnlogged_;
        return;
    }
    if (refusalsUnlogged_ > 0)
        LOG_WARN("connection refused: %s (%s); %llu more refused in the last %.1f s", why, detail.c_str(),
                 static_cast<unsigned long long>(refusalsUnlogged_), (at - refusalLoggedAt_) / 1e6);
    else
        LOG_WARN("connection refused: %s (%s)", why, detail.c_str());
    refusalLoggedAt_ = at;
    refusalsUnlogged_ = 0;
}

void TcpServer::admit(asio::ip::tcp::socket socket) {
    asio::error_code ignored;
    const auto peer = socket.remote_endpoint(ignored);
    if (ignored)
        return;  // gone already
    if (conns_.size() >= net_.maxConnections) {
        ++stats_.refused;
        refuse("--max-connections", std::to_string(conns_.size()) + " connections already");
        return;
    }
    std::string address = peer.address().to_string();
    std::size_t& fromAddress = perAddress_[address];
    if (net_.maxPerAddress > 0 && fromAddress >= net_.maxPerAddress) {
        ++stats_.refused;
        refuse("--max-per-address",
               std::to_string(fromAddress) + " connections from " + address + " already");
        return;
    }
    ++fromAddress;
    auto conn = std::make_shared<Connection>(io_);
    conn->id = nextId_++;
    conn->socket = std::move(socket);
    conn->address = std::move(address);
    conn->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
    const Micros at = now();
    conn->requestDue = at + net_.handshakeTimeout;
    conn->idleDue = at + net_.hallIdleTimeout;
    conn->tokens = 2.0 * net_.maxRequestRate;
    conn->refilledAt = at;
    conns_.emplace(conn->id, conn);
    ++stats_.accepted;
    LOG_INFO("conn %llu: connected from %s:%u", ull(conn->id), conn->address.c_str(),
             static_cast<unsigned>(peer.port()));
    game_.connect(conn->id, at);
    armDeadline(conn);
    readHeader(conn);
}

void TcpServer::readHeader(const ConnPtr& conn) {
    // Read as it comes (not all four bytes at once), so that the request's clock starts with its
    // first byte.
    conn->socket.async_read_some(
        asio::buffer(conn->header + conn->headerGot, sizeof conn->header - conn->headerGot),
        [this, conn](const asio::error_code& ec, std::size_t got) {
            if (conn->closed)
                return;
            if (ec) {
                close(conn, ec == asio::error::eof ? "closed by peer" : "read failed");
                return;
            }
            if (conn->headerGot == 0)
                requestBegun(conn);
            conn->headerGot += got;
            if (conn->headerGot < sizeof conn->header) {
                readHeader(conn);
                return;
            }
            conn->headerGot = 0;
            const std::uint32_t length = decodeFrameLength(conn->header);
            if (!isFrameLengthAllowed(length, kMaxRequestLength)) {
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
                         if (!requestDone(conn))
                             return;
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
    conn->deadline.cancel();
    conns_.erase(conn->id);
    auto from = perAddress_.find(conn->address);
    if (from != perAddress_.end() && --from->second == 0)
        perAddress_.erase(from);
    LOG_INFO("conn %llu: disconnected (%s)", ull(conn->id), reason);
    game_.disconnect(conn->id, now());
    rearm();
}

void TcpServer::seated(ConnId id, bool isSeated, Micros at) {
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    Connection& conn = *it->second;
    conn.seated = isSeated;
    // A seated connection answers to the desk's timers; back in the hall, the idle clock starts anew.
    conn.idleDue = isSeated ? kNoDeadline : at + net_.hallIdleTimeout;
    armDeadline(it->second);
}

void TcpServer::requestBegun(const ConnPtr& conn) {
    // The first request's deadline counts from the connection, not from its first byte.
    if (conn->requestDue == kNoDeadline) {
        conn->requestDue = now() + net_.handshakeTimeout;
        armDeadline(conn);
    }
}

bool TcpServer::requestDone(const ConnPtr& conn) {
    const Micros at = now();
    conn->requestDue = kNoDeadline;
    if (!conn->seated)
        conn->idleDue = at + net_.hallIdleTimeout;
    if (!withinRate(*conn, at)) {
        ++stats_.flooding;
        LOG_WARN("conn %llu: more than %u requests a second (--max-request-rate), closing", ull(conn->id),
                 net_.maxRequestRate);
        close(conn, "too many requests");
        return false;
    }
    return true;
}

bool TcpServer::withinRate(Connection& conn, Micros at) {
    // A bucket of 2N requests, refilled at N a second.
    if (net_.maxRequestRate == 0)
        return true;
    const double rate = net_.maxRequestRate;
    conn.tokens =
        std::min(2 * rate, conn.tokens + static_cast<double>(at - conn.refilledAt) * rate / kSecond);
    conn.refilledAt = at;
    if (conn.tokens < 1)
        return false;
    conn.tokens -= 1;
    return true;
}

void TcpServer::armDeadline(const ConnPtr& conn) {
    const Micros due = std::min(conn->requestDue, conn->idleDue);
    if (due >= conn->armedAt)
        return;  // the timer fires earlier and looks again then
    conn->armedAt = due;
    conn->deadline.expires_at(epoch_ + std::chrono::microseconds(due));
    conn->deadline.async_wait([this, conn](const asio::error_code& ec) {
        if (ec == asio::error::operation_aborted || conn->closed)
            return;
        conn->armedAt = kNoDeadline;
        deadlineFired(conn);
    });
}

void TcpServer::deadlineFired(const ConnPtr& conn) {
    const Micros at = now();
    if (conn->requestDue <= at) {
        ++stats_.timedOut;
        LOG_WARN("conn %llu: request not complete in %.1f s (--handshake-timeout), closing", ull(conn->id),
                 net_.handshakeTimeout / 1e6);
        close(conn, "request too slow");
        return;
    }
    if (conn->idleDue <= at) {
        ++stats_.timedOut;
        LOG_INFO("conn %llu: silent in the hall for %.1f s (--hall-idle-timeout), closing", ull(conn->id),
                 net_.hallIdleTimeout / 1e6);
        close(conn, "idle in the hall");
        return;
    }
    armDeadline(conn);
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
