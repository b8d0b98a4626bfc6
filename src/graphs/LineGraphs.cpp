#include "LineGraphs.h"

#include "GraphBoxes.h"
#include "GraphText.h"

#include "model/NumberText.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

using Unit = DrawingSurface::Unit;

constexpr int kTickPixels = 5;
constexpr int kLabelGapPixels = 7;
constexpr int kTitleInsetPixels = 10;
constexpr int kCardGapPixels = 25;
constexpr int kLargestCard = 20;

// Device pixels of a computed length or position; a non-finite value (a line
// with an infinite position) lands at 0 instead of overflowing an int.
int roundPixels(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(RoundHalfEven(std::clamp(v, -1.0e6, 1.0e6)));
}

bool hasControlData(const SlideSet &set)
{
    return set.ControlData.NumInCage >= 1;
}

bool hasCageData(const Slide &slide)
{
    return slide.Cage.NumInCage > 0;
}

void frameAndDividers(DrawingSurface &s, double xmin, double xmax)
{
    s.ForeColor = Qt::black;
    s.Box(xmin, 0, xmax, 4);
    for (int y = 1; y <= 3; ++y)
        s.Line(xmin, y, xmax, y);
}

// Tick labels of one panel from 0 to its axis maximum, on the left or the right
// edge of the frame.
void panelAxis(DrawingSurface &s, const NumberFormat &fmt, double base, double axisMax, double step, double edgeX,
               bool left)
{
    const double tick = s.ScaleX(kTickPixels, Unit::Pixels, Unit::User);
    const double gap = s.ScaleX(kLabelGapPixels, Unit::Pixels, Unit::User);
    const char *pattern = TickPattern(step);
    for (double v : TickValues(axisMax, step)) {
        const double y = base + v / axisMax;
        const QString label = fmt.Format(v, pattern);
        if (left) {
            s.Line(edgeX, y, edgeX - tick, y);
            s.CurrentX = edgeX - gap - s.TextWidth(label);
        } else {
            s.Line(edgeX, y, edgeX + tick, y);
            s.CurrentX = edgeX + gap;
        }
        s.CurrentY = y - s.TextHeight(label) / 2;
        s.Print(label);
    }
}

// Panel titles read upward on the left and downward on the right, their top
// edge 10 pixels inside the box.
void leftTitle(DrawingSurface &s, const QString &text, double centreY)
{
    const double halfWidthPx = s.ScaleX(s.TextWidth(text), Unit::User, Unit::Pixels) / 2;
    RotatedText(s, text, 90, s.ScaleLeft + s.ScaleX(kTitleInsetPixels, Unit::Pixels, Unit::User),
                centreY + s.ScaleY(halfWidthPx, Unit::Pixels, Unit::User));
}

} // namespace

void LeftAxisTitle(DrawingSurface &s, const QString &text, double centreY, double labelsLeft)
{
    const double halfWidthPx = s.ScaleX(s.TextWidth(text), Unit::User, Unit::Pixels) / 2;
    // Turned text stands to the right of its anchor by its own height.
    const double heightPx = std::abs(s.ScaleY(s.TextHeight(text), Unit::User, Unit::Pixels));
    const double leftPx = std::max(0.0, std::min<double>(kTitleInsetPixels, s.PixelX(labelsLeft) - heightPx - 2));
    RotatedText(s, text, 90, s.UserX(leftPx), centreY + s.ScaleY(halfWidthPx, Unit::Pixels, Unit::User));
}

