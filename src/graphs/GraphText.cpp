#include "GraphText.h"

#include <cmath>

bool IsWholeStep(double step)
{
    return step == std::floor(step);
}

const char *TickPattern(double step)
{
    return IsWholeStep(step) ? "0" : "0.0#";
}

std::vector<double> TickValues(double from, double to, double step)
{
    std::vector<double> values;
    if (!(step > 0) || !std::isfinite(from) || !std::isfinite(to) || to < from)
        return values;
    const double tolerance = step * 1e-9;
    // No more ticks than a box could show; guards against a tiny step.
    for (long i = 0; i < 10000; ++i) {
        const double v = from + double(i) * step;
        if (v > to + tolerance)
            break;
        values.push_back(v);
    }
    return values;
}
