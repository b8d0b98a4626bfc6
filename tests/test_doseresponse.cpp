// The dose-response fit against independent fits (scipy and R), and every case
// in which no fit may be given.
#include "model/DoseResponse.h"
#include "model/NumberText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cmath>

namespace {

struct Cage
{
    double Deposit;
    int Insects;
    int Dead;
};

// A set whose slides carry the given deposits (drops/cm²) and 24 h cages.
SlideSet makeSet(const std::vector<Cage> &cages, std::optional<std::pair<int, int>> control = std::nullopt)
{
    SlideSet set;
    for (size_t i = 0; i < cages.size(); ++i) {
        Slide s;
        s.Position = float(i);
        s.DropDensity = float(cages[i].Deposit);
        s.Cage = MortalityCounts{int16_t(cages[i].Insects), int16_t(cages[i].Dead), int16_t(cages[i].Dead),
                                 int16_t(cages[i].Dead)};
        set.Slides.push_back(s);
    }
    if (control)
        set.ControlData = MortalityCounts{int16_t(control->first), 0, int16_t(control->second),
                                          int16_t(control->second)};
    return set;
}

bool near(double actual, double expected, double relative)
{
    return std::fabs(actual - expected) <= relative * std::fabs(expected);
}

const std::vector<Cage> kRotenone = {{10.2, 50, 44}, {7.7, 49, 42}, {5.1, 46, 24}, {3.8, 48, 16}, {2.6, 50, 6}};

} // namespace

class TestDoseResponse : public QObject
{
    Q_OBJECT
private slots:
    void distributions_data();
    void distributions();
    void rotenone_data();
    void rotenone();
    void referenceTrials();
    void notEstimable_data();
    void notEstimable();
    void naturalMortality();
    void volumeDeposit();
    void curveAndTable();
};

void TestDoseResponse::distributions_data()
{
    QTest::addColumn<double>("actual");
    QTest::addColumn<double>("expected");
    // Values from scipy.stats (norm.ppf, t.ppf, chi2.sf).
    QTest::newRow("z 0.975") << DoseMath::NormalQuantile(0.975) << 1.959963984540054;
    QTest::newRow("z 0.9") << DoseMath::NormalQuantile(0.9) << 1.2815515655446004;
    QTest::newRow("z 1e-10") << DoseMath::NormalQuantile(1e-10) << -6.361340902404056;
    QTest::newRow("t 1") << DoseMath::StudentTQuantile(0.975, 1) << 12.706204736174698;
    QTest::newRow("t 3") << DoseMath::StudentTQuantile(0.975, 3) << 3.182446305284263;
    QTest::newRow("t 30") << DoseMath::StudentTQuantile(0.975, 30) << 2.0422724563012373;
    QTest::newRow("chi2 1") << DoseMath::ChiSquareUpperTail(3.841458820694124, 1) << 0.05;
    QTest::newRow("chi2 10") << DoseMath::ChiSquareUpperTail(18.307038053275146, 10) << 0.05;
    QTest::newRow("chi2 3 small") << DoseMath::ChiSquareUpperTail(0.5, 3) << 0.9188914116546758;
    QTest::newRow("chi2 200") << DoseMath::ChiSquareUpperTail(250, 200) << 0.009379131668826098;
}

void TestDoseResponse::distributions()
{
    QFETCH(double, actual);
    QFETCH(double, expected);
    QVERIFY2(near(actual, expected, 1e-9), qPrintable(QString::number(actual, 'g', 17)));
}

void TestDoseResponse::rotenone_data()
{
    QTest::addColumn<int>("link");
    QTest::addColumn<QList<double>>("expected"); // a, b, se, LD50, low, high, LD90, low, high, chi, g
    // Finney's rotenone data fitted by R (tests/reference/finney_rotenone.R).
    QTest::newRow("probit") << int(DoseLink::Probit)
                            << QList<double>{-2.887463, 4.213197, 0.478303, 4.845492, 4.363429, 5.354227, 9.761430,
                                             8.405336, 12.134114, 1.728875, 0.049508};
    QTest::newRow("logit") << int(DoseLink::Logit)
                           << QList<double>{-4.886912, 7.146178, 0.892753, 4.828918, 4.341043, 5.350097, 9.802082,
                                            8.339818, 12.558992, 1.421795, 0.059953};
}

