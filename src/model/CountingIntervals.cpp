#include "CountingIntervals.h"

#include "CloudWeights.h"

#include "ReproducibleRandom.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <functional>
#include <thread>
#include <unordered_map>

namespace {

enum Figure { kNmd, kVmd, kDv09, kFigures };

// Drops of the same scanned area, pooled: the sum of Gamma draws of one scale
// is a Gamma draw of the summed shapes, so a composite costs one draw per class
// and area rather than per class and slide.
struct AreaGroup
{
    double InverseArea = 1;
    std::vector<double> Shape; // per class 1 … K at [k − 1]: drops + prior share
};

// A slide or the composite: what its intervals are drawn or computed from.
struct Sample
{
    int16_t Index = 0; // the slide; 0 for the composite
    int64_t Drops = 0;
    uint64_t Seed = 0;
    std::vector<AreaGroup> Groups;
};

// The diameter where the cumulative weight first reaches q × total, linear in
// diameter between the occupied classes around it (from diameter 0 before the
// first), as the medians are found. `weight[k − 1]` is class k's; 0 = unoccupied.
double diameterAt(const double *weight, int classes, double total, double q, double micronsPerClass)
{
    const double target = q * total;
    double cum = 0, prevCum = 0;
    int prev = 0;
    for (int k = 1; k <= classes; ++k) {
        const double w = weight[k - 1];
        if (w == 0)
            continue;
        cum += w;
        if (cum >= target) {
            const double fraction = cum > prevCum ? (target - prevCum) / (cum - prevCum) : 1.0;
            return (double(prev) + double(k - prev) * std::clamp(fraction, 0.0, 1.0)) * micronsPerClass;
        }
        prevCum = cum;
        prev = k;
    }
    return double(prev) * micronsPerClass;
}

struct Scratch
{
    std::vector<double> Density;
    std::vector<uint64_t> Occupied;    // a bit per class
    std::vector<int> Class;            // the occupied classes of a draw, in order
    std::vector<double> Volume, Number; // their cumulative in-cloud weights
};

// The diameter where the cumulative weight `cum` (over the occupied classes
// `at`, in order) first reaches q × its total, as diameterAt finds it.
double crossing(const std::vector<int> &at, const std::vector<double> &cum, size_t occupied, double q,
                double micronsPerClass)
{
    const double target = q * cum[occupied - 1];
    const size_t m = size_t(std::lower_bound(cum.begin(), cum.begin() + ptrdiff_t(occupied), target) - cum.begin());
    if (m == occupied)
        return double(at[occupied - 1]) * micronsPerClass;
    const double prevCum = m > 0 ? cum[m - 1] : 0.0;
    const int prev = m > 0 ? at[m - 1] : 0;
    const double fraction = cum[m] > prevCum ? (target - prevCum) / (cum[m] - prevCum) : 1.0;
    return (double(prev) + double(at[m] - prev) * std::clamp(fraction, 0.0, 1.0)) * micronsPerClass;
}

// How the classes of one area group are drawn. A counted class (shape 1 and
// more) is a Gamma draw. A class the prior alone fills has the group's tiny
// shape a, and its draw Gamma(1 + a) × U^(1/a) is mostly far below a drop:
// - when U is so small that even a large Gamma(1 + a) (a + 8; beyond it once in
//   3 000) would leave the density under a millionth of a drop, the class stays
//   unoccupied. Each prior-only class is so with the same chance Floor, so the
//   run of empty ones up to the next occupied is drawn at once, geometric:
//   ⌊ln V / ln Floor⌋;
// - when U^(1/a) is under a thousandth, the class is occupied (the figures
//   interpolate between occupied classes) but its mass is left out, and neither
//   the Gamma nor the power is drawn. What is left out averages a × 10⁻³ drops a
//   class, 2 × 10⁻³ drops over all of them (a × K = 2): it moves no figure by a
//   thousandth of a class.
struct GroupDraw
{
    double Scale = 1;
    std::vector<uint16_t> CountedAt; // classes − 1
    std::vector<GammaDraw> Counted;
    std::vector<uint64_t> CountedBits;
    std::vector<uint16_t> PriorAt;
    GammaDraw PriorGamma;      // Gamma(1 + a)
    double Floor = 0;          // U below it leaves a prior-only class empty
    double InverseLogFloor = 0; // 1 / log2(Floor)
    double InverseShape = 0;
    double Trace = 0;          // U below it: occupied, with a mass too small to count
};

constexpr double kNegligibleDensity = 1e-6;
constexpr double kTraceDensity = 1e-3;

GroupDraw groupDraw(const AreaGroup &group)
{
    GroupDraw g;
    g.Scale = group.InverseArea;
    g.CountedBits.assign((group.Shape.size() + 63) / 64, 0);
    for (size_t k = 0; k < group.Shape.size(); ++k) {
        const double shape = group.Shape[k];
        if (shape >= 1) {
            g.CountedAt.push_back(uint16_t(k));
            g.Counted.emplace_back(shape);
            g.CountedBits[k / 64] |= uint64_t(1) << (k % 64);
            continue;
        }
        if (g.PriorAt.empty()) {
            g.PriorGamma = GammaDraw(shape + 1);
            g.Floor = std::pow(kNegligibleDensity / (shape + 8), shape);
            g.InverseLogFloor = 1 / std::log2(g.Floor);
            g.InverseShape = 1 / shape;
            g.Trace = std::pow(kTraceDensity, shape);
        }
        g.PriorAt.push_back(uint16_t(k));
    }
    return g;
}

// Percentile interval of the figures of `replicates` draws of the densities.
CountingIntervals drawn(const Sample &sample, const ClassWeights &w, double micronsPerClass, int replicates,
                        Scratch &s)
{
    const size_t classes = sample.Groups.front().Shape.size();
    const size_t words = (classes + 63) / 64;
    RandomBits bits(sample.Seed);
    const ZigguratLayers &layers = NormalLayers();
    const Log2Table &logs = Log2Steps();
    std::vector<GroupDraw> groups;
    for (const AreaGroup &g : sample.Groups)
        groups.push_back(groupDraw(g));
    std::vector<float> values[kFigures];
    for (auto &v : values)
        v.resize(size_t(replicates));
    s.Density.assign(classes, 0.0);
    s.Occupied.resize(words);
    s.Class.resize(classes);
    s.Volume.resize(classes);
    s.Number.resize(classes);
    const double *volumeWeight = w.Volume.data() + 1, *numberWeight = w.Number.data() + 1;
    double *density = s.Density.data();
    uint64_t *occupiedBits = s.Occupied.data();
    for (int r = 0; r < replicates; ++r) {
        std::fill(occupiedBits, occupiedBits + words, 0);
        for (const GroupDraw &g : groups) {
            // Only the classes marked occupied are read below, so the first
            // group sets what the later ones add to.
            const bool first = &g == &groups.front();
            for (size_t i = 0; i < g.Counted.size(); ++i) {
                const size_t k = g.CountedAt[i];
                const double x = g.Counted[i](bits, layers, logs) * g.Scale;
                density[k] = first || !(occupiedBits[k / 64] >> (k % 64) & 1) ? x : density[k] + x;
            }
            for (size_t i = 0; i < words; ++i)
                occupiedBits[i] |= g.CountedBits[i];
            const size_t prior = g.PriorAt.size();
            for (size_t j = 0; j < prior; ++j) {
                const double skip = double(int64_t(std::min(FastLog2(UniformOpen(bits), logs) * g.InverseLogFloor, 1e9)));
                if (skip >= double(prior - j))
                    break;
                j += size_t(skip);
                const size_t k = g.PriorAt[j];
                const double u = g.Floor + (1 - g.Floor) * UniformOpen(bits);
                const double x = u < g.Trace ? 0.0
                                             : g.PriorGamma(bits, layers, logs) * FastExp2(FastLog2(u, logs) * g.InverseShape) * g.Scale;
                const uint64_t bit = uint64_t(1) << (k % 64);
                density[k] = occupiedBits[k / 64] & bit ? density[k] + x : x;
                occupiedBits[k / 64] |= bit;
            }
        }
        // The occupied classes in order with their cumulative weights.
        size_t occupied = 0;
        double volume = 0, number = 0;
        for (size_t i = 0; i < words; ++i)
            for (uint64_t word = occupiedBits[i]; word != 0; word &= word - 1) {
                const size_t k = i * 64 + size_t(std::countr_zero(word));
                const double d = density[k];
                volume += d * volumeWeight[k];
                number += d * numberWeight[k];
                s.Class[occupied] = int(k + 1);
                s.Volume[occupied] = volume;
                s.Number[occupied] = number;
                ++occupied;
            }
        values[kNmd][size_t(r)] = float(crossing(s.Class, s.Number, occupied, 0.5, micronsPerClass));
        values[kVmd][size_t(r)] = float(crossing(s.Class, s.Volume, occupied, 0.5, micronsPerClass));
        values[kDv09][size_t(r)] = float(crossing(s.Class, s.Volume, occupied, 0.9, micronsPerClass));
    }
    auto interval = [](std::vector<float> &v) {
        SortPercentileEnds(v);
        return Interval{float(SortedPercentile(v, 0.025)), float(SortedPercentile(v, 0.975)),
                        float(std::max(PercentileError(v, 0.025), PercentileError(v, 0.975)))};
    };
    return {interval(values[kNmd]), interval(values[kVmd]), interval(values[kDv09])};
}

// Woodruff's interval: the cumulative share F at the figure has the delta-method
// standard error se; the figure's ends are where the mean curve reaches
// q ∓ 1.96 se (the reticule's last class when that passes 1).
Interval woodruff(const std::vector<double> &mean, const std::vector<double> &variance, const std::vector<double> &w,
                  double q, double micronsPerClass)
{
    const int classes = int(mean.size());
    std::vector<double> weight(mean.size());
    double total = 0;
    for (int k = 1; k <= classes; ++k) {
        weight[size_t(k - 1)] = mean[size_t(k - 1)] * w[size_t(k)];
        total += weight[size_t(k - 1)];
    }
    // Where the figure falls: class `at`, a share `theta` of the way into it.
    double cum = 0, prevCum = 0;
    int at = classes;
    double theta = 1;
    for (int k = 1; k <= classes; ++k) {
        cum += weight[size_t(k - 1)];
        if (cum >= q * total) {
            at = k;
            theta = cum > prevCum ? (q * total - prevCum) / (cum - prevCum) : 1.0;
            break;
        }
        prevCum = cum;
    }
    double var = 0;
    for (int k = 1; k <= classes; ++k) {
        const double below = k < at ? 1.0 : k == at ? theta : 0.0;
        const double d = w[size_t(k)] * (below - q);
        var += d * d * variance[size_t(k - 1)];
    }
    const double se = std::sqrt(var) / total;
    const double low = std::max(q - kNormal975 * se, 0.0);
    const double high = q + kNormal975 * se;
    const double top = double(classes) * micronsPerClass;
    return Interval{float(low > 0 ? diameterAt(weight.data(), classes, total, low, micronsPerClass) : 0.0),
                    float(high < 1 ? diameterAt(weight.data(), classes, total, high, micronsPerClass) : top)};
}

CountingIntervals computed(const Sample &sample, const ClassWeights &w, double micronsPerClass)
{
    const size_t classes = sample.Groups.front().Shape.size();
    std::vector<double> mean(classes, 0.0), variance(classes, 0.0);
    for (const AreaGroup &g : sample.Groups)
        for (size_t k = 0; k < classes; ++k) {
            mean[k] += g.Shape[k] * g.InverseArea;
            variance[k] += g.Shape[k] * g.InverseArea * g.InverseArea;
        }
    return {woodruff(mean, variance, w.Number, 0.5, micronsPerClass),
            woodruff(mean, variance, w.Volume, 0.5, micronsPerClass),
            woodruff(mean, variance, w.Volume, 0.9, micronsPerClass)};
}

uint64_t seedOf(uint64_t seed, const std::vector<AreaGroup> &groups)
{
    uint64_t h = seed;
    for (const AreaGroup &g : groups) {
        h = MixSeed(h, std::bit_cast<uint64_t>(g.InverseArea));
        for (size_t k = 0; k < g.Shape.size(); ++k)
            if (g.Shape[k] != 0)
                h = MixSeed(h, uint64_t(k) << 40 ^ std::bit_cast<uint64_t>(g.Shape[k]));
    }
    return h;
}

// Every slide with enough drops, then the composite when its slides hold enough.
std::vector<Sample> samplesOf(const SlideSet &set, uint64_t seed)
{
    const int classes = set.Params.MaxSizeEPD;
    std::vector<Sample> samples;
    if (classes < 1)
        return samples;
    const double share = kPriorDrops / classes;
    struct Pooled { float Area; std::vector<double> Counts; int Slides; };
    std::vector<Pooled> pooled;
    int pooledSlides = 0;
    int64_t pooledDrops = 0;
    for (int s = 1; s <= set.SlideCount(); ++s) {
        const Slide &slide = set.Slides[s];
        if (slide.Counts.size() != size_t(classes) + 1)
            continue;
        std::vector<double> counts(size_t(classes), 0.0);
        int64_t drops = 0;
        for (int k = 1; k <= classes; ++k)
            if (slide.Counts[size_t(k)] > 0) {
                counts[size_t(k - 1)] = slide.Counts[size_t(k)];
                drops += slide.Counts[size_t(k)];
            }
        if (drops == 0)
            continue;
        if (drops >= kMinimumDrops) {
            Sample sample;
            sample.Index = int16_t(s);
            sample.Drops = drops;
            AreaGroup g{1.0, counts};
            for (double &c : g.Shape)
                c += share;
            sample.Groups.push_back(std::move(g));
            sample.Seed = seedOf(seed, sample.Groups);
            samples.push_back(std::move(sample));
        }
        if (slide.Area == 0.0f)
            continue; // adds nothing to the composite
        auto same = std::find_if(pooled.begin(), pooled.end(), [&](const Pooled &p) { return p.Area == slide.Area; });
        if (same == pooled.end())
            same = pooled.insert(pooled.end(), Pooled{slide.Area, std::vector<double>(size_t(classes), 0.0), 0});
        for (size_t k = 0; k < counts.size(); ++k)
            same->Counts[k] += counts[k];
        ++same->Slides;
        ++pooledSlides;
        pooledDrops += drops;
    }
    if (pooledDrops >= kMinimumDrops) {
        // One prior for the whole line, shared among its slides.
        Sample composite;
        composite.Drops = pooledDrops;
        for (const Pooled &p : pooled) {
            AreaGroup g{1.0 / double(p.Area), p.Counts};
            const double groupShare = share * p.Slides / pooledSlides;
            for (double &c : g.Shape)
                c += groupShare;
            composite.Groups.push_back(std::move(g));
        }
        composite.Seed = seedOf(seed, composite.Groups);
        samples.push_back(std::move(composite));
    }
    return samples;
}

} // namespace

