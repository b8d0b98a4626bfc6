#pragma once

#include "SlideSet.h"

#include <functional>

// Shared by the slide and the composite calculations.

// The median trackers: the cumulative fraction at the previous and the current
// occupied class. Both start at class 0 with 0.
struct MedianTracker
{
    float prev = 0;
    int prevIdx = 0;
    float cur = 0;
    int curIdx = 0;
};

// Interpolates the diameter where the cumulative fraction first reaches
// `fraction`, linearly between the previous and the current occupied class (from
// diameter 0 before the first); leaves `diameter` alone until then.
void FractionStep(const MedianTracker &t, double micronsPerClass, double fraction, float &diameter);

// FractionStep at one half: the VMD from volume, the NMD from number fractions.
void MedianStep(const MedianTracker &t, double micronsPerClass, float &median);

// The cumulative value at bound b µm, interpolated linearly between the nearest
// occupied classes around it.
float InterpolateAtBound(double boundMicrons, const AnalysisParameters &params, const std::vector<float> &cumulative,
                         const std::function<bool(int)> &occupied);

// Fills MassInCloud and SizeInCloud from cumulative volume and number arrays.
void FillCloudRanges(RangeStatistics &result, const AnalysisParameters &params, const std::vector<float> &cvf,
                     const std::vector<float> &cnf, const std::function<bool(int)> &occupied);

// Lower and upper bound in µm of range j (0 … 4).
double RangeLower(int j);
double RangeUpper(int j, double dmax);
