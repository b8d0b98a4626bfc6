// The printed report: its pages against pictures taken before, what the PDF says,
// the preview window and the failure paths.

#include "print/DoseResponsePage.h"
#include "print/MethodsPage.h"
#include "test_graphs_data.h"
#include "test_window_fixture.h"

#include "graphs/GraphBoxes.h"
#include "graphs/LineGraphs.h"
#include "platform/ui/MessageBoxes.h"
#include "print/PrintDestination.h"
#include "print/ReportJob.h"
#include "print/frmPreview.h"
#include "model/SprayQualityText.h"
#include "model/Version.h"

#include <QPushButton>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

class RecordingHost : public ReportHost
{
public:
    QStringList Errors;
    void SetCaption(const QString &) override {}
    void ShowPrintError(const QString &m) override { Errors << m; }
};

QString pdfTool(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString &pdf) { return pdfTool(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}); }
// The text of each page, pdftotext parting them with form feeds.
QStringList pdfPageTexts(const QString &pdf)
{
    QStringList pages = pdfText(pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}
QString oneSpaced(QString text) { return text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")); }
int pdfPages(const QString &pdf)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfTool("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool hasLine(const QString &text, const QString &pattern)
{
    return QRegularExpression(QStringLiteral("(^|\\n)\\s*") + pattern + QStringLiteral("\\s*(\\n|$)")).match(text).hasMatch();
}

// A report (page 0: all of it) written to a PDF in a folder of its own.
struct Pdf
{
    QTemporaryDir Dir;
    RecordingHost Host;
    QString Path = Dir.filePath(QStringLiteral("r.pdf"));
    bool Written;
    Pdf(const ReportData &data, int page) : Written(WriteReportPdf(Path, data, uint8_t(page), Host)) {}
};

int runCli(const QStringList &args)
{
    QProcess cli;
    cli.start(QStringLiteral(NIMBREL_CLI), QStringList{"report"} + args);
    return cli.waitForFinished(30000) ? cli.exitCode() : -1;
}

SlideSet realisticLine()
{
    ViewState view;
    return MakeRealisticLine(view);
}

// `n` slides at whole metres from −n/2, drops on each, a cage on every other
// slide with counts that differ from slide to slide, and a control cage.
SlideSet lineOfSlides(int n)
{
    SlideSet set;
    ViewState view;
    set.ControlData = MortalityCounts{30, 1, 2, 4};
    for (int i = 0; i < n; ++i) {
        const int16_t slide = AddSlide(set, float(i - n / 2));
        PutDrops(set, view, slide, int16_t(2 + i % 5), int16_t(3 + i % 7));
        PutDrops(set, view, slide, int16_t(8 + i % 3), int16_t(1 + i % 4));
        if (i % 2 == 0)
            set.Slides[slide].Cage = MortalityCounts{20, int16_t(i % 9), int16_t(2 + i % 11), int16_t(5 + i % 13)};
    }
    Refresh(set, view);
    return set;
}

// Dark pixels of a grey page around (x, y): the marker a series plots there.
bool dark(const QImage &grey, double x, double y)
{
    return qGray(grey.pixel(int(std::lround(x)), int(std::lround(y)))) < 200; // grid lines are lighter
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        RegisterFontSubstitutes();
        MessageBoxes::SetFallbackAnswer(MessageBoxes::Ok);
    }
    void init()
    {
        SetInstalledPrintersForTesting(QStringList{});
        SetPrinterFactoryForTesting({});
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
    }

    void pdfTexts_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QStringList>("values"); // release height, scan length, height, air temp, wind, spray rate
        QTest::newRow("metric") << true << QStringList{"1\\.5 m", "2\\.0 cm", "2 m", "21 °C", "8 km/h", "0\\.6 L/ha"};
        QTest::newRow("U.S.") << false << QStringList{"1\\.5 ft", "0\\.787 inches", "2 ft", "21 °F", "8 mph", "0\\.6 oz/ac"};
    }
    void pdfTexts()
    {
        QFETCH(bool, metric);
        QFETCH(QStringList, values);
        SlideSet set = realisticLine();
        set.Params.Metric = metric;
        set.Texts.Agency = QStringLiteral("   ");
        set.ControlData = MortalityCounts{};
        const ReportData data(set, NumberFormat());
        const Pdf pdf(data, 0);
        QVERIFY(pdf.Written);
        QCOMPARE(pdfPages(pdf.Path), data.PageCount());
        QVERIFY(pdfTool("pdfinfo", {pdf.Path}).contains(QStringLiteral("612 x 792 pts")));
        const QString text = pdfText(pdf.Path);
        // pdftotext may swallow the narrow blank between a short value and its unit.
        const QStringList labels{"Release Height", "Scan Length", "Height", "Air Temp", "Wind Speed", "Spray Rate"};
        for (int i = 0; i < labels.size(); ++i) {
            const QString l = labels[i] + ":\\s+" + QString(values[i]).replace(QLatin1Char(' '), QStringLiteral(" ?"));
            QVERIFY2(hasLine(text, l), qPrintable(l + "\n" + text));
        }
        const QString mu = QStringLiteral("\u00B5");
        const NumberFormat fmt;
        auto figure = [&](float v) { return QRegularExpression::escape(fmt.Format(v, "0.0")); };
        QVERIFY(data.Composite.CompVMD > 0); // the composite figures of the set as it stands
        for (const QString &l : {mu + QStringLiteral("m/EPD:\\s+25"), QStringLiteral("Spread Factor:\\s+0\\.56"),
                                 QStringLiteral("Wind Direction:\\s+90 °\\s+\\(rel\\. to AC heading\\)"),
                                 QStringLiteral("Agency:"), "Composite VMD:\\s+" + figure(data.Composite.CompVMD) + " " + mu + "m",
                                 "Composite NMD:\\s+" + figure(data.Composite.CompNMD) + " " + mu + "m",
                                 "Ave. Drop Density:\\s+" + figure(data.Composite.AveDropDensity) + " drops/cm²"})
            QVERIFY2(hasLine(text, l), qPrintable(l));
        QVERIFY(text.contains(QStringLiteral("No mortality control data entered")));
        QVERIFY(text.contains(metric ? QStringLiteral("Slide Position (m)") : QStringLiteral("Slide Position (ft)")));
    }

    void linesWithoutScale()
    {
        for (const auto &[positions, note] :
             {std::pair{QList<float>{}, QStringLiteral("The set has no slides: no line graph can be drawn")},
              std::pair{QList<float>{0}, QStringLiteral("All slides are at position 0: no line graph can be drawn")}}) {
            SlideSet set;
            ViewState view;
            for (float p : positions)
                PutDrops(set, view, AddSlide(set, p), 3, 4);
            const Pdf pdf(ReportData(set, NumberFormat()), 0);
            QVERIFY(pdf.Written && pdf.Host.Errors.isEmpty());
            const QString text = pdfText(pdf.Path);
            QVERIFY(text.contains(QStringLiteral("Composite VMD:")));
            QVERIFY2(text.contains(note), qPrintable(note));
            QVERIFY(text.contains(QStringLiteral("Methods")));
        }
    }

    // Screens under 768 pixels high get the smaller page picture; a printer that
    // fails gives an OK-only message, and the preview stays.
    void preview()
    {
        const SlideSet set = realisticLine();
        QTemporaryDir dir;
        const QString unreachable = dir.filePath(QStringLiteral("missing/folder/out.pdf"));
        SetPrinterFactoryForTesting([unreachable](const QString &) {
            auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(unreachable);
            return p;
        });
        SetInstalledPrintersForTesting(QStringList{QStringLiteral("Lab Printer")});
        QString folder;
        for (const auto &[screen, picture] : {std::pair{767, QSize(363, 469)}, std::pair{768, QSize(427, 552)}}) {
            frmPreview preview(set, NumberFormat(), folder, nullptr, screen);
            preview.show();
            QCOMPARE(preview.findChild<QWidget *>(QStringLiteral("Picture1"))->size(), picture);
            QVERIFY(preview.rect().contains(preview.findChild<QWidget *>(QStringLiteral("PreviewTabs"))->geometry()));
            auto *print = preview.findChild<QPushButton *>(QStringLiteral("btnPrint"));
            QVERIFY(preview.rect().contains(print->geometry()));
            MessageBoxes::QueueAnswer(MessageBoxes::Ok);
            print->click();
            QVERIFY(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error printing:\n\n")));
            QVERIFY(preview.isVisible());
        }
        QCOMPARE(MessageBoxes::ShownCount(), 2);
    }

    void cliReport()
    {
        const QString data = qEnvironmentVariable("NIMBREL_TEST_DATA"), line = data + "/realistic-line.csv";
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("r.pdf")), png = dir.filePath(QStringLiteral("r.png"));
        QCOMPARE(runCli({line, "-o", pdf}), 0);
        const QStringList pages = pdfPageTexts(pdf);
        QCOMPARE(pdfPages(pdf), pages.size());
        QVERIFY(pages.last().contains(QStringLiteral("Methods")) && pages.last().contains(QStringLiteral("realistic-line.csv")));
        QCOMPARE(runCli({line, "--page", "4", "--limits", "60,80,", "-o", pdf}), 0);
        QCOMPARE(pdfPages(pdf), 1);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Composite: within the label limits")));
        // A refused command writes nothing: bad arguments exit 2, an unreadable set 1.
        QVERIFY(QFile::remove(pdf));
        for (const auto &[args, exit] : {std::pair{QStringList{line, "--page", "4", "--limits", "60,x,", "-o", pdf}, 2},
                                         {QStringList{line, "-o", png}, 2}, // an image needs a page
                                         {QStringList{line, "--page", "99", "-o", pdf}, 2},
                                         {QStringList{data + "/missing.csv", "--list-separator", ",", "-o", pdf}, 1}}) {
            QCOMPARE(runCli(args), exit);
            QVERIFY(!QFile::exists(pdf) && !QFile::exists(png));
        }
    }

    // Pages 1 to 3 stay as they were, to the pixel, against pictures taken
    // before; only the footer band, which carries the time of printing, is
    // left out of the comparison.
    void earlierPagesUnchanged()
    {
        const QString data = qEnvironmentVariable("NIMBREL_TEST_DATA");
        QTemporaryDir dir;
        const QString output = dir.filePath(QStringLiteral("p.png"));
        const QRect compared(0, 0, 850, 1100 - 55);
        for (int page = 1; page <= 3; ++page) {
            QCOMPARE(runCli({data + "/realistic-line.csv", "--page", QString::number(page), "-o", output}), 0);
            const QImage before = QImage(data + QStringLiteral("/report-page%1.png").arg(page));
            QVERIFY(!before.isNull());
            QVERIFY2(QImage(output).convertToFormat(QImage::Format_RGB32).copy(compared) ==
                         before.convertToFormat(QImage::Format_RGB32).copy(compared),
                     qPrintable(QStringLiteral("page %1").arg(page)));
        }
    }

    void sprayQualityPage_data()
    {
        QTest::addColumn<QList<float>>("limits"); // Dv0.5 from, to, Dv0.9 below; 0: none
        QTest::addColumn<QString>("verdict");
        QTest::newRow("no limits") << QList<float>{0, 0, 0} << "No label limits set.";
        QTest::newRow("within") << QList<float>{60, 80, 130} << "Composite: within the label limits";
        QTest::newRow("outside") << QList<float>{80, 100, 0} << "Composite: outside the label limits";
        QTest::newRow("straddling") << QList<float>{0, 0, 120} << "Composite: not decided: count more drops";
    }
    void sprayQualityPage()
    {
        QFETCH(QList<float>, limits);
        QFETCH(QString, verdict);
        auto limit = [](float v) { return v > 0 ? std::optional<float>(v) : std::nullopt; };
        const LabelLimits label{limit(limits[0]), limit(limits[1]), limit(limits[2])};
        SlideSet set = realisticLine();
        const Pdf pdf(ReportData(set, NumberFormat(), label), 4);
        QVERIFY(pdf.Written);
        QCOMPARE(pdfPages(pdf.Path), 1);
        const QString text = pdfText(pdf.Path);
        // Every row as the tab shows it, the composite with its intervals.
        const SprayQualityTexts expected =
            FormatSprayQuality(ComputeSprayQuality(set, label), label, true, NumberFormat());
        QCOMPARE(int(expected.Rows.size()), set.SlideCount() + 1);
        QVERIFY(expected.Rows.back()[5].contains(QStringLiteral("\u2013")));
        for (const QStringList &row : expected.Rows) {
            QStringList cells;
            for (const QString &c : row)
                cells << QRegularExpression::escape(c).replace(QStringLiteral("\\ "), QStringLiteral("\\s*"));
            QVERIFY2(hasLine(text, cells.join(QStringLiteral("\\s+"))), qPrintable(row.join(" | ") + "\n" + text));
        }
        QVERIFY2(text.contains(verdict), qPrintable(text));
        QCOMPARE(text.contains(QStringLiteral("Label limits: ")), label.Any());
    }

    // Every sheet names the set, the time, the program and "Page n of N", N the
    // sheets there are; the tables continue until every slide is listed.
    void footersAndEverySlide_data()
    {
        QTest::addColumn<int>("slides");
        QTest::addColumn<QString>("file");
        QTest::newRow("one slide, unsaved") << 1 << QString();
        QTest::newRow("60 slides") << 60 << QStringLiteral("/trials/2026/line-60.csv");
        QTest::newRow("255 slides") << 255 << QStringLiteral("/trials/2026/line-255.csv");
    }
    void footersAndEverySlide()
    {
        QFETCH(int, slides);
        QFETCH(QString, file);
        const SlideSet set = lineOfSlides(slides);
        const ReportData data(set, NumberFormat(), {}, file);
        const Pdf pdf(data, 0);
        QVERIFY(pdf.Written);
        const QStringList pages = pdfPageTexts(pdf.Path);
        const int n = pages.size();
        QCOMPARE(pdfPages(pdf.Path), n);
        QCOMPARE(data.PageCount(), n);
        const QString name = file.isEmpty() ? QStringLiteral("unsaved") : QFileInfo(file).fileName();
        for (int k = 1; k <= n; ++k) {
            const QString &page = pages[k - 1];
            QVERIFY2(page.contains(QStringLiteral("Page %1 of %2").arg(k).arg(n)), qPrintable(page));
            QVERIFY(page.contains(name));
            QVERIFY(page.contains(QStringLiteral("by Nimbrel %1").arg(QString::fromLatin1(NimbrelVersion))));
            QVERIFY(page.contains(QStringLiteral("Printed ") + data.PrintedAt.toString(QStringLiteral("yyyy-MM-dd"))));
        }
        QVERIFY(pages.last().contains(QStringLiteral("Methods")));
        // After the graphs: a row per slide in the quality table, and a second
        // for each caged one in the cage table; nothing is counted instead.
        // The dose-response and Methods sheets close the report.
        const int closing = int(DoseResponseSheets(data).size() + MethodsSheets(data).size());
        const QStringList tablePages = pages.mid(3, n - 3 - closing);
        const QString tables = tablePages.join(QLatin1Char('\n'));
        QVERIFY(!tables.contains(QStringLiteral("more slides")));
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &slide = set.Slides[i];
            const QRegularExpression row(QStringLiteral("(^|\\n)\\s*%1\\s+\\d").arg(QRegularExpression::escape(NumberFormat().General(slide.Position))));
            QCOMPARE(int(tables.count(row)), slide.Cage.NumInCage > 0 ? 2 : 1);
        }
        // Each sheet of the tables starts with a heading.
        for (const QString &page : tablePages)
            QVERIFY2(page.contains(QStringLiteral("Position")), qPrintable(page));
    }

    // A text too long for its line wraps under its column and is printed
    // whole: a long agency, and a word longer than the line.
    void longTextsWrapWhole()
    {
        SlideSet set = realisticLine();
        const QString agency = QStringLiteral("Directorate of Vector Control, Northern Districts Field Station and Regional Laboratories");
        QCOMPARE(agency.size() + 1, 90);
        set.Texts.Agency = agency + QStringLiteral(".");
        const QString word = QString(70, QLatin1Char('x')) + QStringLiteral("Z");
        set.Texts.Product = word;
        const ReportData data(set, NumberFormat());
        const Pdf pdf(data, 1);
        QVERIFY(pdf.Written);
        const QString text = pdfText(pdf.Path);
        QVERIFY2(oneSpaced(text).contains(QStringLiteral("Agency: ") + agency + QStringLiteral(".")), qPrintable(text));
        QVERIFY(!hasLine(text, QStringLiteral("Agency:\\s+") + QRegularExpression::escape(agency + QStringLiteral("."))));
        QVERIFY(oneSpaced(text).remove(QLatin1Char(' ')).contains(word));
        QVERIFY(!text.contains(word));
        // The wrapped lines stand at the value column, left of the right margin.
        QVERIFY(text.contains(QStringLiteral("Spray Rate:")));
        QCOMPARE(pdfPages(pdf.Path), 1);
    }

    // Page 1 names the control cage; the cage table gives each caged slide's
    // counts and its corrected mortality with the spray quality table's interval.
    void controlCageAndCageTable()
    {
        const SlideSet set = realisticLine();
        const ReportData data(set, NumberFormat());
        const Pdf pdf(data, 0);
        const QStringList pages = pdfPageTexts(pdf.Path);
        QVERIFY(hasLine(pages[0], QStringLiteral("Number in Cage:\\s+25")));
        QVERIFY(hasLine(pages[0], QStringLiteral("Dead:\\s+1 at 12 hr \\(4\\.00%\\), 3 at 24 hr \\(12\\.00%\\)")));
        const QString tables = pages.mid(3).join(QLatin1Char('\n'));
        QVERIFY(tables.contains(QStringLiteral("Caged Slides")));
        const NumberFormat f;
        int caged = 0;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (s.Cage.NumInCage == 0)
                continue;
            ++caged;
            const SprayQualityRow &q = data.Quality().Slides[size_t(i - 1)];
            QVERIFY(q.Mortality24hInterval);
            const QString pattern = QStringList{f.General(s.Position), QString::number(s.Cage.NumInCage),
                                                QString::number(s.Cage.Down1h), QString::number(s.Cage.Dead12h),
                                                QString::number(s.Cage.Dead24h),
                                                f.Format(double(s.Cage.Down1h) / s.Cage.NumInCage, "0.00%"),
                                                f.Format(double(s.Cage.Dead12h) / s.Cage.NumInCage, "0.00%"),
                                                f.Format(double(s.Cage.Dead24h) / s.Cage.NumInCage, "0.00%"), ".*",
                                                f.Format(*s.Mortality24h, "0.00%"),
                                                "\\(" + f.Format(q.Mortality24hInterval->Low, "0%") + "–" +
                                                    f.Format(q.Mortality24hInterval->High, "0%") + "\\)"}
                                        .join(QStringLiteral("\\s+"));
            QVERIFY2(hasLine(tables, pattern), qPrintable(pattern + "\n" + tables));
        }
        QCOMPARE(caged, 8);
        QVERIFY(hasLine(tables, QStringLiteral("Control\\s+25\\s+0\\s+1\\s+3\\s+0\\.00%\\s+4\\.00%\\s+12\\.00%.*")));

        SlideSet bare = set;
        bare.ControlData = MortalityCounts{};
        RecomputeMortality(bare);
        const Pdf without(ReportData(bare, NumberFormat()), 0);
        const QString all = pdfText(without.Path);
        QVERIFY(all.contains(QStringLiteral("None entered: mortality is not corrected.")));
        QVERIFY(all.contains(QStringLiteral("No control cage: mortality is not corrected.")));
    }

    // On a grey render of page 3 each caged slide's three figures stand at its
    // own density and mortality, told apart by shape: a circle (1 hr), a
    // square (12 hr), a triangle (24 hr).
    void markersOnGreyPaper()
    {
        const SlideSet set = realisticLine();
        const ReportData data(set, NumberFormat());
        RecordingHost host;
        constexpr int dpi = 200;
        const QImage colour = RenderReportPage(data, 3, dpi, host);
        QVERIFY(!colour.isNull());
        const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
        const double densityMax = ComputeLineRange(set).DensityAxisMax;
        const double size = 0.04 * dpi; // the marker's reach from its centre
        int checked = 0;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            if (s.Cage.NumInCage == 0)
                continue;
            const double x = (1.0 + 6.5 * s.DropDensity / densityMax) * dpi;
            const float values[3] = {*s.Knockdown1h, *s.Mortality12h, *s.Mortality24h};
            if (std::abs(values[0] - values[1]) < 0.03 || std::abs(values[1] - values[2]) < 0.03)
                continue;
            for (int m = 0; m < 3; ++m) {
                const double y = (11 - (5.8125 + 3.25 * values[m])) * dpi;
                const QString where = QStringLiteral("slide %1 series %2").arg(i).arg(m);
                QVERIFY2(dark(grey, x, y), qPrintable(where));
                QCOMPARE(QColor(colour.pixel(int(std::lround(x)), int(std::lround(y)))).name(),
                         kMortalityLooks[m].Colour.name());
                const bool corner = dark(grey, x + 0.85 * size, y + 0.85 * size);
                const bool apex = dark(grey, x, y - 1.2 * size);
                QCOMPARE(corner, m == 1);                // only the square fills its corners
                QCOMPARE(apex, m == 2);                  // only the triangle reaches up
            }
            ++checked;
        }
        QVERIFY(checked >= 5);
        // The bars: hatching only on the second and third series.
        RangeStatistics stats;
        ComputeCompositeRangeStats(stats, set, data.Composite);
        for (int b = 0; b < 3; ++b) {
            const int x0 = int((1.0 + 6.5 / 5 * 3 + 6.5 / 15 * b) * dpi) + 4;
            const float h = b == 0 ? stats.SizeOnSlide[3] : b == 1 ? stats.MassInCloud[3] : stats.SizeInCloud[3];
            QVERIFY(h > 0.1f);
            int black = 0;
            for (int y = int((11 - 1.0 - 3.25 * h * 0.9) * dpi); y < int((11 - 1.05) * dpi); ++y)
                for (int x = x0; x < x0 + int(6.5 / 15 * dpi) - 8; ++x)
                    black += qGray(grey.pixel(x, y)) < 40;
            QVERIFY2((black > 50) == (b > 0), qPrintable(QString::number(black)));
        }
    }

    // A queue that rejects jobs, or a job that never arrives, is a failure: the
    // message says why and the preview stays open; a good job closes it.
    void refusedJobs_data()
    {
        QTest::addColumn<bool>("accepting");
        QTest::addColumn<QString>("jobProblem");
        QTest::addColumn<bool>("printed");
        QTest::newRow("rejecting") << false << QString() << false;
        QTest::newRow("no job") << true << QStringLiteral("The printer \"Lab Printer\" did not take the print job.") << false;
        QTest::newRow("accepted") << true << QString() << true;
    }
    void refusedJobs()
    {
        QFETCH(bool, accepting);
        QFETCH(QString, jobProblem);
        QFETCH(bool, printed);
        const SlideSet set = realisticLine();
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("queue.pdf"));
        int made = 0;
        SetPrinterFactoryForTesting([&](const QString &) {
            ++made;
            auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(out);
            return p;
        });
        const QString refusal = QStringLiteral("The printer \"Lab Printer\" is not accepting jobs. (Rejecting Jobs)");
        SetPrintDestinationForTesting({[&](const QString &) { return DestinationState{accepting, accepting ? QString() : refusal}; },
                                       [&](const QString &) { return jobProblem.isEmpty() ? std::optional<QString>() : jobProblem; }});
        SetInstalledPrintersForTesting(QStringList{QStringLiteral("Lab Printer")});
        QString folder;
        frmPreview preview(set, NumberFormat(), folder, nullptr, 768);
        preview.show();
        MessageBoxes::QueueAnswer(MessageBoxes::Ok);
        preview.findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
        SetPrintDestinationForTesting({});
        QCOMPARE(preview.isVisible(), !printed);
        QCOMPARE(MessageBoxes::ShownCount(), printed ? 0 : 1);
        if (!printed)
            QCOMPARE(MessageBoxes::LastText(), PrintErrorMessage(accepting ? jobProblem : refusal));
        QCOMPARE(made, accepting ? 1 : 0); // a refusing queue is not sent a job at all
    }

    // Tab k of the preview shows page k, footer and all.
    void previewTabDrawsItsPage()
    {
        const SlideSet set = realisticLine();
        QString folder;
        frmPreview preview(set, NumberFormat(), folder, nullptr, 768);
        auto *tabs = preview.findChild<QTabBar *>(QStringLiteral("PreviewTabsBar"));
        const ReportData data(set, NumberFormat());
        QCOMPARE(tabs->count(), data.PageCount());
        QImage previous;
        for (int k = 1; k <= tabs->count(); ++k) {
            tabs->setCurrentIndex(k - 1);
            QImage expected(preview.PreviewImage().size(), QImage::Format_RGB32);
            expected.setDotsPerMeterX(3780), expected.setDotsPerMeterY(3780);
            expected.fill(Qt::white);
            RecordingHost host;
            {
                DrawingSurface surface(&expected);
                QVERIFY(PrintSub(surface, false, uint8_t(k), data, host));
            }
            // The footer's minute may have turned between the two drawings.
            const QRect body(0, 0, expected.width(), expected.height() - 30);
            QVERIFY2(preview.PreviewImage().copy(body) == expected.copy(body), qPrintable(QStringLiteral("tab %1").arg(k)));
            QVERIFY(preview.PreviewImage() != previous);
            previous = preview.PreviewImage();
        }
    }

