#include "ReportPages.h"

#include "DoseResponsePage.h"

#include "graphs/GraphBoxes.h"
#include "graphs/GraphText.h"
#include "graphs/LineGraphs.h"
#include "graphs/RangeChart.h"
#include "model/SprayQualityText.h"
#include "model/Units.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

using Unit = DrawingSurface::Unit;

// Page geometry, inches from the left and bottom edges of a US Letter sheet.
constexpr double kPageWidth = 8.5;
constexpr double kPageHeight = 11;
constexpr double kCentreX = 4.25;
constexpr double kBannerTop = 10.5;
constexpr double kTitleLowerEdge = 9.5625;
constexpr double kGraphLeft = 1.0;
constexpr double kGraphWidth = 6.5;
constexpr double kGraphRight = kGraphLeft + kGraphWidth;
constexpr double kPanelHeight = 1.5;
constexpr double kPanelBottoms[4] = {1.5625, 3.5625, 5.5625, 7.5625}; // density, NMD, VMD, mortality
constexpr double kTick = 0.125;
constexpr double kLabelGap = 5.0 / 32;     // from the frame edge to a tick label
constexpr double kCaptionGap = 0.04;       // between a frame and the caption sitting on it
constexpr double kSlideBoxWidth = 0.3;
constexpr double kSlideBoxDrop = 0.375;    // below the bottom panel, where the boxes hang
constexpr double kUpperGraphBottom = 5.8125;
constexpr double kLowerGraphBottom = 1.0;
constexpr double kGraphHeight = 3.25;

const QString kTenBlanks(10, QLatin1Char(' '));

const QString kMortalityNames[3] = {QStringLiteral("1 hr knockdown"), QStringLiteral("12 hr mortality"),
                                    QStringLiteral("24 hr mortality")};
const QString kRangeSeriesNames[3] = {QStringLiteral("% Size on Slide"), QStringLiteral("% Mass in Cloud"),
                                      QStringLiteral("% Size in Cloud")};
const QColor kLegendColours[3] = {GraphColours::LegendKnockdown, GraphColours::Mortality12h,
                                  GraphColours::Mortality24h};

// One page being drawn: the surface, whether it is paper, and what is printed.
struct Page
{
    DrawingSurface &s;
    bool printer;
    const ReportData &d;

    double dpi() const { return 1440.0 / s.TwipsPerPixelX(); }
    int16_t pixels(double inches) const
    {
        return static_cast<int16_t>(std::clamp(RoundHalfEven(inches * dpi()), 1.0, 1000.0));
    }
    // Hairlines of a high-resolution printer vanish on paper: frames, ticks and
    // grid lines take half a point there, one pixel in the preview.
    int16_t thin() const { return printer ? pixels(1.0 / 144) : 1; }
    int16_t data() const { return printer ? pixels(1.0 / 32) : 3; }
    int16_t heavy() const { return printer ? pixels(1.0 / 48) : 2; }

    void font(double points, bool bold = false, bool underline = false)
    {
        SetReportFont(s, printer, points);
        s.FontBold = bold;
        s.FontUnderline = underline;
    }

    void pageScale()
    {
        s.ScaleLeft = 0;
        s.ScaleTop = static_cast<float>(kPageHeight);
        s.ScaleWidth = static_cast<float>(kPageWidth);
        s.ScaleHeight = static_cast<float>(-kPageHeight);
    }

    // Text placed by its top-left corner, staying on the line.
    void textAt(const QString &text, double x, double top)
    {
        s.CurrentX = x;
        s.CurrentY = top;
        s.Print(text, true);
    }
    void centred(const QString &text, double cx, double top) { textAt(text, cx - s.TextWidth(text) / 2, top); }
    // Text heights are negative in the upward scale: top = lower edge − height.
    void centredOn(const QString &text, double cx, double lowerEdge)
    {
        centred(text, cx, lowerEdge - s.TextHeight(text));
    }
    void centredAt(const QString &text, double cx, double cy)
    {
        centred(text, cx, cy - s.TextHeight(text) / 2);
    }
    void rightAlignedAt(const QString &text, double right, double cy)
    {
        textAt(text, right - s.TextWidth(text), cy - s.TextHeight(text) / 2);
    }

    void line(double x1, double y1, double x2, double y2, const QColor &colour = Qt::black)
    {
        s.Line(x1, y1, x2, y2, colour);
    }
};

