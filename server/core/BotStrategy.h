// The bots' play: lead the lowest single; on a play, the smallest play of the same type and size that
// beats it; otherwise pass. Every candidate is checked with the shared rules, which have the last word.
#pragma once

#include <vector>

#include "rules/Hand.h"

namespace hallserver {

// The single card with the lowest single strength; empty for an empty hand.
std::vector<int> chooseLead(const rules::Hand& hand);

// The weakest play of lastPlay's type and size that the rules let follow it; empty to pass.
std::vector<int> chooseBeat(const rules::Hand& hand, const std::vector<int>& lastPlay);

// lastPlay empty: a lead; otherwise a beat or a pass (empty). The result is in ascending order.
std::vector<int> chooseMove(const rules::Hand& hand, const std::vector<int>& lastPlay);

}  // namespace hallserver
