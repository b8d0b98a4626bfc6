// Counting intervals of a whole line: 255 slides over 200 size classes, 2 000
// redraws each. The target is a quarter of a second, so that the spray quality
// figures can be shown at once.
#include "model/CountingIntervals.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

// dense: every class holds 0 … 40 drops (about 4 000 drops a slide, far beyond a
// count by hand). field: a log-normal spectrum of about 500 drops a slide.
SlideSet makeLine(bool dense)
{
    SlideSet set;
    set.Params.MaxSizeEPD = 200;
    int16_t largest = 0;
    ResizeClassArrays(set, largest);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> count(0, 40);
    std::lognormal_distribution<double> size(std::log(40.0), 0.6);
    for (int s = 0; s < 255; ++s) {
        const int16_t index = AddSlide(set, float(s));
        Slide &slide = set.Slides[index];
        if (dense) {
            for (int k = 1; k <= 200; ++k)
                slide.Counts[k] = static_cast<int16_t>(count(rng));
        } else {
            for (int d = 0; d < 500; ++d) {
                const int k = std::clamp(int(std::lround(size(rng))), 1, 200);
                ++slide.Counts[k];
            }
        }
        SetDropCount(set, 0, 0, index, largest);
    }
    return set;
}

void BM_BootstrapIntervals(benchmark::State &state)
{
    const SlideSet set = makeLine(state.range(0) == 1);
    BootstrapSettings settings;
    settings.Threads = int(state.range(1));
    for (auto _ : state) {
        LineIntervals intervals = BootstrapIntervals(set, settings);
        benchmark::DoNotOptimize(intervals.Composite.VMD);
    }
}
// Arguments: spectrum (0 field, 1 dense), threads (0: all the machine offers).
BENCHMARK(BM_BootstrapIntervals)
    ->Args({0, 1})->Args({0, 0})->Args({1, 1})->Args({1, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
