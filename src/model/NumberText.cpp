#include "NumberText.h"

#include <QLocale>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
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
    Q_ASSERT_X(p.maxDecimals <= 17, "NumberFormat::Format", pattern); // keeps within kCapacity
    return p;
}

constexpr uint64_t kPow10[] = {1ull,
                               10ull,
                               100ull,
                               1000ull,
                               10000ull,
                               100000ull,
                               1000000ull,
                               10000000ull,
                               100000000ull,
                               1000000000ull,
                               10000000000ull,
                               100000000000ull,
                               1000000000000ull,
                               10000000000000ull,
                               100000000000000ull,
                               1000000000000000ull,
                               10000000000000000ull,
                               100000000000000000ull};

// Powers of ten a double holds exactly: a product or quotient with one of them is
// rounded once, as a correct decimal parser would round the same text.
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

char *copy(char *out, const char *text)
{
    while (*text)
        *out++ = *text++;
    return out;
}

char *nonFinite(char *out, double value)
{
    return copy(out, std::isnan(value) ? "NaN" : (value < 0 ? "-Infinity" : "Infinity"));
}

char *digitsOf(char *out, uint64_t value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

char *zeros(char *out, int count)
{
    for (int i = 0; i < count; ++i)
        *out++ = '0';
    return out;
}

char *exponentPart(char *out, char letter, int exponent)
{
    *out++ = letter;
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10)
        *out++ = '0';
    return digitsOf(out, uint64_t(magnitude));
}

// ---- Fixed decimals ----------------------------------------------------------
// The program has always rounded a value lying exactly halfway away from zero
// (0.125 in "0.00" is "0.13"); std::to_chars would go to the even digit.

// The magnitude times 10^decimals rounded to a whole number, or false where the
// rounded product cannot tell which side of a half the exact value lies on (a
// value near a tie, or too large for the fraction to survive the product).
bool roundScaled(double magnitude, int decimals, uint64_t &out)
{
    const double y = magnitude * kExactPow10[decimals];
    if (!(y < 0x1p51))
        return false;
    const double whole = std::floor(y);
    const double aboveHalf = (y - whole) - 0.5;
    const double margin = y * 0x1p-52; // at least twice the error of the product
    if (aboveHalf > margin)
        out = uint64_t(whole) + 1;
    else if (aboveHalf < -margin)
        out = uint64_t(whole);
    else
        return false;
    return true;
}

// Plain "digits.decimals" with a point, exact for any double.
char *fixedSlow(char *out, double magnitude, int decimals)
{
    // A tie has its last binary digit at 2^-(decimals+1): its expansion ends in
    // a 5 one place further, which is dropped and carried upwards.
    const double twice = std::ldexp(magnitude, decimals + 1);
    if (!(twice < 0x1p53 && std::fmod(twice, 2.0) == 1.0))
        return std::to_chars(out, out + NumberText::kCapacity, magnitude, std::chars_format::fixed, decimals).ptr;

    *out = '0'; // room for a carry out of the first digit
    char *end = std::to_chars(out + 1, out + NumberText::kCapacity, magnitude, std::chars_format::fixed,
                              decimals + 1).ptr - 1;
    char *digit = end - 1;
    for (;; --digit) {
        if (*digit == '.')
            continue;
        if (*digit != '9')
            break;
        *digit = '0';
    }
    ++*digit;
    if (decimals == 0)
        --end; // the point
    if (digit > out) { // no carry out: close the gap
        std::memmove(out, out + 1, size_t(end - out - 1));
        --end;
    }
    return end;
}

// ---- Shortest digits of a float ----------------------------------------------

// A decimal of `digits` significant digits: Mantissa × 10^(Exponent - digits + 1).
struct Rounded {
    uint64_t Mantissa = 0;
    int Exponent = 0;
};

// The first 17 significant digits of a positive double, from which it is rounded
// to fewer digits without a second rounding error.
class Digits17
{
public:
    explicit Digits17(double value)
        : m_value(value)
    {
        char text[32];
        const char *end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 16).ptr;
        // "d.dddddddddddddddde±XX"
        m_digits = uint64_t(text[0] - '0');
        for (int i = 2; i < 18; ++i)
            m_digits = m_digits * 10 + uint64_t(text[i] - '0');
        std::from_chars(text + 19 + (text[19] == '+'), end, m_exponent);
    }

    // Rounded to `digits` significant digits (1..16), halfway away from zero.
    Rounded Round(int digits) const
    {
        const uint64_t unit = kPow10[17 - digits];
        Rounded r{m_digits / unit, m_exponent};
        const uint64_t rest = m_digits % unit, half = unit / 2;
        const bool up = rest != half ? rest > half : exactDigitAtLeastFive(digits);
        if (up && ++r.Mantissa == kPow10[digits]) {
            r.Mantissa /= 10;
            ++r.Exponent;
        }
        return r;
    }

