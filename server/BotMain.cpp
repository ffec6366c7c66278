// cardhall-bot: N headless players in one process, for play, load and soak tests. At the end it
// prints one line of figures on standard output.
#include <algorithm>
#include <cstdio>

#include "core/Log.h"
#include "net/BotSwarm.h"
#include "net/Options.h"
#include "net/Process.h"

using namespace hallserver;

namespace {

double percentileMs(std::vector<Micros>& values, double fraction) {
    if (values.empty())
        return 0;
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(index), values.end());
    return values[index] / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    BotOptions options;
    std::string error;
    if (!parseBotOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "cardhall-bot: %s\n%s", error.c_str(), kBotUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kBotUsage, stdout);
        return 0;
    }
    setLogLevel(options.logLevel);
    raiseDescriptorLimit();
    ignoreBrokenPipes();

    asio::io_context io(1);
    asio::error_code ec;
    asio::ip::make_address(options.host, ec);
    if (ec) {
        std::fprintf(stderr, "cardhall-bot: bad host address %s\n", options.host.c_str());
        return 2;
    }
    BotSwarm swarm(io, options);
    swarm.start();
    const auto started = std::chrono::steady_clock::now();
    auto finish = [&] {
        swarm.stop();
        io.stop();
    };
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const asio::error_code& waitError, int) {
        if (!waitError)
            finish();
    });
    asio::steady_timer end(io);
    if (options.duration > 0) {
        end.expires_after(std::chrono::microseconds(static_cast<Micros>(options.duration * 1e6)));
        end.async_wait([&](const asio::error_code& waitError) {
            if (!waitError)
                finish();
        });
    }
    io.run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    SwarmStats stats = swarm.stats();
    if (!options.latencyFile.empty()) {
        if (FILE* out = std::fopen(options.latencyFile.c_str(), "w")) {
            // "sent latency" per line, both in microseconds (sent counts from the bot's start).
            for (std::size_t i = 0; i < stats.latencies.size(); ++i)
                std::fprintf(out, "%lld %lld\n", static_cast<long long>(stats.sentAt[i]),
                             static_cast<long long>(stats.latencies[i]));
            std::fclose(out);
        } else {
            std::fprintf(stderr, "cardhall-bot: cannot write %s\n", options.latencyFile.c_str());
        }
    }
    std::printf(
        "players=%d connected=%d failed=%d protocol_errors=%llu seconds=%.1f hands=%llu moves=%llu "
        "messages=%llu "
        "requests=%llu "
        "messages_per_s=%.0f requests_per_s=%.0f latency_p50_ms=%.2f latency_p99_ms=%.2f "
        "latency_max_ms=%.2f\n",
        stats.players, stats.connected, stats.failed, static_cast<unsigned long long>(stats.protocolErrors),
        seconds, static_cast<unsigned long long>(stats.hands), static_cast<unsigned long long>(stats.moves),
        static_cast<unsigned long long>(stats.messages), static_cast<unsigned long long>(stats.requests),
        stats.messages / std::max(seconds, 1e-9), stats.requests / std::max(seconds, 1e-9),
        percentileMs(stats.latencies, 0.50), percentileMs(stats.latencies, 0.99),
        percentileMs(stats.latencies, 1.0));
    std::fflush(stdout);
    return stats.failed > 0 || stats.protocolErrors > 0 ? 1 : 0;
}
