#include "ReproducibleRandom.h"

#include <algorithm>
#include <cmath>

PoissonTable::PoissonTable(double mean)
{
    if (!(mean > 0)) {
        m_cdf = {1.0};
        m_guide = {0};
        return;
    }
    // Probabilities relative to the mode by their ratios μ/(k+1) alone, out to
    // where they fall below 1e-18 of the mode's.
    constexpr double kNegligible = 1e-18;
    const int64_t mode = int64_t(std::floor(mean));
    std::vector<double> below, above;
    for (double w = 1; mode - int64_t(below.size()) > 0;) {
        w *= double(mode - int64_t(below.size())) / mean;
        if (w < kNegligible)
            break;
        below.push_back(w);
    }
    for (double w = 1;;) {
        w *= mean / double(mode + int64_t(above.size()) + 1);
        if (w < kNegligible)
            break;
        above.push_back(w);
    }
    std::vector<double> weights(below.rbegin(), below.rend());
    weights.push_back(1.0);
    weights.insert(weights.end(), above.begin(), above.end());
    m_first = mode - int64_t(below.size());

    double total = 0;
    for (double w : weights)
        total += w;
    m_cdf.resize(weights.size());
    double running = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        running += weights[i];
        m_cdf[i] = running / total;
    }
    m_cdf.back() = 1.0;

    // Four guide entries per value: a draw nearly always lands on its answer at once.
    const size_t g = 4 * m_cdf.size();
    m_guide.resize(g);
    size_t i = 0;
    for (size_t j = 0; j < g; ++j) {
        while (m_cdf[i] < double(j) / double(g))
            ++i;
        m_guide[j] = uint32_t(i);
    }
}

int64_t PoissonTable::Draw(double u) const
{
    size_t i = m_guide[std::min(size_t(u * double(m_guide.size())), m_guide.size() - 1)];
    while (m_cdf[i] < u)
        ++i;
    return m_first + int64_t(i);
}

MultinomialRedraw::MultinomialRedraw(const std::vector<int64_t> &counts)
{
    for (int64_t c : counts) {
        m_total += std::max<int64_t>(c, 0);
        m_upTo.push_back(m_total);
    }
    if (m_total <= 65536) {
        m_classOfDrop.resize(size_t(m_total));
        size_t drop = 0;
        for (size_t k = 0; k < counts.size(); ++k)
            for (int64_t c = 0; c < counts[k]; ++c)
                m_classOfDrop[drop++] = uint16_t(k);
    }
    // The Poisson part pays once the drops far outnumber the classes. Its mean
    // sits 2.5 standard deviations below the total, so about one set of draws in
    // 160 overshoots and is drawn again.
    const double n = double(m_total);
    const double mean = n - 2.5 * std::sqrt(n);
    if (m_total >= int64_t(2 * counts.size()) + 16 && mean > 0)
        for (int64_t c : counts)
            m_poisson.emplace_back(mean * double(std::max<int64_t>(c, 0)) / n);
}

size_t MultinomialRedraw::drawClass(HalfWords &words) const
{
    // A drop number 0 … total − 1 by scaling a 32-bit word (totals stay far below 2³²).
    const int64_t drop = int64_t((uint64_t(words.Next()) * uint64_t(m_total)) >> 32);
    if (!m_classOfDrop.empty())
        return m_classOfDrop[size_t(drop)];
    return size_t(std::upper_bound(m_upTo.begin(), m_upTo.end(), drop) - m_upTo.begin());
}

void MultinomialRedraw::operator()(HalfWords &words, int64_t *out) const
{
    const size_t classes = m_upTo.size();
    int64_t drawn = 0;
    if (!m_poisson.empty()) {
        do {
            drawn = 0;
            for (size_t k = 0; k < classes; ++k) {
                out[k] = m_poisson[k].Draw(words.Uniform());
                drawn += out[k];
            }
        } while (drawn > m_total);
    } else {
        std::fill(out, out + classes, int64_t(0));
    }
    for (; drawn < m_total; ++drawn)
        ++out[drawClass(words)];
}
