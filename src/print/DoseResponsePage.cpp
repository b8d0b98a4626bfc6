#include "DoseResponsePage.h"

#include "graphs/DoseResponseGraph.h"

#include <algorithm>
#include <cmath>

namespace {

// Inches from the left and bottom edges of the sheet.
constexpr double kLeft = 1.0;
constexpr double kRight = 7.5;
constexpr double kGraphTop = 9.2;
constexpr double kGraphBottom = 4.9;
constexpr double kTableTop = 4.55;
constexpr double kValueColumn = 3.6;
constexpr double kLeading = 1.25;

int16_t devicePixels(const DrawingSurface &s, double inches)
{
    const double dpi = 1440.0 / s.TwipsPerPixelX();
    return int16_t(std::clamp(std::lround(inches * dpi), 1L, 1000L));
}

} // namespace

void DrawDoseResponsePage(DrawingSurface &s, bool printer, const ReportData &data)
{
    const DoseResponseFit &fit = data.DoseResponse();
    SetReportFont(s, printer, 10);
    s.FontBold = false;
    s.ForeColor = Qt::black;
    const double line = -s.TextHeight(QStringLiteral("0")) * kLeading;
    auto text = [&s](const QString &t, double x, double top) {
        s.CurrentX = x;
        s.CurrentY = top;
        s.Print(t, true);
    };

    if (!fit.Fitted()) {
        const QString heading = QStringLiteral("%1, %2, %3: no dose\u2013response fit.")
                                    .arg(DoseHourName(fit.Hour), DoseLinkName(fit.Link), DoseDepositUnit(fit.Deposit));
        text(heading, kLeft, kGraphTop);
        text(fit.Note, kLeft, kGraphTop - line);
        return;
    }

    DoseGraphStyle style;
    style.FontPoints = ReportFontSize(s, printer, 9);
    style.TitlePoints = ReportFontSize(s, printer, 10);
    style.Thin = printer ? devicePixels(s, 1.0 / 144) : 1;
    style.Heavy = printer ? devicePixels(s, 1.0 / 48) : 2;
    style.MarkerRadius = printer ? devicePixels(s, 0.035) : 2.5;
    const QRectF box(QPointF(s.PixelX(kLeft), s.PixelY(kGraphTop)), QPointF(s.PixelX(kRight), s.PixelY(kGraphBottom)));
    DrawDoseResponseGraph(s, fit, box, data.Format, style);

    SetReportFont(s, printer, 10);
    double y = kTableTop;
    s.DrawWidth = style.Thin;
    s.Line(kLeft, y, kRight, y);
    y -= line * 0.3;
    for (const DoseResponseRow &row : DoseResponseTable(fit, data.Format)) {
        s.FontBold = true;
        text(row.Caption, kLeft + 0.1, y);
        s.FontBold = false;
        text(row.Value, kValueColumn, y);
        y -= line;
    }
    s.Line(kLeft, y, kRight, y);
}