std::optional<std::pair<double, double>> LeftAxisTitleCrossing(DrawingSurface &s, const QString &text,
                                                               double centreY, double labelsLeft)
{
    const QString name = s.FontName;
    const double size = s.FontSize;
    const bool bold = s.FontBold, underline = s.FontUnderline;
    s.FontName = QStringLiteral("Arial");
    s.FontSize = 12;
    s.FontBold = true;
    s.FontUnderline = false;
    const double heightPx = std::abs(s.ScaleY(s.TextHeight(text), Unit::User, Unit::Pixels));
    const double halfLength = std::abs(s.ScaleY(s.ScaleX(s.TextWidth(text), Unit::User, Unit::Pixels) / 2,
                                                Unit::Pixels, Unit::User));
    s.FontName = name;
    s.FontSize = size;
    s.FontBold = bold;
    s.FontUnderline = underline;
    // Placed as LeftAxisTitle places it: crossing only when even against the
    // box's edge it reaches into the labels.
    const double labelsPx = s.PixelX(labelsLeft);
    const double leftPx = std::max(0.0, std::min<double>(kTitleInsetPixels, labelsPx - heightPx - 2));
    if (leftPx + heightPx <= labelsPx)
        return std::nullopt;
    return std::make_pair(centreY - halfLength, centreY + halfLength);
}

namespace {

void rightTitle(DrawingSurface &s, const QString &text, double centreY)
{
    const double halfWidthPx = s.ScaleX(s.TextWidth(text), Unit::User, Unit::Pixels) / 2;
    RotatedText(s, text, 270,
                s.ScaleLeft + s.ScaleWidth - s.ScaleX(kTitleInsetPixels, Unit::Pixels, Unit::User),
                centreY - s.ScaleY(halfWidthPx, Unit::Pixels, Unit::User));
}

void setTitleFont(DrawingSurface &s)
{
    s.FontName = QStringLiteral("Arial");
    s.FontSize = 12;
    s.FontBold = true;
    s.FontUnderline = false;
}

const QString kMortalityLegend[3] = {QStringLiteral("1 hr knockdown"), QStringLiteral("12 hr mortality"),
                                     QStringLiteral("24 hr mortality")};

// One polyline of a series, joined from one visited point to the next. A
// series with a look (mortality) is drawn in its dash pattern and marks each
// point with its marker, on top of every line.
struct Series
{
    std::optional<QPointF> previous;
    int points = 0;
    QColor colour;
    const SeriesLook *look = nullptr;
    std::vector<QPointF> visited;
    void to(DrawingSurface &s, double x, double y, const QColor &c)
    {
        if (previous) {
            const auto style = s.DrawStyle;
            if (look)
                s.DrawStyle = look->Dash;
            s.Line(previous->x(), previous->y(), x, y, c);
            s.DrawStyle = style;
        }
        previous = QPointF(x, y);
        visited.push_back(*previous);
        colour = c;
        ++points;
    }
    void markers(DrawingSurface &s) const
    {
        if (!look)
            return;
        for (const QPointF &point : visited)
            DrawMarker(s, look->Marker, point.x(), point.y(), kScreenMarkerPixels, look->Colour);
    }
    // A series of a single slide has no line to show it: it gets a dot the
    // width of a data line instead, so a line of one slide is not blank.
    void finish(DrawingSurface &s) const
    {
        if (points != 1 || look)
            return;
        const auto fill = s.FillStyle;
        const QColor fore = s.ForeColor, fillColour = s.FillColor;
        const int16_t width = s.DrawWidth;
        s.FillStyle = DrawingSurface::Fill::Solid;
        s.FillColor = s.ForeColor = colour;
        s.DrawWidth = 1;
        s.Circle(previous->x(), previous->y(), s.ScaleX(3, DrawingSurface::Unit::Pixels, DrawingSurface::Unit::User));
        s.FillStyle = fill;
        s.FillColor = fillColour;
        s.ForeColor = fore;
        s.DrawWidth = width;
    }
};

} // namespace

double NiceTickStep(float maximum)
{
    const double m = maximum;
    if (m == 0 || !std::isfinite(m) || m < 0)
        return 0.2;
    const double e = std::floor(std::log(m) / std::log(10.0));
    const double p = std::pow(10.0, e);
    const double r = m / p;
    if (r < 1.5)
        return 0.25 * p;
    if (r < 3)
        return 0.5 * p;
    if (r < 6)
        return p;
    return 2 * p;
}

