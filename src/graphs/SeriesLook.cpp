#include "SeriesLook.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

const SeriesLook kMortalityLooks[3] = {
    {GraphColours::Knockdown1h, GraphColours::LegendKnockdown, MarkerShape::Circle, DrawingSurface::Style::Solid,
     Hatching::None},
    {GraphColours::Mortality12h, GraphColours::Mortality12h, MarkerShape::Square, DrawingSurface::Style::Dash,
     Hatching::Diagonal},
    {GraphColours::Mortality24h, GraphColours::Mortality24h, MarkerShape::Triangle, DrawingSurface::Style::Dot,
     Hatching::Cross},
};

const SeriesLook kRangeLooks[3] = {
    {GraphColours::Knockdown1h, GraphColours::LegendKnockdown, MarkerShape::Circle, DrawingSurface::Style::Solid,
     Hatching::None},
    {GraphColours::Mortality12h, GraphColours::Mortality12h, MarkerShape::Square, DrawingSurface::Style::Dash,
     Hatching::Diagonal},
    {GraphColours::Mortality24h, GraphColours::Mortality24h, MarkerShape::Triangle, DrawingSurface::Style::Dot,
     Hatching::Cross},
};

void DrawMarker(DrawingSurface &s, MarkerShape shape, double x, double y, double size, const QColor &fill)
{
    QPainter &p = s.Painter();
    if (!p.isActive())
        return;
    const QPointF c(s.PixelX(x), s.PixelY(y));
    // Outline a little finer than the marker, never below one pixel.
    QPen outline(Qt::black, std::max(1.0, std::round(size / 4)));
    outline.setJoinStyle(Qt::MiterJoin);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(outline);
    p.setBrush(fill);
    switch (shape) {
    case MarkerShape::Circle:
        p.drawEllipse(c, size, size);
        break;
    case MarkerShape::Square: {
        // A square of about the circle's area.
        const double h = size * 0.89;
        p.drawRect(QRectF(c.x() - h, c.y() - h, 2 * h, 2 * h));
        break;
    }
    case MarkerShape::Triangle: {
        // Point up, its centroid on the point plotted.
        const double r = size * 1.35;
        const QPointF corners[3] = {{c.x(), c.y() - r},
                                    {c.x() - r * 0.866, c.y() + r * 0.5},
                                    {c.x() + r * 0.866, c.y() + r * 0.5}};
        p.drawPolygon(corners, 3);
        break;
    }
    }
    p.restore();
}

void DrawHatchedBox(DrawingSurface &s, double x1, double y1, double x2, double y2, const QColor &fill,
                    Hatching hatch, double spacing)
{
    const auto fillStyle = s.FillStyle;
    const QColor fillColour = s.FillColor;
    s.FillStyle = DrawingSurface::Fill::Solid;
    s.FillColor = fill;
    s.Box(x1, y1, x2, y2);
    s.FillStyle = fillStyle;
    s.FillColor = fillColour;
    QPainter &p = s.Painter();
    if (hatch == Hatching::None || !p.isActive() || !(spacing > 0))
        return;
    const QRectF r = QRectF(QPointF(s.PixelX(x1), s.PixelY(y1)), QPointF(s.PixelX(x2), s.PixelY(y2))).normalized();
    if (r.width() < 2 || r.height() < 2)
        return;
    p.save();
    p.setClipRect(r);
    p.setPen(QPen(Qt::black, std::max(1.0, std::round(spacing / 6))));
    // Lines rising to the right, and for a cross also falling, anchored to the
    // device origin so that neighbouring bars line up.
    const double from = std::floor((r.left() + r.top()) / spacing) * spacing;
    for (double k = from; k <= r.right() + r.bottom(); k += spacing)
        p.drawLine(QPointF(k - r.bottom(), r.bottom()), QPointF(k - r.top(), r.top()));
    if (hatch == Hatching::Cross) {
        const double start = std::floor((r.left() - r.bottom()) / spacing) * spacing;
        for (double k = start; k <= r.right() - r.top(); k += spacing)
            p.drawLine(QPointF(k + r.top(), r.top()), QPointF(k + r.bottom(), r.bottom()));
    }
    p.restore();
}

void DrawSwatchLegend(DrawingSurface &s, const QString (&names)[3], const SeriesLook (&looks)[3], SwatchKind kind,
                      const SwatchSizes &sizes, double centreX, double top)
{
    const QString gap(10, QLatin1Char(' '));
    const double swatch = std::abs(s.ScaleX(sizes.Length, DrawingSurface::Unit::Pixels, DrawingSurface::Unit::User));
    const double space = s.TextWidth(QStringLiteral("  "));
    const double total = s.TextWidth(names[0] + gap + names[1] + gap + names[2]) + 3 * (swatch + space);
    double x = centreX - total / 2;
    const double textHeight = s.TextHeight(names[0]);
    const double middle = top + textHeight / 2;
    const QColor fore = s.ForeColor;
    const int16_t width = s.DrawWidth;
    const auto style = s.DrawStyle;
    for (int i = 0; i < 3; ++i) {
        const SeriesLook &look = looks[i];
        if (kind == SwatchKind::Line) {
            s.DrawWidth = static_cast<int16_t>(sizes.LineWidth);
            s.DrawStyle = look.Dash;
            s.Line(x, middle, x + swatch, middle, look.Colour);
            s.DrawStyle = DrawingSurface::Style::Solid;
            DrawMarker(s, look.Marker, x + swatch / 2, middle, sizes.Marker, look.Colour);
        } else {
            s.DrawWidth = 1;
            s.DrawStyle = DrawingSurface::Style::Solid;
            s.ForeColor = Qt::black;
            const double half = std::abs(textHeight) * 0.4;
            DrawHatchedBox(s, x, middle - half, x + swatch, middle + half, look.Colour, look.Hatch, sizes.Hatch);
        }
        s.DrawWidth = width;
        s.DrawStyle = style;
        x += swatch + space;
        s.ForeColor = look.Text;
        s.CurrentX = x;
        s.CurrentY = top;
        s.Print(names[i], true);
        x = s.CurrentX;
        if (i < 2) {
            s.Print(gap, true);
            x = s.CurrentX;
        }
    }
    s.ForeColor = fore;
}
