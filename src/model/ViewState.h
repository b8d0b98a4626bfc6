#pragma once

#include "SlideSet.h"

// Vertical user scale of the composite-graph box on either screen layout. The
// scales leave room above the four panels for the legend and below them for
// the position labels and the slide cards (up to 25 pixels tall, 25 below y = 0).
inline constexpr double kPlotScaleTopLarge = 4.15;
inline constexpr double kPlotScaleHeightLarge = -4.7;
inline constexpr double kPlotScaleTopSmall = 4.2;
inline constexpr double kPlotScaleHeightSmall = -4.95;

// What the main window shows besides the slide set itself: the results of the
// view, the graph choice and the composite snapshot. The window owns one; the
// graphs, the file writer and the report read it.
struct ViewState
{
    float CurrentVMD = 0;          // medians on view: the slide's, or the composite's
    float CurrentNMD = 0;
    int16_t LargestSizeFound = 1;  // largest LargestClass seen over all slides
    int GraphMode = 1;             // 1 VF, 2 CVF, 3 drops/cm², 4 NF, 5 CNF
    bool CompositeChecked = false; // the composite view is on
    uint8_t CompositeView = 0;     // 0 off; 1 line data, 2 mortality vs. density, 3 range statistics, 4 spray quality, 5 dose response
    CompositeResults Composite;
    RangeStatistics RangeStats;    // size ranges of the slide on view
    double PlotScaleTop = kPlotScaleTopLarge; // vertical user scale of the composite graph box
    double PlotScaleHeight = kPlotScaleHeightLarge;
};
