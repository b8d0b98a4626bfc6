// Per-slide statistics, size ranges and mortality: the worked examples of the
// trade, the limits of the 16-bit counters, and properties over random slides.
#include "ModelFixtures.h"
#include "model/NumberText.h"

#include <QtTest>

#include <cmath>

class TestDropStatistics : public QObject
{
    Q_OBJECT

private slots:
    void twoClassExample();
    void singleClassMediansAreHalfTheDiameter_data();
    void singleClassMediansAreHalfTheDiameter();
    void medianAtExactlyHalf();
    void areaAndDensity();
    void clearingEveryDropReportsZeros();
    void countersNeverWrap();
    void outOfRangeClassIsRefused();
    void rangeBoundsWithDefaultOptics();
    void rangeInterpolationAtTheTopClass();
    void slideWithoutDropsHasZeroRanges();
    void randomSlideProperties();
    void resizeKeepsAndDropsClasses();
    void sortKeepsTheFollowedSlide();
    void scanLengthText();
    void mortality_data();
    void mortality();
};

void TestDropStatistics::twoClassExample()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    const Slide &s = set.Slides[1];
    QCOMPARE(s.TotalDrops, 20);
    QCOMPARE(s.VolumeWeightSum, 60);
    QCOMPARE(s.NumberWeightSum, 3.125f);
    QCOMPARE(s.VF[2], 1.0f / 3.0f);
    QCOMPARE(s.VF[4], 2.0f / 3.0f);
    QCOMPARE(s.NF[2], 0.8f);
    QCOMPARE(s.NF[4], 0.2f);
    QVERIFY(qFuzzyCompare(s.VMD, 35.0f));
    QVERIFY(qFuzzyCompare(s.NMD, 17.5f));
    QCOMPARE(s.MaxVF, s.VF[4]);
    QCOMPARE(s.MaxCount, int16_t(10));
    QCOMPARE(s.LargestClass, int16_t(4));
    QCOMPARE(largest, int16_t(4));
}

void TestDropStatistics::singleClassMediansAreHalfTheDiameter_data()
{
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("count");
    QTest::newRow("class 1") << 1 << 1;
    QTest::newRow("class 7") << 7 << 40;
    QTest::newRow("top class") << 20 << 32767;
}

void TestDropStatistics::singleClassMediansAreHalfTheDiameter()
{
    QFETCH(int, k);
    QFETCH(int, count);
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{k, count}}, largest);
    const float half = static_cast<float>(k * 25 * double(0.56f) / 2);
    QVERIFY(qFuzzyCompare(set.Slides[1].VMD, half));
    QVERIFY(qFuzzyCompare(set.Slides[1].NMD, half));
}

// A cumulative fraction of exactly one half at an occupied class is the median:
// with 2 drops of class 1 and 1 of class 2 the volume is split evenly, so the VMD
// is class 1's diameter. Counted over a slide whose median lay elsewhere, so a
// median the search misses cannot hide behind the figure from before.
void TestDropStatistics::medianAtExactlyHalf()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{3, 5}}, largest);
    const float classDiameter = ClassDiameter(set.Params, 1);
    QVERIFY(qFuzzyCompare(set.Slides[1].VMD, 1.5f * classDiameter));
    set.Slides[1].Counts[3] = 0;
    set.Slides[1].Counts[1] = 2;
    set.Slides[1].Counts[2] = 1;
    QCOMPARE(SetDropCount(set, 0, 0, 1, largest), CountResult::Ok);
    QCOMPARE(set.Slides[1].CVF[1], 0.5f);
    QVERIFY2(qFuzzyCompare(set.Slides[1].VMD, classDiameter),
             qPrintable(QStringLiteral("VMD %1, expected %2").arg(set.Slides[1].VMD).arg(classDiameter)));
}

void TestDropStatistics::areaAndDensity()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    QVERIFY(qFuzzyCompare(set.Slides[1].Area, 0.1f));
    QVERIFY(qFuzzyCompare(set.Slides[1].DropDensity, 200.0f));
    QCOMPARE(ClassDiameter(set.Params, 3), 42.0f);

    // Two sweeps scan twice the area: half the density, the same distribution.
    const float vmd = set.Slides[1].VMD;
    set.Slides[1].Sweeps = 2;
    ComputeSlideArea(set.Slides[1], set.Params);
    SetDropCount(set, 0, 0, 1, largest);
    QVERIFY(qFuzzyCompare(set.Slides[1].DropDensity, 100.0f));
    QCOMPARE(set.Slides[1].VMD, vmd);

    // Sweeps 0 scans nothing: no density instead of a division by zero.
    set.Slides[1].Sweeps = 0;
    ComputeSlideArea(set.Slides[1], set.Params);
    SetDropCount(set, 0, 0, 1, largest);
    QCOMPARE(set.Slides[1].DropDensity, 0.0f);
}