private:
    // The 17 digits sit exactly on a half of the last kept digit, and may have
    // been rounded there: the exact expansion (a float has at most 112
    // significant digits) decides.
    bool exactDigitAtLeastFive(int index) const
    {
        char text[NumberText::kCapacity];
        std::to_chars(text, text + sizeof text, m_value, std::chars_format::scientific, 120);
        return text[index + 1] >= '5'; // "d." then the digits after the first
    }

    double m_value;
    uint64_t m_digits = 0;
    int m_exponent = 0;
};

// Does the text of `r` read back to `target`? Asked as the program always has:
// the text read as a double, then narrowed to a float.
bool readsBackAs(const Rounded &r, int digits, float target)
{
    const int scale = r.Exponent - digits + 1;
    double back;
    if (scale >= 0 && scale <= 22) {
        back = double(r.Mantissa) * kExactPow10[scale];
    } else if (scale < 0 && scale >= -22) {
        back = double(r.Mantissa) / kExactPow10[-scale];
    } else {
        char text[48];
        char *end = digitsOf(text, r.Mantissa);
        *end++ = 'e';
        end = std::to_chars(end, text + sizeof text, scale).ptr;
        std::from_chars(text, end, back);
    }
    if (back >= 0x1.ffffffp127) // narrows to infinity
        return false;
    return static_cast<float>(back) == target;
}

struct ShortDigits {
    uint64_t Mantissa = 0; // trailing zeros removed
    int Length = 0;        // its digits
    int Exponent = 0;      // of the first digit
    int Searched = 0;      // significant digits the search stopped at
};

void dropTrailingZeros(ShortDigits &s)
{
    while (s.Length > 1 && s.Mantissa % 10 == 0) {
        s.Mantissa /= 10;
        --s.Length;
    }
}

// The significant digits of the shortest text that reads back to `magnitude`.
int shortestLength(float magnitude)
{
    char text[32];
    const char *end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific).ptr;
    const char *e = std::find(static_cast<const char *>(text), end, 'e');
    return int(e - text) - (e - text > 1 ? 1 : 0); // "d.ddd": the point is no digit
}

// The fewest significant digits, at most maxDigits, whose correctly rounded text
// reads back to the same float; the text at maxDigits where none does.
ShortDigits shortestDigits(float magnitude, int maxDigits)
{
    ShortDigits s;
    if (magnitude < 1e7f && magnitude == std::trunc(magnitude)) {
        // A whole number of up to seven digits is its own shortest text: every
        // rounding of it to fewer digits is another whole number a float holds.
        s.Mantissa = uint64_t(magnitude);
        s.Length = 1;
        for (uint64_t m = s.Mantissa; m >= 10; m /= 10)
            ++s.Length;
        s.Exponent = s.Length - 1;
        dropTrailingZeros(s);
        s.Searched = s.Length;
        return s;
    }
    const Digits17 digits17(magnitude);
    Rounded r;
    // Fewer digits than the float's own shortest text never read back, but one
    // fewer can: reading back goes through a double, and for a rare float the
    // double lands on the float where a direct reading would not (7.038531e-26
    // reads back, its shortest float text being 7.0385313e-26). Checked on every
    // float: the search starting one below finds what the full search finds.
    int digits = std::clamp(shortestLength(magnitude) - 1, 1, maxDigits);
    for (; digits <= maxDigits; ++digits) {
        r = digits17.Round(digits);
        if (readsBackAs(r, digits, magnitude))
            break;
    }
    digits = std::min(digits, maxDigits);
    s.Mantissa = r.Mantissa;
    s.Length = digits;
    s.Exponent = r.Exponent;
    s.Searched = digits;
    dropTrailingZeros(s);
    return s;
}

