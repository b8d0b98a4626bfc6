// Each graph of the realistic line drawn from scratch into a 1024 × 768 image,
// as a redraw after every typed drop or tab click would.

#include "test_graphs_data.h"

#include "DrawingSurface.h"
#include "Histogram.h"
#include "LineGraphs.h"
#include "RangeChart.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <functional>

namespace {

const QSize kBenchSize(1024, 768);

void drawInto(benchmark::State &state, const std::function<void(DrawingSurface &, const SlideSet &, ViewState &)> &draw,
              bool composite)
{
    ViewState view;
    SlideSet set = MakeRealisticLine(view, 6);
    view.CompositeChecked = composite;
    Refresh(set, view);
    QImage image(kBenchSize, QImage::Format_RGB32);
    for (auto _ : state) {
        DrawingSurface surface(&image);
        draw(surface, set, view);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_HistogramSlide(benchmark::State &state)
{
    drawInto(state, [&](DrawingSurface &s, const SlideSet &set, ViewState &view) {
        view.GraphMode = int(state.range(0));
        DrawResult(s, set, view);
    }, false);
}

void BM_HistogramComposite(benchmark::State &state)
{
    drawInto(state, [&](DrawingSurface &s, const SlideSet &set, ViewState &view) {
        view.GraphMode = int(state.range(0));
        DrawResult(s, set, view);
    }, true);
}

void BM_LineData(benchmark::State &state)
{
    drawInto(state, [](DrawingSurface &s, const SlideSet &set, ViewState &view) {
        DrawLineData(s, set, view, LineDataOptions{true});
    }, true);
}

void BM_MortalityVsDensity(benchmark::State &state)
{
    drawInto(state, [](DrawingSurface &s, const SlideSet &set, ViewState &view) {
        DrawMortalityVsDensity(s, set, view, ComputeLineRange(set).DensityAxisMax);
    }, true);
}

void BM_RangeChart(benchmark::State &state)
{
    drawInto(state, [](DrawingSurface &s, const SlideSet &set, ViewState &view) { DrawRangeChart(s, set, view); },
             true);
}

} // namespace

BENCHMARK(BM_HistogramSlide)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HistogramComposite)->DenseRange(1, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LineData)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MortalityVsDensity)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RangeChart)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    RegisterFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
