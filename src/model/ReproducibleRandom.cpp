#include "ReproducibleRandom.h"

#include <cmath>

double ReproducibleLog(double x)
{
    if (!(x > 0))
        return x == 0 ? -HUGE_VAL : std::nan("");
    if (std::isinf(x))
        return x;
    int exponent = 0;
    double m = std::frexp(x, &exponent); // exact: m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2;
        --exponent;
    }
    // log m = 2 atanh(s) with |s| <= 0.172, so the odd powers fall off fast.
    const double s = (m - 1) / (m + 1);
    const double s2 = s * s;
    double term = s, sum = 0;
    for (int i = 1; i <= 29; i += 2) {
        sum += term / i;
        term *= s2;
    }
    return 2 * sum + exponent * 0.69314718055994530942;
}

LogTable::LogTable(int64_t largestCount)
    : m_log(size_t(std::max<int64_t>(largestCount, 0)) + 2)
{
    m_log[0] = -HUGE_VAL;
    for (size_t k = 1; k < m_log.size(); ++k)
        m_log[k] = ReproducibleLog(double(k));
}

namespace {

// log k! − Stirling's approximation of it, exact below 10 and by its series above.
double stirlingTail(int64_t k)
{
    static constexpr double kTail[10] = {0.0810614667953272,  0.0413406959554092,  0.0276779256849983,
                                         0.02079067210376509, 0.0166446911898211,  0.0138761288230707,
                                         0.0118967099458917,  0.0104112652619720,  0.00925546218271273,
                                         0.00833056343336287};
    if (k <= 9)
        return kTail[k];
    const double kp1 = double(k + 1);
    const double kp1sq = kp1 * kp1;
    return (1.0 / 12 - (1.0 / 360 - 1.0 / 1260 / kp1sq) / kp1sq) / kp1;
}

// Below this mean the inversion walks few steps; above it rejection is cheaper.
constexpr double kInversionMean = 10.0;

} // namespace

BinomialDraw::BinomialDraw(double p)
{
    m_certain = !(p > 0 && p < 1);
    m_flipped = p > 0.5;
    m_p = m_flipped ? 1 - p : p;
    m_q = 1 - m_p;
    if (!m_certain) {
        m_odds = m_p / m_q;
        m_logOdds = ReproducibleLog(m_odds);
    }
}

int64_t BinomialDraw::operator()(std::mt19937_64 &engine, int64_t trials, const LogTable &logs) const
{
    if (trials <= 0)
        return 0;
    if (m_certain)
        return m_flipped ? trials : 0;
    const int64_t k = double(trials) * m_p < kInversionMean ? inversion(engine, trials)
                                                            : transformedRejection(engine, trials, logs);
    return m_flipped ? trials - k : k;
}

// Walks the probabilities 0, 1, 2, … until the uniform is used up (for small means).
int64_t BinomialDraw::inversion(std::mt19937_64 &engine, int64_t n) const
{
    // q^n by squaring: exact to a few ulp on every machine.
    double start = 1, base = m_q;
    for (int64_t e = n; e > 0; e >>= 1) {
        if (e & 1)
            start *= base;
        base *= base;
    }
    const double a = double(n + 1) * m_odds;
    const double mean = double(n) * m_p;
    const int64_t bound = std::min<int64_t>(n, int64_t(mean + 10.0 * std::sqrt(mean * m_q + 1.0)) + 1);
    for (;;) {
        double u = UniformOpen(engine);
        double pk = start;
        int64_t k = 0;
        while (u > pk) {
            u -= pk;
            ++k;
            if (k > bound)
                break; // rounding left a sliver of the uniform unused: draw again
            pk *= a / double(k) - m_odds;
        }
        if (k <= bound)
            return k;
    }
}

// Hörmann's transformed rejection with squeeze (BTRS), for means of 10 and more.
int64_t BinomialDraw::transformedRejection(std::mt19937_64 &engine, int64_t n, const LogTable &logs) const
{
    const double dn = double(n);
    const double spq = std::sqrt(dn * m_p * m_q); // sqrt is exactly rounded under IEEE
    const double b = 1.15 + 2.53 * spq;
    const double a = -0.0873 + 0.0248 * b + 0.01 * m_p;
    const double c = dn * m_p + 0.5;
    const double vr = 0.92 - 4.2 / b;
    const double alpha = (2.83 + 5.1 / b) * spq;
    const int64_t m = int64_t(std::floor(double(n + 1) * m_p));
    const double atMode = (double(m) + 0.5) * (logs[m + 1] - m_logOdds - logs[n - m + 1]) + stirlingTail(m)
                          + stirlingTail(n - m);
    for (;;) {
        const double u = UniformOpen(engine) - 0.5;
        double v = UniformOpen(engine);
        const double us = 0.5 - std::fabs(u);
        const double kf = std::floor((2 * a / us + b) * u + c);
        if (kf < 0 || kf > dn)
            continue;
        const int64_t k = int64_t(kf);
        if (us >= 0.07 && v <= vr)
            return k;
        v = ReproducibleLog(v * alpha / (a / (us * us) + b));
        const double bound = atMode + (dn + 1) * (logs[n - m + 1] - logs[n - k + 1])
                             + (double(k) + 0.5) * (m_logOdds + logs[n - k + 1] - logs[k + 1]) - stirlingTail(k)
                             - stirlingTail(n - k);
        if (v <= bound)
            return k;
    }
}
