// The random draws under the counting intervals, and the drawn intervals
// against a plain reference that draws every class of every replicate with
// the standard library's distributions.
#include "model/CountingIntervals.h"
#include "model/ReproducibleRandom.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// The fraction of `n` draws below `x`, against the expected `p`, within five
// standard errors.
bool shareWithin(int below, int n, double p)
{
    return std::abs(double(below) / n - p) < 5 * std::sqrt(p * (1 - p) / n);
}

// The figure where the cumulative weight first reaches q × total, linear
// between the occupied classes around it, from diameter 0 before the first.
double figureAt(const std::vector<double> &weight, double q, double micronsPerClass)
{
    double total = 0;
    for (double w : weight)
        total += w;
    double cum = 0, prevCum = 0;
    int prev = 0;
    for (size_t k = 1; k < weight.size(); ++k) {
        if (weight[k] == 0)
            continue;
        cum += weight[k];
        if (cum >= q * total)
            return (prev + (int(k) - prev) * std::clamp((q * total - prevCum) / (cum - prevCum), 0.0, 1.0)) * micronsPerClass;
        prevCum = cum;
        prev = int(k);
    }
    return prev * micronsPerClass;
}

double typeSeven(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const double h = (v.size() - 1) * p;
    const size_t lo = size_t(h);
    return v[lo] + (h - lo) * (v[std::min(lo + 1, v.size() - 1)] - v[lo]);
}

// NMD, VMD and Dv0.9 intervals the long way, of one slide or of the composite
// of several of different areas: every class of every slide drawn in every
// replicate, Gamma(count + a) with a = 2 / K shared among the slides; a class
// without drops is Gamma(1 + a) × U^(1/a), empty when U cannot reach a
// millionth of a drop (below (10⁻⁶ / (a + 8))^a).
std::array<Interval, 3> referenceIntervals(const SlideSet &set, const std::vector<int> &slides, int replicates)
{
    const int classes = set.Params.MaxSizeEPD;
    const double a = kPriorDrops / classes / double(slides.size());
    const double micronsPerClass = set.Params.MicronsPerEPD * set.Params.SpreadFactor;
    const double floor = std::pow(1e-6 / (a + 8), a);
    const ClassWeights w = InCloudWeights(set);
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::gamma_distribution<double> prior(1 + a);
    std::vector<double> figures[3];
    std::vector<double> volume(size_t(classes) + 1), number(size_t(classes) + 1);
    for (int r = 0; r < replicates; ++r) {
        for (int k = 1; k <= classes; ++k) {
            double density = 0;
            for (int s : slides) {
                const int count = set.Slides[s].Counts[k];
                const double scale = slides.size() > 1 ? 1.0 / set.Slides[s].Area : 1.0;
                if (count > 0) {
                    density += std::gamma_distribution<double>(count + a)(rng) * scale;
                } else {
                    const double u = uniform(rng);
                    density += u < floor ? 0.0 : prior(rng) * std::pow(u, 1 / a) * scale;
                }
            }
            volume[size_t(k)] = density * w.Volume[size_t(k)];
            number[size_t(k)] = density * w.Number[size_t(k)];
        }
        figures[0].push_back(figureAt(number, 0.5, micronsPerClass));
        figures[1].push_back(figureAt(volume, 0.5, micronsPerClass));
        figures[2].push_back(figureAt(volume, 0.9, micronsPerClass));
    }
    std::array<Interval, 3> out;
    for (int f = 0; f < 3; ++f)
        out[size_t(f)] = Interval{float(typeSeven(figures[f], 0.025)), float(typeSeven(figures[f], 0.975))};
    return out;
}

} // namespace

class TestCountingDraws : public QObject
{
    Q_OBJECT

private slots:
    // Normal and Gamma draws land below known quantiles (scipy.stats,
    // tests/reference/counting_draws_reference.py) as often as they should,
    // the normal's tail beyond the ziggurat's base layer included.
    void drawsFollowTheirDistributions_data()
    {
        QTest::addColumn<double>("shape"); // 0: standard normal
        QTest::addColumn<QList<double>>("quantiles"); // p, x pairs
        QTest::newRow("normal") << 0.0 << QList<double>{0.025, -1.959963984540054, 0.5, 0.0, 0.9997119457438042, 3.442619855899};
        QTest::newRow("Gamma 1.01, one drop") << 1.01
            << QList<double>{0.01, 0.010566101005795152, 0.5, 0.7028311721092324, 0.99, 4.628004976823398};
        QTest::newRow("Gamma 3.5") << 3.5 << QList<double>{0.01, 0.6195211527839649, 0.5, 3.1729055977607574, 0.99, 9.237653453291179};
        QTest::newRow("Gamma 40") << 40.0 << QList<double>{0.01, 26.770038645539362, 0.5, 39.6671650106891, 0.99, 56.16439626014874};
    }
    void drawsFollowTheirDistributions()
    {
        QFETCH(double, shape);
        QFETCH(QList<double>, quantiles);
        RandomBits bits(2026);
        const GammaDraw gamma(shape > 0 ? shape : 1);
        const int n = 400000;
        std::vector<int> below(size_t(quantiles.size() / 2), 0);
        double sum = 0, squares = 0;
        for (int i = 0; i < n; ++i) {
            const double x = shape > 0 ? gamma(bits) : StandardNormal(bits);
            sum += x;
            squares += x * x;
            for (qsizetype q = 0; q < quantiles.size(); q += 2)
                below[size_t(q / 2)] += x < quantiles[q + 1];
        }
        for (qsizetype q = 0; q < quantiles.size(); q += 2)
            QVERIFY2(shareWithin(below[size_t(q / 2)], n, quantiles[q]), qPrintable(QString::number(quantiles[q])));
        // Mean and variance: 0 and 1, or both the shape.
        const double mean = sum / n, variance = squares / n - mean * mean;
        const double expected = shape > 0 ? shape : 0, spread = shape > 0 ? shape : 1;
        QVERIFY2(std::abs(mean - expected) < 5 * std::sqrt(spread / n), qPrintable(QString::number(mean)));
        QVERIFY2(std::abs(variance / spread - 1) < 0.02, qPrintable(QString::number(variance)));
    }

