// Spray quality figures: droplet-size quantiles, counting intervals, the
// interval of corrected mortality and the label verdict.
#include "ModelFixtures.h"
#include "model/MortalityInterval.h"
#include "model/ReproducibleRandom.h"
#include "model/SprayQuality.h"
#include "model/SprayQualityText.h"

#include <QtTest>

#include <algorithm>
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

    // Twice the counts: the same diameters to the bit, and narrower intervals
    // on every row whose interval is found the same way (drawn or computed)
    // before and after; sparse slides stay drawn, full ones computed.
    void doublingCountsKeepsDiametersAndNarrowsIntervals_data()
    {
        QTest::addColumn<int>("divisor"); // of the random counts
        QTest::newRow("drawn") << 8;
        QTest::newRow("computed") << 1;
    }
    void doublingCountsKeepsDiametersAndNarrowsIntervals()
    {
        QFETCH(int, divisor);
        std::mt19937 rng(11);
        int16_t largest = 0;
        SlideSet set = RandomSet(rng, 6, 20, largest);
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            for (auto &c : set.Slides[i].Counts)
                c = int16_t((c + divisor - 1) / divisor);
            SetDropCount(set, 0, 0, i, largest);
        }
        SlideSet doubled = set;
        for (int16_t i = 1; i <= doubled.SlideCount(); ++i) {
            for (auto &c : doubled.Slides[i].Counts)
                c = int16_t(c * 2);
            SetDropCount(doubled, 0, 0, i, largest);
        }
        const SprayQualityTable a = ComputeSprayQuality(set, {}, kOneThread);
        const SprayQualityTable b = ComputeSprayQuality(doubled, {}, kOneThread);
        int compared = 0;
        auto compareRows = [&](const SprayQualityRow &x, const SprayQualityRow &y) {
            QCOMPARE(y.Drops, 2 * x.Drops);
            QVERIFY(sameBits(x.NMD, y.NMD) && sameBits(x.Sizes.Dv01, y.Sizes.Dv01) && sameBits(x.Sizes.Dv05, y.Sizes.Dv05)
                    && sameBits(x.Sizes.Dv09, y.Sizes.Dv09) && sameBits(x.Sizes.VolumeBelow32um, y.Sizes.VolumeBelow32um));
            if (x.Drops < kMinimumDrops || (x.Drops < kDrawnBelow) != (y.Drops < kDrawnBelow))
                return;
            ++compared;
            QVERIFY(width(y.Intervals.NMD) < width(x.Intervals.NMD) && width(y.Intervals.VMD) < width(x.Intervals.VMD)
                    && width(y.Intervals.Dv09) < width(x.Intervals.Dv09));
        };
        for (size_t i = 0; i < a.Slides.size(); ++i)
            compareRows(a.Slides[i], b.Slides[i]);
        compareRows(a.Composite, b.Composite);
        QVERIFY(compared >= 4);
    }

    // The same seed gives the same intervals on any number of threads; another
    // seed does not; deleting a slide leaves the others' intervals as they were.
    void intervalsAreReproducible()
    {
        std::mt19937 rng(5);
        int16_t largest = 0;
        SlideSet set = RandomSet(rng, 9, 40, largest);
        for (int16_t i = 1; i <= set.SlideCount(); ++i) { // sparse enough to be drawn
            for (auto &c : set.Slides[i].Counts)
                c = int16_t((c + 7) / 8);
            SetDropCount(set, 0, 0, i, largest);
        }
        BootstrapSettings small = kOneThread;
        small.Replicates = 900;
        const LineIntervals first = BootstrapIntervals(set, small);
        for (int threads : {3, 1}) {
            small.Threads = threads;
            const LineIntervals again = BootstrapIntervals(set, small);
            QVERIFY(first.Slides == again.Slides && first.Composite == again.Composite);
        }
        small.Seed += 1;
        QVERIFY(!(first.Slides == BootstrapIntervals(set, small).Slides));
        small.Seed -= 1;
        RemoveSlide(set, 2);
        const LineIntervals fewer = BootstrapIntervals(set, small);
        for (int i = 3; i <= 9; ++i)
            QVERIFY2(fewer.Slides[size_t(i - 1)] == first.Slides[size_t(i)], qPrintable(QString::number(i)));
    }

    // From the cut on the interval is computed: a slide of 120 drops over the
    // default reticule, and its composite with a 76-drop slide of three sweeps,
    // against the same intervals worked out in R
    // (tests/reference/spray_quality_reference.R).
    void computedIntervalMatchesAWorkedExample_data()
    {
        QTest::addColumn<bool>("composite");
        QTest::addColumn<QList<double>>("ends"); // NMD, VMD, Dv0.9: low, high
        QTest::newRow("slide") << false
                               << QList<double>{44.09845479, 58.51409366, 70.73335164, 81.35164237, 105.3866345, 146.1443073};
        QTest::newRow("composite of two areas")
            << true << QList<double>{46.32120393, 58.28467798, 71.53156978, 80.23524059, 105.3063125, 132.6721534};
    }
    void computedIntervalMatchesAWorkedExample()
    {
        QFETCH(bool, composite);
        QFETCH(QList<double>, ends);
        int16_t largest = 0;
        SlideSet set = SetWithSlide({{2, 3}, {3, 10}, {4, 22}, {5, 30}, {6, 25}, {7, 15}, {8, 8}, {9, 4}, {10, 2}, {11, 1}},
                                    largest);
        QCOMPARE(set.Cloud.Method, CloudMethod::Diameter2);
        if (composite) {
            const int16_t second = AddSlide(set, 1.0f);
            set.Slides[second].Sweeps = 3;
            ComputeSlideArea(set.Slides[second], set.Params);
            for (const auto &[k, n] : {std::pair{2, 1}, {3, 5}, {4, 12}, {5, 20}, {6, 18}, {7, 10}, {8, 6}, {9, 3}, {10, 1}})
                set.Slides[second].Counts[size_t(k)] = int16_t(n);
            SetDropCount(set, 0, 0, second, largest);
        }
        const LineIntervals line = BootstrapIntervals(set, kOneThread);
        const CountingIntervals &i = composite ? line.Composite : line.Slides[1];
        const std::optional<Interval> *all[] = {&i.NMD, &i.VMD, &i.Dv09};
        for (int f = 0; f < 3; ++f) {
            QVERIFY(all[f]->has_value());
            CLOSE_TO((*all[f])->Low, ends[2 * f], 1e-3);
            CLOSE_TO((*all[f])->High, ends[2 * f + 1], 1e-3);
        }
    }

    // The error a drawn interval states for its ends is what another seed does
    // to them: within a factor of two of the spread over 40 seeds, on a sparse
    // slide with gaps and on a smooth one; a computed interval states none.
    void drawErrorIsTheSeedSpread_data()
    {
        QTest::addColumn<QList<int>>("counts"); // class, count pairs on one slide
        QTest::newRow("sparse, gaps, 40 drops") << QList<int>{2, 6, 3, 9, 5, 8, 6, 7, 9, 5, 12, 3, 15, 2};
        QTest::newRow("smooth, 99 drops") << QList<int>{1, 10, 2, 20, 3, 25, 4, 20, 5, 12, 6, 7, 7, 3, 8, 2};
    }
    void drawErrorIsTheSeedSpread()
    {
        QFETCH(QList<int>, counts);
        int16_t largest = 0;
        SlideSet set = SetWithSlide({}, largest);
        for (qsizetype i = 0; i < counts.size(); i += 2)
            set.Slides[1].Counts[size_t(counts[i])] = int16_t(counts[i + 1]);
        SetDropCount(set, 0, 0, 1, largest);
        BootstrapSettings settings = kOneThread;
        const auto sd = [](const std::vector<double> &v) {
            double mean = 0, sum = 0;
            for (double x : v)
                mean += x / double(v.size());
            for (double x : v)
                sum += (x - mean) * (x - mean);
            return std::sqrt(sum / double(v.size() - 1));
        };
        for (auto figure : {&CountingIntervals::VMD, &CountingIntervals::Dv09}) {
            std::vector<double> lows, highs, stated;
            for (int seed = 0; seed < 40; ++seed) {
                settings.Seed = 0x5EED0000u + uint64_t(seed);
                const Interval i = *(BootstrapIntervals(set, settings).Slides[1].*figure);
                lows.push_back(i.Low);
                highs.push_back(i.High);
                stated.push_back(i.DrawError);
            }
            const double seen = std::max(sd(lows), sd(highs));
            std::sort(stated.begin(), stated.end());
            const double typical = stated[stated.size() / 2];
            QVERIFY2(seen > 0 && typical > seen / 2 && typical < seen * 2,
                     qPrintable(QStringLiteral("stated %1, seen %2").arg(typical).arg(seen)));
        }

        // At the cut: a drop short of it still drawn, the cut itself computed, no draws.
        int others = 0;
        for (size_t k = 2; k < set.Slides[1].Counts.size(); ++k)
            others += set.Slides[1].Counts[k];
        set.Slides[1].Counts[1] = int16_t(kDrawnBelow - 1 - others);
        SetDropCount(set, 0, 0, 1, largest);
        QVERIFY(BootstrapIntervals(set, settings).Slides[1].Dv09->DrawError > 0);
        ++set.Slides[1].Counts[1];
        SetDropCount(set, 0, 0, 1, largest);
        QCOMPARE(BootstrapIntervals(set, settings).Slides[1].Dv09->DrawError, 0.0f);
    }

    // Ends are written whole while the draws make them sure to half a unit, and
    // to a coarser step of 2, 5 or 10 when they do not, always rounded outwards.
    void endsWrittenToTheirError_data()
    {
        QTest::addColumn<float>("error");
        QTest::addColumn<QString>("low");
        QTest::addColumn<QString>("high");
        QTest::newRow("computed") << 0.0f << "63" << "113";
        QTest::newRow("sure to half a unit") << 0.5f << "63" << "113";
        QTest::newRow("step 2") << 0.6f << "62" << "114";
        QTest::newRow("step 5") << 2.4f << "60" << "115";
        QTest::newRow("step 10") << 2.6f << "60" << "120";
        QTest::newRow("step 20") << 7.0f << "60" << "120";
        QTest::newRow("step 50") << 12.0f << "50" << "150";
    }
    void endsWrittenToTheirError()
    {
        QFETCH(float, error);
        QFETCH(QString, low);
        QFETCH(QString, high);
        const auto [l, h] = IntervalEndTexts(Interval{63.2f, 112.6f, error}, NumberFormat());
        QCOMPARE(l, low);
        QCOMPARE(h, high);
    }

    // Below the minimum count no interval; from it on an interval of some width,
    // also when every drop lies in one class. Where every class is occupied the
    // interval holds the figure (with gaps the figure interpolates across them,
    // and the interval is of the spectrum, which has none).
    void intervalsNeedDropsAndHaveWidth_data()
    {
        QTest::addColumn<QList<int>>("counts"); // class, count pairs on one slide
        QTest::addColumn<bool>("interval");
        QTest::newRow("19 drops") << QList<int>{3, 9, 6, 10} << false;
        QTest::newRow("20 drops") << QList<int>{3, 10, 6, 10} << true;
        QTest::newRow("one class, 20 drops") << QList<int>{5, 20} << true;
        QTest::newRow("one class, 1000 drops") << QList<int>{5, 1000} << true;
        QTest::newRow("two classes, 5000 drops") << QList<int>{4, 2500, 9, 2500} << true;
        QList<int> smooth, drawnSmooth;
        for (int k = 1; k <= 20; ++k) {
            smooth << k << 60 - 2 * k;
            drawnSmooth << k << (k < 10 ? 30 - 3 * k : 1);
        }
        QTest::newRow("every class, 800 drops") << smooth << true;
        QTest::newRow("every class, 146 drops") << drawnSmooth << true;
    }
    void intervalsNeedDropsAndHaveWidth()
    {
        QFETCH(QList<int>, counts);
        QFETCH(bool, interval);
        int16_t largest = 0;
        SlideSet set = SetWithSlide({}, largest);
        for (qsizetype i = 0; i < counts.size(); i += 2)
            set.Slides[1].Counts[size_t(counts[i])] = int16_t(counts[i + 1]);
        SetDropCount(set, 0, 0, 1, largest);
        const SprayQualityTable t = ComputeSprayQuality(set, LabelLimits{{}, {}, 1000.0f}, kOneThread);
        for (const SprayQualityRow *row : {&t.Slides[0], &t.Composite}) {
            const CountingIntervals &i = row->Intervals;
            QCOMPARE(i.NMD.has_value(), interval);
            QCOMPARE(i.VMD.has_value(), interval);
            QCOMPARE(i.Dv09.has_value(), interval);
            if (!interval)
                continue;
            QVERIFY(width(i.NMD) > 0 && width(i.VMD) > 0 && width(i.Dv09) > 0);
            QVERIFY(i.NMD->Low >= 0 && i.Dv09->High <= 20 * 14.0f + 1e-3f);
            if (counts.size() < 40)
                continue;
            QVERIFY(i.NMD->Low <= row->NMD && row->NMD <= i.NMD->High);
            QVERIFY(i.VMD->Low <= row->Sizes.Dv05 && row->Sizes.Dv05 <= i.VMD->High);
            QVERIFY(i.Dv09->Low <= row->Sizes.Dv09 && row->Sizes.Dv09 <= i.Dv09->High);
        }
        // Too few drops: not decided, and the drops that would give intervals.
        QCOMPARE(t.Verdict, interval ? LabelVerdict::Within : LabelVerdict::NotDecided);
        QCOMPARE(t.ToDecide.has_value(), !interval);
        if (!interval)
            QCOMPARE(DropsToDecideText(*t.ToDecide, NumberFormat()),
                     QStringLiteral("at least 1 more drops are needed for the intervals that decide"));
    }

    // Interpolated between order statistics at rank (n − 1) p, whatever the
    // order (R's quantile type 7: tests/reference).
    void percentile_data()
    {
        QTest::addColumn<bool>("shuffled");
        QTest::newRow("sorted") << false;
        QTest::newRow("shuffled") << true;
    }
    void percentile()
    {
        QFETCH(bool, shuffled);
        std::vector<float> v(2000);
        for (int i = 0; i < 2000; ++i)
            v[size_t(i)] = float(i + 1);
        if (shuffled)
            std::shuffle(v.begin(), v.end(), std::mt19937(3));
        CLOSE_TO(Percentile(v, 0.025), 50.975, 1e-9);
        CLOSE_TO(Percentile(v, 0.975), 1950.025, 1e-9);
        CLOSE_TO(Percentile(v, 0.5), 1000.5, 1e-9);
    }

    // Ordering only the ends reads the same percentiles and errors as a full
    // sort, at the fewest draws allowed, at the usual and at many, with ties.
    void percentileEndsMatchAFullSort_data()
    {
        QTest::addColumn<int>("draws");
        QTest::addColumn<int>("distinct"); // values drawn from this many
        QTest::newRow("40") << 40 << 1000000;
        QTest::newRow("500") << 500 << 1000000;
        QTest::newRow("500, ties") << 500 << 7;
        QTest::newRow("4000") << 4000 << 1000000;
    }
    void percentileEndsMatchAFullSort()
    {
        QFETCH(int, draws);
        QFETCH(int, distinct);
        std::mt19937 rng(9);
        std::uniform_int_distribution<int> value(0, distinct - 1);
        for (int round = 0; round < 20; ++round) {
            std::vector<float> ends(size_t(draws), 0.0f);
            for (float &x : ends)
                x = float(value(rng)) * 0.37f;
            std::vector<float> full = ends;
            std::sort(full.begin(), full.end());
            SortPercentileEnds(ends);
            for (double p : {0.025, 0.975}) {
                QCOMPARE(SortedPercentile(ends, p), SortedPercentile(full, p));
                QCOMPARE(PercentileError(ends, p), PercentileError(full, p));
                std::vector<float> copy = full;
                QCOMPARE(SortedPercentile(full, p), Percentile(copy, p));
            }
        }
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
        // Every treated insect dead: mortality 100 %, so the upper end is 100 %
        // (Katz alone, tests/reference: 0.66788 to 0.998637).
        QTest::newRow("all treated dead") << QList<int>{25, 25, 25, 2} << 0.66788 << 1.0;
        QTest::newRow("all treated dead, none in control") << QList<int>{40, 40, 40, 0} << 0.805901 << 1.0;
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

    // Closed limits: an end on a limit meets it.
    void labelVerdict_data()
    {
        QTest::addColumn<LabelLimits>("limits");
        QTest::addColumn<int>("drops");
        QTest::addColumn<Interval>("vmd");
        QTest::addColumn<Interval>("dv09");
        QTest::addColumn<QString>("verdict"); // empty: nothing to judge
        const LabelLimits ulv{8.0f, 30.0f, 50.0f};
        QTest::newRow("within") << ulv << 100 << Interval{12, 20} << Interval{30, 45} << "within the label limits";
        QTest::newRow("ends on the limits") << ulv << 100 << Interval{8, 30} << Interval{30, 50} << "within the label limits";
        QTest::newRow("VMD too small") << ulv << 100 << Interval{5, 7.9f} << Interval{30, 45} << "outside the label limits";
        QTest::newRow("Dv0.9 too large") << ulv << 100 << Interval{12, 20} << Interval{50.1f, 60} << "outside the label limits";
        QTest::newRow("Dv0.9 from the limit up") << ulv << 100 << Interval{12, 20} << Interval{50, 60}
                                                 << "not decided: count more drops";
        QTest::newRow("VMD straddles") << ulv << 100 << Interval{25, 35} << Interval{30, 45} << "not decided: count more drops";
        QTest::newRow("only Dv0.9 limited") << LabelLimits{{}, {}, 50.0f} << 100 << Interval{100, 200} << Interval{30, 45}
                                            << "within the label limits";
        QTest::newRow("no limits") << LabelLimits{} << 100 << Interval{12, 20} << Interval{30, 45} << QString();
        QTest::newRow("no drops") << ulv << 0 << Interval{12, 20} << Interval{30, 45} << QString();
    }
    void labelVerdict()
    {
        QFETCH(LabelLimits, limits);
        QFETCH(int, drops);
        QFETCH(Interval, vmd);
        QFETCH(Interval, dv09);
        QFETCH(QString, verdict);
        const auto v = JudgeLabelLimits(limits, drops, vmd, dv09);
        QCOMPARE(v ? LabelVerdictText(*v) : QString(), verdict);
        // Drops but too few for intervals: not decided, unless there is nothing to judge.
        const auto few = JudgeLabelLimits(limits, drops, std::nullopt, std::nullopt);
        QCOMPARE(few ? LabelVerdictText(*few) : QString(),
                 verdict.isEmpty() ? QString() : QStringLiteral("not decided: count more drops"));
    }

    // n × (h / d)² drops decide, h the half-width towards the limit, d the
    // estimate's distance from it (worked by hand in each row).
    void dropsToDecide_data()
    {
        QTest::addColumn<LabelLimits>("limits");
        QTest::addColumn<QList<double>>("figures"); // drops; Dv0.5 and its interval; Dv0.9 and its interval
        QTest::addColumn<int>("more");              // −1: none
        QTest::addColumn<QString>("text");
        // 200 × (30 / 15)² = 800: 600 more.
        QTest::newRow("within, crossing Dv0.9's limit") << LabelLimits{{}, {}, 115.0f}
            << QList<double>{200, 60, 50, 70, 100, 80, 130} << 600 << "about 600 more drops would decide Dv0.9 against 115 µm";
        // Beyond the limit: 200 × (20 / 5)² = 3200.
        QTest::newRow("beyond, crossing Dv0.9's limit") << LabelLimits{{}, {}, 115.0f}
            << QList<double>{200, 60, 50, 70, 120, 100, 140} << 3000 << "about 3000 more drops would decide Dv0.9 against 115 µm";
        // Both within: Dv0.5 100 × (10 / 4)² = 625, Dv0.9 100 × (20 / 10)² = 400: the larger.
        QTest::newRow("two crossed, the larger") << LabelLimits{56.0f, {}, 110.0f}
            << QList<double>{100, 60, 50, 70, 100, 80, 120} << 525 << "about 530 more drops would decide Dv0.5 against 56 µm";
        // Dv0.5 beyond its limit 64 (60 × … (10 / 4)² = 625 → 525) decides alone.
        QTest::newRow("one beyond decides") << LabelLimits{{}, 56.0f, 110.0f}
            << QList<double>{100, 60, 50, 70, 100, 80, 120} << 525 << "about 530 more drops would decide Dv0.5 against 56 µm";
        QTest::newRow("estimate on the limit") << LabelLimits{{}, {}, 100.0f}
            << QList<double>{200, 60, 50, 70, 100, 80, 130} << -1 << QString();
        QTest::newRow("decided") << LabelLimits{{}, {}, 140.0f} << QList<double>{200, 60, 50, 70, 100, 80, 130} << -1 << QString();
        QTest::newRow("too few for intervals") << LabelLimits{{}, {}, 140.0f} << QList<double>{12, 60, -1, -1, 100, -1, -1}
            << 8 << "at least 8 more drops are needed for the intervals that decide";
    }
    void dropsToDecide()
    {
        QFETCH(LabelLimits, limits);
        QFETCH(QList<double>, figures);
        QFETCH(int, more);
        QFETCH(QString, text);
        auto range = [&](int at) {
            return figures[at] < 0 ? std::nullopt : std::optional<Interval>(Interval{float(figures[at]), float(figures[at + 1])});
        };
        const auto d = CountToDecide(limits, int64_t(figures[0]), float(figures[1]), float(figures[4]), range(2), range(5));
        QCOMPARE(d ? int(d->MoreDrops) : -1, more);
        QCOMPARE(d ? DropsToDecideText(*d, NumberFormat()) : QString(), text);
    }
};

QTEST_APPLESS_MAIN(TestSprayQuality)
#include "test_sprayquality.moc"