void TestDropStatistics::clearingEveryDropReportsZeros()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    SetDropCount(set, 2, 0, 1, largest);
    SetDropCount(set, 4, 0, 1, largest);
    const Slide &s = set.Slides[1];
    QCOMPARE(s.TotalDrops, 0);
    QCOMPARE(s.VolumeWeightSum, 0);
    QCOMPARE(s.MaxVF, 0.0f);
    QCOMPARE(s.LargestClass, int16_t(0));
    QCOMPARE(s.VMD, 0.0f);
    QCOMPARE(s.NMD, 0.0f);
    QCOMPARE(s.DropDensity, 0.0f);
    for (int k = 0; k <= 20; ++k) {
        QCOMPARE(s.VF[k], 0.0f);
        QCOMPARE(s.CVF[k], 0.0f);
        QCOMPARE(s.NF[k], 0.0f);
        QCOMPARE(s.CNF[k], 0.0f);
    }
    QCOMPARE(largest, int16_t(4)); // only grows here; the window recomputes it
}

void TestDropStatistics::countersNeverWrap()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{5, 32766}}, largest);
    QCOMPARE(AddDrop(set, 5, 1, largest), CountResult::Ok);
    QCOMPARE(set.Slides[1].Counts[5], int16_t(32767));
    QCOMPARE(AddDrop(set, 5, 1, largest), CountResult::Overflow);
    QCOMPARE(set.Slides[1].Counts[5], int16_t(32767));

    // A volume weight sum past 32 bits is refused and leaves the slide intact.
    SlideSet big;
    big.Params.MaxSizeEPD = 32767;
    ResizeClassArrays(big, largest);
    AddSlide(big, 0);
    for (int k = 32767; k > 32767 - 2; --k)
        QCOMPARE(SetDropCount(big, static_cast<int16_t>(k), 32767, 1, largest), CountResult::Ok);
    const int32_t before = big.Slides[1].VolumeWeightSum;
    QCOMPARE(SetDropCount(big, 32765, 32767, 1, largest), CountResult::Overflow);
    QCOMPARE(big.Slides[1].Counts[32765], int16_t(0));
    QCOMPARE(big.Slides[1].VolumeWeightSum, before);

    // The 32768th slide is refused.
    SlideSet many;
    many.Slides.resize(kMaxCounter + 1);
    QCOMPARE(AddSlide(many, 1.0f), int16_t(0));
    QCOMPARE(int(many.SlideCount()), int(kMaxCounter));
}

void TestDropStatistics::outOfRangeClassIsRefused()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{3, 1}}, largest);
    QCOMPARE(SetDropCount(set, 21, 1, 1, largest), CountResult::ClassOutOfRange);
    QCOMPARE(SetDropCount(set, -1, 1, 1, largest), CountResult::ClassOutOfRange);
    QCOMPARE(SetDropCount(set, 3, 1, 2, largest), CountResult::ClassOutOfRange);
    QCOMPARE(set.Slides[1].TotalDrops, 1);
}

void TestDropStatistics::rangeBoundsWithDefaultOptics()
{
    int16_t largest = 1;
    SlideSet set;
    AddSlide(set, 0);
    for (int k = 1; k <= 20; ++k)
        set.Slides[1].Counts[k] = 1;
    SetDropCount(set, 0, 0, 1, largest);
    QCOMPARE(RangeDmax(set.Params), 280.0);
    RangeStatistics r;
    ComputeRangeStats(r, set, 1);
    // 14 µm in range 2; 28 and 42 in range 3; 56 … 280 in range 4; 84 … 280 in range 5.
    QCOMPARE(r.Count[0], 0);
    QCOMPARE(r.Count[1], 1);
    QCOMPARE(r.Count[2], 2);
    QCOMPARE(r.Count[3], 17);
    QCOMPARE(r.Count[4], 15);

    // A diameter equal to an upper bound counts in that range, one equal to a
    // lower bound does not: 50 µm classes with 2 µm per class.
    SlideSet edge;
    edge.Params.MicronsPerEPD = 2;
    edge.Params.SpreadFactor = 1;
    AddSlide(edge, 0);
    SetDropCount(edge, 11, 3, 1, largest); // 22 µm
    RangeStatistics e;
    ComputeRangeStats(e, edge, 1);
    QCOMPARE(e.Count[1], 3);
    QCOMPARE(e.Count[2], 0);

    // The in-cloud shares of ranges 1 … 4 cover the whole cloud.
    const float mass = r.MassInCloud[0] + r.MassInCloud[1] + r.MassInCloud[2] + r.MassInCloud[3];
    const float size = r.SizeInCloud[0] + r.SizeInCloud[1] + r.SizeInCloud[2] + r.SizeInCloud[3];
    QCOMPARE_LT(std::fabs(mass - 1.0f), 1e-5f);
    QCOMPARE_LT(std::fabs(size - 1.0f), 1e-5f);
}

