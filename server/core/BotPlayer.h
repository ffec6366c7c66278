// A headless player that speaks the protocol: joins, gets ready, plays every hand with the bot
// strategy and gets ready again. It only turns server message bodies into request bodies and times;
// the caller moves the bytes (over TCP in cardhall-bot, straight into a GameServer in tests).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/GameServer.h"
#include "rules/Hand.h"
#include "rules/Rng.h"

namespace hallserver {

class BotPlayer {
public:
    BotPlayer(std::uint64_t seed, Micros moveMin, Micros moveMax);

    // Requests to send once connected: query and add.
    void start(Micros now);
    // One server message body.
    void onMessage(const char* data, std::size_t size, Micros now);
    // The time the next move is due, kNoDeadline when none.
    Micros dueAt() const { return moveAt_; }
    // Makes the move if it is due (it goes to outbox()).
    void advance(Micros now);

    // Request bodies waiting to be sent, oldest first; the caller empties it.
    std::vector<std::string>& outbox() { return outbox_; }

    int desk() const { return desk_; }
    int site() const { return site_; }
    const rules::Hand& hand() const { return hand_; }
    std::uint64_t handsOver() const { return handsOver_; }
    std::uint64_t messages() const { return messages_; }
    // Server messages that were not a JSON object with an "opt".
    std::uint64_t protocolErrors() const { return protocolErrors_; }
    std::uint64_t moves() const { return moves_; }
    // Times from a move request to the server's report of that move, for moves sent from `from` on.
    std::vector<Micros>& latencies() { return latencies_; }
    void recordLatenciesFrom(Micros from) { recordFrom_ = from; }
    // When each of those moves was sent.
    const std::vector<Micros>& latencySentAt() const { return latencySentAt_; }

private:
    void sendReady();

    rules::Rng rng_;
    Micros moveMin_, moveMax_;
    int desk_ = -1;
    int site_ = -1;
    rules::Hand hand_;
    std::vector<int> lastPlay_;  // the play to beat; empty when leading
    Micros moveAt_ = kNoDeadline;
    Micros sentAt_ = -1;
    Micros recordFrom_ = 0;
    std::vector<std::string> outbox_;
    std::vector<Micros> latencies_;
    std::vector<Micros> latencySentAt_;
    std::uint64_t handsOver_ = 0;
    std::uint64_t messages_ = 0;
    std::uint64_t protocolErrors_ = 0;
    std::uint64_t moves_ = 0;
};

}  // namespace hallserver
