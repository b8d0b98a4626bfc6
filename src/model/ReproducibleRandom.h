#pragma once

#include <cstdint>
#include <random>

// Random draws that come out the same on every machine: the engine's output is
// fixed by the C++ standard, and what is built on it here uses only IEEE
// arithmetic and the correctly rounded square root, with log and exp where a
// draw needs them (no library distributions, whose algorithms differ between
// standard libraries).

// Uniform on the open interval (0, 1).
inline double UniformOpen(std::mt19937_64 &engine)
{
    return (double(engine() >> 11) + 0.5) * 0x1.0p-53;
}

// Standard normal draws by Marsaglia's polar method, two from each accepted pair.
class NormalDraw
{
public:
    double operator()(std::mt19937_64 &engine);

private:
    double m_spare = 0;
    bool m_hasSpare = false;
};

// Gamma draws of a fixed shape (scale 1). Shapes of 1 and more by Marsaglia and
// Tsang's squeeze; a shape below 1 as Gamma(shape + 1) × U^(1/shape), where a
// value below `negligible` is returned as 0 without the power being taken.
class GammaDraw
{
public:
    explicit GammaDraw(double shape = 1, double negligible = 0);
    double operator()(std::mt19937_64 &engine, NormalDraw &normal) const;
    double Shape() const { return m_shape; }

private:
    double large(std::mt19937_64 &engine, NormalDraw &normal) const;

    double m_shape = 1;
    double m_d = 0, m_c = 0;  // Marsaglia and Tsang's constants of max(shape, shape + 1)
    double m_below = 0;       // shape < 1: U below this gives a value under `negligible`
};

// A 64-bit mix of a running hash with one more word (splitmix64's finaliser).
uint64_t MixSeed(uint64_t hash, uint64_t word);
