#include "core/GameServer.h"

#include "core/BotStrategy.h"
#include "core/Log.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"
#include "protocol/Version.h"
#include "rules/Deal.h"

namespace hallserver {

namespace {

// What the debug log says of a move the rules refused.
const char* refusalText(rules::Refusal refusal) {
    switch (refusal) {
        case rules::Refusal::None:
            break;
        case rules::Refusal::NoHand:
        case rules::Refusal::OutOfTurn:
            return "acted out of turn";
        case rules::Refusal::PassWhileLeading:
            return "cannot pass when leading";
        case rules::Refusal::NotHeld:
            return "played cards it does not hold";
        case rules::Refusal::NotAllowed:
            return "made a play the rules refuse";
    }
    return "";
}

}  // namespace

GameServer::GameServer(const ServerConfig& config, Sink& sink)
    : config_(config), sink_(sink), rng_(config.seed) {}

std::pair<int, int> GameServer::seatOf(ConnId id) const {
    auto it = conns_.find(id);
    if (it == conns_.end() || it->second.desk < 0)
        return {-1, -1};
    return {desks_[it->second.desk].number, it->second.site};
}

void GameServer::connect(ConnId id, Micros) {
    Conn& conn = conns_[id];
    conn.serial = nextSerial_++;
}

void GameServer::disconnect(ConnId id, Micros now) {
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    Conn conn = it->second;
    if (conn.desk >= 0) {
        Desk& desk = desks_[conn.desk];
        if (desk.playing)
            voidHand(desk, conn.site, now);
        else
            removeSeat(desk, conn.site, now);
    }
    conns_.erase(id);
}

bool GameServer::receive(ConnId id, const char* data, std::size_t size, Micros now) {
    auto it = conns_.find(id);
    if (it == conns_.end())
        return true;
    Request request;
    switch (parseRequest(data, size, request)) {
        case ParseOutcome::NotJson:
            LOG_WARN("conn %llu: request is not JSON", static_cast<unsigned long long>(id));
            return false;
        case ParseOutcome::Ignored:
            LOG_DEBUG("conn %llu: request ignored (not a usable request)",
                      static_cast<unsigned long long>(id));
            return true;
        case ParseOutcome::Ok:
            break;
    }
    Conn& conn = it->second;
    switch (request.kind) {
        case RequestKind::Query:
            handleQuery(id);
            break;
        case RequestKind::Add:
            handleAdd(id, now);
            break;
        case RequestKind::Ready:
        case RequestKind::Leave:
        case RequestKind::Play:
            // A connection speaks only for the seat it was given.
            if (!ownsSeat(conn, request.desk, request.site)) {
                LOG_DEBUG("conn %llu: request for desk %d seat %d that is not its own",
                          static_cast<unsigned long long>(id), request.desk, request.site);
                break;
            }
            if (request.kind == RequestKind::Ready)
                handleReady(conn, now);
            else if (request.kind == RequestKind::Leave)
                handleLeave(id, conn, now);
            else
                handlePlay(conn, request.cards, now);
            break;
        case RequestKind::Other:
            break;
    }
    return true;
}

bool GameServer::ownsSeat(const Conn& conn, int desk, int site) const {
    return conn.desk >= 0 && desks_[conn.desk].number == desk && conn.site == site;
}

void GameServer::handleQuery(ConnId id) {
    sendTo(id, queryMessage(conns_.size(), kClientVersion));
}

void GameServer::handleAdd(ConnId id, Micros now) {
    Conn& conn = conns_[id];
    if (conn.desk >= 0) {
        // Already seated: repeat the answer, change nothing.
        const Desk& desk = desks_[conn.desk];
        sendTo(id, addMessage(desk.number, conn.site, desk.seats[conn.site].name));
        return;
    }
    int index;
    if (!joinable_.empty()) {
        index = *joinable_.begin();
    } else {
        index = static_cast<int>(desks_.size());
        desks_.emplace_back();
        desks_.back().number = index + 1;
    }
    Desk& desk = desks_[index];
    int site = 0;
    while (desk.seats[site].occupied())
        ++site;
    seatHuman(desk, site, id, now);
}

void GameServer::seatHuman(Desk& desk, int site, ConnId id, Micros now) {
    Conn& conn = conns_[id];
    const int index = desk.number - 1;
    if (desk.occupied == 0) {
        // A fresh desk: the first hand is led by seat 0 and the idle clock starts.
        desk.nextLeader = 0;
        startIdleClock(desk, now);
    }
    Seat& seat = desk.seats[site];
    seat = Seat();
    seat.conn = id;
    seat.name = "玩家" + std::to_string(conn.serial);
    ++desk.humans;
    ++desk.occupied;
    conn.desk = index;
    conn.site = site;
    sink_.seated(id, true, now);
    LOG_INFO("desk %d: seat %d taken by conn %llu (%s)", desk.number, site,
             static_cast<unsigned long long>(id), seat.name.c_str());
    sendTo(id, addMessage(desk.number, site, seat.name));
    broadcastChange(desk);
    refreshJoinable(desk);
    maybeScheduleFill(desk, now);
}

void GameServer::removeSeat(Desk& desk, int site, Micros now) {
    Seat& seat = desk.seats[site];
    if (!seat.occupied())
        return;
    if (seat.conn) {
        unseat(seat.conn, now);
        --desk.humans;
    }
    LOG_INFO("desk %d: seat %d left (%s)", desk.number, site, seat.name.c_str());
    seat = Seat();
    --desk.occupied;
    if (desk.humans == 0) {
        // Bots do not keep a desk alive on their own.
        emptyDesk(desk, now);
        return;
    }
    broadcastChange(desk);
    refreshJoinable(desk);
    maybeScheduleFill(desk, now);
}

void GameServer::unseat(ConnId id, Micros now) {
    auto it = conns_.find(id);
    if (it == conns_.end())
        return;
    it->second.desk = -1;
    it->second.site = -1;
    sink_.seated(id, false, now);
}

void GameServer::emptyDesk(Desk& desk, Micros now) {
    for (Seat& seat : desk.seats) {
        if (seat.conn)
            unseat(seat.conn, now);
        seat = Seat();
    }
    if (desk.playing)
        --playing_;
    desk.playing = false;
    desk.humans = 0;
    desk.occupied = 0;
    desk.flow.stop();
    desk.nextLeader = 0;
    stopTurnClock(desk);
    desk.idleDue = kNoDeadline;
    ++desk.fillGen;
    desk.fillPending = false;
    refreshJoinable(desk);
}

void GameServer::maybeScheduleFill(Desk& desk, Micros now) {
    if (!config_.bots || desk.playing || desk.humans == 0 || desk.occupied == 4 || desk.fillPending)
        return;
    desk.fillPending = true;
    schedule(desk, TimerKind::Fill, ++desk.fillGen, now + config_.botDelay);
}

void GameServer::fillWithBots(Desk& desk, Micros now) {
    desk.fillPending = false;
    if (!config_.bots || desk.playing || desk.humans == 0 || desk.occupied == 4)
        return;
    for (int site = 0; site < 4; ++site) {
        Seat& seat = desk.seats[site];
        if (seat.occupied())
            continue;
        seat = Seat();
        seat.bot = true;
        seat.ready = true;
        seat.name = "机器人" + std::to_string(botSerial_++);
        ++desk.occupied;
        LOG_INFO("desk %d: seat %d taken by bot %s", desk.number, site, seat.name.c_str());
    }
    broadcastChange(desk);
    refreshJoinable(desk);
    tryStart(desk, now);
}

void GameServer::handleReady(Conn& conn, Micros now) {
    Desk& desk = desks_[conn.desk];
    Seat& seat = desk.seats[conn.site];
    if (desk.playing || seat.ready)
        return;
    seat.ready = true;
    LOG_INFO("desk %d: seat %d ready", desk.number, conn.site);
    broadcastChange(desk);
    tryStart(desk, now);
}

void GameServer::handleLeave(ConnId, Conn& conn, Micros now) {
    Desk& desk = desks_[conn.desk];
    const int site = conn.site;
    if (desk.playing)
        voidHand(desk, site, now);
    else
        removeSeat(desk, site, now);
}

void GameServer::handlePlay(Conn& conn, const std::vector<int>& cards, Micros now) {
    act(desks_[conn.desk], conn.site, cards, now);
}

void GameServer::tryStart(Desk& desk, Micros now) {
    if (desk.playing || desk.occupied < 4)
        return;
    for (const Seat& seat : desk.seats) {
        if (!seat.ready)
            return;
    }
    startHand(desk, now);
}

void GameServer::startHand(Desk& desk, Micros now) {
    desk.playing = true;
    ++playing_;
    ++handsStarted_;
    desk.idleDue = kNoDeadline;
    ++desk.fillGen;
    desk.fillPending = false;
    refreshJoinable(desk);
    const rules::Deal hands = rules::dealHands(rng_);
    for (int site = 0; site < 4; ++site) {
        const Seat& seat = desk.seats[site];
        if (seat.conn)
            sendTo(seat.conn, startMessage(hands[site]));
    }
    const int leader = desk.nextLeader;
    desk.flow.start(hands, leader);
    LOG_INFO("desk %d: hand starts, seat %d leads", desk.number, leader);
    broadcast(desk, gameMessage(-1, {}, "", leader, 0, 1));
    beginTurn(desk, leader, now);
}

void GameServer::beginTurn(Desk& desk, int site, Micros now) {
    Micros delay = config_.turnTimeout;
    if (desk.seats[site].bot)
        delay = static_cast<Micros>(
            rng_.between(static_cast<double>(config_.botMoveMin), static_cast<double>(config_.botMoveMax)));
    desk.turnDue = now + delay;
    if (desk.turnQueuedAt > desk.turnDue) {
        desk.turnQueuedAt = desk.turnDue;
        schedule(desk, TimerKind::Turn, 0, desk.turnDue);
    }
}

void GameServer::act(Desk& desk, int site, std::vector<int> cards, Micros now) {
    rules::MoveReport move;
    const rules::Refusal refusal = desk.flow.apply(site, std::move(cards), move);
    if (refusal != rules::Refusal::None) {
        LOG_DEBUG("desk %d: seat %d %s", desk.number, site, refusalText(refusal));
        return;
    }
    report(desk, move, now);
}

// One "game" message for every accepted move; "score" after each round; the end of the hand, or the
// next seat's turn.
void GameServer::report(Desk& desk, const rules::MoveReport& move, Micros now) {
    if (move.cards.empty())
        LOG_DEBUG("desk %d: seat %d passes", desk.number, move.seat);
    else
        LOG_DEBUG("desk %d: seat %d plays %s", desk.number, move.seat, cardListText(move.cards).c_str());
    if (move.roundWon && !move.handOver)
        LOG_DEBUG("desk %d: round of %d points to seat %d", desk.number, move.roundPoints, move.roundWinner);
    // The message that ends the hand still shows the points of the last round on the table.
    const int shown = move.handOver ? move.roundPoints : move.tablePoints;
    broadcast(desk, gameMessage(move.seat, move.cards, std::to_string(move.cardsLeft), move.next, shown,
                                move.freshLead ? 1 : 0));
    if (move.roundWon)
        broadcast(desk, scoreMessage(move.teamPoints[0], move.teamPoints[1]));
    if (move.handOver)
        finishHand(desk, now);
    else
        beginTurn(desk, move.next, now);
}

void GameServer::finishHand(Desk& desk, Micros now) {
    const rules::HandResult result = desk.flow.result();
    std::array<st_seat_info, 4> entries;
    for (int site = 0; site < 4; ++site) {
        entries[site].name = desk.seats[site].name;
        entries[site].result = result.results[site];
    }
    LOG_INFO("desk %d: hand over, points %d:%d", desk.number, result.teamPoints[0], result.teamPoints[1]);
    broadcast(desk, overMessage(entries));
    desk.nextLeader = result.firstOut >= 0 ? result.firstOut : 0;
    ++handsCompleted_;
    afterHand(desk, now);
    broadcastChange(desk);
    tryStart(desk, now);
}

void GameServer::voidHand(Desk& desk, int leaver, Micros now) {
    LOG_INFO("desk %d: seat %d (%s) left during the hand, hand void", desk.number, leaver,
             desk.seats[leaver].name.c_str());
    broadcast(desk, runMessage(leaver, desk.seats[leaver].name), leaver);
    ++handsVoided_;
    afterHand(desk, now);
    removeSeat(desk, leaver, now);
}

void GameServer::afterHand(Desk& desk, Micros now) {
    desk.playing = false;
    --playing_;
    desk.flow.stop();
    stopTurnClock(desk);
    for (Seat& seat : desk.seats)
        seat.ready = seat.bot;  // everyone is unready; bots confirm at once
    startIdleClock(desk, now);
    refreshJoinable(desk);
    maybeScheduleFill(desk, now);
}

void GameServer::actForSeat(Desk& desk, int site, bool asBot, Micros now) {
    const rules::Hand& hand = desk.flow.hand(site);
    const bool leads = desk.flow.lastPlay().empty();
    std::vector<int> move;
    if (asBot)
        move = chooseMove(hand, desk.flow.lastPlay());
    else if (leads)
        move = {hand.lowestCode()};  // lead the lowest card, as the client's own countdown does
    if (move.empty() && leads)
        return;  // nothing to lead with; cannot happen for a seat holding cards
    if (!asBot)
        LOG_INFO("desk %d: seat %d timed out, server %s", desk.number, site,
                 move.empty() ? "passes" : "leads");
    act(desk, site, std::move(move), now);
}

void GameServer::advance(Micros now) {
    while (!timers_.empty() && timers_.top().at <= now) {
        const Timer timer = timers_.top();
        timers_.pop();
        Desk& desk = desks_[timer.desk];
        switch (timer.kind) {
            case TimerKind::Turn:
                turnTimerFired(desk, timer.at, now);
                break;
            case TimerKind::Idle:
                idleTimerFired(desk, timer.at, now);
                break;
            case TimerKind::Fill:
                if (timer.gen == desk.fillGen)
                    fillWithBots(desk, now);
                break;
        }
    }
}

void GameServer::stopTurnClock(Desk& desk) {
    desk.turnDue = kNoDeadline;
}

void GameServer::turnTimerFired(Desk& desk, Micros at, Micros now) {
    if (at != desk.turnQueuedAt)
        return;  // superseded by an earlier entry, which is the one that counts
    desk.turnQueuedAt = kNoDeadline;
    if (desk.turnDue == kNoDeadline || !desk.playing || desk.flow.turn() < 0)
        return;
    if (desk.turnDue > now) {
        // The turn moved on since this entry was queued: wait for the current deadline.
        desk.turnQueuedAt = desk.turnDue;
        schedule(desk, TimerKind::Turn, 0, desk.turnDue);
        return;
    }
    desk.turnDue = kNoDeadline;
    const int site = desk.flow.turn();
    actForSeat(desk, site, desk.seats[site].bot, now);
}

Micros GameServer::nextDeadline() const {
    return timers_.empty() ? kNoDeadline : timers_.top().at;
}

void GameServer::startIdleClock(Desk& desk, Micros now) {
    desk.idleDue = now + config_.idleTimeout;
    if (desk.idleQueuedAt <= desk.idleDue)
        return;  // the queued entry fires first and moves on to the deadline
    desk.idleQueuedAt = desk.idleDue;
    schedule(desk, TimerKind::Idle, 0, desk.idleDue);
}

void GameServer::idleTimerFired(Desk& desk, Micros at, Micros now) {
    if (at != desk.idleQueuedAt)
        return;  // superseded by an earlier entry
    desk.idleQueuedAt = kNoDeadline;
    if (desk.idleDue == kNoDeadline || desk.playing || desk.occupied == 0)
        return;
    if (desk.idleDue > now) {
        desk.idleQueuedAt = desk.idleDue;
        schedule(desk, TimerKind::Idle, 0, desk.idleDue);
        return;
    }
    desk.idleDue = kNoDeadline;
    LOG_INFO("desk %d: no hand started in time, desk closed", desk.number);
    broadcast(desk, timeoutMessage());
    emptyDesk(desk, now);
}

void GameServer::schedule(Desk& desk, TimerKind kind, std::uint32_t gen, Micros at) {
    timers_.push(Timer{at, timerOrder_++, static_cast<std::uint32_t>(desk.number - 1), gen, kind});
}

void GameServer::sendTo(ConnId id, const std::string& body) {
    sink_.send(id, makeFrame(body));
}

void GameServer::broadcast(const Desk& desk, const std::string& body, int exceptSite) {
    Frame frame;
    for (int site = 0; site < 4; ++site) {
        const Seat& seat = desk.seats[site];
        if (!seat.conn || site == exceptSite)
            continue;
        if (!frame)
            frame = makeFrame(body);  // one frame shared by the whole desk
        sink_.send(seat.conn, frame);
    }
}

void GameServer::broadcastChange(const Desk& desk) {
    std::array<st_seat_info, 4> entries;
    for (int site = 0; site < 4; ++site) {
        entries[site].name = desk.seats[site].name;
        entries[site].ready = desk.seats[site].ready ? 1 : 0;
    }
    broadcast(desk, changeMessage(entries));
}

void GameServer::refreshJoinable(const Desk& desk) {
    const int index = desk.number - 1;
    if (!desk.playing && desk.occupied < 4)
        joinable_.insert(index);
    else
        joinable_.erase(index);
}

}  // namespace hallserver
