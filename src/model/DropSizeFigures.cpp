#include "DropSizeFigures.h"

#include "Cumulative.h"

float DiameterAtFraction(const std::vector<float> &cumulative, const std::vector<bool> &occupied,
                         const AnalysisParameters &params, double fraction)
{
    const double micronsPerClass = double(params.MicronsPerEPD) * double(params.SpreadFactor);
    const int maxSize = std::min<int>(params.MaxSizeEPD, int(cumulative.size()) - 1);
    MedianTracker t;
    float diameter = 0;
    for (int k = 1; k <= maxSize; ++k) {
        if (!occupied[k])
            continue;
        t.cur = cumulative[k];
        t.curIdx = k;
        FractionStep(t, micronsPerClass, fraction, diameter);
        if (double(t.cur) >= fraction)
            break;
        t.prev = t.cur;
        t.prevIdx = k;
    }
    return diameter;
}

namespace {

float ratio(float numerator, float denominator)
{
    return denominator > 0.0f ? static_cast<float>(double(numerator) / double(denominator)) : 0.0f;
}

DropSizeFigures figuresOf(const std::vector<float> &cvf, const std::vector<bool> &occupied,
                          const AnalysisParameters &params, float vmd, float nmd)
{
    DropSizeFigures f;
    bool any = false;
    for (bool o : occupied)
        any = any || o;
    if (!any)
        return f;
    f.Dv01 = DiameterAtFraction(cvf, occupied, params, 0.1);
    f.Dv05 = DiameterAtFraction(cvf, occupied, params, 0.5);
    f.Dv09 = DiameterAtFraction(cvf, occupied, params, 0.9);
    f.RelativeSpan = ratio(static_cast<float>(double(f.Dv09) - double(f.Dv01)), f.Dv05);
    f.VmdNmdRatio = ratio(vmd, nmd);
    f.VolumeBelow32um = InterpolateAtBound(kSmallDropMicrons, params, cvf,
                                           [&occupied](int i) { return bool(occupied[i]); });
    return f;
}

} // namespace

DropSizeFigures SlideDropSizeFigures(const SlideSet &set, int16_t index)
{
    if (index < 1 || index > set.SlideCount())
        return {};
    const Slide &s = set.Slides[index];
    if (s.Counts.size() != size_t(set.Params.MaxSizeEPD) + 1 || s.CVF.size() != s.Counts.size())
        return {};
    std::vector<bool> occupied(s.Counts.size(), false);
    for (size_t k = 1; k < s.Counts.size(); ++k)
        occupied[k] = s.Counts[k] > 0;
    return figuresOf(s.CVF, occupied, set.Params, s.VMD, s.NMD);
}

DropSizeFigures CompositeDropSizeFigures(const SlideSet &set, const CompositeResults &composite)
{
    const size_t n = size_t(set.Params.MaxSizeEPD) + 1;
    if (composite.CompDensity.size() != n || composite.CompCVF.size() != n)
        return {};
    std::vector<bool> occupied(n, false);
    for (size_t k = 1; k < n; ++k)
        occupied[k] = composite.CompDensity[k] > 0;
    return figuresOf(composite.CompCVF, occupied, set.Params, composite.CompVMD, composite.CompNMD);
}
