#pragma once

#include <QChar>
#include <QString>
#include <cstdint>

// Every number the operator sees or the slide set file holds passes through here,
// so the locale's decimal separator is applied in exactly one place. Nothing here
// touches the C library's locale: QApplication sets it from the environment, and
// strtod/printf would then read "3.5" as 3 under a German locale.

enum class ParseStatus {
    Ok,
    NotANumber,   // empty, stray characters, a separator alone
    OutOfRange    // a number, but not one the target type can hold
};

class NumberFormat
{
public:
    explicit NumberFormat(QChar decimalSeparator = QLatin1Char('.'));

    QChar decimalSeparator() const { return m_decimal; }

    // Fixed patterns: "0", "0.0", "0.00", "0.000", "0.0#", "0.0##", and the same
    // with a trailing "%" (value × 100 followed by a percent sign).
    QString Format(double value, const char *pattern) const;

    // The shortest text that reads back to the same 32-bit float, at most seven
    // significant digits, with the locale's decimal separator.
    QString General(float value) const;

    // Text to number by the locale's rules: optional blanks around, optional sign,
    // digits with at most one decimal separator, optional exponent. No thousands
    // grouping: a stray "." under a comma locale is refused rather than guessed at.
    ParseStatus ToDouble(const QString &text, double &out) const;
    ParseStatus ToSingle(const QString &text, float &out) const;
    // Rounded half to even, as every float-to-integer conversion of the program.
    ParseStatus ToInt16(const QString &text, int16_t &out) const;
    ParseStatus ToInt32(const QString &text, int32_t &out) const;

private:
    QChar m_decimal;
};

// Rounds half to even to the nearest integer (the conversion rule of the program).
double RoundHalfEven(double value);
