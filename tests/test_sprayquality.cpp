// Spray quality figures: droplet-size quantiles, counting intervals, the
// interval of corrected mortality and the label verdict.
#include "ModelFixtures.h"
#include "model/MortalityInterval.h"
#include "model/ReproducibleRandom.h"
#include "model/SprayQuality.h"

#include <QtTest>

#include <bit>
#include <cmath>

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
    void handWorkedFigures();
    void dv05IsTheVmdOnRandomSlides();
    void doublingCountsKeepsDiametersAndNarrowsIntervals();
    void moreDropsNarrowTheInterval();
    void intervalsAreReproducible();
    void compositeIntervalPoolsPerArea();
    void katzInterval_data();
    void katzInterval();
    void labelVerdict_data();
    void labelVerdict();
};

void TestSprayQuality::handWorkedFigures()
{
    // 10 drops of 2 EPD and 10 of 4 EPD (14 µm a class): CVF 1/3 at class 2, 1 at class 4.
    // Dv0.1 = 28 × 0.1 / (1/3) = 8.4; Dv0.9 = 28 + 28 × (0.9 − 1/3) / (2/3) = 51.8;
    // span = 43.4 / 35 = 1.24; VMD/NMD = 35 / 17.5; 32 µm = 2.2857 EPD:
    // 1/3 + (2/3) × 0.2857 / 2 = 3/7.
    const SlideSet set = oneSlide({{2, 10}, {4, 10}});
    const DropSizeFigures f = SlideDropSizeFigures(set, 1);
    QVERIFY2(std::abs(f.Dv01 - 8.4) < 1e-4, qPrintable(QString::number(f.Dv01)));
    QVERIFY2(std::abs(f.Dv05 - 35.0) < 1e-4, qPrintable(QString::number(f.Dv05)));
    QVERIFY2(std::abs(f.Dv09 - 51.8) < 1e-4, qPrintable(QString::number(f.Dv09)));
    QVERIFY(std::abs(f.VolumeBelow32um - 3.0 / 7.0) < 1e-6);
    QVERIFY(std::abs(f.RelativeSpan - 1.24) < 1e-6);
    QVERIFY(std::abs(f.VmdNmdRatio - 2.0) < 1e-6);

    // The composite of the one slide gives the same figures.
    CompositeResults c;
    CalcComposite(set, c);
    const DropSizeFigures g = CompositeDropSizeFigures(set, c);
    QVERIFY(std::abs(g.Dv01 - f.Dv01) < 1e-4 && std::abs(g.Dv09 - f.Dv09) < 1e-4
            && std::abs(g.VolumeBelow32um - f.VolumeBelow32um) < 1e-6);
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
                && sameBits(x.Sizes.Dv09, y.Sizes.Dv09) && sameBits(x.Sizes.VolumeBelow32um, y.Sizes.VolumeBelow32um));
        if (x.Drops == 0)
            return;
        QVERIFY(width(y.Intervals.NMD) < width(x.Intervals.NMD) && width(y.Intervals.VMD) < width(x.Intervals.VMD)
                && width(y.Intervals.Dv09) < width(x.Intervals.Dv09));
    };
    for (size_t i = 0; i < a.Slides.size(); ++i)
        compareRows(a.Slides[i], b.Slides[i]);
    compareRows(a.Composite, b.Composite);
}

void TestSprayQuality::moreDropsNarrowTheInterval()
{
    // The same spectrum counted to 10 and to 1 000 drops.
    const SlideSet few = oneSlide({{1, 2}, {2, 3}, {3, 3}, {5, 2}});
    const SlideSet many = oneSlide({{1, 200}, {2, 300}, {3, 300}, {5, 200}});
    const LineIntervals a = BootstrapIntervals(few, quick());
    const LineIntervals b = BootstrapIntervals(many, quick());
    QVERIFY(width(b.Slides[1].VMD) < width(a.Slides[1].VMD) / 3 && width(b.Slides[1].NMD) < width(a.Slides[1].NMD) / 3
            && width(b.Slides[1].Dv09) < width(a.Slides[1].Dv09) / 3);
    // With many drops the interval holds the figure it is about.
    QVERIFY(b.Slides[1].VMD->Low < many.Slides[1].VMD && many.Slides[1].VMD < b.Slides[1].VMD->High);
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
    QVERIFY(!(first.Composite == BootstrapIntervals(set, small).Composite));
}

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
    QTest::newRow("clipped at zero") << 20 << 1 << 20 << 1 << 0.0 << 0.13254;
    QTest::newRow("every control insect dead") << 25 << 10 << 25 << 25 << -1.0 << -1.0;
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
    QTest::newRow("VMD too small") << ulv << 5.0 << 7.9 << 30.0 << 45.0 << "outside the label limits";
    QTest::newRow("Dv0.9 too large") << ulv << 12.0 << 20.0 << 50.0 << 60.0 << "outside the label limits";
    QTest::newRow("VMD straddles") << ulv << 25.0 << 35.0 << 30.0 << 45.0 << "not decided: count more drops";
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

QTEST_APPLESS_MAIN(TestSprayQuality)
#include "test_sprayquality.moc"
