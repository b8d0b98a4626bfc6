// The impaction model of the in-cloud figures: collection efficiencies against
// values computed independently (tests/reference/collection_efficiency.py
// integrates the drop's path instead of using the closed form), the weighting of
// a worked slide and composite, and the file that stays on the "Diameter ²" basis.
#include "model/SprayQuality.h"
#include "ModelFixtures.h"
#include "files/SlideSetFile.h"
#include "model/CloudWeights.h"
#include "model/CountingIntervals.h"
#include "model/DropSizeFigures.h"
#include "model/NumberText.h"

#include <QtTest>

#include <cmath>

namespace {

constexpr CollectorShape kRibbon = CollectorShape::Ribbon;
constexpr CollectorShape kCylinder = CollectorShape::Cylinder;

CloudWeighting impaction(CollectorShape shape, double widthMM, std::optional<double> speed, double density = 1000)
{
    return CloudWeighting{CloudMethod::Impaction, CollectorSettings{shape, widthMM, speed, density}};
}

// The worked slide of the reference script: ribbon 25 mm, 3 m/s, water, 25 °C.
SlideSet workedSlide(std::initializer_list<std::pair<int, int>> counts)
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide(counts, largest);
    set.Texts.AirTemp = QStringLiteral("25");
    set.Cloud = impaction(kRibbon, 25, 3.0);
    RecomputeSlides(set, largest);
    return set;
}

bool near(double a, double b, double tolerance)
{
    return std::abs(a - b) <= tolerance;
}

} // namespace

class TestCloudWeights : public QObject
{
    Q_OBJECT

private slots:
    void efficiencyMatchesReference_data();
    void efficiencyMatchesReference();
    void viscosity_data();
    void viscosity();
    void efficiencyRisesWithDiameterAndSpeedFallsWithWidthAndWarmth_data();
    void efficiencyRisesWithDiameterAndSpeedFallsWithWidthAndWarmth();
    void airFromTheTrial_data();
    void airFromTheTrial();
    void workedSlide();
    void workedComposite();
    void weightsRestOnTheFloorBelowIt();
    void everyInCloudFigureFollowsTheWeights();
    void backToDiameterSquaredIsBitForBit();
    void fileKeepsDiameterSquaredFigures();
    void methodInWords();
};

void TestCloudWeights::efficiencyMatchesReference_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("parameter");
    QTest::addColumn<double>("expected");
    // Ribbon: by integrating the drop's path; cylinder: Langmuir & Blodgett's fit,
    // whose K = 1 gives their 0.466 × (log 8)².
    QTest::newRow("ribbon at threshold") << 0 << 0.125 << 0.0;
    QTest::newRow("ribbon below") << 0 << 0.1 << 0.0;
    QTest::newRow("ribbon 0.13") << 0 << 0.13 << 0.0032808841;
    QTest::newRow("ribbon 0.2") << 0 << 0.2 << 0.2919199917;
    QTest::newRow("ribbon 0.5") << 0 << 0.5 << 0.6382218413;
    QTest::newRow("ribbon 1") << 0 << 1.0 << 0.7917350061;
    QTest::newRow("ribbon 2") << 0 << 2.0 << 0.8865971192;
    QTest::newRow("ribbon 5") << 0 << 5.0 << 0.9519863267;
    QTest::newRow("ribbon 20") << 0 << 20.0 << 0.9876286418;
    QTest::newRow("cylinder at threshold") << 1 << 0.125 << 0.0;
    QTest::newRow("cylinder 0.2") << 1 << 0.2 << 0.0194158748;
    QTest::newRow("cylinder 1") << 1 << 1.0 << 0.3800563305;
    QTest::newRow("cylinder 1.1, fit's upper end") << 1 << 1.1 << 0.4156941434;
    QTest::newRow("cylinder 2") << 1 << 2.0 << 0.5600991535;
    QTest::newRow("cylinder 10") << 1 << 10.0 << 0.8642447518;
}

