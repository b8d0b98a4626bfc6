// Per-slide statistics, size ranges and mortality: the worked examples of the
// trade, the limits of the 16-bit counters, and properties over random slides.
#include "ModelFixtures.h"
#include "model/NumberText.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

class TestDropStatistics : public QObject
{
    Q_OBJECT

private slots:
    void twoClassExample();
    void singleClassMediansAreHalfTheDiameter();
    void medianAtExactlyHalf();
    void countersNeverWrapAndBadClassesAreRefused();
    void rangeBoundsWithDefaultOptics();
    void rangeInterpolationAtTheTopClass();
    void randomSlideProperties();
    void resizeKeepsAndDropsClasses();
    void sortKeepsTheFollowedSlide();
    void mortality_data();
    void mortality();
};

void TestDropStatistics::twoClassExample()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    Slide &s = set.Slides[1];
    QVERIFY(s.TotalDrops == 20 && s.VolumeWeightSum == 60 && s.NumberWeightSum == 3.125f);
    QVERIFY(s.VF[2] == 1.0f / 3.0f && s.VF[4] == 2.0f / 3.0f && s.NF[2] == 0.8f && s.NF[4] == 0.2f);
    QVERIFY(qFuzzyCompare(s.VMD, 35.0f));
    QVERIFY(qFuzzyCompare(s.NMD, 17.5f));
    QVERIFY(s.MaxVF == s.VF[4] && s.MaxCount == 10 && s.LargestClass == 4 && largest == 4);
    QVERIFY(qFuzzyCompare(s.Area, 0.1f));
    QVERIFY(qFuzzyCompare(s.DropDensity, 200.0f));
    QCOMPARE(ClassDiameter(set.Params, 3), 42.0f);

    // Two sweeps scan twice the area: half the density, the same distribution.
    const float vmd = s.VMD;
    s.Sweeps = 2;
    ComputeSlideArea(s, set.Params);
    SetDropCount(set, 0, 0, 1, largest);
    QVERIFY(qFuzzyCompare(s.DropDensity, 100.0f));
    QCOMPARE(s.VMD, vmd);
    // Sweeps 0 scans nothing: no density instead of a division by zero.
    s.Sweeps = 0;
    ComputeSlideArea(s, set.Params);
    SetDropCount(set, 0, 0, 1, largest);
    QCOMPARE(s.DropDensity, 0.0f);

    // Clearing every drop leaves no stale figure behind.
    s.Sweeps = 1;
    ComputeSlideArea(s, set.Params);
    SetDropCount(set, 2, 0, 1, largest);
    SetDropCount(set, 4, 0, 1, largest);
    QVERIFY(s.TotalDrops == 0 && s.LargestClass == 0 && s.VMD == 0 && s.NMD == 0 && s.DropDensity == 0);
    for (int k = 0; k <= 20; ++k)
        QVERIFY(s.VF[k] == 0 && s.CVF[k] == 0 && s.NF[k] == 0 && s.CNF[k] == 0);
    QCOMPARE(largest, int16_t(4)); // only grows here; the window recomputes it
}

void TestDropStatistics::singleClassMediansAreHalfTheDiameter()
{
    for (const auto &[k, count] : {std::pair{1, 1}, {7, 40}, {20, 32767}}) {
        int16_t largest = 1;
        SlideSet set = SetWithSlide({{k, count}}, largest);
        const float half = static_cast<float>(k * 25 * double(0.56f) / 2);
        QVERIFY2(qFuzzyCompare(set.Slides[1].VMD, half), qPrintable(QString::number(k)));
        QVERIFY(qFuzzyCompare(set.Slides[1].NMD, half));
    }
}

// 2 drops of class 1 and 1 of class 2 split the volume evenly: the cumulative half
// at class 1 makes its diameter the VMD. Recounted over a slide whose median lay
// elsewhere, so a median the search misses cannot hide behind the old figure.
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

void TestDropStatistics::countersNeverWrapAndBadClassesAreRefused()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{5, 32766}}, largest);
    QCOMPARE(AddDrop(set, 5, 1, largest), CountResult::Ok);
    QCOMPARE(AddDrop(set, 5, 1, largest), CountResult::Overflow);
    QCOMPARE(set.Slides[1].Counts[5], int16_t(32767));
    QCOMPARE(SetDropCount(set, 21, 1, 1, largest), CountResult::ClassOutOfRange);
    QCOMPARE(SetDropCount(set, -1, 1, 1, largest), CountResult::ClassOutOfRange);
    QCOMPARE(SetDropCount(set, 3, 1, 2, largest), CountResult::ClassOutOfRange);
    QCOMPARE(set.Slides[1].TotalDrops, 32767);

    // A volume weight sum past 32 bits is refused and leaves the slide intact.
    SlideSet big;
    big.Params.MaxSizeEPD = 32767;
    ResizeClassArrays(big, largest);
    AddSlide(big, 0);
    for (int16_t k : {int16_t(32767), int16_t(32766)})
        QCOMPARE(SetDropCount(big, k, 32767, 1, largest), CountResult::Ok);
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
    QCOMPARE(QList<int>(std::begin(r.Count), std::end(r.Count)), (QList<int>{0, 1, 2, 17, 15}));
    // The in-cloud shares of ranges 1 … 4 cover the whole cloud.
    QCOMPARE_LT(std::fabs(r.MassInCloud[0] + r.MassInCloud[1] + r.MassInCloud[2] + r.MassInCloud[3] - 1), 1e-5f);
    QCOMPARE_LT(std::fabs(r.SizeInCloud[0] + r.SizeInCloud[1] + r.SizeInCloud[2] + r.SizeInCloud[3] - 1), 1e-5f);

    // A slide without drops has zero ranges, never another slide's figures.
    AddSlide(set, 5);
    ComputeRangeStats(r, set, 2);
    for (int j = 0; j < kRangeCount; ++j)
        QVERIFY(r.Count[j] == 0 && r.SizeOnSlide[j] == 0 && r.MassInCloud[j] == 0 && r.SizeInCloud[j] == 0);

    // A diameter equal to an upper bound counts in that range, one equal to a
    // lower bound does not: 50 µm classes with 2 µm per class.
    SlideSet edge;
    edge.Params.MicronsPerEPD = 2;
    edge.Params.SpreadFactor = 1;
    AddSlide(edge, 0);
    SetDropCount(edge, 11, 3, 1, largest); // 22 µm
    ComputeRangeStats(r, edge, 1);
    QCOMPARE(r.Count[1], 3);
    QCOMPARE(r.Count[2], 0);
}

