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

    bool operator==(const Interval &) const = default;
};

// How sure the counted drops make the medians: empty where nothing was counted.
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

struct BootstrapSettings
{
    int Replicates = 2000;
    uint64_t Seed = 0x4E696D6272656C31ull; // fixed: the same set gives the same intervals everywhere
    int Threads = 0;                       // 0: as many as the machine offers
};

// Percentile bootstrap of the counting error: each slide's counts are redrawn as a
// multinomial with the slide's own total, the figures recomputed (for the composite
// from the redrawn slides pooled per unit area), and the 2.5 % and 97.5 %
// percentiles taken. The result does not depend on the number of threads.
LineIntervals BootstrapIntervals(const SlideSet &set, const BootstrapSettings &settings = {});

// The percentile of sorted or unsorted values, interpolated between order
// statistics as spreadsheets do (rank (n − 1) × p from 0). Reorders `values`.
double Percentile(std::vector<float> &values, double p);
