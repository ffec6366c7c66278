// The game as the server runs it, driven without sockets through a simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "GameHarness.h"
#include "protocol/Requests.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"
#include "rules/CardRules.h"
#include "rules/Deal.h"
#include "rules/Hand.h"

using namespace hallserver;
using namespace hallserver::testing;

namespace {

int num(const rapidjson::Value& v, const char* key) {
    return std::atoi(member(v, key).c_str());
}

std::vector<int> codes(const rapidjson::Value& v) {
    return parseCardList(member(v, "cards"));
}

// The points of a card, written down here rather than asked from the rules: every five 5, every ten
// and every king 10 (by number: ace, two, ..., king, then the jokers).
int pointsOf(const std::vector<int>& cards) {
    static const int byNumber[14] = {0, 0, 0, 0, 5, 0, 0, 0, 0, 10, 0, 0, 10, 0};
    int points = 0;
    for (int code : cards)
        points += byNumber[code / 4];
    return points;
}

ServerConfig seeded(std::uint64_t seed) {
    ServerConfig config;
    config.seed = seed;
    return config;
}

// Follows one desk through the messages one of its seats receives, and checks every step
// against an independent account of the game.
struct DeskChecker {
    std::map<ConnId, int> siteOf;                       // from the "add" replies
    std::map<int, std::deque<std::vector<int>>> deals;  // per seat, the hands in "start" order
    std::array<rules::Hand, 4> hands;
    std::array<bool, 4> known{};  // seats whose deal this seat's messages show
    std::array<int, 4> left{};    // cards each seat still holds
    bool inHand = false;
    int turn = -1;
    std::vector<int> lastPlay;
    int lastPlayer = -1;
    unsigned waiting = 0;
    int roundPoints = 0;
    std::array<int, 2> team{};
    int playedPoints = 0;
    int firstOut = -1;
    int expectedLeader = 0;
    int handsOver = 0;
    int gameMessages = 0;

    bool holds(int site) const { return left[site] > 0; }
    bool teamOut() const { return (!holds(0) && !holds(2)) || (!holds(1) && !holds(3)); }
    int nextIn(int site, unsigned mask) const {
        for (int step = 1; step <= 4; ++step) {
            if (mask & (1u << ((site + step) % 4)))
                return (site + step) % 4;
        }
        return -1;
    }

    void record(ConnId id, const std::string& body) {
        auto doc = parse(body);
        const std::string o = member(doc, "opt");
        if (o == "add")
            siteOf[id] = num(doc, "site");
        if (o == "start")
            deals[siteOf.at(id)].push_back(codes(doc));
    }

    void startHand() {
        std::array<int, kDeckCodes> seen{};
        bool all = true;
        for (int site = 0; site < 4; ++site) {
            left[site] = 54;
            known[site] = !deals[site].empty();
            if (!known[site]) {
                all = false;  // a server bot: its cards are never shown
                continue;
            }
            const std::vector<int> cards = deals[site].front();
            deals[site].pop_front();
            ASSERT_EQ(cards.size(), 54u) << "seat " << site;
            hands[site].clear();
            for (int code : cards) {
                ASSERT_GE(code, 0);
                ASSERT_LT(code, kDeckCodes);
                ++seen[code];
                hands[site].add(code);
            }
        }
        for (int code = 0; code < kDeckCodes && all; ++code)
            EXPECT_EQ(seen[code], 4) << "code " << code << " dealt " << seen[code] << " times";
        inHand = true;
        turn = -1;
        lastPlay.clear();
        lastPlayer = -1;
        waiting = 0;
        roundPoints = 0;
        team = {0, 0};
        playedPoints = 0;
        firstOut = -1;
    }