void head(Page &p)
{
    DrawingSurface &s = p.s;
    p.pageScale();
    s.ForeColor = Qt::black;
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.DrawStyle = DrawingSurface::Style::Solid;
    s.DrawWidth = p.thin();
    p.font(18, true);
    p.centred(QStringLiteral("Tarvell Nimbrel"), kCentreX, kBannerTop);
}

void pageTitle(Page &p, const QString &title, double lowerEdge)
{
    p.font(16, true, true);
    p.centredOn(title, kCentreX, lowerEdge);
    p.s.FontUnderline = false;
    p.s.FontBold = false;
}

// A message standing in for a graph that has no scale to be drawn on.
void noScaleNote(Page &p, const QString &text, double cx, double cy)
{
    p.font(14, true);
    p.s.ForeColor = Qt::darkGray;
    p.centredAt(text, cx, cy);
    p.s.ForeColor = Qt::black;
    p.s.FontBold = false;
}

// Three names on one line, ten blanks apart, centred on the page, each in its
// colour, the line's lower edge at `lowerEdge`.
void legend(Page &p, const QString (&names)[3], double lowerEdge)
{
    DrawingSurface &s = p.s;
    p.font(10);
    s.FontName = QStringLiteral("MS Sans Serif");
    const QString whole = names[0] + kTenBlanks + names[1] + kTenBlanks + names[2];
    s.CurrentX = kCentreX - s.TextWidth(whole) / 2;
    s.CurrentY = lowerEdge - s.TextHeight(whole);
    for (int i = 0; i < 3; ++i) {
        s.ForeColor = kLegendColours[i];
        s.Print(names[i], true);
        if (i < 2)
            s.Print(kTenBlanks, true);
    }
    s.ForeColor = Qt::black;
}

// A vertical axis from 0 to `axisMax` on the frame edge `edgeX`: ticks pointing
// out of the frame and labels 5/32 in beyond it, centred on their ticks.
void verticalAxis(Page &p, double base, double height, double axisMax, double step, double edgeX, bool left,
                  double labelScale, const char *pattern)
{
    DrawingSurface &s = p.s;
    p.font(10);
    for (double v : TickValues(axisMax, step)) {
        const double y = base + height * v / axisMax;
        const QString label = p.d.Format.Format(v * labelScale, pattern);
        if (left) {
            p.line(edgeX, y, edgeX - kTick, y);
            p.rightAlignedAt(label, edgeX - kLabelGap, y);
        } else {
            p.line(edgeX, y, edgeX + kTick, y);
            p.textAt(label, edgeX + kLabelGap, y - s.TextHeight(label) / 2);
        }
    }
}

// "Drop Density " in 14 points and "(#/cm²)" in 8, their lower edges on the panel.
void panelTitle(Page &p, const QString &name, const QString &unit, double panelTop)
{
    DrawingSurface &s = p.s;
    const double lower = panelTop + kCaptionGap;
    p.font(14);
    p.textAt(name, kGraphLeft, lower - s.TextHeight(name));
    const double x = s.CurrentX;
    p.font(8);
    p.textAt(unit, x, lower - s.TextHeight(unit));
}

// One polyline of a series, joined from one visited slide to the next; a series
// of a single slide gets a dot, so a one-slide line is not left blank.
struct Series
{
    std::optional<QPointF> previous;
    int points = 0;

    void to(Page &p, double x, double y, const QColor &colour)
    {
        if (previous)
            p.line(previous->x(), previous->y(), x, y, colour);
        previous = QPointF(x, y);
        ++points;
    }
    void finish(Page &p, const QColor &colour) const
    {
        if (points != 1)
            return;
        DrawingSurface &s = p.s;
        const int16_t width = s.DrawWidth;
        s.DrawWidth = 1;
        s.FillStyle = DrawingSurface::Fill::Solid;
        s.FillColor = s.ForeColor = colour;
        s.Circle(previous->x(), previous->y(), s.ScaleX(width, Unit::Pixels, Unit::User));
        s.FillStyle = DrawingSurface::Fill::Transparent;
        s.ForeColor = Qt::black;
        s.DrawWidth = width;
    }
};

// --- page 1: analysis parameters and results ------------------------------------

struct ParameterRow
{
    QString Label;
    QString Value;
    QString Unit;
};

