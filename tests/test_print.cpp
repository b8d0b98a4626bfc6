// The printed report: where things land on a rendered page, what the PDF says,
// the preview window and its printer list, and the failure paths.

#include "test_graphs_data.h"
#include "test_window_fixture.h"

#include "graphs/GraphBoxes.h"
#include "graphs/LineGraphs.h"
#include "platform/ui/CCommonDialogs.h"
#include "platform/ui/MessageBoxes.h"
#include "print/ReportJob.h"
#include "print/frmPreview.h"
#include "model/SprayQualityText.h"

#include <QComboBox>
#include <QPushButton>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kDpi = 100;

// Page inches (y up from the bottom edge) to the pixels of a 100 dpi page.
int px(double x) { return qRound(x * kDpi); }
int py(double y) { return qRound((11 - y) * kDpi); }

bool dark(QRgb c) { return qGray(c) < 100; }

// Ink in the band of a half-size preview where the banner stands.
int bannerInk(const QImage &preview)
{
    int n = 0;
    for (int y = 20; y < 45; ++y)
        for (int x = 0; x < preview.width(); ++x)
            n += dark(preview.pixel(x, y));
    return n;
}

// Dark pixels along a row (or column) between two pixel positions.
int darkInRow(const QImage &img, int y, int x1, int x2)
{
    int n = 0;
    for (int x = x1; x <= x2; ++x)
        n += dark(img.pixel(x, y));
    return n;
}
int darkInColumn(const QImage &img, int x, int y1, int y2)
{
    int n = 0;
    for (int y = y1; y <= y2; ++y)
        n += dark(img.pixel(x, y));
    return n;
}

// A row with a frame edge lies within a pixel of where it should.
bool frameRowNear(const QImage &img, int y, int x1, int x2)
{
    for (int d = -1; d <= 1; ++d)
        if (darkInRow(img, y + d, x1, x2) > (x2 - x1) * 9 / 10)
            return true;
    return false;
}
bool frameColumnNear(const QImage &img, int x, int y1, int y2)
{
    for (int d = -1; d <= 1; ++d)
        if (darkInColumn(img, x + d, y1, y2) > (y2 - y1) * 9 / 10)
            return true;
    return false;
}