    void game(const rapidjson::Value& doc) {
        ++gameMessages;
        const int per = num(doc, "per");
        const int now = num(doc, "now");
        const int must = num(doc, "must");
        const int score = num(doc, "score");
        const std::vector<int> cards = codes(doc);
        ASSERT_TRUE(inHand);
        if (per == -1) {
            // The opening of a hand.
            EXPECT_EQ(turn, -1);
            EXPECT_EQ(now, expectedLeader) << "the hand is led by the wrong seat";
            EXPECT_EQ(must, 1);
            EXPECT_EQ(score, 0);
            turn = now;
            return;
        }
        ASSERT_EQ(per, turn) << "a seat acted out of turn";
        if (cards.empty()) {
            ASSERT_FALSE(lastPlay.empty()) << "seat " << per << " passed while leading";
            waiting &= ~(1u << per);
        } else {
            if (known[per]) {
                ASSERT_TRUE(hands[per].holds(cards)) << "seat " << per << " played cards it does not hold";
                hands[per].remove(cards);
            }
            std::vector<int> last = lastPlay, play = cards;
            ASSERT_TRUE(isPlayAllowed(last, play)) << "illegal play " << member(doc, "cards");
            ASSERT_LE(cards.size(), static_cast<std::size_t>(left[per]));
            left[per] -= static_cast<int>(cards.size());
            roundPoints += pointsOf(cards);
            playedPoints += pointsOf(cards);
            lastPlay = cards;
            lastPlayer = per;
            if (!holds(per) && firstOut < 0)
                firstOut = per;
            waiting = 0;
            for (int s = 0; s < 4; ++s) {
                if (s != per && holds(s))
                    waiting |= 1u << s;
            }
        }
        EXPECT_EQ(member(doc, "surplus"), std::to_string(left[per]));
        if (teamOut()) {
            EXPECT_EQ(now, -1);
            EXPECT_EQ(score, roundPoints);
            team[lastPlayer % 2] += roundPoints;
            roundPoints = 0;
            turn = -1;
            return;
        }
        if (waiting == 0) {
            team[lastPlayer % 2] += roundPoints;
            roundPoints = 0;
            int leader = lastPlayer;
            if (!holds(leader))
                leader = (leader + 2) % 4;
            EXPECT_EQ(now, leader) << "wrong seat leads after the round";
            EXPECT_EQ(must, 1);
            EXPECT_EQ(score, 0);
            lastPlay.clear();
        } else {
            EXPECT_EQ(now, nextIn(per, waiting));
            EXPECT_EQ(must, 0);
            EXPECT_EQ(score, roundPoints);
        }
        EXPECT_TRUE(holds(now)) << "turn given to a seat without cards";
        turn = now;
    }

    void score(const rapidjson::Value& doc) {
        EXPECT_EQ(member(doc, "p0"), std::to_string(team[0]));
        EXPECT_EQ(member(doc, "p1"), std::to_string(team[1]));
    }

    void over(const rapidjson::Value& doc) {
        ASSERT_TRUE(inHand);
        EXPECT_TRUE(teamOut()) << "hand ended before a team played out";
        EXPECT_EQ(team[0] + team[1], playedPoints) << "team points do not add up to the points played";
        const auto& info = doc["info"];
        ASSERT_TRUE(info.IsArray());
        ASSERT_GE(info.Size(), 4u);
        for (int s = 0; s < 4; ++s) {
            const int own = team[s % 2] - team[1 - s % 2];
            EXPECT_EQ(num(info[s], "result"), own > 0 ? 1 : (own < 0 ? -1 : 0)) << "seat " << s;
        }
        inHand = false;
        expectedLeader = firstOut;
        ++handsOver;
    }

