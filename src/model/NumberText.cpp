#include "NumberText.h"

#include <QLocale>

#include <cfloat>
#include <cmath>
#include <limits>

NumberFormat::NumberFormat(QChar decimalSeparator)
    : m_decimal(decimalSeparator)
{
}

double RoundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which the program never changes
    // from round-to-nearest-even; spelled out so the rule does not hide in a mode.
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1.0;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {

struct Pattern {
    int minDecimals = 0;
    int maxDecimals = 0;
    bool percent = false;
};

Pattern parsePattern(const char *pattern)
{
    Pattern p;
    const char *c = pattern;
    while (*c == '0')
        ++c;
    if (*c == '.') {
        ++c;
        while (*c == '0') {
            ++p.minDecimals;
            ++c;
        }
        p.maxDecimals = p.minDecimals;
        while (*c == '#') {
            ++p.maxDecimals;
            ++c;
        }
    }
    if (*c == '%') {
        p.percent = true;
        ++c;
    }
    Q_ASSERT_X(*c == '\0', "NumberFormat::Format", pattern);
    return p;
}

bool allZeroDigits(const QString &text)
{
    for (QChar ch : text)
        if (ch.isDigit() && ch != QLatin1Char('0'))
            return false;
    return true;
}

} // namespace

QString NumberFormat::Format(double value, const char *pattern) const
{
    const Pattern p = parsePattern(pattern);
    if (p.percent)
        value *= 100.0;
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));

    QString text = QString::number(value, 'f', p.maxDecimals);
    if (p.maxDecimals > p.minDecimals) {
        // Optional '#' places: drop trailing zeros down to the fixed ones.
        int keep = text.size();
        int decimals = p.maxDecimals;
        while (decimals > p.minDecimals && text.at(keep - 1) == QLatin1Char('0')) {
            --keep;
            --decimals;
        }
        if (decimals == 0)
            --keep; // the point itself
        text.truncate(keep);
    }
    if (text.startsWith(QLatin1Char('-')) && allZeroDigits(text))
        text.remove(0, 1); // no "-0.00" for a value that rounds to zero
    text.replace(QLatin1Char('.'), m_decimal);
    if (p.percent)
        text += QLatin1Char('%');
    return text;
}

QString NumberFormat::General(float value) const
{
    if (value == 0.0f)
        return QStringLiteral("0");
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));

    // Fewest significant digits that read back to the same float, capped at seven.
    QString sci;
    for (int digits = 1; digits <= 9; ++digits) {
        sci = QString::number(double(value), 'e', digits - 1);
        if (static_cast<float>(sci.toDouble()) == value)
            break;
        if (digits == 7)
            break;
    }

    // sci is "[-]d.ddde[+-]XX": rebuild it as plain decimal text.
    const bool negative = sci.startsWith(QLatin1Char('-'));
    const int ePos = sci.indexOf(QLatin1Char('e'));
    QString mantissa = sci.mid(negative ? 1 : 0, ePos - (negative ? 1 : 0));
    mantissa.remove(QLatin1Char('.'));
    int exponent = sci.mid(ePos + 1).toInt();
    while (mantissa.size() > 1 && mantissa.endsWith(QLatin1Char('0')))
        mantissa.chop(1);

    QString text;
    if (exponent < -5 || exponent >= 15) {
        text = mantissa.left(1);
        if (mantissa.size() > 1)
            text += m_decimal + mantissa.mid(1);
        text += QStringLiteral("E%1%2").arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent < 0) {
        text = QStringLiteral("0") + m_decimal + QString(-exponent - 1, QLatin1Char('0')) + mantissa;
    } else if (mantissa.size() <= exponent + 1) {
        text = mantissa + QString(exponent + 1 - mantissa.size(), QLatin1Char('0'));
    } else {
        text = mantissa.left(exponent + 1) + m_decimal + mantissa.mid(exponent + 1);
    }
    return negative ? QLatin1Char('-') + text : text;
}

ParseStatus NumberFormat::ToDouble(const QString &text, double &out) const
{
    const QString t = text.trimmed();
    QByteArray ascii;
    ascii.reserve(t.size());
    int i = 0;
    const int n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ascii += char(t[i++].unicode());
    int mantissaDigits = 0;
    while (i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) {
        ascii += char(t[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && t[i] == m_decimal) {
        ascii += '.';
        ++i;
        while (i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) {
            ascii += char(t[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return ParseStatus::NotANumber;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            ascii += char(t[i++].unicode());
        int expDigits = 0;
        while (i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) {
            ascii += char(t[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return ParseStatus::NotANumber;
    }
    if (i != n)
        return ParseStatus::NotANumber;

    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(ascii), &ok);
    if (!std::isfinite(value))
        return ParseStatus::OutOfRange;
    if (!ok)
        return ParseStatus::OutOfRange; // a well-formed number that overflows a double
    out = value;
    return ParseStatus::Ok;
}

ParseStatus NumberFormat::ToSingle(const QString &text, float &out) const
{
    double value = 0;
    const ParseStatus status = ToDouble(text, value);
    if (status != ParseStatus::Ok)
        return status;
    if (std::fabs(value) > double(FLT_MAX))
        return ParseStatus::OutOfRange;
    out = static_cast<float>(value);
    return ParseStatus::Ok;
}

namespace {

template <typename Int>
ParseStatus toInteger(const NumberFormat &format, const QString &text, Int &out)
{
    double value = 0;
    const ParseStatus status = format.ToDouble(text, value);
    if (status != ParseStatus::Ok)
        return status;
    const double rounded = RoundHalfEven(value);
    if (rounded < double(std::numeric_limits<Int>::min()) || rounded > double(std::numeric_limits<Int>::max()))
        return ParseStatus::OutOfRange;
    out = static_cast<Int>(rounded);
    return ParseStatus::Ok;
}

} // namespace

ParseStatus NumberFormat::ToInt16(const QString &text, int16_t &out) const
{
    return toInteger(*this, text, out);
}

ParseStatus NumberFormat::ToInt32(const QString &text, int32_t &out) const
{
    return toInteger(*this, text, out);
}