    // The short log2 and 2^x agree with the library's to their stated accuracy
    // over the ranges the draws use, subnormal results of 2^x as 0.
    void fastLogAndPower()
    {
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> exponent(-300, 300), unit(0, 1), power(-1100, 0);
        for (int i = 0; i < 200000; ++i) {
            const double x = i % 2 ? std::pow(10.0, exponent(rng)) : std::max(unit(rng), 1e-300);
            QVERIFY2(std::abs(FastLog2(x) - std::log2(x)) < 1e-11, qPrintable(QString::number(x, 'g', 17)));
            const double y = power(rng);
            const double want = y > -1020 ? std::exp2(y) : 0.0;
            QVERIFY2(std::abs(FastExp2(y) - want) <= 1e-9 * want, qPrintable(QString::number(y, 'g', 17)));
        }
        QCOMPARE(FastExp2(0), 1.0);
        QCOMPARE(FastExp2(-1), 0.5);
        QCOMPARE(FastLog2(1), 0.0);
        QCOMPARE(FastLog2(0.25), -2.0);
    }

    // The drawn intervals agree with the long way within their Monte-Carlo
    // error (ends within 6 % of the width, about four standard errors of the
    // difference at 4 000 draws each): classes without drops are occupied, and
    // weigh, as often as the prior says.
    void drawnIntervalsMatchTheLongWay_data()
    {
        QTest::addColumn<int>("classes");
        QTest::addColumn<QList<QList<int>>>("slides"); // per slide: sweeps, then class, count pairs
        QTest::newRow("75 drops over 20 classes")
            << 20 << QList<QList<int>>{{1, 1, 2, 2, 9, 3, 18, 4, 20, 5, 12, 6, 7, 7, 4, 8, 2, 10, 1}};
        QTest::newRow("60 drops with gaps over 200 classes")
            << 200 << QList<QList<int>>{{1, 20, 3, 24, 6, 30, 9, 33, 10, 38, 9, 45, 8, 52, 6, 61, 4, 75, 3, 90, 2}};
        QTest::newRow("20 drops in one class of 40") << 40 << QList<QList<int>>{{1, 12, 20}};
        // Slides of one and of three sweeps: the composite adds densities.
        QTest::newRow("composite of two areas")
            << 20 << QList<QList<int>>{{1, 2, 6, 3, 10, 5, 4, 6, 3}, {3, 3, 4, 4, 12, 6, 9, 9, 5, 12, 2}};
    }
    void drawnIntervalsMatchTheLongWay()
    {
        QFETCH(int, classes);
        QFETCH(QList<QList<int>>, slides);
        SlideSet set;
        int16_t largest = 0;
        set.Params.MaxSizeEPD = int16_t(classes);
        ResizeClassArrays(set, largest);
        std::vector<int> indexes;
        for (const QList<int> &counts : slides) {
            const int16_t index = AddSlide(set, float(indexes.size()));
            set.Slides[index].Sweeps = float(counts[0]);
            ComputeSlideArea(set.Slides[index], set.Params);
            for (qsizetype i = 1; i < counts.size(); i += 2)
                set.Slides[index].Counts[size_t(counts[i])] = int16_t(counts[i + 1]);
            SetDropCount(set, 0, 0, index, largest);
            indexes.push_back(index);
        }

        const int replicates = 4000;
        const std::array<Interval, 3> want = referenceIntervals(set, indexes, replicates);
        const LineIntervals line = BootstrapIntervals(set, BootstrapSettings{.Replicates = replicates, .Threads = 1});
        const CountingIntervals &got = indexes.size() > 1 ? line.Composite : line.Slides[1];
        const char *names[] = {"NMD", "VMD", "Dv0.9"};
        const std::optional<Interval> *all[] = {&got.NMD, &got.VMD, &got.Dv09};
        for (int f = 0; f < 3; ++f) {
            QVERIFY(all[f]->has_value());
            const Interval &g = **all[f], &w = want[size_t(f)];
            const double tolerance = 0.06 * (w.High - w.Low);
            QVERIFY2(std::abs(g.Low - w.Low) < tolerance && std::abs(g.High - w.High) < tolerance,
                     qPrintable(QStringLiteral("%1: [%2, %3] against [%4, %5]")
                                    .arg(QLatin1String(names[f])).arg(g.Low).arg(g.High).arg(w.Low).arg(w.High)));
        }
    }
};

QTEST_APPLESS_MAIN(TestCountingDraws)
#include "test_counting_draws.moc"
