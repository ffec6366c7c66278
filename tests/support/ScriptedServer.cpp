#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

constexpr std::uint32_t kLargestFrame = 16u * 1024u * 1024u;

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll().
int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Waits for `events` on `fd` until `deadline`; retries when a signal interrupts the wait.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, remainingMs(deadline));
        if (r > 0) {
            return true;
        }
        if (r == 0 || errno != EINTR) {
            return false;
        }
    }
}

int listenOnLoopback(unsigned short& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

ScriptedServer::ScriptedServer() {
    m_listener = listenOnLoopback(m_port);
    if (m_listener < 0) {
        m_port = 0;
        ADD_FAILURE() << "ScriptedServer: cannot listen on loopback: " << std::strerror(errno);
    }
}

ScriptedServer::~ScriptedServer() {
    closeClient();
    stopListening();
}

bool ScriptedServer::acceptClient(Ms timeout) {
    if (m_listener < 0) {
        return false;
    }
    if (!waitFor(m_listener, POLLIN, Clock::now() + timeout)) {
        return false;
    }
    int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    closeClient();
    // Small writes go out at once, so pieces sent one by one arrive one by one.
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_client = fd;
    m_clientClosed = false;
    m_pending.clear();
    return true;
}

bool ScriptedServer::ensureClient(Ms timeout) {
    return m_client >= 0 || acceptClient(timeout);
}

std::string ScriptedServer::lengthBytes(std::uint32_t length) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string ScriptedServer::frame(const std::string& body) {
    return lengthBytes(static_cast<std::uint32_t>(body.size())) + body;
}

bool ScriptedServer::sendFrame(const std::string& body) {
    return sendRaw(frame(body));
}

bool ScriptedServer::sendRaw(const std::string& bytes) {
    if (!ensureClient(kDefaultTimeout)) {
        return false;
    }
    const auto deadline = Clock::now() + kDefaultTimeout;
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The client is not reading fast enough; wait for room, but not for ever.
            if (!waitFor(m_client, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool ScriptedServer::readSome(Ms timeout) {
    if (m_client < 0 || m_clientClosed) {
        return false;
    }
    if (!waitFor(m_client, POLLIN, Clock::now() + timeout)) {
        return false;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::recv(m_client, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            m_pending.append(buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return false;
        }
        m_clientClosed = true;  // end of stream or reset
        return false;
    }
}

std::optional<std::string> ScriptedServer::receiveFrame(Ms timeout) {
    if (!ensureClient(timeout)) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (m_pending.size() >= 4) {
            std::uint32_t length = 0;
            for (int i = 0; i < 4; ++i) {
                length |= std::uint32_t(static_cast<unsigned char>(m_pending[i])) << (8 * i);
            }
            if (length > kLargestFrame) {
                ADD_FAILURE() << "ScriptedServer: the client announced a frame of " << length << " bytes";
                return std::nullopt;
            }
            if (m_pending.size() >= 4 + length) {
                std::string body = m_pending.substr(4, length);
                m_pending.erase(0, 4 + length);
                return body;
            }
        }
        if (m_clientClosed) {
            return std::nullopt;
        }
        auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now());
        if (!readSome(left < Ms(0) ? Ms(0) : left) && (m_clientClosed || Clock::now() >= deadline)) {
            return std::nullopt;
        }
    }
}

bool ScriptedServer::waitForClientClose(Ms timeout) {
    if (!ensureClient(timeout)) {
        return false;
    }
    const auto deadline = Clock::now() + timeout;
    while (!m_clientClosed) {
        if (Clock::now() >= deadline) {
            return false;
        }
        readSome(std::chrono::duration_cast<Ms>(deadline - Clock::now()));
        m_pending.clear();
    }
    return true;
}

void ScriptedServer::closeClient() {
    if (m_client >= 0) {
        ::close(m_client);
        m_client = -1;
    }
}

void ScriptedServer::stopListening() {
    if (m_listener >= 0) {
        ::close(m_listener);
        m_listener = -1;
    }
}

unsigned short ScriptedServer::unusedPort() {
    unsigned short port = 0;
    int fd = listenOnLoopback(port);
    if (fd >= 0) {
        ::close(fd);
    }
    return port;
}

}  // namespace testsupport
