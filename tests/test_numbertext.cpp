// Number text: the fixed patterns and the general form, written and read back
// under a point and a comma decimal separator.
#include "model/NumberText.h"

#include <QtTest>

#include <cfloat>
#include <cstring>
#include <random>
#include <string>

namespace {

// The number text as the program first wrote it, by Qt's own conversions and a
// digit-count search. Every byte the fast text writes must equal this.
namespace reference {

bool allZeroDigits(const QString &text)
{
    for (QChar ch : text)
        if (ch.isDigit() && ch != QLatin1Char('0'))
            return false;
    return true;
}

QString Format(double value, const char *pattern, QChar decimal)
{
    int minDecimals = 0, maxDecimals = 0;
    bool percent = false;
    const char *c = pattern;
    while (*c == '0')
        ++c;
    if (*c == '.') {
        ++c;
        for (; *c == '0'; ++c)
            ++minDecimals;
        maxDecimals = minDecimals;
        for (; *c == '#'; ++c)
            ++maxDecimals;
    }
    percent = *c == '%';
    if (percent)
        value *= 100.0;
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));
    QString text = QString::number(value, 'f', maxDecimals);
    if (maxDecimals > minDecimals) {
        int keep = text.size();
        int decimals = maxDecimals;
        while (decimals > minDecimals && text.at(keep - 1) == QLatin1Char('0')) {
            --keep;
            --decimals;
        }
        if (decimals == 0)
            --keep;
        text.truncate(keep);
    }
    if (text.startsWith(QLatin1Char('-')) && allZeroDigits(text))
        text.remove(0, 1);
    text.replace(QLatin1Char('.'), decimal);
    if (percent)
        text += QLatin1Char('%');
    return text;
}

QString General(float value, QChar decimal)
{
    if (value == 0.0f)
        return QStringLiteral("0");
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));
    QString sci;
    for (int digits = 1; digits <= 9; ++digits) {
        sci = QString::number(double(value), 'e', digits - 1);
        if (static_cast<float>(sci.toDouble()) == value)
            break;
        if (digits == 7)
            break;
    }
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
            text += decimal + mantissa.mid(1);
        text += QStringLiteral("E%1%2").arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent < 0) {
        text = QStringLiteral("0") + decimal + QString(-exponent - 1, QLatin1Char('0')) + mantissa;
    } else if (mantissa.size() <= exponent + 1) {
        text = mantissa + QString(exponent + 1 - mantissa.size(), QLatin1Char('0'));
    } else {
        text = mantissa.left(exponent + 1) + decimal + mantissa.mid(exponent + 1);
    }
    return negative ? QLatin1Char('-') + text : text;
}

// The JSON form of nimbrel-cli (which wrote "null" where this gives NaN or an infinity).
QString Shortest(float value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));
    if (value == 0.0f)
        return QStringLiteral("0");
    QString text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = QString::number(double(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            break;
    }
    return text;
}

} // namespace reference

// How many values each property test draws: NIMBREL_NUMBER_SCALE=10 for a long run.
int scaled(int count)
{
    const int scale = qEnvironmentVariableIntValue("NIMBREL_NUMBER_SCALE");
    return count * (scale > 0 ? scale : 1);
}

QString bytesText(const char *begin, const char *end)
{
    return QString::fromLatin1(begin, end - begin);
}

float floatFromBits(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void patterns_data();
    void patterns();
    void general_data();
    void general();
    void generalRoundTripsRandomFloats();
    void generalMatchesReference();
    void formatMatchesReference();
    void formatTiesAndHugeMatchReference();
    void shortestMatchesReference();
    void bytesEqualText();
    void parse_data();
    void parse();
    void int16RoundsHalfToEven_data();
    void int16RoundsHalfToEven();
};