ClassWeights InCloudWeights(const SlideSet &set)
{
    // Each class's weight of one drop, as the slide statistics take it (1/k² and
    // k under "Diameter ²", 1/E_k and k³/E_k under the impaction model).
    const CloudWeights cloud(set);
    ClassWeights w;
    const size_t n = size_t(std::max(int(set.Params.MaxSizeEPD), 0)) + 1;
    w.Volume.assign(n, 0.0);
    w.Number.assign(n, 0.0);
    for (size_t k = 1; k < n; ++k) {
        w.Volume[k] = cloud.VolumePerDrop(int(k));
        w.Number[k] = cloud.NumberPerDrop(int(k));
    }
    return w;
}

double PercentileError(const std::vector<float> &sorted, double p)
{
    if (sorted.size() < 2)
        return 0;
    const double n = double(sorted.size());
    const double h = (n - 1) * p;
    // The percentile's rank varies by sqrt(n p (1 − p)) from draw set to draw
    // set; the spacing of the order statistics about a rank apart either side
    // turns that into the value's spread (1 / density × rank spread / n).
    const double rankSpread = std::sqrt(n * p * (1 - p));
    const double from = std::max(std::floor(h) - std::ceil(rankSpread), 0.0);
    const double to = std::min(std::ceil(h) + std::ceil(rankSpread), n - 1);
    if (to <= from)
        return 0;
    return rankSpread * double(sorted[size_t(to)] - sorted[size_t(from)]) / (to - from);
}