void TestCloudWeights::efficiencyMatchesReference()
{
    QFETCH(int, shape);
    QFETCH(double, parameter);
    QFETCH(double, expected);
    const double e = shape == 0 ? RibbonEfficiency(parameter) : CylinderEfficiency(parameter);
    QVERIFY2(near(e, expected, 1e-8), qPrintable(QString::number(e, 'g', 12)));
    // Through the drop's own quantities: ψ = ρd²U/(18μW), K = ρd²U/(9μW).
    const double mu = 1.8e-5, w = 0.01, u = 2.0, rho = 1000.0;
    const double d = std::sqrt(parameter * (shape == 0 ? 18.0 : 9.0) * mu * w / (rho * u));
    QVERIFY(near(CollectionEfficiency(shape == 0 ? kRibbon : kCylinder, d, u, w, rho, mu), expected, 1e-7));
}

void TestCloudWeights::viscosity_data()
{
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("pascalSeconds");
    QTest::newRow("0 °C") << 0.0 << 1.7160792662e-05;
    QTest::newRow("20 °C") << 20.0 << 1.8134058821e-05;
    QTest::newRow("35 °C") << 35.0 << 1.8843146984e-05;
}

void TestCloudWeights::viscosity()
{
    QFETCH(double, celsius);
    QFETCH(double, pascalSeconds);
    QVERIFY(near(AirViscosity(celsius), pascalSeconds, 1e-14));
}

void TestCloudWeights::efficiencyRisesWithDiameterAndSpeedFallsWithWidthAndWarmth_data()
{
    QTest::addColumn<int>("shape");
    QTest::newRow("ribbon") << 0;
    QTest::newRow("cylinder") << 1;
}

void TestCloudWeights::efficiencyRisesWithDiameterAndSpeedFallsWithWidthAndWarmth()
{
    QFETCH(int, shape);
    const CollectorShape s = shape == 0 ? kRibbon : kCylinder;
    // Over the whole range of the model: from nothing caught to nearly all.
    const double mu = AirViscosity(20);
    auto e = [&](double dMicrons, double u, double wMM, double mu_) {
        return CollectionEfficiency(s, dMicrons * 1e-6, u, wMM * 1e-3, 1000, mu_);
    };
    double before = -1;
    bool caughtNone = false, caughtMost = false;
    for (double d = 2; d <= 400; d *= 1.05) {
        const double now = e(d, 3, 25, mu);
        QVERIFY2(now >= before && now >= 0 && now < 1, qPrintable(QString::number(d)));
        // Strictly above the threshold: a larger drop is caught better.
        if (before > 0)
            QVERIFY(now > before);
        caughtNone = caughtNone || now == 0;
        caughtMost = caughtMost || now > 0.9;
        before = now;
    }
    QVERIFY(caughtNone && caughtMost);
    for (double d : {20.0, 40.0, 80.0}) {
        QVERIFY(e(d, 6, 25, mu) > e(d, 3, 25, mu));
        QVERIFY(e(d, 3, 50, mu) < e(d, 3, 25, mu));
        QVERIFY(e(d, 3, 25, AirViscosity(35)) < e(d, 3, 25, AirViscosity(5)));
    }
    // A narrow rod catches what a wide slide lets pass.
    QVERIFY(e(20, 3, 1, mu) > 0.5 && e(20, 3, 25, mu) < 0.1);
}

void TestCloudWeights::airFromTheTrial_data()
{
    QTest::addColumn<bool>("metric");
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("wind");
    QTest::addColumn<double>("ownSpeed"); // < 0: none given
    QTest::addColumn<double>("celsius");
    QTest::addColumn<double>("speed");
    QTest::addColumn<bool>("speedGiven");
    QTest::newRow("metric") << true << "25" << "18" << -1.0 << 25.0 << 5.0 << true;
    QTest::newRow("comma decimals") << true << "12,5" << "7,2" << -1.0 << 12.5 << 2.0 << true;
    QTest::newRow("U.S. units") << false << "86" << "10" << -1.0 << 30.0 << 4.4704 << true;
    QTest::newRow("own speed wins") << true << "" << "18" << 1.5 << 20.0 << 1.5 << true;
    QTest::newRow("nothing given") << true << "" << "" << -1.0 << 20.0 << 0.0 << false;
    QTest::newRow("unreadable") << true << "warm" << "calm" << -1.0 << 20.0 << 0.0 << false;
}