void section(Page &p, const QString &heading, const QString &widestLabel, const std::vector<ParameterRow> &rows,
             int emptyLinesAfter)
{
    DrawingSurface &s = p.s;
    p.font(14);
    s.CurrentX = -0.25;
    s.FontUnderline = true;
    s.Print(heading, true);
    s.FontUnderline = false;
    s.Print(QStringLiteral(":"));
    p.font(12);
    const double column = s.TextWidth(widestLabel) + 0.125;
    for (const ParameterRow &row : rows) {
        s.CurrentX = 0;
        if (row.Value.trimmed().isEmpty()) {
            s.Print(row.Label);
            continue;
        }
        s.Print(row.Label, true);
        s.CurrentX = column;
        s.Print(row.Value + row.Unit);
    }
    for (int i = 0; i < emptyLinesAfter; ++i)
        s.Print(QString());
}

void drawParametersPage(Page &p)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    const ParameterTexts &t = set.Texts;
    const NumberFormat &fmt = p.d.Format;
    const bool metric = set.Params.Metric;
    auto unit = [metric](const char *m, const char *us) { return QString::fromUtf8(metric ? m : us); };

    head(p);
    p.font(16, true, true);
    const QString title = QStringLiteral("Analysis Parameters");
    s.CurrentX = kCentreX - s.TextWidth(title) / 2;
    s.CurrentY = kTitleLowerEdge - s.TextHeight(title);
    s.Print(title);
    s.FontUnderline = false;
    s.FontBold = false;
    s.Print(QString());

    // Labels start 2.5 in from the left edge; headings stand out by a quarter inch.
    s.ScaleLeft = -2.5f;

    section(p, QStringLiteral("Sprayer Info"), QStringLiteral("Release Height:"),
            {{QStringLiteral("Agency:"), t.Agency, {}},
             {QStringLiteral("Sprayer:"), t.Sprayer, {}},
             {QStringLiteral("Release Height:"), t.ReleaseHeight, unit(" m", " ft")},
             {QStringLiteral("Date:"), t.Date, {}},
             {QStringLiteral("Time:"), t.Time, {}}},
            2);
    section(p, QStringLiteral("Optics Info"), QStringLiteral("# EPD on reticule:"),
            {{QStringLiteral("Scan Length:"), ScanLengthText(set.Params, fmt), unit(" cm", " inches")},
             {QStringLiteral("# EPD on reticule:"), fmt.Format(set.Params.MaxSizeEPD, "0"), {}},
             {Microns() + QStringLiteral("/EPD:"), fmt.General(set.Params.MicronsPerEPD), {}},
             {QStringLiteral("Spread Factor:"), fmt.General(set.Params.SpreadFactor), {}}},
            2);
    section(p, QStringLiteral("Meteorology Info"), QStringLiteral("Relative Humidity:"),
            {{QStringLiteral("Height:"), t.MetHeight, unit(" m", " ft")},
             {QStringLiteral("Air Temp:"), t.AirTemp, unit(" °C", " °F")},
             {QStringLiteral("Wind Speed:"), t.WindSpeed, unit(" km/h", " mph")},
             {QStringLiteral("Wind Direction:"), t.WindDirection, QStringLiteral(" °     (rel. to AC heading)")},
             {QStringLiteral("Relative Humidity:"), t.RelHumidity, QStringLiteral(" %")}},
            2);
    section(p, QStringLiteral("Product Info"), QStringLiteral("Spray Rate:"),
            {{QStringLiteral("Product:"), t.Product, {}},
             {QStringLiteral("Spray Rate:"), t.SprayRate, unit(" L/ha", " oz/ac")}},
            4);

    p.font(16, true, true);
    const QString results = QStringLiteral("Analysis Results");
    s.CurrentX = kCentreX + s.ScaleLeft - s.TextWidth(results) / 2;
    s.Print(results);
    s.FontUnderline = false;
    s.FontBold = false;
    s.Print(QString());

    const CompositeResults &c = p.d.Composite;
    const QString widest = QStringLiteral("Ave. Drop Density:");
    section(p, QStringLiteral("Cloud"), widest,
            {{QStringLiteral("Composite VMD:"), fmt.Format(c.CompVMD, "0.0"), MicronsCaption()},
             {QStringLiteral("Composite NMD:"), fmt.Format(c.CompNMD, "0.0"), MicronsCaption()}},
            1);
    section(p, QStringLiteral("Slide"), widest,
            {{widest, fmt.Format(c.AveDropDensity, "0.0"), QStringLiteral(" drops/cm") + kSquared}}, 0);
}

// --- page 2: line data -------------------------------------------------------------

// Where a slide position lies across the graph, and the upper edge of a panel.
double positionX(const LineRange &lr, double position)
{
    return kGraphLeft + (position - lr.XMin) * kGraphWidth / lr.Range;
}

