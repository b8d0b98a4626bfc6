#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Random draws that come out the same on every machine and with every standard
// library: the engine's output is fixed by the C++ standard, and everything built
// on it here uses only IEEE arithmetic (no library distributions, no libm calls
// whose last bit may differ between platforms).

// Uniform on the open interval (0, 1).
inline double UniformOpen(std::mt19937_64 &engine)
{
    return (double(engine() >> 11) + 0.5) * 0x1.0p-53;
}

// 32-bit words, two from each output of the engine: plenty of resolution for
// table look-ups at half the cost of the engine.
class HalfWords
{
public:
    explicit HalfWords(std::mt19937_64 &engine) : m_engine(engine) {}
    uint32_t Next()
    {
        if (m_spare) {
            m_spare = false;
            return uint32_t(m_word >> 32);
        }
        m_word = m_engine();
        m_spare = true;
        return uint32_t(m_word);
    }
    // Uniform on (0, 1) to 2⁻³².
    double Uniform() { return (double(Next()) + 0.5) * 0x1.0p-32; }

private:
    std::mt19937_64 &m_engine;
    uint64_t m_word = 0;
    bool m_spare = false;
};

// Poisson draws of a fixed mean by inversion of a tabulated distribution, with a
// guide table so that a draw costs one uniform and a step or two.
class PoissonTable
{
public:
    explicit PoissonTable(double mean = 0);
    int64_t operator()(std::mt19937_64 &engine) const { return Draw(UniformOpen(engine)); }
    int64_t Draw(double uniform) const;

private:
    int64_t m_first = 0;         // the value of the table's first entry
    std::vector<double> m_cdf;   // cumulative probabilities from m_first on, the last exactly 1
    std::vector<uint32_t> m_guide;
};

// Redraws a set of class counts as a multinomial with the same total and the
// counts' shares as probabilities: the counted drops resampled with replacement.
// For many drops most of the total comes from independent Poisson draws of a
// somewhat smaller mean (kept only when they do not exceed the total), and the
// rest drop by drop; the sum is exactly multinomial either way.
class MultinomialRedraw
{
public:
    explicit MultinomialRedraw(const std::vector<int64_t> &counts = {});
    // Writes one redrawn count per class of the constructor's counts.
    void operator()(HalfWords &words, int64_t *out) const;
    int64_t Total() const { return m_total; }

private:
    size_t drawClass(HalfWords &words) const;

    int64_t m_total = 0;
    std::vector<int64_t> m_upTo;         // cumulative counts
    std::vector<uint16_t> m_classOfDrop; // drop number → class, for totals up to 65 536
    std::vector<PoissonTable> m_poisson; // empty: every drop drawn singly
};