void TestDropStatistics::rangeInterpolationAtTheTopClass()
{
    // 5 µm per class with 10 classes, every drop in the top class (50 µm): the
    // 50 µm bound falls exactly on that class, where lo and hi of the
    // interpolation meet, and must give its cumulative value, not 0/0.
    int16_t largest = 1;
    SlideSet set;
    set.Params.MaxSizeEPD = 10;
    set.Params.MicronsPerEPD = 5;
    set.Params.SpreadFactor = 1;
    ResizeClassArrays(set, largest);
    AddSlide(set, 0);
    SetDropCount(set, 10, 4, 1, largest);
    RangeStatistics r;
    ComputeRangeStats(r, set, 1);
    for (float v : r.MassInCloud)
        QVERIFY(std::isfinite(v));
    // Below the first occupied class the cumulative curve runs from diameter 0.
    QCOMPARE_LT(std::fabs(r.MassInCloud[2] - (1.0f - 22.0f / 50.0f)), 1e-6f);
    QCOMPARE(r.MassInCloud[3], 0.0f);
    QCOMPARE(r.MassInCloud[4], 0.0f); // 80 µm lies beyond the reticule: both ends are 1
}

void TestDropStatistics::slideWithoutDropsHasZeroRanges()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    AddSlide(set, 5);
    RangeStatistics r;
    ComputeRangeStats(r, set, 1);
    QVERIFY(r.Count[2] > 0);
    ComputeRangeStats(r, set, 2); // never another slide's figures
    for (int j = 0; j < kRangeCount; ++j) {
        QCOMPARE(r.Count[j], 0);
        QCOMPARE(r.SizeOnSlide[j], 0.0f);
        QCOMPARE(r.MassInCloud[j], 0.0f);
        QCOMPARE(r.SizeInCloud[j], 0.0f);
    }
}

void TestDropStatistics::randomSlideProperties()
{
    std::mt19937 rng(2024);
    for (int16_t maxSize : {int16_t(5), int16_t(20), int16_t(64)}) {
        int16_t largest = 0;
        SlideSet set = RandomSet(rng, 60, maxSize, largest);
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (s.TotalDrops == 0)
                continue;
            double sumVF = 0, sumNF = 0;
            for (int k = 1; k <= maxSize; ++k) {
                sumVF += s.VF[k];
                sumNF += s.NF[k];
                QVERIFY(s.CVF[k] >= s.CVF[k - 1]);
                QVERIFY(s.CNF[k] >= s.CNF[k - 1]);
            }
            QCOMPARE_LT(std::fabs(sumVF - 1), 1e-5);
            QCOMPARE_LT(std::fabs(sumNF - 1), 1e-5);
            QCOMPARE_LT(std::fabs(s.CVF[maxSize] - 1), 1e-5);
            QCOMPARE_LT(std::fabs(s.CNF[maxSize] - 1), 1e-5);
            const float top = ClassDiameter(set.Params, s.LargestClass);
            QVERIFY(s.VMD > 0 && s.VMD <= top * 1.0001f);
            QVERIFY(s.NMD > 0 && s.NMD <= top * 1.0001f);
            QVERIFY(s.NMD <= s.VMD * 1.0001f); // weighting by volume pulls the median up
            QVERIFY(largest >= s.LargestClass);

            // Doubling every count changes no fraction and no median.
            SlideSet doubled = set;
            int16_t ignore = 0;
            bool fits = true;
            for (int k = 1; k <= maxSize; ++k)
                fits &= s.Counts[k] <= 16000;
            if (!fits)
                continue;
            for (int k = 1; k <= maxSize; ++k)
                doubled.Slides[i].Counts[k] = static_cast<int16_t>(2 * s.Counts[k]);
            SetDropCount(doubled, 0, 0, i, ignore);
            const Slide &d = doubled.Slides[i];
            for (int k = 1; k <= maxSize; ++k) {
                QCOMPARE_LT(std::fabs(d.VF[k] - s.VF[k]), 1e-6f);
                QCOMPARE_LT(std::fabs(d.NF[k] - s.NF[k]), 1e-6f);
            }
            QCOMPARE_LT(std::fabs(d.VMD - s.VMD), 1e-3f);
            QCOMPARE_LT(std::fabs(d.NMD - s.NMD), 1e-3f);
            QCOMPARE_LE(std::fabs(d.DropDensity - 2 * s.DropDensity), 1e-4f * d.DropDensity);
        }
    }
}

