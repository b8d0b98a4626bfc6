// Counting intervals of a whole line: 255 slides over 200 size classes, one core
// and all; and what they add to `nimbrel-cli json` against `rewrite` of the same
// file, up to 32 766 slides (its peak memory as a counter, run it alone:
// --benchmark_filter=Json/32766).
#include "../tools/nimbrel-cli/CliSupport.h"
#include "files/SlideSetFile.h"
#include "model/CountingIntervals.h"

#include <QIODevice>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <random>

namespace {

// field: a log-normal spectrum of about 500 drops a slide; dense: every class
// holds 0 … 40 drops (about 4 000 drops a slide); hand: 150 drops a slide;
// sparse: the most drops an interval is still drawn from, the costliest slide.
enum Spectrum { kField, kDense, kHand, kSparse };

SlideSet makeLine(Spectrum spectrum, int slides = 255, int16_t classes = 200)
{
    SlideSet set;
    set.Params.MaxSizeEPD = classes;
    int16_t largest = 0;
    ResizeClassArrays(set, largest);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> count(0, 40);
    std::lognormal_distribution<double> size(std::log(classes / 5.0), 0.6);
    for (int s = 0; s < slides; ++s) {
        const int16_t index = AddSlide(set, float(s));
        Slide &slide = set.Slides[index];
        if (spectrum == kDense) {
            for (int k = 1; k <= classes; ++k)
                slide.Counts[k] = static_cast<int16_t>(count(rng));
        } else {
            const int drops = spectrum == kField ? 500 : spectrum == kHand ? 150 : kDrawnBelow - 1;
            for (int d = 0; d < drops; ++d)
                ++slide.Counts[std::clamp(int(std::lround(size(rng))), 1, int(classes))];
        }
        SetDropCount(set, 0, 0, index, largest);
    }
    return set;
}

void BM_BootstrapIntervals(benchmark::State &state)
{
    const SlideSet set = makeLine(Spectrum(state.range(0)));
    BootstrapSettings settings;
    settings.Threads = int(state.range(1));
    for (auto _ : state) {
        LineIntervals intervals = BootstrapIntervals(set, settings);
        benchmark::DoNotOptimize(intervals.Composite.VMD);
    }
}
// Arguments: spectrum (0 field, 1 dense, 2 hand, 3 sparse), threads (0: all the machine offers).
BENCHMARK(BM_BootstrapIntervals)
    ->Args({0, 1})->Args({1, 1})->Args({2, 1})->Args({3, 1})->Args({3, 0})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Takes the command's output and keeps none of it, as a pipe to another
// program would: the peak memory is the command's own.
class Discard : public QIODevice
{
protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override { return length; }
};

// One command of the tool on a file of the line, its output discarded.
void runCommand(benchmark::State &state, bool json)
{
    const int slides = int(state.range(0));
    const SlideSet set = slides == 255 ? makeLine(Spectrum(state.range(1))) : makeLine(kSparse, slides, 20);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("line.csv"));
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    const NumberFormat format(QLatin1Char('.'));
    if (!WriteSlideSetFile(in, set, QStringLiteral(","), format).isEmpty()) {
        state.SkipWithError("the line could not be written");
        return;
    }
    for (auto _ : state) {
        Discard sink;
        sink.open(QIODevice::WriteOnly);
        QTextStream stream(&sink), err(&sink);
        CliContext context{QStringLiteral(","), format, stream, err, {}, {}, {}};
        const int status = json ? RunJson({in}, context) : RunRewrite({in, out}, context);
        stream.flush();
        benchmark::DoNotOptimize(status);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void BM_Json(benchmark::State &state) { runCommand(state, true); }
void BM_Rewrite(benchmark::State &state) { runCommand(state, false); }
// Arguments: slides (255 over 200 classes; 32 766 sparse counts over 20), the
// spectrum of the 255.
BENCHMARK(BM_Json)->Args({255, kField})->Args({255, kSparse})->Args({32766, kSparse})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rewrite)->Args({255, kField})->Args({255, kSparse})->Args({32766, kSparse})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