    // Checks the stream one seat received (every desk message reaches every seat).
    void follow(const std::vector<std::pair<ConnId, std::string>>& delivered, ConnId observer) {
        for (const auto& [id, body] : delivered)
            record(id, body);
        for (const auto& [id, body] : delivered) {
            if (id != observer)
                continue;
            auto doc = parse(body);
            const std::string o = member(doc, "opt");
            if (o == "start")
                startHand();
            else if (o == "game")
                game(doc);
            else if (o == "score")
                score(doc);
            else if (o == "over")
                over(doc);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
};

}  // namespace

// Four protocol bots at one desk play several complete hands; every message is checked.
TEST(ServerGame, FourBotsPlayCompleteHandsByTheRules) {
    for (std::uint64_t seed : {1u, 2u, 77u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Harness h(seeded(seed));
        for (ConnId id = 1; id <= 4; ++id)
            h.addBot(id);
        auto handsDone = [&] {
            for (auto& [id, bot] : h.bots) {
                if (bot->handsOver() < 3)
                    return false;
            }
            return true;
        };
        ASSERT_TRUE(h.runUntil(handsDone, 24 * 3600 * kSecond)) << "hands did not finish";
        DeskChecker checker;
        checker.follow(h.delivered, 1);
        EXPECT_GE(checker.handsOver, 3);
        EXPECT_GT(checker.gameMessages, 50);
    }
}

// Timers stay a few entries per desk, however many hands end within the idle time: a server that
// runs for hours holds no more of them than one that has just started.
TEST(ServerGame, TimersDoNotPileUpOverManyHands) {
    Harness h(seeded(3));
    for (ConnId id = 1; id <= 4; ++id)
        h.addBot(id, 1000, 2000);  // hands of well under a second, against an idle time of 300 s
    std::size_t most = 0;
    auto hundredHands = [&] {
        most = std::max(most, h.server.pendingTimers());
        return h.bots.begin()->second->handsOver() >= 100;
    };
    ASSERT_TRUE(h.runUntil(hundredHands, 24 * 3600 * kSecond));
    EXPECT_LE(most, 4u);
}

// The same seed deals the same hands.
TEST(ServerGame, SeedMakesTheDealRepeatable) {
    auto firstDeal = [](std::uint64_t seed) {
        Harness h(seeded(seed));
        for (ConnId id = 1; id <= 4; ++id)
            h.addBot(id);
        for (const auto& [id, body] : h.delivered) {
            if (id == 1 && opt(body) == "start")
                return member(parse(body), "cards");
        }
        return std::string();
    };
    EXPECT_FALSE(firstDeal(5).empty());
    EXPECT_EQ(firstDeal(5), firstDeal(5));
    EXPECT_NE(firstDeal(5), firstDeal(6));
}

// A seeded server deals the rules' deal of that seed, whose exact hands the rules' tests pin.
TEST(ServerGame, SeededServerDealsTheRulesDealOfItsSeed) {
    for (std::uint64_t seed : {1u, 2u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Harness h(seeded(seed));
        for (ConnId id = 1; id <= 4; ++id)
            h.addBot(id);
        rules::Rng rng(seed);
        const rules::Deal deal = rules::dealHands(rng);
        for (ConnId id = 1; id <= 4; ++id) {
            const auto start = std::find_if(h.delivered.begin(), h.delivered.end(), [&](const auto& sent) {
                return sent.first == id && opt(sent.second) == "start";
            });
            ASSERT_NE(start, h.delivered.end()) << "conn " << id;
            EXPECT_EQ(codes(parse(start->second)), deal[id - 1]) << "conn " << id;
        }
    }
}

namespace {

// Connections that the test drives by hand.
struct Table : Harness {
    explicit Table(ServerConfig config = seeded(9)) : Harness(config) {}

    std::string last(ConnId id, const std::string& wanted) {
        const auto& all = sink.bodies[id];
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if (opt(*it) == wanted)
                return *it;
        }
        return std::string();
    }
    std::size_t total() {
        std::size_t n = 0;
        for (auto& [id, bodies] : sink.bodies)
            n += bodies.size();
        return n;
    }
    void join(ConnId id) {
        connect(id);
        send(id, "{\"opt\":\"add\"}");
    }
    std::pair<int, int> seat(ConnId id) { return server.seatOf(id); }
    void ready(ConnId id) { send(id, makeReadyRequest(seat(id).first, seat(id).second)); }
    // Four players at desk 1, all ready: the hand is dealt and seat 0 leads.
    void startHand() {
        for (ConnId id = 1; id <= 4; ++id)
            join(id);
        for (ConnId id = 1; id <= 4; ++id)
            ready(id);
    }
    std::vector<int> hand(ConnId id) { return parseCardList(member(parse(last(id, "start")), "cards")); }
};

}  // namespace

TEST(ServerLobby, QueryAnswersOnlineCountAndVersion) {
    Table t;
    t.connect(1);
    t.connect(2);
    t.send(1, "{\"opt\":\"query\"}");
    auto reply = parse(t.last(1, "query"));
    EXPECT_EQ(member(reply, "online"), "2");
    EXPECT_EQ(member(reply, "version"), "28");
}

TEST(ServerLobby, AddSeatsAtLowestDeskAndSeatAndTellsTheDesk) {
    Table t;
    for (ConnId id = 1; id <= 5; ++id)
        t.join(id);
    const std::pair<int, int> expected[] = {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}};
    for (ConnId id = 1; id <= 5; ++id) {
        auto add = parse(t.last(id, "add"));
        EXPECT_EQ(member(add, "desk"), std::to_string(expected[id - 1].first)) << "conn " << id;
        EXPECT_EQ(member(add, "site"), std::to_string(expected[id - 1].second)) << "conn " << id;
        EXPECT_FALSE(member(add, "name").empty());
    }
    // The desk's last "change" lists all four names, none ready.
    auto change = parse(t.last(1, "change"));
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(member(change["info"][s], "name"), member(parse(t.last(s + 1, "add")), "name"));
        EXPECT_EQ(member(change["info"][s], "ready"), "0");
    }
    // A seat freed at desk 1 is taken before anything at desk 2.
    t.send(2, makeLeaveRequest(1, 1));
    EXPECT_EQ(member(parse(t.last(1, "change"))["info"][1], "name"), "");
    t.join(6);
    EXPECT_EQ(t.seat(6), std::make_pair(1, 1));
    // A desk with a hand in progress is skipped even when a seat is free there.
    for (ConnId id : {1, 3, 4, 6})
        t.ready(id);
    ASSERT_FALSE(t.last(1, "start").empty());
    t.join(7);
    EXPECT_EQ(t.seat(7), std::make_pair(2, 1));
}

TEST(ServerLobby, ReadyIsShownAndFourReadyStartTheHand) {
    Table t;
    for (ConnId id = 1; id <= 4; ++id)
        t.join(id);
    t.ready(3);
    auto change = parse(t.last(1, "change"));
    EXPECT_EQ(member(change["info"][2], "ready"), "1");
    EXPECT_EQ(member(change["info"][0], "ready"), "0");
    EXPECT_TRUE(t.last(1, "start").empty());
    for (ConnId id : {1, 2, 4})
        t.ready(id);
    for (ConnId id = 1; id <= 4; ++id)
        EXPECT_EQ(t.hand(id).size(), 54u) << "conn " << id;
    auto opening = parse(t.last(2, "game"));
    EXPECT_EQ(member(opening, "per"), "-1");
    EXPECT_EQ(member(opening, "now"), "0");
    EXPECT_EQ(member(opening, "must"), "1");
}

// Requests that must change nothing: no message to anyone, the turn stays where it was.
TEST(ServerAuthority, RequestsNotForTheSeatOnTurnChangeNothing) {
    Table t;
    t.startHand();
    const std::vector<int> leaderHand = t.hand(1);
    const int notHeld = [&] {
        rules::Hand h;
        h.add(leaderHand);
        for (int code = 0; code < kDeckCodes; ++code) {
            if (h.count(code) == 0)
                return code;
        }
        return -1;
    }();
    const std::vector<int> twoNumbers = {leaderHand.front(), leaderHand.back()};  // ace .. joker: no play
    struct Case {
        const char* what;
        ConnId from;
        std::string body;
    } cases[] = {
        {"seat 1 plays for seat 0", 2, makePlayRequest(1, 0, {t.hand(2).front()})},
        {"seat 1 plays out of turn", 2, makePlayRequest(1, 1, {t.hand(2).front()})},
        {"seat 0 names another desk", 1, makePlayRequest(2, 0, {leaderHand.front()})},
        {"cards not held", 1, makePlayRequest(1, 0, {notHeld})},
        {"more copies than held", 1,
         makePlayRequest(1, 0,
                         {leaderHand.front(), leaderHand.front(), leaderHand.front(), leaderHand.front(),
                          leaderHand.front()})},
        {"not a play", 1, makePlayRequest(1, 0, twoNumbers)},
        {"pass while leading", 1, makePlayRequest(1, 0, {})},
        {"code out of range", 1, "{\"opt\":\"game\",\"desk\":1,\"site\":0,\"cards\":\"54,\"}"},
        {"code that is no number", 1, "{\"opt\":\"game\",\"desk\":1,\"site\":0,\"cards\":\"x\"}"},
        {"negative code", 1, "{\"opt\":\"game\",\"desk\":1,\"site\":0,\"cards\":\"-1\"}"},
        {"desk as a string", 1, "{\"opt\":\"game\",\"desk\":\"1\",\"site\":0,\"cards\":\"8\"}"},
        {"ready during the hand", 1, makeReadyRequest(1, 0)},
        {"leave for another seat", 1, makeLeaveRequest(1, 2)},
        {"unknown opt", 1, "{\"opt\":\"deal\"}"},
        {"root not an object", 1, "[1,2,3]"},
        {"add while seated", 3, "{\"opt\":\"add\"}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t before = t.total();
        const std::string turnBefore = t.last(1, "game");
        EXPECT_TRUE(t.send(c.from, c.body));
        if (std::string(c.what) == "add while seated") {
            // Only the asker hears its own seat again.
            EXPECT_EQ(t.total(), before + 1);
            EXPECT_EQ(member(parse(t.last(3, "add")), "site"), "2");
        } else {
            EXPECT_EQ(t.total(), before) << "a message was sent";
        }
        EXPECT_EQ(t.last(1, "game"), turnBefore);
    }
    // The seat on turn can still play.
    t.send(1, makePlayRequest(1, 0, {leaderHand.front()}));
    auto played = parse(t.last(3, "game"));
    EXPECT_EQ(member(played, "per"), "0");
    EXPECT_EQ(member(played, "cards"), std::to_string(leaderHand.front()));
    EXPECT_EQ(member(played, "now"), "1");
}

TEST(ServerAuthority, BodyThatIsNotJsonIsReportedForClosing) {
    Table t;
    t.connect(1);
    for (const char* body : {"{", "{\"opt\":\"query\"} trailing", "opt", "[[[[[[[[[[[[[[[[[[[[[[[[[["}) {
        SCOPED_TRACE(body);
        EXPECT_FALSE(t.send(1, body));
    }
    const std::string deep(200000, '[');
    EXPECT_FALSE(t.send(1, deep));
}

TEST(ServerTurns, SeatThatDoesNotActInTimeIsActedFor) {
    ServerConfig config = seeded(4);
    config.turnTimeout = 2 * kSecond;
    Table t(config);
    t.startHand();
    // Seat 0 leads nothing: the server leads its lowest card.
    t.wait(2 * kSecond - 1);
    EXPECT_EQ(member(parse(t.last(1, "game")), "per"), "-1");
    t.wait(1);
    auto lead = parse(t.last(1, "game"));
    EXPECT_EQ(member(lead, "per"), "0");
    EXPECT_EQ(member(lead, "cards"), std::to_string(t.hand(1).front()));
    EXPECT_EQ(member(lead, "surplus"), "53");
    // Seat 1 has a play to beat: the server passes for it.
    t.wait(2 * kSecond);
    auto pass = parse(t.last(1, "game"));
    EXPECT_EQ(member(pass, "per"), "1");
    EXPECT_EQ(member(pass, "cards"), "");
    EXPECT_EQ(member(pass, "now"), "2");
    // An act in time restarts the clock for the next seat.
    t.wait(kSecond);
    t.send(3, makePlayRequest(1, 2, {}));
    t.wait(2 * kSecond - 1);
    EXPECT_EQ(member(parse(t.last(1, "game")), "per"), "2");
}

TEST(ServerTurns, LeavingOrDisconnectingDuringAHandSendsRunAndVoidsIt) {
    for (bool disconnect : {false, true}) {
        SCOPED_TRACE(disconnect ? "disconnect" : "leave");
        Table t;
        t.startHand();
        const std::string name = member(parse(t.last(3, "add")), "name");
        const std::size_t toLeaver = t.sink.bodies[3].size();
        if (disconnect)
            t.server.disconnect(3, t.now);
        else
            t.send(3, makeLeaveRequest(1, 2));
        for (ConnId id : {1, 2, 4}) {
            auto run = parse(t.last(id, "run"));
            EXPECT_EQ(member(run, "site"), "2") << "conn " << id;
            EXPECT_EQ(member(run, "name"), name) << "conn " << id;
            auto change = parse(t.last(id, "change"));
            EXPECT_EQ(member(change["info"][2], "name"), "");
            EXPECT_EQ(member(change["info"][0], "ready"), "0");
        }
        EXPECT_EQ(t.sink.bodies[3].size(), toLeaver) << "the leaver is told nothing";
        EXPECT_EQ(t.seat(3), std::make_pair(-1, -1));
        // The hand is gone: the old leader's play is ignored.
        const std::size_t before = t.total();
        t.send(1, makePlayRequest(1, 0, {t.hand(1).front()}));
        EXPECT_EQ(t.total(), before);
        // The desk takes a new player and starts again.
        t.join(5);
        EXPECT_EQ(t.seat(5), std::make_pair(1, 2));
    }
}

TEST(ServerTurns, DeskWithoutAHandInTimeIsClosed) {
    ServerConfig config = seeded(4);
    config.idleTimeout = 10 * kSecond;
    Table t(config);
    t.join(1);
    t.join(2);
    t.ready(1);
    t.wait(10 * kSecond - 1);
    EXPECT_TRUE(t.last(1, "timeout").empty());
    t.wait(1);
    for (ConnId id : {1, 2}) {
        EXPECT_FALSE(t.last(id, "timeout").empty()) << "conn " << id;
        EXPECT_EQ(t.seat(id), std::make_pair(-1, -1));
    }
    // Back in the hall, the players may join again, from seat 0 of desk 1.
    t.send(2, "{\"opt\":\"add\"}");
    EXPECT_EQ(t.seat(2), std::make_pair(1, 0));
}

TEST(ServerTurns, IdleClockStopsWhileAHandIsPlayed) {
    ServerConfig config = seeded(4);
    config.idleTimeout = 5 * kSecond;
    Harness h(config);
    for (ConnId id = 1; id <= 4; ++id)
        h.addBot(id);
    h.wait(20 * kSecond);
    for (const auto& [id, body] : h.delivered)
        EXPECT_NE(opt(body), "timeout");
}

TEST(ServerBots, BotsJoinAHumanAfterTheDelayAndPlayTheHandThrough) {
    ServerConfig config = seeded(11);
    config.bots = true;
    config.botDelay = 3 * kSecond;
    Harness h(config);
    BotPlayer& human = h.addBot(1);
    h.wait(3 * kSecond - 1);
    auto change = [&] {
        std::string lastChange;
        for (const auto& [id, body] : h.delivered) {
            if (opt(body) == "change")
                lastChange = body;
        }
        return parse(lastChange);
    };
    EXPECT_EQ(member(change()["info"][1], "name"), "");
    h.wait(1);
    for (int s = 1; s < 4; ++s)
        EXPECT_FALSE(member(change()["info"][s], "name").empty()) << "seat " << s;
    ASSERT_TRUE(h.runUntil([&] { return human.handsOver() >= 2; }, 3600 * kSecond));
    DeskChecker checker;
    checker.follow(h.delivered, 1);
    EXPECT_GE(checker.handsOver, 2);
}

TEST(ServerBots, DeskOfBotsAloneIsEmptied) {
    ServerConfig config = seeded(11);
    config.bots = true;
    Table t(config);
    t.join(1);
    t.wait(config.botDelay);
    ASSERT_FALSE(member(parse(t.last(1, "change"))["info"][3], "name").empty());
    t.send(1, makeLeaveRequest(1, 0));
    t.join(2);
    EXPECT_EQ(t.seat(2), std::make_pair(1, 0));
    auto change = parse(t.last(2, "change"));
    for (int s = 1; s < 4; ++s)
        EXPECT_EQ(member(change["info"][s], "name"), "") << "seat " << s;
}

// After a voided hand the next hand is still led by whoever played out first in the last
// completed hand.
TEST(ServerTurns, VoidedHandKeepsTheNextLeader) {
    Harness h(seeded(3));
    for (ConnId id = 1; id <= 4; ++id)
        h.addBot(id);
    ASSERT_TRUE(h.runUntil([&] { return h.bots[1]->handsOver() >= 1; }, 24 * 3600 * kSecond));
    DeskChecker checker;
    checker.follow(h.delivered, 1);
    const int leader = checker.expectedLeader;
    ASSERT_GE(leader, 0);
    // Hand two has been dealt; seat 2's player walks out.
    auto openings = [&] {
        std::vector<int> nows;
        for (const auto& [id, body] : h.delivered) {
            auto doc = parse(body);
            if (id == 1 && member(doc, "opt") == "game" && member(doc, "per") == "-1")
                nows.push_back(std::atoi(member(doc, "now").c_str()));
        }
        return nows;
    };
    ASSERT_EQ(openings().size(), 2u);
    EXPECT_EQ(openings()[1], leader);
    h.bots.erase(3);
    h.send(3, makeLeaveRequest(1, 2));
    h.addBot(5);
    ASSERT_EQ(h.server.seatOf(5), std::make_pair(1, 2));
    ASSERT_TRUE(h.runUntil([&] { return openings().size() == 3; }, 3600 * kSecond));
    EXPECT_EQ(openings()[2], leader);
}
