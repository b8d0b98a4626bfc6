#include "Histogram.h"

#include "GraphBoxes.h"

#include "model/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Unit = DrawingSurface::Unit;

int px(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(RoundHalfEven(std::clamp(v, -1.0e6, 1.0e6)));
}

int lastClass(const std::vector<float> &values, int16_t maxSizeEPD)
{
    return std::min<int>(maxSizeEPD, int(values.size()) - 1);
}

// Fraction modes top out at 110 % of the largest class, cut to whole hundredths
// and never above 1.
double fractionTop(float largest)
{
    const double top = std::trunc(double(largest) * 110.0) / 100.0;
    return top > 1.0 ? 1.0 : top;
}

double densityTop(double largestDensity)
{
    // A slide with drops but no scanned area has no density: keep a unit axis.
    if (!std::isfinite(largestDensity))
        return 1.0;
    return std::trunc(largestDensity) + 1.0;
}

void drawMarker(DrawingSurface &surface, const ViewState &view, HistogramResult &result)
{
    double x = 0;
    switch (view.GraphMode) {
    case 1:
    case 2:
        x = view.CurrentVMD;
        break;
    case 4:
    case 5:
        x = view.CurrentNMD;
        break;
    default:
        return;
    }
    // Drawn first so that the area covers it where they overlap.
    surface.Line(x, 0, x, 1.1 * std::abs(surface.ScaleHeight), GraphColours::Marker);
    result.MarkerDrawn = true;
    result.MarkerPixelX = px(surface.PixelX(x));
}

void setVerticalScale(DrawingSurface &surface, double top)
{
    surface.ScaleTop = static_cast<float>(top);
    surface.ScaleHeight = -surface.ScaleTop;
}

SegmentCorners segmentCorners(DrawingSurface &surface, double diameterA, double diameterB, double valueA,
                              double valueB);
void fillSegments(DrawingSurface &surface, const std::vector<SegmentCorners> &segments);

} // namespace

double SlideClassValue(const Slide &slide, int graphMode, int k)
{
    auto at = [k](const std::vector<float> &v) { return k >= 0 && k < int(v.size()) ? double(v[k]) : 0.0; };
    switch (graphMode) {
    case 1:
        return at(slide.VF);
    case 2:
        return at(slide.CVF);
    case 3:
        if (k < 0 || k >= int(slide.Counts.size()) || slide.Area <= 0)
            return 0;
        return double(slide.Counts[k]) / double(slide.Area);
    case 4:
        return at(slide.NF);
    case 5:
        return at(slide.CNF);
    default:
        return 0;
    }
}

double CompositeClassValue(const CompositeResults &composite, int graphMode, int k)
{
    auto at = [k](const std::vector<float> &v) { return k >= 0 && k < int(v.size()) ? double(v[k]) : 0.0; };
    switch (graphMode) {
    case 1:
        return at(composite.CompVF);
    case 2:
        return at(composite.CompCVF);
    case 3:
        return at(composite.CompDensity);
    case 4:
        return at(composite.CompNF);
    case 5:
        return at(composite.CompCNF);
    default:
        return 0;
    }
}

double SlideScaleTop(const Slide &slide, int graphMode)
{
    switch (graphMode) {
    case 1:
        return fractionTop(slide.MaxVF);
    case 4:
        return fractionTop(slide.MaxNF);
    case 3:
        return densityTop(slide.Area > 0 ? double(slide.MaxCount) / double(slide.Area)
                                         : std::numeric_limits<double>::infinity());
    default:
        return 1.0;
    }
}

double CompositeScaleTop(const CompositeResults &composite, int graphMode)
{
    switch (graphMode) {
    case 1:
        return fractionTop(composite.CompMaxVF);
    case 4:
        return fractionTop(composite.CompMaxNF);
    case 3:
        return densityTop(composite.CompMaxDensity);
    default:
        return 1.0;
    }
}

HistogramResult DrawResult(DrawingSurface &surface, const SlideSet &set, const ViewState &view)
{
    HistogramResult result;
    if (set.SlideCount() <= 0 || view.LargestSizeFound <= 0) {
        result.Scale = surface.Scale();
        return result;
    }
    surface.ScaleLeft = 0;
    surface.ScaleWidth = ClassDiameter(set.Params, view.LargestSizeFound);
    surface.Cls();
    if (view.CompositeChecked)
        DrawCompositeHistogram(surface, set, view, result);
    else
        DrawSlideHistogram(surface, set, view, set.CurrentSlide, result);
    result.Scale = surface.Scale();
    return result;
}

void DrawSlideHistogram(DrawingSurface &surface, const SlideSet &set, const ViewState &view, int16_t slideIndex,
                        HistogramResult &result)
{
    if (slideIndex < 0 || slideIndex > set.SlideCount())
        return;
    const Slide &slide = set.Slides[slideIndex];
    if (slide.TotalDrops == 0)
        return;
    const int mode = view.GraphMode;
    setVerticalScale(surface, SlideScaleTop(slide, mode));
    drawMarker(surface, view, result);

    const int last = std::min<int>(set.Params.MaxSizeEPD, int(slide.Counts.size()) - 1);
    int start = 0;
    if (mode == 1 || mode == 3 || mode == 4) {
        start = last + 1;
        for (int k = 1; k <= last; ++k)
            if (slide.Counts[k] > 0) {
                start = k;
                break;
            }
    }
    int previous = start;
    for (int k = start; k <= last; ++k) {
        if (slide.Counts[k] <= 0)
            continue;
        result.Segments.push_back(segmentCorners(surface, ClassDiameter(set.Params, k),
                                                 ClassDiameter(set.Params, previous), SlideClassValue(slide, mode, k),
                                                 SlideClassValue(slide, mode, previous)));
        previous = k;
    }
    fillSegments(surface, result.Segments);
    result.Drawn = !result.Segments.empty();
}

