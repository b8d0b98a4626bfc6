#include "CountingIntervals.h"

#include "CloudWeights.h"
#include "ReproducibleRandom.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

// Replicates are drawn in fixed blocks, each slide of each block from its own
// engine, so threads can share the work without changing a single draw.
constexpr int kBlock = 250;

enum Figure { kNmd, kVmd, kDv09, kFigures };

uint64_t splitMix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// One slide's occupied classes and the redraw of its counts.
struct SlidePlan
{
    int16_t Index = 0;
    double InverseArea = 0; // 0: adds nothing to the composite, as a slide without area
    int64_t Total = 0;
    std::vector<int> Classes;
    std::vector<int> Pooled; // position of each class among the composite's classes
    MultinomialRedraw Redraw;
};

// Diameter where the cumulative weight reaches fraction q of the total, between
// the previous and this occupied class, as the medians interpolate.
double crossing(int prevClass, double prevCum, int cls, double cum, double total, double q, double micronsPerClass)
{
    const double fPrev = prevCum / total;
    const double fCur = cum / total;
    return double(prevClass) * micronsPerClass
           + double(cls - prevClass) * micronsPerClass * (q - fPrev) / (fCur - fPrev);
}

// NMD, VMD and Dv0.9 from volume and number weights over ascending classes;
// zero weights are unoccupied classes.
void figuresOf(const double *volume, const double *number, const int *classes, size_t n, double micronsPerClass,
               float out[kFigures])
{
    double volTotal = 0, numTotal = 0;
    for (size_t i = 0; i < n; ++i) {
        volTotal += volume[i];
        numTotal += number[i];
    }
    out[kNmd] = out[kVmd] = out[kDv09] = 0;
    if (!(volTotal > 0))
        return;

    double cum = 0, prevCum = 0;
    int prev = 0;
    bool half = false;
    for (size_t i = 0; i < n; ++i) {
        if (volume[i] == 0)
            continue;
        cum += volume[i];
        if (!half && cum >= 0.5 * volTotal) {
            out[kVmd] = float(crossing(prev, prevCum, classes[i], cum, volTotal, 0.5, micronsPerClass));
            half = true;
        }
        if (cum >= 0.9 * volTotal) {
            out[kDv09] = float(crossing(prev, prevCum, classes[i], cum, volTotal, 0.9, micronsPerClass));
            break;
        }
        prevCum = cum;
        prev = classes[i];
    }
    cum = prevCum = 0;
    prev = 0;
    for (size_t i = 0; i < n; ++i) {
        if (number[i] == 0)
            continue;
        cum += number[i];
        if (cum >= 0.5 * numTotal) {
            out[kNmd] = float(crossing(prev, prevCum, classes[i], cum, numTotal, 0.5, micronsPerClass));
            break;
        }
        prevCum = cum;
        prev = classes[i];
    }
}

std::optional<Interval> intervalOf(std::vector<float> &values)
{
    return Interval{float(Percentile(values, 0.025)), float(Percentile(values, 0.975))};
}

} // namespace

double Percentile(std::vector<float> &values, double p)
{
    if (values.empty())
        return 0;
    const double h = double(values.size() - 1) * p;
    const size_t lo = size_t(std::floor(h));
    std::nth_element(values.begin(), values.begin() + lo, values.end());
    const double low = values[lo];
    if (lo + 1 >= values.size())
        return low;
    const double next = *std::min_element(values.begin() + lo + 1, values.end());
    return low + (h - double(lo)) * (next - low);
}

namespace {

// The slides that hold drops, each with its redraw and its classes; and in
// `pooled` the composite's classes: every class occupied on some slide that has
// an area.
std::vector<SlidePlan> planSlides(const SlideSet &set, std::vector<int> &pooled)
{
    const int maxSize = set.Params.MaxSizeEPD;
    std::vector<int> pooledAt(size_t(maxSize) + 1, -1);
    std::vector<SlidePlan> plans;
    for (int s = 1; s <= set.SlideCount(); ++s) {
        const Slide &slide = set.Slides[s];
        if (slide.Counts.size() != size_t(maxSize) + 1)
            continue;
        SlidePlan plan;
        plan.Index = int16_t(s);
        plan.InverseArea = slide.Area != 0.0f ? 1.0 / double(slide.Area) : 0.0;
        for (int k = 1; k <= maxSize; ++k)
            if (slide.Counts[k] > 0) {
                plan.Classes.push_back(k);
                plan.Total += slide.Counts[k];
            }
        if (plan.Total == 0)
            continue;
        std::vector<int64_t> counts;
        for (int k : plan.Classes) {
            counts.push_back(slide.Counts[k]);
            if (plan.InverseArea > 0)
                pooledAt[size_t(k)] = 0;
        }
        plan.Redraw = MultinomialRedraw(counts);
        plans.push_back(std::move(plan));
    }
    for (int k = 1; k <= maxSize; ++k)
        if (pooledAt[size_t(k)] == 0) {
            pooledAt[size_t(k)] = int(pooled.size());
            pooled.push_back(k);
        }
    for (SlidePlan &plan : plans)
        for (int k : plan.Classes)
            plan.Pooled.push_back(pooledAt[size_t(k)]);
    return plans;
}

// The intervals of one slide or of the composite from its replicated figures,
// laid out figure by figure, `replicates` values each.
CountingIntervals intervalsOf(const float *figures, int replicates)
{
    std::vector<float> values(static_cast<size_t>(replicates));
    auto take = [&](int figure) {
        const float *from = figures + size_t(figure) * size_t(replicates);
        values.assign(from, from + replicates);
        return intervalOf(values);
    };
    CountingIntervals intervals;
    intervals.NMD = take(kNmd);
    intervals.VMD = take(kVmd);
    intervals.Dv09 = take(kDv09);
    return intervals;
}

} // namespace