double panelUpperEdge(int panel) { return kPanelBottoms[panel] + kPanelHeight; }

bool hasCage(const Slide &slide) { return slide.Cage.NumInCage > 0; }

// Behind everything: a light line through the panels at every slide (the
// mortality panel only where the slide has a cage), the spray line and the frames.
void lineDataBackground(Page &p, const LineRange &lr, bool control)
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
        s.Box(kGraphLeft, bottom, kGraphRight, bottom + kPanelHeight);
}

// Value axes, each margin holding the labels of two panels, and the position
// axis under the density panel.
void lineDataAxes(Page &p, const LineRange &lr, bool control)
{
    if (control)
        verticalAxis(p, kPanelBottoms[3], kPanelHeight, 100, 20, kGraphRight, false, 0.01, "0%");
    const struct
    {
        int panel;
        float axisMax;
        bool left;
    } axes[3] = {{2, lr.VMDAxisMax, true}, {1, lr.NMDAxisMax, false}, {0, lr.DensityAxisMax, true}};
    for (const auto &a : axes) {
        if (a.axisMax > 0) {
            const double step = NiceTickStep(a.axisMax);
            verticalAxis(p, kPanelBottoms[a.panel], kPanelHeight, a.axisMax, step, a.left ? kGraphLeft : kGraphRight,
                         a.left, 1, TickPattern(step));
        }
    }

    p.font(10);
    const double step = NiceTickStep(static_cast<float>(lr.Range));
    const char *pattern = IsWholeStep(step) ? "0" : "0.0";
    // Round positions (multiples of the step, the spray line among them)
    // rather than steps counted from the outermost slide.
    const double first = std::ceil(lr.XMin / step - 1e-9) * step;
    for (double v : TickValues(first, lr.XMax, step)) {
        p.line(positionX(lr, v), kPanelBottoms[0], positionX(lr, v), kPanelBottoms[0] - kTick);
        p.centred(p.d.Format.Format(v, pattern), positionX(lr, v), kPanelBottoms[0] - kLabelGap);
    }
}

// The line's composite figures, dotted across their panels.
void lineDataReferences(Page &p, const LineRange &lr)
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
    } references[3] = {{2, lr.VMDAxisMax, comp.CompVMD}, {1, lr.NMDAxisMax, comp.CompNMD},
                       {0, lr.DensityAxisMax, comp.AveDropDensity}};
    for (const auto &r : references) {
        if (r.axisMax > 0) {
            const double y = kPanelBottoms[r.panel] + kPanelHeight * r.value / r.axisMax;
            p.line(kGraphLeft, y, kGraphRight, y, GraphColours::Reference);
        }
    }
    s.DrawStyle = DrawingSurface::Style::Solid;
}

// Data lines, slide by slide in position order; slides without drops are
// skipped, and mortality needs both the control cage and the slide's cage.
void lineDataSeries(Page &p, const LineRange &lr, bool control)
{
    const SlideSet &set = p.d.Set;
    p.s.DrawWidth = p.data();
    const QColor mortalityColours[3] = {GraphColours::Knockdown1h, GraphColours::Mortality12h,
                                        GraphColours::Mortality24h};
    Series vmd, nmd, density, mortality[3];
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &slide = set.Slides[i];
        if (slide.TotalDrops <= 0)
            continue;
        const double x = positionX(lr, slide.Position);
        if (control && hasCage(slide)) {
            const float fractions[3] = {slide.Knockdown1h.value_or(0), slide.Mortality12h.value_or(0),
                                        slide.Mortality24h.value_or(0)};
            for (int m = 0; m < 3; ++m)
                mortality[m].to(p, x, kPanelBottoms[3] + kPanelHeight * fractions[m], mortalityColours[m]);
        }
        if (lr.VMDAxisMax > 0)
            vmd.to(p, x, kPanelBottoms[2] + kPanelHeight * slide.VMD / lr.VMDAxisMax, Qt::black);
        if (lr.NMDAxisMax > 0)
            nmd.to(p, x, kPanelBottoms[1] + kPanelHeight * slide.NMD / lr.NMDAxisMax, Qt::black);
        if (lr.DensityAxisMax > 0)
            density.to(p, x, kPanelBottoms[0] + kPanelHeight * slide.DropDensity / lr.DensityAxisMax, Qt::black);
    }
    vmd.finish(p, Qt::black);
    nmd.finish(p, Qt::black);
    density.finish(p, Qt::black);
    for (int m = 0; m < 3; ++m)
        mortality[m].finish(p, mortalityColours[m]);
}

