#include "DoseResponseGraph.h"

#include "GraphBoxes.h"

#include "model/NumberText.h"

#include <algorithm>
#include <cmath>

namespace {

// The probit scale spans 0.5 % to 99.5 %; cages at 0 % or 100 % sit on its edges.
constexpr double kEdgeFraction = 0.005;
const double kYLimit = -DoseMath::NormalQuantile(kEdgeFraction);
constexpr double kPercentTicks[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.3, 0.5, 0.7, 0.8, 0.9, 0.95, 0.98, 0.99};

const QColor kPoint{40, 40, 160};
const QColor kCurve{200, 30, 30};
const QColor kBand{250, 215, 215};
const QColor kControl{110, 110, 110};
const QColor kLD{0, 120, 0};

// Pixel geometry of the plot inside the box.
struct Plot
{
    QRectF frame;
    double logLow = 0, logHigh = 1;

    double x(double deposit) const
    {
        return frame.left() + frame.width() * (std::log10(deposit) - logLow) / (logHigh - logLow);
    }
    double y(double fraction) const
    {
        const double z = fraction <= kEdgeFraction ? -kYLimit
            : fraction >= 1 - kEdgeFraction        ? kYLimit
                                                   : DoseMath::NormalQuantile(fraction);
        return frame.bottom() - frame.height() * (z + kYLimit) / (2 * kYLimit);
    }
};

QString percentLabel(double fraction)
{
    return QString::number(fraction * 100, 'g', 3) + QLatin1Char('%');
}

// Text centred on x with its top at y, and right-aligned text centred on y (pixels).
void textAt(DrawingSurface &s, const QString &text, double x, double y)
{
    s.CurrentX = x;
    s.CurrentY = y;
    s.Print(text, true);
}

} // namespace

std::optional<DoseAxisRange> DoseGraphRange(const DoseResponseFit &fit)
{
    double low = 0, high = 0;
    for (const DosePoint &p : fit.Points)
        if (p.Deposit > 0) {
            low = low > 0 ? std::min(low, p.Deposit) : p.Deposit;
            high = std::max(high, p.Deposit);
        }
    if (!(low > 0))
        return std::nullopt;
    for (const std::optional<double> &ld : {fit.LD50, fit.LD90})
        if (ld && *ld > low / 10 && *ld < high * 10) {
            low = std::min(low, *ld);
            high = std::max(high, *ld);
        }
    // A fifth of the span (at least a quarter decade) either side.
    const double span = std::max(std::log10(high / low), 0.5);
    return DoseAxisRange{low / std::pow(10.0, span / 5), high * std::pow(10.0, span / 5)};
}

