#include "core/BotPlayer.h"

#include "core/BotStrategy.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"

namespace hallserver {

namespace {

// The codes of a card list text that name a card; anything else is left out.
std::vector<int> deckCards(const std::string& text) {
    std::vector<int> list;
    for (int code : parseCardList(text)) {
        if (isDeckCode(code))
            list.push_back(code);
    }
    return list;
}

}  // namespace

BotPlayer::BotPlayer(std::uint64_t seed, Micros moveMin, Micros moveMax)
    : rng_(seed), moveMin_(moveMin), moveMax_(moveMax) {}

void BotPlayer::start(Micros) {
    outbox_.push_back(makeQueryRequest());
    outbox_.push_back(makeAddRequest());
}

void BotPlayer::sendReady() {
    if (desk_ >= 0)
        outbox_.push_back(makeReadyRequest(desk_, site_));
}

void BotPlayer::onMessage(const char* data, std::size_t size, Micros now) {
    ++messages_;
    stMsg msg;
    if (readServerMessage(data, size, msg) != ReadResult::Ok || msg.opt.empty()) {
        ++protocolErrors_;
        return;
    }
    const std::string& opt = msg.opt;
    if (opt == "add") {
        desk_ = msg.desk;
        site_ = msg.site;
        sendReady();
    } else if (opt == "start") {
        hand_.clear();
        hand_.add(deckCards(msg.cards));
        lastPlay_.clear();
    } else if (opt == "game") {
        const int per = msg.per;
        const int now_ = msg.now;
        const std::vector<int> played = deckCards(msg.cards);
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
        if (msg.must != 0)
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
        outbox_.push_back(makeAddRequest());
    }
}

void BotPlayer::advance(Micros now) {
    if (moveAt_ == kNoDeadline || now < moveAt_)
        return;
    moveAt_ = kNoDeadline;
    const std::vector<int> move = chooseMove(hand_, lastPlay_);
    if (move.empty() && lastPlay_.empty())
        return;
    outbox_.push_back(makePlayRequest(desk_, site_, move));
    sentAt_ = now;
    ++moves_;
}

}  // namespace hallserver