void SortPercentileEnds(std::vector<float> &v)
{
    const double n = double(v.size());
    const double spread = std::ceil(std::sqrt(n * 0.025 * 0.975));
    const size_t low = size_t(std::min(std::ceil((n - 1) * 0.025) + spread, n - 1));
    const size_t high = size_t(std::max(std::floor((n - 1) * 0.975) - spread, 0.0));
    if (high <= low + 1) {
        std::sort(v.begin(), v.end());
        return;
    }
    // The smallest in order at the front, then the largest of the rest in
    // order at the back: a heap of a band's size, most values passed over at
    // one comparison.
    std::partial_sort(v.begin(), v.begin() + ptrdiff_t(low) + 1, v.end());
    std::partial_sort(v.rbegin(), v.rbegin() + ptrdiff_t(v.size() - high), v.rend() - ptrdiff_t(low) - 1,
                      std::greater<>());
}

double SortedPercentile(const std::vector<float> &sorted, double p)
{
    if (sorted.empty())
        return 0;
    const double h = double(sorted.size() - 1) * p;
    const size_t lo = size_t(std::floor(h));
    if (lo + 1 >= sorted.size())
        return sorted[lo];
    return sorted[lo] + (h - double(lo)) * (double(sorted[lo + 1]) - sorted[lo]);
}