void TestDoseResponse::rotenone()
{
    QFETCH(int, link);
    QFETCH(QList<double>, expected);
    const DoseResponseFit fit = FitDoseResponse(makeSet(kRotenone), {24, DoseLink(link), DoseDeposit::Drops});
    QVERIFY2(fit.Fitted(), qPrintable(fit.Note));
    const double got[] = {*fit.Intercept, *fit.Slope, *fit.SlopeSE, *fit.LD50, fit.LD50Interval->Low,
                          fit.LD50Interval->High, *fit.LD90, fit.LD90Interval->Low, fit.LD90Interval->High,
                          *fit.ChiSquare, *fit.g};
    for (int i = 0; i < 11; ++i)
        QVERIFY2(near(got[i], expected[i], 2e-5), qPrintable(QStringLiteral("item %1: %2 against %3")
                                                                 .arg(i)
                                                                 .arg(got[i], 0, 'g', 9)
                                                                 .arg(expected[i], 0, 'g', 9)));
    QCOMPARE(*fit.DegreesOfFreedom, 3);
    QCOMPARE(*fit.HeterogeneityFactor, 1.0);
    QVERIFY(!fit.NaturalMortalityEstimated);
    QCOMPARE(*fit.NaturalMortality, 0.0);
    QCOMPARE(fit.Cages, 5);
}