LineRange ComputeLineRange(const SlideSet &set)
{
    LineRange r;
    const int n = set.SlideCount();
    if (n < 1)
        return r;
    const Slide &first = set.Slides[1];
    double xmin = first.Position, xmax = first.Position;
    float vmd = first.VMD, nmd = first.NMD, density = first.DropDensity;
    for (int i = 2; i <= n; ++i) {
        const Slide &s = set.Slides[i];
        xmin = std::min<double>(xmin, s.Position);
        xmax = std::max<double>(xmax, s.Position);
        vmd = std::max(vmd, s.VMD);
        nmd = std::max(nmd, s.NMD);
        density = std::max(density, s.DropDensity);
    }
    if (xmin > 0)
        xmin = 0;
    if (xmax < 0)
        xmax = 0;
    r.XMin = xmin;
    r.XMax = xmax;
    r.Range = xmax - xmin;
    r.VMDAxisMax = static_cast<float>(1.1 * double(vmd));
    r.NMDAxisMax = static_cast<float>(1.1 * double(nmd));
    r.DensityAxisMax = static_cast<float>(1.1 * double(density));
    return r;
}

void BeginCompositeGraph(DrawingSurface &s, double left, double width, double top, double height)
{
    s.BackColor = Qt::white;
    s.DrawWidth = 1;
    s.DrawStyle = DrawingSurface::Style::Solid;
    s.ForeColor = Qt::black;
    s.FillColor = Qt::white;
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.ScaleLeft = static_cast<float>(left);
    s.ScaleWidth = static_cast<float>(width);
    s.ScaleTop = static_cast<float>(top);
    s.ScaleHeight = static_cast<float>(height);
    s.Cls();
    s.FontName = QStringLiteral("MS Sans Serif");
    s.FontSize = 8;
    s.FontBold = false;
    s.FontUnderline = false;
}

void DrawLegend(DrawingSurface &s, const QString (&names)[3], const SeriesLook (&looks)[3], SwatchKind kind)
{
    s.FontName = QStringLiteral("MS Sans Serif");
    s.FontSize = 8;
    s.FontBold = false;
    s.FontUnderline = false;
    const SwatchSizes sizes = kind == SwatchKind::Line ? SwatchSizes{22, kScreenMarkerPixels, 2, 4}
                                                       : SwatchSizes{12, 0, 1, 4};
    DrawSwatchLegend(s, names, looks, kind, sizes, s.ScaleLeft + s.ScaleWidth / 2, s.ScaleTop);
    s.ForeColor = Qt::black;
}

namespace {

// The line's range of positions; every slide on the spray line gives no width
// to scale by, so the one position is centred in a range of ±1.
LineRange lineRangeToDraw(const SlideSet &set)
{
    LineRange lr = ComputeLineRange(set);
    if (set.SlideCount() >= 1 && lr.Range == 0) {
        lr.XMin -= 1;
        lr.XMax += 1;
        lr.Range = 2;
    }
    return lr;
}

// Slide cards under the position axis and the pale position lines.
void slideCardsAndPositions(DrawingSurface &s, const SlideSet &set, double range, bool drawCards,
                            LineDataResult &result)
{
    const int n = set.SlideCount();
    const double rangePixels = s.ScaleX(range, Unit::User, Unit::Pixels);
    int w = roundPixels(rangePixels / n - 3);
    w = std::clamp(w, 2, kLargestCard); // a crowded line still gets a card to point at
    int h = roundPixels(1.25 * w);
    const int cardTop = roundPixels(s.PixelY(0)) + kCardGapPixels;
    // On a short box the cards shrink to stay whole rather than run off its
    // bottom edge, where the pointer could not rest on them.
    const int room = s.HeightPixels() - cardTop - 1;
    if (h > room && room >= 4) {
        h = room;
        w = std::clamp(roundPixels(h / 1.25), 2, w);
    }
    for (int i = 1; i <= n; ++i) {
        const Slide &slide = set.Slides[i];
        SlideCard card;
        card.SlideIndex = static_cast<int16_t>(i);
        const int left = roundPixels(s.PixelX(slide.Position) - w / 2.0);
        card.Rect = QRect(left, cardTop, w, h);
        card.BackColor = hasCageData(slide) ? QColor(Qt::white) : GraphColours::NoMortalityCard;
        result.Cards.push_back(card);
        s.Line(slide.Position, 0, slide.Position, 3, GraphColours::Grid);
        if (hasCageData(slide))
            s.Line(slide.Position, 3, slide.Position, 4, GraphColours::Grid);
    }
    if (drawCards) {
        QPainter &p = s.Painter();
        for (const SlideCard &card : result.Cards) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(card.BackColor);
            p.drawRect(card.Rect.adjusted(0, 0, -1, -1));
            p.setBrush(Qt::NoBrush);
        }
    }
}

