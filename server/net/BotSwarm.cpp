#include "net/BotSwarm.h"

#include "core/Log.h"
#include "protocol/Frame.h"
#include "rules/Rng.h"

namespace hallserver {

namespace {
// Connections opened at the same time; the rest wait their turn, so the listen queue never overflows.
constexpr int kConnectWindow = 128;
}  // namespace

BotSwarm::BotSwarm(asio::io_context& io, const BotOptions& options)
    : io_(io), options_(options), epoch_(std::chrono::steady_clock::now()) {
    endpoint_ = asio::ip::tcp::endpoint(asio::ip::make_address(options_.host), options_.port);
    rules::Rng seeds(options_.seed);
    for (int i = 0; i < options_.count; ++i) {
        players_.push_back(std::make_shared<Player>(io_, seeds.next(), options_.moveMin, options_.moveMax));
        players_.back()->bot.recordLatenciesFrom(static_cast<Micros>(options_.warmup * 1e6));
    }
}

Micros BotSwarm::now() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - epoch_)
        .count();
}

void BotSwarm::start() {
    for (int i = 0; i < kConnectWindow; ++i)
        connectNext();
}

void BotSwarm::stop() {
    stopping_ = true;
    for (auto& p : players_) {
        asio::error_code ignored;
        p->closed = true;
        p->timer.cancel();
        p->socket.close(ignored);
    }
}

SwarmStats BotSwarm::stats() const {
    SwarmStats stats;
    stats.players = static_cast<int>(players_.size());
    stats.connected = connected_;
    stats.failed = failed_;
    stats.requests = requests_;
    for (const auto& p : players_) {
        stats.hands += p->bot.handsOver();
        stats.protocolErrors += p->bot.protocolErrors();
        stats.moves += p->bot.moves();
        stats.messages += p->bot.messages();
        const auto& own = p->bot.latencies();
        stats.latencies.insert(stats.latencies.end(), own.begin(), own.end());
        const auto& sent = p->bot.latencySentAt();
        stats.sentAt.insert(stats.sentAt.end(), sent.begin(), sent.end());
    }
    return stats;
}

void BotSwarm::connectNext() {
    if (stopping_ || nextToConnect_ >= players_.size())
        return;
    PlayerPtr p = players_[nextToConnect_++];
    ++connecting_;
    p->socket.async_connect(endpoint_, [this, p](const asio::error_code& ec) {
        --connecting_;
        if (stopping_)
            return;
        if (ec) {
            ++failed_;
            p->closed = true;
            LOG_WARN("bot: connect failed: %s", ec.message().c_str());
        } else {
            asio::error_code ignored;
            p->socket.set_option(asio::ip::tcp::no_delay(true), ignored);
            p->open = true;
            ++connected_;
            p->bot.start(now());
            flush(p);
            readHeader(p);
        }
        connectNext();
    });
}

void BotSwarm::lose(const PlayerPtr& p) {
    if (p->closed)
        return;
    p->closed = true;
    if (p->open)
        --connected_;
    ++failed_;
    asio::error_code ignored;
    p->timer.cancel();
    p->socket.close(ignored);
    if (!stopping_)
        LOG_WARN("bot at desk %d seat %d: connection lost", p->bot.desk(), p->bot.site());
}

void BotSwarm::readHeader(const PlayerPtr& p) {
    asio::async_read(p->socket, asio::buffer(p->header), [this, p](const asio::error_code& ec, std::size_t) {
        if (p->closed)
            return;
        if (ec)
            return lose(p);
        const std::uint32_t length = decodeFrameLength(p->header);
        if (!isFrameLengthAllowed(length, kMaxMessageLength))
            return lose(p);
        p->body.resize(length);
        readBody(p);
    });
}

void BotSwarm::readBody(const PlayerPtr& p) {
    asio::async_read(p->socket, asio::buffer(&p->body[0], p->body.size()),
                     [this, p](const asio::error_code& ec, std::size_t) {
                         if (p->closed)
                             return;
                         if (ec)
                             return lose(p);
                         p->bot.onMessage(p->body.data(), p->body.size(), now());
                         flush(p);
                         arm(p);
                         readHeader(p);
                     });
}

void BotSwarm::flush(const PlayerPtr& p) {
    auto& outbox = p->bot.outbox();
    for (const std::string& body : outbox) {
        p->out.push_back(encodeFrame(body));
        ++requests_;
    }
    outbox.clear();
    if (!p->writing && !p->out.empty())
        write(p);
}

void BotSwarm::write(const PlayerPtr& p) {
    p->writing = true;
    asio::async_write(p->socket, asio::buffer(p->out.front()),
                      [this, p](const asio::error_code& ec, std::size_t) {
                          p->writing = false;
                          if (p->closed)
                              return;
                          if (ec)
                              return lose(p);
                          p->out.pop_front();
                          if (!p->out.empty())
                              write(p);
                      });
}

void BotSwarm::arm(const PlayerPtr& p) {
    const Micros due = p->bot.dueAt();
    if (due == p->armedAt)
        return;
    p->armedAt = due;
    if (due == kNoDeadline) {
        p->timer.cancel();
        return;
    }
    p->timer.expires_at(epoch_ + std::chrono::microseconds(due));
    p->timer.async_wait([this, p](const asio::error_code& ec) {
        if (ec || p->closed)
            return;
        p->armedAt = kNoDeadline;
        p->bot.advance(now());
        flush(p);
        arm(p);
    });
}

}  // namespace hallserver
