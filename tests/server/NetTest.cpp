// The server on loopback: real sockets, the protocol bots, hostile clients.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "NetClient.h"
#include "ServerThread.h"
#include "core/BotPlayer.h"
#include "net/BotSwarm.h"
#include "net/TcpServer.h"
#include "protocol/Requests.h"

using namespace hallserver;
using hallserver::testing::NetClient;
using hallserver::testing::ServerThread;

namespace {

std::string lengthOnly(std::uint32_t length) {
    std::string header(4, '\0');
    for (int i = 0; i < 4; ++i)
        header[i] = static_cast<char>((length >> (8 * i)) & 0xff);
    return header;
}

// A valid request whose body is exactly `size` bytes long.
std::string paddedQuery(std::size_t size) {
    const std::string head = "{\"opt\":\"query\",\"pad\":\"";
    const std::string tail = "\"}";
    return head + std::string(size - head.size() - tail.size(), 'x') + tail;
}

}  // namespace

TEST(ServerNet, ProtocolBotsPlayHandsOverTcp) {
    ServerThread s(NetConfig(), ServerConfig(), 8);
    ASSERT_TRUE(s.waitForHands(8 * 2)) << "two desks did not finish two hands each";
    const SwarmStats stats = s.swarmStats();
    EXPECT_EQ(stats.connected, 8);
    EXPECT_EQ(stats.failed, 0);
    // Between two hands a desk is briefly out of play while its bots get ready again.
    EXPECT_TRUE(s.waitUntil([&] { return s.server->game().desksInPlay() == 2u; }))
        << "the eight bots did not fill two desks that play on";
}