void TestNumberText::patterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("comma");

    QTest::newRow("whole") << 14.0 << "0" << "14" << "14";
    QTest::newRow("one decimal") << 42.0 << "0.0" << "42.0" << "42,0";
    QTest::newRow("three decimals") << 1.0 / 3.0 << "0.000" << "0.333" << "0,333";
    QTest::newRow("0.0## keeps one") << 2.0 << "0.0##" << "2.0" << "2,0";
    QTest::newRow("0.0## scan length in inches") << 0.787392 << "0.0##" << "0.787" << "0,787";
    QTest::newRow("0.0## two places") << 2.54 << "0.0##" << "2.54" << "2,54";
    QTest::newRow("percent whole") << 0.5 << "0%" << "50%" << "50%";
    QTest::newRow("percent one") << 0.25 << "0.0%" << "25.0%" << "25,0%";
    QTest::newRow("Abbott") << 1.0 - (8.0 / 20.0) / (18.0 / 20.0) << "0.00%" << "55.56%" << "55,56%";
    QTest::newRow("negative") << -3.26 << "0.0" << "-3.3" << "-3,3";
    QTest::newRow("no negative zero") << -0.0001 << "0.00" << "0.00" << "0,00";
    QTest::newRow("float diameter") << double(3 * 25 * 0.56f) << "0.0" << "42.0" << "42,0";
}

void TestNumberText::patterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, point);
    QFETCH(QString, comma);
    const QByteArray p = pattern.toLatin1();
    QCOMPARE(NumberFormat(QLatin1Char('.')).Format(value, p.constData()), point);
    QCOMPARE(NumberFormat(QLatin1Char(',')).Format(value, p.constData()), comma);
}

void TestNumberText::general_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("point");

    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("spread factor") << 0.56f << "0.56";
    QTest::newRow("position") << -12.5f << "-12.5";
    QTest::newRow("seven digits") << 1234567.0f << "1234567";
    QTest::newRow("capped at seven") << 1.0f / 3.0f << "0.3333333";
    QTest::newRow("small") << 0.001f << "0.001";
    QTest::newRow("large") << 1e20f << "1E+20";
    QTest::newRow("tiny") << 1.5e-7f << "1.5E-07";
}

void TestNumberText::general()
{
    QFETCH(float, value);
    QFETCH(QString, point);
    QCOMPARE(NumberFormat(QLatin1Char('.')).General(value), point);
    QString comma = point;
    comma.replace(QLatin1Char('.'), QLatin1Char(','));
    QCOMPARE(NumberFormat(QLatin1Char(',')).General(value), comma);
}

// What the program writes it must read back: with at most seven significant
// digits, any float within that precision survives the trip exactly.
void TestNumberText::generalRoundTripsRandomFloats()
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> mantissa(-9999999, 9999999);
    std::uniform_int_distribution<int> exponent(-6, 6);
    for (QChar sep : {QLatin1Char('.'), QLatin1Char(',')}) {
        const NumberFormat format(sep);
        for (int i = 0; i < 20000; ++i) {
            const float value = static_cast<float>(mantissa(rng) * std::pow(10.0, exponent(rng)));
            const QString text = format.General(value);
            float back = 0;
            QCOMPARE(format.ToSingle(text, back), ParseStatus::Ok);
            const float tolerance = std::fabs(value) * 1e-6f;
            QVERIFY2(std::fabs(back - value) <= tolerance, qPrintable(text));
        }
        // Values a person types are short and must come back bit for bit.
        for (int i = -2000; i <= 2000; ++i) {
            const float value = static_cast<float>(i) / 8.0f;
            float back = 0;
            QCOMPARE(format.ToSingle(format.General(value), back), ParseStatus::Ok);
            QCOMPARE(back, value);
        }
    }
}

// Any float at all, by its bits, and the values the program meets: typed
// figures of a few digits, whole counts, and computed fractions.
void TestNumberText::generalMatchesReference()
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_int_distribution<int> typed(-99999, 99999), places(0, 6), whole(-20000000, 20000000);
    std::uniform_real_distribution<float> fraction(0.0f, 1000.0f);
    char bytes[NumberText::kCapacity];
    for (int i = 0; i < scaled(500000); ++i) {
        float value;
        switch (i % 4) {
        case 0: value = floatFromBits(bits(rng)); break;
        case 1: value = float(typed(rng) / std::pow(10.0, places(rng))); break;
        case 2: value = float(whole(rng)); break;
        default: value = fraction(rng) / float(1 + places(rng)); break;
        }
        const QChar decimal = i % 2 ? QLatin1Char('.') : QLatin1Char(',');
        const QString expected = reference::General(value, decimal);
        if (NumberFormat(decimal).General(value) != expected
            || bytesText(bytes, NumberText::General(bytes, value, char(decimal.unicode()))) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 (bits %2): %3 expected %4")
                                 .arg(double(value), 0, 'g', 17)
                                 .arg(std::bit_cast<uint32_t>(value), 8, 16, QLatin1Char('0'))
                                 .arg(NumberFormat(decimal).General(value), expected)));
    }
}