LineIntervals BootstrapIntervals(const SlideSet &set, const BootstrapSettings &settings)
{
    LineIntervals result;
    const int slideCount = set.SlideCount();
    result.Slides.resize(size_t(slideCount) + 1);
    const int replicates = std::max(settings.Replicates, 1);
    const int maxSize = set.Params.MaxSizeEPD;
    const double micronsPerClass = double(set.Params.MicronsPerEPD) * double(set.Params.SpreadFactor);

    std::vector<int> pooled;
    std::vector<SlidePlan> plans = planSlides(set, pooled);
    if (plans.empty())
        return result;

    // In-cloud weights of one drop per class, as the figures themselves take them.
    const CloudWeights weights(set);
    std::vector<double> numberWeight(size_t(maxSize) + 1, 0.0), volumeWeight(size_t(maxSize) + 1, 0.0);
    for (int k = 1; k <= maxSize; ++k) {
        numberWeight[size_t(k)] = weights.NumberPerDrop(k);
        volumeWeight[size_t(k)] = weights.VolumePerDrop(k);
    }

    // figures[(plan × kFigures + figure) × replicates + replicate]
    const size_t planCount = plans.size();
    std::vector<float> figures(planCount * kFigures * size_t(replicates));
    std::vector<float> composite(size_t(kFigures) * size_t(replicates));

    const int blocks = (replicates + kBlock - 1) / kBlock;
    std::atomic<int> nextBlock{0};
    auto work = [&]() {
        const size_t width = pooled.size();
        std::vector<double> pooledDensity(size_t(kBlock) * width);
        std::vector<double> volume, number, poolVolume(width), poolNumber(width);
        std::vector<int64_t> drawn;
        for (int block; (block = nextBlock.fetch_add(1)) < blocks;) {
            const int first = block * kBlock;
            const int count = std::min(kBlock, replicates - first);
            std::fill(pooledDensity.begin(), pooledDensity.end(), 0.0);
            for (size_t p = 0; p < planCount; ++p) {
                const SlidePlan &plan = plans[p];
                std::mt19937_64 engine(splitMix(settings.Seed ^ splitMix(uint64_t(plan.Index) << 20 | uint64_t(block))));
                HalfWords words(engine);
                const size_t n = plan.Classes.size();
                drawn.resize(n);
                volume.resize(n);
                number.resize(n);
                for (int r = 0; r < count; ++r) {
                    plan.Redraw(words, drawn.data());
                    double *density = &pooledDensity[size_t(r) * width];
                    for (size_t i = 0; i < n; ++i) {
                        const int k = plan.Classes[i];
                        volume[i] = double(drawn[i]) * volumeWeight[size_t(k)];
                        number[i] = double(drawn[i]) * numberWeight[size_t(k)];
                        if (plan.InverseArea > 0)
                            density[plan.Pooled[i]] += double(drawn[i]) * plan.InverseArea;
                    }
                    float out[kFigures];
                    figuresOf(volume.data(), number.data(), plan.Classes.data(), n, micronsPerClass, out);
                    for (int f = 0; f < kFigures; ++f)
                        figures[(p * kFigures + size_t(f)) * size_t(replicates) + size_t(first + r)] = out[f];
                }
            }
            for (int r = 0; r < count && width > 0; ++r) {
                const double *density = &pooledDensity[size_t(r) * width];
                for (size_t u = 0; u < width; ++u) {
                    const int k = pooled[u];
                    poolVolume[u] = density[u] * volumeWeight[size_t(k)];
                    poolNumber[u] = density[u] * numberWeight[size_t(k)];
                }
                float out[kFigures];
                figuresOf(poolVolume.data(), poolNumber.data(), pooled.data(), width, micronsPerClass, out);
                for (int f = 0; f < kFigures; ++f)
                    composite[size_t(f) * size_t(replicates) + size_t(first + r)] = out[f];
            }
        }
    };
    const int threads = std::clamp(settings.Threads > 0 ? settings.Threads : int(std::thread::hardware_concurrency()),
                                   1, blocks);
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &t : helpers)
        t.join();

    for (size_t p = 0; p < planCount; ++p)
        result.Slides[size_t(plans[p].Index)] = intervalsOf(&figures[p * kFigures * size_t(replicates)], replicates);
    if (!pooled.empty())
        result.Composite = intervalsOf(composite.data(), replicates);
    return result;
}
