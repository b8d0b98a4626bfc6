#pragma once

#include "CountingIntervals.h"
#include "DropSizeFigures.h"
#include "LabelLimits.h"

#include <optional>
#include <vector>

// One row of the spray quality table: a slide, or the composite of the line.
struct SprayQualityRow
{
    bool IsComposite = false;
    float Position = 0;    // slides only, in the set's length unit
    int32_t Drops = 0;     // counted drops (the composite: all slides together)
    float DropDensity = 0; // drops/cm² on the slide (the composite: the average)
    float NMD = 0;
    DropSizeFigures Sizes; // Dv0.1, Dv0.5 (= VMD), Dv0.9, span, VMD/NMD, volume < 32 µm
    CountingIntervals Intervals;
    std::optional<float> Mortality12h, Mortality24h; // slides with cage and control data only
    std::optional<Interval> Mortality12hInterval, Mortality24hInterval;
};

struct SprayQualityTable
{
    std::vector<SprayQualityRow> Slides; // in position order, one per slide
    SprayQualityRow Composite;
    std::optional<LabelVerdict> Verdict; // empty when no limit is set or nothing was counted
    std::optional<DropsToDecide> ToDecide; // with a verdict not decided, when a count can decide it
};

// Every figure of the table, per slide and for the composite (pooled afresh from
// the current slides), with the counting intervals and the label verdict.
SprayQualityTable ComputeSprayQuality(const SlideSet &set, const LabelLimits &limits,
                                      const BootstrapSettings &bootstrap = {});

// The same in two steps, for a view that shows the figures at once and lets the
// intervals (the slow part) fill in when BootstrapIntervals, run elsewhere on a
// copy of the set, is done: figures without intervals or verdict first …
SprayQualityTable ComputeSprayQualityFigures(const SlideSet &set);
// … then the intervals of that same set and the verdict they give.
void ApplyCountingIntervals(SprayQualityTable &table, const LineIntervals &intervals, const LabelLimits &limits);

// The verdict and the drops to decide it, judged afresh (after new limits).
void JudgeSprayQuality(SprayQualityTable &table, const LabelLimits &limits);
