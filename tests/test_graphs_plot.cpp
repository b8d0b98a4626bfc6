// The plot command of nimbrel-cli and the realistic slide set file it is tried on.

#include "test_graphs_data.h"

#include "PlotCommand.h"

#include "DrawingSurface.h"
#include "GraphBoxes.h"

#include "files/SlideSetFile.h"
#include "model/NumberText.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString dataFile(const char *name)
{
    return qEnvironmentVariable("NIMBREL_TEST_DATA") + QLatin1Char('/') + QLatin1String(name);
}

int colourCount(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour)
                ++n;
    return n;
}

} // namespace

class TestGraphsPlot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { RegisterFontSubstitutes(); }
    void realisticFileMatchesBuilder();
    void parse_data();
    void parse();
    void renderEachGraph_data();
    void renderEachGraph();
    void refusals_data();
    void refusals();
    void writesPng();
};

// tests/data/realistic-line.csv is the realistic line of test_graphs_data.cpp
// saved by the file writer (NIMBREL_WRITE_REALISTIC=1 writes it afresh).
void TestGraphsPlot::realisticFileMatchesBuilder()
{
    ViewState view;
    const SlideSet built = MakeRealisticLine(view);
    const QString path = dataFile("realistic-line.csv");
    if (qEnvironmentVariableIsSet("NIMBREL_WRITE_REALISTIC"))
        QCOMPARE(WriteSlideSetFile(path, built, QStringLiteral(","), NumberFormat(QLatin1Char('.'))), QString());
    const LoadResult read = ReadSlideSetFile(path, QStringLiteral(","), NumberFormat(QLatin1Char('.')));
    QVERIFY2(read.Ok(), qPrintable(read.Error));
    const SlideSet &set = read.Loaded->Set;
    QCOMPARE(set.SlideCount(), built.SlideCount());
    QCOMPARE(set.ControlData, built.ControlData);
    QCOMPARE(read.Loaded->LargestSizeFound, view.LargestSizeFound);
    int withCage = 0;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        QCOMPARE(set.Slides[i].Position, built.Slides[i].Position);
        QCOMPARE(set.Slides[i].Counts, built.Slides[i].Counts);
        QCOMPARE(set.Slides[i].Cage, built.Slides[i].Cage);
        QCOMPARE(set.Slides[i].Mortality24h, built.Slides[i].Mortality24h);
        withCage += set.Slides[i].Cage.NumInCage > 0;
    }
    // What the file is kept for: both sides of the line, cages on most slides.
    QVERIFY(set.SlideCount() >= 8);
    QVERIFY(set.Slides[1].Position < 0 && set.Slides[set.SlideCount()].Position > 0);
    QVERIFY(withCage > set.SlideCount() / 2);
    QVERIFY(set.ControlData.NumInCage > 0);
}

void TestGraphsPlot::parse_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::newRow("histogram")
        << QStringList{"a.csv", "--graph", "histogram", "-o", "h.png"} << QString();
    QTest::newRow("every option")
        << QStringList{"a.csv", "--graph", "histogram", "--slide", "3", "--mode", "5", "--composite",
                       "--size", "570x140", "--list-separator", ";", "--decimal-separator=,", "-o", "h.png"}
        << QString();
    QTest::newRow("options first") << QStringList{"--graph", "range-stats", "-o", "r.png", "a.csv"} << QString();
    QTest::newRow("no file") << QStringList{"--graph", "histogram", "-o", "h.png"}
                             << QStringLiteral("no slide set file given");
    QTest::newRow("no graph") << QStringList{"a.csv", "-o", "h.png"} << QStringLiteral("--graph is missing");
    QTest::newRow("no output") << QStringList{"a.csv", "--graph", "line-data"}
                               << QStringLiteral("-o OUT.png is missing");
    QTest::newRow("unknown graph") << QStringList{"a.csv", "--graph", "pie", "-o", "x.png"}
                                   << QStringLiteral("unknown graph \"pie\"");
    QTest::newRow("mode 6") << QStringList{"a.csv", "--graph", "histogram", "--mode", "6", "-o", "x.png"}
                            << QStringLiteral("--mode wants 1 to 5 (VF, CVF, drops/cm², NF, CNF), not \"6\"");
    QTest::newRow("slide 0") << QStringList{"a.csv", "--graph", "histogram", "--slide", "0", "-o", "x.png"}
                             << QStringLiteral("--slide wants a slide number from 1, not \"0\"");
    QTest::newRow("size without x") << QStringList{"a.csv", "--graph", "line-data", "--size", "640", "-o", "x.png"}
                                    << QStringLiteral("--size wants WIDTHxHEIGHT in pixels (1 to 10000), not \"640\"");
    QTest::newRow("huge size") << QStringList{"a.csv", "--graph", "line-data", "--size", "99999x2", "-o", "x.png"}
                               << QStringLiteral("--size wants WIDTHxHEIGHT in pixels (1 to 10000), not \"99999x2\"");
    QTest::newRow("value missing") << QStringList{"a.csv", "--graph", "histogram", "-o"}
                                   << QStringLiteral("-o needs a value");
    QTest::newRow("two files") << QStringList{"a.csv", "b.csv", "--graph", "histogram", "-o", "x.png"}
                               << QStringLiteral("one slide set file only (\"b.csv\" is a second)");
    QTest::newRow("unknown option") << QStringList{"a.csv", "--graph", "histogram", "--colour", "-o", "x.png"}
                                    << QStringLiteral("unknown option --colour");
}

