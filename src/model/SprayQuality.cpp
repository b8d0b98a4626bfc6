#include "SprayQuality.h"

#include <algorithm>

#include "MortalityInterval.h"

SprayQualityTable ComputeSprayQualityFigures(const SlideSet &set)
{
    SprayQualityTable table;
    const MortalityCounts &control = set.ControlData;
    int32_t drops = 0;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[i];
        SprayQualityRow row;
        row.Position = s.Position;
        row.Drops = s.TotalDrops;
        row.DropDensity = s.DropDensity;
        row.NMD = s.NMD;
        row.Sizes = SlideDropSizeFigures(set, int16_t(i));
        row.Mortality12h = s.Mortality12h;
        row.Mortality24h = s.Mortality24h;
        if (s.Mortality12h)
            row.Mortality12hInterval =
                CorrectedMortalityInterval(s.Cage.NumInCage, s.Cage.Dead12h, control.NumInCage, control.Dead12h);
        if (s.Mortality24h)
            row.Mortality24hInterval =
                CorrectedMortalityInterval(s.Cage.NumInCage, s.Cage.Dead24h, control.NumInCage, control.Dead24h);
        drops += s.TotalDrops;
        table.Slides.push_back(row);
    }

    CompositeResults composite;
    CalcComposite(set, composite);
    SprayQualityRow &c = table.Composite;
    c.IsComposite = true;
    c.Drops = drops;
    c.DropDensity = composite.AveDropDensity;
    c.NMD = composite.CompNMD;
    c.Sizes = CompositeDropSizeFigures(set, composite);
    return table;
}

namespace {

// The intervals describe the spectrum with every class of the reticule possible,
// while the figure interpolates between the classes that were counted; where
// those leave gaps the two can part. An interval always holds its own figure.
void holdFigure(std::optional<Interval> &interval, float figure)
{
    if (interval) {
        interval->Low = std::min(interval->Low, figure);
        interval->High = std::max(interval->High, figure);
    }
}

void setIntervals(SprayQualityRow &row, const CountingIntervals &intervals)
{
    row.Intervals = intervals;
    holdFigure(row.Intervals.NMD, row.NMD);
    holdFigure(row.Intervals.VMD, row.Sizes.Dv05);
    holdFigure(row.Intervals.Dv09, row.Sizes.Dv09);
}

} // namespace

void ApplyCountingIntervals(SprayQualityTable &table, const LineIntervals &intervals, const LabelLimits &limits)
{
    for (size_t i = 0; i < table.Slides.size() && i + 1 < intervals.Slides.size(); ++i)
        setIntervals(table.Slides[i], intervals.Slides[i + 1]);
    setIntervals(table.Composite, intervals.Composite);
    JudgeSprayQuality(table, limits);
}

void JudgeSprayQuality(SprayQualityTable &table, const LabelLimits &limits)
{
    const SprayQualityRow &c = table.Composite;
    table.Verdict = JudgeLabelLimits(limits, c.Drops, c.Intervals.VMD, c.Intervals.Dv09);
    table.ToDecide = CountToDecide(limits, c.Drops, c.Sizes.Dv05, c.Sizes.Dv09, c.Intervals.VMD, c.Intervals.Dv09);
}

SprayQualityTable ComputeSprayQuality(const SlideSet &set, const LabelLimits &limits,
                                      const BootstrapSettings &bootstrap)
{
    SprayQualityTable table = ComputeSprayQualityFigures(set);
    ApplyCountingIntervals(table, BootstrapIntervals(set, bootstrap), limits);
    return table;
}
