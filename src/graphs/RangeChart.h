#pragma once

#include "DrawingSurface.h"

#include "model/SlideSet.h"
#include "model/Units.h" // RangeLabel: the size-range names under the bars
#include "model/ViewState.h"

#include <QString>

// Grouped bars of the pooled line per size range: % size on slide, % mass in
// cloud, % size in cloud, on a fixed 0 … 100 % axis. The figures come from
// ComputeCompositeRangeStats over view.Composite (which must be current); a line
// without drops draws empty groups. Returns the figures it drew. The card labels
// are to be hidden by the caller.
RangeStatistics DrawRangeChart(DrawingSurface &surface, const SlideSet &set, const ViewState &view);
