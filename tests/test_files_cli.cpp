// nimbrel-cli as a script uses it: output, exit status, nothing on stdout on failure.
#include "FilesTestSupport.h"
#include "model/SprayQuality.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

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

        // An empty set has no composite.
        const QString empty = goldenStart(QStringLiteral("empty.csv"), 0);
        QCOMPARE(WriteSlideSetFile(empty, SlideSet(), QStringLiteral(","), NumberFormat()), QString());
        QVERIFY(QJsonDocument::fromJson(cli(kUs + QStringList{"json", empty}).Out).object()[QLatin1String("Composite")].isNull());
    }

    // A set whose text is many times what is held before it is written out
    // comes out whole: every slide once, in order, one closing line break.
    void jsonOfALargeSetComesWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("large.csv"));
        SlideSet set = GoldenSet(false, true);
        const int first = set.SlideCount();
        for (int i = 0; i < 1500; ++i)
            FillSlide(set, AddSlide(set, 10.0f + float(i)), 1, {{1, 3 + i % 7}, {4, 2}, {6, 1 + i % 3}}, MortalityCounts{});
        QCOMPARE(WriteSlideSetFile(path, set, QStringLiteral(","), NumberFormat()), QString());
        const Run run = cli(kUs + QStringList{"json", path});
        QCOMPARE(run.Exit, 0);
        QVERIFY(run.Out.size() > 2'000'000);
        QVERIFY(run.Out.endsWith("}\n") && !run.Out.endsWith("\n\n"));
        QJsonParseError error;
        const QJsonArray slides = QJsonDocument::fromJson(run.Out, &error).object()[QLatin1String("Slides")].toArray();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(slides.size(), set.SlideCount());
        for (int i = 0; i < 1500; ++i)
            QCOMPARE(number(slides[first + i].toObject(), "Position"), 10.0f + float(i));
    }

    void summaryInTheUsersLocale()
    {
        Run run = cli({"summary", FilesTestData(QStringLiteral("golden_metric_semicolon.csv"))}, "de_DE.UTF-8");
        QVERIFY2(run.Exit == 0 && run.Out.contains("3 slides, metric units") && run.Out.contains("35,0")
                     && run.Out.contains("control cage: none"), run.Out.constData());
        run = cli(kUs + QStringList{"summary", kGolden, FilesTestData(QStringLiteral("earlier_layout.csv"))});
        QVERIFY2(run.Exit == 0 && run.Out.contains("earlier_layout.csv: 3 slides") && run.Out.contains("55.56%"),
                 run.Out.constData());
    }

    // The spray quality figures are the model's own, and --limits judges the composite.
    void sprayQualityFieldsAndVerdict()
    {
        const QString line = FilesTestData(QStringLiteral("realistic-line.csv"));
        const Run run = cli(kUs + QStringList{"--limits", ",,150", "json", line});
        const QJsonObject root = QJsonDocument::fromJson(run.Out).object();
        const SprayQualityTable want = ComputeSprayQuality(
            ReadSlideSetFile(line, QStringLiteral(","), NumberFormat()).Loaded->Set, LabelLimits{{}, {}, 150.0f});
        const QJsonArray slides = root[QLatin1String("Slides")].toArray();
        QCOMPARE(slides.size(), int(want.Slides.size()));
        auto interval = [](const QJsonObject &o, const char *key) {
            const QJsonArray a = o[QLatin1String(key)].toArray();
            return a.size() == 2 ? std::optional<std::pair<float, float>>({float(a[0].toDouble()), float(a[1].toDouble())})
                                 : std::nullopt;
        };
        // The ends alone: json leaves out the draws' error.
        auto ends = [](const std::optional<Interval> &i) {
            return i ? std::optional<std::pair<float, float>>({i->Low, i->High}) : std::nullopt;
        };
        for (int i = 0; i < slides.size(); ++i) {
            const QJsonObject s = slides[i].toObject();
            const SprayQualityRow &w = want.Slides[size_t(i)];
            QVERIFY(number(s, "Dv01") == w.Sizes.Dv01 && number(s, "Dv09") == w.Sizes.Dv09
                    && number(s, "VolumeBelow32um") == w.Sizes.VolumeBelow32um);
            QVERIFY(interval(s, "VMDInterval") == ends(w.Intervals.VMD)
                    && interval(s, "Mortality24hInterval") == ends(w.Mortality24hInterval));
        }
        const QJsonObject composite = root[QLatin1String("Composite")].toObject();
        QVERIFY(number(composite, "Dv09") == want.Composite.Sizes.Dv09
                && interval(composite, "Dv09Interval") == ends(want.Composite.Intervals.Dv09));
        QCOMPARE(root[QLatin1String("LabelVerdict")].toString(), QStringLiteral("within the label limits"));

    }

    // Exit status and stderr: a failure is one line and leaves stdout empty; option
    // spellings keep meaning what they meant before the command word moved.
    void exitAndMessages_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("stdoutFile");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message"); // stderr holds it; empty: stderr is empty
        QTest::addColumn<QSize>("image");     // of out.png when one is written
        static QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("out.png"));
        const QString line = FilesTestData(QStringLiteral("realistic-line.csv"));
        const QStringList plot = {"plot", line, "-o", png};
        auto row = [](const char *name, const QStringList &args, int exit, const QString &message,
                      QSize image = QSize(), const QString &out = QString()) {
            QTest::newRow(name) << args << out << exit << message << image;
        };
        const QString cut = goldenStart(QStringLiteral("cut.csv"), 104);
        const QString warning = cut + ": warning: the file ends inside the drop table of slide 3 (position 7.5 ft)";
        row("json into a full device", kUs + QStringList{"json", kGolden}, 1,
            "nimbrel-cli: cannot write the output: No space left on device", {}, "/dev/full");
        row("summary of a cut file", kUs + QStringList{"summary", cut}, 0, "nimbrel-cli: " + warning);
        row("plot of a cut file", kUs + QStringList{"plot", cut, "--graph", "histogram", "-o", png}, 0,
            "nimbrel-cli plot: " + warning);
        row("plot, no runtime folder", {"plot", kGolden, "--graph", "line-data", "-o", png}, 0, "");
        const QString semicolon = FilesTestData(QStringLiteral("golden_metric_semicolon.csv"));
        row("wrong separators", kUs + QStringList{"summary", kGolden, semicolon}, 1, "line 9: expected the unit system");
        row("no command", kUs, 2, "no command given");
        row("separators that clash", {"--list-separator=,", "--decimal-separator=,", "json", kGolden}, 2,
            "would split numbers");
        row("a limit that is no diameter", {"--limits", "8,abc,50", "summary", kGolden}, 2, "'abc' is not a diameter");
        // A bad line is quoted with its control characters escaped, on one line.
        const QString bad = goldenStart(QStringLiteral("bad.csv"), 44, "Slide 1 Position:,,a\x0b" "b\r,ft\r\n");
        row("control characters in a bad line", kUs + QStringList{"json", bad}, 1, bad + ": line 45: expected a number in "
            "the third field (the position of slide 1), found \"a\\x0bb\\r\"");
        row("plot names the file", kUs + QStringList{"plot", bad, "--graph", "histogram", "-o", png}, 1,
            "nimbrel-cli plot: " + bad + ": line 45:");
        row("plot: the last --graph counts", plot + QStringList{"--graph", "histogram", "--graph=line-data"}, 0, "",
            QSize(720, 480));
        row("plot: a bad value given first still fails", plot + QStringList{"--graph", "pie", "--graph", "histogram"}, 2,
            "nimbrel-cli plot: unknown graph \"pie\"");
        row("plot: the last -o counts", {"plot", line, "--graph", "line-data", "-o", dir.filePath("first.png"), "-o", png},
            0, "", QSize(720, 480));
        // --help wins over a mistake beside it, in every drawing command.
        row("plot: --help beside a mistake", {"plot", "--graph", "pie", "--help"}, 0, "");
        row("report: --help beside a mistake", {"report", "--page", "0", "--help"}, 0, "");
        row("workbook: --help beside a mistake", {"workbook", "--link", "cubic", "--help"}, 0, "");
        row("plot: value missing at the end", {"plot", line, "--graph", "histogram", "-o"}, 2,
            "nimbrel-cli plot: -o needs a value");
        row("plot: -o glued to its value", {"plot", line, "--graph", "histogram", "-o=" + png}, 2,
            "nimbrel-cli plot: unknown option -o=");
        row("plot: -- ends the options", plot + QStringList{"--graph", "histogram", "--", "--slide"}, 2,
            "nimbrel-cli plot: one slide set file only (\"--slide\" is a second)");
        row("report: --limits before the word", {"--limits", ",,150", "report", line, "--page", "4", "-o", png}, 0, "",
            QSize(850, 1100));
        const QString blank = FilesTestData(QStringLiteral("damaged_blank_line_in_table.csv"));
        row("json of a file with an empty line in a drop table", kUs + QStringList{"json", blank}, 0,
            "nimbrel-cli: " + blank + ": warning: slide 1 (position -5 ft): the drop table ends at the empty line 58");
        row("report of a file with a short slide count", kUs + QStringList{"report", FilesTestData(QStringLiteral(
            "damaged_slide_count_short.csv")), "--page", "1", "-o", png}, 0, "but 2 more slide block(s) follow", QSize(850, 1100));
        // A value follows its option whatever it begins with; after "--" nothing is an option.
        row("plot: a value beginning with a dash", plot + QStringList{"--graph=-x"}, 2, "nimbrel-cli plot: unknown graph \"-x\"");
        row("report: -o after -- is a file name", {"report", line, "--", "-o", png}, 2,
            "nimbrel-cli report: one slide set file only (\"-o\" is a second)");
        row("global: value missing at the end", {"summary", kGolden, "--limits"}, 2, "nimbrel-cli: --limits needs a value");
        row("global: a single dash is no file name", kUs + QStringList{"json", "-q"}, 2, "nimbrel-cli: unknown option -q");
        row("global: the last separator counts", {"--decimal-separator", ",", "--list-separator", ";",
                                                  "--decimal-separator=.", "--list-separator=,", "summary", "--", kGolden},
            0, "");
    }
    void exitAndMessages()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, stdoutFile);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QFETCH(QSize, image);
        const QString png = args.filter(QStringLiteral("out.png")).value(0);
        if (!png.isEmpty())
            QFile::remove(png);
        const Run run = cli(args, QStringLiteral("C"), stdoutFile);
        QCOMPARE(run.Exit, exit);
        QVERIFY2(message.isEmpty() ? run.Err.isEmpty() : QString::fromUtf8(run.Err).contains(message), run.Err.constData());
        if (exit != 2)
            QCOMPARE(run.Err.count('\n'), message.isEmpty() ? 0 : 1);
        if (exit != 0)
            QVERIFY2(run.Out.isEmpty(), run.Out.constData());
        if (image.isValid())
            QCOMPARE(pngSize(png), image);
    }