void TestGraphsPlot::parse()
{
    QFETCH(QStringList, words);
    QFETCH(QString, error);
    QString got;
    const auto request = ParsePlotArguments(words, got);
    QCOMPARE(got, error);
    QCOMPARE(request.has_value(), error.isEmpty());
    if (request && words.contains(QStringLiteral("--size"))) {
        QCOMPARE(request->Size.value(), QSize(570, 140));
        QCOMPARE(request->Mode, 5);
        QCOMPARE(request->Slide, int16_t(3));
        QVERIFY(request->Composite);
        QCOMPARE(request->Decimal, QLatin1Char(','));
    }
}

void TestGraphsPlot::renderEachGraph_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("mustShow");
    QTest::newRow("histogram of the last slide") << QStringList{"--graph", "histogram"} << kResultPicSize
                                                 << GraphColours::Histogram;
    QTest::newRow("composite CNF") << QStringList{"--graph", "histogram", "--composite", "--mode", "5"}
                                   << kResultPicSize << GraphColours::Histogram;
    QTest::newRow("slide 3 density") << QStringList{"--graph", "histogram", "--slide", "3", "--mode", "3"}
                                     << kResultPicSize << GraphColours::Histogram;
    QTest::newRow("line data") << QStringList{"--graph", "line-data"} << kPicture1LargeSize
                               << GraphColours::Mortality24h;
    QTest::newRow("mortality vs density") << QStringList{"--graph", "mortality-density", "--size", "800x600"}
                                          << QSize(800, 600) << GraphColours::Knockdown1h;
    QTest::newRow("range stats") << QStringList{"--graph", "range-stats"} << kPicture1LargeSize
                                 << GraphColours::Mortality12h;
}

void TestGraphsPlot::renderEachGraph()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(QColor, mustShow);
    QString error;
    const auto request =
        ParsePlotArguments(QStringList{dataFile("realistic-line.csv")} + options + QStringList{"-o", "x.png"}, error);
    QVERIFY2(request, qPrintable(error));
    QImage image;
    QString note;
    QCOMPARE(RenderPlot(*request, image, note), QString());
    QCOMPARE(note, QString());
    QCOMPARE(image.size(), size);
    QVERIFY(colourCount(image, mustShow) > 20);
}

void TestGraphsPlot::refusals_data()
{
    QTest::addColumn<QString>("content"); // file content; empty: no file at all
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("errorStart");
    QTest::newRow("missing file") << QString() << QStringList{"--graph", "histogram"} << QString();
    QTest::newRow("not a slide set") << QStringLiteral("just some text\r\n") << QStringList{"--graph", "histogram"}
                                     << QStringLiteral("'");
    QTest::newRow("slide beyond the set") << QStringLiteral("realistic")
                                          << QStringList{"--graph", "histogram", "--slide", "11"}
                                          << QStringLiteral("--slide 11: the set has 10 slide(s)");
}

void TestGraphsPlot::refusals()
{
    QFETCH(QString, content);
    QFETCH(QStringList, options);
    QFETCH(QString, errorStart);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("set.csv"));
    if (content == QLatin1String("realistic")) {
        path = dataFile("realistic-line.csv");
    } else if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content.toLatin1());
    }
    QString error;
    const auto request = ParsePlotArguments(QStringList{path} + options + QStringList{"-o", "x.png"}, error);
    QVERIFY(request);
    QImage image;
    QString note;
    const QString got = RenderPlot(*request, image, note);
    QVERIFY(!got.isEmpty());
    QVERIFY2(got.startsWith(errorStart), qPrintable(got));
}

void TestGraphsPlot::writesPng()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("line.png"));
    QCOMPARE(RunPlotCommand({dataFile("realistic-line.csv"), "--graph", "line-data", "-o", out}), 0);
    QImage image(out);
    QCOMPARE(image.size(), kPicture1LargeSize);
    // A folder that does not exist: an error, and nothing written.
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.png"));
    QCOMPARE(RunPlotCommand({dataFile("realistic-line.csv"), "--graph", "line-data", "-o", nowhere}), 1);
    QVERIFY(!QFile::exists(nowhere));
    QCOMPARE(RunPlotCommand({"--graph", "line-data"}), 2);
}

QTEST_MAIN(TestGraphsPlot)
#include "test_graphs_plot.moc"
