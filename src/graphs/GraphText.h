#pragma once

#include <vector>

// Tick helpers shared by the composite graphs.

// A whole-number step labels its ticks "0", a fractional one "0.0#".
bool IsWholeStep(double step);
const char *TickPattern(double step);

// from, from + step, … up to `to`. Counted rather than summed, so a step such as
// 0.1 does not drift and lose the last tick; a tick a hair past `to` (the float
// rounding of the maximum) still counts.
std::vector<double> TickValues(double from, double to, double step);
inline std::vector<double> TickValues(double to, double step)
{
    return TickValues(0.0, to, step);
}
