#include "MortalityRangesPage.h"

#include "PaperGraphs.h"

#include "graphs/GraphBoxes.h"
#include "graphs/GraphText.h"
#include "graphs/LineGraphs.h"
#include "model/Units.h"

#include <algorithm>
#include <cmath>

using namespace ReportGeometry;
using namespace PaperGraph;

namespace {

constexpr double kUpperGraphBottom = 5.8125;
constexpr double kLowerGraphBottom = 1.0;
constexpr double kGraphHeight = 3.25;

// Percentage axis of a 3.25 in graph: 0 % to 100 % by 20 %, with light grid lines.
void percentAxis(ReportPage &p, double bottom)
{
    p.font(10);
    for (int k = 0; k <= 5; ++k) {
        const double y = bottom + kGraphHeight * k / 5.0;
        if (k > 0 && k < 5)
            p.line(Left, y, Right, y, GraphColours::Grid);
        p.line(Left, y, Left - Tick, y);
        p.rightAlignedAt(p.d.Format.Format(k / 5.0, "0%"), Left - LabelGap, y);
    }
}

// An axis title turned to read upward, centred on the graph's height.
void leftAxisTitle(ReportPage &p, const QString &title, double bottom)
{
    DrawingSurface &s = p.s;
    p.font(12, true);
    RotatedText(s, title, 90, Left - 0.75, bottom + kGraphHeight / 2 + s.TextWidth(title) / 2);
    s.FontBold = false;
}

// A bold axis title centred under the graph, below the labels whose lower edge is `labelsBottom`.
void bottomAxisTitle(ReportPage &p, const QString &title, double labelsBottom)
{
    p.font(12, true);
    p.centred(title, Left + Width / 2, labelsBottom - CaptionGap);
    p.s.FontBold = false;
}

void mortalityGraph(ReportPage &p)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    const bool control = set.ControlData.NumInCage > 0;
    const double top = kUpperGraphBottom + kGraphHeight;

    PageTitle(p, QStringLiteral("Mortality vs. Drop Density"), top + 0.5, false);
    percentAxis(p, kUpperGraphBottom);
    const float densityMax = ComputeLineRange(set).DensityAxisMax;
    if (densityMax > 0) {
        p.font(10);
        const double step = NiceTickStep(densityMax);
        double labelsBottom = kUpperGraphBottom;
        for (double v : TickValues(densityMax, step)) {
            const double x = Left + Width * v / densityMax;
            p.line(x, kUpperGraphBottom, x, kUpperGraphBottom - Tick);
            const QString label = p.d.Format.Format(v, TickPattern(step));
            p.centred(label, x, kUpperGraphBottom - LabelGap);
            labelsBottom = kUpperGraphBottom - LabelGap + s.TextHeight(label);
        }
        bottomAxisTitle(p, QStringLiteral("Drop Density (drops/cm") + kSquared + QStringLiteral(")"), labelsBottom);
    } else {
        NoScaleNote(p, QStringLiteral("No drops counted: there is no drop density to plot against"),
                    Left + Width / 2, kUpperGraphBottom + kGraphHeight / 2);
    }
    leftAxisTitle(p, QStringLiteral("Mortality"), kUpperGraphBottom);
    PaperLegend(p, kMortalityNames, kMortalityLooks, SwatchKind::Line, top + CaptionGap);
    // Each caged slide's three figures at its own drop density.
    if (control && densityMax > 0) {
        s.DrawWidth = p.thin();
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &slide = set.Slides[i];
            if (slide.Cage.NumInCage <= 0)
                continue;
            const double x = Left + Width * slide.DropDensity / densityMax;
            const float fractions[3] = {slide.Knockdown1h.value_or(0), slide.Mortality12h.value_or(0),
                                        slide.Mortality24h.value_or(0)};
            for (int m = 0; m < 3; ++m)
                DrawMarker(s, kMortalityLooks[m].Marker, x, kUpperGraphBottom + kGraphHeight * fractions[m],
                           PaperMarkerPixels(p), kMortalityLooks[m].Colour);
        }
    }
    s.DrawWidth = p.thin();
    s.Box(Left, kUpperGraphBottom, Right, top);
}

// Size ranges: three bars per range, groups 1.3 in wide.
void rangeChart(ReportPage &p)
{
    DrawingSurface &s = p.s;
    const double top = kLowerGraphBottom + kGraphHeight;
    PageTitle(p, QStringLiteral("Range Stats"), top + 0.5, false);
    percentAxis(p, kLowerGraphBottom);
    leftAxisTitle(p, QStringLiteral("Percentage"), kLowerGraphBottom);
    RangeStatistics stats;
    ComputeCompositeRangeStats(stats, p.d.Set, p.d.Composite);
    const double group = Width / kRangeCount;
    const double bar = Width / (3 * kRangeCount);
    p.font(10);
    s.DrawWidth = p.thin();
    p.line(Left, kLowerGraphBottom, Left, kLowerGraphBottom - Tick);
    double labelsBottom = kLowerGraphBottom;
    for (int r = 0; r < kRangeCount; ++r) {
        const double left = Left + group * r;
        p.line(left + group, kLowerGraphBottom, left + group, kLowerGraphBottom - Tick);
        const QString label = RangeLabel(r);
        p.centred(label, left + group / 2, kLowerGraphBottom - LabelGap);
        labelsBottom = kLowerGraphBottom - LabelGap + s.TextHeight(label);
        const float heights[3] = {stats.SizeOnSlide[r], stats.MassInCloud[r], stats.SizeInCloud[r]};
        for (int b = 0; b < 3; ++b) {
            const double h = std::clamp<double>(std::isfinite(heights[b]) ? heights[b] : 0, 0, 1);
            DrawHatchedBox(s, left + bar * b, kLowerGraphBottom, left + bar * (b + 1), kLowerGraphBottom + kGraphHeight * h,
                           kRangeLooks[b].Colour, kRangeLooks[b].Hatch, PaperHatchPixels(p));
        }
    }
    bottomAxisTitle(p, QStringLiteral("Size Range"), labelsBottom);
    PaperLegend(p, kRangeSeriesNames, kRangeLooks, SwatchKind::Bar, top + CaptionGap);
    s.DrawWidth = p.heavy();
    s.Box(Left, kLowerGraphBottom, Right, top);
    s.DrawWidth = p.thin();
}

void drawMortalityAndRanges(ReportPage &p)
{
    mortalityGraph(p);
    rangeChart(p);
}

} // namespace

std::vector<ReportSheet> MortalityRangesSheets(const ReportData &)
{
    return {{drawMortalityAndRanges}};
}
