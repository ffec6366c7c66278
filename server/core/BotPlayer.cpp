#include "core/BotPlayer.h"

#include <rapidjson/document.h>

#include <cstdlib>

#include "core/BotStrategy.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"

namespace hallserver {

namespace {

using Allocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;
using Document = rapidjson::GenericDocument<rapidjson::UTF8<>, Allocator, Allocator>;
using Value = rapidjson::GenericValue<rapidjson::UTF8<>, Allocator>;

std::string text(const Value& object, const char* key) {
    auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsString())
        return std::string();
    return std::string(it->value.GetString(), it->value.GetStringLength());
}

int number(const Value& object, const char* key, int fallback) {
    auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsString())
        return fallback;
    return std::atoi(it->value.GetString());
}

std::vector<int> cards(const Value& object) {
    std::vector<int> list;
    for (int code : parseCardList(text(object, "cards"))) {
        if (isDeckCode(code))
            list.push_back(code);
    }
    return list;
}

}  // namespace

std::string readyRequest(int desk, int site) {
    return "{\"opt\":\"change\",\"type\":\"ready\",\"desk\":" + std::to_string(desk) +
           ",\"site\":" + std::to_string(site) + "}";
}

std::string leaveRequest(int desk, int site) {
    return "{\"opt\":\"change\",\"type\":\"leave\",\"desk\":" + std::to_string(desk) +
           ",\"site\":" + std::to_string(site) + "}";
}

std::string playRequest(int desk, int site, const std::vector<int>& cards) {
    std::string body = "{\"opt\":\"game\",\"desk\":" + std::to_string(desk) +
                       ",\"site\":" + std::to_string(site) + ",\"cards\":\"";
    for (int code : cards) {
        body += std::to_string(code);
        body += ',';
    }
    body += "\"}";
    return body;
}

BotPlayer::BotPlayer(std::uint64_t seed, Micros moveMin, Micros moveMax)
    : rng_(seed), moveMin_(moveMin), moveMax_(moveMax) {}

void BotPlayer::start(Micros) {
    outbox_.push_back("{\"opt\":\"query\"}");
    outbox_.push_back("{\"opt\":\"add\"}");
}

void BotPlayer::sendReady() {
    if (desk_ >= 0)
        outbox_.push_back(readyRequest(desk_, site_));
}

void BotPlayer::onMessage(const char* data, std::size_t size, Micros now) {
    ++messages_;
    char valueBuffer[4096];
    char stackBuffer[1024];
    Allocator valueAllocator(valueBuffer, sizeof valueBuffer);
    Allocator stackAllocator(stackBuffer, sizeof stackBuffer);
    Document document(&valueAllocator, sizeof stackBuffer, &stackAllocator);
    document.Parse<rapidjson::kParseIterativeFlag>(data, size);
    const std::string opt = !document.HasParseError() && document.IsObject() ? text(document, "opt") : "";
    if (opt.empty()) {
        ++protocolErrors_;
        return;
    }
    if (opt == "add") {
        desk_ = number(document, "desk", -1);
        site_ = number(document, "site", -1);
        sendReady();
    } else if (opt == "start") {
        hand_.clear();
        hand_.add(cards(document));
        lastPlay_.clear();
    } else if (opt == "game") {
        const int per = number(document, "per", -1);
        const int now_ = number(document, "now", -1);
        const std::vector<int> played = cards(document);
        if (per >= 0 && !played.empty())
            lastPlay_ = played;
        if (per == site_ && per >= 0) {
            if (hand_.holds(played))
                hand_.remove(played);
            if (sentAt_ >= 0) {
                if (sentAt_ >= recordFrom_) {
                    latencies_.push_back(now - sentAt_);
                    latencySentAt_.push_back(sentAt_);
                }
                sentAt_ = -1;
            }
        }
        if (number(document, "must", 0) != 0)
            lastPlay_.clear();
        if (now_ == site_ && now_ >= 0) {
            moveAt_ = now + static_cast<Micros>(
                                rng_.between(static_cast<double>(moveMin_), static_cast<double>(moveMax_)));
        } else {
            moveAt_ = kNoDeadline;
        }
    } else if (opt == "over" || opt == "run") {
        if (opt == "over")
            ++handsOver_;
        moveAt_ = kNoDeadline;
        hand_.clear();
        lastPlay_.clear();
        sendReady();
    } else if (opt == "timeout") {
        desk_ = -1;
        site_ = -1;
        moveAt_ = kNoDeadline;
        outbox_.push_back("{\"opt\":\"add\"}");
    }
}

void BotPlayer::advance(Micros now) {
    if (moveAt_ == kNoDeadline || now < moveAt_)
        return;
    moveAt_ = kNoDeadline;
    const std::vector<int> move = chooseMove(hand_, lastPlay_);
    if (move.empty() && lastPlay_.empty())
        return;
    outbox_.push_back(playRequest(desk_, site_, move));
    sentAt_ = now;
    ++moves_;
}

}  // namespace hallserver