// Random trials fitted by tests/reference/dose_reference.py (scipy): estimates
// within 0.2 %, limits within 3 %, and a fit exactly where the reference has one.
void TestDoseResponse::referenceTrials()
{
    QFile file(qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/dose_reference.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonArray trials = QJsonDocument::fromJson(file.readAll()).array();
    QVERIFY(trials.size() >= 200);
    int fitted = 0, withC = 0, onBound = 0, heldAtZero = 0, heterogeneous = 0, logit = 0, noLimits = 0;
    for (int i = 0; i < trials.size(); ++i) {
        const QJsonObject trial = trials[i].toObject();
        std::vector<Cage> cages;
        for (const QJsonValue &c : trial[QStringLiteral("cages")].toArray()) {
            const QJsonArray a = c.toArray();
            cages.push_back({a[0].toDouble(), a[1].toInt(), a[2].toInt()});
        }
        std::optional<std::pair<int, int>> control;
        if (trial[QStringLiteral("control")].isArray()) {
            const QJsonArray a = trial[QStringLiteral("control")].toArray();
            control = std::make_pair(a[0].toInt(), a[1].toInt());
        }
        const bool isLogit = trial[QStringLiteral("link")].toString() == QLatin1String("logit");
        const DoseResponseFit fit = FitDoseResponse(makeSet(cages, control),
                                                    {24, isLogit ? DoseLink::Logit : DoseLink::Probit,
                                                     DoseDeposit::Drops});
        const QJsonObject e = trial[QStringLiteral("expected")].toObject();
        const QString where = QStringLiteral("trial %1: ").arg(i);
        QVERIFY2(fit.Fitted() == e[QStringLiteral("fit")].toBool(), qPrintable(where + fit.Note));
        if (!fit.Fitted())
            continue;
        ++fitted;
        logit += isLogit;
        auto check = [&](double got, const char *key, double tolerance) {
            const double want = e[QLatin1String(key)].toDouble();
            QVERIFY2(near(got, want, tolerance),
                     qPrintable(where + QStringLiteral("%1 %2 against %3").arg(QLatin1String(key)).arg(got, 0, 'g', 9)
                                    .arg(want, 0, 'g', 9)));
        };
        check(*fit.Slope, "b", 0.002);
        check(*fit.LD50, "ld50", 0.002);
        check(*fit.LD90, "ld90", 0.002);
        QVERIFY2(std::fabs(*fit.Intercept - e[QStringLiteral("a")].toDouble()) <= 0.002 * std::max(1.0, std::fabs(*fit.Intercept)),
                 qPrintable(where + QStringLiteral("intercept")));
        QVERIFY2(std::fabs(*fit.NaturalMortality - e[QStringLiteral("C")].toDouble()) < 1e-3, qPrintable(where + "C"));
        check(*fit.SlopeSE, "se", 0.03);
        check(*fit.ChiSquare, "chi", 0.01);
        check(*fit.g, "g", 0.03);
        QCOMPARE(*fit.DegreesOfFreedom, e[QStringLiteral("df")].toInt());
        const auto limits = [&](const std::optional<DoseLimits> &got, const char *key) {
            const QJsonValue want = e[QLatin1String(key)];
            QVERIFY2(got.has_value() == want.isArray(), qPrintable(where + QLatin1String(key)));
            if (got) {
                QVERIFY2(near(got->Low, want.toArray()[0].toDouble(), 0.03), qPrintable(where + key + " low"));
                QVERIFY2(near(got->High, want.toArray()[1].toDouble(), 0.03), qPrintable(where + key + " high"));
            }
        };
        limits(fit.LD50Interval, "lim50");
        limits(fit.LD90Interval, "lim90");
        noLimits += !fit.LD50Interval.has_value();
        heterogeneous += *fit.HeterogeneityFactor > 1;
        if (!fit.NaturalMortalityEstimated)
            ++heldAtZero;
        else if (*fit.NaturalMortality == 0)
            ++onBound;
        else
            ++withC;
    }
    // The trials reach every branch of the rules.
    QVERIFY(fitted < trials.size());
    QVERIFY(withC >= 20 && onBound >= 5 && heldAtZero >= 20);
    QVERIFY(heterogeneous >= 10 && logit >= 50);
    qInfo("%d trials, %d fitted: %d with C, %d with C on 0, %d without control, %d heterogeneous, %d logit, "
          "%d without limits",
          int(trials.size()), fitted, withC, onBound, heldAtZero, heterogeneous, logit, noLimits);
}

void TestDoseResponse::notEstimable_data()
{
    QTest::addColumn<QList<double>>("cages"); // deposit, insects, dead, …
    QTest::addColumn<QList<int>>("control");  // insects, dead (empty: none)
    QTest::addColumn<QString>("reason");
    QTest::newRow("two cages with deposit")
        << QList<double>{10, 20, 5, 20, 20, 15, 0, 20, 1} << QList<int>{20, 1} << "2 caged slides with deposit";
    QTest::newRow("one deposit") << QList<double>{10, 20, 5, 10, 20, 8, 10, 20, 12} << QList<int>{}
                                 << "the same deposit";
    QTest::newRow("all alive") << QList<double>{5, 20, 0, 10, 20, 0, 20, 20, 0} << QList<int>{20, 2} << "at 0 %";
    QTest::newRow("all dead") << QList<double>{5, 20, 20, 10, 20, 20, 20, 20, 20} << QList<int>{} << "at 100 %";
    QTest::newRow("falling") << QList<double>{5, 20, 15, 10, 20, 10, 20, 20, 4, 40, 20, 2} << QList<int>{}
                             << "slope is not positive";
    QTest::newRow("clean jump") << QList<double>{5, 20, 0, 10, 20, 0, 20, 20, 20, 40, 20, 20} << QList<int>{}
                                << "did not converge";
    QTest::newRow("clean jump with control")
        << QList<double>{5, 20, 2, 10, 20, 1, 20, 20, 20, 40, 20, 20} << QList<int>{20, 2} << "did not converge";
    QTest::newRow("control all dead") << QList<double>{5, 20, 5, 10, 20, 10, 20, 20, 15} << QList<int>{20, 20}
                                      << "control cage";
    QTest::newRow("more dead than insects") << QList<double>{5, 20, 5, 10, 20, 25, 20, 20, 15} << QList<int>{}
                                            << "25 dead of 20";
    QTest::newRow("no cages") << QList<double>{} << QList<int>{} << "0 caged slides";
}

void TestDoseResponse::notEstimable()
{
    QFETCH(QList<double>, cages);
    QFETCH(QList<int>, control);
    QFETCH(QString, reason);
    std::vector<Cage> list;
    for (int i = 0; i + 2 < cages.size(); i += 3)
        list.push_back({cages[i], int(cages[i + 1]), int(cages[i + 2])});
    std::optional<std::pair<int, int>> c;
    if (!control.isEmpty())
        c = std::make_pair(control[0], control[1]);
    for (DoseLink link : {DoseLink::Probit, DoseLink::Logit}) {
        const DoseResponseFit fit = FitDoseResponse(makeSet(list, c), {24, link, DoseDeposit::Drops});
        QVERIFY(!fit.Fitted());
        QVERIFY2(fit.Note.contains(reason), qPrintable(fit.Note));
        // Never a number that is not a fit.
        QVERIFY(!fit.Intercept && !fit.SlopeSE && !fit.LD50 && !fit.LD90 && !fit.LD50Interval && !fit.ChiSquare
                && !fit.DegreesOfFreedom && !fit.HeterogeneityFactor && !fit.g && !fit.NaturalMortality);
    }
}

// C is estimated only with a control count for the hour; without one, the cages
// beside slides without drops are left out.
void TestDoseResponse::naturalMortality()
{
    SlideSet set = makeSet({{2.6, 50, 9}, {3.8, 48, 18}, {5.1, 46, 26}, {7.7, 49, 43}, {10.2, 50, 45}, {0, 40, 4}},
                           std::make_pair(40, 3));
    const DoseResponseFit at24 = FitDoseResponse(set, {24, DoseLink::Probit, DoseDeposit::Drops});
    QVERIFY(at24.Fitted());
    QVERIFY(at24.NaturalMortalityEstimated);
    QVERIFY(*at24.NaturalMortality > 0.02 && *at24.NaturalMortality < 0.2);
    QCOMPARE(at24.Cages, 6);
    QCOMPARE(*at24.DegreesOfFreedom, 6 - 3); // five dosed groups and the pooled one, three parameters
    QVERIFY(at24.ControlFraction && std::fabs(*at24.ControlFraction - 7.0 / 80) < 1e-12);

    // The 1 hr knockdown has no control count: C held at 0, the zero-deposit cage out.
    for (int i = 1; i <= set.SlideCount(); ++i)
        set.Slides[i].Cage.Down1h = set.Slides[i].Cage.Dead24h;
    const DoseResponseFit at1 = FitDoseResponse(set, {1, DoseLink::Probit, DoseDeposit::Drops});
    QVERIFY(at1.Fitted());
    QVERIFY(!at1.NaturalMortalityEstimated);
    QCOMPARE(*at1.NaturalMortality, 0.0);
    QCOMPARE(at1.Cages, 5);
    QCOMPARE(*at1.DegreesOfFreedom, 5 - 2);
    QVERIFY(!at1.Points.back().InFit);

    // Estimated with the same counts, C pulls the LD50 above the fit that ignores it.
    QVERIFY(*at24.LD50 > *at1.LD50);

    // Each hour reads its own counts: 12 hr of one set is 24 hr of another.
    SlideSet twelve = set;
    const int16_t dead12[] = {3, 10, 20, 38, 44, 2};
    for (int i = 1; i <= twelve.SlideCount(); ++i)
        twelve.Slides[i].Cage.Dead12h = dead12[i - 1];
    twelve.ControlData.Dead12h = 1;
    SlideSet as24 = twelve;
    for (int i = 1; i <= as24.SlideCount(); ++i)
        as24.Slides[i].Cage.Dead24h = as24.Slides[i].Cage.Dead12h;
    as24.ControlData.Dead24h = 1;
    const DoseResponseFit at12 = FitDoseResponse(twelve, {12, DoseLink::Probit, DoseDeposit::Drops});
    QVERIFY(at12.Fitted());
    QCOMPARE(at12.LD50, FitDoseResponse(as24, {24, DoseLink::Probit, DoseDeposit::Drops}).LD50);
    QVERIFY(*at12.LD50 != *at24.LD50);
}

// nL/cm² = Σ count_k · (π/6)·d_k³ / area, 1 µm³ = 10⁻⁶ nL.
void TestDoseResponse::volumeDeposit()
{
    AnalysisParameters params; // 25 µm per EPD, spread factor 0.56
    Slide slide;
    slide.Counts.assign(21, 0);
    slide.Counts[2] = 10; // 28 µm
    slide.Counts[5] = 1;  // 70 µm
    slide.Area = 0.5f;
    slide.DropDensity = 22;
    const double expected = (10 * 3.141592653589793 / 6 * 28 * 28 * 28 + 3.141592653589793 / 6 * 70 * 70 * 70) * 1e-6 / 0.5;
    QVERIFY(near(SlideDeposit(slide, params, DoseDeposit::Volume), expected, 1e-6));
    QCOMPARE(SlideDeposit(slide, params, DoseDeposit::Drops), 22.0);
}

void TestDoseResponse::curveAndTable()
{
    const DoseResponseFit fit = FitDoseResponse(makeSet(kRotenone), {});
    // Half the insects die at the LD50, the band holds the curve.
    const auto mid = DoseCurveAt(fit, *fit.LD50);
    QVERIFY(mid && std::fabs(mid->Mortality - 0.5) < 1e-9 && mid->Low < 0.5 && mid->High > 0.5);
    const auto ninety = DoseCurveAt(fit, *fit.LD90);
    QVERIFY(ninety && std::fabs(ninety->Mortality - 0.9) < 1e-9);
    QVERIFY(!DoseCurveAt(FitDoseResponse(SlideSet(), {}), 5));
    // Each cage's bar: the Wilson score interval (5 of 20 dead: 0.1119 to 0.4687).
    const DoseResponseFit five = FitDoseResponse(makeSet({{1, 20, 5}, {2, 20, 9}, {4, 20, 14}}), {});
    QVERIFY(std::fabs(five.Points[0].Binomial.Low - 0.11186170) < 1e-6
            && std::fabs(five.Points[0].Binomial.High - 0.46870088) < 1e-6);

    const NumberFormat comma(QLatin1Char(','));
    const QString table = DoseResponseClipboardText(fit, comma);
    QVERIFY2(table.contains(QStringLiteral("LD50 (drops/cm\u00B2)\t4,845\t4,363\t5,354\r\n")), qPrintable(table));
    QVERIFY(!DoseResponseMethodText(fit).isEmpty());
}

QTEST_GUILESS_MAIN(TestDoseResponse)
#include "test_doseresponse.moc"
