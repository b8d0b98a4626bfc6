#pragma once

#include "DrawingSurface.h"
#include "GraphBoxes.h"

#include <QColor>
#include <QString>

// How the three mortality series and the three size-range series are told
// apart without colour: a marker shape and a dash pattern for the lines and
// points, a hatching for the bars. A black-and-white printer or a photocopy
// keeps every series readable, and each legend shows the same swatch.

enum class MarkerShape { Circle, Square, Triangle };
enum class Hatching { None, Diagonal, Cross };

struct SeriesLook
{
    QColor Colour;              // line, marker and bar fill
    QColor Text;                // the legend name, dark enough for paper
    MarkerShape Marker;
    DrawingSurface::Style Dash; // the data line
    Hatching Hatch;             // the bar
};

// 1 hr knockdown, 12 hr mortality, 24 hr mortality.
extern const SeriesLook kMortalityLooks[3];
// % size on slide, % mass in cloud, % size in cloud.
extern const SeriesLook kRangeLooks[3];

// A marker centred on (x, y) (user units), `size` device pixels from its
// centre to its edge, filled with `fill` and outlined in black.
void DrawMarker(DrawingSurface &surface, MarkerShape shape, double x, double y, double size, const QColor &fill);

// A box filled with its colour and, over it, black hatching lines
// `spacing` device pixels apart; outlined in the current fore colour.
void DrawHatchedBox(DrawingSurface &surface, double x1, double y1, double x2, double y2, const QColor &fill,
                    Hatching hatch, double spacing);

// Sizes of a legend's swatches in device pixels.
struct SwatchSizes
{
    double Length;   // a line swatch, and the side of a bar swatch
    double Marker;   // marker size as DrawMarker takes it
    int LineWidth;   // the line of a line swatch
    double Hatch;    // hatching spacing of a bar swatch
};

enum class SwatchKind { Line, Bar };

// Three names on one line, ten blanks apart, each after its swatch and in its
// legend colour, centred on `centreX` with the line's top at `top` (user
// units), in the surface's current font.
void DrawSwatchLegend(DrawingSurface &surface, const QString (&names)[3], const SeriesLook (&looks)[3],
                      SwatchKind kind, const SwatchSizes &sizes, double centreX, double top);
