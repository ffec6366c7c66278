#pragma once

// CMessageQueue: the client's one link to the game server. It owns the TCP connection, the receive
// thread that reads, parses and queues every server message, and the queue the scenes pop from.
//
// Threads: connectServer, sendMessage, popMessage and disconnect run on the main thread; the
// receive thread runs receiveLoop (and so receiveMessage) and shows its own message boxes. Only the
// main thread sends and only the receive thread receives, so the socket needs no lock; the queue
// has its mutex.

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/Message.h"
#include "protocol/Protocol.h"

class CMessageQueue {
public:
#ifdef _WIN32
    using SocketHandle = std::uintptr_t;  // a Winsock SOCKET; its header stays out of ours
#else
    using SocketHandle = int;
#endif
    // Receives one JSON line per request sent and per message received, from either thread.
    using TraceSink = std::function<void(const std::string& line)>;

    // The one instance, built on the first call.
    static CMessageQueue* getInstance();

    // Connects to the server host (by default the configured "host") on the server port and starts
    // the receive thread.
    // False when the address is not a dotted-decimal IPv4 address, the socket cannot be made or the
    // connection fails; false too while a connection is already open.
    bool connectServer();
    // Sends one request as one frame. On failure it shows "断开连接，请重新登录!" and returns false.
    // An empty text is never sent (false, no box).
    bool sendMessage(const std::string& text);
    // Reads one frame's body into `out` (receive thread). False, after its box, when the connection
    // fails ("从服务器接收数据错误." inside or before a length, "与服务器断开连接!" inside a body) or the
    // frame announces 0 bytes or more than kMaxMessageLength ("从服务器接收数据错误.").
    bool receiveMessage(std::string& out);
    // The receive thread's body: reads, parses and queues until the first error.
    void receiveLoop();
    // The oldest queued message, removed from the queue; empty when there is none.
    std::shared_ptr<stMsg> popMessage();
    // Appends a message at the back of the queue.
    void pushMessage(std::shared_ptr<stMsg> msg);

    // The server's TCP port for the next connectServer (default 9999).
    void setServerPort(unsigned short port);
    unsigned short getServerPort() const {
        return m_port;
    }
    // The server's address for the next connectServer, instead of the configured "host"; empty
    // goes back to the configuration.
    void setServerHost(const std::string& host);
    // Stops and joins the receive thread (shutting the socket down wakes it), closes the socket and
    // empties the queue. connectServer may be called again afterwards.
    void disconnect();
    // True from a successful connectServer until the receive thread has stopped reading.
    bool isReceiving() const {
        return m_receiving.load();
    }

    // Where request and message lines go; an empty function turns tracing off.
    void setTraceSink(TraceSink sink);

    ~CMessageQueue();
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;

private:
    CMessageQueue();
    // Shuts the connection down, then shows a box from the receive thread (unless the link is
    // being taken down on purpose).
    void receiveBox(const char* text, const char* title);
    // Reception is over: nothing reads any more, so the connection is shut down both ways.
    void endReception();
    void trace(const char* direction, const std::string& text);

    std::list<std::shared_ptr<stMsg>> m_msgList;
    std::mutex m_mutex;
    SocketHandle m_socket;

    FrameReader m_reader{kMaxMessageLength};  // receive thread only
    std::vector<char> m_recvBuffer;           // receive thread only
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_receiving{false};
    unsigned short m_port = 9999;
    std::string m_host;  // empty: the configured "host"
    std::mutex m_traceMutex;
    TraceSink m_trace;
};

// Turns on the --trace output: every request sent, every message received and every message box as
// one JSON line on standard error. Pass true for boxesOnStderr when the engine already writes every
// box there (headless), so that each box appears once.
void enableLinkTrace(bool boxesOnStderr);
// Writes one line (a newline is added) to standard error in one piece.
void writeTraceLine(const std::string& line);