// A box per slide under the panels, as the cards under the screen graph; a
// crowded line narrows them so that neighbours stay apart.
void slideBoxes(Page &p, const LineRange &lr)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    s.DrawWidth = p.thin();
    const double boxWidth = std::clamp(kGraphWidth / set.SlideCount() - 0.03, 0.02, kSlideBoxWidth);
    const double boxHeight = boxWidth * 1.25;
    const double boxTop = kPanelBottoms[0] - kSlideBoxDrop;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const double x = positionX(lr, set.Slides[i].Position);
        s.Box(x - boxWidth / 2, boxTop, x + boxWidth / 2, boxTop - boxHeight);
    }
    p.font(14);
    p.centred(set.Params.Metric ? QStringLiteral("Slide Position (m)") : QStringLiteral("Slide Position (ft)"),
              kCentreX, boxTop - boxHeight - kCaptionGap);
}

void drawLineDataPage(Page &p)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    const bool control = set.ControlData.NumInCage > 0;

    head(p);
    pageTitle(p, QStringLiteral("Line Data"), kTitleLowerEdge);

    const LineRange lr = ComputeLineRange(set);
    const double middle = (kPanelBottoms[0] + kPanelBottoms[3] + kPanelHeight) / 2;
    if (set.SlideCount() < 1) {
        noScaleNote(p, QStringLiteral("The set has no slides: no line graph can be drawn"), kCentreX, middle);
        return;
    }
    if (!(lr.Range > 0) || !std::isfinite(lr.Range)) {
        noScaleNote(p, QStringLiteral("All slides are at position 0: no line graph can be drawn"), kCentreX, middle);
        return;
    }
    lineDataBackground(p, lr, control);
    lineDataAxes(p, lr, control);

    const QString perCm2 = QStringLiteral("(#/cm") + kSquared + QStringLiteral(")");
    const QString microns = QStringLiteral("(") + Microns() + QStringLiteral(")");
    panelTitle(p, QStringLiteral("Drop Density "), perCm2, panelUpperEdge(0));
    panelTitle(p, QStringLiteral("NMD "), microns, panelUpperEdge(1));
    panelTitle(p, QStringLiteral("VMD "), microns, panelUpperEdge(2));
    panelTitle(p, QStringLiteral("Mortality "), QStringLiteral("(%)"), panelUpperEdge(3));
    legend(p, kMortalityNames, panelUpperEdge(3) + kCaptionGap);

    lineDataReferences(p, lr);
    lineDataSeries(p, lr, control);
    if (!control) {
        p.font(14, true);
        s.ForeColor = GraphColours::NoControlMessage;
        p.centredAt(QStringLiteral("No mortality control data entered"), kCentreX,
                    kPanelBottoms[3] + kPanelHeight / 2);
        s.ForeColor = Qt::black;
        s.FontBold = false;
    }
    slideBoxes(p, lr);
}

// --- page 3: mortality against density, size ranges --------------------------------

// Percentage axis of a 3.25 in graph: 0 % to 100 % by 20 %, with light grid lines.
void percentAxis(Page &p, double bottom)
{
    p.font(10);
    for (int k = 0; k <= 5; ++k) {
        const double y = bottom + kGraphHeight * k / 5.0;
        if (k > 0 && k < 5)
            p.line(kGraphLeft, y, kGraphRight, y, GraphColours::Grid);
        p.line(kGraphLeft, y, kGraphLeft - kTick, y);
        p.rightAlignedAt(p.d.Format.Format(k / 5.0, "0%"), kGraphLeft - kLabelGap, y);
    }
}

// An axis title turned to read upward, centred on the graph's height.
void leftAxisTitle(Page &p, const QString &title, double bottom)
{
    DrawingSurface &s = p.s;
    p.font(12, true);
    const double x = kGraphLeft - 0.75;
    RotatedText(s, title, 90, x, bottom + kGraphHeight / 2 + s.TextWidth(title) / 2);
    s.FontBold = false;
}