void DrawCompositeHistogram(DrawingSurface &surface, const SlideSet &set, const ViewState &view,
                            HistogramResult &result)
{
    const CompositeResults &comp = view.Composite;
    const int mode = view.GraphMode;
    const int last = lastClass(comp.CompDensity, set.Params.MaxSizeEPD);
    int start = -1;
    for (int k = 1; k <= last; ++k)
        if (comp.CompDensity[k] > 0) {
            start = k;
            break;
        }
    // A composite without drops has no vertical scale (its top would be 0): the
    // box stays clear, as for a slide without drops.
    if (start < 0)
        return;
    setVerticalScale(surface, CompositeScaleTop(comp, mode));
    drawMarker(surface, view, result);

    int previous = start;
    const int from = (mode == 2 || mode == 5) ? 0 : start;
    for (int k = from; k <= last; ++k) {
        if (!(comp.CompDensity[k] > 0))
            continue;
        result.Segments.push_back(segmentCorners(surface, ClassDiameter(set.Params, k),
                                                 ClassDiameter(set.Params, previous),
                                                 CompositeClassValue(comp, mode, k),
                                                 CompositeClassValue(comp, mode, previous)));
        previous = k;
    }
    fillSegments(surface, result.Segments);
    result.Drawn = !result.Segments.empty();
}

SegmentCorners FillClassSegment(DrawingSurface &surface, const SlideSet &set, int graphMode, int16_t slideIndex,
                                int16_t classA, int16_t classB)
{
    const Slide &slide = set.Slides[std::clamp<int>(slideIndex, 0, set.SlideCount())];
    return FillValueSegment(surface, ClassDiameter(set.Params, classA), ClassDiameter(set.Params, classB),
                            SlideClassValue(slide, graphMode, classA), SlideClassValue(slide, graphMode, classB));
}

SegmentCorners FillValueSegment(DrawingSurface &surface, double diameterA, double diameterB, double valueA,
                                double valueB)
{
    const SegmentCorners corners = segmentCorners(surface, diameterA, diameterB, valueA, valueB);
    fillSegments(surface, {corners});
    return corners;
}

namespace {

SegmentCorners segmentCorners(DrawingSurface &surface, double diameterA, double diameterB, double valueA,
                              double valueB)
{
    // The base sits 2 pixels above the bottom of the box, border included.
    const int base = surface.OuterHeightPixels() - 2;
    const int xa = px(surface.ScaleX(diameterA, Unit::User, Unit::Pixels));
    const int xb = px(surface.ScaleX(diameterB, Unit::User, Unit::Pixels));
    const int ta = base + px(surface.ScaleY(valueA, Unit::User, Unit::Pixels));
    const int tb = base + px(surface.ScaleY(valueB, Unit::User, Unit::Pixels));
    return SegmentCorners{QPoint(xa, ta), QPoint(xa, base), QPoint(xb, base), QPoint(xb, tb)};
}

// Every segment in one go: at 2 000 classes setting the pen and brush per
// polygon is a large share of the repaint. Where many classes share one pixel
// column their segments have no width and draw only their outline, the column
// from the higher top down to the base: a run of them in a row is drawn as the
// one tallest, which leaves the same pixels.
void fillSegments(DrawingSurface &surface, const std::vector<SegmentCorners> &segments)
{
    static_assert(sizeof(SegmentCorners) == 4 * sizeof(QPoint), "corners lie one after another");
    const auto upright = [](const SegmentCorners &c) {
        return c[0].x() == c[2].x() && c[1] == c[2] && c[0].y() <= c[1].y() && c[3].y() <= c[1].y();
    };
    std::vector<SegmentCorners> drawn;
    drawn.reserve(segments.size());
    for (const SegmentCorners &c : segments) {
        if (upright(c) && !drawn.empty() && upright(drawn.back()) && drawn.back()[0].x() == c[0].x()
            && drawn.back()[1] == c[1]) {
            SegmentCorners &run = drawn.back();
            const int top = std::min({run[0].y(), run[3].y(), c[0].y(), c[3].y()});
            run[0].setY(top);
            run[3].setY(top);
            continue;
        }
        drawn.push_back(c);
    }
    surface.FillColor = GraphColours::Histogram;
    surface.Quads(drawn.empty() ? nullptr : drawn.front().data(), int(drawn.size()));
}

} // namespace

QString HistogramToolTip(const UserScale &scale, int graphMode, QPointF mousePixels, const NumberFormat &format)
{
    const double x = scale.ToUserX(mousePixels.x());
    const double y = scale.ToUserY(mousePixels.y());
    return format.Format(x, "0.0") + QChar(0x00B5) + QStringLiteral("m / ")
           + format.Format(y, graphMode == 3 ? "0.0" : "0.00");
}

int HistogramClassAt(const UserScale &scale, const AnalysisParameters &params, double mouseX)
{
    const double perClass = double(params.MicronsPerEPD) * double(params.SpreadFactor);
    if (!(perClass > 0))
        return 0;
    const double k = RoundHalfEven(scale.ToUserX(mouseX) / perClass);
    if (!std::isfinite(k))
        return 0;
    return static_cast<int>(std::clamp<double>(k, 0, params.MaxSizeEPD));
}
