// Timing of the per-slide and composite calculations at line sizes the program
// meets (255 slides) and well beyond (2000 size classes).
#include "model/SlideSet.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

SlideSet makeSet(int slides, int16_t classes)
{
    SlideSet set;
    set.Params.MaxSizeEPD = classes;
    int16_t largest = 0;
    ResizeClassArrays(set, largest);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> count(0, 40);
    for (int s = 0; s < slides; ++s) {
        const int16_t index = AddSlide(set, float(s) - slides / 2.0f);
        for (int16_t k = 1; k <= classes; ++k)
            set.Slides[index].Counts[k] = static_cast<int16_t>(count(rng));
        SetDropCount(set, 0, 0, index, largest);
    }
    set.CurrentSlide = 1;
    return set;
}

void BM_SetDropCount(benchmark::State &state)
{
    SlideSet set = makeSet(255, static_cast<int16_t>(state.range(0)));
    int16_t largest = 0;
    int16_t k = 1;
    for (auto _ : state) {
        SetDropCount(set, k, 7, 128, largest);
        k = static_cast<int16_t>(k % set.Params.MaxSizeEPD + 1);
        benchmark::DoNotOptimize(set.Slides[128].VMD);
    }
}
BENCHMARK(BM_SetDropCount)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

void BM_CalcComposite(benchmark::State &state)
{
    const SlideSet set = makeSet(255, static_cast<int16_t>(state.range(0)));
    CompositeResults result;
    for (auto _ : state) {
        CalcComposite(set, result);
        benchmark::DoNotOptimize(result.CompVMD);
    }
}
BENCHMARK(BM_CalcComposite)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