double Percentile(std::vector<float> &values, double p)
{
    if (values.empty())
        return 0;
    const double h = double(values.size() - 1) * p;
    const size_t lo = size_t(std::floor(h));
    if (lo + 1 >= values.size()) {
        std::nth_element(values.begin(), values.begin() + ptrdiff_t(lo), values.end());
        return values[lo];
    }
    // The order statistics lo and lo + 1: place one, and find the other among
    // the fewer values on its side.
    double low, next;
    if (2 * lo < values.size()) {
        std::nth_element(values.begin(), values.begin() + ptrdiff_t(lo + 1), values.end());
        next = values[lo + 1];
        low = *std::max_element(values.begin(), values.begin() + ptrdiff_t(lo + 1));
    } else {
        std::nth_element(values.begin(), values.begin() + ptrdiff_t(lo), values.end());
        low = values[lo];
        next = *std::min_element(values.begin() + ptrdiff_t(lo + 1), values.end());
    }
    return low + (h - double(lo)) * (next - low);
}

LineIntervals BootstrapIntervals(const SlideSet &set, const BootstrapSettings &settings)
{
    LineIntervals result;
    result.Slides.resize(size_t(std::max(int(set.SlideCount()), 0)) + 1);
    const std::vector<Sample> samples = samplesOf(set, settings.Seed);
    if (samples.empty())
        return result;
    const ClassWeights weights = InCloudWeights(set);
    const double micronsPerClass = double(set.Params.MicronsPerEPD) * double(set.Params.SpreadFactor);
    const int replicates = std::max(settings.Replicates, 40);

    // A slide's interval depends on its counts alone: slides counted alike are
    // worked out once.
    std::vector<size_t> first(samples.size());
    std::unordered_map<uint64_t, size_t> seen;
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto [at, fresh] = seen.try_emplace(samples[i].Seed, i);
        first[i] = fresh || samples[at->second].Groups.size() != 1 || samples[i].Groups.size() != 1
                           || samples[at->second].Groups[0].Shape != samples[i].Groups[0].Shape
                       ? i
                       : at->second;
    }
    std::vector<CountingIntervals> out(samples.size());
    std::atomic<size_t> next{0};
    auto work = [&]() {
        Scratch scratch;
        for (size_t i; (i = next.fetch_add(1)) < samples.size();) {
            if (first[i] != i)
                continue;
            const Sample &s = samples[i];
            out[i] = s.Drops < settings.DrawnBelow ? drawn(s, weights, micronsPerClass, replicates, scratch)
                                           : computed(s, weights, micronsPerClass);
        }
    };
    const int threads = std::clamp(settings.Threads > 0 ? settings.Threads : int(std::thread::hardware_concurrency()),
                                   1, int(samples.size()));
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread &t : helpers)
        t.join();

    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].Index > 0)
            result.Slides[size_t(samples[i].Index)] = out[first[i]];
        else
            result.Composite = out[first[i]];
    }
    return result;
}
