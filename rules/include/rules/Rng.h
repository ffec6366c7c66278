// A small, fast, repeatable generator (splitmix64): the same seed gives the same sequence everywhere,
// so a seeded server deals the same hands on every machine.
#pragma once

#include <cstdint>

namespace rules {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // Uniform in [0, bound).
    std::uint64_t below(std::uint64_t bound);
    // Uniform in [low, high].
    double between(double low, double high);

private:
    std::uint64_t state_;
};

}  // namespace rules
