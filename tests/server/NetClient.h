// A plain blocking TCP client for tests: frames out, frames in with a time limit.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

namespace hallserver::testing {

class NetClient {
public:
    // `from` binds the client to another loopback address (127.0.0.2 and so on), for limits that
    // count per address.
    explicit NetClient(unsigned short port, int receiveBuffer = 0, const char* from = nullptr) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        if (from) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, from, &local.sin_addr);
            if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
                return;
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~NetClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    NetClient(const NetClient&) = delete;
    NetClient& operator=(const NetClient&) = delete;

    bool connected() const { return connected_; }

    static std::string frame(const std::string& body) {
        std::string out(4, '\0');
        const auto length = static_cast<std::uint32_t>(body.size());
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<char>((length >> (8 * i)) & 0xff);
        return out + body;
    }

    // False once the peer has closed or reset the connection.
    bool sendRaw(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool send(const std::string& body) { return sendRaw(frame(body)); }

    // The next frame's body; nothing on timeout or when the connection ends.
    std::optional<std::string> receive(int timeoutMs = 3000) {
        unsigned char header[4];
        if (!readExactly(header, 4, timeoutMs))
            return std::nullopt;
        const std::uint32_t length =
            header[0] | header[1] << 8 | header[2] << 16 | static_cast<std::uint32_t>(header[3]) << 24;
        std::string body(length, '\0');
        if (length && !readExactly(&body[0], length, timeoutMs))
            return std::nullopt;
        return body;
    }

    // The next frame whose body contains `needle`, skipping others.
    std::optional<std::string> receiveContaining(const std::string& needle, int timeoutMs = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count());
            auto body = receive(std::max(left, 1));
            if (!body)
                return std::nullopt;
            if (body->find(needle) != std::string::npos)
                return body;
        }
        return std::nullopt;
    }

    // True when the server closes the connection within the time limit (data before it is skipped);
    // with 0, whether it has been closed already.
    bool closedByPeer(int timeoutMs = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[4096];
        do {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, 50))) <= 0)
                continue;
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                return true;
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }

private:
    bool readExactly(void* out, std::size_t size, int timeoutMs) {
        auto* bytes = static_cast<char*>(out);
        std::size_t got = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got < size) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                    .count());
            if (left <= 0)
                return false;
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, left);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            const ssize_t n = ::recv(fd_, bytes + got, size - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
};

}  // namespace hallserver::testing