void drawMortalityAndRangesPage(Page &p)
{
    DrawingSurface &s = p.s;
    const SlideSet &set = p.d.Set;
    const bool control = set.ControlData.NumInCage > 0;
    const double upperTop = kUpperGraphBottom + kGraphHeight;
    const double lowerTop = kLowerGraphBottom + kGraphHeight;

    head(p);

    // Mortality against drop density.
    pageTitle(p, QStringLiteral("Mortality vs. Drop Density"), upperTop + 0.5);
    percentAxis(p, kUpperGraphBottom);
    const float densityMax = ComputeLineRange(set).DensityAxisMax;
    if (densityMax > 0) {
        p.font(10);
        const double step = NiceTickStep(densityMax);
        double labelsBottom = kUpperGraphBottom;
        for (double v : TickValues(densityMax, step)) {
            const double x = kGraphLeft + kGraphWidth * v / densityMax;
            p.line(x, kUpperGraphBottom, x, kUpperGraphBottom - kTick);
            const QString label = p.d.Format.Format(v, TickPattern(step));
            p.centred(label, x, kUpperGraphBottom - kLabelGap);
            labelsBottom = kUpperGraphBottom - kLabelGap + s.TextHeight(label);
        }
        p.font(12, true);
        p.centred(QStringLiteral("Drop Density (drops/cm") + kSquared + QStringLiteral(")"),
                  kGraphLeft + kGraphWidth / 2, labelsBottom - kCaptionGap);
        s.FontBold = false;
    } else {
        noScaleNote(p, QStringLiteral("No drops counted: there is no drop density to plot against"),
                    kGraphLeft + kGraphWidth / 2, kUpperGraphBottom + kGraphHeight / 2);
    }
    leftAxisTitle(p, QStringLiteral("Mortality"), kUpperGraphBottom);
    legend(p, kMortalityNames, upperTop + kCaptionGap);
    if (control && densityMax > 0) {
        const double radius = p.printer ? 0.04 : 0.06;
        const QColor fills[3] = {GraphColours::Knockdown1h, GraphColours::Mortality12h, GraphColours::Mortality24h};
        s.DrawWidth = p.thin();
        s.FillStyle = DrawingSurface::Fill::Solid;
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &slide = set.Slides[i];
            if (slide.Cage.NumInCage <= 0)
                continue;
            const double x = kGraphLeft + kGraphWidth * slide.DropDensity / densityMax;
            const float fractions[3] = {slide.Knockdown1h.value_or(0), slide.Mortality12h.value_or(0),
                                        slide.Mortality24h.value_or(0)};
            for (int m = 0; m < 3; ++m) {
                s.FillColor = fills[m];
                s.Circle(x, kUpperGraphBottom + kGraphHeight * fractions[m], radius);
            }
        }
        s.FillStyle = DrawingSurface::Fill::Transparent;
    }
    s.DrawWidth = p.thin();
    s.Box(kGraphLeft, kUpperGraphBottom, kGraphRight, upperTop);

    // Size ranges: three bars per range, groups 1.3 in wide.
    pageTitle(p, QStringLiteral("Range Stats"), lowerTop + 0.5);
    percentAxis(p, kLowerGraphBottom);
    leftAxisTitle(p, QStringLiteral("Percentage"), kLowerGraphBottom);
    RangeStatistics stats;
    ComputeCompositeRangeStats(stats, set, p.d.Composite);
    const double group = kGraphWidth / kRangeCount;
    const double bar = kGraphWidth / (3 * kRangeCount);
    const QColor fills[3] = {GraphColours::Knockdown1h, GraphColours::Mortality12h, GraphColours::Mortality24h};
    p.font(10);
    p.line(kGraphLeft, kLowerGraphBottom, kGraphLeft, kLowerGraphBottom - kTick);
    for (int r = 0; r < kRangeCount; ++r) {
        const double left = kGraphLeft + group * r;
        p.line(left + group, kLowerGraphBottom, left + group, kLowerGraphBottom - kTick);
        p.centred(RangeLabel(r), left + group / 2, kLowerGraphBottom - kLabelGap);
        const float heights[3] = {stats.SizeOnSlide[r], stats.MassInCloud[r], stats.SizeInCloud[r]};
        s.FillStyle = DrawingSurface::Fill::Solid;
        for (int b = 0; b < 3; ++b) {
            s.FillColor = fills[b];
            const double h = std::clamp<double>(std::isfinite(heights[b]) ? heights[b] : 0, 0, 1);
            s.Box(left + bar * b, kLowerGraphBottom, left + bar * (b + 1), kLowerGraphBottom + kGraphHeight * h);
        }
        s.FillStyle = DrawingSurface::Fill::Transparent;
    }
    legend(p, kRangeSeriesNames, lowerTop + kCaptionGap);
    s.DrawWidth = p.heavy();
    s.Box(kGraphLeft, kLowerGraphBottom, kGraphRight, lowerTop);
    s.DrawWidth = p.thin();
}