// Figures as the program formats them: floats widened to double and results of
// double arithmetic, in every pattern it uses.
void TestNumberText::formatMatchesReference()
{
    const char *patterns[] = {"0", "0.0", "0.00", "0.000", "0.0#", "0.0##", "0%", "0.0%", "0.00%"};
    std::mt19937 rng(13);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_real_distribution<double> wide(-1e6, 1e6), narrow(-2.0, 2.0);
    char bytes[NumberText::kCapacity];
    for (int i = 0; i < scaled(1000000); ++i) {
        double value;
        switch (i % 4) {
        case 0: value = double(floatFromBits(bits(rng))); break;
        case 1: value = wide(rng); break;
        case 2: value = narrow(rng); break;
        default: value = double(float(narrow(rng) * 100.0)); break;
        }
        const char *pattern = patterns[i % std::size(patterns)];
        const QChar decimal = i % 3 ? QLatin1Char('.') : QLatin1Char(',');
        const QString expected = reference::Format(value, pattern, decimal);
        if (NumberFormat(decimal).Format(value, pattern) != expected
            || bytesText(bytes, NumberText::Format(bytes, value, pattern, char(decimal.unicode()))) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 in %2: %3 expected %4")
                                 .arg(value, 0, 'g', 17)
                                 .arg(QLatin1String(pattern), NumberFormat(decimal).Format(value, pattern),
                                      expected)));
    }
}

// Values exactly halfway between two results (rounded away from zero, never to
// even), one step either side of them, and doubles too large for a fast path.
void TestNumberText::formatTiesAndHugeMatchReference()
{
    const struct {
        const char *Pattern;
        int Decimals; // places after the percent scaling
    } patterns[] = {{"0", 0}, {"0.0", 1}, {"0.00", 2}, {"0.000", 3}, {"0.0##", 3}, {"0%", 0}, {"0.00%", 2}};
    std::mt19937 rng(17);
    std::uniform_int_distribution<int64_t> whole(-(int64_t(1) << 53), int64_t(1) << 53);
    std::uniform_int_distribution<int> shift(0, 52), exponent(-1074, 971);
    const NumberFormat format;
    for (int i = 0; i < scaled(300000); ++i) {
        const auto &p = patterns[i % std::size(patterns)];
        const double odd = double((whole(rng) >> shift(rng)) | 1);
        double value;
        switch (i % 4) {
        case 0: value = std::ldexp(odd, -(p.Decimals + 1)); break;                  // a tie
        case 1: value = std::nextafter(std::ldexp(odd, -(p.Decimals + 1)), i % 8 < 4 ? 0.0 : odd); break;
        case 2: value = std::ldexp(odd, -(p.Decimals + 3)); break;                  // a quarter
        default: value = std::ldexp(odd, exponent(rng)); break;
        }
        if (std::strchr(p.Pattern, '%'))
            value /= 100.0;
        const QString expected = reference::Format(value, p.Pattern, QLatin1Char('.'));
        if (format.Format(value, p.Pattern) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 in %2: %3 expected %4")
                                 .arg(value, 0, 'g', 17)
                                 .arg(QLatin1String(p.Pattern), format.Format(value, p.Pattern), expected)));
    }
}

void TestNumberText::shortestMatchesReference()
{
    std::mt19937 rng(19);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_int_distribution<int> typed(-99999, 99999), places(0, 8);
    char bytes[NumberText::kCapacity];
    for (int i = 0; i < scaled(250000); ++i) {
        const float value = i % 2 ? floatFromBits(bits(rng)) : float(typed(rng) / std::pow(10.0, places(rng)));
        const QString expected = reference::Shortest(value);
        const QString actual = bytesText(bytes, NumberText::Shortest(bytes, value));
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1: %2 expected %3").arg(double(value), 0, 'g', 17).arg(actual, expected)));
    }
}

