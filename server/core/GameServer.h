// The server's state: connections, the lobby of desks, timers and what is sent to whom. The flow of
// each hand (turns, rounds, points, the end) is the rules model's, which the desk asks.
//
// It knows nothing of sockets or clocks: the network layer reports connections, request bodies and
// the time, and receives the frames to send through a Sink. Everything runs on one thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <queue>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/Message.h"
#include "rules/HandFlow.h"
#include "rules/Rng.h"

namespace hallserver {

using ConnId = std::uint64_t;  // 0 is never a connection
using Micros = std::int64_t;   // microseconds on the caller's monotonic clock

constexpr Micros kSecond = 1000000;
constexpr Micros kNoDeadline = INT64_MAX;

// A ready-to-send frame, shared by every connection it goes to: a broadcast is framed once per desk.
using Frame = std::shared_ptr<const std::string>;
inline Frame makeFrame(const std::string& body) {
    return std::make_shared<const std::string>(encodeFrame(body));
}

struct ServerConfig {
    bool bots = false;                // fill empty seats next to a human with bots
    Micros botDelay = 3 * kSecond;    // how long a human waits before bots sit down
    Micros botMoveMin = kSecond / 2;  // bots think between these two times per move
    Micros botMoveMax = 3 * kSecond / 2;
    Micros turnTimeout = 35 * kSecond;   // then the server acts for the seat on turn
    Micros idleTimeout = 300 * kSecond;  // a desk where no hand starts for this long is closed
    std::uint64_t seed = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    // Queues a frame for a connection. Must not call back into the GameServer.
    virtual void send(ConnId id, const Frame& frame) = 0;
    // A connection took a seat or lost it (left, or its desk was closed). Must not call back either.
    virtual void seated(ConnId, bool, Micros) {}
};

class GameServer {
public:
    GameServer(const ServerConfig& config, Sink& sink);

    void connect(ConnId id, Micros now);
    // Handles one request body. False when it is not JSON: the caller closes the connection and
    // then reports the disconnect.
    bool receive(ConnId id, const char* data, std::size_t size, Micros now);
    void disconnect(ConnId id, Micros now);
    // Runs every timer that is due at `now`.
    void advance(Micros now);
    // The earliest pending timer (it may turn out to have been cancelled), or kNoDeadline.
    Micros nextDeadline() const;
    // Timer entries queued, outdated ones included (they should stay a few per desk).
    std::size_t pendingTimers() const { return timers_.size(); }

    std::size_t online() const { return conns_.size(); }
    std::size_t desksInPlay() const { return playing_; }
    std::uint64_t handsCompleted() const { return handsCompleted_; }
    std::uint64_t handsStarted() const { return handsStarted_; }
    std::uint64_t handsVoided() const { return handsVoided_; }  // ended by a "run"

    // Where a connection sits: desk number (from 1) and seat, or -1 and -1.
    std::pair<int, int> seatOf(ConnId id) const;

private:
    struct Seat {
        ConnId conn = 0;
        bool bot = false;
        bool ready = false;
        std::string name;
        bool occupied() const { return conn != 0 || bot; }
    };
    struct Desk {
        int number = 0;
        std::array<Seat, 4> seats;
        int humans = 0;
        int occupied = 0;
        bool playing = false;
        int nextLeader = 0;    // who leads the next hand
        rules::HandFlow flow;  // the hand in progress: turns, cards, rounds and points
        // The turn's timer: when the seat on turn is acted for (a bot's move, or the turn timeout),
        // and the one queued timer entry that stands for it. A later deadline does not queue a new
        // entry; the queued one moves on when it fires early, so each desk keeps about one entry.
        Micros turnDue = kNoDeadline;
        Micros turnQueuedAt = kNoDeadline;
        // The idle clock the same way: it only ever moves later, so one queued entry per desk stands
        // for it however many hands end within the idle time.
        Micros idleDue = kNoDeadline;
        Micros idleQueuedAt = kNoDeadline;
        // The generation of the bots' fill timer: it fires only if its generation is still current.
        std::uint32_t fillGen = 0;
        bool fillPending = false;
    };
    enum class TimerKind : std::uint8_t { Turn, Idle, Fill };
    struct Timer {
        Micros at;
        std::uint64_t order;
        std::uint32_t desk;
        std::uint32_t gen;
        TimerKind kind;
        bool operator>(const Timer& other) const {
            return at != other.at ? at > other.at : order > other.order;
        }
    };
    struct Conn {
        int desk = -1;  // index into desks_
        int site = -1;
        std::uint64_t serial = 0;
    };

    void handleQuery(ConnId id);
    void handleAdd(ConnId id, Micros now);
    void handleReady(Conn& conn, Micros now);
    void handleLeave(ConnId id, Conn& conn, Micros now);
    void handlePlay(Conn& conn, const std::vector<int>& cards, Micros now);
    bool ownsSeat(const Conn& conn, int desk, int site) const;

    void seatHuman(Desk& desk, int site, ConnId id, Micros now);
    void removeSeat(Desk& desk, int site, Micros now);
    void unseat(ConnId id, Micros now);
    void emptyDesk(Desk& desk, Micros now);
    void fillWithBots(Desk& desk, Micros now);
    void maybeScheduleFill(Desk& desk, Micros now);
    void tryStart(Desk& desk, Micros now);
    void startHand(Desk& desk, Micros now);
    void beginTurn(Desk& desk, int site, Micros now);
    // A play (non-empty) or a pass (empty) for a seat: what the rules accept is reported to the desk,
    // anything else is ignored.
    void act(Desk& desk, int site, std::vector<int> cards, Micros now);
    void report(Desk& desk, const rules::MoveReport& move, Micros now);
    void finishHand(Desk& desk, Micros now);
    void voidHand(Desk& desk, int leaver, Micros now);
    void afterHand(Desk& desk, Micros now);
    void actForSeat(Desk& desk, int site, bool asBot, Micros now);
    void stopTurnClock(Desk& desk);
    void turnTimerFired(Desk& desk, Micros at, Micros now);
    void startIdleClock(Desk& desk, Micros now);
    void idleTimerFired(Desk& desk, Micros at, Micros now);

    void sendTo(ConnId id, const std::string& body);
    void broadcast(const Desk& desk, const std::string& body, int exceptSite = -1);
    void broadcastChange(const Desk& desk);
    void refreshJoinable(const Desk& desk);
    void schedule(Desk& desk, TimerKind kind, std::uint32_t gen, Micros at);

    ServerConfig config_;
    Sink& sink_;
    rules::Rng rng_;  // the deals and the bots' thinking times, in the order they are asked for
    std::unordered_map<ConnId, Conn> conns_;
    std::vector<Desk> desks_;
    std::set<int> joinable_;  // desk indices with a free seat and no hand in progress
    std::priority_queue<Timer, std::vector<Timer>, std::greater<Timer>> timers_;
    std::uint64_t timerOrder_ = 0;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t botSerial_ = 1;
    std::size_t playing_ = 0;
    std::uint64_t handsCompleted_ = 0;
    std::uint64_t handsStarted_ = 0;
    std::uint64_t handsVoided_ = 0;
};

}  // namespace hallserver