// Vertical axes (mortality right, VMD left, NMD right, density left) and the
// position axis from the left frame edge.
void lineDataAxes(DrawingSurface &s, const NumberFormat &fmt, const LineRange &lr, bool control)
{
    const double xmin = lr.XMin, xmax = lr.XMax;
    if (control) {
        const double tick = s.ScaleX(kTickPixels, Unit::Pixels, Unit::User);
        const double gap = s.ScaleX(kLabelGapPixels, Unit::Pixels, Unit::User);
        for (int percent = 0; percent <= 100; percent += 20) {
            const double y = 3 + percent / 100.0;
            const QString label = fmt.Format(percent / 100.0, "0%");
            s.Line(xmax, y, xmax + tick, y);
            s.CurrentX = xmax + gap;
            s.CurrentY = y - s.TextHeight(label) / 2;
            s.Print(label);
        }
    }
    if (lr.VMDAxisMax > 0)
        panelAxis(s, fmt, 2, lr.VMDAxisMax, NiceTickStep(lr.VMDAxisMax), xmin, true);
    if (lr.NMDAxisMax > 0)
        panelAxis(s, fmt, 1, lr.NMDAxisMax, NiceTickStep(lr.NMDAxisMax), xmax, false);
    if (lr.DensityAxisMax > 0)
        panelAxis(s, fmt, 0, lr.DensityAxisMax, NiceTickStep(lr.DensityAxisMax), xmin, true);

    const double positionStep = NiceTickStep(static_cast<float>(lr.Range));
    const char *pattern = IsWholeStep(positionStep) ? "0" : "0.0";
    const double tickDown = s.ScaleY(kTickPixels, Unit::Pixels, Unit::User);
    const double gapDown = s.ScaleY(kLabelGapPixels, Unit::Pixels, Unit::User);
    // Round positions (multiples of the step, the spray line among them), as
    // the printed page labels them, rather than steps from the outermost slide.
    const double first = std::ceil(xmin / positionStep - 1e-9) * positionStep;
    for (double x : TickValues(first, xmax, positionStep)) {
        const QString label = fmt.Format(x, pattern);
        s.CurrentX = x - s.TextWidth(label) / 2;
        s.CurrentY = gapDown;
        s.Print(label);
        s.Line(x, 0, x, tickDown);
    }
}

// The composite medians and the average density as dotted lines across their panels.
void compositeReferenceLines(DrawingSurface &s, const CompositeResults &comp, const LineRange &lr)
{
    s.DrawWidth = 1;
    s.DrawStyle = DrawingSurface::Style::Dot;
    if (lr.VMDAxisMax > 0)
        s.Line(lr.XMin, 2 + comp.CompVMD / lr.VMDAxisMax, lr.XMax, 2 + comp.CompVMD / lr.VMDAxisMax,
               GraphColours::Reference);
    if (lr.NMDAxisMax > 0)
        s.Line(lr.XMin, 1 + comp.CompNMD / lr.NMDAxisMax, lr.XMax, 1 + comp.CompNMD / lr.NMDAxisMax,
               GraphColours::Reference);
    if (lr.DensityAxisMax > 0)
        s.Line(lr.XMin, comp.AveDropDensity / lr.DensityAxisMax, lr.XMax, comp.AveDropDensity / lr.DensityAxisMax,
               GraphColours::Reference);
}

