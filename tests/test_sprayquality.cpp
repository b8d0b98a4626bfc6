// Spray quality figures: droplet-size quantiles, counting intervals, the
// interval of corrected mortality and the label verdict.
#include "ModelFixtures.h"
#include "model/MortalityInterval.h"
#include "model/ReproducibleRandom.h"
#include "model/SprayQuality.h"

#include <QtTest>

#include <bit>
#include <cmath>

using ClassCounts = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(LabelLimits)

namespace {

bool sameBits(float a, float b)
{
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

float width(const std::optional<Interval> &i)
{
    return i ? i->High - i->Low : -1.0f;
}

// A set of one slide from (class, count) pairs.
SlideSet oneSlide(std::initializer_list<std::pair<int, int>> counts)
{
    int16_t largest = 0;
    return SetWithSlide(counts, largest);
}

BootstrapSettings quick(int threads = 1)
{
    BootstrapSettings s;
    s.Threads = threads;
    return s;
}

} // namespace

class TestSprayQuality : public QObject
{
    Q_OBJECT

private slots:
    void handWorkedFigures_data();
    void handWorkedFigures();
    void dv05IsTheVmdOnRandomSlides();
    void doublingCountsKeepsDiametersAndNarrowsIntervals();
    void moreDropsNarrowTheInterval();
    void intervalsAreReproducible();
    void singleClassAndEmptySlides();
    void compositeIntervalPoolsPerArea();
    void redrawnCountsAreMultinomial_data();
    void redrawnCountsAreMultinomial();
    void katzInterval_data();
    void katzInterval();
    void labelVerdict_data();
    void labelVerdict();
    void tableRowsMatchTheirSources();
};

void TestSprayQuality::handWorkedFigures_data()
{
    QTest::addColumn<ClassCounts>("counts");
    QTest::addColumn<double>("dv01");
    QTest::addColumn<double>("dv05");
    QTest::addColumn<double>("dv09");
    QTest::addColumn<double>("span");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<double>("below32");

    // 10 drops of 2 EPD and 10 of 4 EPD (14 µm a class): CVF 1/3 at class 2, 1 at class 4.
    // Dv0.1 = 28 × 0.1 / (1/3) = 8.4; Dv0.9 = 28 + 28 × (0.9 − 1/3) / (2/3) = 51.8;
    // span = 43.4 / 35 = 1.24; VMD/NMD = 35 / 17.5; 32 µm = 2.2857 EPD:
    // 1/3 + (2/3) × 0.2857 / 2 = 3/7.
    QTest::newRow("two classes") << ClassCounts{{2, 10}, {4, 10}} << 8.4 << 35.0 << 51.8 << 1.24 << 2.0
                                 << 3.0 / 7.0;
    // One class k: every quantile q × k × 14 from diameter 0, span 1.6, both medians k × 7.
    QTest::newRow("one class") << ClassCounts{{5, 7}} << 7.0 << 35.0 << 63.0 << 1.6 << 1.0
                               << 32.0 / 70.0;
    // All in the top class (280 µm): 32 µm lies between diameter 0 and 280.
    QTest::newRow("top class") << ClassCounts{{20, 3}} << 28.0 << 140.0 << 252.0 << 1.6 << 1.0
                               << 32.0 / 280.0;
}

void TestSprayQuality::handWorkedFigures()
{
    QFETCH(ClassCounts, counts);
    QFETCH(double, dv01);
    QFETCH(double, dv05);
    QFETCH(double, dv09);
    QFETCH(double, span);
    QFETCH(double, ratio);
    QFETCH(double, below32);

    int16_t largest = 0;
    SlideSet set = SetWithSlide({}, largest);
    for (const auto &[k, n] : counts)
        set.Slides[1].Counts[k] = int16_t(n);
    SetDropCount(set, 0, 0, 1, largest);
    const DropSizeFigures f = SlideDropSizeFigures(set, 1);
    QVERIFY2(std::abs(f.Dv01 - dv01) < 1e-4, qPrintable(QString::number(f.Dv01)));
    QVERIFY2(std::abs(f.Dv05 - dv05) < 1e-4, qPrintable(QString::number(f.Dv05)));
    QVERIFY2(std::abs(f.Dv09 - dv09) < 1e-4, qPrintable(QString::number(f.Dv09)));
    QVERIFY(std::abs(f.VolumeBelow32um - below32) < 1e-6);
    if (span >= 0) {
        QVERIFY(std::abs(f.RelativeSpan - span) < 1e-6);
        QVERIFY(std::abs(f.VmdNmdRatio - ratio) < 1e-6);
    }

    // The composite of the one slide gives the same figures.
    CompositeResults c;
    CalcComposite(set, c);
    const DropSizeFigures g = CompositeDropSizeFigures(set, c);
    QVERIFY(std::abs(g.Dv01 - f.Dv01) < 1e-4 && std::abs(g.Dv09 - f.Dv09) < 1e-4);
    QVERIFY(std::abs(g.VolumeBelow32um - f.VolumeBelow32um) < 1e-6);
}

void TestSprayQuality::dv05IsTheVmdOnRandomSlides()
{
    std::mt19937 rng(2026);
    for (int round = 0; round < 40; ++round) {
        int16_t largest = 0;
        const int16_t classes = int16_t(std::uniform_int_distribution<int>(3, 120)(rng));
        const SlideSet set = RandomSet(rng, 12, classes, largest);
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            const DropSizeFigures f = SlideDropSizeFigures(set, i);
            QVERIFY2(sameBits(f.Dv05, set.Slides[i].VMD), qPrintable(QStringLiteral("round %1 slide %2").arg(round).arg(i)));
            QVERIFY(f.Dv01 <= f.Dv05 && f.Dv05 <= f.Dv09);
            QVERIFY(f.VolumeBelow32um >= 0 && f.VolumeBelow32um <= 1);
        }
        CompositeResults c;
        CalcComposite(set, c);
        const DropSizeFigures g = CompositeDropSizeFigures(set, c);
        QVERIFY(sameBits(g.Dv05, c.CompVMD));
        QVERIFY(g.Dv01 <= g.Dv05 && g.Dv05 <= g.Dv09);
    }
}

