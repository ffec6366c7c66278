#include "net/MessageQueue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX  // MinGW's C++ headers may have defined it already
#define NOMINMAX
#endif
#define _WINSOCK_DEPRECATED_NO_WARNINGS  // inet_addr: dotted-decimal IPv4 is all the host may be
#include <winsock2.h>
#include <ws2tcpip.h>
// The system headers name their own box function MessageBox; ours is cocos2d::MessageBox.
#undef MessageBox
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "cocos2d.h"
#include "protocol/Protocol.h"

namespace {

const char kSendFailedText[] = "断开连接，请重新登录!";
const char kLengthFailedText[] = "从服务器接收数据错误.";
const char kDisconnectedText[] = "与服务器断开连接!";
const char kLinkTitle[] = "error";
const char kVersionTitle[] = "错误";

#ifdef _WIN32
const CMessageQueue::SocketHandle kNoSocket = static_cast<CMessageQueue::SocketHandle>(INVALID_SOCKET);
bool interrupted() {
    return WSAGetLastError() == WSAEINTR;
}
void closeSocket(CMessageQueue::SocketHandle s) {
    ::closesocket(s);
}
void shutdownSocket(CMessageQueue::SocketHandle s) {
    ::shutdown(s, SD_BOTH);
}
int sendSome(CMessageQueue::SocketHandle s, const char* data, std::size_t size) {
    return ::send(s, data, static_cast<int>(size), 0);
}
// A recv blocked in one thread is not reliably woken by shutdown() from another on Windows (nor
// under Wine), so the receive thread waits in short polls and sees the stop itself: then it reads
// as the end of the stream.
int recvSome(CMessageQueue::SocketHandle s, char* data, std::size_t size, const std::atomic<bool>& stopping) {
    for (;;) {
        WSAPOLLFD p{s, POLLRDNORM, 0};
        const int ready = ::WSAPoll(&p, 1, 100);
        if (ready > 0) {
            return ::recv(s, data, static_cast<int>(size), 0);
        }
        if (ready < 0 || stopping) {
            return ready < 0 ? -1 : 0;
        }
    }
}
#else
const CMessageQueue::SocketHandle kNoSocket = -1;
bool interrupted() {
    return errno == EINTR;
}
void closeSocket(CMessageQueue::SocketHandle s) {
    ::close(s);
}
void shutdownSocket(CMessageQueue::SocketHandle s) {
    ::shutdown(s, SHUT_RDWR);
}
// MSG_NOSIGNAL: writing to a connection the server has closed is a failed send, not SIGPIPE.
ssize_t sendSome(CMessageQueue::SocketHandle s, const char* data, std::size_t size) {
    return ::send(s, data, size, MSG_NOSIGNAL);
}
// shutdown() from another thread wakes a blocked recv here.
ssize_t recvSome(CMessageQueue::SocketHandle s, char* data, std::size_t size, const std::atomic<bool>&) {
    return ::recv(s, data, size, 0);
}
#endif

// connect() that a signal cannot break: an interrupted connect goes on in the background, so wait
// for it to finish and take its outcome.
bool connectSocket(CMessageQueue::SocketHandle s, const sockaddr_in& addr) {
    if (::connect(s, reinterpret_cast<const sockaddr*>(&addr), static_cast<socklen_t>(sizeof addr)) == 0) {
        return true;
    }
#ifdef _WIN32
    return false;
#else
    if (errno != EINTR) {
        return false;
    }
    for (;;) {
        pollfd p{s, POLLOUT, 0};
        int r = ::poll(&p, 1, -1);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            return false;
        }
        int error = 0;
        socklen_t len = sizeof error;
        return ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
    }
#endif
}

std::mutex& traceOutputMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

CMessageQueue* CMessageQueue::getInstance() {
    static CMessageQueue instance;
    return &instance;
}

CMessageQueue::CMessageQueue() : m_socket(kNoSocket), m_recvBuffer(64 * 1024) {
#ifdef _WIN32
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
#endif
}

CMessageQueue::~CMessageQueue() {
    disconnect();
#ifdef _WIN32
    ::WSACleanup();
#endif
}

void CMessageQueue::setServerPort(unsigned short port) {
    m_port = port;
}

void CMessageQueue::setServerHost(const std::string& host) {
    m_host = host;
}

void CMessageQueue::setTraceSink(TraceSink sink) {
    std::lock_guard<std::mutex> lock(m_traceMutex);
    m_trace = std::move(sink);
}

void CMessageQueue::trace(const char* direction, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_traceMutex);
    if (m_trace) {
        m_trace(std::string("{\"") + direction + "\":" + jsonQuote(text) + "}");
    }
}

