#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <string>

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

// The same texts as bytes, for writers that build encoded output themselves and
// must not pay for a QString per number. `decimal` is the separator as one byte of
// the output's encoding. Each function writes at most kCapacity bytes from `out`
// and returns the end of what it wrote.
namespace NumberText {

inline constexpr int kCapacity = 352; // the widest double in "0.000%" and room to spare

char *General(char *out, float value, char decimal = '.');
char *Format(char *out, double value, const char *pattern, char decimal = '.');

// Machine text of a float for JSON and the like: the shortest text (up to nine
// significant digits) that reads back to the same float, always with a point, in
// C's %g layout ("0.56", "1e+02", "1.5e-07"). NaN and infinities are not numbers
// there; the caller decides what stands for them.
char *Shortest(char *out, float value);

template <typename Bytes> // std::string, QByteArray
void AppendGeneral(Bytes &out, float value, char decimal = '.')
{
    char buffer[kCapacity];
    out.append(buffer, General(buffer, value, decimal) - buffer);
}

template <typename Bytes>
void AppendFormat(Bytes &out, double value, const char *pattern, char decimal = '.')
{
    char buffer[kCapacity];
    out.append(buffer, Format(buffer, value, pattern, decimal) - buffer);
}

} // namespace NumberText