void TestCloudWeights::airFromTheTrial()
{
    QFETCH(bool, metric);
    QFETCH(QString, temperature);
    QFETCH(QString, wind);
    QFETCH(double, ownSpeed);
    QFETCH(double, celsius);
    QFETCH(double, speed);
    QFETCH(bool, speedGiven);
    SlideSet set;
    set.Params.Metric = metric;
    set.Texts.AirTemp = temperature;
    set.Texts.WindSpeed = wind;
    set.Cloud = impaction(kRibbon, 25, ownSpeed >= 0 ? std::optional<double>(ownSpeed) : std::nullopt);
    const SamplingAir air = ResolveSamplingAir(set);
    QVERIFY(near(air.TemperatureC, celsius, 1e-12));
    QVERIFY(near(air.Viscosity, AirViscosity(celsius), 1e-18));
    QVERIFY(near(air.SpeedMS, speed, 1e-12));
    QCOMPARE(air.SpeedGiven, speedGiven);
}

void TestCloudWeights::workedSlide()
{
    // Reference: 3 drops in class 1 (14 µm, E = 0, weighed at the floor), 10 in
    // class 2, 10 in class 4 and 5 in class 8.
    const SlideSet set = ::workedSlide({{1, 3}, {2, 10}, {4, 10}, {8, 5}});
    const Slide &s = set.Slides[1];
    const CloudWeights w(set);
    // The class diameters carry the float spread factor (0.56 is 0.5600000024).
    QVERIFY(near(w.Efficiency()[2], 0.4544404158, 1e-7) && near(w.Efficiency()[8], 0.9474621130, 1e-7));
    QCOMPARE(w.Efficiency()[1], 0.0);
    const struct { int k; double nf, vf; } expected[] = {
        {1, 0.602547304, 0.016107947}, {2, 0.220985078, 0.047260899},
        {4, 0.123471012, 0.211248690}, {8, 0.052996605, 0.725382464}};
    for (const auto &x : expected) {
        QVERIFY2(near(s.NF[x.k], x.nf, 2e-7), qPrintable(QString::number(x.k)));
        QVERIFY2(near(s.VF[x.k], x.vf, 2e-7), qPrintable(QString::number(x.k)));
    }
    QVERIFY(near(s.NMD, 11.617345, 1e-4));
    QVERIFY(near(s.VMD, 73.399673, 1e-4));
    QCOMPARE(DropsBelowFloor(set, w), int64_t(3));
    // On-slide figures are the counts themselves, whatever the weighting.
    QCOMPARE(s.TotalDrops, 28);
    QVERIFY(qFuzzyCompare(s.DropDensity, 280.0f));
    RangeStatistics r;
    ComputeRangeStats(r, set, 1);
    QCOMPARE(r.Count[1], 3);
    QVERIFY(near(r.SizeOnSlide[1], 3.0 / 28.0, 1e-7));
}

