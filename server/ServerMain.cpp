// cardhall-server: the reference game server.
#include <cstdio>
#include <random>

#include "core/Log.h"
#include "net/Options.h"
#include "net/Process.h"
#include "net/TcpServer.h"

using namespace hallserver;

int main(int argc, char** argv) {
    ServerOptions options;
    std::string error;
    if (!parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "cardhall-server: %s\n%s", error.c_str(), kServerUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kServerUsage, stdout);
        return 0;
    }
    setLogLevel(options.logLevel);
    if (!options.seeded)
        options.game.seed =
            (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
    raiseDescriptorLimit();
    ignoreBrokenPipes();

    asio::io_context io(1);
    TcpServer server(io, options.net, options.game);
    if (!server.start(error)) {
        LOG_ERROR("%s", error.c_str());
        return 1;
    }
    LOG_INFO("bots %s, turn timeout %.3f s, idle timeout %.3f s, seed %llu", options.game.bots ? "on" : "off",
             options.game.turnTimeout / 1e6, options.game.idleTimeout / 1e6,
             static_cast<unsigned long long>(options.game.seed));
    LOG_INFO(
        "limits: %zu connections, %zu per address, %u requests a second, handshake timeout %.3f s, "
        "hall idle timeout %.3f s",
        options.net.maxConnections, options.net.maxPerAddress, options.net.maxRequestRate,
        options.net.handshakeTimeout / 1e6, options.net.hallIdleTimeout / 1e6);
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& ec, int signal) {
        if (ec)
            return;
        LOG_INFO("signal %d: stopping", signal);
        server.stop();
        io.stop();
    });
    io.run();
    const NetStats& stats = server.stats();
    const GameServer& game = server.game();
    LOG_INFO(
        "exit: %llu connections accepted, %llu refused, %llu frames in, %llu frames out, %llu hands played",
        static_cast<unsigned long long>(stats.accepted), static_cast<unsigned long long>(stats.refused),
        static_cast<unsigned long long>(stats.framesIn), static_cast<unsigned long long>(stats.framesOut),
        static_cast<unsigned long long>(game.handsCompleted()));
    // The same, as one line of figures for scripts and benchmarks, whatever the log level.
    std::printf(
        "accepted=%llu refused=%llu timed_out=%llu flooding=%llu dropped=%llu frames_in=%llu frames_out=%llu "
        "hands_started=%llu hands_finished=%llu hands_voided=%llu\n",
        static_cast<unsigned long long>(stats.accepted), static_cast<unsigned long long>(stats.refused),
        static_cast<unsigned long long>(stats.timedOut), static_cast<unsigned long long>(stats.flooding),
        static_cast<unsigned long long>(stats.dropped), static_cast<unsigned long long>(stats.framesIn),
        static_cast<unsigned long long>(stats.framesOut),
        static_cast<unsigned long long>(game.handsStarted()),
        static_cast<unsigned long long>(game.handsCompleted()),
        static_cast<unsigned long long>(game.handsVoided()));
    std::fflush(stdout);
    return 0;
}
