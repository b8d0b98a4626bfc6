#pragma once

#include "SlideSet.h"

// The droplet-size figures a trial is judged by, on the in-cloud basis of the
// VMD and NMD. A slide or composite without drops gets zeros throughout.
struct DropSizeFigures
{
    float Dv01 = 0;            // diameter below which 10 % of the spray volume lies, µm
    float Dv05 = 0;            // 50 %: the VMD itself
    float Dv09 = 0;            // 90 %
    float RelativeSpan = 0;    // (Dv0.9 − Dv0.1) / Dv0.5
    float VmdNmdRatio = 0;     // VMD / NMD
    float VolumeBelow32um = 0; // share of the volume in drops below 32 µm, 0 … 1
};

// The diameter at which a cumulative in-cloud fraction reaches `fraction`, by the
// rule of the medians: linear in diameter between consecutive occupied classes,
// from diameter 0 before the first. 0 when no class is occupied.
float DiameterAtFraction(const std::vector<float> &cumulative, const std::vector<bool> &occupied,
                         const AnalysisParameters &params, double fraction);

// Figures of one slide (1 … SlideCount); its statistics must be current.
DropSizeFigures SlideDropSizeFigures(const SlideSet &set, int16_t index);

// Figures of the composite of the last CalcComposite.
DropSizeFigures CompositeDropSizeFigures(const SlideSet &set, const CompositeResults &composite);

// The bound below which drops count as small for the volume share.
inline constexpr double kSmallDropMicrons = 32.0;
