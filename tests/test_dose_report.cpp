// The report's dose-response page: the fit under the report's choices, or the
// reason there is none, as the PDF's own text says it.
#include "print/MethodsPage.h"
#include "model/DoseResponse.h"
#include "print/ReportJob.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "files/SlideSetFile.h"

namespace {

class Host : public ReportHost
{
public:
    void ShowPrintError(const QString &m) override { QFAIL(qPrintable(m)); }
};

// The dose-response page stands just before the Methods page(s).
int dosePage(const ReportData &data)
{
    return data.PageCount() - int(MethodsSheets(data).size());
}

QString pageText(const ReportData &data, int page)
{
    QTemporaryDir dir;
    Host host;
    const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
    if (!WriteReportPdf(pdf, data, uint8_t(page), host))
        return QString();
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

SlideSet load(const char *name)
{
    const QString path = qEnvironmentVariable("NIMBREL_TEST_DATA") + QLatin1Char('/') + QLatin1String(name);
    return ReadSlideSetFile(path, QStringLiteral(","), NumberFormat()).Loaded->Set;
}

} // namespace

class TestDoseReport : public QObject
{
    Q_OBJECT
private slots:
    void fittedUnderTheChoices_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("link");
        QTest::newRow("24 h probit") << 24 << int(DoseLink::Probit);
        QTest::newRow("12 h logit") << 12 << int(DoseLink::Logit);
    }
    void fittedUnderTheChoices()
    {
        QFETCH(int, hour);
        QFETCH(int, link);
        const SlideSet set = load("realistic-line.csv");
        ReportData data(set, NumberFormat());
        data.DoseOptions = {hour, DoseLink(link), DoseDeposit::Drops};
        const QString text = pageText(data, dosePage(data));
        QVERIFY2(text.contains(QStringLiteral("Dose Response")), qPrintable(text));
        const DoseResponseFit fit = FitDoseResponse(set, data.DoseOptions);
        for (const DoseResponseRow &row : DoseResponseTable(fit, NumberFormat()))
            QVERIFY2(text.contains(row.Caption.simplified() + QLatin1Char(' ') + row.Value.simplified()),
                     qPrintable(row.Caption + QStringLiteral(": ") + row.Value + QStringLiteral(" in ") + text));
    }

    void noFitSaysWhy()
    {
        const SlideSet set = load("golden_us_control.csv"); // the report reads the set it is given
        ReportData data(set, NumberFormat());
        const QString text = pageText(data, dosePage(data));
        QVERIFY2(text.contains(QStringLiteral("no dose\u2013response fit"))
                     && text.contains(QStringLiteral("a dose\u2013response line needs at least 3")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("LD50")));
    }
};

QTEST_MAIN(TestDoseReport)
#include "test_dose_report.moc"
