// The server link against a scripted server on loopback: framing in every shape the network can
// deliver it, the boxes of a broken connection, the receive thread's end, sending.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <pthread.h>
#include <csignal>
#endif

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ScriptedServer.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "protocol/Protocol.h"

namespace {

using testsupport::ScriptedServer;
using Box = std::pair<std::string, std::string>;  // (title, text)
using Ms = std::chrono::milliseconds;

const Box kLengthBox{"error", "从服务器接收数据错误."};
const Box kDisconnectedBox{"error", "与服务器断开连接!"};
const Box kSendBox{"error", "断开连接，请重新登录!"};

bool waitUntil(const std::function<bool()>& done, Ms timeout = Ms(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(Ms(1));
    }
    return true;
}

std::string frame(const std::string& body) {
    return ScriptedServer::frame(body);
}
std::string timeoutMsg(int n) {
    return R"({"opt":"timeout","n":")" + std::to_string(n) + "\"}";
}

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
        queue()->setServerPort(server.port());
    }
    void TearDown() override {
        queue()->disconnect();
        queue()->setTraceSink(nullptr);
        queue()->setServerPort(9999);
        cocos2d::Configuration::getInstance()->clear();
    }

    static CMessageQueue* queue() { return CMessageQueue::getInstance(); }

    void connect() {
        ASSERT_TRUE(queue()->connectServer());
        ASSERT_TRUE(server.acceptClient());
    }

    // Pops `count` messages, waiting for each; fewer when they do not come.
    std::vector<std::shared_ptr<stMsg>> popMessages(std::size_t count) {
        std::vector<std::shared_ptr<stMsg>> out;
        while (out.size() < count) {
            std::shared_ptr<stMsg> m;
            if (!waitUntil([&] { return (m = queue()->popMessage()) != nullptr; })) {
                break;
            }
            out.push_back(m);
        }
        return out;
    }

    bool waitForReceptionEnd() {
        return waitUntil([] { return !queue()->isReceiving(); });
    }

    ScriptedServer server;
    cocos2d::testing::MessageBoxRecorder boxes;  // boxes count as closed at once
};

TEST_F(Link, QueueKeepsArrivalOrderAndPopsEmptyWhenEmpty) {
    EXPECT_EQ(queue()->popMessage(), nullptr);
    EXPECT_EQ(queue()->popMessage(), nullptr);
    for (const char* opt : {"first", "second", "third"}) {
        auto m = std::make_shared<stMsg>();
        m->opt = opt;
        queue()->pushMessage(m);
    }
    for (const char* opt : {"first", "second", "third"}) {
        auto m = queue()->popMessage();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->opt, opt);
    }
    EXPECT_EQ(queue()->popMessage(), nullptr);
}

// What the server sends, piece by piece, and what the client must make of it.
struct Delivery {
    const char* what;
    std::vector<std::string> pieces;  // sent one after another, with a pause between
    bool closeAfter;                  // the server closes the connection after the last piece
    std::vector<std::string> opts;    // messages queued, in order
    std::vector<Box> boxes;           // boxes shown, in order
    bool receptionEnds;
};

