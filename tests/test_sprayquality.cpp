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
Q_DECLARE_METATYPE(Interval)

namespace {

bool sameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
float width(const std::optional<Interval> &i) { return i ? i->High - i->Low : -1.0f; }

#define CLOSE_TO(a, b, tolerance) QVERIFY2(std::abs((a) - (b)) < (tolerance), qPrintable(#a " is " + QString::number(a)))

const BootstrapSettings kOneThread{.Threads = 1};

} // namespace

class TestSprayQuality : public QObject
{
    Q_OBJECT

private slots:
    void handWorkedFigures()
    {
        // 10 drops of 2 EPD and 10 of 4 EPD (14 µm a class): CVF 1/3 at class 2, 1 at class 4.
        // Dv0.1 = 28 × 0.1 / (1/3) = 8.4; Dv0.9 = 28 + 28 × (0.9 − 1/3) / (2/3) = 51.8; span = 43.4 / 35
        // = 1.24; VMD/NMD = 35 / 17.5; 32 µm = 2.2857 EPD: 1/3 + (2/3) × 0.2857 / 2 = 3/7.
        int16_t largest = 0;
        const SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
        const DropSizeFigures f = SlideDropSizeFigures(set, 1);
        CLOSE_TO(f.Dv01, 8.4, 1e-4);
        CLOSE_TO(f.Dv05, 35.0, 1e-4);
        CLOSE_TO(f.Dv09, 51.8, 1e-4);
        CLOSE_TO(f.VolumeBelow32um, 3.0 / 7.0, 1e-6);
        CLOSE_TO(f.RelativeSpan, 1.24, 1e-6);
        CLOSE_TO(f.VmdNmdRatio, 2.0, 1e-6);
        // The composite of the one slide gives the same figures.
        CompositeResults c;
        CalcComposite(set, c);
        const DropSizeFigures g = CompositeDropSizeFigures(set, c);
        QVERIFY(std::abs(g.Dv01 - f.Dv01) < 1e-4 && std::abs(g.Dv09 - f.Dv09) < 1e-4
                && std::abs(g.VolumeBelow32um - f.VolumeBelow32um) < 1e-6);
    }

    void dv05IsTheVmdOnRandomSlides()
    {
        std::mt19937 rng(2026);
        for (int round = 0; round < 40; ++round) {
            int16_t largest = 0;
            const SlideSet set = RandomSet(rng, 12, int16_t(std::uniform_int_distribution<int>(3, 120)(rng)), largest);
            for (int16_t i = 1; i <= set.SlideCount(); ++i) {
                const DropSizeFigures f = SlideDropSizeFigures(set, i);
                QVERIFY2(sameBits(f.Dv05, set.Slides[i].VMD), qPrintable(QStringLiteral("round %1 slide %2").arg(round).arg(i)));
                QVERIFY(f.Dv01 <= f.Dv05 && f.Dv05 <= f.Dv09 && f.VolumeBelow32um >= 0 && f.VolumeBelow32um <= 1);
            }
            CompositeResults c;
            CalcComposite(set, c);
            QVERIFY(sameBits(CompositeDropSizeFigures(set, c).Dv05, c.CompVMD));
        }
    }

    // Twice the counts: the same diameters to the bit, narrower intervals on every row.
    void doublingCountsKeepsDiametersAndNarrowsIntervals()
    {
        std::mt19937 rng(11);
        int16_t largest = 0;
        const SlideSet set = RandomSet(rng, 6, 20, largest);
        SlideSet doubled = set;
        for (int16_t i = 1; i <= doubled.SlideCount(); ++i) {
            for (auto &c : doubled.Slides[i].Counts)
                c = int16_t(c * 2);
            SetDropCount(doubled, 0, 0, i, largest);
        }
        const SprayQualityTable a = ComputeSprayQuality(set, {}, kOneThread);
        const SprayQualityTable b = ComputeSprayQuality(doubled, {}, kOneThread);
        auto compareRows = [](const SprayQualityRow &x, const SprayQualityRow &y) {
            QCOMPARE(y.Drops, 2 * x.Drops);
            QVERIFY(sameBits(x.NMD, y.NMD) && sameBits(x.Sizes.Dv01, y.Sizes.Dv01) && sameBits(x.Sizes.Dv05, y.Sizes.Dv05)
                    && sameBits(x.Sizes.Dv09, y.Sizes.Dv09) && sameBits(x.Sizes.VolumeBelow32um, y.Sizes.VolumeBelow32um));
            QVERIFY(x.Drops == 0 || (width(y.Intervals.NMD) < width(x.Intervals.NMD) && width(y.Intervals.VMD) < width(x.Intervals.VMD)
                                     && width(y.Intervals.Dv09) < width(x.Intervals.Dv09)));
        };
        for (size_t i = 0; i < a.Slides.size(); ++i)
            compareRows(a.Slides[i], b.Slides[i]);
        compareRows(a.Composite, b.Composite);
    }