TEST(ServerNet, BadFramesCloseOnlyTheirConnectionAndTheGameGoesOn) {
    ServerThread s(NetConfig(), ServerConfig(), 4);
    ASSERT_TRUE(s.waitForHands(4));
    struct Case {
        const char* what;
        std::string bytes;
        bool closes;
    } cases[] = {
        {"zero length", lengthOnly(0), true},
        {"length over 64 KiB", lengthOnly(64 * 1024 + 1) + std::string(100, 'x'), true},
        {"length 4 GiB", lengthOnly(0xffffffffu), true},
        {"not JSON", NetClient::frame("{oops"), true},
        {"deep nesting", NetClient::frame(std::string(60000, '[')), true},
        {"NUL inside", NetClient::frame(std::string("{\"opt\":\"query\"}\0", 16)), true},
        {"largest frame allowed", NetClient::frame(paddedQuery(64 * 1024)), false},
        {"play for a seat of another desk", NetClient::frame(makePlayRequest(1, 0, {8})), false},
        {"leave for a seat of another desk", NetClient::frame(makeLeaveRequest(1, 1)), false},
        {"ready for a seat of another desk", NetClient::frame(makeReadyRequest(1, 2)), false},
        {"unknown request", NetClient::frame("{\"opt\":\"shuffle\"}"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetClient hostile(s.port());
        ASSERT_TRUE(hostile.connected());
        ASSERT_TRUE(hostile.send("{\"opt\":\"add\"}"));
        ASSERT_TRUE(hostile.receiveContaining("\"add\""));
        hostile.sendRaw(c.bytes);
        if (c.closes) {
            EXPECT_TRUE(hostile.closedByPeer());
        } else {
            ASSERT_TRUE(hostile.send("{\"opt\":\"query\"}"));
            EXPECT_TRUE(hostile.receiveContaining("\"version\":\"28\"")) << "connection did not survive";
        }
    }
    // The bots' desk played on, untouched.
    const std::uint64_t before = s.swarmStats().hands;
    EXPECT_TRUE(s.waitForHands(before + 4));
    EXPECT_EQ(s.swarmStats().failed, 0);
}

TEST(ServerNet, ClientThatNeverReadsIsDroppedAndOthersAreServed) {
    NetConfig net;
    net.maxOutputBytes = 16 * 1024;
    ServerThread s(net);
    NetClient reader(s.port());
    NetClient sleeper(s.port(), 4096);
    ASSERT_TRUE(reader.connected());
    ASSERT_TRUE(sleeper.connected());
    // Ask for far more answers than the kernel buffers and the output queue hold, never reading.
    std::string batch;
    for (int i = 0; i < 1000; ++i)
        batch += NetClient::frame("{\"opt\":\"query\"}");
    bool dropped = false;
    for (int round = 0; round < 2000 && !dropped; ++round)
        dropped = !sleeper.sendRaw(batch);
    EXPECT_TRUE(dropped || sleeper.closedByPeer()) << "the sleeping client was never dropped";
    ASSERT_TRUE(reader.send("{\"opt\":\"query\"}"));
    auto reply = reader.receiveContaining("\"query\"");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->find("\"online\":\"1\""), std::string::npos) << *reply;
}

TEST(ServerNet, MaxConnectionsIsEnforced) {
    NetConfig net;
    net.maxConnections = 3;
    ServerThread s(net);
    std::vector<std::unique_ptr<NetClient>> clients;
    for (int i = 0; i < 3; ++i) {
        clients.push_back(std::make_unique<NetClient>(s.port()));
        ASSERT_TRUE(clients.back()->send("{\"opt\":\"query\"}"));
        ASSERT_TRUE(clients.back()->receiveContaining("\"query\"")) << "client " << i;
    }
    NetClient extra(s.port());
    EXPECT_TRUE(extra.closedByPeer()) << "a fourth connection was kept";
    // A freed place can be taken again.
    clients.pop_back();
    bool served = false;
    for (int attempt = 0; attempt < 50 && !served; ++attempt) {
        NetClient again(s.port());
        served = again.send("{\"opt\":\"query\"}") && again.receiveContaining("\"query\"", 200).has_value();
    }
    EXPECT_TRUE(served);
}

TEST(ServerNet, FrameArrivingInPiecesIsReadWhole) {
    ServerThread s;
    NetClient client(s.port());
    ASSERT_TRUE(client.connected());
    // A large frame (several read pieces) followed by a small one, a few bytes per write.
    const std::string bytes = NetClient::frame(paddedQuery(9000)) + NetClient::frame("{\"opt\":\"query\"}");
    for (std::size_t at = 0; at < bytes.size(); at += 700) {
        ASSERT_TRUE(client.sendRaw(bytes.substr(at, 700)));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(client.receiveContaining("\"query\""));
    EXPECT_TRUE(client.receiveContaining("\"query\""));
    const std::string tiny = NetClient::frame("{\"opt\":\"add\"}");
    for (char c : tiny)
        ASSERT_TRUE(client.sendRaw(std::string(1, c)));
    EXPECT_TRUE(client.receiveContaining("\"add\""));
}

TEST(ServerNet, LostConnectionDuringAHandSendsRunAndAnIdleDeskTimesOut) {
    ServerConfig game;
    game.idleTimeout = kSecond / 2;
    ServerThread s(NetConfig(), game);
    std::vector<std::unique_ptr<NetClient>> players;
    for (int site = 0; site < 4; ++site) {
        players.push_back(std::make_unique<NetClient>(s.port()));
        ASSERT_TRUE(players.back()->send("{\"opt\":\"add\"}"));
        ASSERT_TRUE(players.back()->receiveContaining("\"add\""));
    }
    for (int site = 0; site < 4; ++site)
        ASSERT_TRUE(players[site]->send(makeReadyRequest(1, site)));
    for (auto& player : players)
        ASSERT_TRUE(player->receiveContaining("\"start\""));
    players[3].reset();  // seat 3 vanishes mid-hand
    for (int site = 0; site < 3; ++site) {
        auto run = players[site]->receiveContaining("\"run\"");
        ASSERT_TRUE(run) << "seat " << site;
        EXPECT_NE(run->find("\"site\":\"3\""), std::string::npos) << *run;
    }
    // Nobody gets ready again: the desk is closed after the idle timeout.
    for (int site = 0; site < 3; ++site)
        EXPECT_TRUE(players[site]->receiveContaining("\"timeout\"")) << "seat " << site;
}
