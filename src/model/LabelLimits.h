#pragma once

#include "CountingIntervals.h"

#include <QString>

#include <optional>

// The droplet-size limits printed on a product label, in µm; each may be absent.
struct LabelLimits
{
    std::optional<float> Dv05From;
    std::optional<float> Dv05To;
    std::optional<float> Dv09Below;

    bool Any() const { return Dv05From || Dv05To || Dv09Below; }
    bool operator==(const LabelLimits &) const = default;
};

// Every limit is closed: a figure on its limit meets it ("Dv0.9 below 115" holds
// for 115 itself). An interval end on a limit is inside it.
enum class LabelVerdict {
    Within,    // every limited figure's whole interval within its limits
    Outside,   // some limited figure's whole interval beyond one of its limits
    NotDecided // an interval reaches across a limit, or too few drops for an interval
};

// The composite (its drops, the intervals of its VMD = Dv0.5 and Dv0.9) judged
// against the label. Empty, nothing to judge, when no limit is set or no drop
// was counted; not decided when there are drops but no interval (fewer than
// kMinimumDrops).
std::optional<LabelVerdict> JudgeLabelLimits(const LabelLimits &limits, int64_t drops,
                                             const std::optional<Interval> &dv05, const std::optional<Interval> &dv09);

// How many more drops would decide a verdict that is not decided.
struct DropsToDecide
{
    int64_t MoreDrops = 0;
    bool ForInterval = false; // too few drops for any interval: MoreDrops reach kMinimumDrops
    const char *Figure = "";  // "Dv0.5" or "Dv0.9", the figure whose interval must clear
    float Limit = 0;          // the limit it must clear, µm
};

// With the half-width shrinking as 1/√n, the interval of a figure at distance d
// from a limit it reaches across clears it at n × (h / d)² drops, h the
// half-width on the limit's side, rounded up. When every estimate is within its
// limits each limit crossed must clear (the largest count); when an estimate is
// beyond one, clearing that one decides (the smallest). Empty when decided, and
// when an estimate sits on the limit it is judged by (no count clears it).
std::optional<DropsToDecide> CountToDecide(const LabelLimits &limits, int64_t drops, float dv05, float dv09,
                                           const std::optional<Interval> &dv05Interval,
                                           const std::optional<Interval> &dv09Interval);

// "within the label limits", "outside the label limits", "not decided: count more drops".
QString LabelVerdictText(LabelVerdict verdict);