void TestCloudWeights::workedComposite()
{
    int16_t largest = 1;
    SlideSet set = SetWithSlide({{2, 10}, {4, 10}}, largest);
    const int16_t second = AddSlide(set, 5.0f);
    set.Slides[second].Sweeps = 2; // 0.2 cm²
    ComputeSlideArea(set.Slides[second], set.Params);
    set.Slides[second].Counts[4] = 6;
    set.Slides[second].Counts[8] = 4;
    set.Texts.AirTemp = QStringLiteral("25");
    set.Cloud = impaction(kRibbon, 25, 3.0);
    RecomputeSlides(set, largest);
    CompositeResults c;
    CalcComposite(set, c);
    QVERIFY(near(c.CompNF[2], 0.548763976, 2e-7) && near(c.CompNF[4], 0.398594229, 2e-7)
            && near(c.CompNF[8], 0.052641795, 2e-7));
    QVERIFY(near(c.CompNMD, 25.511879, 1e-4));
    QVERIFY(near(c.CompVMD, 54.382377, 1e-4));
    // Densities are on the slide: the mean of 200 and 50 drops per cm².
    QVERIFY(qFuzzyCompare(c.AveDropDensity, 125.0f));
}

void TestCloudWeights::weightsRestOnTheFloorBelowIt()
{
    // At 1.371 m/s 28 µm drops meet a 25 mm ribbon at ψ ≈ 0.13: caught, but at
    // E ≈ 0.003, so they weigh as if 5 % were caught.
    SlideSet set = ::workedSlide({{2, 10}, {4, 10}});
    set.Cloud.Collector.AirSpeedMS = 1.371;
    int16_t largest = 1;
    RecomputeSlides(set, largest);
    const CloudWeights w(set);
    QVERIFY(w.Efficiency()[2] > 0 && w.Efficiency()[2] < 0.01 && w.Efficiency()[4] > 0.5);
    QVERIFY(w.BelowFloor(2) && !w.BelowFloor(4));
    const double e4 = w.Efficiency()[4];
    QVERIFY(near(set.Slides[1].NF[2], (10 / 0.05) / (10 / 0.05 + 10 / e4), 2e-7));
    QVERIFY(near(set.Slides[1].VF[2], (10 * 8 / 0.05) / (10 * 8 / 0.05 + 10 * 64 / e4), 2e-7));
    QCOMPARE(DropsBelowFloor(set, w), int64_t(10));
}

void TestCloudWeights::everyInCloudFigureFollowsTheWeights()
{
    const SlideSet set = ::workedSlide({{1, 3}, {2, 10}, {4, 10}, {8, 5}});
    const Slide &s = set.Slides[1];
    // Dv0.5 is the VMD, found on the same cumulative volume.
    const DropSizeFigures f = SlideDropSizeFigures(set, 1);
    QVERIFY(near(f.Dv05, s.VMD, 1e-4));
    QVERIFY(f.Dv01 < f.Dv05 && f.Dv05 < f.Dv09);
    // Size range 7 -- 22 µm: CNF interpolated at 22 µm between classes 1 and 2,
    // 0.602547 + 0.220985 × (22/14 − 1), less half of class 1's 0.602547 at 7 µm.
    RangeStatistics r;
    ComputeRangeStats(r, set, 1);
    QVERIFY(near(r.SizeInCloud[1], 0.728824 - 0.301274, 2e-6));
    // Counting intervals redraw with the same weights: a hundred times the
    // drops make them narrow around the slide's own medians, well clear of the
    // "Diameter ²" ones (NMD 14.6 µm, VMD 48.1 µm).
    const SlideSet many = ::workedSlide({{1, 300}, {2, 1000}, {4, 1000}, {8, 500}});
    const Slide &m = many.Slides[1];
    BootstrapSettings b;
    b.Replicates = 400;
    const LineIntervals iv = BootstrapIntervals(many, b);
    QVERIFY(iv.Slides[1].NMD && iv.Slides[1].NMD->Low <= m.NMD && m.NMD <= iv.Slides[1].NMD->High);
    QVERIFY(iv.Slides[1].VMD && iv.Slides[1].NMD->High < 13.0f && iv.Slides[1].VMD->Low > 60.0f);
    QVERIFY(iv.Composite.NMD && iv.Composite.NMD->Low <= m.NMD && m.NMD <= iv.Composite.NMD->High);
    // The table's intervals hold the slide's own figures, gaps between counted
    // classes or not.
    const SprayQualityTable table = ComputeSprayQuality(many, {}, b);
    const SprayQualityRow &row = table.Slides[0];
    QVERIFY(row.Intervals.VMD && row.Intervals.VMD->Low <= m.VMD && m.VMD <= row.Intervals.VMD->High);
    QVERIFY(row.Intervals.Dv09 && row.Intervals.Dv09->Low <= row.Sizes.Dv09 && row.Sizes.Dv09 <= row.Intervals.Dv09->High);
}

