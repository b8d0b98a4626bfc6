#include "FileLiterals.h"

#include "model/Units.h"

#include <QDate>
#include <QRegularExpression>

QString DoubleRule()
{
    return QString(kDoubleRuleLength, QLatin1Char('='));
}

QString Rule()
{
    return QString(kRuleLength, QLatin1Char('-'));
}

QString UnitText(UnitKind kind, bool metric)
{
    switch (kind) {
    case UnitKind::None: return QString();
    case UnitKind::Length: return metric ? QStringLiteral("m") : QStringLiteral("ft");
    case UnitKind::ScanLength: return metric ? QStringLiteral("cm") : QStringLiteral("inches");
    case UnitKind::Temperature: return metric ? QStringLiteral("°C") : QStringLiteral("°F");
    case UnitKind::WindSpeed: return metric ? QStringLiteral("km/h") : QStringLiteral("mph");
    case UnitKind::SprayRate: return metric ? QStringLiteral("L/ha") : QStringLiteral("oz/ac");
    case UnitKind::Degree: return QStringLiteral("°");
    case UnitKind::Percent: return QStringLiteral("%");
    }
    return QString();
}

const std::array<ParameterTextField, kParameterTextCount> &ParameterTextFields()
{
    static const std::array<ParameterTextField, kParameterTextCount> fields = {{
        {"Agency:", &ParameterTexts::Agency, UnitKind::None, true},
        {"Sprayer:", &ParameterTexts::Sprayer, UnitKind::None, true},
        {"Release Height:", &ParameterTexts::ReleaseHeight, UnitKind::Length, true},
        {"Date:", &ParameterTexts::Date, UnitKind::None, false},
        {"Time:", &ParameterTexts::Time, UnitKind::None, false},
        {"Height:", &ParameterTexts::MetHeight, UnitKind::Length, true},
        {"Air Temp.:", &ParameterTexts::AirTemp, UnitKind::Temperature, true},
        {"Wind Speed:", &ParameterTexts::WindSpeed, UnitKind::WindSpeed, true},
        {"Wind Direction:", &ParameterTexts::WindDirection, UnitKind::Degree, true},
        {"Rel. Humidity:", &ParameterTexts::RelHumidity, UnitKind::Percent, true},
        {"Product:", &ParameterTexts::Product, UnitKind::None, true},
        {"Spray Rate:", &ParameterTexts::SprayRate, UnitKind::SprayRate, true},
    }};
    return fields;
}

QString JoinValueUnit(const QString &text, const QString &unit, const QString &listSeparator)
{
    if (text.isEmpty())
        return QString::fromLatin1(kNoValue);
    return text + listSeparator + unit;
}

ListFields SplitListLine(const QString &line, const QString &listSeparator)
{
    ListFields result;
    QStringList pieces = line.split(listSeparator, Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (!pieces.isEmpty() && !pieces.first().isEmpty()) {
        result.Count = int(pieces.size());
        result.Fields = std::move(pieces);
        return result;
    }
    result.Fields.append(QString());
    for (qsizetype i = 1; i < pieces.size(); ++i)
        if (!pieces[i].isEmpty())
            result.Fields.append(pieces[i]);
    result.Count = int(result.Fields.size() - 1);
    return result;
}

namespace {

const char *const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

QString FileDateText(const QString &typed)
{
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression medium(QStringLiteral("^(\\d{1,2})[- ]([A-Za-z]{3})[- ](\\d{4})$"));
    const QString t = typed.trimmed();
    QDate date;
    if (const auto m = iso.match(t); m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } else if (const auto m2 = medium.match(t); m2.hasMatch()) {
        for (int month = 0; month < 12; ++month)
            if (m2.captured(2).compare(QLatin1String(kMonths[month]), Qt::CaseInsensitive) == 0)
                date = QDate(m2.captured(3).toInt(), month + 1, m2.captured(1).toInt());
    }
    if (!date.isValid())
        return typed;
    return QStringLiteral("%1-%2-%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString CheckSeparators(const QString &listSeparator, QChar decimalSeparator)
{
    if (listSeparator.isEmpty())
        return QStringLiteral("the list separator is empty");
    if (listSeparator.contains(QLatin1Char('\r')) || listSeparator.contains(QLatin1Char('\n')))
        return QStringLiteral("the list separator holds a line break");
    for (QChar c : listSeparator)
        if (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('+') || c.toUpper() == QLatin1Char('E')
            || c == decimalSeparator)
            return QStringLiteral("the list separator \"%1\" would split numbers written with the decimal "
                                  "separator \"%2\"").arg(listSeparator, QString(decimalSeparator));
    if (decimalSeparator.isDigit() || decimalSeparator == QLatin1Char('-') || decimalSeparator == QLatin1Char('+')
        || decimalSeparator.isSpace() || decimalSeparator.isNull())
        return QStringLiteral("\"%1\" cannot be a decimal separator").arg(QString(decimalSeparator));
    return QString();
}
