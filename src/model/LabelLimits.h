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

enum class LabelVerdict {
    Within,    // every limited figure's whole interval inside its limits
    Outside,   // some limited figure's whole interval outside one of its limits
    NotDecided // an interval straddles a limit
};

// The composite judged against the label by the intervals of its VMD (Dv0.5) and
// Dv0.9. Empty when no limit is set or a limited figure has no interval (no drops).
std::optional<LabelVerdict> JudgeLabelLimits(const LabelLimits &limits, const std::optional<Interval> &dv05,
                                             const std::optional<Interval> &dv09);

// "within the label limits", "outside the label limits", "not decided: count more drops".
QString LabelVerdictText(LabelVerdict verdict);
