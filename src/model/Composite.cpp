#include "CloudWeights.h"
#include "Cumulative.h"

#include <cmath>

void CalcComposite(const SlideSet &set, CompositeResults &r)
{
    r = CompositeResults();
    const AnalysisParameters &params = set.Params;
    const int maxSize = params.MaxSizeEPD;
    const int slideCount = set.SlideCount();
    const size_t n = size_t(maxSize) + 1;
    r.CompDensity.assign(n, 0.0f);
    r.CompVF.assign(n, 0.0f);
    r.CompCVF.assign(n, 0.0f);
    r.CompNF.assign(n, 0.0f);
    r.CompCNF.assign(n, 0.0f);
    if (slideCount < 1)
        return;

    // perCm2[k]: drops of class k per cm², summed over the slides, so that a slide
    // scanned over a larger area does not weigh more.
    const CloudWeights weights(set);
    std::vector<float> perCm2(n, 0.0f);
    float volSum = 0, numSum = 0, total = 0;
    for (int k = 1; k <= maxSize; ++k) {
        for (int s = 1; s <= slideCount; ++s) {
            const Slide &slide = set.Slides[s];
            if (slide.Area == 0.0f || slide.Counts[k] <= 0)
                continue; // a slide without area adds nothing
            perCm2[k] = static_cast<float>(double(perCm2[k]) + double(slide.Counts[k]) / double(slide.Area));
        }
        volSum = static_cast<float>(double(volSum) + weights.Volume(perCm2[k], k));
        numSum = static_cast<float>(double(numSum) + weights.Number(perCm2[k], k));
        total = static_cast<float>(double(total) + double(perCm2[k]));
    }

    const double micronsPerClass = double(params.MicronsPerEPD) * double(params.SpreadFactor);
    float cumV = 0, cumN = 0;
    MedianTracker v, nt;
    for (int k = 1; k <= maxSize; ++k) {
        if (perCm2[k] > 0) {
            r.CompDensity[k] = static_cast<float>(double(perCm2[k]) / slideCount);
            r.CompVF[k] = static_cast<float>(weights.Volume(perCm2[k], k) / double(volSum));
            r.CompNF[k] = static_cast<float>(weights.Number(perCm2[k], k) / double(numSum));
            cumV = static_cast<float>(double(cumV) + double(r.CompVF[k]));
            cumN = static_cast<float>(double(cumN) + double(r.CompNF[k]));
            if (r.CompVF[k] > r.CompMaxVF)
                r.CompMaxVF = r.CompVF[k];
            if (r.CompNF[k] > r.CompMaxNF)
                r.CompMaxNF = r.CompNF[k];
            if (r.CompDensity[k] > r.CompMaxDensity)
                r.CompMaxDensity = r.CompDensity[k];
            v.cur = cumV;
            v.curIdx = k;
            nt.cur = cumN;
            nt.curIdx = k;
            MedianStep(v, micronsPerClass, r.CompVMD);
            MedianStep(nt, micronsPerClass, r.CompNMD);
            v.prev = cumV;
            v.prevIdx = k;
            nt.prev = cumN;
            nt.prevIdx = k;
        }
        r.CompCVF[k] = cumV;
        r.CompCNF[k] = cumN;
    }
    r.AveDropDensity = static_cast<float>(double(total) / slideCount);
}

void ComputeCompositeRangeStats(RangeStatistics &result, const SlideSet &set, const CompositeResults &composite)
{
    const AnalysisParameters &params = set.Params;
    const int maxSize = params.MaxSizeEPD;
    if (composite.CompDensity.size() != size_t(maxSize) + 1)
        return; // the composite is of another class range: CalcComposite has not run since
    double t = 0;
    for (int k = 1; k <= maxSize; ++k)
        t += composite.CompDensity[k];
    if (t == 0)
        return;

    const double dmax = RangeDmax(params);
    double c[kRangeCount] = {};
    for (int k = 1; k <= maxSize; ++k) {
        if (!(composite.CompDensity[k] > 0))
            continue;
        const float d = ClassDiameter(params, k);
        for (int j = 0; j < kRangeCount; ++j)
            if (RangeLower(j) < d && d <= RangeUpper(j, dmax))
                c[j] += composite.CompDensity[k];
    }
    for (int j = 0; j < kRangeCount; ++j)
        result.SizeOnSlide[j] = static_cast<float>(c[j] / t);
    FillCloudRanges(result, params, composite.CompCVF, composite.CompCNF,
                    [&composite](int i) { return composite.CompDensity[i] > 0; });
}
