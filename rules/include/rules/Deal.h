// The deal: four decks shuffled with a seeded generator and dealt to the four seats.
#pragma once

#include <array>
#include <vector>

#include "rules/CardCodes.h"
#include "rules/Rng.h"

namespace rules {

using Deal = std::array<std::vector<int>, kSeats>;

// Shuffles the 216 cards (every code 0..53 four times) with `rng` and gives each seat 54 of them, in
// ascending code order. The same generator state always gives the same deal.
Deal dealHands(Rng& rng);

}  // namespace rules