// Writers append the bytes to their own buffers, with the separator as a byte.
void TestNumberText::bytesEqualText()
{
    const NumberFormat comma(QLatin1Char(','));
    std::string text;
    QByteArray array;
    QString expected;
    for (float value : {0.0f, -12.5f, 0.56f, 1e20f, 1.5e-7f, std::numeric_limits<float>::quiet_NaN()}) {
        NumberText::AppendGeneral(text, value, ',');
        NumberText::AppendGeneral(array, value, ',');
        expected += comma.General(value);
    }
    for (double value : {0.125, -0.0001, 2.5, 1e300, -std::numeric_limits<double>::infinity()})
        for (const char *pattern : {"0", "0.00", "0.0##", "0.0%"}) {
            NumberText::AppendFormat(text, value, pattern, ',');
            NumberText::AppendFormat(array, value, pattern, ',');
            expected += comma.Format(value, pattern);
        }
    QCOMPARE(QString::fromLatin1(text), expected);
    QCOMPARE(QString::fromLatin1(array), expected);
}

void TestNumberText::parse_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("value");

    const int ok = int(ParseStatus::Ok), bad = int(ParseStatus::NotANumber), range = int(ParseStatus::OutOfRange);
    QTest::newRow("plain") << "." << "3.5" << ok << 3.5;
    QTest::newRow("blanks around") << "." << "  42 " << ok << 42.0;
    QTest::newRow("sign") << "." << "-0.25" << ok << -0.25;
    QTest::newRow("leading separator") << "." << ".5" << ok << 0.5;
    QTest::newRow("exponent") << "." << "1.5E+03" << ok << 1500.0;
    QTest::newRow("comma locale") << "," << "3,5" << ok << 3.5;
    QTest::newRow("point under comma locale refused") << "," << "3.5" << bad << 0.0;
    QTest::newRow("comma under point locale refused") << "." << "3,5" << bad << 0.0;
    QTest::newRow("empty") << "." << "" << bad << 0.0;
    QTest::newRow("minus alone") << "." << "-" << bad << 0.0;
    QTest::newRow("separator alone") << "." << "." << bad << 0.0;
    QTest::newRow("letters") << "." << "abc" << bad << 0.0;
    QTest::newRow("two separators") << "." << "1.2.3" << bad << 0.0;
    QTest::newRow("infinity word") << "." << "inf" << bad << 0.0;
    QTest::newRow("beyond float") << "." << "1e39" << range << 0.0;
}

void TestNumberText::parse()
{
    QFETCH(QString, separator);
    QFETCH(QString, text);
    QFETCH(int, status);
    QFETCH(double, value);
    float out = -1;
    QCOMPARE(int(NumberFormat(separator.at(0)).ToSingle(text, out)), status);
    if (status == int(ParseStatus::Ok))
        QCOMPARE(out, static_cast<float>(value));
    else
        QCOMPARE(out, -1.0f); // a failed read leaves the target alone
}

void TestNumberText::int16RoundsHalfToEven_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("value");

    const int ok = int(ParseStatus::Ok), range = int(ParseStatus::OutOfRange);
    QTest::newRow("2.5 to 2") << "2.5" << ok << 2;
    QTest::newRow("3.5 to 4") << "3.5" << ok << 4;
    QTest::newRow("-2.5 to -2") << "-2.5" << ok << -2;
    QTest::newRow("top") << "32767" << ok << 32767;
    QTest::newRow("one above") << "32768" << range << 0;
    QTest::newRow("rounds above") << "32767.5" << range << 0;
    QTest::newRow("bottom") << "-32768" << ok << -32768;
    QTest::newRow("huge") << "99999999999" << range << 0;
}

void TestNumberText::int16RoundsHalfToEven()
{
    QFETCH(QString, text);
    QFETCH(int, status);
    QFETCH(int, value);
    int16_t out = 0;
    QCOMPARE(int(NumberFormat().ToInt16(text, out)), status);
    if (status == int(ParseStatus::Ok))
        QCOMPARE(int(out), value);
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