    // The same seed gives the same intervals on any number of threads; another seed does not.
    void intervalsAreReproducible()
    {
        std::mt19937 rng(5);
        int16_t largest = 0;
        const SlideSet set = RandomSet(rng, 9, 40, largest);
        BootstrapSettings small = kOneThread;
        small.Replicates = 900; // not a whole number of blocks
        const LineIntervals first = BootstrapIntervals(set, small);
        for (int threads : {3, 1}) {
            small.Threads = threads;
            const LineIntervals again = BootstrapIntervals(set, small);
            QVERIFY(first.Slides == again.Slides && first.Composite == again.Composite);
        }
        small.Seed += 1;
        QVERIFY(!(first.Composite == BootstrapIntervals(set, small).Composite));
    }

    // Two single-class slides redraw to themselves, so the composite interval has no
    // width and sits on the composite figures, the second slide (two sweeps) counting
    // half per drop.
    void compositeIntervalPoolsPerArea()
    {
        int16_t largest = 0;
        SlideSet set = SetWithSlide({{2, 100}}, largest);
        const int16_t second = AddSlide(set, 1.0f);
        set.Slides[second].Sweeps = 2;
        ComputeSlideArea(set.Slides[second], set.Params);
        set.Slides[second].Counts[4] = 100;
        SetDropCount(set, 0, 0, second, largest);
        CompositeResults c;
        CalcComposite(set, c);
        const CountingIntervals i = BootstrapIntervals(set, kOneThread).Composite;
        QVERIFY(i.VMD && i.NMD && i.Dv09);
        QCOMPARE(width(i.VMD), 0.0f);
        CLOSE_TO(i.VMD->Low, c.CompVMD, 1e-3);
        CLOSE_TO(i.NMD->Low, c.CompNMD, 1e-3);
        CLOSE_TO(i.Dv09->Low, CompositeDropSizeFigures(set, c).Dv09, 1e-3);
    }

    void katzInterval_data()
    {
        QTest::addColumn<QList<int>>("cages"); // treated insects, dead; control insects, dead
        QTest::addColumn<double>("low");       // −1: no interval
        QTest::addColumn<double>("high");
        // By hand: St = 20/50, Sc = 45/50, log R = ln(0.4/0.9) = −0.81093,
        // se = √(1/20 − 1/50 + 1/45 − 1/50) = 0.179505, R from 0.31264 to 0.63184.
        QTest::newRow("hand worked") << QList<int>{50, 30, 50, 5} << 0.36816 << 0.68736;
        // No control deaths: 0.5 added to both cages (5.5/26 against 25.5/26).
        QTest::newRow("control without deaths") << QList<int>{25, 20, 25, 0} << 0.54611 << 0.89751;
        QTest::newRow("clipped at zero") << QList<int>{20, 1, 20, 1} << 0.0 << 0.13254;
        QTest::newRow("every control insect dead") << QList<int>{25, 10, 25, 25} << -1.0 << -1.0;
        QTest::newRow("more dead than insects") << QList<int>{25, 30, 25, 2} << -1.0 << -1.0;
    }
    void katzInterval()
    {
        QFETCH(QList<int>, cages);
        QFETCH(double, low);
        QFETCH(double, high);
        const std::optional<Interval> i = CorrectedMortalityInterval(cages[0], cages[1], cages[2], cages[3]);
        QCOMPARE(i.has_value(), low >= 0);
        CLOSE_TO(i ? i->Low : low, low, 5e-5);
        CLOSE_TO(i ? i->High : high, high, 5e-5);
    }

    void labelVerdict_data()
    {
        QTest::addColumn<LabelLimits>("limits");
        QTest::addColumn<Interval>("vmd");
        QTest::addColumn<Interval>("dv09");
        QTest::addColumn<QString>("verdict"); // empty: none
        const LabelLimits ulv{8.0f, 30.0f, 50.0f};
        QTest::newRow("within") << ulv << Interval{12, 20} << Interval{30, 45} << "within the label limits";
        QTest::newRow("VMD too small") << ulv << Interval{5, 7.9f} << Interval{30, 45} << "outside the label limits";
        QTest::newRow("Dv0.9 too large") << ulv << Interval{12, 20} << Interval{50, 60} << "outside the label limits";
        QTest::newRow("VMD straddles") << ulv << Interval{25, 35} << Interval{30, 45} << "not decided: count more drops";
        QTest::newRow("only Dv0.9 limited") << LabelLimits{{}, {}, 50.0f} << Interval{100, 200} << Interval{30, 45}
                                            << "within the label limits";
        QTest::newRow("no limits") << LabelLimits{} << Interval{12, 20} << Interval{30, 45} << QString();
    }
    void labelVerdict()
    {
        QFETCH(LabelLimits, limits);
        QFETCH(Interval, vmd);
        QFETCH(Interval, dv09);
        QFETCH(QString, verdict);
        const auto v = JudgeLabelLimits(limits, vmd, dv09);
        QCOMPARE(v ? LabelVerdictText(*v) : QString(), verdict);
        QVERIFY(!JudgeLabelLimits(limits, std::nullopt, std::nullopt)); // without drops nothing to judge
    }
};

QTEST_APPLESS_MAIN(TestSprayQuality)
#include "test_sprayquality.moc"
