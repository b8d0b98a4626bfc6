// The line pooled into one distribution per unit area.
#include "ModelFixtures.h"

#include <QtTest>

#include <cmath>

class TestComposite : public QObject
{
    Q_OBJECT

    // Ten drops of class 2 on the slide at -1 m, ten of class 4 on the one at 1 m over `sweeps2` sweeps.
    static SlideSet twoSlides(float sweeps2)
    {
        int16_t largest = 1;
        SlideSet set;
        AddSlide(set, -1);
        AddSlide(set, 1);
        set.Slides[2].Sweeps = sweeps2;
        ComputeSlideArea(set.Slides[2], set.Params);
        SetDropCount(set, 2, 10, 1, largest);
        SetDropCount(set, 4, 10, 2, largest);
        return set;
    }

private slots:
    void twoSlideExample()
    {
        CompositeResults c;
        CalcComposite(twoSlides(1), c);
        QCOMPARE_LT(std::fabs(c.CompVF[2] - 1.0f / 3.0f), 1e-6f);
        QCOMPARE_LT(std::fabs(c.CompVF[4] - 2.0f / 3.0f), 1e-6f);
        QCOMPARE_LT(std::fabs(c.CompNF[2] - 0.8f), 1e-6f);
        QCOMPARE_LT(std::fabs(c.CompNF[4] - 0.2f), 1e-6f);
        QCOMPARE_LT(std::fabs(c.CompVMD - 35.0f), 1e-4f);
        QCOMPARE_LT(std::fabs(c.CompNMD - 17.5f), 1e-4f);
        QCOMPARE_LT(std::fabs(c.CompDensity[2] - 50.0f), 1e-3f);
        QCOMPARE_LT(std::fabs(c.CompDensity[4] - 50.0f), 1e-3f);
        QCOMPARE_LT(std::fabs(c.AveDropDensity - 100.0f), 1e-3f);
        QCOMPARE(c.CompMaxDensity, c.CompDensity[2]);
        QCOMPARE(c.CompCVF[3], c.CompCVF[2]);
        QCOMPARE_LT(std::fabs(c.CompCVF[20] - 1.0f), 1e-6f);

        // Classes 2 (28 µm) and 4 (56 µm) at equal densities; counts are no composite figure.
        RangeStatistics r;
        r.Count = {1, 2, 3, 4, 5};
        ComputeCompositeRangeStats(r, twoSlides(1), c);
        QCOMPARE(r.Count[2], 3);
        QCOMPARE(r.SizeOnSlide[2], 0.5f);
        QCOMPARE(r.SizeOnSlide[3], 0.5f);
        QCOMPARE(r.SizeOnSlide[4], 0.0f);
    }

    // Each slide counts per unit area: a slide over more sweeps weighs less, and a
    // slide without drops lowers the density but not the distribution.
    void slidesWeighByArea()
    {
        CompositeResults equal, wide, withEmpty;
        CalcComposite(twoSlides(1), equal);
        CalcComposite(twoSlides(2), wide);
        QVERIFY(wide.CompVF[2] > equal.CompVF[2]);
        QVERIFY(wide.CompVMD < equal.CompVMD);
        QCOMPARE_LT(std::fabs(wide.CompDensity[4] - 25.0f), 1e-3f);

        SlideSet set = twoSlides(1);
        AddSlide(set, 9);
        CalcComposite(set, withEmpty);
        QCOMPARE_LT(std::fabs(withEmpty.AveDropDensity - equal.AveDropDensity * 2 / 3), 1e-3f);
        QVERIFY(withEmpty.CompDensity[2] < equal.CompDensity[2]);
        QVERIFY(withEmpty.CompVF == equal.CompVF && withEmpty.CompVMD == equal.CompVMD && withEmpty.CompNMD == equal.CompNMD);
    }

    void singleSlideEqualsItsOwnFigures()
    {
        std::mt19937 rng(99);
        for (int trial = 0; trial < 40; ++trial) {
            int16_t largest = 0;
            const SlideSet set = RandomSet(rng, 1, trial % 2 ? 20 : 45, largest);
            const Slide &s = set.Slides[1];
            if (s.TotalDrops == 0)
                continue;
            CompositeResults c;
            CalcComposite(set, c);
            QCOMPARE_LE(std::fabs(c.CompVMD - s.VMD), 1e-4f * s.VMD);
            QCOMPARE_LE(std::fabs(c.CompNMD - s.NMD), 1e-4f * s.NMD);
            QCOMPARE_LE(std::fabs(c.AveDropDensity - s.DropDensity), 1e-4f * s.DropDensity);
            for (int k = 1; k <= set.Params.MaxSizeEPD; ++k) {
                QCOMPARE_LT(std::fabs(c.CompVF[k] - s.VF[k]), 1e-5f);
                QCOMPARE_LT(std::fabs(c.CompNF[k] - s.NF[k]), 1e-5f);
            }
            RangeStatistics slideRanges, compRanges;
            ComputeRangeStats(slideRanges, set, 1);
            ComputeCompositeRangeStats(compRanges, set, c);
            for (int j = 0; j < kRangeCount; ++j) {
                QCOMPARE_LT(std::fabs(compRanges.SizeOnSlide[j] - slideRanges.SizeOnSlide[j]), 1e-5f);
                QCOMPARE_LT(std::fabs(compRanges.MassInCloud[j] - slideRanges.MassInCloud[j]), 1e-4f);
                QCOMPARE_LT(std::fabs(compRanges.SizeInCloud[j] - slideRanges.SizeInCloud[j]), 1e-4f);
            }
        }
    }

    void noSlidesAndNoDrops()
    {
        SlideSet empty;
        CompositeResults c;
        c.CompVMD = 12; // left from an earlier set
        CalcComposite(empty, c);
        QVERIFY(c.CompVMD == 0 && c.AveDropDensity == 0 && c.CompVF.size() == 21);

        AddSlide(empty, 0);
        CalcComposite(empty, c);
        QVERIFY(c.CompVMD == 0 && c.AveDropDensity == 0);
        RangeStatistics r;
        r.SizeOnSlide[0] = 0.5f;
        ComputeCompositeRangeStats(r, empty, c);
        QCOMPARE(r.SizeOnSlide[0], 0.5f); // nothing to write without drops
    }
};

QTEST_APPLESS_MAIN(TestComposite)
#include "test_composite.moc"