std::vector<Delivery> deliveries() {
    const std::string a = timeoutMsg(1), b = timeoutMsg(2);
    const std::string fa = frame(a), fb = frame(b);
    std::vector<Delivery> d;
    d.push_back({"body split in pieces",
                 {fa.substr(0, 6), fa.substr(6, 5), fa.substr(11)},
                 false,
                 {"timeout"},
                 {},
                 false});
    d.push_back({"two frames in one segment", {fa + fb}, false, {"timeout", "timeout"}, {}, false});
    d.push_back({"second frame's head with the first body",
                 {fa + fb.substr(0, 2), fb.substr(2)},
                 false,
                 {"timeout", "timeout"},
                 {},
                 false});
    {
        std::vector<std::string> bytes;
        for (char c : fa) {
            bytes.push_back(std::string(1, c));
        }
        d.push_back({"one byte at a time", bytes, false, {"timeout"}, {}, false});
    }
    {
        std::string body = R"({"opt":"big","pad":")";
        body += std::string(kMaxMessageLength - body.size() - 2, 'x') + "\"}";
        d.push_back({"a body of exactly the bound", {frame(body)}, false, {"big"}, {}, false});
    }
    d.push_back({"length 0",
                 {fa + ScriptedServer::lengthBytes(0) + fb},
                 false,
                 {"timeout"},
                 {kLengthBox, kDisconnectedBox},
                 true});
    d.push_back({"length over the bound",
                 {ScriptedServer::lengthBytes(kMaxMessageLength + 1) + "{}"},
                 false,
                 {},
                 {kLengthBox, kDisconnectedBox},
                 true});
    d.push_back({"length of 4 GiB - 1",
                 {ScriptedServer::lengthBytes(0xffffffffu)},
                 false,
                 {},
                 {kLengthBox, kDisconnectedBox},
                 true});
    d.push_back({"close between messages",
                 {fa, fb},
                 true,
                 {"timeout", "timeout"},
                 {kLengthBox, kDisconnectedBox},
                 true});
    d.push_back({"close inside the length",
                 {fa + fb.substr(0, 3)},
                 true,
                 {"timeout"},
                 {kLengthBox, kDisconnectedBox},
                 true});
    d.push_back({"close inside a body",
                 {fa + fb.substr(0, 9)},
                 true,
                 {"timeout"},
                 {kDisconnectedBox, kDisconnectedBox},
                 true});
    d.push_back(
        {"invalid JSON", {fa + frame("{\"opt\":") + fb}, false, {"timeout"}, {kDisconnectedBox}, true});
    d.push_back({"trailing text", {fa + frame(b + " x") + fb}, false, {"timeout"}, {kDisconnectedBox}, true});
    d.push_back({"a million [",
                 {fa + frame(std::string(1000000, '[')) + fb},
                 false,
                 {"timeout"},
                 {kDisconnectedBox},
                 true});
    d.push_back({"schema broken messages are dropped",
                 {frame("[1]") + frame(R"({"opt":1})") + frame(R"({"opt":"add","desk":"1"})") + fa},
                 false,
                 {"timeout"},
                 {},
                 false});
    d.push_back({"unknown opt and capitalised Query",
                 {frame(R"({"opt":"Query","version":"1"})") + frame(R"({"opt":"x"})")},
                 false,
                 {"Query", "x"},
                 {},
                 false});
    d.push_back({"matching version",
                 {frame(R"({"opt":"query","online":"5","version":"28"})")},
                 false,
                 {"query"},
                 {},
                 false});
    return d;
}

TEST_F(Link, ReadsWhatTheNetworkDelivers) {
    for (const Delivery& d : deliveries()) {
        SCOPED_TRACE(d.what);
        boxes.clear();
        connect();
        for (const std::string& piece : d.pieces) {
            ASSERT_TRUE(server.sendRaw(piece));
            if (d.pieces.size() > 1) {
                std::this_thread::sleep_for(Ms(2));
            }
        }
        if (d.closeAfter) {
            server.closeClient();
        }
        if (d.receptionEnds) {
            ASSERT_TRUE(waitForReceptionEnd());
        }
        auto got = popMessages(d.opts.size());
        ASSERT_EQ(got.size(), d.opts.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i]->opt, d.opts[i]);
        }
        if (!d.receptionEnds) {
            // Nothing more arrives, and the link is still up.
            std::this_thread::sleep_for(Ms(20));
            EXPECT_TRUE(queue()->isReceiving());
        }
        EXPECT_EQ(queue()->popMessage(), nullptr);
        EXPECT_EQ(boxes.boxes(), d.boxes);
        queue()->disconnect();
        server.closeClient();
    }
}

TEST_F(Link, MessagesKeepTheirFieldsThroughTheLink) {
    connect();
    ASSERT_TRUE(server.sendFrame(R"({"opt":"add","desk":"3","site":"1","name":"小明"})"));
    ASSERT_TRUE(server.sendFrame(
        R"({"opt":"game","per":"-1","surplus":"","now":"2","cards":"","score":"5","must":"1"})"));
    auto got = popMessages(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0]->desk, 3);
    EXPECT_EQ(got[0]->site, 1);
    EXPECT_EQ(got[0]->name, "小明");
    EXPECT_EQ(got[1]->now, 2);
    EXPECT_EQ(got[1]->must, 1);
    EXPECT_EQ(got[1]->per, -1);
}

TEST_F(Link, MessagesQueuedBeforeACloseArePoppedInOrder) {
    connect();
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(server.sendFrame(timeoutMsg(i)));
    }
    server.closeClient();
    ASSERT_TRUE(waitForReceptionEnd());
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{kLengthBox, kDisconnectedBox}));
    // Popped only now, after reception has ended.
    for (int i = 1; i <= 3; ++i) {
        auto m = queue()->popMessage();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->opt, "timeout");
    }
    EXPECT_EQ(queue()->popMessage(), nullptr);
}

