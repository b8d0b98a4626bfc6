#pragma once

#include "ReportSheet.h"

#include "graphs/SeriesLook.h"

#include <QPointF>

#include <optional>
#include <vector>

// The pieces the graph pages draw with, in page inches.

namespace PaperGraph {
inline constexpr double Left = 1.0;
inline constexpr double Width = 6.5;
inline constexpr double Right = Left + Width;
inline constexpr double Tick = 0.125;
inline constexpr double LabelGap = 5.0 / 32; // from the frame edge to a tick label
inline constexpr double CaptionGap = 0.04;   // between a frame and the caption sitting on it
} // namespace PaperGraph

extern const QString kMortalityNames[3];
extern const QString kRangeSeriesNames[3];

// A message standing in for a graph that has no scale to be drawn on.
void NoScaleNote(ReportPage &p, const QString &text, double cx, double cy);

// Three names on one line, ten blanks apart, centred on the page, each after
// its swatch and in its colour, the line's lower edge at `lowerEdge`.
void PaperLegend(ReportPage &p, const QString (&names)[3], const SeriesLook (&looks)[3], SwatchKind kind,
                 double lowerEdge, double centreX = ReportGeometry::CentreX);

// Marker size of a plotted point in device pixels: 0.04 in on paper, 0.06 in
// in the preview, where the page is small.
double PaperMarkerPixels(const ReportPage &p);
// Spacing of a bar's hatching in device pixels.
double PaperHatchPixels(const ReportPage &p);

// A vertical axis from 0 to `axisMax` on the frame edge `edgeX`: ticks pointing
// out of the frame and labels 5/32 in beyond it, centred on their ticks.
void PaperVerticalAxis(ReportPage &p, double base, double height, double axisMax, double step, double edgeX,
                       bool left, double labelScale, const char *pattern);

// One polyline of a series, joined from one visited slide to the next, in the
// surface's current style; a series of a single slide gets a dot, so a
// one-slide line is not left blank. With a look, each point gets its marker
// once every line is drawn.
struct PaperSeries
{
    std::optional<QPointF> Previous;
    std::vector<QPointF> Points;
    const SeriesLook *Look = nullptr;

    void To(ReportPage &p, double x, double y, const QColor &colour);
    void Finish(ReportPage &p, const QColor &colour) const;
    void Markers(ReportPage &p) const;
};
