// A server (and optionally a swarm of protocol bots) on its own event-loop thread, for tests.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "net/BotSwarm.h"
#include "net/TcpServer.h"

namespace hallserver::testing {

// A server (and optionally a swarm of bots) on its own event-loop thread; the test thread talks to
// it only through posted calls.
struct ServerThread {
    asio::io_context io{1};
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    std::unique_ptr<TcpServer> server;
    std::unique_ptr<BotSwarm> swarm;
    std::thread thread;

    explicit ServerThread(NetConfig net = NetConfig(), ServerConfig game = ServerConfig(), int bots = 0) {
        net.bind = "127.0.0.1";
        net.port = 0;
        if (bots > 0) {
            // The bots all come from one address and move within milliseconds.
            net.maxPerAddress = 0;
            net.maxRequestRate = 0;
        }
        if (game.seed == 0)
            game.seed = 21;
        server = std::make_unique<TcpServer>(io, net, game);
        std::string error;
        EXPECT_TRUE(server->start(error)) << error;
        if (bots > 0) {
            BotOptions options;
            options.port = server->port();
            options.count = bots;
            options.moveMin = 1000;
            options.moveMax = 3000;
            swarm = std::make_unique<BotSwarm>(io, options);
            swarm->start();
        }
        thread = std::thread([this] { io.run(); });
    }
    ~ServerThread() {
        asio::post(io, [this] {
            if (swarm)
                swarm->stop();
            server->stop();
            io.stop();
        });
        thread.join();
    }
    unsigned short port() const { return server->port(); }

    template <typename F>
    auto call(F f) -> decltype(f()) {
        std::promise<decltype(f())> promise;
        asio::post(io, [&] { promise.set_value(f()); });
        return promise.get_future().get();
    }
    SwarmStats swarmStats() {
        return call([this] { return swarm->stats(); });
    }
    // Polls `condition` on the server's thread until it holds or `seconds` pass.
    template <typename F>
    bool waitUntil(F condition, int seconds = 10) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (call(condition))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // Waits until the bots have seen `hands` more "over" messages in total.
    bool waitForHands(std::uint64_t hands, int seconds = 60) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (swarmStats().hands >= hands)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

}  // namespace hallserver::testing
