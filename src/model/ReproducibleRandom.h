#pragma once

#include <bit>
#include <cstdint>

// Random draws that come out the same on every machine: the generator is
// written out here, and what is built on it uses only IEEE arithmetic and the
// correctly rounded square root, with log and exp where a rare branch needs
// them (no library distributions, whose algorithms differ between standard
// libraries).

// xoshiro256** (Blackman and Vigna): 64 random bits in about a nanosecond, the
// state filled from one seed through splitmix64.
class RandomBits
{
public:
    explicit RandomBits(uint64_t seed);

    uint64_t operator()()
    {
        const uint64_t result = rotate(m_s[1] * 5, 7) * 9;
        const uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotate(m_s[3], 45);
        return result;
    }

private:
    static uint64_t rotate(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    uint64_t m_s[4];
};

// Uniform on the open interval (0, 1) from the top 53 bits.
inline double UniformOpen(uint64_t bits) { return (double(bits >> 11) + 0.5) * 0x1.0p-53; }
inline double UniformOpen(RandomBits &bits) { return UniformOpen(bits()); }

// Standard normal draws by the ziggurat (Marsaglia and Tsang, 128 layers as
// Doornik lays them out): one 64-bit word gives the layer and the position in
// it, and about 99 % of draws end at the first comparison.
struct ZigguratLayers
{
    double X[129];    // right edges, X[0] the base layer's width V / f(R)
    double Ratio[128]; // X[i + 1] / X[i]: below it a point is inside for sure
};
const ZigguratLayers &NormalLayers();
double NormalBeyondLayer(RandomBits &bits, double u, int layer); // the rare rest

inline double StandardNormal(RandomBits &bits, const ZigguratLayers &z = NormalLayers())
{
    // The top 53 bits place the point across the layer, the lowest 7 pick it.
    const uint64_t word = bits();
    const double u = 2 * UniformOpen(word) - 1;
    const int i = int(word & 127);
    if (u < z.Ratio[i] && u > -z.Ratio[i])
        return u * z.X[i];
    return NormalBeyondLayer(bits, u, i);
}

// log2 of 1 + j/256 and 256/(256 + j) for the top 8 bits j of a mantissa.
struct Log2Table
{
    double Log2[256];
    double Inverse[256];
};
const Log2Table &Log2Steps();

inline double FastLog2(double x, const Log2Table &t = Log2Steps())
{
    // x = 2^e × (1 + j/256) × (1 + r), |r| < 1/256: log2(1 + r) by four terms of its series.
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const int e = int((bits >> 52) & 0x7FF) - 1023;
    const int j = int((bits >> 44) & 0xFF);
    const double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    const double r = m * t.Inverse[j] - 1;
    const double series = r * (1 - r * (1.0 / 2 - r * (1.0 / 3 - r * (1.0 / 4))));
    return double(e) + t.Log2[j] + series * 1.4426950408889634;
}

// Gamma draws of shape 1 and more (scale 1) by Marsaglia and Tsang's squeeze.
class GammaDraw
{
public:
    explicit GammaDraw(double shape = 1);
    double operator()(RandomBits &bits, const ZigguratLayers &z = NormalLayers(),
                      const Log2Table &logs = Log2Steps()) const
    {
        for (;;) {
            double x, v;
            do {
                x = StandardNormal(bits, z);
                v = 1 + m_c * x;
            } while (v <= 0);
            v = v * v * v;
            const double u = UniformOpen(bits);
            const double x2 = x * x;
            if (u < 1 - 0.0331 * x2 * x2
                || FastLog2(u, logs) < kLog2e * 0.5 * x2 + m_d * (kLog2e * (1 - v) + FastLog2(v, logs)))
                return m_d * v;
        }
    }
    double Shape() const { return m_d + 1.0 / 3.0; }

private:
    static constexpr double kLog2e = 1.4426950408889634;

    double m_d = 0, m_c = 0;
};

// 2^x for x ≤ 0 (to about 1e-9 relative) and log2 of a positive normal number
// (to about 1e-12), by short polynomials and a table: for powers of draws whose
// last digits cannot matter, at a fraction of the library's cost.
inline double FastExp2(double x)
{
    if (!(x > -1020))
        return 0;
    // 2^x = 2^n × e^(r ln 2) with n the nearest whole number, |r| ≤ ½.
    const double n = double(int64_t(x - 0.5)); // x ≤ 0: truncation rounds x − ½ up
    const double y = (x - n) * 0.6931471805599453;
    const double p = 1 + y * (1 + y * (1.0 / 2 + y * (1.0 / 6 + y * (1.0 / 24 + y * (1.0 / 120 + y * (1.0 / 720
                     + y * (1.0 / 5040 + y * (1.0 / 40320))))))));
    return p * std::bit_cast<double>(uint64_t(int64_t(n) + 1023) << 52);
}

// A 64-bit mix of a running hash with one more word (splitmix64's finaliser).
uint64_t MixSeed(uint64_t hash, uint64_t word);