void TestDropStatistics::resizeKeepsAndDropsClasses()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {15, 3}}, largest);
    set.Params.MaxSizeEPD = 10;
    ResizeClassArrays(set, largest);
    QCOMPARE(set.Slides[0].Counts.size(), size_t(11)); // the placeholder too
    QCOMPARE(set.Slides[1].Counts.size(), size_t(11));
    QCOMPARE(set.Slides[1].TotalDrops, 10);
    QCOMPARE(set.Slides[1].LargestClass, int16_t(2));
    QVERIFY(qFuzzyCompare(set.Slides[1].Area, 0.05f)); // the reticule is narrower

    set.Params.MaxSizeEPD = 30;
    ResizeClassArrays(set, largest);
    QCOMPARE(set.Slides[1].Counts.size(), size_t(31));
    QCOMPARE(set.Slides[1].Counts[2], int16_t(10));
    QCOMPARE(set.Slides[1].Counts[15], int16_t(0));
}

void TestDropStatistics::sortKeepsTheFollowedSlide()
{
    SlideSet set;
    for (float p : {5.0f, -2.0f, 3.0f, -7.5f})
        AddSlide(set, p);
    set.Slides[1].Cage.NumInCage = 11; // mark the slide at 5
    QCOMPARE(SortSlidesByPosition(set, 1), int16_t(4));
    QCOMPARE(set.Slides[4].Cage.NumInCage, int16_t(11));
    for (int i = 1; i < set.SlideCount(); ++i)
        QVERIFY(set.Slides[i].Position < set.Slides[i + 1].Position);
    QCOMPARE(FindSlideAtPosition(set, 3.0f), int16_t(3));
    RemoveSlide(set, 2);
    QCOMPARE(set.SlideCount(), int16_t(3));
    QCOMPARE(set.Slides[2].Position, 3.0f);
}

void TestDropStatistics::scanLengthText()
{
    AnalysisParameters p;
    QCOMPARE(ScanLengthText(p, NumberFormat()), QStringLiteral("2.0"));
    p.Metric = false;
    QCOMPARE(ScanLengthText(p, NumberFormat()), QStringLiteral("0.787"));
    QCOMPARE(ScanLengthText(p, NumberFormat(QLatin1Char(','))), QStringLiteral("0,787"));
    QCOMPARE_LT(std::fabs(InchesToCentimetres(1.0) - 2.54), 1e-3);
}

void TestDropStatistics::mortality_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("dead12");
    QTest::addColumn<int>("dead24");
    QTest::addColumn<int>("nc");
    QTest::addColumn<int>("c12");
    QTest::addColumn<int>("c24");
    QTest::addColumn<QString>("knockdown");
    QTest::addColumn<QString>("m12");
    QTest::addColumn<QString>("m24");

    QTest::newRow("Abbott") << 20 << 5 << 0 << 12 << 20 << 0 << 2 << "25.00%" << "0.00%" << "55.56%";
    QTest::newRow("treated better than control") << 20 << 0 << 1 << 1 << 20 << 10 << 10 << "0.00%" << "0.00%"
                                                 << "0.00%";
    QTest::newRow("more dead than in cage") << 10 << 12 << 15 << 15 << 10 << 0 << 0 << "120.00%" << "150.00%"
                                            << "150.00%";
    QTest::newRow("control all dead at 24 hr") << 20 << 5 << 10 << 12 << 20 << 0 << 20 << "25.00%" << "50.00%"
                                               << "";
    QTest::newRow("no control") << 20 << 5 << 10 << 12 << 0 << 0 << 0 << "" << "" << "";
    QTest::newRow("no cage") << 0 << 0 << 0 << 0 << 20 << 0 << 2 << "" << "" << "";
}

void TestDropStatistics::mortality()
{
    QFETCH(int, n);
    QFETCH(int, down);
    QFETCH(int, dead12);
    QFETCH(int, dead24);
    QFETCH(int, nc);
    QFETCH(int, c12);
    QFETCH(int, c24);
    QFETCH(QString, knockdown);
    QFETCH(QString, m12);
    QFETCH(QString, m24);

    Slide slide;
    slide.Mortality24h = 0.99f; // a stale result must not survive
    slide.Cage = {int16_t(n), int16_t(down), int16_t(dead12), int16_t(dead24)};
    ComputeMortality(slide, {int16_t(nc), 0, int16_t(c12), int16_t(c24)});
    const NumberFormat f;
    auto shown = [&f](const std::optional<float> &v) { return v ? f.Format(*v, "0.00%") : QString(); };
    QCOMPARE(shown(slide.Knockdown1h), knockdown);
    QCOMPARE(shown(slide.Mortality12h), m12);
    QCOMPARE(shown(slide.Mortality24h), m24);
}

QTEST_APPLESS_MAIN(TestDropStatistics)
#include "test_dropstatistics.moc"
