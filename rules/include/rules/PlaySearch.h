// The plays a hand can make: every play that the rules let follow the last play, one of each strength,
// weakest first. Pure logic over card codes, like the rules it asks.
#pragma once

#include <vector>

// The candidate plays of `hand` against `lastPlay` (empty for a free lead). Each candidate is a list
// of codes the hand holds, in ascending code order, that isPlayAllowed accepts against lastPlay.
//
// Plays that the rules cannot tell apart (the same type, the same number of cards and the same value)
// are one candidate: with four decks a hand holds very many of them. The one given keeps the
// strongest cards in the hand: besides the cards that carry the value, it takes the lowest codes of
// each number, and a full house takes the weakest pair the hand has.
//
// Order, weakest first: the plays of the ordinary types (single, pair, triple, full house, pair run,
// triple run; within a type by size, then value), then the bombs (by size, then value), then the
// identical copies (three before four, then value), and last the plays worth the top card's value,
// which nothing beats (the top card alone, two of it, three, four).
//
// Codes outside 0..53 in the hand are not cards and are left out.
std::vector<std::vector<int>> findCandidatePlays(const std::vector<int>& hand,
                                                 const std::vector<int>& lastPlay);
