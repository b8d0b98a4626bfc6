#pragma once

#include "DrawingSurface.h"

#include "model/DoseResponse.h"

#include <QRectF>

class NumberFormat;

// Sizes that differ between the window and paper: type in points as the
// destination takes them, line widths in device pixels.
struct DoseGraphStyle
{
    double FontPoints = 8;
    double TitlePoints = 9;
    int16_t Thin = 1;  // frame, ticks, grid
    int16_t Heavy = 2; // the fitted curve
    double MarkerRadius = 3; // device pixels
};

// Mortality against deposit: log10 deposit across, mortality on a probit-spaced
// percent scale up; one point per cage with its 95 % binomial interval, the
// level without deposit dashed, the fitted curve with its 95 % band, and the
// LD50 and LD90 marked. Drawn inside `box` (device pixels) of the surface; the
// surface's scale and styles are left as they were.
void DrawDoseResponseGraph(DrawingSurface &s, const DoseResponseFit &fit, const QRectF &box,
                           const NumberFormat &format, const DoseGraphStyle &style = {});

// The deposit range the graph spans: the cages' deposits with room either side,
// widened to the LD50 and LD90 when they lie within ten times of it. Empty when
// no cage has deposit.
struct DoseAxisRange
{
    double Low = 1, High = 10; // deposit at the left and right edges
};
std::optional<DoseAxisRange> DoseGraphRange(const DoseResponseFit &fit);
