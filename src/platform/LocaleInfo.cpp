#include "LocaleInfo.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
QString windowsListSeparator()
{
    wchar_t buffer[8] = {};
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, 8);
    if (n <= 1)
        return QString();
    return QString::fromWCharArray(buffer, n - 1);
}
#endif

} // namespace

LocaleSeparators ReadLocaleSeparators(const QLocale &locale)
{
    LocaleSeparators result;
    const QString decimal = locale.decimalPoint();
    if (!decimal.isEmpty())
        result.Decimal = decimal.at(0);
    result.List = result.Decimal == QLatin1Char(',') ? QStringLiteral(";") : QStringLiteral(",");
#ifdef Q_OS_WIN
    if (locale == QLocale::system()) {
        const QString list = windowsListSeparator();
        if (!list.isEmpty())
            result.List = list;
    }
#endif
    return result;
}