bool CMessageQueue::connectServer() {
    if (m_socket != kNoSocket) {
        return false;
    }
    const std::string host =
        m_host.empty() ? cocos2d::Configuration::getInstance()->getValue("host").asString() : m_host;
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(m_port);
    addr.sin_addr.s_addr = ::inet_addr(host.c_str());
    // inet_addr's error value is also the broadcast address, which a client never connects to.
    if (addr.sin_addr.s_addr == INADDR_NONE) {
        return false;
    }
    SocketHandle s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSocket) {
        return false;
    }
    if (!connectSocket(s, addr)) {
        closeSocket(s);
        return false;
    }
    m_socket = s;
    m_reader.clear();
    m_stopping = false;
    m_receiving = true;
    m_thread = std::thread(&CMessageQueue::receiveLoop, this);
    return true;
}

bool CMessageQueue::sendMessage(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    trace("send", text);
    const std::string frame = encodeFrame(text);
    std::size_t sent = 0;
    while (m_socket != kNoSocket && sent < frame.size()) {
        auto n = sendSome(m_socket, frame.data() + sent, frame.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && interrupted()) {
            continue;
        } else {
            break;
        }
    }
    if (sent < frame.size()) {
        cocos2d::MessageBox(kSendFailedText, kLinkTitle);
        return false;
    }
    return true;
}

void CMessageQueue::receiveBox(const char* text, const char* title) {
    // Reception is over. The game goes on under the box, so the connection is shut down first:
    // a request sent meanwhile fails at once with its own box instead of seeming to succeed.
    shutdownSocket(m_socket);
    if (!m_stopping) {
        cocos2d::MessageBox(text, title);
    }
}

bool CMessageQueue::receiveMessage(std::string& out) {
    // Whatever the socket has is read at once and cut into frames, so a burst of small messages
    // costs one system call per buffer, not two per message.
    for (;;) {
        switch (m_reader.next(out)) {
            case FrameReader::Status::Frame:
                return true;
            case FrameReader::Status::BadLength:
                receiveBox(kLengthFailedText, kLinkTitle);
                return false;
            case FrameReader::Status::NeedMore:
                break;
        }
        auto n = recvSome(m_socket, m_recvBuffer.data(), m_recvBuffer.size(), m_stopping);
        if (n > 0) {
            m_reader.append(m_recvBuffer.data(), static_cast<std::size_t>(n));
        } else if (n < 0 && interrupted()) {
            continue;
        } else {
            // Closed or failed: inside a body, or inside (or before) a length.
            receiveBox(m_reader.inBody() ? kDisconnectedText : kLengthFailedText, kLinkTitle);
            return false;
        }
    }
}

void CMessageQueue::receiveLoop() {
    std::string buffer;
    for (;;) {
        buffer.clear();
        if (!receiveMessage(buffer)) {
            break;
        }
        trace("recv", buffer);
        auto msg = std::make_shared<stMsg>();
        const ReadResult result = readServerMessage(buffer, *msg);
        if (result == ReadResult::ParseError) {
            receiveBox(kDisconnectedText, kLinkTitle);
            endReception();
            return;
        }
        if (result == ReadResult::SchemaError) {
            continue;  // not a message we can act on: dropped, reception goes on
        }
        if (isVersionRejected(*msg)) {
            // The box waits for the user; then the main loop is asked to end, and the program
            // leaves from the main thread with status 0.
            receiveBox(versionRejectedText().c_str(), kVersionTitle);
            endReception();
            cocos2d::Director::getInstance()->end();
            return;
        }
        pushMessage(std::move(msg));
    }
    receiveBox(kDisconnectedText, kLinkTitle);
    endReception();
}

void CMessageQueue::endReception() {
    shutdownSocket(m_socket);
    m_receiving = false;
}

std::shared_ptr<stMsg> CMessageQueue::popMessage() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_msgList.empty()) {
        return nullptr;
    }
    std::shared_ptr<stMsg> front = std::move(m_msgList.front());
    m_msgList.pop_front();
    return front;
}

void CMessageQueue::pushMessage(std::shared_ptr<stMsg> msg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_msgList.push_back(std::move(msg));
}

void CMessageQueue::disconnect() {
    if (m_thread.joinable()) {
        m_stopping = true;
        shutdownSocket(m_socket);
        m_thread.join();
    }
    if (m_socket != kNoSocket) {
        closeSocket(m_socket);
        m_socket = kNoSocket;
    }
    m_receiving = false;
    m_stopping = false;
    m_reader.clear();
    std::list<std::shared_ptr<stMsg>> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped.swap(m_msgList);
    }
}

void writeTraceLine(const std::string& line) {
    std::string out = line + "\n";
    std::lock_guard<std::mutex> lock(traceOutputMutex());
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

void enableLinkTrace(bool boxesOnStderr) {
    CMessageQueue::getInstance()->setTraceSink(writeTraceLine);
    if (!boxesOnStderr) {
        cocos2d::setMessageBoxHook([](const std::string& title, const std::string& text) {
            writeTraceLine(cocos2d::messageBoxJson(title, text));
        });
    }
}
