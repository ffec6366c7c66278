// The bot's reading of server messages. A stream of message bodies (built by the server's own
// message builders from values the input chooses, or raw bytes) goes into a bot, and the clock moves
// on so that it makes its moves. Whatever it was told, the bot's hand must stay a consistent count
// of cards, and every request it sends must be one the server reads, for its own seat, with a play
// it holds and that is a play at all.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/BotPlayer.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"
#include "rules/CardCodes.h"
#include "rules/CardRules.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

using hallserver::BotPlayer;
using hallserver::Micros;

namespace {

constexpr int kMaxSteps = 300;

std::vector<int> codesFrom(ByteReader& in) {
    const std::uint8_t shape = in.byte();
    // Up to 63 codes, or a run of up to 511 copies of one code; mostly deck codes, a few beyond the deck.
    std::vector<int> codes;
    if ((shape & 0xC0) == 0xC0) {
        const std::size_t count = std::size_t(in.byte()) * 2 + (shape & 1);
        codes.assign(count, in.byte() % kDeckCodes);
    } else {
        for (int i = 0; i < (shape & 0x3F) && !in.empty(); ++i) {
            codes.push_back(int(in.byte() % 60) - 3);
        }
    }
    if (fuzzcheck::skipOpenFaults()) {
        // Open: more than 255 copies of one code overflow the bot's counts of cards.
        std::sort(codes.begin(), codes.end());
        for (std::size_t i = 255; i < codes.size();) {
            if (codes[i] == codes[i - 255]) {
                codes.erase(codes.begin() + i);
            } else {
                ++i;
            }
        }
    }
    return codes;
}

// The hand as a list agrees with its size.
void checkHand(const BotPlayer& bot) {
    const std::vector<int> cards = bot.hand().list();
    FUZZ_CHECK(cards.size() == std::size_t(bot.hand().size()));
    FUZZ_CHECK(std::is_sorted(cards.begin(), cards.end()));
}

// Every request waiting in the outbox, read by the server's reader.
void checkOutbox(BotPlayer& bot, const std::vector<int>& handBefore) {
    for (const std::string& body : bot.outbox()) {
        Request request;
        FUZZ_CHECK(parseRequest(body.data(), body.size(), request) == ParseOutcome::Ok);
        if (request.kind == RequestKind::Query || request.kind == RequestKind::Add) {
            continue;
        }
        FUZZ_CHECK(request.kind == RequestKind::Ready || request.kind == RequestKind::Play);
        FUZZ_CHECK(request.desk == bot.desk() && request.site == bot.site());
        if (request.kind == RequestKind::Play && !request.cards.empty()) {
            std::vector<int> move = request.cards;
            sortCards(move);
            FUZZ_CHECK(std::includes(handBefore.begin(), handBefore.end(), move.begin(), move.end()));
            FUZZ_CHECK(classifyPlay(move).type != PLAY_NONE);
        }
    }
    bot.outbox().clear();
}

std::string messageFrom(ByteReader& in, std::uint8_t kind) {
    const int a = int(in.byte() % 6) - 1;  // seats and desk numbers around their range
    const int b = int(in.byte() % 6) - 1;
    switch (kind) {
        case 0:
            return addMessage(a + 2, b, "bot");
        case 1:
            return startMessage(codesFrom(in));
        case 2: {
            const int must = in.byte() & 1;
            return gameMessage(a, codesFrom(in), "13", b, 0, must);
        }
        case 3: {
            std::array<st_seat_info, 4> seats{};
            return overMessage(seats);
        }
        case 4:
            return runMessage(a, "x");
        case 5:
            return timeoutMessage();
        case 6:
            return queryMessage(4, "28");
        default:
            return in.text(in.byte() % 64);
    }
}

}  // namespace

void fuzzBotPlayer(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    BotPlayer bot(in.byte(), hallserver::kSecond / 2, 3 * hallserver::kSecond / 2);
    Micros now = 0;
    bot.start(now);
    checkOutbox(bot, {});
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const std::uint8_t op = in.byte() % 9;
        const std::vector<int> handBefore = bot.hand().list();
        if (op == 8) {
            now += Micros(in.byte()) * 20000;
            bot.advance(now);
        } else {
            const std::string body = messageFrom(in, op);
            bot.onMessage(body.data(), body.size(), now);
        }
        checkHand(bot);
        checkOutbox(bot, handBefore);
    }
}
