// nimbrel-cli with the impaction weighting: the json's CloudMethod and in-cloud
// figures against a reference computed here from the counts, the defaults taken
// from the file's meteorology, and the options' mistakes.
#include "FilesTestSupport.h"
#include "model/CollectionEfficiency.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cmath>

namespace {

struct Run { int Exit = -1; QByteArray Out, Err; };

Run cli(const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBREL_CLI), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

const QStringList kPoint = {"--list-separator", ",", "--decimal-separator", "."};

std::vector<double> numbers(const QJsonValue &v)
{
    std::vector<double> out;
    for (const QJsonValue &x : v.toArray())
        out.push_back(x.toDouble());
    return out;
}

// The median rule of the program, in double: the first occupied class whose
// cumulative share reaches one half, linear from the previous occupied class.
double median(const std::vector<double> &weights, double micronsPerClass)
{
    double total = 0;
    for (double w : weights)
        total += w;
    double cum = 0, prevCum = 0;
    int prev = 0;
    for (int k = 1; k < int(weights.size()); ++k) {
        if (weights[size_t(k)] == 0)
            continue;
        cum += weights[size_t(k)] / total;
        if (cum >= 0.5)
            return prev * micronsPerClass + (k - prev) * micronsPerClass * (0.5 - prevCum) / (cum - prevCum);
        prevCum = cum;
        prev = k;
    }
    return 0;
}

bool closeFloat(double got, double want)
{
    return std::abs(got - want) <= 2e-6 * std::max(1.0, std::abs(want));
}

} // namespace

class TestCliCloud : public QObject
{
    Q_OBJECT

private slots:
    void impactionJsonMatchesReference_data();
    void impactionJsonMatchesReference();
    void diameterSquaredIsTheDefault();
    void summaryAndReportSayTheMethod();
    void mistakesAreUsageErrors_data();
    void mistakesAreUsageErrors();
};

void TestCliCloud::impactionJsonMatchesReference_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("density");
    QTest::addColumn<double>("celsius");
    // realistic-line.csv: 21 °C and 8 km/h; golden_us_control.csv: 25 °F, no wind.
    QTest::newRow("ribbon, the file's wind") << "realistic-line.csv" << QStringList() << 0 << 25.0 << 8 / 3.6
                                             << 1000.0 << 21.0;
    QTest::newRow("cylinder, own speed")
        << "realistic-line.csv"
        << QStringList{"--collector", "cylinder", "--collector-width-mm", "3", "--air-speed-ms=1.5", "--drop-density",
                       "920"}
        << 1 << 3.0 << 1.5 << 920.0 << 21.0;
    QTest::newRow("U.S. file, degrees F") << "golden_us_control.csv" << QStringList{"--air-speed-ms", "6"} << 0
                                          << 25.0 << 6.0 << 1000.0 << (25.0 - 32) * 5 / 9;
}

void TestCliCloud::impactionJsonMatchesReference()
{
    QFETCH(QString, file);
    QFETCH(QStringList, options);
    QFETCH(int, shape);
    QFETCH(double, width);
    QFETCH(double, speed);
    QFETCH(double, density);
    QFETCH(double, celsius);
    const Run run = cli(kPoint + QStringList{"json", FilesTestData(file), "--cloud-method", "impaction"} + options);
    QCOMPARE(run.Exit, 0);
    const QJsonObject root = QJsonDocument::fromJson(run.Out).object();
    const QJsonObject method = root[QLatin1String("CloudMethod")].toObject();
    QCOMPARE(method[QLatin1String("Model")].toString(), shape == 0 ? QStringLiteral("Ribbon") : QStringLiteral("Cylinder"));
    QVERIFY(closeFloat(method[QLatin1String("WidthMM")].toDouble(), width));
    QVERIFY(closeFloat(method[QLatin1String("AirSpeedMS")].toDouble(), speed));
    QVERIFY(closeFloat(method[QLatin1String("DropDensity")].toDouble(), density));
    const double mu = 1.458e-6 * std::pow(celsius + 273.15, 1.5) / (celsius + 273.15 + 110.4);
    QVERIFY(closeFloat(method[QLatin1String("AirViscosity")].toDouble(), mu));

    const double micronsPerClass = double(root[QLatin1String("MicronsPerEPD")].toDouble())
                                   * double(float(root[QLatin1String("SpreadFactor")].toDouble()));
    const std::vector<double> e = numbers(method[QLatin1String("CollectionEfficiency")]);
    QCOMPARE(int(e.size()), root[QLatin1String("MaxSizeEPD")].toInt() + 1);
    for (size_t k = 1; k < e.size(); ++k) {
        const double d = double(k) * micronsPerClass * 1e-6;
        const CollectorShape s = shape == 0 ? CollectorShape::Ribbon : CollectorShape::Cylinder;
        QVERIFY2(std::abs(e[k] - CollectionEfficiency(s, d, speed, width * 1e-3, density, mu)) < 1e-5,
                 qPrintable(QString::number(k)));
    }

    // Every slide's in-cloud figures with the weights 1/E and k³/E, E floored at 0.05.
    int below = 0, slidesWithDrops = 0;
    for (const QJsonValue &v : root[QLatin1String("Slides")].toArray()) {
        const QJsonObject slide = v.toObject();
        const std::vector<double> counts = numbers(slide[QLatin1String("Counts")]);
        std::vector<double> number(counts.size()), volume(counts.size());
        double numSum = 0, volSum = 0;
        for (size_t k = 1; k < counts.size(); ++k) {
            const double ef = std::max(e[k], 0.05);
            number[k] = counts[k] / ef;
            volume[k] = counts[k] * double(k) * double(k) * double(k) / ef;
            numSum += number[k];
            volSum += volume[k];
            if (e[k] < 0.05)
                below += int(counts[k]);
        }
        if (numSum == 0)
            continue;
        ++slidesWithDrops;
        const std::vector<double> nf = numbers(slide[QLatin1String("NF")]), vf = numbers(slide[QLatin1String("VF")]);
        for (size_t k = 1; k < counts.size(); ++k) {
            QVERIFY(closeFloat(nf[k], number[k] / numSum));
            QVERIFY(closeFloat(vf[k], volume[k] / volSum));
        }
        QVERIFY(closeFloat(slide[QLatin1String("NMD")].toDouble(), median(number, micronsPerClass)));
        QVERIFY(closeFloat(slide[QLatin1String("VMD")].toDouble(), median(volume, micronsPerClass)));
    }
    QVERIFY(slidesWithDrops > 0);
    QCOMPARE(method[QLatin1String("DropsBelowFloor")].toInt(), below);
}

