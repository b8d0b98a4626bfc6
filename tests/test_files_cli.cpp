// nimbrel-cli as a script uses it: output, exit status, nothing on stdout on failure.
#include "FilesTestSupport.h"
#include "model/SprayQuality.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

struct Run { int Exit = -1; QByteArray Out, Err; };

Run cli(const QStringList &args, const QString &language = QStringLiteral("C"), const QString &stdoutFile = QString())
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), language);
    env.remove(QStringLiteral("XDG_RUNTIME_DIR")); // Qt would remark on its absence
    process.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(QStringLiteral(NIMBREL_CLI), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

const QStringList kUs = {"--list-separator", ",", "--decimal-separator", "."};
const QString kGolden = FilesTestData(QStringLiteral("golden_us_control.csv"));

// The golden file's first `lines` lines, then `more`.
QString goldenStart(const QString &name, int lines, const QByteArray &more = QByteArray())
{
    static QTemporaryDir dir;
    QList<QByteArray> all = ReadBytes(kGolden).split('\n');
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(all.mid(0, lines).join('\n') + '\n' + more);
    return file.fileName();
}

// Width and height from a PNG's header, an invalid size when there is no PNG.
QSize pngSize(const QString &path)
{
    const QByteArray head = ReadBytes(path).left(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG"))
        return QSize();
    auto big = [&](int at) { return int(qFromBigEndian<quint32>(head.constData() + at)); };
    return QSize(big(16), big(20));
}

float number(const QJsonObject &o, const char *key) { return float(o[QLatin1String(key)].toDouble()); }

} // namespace

class TestFilesCli : public QObject
{
    Q_OBJECT

private slots:
    // Every figure reads back to the very float the program computes.
    void jsonHoldsEveryFigureExactly()
    {
        const Run run = cli(kUs + QStringList{"json", kGolden});
        const QJsonObject root = QJsonDocument::fromJson(run.Out).object();
        const LoadResult loaded = ReadSlideSetFile(kGolden, QStringLiteral(","), NumberFormat());
        const SlideSet &set = loaded.Loaded->Set;
        QCOMPARE(number(root, "ScanLength"), set.Params.ScanLength);
        QVERIFY(run.Out.contains("\"SpreadFactor\": 0.56,")); // shortest text, not 0.56000000238
        const QJsonObject texts = root[QLatin1String("Texts")].toObject();
        QVERIFY(!texts.contains(QLatin1String("Sprayer:"))); // "--------" in the file
        QCOMPARE(texts.size(), 10);

        const QJsonArray slides = root[QLatin1String("Slides")].toArray();
        QCOMPARE(slides.size(), 3);
        const QJsonObject first = slides[0].toObject();
        const Slide &want = set.Slides[1];
        QVERIFY(number(first, "Position") == want.Position && number(first, "Area") == want.Area);
        QVERIFY(number(first, "VMD") == want.VMD && number(first, "NumberWeightSum") == want.NumberWeightSum);
        const QJsonArray cvf = first[QLatin1String("CVF")].toArray();
        for (int k = 0; k <= 6; ++k) // class 6 holds 1: an array cut short fails
            QVERIFY(float(cvf[k].toDouble()) == want.CVF[k]);
        // No cage: no figures; a cage that died out against a surviving control: 100 %.
        QVERIFY(slides[1].toObject()[QLatin1String("Knockdown1h")].isNull());
        QCOMPARE(slides[2].toObject()[QLatin1String("Mortality24h")].toDouble(), 1.0);
        CompositeResults c;
        CalcComposite(set, c);
        QVERIFY(number(root[QLatin1String("Composite")].toObject(), "CompVMD") == c.CompVMD);

        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty.csv"));
        QCOMPARE(WriteSlideSetFile(empty, SlideSet(), QStringLiteral(","), NumberFormat()), QString());
        const Run none = cli(kUs + QStringList{"json", empty});
        QVERIFY(QJsonDocument::fromJson(none.Out).object()[QLatin1String("Composite")].isNull());
    }

    void summaryInTheUsersLocale()
    {
        Run run = cli({"summary", FilesTestData(QStringLiteral("golden_metric_semicolon.csv"))}, "de_DE.UTF-8");
        QCOMPARE(run.Exit, 0);
        QVERIFY2(run.Out.contains("3 slides, metric units") && run.Out.contains("35,0")
                     && run.Out.contains("control cage: none"),
                 run.Out.constData());
        run = cli(kUs + QStringList{"summary", kGolden, FilesTestData(QStringLiteral("earlier_layout.csv"))});
        QCOMPARE(run.Exit, 0);
        QVERIFY2(run.Out.contains("earlier_layout.csv: 3 slides") && run.Out.contains("55.56%"), run.Out.constData());
    }

    // The spray quality figures are the model's own, and --limits judges the composite.
    void sprayQualityFieldsAndVerdict()
    {
        const QString line = FilesTestData(QStringLiteral("realistic-line.csv"));
        const Run run = cli(kUs + QStringList{"--limits", ",,150", "json", line});
        const QJsonObject root = QJsonDocument::fromJson(run.Out).object();
        const LoadResult loaded = ReadSlideSetFile(line, QStringLiteral(","), NumberFormat());
        const SprayQualityTable want = ComputeSprayQuality(loaded.Loaded->Set, LabelLimits{{}, {}, 150.0f});
        const QJsonArray slides = root[QLatin1String("Slides")].toArray();
        QCOMPARE(slides.size(), int(want.Slides.size()));
        auto interval = [](const QJsonObject &o, const char *key) {
            const QJsonArray a = o[QLatin1String(key)].toArray();
            return a.size() == 2 ? std::optional<Interval>(Interval{float(a[0].toDouble()), float(a[1].toDouble())})
                                 : std::nullopt;
        };
        for (int i = 0; i < slides.size(); ++i) {
            const QJsonObject s = slides[i].toObject();
            const SprayQualityRow &w = want.Slides[size_t(i)];
            QVERIFY(number(s, "Dv01") == w.Sizes.Dv01 && number(s, "Dv09") == w.Sizes.Dv09);
            QVERIFY(number(s, "RelativeSpan") == w.Sizes.RelativeSpan && number(s, "VolumeBelow32um") == w.Sizes.VolumeBelow32um);
            QCOMPARE(interval(s, "VMDInterval"), w.Intervals.VMD);
            QCOMPARE(interval(s, "Mortality24hInterval"), w.Mortality24hInterval);
        }
        const QJsonObject composite = root[QLatin1String("Composite")].toObject();
        QVERIFY(number(composite, "Dv09") == want.Composite.Sizes.Dv09);
        QCOMPARE(interval(composite, "Dv09Interval"), want.Composite.Intervals.Dv09);
        QCOMPARE(root[QLatin1String("LabelVerdict")].toString(), QStringLiteral("within the label limits"));

    }

    // Unwritable output fails; a cut file warns on one line; no Qt notices on stderr.
    void outputAndWarnings_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdoutFile");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message"); // the whole of stderr is this one line, or empty
        const QString cut = goldenStart(QStringLiteral("cut.csv"), 104);
        const QString warning = cut + ": warning: the file ends inside the drop table of slide 3 (position 7.5 ft)";
        QTest::newRow("json into a full device") << kUs + QStringList{"json", kGolden} << "/dev/full" << 1
                                                  << "nimbrel-cli: cannot write the output: No space left on device";
        QTest::newRow("summary into a full device") << kUs + QStringList{"summary", kGolden} << "/dev/full" << 1
                                                     << "nimbrel-cli: cannot write the output: No space left on device";
        QTest::newRow("summary of a cut file") << kUs + QStringList{"summary", cut} << "" << 0 << "nimbrel-cli: " + warning;
        QTest::newRow("plot of a cut file") << kUs + QStringList{"plot", cut, "--graph", "histogram", "-o", cut + ".png"}
                                            << "" << 0 << "nimbrel-cli plot: " + warning;
        QTest::newRow("plot, no runtime folder") << QStringList{"plot", kGolden, "--graph", "line-data", "-o", cut + ".png"}
                                                 << "" << 0 << "";
    }
    void outputAndWarnings()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, stdoutFile);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const Run run = cli(args, QStringLiteral("C"), stdoutFile);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(message.isEmpty() ? run.Err.isEmpty() : run.Err.startsWith(message.toUtf8()), run.Err.constData());
        QCOMPARE(run.Err.count('\n'), message.isEmpty() ? 0 : 1);
    }

    void failuresAndUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        auto row = [](const char *name, const QStringList &args, int exit, const QString &message) {
            QTest::newRow(name) << args << exit << message;
        };
        const QString semicolon = FilesTestData(QStringLiteral("golden_metric_semicolon.csv"));
        row("wrong separators", kUs + QStringList{"summary", kGolden, semicolon}, 1, "line 9: expected the unit system");
        row("not a slide set", kUs + QStringList{"json", FilesTestData("../CMakeLists.txt")}, 1,
            "'CMakeLists.txt' does not appear to be a slide data set.");
        row("cannot write", kUs + QStringList{"rewrite", kGolden, "/nonexistent/out.csv"}, 1, "/nonexistent/out.csv");
        row("no command", kUs, 2, "no command given");
        row("separators that clash", {"--list-separator=,", "--decimal-separator=,", "json", kGolden}, 2,
            "would split numbers");
        row("a limit that is no diameter", {"--limits", "8,abc,50", "summary", kGolden}, 2, "'abc' is not a diameter");
        // A bad line is quoted with its control characters escaped, on one line.
        const QString bad = goldenStart(QStringLiteral("bad.csv"), 44, "Slide 1 Position:,,a\x0b" "b\r,ft\r\n");
        row("control characters in a bad line", kUs + QStringList{"json", bad}, 1, bad + ": line 45: expected a number in "
            "the third field (the position of slide 1), found \"a\\x0bb\\r\"");
        row("plot names the file", kUs + QStringList{"plot", bad, "--graph", "histogram", "-o", bad + ".png"}, 1,
            "nimbrel-cli plot: " + bad + ": line 45:");
    }
    void failuresAndUsage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const Run run = cli(args);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(run.Out.isEmpty(), run.Out.constData());
        QVERIFY2(QString::fromUtf8(run.Err).contains(message), run.Err.constData());
        if (exit == 1)
            QCOMPARE(run.Err.count('\n'), 1); // the reason on one line
    }

    // How options are spelled and repeated, before and after the command word:
    // what a script writes must keep meaning what it meant.
    void optionSpellings_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message"); // the first line of stderr starts so; empty: stderr is empty
        QTest::addColumn<QSize>("image");     // of OUT.png when one is written
        static QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("out.png"));
        const QString line = FilesTestData(QStringLiteral("realistic-line.csv"));
        const QStringList plot = {"plot", line, "-o", png};
        auto row = [](const char *name, const QStringList &args, int exit, const QString &message,
                      QSize image = QSize()) { QTest::newRow(name) << args << exit << message << image; };
        row("plot: the last --graph counts", plot + QStringList{"--graph", "histogram", "--graph=line-data"}, 0, "",
            QSize(720, 480));
        row("plot: a bad value given first still fails", plot + QStringList{"--graph", "pie", "--graph", "histogram"}, 2,
            "nimbrel-cli plot: unknown graph \"pie\"");
        row("plot: short separator names", plot + QStringList{"--graph", "histogram", "--separator", ",", "--decimal=."},
            0, "", QSize(285, 70));
        row("plot: global separators before the word", kUs + plot + QStringList{"--graph", "histogram"}, 0, "",
            QSize(285, 70));
        row("plot: value missing at the end", {"plot", line, "--graph", "histogram", "-o"}, 2,
            "nimbrel-cli plot: -o needs a value");
        row("plot: -o glued to its value", {"plot", line, "--graph", "histogram", "-o=" + png}, 2,
            "nimbrel-cli plot: unknown option -o=");
        row("plot: -o with two dashes", {"plot", line, "--graph", "histogram", "--o", png}, 2,
            "nimbrel-cli plot: unknown option --o");
        row("plot: a flag given a value", plot + QStringList{"--graph", "histogram", "--composite=yes"}, 2,
            "nimbrel-cli plot: --composite takes no value");
        row("plot: -- ends the options", plot + QStringList{"--graph", "histogram", "--", "--slide"}, 2,
            "nimbrel-cli plot: one slide set file only (\"--slide\" is a second)");
        row("report: --limits before the word", {"--limits", ",,150", "report", line, "--page", "4", "-o", png}, 0, "",
            QSize(850, 1100));
        row("report: value missing at the end", {"report", line, "-o", png, "--page"}, 2,
            "nimbrel-cli report: --page needs a value");
        row("global: value missing at the end", {"summary", kGolden, "--limits"}, 2, "nimbrel-cli: --limits needs a value");
        row("global: unknown option with a value", {"--verbose=2", "summary", kGolden}, 2,
            "nimbrel-cli: unknown option --verbose");
        row("global: a single dash is no file name", kUs + QStringList{"json", "-q"}, 2, "nimbrel-cli: unknown option -q");
        row("global: the last separator counts", {"--decimal-separator", ",", "--list-separator", ";",
                                                  "--decimal-separator=.", "--list-separator=,", "summary", "--", kGolden},
            0, "");
    }
    void optionSpellings()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QFETCH(QSize, image);
        const QString png = args.filter(QStringLiteral("out.png")).value(0);
        if (!png.isEmpty())
            QFile::remove(png);
        const Run run = cli(args);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(message.isEmpty() ? run.Err.isEmpty() : run.Err.startsWith(message.toUtf8()), run.Err.constData());
        if (image.isValid())
            QCOMPARE(pngSize(png), image);
    }
};

QTEST_GUILESS_MAIN(TestFilesCli)
#include "test_files_cli.moc"
