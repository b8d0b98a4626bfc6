// Timing of the slide set file at line sizes the program meets (10 and 255
// slides) and well beyond (2000), on reticules of 20 and 200 divisions, with
// every size class of every slide holding drops (the longest drop tables).
#include "files/SlideSetFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// `reversed` lays the slides out from the far end of the line back, as a file
// edited by hand or merged from two lines may hold them; `filled` classes of
// each slide hold drops (all of them when 0).
SlideSet makeSet(int slides, int16_t classes, bool reversed = false, int filled = 0)
{
    SlideSet set;
    set.Params.MaxSizeEPD = classes;
    int16_t largest = 0;
    ResizeClassArrays(set, largest);
    set.ControlData = MortalityCounts{20, 0, 2, 3};
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> count(1, 40);
    for (int s = 0; s < slides; ++s) {
        const int16_t index = AddSlide(set, reversed ? float(slides - s) : float(s) - slides / 2.0f);
        Slide &slide = set.Slides[index];
        for (int k = 1; k <= (filled > 0 ? filled : classes); ++k)
            slide.Counts[k] = static_cast<int16_t>(count(rng));
        slide.Cage = MortalityCounts{20, 4, 8, 12};
        SetDropCount(set, 0, 0, index, largest);
        ComputeMortality(slide, set.ControlData);
    }
    return set;
}

const QString kComma = QStringLiteral(",");

void args(benchmark::internal::Benchmark *b)
{
    for (int slides : {10, 255, 2000})
        for (int classes : {20, 200})
            b->Args({slides, classes});
    b->Unit(benchmark::kMillisecond);
}

void BM_Load(benchmark::State &state)
{
    const QByteArray bytes =
        SlideSetFileBytes(makeSet(int(state.range(0)), int16_t(state.range(1))), kComma, NumberFormat());
    for (auto _ : state) {
        LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        if (!result.Ok())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["cells"] = double(state.range(0) * state.range(1));
}
BENCHMARK(BM_Load)->Apply(args);

// The most slides a file may hold, short drop tables, in reverse position order:
// the sort into position order is most of the work.
void BM_LoadReversed(benchmark::State &state)
{
    const QByteArray bytes = SlideSetFileBytes(makeSet(int(state.range(0)), 20, true, 3), kComma, NumberFormat());
    for (auto _ : state) {
        LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        if (!result.Ok())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LoadReversed)->Arg(2000)->Arg(32766)->Unit(benchmark::kMillisecond);

// The same through a file on disk, as the Load command reads it.
void BM_LoadFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.csv"));
    if (!WriteSlideSetFile(path, makeSet(int(state.range(0)), int16_t(state.range(1))), kComma, NumberFormat()).isEmpty())
        state.SkipWithError("save failed");
    for (auto _ : state) {
        LoadResult result = ReadSlideSetFile(path, kComma, NumberFormat());
        if (!result.Ok())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LoadFile)->Args({255, 200})->Args({2000, 200})->Unit(benchmark::kMillisecond);

// What a load does after reading and what an optics change does: every slide's
// statistics and mortality, then the composite.
void BM_Recompute(benchmark::State &state)
{
    SlideSet set = makeSet(int(state.range(0)), int16_t(state.range(1)));
    CompositeResults composite;
    for (auto _ : state) {
        int16_t largest = 0;
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            SetDropCount(set, 0, 0, i, largest);
            ComputeMortality(set.Slides[i], set.ControlData);
        }
        CalcComposite(set, composite);
        benchmark::DoNotOptimize(composite.CompVMD);
    }
    state.counters["cells"] = double(state.range(0) * state.range(1));
}
BENCHMARK(BM_Recompute)->Apply(args);

void BM_Save(benchmark::State &state)
{
    const SlideSet set = makeSet(int(state.range(0)), int16_t(state.range(1)));
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = SlideSetFileBytes(set, kComma, NumberFormat());
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * size);
    state.counters["cells"] = double(state.range(0) * state.range(1));
}
BENCHMARK(BM_Save)->Apply(args);

} // namespace

BENCHMARK_MAIN();