TEST_F(Link, VersionMismatchTellsTheUserAndEndsTheRun) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(""));
    connect();
    ASSERT_TRUE(server.sendFrame(R"({"opt":"query","online":"5","version":"28 "})"));
    ASSERT_TRUE(server.sendFrame(timeoutMsg(1)));
    ASSERT_TRUE(waitForReceptionEnd());
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{{"错误", versionRejectedText()}}));
    EXPECT_NE(versionRejectedText().find(kDownloadAddress), std::string::npos);
    EXPECT_TRUE(cocos2d::Director::getInstance()->isEndRequested());
    // Neither the refused reply nor anything after it is queued.
    EXPECT_EQ(queue()->popMessage(), nullptr);
    queue()->disconnect();
    cocos2d::testing::shutdown();
}

TEST_F(Link, RequestsGoOutAsFrames) {
    connect();
    const std::string requests[] = {makeQueryRequest(), makeReadyRequest(3, 1), makePlayRequest(3, 1, {8, 9}),
                                    std::string(200000, 'q')};
    EXPECT_FALSE(queue()->sendMessage(""));  // never an empty frame
    for (const auto& r : requests) {
        EXPECT_TRUE(queue()->sendMessage(r));
    }
    for (const auto& r : requests) {
        EXPECT_EQ(server.receiveFrame().value_or("<none>"), r);
    }
    EXPECT_FALSE(server.receiveFrame(Ms(20)).has_value());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Link, SendingAfterTheServerHasGoneShowsABoxEachTime) {
    connect();
    server.closeClient();
    ASSERT_TRUE(waitForReceptionEnd());
    boxes.clear();
    // The process lives on (no SIGPIPE) and every failed send tells the user.
    EXPECT_FALSE(queue()->sendMessage(makeQueryRequest()));
    EXPECT_FALSE(queue()->sendMessage(makeAddRequest()));
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{kSendBox, kSendBox}));
}

TEST_F(Link, SendingWithoutAConnectionShowsTheBox) {
    EXPECT_FALSE(queue()->sendMessage(makeQueryRequest()));
    EXPECT_EQ(boxes.boxes(), (std::vector<Box>{kSendBox}));
}

TEST_F(Link, ConnectFailsWithoutABox) {
    struct Case {
        const char* host;
        unsigned short port;
    };
    const unsigned short unused = ScriptedServer::unusedPort();
    const Case cases[] = {
        {"127.0.0.1", unused},          {"localhost", server.port()}, {"", server.port()},
        {"127.0.0.256", server.port()}, {"::1", server.port()},       {"255.255.255.255", server.port()},
    };
    for (const auto& c : cases) {
        cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value(c.host));
        queue()->setServerPort(c.port);
        EXPECT_FALSE(queue()->connectServer()) << c.host << ":" << c.port;
        EXPECT_FALSE(queue()->isReceiving());
    }
    cocos2d::Configuration::getInstance()->clear();  // no "host" at all
    queue()->setServerPort(server.port());
    EXPECT_FALSE(queue()->connectServer());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Link, OneConnectionAtATimeAndDisconnectAllowsANewOne) {
    connect();
    EXPECT_FALSE(queue()->connectServer());
    EXPECT_FALSE(server.acceptClient(Ms(50)));  // no second connection was made
    ASSERT_TRUE(server.sendFrame(timeoutMsg(1)));
    ASSERT_EQ(popMessages(1).size(), 1u);

    // disconnect wakes the blocked receive thread without a box and closes the socket.
    auto kept = std::make_shared<stMsg>();
    std::weak_ptr<stMsg> watch = kept;
    queue()->pushMessage(std::move(kept));
    queue()->disconnect();
    EXPECT_FALSE(queue()->isReceiving());
    EXPECT_TRUE(watch.expired());  // queued messages are released with the queue's contents
    EXPECT_EQ(queue()->popMessage(), nullptr);
    EXPECT_TRUE(server.waitForClientClose());
    EXPECT_TRUE(boxes.boxes().empty());

    connect();
    ASSERT_TRUE(server.sendFrame(timeoutMsg(2)));
    ASSERT_EQ(popMessages(1).size(), 1u);
    EXPECT_TRUE(queue()->sendMessage(makeAddRequest()));
    EXPECT_EQ(server.receiveFrame().value_or(""), makeAddRequest());
}