// Data lines, slide by slide in position order; slides without drops are
// passed over and a missing mortality value leaves its series alone.
void dataLines(DrawingSurface &s, const SlideSet &set, const LineRange &lr, bool control)
{
    s.DrawStyle = DrawingSurface::Style::Solid;
    s.DrawWidth = 3;
    Series knockdown, mortality12h, mortality24h, vmd, nmd, density;
    knockdown.look = &kMortalityLooks[0];
    mortality12h.look = &kMortalityLooks[1];
    mortality24h.look = &kMortalityLooks[2];
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &slide = set.Slides[i];
        if (slide.TotalDrops == 0)
            continue;
        const double x = slide.Position;
        if (control && hasCageData(slide)) {
            if (slide.Knockdown1h)
                knockdown.to(s, x, 3 + *slide.Knockdown1h, GraphColours::Knockdown1h);
            if (slide.Mortality12h)
                mortality12h.to(s, x, 3 + *slide.Mortality12h, GraphColours::Mortality12h);
            if (slide.Mortality24h)
                mortality24h.to(s, x, 3 + *slide.Mortality24h, GraphColours::Mortality24h);
        }
        if (lr.VMDAxisMax > 0)
            vmd.to(s, x, 2 + slide.VMD / lr.VMDAxisMax, GraphColours::DataLine);
        if (lr.NMDAxisMax > 0)
            nmd.to(s, x, 1 + slide.NMD / lr.NMDAxisMax, GraphColours::DataLine);
        if (lr.DensityAxisMax > 0)
            density.to(s, x, slide.DropDensity / lr.DensityAxisMax, GraphColours::DataLine);
    }
    for (const Series *series : {&knockdown, &mortality12h, &mortality24h, &vmd, &nmd, &density})
        series->finish(s);
    for (const Series *series : {&knockdown, &mortality12h, &mortality24h})
        series->markers(s);
}

// Without a control cage mortality cannot be corrected: the panel says so.
void noControlMessage(DrawingSurface &s, double xmin, double xmax)
{
    const double size = s.FontSize;
    const bool bold = s.FontBold;
    s.FontBold = true;
    s.FontSize = 14;
    const QString message = QStringLiteral("No mortality control data entered");
    s.ForeColor = GraphColours::NoControlMessage;
    s.CurrentX = (xmin + xmax) / 2 - s.TextWidth(message) / 2;
    s.CurrentY = 3.5 - s.TextHeight(message) / 2;
    s.Print(message);
    s.ForeColor = Qt::black;
    s.FontSize = size;
    s.FontBold = bold;
}

} // namespace

LineDataResult DrawLineData(DrawingSurface &s, const SlideSet &set, const ViewState &view,
                            const LineDataOptions &options)
{
    LineDataResult result;
    const bool control = hasControlData(set);
    const LineRange lr = lineRangeToDraw(set);
    const double xmin = lr.XMin, xmax = lr.XMax, range = lr.Range;
    result.VMDAxisMax = lr.VMDAxisMax;
    result.NMDAxisMax = lr.NMDAxisMax;
    result.DensityAxisMax = lr.DensityAxisMax;
    result.XMin = xmin;
    result.XMax = xmax;

    s.BackColor = Qt::white;
    if (set.SlideCount() < 1) {
        s.Cls();
        result.Scale = s.Scale();
        return result;
    }
    BeginCompositeGraph(s, xmin - range / 10, range * 1.2, view.PlotScaleTop, view.PlotScaleHeight);
    slideCardsAndPositions(s, set, range, options.DrawCards, result);
    frameAndDividers(s, xmin, xmax);
    lineDataAxes(s, options.Format, lr, control);

    // The spray line.
    s.DrawWidth = 3;
    s.Line(0, 0, 0, control ? 4 : 3, Qt::black);

    setTitleFont(s);
    leftTitle(s, QStringLiteral("Mortality"), 3.5);
    rightTitle(s, QStringLiteral("VMD"), 2.5);
    leftTitle(s, QStringLiteral("NMD"), 1.5);
    rightTitle(s, QStringLiteral("Drop Density"), 0.5);
    DrawLegend(s, kMortalityLegend, kMortalityLooks, SwatchKind::Line);

    compositeReferenceLines(s, view.Composite, lr);
    dataLines(s, set, lr, control);
    if (!control)
        noControlMessage(s, xmin, xmax);

    s.DrawWidth = 2;
    frameAndDividers(s, xmin, xmax);
    s.DrawWidth = 1;

    result.Drawn = true;
    result.Scale = s.Scale();
    return result;
}

