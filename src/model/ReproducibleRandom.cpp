#include "ReproducibleRandom.h"

#include <cmath>

double NormalDraw::operator()(std::mt19937_64 &engine)
{
    if (m_hasSpare) {
        m_hasSpare = false;
        return m_spare;
    }
    double u, v, s;
    do {
        u = 2 * UniformOpen(engine) - 1;
        v = 2 * UniformOpen(engine) - 1;
        s = u * u + v * v;
    } while (s >= 1 || s == 0);
    const double f = std::sqrt(-2 * std::log(s) / s);
    m_spare = v * f;
    m_hasSpare = true;
    return u * f;
}

GammaDraw::GammaDraw(double shape, double negligible) : m_shape(shape)
{
    const double base = shape >= 1 ? shape : shape + 1;
    m_d = base - 1.0 / 3.0;
    m_c = 1 / std::sqrt(9 * m_d);
    // Gamma(shape + 1) is rarely above shape + 8; U^(1/shape) × that is below
    // `negligible` whenever U < (negligible / (shape + 8))^shape.
    if (shape < 1 && negligible > 0)
        m_below = std::pow(negligible / (shape + 8), shape);
}

double GammaDraw::large(std::mt19937_64 &engine, NormalDraw &normal) const
{
    for (;;) {
        double x, v;
        do {
            x = normal(engine);
            v = 1 + m_c * x;
        } while (v <= 0);
        v = v * v * v;
        const double u = UniformOpen(engine);
        const double x2 = x * x;
        if (u < 1 - 0.0331 * x2 * x2)
            return m_d * v;
        if (std::log(u) < 0.5 * x2 + m_d * (1 - v + std::log(v)))
            return m_d * v;
    }
}

double GammaDraw::operator()(std::mt19937_64 &engine, NormalDraw &normal) const
{
    if (m_shape >= 1)
        return large(engine, normal);
    const double u = UniformOpen(engine);
    if (u < m_below)
        return 0;
    return large(engine, normal) * std::exp(std::log(u) / m_shape);
}

uint64_t MixSeed(uint64_t hash, uint64_t word)
{
    uint64_t x = hash ^ (word + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
