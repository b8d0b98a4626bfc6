#include "DrawingSurface.h"

#include "model/NumberText.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any device, near enough to zero for an int: a point that an empty
// scale throws out of sight still converts without overflow.
constexpr double kPixelLimit = 1.0e6;

int toPixel(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(RoundHalfEven(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

} // namespace

void RegisterFontSubstitutes()
{
    // Liberation Sans keeps Arial's metrics, so text widths measured for the
    // layout match; it is also near the narrow dialog face, whose tick labels
    // must fit the graphs' margins. DejaVu Sans stays legible at the tiny sizes
    // the report preview asks of "Small Fonts".
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Small Fonts"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
}

// --- UserScale -------------------------------------------------------------------

double UserScale::ToPixelX(double x) const
{
    return Width == 0 ? 0 : (x - Left) * Pixels.width() / Width;
}

double UserScale::ToPixelY(double y) const
{
    return Height == 0 ? 0 : (y - Top) * Pixels.height() / Height;
}

double UserScale::ToUserX(double px) const
{
    return Pixels.width() == 0 ? Left : Left + px * Width / Pixels.width();
}

double UserScale::ToUserY(double py) const
{
    return Pixels.height() == 0 ? Top : Top + py * Height / Pixels.height();
}

// --- DrawingSurface ----------------------------------------------------------------

DrawingSurface::DrawingSurface(QPaintDevice *device, int outerHeightPixels)
    : m_device(device), m_outerHeight(outerHeightPixels)
{
    m_painter.begin(device);
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
}

DrawingSurface::~DrawingSurface()
{
    End();
}

void DrawingSurface::End()
{
    if (m_painter.isActive())
        m_painter.end();
}

void DrawingSurface::EndDoc()
{
    End();
}

bool DrawingSurface::NewPage()
{
    auto *paged = dynamic_cast<QPagedPaintDevice *>(m_device);
    return paged != nullptr && paged->newPage();
}

UserScale DrawingSurface::Scale() const
{
    return UserScale{ScaleLeft, ScaleTop, scaleWidth(), scaleHeight(), QSize(WidthPixels(), HeightPixels())};
}

QFont DrawingSurface::CurrentFont() const
{
    QFont font(FontName);
    font.setPointSizeF(FontSize > 0 ? FontSize : 1);
    font.setBold(FontBold);
    font.setUnderline(FontUnderline);
    return font;
}

int DrawingSurface::WidthPixels() const
{
    return m_device->width();
}

int DrawingSurface::HeightPixels() const
{
    return m_device->height();
}

int DrawingSurface::OuterHeightPixels() const
{
    return m_outerHeight > 0 ? m_outerHeight : HeightPixels();
}

double DrawingSurface::TwipsPerPixelX() const
{
    const int dpi = m_device->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

double DrawingSurface::TwipsPerPixelY() const
{
    const int dpi = m_device->logicalDpiY();
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

// An unset (zero) scale means one user unit per pixel, so nothing divides by zero.
double DrawingSurface::scaleWidth() const
{
    return ScaleWidth != 0 ? double(ScaleWidth) : double(WidthPixels());
}

double DrawingSurface::scaleHeight() const
{
    return ScaleHeight != 0 ? double(ScaleHeight) : double(HeightPixels());
}

double DrawingSurface::ScaleX(double length, Unit from, Unit to) const
{
    double px = length;
    if (from == Unit::User)
        px = length * WidthPixels() / scaleWidth();
    else if (from == Unit::Twips)
        px = length / TwipsPerPixelX();
    if (to == Unit::User)
        return WidthPixels() == 0 ? 0 : px * scaleWidth() / WidthPixels();
    if (to == Unit::Twips)
        return px * TwipsPerPixelX();
    return px;
}

double DrawingSurface::ScaleY(double length, Unit from, Unit to) const
{
    double px = length;
    if (from == Unit::User)
        px = length * HeightPixels() / scaleHeight();
    else if (from == Unit::Twips)
        px = length / TwipsPerPixelY();
    if (to == Unit::User)
        return HeightPixels() == 0 ? 0 : px * scaleHeight() / HeightPixels();
    if (to == Unit::Twips)
        return px * TwipsPerPixelY();
    return px;
}

double DrawingSurface::PixelX(double x) const
{
    return (x - ScaleLeft) * WidthPixels() / scaleWidth();
}

double DrawingSurface::PixelY(double y) const
{
    return (y - ScaleTop) * HeightPixels() / scaleHeight();
}

double DrawingSurface::UserX(double px) const
{
    return WidthPixels() == 0 ? ScaleLeft : ScaleLeft + px * scaleWidth() / WidthPixels();
}

double DrawingSurface::UserY(double py) const
{
    return HeightPixels() == 0 ? ScaleTop : ScaleTop + py * scaleHeight() / HeightPixels();
}

QPoint DrawingSurface::devicePoint(double x, double y) const
{
    return QPoint(toPixel(PixelX(x)), toPixel(PixelY(y)));
}

QPen DrawingSurface::pen(const QColor &colour) const
{
    QPen p(colour);
    p.setWidth(std::max<int>(1, DrawWidth));
    switch (DrawStyle) {
    case Style::Dash:
        p.setStyle(Qt::DashLine);
        break;
    case Style::Dot:
        p.setStyle(Qt::DotLine);
        break;
    case Style::Solid:
        break;
    }
    // Thin lines stop short of their end point, as on a screen DC; wide ones get
    // round ends so joined data segments look continuous.
    if (p.width() > 1) {
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
    } else {
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
    }
    return p;
}

QBrush DrawingSurface::brush() const
{
    return FillStyle == Fill::Solid ? QBrush(FillColor) : QBrush(Qt::NoBrush);
}

void DrawingSurface::Cls()
{
    if (m_painter.isActive())
        m_painter.fillRect(QRect(0, 0, WidthPixels(), HeightPixels()), BackColor);
    CurrentX = ScaleLeft;
    CurrentY = ScaleTop;
}

void DrawingSurface::Line(double x1, double y1, double x2, double y2)
{
    Line(x1, y1, x2, y2, ForeColor);
}

void DrawingSurface::Line(double x1, double y1, double x2, double y2, const QColor &colour)
{
    if (m_painter.isActive()) {
        m_painter.setPen(pen(colour));
        m_painter.drawLine(devicePoint(x1, y1), devicePoint(x2, y2));
    }
    CurrentX = x2;
    CurrentY = y2;
}

void DrawingSurface::LineRelative(double x1, double y1, double dx, double dy)
{
    Line(x1, y1, x1 + dx, y1 + dy);
}

void DrawingSurface::Box(double x1, double y1, double x2, double y2)
{
    Box(x1, y1, x2, y2, ForeColor);
}

void DrawingSurface::Box(double x1, double y1, double x2, double y2, const QColor &colour)
{
    if (m_painter.isActive()) {
        const QPoint a = devicePoint(x1, y1);
        const QPoint b = devicePoint(x2, y2);
        const int left = std::min(a.x(), b.x());
        const int top = std::min(a.y(), b.y());
        // Corner pixels both inclusive, as the stroked outline of a QRect is one
        // pixel wider than its width.
        const QRect r(left, top, std::abs(a.x() - b.x()), std::abs(a.y() - b.y()));
        m_painter.setPen(pen(colour));
        m_painter.setBrush(brush());
        m_painter.drawRect(r);
        m_painter.setBrush(Qt::NoBrush);
    }
    CurrentX = x2;
    CurrentY = y2;
}

void DrawingSurface::Circle(double x, double y, double radius)
{
    if (m_painter.isActive()) {
        const double r = std::abs(ScaleX(radius, Unit::User, Unit::Pixels));
        m_painter.setPen(pen(ForeColor));
        m_painter.setBrush(brush());
        m_painter.drawEllipse(QPointF(devicePoint(x, y)), r, r);
        m_painter.setBrush(Qt::NoBrush);
    }
    CurrentX = x;
    CurrentY = y;
}

void DrawingSurface::Polygon(const std::vector<QPoint> &devicePoints)
{
    if (!m_painter.isActive() || devicePoints.empty())
        return;
    m_painter.setPen(pen(ForeColor));
    m_painter.setBrush(QBrush(FillColor));
    m_painter.drawPolygon(devicePoints.data(), int(devicePoints.size()));
    m_painter.setBrush(Qt::NoBrush);
}

void DrawingSurface::Quads(const QPoint *corners, int count)
{
    if (!m_painter.isActive() || count <= 0)
        return;
    m_painter.setPen(pen(ForeColor));
    m_painter.setBrush(QBrush(FillColor));
    // Separate polygons, not one path: overlapping edges of neighbouring classes
    // must cover each other as they always have.
    for (int i = 0; i < count; ++i)
        m_painter.drawPolygon(corners + 4 * i, 4);
    m_painter.setBrush(Qt::NoBrush);
}

void DrawingSurface::drawTextAt(const QFont &font, const QString &text, double px, double py)
{
    if (!m_painter.isActive())
        return;
    const QFontMetricsF metrics(font, m_device);
    m_painter.setFont(font);
    m_painter.setPen(QPen(ForeColor));
    m_painter.drawText(QPointF(px, py + metrics.ascent()), text);
}

void DrawingSurface::Print(const QString &text, bool stayOnLine)
{
    drawTextAt(CurrentFont(), text, toPixel(PixelX(CurrentX)), toPixel(PixelY(CurrentY)));
    if (stayOnLine) {
        CurrentX += TextWidth(text);
    } else {
        CurrentY += TextHeight(text);
        CurrentX = 0;
    }
}

double DrawingSurface::TextWidth(const QString &text) const
{
    const QFontMetricsF metrics(CurrentFont(), m_device);
    return ScaleX(metrics.horizontalAdvance(text), Unit::Pixels, Unit::User);
}

double DrawingSurface::TextHeight(const QString &) const
{
    const QFontMetricsF metrics(CurrentFont(), m_device);
    return ScaleY(metrics.height(), Unit::Pixels, Unit::User);
}

// --- rotated text ----------------------------------------------------------------

QFont RotatedTextFont(const DrawingSurface &surface)
{
    const double points = RoundHalfEven(std::isfinite(surface.FontSize) ? std::clamp(surface.FontSize, 1.0, 1000.0) : 8.0);
    // A negative logical height asks for the character height, i.e. the em size.
    const int pixels = static_cast<int>(RoundHalfEven(points * 20.0 / surface.TwipsPerPixelY()));
    QFont font(QStringLiteral("Arial"));
    font.setWeight(QFont::Bold);
    font.setPixelSize(std::max(1, pixels));
    return font;
}

void RotatedText(DrawingSurface &surface, const QString &text, int16_t angle, double x, double y)
{
    const QFont font = RotatedTextFont(surface);
    const QFontMetricsF metrics(font, surface.m_device);
    QPainter &painter = surface.m_painter;
    if (painter.isActive()) {
        painter.save();
        painter.translate(toPixel(surface.PixelX(x)), toPixel(surface.PixelY(y)));
        painter.rotate(-double(angle));
        painter.setFont(font);
        painter.setPen(QPen(surface.ForeColor));
        painter.drawText(QPointF(0, metrics.ascent()), text);
        painter.restore();
    }
    // The text was printed from (x, y): the position moves on as after Print.
    surface.CurrentX = 0;
    surface.CurrentY = y + surface.ScaleY(metrics.height(), DrawingSurface::Unit::Pixels, DrawingSurface::Unit::User);
}