// Mantissa digits placed as plain decimal text around the point.
char *plainDecimal(char *out, const ShortDigits &s, char decimal)
{
    char m[24];
    digitsOf(m, s.Mantissa);
    if (s.Exponent < 0) {
        *out++ = '0';
        *out++ = decimal;
        out = zeros(out, -s.Exponent - 1);
        return std::copy(m, m + s.Length, out);
    }
    if (s.Length <= s.Exponent + 1)
        return zeros(std::copy(m, m + s.Length, out), s.Exponent + 1 - s.Length);
    out = std::copy(m, m + s.Exponent + 1, out);
    *out++ = decimal;
    return std::copy(m + s.Exponent + 1, m + s.Length, out);
}

char *scientific(char *out, const ShortDigits &s, char decimal, char letter)
{
    char m[24];
    digitsOf(m, s.Mantissa);
    *out++ = m[0];
    if (s.Length > 1) {
        *out++ = decimal;
        out = std::copy(m + 1, m + s.Length, out);
    }
    return exponentPart(out, letter, s.Exponent);
}

} // namespace

char *NumberText::Format(char *out, double value, const char *pattern, char decimal)
{
    const Pattern p = parsePattern(pattern);
    if (p.percent)
        value *= 100.0;
    if (!std::isfinite(value))
        return nonFinite(out, value);

    // Unsigned digits with a point first; sign, separator and percent after.
    char text[kCapacity];
    char *end;
    const double magnitude = std::fabs(value);
    uint64_t scaled = 0;
    if (roundScaled(magnitude, p.maxDecimals, scaled)) {
        end = digitsOf(text, scaled / kPow10[p.maxDecimals]);
        if (p.maxDecimals > 0) {
            *end++ = '.';
            uint64_t fraction = scaled % kPow10[p.maxDecimals];
            for (int i = p.maxDecimals - 1; i >= 0; --i, fraction /= 10)
                end[i] = char('0' + fraction % 10);
            end += p.maxDecimals;
        }
    } else {
        end = fixedSlow(text, magnitude, p.maxDecimals);
    }

    // Optional '#' places: drop trailing zeros down to the fixed ones.
    if (p.maxDecimals > p.minDecimals) {
        int decimals = p.maxDecimals;
        while (decimals > p.minDecimals && end[-1] == '0') {
            --end;
            --decimals;
        }
        if (decimals == 0)
            --end; // the point itself
    }
    // No "-0.00" for a value that rounds to zero.
    if (value < 0 && std::any_of(text, end, [](char c) { return c != '0' && c != '.'; }))
        *out++ = '-';
    for (const char *c = text; c != end; ++c)
        *out++ = *c == '.' ? decimal : *c;
    if (p.percent)
        *out++ = '%';
    return out;
}

char *NumberText::General(char *out, float value, char decimal)
{
    if (value == 0.0f) {
        *out++ = '0';
        return out;
    }
    if (!std::isfinite(value))
        return nonFinite(out, value);
    if (value < 0)
        *out++ = '-';
    const ShortDigits s = shortestDigits(std::fabs(value), 7);
    if (s.Exponent < -5 || s.Exponent >= 15)
        return scientific(out, s, decimal, 'E');
    return plainDecimal(out, s, decimal);
}

char *NumberText::Shortest(char *out, float value)
{
    if (value == 0.0f) {
        *out++ = '0';
        return out;
    }
    if (!std::isfinite(value))
        return nonFinite(out, value);
    if (value < 0)
        *out++ = '-';
    // Nine digits always read back, so the search never runs out.
    const ShortDigits s = shortestDigits(std::fabs(value), 9);
    if (s.Exponent < -4 || s.Exponent >= s.Searched)
        return scientific(out, s, '.', 'e');
    return plainDecimal(out, s, '.');
}

namespace {

QString toText(const char *begin, const char *end, QChar decimal)
{
    QString text(end - begin, Qt::Uninitialized);
    QChar *out = text.data();
    for (; begin != end; ++begin, ++out)
        *out = *begin == '.' ? decimal : QLatin1Char(*begin);
    return text;
}

} // namespace

QString NumberFormat::Format(double value, const char *pattern) const
{
    char text[NumberText::kCapacity];
    return toText(text, NumberText::Format(text, value, pattern), m_decimal);
}

QString NumberFormat::General(float value) const
{
    char text[NumberText::kCapacity];
    return toText(text, NumberText::General(text, value), m_decimal);
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
