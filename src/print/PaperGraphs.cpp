#include "PaperGraphs.h"

#include "graphs/GraphText.h"

#include <algorithm>
#include <cmath>

using namespace PaperGraph;

const QString kMortalityNames[3] = {QStringLiteral("1 hr knockdown"), QStringLiteral("12 hr mortality"),
                                    QStringLiteral("24 hr mortality")};
const QString kRangeSeriesNames[3] = {QStringLiteral("% Size on Slide"), QStringLiteral("% Mass in Cloud"),
                                      QStringLiteral("% Size in Cloud")};

void NoScaleNote(ReportPage &p, const QString &text, double cx, double cy)
{
    p.font(14, true);
    p.s.ForeColor = Qt::darkGray;
    p.centredAt(text, cx, cy);
    p.s.ForeColor = Qt::black;
    p.s.FontBold = false;
}

namespace {

// Page inches in device pixels of this surface (the preview's page is small).
double devicePixels(const ReportPage &p, double inches)
{
    return std::abs(p.s.ScaleX(inches, DrawingSurface::Unit::User, DrawingSurface::Unit::Pixels));
}

} // namespace

double PaperMarkerPixels(const ReportPage &p)
{
    return devicePixels(p, p.printer ? 0.04 : 0.06);
}

double PaperHatchPixels(const ReportPage &p)
{
    return std::max(3.0, devicePixels(p, 0.07));
}

void PaperLegend(ReportPage &p, const QString (&names)[3], const SeriesLook (&looks)[3], SwatchKind kind,
                 double lowerEdge, double centreX)
{
    DrawingSurface &s = p.s;
    p.font(10);
    s.FontName = QStringLiteral("MS Sans Serif");
    const double length = devicePixels(p, kind == SwatchKind::Line ? 0.25 : 0.15);
    const SwatchSizes sizes{length, PaperMarkerPixels(p), p.data(), PaperHatchPixels(p)};
    DrawSwatchLegend(s, names, looks, kind, sizes, centreX, lowerEdge - s.TextHeight(names[0]));
    s.ForeColor = Qt::black;
}

void PaperVerticalAxis(ReportPage &p, double base, double height, double axisMax, double step, double edgeX,
                       bool left, double labelScale, const char *pattern)
{
    DrawingSurface &s = p.s;
    p.font(10);
    for (double v : TickValues(axisMax, step)) {
        const double y = base + height * v / axisMax;
        const QString label = p.d.Format.Format(v * labelScale, pattern);
        if (left) {
            p.line(edgeX, y, edgeX - Tick, y);
            p.rightAlignedAt(label, edgeX - LabelGap, y);
        } else {
            p.line(edgeX, y, edgeX + Tick, y);
            p.textAt(label, edgeX + LabelGap, y - s.TextHeight(label) / 2);
        }
    }
}

void PaperSeries::To(ReportPage &p, double x, double y, const QColor &colour)
{
    if (Previous) {
        const auto style = p.s.DrawStyle;
        if (Look)
            p.s.DrawStyle = Look->Dash;
        p.line(Previous->x(), Previous->y(), x, y, colour);
        p.s.DrawStyle = style;
    }
    Previous = QPointF(x, y);
    Points.push_back(*Previous);
}

void PaperSeries::Finish(ReportPage &p, const QColor &colour) const
{
    if (Points.size() != 1 || Look)
        return;
    DrawingSurface &s = p.s;
    const int16_t width = s.DrawWidth;
    s.DrawWidth = 1;
    s.FillStyle = DrawingSurface::Fill::Solid;
    s.FillColor = s.ForeColor = colour;
    s.Circle(Previous->x(), Previous->y(), s.ScaleX(width, DrawingSurface::Unit::Pixels, DrawingSurface::Unit::User));
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.ForeColor = Qt::black;
    s.DrawWidth = width;
}

void PaperSeries::Markers(ReportPage &p) const
{
    if (!Look)
        return;
    for (const QPointF &point : Points)
        DrawMarker(p.s, Look->Marker, point.x(), point.y(), PaperMarkerPixels(p), Look->Colour);
}