void TestSprayQuality::doublingCountsKeepsDiametersAndNarrowsIntervals()
{
    std::mt19937 rng(11);
    int16_t largest = 0;
    SlideSet set = RandomSet(rng, 6, 20, largest);
    SlideSet doubled = set;
    for (int16_t i = 1; i <= doubled.SlideCount(); ++i) {
        for (auto &c : doubled.Slides[i].Counts)
            c = int16_t(c * 2);
        SetDropCount(doubled, 0, 0, i, largest);
    }
    const SprayQualityTable a = ComputeSprayQuality(set, {}, quick());
    const SprayQualityTable b = ComputeSprayQuality(doubled, {}, quick());
    auto compareRows = [](const SprayQualityRow &x, const SprayQualityRow &y) {
        QCOMPARE(y.Drops, 2 * x.Drops);
        QVERIFY(sameBits(x.NMD, y.NMD));
        QVERIFY(sameBits(x.Sizes.Dv01, y.Sizes.Dv01) && sameBits(x.Sizes.Dv05, y.Sizes.Dv05)
                && sameBits(x.Sizes.Dv09, y.Sizes.Dv09));
        QVERIFY(sameBits(x.Sizes.VolumeBelow32um, y.Sizes.VolumeBelow32um));
        if (x.Drops == 0)
            return;
        QVERIFY(width(y.Intervals.NMD) < width(x.Intervals.NMD));
        QVERIFY(width(y.Intervals.VMD) < width(x.Intervals.VMD));
        QVERIFY(width(y.Intervals.Dv09) < width(x.Intervals.Dv09));
    };
    for (size_t i = 0; i < a.Slides.size(); ++i) {
        compareRows(a.Slides[i], b.Slides[i]);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("slide %1").arg(i + 1)));
    }
    compareRows(a.Composite, b.Composite);
}

void TestSprayQuality::moreDropsNarrowTheInterval()
{
    // The same spectrum counted to 10 and to 1 000 drops.
    const SlideSet few = oneSlide({{1, 2}, {2, 3}, {3, 3}, {5, 2}});
    const SlideSet many = oneSlide({{1, 200}, {2, 300}, {3, 300}, {5, 200}});
    const LineIntervals a = BootstrapIntervals(few, quick());
    const LineIntervals b = BootstrapIntervals(many, quick());
    QVERIFY(width(b.Slides[1].VMD) < width(a.Slides[1].VMD) / 3);
    QVERIFY(width(b.Slides[1].NMD) < width(a.Slides[1].NMD) / 3);
    QVERIFY(width(b.Slides[1].Dv09) < width(a.Slides[1].Dv09) / 3);
    // With many drops the interval holds the figure it is about.
    QVERIFY(b.Slides[1].VMD->Low < many.Slides[1].VMD && many.Slides[1].VMD < b.Slides[1].VMD->High);
    QVERIFY(b.Slides[1].NMD->Low < many.Slides[1].NMD && many.Slides[1].NMD < b.Slides[1].NMD->High);
}