// In a window the receive thread's boxes are shown by the main thread, and the receive thread waits
// for each to be closed before it goes on.
TEST(LinkBoxes, ReceiveThreadWaitsForTheMainThreadToShowItsBoxes) {
    ASSERT_TRUE(cocos2d::testing::startHeadless(""));
    cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
    ScriptedServer server;
    CMessageQueue* queue = CMessageQueue::getInstance();
    queue->setServerPort(server.port());
    {
        cocos2d::testing::MessageBoxRecorder boxes(/*deliverOnMainThread=*/true);
        ASSERT_TRUE(queue->connectServer());
        ASSERT_TRUE(server.acceptClient());
        server.closeClient();
        std::this_thread::sleep_for(Ms(50));
        EXPECT_TRUE(boxes.boxes().empty());  // asked for, but not shown yet
        EXPECT_TRUE(queue->isReceiving());   // held by its first box
        ASSERT_TRUE(waitUntil([&] {
            cocos2d::testing::step();
            return boxes.boxes().size() == 2;
        }));
        EXPECT_EQ(boxes.boxes(), (std::vector<Box>{kLengthBox, kDisconnectedBox}));
        EXPECT_TRUE(waitUntil([&] { return !queue->isReceiving(); }));
    }
    // A box still waiting when the engine cancels the waiting boxes frees the thread, so it can be
    // joined.
    {
        auto waiting = std::make_unique<cocos2d::testing::MessageBoxRecorder>(/*deliverOnMainThread=*/true);
        queue->disconnect();
        ASSERT_TRUE(queue->connectServer());
        ASSERT_TRUE(server.acceptClient());
        server.closeClient();
        std::this_thread::sleep_for(Ms(50));         // the first box is now waiting for the main thread
        cocos2d::testing::MessageBoxRecorder later;  // records at once from now on
        waiting.reset();                             // cancels the waiting box
        EXPECT_TRUE(waitUntil([&] { return !queue->isReceiving(); }));
        queue->disconnect();
        // The cancelled box is not shown; what the thread shows after it is.
        ASSERT_FALSE(later.boxes().empty());
        EXPECT_EQ(later.boxes().back(), kDisconnectedBox);
    }
    queue->setServerPort(9999);
    cocos2d::Configuration::getInstance()->clear();
    cocos2d::testing::shutdown();
}

#ifndef _WIN32
std::atomic<int> g_signals{0};
void countSignal(int) {
    g_signals.fetch_add(1);
}

#endif

TEST_F(Link, SignalsDoNotBreakReception) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no signals that interrupt a blocking recv";
#else
    struct sigaction action {};
    action.sa_handler = countSignal;  // no SA_RESTART: blocking calls return EINTR
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    connect();  // the receive thread starts with SIGUSR1 unblocked
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &usr1, nullptr), 0);  // so the signals go to it

    const std::string f = frame(timeoutMsg(7));
    g_signals = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        ::kill(::getpid(), SIGUSR1);
        std::this_thread::sleep_for(Ms(1));
        ASSERT_TRUE(server.sendRaw(f.substr(i, 1)));
    }
    auto got = popMessages(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]->opt, "timeout");
    EXPECT_TRUE(queue()->isReceiving());
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_GT(g_signals.load(), 0);

    queue()->disconnect();
    pthread_sigmask(SIG_UNBLOCK, &usr1, nullptr);
    sigaction(SIGUSR1, &previous, nullptr);
#endif
}

TEST_F(Link, TraceShowsEveryRequestAndMessage) {
    std::mutex m;
    std::vector<std::string> lines;
    queue()->setTraceSink([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(m);
        lines.push_back(line);
    });
    connect();
    ASSERT_TRUE(queue()->sendMessage(makeQueryRequest()));
    ASSERT_TRUE(server.receiveFrame().has_value());
    ASSERT_TRUE(server.sendFrame("{\"opt\":\"x\",\n\"t\":\"中\"}"));
    ASSERT_TRUE(server.sendFrame("not json"));
    ASSERT_TRUE(waitForReceptionEnd());
    std::lock_guard<std::mutex> lock(m);
    EXPECT_EQ(lines, (std::vector<std::string>{R"({"send":"{\"opt\":\"query\"}"})",
                                               R"({"recv":"{\"opt\":\"x\",\n\"t\":\"中\"}"})",
                                               R"({"recv":"not json"})"}));
}

}  // namespace