void TestCloudWeights::backToDiameterSquaredIsBitForBit()
{
    std::mt19937 rng(22);
    int16_t largest = 1;
    const SlideSet original = RandomSet(rng, 6, 30, largest);
    SlideSet set = original;
    set.Texts.WindSpeed = QStringLiteral("12");
    set.Cloud = impaction(kCylinder, 5, std::nullopt);
    RecomputeSlides(set, largest);
    QVERIFY(!(set.Slides[1] == original.Slides[1]));
    set.Cloud = CloudWeighting();
    RecomputeSlides(set, largest);
    for (int i = 1; i <= original.SlideCount(); ++i)
        QVERIFY(set.Slides[i] == original.Slides[i]);
    CompositeResults a, b;
    CalcComposite(original, a);
    CalcComposite(set, b);
    QVERIFY(a.CompNF == b.CompNF && a.CompVF == b.CompVF && a.CompVMD == b.CompVMD && a.CompNMD == b.CompNMD);
}

void TestCloudWeights::fileKeepsDiameterSquaredFigures()
{
    std::mt19937 rng(7);
    int16_t largest = 1;
    const SlideSet squared = RandomSet(rng, 4, 20, largest);
    SlideSet set = squared;
    set.Texts.WindSpeed = QStringLiteral("10");
    set.Cloud = impaction(kRibbon, 25, std::nullopt);
    RecomputeSlides(set, largest);
    const NumberFormat format;
    CompositeResults composite;
    const QByteArray bytes = SlideSetFileBytes(set, QStringLiteral(","), format, &composite);
    SlideSet squaredTexts = squared;
    squaredTexts.Texts = set.Texts;
    QCOMPARE(bytes, SlideSetFileBytes(squaredTexts, QStringLiteral(","), format));
    // The caller's composite is that of its own weighting, and the set is untouched.
    CompositeResults own;
    CalcComposite(set, own);
    QVERIFY(composite.CompNMD == own.CompNMD && composite.CompCVF == own.CompCVF);
    QVERIFY(set.Cloud.Method == CloudMethod::Impaction);
}

void TestCloudWeights::methodInWords()
{
    const NumberFormat comma(QLatin1Char(','));
    SlideSet set = ::workedSlide({{1, 3}, {2, 10}});
    const QString text = CloudMethodText(set, comma);
    for (const char *part : {"ribbon", "25,0 mm", "3,00 m/s", "1000 kg/m", "25,0 \xC2\xB0""C", "Ranz", "0,05"})
        QVERIFY2(text.contains(QString::fromUtf8(part)), part);
    QVERIFY(BelowFloorText(set, comma).startsWith(QStringLiteral("3 counted drops")));
    QVERIFY(BelowFloorText(set, comma).contains(QStringLiteral("lower bound")));
    set.Cloud = impaction(kCylinder, 2, std::nullopt);
    set.Texts.WindSpeed = QStringLiteral("9");
    QVERIFY(CloudMethodText(set, comma).contains(QStringLiteral("2,50 m/s (the trial's wind speed)")));
    QVERIFY(CloudMethodText(set, comma).contains(QStringLiteral("Langmuir")));
    set.Cloud = CloudWeighting();
    QVERIFY(CloudMethodText(set, comma).contains(QStringLiteral("Diameter \u00B2")));
    QVERIFY(BelowFloorText(set, comma).isEmpty());
}

QTEST_GUILESS_MAIN(TestCloudWeights)
#include "test_cloudweights.moc"
