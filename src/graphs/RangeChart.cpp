#include "RangeChart.h"

#include "GraphBoxes.h"
#include "LineGraphs.h"

#include "model/NumberText.h"
#include "model/Units.h"

#include <cmath>

namespace {

using Unit = DrawingSurface::Unit;

constexpr double kScreenHatchPixels = 6;

void frame(DrawingSurface &s)
{
    s.ForeColor = Qt::black;
    s.Box(0, 0, 15, 1);
}

} // namespace

RangeStatistics DrawRangeChart(DrawingSurface &s, const SlideSet &set, const ViewState &view)
{
    const NumberFormat fmt;
    BeginCompositeGraph(s, -1.5f, 18, view.PlotScaleTop / 4, view.PlotScaleHeight / 4);

    const double tick = s.ScaleX(5, Unit::Pixels, Unit::User);
    const double gap = s.ScaleX(7, Unit::Pixels, Unit::User);
    const double labelsLeft = -gap - s.TextWidth(fmt.Format(1.0, "0%"));
    const auto crossed = LeftAxisTitleCrossing(s, QStringLiteral("Percentage"), 0.5, labelsLeft);
    for (int k = 0; k <= 5; ++k) {
        const double y = k / 5.0;
        const QString label = fmt.Format(y, "0%");
        const double half = std::abs(s.TextHeight(label)) / 2;
        if (!crossed || y + half < crossed->first || y - half > crossed->second) {
            s.CurrentX = -gap - s.TextWidth(label);
            s.CurrentY = y - s.TextHeight(label) / 2;
            s.Print(label);
        }
        s.Line(0, y, -tick, y, Qt::black);
        s.Line(0, y, 15, y, GraphColours::Grid);
    }
    frame(s);

    RangeStatistics stats;
    ComputeCompositeRangeStats(stats, set, view.Composite);

    s.FillStyle = DrawingSurface::Fill::Solid;
    const double separator = s.ScaleY(15, Unit::Pixels, Unit::User);
    const double nameGap = s.ScaleY(3, Unit::Pixels, Unit::User);
    s.Line(0, 0, 0, separator);
    for (int k = 1; k <= kRangeCount; ++k) {
        s.Line(3 * k, 0, 3 * k, separator);
        const QString name = RangeLabel(k - 1);
        s.CurrentX = 3 * k - 1.5 - s.TextWidth(name) / 2;
        s.CurrentY = nameGap;
        s.Print(name);
        const double bars[3] = {stats.SizeOnSlide[k - 1], stats.MassInCloud[k - 1], stats.SizeInCloud[k - 1]};
        for (int b = 0; b < 3; ++b)
            DrawHatchedBox(s, 3 * k - 3 + b, 0, 3 * k - 2 + b, bars[b], kRangeLooks[b].Colour, kRangeLooks[b].Hatch,
                           kScreenHatchPixels);
    }

    s.FontName = QStringLiteral("Arial");
    s.FontSize = 12;
    s.FontBold = true;
    {
        const QString title = QStringLiteral("Size Range");
        const double heightPx = s.ScaleY(s.TextHeight(title), Unit::User, Unit::Pixels);
        s.CurrentX = 7.5 - s.TextWidth(title) / 2;
        s.CurrentY = s.UserY(s.HeightPixels() - 10 - heightPx);
        s.Print(title);
    }
    {
        LeftAxisTitle(s, QStringLiteral("Percentage"), 0.5, labelsLeft);
    }

    const QString names[3] = {QStringLiteral("% Size on Slide"), QStringLiteral("% Mass in Cloud"),
                              QStringLiteral("% Size in Cloud")};
    DrawLegend(s, names, kRangeLooks, SwatchKind::Bar);

    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.DrawWidth = 2;
    frame(s);
    s.DrawWidth = 1;
    return stats;
}