class RecordingHost : public ReportHost
{
public:
    QStringList Captions;
    QStringList Errors;
    void SetCaption(const QString &c) override { Captions << c; }
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
int pdfPages(const QString &pdf)
{
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(pdfTool("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

bool hasLine(const QString &text, const QString &pattern)
{
    return QRegularExpression(QStringLiteral("(^|\\n)\\s*") + pattern + QStringLiteral("\\s*(\\n|$)")).match(text).hasMatch();
}

struct Line
{
    ViewState View;
    SlideSet Set;
    Line() : Set(MakeRealisticLine(View)) {}
};

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
        CCommonDialogs::ClearQueue();
        CCommonDialogs::ResetLog();
    }

    // --- page geometry, read off the rendered pages ---------------------------------

    void bannerAndPanelFrames()
    {
        Line line;
        const ReportData data(line.Set, NumberFormat());
        RecordingHost host;
        for (int page = 1; page <= 3; ++page) {
            const QImage img = RenderReportPage(data, page, kDpi, host);
            QCOMPARE(img.size(), QSize(850, 1100));
            // The banner: its ink centred on 4.25 in, its top near 10.5 in.
            int left = img.width(), right = 0, top = img.height();
            for (int y = py(10.6); y < py(10.1); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (dark(img.pixel(x, y))) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                        top = std::min(top, y);
                    }
            QVERIFY2(std::abs((left + right) / 2 - px(4.25)) <= 3, qPrintable(QString::number((left + right) / 2)));
            QVERIFY(top >= py(10.5) && top <= py(10.5) + 8);
        }
        const QImage two = RenderReportPage(data, 2, kDpi, host);
        for (double bottom : {1.5625, 3.5625, 5.5625, 7.5625}) {
            QVERIFY2(frameRowNear(two, py(bottom), px(1.0), px(7.5)), qPrintable(QString::number(bottom)));
            QVERIFY(frameRowNear(two, py(bottom + 1.5), px(1.0), px(7.5)));
            QVERIFY(frameColumnNear(two, px(1.0), py(bottom + 1.5), py(bottom)));
            QVERIFY(frameColumnNear(two, px(7.5), py(bottom + 1.5), py(bottom)));
        }
        // Nothing is drawn in the gaps between panels except the axis labels.
        QCOMPARE(darkInRow(two, py(3.3), px(1.2), px(7.3)), 0);

        const QImage three = RenderReportPage(data, 3, kDpi, host);
        QVERIFY(frameRowNear(three, py(1.0), px(1.0), px(7.5)));
        QVERIFY(frameRowNear(three, py(4.25), px(1.0), px(7.5)));
        QVERIFY(frameColumnNear(three, px(1.0), py(4.25), py(1.0)));
        QVERIFY(frameColumnNear(three, px(7.5), py(4.25), py(1.0)));
        QVERIFY(frameRowNear(three, py(5.8125), px(1.0), px(7.5)));
        QVERIFY(host.Errors.isEmpty());
    }

    void slideBoxesUnderTheLine()
    {
        Line line;
        RecordingHost host;
        const QImage img = RenderReportPage(ReportData(line.Set, NumberFormat()), 2, kDpi, host);
        const LineRange lr = ComputeLineRange(line.Set);
        const int mid = py(1.5625 - 0.375 - 0.1875);
        for (int i = 1; i <= line.Set.SlideCount(); ++i) {
            const double x = 1.0 + (line.Set.Slides[i].Position - lr.XMin) * 6.5 / lr.Range;
            // Outlined 0.3 in wide: ink at both sides, paper in the middle.
            QVERIFY2(darkInRow(img, mid, px(x - 0.15) - 1, px(x - 0.15) + 1) > 0, qPrintable(QString::number(i)));
            QVERIFY(darkInRow(img, mid, px(x + 0.15) - 1, px(x + 0.15) + 1) > 0);
            QVERIFY(!dark(img.pixel(px(x), mid)));
            // Hanging below the position labels, not over them.
            QCOMPARE(darkInRow(img, py(1.5625 - 0.375) - 3, px(x - 0.1), px(x + 0.1)), 0);
        }
    }

    void barColoursAndReferenceLines()
    {
        Line line;
        const ReportData data(line.Set, NumberFormat());
        RecordingHost host;
        const QImage three = RenderReportPage(data, 3, kDpi, host);
        RangeStatistics stats;
        ComputeCompositeRangeStats(stats, line.Set, data.Composite);
        // Range "> 50": the three bars side by side, each its series' colour and height.
        const QColor colours[3] = {{100, 255, 100}, {100, 100, 255}, {255, 100, 100}};
        const float heights[3] = {stats.SizeOnSlide[3], stats.MassInCloud[3], stats.SizeInCloud[3]};
        for (int b = 0; b < 3; ++b) {
            const double x = 1.0 + 1.3 * 3 + 6.5 / 15 * (b + 0.5);
            const double y = 1.0 + 3.25 * heights[b] / 2;
            QVERIFY2(heights[b] > 0.05, "the test line has mass in every series above 50 µm");
            QCOMPARE(QColor(three.pixel(px(x), py(y))), colours[b]);
            QCOMPARE(QColor(three.pixel(px(x), py(1.0 + 3.25 * heights[b]) - 3)) == colours[b], false);
        }

        // The composite figures as dotted red lines across their panels.
        const QImage two = RenderReportPage(data, 2, kDpi, host);
        const LineRange lr = ComputeLineRange(line.Set);
        const struct
        {
            double bottom;
            float value, axisMax;
        } refs[3] = {{5.5625, data.Composite.CompVMD, lr.VMDAxisMax},
                     {3.5625, data.Composite.CompNMD, lr.NMDAxisMax},
                     {1.5625, data.Composite.AveDropDensity, lr.DensityAxisMax}};
        for (const auto &r : refs) {
            const int row = py(r.bottom + 1.5 * r.value / r.axisMax);
            int best = 0;
            for (int d = -1; d <= 1; ++d) {
                int red = 0;
                for (int x = px(1.05); x <= px(1.45); ++x)
                    red += QColor(two.pixel(x, row + d)) == QColor(255, 0, 0);
                best = std::max(best, red);
            }
            // Dotted: red on roughly every other pixel, not a solid rule.
            QVERIFY2(best >= 10 && best <= 30, qPrintable(QString::number(best)));
        }
    }

    // --- texts, read back from the PDF ------------------------------------------------

    void pdfTexts_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QStringList>("lines");
        const QString mu = QStringLiteral("\u00B5");
        QTest::newRow("metric") << true
                                << QStringList{"Release Height:\\s+1\\.5 m", "Scan Length:\\s+2\\.0 cm",
                                               "Height:\\s+2 m", "Air Temp:\\s+21 °C", "Wind Speed:\\s+8 km/h",
                                               "Spray Rate:\\s+0\\.6 L/ha"};
        QTest::newRow("U.S.") << false
                              << QStringList{"Release Height:\\s+1\\.5 ft", "Scan Length:\\s+0\\.787 inches",
                                             "Height:\\s+2 ft", "Air Temp:\\s+21 °F", "Wind Speed:\\s+8 mph",
                                             "Spray Rate:\\s+0\\.6 oz/ac"};
    }
    void pdfTexts()
    {
        QFETCH(bool, metric);
        QFETCH(QStringList, lines);
        Line line;
        line.Set.Params.Metric = metric;
        line.Set.Texts.Agency = QStringLiteral("   ");
        line.Set.ControlData = MortalityCounts{};
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        RecordingHost host;
        const ReportData data(line.Set, NumberFormat());
        QVERIFY(WriteReportPdf(pdf, data, 0, host));
        QCOMPARE(pdfPages(pdf), 4);
        QVERIFY(pdfTool("pdfinfo", {pdf}).contains(QStringLiteral("612 x 792 pts")));
        const QString text = pdfText(pdf);
        // pdftotext may swallow the narrow blank between a short value and its unit.
        for (QString l : lines)
            QVERIFY2(hasLine(text, l.replace(QLatin1Char(' '), QStringLiteral(" ?"))), qPrintable(l + "\n" + text));
        const QString mu = QStringLiteral("\u00B5");
        for (const QString &l : {QStringLiteral("Sprayer:\\s+ULV truck rotary"), QStringLiteral("Date:\\s+14/08/2026"),
                                 QStringLiteral("# EPD on reticule:\\s+20"), mu + QStringLiteral("m/EPD:\\s+25"),
                                 QStringLiteral("Spread Factor:\\s+0\\.56"),
                                 QStringLiteral("Wind Direction:\\s+90 °\\s+\\(rel\\. to AC heading\\)"),
                                 QStringLiteral("Relative Humidity:\\s+65 %"), QStringLiteral("Product:\\s+Malathion 95"),
                                 QStringLiteral("Agency:")})
            QVERIFY2(hasLine(text, l), qPrintable(l));
        // The composite figures of the set as it stands.
        const NumberFormat fmt;
        QVERIFY(data.Composite.CompVMD > 0);
        QVERIFY(hasLine(text, "Composite VMD:\\s+" + QRegularExpression::escape(fmt.Format(data.Composite.CompVMD, "0.0")) + " " + mu + "m"));
        QVERIFY(hasLine(text, "Composite NMD:\\s+" + QRegularExpression::escape(fmt.Format(data.Composite.CompNMD, "0.0")) + " " + mu + "m"));
        QVERIFY(hasLine(text, "Ave. Drop Density:\\s+" + QRegularExpression::escape(fmt.Format(data.Composite.AveDropDensity, "0.0")) + " drops/cm²"));
        QVERIFY(text.contains(QStringLiteral("No mortality control data entered")));
        QVERIFY(text.contains(metric ? QStringLiteral("Slide Position (m)") : QStringLiteral("Slide Position (ft)")));
    }

    void linesWithoutScale_data()
    {
        QTest::addColumn<QList<float>>("positions");
        QTest::addColumn<QString>("note");
        QTest::newRow("no slides") << QList<float>{} << "The set has no slides: no line graph can be drawn";
        QTest::newRow("all at 0") << QList<float>{0} << "All slides are at position 0: no line graph can be drawn";
    }
    void linesWithoutScale()
    {
        QFETCH(QList<float>, positions);
        QFETCH(QString, note);
        SlideSet set;
        ViewState view;
        for (float p : positions) {
            AddSlide(set, p);
            PutDrops(set, view, set.SlideCount(), 3, 4);
        }
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
        RecordingHost host;
        QVERIFY(WriteReportPdf(pdf, ReportData(set, NumberFormat()), 0, host));
        QVERIFY(host.Errors.isEmpty());
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Composite VMD:")));
        QVERIFY(text.contains(note));
        QCOMPARE(pdfPages(pdf), 4);
    }

    // --- fonts, pages and the printer path ----------------------------------------------

    void reportFont_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("printer");
        QTest::addColumn<double>("points");
        QTest::addColumn<double>("size");
        QTest::addColumn<QString>("face");
        // A 96 dpi preview 425 pixels wide holds 4.43 of the page's 8.5 inches.
        QTest::newRow("paper keeps points") << 850 << true << 10.0 << 10.0 << "Arial";
        QTest::newRow("banner on preview") << 425 << false << 18.0 << 18 * 425 / 96.0 / 8.5 << "Arial";
        QTest::newRow("ticks on preview") << 425 << false << 10.0 << 10 * 425 / 96.0 / 8.5 << "Small Fonts";
        QTest::newRow("tick labels on small preview") << 361 << false << 14.0 << 14 * 361 / 96.0 / 8.5 << "Small Fonts";
        QTest::newRow("16 pt on small preview") << 361 << false << 16.0 << 16 * 361 / 96.0 / 8.5 << "Arial";
    }
    void reportFont()
    {
        QFETCH(int, width);
        QFETCH(bool, printer);
        QFETCH(double, points);
        QFETCH(double, size);
        QFETCH(QString, face);
        QImage img(width, width * 11 / 8.5, QImage::Format_RGB32);
        img.setDotsPerMeterX(printer ? 3937 : 3780);
        img.setDotsPerMeterY(printer ? 3937 : 3780);
        DrawingSurface s(&img);
        s.ScaleWidth = 8.5f;
        s.ScaleHeight = -11;
        SetReportFont(s, printer, points);
        QVERIFY2(std::abs(s.FontSize - size) < 0.01, qPrintable(QString::number(s.FontSize)));
        QCOMPARE(s.FontName, face);
    }

