#include "LineDataPage.h"

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

constexpr double kPanelHeight = 1.5;
constexpr double kPanelBottoms[4] = {1.5625, 3.5625, 5.5625, 7.5625}; // density, NMD, VMD, mortality
constexpr double kSlideBoxWidth = 0.3;
constexpr double kSlideBoxDrop = 0.375; // below the bottom panel, where the boxes hang
constexpr double kBoxLabelPoints = 7;
constexpr double kBoxLabelGap = 0.03;   // least blank between two position labels

// Where a slide position lies across the graph, and the upper edge of a panel.
double positionX(const LineRange &lr, double position)
{
    return Left + (position - lr.XMin) * Width / lr.Range;
}

double panelUpperEdge(int panel) { return kPanelBottoms[panel] + kPanelHeight; }

bool hasCage(const Slide &slide) { return slide.Cage.NumInCage > 0; }

// "Drop Density " in 14 points and "(#/cm²)" in 8, their lower edges on the panel.
void panelTitle(ReportPage &p, const QString &name, const QString &unit, double panelTop)
{
    DrawingSurface &s = p.s;
    const double lower = panelTop + CaptionGap;
    p.font(14);
    p.textAt(name, Left, lower - s.TextHeight(name));
    const double x = s.CurrentX;
    p.font(8);
    p.textAt(unit, x, lower - s.TextHeight(unit));
}

// Behind everything: a light line through the panels at every slide (the
// mortality panel only where the slide has a cage), the spray line and the frames.
void background(ReportPage &p, const LineRange &lr, bool control)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    s.DrawWidth = p.thin();
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const double x = positionX(lr, set.Slides[i].Position);
        for (int panel = 0; panel < 4; ++panel)
            if (panel < 3 || (control && hasCage(set.Slides[i])))
                p.line(x, kPanelBottoms[panel], x, panelUpperEdge(panel), GraphColours::Grid);
    }
    s.DrawWidth = p.heavy();
    for (int panel = 0; panel < (control ? 4 : 3); ++panel)
        p.line(positionX(lr, 0), kPanelBottoms[panel], positionX(lr, 0), panelUpperEdge(panel));

    s.DrawWidth = p.thin();
    for (double bottom : kPanelBottoms)
        s.Box(Left, bottom, Right, bottom + kPanelHeight);
}

// Value axes, each margin holding the labels of two panels, and the position
// axis under the density panel.
void axes(ReportPage &p, const LineRange &lr, bool control)
{
    if (control)
        PaperVerticalAxis(p, kPanelBottoms[3], kPanelHeight, 100, 20, Right, false, 0.01, "0%");
    const struct
    {
        int panel;
        float axisMax;
        bool left;
    } panels[3] = {{2, lr.VMDAxisMax, true}, {1, lr.NMDAxisMax, false}, {0, lr.DensityAxisMax, true}};
    for (const auto &a : panels) {
        if (a.axisMax > 0) {
            const double step = NiceTickStep(a.axisMax);
            PaperVerticalAxis(p, kPanelBottoms[a.panel], kPanelHeight, a.axisMax, step, a.left ? Left : Right, a.left, 1,
                              TickPattern(step));
        }
    }

    p.font(10);
    const double step = NiceTickStep(static_cast<float>(lr.Range));
    const char *pattern = IsWholeStep(step) ? "0" : "0.0";
    // Round positions (multiples of the step, the spray line among them)
    // rather than steps counted from the outermost slide.
    const double first = std::ceil(lr.XMin / step - 1e-9) * step;
    for (double v : TickValues(first, lr.XMax, step)) {
        p.line(positionX(lr, v), kPanelBottoms[0], positionX(lr, v), kPanelBottoms[0] - Tick);
        p.centred(p.d.Format.Format(v, pattern), positionX(lr, v), kPanelBottoms[0] - LabelGap);
    }
}

// The line's composite figures, dotted across their panels.
void references(ReportPage &p, const LineRange &lr)
{
    DrawingSurface &s = p.s;
    const CompositeResults &comp = p.d.Composite;
    s.DrawWidth = p.thin();
    s.DrawStyle = DrawingSurface::Style::Dot;
    const struct
    {
        int panel;
        float axisMax;
        float value;
    } lines[3] = {{2, lr.VMDAxisMax, comp.CompVMD}, {1, lr.NMDAxisMax, comp.CompNMD},
                  {0, lr.DensityAxisMax, comp.AveDropDensity}};
    for (const auto &r : lines) {
        if (r.axisMax > 0) {
            const double y = kPanelBottoms[r.panel] + kPanelHeight * r.value / r.axisMax;
            p.line(Left, y, Right, y, GraphColours::Reference);
        }
    }
    s.DrawStyle = DrawingSurface::Style::Solid;
}

