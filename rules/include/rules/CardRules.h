// Play rules over card codes: the card order, the eight play types, the card strengths and the check
// that a play may follow the last play on the table. Pure logic, no engine, no state.
#pragma once

#include <vector>

#include "rules/CardCodes.h"

// Play types. The values are internal to the program and never leave it.
enum PlayType {
    PLAY_NONE = 0,        // not a play
    PLAY_SINGLE = 1,      // one card
    PLAY_PAIR = 2,        // two cards of one number (two jokers only when they are the same joker)
    PLAY_TRIPLE = 3,      // three cards of one number, not three copies of one code, no jokers
    PLAY_IDENTICAL = 4,   // three or four copies of one code
    PLAY_BOMB = 5,        // four to sixteen cards of one number, not four copies of one code, no jokers
    PLAY_PAIR_RUN = 6,    // four or more pairs of consecutive numbers, no jokers
    PLAY_FULL_HOUSE = 7,  // five cards: three of one number and two of one number, not a bomb
    PLAY_TRIPLE_RUN = 8,  // three or more triples of consecutive numbers, no jokers
};

// A classified play: its type and its strength against plays of the same type and size.
struct PlayInfo {
    PlayType type = PLAY_NONE;
    int value = 0;
};

// What one recogniser found. A recogniser that does not match gives false and 0.
struct MatchResult {
    bool matched = false;
    int value = 0;
};

// Strength of the top card (code 19) and of the plays made only of it; nothing beats it.
constexpr int TOP_CARD_VALUE = 1000;

// Sorts ascending by code: by number (ace first, then two .. king, then the jokers), then by suit.
void sortCards(std::vector<int>& cards);

// Classifies a sorted list; an empty or unrecognised list is PLAY_NONE with value 0.
PlayInfo classifyPlay(const std::vector<int>& cards);

// The recognisers, each over a sorted list.
MatchResult matchSingle(const std::vector<int>& sortedCards);
MatchResult matchPair(const std::vector<int>& sortedCards);
MatchResult matchTriple(const std::vector<int>& sortedCards);
MatchResult matchIdentical(const std::vector<int>& sortedCards);
MatchResult matchBomb(const std::vector<int>& sortedCards);
MatchResult matchPairRun(const std::vector<int>& sortedCards);
MatchResult matchTripleRun(const std::vector<int>& sortedCards);
MatchResult matchFullHouse(const std::vector<int>& sortedCards);

// Card strengths. Single cards: three < ... < king < ace < two < black joker < red joker < top card.
// Codes that name no card (below 0, above 55) have the strength -1, below every card.
int singleValue(int code);
int groupValue(int code);
int identicalValue(int code);
bool isTopCard(int code);

// True when `play` may follow `lastPlay` (empty for a free lead). Sorts both lists in place, so the
// caller's selection is in ascending order afterwards whatever the result.
bool isPlayAllowed(std::vector<int>& lastPlay, std::vector<int>& play);