void TestSprayQuality::intervalsAreReproducible()
{
    std::mt19937 rng(5);
    int16_t largest = 0;
    const SlideSet set = RandomSet(rng, 9, 40, largest);
    BootstrapSettings small = quick(1);
    small.Replicates = 900; // not a whole number of blocks
    const LineIntervals first = BootstrapIntervals(set, small);
    small.Threads = 3;
    const LineIntervals threaded = BootstrapIntervals(set, small);
    small.Threads = 1;
    const LineIntervals again = BootstrapIntervals(set, small);
    QVERIFY(first.Slides == again.Slides && first.Composite == again.Composite);
    QVERIFY(first.Slides == threaded.Slides && first.Composite == threaded.Composite);
    small.Seed += 1;
    const LineIntervals otherSeed = BootstrapIntervals(set, small);
    QVERIFY(!(first.Composite == otherSeed.Composite));
}

void TestSprayQuality::singleClassAndEmptySlides()
{
    SlideSet set = oneSlide({{6, 25}});
    const int16_t empty = AddSlide(set, 5.0f);
    int16_t largest = 0;
    SetDropCount(set, 0, 0, empty, largest);
    const SprayQualityTable t = ComputeSprayQuality(set, {}, quick());
    const SprayQualityRow &one = t.Slides[0];
    QVERIFY(width(one.Intervals.VMD) == 0 && width(one.Intervals.NMD) == 0 && width(one.Intervals.Dv09) == 0);
    QVERIFY(std::abs(one.Intervals.VMD->Low - one.Sizes.Dv05) < 1e-4);

    const SprayQualityRow &none = t.Slides[1];
    QVERIFY(!none.Intervals.VMD && !none.Intervals.NMD && !none.Intervals.Dv09);
    QVERIFY(none.Sizes.Dv01 == 0 && none.Sizes.Dv09 == 0 && none.Sizes.RelativeSpan == 0
            && none.Sizes.VmdNmdRatio == 0 && none.Sizes.VolumeBelow32um == 0);
    // The composite still has its single class; a set without drops has no interval.
    QCOMPARE(width(t.Composite.Intervals.VMD), 0.0f);
    set.Slides[1].Counts[6] = 0;
    SetDropCount(set, 0, 0, 1, largest);
    const SprayQualityTable nothing = ComputeSprayQuality(set, {Interval{}.Low, 100.0f, {}}, quick());
    QVERIFY(!nothing.Composite.Intervals.VMD);
    QVERIFY(!nothing.Verdict);
    QCOMPARE(nothing.Composite.Sizes.Dv09, 0.0f);
}

namespace {

// Chi-square of observed counts against expected probabilities, cells expected
// below 20 pooled with their neighbours; true when far inside the 99.99 % point.
bool fitsDistribution(const std::vector<int> &seen, const std::vector<double> &probability, int draws, QString &why)
{
    double chi = 0, expectedPool = 0, seenPool = 0;
    int cells = 0;
    for (size_t k = 0; k < seen.size(); ++k) {
        expectedPool += draws * probability[k];
        seenPool += seen[k];
        if (expectedPool >= 20 || k + 1 == seen.size()) {
            chi += (seenPool - expectedPool) * (seenPool - expectedPool) / std::max(expectedPool, 1e-9);
            expectedPool = seenPool = 0;
            ++cells;
        }
    }
    const double df = std::max(cells - 1, 1);
    why = QStringLiteral("chi² %1 on %2 cells").arg(chi).arg(cells);
    return chi < df + 6 * std::sqrt(2 * df) + 15;
}

double binomialProbability(int64_t n, int64_t k, double p)
{
    return std::exp(std::lgamma(double(n) + 1) - std::lgamma(double(k) + 1) - std::lgamma(double(n - k) + 1)
                    + double(k) * std::log(p) + double(n - k) * std::log1p(-p));
}

} // namespace

void TestSprayQuality::compositeIntervalPoolsPerArea()
{
    // Two single-class slides redraw to themselves, so the composite interval has
    // no width and sits on the composite figures, the second slide (two sweeps)
    // counting half per drop.
    SlideSet set = oneSlide({{2, 100}});
    const int16_t second = AddSlide(set, 1.0f);
    set.Slides[second].Sweeps = 2;
    ComputeSlideArea(set.Slides[second], set.Params);
    set.Slides[second].Counts[4] = 100;
    int16_t largest = 0;
    SetDropCount(set, 0, 0, second, largest);
    CompositeResults c;
    CalcComposite(set, c);
    const CountingIntervals i = BootstrapIntervals(set, quick()).Composite;
    QVERIFY(i.VMD && i.NMD && i.Dv09);
    QCOMPARE(width(i.VMD), 0.0f);
    QVERIFY2(std::abs(i.VMD->Low - c.CompVMD) < 1e-3, qPrintable(QString::number(i.VMD->Low)));
    QVERIFY(std::abs(i.NMD->Low - c.CompNMD) < 1e-3);
    QVERIFY(std::abs(i.Dv09->Low - CompositeDropSizeFigures(set, c).Dv09) < 1e-3);
}