// --- page 4: spray quality ---------------------------------------------------------

constexpr double kTableLeft = 0.75;
constexpr double kTableRight = 7.75;
constexpr double kTableTop = 9.1;
constexpr double kTableBottom = 1.0;     // the lowest line the table and its notes may reach
constexpr double kCellGap = 0.1;         // least blank between two columns
constexpr double kTablePoints[] = {9, 8, 7, 6};
constexpr double kLeading = 1.15;        // line spacing over the font's height

// Column widths of the table at the current font, headings included.
std::vector<double> columnWidths(Page &p, const SprayQualityTexts &t)
{
    std::vector<double> widths;
    for (size_t c = 0; c < t.Columns.size(); ++c) {
        p.s.FontBold = true;
        double w = std::max(p.s.TextWidth(t.Columns[c].Name), p.s.TextWidth(t.Columns[c].Unit));
        for (const QStringList &row : t.Rows)
            w = std::max(w, p.s.TextWidth(row[int(c)]));
        p.s.FontBold = false;
        widths.push_back(w);
    }
    return widths;
}

// The largest type size at which the widest row fits across and every row (two
// heading lines, the rows, three lines of notes) fits down the page; at the
// smallest, the rows that do not fit are left out and counted instead.
double tablePoints(Page &p, const SprayQualityTexts &t)
{
    const int rows = int(t.Rows.size());
    for (double candidate : kTablePoints) {
        p.font(candidate);
        const std::vector<double> w = columnWidths(p, t);
        double across = 0;
        for (double x : w)
            across += x;
        across += kCellGap * double(w.size() - 1);
        const double lineHeight = -p.s.TextHeight(QStringLiteral("0")) * kLeading;
        if (across <= kTableRight - kTableLeft && lineHeight * (rows + 2 + 8) <= kTableTop - kTableBottom)
            return candidate;
    }
    return kTablePoints[std::size(kTablePoints) - 1];
}

// Left edges of the columns, the spare width spread over the gaps so that the
// table spans the text width.
std::vector<double> columnLefts(const std::vector<double> &widths)
{
    double used = 0;
    for (double x : widths)
        used += x;
    const double gap = std::max(kCellGap, (kTableRight - kTableLeft - used) / double(widths.size() - 1));
    std::vector<double> lefts;
    double x = kTableLeft;
    for (double w : widths) {
        lefts.push_back(x);
        x += w + gap;
    }
    return lefts;
}

void drawSprayQualityPage(Page &p)
{
    DrawingSurface &s = p.s;
    head(p);
    pageTitle(p, QStringLiteral("Spray Quality"), kTitleLowerEdge);

    const SprayQualityTexts t = FormatSprayQuality(p.d.Quality(), p.d.Limits, p.d.Set.Params.Metric, p.d.Format);
    const int rows = int(t.Rows.size());

    p.font(tablePoints(p, t));
    const std::vector<double> widths = columnWidths(p, t);
    const double line = -s.TextHeight(QStringLiteral("0")) * kLeading;
    const int fitting = std::max(1, int((kTableTop - kTableBottom) / line) - 2 - 8);
    const int slidesShown = std::min(rows - 1, fitting - 1);

    const std::vector<double> lefts = columnLefts(widths);
    const double right = lefts.back() + widths.back();
    // Figures stand on their right edges; the composite's name reads from the left.
    auto cell = [&](const QString &text, size_t c, double top, bool fromLeft = false) {
        const double at = fromLeft ? lefts[c] : lefts[c] + widths[c] - s.TextWidth(text);
        p.textAt(text, at, top);
    };

    s.DrawWidth = p.heavy();
    double y = kTableTop;
    p.line(kTableLeft, y, right, y);
    y -= line * 0.25;
    s.FontBold = true;
    for (size_t c = 0; c < t.Columns.size(); ++c) {
        cell(t.Columns[c].Name, c, y);
        cell(t.Columns[c].Unit, c, y - line);
    }
    s.FontBold = false;
    y -= line * 2.25;
    s.DrawWidth = p.thin();
    p.line(kTableLeft, y, right, y);
    y -= line * 0.25;
    for (int r = 0; r < slidesShown; ++r, y -= line)
        for (size_t c = 0; c < t.Columns.size(); ++c)
            cell(t.Rows[size_t(r)][int(c)], c, y);
    if (slidesShown < rows - 1) {
        p.textAt(QStringLiteral("\u2026 and %1 more slides (the whole table: Copy Table on the Spray Quality tab)")
                     .arg(rows - 1 - slidesShown),
                 kTableLeft, y);
        y -= line;
    }
    y -= line * 0.25;
    p.line(kTableLeft, y, right, y);
    y -= line * 0.25;
    s.FontBold = true;
    for (size_t c = 0; c < t.Columns.size(); ++c)
        cell(t.Rows.back()[int(c)], c, y, c == 0);
    s.FontBold = false;
    y -= line * 1.25;
    s.DrawWidth = p.heavy();
    p.line(kTableLeft, y, right, y);
    s.DrawWidth = p.thin();

    y -= line * 0.5;
    for (const QString &note : t.Note) {
        p.textAt(note, kTableLeft, y);
        y -= line;
    }
    p.font(11);
    const double big = -s.TextHeight(QStringLiteral("0"));
    y -= big;
    p.textAt(t.Limits, kTableLeft, y);
    y -= big;
    s.FontBold = true;
    p.textAt(t.Verdict, kTableLeft, y);
    s.FontBold = false;
}

