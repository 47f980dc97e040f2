// The simulator's random numbers: a small generator whose sequence is fixed by its seed on every
// compiler and library (the standard distributions are not), so that a simulated log is the same
// byte for byte wherever it is made. Each purpose (sensor noise, gamma counts, faults) draws from
// its own stream, so switching one on does not change what the others do.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace zarn::sim {

class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed, std::uint64_t stream = 0)
        : state_(seed * 0xD1B54A32D192ED03ull + stream * 0x9E3779B97F4A7C15ull + 1) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Uniform in [0, n); 0 when n is 0.
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }
    // True with probability p (never for p <= 0, always for p >= 1).
    bool chance(double p) {
        if (!(p > 0))
            return false;
        return p >= 1 || uniform() < p;
    }
    // Standard normal deviate.
    double normal() {
        const double u1 = 1.0 - uniform(); // (0, 1]
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }
    // Poisson deviate of the given mean: exact for small means, normal beyond.
    int poisson(double mean) {
        if (!(mean > 0))
            return 0;
        if (mean < 30) {
            const double limit = std::exp(-mean);
            double product = uniform();
            int count = 0;
            while (product > limit) {
                product *= uniform();
                ++count;
            }
            return count;
        }
        const double v = std::round(mean + std::sqrt(mean) * normal());
        return v < 0 ? 0 : static_cast<int>(v);
    }

private:
    std::uint64_t state_;
};

// A stateless hash of a few integers, for values fixed by position (lattice noise).
inline std::uint64_t hashOf(std::uint64_t seed, std::int64_t a, std::int64_t b = 0) {
    SimRandom r(seed ^ (static_cast<std::uint64_t>(a) * 0xA24BAED4963EE407ull),
                static_cast<std::uint64_t>(b) + 0x51);
    return r.next();
}

} // namespace zarn::sim
