#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

// The user's number conventions, read once at start-up.
struct LocaleSeparators
{
    QChar Decimal = QLatin1Char('.');
    QString List = QStringLiteral(",");
};

// The decimal separator from the locale; the list separator from the platform's
// own setting on Windows, elsewhere ";" where the decimal separator is a comma
// (so numbers and fields never share a character) and "," otherwise.
LocaleSeparators ReadLocaleSeparators(const QLocale &locale = QLocale::system());
