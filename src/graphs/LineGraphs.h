#pragma once

#include "DrawingSurface.h"
#include "SeriesLook.h"

#include "model/NumberText.h"
#include "model/SlideSet.h"
#include "model/ViewState.h"

#include <QColor>
#include <QRect>

#include <optional>
#include <utility>
#include <vector>

// Tick spacing for an axis running from 0 to `maximum`: a quarter, a half, one or
// two powers of ten, whichever gives a handful of ticks. 0 gives 0.2.
double NiceTickStep(float maximum);

// The position range of the line and the axis maxima of the four panels, as both
// the screen graph and the printed page work them out.
struct LineRange
{
    double XMin = 0;   // smallest position, or 0 when every slide lies beyond it
    double XMax = 0;   // largest position, or 0 when every slide lies before it
    double Range = 0;  // XMax − XMin
    float VMDAxisMax = 0;     // 1.1 × largest VMD
    float NMDAxisMax = 0;     // 1.1 × largest NMD
    float DensityAxisMax = 0; // 1.1 × largest drop density
};

// Zero when the set has no slides. Range is 0 when every slide lies at position 0.
LineRange ComputeLineRange(const SlideSet &set);

// A slide card under the line-data graph (a label widget on screen).
struct SlideCard
{
    int16_t SlideIndex = 0;
    QRect Rect;        // device pixels of the graph box
    QColor BackColor;  // white with cage data, pale red without
};

struct LineDataOptions
{
    // Draw the slide cards as outlined boxes in their colours: for images and
    // paper, where there are no card widgets to show.
    bool DrawCards = false;
    // Tick labels in the reader's numbers (decimal separator of the locale).
    NumberFormat Format = NumberFormat();
};

// What DrawLineData leaves for the window.
//  - the axis maxima, for DrawMortalityVsDensity and for the card read-outs
//    (a point of a panel with base b and maximum M sits at y = b + v / M);
//  - Cards: one per slide in slide order (Cards[i − 1] is slide i), to size,
//    place, colour and show the card labels;
//  - Scale: the user scale left on the box, to place the read-out labels
//    (Scale.ToPixelX/ToPixelY of a position and a panel y).
struct LineDataResult
{
    bool Drawn = false; // false without slides: the box is only cleared
    float VMDAxisMax = 0;
    float NMDAxisMax = 0;
    float DensityAxisMax = 0;
    double XMin = 0;    // the frame's left and right edge (positions)
    double XMax = 0;
    std::vector<SlideCard> Cards;
    UserScale Scale;
};

// Four stacked panels against slide position: mortality (3 to 4), VMD (2 to 3),
// NMD (1 to 2) and drop density (0 to 1), with the composite medians and the
// average density as dotted reference lines. The vertical scale is
// view.PlotScaleTop / view.PlotScaleHeight; view.Composite must be current.
// A set whose slides all lie at position 0 is drawn over −1 … 1.
LineDataResult DrawLineData(DrawingSurface &surface, const SlideSet &set, const ViewState &view,
                            const LineDataOptions &options = {});

// Mortality against drop density, x = density / densityAxisMax (the value the
// last DrawLineData returned). The card labels are to be hidden by the caller.
// With densityAxisMax 0 (no drops anywhere) only the frame, the axes and the
// legend are drawn.
void DrawMortalityVsDensity(DrawingSurface &surface, const SlideSet &set, const ViewState &view,
                            float densityAxisMax, const NumberFormat &format = NumberFormat());

// A title turned by 90° left of a vertical axis, centred on centreY, inset from
// the box's left edge but kept clear of the axis's tick labels, which begin at
// labelsLeft (user x).
void LeftAxisTitle(DrawingSurface &surface, const QString &text, double centreY, double labelsLeft);
// Where the margin is too narrow for that title beside the tick labels (the
// small-screen box), the run of y (user units, low to high) it crosses: the tick
// labels there are left out rather than overprinted. Empty when the title
// stands clear. The title is measured in bold 12-point "Arial".
std::optional<std::pair<double, double>> LeftAxisTitleCrossing(DrawingSurface &surface, const QString &text,
                                                               double centreY, double labelsLeft);
// Shared with the range chart: three names on one line centred at the top of
// the scale, ten spaces apart, each after its swatch and in its colour,
// 8-point "MS Sans Serif".
void DrawLegend(DrawingSurface &surface, const QString (&names)[3], const SeriesLook (&looks)[3], SwatchKind kind);

// Marker size and line width of the mortality series on screen, in pixels.
inline constexpr double kScreenMarkerPixels = 4;

// Starts a composite graph: white box cleared under the given user scale, thin
// solid black lines, no fill, and the box's small plain face for tick labels.
void BeginCompositeGraph(DrawingSurface &surface, double left, double width, double top, double height);
