#pragma once

// The few socket calls the test helpers make, on POSIX sockets and on Winsock. A socket is held as
// a std::intptr_t, -1 for none (Winsock's INVALID_SOCKET converts to -1), so that headers of the
// helpers need no system header. Include this in .cpp files only: it pulls in the system's headers.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <winsock2.h>
#include <ws2tcpip.h>
#undef MessageBox
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace testsupport::sockets {

using Handle = std::intptr_t;
constexpr Handle kNone = -1;

#ifdef _WIN32
inline SOCKET native(Handle h) {
    return static_cast<SOCKET>(h);
}
// Winsock is started once for the process and left running until it ends.
inline void startup() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}
inline int lastError() {
    return WSAGetLastError();
}
inline bool wouldBlock(int error) {
    return error == WSAEWOULDBLOCK;
}
inline bool interrupted(int error) {
    return error == WSAEINTR;
}
inline std::string errorText(int error) {
    return "Winsock error " + std::to_string(error);
}
inline void closeSocket(Handle h) {
    ::closesocket(native(h));
}
#else
inline int native(Handle h) {
    return static_cast<int>(h);
}
inline void startup() {}
inline int lastError() {
    return errno;
}
inline bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}
inline bool interrupted(int error) {
    return error == EINTR;
}
inline std::string errorText(int error) {
    return std::strerror(error);
}
inline void closeSocket(Handle h) {
    ::close(native(h));
}
#endif

// A TCP socket listening on 127.0.0.1 at an ephemeral port (written to `port`), or kNone.
inline Handle listenOnLoopback(unsigned short& port) {
    startup();
#ifdef _WIN32
    Handle h = static_cast<Handle>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
#else
    Handle h = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
#endif
    if (h == kNone) {
        return kNone;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(native(h), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(native(h), 8) != 0 ||
        ::getsockname(native(h), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closeSocket(h);
        return kNone;
    }
    port = ntohs(addr.sin_port);
    return h;
}

// A blocking client connection to 127.0.0.1:port, or kNone.
inline Handle connectToLoopback(unsigned short port) {
    startup();
    Handle h = static_cast<Handle>(::socket(AF_INET, SOCK_STREAM, 0));
    if (h == kNone) {
        return kNone;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::connect(native(h), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closeSocket(h);
        return kNone;
    }
    return h;
}

// The next connection on a listening socket, non-blocking and without Nagle's delay (small writes go
// out at once, so pieces sent one by one arrive one by one); kNone when there is none.
inline Handle acceptNonBlocking(Handle listener) {
#ifdef _WIN32
    Handle h = static_cast<Handle>(::accept(native(listener), nullptr, nullptr));
    if (h == kNone) {
        return kNone;
    }
    u_long on = 1;
    ::ioctlsocket(native(h), FIONBIO, &on);
    BOOL one = TRUE;
    ::setsockopt(native(h), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
#else
    Handle h = ::accept4(native(listener), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (h == kNone) {
        return kNone;
    }
    int one = 1;
    ::setsockopt(native(h), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
#endif
    return h;
}

// Waits until the socket is readable (or writable) or `timeoutMs` has passed; retried when a
// signal interrupts the wait. False on timeout or error.
inline bool waitFor(Handle h, bool forWriting, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        const int ms = left.count() < 0 ? 0 : static_cast<int>(left.count());
#ifdef _WIN32
        WSAPOLLFD p{native(h), static_cast<SHORT>(forWriting ? POLLOUT : POLLIN), 0};
        const int r = ::WSAPoll(&p, 1, ms);
#else
        pollfd p{native(h), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
        const int r = ::poll(&p, 1, ms);
#endif
        if (r > 0) {
            return true;
        }
        if (r == 0 || !interrupted(lastError())) {
            return false;
        }
    }
}

// One send or recv; the byte count, 0 at the end of the stream (recv), or -1 with lastError() set.
// Sending to a peer that has gone fails without a signal.
inline long sendSome(Handle h, const char* data, std::size_t size) {
#ifdef _WIN32
    return ::send(native(h), data, static_cast<int>(size), 0);
#else
    return static_cast<long>(::send(native(h), data, size, MSG_NOSIGNAL));
#endif
}
inline long recvSome(Handle h, char* data, std::size_t size) {
#ifdef _WIN32
    return ::recv(native(h), data, static_cast<int>(size), 0);
#else
    return static_cast<long>(::recv(native(h), data, size, 0));
#endif
}

}  // namespace testsupport::sockets
