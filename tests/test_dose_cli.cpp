// The dose-response fit as the command line gives it: json's DoseResponse object
// under each choice of hour, link and deposit, and summary's line.
#include "FilesTestSupport.h"
#include "model/DoseResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

struct Run { int Exit = -1; QByteArray Out, Err; };

Run cli(const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBREL_CLI), QStringList{"--list-separator", ",", "--decimal-separator", "."} + args);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString kLine = FilesTestData(QStringLiteral("realistic-line.csv"));

} // namespace

class TestDoseCli : public QObject
{
    Q_OBJECT
private slots:
    void jsonFollowsTheOptions_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("deposit");
        QTest::newRow("defaults") << QStringList{} << 24 << int(DoseLink::Probit) << int(DoseDeposit::Drops);
        QTest::newRow("12 h logit") << QStringList{"--dose-hour", "12", "--link=logit"} << 12 << int(DoseLink::Logit)
                                    << int(DoseDeposit::Drops);
        QTest::newRow("knockdown by volume") << QStringList{"--deposit", "volume", "--dose-hour", "1"} << 1
                                             << int(DoseLink::Probit) << int(DoseDeposit::Volume);
    }
    void jsonFollowsTheOptions()
    {
        QFETCH(QStringList, options);
        QFETCH(int, hour);
        QFETCH(int, link);
        QFETCH(int, deposit);
        const Run run = cli(options + QStringList{"json", kLine});
        QCOMPARE(run.Exit, 0);
        const QJsonObject dose = QJsonDocument::fromJson(run.Out).object()[QLatin1String("DoseResponse")].toObject();
        const SlideSet set = ReadSlideSetFile(kLine, QStringLiteral(","), NumberFormat()).Loaded->Set;
        const DoseResponseFit want = FitDoseResponse(set, {hour, DoseLink(link), DoseDeposit(deposit)});
        QVERIFY(want.Fitted());
        QCOMPARE(dose[QLatin1String("Hour")].toInt(), hour);
        QCOMPARE(dose[QLatin1String("Link")].toString(), DoseLinkName(DoseLink(link)));
        QCOMPARE(dose[QLatin1String("Deposit")].toString(), DoseDepositName(DoseDeposit(deposit)));
        QCOMPARE(dose[QLatin1String("Cages")].toInt(), want.Cages);
        QCOMPARE(dose[QLatin1String("NaturalMortalityEstimated")].toBool(), hour != 1);
        auto same = [&](const char *key, double value) {
            QVERIFY2(dose[QLatin1String(key)].toDouble() == value, key);
        };
        same("Intercept", *want.Intercept);
        same("Slope", *want.Slope);
        same("SlopeSE", *want.SlopeSE);
        same("NaturalMortality", *want.NaturalMortality);
        same("LD50", *want.LD50);
        same("LD90", *want.LD90);
        same("ChiSquare", *want.ChiSquare);
        same("HeterogeneityFactor", *want.HeterogeneityFactor);
        same("g", *want.g);
        QCOMPARE(dose[QLatin1String("DegreesOfFreedom")].toInt(), *want.DegreesOfFreedom);
        const QJsonArray limits = dose[QLatin1String("LD50Interval")].toArray();
        QVERIFY(limits.size() == 2 && limits[0].toDouble() == want.LD50Interval->Low
                && limits[1].toDouble() == want.LD50Interval->High);
        QVERIFY(dose[QLatin1String("Note")].isNull());
    }

    // No fit: every figure null and the reason in Note; summary says it too.
    void noFit()
    {
        const QString golden = FilesTestData(QStringLiteral("golden_us_control.csv")); // two cages with drops
        const Run run = cli({"json", golden});
        const QJsonObject dose = QJsonDocument::fromJson(run.Out).object()[QLatin1String("DoseResponse")].toObject();
        for (const char *key : {"Intercept", "Slope", "SlopeSE", "NaturalMortality", "LD50", "LD50Interval", "LD90",
                                "LD90Interval", "ChiSquare", "DegreesOfFreedom", "HeterogeneityFactor", "g"})
            QVERIFY2(dose.contains(QLatin1String(key)) && dose[QLatin1String(key)].isNull(), key);
        QVERIFY(dose[QLatin1String("Note")].toString().contains(QStringLiteral("at least 3")));
        const Run summary = cli({"summary", golden});
        QVERIFY2(summary.Out.contains("dose response (24 hr mortality, probit): Not estimable"), summary.Out.constData());
    }

    void summaryLine()
    {
        const Run run = cli({"--link", "logit", "summary", kLine});
        QVERIFY2(run.Exit == 0 && run.Out.contains("dose response (24 hr mortality, logit): LD50 ")
                     && run.Out.contains(" drops/cm\u00B2 (95 % "),
                 run.Out.constData());
    }

    void badValues_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("hour") << QStringList{"--dose-hour", "6", "json", kLine} << "--dose-hour wants 1, 12 or 24";
        QTest::newRow("link") << QStringList{"--link", "cloglog", "json", kLine} << "--link wants probit or logit";
        QTest::newRow("deposit") << QStringList{"json", kLine, "--deposit=mass"} << "--deposit wants drops or volume";
    }
    void badValues()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = cli(args);
        QCOMPARE(run.Exit, 2);
        QVERIFY(run.Out.isEmpty());
        QVERIFY2(QString::fromUtf8(run.Err).contains(message), run.Err.constData());
    }
};

QTEST_GUILESS_MAIN(TestDoseCli)
#include "test_dose_cli.moc"