// The pages in print order; a new page is one more entry here.
using PageDrawer = void (*)(Page &);
constexpr PageDrawer kPages[] = {drawParametersPage, drawLineDataPage, drawMortalityAndRangesPage,
                                  drawSprayQualityPage, [](Page &p) {
                                      head(p);
                                      pageTitle(p, QStringLiteral("Dose Response"), kTitleLowerEdge);
                                      DrawDoseResponsePage(p.s, p.printer, p.d);
                                  }};
static_assert(std::size(kPages) == kReportPageCount);

} // namespace

QString PrintingPageCaption(int page)
{
    return QStringLiteral("Nimbrel - Printing Page %1...").arg(page);
}

QString PrintErrorMessage(const QString &description)
{
    return QStringLiteral("There was an error printing:\n\n") + description;
}

ReportData::ReportData(const SlideSet &set, const NumberFormat &format, const LabelLimits &limits)
    : Set(set), Format(format), Limits(limits)
{
    CalcComposite(set, Composite);
}

const SprayQualityTable &ReportData::Quality() const
{
    if (!m_quality)
        m_quality = ComputeSprayQuality(Set, Limits);
    return *m_quality;
}

const DoseResponseFit &ReportData::DoseResponse() const
{
    if (!m_dose)
        m_dose = FitDoseResponse(Set, DoseOptions);
    return *m_dose;
}

double ReportFontSize(const DrawingSurface &dest, bool destIsPrinter, double points)
{
    if (destIsPrinter)
        return points;
    // Points to inches at 72 to the inch, as a fraction of the page's width,
    // across the preview's width, back to points on the preview.
    const double inches = points / 72.0;
    const double userWidth = inches / kPageWidth * dest.ScaleWidth;
    return dest.ScaleX(userWidth, Unit::User, Unit::Twips) / 20.0;
}

void SetReportFont(DrawingSurface &dest, bool destIsPrinter, double points)
{
    const double size = ReportFontSize(dest, destIsPrinter, points);
    dest.FontName = size < 7 ? QStringLiteral("Small Fonts") : QStringLiteral("Arial");
    dest.FontSize = size;
}

bool PrintSub(DrawingSurface &dest, bool destIsPrinter, uint8_t pageNum, const ReportData &data, ReportHost &host)
{
    auto fail = [&](const QString &description) {
        dest.End();
        host.SetCaption(kPreviewCaption);
        host.ShowPrintError(PrintErrorMessage(description));
        return false;
    };
    if (!dest.IsActive())
        return fail(destIsPrinter ? QStringLiteral("The printer did not accept the print job.")
                                  : QStringLiteral("The preview picture cannot be drawn on."));

    Page page{dest, destIsPrinter, data};
    bool drawn = false;
    for (int n = 1; n <= kReportPageCount; ++n) {
        if (pageNum != 0 && pageNum != n)
            continue;
        if (destIsPrinter) {
            if (drawn && !dest.NewPage())
                return fail(QStringLiteral("The printer did not accept page %1.").arg(n));
            host.SetCaption(PrintingPageCaption(n));
        }
        kPages[n - 1](page);
        drawn = true;
    }
    if (destIsPrinter && dest.IsActive() && !dest.Painter().end())
        return fail(QStringLiteral("The print job could not be finished."));
    host.SetCaption(kPreviewCaption);
    return true;
}
