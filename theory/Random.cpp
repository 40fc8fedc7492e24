#include "theory/Random.h"

uint64_t CRandom::Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double CRandom::Uniform(double low, double high) {
    if (!(high > low))
        return low;
    // 53 random bits give every double in [0, 1] the same chance.
    double unit = static_cast<double>(Next() >> 11) * (1.0 / 9007199254740991.0);
    double value = low + (high - low) * unit;
    return value > high ? high : value;
}