#ifdef Q_OS_UNIX
    // Saving the report onto a pipe, a folder or a link loop is refused with the
    // reason and leaves the node as it was; a link to a file is written through.
    void pdfTargets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::newRow("pipe") << "fifo" << "is not a plain file";
        QTest::newRow("folder") << "folder" << "is a folder";
        QTest::newRow("link loop") << "loop" << "leads round in a loop";
        QTest::newRow("link to a file") << "link" << "";
    }
    void pdfTargets()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.pdf"));
        const QString real = dir.filePath(QStringLiteral("real.pdf"));
        if (target == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (target == "folder")
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("r.pdf")));
        if (target == "loop")
            QVERIFY(QFile::link(QStringLiteral("other.pdf"), path) && QFile::link(QStringLiteral("r.pdf"), dir.filePath(QStringLiteral("other.pdf"))));
        if (target == "link") {
            QFile old(real);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
            QVERIFY(QFile::link(QStringLiteral("real.pdf"), path));
        }
        const SlideSet set = realisticLine();
        RecordingHost host;
        const bool written = WriteReportPdf(path, ReportData(set, NumberFormat()), 1, host);
        QCOMPARE(written, reason.isEmpty());
        QCOMPARE(host.Errors.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            QVERIFY2(host.Errors[0].contains(reason), qPrintable(host.Errors[0]));
        const QFileInfo after(path);
        QCOMPARE(after.isSymLink(), target == "loop" || target == "link");
        QCOMPARE(after.isDir(), target == "folder");
        if (target == "fifo")
            QVERIFY(!after.isFile() && after.exists());
        if (target == "link") {
            QFile pdf(real);
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            QCOMPARE(pdf.read(5), QByteArray("%PDF-"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot).filter(
                     QStringLiteral(".r.pdf")),
                 QStringList()); // no temporary left beside it
    }

    // A saved report has the mode the user's other files get, not the private
    // mode of the temporary file it was written under.
    void pdfModeFollowsUmask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("mode");
        QTest::newRow("umask 022") << 022 << 0644;
        QTest::newRow("umask 077") << 077 << 0600;
    }
    void pdfModeFollowsUmask()
    {
        QFETCH(int, mask);
        QFETCH(int, mode);
        const mode_t old = umask(mode_t(mask));
        const SlideSet set = realisticLine();
        const Pdf pdf(ReportData(set, NumberFormat()), 1);
        umask(old);
        QVERIFY(pdf.Written);
        struct stat st;
        QCOMPARE(stat(QFile::encodeName(pdf.Path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), mode);
    }
#endif

    // The page image and the PDF set their lines alike: the last line of page
    // 1 ends on the same pixel row in both at 100 dpi.
    void imageLinesAsPdf()
    {
        const QString data = qEnvironmentVariable("NIMBREL_TEST_DATA");
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("p.png")), pdf = dir.filePath(QStringLiteral("p.pdf"));
        QCOMPARE(runCli({data + "/realistic-line.csv", "--page", "1", "-o", png}), 0);
        QCOMPARE(runCli({data + "/realistic-line.csv", "--page", "1", "-o", pdf}), 0);
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"), {"-r", "100", "-png", "-singlefile", pdf, dir.filePath("r")});
        QVERIFY(raster.waitForFinished(20000) && raster.exitCode() == 0);
        auto lastInkRow = [](const QImage &image) {
            // Above the footer band.
            for (int y = 1100 - 80; y > 0; --y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 128)
                        return y;
            return -1;
        };
        const int fromImage = lastInkRow(QImage(png)), fromPdf = lastInkRow(QImage(dir.filePath("r.png")));
        QVERIFY(fromImage > 600);
        QVERIFY2(std::abs(fromImage - fromPdf) <= 2, qPrintable(QStringLiteral("%1 %2").arg(fromImage).arg(fromPdf)));
    }

    // Only the whole line is printed: Ctrl+P does nothing on a slide; in the
    // composite view Ctrl+P and the Print button open the preview.
    void printFromTheWindow()
    {
        WindowFixture w;
        w.Open();
        MainWindow &form = *w.Form;
        form.SetPrintHandler([&form] {
            ShowPrintPreview(form.Set(), form.Format(), form.InitialDir(), &form, form.IsLargeLayout(), form.Store());
        });
        w.NewSlide(QStringLiteral("0"));
        w.TypeDrop(QStringLiteral("3"));
        w.NewSlide(QStringLiteral("10"));
        w.TypeDrop(QStringLiteral("5"));
        int opened = 0;
        auto closeNextPreview = [&] {
            QTimer::singleShot(0, w.Form.get(), [&] {
                if (auto *preview = qobject_cast<frmPreview *>(QApplication::activeModalWidget())) {
                    ++opened;
                    QTest::keyClick(preview, Qt::Key_Escape);
                }
            });
        };
        w.Key(Qt::Key_P, Qt::ControlModifier, w.Entry());
        QCOMPARE(opened, 0);
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        closeNextPreview();
        w.Key(Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(opened, 1);
        closeNextPreview();
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnPrint")), Qt::LeftButton);
        QCOMPARE(opened, 2);
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
