// The scripted server against a plain client socket: framing both ways, timeouts, closing.

#include <gtest/gtest.h>

#include <string>

#include "ScriptedServer.h"
#include "Sockets.h"

namespace {

using testsupport::ScriptedServer;
using Ms = std::chrono::milliseconds;

namespace sockets = testsupport::sockets;

std::string readExactly(sockets::Handle fd, std::size_t n) {
    std::string out;
    char buf[256];
    while (out.size() < n) {
        const long got = sockets::recvSome(fd, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(got));
    }
    return out;
}

void writeAll(sockets::Handle fd, const std::string& bytes) {
    ASSERT_EQ(sockets::sendSome(fd, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
}

TEST(ScriptedServer, FramesTravelBothWays) {
    ScriptedServer server;
    ASSERT_NE(server.port(), 0);
    const sockets::Handle fd = sockets::connectToLoopback(server.port());
    ASSERT_NE(fd, sockets::kNone);
    ASSERT_TRUE(server.acceptClient());

    // Two frames in one write, then a frame in two pieces, then an empty body.
    writeAll(fd, ScriptedServer::frame("one") + ScriptedServer::frame("two"));
    const std::string third = ScriptedServer::frame("three");
    writeAll(fd, third.substr(0, 6));
    EXPECT_EQ(server.receiveFrame().value_or("?"), "one");
    EXPECT_EQ(server.receiveFrame().value_or("?"), "two");
    EXPECT_FALSE(server.receiveFrame(Ms(50)).has_value());  // only part of "three" so far
    writeAll(fd, third.substr(6) + ScriptedServer::frame(""));
    EXPECT_EQ(server.receiveFrame().value_or("?"), "three");
    EXPECT_EQ(server.receiveFrame().value_or("?"), "");

    ASSERT_TRUE(server.sendFrame(R"({"opt":"add"})"));
    ASSERT_TRUE(server.sendRaw(ScriptedServer::lengthBytes(0x01020304)));
    EXPECT_EQ(readExactly(fd, 17), std::string("\x0d\0\0\0{\"opt\":\"add\"}", 17));
    EXPECT_EQ(readExactly(fd, 4), "\x04\x03\x02\x01");
    sockets::closeSocket(fd);
}

TEST(ScriptedServer, NoticesTheClientClosing) {
    ScriptedServer server;
    const sockets::Handle fd = sockets::connectToLoopback(server.port());
    ASSERT_NE(fd, sockets::kNone);
    writeAll(fd, ScriptedServer::frame("last"));
    sockets::closeSocket(fd);
    EXPECT_EQ(server.receiveFrame().value_or("?"), "last");  // accepts the pending connection itself
    EXPECT_FALSE(server.receiveFrame().has_value());
    EXPECT_TRUE(server.clientClosed());
    EXPECT_TRUE(server.waitForClientClose(Ms(100)));
    // Writing to a client that has gone fails instead of killing the process.
    bool sent = true;
    for (int i = 0; i < 20 && sent; ++i) {
        sent = server.sendFrame(std::string(1000, 'x'));
    }
    EXPECT_FALSE(sent);
}

TEST(ScriptedServer, ClosingTheClientEndsItsStream) {
    ScriptedServer server;
    const sockets::Handle fd = sockets::connectToLoopback(server.port());
    ASSERT_NE(fd, sockets::kNone);
    ASSERT_TRUE(server.acceptClient());
    ASSERT_TRUE(server.sendRaw("ab"));
    server.closeClient();
    EXPECT_FALSE(server.hasClient());
    EXPECT_EQ(readExactly(fd, 10), "ab");  // end of stream after the two bytes
    sockets::closeSocket(fd);
}

TEST(ScriptedServer, WaitsEndAtTheirTimeout) {
    ScriptedServer server;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(server.acceptClient(Ms(50)));
    EXPECT_FALSE(server.receiveFrame(Ms(50)).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
}

TEST(ScriptedServer, StoppedAndUnusedPortsRefuseConnections) {
    EXPECT_EQ(sockets::connectToLoopback(ScriptedServer::unusedPort()), sockets::kNone);
    ScriptedServer server;
    server.stopListening();
    EXPECT_EQ(sockets::connectToLoopback(server.port()), sockets::kNone);
}

}  // namespace
