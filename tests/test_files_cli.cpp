// nimbrel-cli as a script would use it: output, exit status, nothing on stdout
// when a file fails.
#include "FilesTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

struct Run
{
    int Exit = -1;
    QByteArray Out;
    QByteArray Err;
};

Run cli(const QStringList &args, const QString &language = QStringLiteral("C"))
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), language);
    env.insert(QStringLiteral("LANG"), language);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBREL_CLI), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

const QStringList kUs = {QStringLiteral("--list-separator"), QStringLiteral(","), QStringLiteral("--decimal-separator"),
                         QStringLiteral(".")};

} // namespace

class TestFilesCli : public QObject
{
    Q_OBJECT

private slots:
    void jsonHoldsEveryFigureExactly()
    {
        const QString path = FilesTestData(QStringLiteral("golden_us_control.csv"));
        const Run run = cli(kUs + QStringList{QStringLiteral("json"), path});
        QCOMPARE(run.Exit, 0);
        QVERIFY(run.Err.isEmpty());
        QJsonParseError parseError;
        const QJsonObject root = QJsonDocument::fromJson(run.Out, &parseError).object();
        QCOMPARE(parseError.error, QJsonParseError::NoError);

        const LoadResult loaded = ReadSlideSetFile(path, QStringLiteral(","), NumberFormat());
        QVERIFY(loaded.Ok());
        const SlideSet &set = loaded.Loaded->Set;
        QCOMPARE(root[QLatin1String("Metric")].toBool(), false);
        QCOMPARE(float(root[QLatin1String("ScanLength")].toDouble()), set.Params.ScanLength);
        QVERIFY(run.Out.contains("\"SpreadFactor\": 0.56,")); // shortest text, not 0.56000000238
        QCOMPARE(root[QLatin1String("MaxSizeEPD")].toInt(), 6);
        QCOMPARE(root[QLatin1String("LargestSizeFound")].toInt(), 6);

        const QJsonObject texts = root[QLatin1String("Texts")].toObject();
        QCOMPARE(texts[QLatin1String("Agency:")].toString(), QStringLiteral("Tarvell Field Unit"));
        QCOMPARE(texts[QLatin1String("Date:")].toString(), QStringLiteral("05-Mar-2024"));
        QVERIFY(!texts.contains(QLatin1String("Sprayer:"))); // "--------" in the file
        QVERIFY(!texts.contains(QLatin1String("Wind Speed:")));
        QCOMPARE(texts.size(), 10);
        QCOMPARE(root[QLatin1String("ControlData")].toObject()[QLatin1String("NumInCage")].toInt(), 20);

        const QJsonArray slides = root[QLatin1String("Slides")].toArray();
        QCOMPARE(slides.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject s = slides[i].toObject();
            const Slide &want = set.Slides[i + 1];
            QCOMPARE(float(s[QLatin1String("Position")].toDouble()), want.Position);
            QVERIFY(float(s[QLatin1String("Area")].toDouble()) == want.Area);
            QVERIFY(float(s[QLatin1String("VMD")].toDouble()) == want.VMD);
            QVERIFY(float(s[QLatin1String("NumberWeightSum")].toDouble()) == want.NumberWeightSum);
            const QJsonArray cvf = s[QLatin1String("CVF")].toArray();
            QCOMPARE(cvf.size(), 7);
            for (int k = 0; k <= 6; ++k)
                QVERIFY(float(cvf[k].toDouble()) == want.CVF[k]);
            QCOMPARE(s[QLatin1String("RangeStats")].toObject()[QLatin1String("Count")].toArray().size(), 5);
        }
        // The slide without a cage has no mortality figures; the cage that died
        // out against a surviving control shows 100 %.
        QVERIFY(slides[1].toObject()[QLatin1String("Knockdown1h")].isNull());
        QCOMPARE(slides[2].toObject()[QLatin1String("Mortality24h")].toDouble(), 1.0);
        QCOMPARE(slides[0].toObject()[QLatin1String("Cage")].toObject()[QLatin1String("Down1h")].toInt(), 5);

        const QJsonObject composite = root[QLatin1String("Composite")].toObject();
        CompositeResults c;
        CalcComposite(set, c);
        QVERIFY(float(composite[QLatin1String("CompVMD")].toDouble()) == c.CompVMD);
        QVERIFY(float(composite[QLatin1String("AveDropDensity")].toDouble()) == c.AveDropDensity);
        QCOMPARE(composite[QLatin1String("CompDensity")].toArray().size(), 7);
    }

