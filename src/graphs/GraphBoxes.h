#pragma once

#include <QColor>
#include <QSize>

// Sizes and colours shared by the graph procedures, the main window and the
// command-line renderer.

// The histogram box: 285 × 70 pixels on either screen layout.
inline constexpr QSize kResultPicSize{285, 70};

// The composite-graph box as the large-screen layout makes it. The plot scales
// below leave room above the four panels for the legend and below them for the
// position labels and the slide cards (up to 25 pixels tall, 25 below y = 0).
inline constexpr QSize kPicture1LargeSize{720, 480};
inline constexpr double kPlotScaleTopLarge = 4.15;
inline constexpr double kPlotScaleHeightLarge = -4.7;
inline constexpr double kPlotScaleTopSmall = 4.2;
inline constexpr double kPlotScaleHeightSmall = -4.95;

namespace GraphColours {
inline const QColor Histogram{125, 190, 255};
inline const QColor Marker{255, 0, 0};
inline const QColor Grid{230, 230, 230};
inline const QColor NoMortalityCard{255, 200, 200};
inline const QColor NoControlMessage{255, 200, 200};
inline const QColor DataLine{128, 128, 128};
inline const QColor Reference{255, 0, 0};
// Mortality series: the data lines and points, and the legend texts.
inline const QColor Knockdown1h{100, 255, 100};
inline const QColor Mortality12h{100, 100, 255};
inline const QColor Mortality24h{255, 100, 100};
inline const QColor LegendKnockdown{0, 150, 0};
} // namespace GraphColours