void DrawMortalityVsDensity(DrawingSurface &s, const SlideSet &set, const ViewState &view, float densityAxisMax,
                            const NumberFormat &fmt)
{
    BeginCompositeGraph(s, -0.1f, 1.2f, view.PlotScaleTop / 4, view.PlotScaleHeight / 4);
    s.Box(0, 0, 1, 1);

    const double tick = s.ScaleX(kTickPixels, Unit::Pixels, Unit::User);
    const double gap = s.ScaleX(kLabelGapPixels, Unit::Pixels, Unit::User);
    const double labelsLeft = -gap - s.TextWidth(fmt.Format(1.0, "0%"));
    const auto crossed = LeftAxisTitleCrossing(s, QStringLiteral("Mortality"), 0.5, labelsLeft);
    for (int k = 1; k <= 5; ++k) {
        const double y = k / 5.0;
        const QString label = fmt.Format(y, "0%");
        const double half = std::abs(s.TextHeight(label)) / 2;
        if (!crossed || y + half < crossed->first || y - half > crossed->second) {
            s.CurrentX = -gap - s.TextWidth(label);
            s.CurrentY = y - s.TextHeight(label) / 2;
            s.Print(label);
        }
        s.Line(0, y, -tick, y);
        s.Line(0, y, 1, y, GraphColours::Grid);
    }
    s.Box(0, 0, 1, 1);

    // Density axis; without any drops there is no scale, so only its origin.
    const bool densityScale = densityAxisMax > 0 && std::isfinite(densityAxisMax);
    {
        const double step = NiceTickStep(densityScale ? densityAxisMax : 0.0f);
        const char *pattern = TickPattern(step);
        const double tickDown = s.ScaleY(kTickPixels, Unit::Pixels, Unit::User);
        const double gapDown = s.ScaleY(kLabelGapPixels, Unit::Pixels, Unit::User);
        const std::vector<double> values = densityScale ? TickValues(densityAxisMax, step) : std::vector<double>{0.0};
        for (double v : values) {
            const double x = densityScale ? v / densityAxisMax : 0.0;
            const QString label = fmt.Format(v, pattern);
            s.CurrentX = x - s.TextWidth(label) / 2;
            s.CurrentY = gapDown;
            s.Print(label);
            s.Line(x, 0, x, tickDown);
        }
    }

    setTitleFont(s);
    {
        const QString title = QStringLiteral("Drop Density");
        const double bottomPx = s.HeightPixels() - kTitleInsetPixels;
        const double heightPx = s.ScaleY(s.TextHeight(title), Unit::User, Unit::Pixels);
        s.CurrentX = 0.5 - s.TextWidth(title) / 2;
        s.CurrentY = s.UserY(bottomPx - heightPx);
        s.Print(title);
    }
    LeftAxisTitle(s, QStringLiteral("Mortality"), 0.5, labelsLeft);

    DrawLegend(s, kMortalityLegend, kMortalityLooks, SwatchKind::Line);

    if (hasControlData(set) && densityScale) {
        for (int i = 1; i <= set.SlideCount(); ++i) {
            const Slide &slide = set.Slides[i];
            if (!hasCageData(slide))
                continue;
            const double x = slide.DropDensity / densityAxisMax;
            const std::optional<float> values[3] = {slide.Knockdown1h, slide.Mortality12h, slide.Mortality24h};
            for (int m = 0; m < 3; ++m)
                if (values[m])
                    DrawMarker(s, kMortalityLooks[m].Marker, x, *values[m], kScreenMarkerPixels,
                               kMortalityLooks[m].Colour);
        }
    }
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.Box(0, 0, 1, 1);
}
