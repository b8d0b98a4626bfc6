#pragma once

#include <QChar>
#include <QString>

// The signs of the unit captions, written once for the window, the graphs and
// the file.
inline constexpr QChar kMicro(u'\u00B5');
inline constexpr QChar kSquared(u'\u00B2');

// "µm", the unit of every diameter.
inline QString Microns()
{
    return kMicro + QStringLiteral("m");
}

// " µm" after a diameter.
inline QString MicronsCaption()
{
    return QStringLiteral(" ") + Microns();
}

// Size range j (0 … 4) by its bounds in µm, without the unit: "=< 7", "7 -- 22",
// "22 -- 50", "> 50", "> 80".
QString RangeBounds(int range);

// Size range j with its unit, as the range chart and the file name it: "=< 7µm",
// "7 -- 22µm", "22 -- 50µm", "> 50µm", "> 80µm"; empty outside 0 … 4.
QString RangeLabel(int range);
