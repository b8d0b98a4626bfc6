// The dose-response fit of a long line: 255 caged slides (target: under 5 ms).
#include "model/DoseResponse.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

// Deposits over two decades, mortality rising along a probit line with a little
// natural mortality and binomial-looking scatter from a fixed pattern.
SlideSet caged(int slides)
{
    SlideSet set;
    for (int i = 0; i < slides; ++i) {
        Slide s;
        s.Position = float(i);
        s.DropDensity = float(std::pow(10.0, 1 + 2.0 * i / slides));
        const double p = 0.1 + 0.9 * 0.5 * std::erfc(-(std::log10(s.DropDensity) - 2) * 2.5 / std::sqrt(2.0));
        const int n = 20 + i % 17;
        const int dead = std::clamp(int(std::lround(n * p)) + (i % 5) - 2, 0, n);
        s.Cage = MortalityCounts{int16_t(n), int16_t(dead), int16_t(dead), int16_t(dead)};
        set.Slides.push_back(s);
    }
    set.ControlData = MortalityCounts{40, 0, 4, 4};
    return set;
}

void BM_FitDoseResponse(benchmark::State &state)
{
    const SlideSet set = caged(int(state.range(0)));
    const DoseResponseOptions options{24, state.range(1) ? DoseLink::Logit : DoseLink::Probit, DoseDeposit::Drops};
    for (auto _ : state) {
        DoseResponseFit fit = FitDoseResponse(set, options);
        benchmark::DoNotOptimize(fit);
        if (!fit.Fitted())
            state.SkipWithError("no fit");
    }
}
BENCHMARK(BM_FitDoseResponse)->Args({255, 0})->Args({255, 1})->Args({20, 0})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
