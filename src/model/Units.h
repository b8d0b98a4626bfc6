#pragma once

#include <QChar>
#include <QString>

// The signs of the unit captions, written once for the window, the graphs and
// the file.
inline constexpr QChar kMicro(u'\u00B5');
inline constexpr QChar kSquared(u'\u00B2');

// " µm" after a diameter.
inline QString MicronsCaption()
{
    return QStringLiteral(" ") + kMicro + QStringLiteral("m");
}

// Size range j (0 … 4) by its bounds in µm, without the unit: "=< 7", "7 -- 22",
// "22 -- 50", "> 50", "> 80".
QString RangeBounds(int range);