    void pageNumbers_data()
    {
        QTest::addColumn<int>("pageNum");
        QTest::addColumn<int>("pages");
        QTest::newRow("all") << 0 << 4;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("2") << 2 << 1;
        QTest::newRow("3") << 3 << 1;
        QTest::newRow("4") << 4 << 1;
        QTest::newRow("none") << 9 << 0;
    }
    void pageNumbers()
    {
        QFETCH(int, pageNum);
        QFETCH(int, pages);
        Line line;
        const ReportData data(line.Set, NumberFormat());
        // On paper: one physical page per report page, progress in the caption.
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("p.pdf"));
        RecordingHost host;
        {
            DrawingSurface surface(&printer);
            QVERIFY(PrintSub(surface, true, static_cast<uint8_t>(pageNum), data, host));
        }
        QStringList captions;
        for (int n = 1; n <= 4; ++n)
            if (pageNum == 0 || pageNum == n)
                captions << QStringLiteral("Nimbrel - Printing Page %1...").arg(n);
        captions << QStringLiteral("Nimbrel - Print");
        QCOMPARE(host.Captions, captions);
        if (pages > 0)
            QCOMPARE(pdfPages(dir.filePath("p.pdf")), pages);
        // On the preview: the page chosen, or nothing at all.
        QImage img(425, 550, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            DrawingSurface surface(&img);
            QVERIFY(PrintSub(surface, false, static_cast<uint8_t>(pageNum), data, host));
        }
        QCOMPARE(bannerInk(img) > 0, pages > 0);
    }

    void printerFailure()
    {
        Line line;
        QTemporaryDir dir;
        const QString unreachable = dir.filePath(QStringLiteral("missing/folder/out.pdf"));
        SetPrinterFactoryForTesting([unreachable](const QString &) {
            auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(unreachable);
            return p;
        });
        RecordingHost host;
        QVERIFY(!PrintReport(QStringLiteral("Lab Printer"), ReportData(line.Set, NumberFormat()), host));
        QCOMPARE(host.Errors.size(), 1);
        QVERIFY(host.Errors[0].startsWith(QStringLiteral("There was an error printing:\n\n")));
        QVERIFY(host.Errors[0].size() > 32);

        // Through the preview: an OK-only message, and the dialog stays.
        SetInstalledPrintersForTesting(QStringList{QStringLiteral("Lab Printer")});
        QString folder;
        frmPreview preview(line.Set, NumberFormat(), folder, nullptr, 768);
        preview.show();
        MessageBoxes::QueueAnswer(MessageBoxes::Ok);
        preview.findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error printing:\n\n")));
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.result(), int(QDialog::Rejected));
        QCOMPARE(preview.windowTitle(), QStringLiteral("Nimbrel - Print"));
    }

    // --- the preview window -------------------------------------------------------------

    void previewSizes_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("767") << 767 << QSize(363, 469);
        QTest::newRow("768") << 768 << QSize(427, 552);
    }
    void previewSizes()
    {
        QFETCH(int, screen);
        QFETCH(QSize, picture);
        Line line;
        QString folder;
        frmPreview preview(line.Set, NumberFormat(), folder, nullptr, screen);
        preview.show();
        QCOMPARE(preview.windowTitle(), QStringLiteral("Nimbrel - Print"));
        QWidget *pic = preview.findChild<QWidget *>(QStringLiteral("Picture1"));
        QWidget *tabs = preview.findChild<QWidget *>(QStringLiteral("PreviewTabs"));
        QCOMPARE(pic->size(), picture);
        QCOMPARE(tabs->size(), picture + QSize(12, 31));
        QCOMPARE(pic->mapTo(tabs, QPoint(0, 0)).y(), 25);
        // Everything inside the window.
        QVERIFY(preview.rect().contains(tabs->geometry()));
        QVERIFY(preview.rect().contains(preview.findChild<QWidget *>("btnPrint")->geometry()));
        QCOMPARE(preview.findChild<QWidget *>("btnPrint")->geometry().right(), tabs->geometry().right());
    }

    void previewPrintersAndPages()
    {
        Line line;
        QString folder;
        SetInstalledPrintersForTesting(QStringList{QStringLiteral("Office"), QStringLiteral("Lab Printer")});
        SetCurrentPrinterName(QStringLiteral("lab printer"));
        frmPreview preview(line.Set, NumberFormat(), folder, nullptr, 768);
        preview.show();
        auto *combo = preview.findChild<QComboBox *>(QStringLiteral("cmbPrinters"));
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(2), QStringLiteral("Save as PDF\u2026"));
        QCOMPARE(combo->currentIndex(), 1); // the current printer, whatever its case
        QCOMPARE(preview.LastPageShown(), uint8_t(0));
        const QImage page1 = preview.PreviewImage().copy();
        QVERIFY(bannerInk(page1) > 0);

        auto *bar = preview.findChild<QTabBar *>(QStringLiteral("PreviewTabsBar"));
        QCOMPARE(bar->count(), 4);
        QCOMPARE(bar->tabText(3), QStringLiteral("Page 4"));
        bar->setCurrentIndex(1);
        QCOMPARE(preview.LastPageShown(), uint8_t(2));
        QVERIFY(preview.PreviewImage() != page1);
        const QImage page2 = preview.PreviewImage().copy();

        // Another printer: the page of the tab on view is drawn again at once, and
        // the choice outlasts the dialog.
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        QCOMPARE(preview.PreviewImage(), page2);
        QCOMPARE(CurrentPrinterName(), QStringLiteral("Office"));
        frmPreview again(line.Set, NumberFormat(), folder, nullptr, 768);
        QCOMPARE(again.findChild<QComboBox *>(QStringLiteral("cmbPrinters"))->currentIndex(), 0);

        // Esc closes without printing.
        QTest::keyClick(&preview, Qt::Key_Escape);
        QVERIFY(!preview.isVisible());
        QCOMPARE(MessageBoxes::ShownCount(), 0);
    }

    void saveAsPdf()
    {
        Line line;
        QTemporaryDir dir;
        QString folder = dir.path();
        frmPreview preview(line.Set, NumberFormat(), folder, nullptr, 768);
        preview.show();
        auto *combo = preview.findChild<QComboBox *>(QStringLiteral("cmbPrinters"));
        // No printer installed: the PDF entry is the only one, and the page shows.
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("Save as PDF\u2026"));
        QVERIFY(bannerInk(preview.PreviewImage()) > 0);

        // A folder that is not there: the failure message, no file, still open.
        CCommonDialogs::QueueFileName(dir.filePath(QStringLiteral("gone/report.pdf")));
        MessageBoxes::QueueAnswer(MessageBoxes::Ok);
        preview.btnPrint_Click();
        QCOMPARE(CCommonDialogs::LastInitialDir(), dir.path());
        QVERIFY(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error printing:\n\n")));
        QVERIFY(preview.isVisible());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

        // Cancelled: nothing happens.
        CCommonDialogs::QueueCancel();
        preview.btnPrint_Click();
        QVERIFY(preview.isVisible());

        // A name without extension gets ".pdf"; the dialog closes after writing.
        CCommonDialogs::QueueFileName(dir.filePath(QStringLiteral("trial 7")));
        preview.btnPrint_Click();
        QCOMPARE(CCommonDialogs::LastFilter(), QStringLiteral("PDF Document (*.pdf)|*.pdf"));
        QCOMPARE(folder, QDir::toNativeSeparators(dir.path() + QLatin1Char('/')));
        QCOMPARE(preview.result(), int(QDialog::Accepted));
        QCOMPARE(pdfPages(dir.filePath(QStringLiteral("trial 7.pdf"))), 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("trial 7.pdf")});
        QVERIFY(pdfText(dir.filePath("trial 7.pdf")).contains(QStringLiteral("Field Station North")));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
    }

    void printFromTheWindow()
    {
        WindowFixture w;
        w.Open();
        w.Form->SetPrintHandler(&ShowPrintPreview);
        w.NewSlide(QStringLiteral("0"));
        w.TypeDrop(QStringLiteral("3"));
        w.NewSlide(QStringLiteral("10"));
        w.TypeDrop(QStringLiteral("5"));
        int opened = 0;
        auto closeNextPreview = [&] {
            QTimer::singleShot(0, w.Form.get(), [&] {
                if (auto *preview = qobject_cast<frmPreview *>(QApplication::activeModalWidget())) {
                    ++opened;
                    QCOMPARE(preview->windowTitle(), QStringLiteral("Nimbrel - Print"));
                    QTest::keyClick(preview, Qt::Key_Escape);
                }
            });
        };
        // Only the whole line is printed: Ctrl+P does nothing on a slide.
        w.Key(Qt::Key_P, Qt::ControlModifier, w.Entry());
        QCOMPARE(opened, 0);
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        QVERIFY(w.Shown(QStringLiteral("btnPrint")));
        closeNextPreview();
        w.Key(Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(opened, 1);
        closeNextPreview();
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnPrint")), Qt::LeftButton);
        QCOMPARE(opened, 2);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // --- nimbrel-cli report ---------------------------------------------------------------

    void cliReport_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("exit");
        QTest::addColumn<int>("pages"); // -1: an 850 × 1100 image
        QTest::newRow("whole report") << QStringList{} << "r.pdf" << 0 << 4;
        QTest::newRow("one page") << QStringList{"--page", "2"} << "r.pdf" << 0 << 1;
        QTest::newRow("spray quality") << QStringList{"--page", "4", "--limits", "60,80,"} << "r.pdf" << 0 << 1;
        QTest::newRow("limits not numbers") << QStringList{"--page", "4", "--limits", "60,x,"} << "r.pdf" << 2 << 0;
        QTest::newRow("one page as image") << QStringList{"--page=3"} << "r.png" << 0 << -1;
        QTest::newRow("image needs a page") << QStringList{} << "r.png" << 2 << 0;
        QTest::newRow("page out of range") << QStringList{"--page", "5"} << "r.pdf" << 2 << 0;
        QTest::newRow("no such file") << QStringList{"--list-separator", ","} << "r.pdf" << 1 << 0;
    }
    void cliReport()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(int, exit);
        QFETCH(int, pages);
        QTemporaryDir dir;
        const QString input = QString::fromUtf8(qgetenv("NIMBREL_TEST_DATA"))
                              + (QTest::currentDataTag() == QLatin1String("no such file") ? "/missing.csv"
                                                                                         : "/realistic-line.csv");
        const QString output = dir.filePath(out);
        QProcess cli;
        cli.start(QStringLiteral(NIMBREL_CLI), QStringList{"report", input} + args + QStringList{"-o", output});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), exit);
        if (exit != 0) {
            QVERIFY(!QFile::exists(output));
            return;
        }
        if (pages < 0)
            QCOMPARE(QImage(output).size(), QSize(850, 1100));
        else
            QCOMPARE(pdfPages(output), pages);
        if (args.contains(QStringLiteral("--limits")))
            QVERIFY(pdfText(output).contains(QStringLiteral("Composite: within the label limits")));
    }

    // The spray quality page came after the others: they stay as they were, to the
    // pixel, against pictures taken before it existed.
    void earlierPagesUnchanged_data()
    {
        QTest::addColumn<int>("page");
        for (int n = 1; n <= 3; ++n)
            QTest::addRow("page %d", n) << n;
    }
    void earlierPagesUnchanged()
    {
        QFETCH(int, page);
        const QString data = QString::fromUtf8(qgetenv("NIMBREL_TEST_DATA"));
        QTemporaryDir dir;
        const QString output = dir.filePath(QStringLiteral("p.png"));
        QProcess cli;
        cli.start(QStringLiteral(NIMBREL_CLI), {"report", data + "/realistic-line.csv", "--page", QString::number(page),
                                                "-o", output});
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        const QImage now = QImage(output).convertToFormat(QImage::Format_RGB32);
        const QImage before =
            QImage(data + QStringLiteral("/report-page%1.png").arg(page)).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(now.size(), before.size());
        int differing = 0;
        for (int y = 0; y < now.height(); ++y)
            for (int x = 0; x < now.width(); ++x)
                differing += now.pixel(x, y) != before.pixel(x, y);
        QCOMPARE(differing, 0);
    }

    // --- page 4: spray quality ------------------------------------------------------------

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
        Line line;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("q.pdf"));
        RecordingHost host;
        const ReportData data(line.Set, NumberFormat(), label);
        QVERIFY(WriteReportPdf(pdf, data, 4, host));
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("Spray Quality")));
        QVERIFY2(hasLine(text, QStringLiteral("Position\\s+Drops\\s+Density\\s+NMD\\s+Dv0\\.1\\s+VMD\\s+Dv0\\.9\\s+"
                                              "Span\\s+Vol\\. < 32 \u00B5m\\s+24 hr mortality")),
                 qPrintable(text));
        // Every row as the tab shows it, the composite with its intervals.
        const SprayQualityTexts expected =
            FormatSprayQuality(ComputeSprayQuality(line.Set, label), label, true, NumberFormat());
        QCOMPARE(int(expected.Rows.size()), line.Set.SlideCount() + 1);
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

    // A long line shrinks the type; beyond what a page holds the slides left out
    // are counted, and the composite row is always there.
    void sprayQualityPageOfALongLine_data()
    {
        QTest::addColumn<int>("slides");
        QTest::addColumn<bool>("cut");
        QTest::newRow("30 slides") << 30 << false;
        QTest::newRow("255 slides") << 255 << true;
    }
    void sprayQualityPageOfALongLine()
    {
        QFETCH(int, slides);
        QFETCH(bool, cut);
        SlideSet set;
        ViewState view;
        int drops = 0;
        for (int i = 0; i < slides; ++i) {
            AddSlide(set, float(i * 2));
            PutDrops(set, view, set.SlideCount(), int16_t(2 + i % 7), int16_t(5 + i % 11));
            drops += 5 + i % 11;
        }
        Refresh(set, view);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        RecordingHost host;
        QVERIFY(WriteReportPdf(pdf, ReportData(set, NumberFormat()), 4, host));
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfText(pdf);
        QVERIFY2(hasLine(text, QStringLiteral("Composite\\s+%1\\s+.*").arg(drops)), qPrintable(text));
        // Slide rows: a position and a drop count at the start of a line.
        const QRegularExpression slideRow(QStringLiteral("^\\s*\\d+\\s+\\d+\\s"));
        int listed = 0;
        for (const QString &l : text.split(QLatin1Char('\n')))
            listed += slideRow.match(l).hasMatch();
        const auto more = QRegularExpression(QStringLiteral("and (\\d+) more slides")).match(text);
        QCOMPARE(more.hasMatch(), cut);
        QVERIFY2(listed + (cut ? more.captured(1).toInt() : 0) == slides, qPrintable(text));
    }
};

QTEST_MAIN(TestPrint)
#include "test_print.moc"
