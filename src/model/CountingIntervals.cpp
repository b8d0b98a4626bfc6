#include "CountingIntervals.h"

#include "CloudWeights.h"

#include "ReproducibleRandom.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
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
    std::vector<double> Density, Volume, Number;
};

void figuresOf(const std::vector<double> &density, const ClassWeights &w, double micronsPerClass, Scratch &s,
               float out[kFigures])
{
    const int classes = int(density.size());
    s.Volume.resize(density.size());
    s.Number.resize(density.size());
    double volume = 0, number = 0;
    for (int k = 1; k <= classes; ++k) {
        const double d = density[size_t(k - 1)];
        s.Volume[size_t(k - 1)] = d * w.Volume[size_t(k)];
        s.Number[size_t(k - 1)] = d * w.Number[size_t(k)];
        volume += s.Volume[size_t(k - 1)];
        number += s.Number[size_t(k - 1)];
    }
    out[kNmd] = float(diameterAt(s.Number.data(), classes, number, 0.5, micronsPerClass));
    out[kVmd] = float(diameterAt(s.Volume.data(), classes, volume, 0.5, micronsPerClass));
    out[kDv09] = float(diameterAt(s.Volume.data(), classes, volume, 0.9, micronsPerClass));
}

// Percentile interval of the figures of `replicates` draws of the densities.
CountingIntervals drawn(const Sample &sample, const ClassWeights &w, double micronsPerClass, int replicates,
                        Scratch &s)
{
    const size_t classes = sample.Groups.front().Shape.size();
    std::mt19937_64 engine(sample.Seed);
    NormalDraw normal;
    // A density below a millionth of a drop per unit area changes no figure.
    std::vector<std::vector<GammaDraw>> draws;
    for (const AreaGroup &g : sample.Groups) {
        std::vector<GammaDraw> row;
        row.reserve(classes);
        for (double shape : g.Shape)
            row.emplace_back(shape, 1e-6);
        draws.push_back(std::move(row));
    }
    std::vector<float> values[kFigures];
    for (auto &v : values)
        v.resize(size_t(replicates));
    s.Density.resize(classes);
    for (int r = 0; r < replicates; ++r) {
        std::fill(s.Density.begin(), s.Density.end(), 0.0);
        for (size_t g = 0; g < draws.size(); ++g) {
            const double scale = sample.Groups[g].InverseArea;
            for (size_t k = 0; k < classes; ++k)
                s.Density[k] += draws[g][k](engine, normal) * scale;
        }
        float out[kFigures];
        figuresOf(s.Density, w, micronsPerClass, s, out);
        for (int f = 0; f < kFigures; ++f)
            values[f][size_t(r)] = out[f];
    }
    auto interval = [](std::vector<float> &v) {
        return Interval{float(Percentile(v, 0.025)), float(Percentile(v, 0.975))};
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
            out[i] = s.Drops < kDrawnBelow ? drawn(s, weights, micronsPerClass, replicates, scratch)
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