// 5 µm per class with 10 classes, every drop in the top class (50 µm): the 50 µm
// bound falls exactly on that class, where the interpolation's ends meet.
void TestDropStatistics::rangeInterpolationAtTheTopClass()
{
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
    QVERIFY(std::all_of(std::begin(r.MassInCloud), std::end(r.MassInCloud), [](float v) { return std::isfinite(v); }));
    // Below the first occupied class the cumulative curve runs from diameter 0.
    QCOMPARE_LT(std::fabs(r.MassInCloud[2] - (1.0f - 22.0f / 50.0f)), 1e-6f);
    QCOMPARE(r.MassInCloud[3], 0.0f);
    QCOMPARE(r.MassInCloud[4], 0.0f); // 80 µm lies beyond the reticule: both ends are 1
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
                QVERIFY(s.CVF[k] >= s.CVF[k - 1] && s.CNF[k] >= s.CNF[k - 1]);
            }
            QCOMPARE_LT(std::fabs(sumVF - 1) + std::fabs(sumNF - 1), 1e-5);
            QCOMPARE_LT(std::fabs(s.CVF[maxSize] - 1) + std::fabs(s.CNF[maxSize] - 1), 1e-5);
            const float top = ClassDiameter(set.Params, s.LargestClass);
            QVERIFY(s.VMD > 0 && s.VMD <= top * 1.0001f);
            QVERIFY(s.NMD > 0 && s.NMD <= s.VMD * 1.0001f); // weighting by volume pulls the median up
            QVERIFY(largest >= s.LargestClass);

            // Doubling every count changes no median and doubles the density.
            if (*std::max_element(s.Counts.begin(), s.Counts.end()) > 16000)
                continue;
            SlideSet doubled = set;
            int16_t ignore = 0;
            for (int k = 1; k <= maxSize; ++k)
                doubled.Slides[i].Counts[k] = static_cast<int16_t>(2 * s.Counts[k]);
            SetDropCount(doubled, 0, 0, i, ignore);
            const Slide &d = doubled.Slides[i];
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
    QCOMPARE(set.Slides[1].Counts[2], int16_t(10)); // what was cut stays cut
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

// Cage: in cage, down at 1 hr, dead at 12 and 24 hr; control: in cage, dead at 12 and 24 hr.
void TestDropStatistics::mortality_data()
{
    QTest::addColumn<QList<int>>("cage");
    QTest::addColumn<QList<int>>("control");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("Abbott") << QList<int>{20, 5, 0, 12} << QList<int>{20, 0, 2} << QStringList{"25.00%", "0.00%", "55.56%"};
    QTest::newRow("better than control") << QList<int>{20, 0, 1, 1} << QList<int>{20, 10, 10} << QStringList{"0.00%", "0.00%", "0.00%"};
    QTest::newRow("more dead than in cage") << QList<int>{10, 12, 15, 15} << QList<int>{10, 0, 0} << QStringList{"120.00%", "150.00%", "150.00%"};
    QTest::newRow("control all dead at 24 hr") << QList<int>{20, 5, 10, 12} << QList<int>{20, 0, 20} << QStringList{"25.00%", "50.00%", ""};
    QTest::newRow("no control") << QList<int>{20, 5, 10, 12} << QList<int>{0, 0, 0} << QStringList{"", "", ""};
    QTest::newRow("no cage") << QList<int>{0, 0, 0, 0} << QList<int>{20, 0, 2} << QStringList{"", "", ""};
}

void TestDropStatistics::mortality()
{
    QFETCH(QList<int>, cage);
    QFETCH(QList<int>, control);
    QFETCH(QStringList, shown);
    auto i16 = [](int v) { return static_cast<int16_t>(v); };
    Slide slide;
    slide.Mortality24h = 0.99f; // a stale result must not survive
    slide.Cage = {i16(cage[0]), i16(cage[1]), i16(cage[2]), i16(cage[3])};
    ComputeMortality(slide, {i16(control[0]), 0, i16(control[1]), i16(control[2])});
    const NumberFormat f;
    auto text = [&f](const std::optional<float> &v) { return v ? f.Format(*v, "0.00%") : QString(); };
    QCOMPARE((QStringList{text(slide.Knockdown1h), text(slide.Mortality12h), text(slide.Mortality24h)}), shown);
}

QTEST_APPLESS_MAIN(TestDropStatistics)
#include "test_dropstatistics.moc"
