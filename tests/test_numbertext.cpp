#include "model/NumberText.h"

#include <QtTest>

#include <bit>
#include <cstring>
#include <random>
#include <string>

namespace {

// The former text, by Qt's conversions and a digit-count search; the fast text must match it byte for byte.
namespace reference {

QString nonFinite(double value)
{
    return std::isnan(value) ? QStringLiteral("NaN") : (value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity"));
}

QString Format(double value, const char *pattern, QChar decimal)
{
    int minDecimals = 0, maxDecimals = 0;
    const char *c = pattern + std::strspn(pattern, "0");
    if (*c == '.') {
        for (++c; *c == '0'; ++c)
            ++minDecimals;
        for (maxDecimals = minDecimals; *c == '#'; ++c)
            ++maxDecimals;
    }
    const bool percent = *c == '%';
    if (percent)
        value *= 100.0;
    if (!std::isfinite(value))
        return nonFinite(value);
    QString text = QString::number(value, 'f', maxDecimals);
    int decimals = maxDecimals;
    for (; decimals > minDecimals && text.endsWith(QLatin1Char('0')); --decimals)
        text.chop(1);
    if (decimals == 0 && maxDecimals > 0)
        text.chop(1); // the point
    if (text.startsWith(QLatin1Char('-')) && std::none_of(text.begin(), text.end(), [](QChar ch) { return ch > '0' && ch <= '9'; }))
        text.remove(0, 1);
    text.replace(QLatin1Char('.'), decimal);
    return percent ? text + QLatin1Char('%') : text;
}

QString General(float value, QChar decimal)
{
    if (value == 0.0f || !std::isfinite(value))
        return value == 0.0f ? QStringLiteral("0") : nonFinite(value);
    QString sci;
    for (int digits = 1; digits <= 7; ++digits) { // seven significant digits at most
        sci = QString::number(double(value), 'e', digits - 1);
        if (static_cast<float>(sci.toDouble()) == value)
            break;
    }
    const bool negative = sci.startsWith(QLatin1Char('-'));
    const int ePos = sci.indexOf(QLatin1Char('e'));
    QString mantissa = sci.mid(negative ? 1 : 0, ePos - (negative ? 1 : 0)).remove(QLatin1Char('.'));
    const int exponent = sci.mid(ePos + 1).toInt();
    while (mantissa.size() > 1 && mantissa.endsWith(QLatin1Char('0')))
        mantissa.chop(1);
    QString text;
    if (exponent < -5 || exponent >= 15)
        text = mantissa.left(1) + (mantissa.size() > 1 ? decimal + mantissa.mid(1) : QString())
             + QStringLiteral("E%1%2").arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                   .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    else if (exponent < 0)
        text = QStringLiteral("0") + decimal + QString(-exponent - 1, QLatin1Char('0')) + mantissa;
    else if (mantissa.size() <= exponent + 1)
        text = mantissa + QString(exponent + 1 - mantissa.size(), QLatin1Char('0'));
    else
        text = mantissa.left(exponent + 1) + decimal + mantissa.mid(exponent + 1);
    return negative ? QLatin1Char('-') + text : text;
}

// The JSON form.
QString Shortest(float value)
{
    if (value == 0.0f || !std::isfinite(value))
        return value == 0.0f ? QStringLiteral("0") : nonFinite(value);
    QString text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = QString::number(double(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            break;
    }
    return text;
}

} // namespace reference

// NIMBREL_NUMBER_SCALE=10 for a long run.
int scaled(int count) { return count * std::max(1, qEnvironmentVariableIntValue("NIMBREL_NUMBER_SCALE")); }

bool same(const QString &actual, const QString &expected, double value)
{
    if (actual == expected)
        return true;
    qWarning("%.17g: %s expected %s", value, qPrintable(actual), qPrintable(expected));
    return false;
}

bool same(const char *begin, const char *end, const QString &expected, double value)
{ return same(QString::fromLatin1(begin, end - begin), expected, value); }

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    // Hand-checked texts; a "G" pattern is the general form of the float.
    void handChecked_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("point");
        QTest::newRow("0.0## keeps one") << 2.0 << "0.0##" << "2.0";
        QTest::newRow("0.0## scan length in inches") << 0.787392 << "0.0##" << "0.787";
        QTest::newRow("Abbott") << 1.0 - (8.0 / 20.0) / (18.0 / 20.0) << "0.00%" << "55.56%";
        QTest::newRow("negative") << -3.26 << "0.0" << "-3.3";
        QTest::newRow("no negative zero") << -0.0001 << "0.00" << "0.00";
        QTest::newRow("float diameter") << double(3 * 25 * 0.56f) << "0.0" << "42.0";
        QTest::newRow("spread factor") << double(0.56f) << "G" << "0.56";
        QTest::newRow("capped at seven") << double(1.0f / 3.0f) << "G" << "0.3333333";
        QTest::newRow("large") << double(1e20f) << "G" << "1E+20";
        QTest::newRow("tiny") << double(1.5e-7f) << "G" << "1.5E-07";
    }
    void handChecked()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, point);
        for (QChar sep : {QLatin1Char('.'), QLatin1Char(',')}) {
            const NumberFormat format(sep);
            const QByteArray p = pattern.toLatin1();
            QCOMPARE(pattern == QLatin1String("G") ? format.General(float(value)) : format.Format(value, p.constData()),
                     QString(point).replace(QLatin1Char('.'), sep));
        }
    }

    // Any float by its bits, typed figures (which must also read back bit for bit),
    // whole counts and computed fractions; the JSON form and the byte forms alongside.
    void generalMatchesReference()
    {
        std::mt19937 rng(11);
        std::uniform_int_distribution<uint32_t> bits;
        std::uniform_int_distribution<int> typed(-99999, 99999), places(0, 8), whole(-20000000, 20000000);
        std::uniform_real_distribution<float> fraction(0.0f, 1000.0f);
        char bytes[NumberText::kCapacity];
        std::string appended;
        QString expectedAppended;
        for (int i = 0; i < scaled(500000); ++i) {
            float value;
            switch (i % 4) {
            case 0: value = std::bit_cast<float>(bits(rng)); break;
            case 1: value = float(typed(rng) / std::pow(10.0, places(rng))); break;
            case 2: value = float(whole(rng)); break;
            default: value = fraction(rng) / float(1 + places(rng)); break;
            }
            const QChar decimal = i % 3 ? QLatin1Char('.') : QLatin1Char(',');
            const QString expected = reference::General(value, decimal);
            QVERIFY(same(NumberFormat(decimal).General(value), expected, value));
            float back = 0;
            QVERIFY(i % 4 != 1 || (NumberFormat(decimal).ToSingle(expected, back) == ParseStatus::Ok && back == value));
            QVERIFY(same(bytes, NumberText::General(bytes, value, char(decimal.unicode())), expected, value));
            QVERIFY(same(bytes, NumberText::Shortest(bytes, value), reference::Shortest(value), value));
            if (i % 1000 == 0) { NumberText::AppendGeneral(appended, value, char(decimal.unicode())); expectedAppended += expected; }
        }
        QCOMPARE(QString::fromLatin1(appended), expectedAppended);
        // Read back through a double, this float's text needs one digit fewer than
        // its shortest text as a float.
        const float fewer = std::bit_cast<float>(0x15ae43feu);
        QVERIFY(same(bytes, NumberText::Shortest(bytes, fewer), QStringLiteral("7.038531e-26"), fewer));
        QVERIFY(same(bytes, NumberText::Shortest(bytes, fewer), reference::Shortest(fewer), fewer));
    }

    // Floats widened to double, results of double arithmetic, exact ties (away from
    // zero, never to even) with a step either side, and doubles too large for a fast
    // path, in every pattern used.
    void formatMatchesReference()
    {
        const char *patterns[] = {"0", "0.0", "0.00", "0.000", "0.0#", "0.0##", "0%", "0.0%", "0.00%"};
        std::mt19937 rng(13);
        std::uniform_int_distribution<uint32_t> bits;
        std::uniform_real_distribution<double> wide(-1e6, 1e6), narrow(-2.0, 2.0);
        std::uniform_int_distribution<int64_t> whole(-(int64_t(1) << 53), int64_t(1) << 53);
        std::uniform_int_distribution<int> shift(0, 52), exponent(-1074, 971);
        char bytes[NumberText::kCapacity];
        QByteArray appended;
        QString expectedAppended;
        for (int i = 0; i < scaled(1300000); ++i) {
            const char *pattern = patterns[i % std::size(patterns)];
            const char *point = std::strchr(pattern, '.');
            const int decimals = point ? int(std::strcspn(point + 1, "%")) : 0;
            const double odd = double((whole(rng) >> shift(rng)) | 1);
            double value;
            switch (i % 8) {
            case 0: value = double(std::bit_cast<float>(bits(rng))); break;
            case 1: value = wide(rng); break;
            case 2: value = narrow(rng); break;
            case 3: value = double(float(narrow(rng) * 100.0)); break;
            case 4: value = std::ldexp(odd, -(decimals + 1)); break; // a tie
            case 5: value = std::nextafter(std::ldexp(odd, -(decimals + 1)), i % 16 < 8 ? 0.0 : odd); break;
            case 6: value = std::ldexp(odd, -(decimals + 3)); break; // a quarter
            default: value = std::ldexp(odd, exponent(rng)); break;
            }
            if (i % 8 >= 4 && std::strchr(pattern, '%'))
                value /= 100.0;
            const QChar decimal = i % 3 ? QLatin1Char('.') : QLatin1Char(',');
            const QString expected = reference::Format(value, pattern, decimal);
            QVERIFY(same(NumberFormat(decimal).Format(value, pattern), expected, value));
            QVERIFY(same(bytes, NumberText::Format(bytes, value, pattern, char(decimal.unicode())), expected, value));
            if (i % 1000 == 0) { NumberText::AppendFormat(appended, value, pattern, char(decimal.unicode())); expectedAppended += expected; }
        }
        QCOMPARE(QString::fromLatin1(appended), expectedAppended);
    }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
