// The report of a long line: 255 slides, every one with drops and a cage. The
// whole report to PDF should take under 300 ms; one preview page under 30 ms,
// so that switching the preview's tabs feels instant.

#include "test_graphs_data.h"

#include "print/ReportJob.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

class QuietHost : public ReportHost
{
public:
    void ShowPrintError(const QString &) override {}
};

SlideSet longLine()
{
    SlideSet set;
    ViewState view;
    set.ControlData = MortalityCounts{25, 0, 1, 3};
    set.Texts.Agency = QStringLiteral("Field Station North");
    for (int i = 0; i < 255; ++i) {
        const auto position = static_cast<float>(i - 127);
        const int16_t s = AddSlide(set, position);
        const double nearness = std::exp(-std::pow(position / 40.0, 2));
        for (int16_t k = 1; k <= 18; ++k) {
            const auto count = static_cast<int16_t>(std::lround((3 + 30 * nearness) * std::exp(-std::pow((k - 3 - 3 * nearness) / 3.0, 2))));
            if (count > 0)
                PutDrops(set, view, s, k, count);
        }
        set.Slides[s].Cage = MortalityCounts{20, static_cast<int16_t>(10 * nearness), static_cast<int16_t>(14 * nearness),
                                             static_cast<int16_t>(18 * nearness)};
    }
    Refresh(set, view);
    return set;
}

void BM_ReportToPdf(benchmark::State &state)
{
    const SlideSet set = longLine();
    const ReportData data(set, NumberFormat());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    QuietHost host;
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteReportPdf(path, data, 0, host));
}

void BM_PreviewPage(benchmark::State &state)
{
    const SlideSet set = longLine();
    const ReportData data(set, NumberFormat());
    QuietHost host;
    QImage image(425, 550, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    for (auto _ : state) {
        image.fill(Qt::white);
        DrawingSurface surface(&image);
        PrintSub(surface, false, static_cast<uint8_t>(state.range(0)), data, host);
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(BM_ReportToPdf)->Unit(benchmark::kMillisecond);
// The graph pages and the first of the table sheets; a long line has more.
BENCHMARK(BM_PreviewPage)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
