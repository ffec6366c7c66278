// The text form of card lists: decimal codes separated by ",", empty pieces dropped.
#pragma once

#include <string>
#include <vector>

// Replaces the contents of `out` with the non-empty pieces of `text` between occurrences of
// `separator`. An empty separator splits nothing: the whole text is the one piece (if non-empty).
void splitString(const std::string& text, const std::string& separator, std::vector<std::string>& out);

// Reads a decimal number the way atoi does (leading blanks, optional sign, digits up to the first
// other character, 0 when there are none), except that values beyond the int range are clamped to it.
int parseCardCode(const std::string& text);

// Splits on "," and converts each piece with parseCardCode. Every code is kept, in order; checking
// that a code names a card is the caller's business.
std::vector<int> parseCardList(const std::string& text);
