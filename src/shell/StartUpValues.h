#pragma once

#include <QChar>
#include <QString>

#include <cstdint>

// Values found once at start-up and read by the window and its graphs.
struct StartUpValues
{
    QChar DecimalSeparator = QLatin1Char('.');
    QString ListSeparator = QStringLiteral(",");
    int16_t TwipsPerPixelX = 15;
    int16_t TwipsPerPixelY = 15;
    // Small interface text: the axis labels of the histogram, the composite box.
    QString UIFontName = QStringLiteral("MS Sans Serif");
    int UIFontSize = 8;
};
