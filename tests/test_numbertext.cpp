#include "model/NumberText.h"

#include <QtTest>

#include <cfloat>
#include <cstring>
#include <random>
#include <string>

namespace {

// The former text, by Qt's conversions and a digit-count search; the fast text must match it byte for byte.
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
    for (int digits = 1; digits <= 7; ++digits) { // seven significant digits at most
        sci = QString::number(double(value), 'e', digits - 1);
        if (static_cast<float>(sci.toDouble()) == value)
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

// The JSON form.
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

// NIMBREL_NUMBER_SCALE=10 for a long run.
int scaled(int count)
{
    const int scale = qEnvironmentVariableIntValue("NIMBREL_NUMBER_SCALE");
    return count * (scale > 0 ? scale : 1);
}

QString bytesText(const char *begin, const char *end) { return QString::fromLatin1(begin, end - begin); }

bool same(const QString &actual, const QString &expected, double value)
{
    if (actual == expected)
        return true;
    qWarning("%.17g: %s expected %s", value, qPrintable(actual), qPrintable(expected));
    return false;
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
    void patterns_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("comma");

        QTest::newRow("one decimal") << 42.0 << "0.0" << "42.0" << "42,0";
        QTest::newRow("0.0## keeps one") << 2.0 << "0.0##" << "2.0" << "2,0";
        QTest::newRow("0.0## scan length in inches") << 0.787392 << "0.0##" << "0.787" << "0,787";
        QTest::newRow("Abbott") << 1.0 - (8.0 / 20.0) / (18.0 / 20.0) << "0.00%" << "55.56%" << "55,56%";
        QTest::newRow("negative") << -3.26 << "0.0" << "-3.3" << "-3,3";
        QTest::newRow("no negative zero") << -0.0001 << "0.00" << "0.00" << "0,00";
        QTest::newRow("float diameter") << double(3 * 25 * 0.56f) << "0.0" << "42.0" << "42,0";
    }

    void patterns()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, point);
        QFETCH(QString, comma);
        const QByteArray p = pattern.toLatin1();
        QCOMPARE(NumberFormat(QLatin1Char('.')).Format(value, p.constData()), point);
        QCOMPARE(NumberFormat(QLatin1Char(',')).Format(value, p.constData()), comma);
    }

    void general_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("point");

        QTest::newRow("zero") << 0.0f << "0";
        QTest::newRow("spread factor") << 0.56f << "0.56";
        QTest::newRow("capped at seven") << 1.0f / 3.0f << "0.3333333";
        QTest::newRow("large") << 1e20f << "1E+20";
        QTest::newRow("tiny") << 1.5e-7f << "1.5E-07";
    }

    void general()
    {
        QFETCH(float, value);
        QFETCH(QString, point);
        QCOMPARE(NumberFormat(QLatin1Char('.')).General(value), point);
        QString comma = point;
        comma.replace(QLatin1Char('.'), QLatin1Char(','));
        QCOMPARE(NumberFormat(QLatin1Char(',')).General(value), comma);
    }

    // Values a person types are short and must come back bit for bit.
    void generalRoundTrips()
    {
        for (QChar sep : {QLatin1Char('.'), QLatin1Char(',')}) {
            const NumberFormat format(sep);
            for (int i = -2000; i <= 2000; ++i) {
                const float value = static_cast<float>(i) / 8.0f;
                float back = 0;
                QCOMPARE(format.ToSingle(format.General(value), back), ParseStatus::Ok);
                QCOMPARE(back, value);
            }
        }
    }

    // Any float by its bits, typed figures, whole counts and computed fractions; the
    // JSON form and the byte forms alongside.
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
            case 0: value = floatFromBits(bits(rng)); break;
            case 1: value = float(typed(rng) / std::pow(10.0, places(rng))); break;
            case 2: value = float(whole(rng)); break;
            default: value = fraction(rng) / float(1 + places(rng)); break;
            }
            const QChar decimal = i % 3 ? QLatin1Char('.') : QLatin1Char(',');
            const QString expected = reference::General(value, decimal);
            QVERIFY(same(NumberFormat(decimal).General(value), expected, value));
            QVERIFY(same(bytesText(bytes, NumberText::General(bytes, value, char(decimal.unicode()))), expected, value));
            QVERIFY(same(bytesText(bytes, NumberText::Shortest(bytes, value)), reference::Shortest(value), value));
            if (i % 1000 == 0) {
                NumberText::AppendGeneral(appended, value, char(decimal.unicode()));
                expectedAppended += expected;
            }
        }
        QCOMPARE(QString::fromLatin1(appended), expectedAppended);
    }

    // Floats widened to double and results of double arithmetic, in every pattern used.
    void formatMatchesReference()
    {
        const char *patterns[] = {"0", "0.0", "0.00", "0.000", "0.0#", "0.0##", "0%", "0.0%", "0.00%"};
        std::mt19937 rng(13);
        std::uniform_int_distribution<uint32_t> bits;
        std::uniform_real_distribution<double> wide(-1e6, 1e6), narrow(-2.0, 2.0);
        char bytes[NumberText::kCapacity];
        QByteArray appended;
        QString expectedAppended;
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
            QVERIFY(same(NumberFormat(decimal).Format(value, pattern), expected, value));
            QVERIFY(same(bytesText(bytes, NumberText::Format(bytes, value, pattern, char(decimal.unicode()))), expected, value));
            if (i % 1000 == 0) {
                NumberText::AppendFormat(appended, value, pattern, char(decimal.unicode()));
                expectedAppended += expected;
            }
        }
        QCOMPARE(QString::fromLatin1(appended), expectedAppended);
    }

    // Exact ties (away from zero, never to even), a step either side, and doubles too large for a fast path.
    void formatTiesAndHugeMatchReference()
    {
        const struct { const char *Pattern; int Decimals; } patterns[] = {
            {"0", 0}, {"0.0", 1}, {"0.00", 2}, {"0.000", 3}, {"0.0##", 3}, {"0%", 0}, {"0.00%", 2}};
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
            QVERIFY(same(format.Format(value, p.Pattern), reference::Format(value, p.Pattern, QLatin1Char('.')), value));
        }
    }
};

QTEST_APPLESS_MAIN(TestNumberText)
#include "test_numbertext.moc"
