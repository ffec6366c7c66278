// Drives a GameServer with no sockets: a recording sink, protocol bots fed straight from it, and a
// simulated clock that jumps to the next timer.
#pragma once

#include <rapidjson/document.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/BotPlayer.h"
#include "core/GameServer.h"

namespace hallserver::testing {

struct RecordingSink : Sink {
    std::map<ConnId, std::vector<std::string>> bodies;  // everything ever sent, per connection
    std::map<ConnId, std::size_t> read;                 // how much of it the harness has delivered
    void send(ConnId id, const Frame& frame) override { bodies[id].push_back(frame->substr(4)); }
    // Messages not yet taken by take().
    std::vector<std::string> take(ConnId id) {
        auto& all = bodies[id];
        std::size_t& done = read[id];
        std::vector<std::string> fresh(all.begin() + static_cast<long>(done), all.end());
        done = all.size();
        return fresh;
    }
};

inline rapidjson::Document parse(const std::string& body) {
    rapidjson::Document document;
    document.Parse(body.c_str());
    return document;
}

inline std::string member(const rapidjson::Value& v, const char* key) {
    auto it = v.FindMember(key);
    if (it == v.MemberEnd() || !it->value.IsString())
        return "<missing>";
    return it->value.GetString();
}

inline std::string opt(const std::string& body) {
    return member(parse(body), "opt");
}

// One server and a number of connections, some of them run by BotPlayers.
struct Harness {
    explicit Harness(ServerConfig config) : server(config, sink) {}

    RecordingSink sink;
    GameServer server;
    Micros now = 0;
    std::map<ConnId, std::unique_ptr<BotPlayer>> bots;
    // Every body a connection has been sent, for checks after the fact (filled as bots read).
    std::vector<std::pair<ConnId, std::string>> delivered;

    void connect(ConnId id) { server.connect(id, now); }
    bool send(ConnId id, const std::string& body) {
        return server.receive(id, body.data(), body.size(), now);
    }

    BotPlayer& addBot(ConnId id, Micros moveMin = kSecond / 2, Micros moveMax = 3 * kSecond / 2) {
        auto bot = std::make_unique<BotPlayer>(id * 7919, moveMin, moveMax);
        BotPlayer& ref = *bot;
        bots[id] = std::move(bot);
        connect(id);
        ref.start(now);
        flushBots();
        return ref;
    }

    // Delivers pending messages to the bots and their requests to the server until all is quiet.
    void flushBots() {
        bool moved = true;
        while (moved) {
            moved = false;
            for (auto& [id, bot] : bots) {
                for (const std::string& body : sink.take(id)) {
                    delivered.emplace_back(id, body);
                    bot->onMessage(body.data(), body.size(), now);
                    moved = true;
                }
                auto& outbox = bot->outbox();
                for (std::size_t i = 0; i < outbox.size(); ++i) {
                    send(id, outbox[i]);
                    moved = true;
                }
                outbox.clear();
            }
        }
    }

    // Moves the clock to the next timer of the server or a bot and runs it. False when none.
    bool step() {
        Micros next = server.nextDeadline();
        for (auto& [id, bot] : bots)
            next = std::min(next, bot->dueAt());
        if (next == kNoDeadline)
            return false;
        now = std::max(now, next);
        server.advance(now);
        for (auto& [id, bot] : bots)
            bot->advance(now);
        flushBots();
        return true;
    }

    // Steps until `done` holds or the simulated time passes `limit`.
    template <typename Done>
    bool runUntil(Done done, Micros limit) {
        flushBots();
        while (!done()) {
            if (now > limit || !step())
                return done();
        }
        return true;
    }

    // Moves the clock forward by `delta`, running every timer on the way.
    void wait(Micros delta) {
        const Micros end = now + delta;
        while (true) {
            Micros next = server.nextDeadline();
            for (auto& [id, bot] : bots)
                next = std::min(next, bot->dueAt());
            if (next > end)
                break;
            now = std::max(now, next);
            server.advance(now);
            for (auto& [id, bot] : bots)
                bot->advance(now);
            flushBots();
        }
        now = end;
    }
};

}  // namespace hallserver::testing
