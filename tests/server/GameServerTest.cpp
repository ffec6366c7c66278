// The game as the server runs it, driven without sockets through a simulated clock.
#include <gtest/gtest.h>

#include <deque>

#include "GameHarness.h"
#include "cards/CardList.h"
#include "cards/CardRules.h"
#include "core/Cards.h"

using namespace hallserver;
using namespace hallserver::testing;

namespace {

int num(const rapidjson::Value& v, const char* key) {
    return std::atoi(member(v, key).c_str());
}

std::vector<int> codes(const rapidjson::Value& v) {
    return parseCardList(member(v, "cards"));
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
    std::array<Hand, 4> hands;
    std::array<int, 4> dealtCount{};
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

    bool holds(int site) const { return !hands[site].empty(); }
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
        std::array<int, kCardCodes> seen{};
        for (int site = 0; site < 4; ++site) {
            ASSERT_FALSE(deals[site].empty()) << "seat " << site << " was not dealt";
            const std::vector<int> cards = deals[site].front();
            deals[site].pop_front();
            ASSERT_EQ(cards.size(), 54u) << "seat " << site;
            hands[site].clear();
            for (int code : cards) {
                ASSERT_GE(code, 0);
                ASSERT_LT(code, kCardCodes);
                ++seen[code];
                hands[site].add(code);
            }
        }
        for (int code = 0; code < kCardCodes; ++code)
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
            ASSERT_TRUE(hands[per].holds(cards)) << "seat " << per << " played cards it does not hold";
            std::vector<int> last = lastPlay, play = cards;
            ASSERT_TRUE(isPlayAllowed(last, play)) << "illegal play " << member(doc, "cards");
            hands[per].remove(cards);
            roundPoints += playPoints(cards);
            playedPoints += playPoints(cards);
            lastPlay = cards;
            lastPlayer = per;
            if (hands[per].empty() && firstOut < 0)
                firstOut = per;
            waiting = 0;
            for (int s = 0; s < 4; ++s) {
                if (s != per && holds(s))
                    waiting |= 1u << s;
            }
        }
        EXPECT_EQ(member(doc, "surplus"), std::to_string(hands[per].size()));
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
