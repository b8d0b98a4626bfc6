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

// Natural logarithm by a series in IEEE arithmetic only, accurate to a few ulp.
double ReproducibleLog(double x);

// log(k) for k = 0 … n, shared by many binomial draws with counts up to n − 1.
class LogTable
{
public:
    explicit LogTable(int64_t largestCount = 0);
    double operator[](int64_t k) const { return m_log[size_t(k)]; }
    int64_t Largest() const { return int64_t(m_log.size()) - 2; }

private:
    std::vector<double> m_log;
};

// A binomial distribution with fixed success probability, prepared once and then
// drawn from with any number of trials up to the table's largest count.
class BinomialDraw
{
public:
    explicit BinomialDraw(double p = 0);
    int64_t operator()(std::mt19937_64 &engine, int64_t trials, const LogTable &logs) const;

private:
    int64_t inversion(std::mt19937_64 &engine, int64_t n) const;
    int64_t transformedRejection(std::mt19937_64 &engine, int64_t n, const LogTable &logs) const;

    double m_p = 0;     // min(p, 1 − p): both methods want the smaller tail
    double m_q = 1;
    double m_odds = 0;  // p / q
    double m_logOdds = 0;
    bool m_flipped = false;
    bool m_certain = false; // p is 0 or 1
};
