// The flow of one hand as a plain state machine: whose turn it is, the play to beat, the rounds and
// their points, the seats that have played out and the end of the hand. It knows nothing of
// connections, timers or messages; the caller applies each seat's play or pass and is told what
// happened.
//
// A round ends when every other seat still holding cards has passed on the last play; its points go
// to the team of the seat that made that play, which leads next (its partner when it has played out).
// The hand ends as soon as both seats of one team have played out; the points on the table then go
// to the team of the last play.
#pragma once

#include <array>
#include <vector>

#include "rules/CardCodes.h"
#include "rules/Hand.h"

namespace rules {

// Seats 0 and 2 are team 0, seats 1 and 3 team 1.
inline int teamOf(int seat) {
    return seat % 2;
}
inline int partnerOf(int seat) {
    return (seat + 2) % kSeats;
}

// Why a play or a pass was not accepted.
enum class Refusal {
    None,              // accepted
    NoHand,            // no hand is being played
    OutOfTurn,         // the seat is not on turn
    PassWhileLeading,  // a pass when there is no play to beat
    NotHeld,           // cards the seat does not hold (repeats counted), or codes that name no card
    NotAllowed,        // the rules do not let the play follow the play to beat
};

// The check for one move of a seat holding `hand` against `lastPlay` (empty when it leads): `move`
// empty is a pass. Sorts `move` in ascending order whatever the answer.
Refusal checkMove(const Hand& hand, const std::vector<int>& lastPlay, std::vector<int>& move);

// What one accepted play or pass did.
struct MoveReport {
    int seat = -1;
    std::vector<int> cards;  // in ascending order; empty for a pass
    int cardsLeft = 0;       // what the seat holds afterwards
    bool seatOut = false;    // this play emptied the seat's hand
    int next = -1;           // the seat to act next; -1 when the hand is over
    bool freshLead = false;  // `next` leads a new round
    // Points played in the round still open after the move: 0 once a round has closed.
    int tablePoints = 0;
    // Set when the move closed a round (always when it ended the hand): who made the round's last
    // play, and the points its team took.
    bool roundWon = false;
    int roundWinner = -1;
    int roundPoints = 0;
    bool handOver = false;
    std::array<int, 2> teamPoints{};  // both teams' totals after the move
};

// The end of a hand.
struct HandResult {
    std::array<int, 2> teamPoints{};
    // Per seat: 1 for the team with more points, -1 for the other, 0 for both when they are equal.
    std::array<int, kSeats> results{};
    int firstOut = -1;  // the seat that played out first
};

class HandFlow {
public:
    // Starts a hand with these cards per seat; `leader` leads the first round.
    void start(const std::array<std::vector<int>, kSeats>& hands, int leader);
    // Forgets the hand (it ended or was voided).
    void stop();

    bool inProgress() const { return turn_ >= 0; }
    // The seat on turn, -1 when no hand is in progress.
    int turn() const { return turn_; }
    // The play to beat; empty when the seat on turn leads.
    const std::vector<int>& lastPlay() const { return lastPlay_; }
    const Hand& hand(int seat) const { return hands_[seat]; }
    int tablePoints() const { return tablePoints_; }
    const std::array<int, 2>& teamPoints() const { return teamPoints_; }
    int firstOut() const { return firstOut_; }
    // The result as it stands; final once a move has reported the hand over.
    HandResult result() const;

    // What `apply` would answer, without changing anything. Sorts `move`.
    Refusal check(int seat, std::vector<int>& move) const;
    // Plays `move` (a pass when empty) for `seat`. A refused move changes nothing and leaves
    // `report` alone.
    Refusal apply(int seat, std::vector<int> move, MoveReport& report);

private:
    bool teamOut() const;
    int nextWaiting(int seat) const;
    int leaderAfterRound(int winner) const;

    std::array<Hand, kSeats> hands_;
    int turn_ = -1;
    std::vector<int> lastPlay_;
    int lastPlayer_ = -1;
    unsigned waiting_ = 0;  // seats (bit mask) still to answer the last play
    int tablePoints_ = 0;
    std::array<int, 2> teamPoints_{};
    int firstOut_ = -1;
};

}  // namespace rules
