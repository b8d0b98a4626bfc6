#include "CloudWeights.h"
#include "Cumulative.h"
#include "Units.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kLowerBounds[kRangeCount] = {0, 7, 22, 50, 80};
constexpr double kUpperBounds[3] = {7, 22, 50};

int16_t resolveSlide(const SlideSet &set, int16_t slideIndex)
{
    return slideIndex == 0 ? set.CurrentSlide : slideIndex;
}

} // namespace

QString RangeBounds(int range)
{
    static const char *const labels[kRangeCount] = {"=< 7", "7 -- 22", "22 -- 50", "> 50", "> 80"};
    return range >= 0 && range < kRangeCount ? QString::fromLatin1(labels[range]) : QString();
}

QString RangeLabel(int range)
{
    const QString bounds = RangeBounds(range);
    return bounds.isEmpty() ? bounds : bounds + Microns();
}

double RangeLower(int j)
{
    return kLowerBounds[j];
}

double RangeUpper(int j, double dmax)
{
    return j < 3 ? kUpperBounds[j] : dmax;
}

void FractionStep(const MedianTracker &t, double micronsPerClass, double fraction, float &diameter)
{
    if (double(t.cur) >= fraction && double(t.prev) < fraction) {
        diameter = static_cast<float>(double(t.prevIdx) * micronsPerClass
                                      + double(t.curIdx - t.prevIdx) * micronsPerClass * (fraction - double(t.prev))
                                            / (double(t.cur) - double(t.prev)));
    }
}

void MedianStep(const MedianTracker &t, double micronsPerClass, float &median)
{
    FractionStep(t, micronsPerClass, 0.5, median);
}

float InterpolateAtBound(double boundMicrons, const AnalysisParameters &params, const std::vector<float> &cumulative,
                         const std::function<bool(int)> &occupied)
{
    const float x = static_cast<float>(boundMicrons / (double(params.SpreadFactor) * double(params.MicronsPerEPD)));
    const int maxSize = params.MaxSizeEPD;
    if (!(x <= float(maxSize))) // also catches a NaN from zero optics
        return 1.0f;
    const int start = static_cast<int>(std::trunc(x));
    int lo = 0;
    for (int i = start; i >= 1; --i)
        if (occupied(i)) {
            lo = i;
            break;
        }
    int hi = maxSize;
    for (int i = start + 1; i <= maxSize; ++i)
        if (occupied(i)) {
            hi = i;
            break;
        }
    if (hi == lo)
        return cumulative[lo];
    return static_cast<float>(double(cumulative[lo])
                              + (double(cumulative[hi]) - double(cumulative[lo])) * (double(x) - lo) / double(hi - lo));
}

void FillCloudRanges(RangeStatistics &result, const AnalysisParameters &params, const std::vector<float> &cvf,
                     const std::vector<float> &cnf, const std::function<bool(int)> &occupied)
{
    for (int j = 0; j < kRangeCount; ++j) {
        float lowerV = 0, lowerN = 0, upperV = 1, upperN = 1;
        if (j > 0) {
            lowerV = InterpolateAtBound(kLowerBounds[j], params, cvf, occupied);
            lowerN = InterpolateAtBound(kLowerBounds[j], params, cnf, occupied);
        }
        if (j < 3) {
            upperV = InterpolateAtBound(kUpperBounds[j], params, cvf, occupied);
            upperN = InterpolateAtBound(kUpperBounds[j], params, cnf, occupied);
        }
        result.MassInCloud[j] = upperV - lowerV;
        result.SizeInCloud[j] = upperN - lowerN;
    }
}

