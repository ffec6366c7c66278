// The card codes: every card is one int. Four decks of 54 cards are played, so a code occurs up to
// four times in the game.
#pragma once

// Codes 0..51 are the ordinary cards, number * 4 + suit (number 0 the ace, 1 the two, ..., 12 the
// king); 52 is the black joker and 53 the red joker. The rules read every code 52..55 as the joker
// number 13, but only 52 and 53 name cards.
constexpr int kOrdinaryCodes = 52;
constexpr int kBlackJoker = 52;
constexpr int kRedJoker = 53;
constexpr int kDeckCodes = 54;  // the codes that name a card: 0..53
// The five of suit 3: the game's top card, which nothing beats.
constexpr int kTopCard = 19;

constexpr int kDecks = 4;
constexpr int kSeats = 4;
constexpr int kHandSize = kDeckCodes * kDecks / kSeats;  // each seat is dealt 54 cards

inline bool isDeckCode(int code) {
    return code >= 0 && code < kDeckCodes;
}
inline bool isOrdinaryCode(int code) {
    return code >= 0 && code < kOrdinaryCodes;
}

// Number 0 is the ace, 1 the two, ..., 12 the king; 13 for the joker codes 52..55.
constexpr int kKingNumber = 12;
constexpr int kJokerNumber = 13;
inline int cardNumber(int code) {
    return code / 4;
}
inline int cardSuit(int code) {
    return code % 4;
}
inline bool isJokerCode(int code) {
    return cardNumber(code) == kJokerNumber;
}
