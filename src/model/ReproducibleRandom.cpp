#include "ReproducibleRandom.h"

#include <bit>
#include <cmath>

namespace {

uint64_t splitMix(uint64_t &state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The ziggurat's layers: 128 of equal area under the normal density, the base
// layer holding the tail beyond R.
constexpr int kLayers = 128;
constexpr double kTailStart = 3.442619855899;   // R
constexpr double kLayerArea = 9.91256303526217e-3; // V

ZigguratLayers makeLayers()
{
    ZigguratLayers z;
    double f = std::exp(-0.5 * kTailStart * kTailStart);
    z.X[0] = kLayerArea / f;
    z.X[1] = kTailStart;
    z.X[kLayers] = 0;
    for (int i = 2; i < kLayers; ++i) {
        z.X[i] = std::sqrt(-2 * std::log(kLayerArea / z.X[i - 1] + f));
        f = std::exp(-0.5 * z.X[i] * z.X[i]);
    }
    for (int i = 0; i < kLayers; ++i)
        z.Ratio[i] = z.X[i + 1] / z.X[i];
    return z;
}

// Beyond R (Marsaglia's tail method).
double normalTail(RandomBits &bits, bool negative)
{
    double x, y;
    do {
        x = std::log(UniformOpen(bits)) / kTailStart;
        y = std::log(UniformOpen(bits));
    } while (-2 * y < x * x);
    return negative ? x - kTailStart : kTailStart - x;
}

} // namespace

RandomBits::RandomBits(uint64_t seed)
{
    for (uint64_t &word : m_s)
        word = splitMix(seed);
}

const ZigguratLayers &NormalLayers()
{
    static const ZigguratLayers layers = makeLayers();
    return layers;
}

double NormalBeyondLayer(RandomBits &bits, double u, int layer)
{
    const ZigguratLayers &z = NormalLayers();
    for (;;) {
        if (layer == 0)
            return normalTail(bits, u < 0);
        // The wedge between the layer's rectangle and the curve.
        const double x = u * z.X[layer];
        const double f0 = std::exp(-0.5 * (z.X[layer] * z.X[layer] - x * x));
        const double f1 = std::exp(-0.5 * (z.X[layer + 1] * z.X[layer + 1] - x * x));
        if (f1 + UniformOpen(bits) * (f0 - f1) < 1.0)
            return x;
        const uint64_t word = bits();
        u = 2 * UniformOpen(word) - 1;
        layer = int(word & (kLayers - 1));
        if (std::fabs(u) < z.Ratio[layer])
            return u * z.X[layer];
    }
}

const Log2Table &Log2Steps()
{
    static const Log2Table table = [] {
        Log2Table t;
        for (int j = 0; j < 256; ++j) {
            t.Log2[j] = std::log2(1 + j / 256.0);
            t.Inverse[j] = 256.0 / (256 + j);
        }
        return t;
    }();
    return table;
}

GammaDraw::GammaDraw(double shape)
    : m_d(shape - 1.0 / 3.0)
    , m_c(1 / std::sqrt(9 * m_d))
{
}

uint64_t MixSeed(uint64_t hash, uint64_t word)
{
    uint64_t x = hash ^ (word + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