void TestSprayQuality::redrawnCountsAreMultinomial_data()
{
    QTest::addColumn<QList<qint64>>("counts");
    QTest::newRow("few drops, drawn singly") << QList<qint64>{3, 0, 5, 2};
    QTest::newRow("many drops, Poisson and top-up") << QList<qint64>{400, 0, 150, 30, 1, 900};
    QTest::newRow("beyond the drop table") << QList<qint64>{30000, 20000, 12000, 8000};
    QTest::newRow("one class") << QList<qint64>{0, 77, 0};
}

void TestSprayQuality::redrawnCountsAreMultinomial()
{
    QFETCH(QList<qint64>, counts);
    const std::vector<int64_t> c(counts.begin(), counts.end());
    const MultinomialRedraw redraw(c);
    const int64_t n = redraw.Total();
    std::mt19937_64 engine(3);
    HalfWords words(engine);
    constexpr int kDraws = 40000;
    // Every class on its own is binomial with the class's share.
    std::vector<std::vector<int>> seen(c.size(), std::vector<int>(size_t(n) + 1, 0));
    std::vector<int64_t> out(c.size());
    for (int i = 0; i < kDraws; ++i) {
        redraw(words, out.data());
        int64_t sum = 0;
        for (size_t k = 0; k < c.size(); ++k) {
            QVERIFY(out[k] >= 0);
            sum += out[k];
            ++seen[k][size_t(out[k])];
        }
        QCOMPARE(sum, n);
    }
    for (size_t k = 0; k < c.size(); ++k) {
        const double p = double(c[k]) / double(n);
        if (p == 0 || p == 1) {
            QCOMPARE(seen[k][size_t(c[k])], kDraws);
            continue;
        }
        std::vector<double> probability(size_t(n) + 1);
        for (int64_t x = 0; x <= n; ++x)
            probability[size_t(x)] = binomialProbability(n, x, p);
        QString why;
        QVERIFY2(fitsDistribution(seen[k], probability, kDraws, why),
                 qPrintable(QStringLiteral("class %1: ").arg(k) + why));
    }
}

void TestSprayQuality::katzInterval_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("dead");
    QTest::addColumn<int>("nc");
    QTest::addColumn<int>("deadC");
    QTest::addColumn<double>("low"); // −1: no interval
    QTest::addColumn<double>("high");

    // By hand: St = 20/50, Sc = 45/50, log R = ln(0.4/0.9) = −0.81093,
    // se = √(1/20 − 1/50 + 1/45 − 1/50) = 0.179505, R from 0.31264 to 0.63184.
    QTest::newRow("hand worked") << 50 << 30 << 50 << 5 << 0.36816 << 0.68736;
    // No control deaths: 0.5 added to both cages (5.5/26 against 25.5/26).
    QTest::newRow("control without deaths") << 25 << 20 << 25 << 0 << 0.54611 << 0.89751;
    QTest::newRow("every treated insect dead") << 25 << 25 << 25 << 2 << 0.66788 << 0.99864;
    QTest::newRow("clipped at zero") << 20 << 1 << 20 << 1 << 0.0 << 0.13254;
    QTest::newRow("every control insect dead") << 25 << 10 << 25 << 25 << -1.0 << -1.0;
    QTest::newRow("no cage") << 0 << 0 << 25 << 2 << -1.0 << -1.0;
    QTest::newRow("no control") << 25 << 10 << 0 << 0 << -1.0 << -1.0;
    QTest::newRow("more dead than insects") << 25 << 30 << 25 << 2 << -1.0 << -1.0;
}

void TestSprayQuality::katzInterval()
{
    QFETCH(int, n);
    QFETCH(int, dead);
    QFETCH(int, nc);
    QFETCH(int, deadC);
    QFETCH(double, low);
    QFETCH(double, high);
    const std::optional<Interval> i = CorrectedMortalityInterval(n, dead, nc, deadC);
    if (low < 0) {
        QVERIFY(!i);
        return;
    }
    QVERIFY(i);
    QVERIFY2(std::abs(i->Low - low) < 5e-5, qPrintable(QString::number(i->Low)));
    QVERIFY2(std::abs(i->High - high) < 5e-5, qPrintable(QString::number(i->High)));
}