namespace {

// Recomputes every drop figure of the slide from its counts. Returns false (and
// changes nothing) when the volume weight sum would not fit in 32 bits.
bool recomputeSlide(Slide &s, const AnalysisParameters &params, const CloudWeights &weights,
                    int16_t &largestSizeFound)
{
    const int maxSize = params.MaxSizeEPD;
    int64_t total = 0;
    int64_t volSum = 0; // Σ Counts(k) × k, whatever the weighting: it bounds what a slide may hold
    double volWeights = 0;
    float numSum = 0;
    int16_t largestClass = 0;
    for (int k = 1; k <= maxSize; ++k) {
        const int16_t c = s.Counts[k];
        if (c <= 0)
            continue; // a negative count can only come from a hand-edited file; it holds no drops
        total += c;
        volSum += int64_t(c) * k;
        volWeights += weights.Volume(c, k);
        numSum = static_cast<float>(double(numSum) + weights.Number(c, k));
        largestClass = static_cast<int16_t>(k);
    }
    if (volSum > std::numeric_limits<int32_t>::max())
        return false;

    s.MaxVF = 0;
    s.MaxNF = 0;
    s.MaxCount = 0;
    s.LargestClass = largestClass;
    largestSizeFound = std::max(largestSizeFound, largestClass);
    s.TotalDrops = static_cast<int32_t>(total);
    s.VolumeWeightSum = weights.DiameterSquared() ? double(volSum) : volWeights;
    s.NumberWeightSum = numSum;

    if (total == 0) {
        // A slide whose drops have all gone reports nothing rather than the figures
        // of drops that no longer exist.
        std::fill(s.VF.begin(), s.VF.end(), 0.0f);
        std::fill(s.CVF.begin(), s.CVF.end(), 0.0f);
        std::fill(s.NF.begin(), s.NF.end(), 0.0f);
        std::fill(s.CNF.begin(), s.CNF.end(), 0.0f);
        s.VMD = 0;
        s.NMD = 0;
        s.DropDensity = 0;
        return true;
    }

    const double micronsPerClass = double(params.MicronsPerEPD) * double(params.SpreadFactor);
    // Found afresh each time: a median the search below misses must not keep the
    // figure of the counts before.
    s.VMD = 0;
    s.NMD = 0;
    float cumV = 0, cumN = 0;
    MedianTracker v, n;
    for (int k = 1; k <= maxSize; ++k) {
        const int16_t c = std::max<int16_t>(s.Counts[k], 0);
        s.VF[k] = static_cast<float>(weights.Volume(c, k) / s.VolumeWeightSum);
        cumV = static_cast<float>(double(cumV) + double(s.VF[k]));
        s.CVF[k] = cumV;
        s.NF[k] = static_cast<float>(weights.Number(c, k) / double(s.NumberWeightSum));
        cumN = static_cast<float>(double(cumN) + double(s.NF[k]));
        s.CNF[k] = cumN;
        if (c > 0) {
            v.cur = cumV;
            v.curIdx = k;
            n.cur = cumN;
            n.curIdx = k;
        }
        if (s.VF[k] > s.MaxVF)
            s.MaxVF = s.VF[k];
        if (s.NF[k] > s.MaxNF)
            s.MaxNF = s.NF[k];
        if (c > s.MaxCount)
            s.MaxCount = c;
        MedianStep(v, micronsPerClass, s.VMD);
        MedianStep(n, micronsPerClass, s.NMD);
        if (c > 0) {
            v.prev = cumV;
            v.prevIdx = k;
            n.prev = cumN;
            n.prevIdx = k;
        }
    }
    // No area scanned (sweeps 0) gives no density rather than a division by zero.
    s.DropDensity = s.Area != 0.0f ? static_cast<float>(double(s.TotalDrops) / double(s.Area)) : 0.0f;
    return true;
}

} // namespace

CountResult SetDropCount(SlideSet &set, int16_t sizeClass, int16_t count, int16_t slideIndex,
                         int16_t &largestSizeFound)
{
    const int16_t index = resolveSlide(set, slideIndex);
    if (index < 0 || index > set.SlideCount() || sizeClass < 0 || sizeClass > set.Params.MaxSizeEPD)
        return CountResult::ClassOutOfRange;
    Slide &s = set.Slides[index];
    if (s.Counts.size() != size_t(set.Params.MaxSizeEPD) + 1)
        return CountResult::ClassOutOfRange;
    const int16_t previous = s.Counts[sizeClass];
    s.Counts[sizeClass] = sizeClass == 0 ? int16_t(0) : count;
    if (!recomputeSlide(s, set.Params, CloudWeights(set), largestSizeFound)) {
        s.Counts[sizeClass] = previous;
        return CountResult::Overflow;
    }
    return CountResult::Ok;
}

CountResult AddDrop(SlideSet &set, int16_t sizeClass, int16_t slideIndex, int16_t &largestSizeFound)
{
    const int16_t index = resolveSlide(set, slideIndex);
    if (index < 0 || index > set.SlideCount() || sizeClass < 1 || sizeClass > set.Params.MaxSizeEPD)
        return CountResult::ClassOutOfRange;
    const int16_t current = std::max<int16_t>(set.Slides[index].Counts[sizeClass], 0);
    if (current >= kMaxCounter)
        return CountResult::Overflow;
    return SetDropCount(set, sizeClass, static_cast<int16_t>(current + 1), index, largestSizeFound);
}

void ComputeRangeStats(RangeStatistics &result, const SlideSet &set, int16_t slideIndex)
{
    result = RangeStatistics();
    const int16_t index = resolveSlide(set, slideIndex);
    if (index < 0 || index > set.SlideCount())
        return;
    const Slide &s = set.Slides[index];
    const AnalysisParameters &params = set.Params;
    int64_t n = 0;
    for (int k = 1; k <= params.MaxSizeEPD; ++k)
        n += std::max<int16_t>(s.Counts[k], 0);
    if (n == 0)
        return;

    const double dmax = RangeDmax(params);
    for (int k = 1; k <= params.MaxSizeEPD; ++k) {
        if (s.Counts[k] <= 0)
            continue;
        const float d = ClassDiameter(params, k);
        for (int j = 0; j < kRangeCount; ++j)
            if (RangeLower(j) < d && d <= RangeUpper(j, dmax))
                result.Count[j] += s.Counts[k];
    }
    for (int j = 0; j < kRangeCount; ++j)
        result.SizeOnSlide[j] = static_cast<float>(double(result.Count[j]) / double(n));
    FillCloudRanges(result, params, s.CVF, s.CNF, [&s](int i) { return s.Counts[i] > 0; });
}
