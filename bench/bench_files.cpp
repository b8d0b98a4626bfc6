// Timing of the slide set file at line sizes the program meets (10 and 255
// slides) and well beyond (2000), on reticules of 20 and 200 divisions, with
// every size class of every slide holding drops (the longest drop tables).
#include "files/SlideSetFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

// The floor a save is measured against: the lines of the drop tables, range
// tables and line statistics (nearly all of a file's bytes) formatted with bare
// std::to_chars and written with fwrite, with no rounding rules, separators or
// encoding to honour.
class FloorWriter
{
public:
    explicit FloorWriter(std::FILE *file) : m_file(file) {}
    ~FloorWriter() { flush(); }

    void Whole(long long v) { m_at = std::to_chars(m_at, m_end, v).ptr; }
    void Shortest(float v) { m_at = std::to_chars(m_at, m_end, v).ptr; }
    void Fixed(double v, int decimals) { m_at = std::to_chars(m_at, m_end, v, std::chars_format::fixed, decimals).ptr; }
    void Text(const char *text)
    {
        while (*text)
            *m_at++ = *text++;
    }
    void Sep() { *m_at++ = ','; }
    void EndLine()
    {
        *m_at++ = '\r';
        *m_at++ = '\n';
        if (m_end - m_at < 1024)
            flush();
    }

private:
    void flush()
    {
        std::fwrite(m_buffer, 1, size_t(m_at - m_buffer), m_file);
        m_at = m_buffer;
    }
    char m_buffer[1 << 16];
    char *m_at = m_buffer;
    char *const m_end = m_buffer + sizeof m_buffer;
    std::FILE *m_file;
};

void writeFloor(const SlideSet &set, const CompositeResults &c, const char *path)
{
    std::FILE *file = std::fopen(path, "wb");
    {
        FloorWriter w(file);
        const AnalysisParameters &p = set.Params;
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            w.Text("Slide ");
            w.Whole(i);
            w.Text(" Position:,,");
            w.Shortest(s.Position);
            w.EndLine();
            w.Text("Cloud VMD:,,");
            w.Fixed(s.VMD, 1);
            w.EndLine();
            double running = 0;
            for (int k = 1; k <= p.MaxSizeEPD; ++k) {
                if (s.Counts[k] <= 0)
                    continue;
                const double share = double(s.Counts[k]) / double(s.TotalDrops);
                running += share;
                w.Whole(k);
                w.Sep();
                w.Fixed(ClassDiameter(p, k), 1);
                w.Sep();
                w.Whole(s.Counts[k]);
                for (double v : {double(s.Counts[k]) / double(s.Area), share, running, double(s.VF[k]),
                                 double(s.CVF[k]), double(s.NF[k]), double(s.CNF[k])}) {
                    w.Sep();
                    w.Fixed(v, 3);
                }
                w.EndLine();
            }
            RangeStatistics ranges;
            ComputeRangeStats(ranges, set, i);
            for (int r = 0; r < kRangeCount; ++r) {
                w.Text("Range,,");
                w.Fixed(ranges.Count[r], 0);
                for (float v : {ranges.SizeOnSlide[r], ranges.MassInCloud[r], ranges.SizeInCloud[r]}) {
                    w.Text(",,,");
                    w.Fixed(100.0 * double(v), 1);
                }
                w.EndLine();
            }
        }
        for (int k = 1; k <= p.MaxSizeEPD; ++k) {
            w.Whole(k);
            w.Sep();
            w.Fixed(ClassDiameter(p, k), 1);
            for (double v : {double(c.CompDensity[k]), double(c.CompVF[k]), double(c.CompCVF[k]), double(c.CompNF[k]),
                             double(c.CompCNF[k])}) {
                w.Sep();
                w.Fixed(v, 3);
            }
            w.EndLine();
        }
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            const Slide &s = set.Slides[i];
            w.Sep();
            w.Shortest(s.Position);
            for (double v : {double(s.VMD), double(s.NMD), double(s.DropDensity)}) {
                w.Sep();
                w.Fixed(v, 1);
            }
            w.EndLine();
        }
    }
    std::fclose(file);
}

// Saving to disk as the Save command does, timed side by side with the floor
// in the same run: "ratio" is save time over floor time, in wall-clock time and
// ("cpu_ratio") in processor time, which a busy machine disturbs less.
void BM_SaveAgainstFloor(benchmark::State &state)
{
    const SlideSet set = makeSet(int(state.range(0)), int16_t(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.csv"));
    const QByteArray floorPath = QFile::encodeName(dir.filePath(QStringLiteral("floor.csv")));
    using Clock = std::chrono::steady_clock;
    Clock::duration save{}, floor{};
    std::clock_t saveCpu = 0, floorCpu = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::clock_t startCpu = std::clock();
        CompositeResults composite;
        if (!WriteSlideSetFile(path, set, kComma, NumberFormat(), &composite).isEmpty())
            state.SkipWithError("save failed");
        const Clock::time_point saved = Clock::now();
        const std::clock_t savedCpu = std::clock();
        CalcComposite(set, composite); // the floor's share of the work the save did
        writeFloor(set, composite, floorPath.constData());
        floor += Clock::now() - saved;
        floorCpu += std::clock() - savedCpu;
        save += saved - start;
        saveCpu += savedCpu - startCpu;
    }
    const double n = double(state.iterations());
    state.counters["save_ms"] = std::chrono::duration<double, std::milli>(save).count() / n;
    state.counters["floor_ms"] = std::chrono::duration<double, std::milli>(floor).count() / n;
    state.counters["ratio"] = double(save.count()) / double(floor.count());
    state.counters["cpu_ratio"] = double(saveCpu) / double(std::max<std::clock_t>(floorCpu, 1));
}
BENCHMARK(BM_SaveAgainstFloor)->Args({255, 200})->Args({2000, 200})->Unit(benchmark::kMillisecond)->MinTime(2);

// The memory the save itself takes over the set it writes, the most at any
// moment (Linux: the process's resident high-water mark, reset just before).
// Counted in MiB; the writer should hold one chunk, whatever the file's size.
#ifdef __linux__
long residentKiB(const char *field)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, n) == 0)
            kib = std::strtol(line + n, nullptr, 10);
    std::fclose(status);
    return kib;
}

void BM_SavePeakMemory(benchmark::State &state)
{
    const SlideSet set = makeSet(int(state.range(0)), int16_t(state.range(1)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.csv"));
    long peak = 0;
    for (auto _ : state) {
        if (std::FILE *refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs); // resets the high-water mark to the present
            std::fclose(refs);
        }
        const long before = residentKiB("VmRSS:");
        if (!WriteSlideSetFile(path, set, kComma, NumberFormat()).isEmpty())
            state.SkipWithError("save failed");
        peak = std::max(peak, residentKiB("VmHWM:") - before);
    }
    state.counters["peak_MiB"] = double(peak) / 1024.0;
    state.counters["set_MiB"] = double(residentKiB("VmRSS:")) / 1024.0;
    state.counters["file_MiB"] = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_SavePeakMemory)->Args({2000, 2000})->Iterations(3)->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK_MAIN();