#ifdef Q_OS_UNIX
    // A write that fails ends in exit status 1 and the reason, never in a signal;
    // the old file or node stays as it was. A link to a file is written through.
    void failedWrites_data()
    {
        QTest::addColumn<QStringList>("args"); // OUT is the target in a folder of its own
        QTest::addColumn<QString>("target");   // what OUT is before the run
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        const QString line = FilesTestData(QStringLiteral("realistic-line.csv"));
        auto row = [](const char *name, const QStringList &args, const char *target, int exit, const char *message) {
            QTest::newRow(name) << args << QString::fromLatin1(target) << exit << QString::fromUtf8(message);
        };
        row("json into a pipe closed early", kUs + QStringList{"json", "BIG"}, "pipe", 1,
            "nimbrel-cli: cannot write the output: Broken pipe");
        row("rewrite past the file size limit", kUs + QStringList{"rewrite", "BIG", "OUT"}, "file, limited", 1,
            "nimbrel-cli: OUT: File too large");
        row("report past the file size limit", {"report", line, "-o", "OUT.pdf"}, "file, limited", 1,
            "nimbrel-cli report: There was an error printing:");
        row("plot past the file size limit", {"plot", line, "--graph", "line-data", "-o", "OUT.png"}, "file, limited", 1,
            "nimbrel-cli plot: cannot write OUT.png: File too large");
        row("rewrite into a folder that does not exist", kUs + QStringList{"rewrite", line, "gone/OUT"}, "file", 1,
            "nimbrel-cli: gone/OUT: ");
        row("rewrite onto a link in a loop", kUs + QStringList{"rewrite", line, "OUT"}, "loop", 1,
            "nimbrel-cli: OUT: OUT is a symbolic link that leads round in a loop");
        row("rewrite onto a link to a file", kUs + QStringList{"rewrite", line, "OUT"}, "link", 0, "");
        row("plot -o with a name beginning with a dash", {"plot", line, "--graph", "histogram", "-o", "-OUT.png"}, "new", 0, "");
        row("plot onto a pipe", {"plot", line, "--graph", "histogram", "-o", "OUT.png"}, "fifo", 1,
            "OUT.png is not a plain file");
        row("report onto a pipe", {"report", line, "-o", "OUT.pdf"}, "fifo", 1, "OUT.pdf is not a plain file");
        row("report onto a device node", {"report", line, "--page", "1", "-o", "OUT.png"}, "device", 1,
            "OUT.png is not a plain file");
        row("plot onto a device node", {"plot", line, "--graph", "histogram", "-o", "OUT.png"}, "device", 1,
            "OUT.png is not a plain file");
    }
    void failedWrites()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, target);
        QFETCH(int, exit);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QDir folder(dir.path());
        const QString out = args.filter(QStringLiteral("OUT")).value(0);
        const QString outPath = folder.filePath(out);
        // A set whose JSON and file are far larger than a pipe's buffer or the limit.
        SlideSet set = GoldenSet(false, true);
        for (int i = 0; i < 300; ++i)
            FillSlide(set, AddSlide(set, 10.0f + float(i)), 1, {{1, 3}, {4, 2}, {6, 1}}, MortalityCounts{});
        QCOMPARE(WriteSlideSetFile(folder.filePath(QStringLiteral("big.csv")), set, QStringLiteral(","), NumberFormat()), QString());
        args.replaceInStrings(QStringLiteral("BIG"), folder.filePath(QStringLiteral("big.csv")));
        const QByteArray old = "the earlier file";
        if (target.startsWith(QLatin1String("file")) || target == QLatin1String("link")) {
            QFile file(target == QLatin1String("link") ? folder.filePath(QStringLiteral("real.csv")) : outPath);
            if (!out.startsWith(QLatin1String("gone")))
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        if (target == QLatin1String("link"))
            QVERIFY(QFile::link(QStringLiteral("real.csv"), outPath));
        if (target == QLatin1String("loop"))
            QVERIFY(QFile::link(out, folder.filePath(QStringLiteral("other"))) && QFile::link(QStringLiteral("other"), outPath));
        if (target == QLatin1String("fifo"))
            QCOMPARE(mkfifo(qPrintable(outPath), 0600), 0);
        if (target == QLatin1String("device") && mknod(qPrintable(outPath), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("making a device node needs root");

        QProcess process, reader;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        if (target == QLatin1String("pipe")) {
            process.setStandardOutputProcess(&reader); // as "| head -c 10"
            reader.start(QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("10")});
        }
        if (target.endsWith(QLatin1String("limited")))
            process.setChildProcessModifier([] {
                const rlimit limit{4096, 4096};
                setrlimit(RLIMIT_FSIZE, &limit);
            });
        process.start(QStringLiteral(NIMBREL_CLI), args);
        QVERIFY(process.waitForFinished(60000));
        reader.waitForFinished(10000);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit); // not ended by a signal
        QCOMPARE(process.exitCode(), exit);
        QVERIFY2(message.isEmpty() ? err.isEmpty() : err.contains(message) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
        if (target.startsWith(QLatin1String("file")) && !out.startsWith(QLatin1String("gone")))
            QCOMPARE(ReadBytes(outPath), old);
        if (target == QLatin1String("link"))
            QVERIFY(QFileInfo(outPath).isSymLink() && ReadBytes(folder.filePath(QStringLiteral("real.csv"))).startsWith("====="));
        if (target == QLatin1String("loop"))
            QVERIFY(QFileInfo(outPath).isSymLink());
        if (target == QLatin1String("new"))
            QVERIFY(ReadBytes(outPath).startsWith("\x89PNG"));
        if (target == QLatin1String("fifo") || target == QLatin1String("device"))
            QVERIFY(QFileInfo(outPath).exists() && !QFileInfo(outPath).isFile());
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
                 2 + int(target == QLatin1String("link") || target == QLatin1String("loop")) - int(target == QLatin1String("pipe")
                                                                                                     || out.startsWith(QLatin1String("gone"))));
    }
#endif
};

QTEST_GUILESS_MAIN(TestFilesCli)
#include "test_files_cli.moc"
