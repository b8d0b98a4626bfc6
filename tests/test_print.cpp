// The printed report: its pages against pictures taken before, what the PDF says,
// the preview window and the failure paths.

#include "test_graphs_data.h"
#include "test_window_fixture.h"

#include "graphs/GraphBoxes.h"
#include "graphs/LineGraphs.h"
#include "platform/ui/MessageBoxes.h"
#include "print/ReportJob.h"
#include "print/frmPreview.h"
#include "model/SprayQualityText.h"

#include <QPushButton>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

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
        QCOMPARE(pdfPages(pdf.Path), kReportPageCount);
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
            QCOMPARE(pdfPages(pdf.Path), kReportPageCount);
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
        QCOMPARE(pdfPages(pdf), kReportPageCount);
        QCOMPARE(runCli({line, "--page", "4", "--limits", "60,80,", "-o", pdf}), 0);
        QCOMPARE(pdfPages(pdf), 1);
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Composite: within the label limits")));
        // A refused command writes nothing: bad arguments exit 2, an unreadable set 1.
        QVERIFY(QFile::remove(pdf));
        for (const auto &[args, exit] : {std::pair{QStringList{line, "--page", "4", "--limits", "60,x,", "-o", pdf}, 2},
                                         {QStringList{line, "-o", png}, 2}, // an image needs a page
                                         {QStringList{line, "--page", "6", "-o", pdf}, 2},
                                         {QStringList{data + "/missing.csv", "--list-separator", ",", "-o", pdf}, 1}}) {
            QCOMPARE(runCli(args), exit);
            QVERIFY(!QFile::exists(pdf) && !QFile::exists(png));
        }
    }

    // The spray quality page came after the others: they stay as they were, to the
    // pixel, against pictures taken before it existed.
    void earlierPagesUnchanged()
    {
        const QString data = qEnvironmentVariable("NIMBREL_TEST_DATA");
        QTemporaryDir dir;
        const QString output = dir.filePath(QStringLiteral("p.png"));
        for (int page = 1; page <= 3; ++page) {
            QCOMPARE(runCli({data + "/realistic-line.csv", "--page", QString::number(page), "-o", output}), 0);
            const QImage before = QImage(data + QStringLiteral("/report-page%1.png").arg(page));
            QVERIFY(!before.isNull());
            QVERIFY2(QImage(output).convertToFormat(QImage::Format_RGB32) == before.convertToFormat(QImage::Format_RGB32),
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
