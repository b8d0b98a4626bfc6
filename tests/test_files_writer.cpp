// The slide set file as written: byte for byte against files composed by hand
// from the layout tables, and the small procedures the layout rests on.
#include "FilesTestSupport.h"
#include "files/Windows1252.h"

#include <QtTest>

class TestFilesWriter : public QObject
{
    Q_OBJECT

private slots:
    void goldenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("listSeparator");
        QTest::addColumn<QChar>("decimal");
        // U.S. units with control data: percentages after the cage counts where
        // they were computed, none on the slide without a cage.
        QTest::newRow("U.S., comma, control") << "golden_us_control.csv" << false << true << "," << QChar('.');
        // Metric in a comma-decimal locale without control data: no " = " at all.
        QTest::newRow("metric, semicolon, no control")
            << "golden_metric_semicolon.csv" << true << false << ";" << QChar(',');
    }
    void goldenFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, metric);
        QFETCH(bool, control);
        QFETCH(QString, listSeparator);
        QFETCH(QChar, decimal);
        const QByteArray expected = ReadBytes(FilesTestData(file));
        QVERIFY(!expected.isEmpty());
        const QByteArray written = SlideSetFileBytes(GoldenSet(metric, control), listSeparator, NumberFormat(decimal));
        const QList<QByteArray> want = expected.split('\n');
        const QList<QByteArray> got = written.split('\n');
        for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i)
            QCOMPARE(QString::fromLatin1(got[i]) + QStringLiteral(" (line %1)").arg(i + 1),
                     QString::fromLatin1(want[i]) + QStringLiteral(" (line %1)").arg(i + 1));
        QCOMPARE(got.size(), want.size());
        QCOMPARE(written, expected);
    }

    void savingHandsBackTheFreshComposite()
    {
        const SlideSet set = GoldenSet(true, true);
        CompositeResults composite;
        composite.CompVMD = -1; // stale
        SlideSetFileBytes(set, QStringLiteral(","), NumberFormat(), &composite);
        CompositeResults fresh;
        CalcComposite(set, fresh);
        QCOMPARE(composite.CompVMD, fresh.CompVMD);
        QCOMPARE(composite.CompDensity, fresh.CompDensity);
    }

    void textsStayOnTheirLine()
    {
        SlideSet set = GoldenSet(true, true);
        set.Texts.Agency = QStringLiteral("two\r\nlines");
        set.Texts.Product = QStringLiteral("Ω ∑ €"); // € is in the code page, the others are not
        const QByteArray bytes = SlideSetFileBytes(set, QStringLiteral(","), NumberFormat());
        QVERIFY(bytes.contains("\r\nAgency:,,two lines,\r\n"));
        QVERIFY(bytes.contains("\r\nProduct:,,? ? \x80,\r\n"));
        const LoadResult back = ReadSlideSetBytes(bytes, QStringLiteral(","), NumberFormat());
        QVERIFY2(back.Ok(), qPrintable(back.Error));
        QCOMPARE(back.Loaded->Set.Texts.Agency, QStringLiteral("two lines"));
        QCOMPARE(back.Loaded->Set.Slides[3].Counts, set.Slides[3].Counts);
    }

    void windows1252_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << "Slide 3 Position:" << QByteArray("Slide 3 Position:");
        QTest::newRow("micro, squared, degree") << "µm ² °C" << QByteArray("\xB5m \xB2 \xB0" "C");
        QTest::newRow("0x80-0x9F block") << "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"
                                          << QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92"
                                                        "\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
        QTest::newRow("latin-1 top") << "ÿ" << QByteArray("\xFF");
        QTest::newRow("not in the code page") << "a→b😀c" << QByteArray("a?b?c");
    }
    void windows1252()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeWindows1252(text), bytes);
        if (!bytes.contains('?'))
            QCOMPARE(DecodeWindows1252(bytes), text);
    }

    void unassignedBytesDecodeToControls()
    {
        QCOMPARE(DecodeWindows1252(QByteArray("\x81\x8D\x8F\x90\x9D")), QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    }

    void joinValueUnit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("joined");
        QTest::newRow("value and unit") << "10" << "m" << "10,m";
        QTest::newRow("no unit leaves a trailing separator") << "Naled" << "" << "Naled,";
        QTest::newRow("empty field") << "" << "m" << "--------";
        QTest::newRow("blanks are a text") << "  " << "%" << "  ,%";
    }
    void joinValueUnit()
    {
        QFETCH(QString, text);
        QFETCH(QString, unit);
        QFETCH(QString, joined);
        QCOMPARE(JoinValueUnit(text, unit, QStringLiteral(",")), joined);
    }

    void splitListLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("count");
        QTest::newRow("plain") << "Units:,,Metric" << "," << QStringList{"Units:", "", "Metric"} << 3;
        QTest::newRow("trailing separator") << "Agency:,,x," << "," << QStringList{"Agency:", "", "x", ""} << 4;
        QTest::newRow("empty first field drops empty pieces")
            << ",,Count,,,% Size" << "," << QStringList{"", "Count", "% Size"} << 2;
        QTest::newRow("case-insensitive letter separator") << "aXbxc" << "x" << QStringList{"a", "b", "c"} << 3;
        QTest::newRow("two-character separator") << "a;;b;c" << ";;" << QStringList{"a", "b;c"} << 2;
        QTest::newRow("empty line") << "" << "," << QStringList{""} << 0;
    }
    void splitListLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, separator);
        QFETCH(QStringList, fields);
        QFETCH(int, count);
        const ListFields f = SplitListLine(line, separator);
        QCOMPARE(f.Fields, fields);
        QCOMPARE(f.Count, count);
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("iso") << "2024-03-05" << "05-Mar-2024";
        QTest::newRow("medium form stays") << "05-Mar-2024" << "05-Mar-2024";
        QTest::newRow("medium with blanks, lower case") << " 5 mar 2024 " << "05-Mar-2024";
        QTest::newRow("ambiguous order left alone") << "3/4/2024" << "3/4/2024";
        QTest::newRow("not a day") << "2024-02-30" << "2024-02-30";
        QTest::newRow("free text") << "after rain" << "after rain";
        QTest::newRow("empty") << "" << "";
    }
    void dateText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QCOMPARE(FileDateText(typed), written);
    }

    void separators_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<bool>("usable");
        QTest::newRow("comma, point") << "," << QChar('.') << true;
        QTest::newRow("semicolon, comma") << ";" << QChar(',') << true;
        QTest::newRow("tab") << "\t" << QChar('.') << true;
        QTest::newRow("same character") << "," << QChar(',') << false;
        QTest::newRow("empty") << "" << QChar('.') << false;
        QTest::newRow("minus") << "-" << QChar('.') << false;
        QTest::newRow("digit decimal") << "," << QChar('5') << false;
    }
    void separators()
    {
        QFETCH(QString, list);
        QFETCH(QChar, decimal);
        QFETCH(bool, usable);
        QCOMPARE(CheckSeparators(list, decimal).isEmpty(), usable);
    }
};

QTEST_GUILESS_MAIN(TestFilesWriter)
#include "test_files_writer.moc"
