#include "ScriptedServer.h"

#include "Sockets.h"

#include <gtest/gtest.h>

namespace testsupport {

namespace {

constexpr std::uint32_t kLargestFrame = 16u * 1024u * 1024u;

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`.
int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

ScriptedServer::ScriptedServer() {
    m_listener = sockets::listenOnLoopback(m_port);
    if (m_listener == sockets::kNone) {
        m_port = 0;
        ADD_FAILURE() << "ScriptedServer: cannot listen on loopback: "
                      << sockets::errorText(sockets::lastError());
    }
}

ScriptedServer::~ScriptedServer() {
    closeClient();
    stopListening();
}

bool ScriptedServer::acceptClient(Ms timeout) {
    if (m_listener == sockets::kNone) {
        return false;
    }
    if (!sockets::waitFor(m_listener, false, static_cast<int>(timeout.count()))) {
        return false;
    }
    const sockets::Handle client = sockets::acceptNonBlocking(m_listener);
    if (client == sockets::kNone) {
        return false;
    }
    closeClient();
    m_client = client;
    m_clientClosed = false;
    m_pending.clear();
    return true;
}

bool ScriptedServer::ensureClient(Ms timeout) {
    return m_client != sockets::kNone || acceptClient(timeout);
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
        const long n = sockets::sendSome(m_client, bytes.data() + sent, bytes.size() - sent);
        const int error = n < 0 ? sockets::lastError() : 0;
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && sockets::interrupted(error)) {
            continue;
        } else if (n < 0 && sockets::wouldBlock(error)) {
            // The client is not reading fast enough; wait for room, but not for ever.
            if (!sockets::waitFor(m_client, true, remainingMs(deadline))) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

bool ScriptedServer::readSome(Ms timeout) {
    if (m_client == sockets::kNone || m_clientClosed) {
        return false;
    }
    if (!sockets::waitFor(m_client, false, static_cast<int>(timeout.count()))) {
        return false;
    }
    char buf[65536];
    for (;;) {
        const long n = sockets::recvSome(m_client, buf, sizeof buf);
        const int error = n < 0 ? sockets::lastError() : 0;
        if (n > 0) {
            m_pending.append(buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && sockets::interrupted(error)) {
            continue;
        }
        if (n < 0 && sockets::wouldBlock(error)) {
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
    if (m_client != sockets::kNone) {
        sockets::closeSocket(m_client);
        m_client = sockets::kNone;
    }
}

void ScriptedServer::stopListening() {
    if (m_listener != sockets::kNone) {
        sockets::closeSocket(m_listener);
        m_listener = sockets::kNone;
    }
}

unsigned short ScriptedServer::unusedPort() {
    unsigned short port = 0;
    const sockets::Handle h = sockets::listenOnLoopback(port);
    if (h != sockets::kNone) {
        sockets::closeSocket(h);
    }
    return port;
}

}  // namespace testsupport
