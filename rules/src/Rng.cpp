#include "rules/Rng.h"

namespace rules {

std::uint64_t Rng::next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t Rng::below(std::uint64_t bound) {
    if (bound <= 1)
        return 0;
    // Rejection keeps the result unbiased.
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    std::uint64_t value;
    do {
        value = next();
    } while (value >= limit);
    return value % bound;
}

double Rng::between(double low, double high) {
    if (high <= low)
        return low;
    const double unit = static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
    return low + (high - low) * unit;
}

}  // namespace rules