void TestCliCloud::diameterSquaredIsTheDefault()
{
    const QString file = FilesTestData(QStringLiteral("realistic-line.csv"));
    const Run plain = cli(kPoint + QStringList{"json", file});
    const Run named = cli(kPoint + QStringList{"json", file, "--cloud-method", "diameter2"});
    QCOMPARE(plain.Exit, 0);
    QCOMPARE(named.Out, plain.Out);
    QVERIFY(plain.Out.contains("\"CloudMethod\": \"Diameter2\""));
    // The file a rewrite writes keeps the "Diameter ²" figures whatever is asked.
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.csv")), b = dir.filePath(QStringLiteral("b.csv"));
    QCOMPARE(cli(kPoint + QStringList{"rewrite", file, a}).Exit, 0);
    QCOMPARE(cli(kPoint + QStringList{"--cloud-method", "impaction", "rewrite", file, b}).Exit, 0);
    QCOMPARE(ReadBytes(b), ReadBytes(a));
}

void TestCliCloud::summaryAndReportSayTheMethod()
{
    const QString file = FilesTestData(QStringLiteral("realistic-line.csv"));
    const Run plain = cli(kPoint + QStringList{"summary", file});
    QVERIFY(!plain.Out.contains("in cloud:"));
    const Run impaction = cli(kPoint + QStringList{"summary", file, "--cloud-method", "impaction"});
    QCOMPARE(impaction.Exit, 0);
    QVERIFY(impaction.Out.contains("in cloud: May & Clifford: ribbon 25.0 mm, air 2.22 m/s, drops 1000 kg/m"));
    QVERIFY(impaction.Out != plain.Out);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    const Run report = cli(kPoint + QStringList{"report", file, "--cloud-method", "impaction", "--collector",
                                                 "cylinder", "--page", "1", "-o", pdf});
    QCOMPARE(report.Exit, 0);
    QVERIFY(QFileInfo(pdf).size() > 0);
}

void TestCliCloud::mistakesAreUsageErrors_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("said");
    QTest::newRow("unknown method") << QStringList{"--cloud-method", "clifford"} << "diameter2 or impaction";
    QTest::newRow("unknown shape") << QStringList{"--cloud-method", "impaction", "--collector", "disc"}
                                   << "ribbon or cylinder";
    QTest::newRow("zero width") << QStringList{"--cloud-method", "impaction", "--collector-width-mm", "0"}
                                << "--collector-width-mm";
    QTest::newRow("negative speed") << QStringList{"--cloud-method", "impaction", "--air-speed-ms", "-1"}
                                    << "--air-speed-ms";
    QTest::newRow("comma decimal") << QStringList{"--cloud-method", "impaction", "--drop-density", "1,2"}
                                   << "--drop-density";
    QTest::newRow("collector without impaction") << QStringList{"--collector", "cylinder"}
                                                 << "need --cloud-method impaction";
}

void TestCliCloud::mistakesAreUsageErrors()
{
    QFETCH(QStringList, options);
    QFETCH(QString, said);
    const QString file = FilesTestData(QStringLiteral("realistic-line.csv"));
    for (const char *command : {"json", "plot"}) {
        QStringList args = kPoint + QStringList{QString::fromLatin1(command), file} + options;
        if (QByteArray(command) == "plot")
            args << "--graph" << "histogram" << "-o" << QDir::temp().filePath(QStringLiteral("never.png"));
        const Run run = cli(args);
        QCOMPARE(run.Exit, 2);
        QVERIFY(run.Out.isEmpty());
        QVERIFY2(QString::fromUtf8(run.Err).contains(said), run.Err.constData());
    }
}

QTEST_GUILESS_MAIN(TestCliCloud)
#include "test_cli_cloud.moc"