void DrawDoseResponseGraph(DrawingSurface &s, const DoseResponseFit &fit, const QRectF &box, const NumberFormat &format,
                           const DoseGraphStyle &style)
{
    // Work in device pixels, and leave the surface as it was found.
    const float keep[4] = {s.ScaleLeft, s.ScaleTop, s.ScaleWidth, s.ScaleHeight};
    const QColor keepFore = s.ForeColor, keepFill = s.FillColor;
    const auto keepFillStyle = s.FillStyle;
    const auto keepStyle = s.DrawStyle;
    const int16_t keepWidth = s.DrawWidth;
    const QString keepFont = s.FontName;
    const double keepSize = s.FontSize;
    const bool keepBold = s.FontBold;
    s.ScaleLeft = 0;
    s.ScaleTop = 0;
    s.ScaleWidth = float(s.WidthPixels());
    s.ScaleHeight = float(s.HeightPixels());

    s.FontName = QStringLiteral("Arial");
    s.FontSize = style.FontPoints;
    s.FontBold = false;
    const double line = s.TextHeight(QStringLiteral("0"));
    const QString unit = DoseDepositUnit(fit.Deposit);

    // Room for the percent labels left, the deposit labels and the title below.
    const double labelWidth = s.TextWidth(QStringLiteral("99.5%"));
    Plot plot;
    plot.frame = QRectF(box.left() + labelWidth + 2.2 * line, box.top() + 0.6 * line,
                        box.width() - labelWidth - 2.2 * line - 0.8 * line, box.height() - 3.4 * line);
    const QRectF &f = plot.frame;
    const std::optional<DoseAxisRange> range = DoseGraphRange(fit);
    if (range) {
        plot.logLow = std::log10(range->Low);
        plot.logHigh = std::log10(range->High);
    }

    s.DrawStyle = DrawingSurface::Style::Solid;
    s.DrawWidth = style.Thin;
    s.ForeColor = Qt::black;
    // Probit-spaced grid and labels.
    for (double p : kPercentTicks) {
        const double y = plot.y(p);
        s.Line(f.left(), y, f.right(), y, GraphColours::Grid);
        s.Line(f.left() - 4, y, f.left(), y, Qt::black);
        const QString label = percentLabel(p);
        textAt(s, label, f.left() - 6 - s.TextWidth(label), y - line / 2);
    }
    // Decades labelled (and 2 and 5 on a short axis), the steps between them ticked.
    if (range) {
        const bool shortAxis = plot.logHigh - plot.logLow < 2;
        for (int decade = int(std::floor(plot.logLow)); decade <= int(std::ceil(plot.logHigh)); ++decade)
            for (int k = 1; k <= 9; ++k) {
                const double value = k * std::pow(10.0, decade);
                const double lv = std::log10(value);
                if (lv < plot.logLow || lv > plot.logHigh)
                    continue;
                const double x = plot.x(value);
                s.Line(x, f.bottom(), x, f.bottom() + (k == 1 ? 5 : 3), Qt::black);
                if (k == 1 || (shortAxis && (k == 2 || k == 5))) {
                    if (k == 1)
                        s.Line(x, f.top(), x, f.bottom(), GraphColours::Grid);
                    const QString label = format.General(float(value));
                    textAt(s, label, x - s.TextWidth(label) / 2, f.bottom() + 6);
                }
            }
    }
    s.FontBold = true;
    s.FontSize = style.TitlePoints;
    const QString xTitle = QStringLiteral("Deposit (") + unit + QStringLiteral(", log scale)");
    textAt(s, xTitle, f.center().x() - s.TextWidth(xTitle) / 2, f.bottom() + 6 + line * 1.1);
    const QString yTitle = fit.Hour == 1 ? QStringLiteral("Knockdown") : QStringLiteral("Mortality");
    RotatedText(s, yTitle + QStringLiteral(" (probit scale)"), 90, box.left() + 0.1 * line,
                f.center().y() + s.TextWidth(yTitle + QStringLiteral(" (probit scale)")) / 2);
    s.FontBold = false;
    s.FontSize = style.FontPoints;

    // The level without deposit, dashed.
    if (fit.ControlFraction && range) {
        s.DrawStyle = DrawingSurface::Style::Dash;
        const double y = plot.y(*fit.ControlFraction);
        s.Line(f.left(), y, f.right(), y, kControl);
        s.DrawStyle = DrawingSurface::Style::Solid;
        const QString label = QStringLiteral("no deposit ") + percentLabel(*fit.ControlFraction);
        textAt(s, label, f.right() - s.TextWidth(label) - 3, y - line - 1);
    }

    // The fitted curve within its band.
    if (fit.Fitted() && range) {
        constexpr int kSteps = 120;
        std::vector<QPoint> band;
        std::vector<QPointF> curve;
        std::vector<QPointF> upper;
        for (int i = 0; i <= kSteps; ++i) {
            const double deposit = std::pow(10.0, plot.logLow + (plot.logHigh - plot.logLow) * i / kSteps);
            const DoseCurvePoint at = *DoseCurveAt(fit, deposit);
            const double x = plot.x(deposit);
            curve.emplace_back(x, plot.y(at.Mortality));
            band.emplace_back(int(std::lround(x)), int(std::lround(plot.y(at.Low))));
            upper.emplace_back(x, plot.y(at.High));
        }
        for (auto it = upper.rbegin(); it != upper.rend(); ++it)
            band.emplace_back(int(std::lround(it->x())), int(std::lround(it->y())));
        s.ForeColor = kBand;
        s.FillColor = kBand;
        s.Polygon(band);
        s.DrawWidth = style.Heavy;
        for (size_t i = 1; i < curve.size(); ++i)
            s.Line(curve[i - 1].x(), curve[i - 1].y(), curve[i].x(), curve[i].y(), kCurve);
        s.DrawWidth = style.Thin;

        // LD50 and LD90: a dotted drop from the curve to the axis, named.
        s.DrawStyle = DrawingSurface::Style::Dot;
        const double C = fit.NaturalMortality.value_or(0);
        const struct
        {
            double value, level;
            const char *name;
        } marks[2] = {{*fit.LD50, C + (1 - C) * 0.5, "LD50"}, {*fit.LD90, C + (1 - C) * 0.9, "LD90"}};
        for (const auto &m : marks) {
            if (std::log10(m.value) < plot.logLow || std::log10(m.value) > plot.logHigh)
                continue;
            const double x = plot.x(m.value), y = plot.y(m.level);
            s.Line(x, y, x, f.bottom(), kLD);
            s.Line(f.left(), y, x, y, kLD);
            s.ForeColor = kLD;
            const QString name = QString::fromLatin1(m.name);
            textAt(s, name, x + 3, f.bottom() - line - 2);
        }
        s.DrawStyle = DrawingSurface::Style::Solid;
    }

    // The cages: a bar for the binomial interval and a point, hollow on the edges.
    if (range) {
        s.DrawWidth = style.Thin;
        for (const DosePoint &p : fit.Points) {
            if (!(p.Deposit > 0))
                continue;
            const double x = plot.x(p.Deposit);
            s.Line(x, plot.y(p.Binomial.Low), x, plot.y(p.Binomial.High), kPoint);
            const bool edge = p.Fraction <= kEdgeFraction || p.Fraction >= 1 - kEdgeFraction;
            s.ForeColor = kPoint;
            s.FillColor = kPoint;
            s.FillStyle = edge ? DrawingSurface::Fill::Transparent : DrawingSurface::Fill::Solid;
            s.Circle(x, plot.y(p.Fraction), style.MarkerRadius);
        }
        s.FillStyle = DrawingSurface::Fill::Transparent;
    } else {
        s.ForeColor = Qt::darkGray;
        const QString none = QStringLiteral("No cage beside a slide with drops");
        textAt(s, none, f.center().x() - s.TextWidth(none) / 2, f.center().y() - line / 2);
    }
    s.ForeColor = Qt::black;
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.Box(f.left(), f.top(), f.right(), f.bottom());

    s.ScaleLeft = keep[0];
    s.ScaleTop = keep[1];
    s.ScaleWidth = keep[2];
    s.ScaleHeight = keep[3];
    s.ForeColor = keepFore;
    s.FillColor = keepFill;
    s.FillStyle = keepFillStyle;
    s.DrawStyle = keepStyle;
    s.DrawWidth = keepWidth;
    s.FontName = keepFont;
    s.FontSize = keepSize;
    s.FontBold = keepBold;
}
