#pragma once

#include <cstdint>

// Small seedable random source (splitmix64): the same seed gives the same sequence on every
// platform, so humanized songs and their tests are reproducible.
class CRandom {
public:
    explicit CRandom(uint64_t seed = 0x9E3779B97F4A7C15ull) : m_state(seed) {}

    void Seed(uint64_t seed) { m_state = seed; }
    uint64_t Next();
    // Uniform in [low, high]; low when the range is empty or reversed.
    double Uniform(double low, double high);

private:
    uint64_t m_state;
};
