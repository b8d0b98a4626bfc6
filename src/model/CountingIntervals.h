#pragma once

#include "SlideSet.h"

#include <cstdint>
#include <optional>
#include <vector>

// A 95 % interval, low … high, in the unit of its figure.
struct Interval
{
    float Low = 0;
    float High = 0;
    // The Monte-Carlo standard error of the less sure end of a drawn interval:
    // another seed would move the ends by about this much. 0 when computed.
    float DrawError = 0;

    bool operator==(const Interval &) const = default;
};

// How sure the counted drops make the medians: empty where nothing was counted
// or too few drops were counted to say.
struct CountingIntervals
{
    std::optional<Interval> NMD;
    std::optional<Interval> VMD;
    std::optional<Interval> Dv09;

    bool operator==(const CountingIntervals &) const = default;
};

struct LineIntervals
{
    std::vector<CountingIntervals> Slides; // [0] placeholder, then 1 … SlideCount
    CountingIntervals Composite;
};

// Fewer drops than this (on a slide, or on the slides of the composite) give no
// interval: below it the intervals do not hold their 95 %.
inline constexpr int32_t kMinimumDrops = 20;

// Pseudo-drops of the prior, spread evenly over the reticule's classes: a
// handful of drops cannot rule out the classes they missed.
inline constexpr double kPriorDrops = 2.0;

// From this many drops on the interval is computed rather than drawn: there the
// drawn NMD falls short of its 95 % when a small class that is seldom counted
// carries much of the number, while the computed one, which gives the prior
// share its full spread, holds it (and below, the computed Dv0.9 falls short).
inline constexpr int32_t kDrawnBelow = 100;

// 1.96: the two-sided 95 % point of the standard normal, for every interval.
inline constexpr double kNormal975 = 1.959963984540054;

struct BootstrapSettings
{
    int Replicates = 500;
    uint64_t Seed = 0x4E696D6272656C31ull; // with a slide's counts, seeds that slide's draws
    int Threads = 0;                       // 0: as many as the machine offers
    int32_t DrawnBelow = kDrawnBelow;      // the harness tries others
};

// What one drop of class k adds to the in-cloud volume and number totals, the
// weights the set's figures are taken with (the intervals and the coverage
// harness take them from here); [0] unused.
struct ClassWeights
{
    std::vector<double> Volume;
    std::vector<double> Number;
};
ClassWeights InCloudWeights(const SlideSet &set);

// Bayesian intervals of the counting error. A slide's drops of class k per unit
// area have the posterior Gamma(count + prior share) (Poisson counting, the
// prior's pseudo-drops spread evenly over the classes); the composite's density
// of class k is the sum over its slides. Below kDrawnBelow drops the figures
// are recomputed from Replicates draws of those densities and the 2.5 % and
// 97.5 % percentiles taken; from there on the interval of the cumulative share
// at the figure is inverted through the mean curve (Woodruff). Each slide's
// draws are seeded from its own counts, so its interval depends on nothing
// else, nor on the number of threads.
LineIntervals BootstrapIntervals(const SlideSet &set, const BootstrapSettings &settings = {});

// The standard error of the p-th percentile of `sorted` (ascending) i.i.d. draws
// as an estimate of the distribution's: the rank's binomial spread times the
// local spacing of the order statistics.
double PercentileError(const std::vector<float> &sorted, double p);

// Puts in order the ranks the 2.5 % and 97.5 % percentiles of `v` and their
// PercentileError read (the lowest and highest few), leaving the middle as it
// falls: a fraction of a full sort.
void SortPercentileEnds(std::vector<float> &v);

// Percentile's rule on values in order about the rank it reads.
double SortedPercentile(const std::vector<float> &sorted, double p);

// The percentile of sorted or unsorted values, interpolated between order
// statistics as spreadsheets do (rank (n − 1) × p from 0). Reorders `values`.
double Percentile(std::vector<float> &values, double p);
