#pragma once

#include "DrawingSurface.h"

#include "model/SlideSet.h"
#include "model/ViewState.h"

#include <QPoint>
#include <QString>

#include <array>
#include <vector>

class NumberFormat;

// The four device-pixel corners of one filled segment of the area graph, in the
// order drawn: current class top, current class base, previous class base,
// previous class top.
using SegmentCorners = std::array<QPoint, 4>;

// What DrawResult leaves for the window.
//
// `Scale` is the user scale left on the box (ScaleLeft 0, ScaleWidth the axis
// width in µm, ScaleTop the value at the top edge, ScaleHeight = −ScaleTop):
// UpdateHistogramLabels writes the four axis labels from Left, Width and Top, and
// HistogramToolTip maps the mouse through it. When nothing was drawn because the
// set has no slides, Scale is the surface's scale as it was handed in; when the
// slide on view has no drops, only the horizontal part is new.
struct HistogramResult
{
    bool Drawn = false;          // an area graph was drawn (false: the box is clear or untouched)
    UserScale Scale;
    std::vector<SegmentCorners> Segments; // the polygons, in drawing order
    bool MarkerDrawn = false;
    int MarkerPixelX = 0;        // the red median line's device x, when drawn
};

// Value of class k of a slide for the graph mode (1 VF, 2 CVF, 3 drops/cm², 4 NF, 5 CNF).
double SlideClassValue(const Slide &slide, int graphMode, int k);
double CompositeClassValue(const CompositeResults &composite, int graphMode, int k);

// The value at the top edge of the box for a slide or the composite.
double SlideScaleTop(const Slide &slide, int graphMode);
double CompositeScaleTop(const CompositeResults &composite, int graphMode);

// Draws the histogram of the slide on view (set.CurrentSlide), or of the pooled
// line when view.CompositeChecked, for view.GraphMode. Does nothing when the set
// has no slides or view.LargestSizeFound is 0.
HistogramResult DrawResult(DrawingSurface &surface, const SlideSet &set, const ViewState &view);

void DrawSlideHistogram(DrawingSurface &surface, const SlideSet &set, const ViewState &view, int16_t slideIndex,
                        HistogramResult &result);
void DrawCompositeHistogram(DrawingSurface &surface, const SlideSet &set, const ViewState &view,
                            HistogramResult &result);

// One segment between class b (previous) and class a (current) of a slide.
SegmentCorners FillClassSegment(DrawingSurface &surface, const SlideSet &set, int graphMode, int16_t slideIndex,
                                int16_t classA, int16_t classB);
// One segment between diameters a (current) and b (previous) in µm.
SegmentCorners FillValueSegment(DrawingSurface &surface, double diameterA, double diameterB, double valueA,
                                double valueB);

// The histogram tool tip for a mouse position in device pixels of the box:
// diameter "0.0" + "µm / " + value "0.00" ("0.0" in the density mode).
QString HistogramToolTip(const UserScale &scale, int graphMode, QPointF mousePixels, const NumberFormat &format);

// Size class under a mouse x (device pixels), 0 … maxSizeEPD, nearest class centre.
int HistogramClassAt(const UserScale &scale, const AnalysisParameters &params, double mouseX);