    void jsonOfASetWithoutSlides()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.csv"));
        SlideSet empty;
        QCOMPARE(WriteSlideSetFile(path, empty, QStringLiteral(","), NumberFormat()), QString());
        const Run run = cli(kUs + QStringList{QStringLiteral("json"), path});
        QCOMPARE(run.Exit, 0);
        const QJsonObject root = QJsonDocument::fromJson(run.Out).object();
        QVERIFY(root[QLatin1String("Composite")].isNull());
        QCOMPARE(root[QLatin1String("Slides")].toArray().size(), 0);
    }

    void summaryInTheUsersLocale()
    {
        // A German locale: semicolons between fields, decimal commas.
        const Run run = cli({QStringLiteral("summary"), FilesTestData(QStringLiteral("golden_metric_semicolon.csv"))},
                            QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(run.Exit, 0);
        const QString text = QString::fromUtf8(run.Out);
        QVERIFY2(text.contains(QLatin1String("3 slides, metric units")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("35,0")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("composite: VMD")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("control cage: none")), qPrintable(text));
    }

    void summaryOfSeveralFiles()
    {
        const Run run = cli(kUs + QStringList{QStringLiteral("summary"),
                                              FilesTestData(QStringLiteral("golden_us_control.csv")),
                                              FilesTestData(QStringLiteral("earlier_layout.csv"))});
        QCOMPARE(run.Exit, 0);
        const QString text = QString::fromUtf8(run.Out);
        QVERIFY(text.contains(QLatin1String("golden_us_control.csv: 3 slides")));
        QVERIFY(text.contains(QLatin1String("earlier_layout.csv: 3 slides")));
        QVERIFY(text.contains(QLatin1String("55.56%")));
        QVERIFY(text.contains(QLatin1String("Position (ft)")));
    }

    void rewriteGivesTheProgramsOwnFile()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.csv"));
        // The earlier layout comes out in the current one, Date and Time empty.
        Run run = cli(kUs + QStringList{QStringLiteral("rewrite"), FilesTestData(QStringLiteral("golden_us_control.csv")), out});
        QCOMPARE(run.Exit, 0);
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(ReadBytes(out), ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv"))));
        run = cli(kUs + QStringList{QStringLiteral("rewrite"), FilesTestData(QStringLiteral("earlier_layout.csv")), out});
        QCOMPARE(run.Exit, 0);
        QVERIFY(ReadBytes(out).startsWith("=======================\r\n Tarvell Nimbrel\r\n"));
        QVERIFY(ReadBytes(out).contains("\r\nDate:,,\r\nTime:,,\r\n"));
    }

    void failuresAndUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        const QString golden = FilesTestData(QStringLiteral("golden_us_control.csv"));
        const QString semicolon = FilesTestData(QStringLiteral("golden_metric_semicolon.csv"));
        QTest::newRow("no such file") << (kUs + QStringList{"json", "/nonexistent/set.csv"}) << 1 << "set.csv";
        QTest::newRow("wrong separators") << (kUs + QStringList{"summary", golden, semicolon}) << 1
                                          << "line 9: expected the unit system";
        QTest::newRow("not a slide set") << (kUs + QStringList{"json", FilesTestData("../CMakeLists.txt")}) << 1
                                         << "'CMakeLists.txt' does not appear to be a slide data set.";
        QTest::newRow("cannot write") << (kUs + QStringList{"rewrite", golden, "/nonexistent/out.csv"}) << 1
                                      << "/nonexistent/out.csv";
        QTest::newRow("no command") << kUs << 2 << "no command given";
        QTest::newRow("unknown command") << QStringList{"frobnicate", golden} << 2 << "unknown command frobnicate";
        QTest::newRow("unknown option") << QStringList{"--verbose", "json", golden} << 2 << "unknown option --verbose";
        QTest::newRow("missing file") << QStringList{"json"} << 2 << "usage: nimbrel-cli json FILE";
        QTest::newRow("too many files") << QStringList{"json", golden, golden} << 2 << "usage: nimbrel-cli json FILE";
        QTest::newRow("separators that clash")
            << QStringList{"--list-separator=,", "--decimal-separator=,", "json", golden} << 2 << "would split numbers";
        QTest::newRow("option without value") << QStringList{"json", golden, "--list-separator"} << 2 << "needs a value";
    }
    void failuresAndUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const Run run = cli(args);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(run.Out.isEmpty(), run.Out.constData());
        const QString err = QString::fromUtf8(run.Err);
        QVERIFY2(err.contains(message), qPrintable(err));
        if (exit == 1)
            QCOMPARE(err.count(QLatin1Char('\n')), 1); // the reason on one line
    }

    void help()
    {
        const Run run = cli({QStringLiteral("--help")});
        QCOMPARE(run.Exit, 0);
        QVERIFY(run.Out.startsWith("Usage: nimbrel-cli"));
        for (const char *command : {"json FILE", "summary FILE...", "rewrite IN OUT", "--list-separator"})
            QVERIFY(run.Out.contains(command));
    }
};

QTEST_GUILESS_MAIN(TestFilesCli)
#include "test_files_cli.moc"
