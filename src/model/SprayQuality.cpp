#include "SprayQuality.h"

#include "MortalityInterval.h"

SprayQualityTable ComputeSprayQuality(const SlideSet &set, const LabelLimits &limits,
                                      const BootstrapSettings &bootstrap)
{
    SprayQualityTable table;
    const LineIntervals intervals = BootstrapIntervals(set, bootstrap);
    const MortalityCounts &control = set.ControlData;
    int32_t drops = 0;
    for (int16_t i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[i];
        SprayQualityRow row;
        row.Position = s.Position;
        row.Drops = s.TotalDrops;
        row.DropDensity = s.DropDensity;
        row.NMD = s.NMD;
        row.Sizes = SlideDropSizeFigures(set, i);
        row.Intervals = intervals.Slides[size_t(i)];
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
    c.Intervals = intervals.Composite;
    table.Verdict = JudgeLabelLimits(limits, c.Intervals.VMD, c.Intervals.Dv09);
    return table;
}
