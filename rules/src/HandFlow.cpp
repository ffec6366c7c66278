#include "rules/HandFlow.h"

#include <utility>

#include "rules/CardRules.h"
#include "rules/Points.h"

namespace rules {

namespace {

unsigned bit(int seat) {
    return 1u << seat;
}

}  // namespace

Refusal checkMove(const Hand& hand, const std::vector<int>& lastPlay, std::vector<int>& move) {
    if (move.empty())
        return lastPlay.empty() ? Refusal::PassWhileLeading : Refusal::None;
    if (!hand.holds(move)) {
        sortCards(move);
        return Refusal::NotHeld;
    }
    std::vector<int> last = lastPlay;
    return isPlayAllowed(last, move) ? Refusal::None : Refusal::NotAllowed;
}

void HandFlow::start(const std::array<std::vector<int>, kSeats>& hands, int leader) {
    for (int seat = 0; seat < kSeats; ++seat) {
        hands_[seat].clear();
        hands_[seat].add(hands[seat]);
    }
    turn_ = leader;
    lastPlay_.clear();
    lastPlayer_ = -1;
    waiting_ = 0;
    tablePoints_ = 0;
    teamPoints_ = {0, 0};
    firstOut_ = -1;
}

void HandFlow::stop() {
    for (Hand& hand : hands_)
        hand.clear();
    turn_ = -1;
    lastPlay_.clear();
    lastPlayer_ = -1;
    waiting_ = 0;
}

HandResult HandFlow::result() const {
    HandResult result;
    result.teamPoints = teamPoints_;
    result.firstOut = firstOut_;
    const int lead = teamPoints_[0] - teamPoints_[1];
    for (int seat = 0; seat < kSeats; ++seat) {
        const int own = teamOf(seat) == 0 ? lead : -lead;
        result.results[seat] = own > 0 ? 1 : (own < 0 ? -1 : 0);
    }
    return result;
}

Refusal HandFlow::check(int seat, std::vector<int>& move) const {
    if (turn_ < 0)
        return Refusal::NoHand;
    if (seat != turn_)
        return Refusal::OutOfTurn;
    return checkMove(hands_[seat], lastPlay_, move);
}

bool HandFlow::teamOut() const {
    return (hands_[0].empty() && hands_[2].empty()) || (hands_[1].empty() && hands_[3].empty());
}

// The next seat after `seat`, in seat order, that still has to answer the last play.
int HandFlow::nextWaiting(int seat) const {
    for (int step = 1; step <= kSeats; ++step) {
        const int candidate = (seat + step) % kSeats;
        if (waiting_ & bit(candidate))
            return candidate;
    }
    return -1;
}

// The winner of a round leads the next one, or its partner when it has played out. Both cannot have
// played out: the hand would be over.
int HandFlow::leaderAfterRound(int winner) const {
    return hands_[winner].empty() ? partnerOf(winner) : winner;
}

Refusal HandFlow::apply(int seat, std::vector<int> move, MoveReport& report) {
    const Refusal refusal = check(seat, move);
    if (refusal != Refusal::None)
        return refusal;
    Hand& hand = hands_[seat];
    report = MoveReport();
    report.seat = seat;
    if (!move.empty()) {
        hand.remove(move);
        tablePoints_ += playPoints(move);
        lastPlay_ = move;
        lastPlayer_ = seat;
        report.seatOut = hand.empty();
        if (report.seatOut && firstOut_ < 0)
            firstOut_ = seat;
        // Every other seat still holding cards answers the play in turn.
        waiting_ = 0;
        for (int other = 0; other < kSeats; ++other) {
            if (other != seat && !hands_[other].empty())
                waiting_ |= bit(other);
        }
    } else {
        waiting_ &= ~bit(seat);
    }
    report.cards = std::move(move);
    report.cardsLeft = hand.size();

    const bool handOver = teamOut();
    if (handOver || waiting_ == 0) {
        // The round closes: its points go to the team of its last play.
        report.roundWon = true;
        report.roundWinner = lastPlayer_;
        report.roundPoints = tablePoints_;
        teamPoints_[teamOf(lastPlayer_)] += tablePoints_;
        tablePoints_ = 0;
        lastPlay_.clear();
        waiting_ = 0;
    }
    if (handOver) {
        report.handOver = true;
        turn_ = -1;
    } else if (report.roundWon) {
        turn_ = leaderAfterRound(lastPlayer_);
        report.freshLead = true;
    } else {
        turn_ = nextWaiting(seat);
    }
    report.next = turn_;
    report.tablePoints = tablePoints_;
    report.teamPoints = teamPoints_;
    return Refusal::None;
}

}  // namespace rules
