// Number text: the fixed patterns and the general form, written and read back
// under a point and a comma decimal separator.
#include "model/NumberText.h"

#include <QtTest>

#include <cfloat>
#include <random>

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void patterns_data();
    void patterns();
    void general_data();
    void general();
    void generalRoundTripsRandomFloats();
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
