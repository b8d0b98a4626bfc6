#pragma once

#include <QColor>
#include <QSize>

#include "model/ViewState.h"

// Sizes and colours shared by the graph procedures, the main window and the
// command-line renderer.

// The histogram box: 285 × 70 pixels on either screen layout.
inline constexpr QSize kResultPicSize{285, 70};

// The composite-graph box as the large-screen layout makes it; its vertical
// scales (kPlotScaleTopLarge …) live with the view state that carries them.
inline constexpr QSize kPicture1LargeSize{720, 480};

namespace GraphColours {
inline const QColor Histogram{125, 190, 255};
inline const QColor Marker{255, 0, 0};
inline const QColor Grid{230, 230, 230};
inline const QColor NoMortalityCard{255, 200, 200};
// The pale card's hue, dark enough to read on white paper.
inline const QColor NoControlMessage{190, 40, 40};
inline const QColor DataLine{128, 128, 128};
inline const QColor Reference{255, 0, 0};
// Mortality series: the data lines and points, and the legend texts. The
// 1 hr green is dark enough to show on white paper and greys apart from the
// other two.
inline const QColor Knockdown1h{0, 150, 0};
inline const QColor Mortality12h{100, 100, 255};
inline const QColor Mortality24h{255, 100, 100};
inline const QColor LegendKnockdown{0, 150, 0};
} // namespace GraphColours
