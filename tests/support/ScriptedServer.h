#pragma once

// ScriptedServer: a game server stand-in for tests, speaking the client's framing over a real TCP
// connection on loopback. The test drives it step by step from its own thread: accept the client,
// send frames or arbitrary bytes, read what the client sent, close the connection.
//
//   testsupport::ScriptedServer server;                 // listens on 127.0.0.1, ephemeral port
//   CMessageQueue::getInstance()->setServerPort(server.port());
//   ... connect the client ...
//   auto first = server.receiveFrame();                 // std::optional<std::string>, the body
//   EXPECT_EQ(first.value_or(""), R"({"opt":"query"})");
//   server.sendFrame(R"({"opt":"query","online":"3","version":"28"})");
//   server.closeClient();
//
// Every wait has a timeout (5 s unless given), so a test fails instead of hanging. Calls that need
// the client (send*, receiveFrame, waitForClientClose) accept the pending connection first when
// there is none yet, within their own timeout. Writes never raise SIGPIPE: a write to a client that has gone
// returns false. One object is used from one thread; it needs no threads of its own.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace testsupport {

class ScriptedServer {
public:
    using Ms = std::chrono::milliseconds;
    static constexpr Ms kDefaultTimeout{5000};

    // Listens on 127.0.0.1 on a port chosen by the system. A failure is reported with ADD_FAILURE
    // and leaves port() at 0.
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    unsigned short port() const { return m_port; }

    // Waits for the next connection and makes it the client (closing a previous one). False on timeout.
    bool acceptClient(Ms timeout = kDefaultTimeout);
    bool hasClient() const { return m_client != -1; }

    // One frame: the 4-byte little-endian length of `body`, then `body`, in one write.
    bool sendFrame(const std::string& body);
    // Exactly these bytes (a length alone, half a body, two frames at once, ...), in one write.
    bool sendRaw(const std::string& bytes);
    // The frame bytes for `body`, to build raw sequences from.
    static std::string frame(const std::string& body);
    // A length field alone.
    static std::string lengthBytes(std::uint32_t length);

    // The body of the next frame the client sends; std::nullopt on timeout, when the client closes
    // (then clientClosed() is true) or when a frame announces more than 16 MiB.
    std::optional<std::string> receiveFrame(Ms timeout = kDefaultTimeout);
    // True once the client has closed or reset the connection; frames still unread are discarded.
    bool waitForClientClose(Ms timeout = kDefaultTimeout);
    bool clientClosed() const { return m_clientClosed; }

    // Closes the connection to the client (the client then reads end of stream).
    void closeClient();
    // Closes the listening socket: later connection attempts are refused.
    void stopListening();

    // A loopback port that nothing listens on (bound, read back and released again).
    static unsigned short unusedPort();

private:
    bool ensureClient(Ms timeout);
    // Reads what is available into m_pending, waiting up to `timeout`. False on timeout or close.
    bool readSome(Ms timeout);

    // Sockets as std::intptr_t, -1 for none (see Sockets.h).
    std::intptr_t m_listener = -1;
    std::intptr_t m_client = -1;
    unsigned short m_port = 0;
    bool m_clientClosed = false;
    std::string m_pending;  // bytes received from the client, not yet returned as frames
};

}  // namespace testsupport
