// The reference server's game state driven the way its network layer drives it: connections come and
// go, send requests (built by the client's own builders from what the server told them, or raw bytes)
// and the clock moves on, so that bots sit down, turns time out and hands are played to the end.
// Every frame the server sends must be one the client reads as a message, with seats, codes and
// turn numbers in range, and only to connections that are still there.

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/GameServer.h"
#include "core/Log.h"
#include "protocol/Protocol.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace {

using hallserver::ConnId;
using hallserver::Micros;

constexpr std::size_t kMaxConnections = 6;
constexpr int kMaxSteps = 400;

bool isSeat(int site) {
    return site >= 0 && site <= 3;
}

// What one client knows from the messages it got.
struct Client {
    int desk = -1;
    int site = -1;
    std::vector<int> hand;
};

class CheckingSink : public hallserver::Sink {
public:
    std::map<ConnId, Client> clients;  // the connections that are open

    void send(ConnId id, const hallserver::Frame& frame) override {
        FUZZ_CHECK(frame != nullptr);
        auto it = clients.find(id);
        FUZZ_CHECK(it != clients.end());
        // A broadcast hands the same frame to every seat: read it once.
        if (frame != m_lastFrame) {
            const std::string& bytes = *frame;
            FUZZ_CHECK(bytes.size() > 4 && bytes.size() - 4 <= kMaxMessageLength);
            FUZZ_CHECK(decodeFrameLength(reinterpret_cast<const unsigned char*>(bytes.data())) ==
                       bytes.size() - 4);
            FUZZ_CHECK(readServerMessage(bytes.data() + 4, bytes.size() - 4, m_lastMsg) == ReadResult::Ok);
            m_lastFrame = frame;
        }
        const stMsg& msg = m_lastMsg;
        learn(it->second, msg);
    }

private:
    hallserver::Frame m_lastFrame;
    stMsg m_lastMsg;

    static void learn(Client& client, const stMsg& msg) {
        if (msg.opt == "query") {
            FUZZ_CHECK(!isVersionRejected(msg));
        } else if (msg.opt == "add") {
            FUZZ_CHECK(msg.desk >= 1 && isSeat(msg.site));
            client.desk = msg.desk;
            client.site = msg.site;
        } else if (msg.opt == "start") {
            client.hand = parseCardList(msg.cards);
            FUZZ_CHECK(!client.hand.empty() && client.hand.size() <= static_cast<std::size_t>(kHandSize));
            for (int code : client.hand) {
                FUZZ_CHECK(isDeckCode(code));
            }
        } else if (msg.opt == "game") {
            FUZZ_CHECK(msg.per == -1 || isSeat(msg.per));
            FUZZ_CHECK(msg.now == -1 || isSeat(msg.now));
            const std::vector<int> played = parseCardList(msg.cards);
            for (int code : played) {
                FUZZ_CHECK(isDeckCode(code));
            }
            if (msg.per == client.site) {
                // Our own play: those cards leave the hand we were dealt.
                for (int code : played) {
                    auto card = std::find(client.hand.begin(), client.hand.end(), code);
                    FUZZ_CHECK(card != client.hand.end());
                    client.hand.erase(card);
                }
            }
        } else if (msg.opt == "run") {
            FUZZ_CHECK(isSeat(msg.site));
        } else if (msg.opt == "timeout") {
            client = Client();
        } else {
            FUZZ_CHECK(msg.opt == "change" || msg.opt == "score" || msg.opt == "over");
        }
    }
};

}  // namespace

void fuzzGameServer(const std::uint8_t* data, std::size_t size) {
    hallserver::setLogLevel(hallserver::LogLevel::Off);
    ByteReader in(data, size);

    hallserver::ServerConfig config;
    const std::uint8_t setup = in.byte();
    config.bots = (setup & 1) != 0;
    config.seed = in.byte();
    CheckingSink sink;
    hallserver::GameServer server(config, sink);

    Micros now = 0;
    ConnId nextId = 1;
    std::vector<ConnId> open;
    auto pick = [&]() -> ConnId { return open[in.byte() % open.size()]; };
    auto request = [&](ConnId id, const std::string& body) {
        if (!server.receive(id, body.data(), body.size(), now)) {
            // Not JSON: the network layer closes the connection.
            server.disconnect(id, now);
            sink.clients.erase(id);
            open.erase(std::find(open.begin(), open.end(), id));
        }
    };

    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const std::uint8_t op = in.byte() % 10;
        if (op == 0 || open.empty()) {
            if (open.size() < kMaxConnections) {
                const ConnId id = nextId++;
                sink.clients[id] = Client();
                open.push_back(id);
                server.connect(id, now);
            }
            continue;
        }
        const ConnId id = pick();
        Client& client = sink.clients[id];
        // Mostly the seat the server gave us; sometimes a seat of somebody else.
        const std::uint8_t aim = in.byte();
        const int desk = (aim & 0x80) != 0 ? int(aim % 4) : client.desk;
        const int site = (aim & 0x40) != 0 ? int(aim % 5) - 1 : client.site;
        switch (op) {
            case 1:
                server.disconnect(id, now);
                sink.clients.erase(id);
                open.erase(std::find(open.begin(), open.end(), id));
                break;
            case 2:
                request(id, makeQueryRequest());
                break;
            case 3:
                request(id, makeAddRequest());
                break;
            case 4:
                request(id, makeReadyRequest(desk, site));
                break;
            case 5:
                request(id, makeLeaveRequest(desk, site));
                break;
            case 6: {
                // A few neighbouring cards of the sorted hand, or a pass when the hand is empty.
                std::vector<int> cards;
                const std::uint8_t shape = in.byte();
                const std::size_t count = shape % 6;
                if (!client.hand.empty()) {
                    std::vector<int> hand = client.hand;
                    std::sort(hand.begin(), hand.end());
                    const std::size_t from = in.byte() % hand.size();
                    for (std::size_t i = from; i < hand.size() && cards.size() < count; ++i) {
                        cards.push_back(hand[i]);
                    }
                }
                if ((shape & 0x80) != 0 && !cards.empty()) {
                    cards[0] = in.byte() % kDeckCodes;  // perhaps a card we do not hold
                }
                request(id, makePlayRequest(desk, site, cards));
                break;
            }
            case 7:
                request(id, makePassRequest(desk, site));
                break;
            case 8: {
                const std::string body = in.text(in.byte() % 48);
                if (!body.empty()) {
                    request(id, body);
                }
                break;
            }
            default: {
                // The clock: a step of up to 25.5 seconds, or from timer to timer up to 128 times,
                // which lets bots and turn timeouts play a hand to its end.
                const std::uint8_t step = in.byte();
                const int timers = (step & 1) != 0 ? 1 + (step >> 1) : 0;
                if (timers == 0) {
                    now += Micros(step) * 100000;
                }
                for (int i = 0; i < timers && server.nextDeadline() != hallserver::kNoDeadline; ++i) {
                    now = std::max(now, server.nextDeadline());
                    server.advance(now);
                }
                server.advance(now);
            }
        }
        FUZZ_CHECK(server.online() == open.size());
        // The server's view of where a connection sits never names a seat outside the desk.
        for (ConnId c : open) {
            const auto seat = server.seatOf(c);
            FUZZ_CHECK(seat.first == -1 ? seat.second == -1 : seat.first >= 1 && isSeat(seat.second));
        }
    }
    for (ConnId c : open) {
        server.disconnect(c, now);
        sink.clients.erase(c);
    }
    FUZZ_CHECK(server.online() == 0);
}