void TestSprayQuality::labelVerdict_data()
{
    QTest::addColumn<LabelLimits>("limits");
    QTest::addColumn<double>("vmdLow");
    QTest::addColumn<double>("vmdHigh");
    QTest::addColumn<double>("dv09Low");
    QTest::addColumn<double>("dv09High");
    QTest::addColumn<QString>("verdict"); // empty: none

    const LabelLimits ulv{8.0f, 30.0f, 50.0f};
    QTest::newRow("within") << ulv << 12.0 << 20.0 << 30.0 << 45.0 << "within the label limits";
    QTest::newRow("within, on the bounds") << ulv << 8.0 << 30.0 << 30.0 << 49.9 << "within the label limits";
    QTest::newRow("VMD too small") << ulv << 5.0 << 7.9 << 30.0 << 45.0 << "outside the label limits";
    QTest::newRow("Dv0.9 too large") << ulv << 12.0 << 20.0 << 50.0 << 60.0 << "outside the label limits";
    QTest::newRow("outside one, straddling another") << ulv << 25.0 << 35.0 << 51.0 << 60.0
                                                     << "outside the label limits";
    QTest::newRow("VMD straddles") << ulv << 25.0 << 35.0 << 30.0 << 45.0 << "not decided: count more drops";
    QTest::newRow("Dv0.9 straddles") << ulv << 12.0 << 20.0 << 45.0 << 55.0 << "not decided: count more drops";
    QTest::newRow("only Dv0.9 limited") << LabelLimits{{}, {}, 50.0f} << 100.0 << 200.0 << 30.0 << 45.0
                                        << "within the label limits";
    QTest::newRow("no limits") << LabelLimits{} << 12.0 << 20.0 << 30.0 << 45.0 << QString();
}

void TestSprayQuality::labelVerdict()
{
    QFETCH(LabelLimits, limits);
    QFETCH(double, vmdLow);
    QFETCH(double, vmdHigh);
    QFETCH(double, dv09Low);
    QFETCH(double, dv09High);
    QFETCH(QString, verdict);
    const auto v = JudgeLabelLimits(limits, Interval{float(vmdLow), float(vmdHigh)},
                                    Interval{float(dv09Low), float(dv09High)});
    QCOMPARE(v ? LabelVerdictText(*v) : QString(), verdict);
    // Without drops there is nothing to judge.
    QVERIFY(!JudgeLabelLimits(limits, std::nullopt, std::nullopt));
}

void TestSprayQuality::tableRowsMatchTheirSources()
{
    // The table reads every figure from the one calculation of each kind.
    int16_t largest = 0;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    const int16_t second = AddSlide(set, 3.0f);
    set.Slides[second].Counts[3] = 8;
    set.Slides[second].Cage = MortalityCounts{25, 4, 10, 15};
    set.ControlData = MortalityCounts{25, 0, 1, 2};
    SetDropCount(set, 0, 0, second, largest);
    for (int16_t i = 1; i <= set.SlideCount(); ++i)
        ComputeMortality(set.Slides[i], set.ControlData);

    const SprayQualityTable t = ComputeSprayQuality(set, LabelLimits{{}, {}, 500.0f}, quick());
    QCOMPARE(int(t.Slides.size()), 2);
    QCOMPARE(t.Slides[1].Position, 3.0f);
    QCOMPARE(t.Slides[1].Drops, 8);
    QVERIFY(!t.Slides[0].Mortality24hInterval);
    QCOMPARE(t.Slides[1].Mortality24h, set.Slides[2].Mortality24h);
    QCOMPARE(t.Slides[1].Mortality12hInterval, CorrectedMortalityInterval(25, 10, 25, 1));
    QCOMPARE(t.Slides[1].Mortality24hInterval, CorrectedMortalityInterval(25, 15, 25, 2));
    CompositeResults c;
    CalcComposite(set, c);
    QCOMPARE(t.Composite.Drops, 28);
    QCOMPARE(t.Composite.DropDensity, c.AveDropDensity);
    QVERIFY(sameBits(t.Composite.Sizes.Dv05, c.CompVMD));
    QCOMPARE(t.Composite.Intervals, BootstrapIntervals(set, quick()).Composite);
    QCOMPARE(t.Verdict, std::optional<LabelVerdict>(LabelVerdict::Within));
}

QTEST_APPLESS_MAIN(TestSprayQuality)
#include "test_sprayquality.moc"
