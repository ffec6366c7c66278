// The points of cards: every five is worth 5, every ten and every king 10, all other cards nothing.
// Four decks hold 400 points.
#pragma once

#include <vector>

namespace rules {

int cardPoints(int code);
int playPoints(const std::vector<int>& cards);

}  // namespace rules