// Data lines, slide by slide in position order; slides without drops are
// skipped, and mortality needs both the control cage and the slide's cage.
void series(ReportPage &p, const LineRange &lr, bool control)
{
    const SlideSet &set = p.d.Set;
    p.s.DrawWidth = p.data();
    PaperSeries vmd, nmd, density, mortality[3];
    for (int m = 0; m < 3; ++m)
        mortality[m].Look = &kMortalityLooks[m];
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &slide = set.Slides[i];
        if (slide.TotalDrops <= 0)
            continue;
        const double x = positionX(lr, slide.Position);
        if (control && hasCage(slide)) {
            const float fractions[3] = {slide.Knockdown1h.value_or(0), slide.Mortality12h.value_or(0),
                                        slide.Mortality24h.value_or(0)};
            for (int m = 0; m < 3; ++m)
                mortality[m].To(p, x, kPanelBottoms[3] + kPanelHeight * fractions[m], kMortalityLooks[m].Colour);
        }
        if (lr.VMDAxisMax > 0)
            vmd.To(p, x, kPanelBottoms[2] + kPanelHeight * slide.VMD / lr.VMDAxisMax, Qt::black);
        if (lr.NMDAxisMax > 0)
            nmd.To(p, x, kPanelBottoms[1] + kPanelHeight * slide.NMD / lr.NMDAxisMax, Qt::black);
        if (lr.DensityAxisMax > 0)
            density.To(p, x, kPanelBottoms[0] + kPanelHeight * slide.DropDensity / lr.DensityAxisMax, Qt::black);
    }
    vmd.Finish(p, Qt::black);
    nmd.Finish(p, Qt::black);
    density.Finish(p, Qt::black);
    p.s.DrawWidth = p.thin();
    for (const PaperSeries &m : mortality)
        m.Markers(p);
}

// A box per slide under the panels, as the cards under the screen graph, with
// the slide's position in small type. A crowded line narrows the boxes so that
// neighbours stay apart, and leaves out a label that would run into the one
// before it.
void slideBoxes(ReportPage &p, const LineRange &lr)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    s.DrawWidth = p.thin();
    const double boxWidth = std::clamp(Width / set.SlideCount() - 0.03, 0.02, kSlideBoxWidth);
    const double boxHeight = boxWidth * 1.25;
    const double boxTop = kPanelBottoms[0] - kSlideBoxDrop;
    p.font(kBoxLabelPoints);
    double lastLabelRight = -1e9;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const double x = positionX(lr, set.Slides[i].Position);
        s.Box(x - boxWidth / 2, boxTop, x + boxWidth / 2, boxTop - boxHeight);
        const QString label = p.d.Format.General(set.Slides[i].Position);
        const double half = s.TextWidth(label) / 2;
        if (x - half < lastLabelRight + kBoxLabelGap)
            continue;
        p.centredAt(label, x, boxTop - std::max(boxHeight, -s.TextHeight(label)) / 2);
        lastLabelRight = x + half;
    }
    p.font(14);
    p.centred(set.Params.Metric ? QStringLiteral("Slide Position (m)") : QStringLiteral("Slide Position (ft)"), CentreX,
              boxTop - std::max(boxHeight, LinePitch(kBoxLabelPoints)) - CaptionGap);
}

void drawLineData(ReportPage &p)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    const bool control = set.ControlData.NumInCage > 0;

    PageTitle(p, QStringLiteral("Line Data"), TitleLowerEdge);

    const LineRange lr = ComputeLineRange(set);
    const double middle = (kPanelBottoms[0] + kPanelBottoms[3] + kPanelHeight) / 2;
    if (set.SlideCount() < 1) {
        NoScaleNote(p, QStringLiteral("The set has no slides: no line graph can be drawn"), CentreX, middle);
        return;
    }
    if (!(lr.Range > 0) || !std::isfinite(lr.Range)) {
        NoScaleNote(p, QStringLiteral("All slides are at position 0: no line graph can be drawn"), CentreX, middle);
        return;
    }
    background(p, lr, control);
    axes(p, lr, control);

    const QString perCm2 = QStringLiteral("(#/cm") + kSquared + QStringLiteral(")");
    const QString microns = QStringLiteral("(") + Microns() + QStringLiteral(")");
    panelTitle(p, QStringLiteral("Drop Density "), perCm2, panelUpperEdge(0));
    panelTitle(p, QStringLiteral("NMD "), microns, panelUpperEdge(1));
    panelTitle(p, QStringLiteral("VMD "), microns, panelUpperEdge(2));
    panelTitle(p, QStringLiteral("Mortality "), QStringLiteral("(%)"), panelUpperEdge(3));
    // Right of the centre, clear of the panel title the swatches would reach.
    PaperLegend(p, kMortalityNames, kMortalityLooks, SwatchKind::Line, panelUpperEdge(3) + CaptionGap, CentreX + 0.3);

    references(p, lr);
    series(p, lr, control);
    if (!control) {
        p.font(14, true);
        s.ForeColor = GraphColours::NoControlMessage;
        p.centredAt(QStringLiteral("No mortality control data entered"), CentreX, kPanelBottoms[3] + kPanelHeight / 2);
        s.ForeColor = Qt::black;
        s.FontBold = false;
    }
    slideBoxes(p, lr);
}

} // namespace

std::vector<ReportSheet> LineDataSheets(const ReportData &)
{
    return {{drawLineData}};
}
