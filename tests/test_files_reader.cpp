// Reading a slide set file: everything or nothing, with a reason a person can act on.
#include "FilesTestSupport.h"

#include <QtTest>

namespace {

// QCOMPARE of two floats forgives a few units in the last place; a file that
// round-trips must give back the very same value.
#define EXACT(a, b) QVERIFY2((a) == (b), qPrintable(QStringLiteral(#a " is %1, expected %2").arg(double(a), 0, 'g', 9).arg(double(b), 0, 'g', 9)))

const QString kComma = QStringLiteral(",");

// Every input and every result of two sets, field by field, so a failure names
// the first difference.
void compareSets(const SlideSet &got, const SlideSet &want)
{
    QCOMPARE(got.Params.MaxSizeEPD, want.Params.MaxSizeEPD);
    EXACT(got.Params.MicronsPerEPD, want.Params.MicronsPerEPD);
    EXACT(got.Params.ScanLength, want.Params.ScanLength);
    EXACT(got.Params.SpreadFactor, want.Params.SpreadFactor);
    QCOMPARE(got.Params.Metric, want.Params.Metric);
    QCOMPARE(got.Texts, want.Texts);
    QCOMPARE(got.ControlData, want.ControlData);
    QCOMPARE(got.SlideCount(), want.SlideCount());
    QCOMPARE(got.CurrentSlide, want.CurrentSlide);
    for (int16_t i = 0; i <= want.SlideCount(); ++i) {
        const Slide &g = got.Slides[i];
        const Slide &w = want.Slides[i];
        EXACT(g.Position, w.Position);
        EXACT(g.Sweeps, w.Sweeps);
        EXACT(g.Area, w.Area);
        QCOMPARE(g.Counts, w.Counts);
        QCOMPARE(g.VF, w.VF);
        QCOMPARE(g.CVF, w.CVF);
        QCOMPARE(g.NF, w.NF);
        QCOMPARE(g.CNF, w.CNF);
        QCOMPARE(g.TotalDrops, w.TotalDrops);
        EXACT(g.NumberWeightSum, w.NumberWeightSum);
        QCOMPARE(g.VolumeWeightSum, w.VolumeWeightSum);
        EXACT(g.VMD, w.VMD);
        EXACT(g.NMD, w.NMD);
        EXACT(g.DropDensity, w.DropDensity);
        QCOMPARE(g.Knockdown1h, w.Knockdown1h);
        QCOMPARE(g.Mortality12h, w.Mortality12h);
        QCOMPARE(g.Mortality24h, w.Mortality24h);
        EXACT(g.MaxVF, w.MaxVF);
        EXACT(g.MaxNF, w.MaxNF);
        QCOMPARE(g.MaxCount, w.MaxCount);
        QCOMPARE(g.LargestClass, w.LargestClass);
        QCOMPARE(g.Cage, w.Cage);
    }
}

// The golden file with line `number` (1-based) replaced; an empty list of
// replacement lines removes it.
QByteArray withLines(int number, const QList<QByteArray> &replacement, const char *file = "golden_us_control.csv")
{
    QList<QByteArray> lines = ReadBytes(FilesTestData(QLatin1String(file))).split('\n');
    lines.removeAt(number - 1);
    for (qsizetype i = replacement.size() - 1; i >= 0; --i)
        lines.insert(number - 1, replacement[i] + '\r');
    return lines.join('\n');
}

} // namespace

class TestFilesReader : public QObject
{
    Q_OBJECT

private slots:
    void goldenFilesReadBackTheSet_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("listSeparator");
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("U.S., comma") << "golden_us_control.csv" << false << true << "," << QChar('.');
        QTest::newRow("metric, semicolon and decimal comma")
            << "golden_metric_semicolon.csv" << true << false << ";" << QChar(',');
    }
    void goldenFilesReadBackTheSet()
    {
        QFETCH(QString, file);
        QFETCH(bool, metric);
        QFETCH(bool, control);
        QFETCH(QString, listSeparator);
        QFETCH(QChar, decimal);
        const LoadResult result = ReadSlideSetFile(FilesTestData(file), listSeparator, NumberFormat(decimal));
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.FileName, file);
        SlideSet want = GoldenSet(metric, control);
        want.Texts.Date = QStringLiteral("05-Mar-2024"); // the date as the file writes it
        compareSets(result.Loaded->Set, want);
        QCOMPARE(result.Loaded->LargestSizeFound, int16_t(6));
        QVERIFY(!result.Loaded->EarlierLayout);
        QVERIFY(!result.Loaded->TextInFile[1]); // "Sprayer:" was "--------"
        QVERIFY(result.Loaded->TextInFile[0]);
    }

    void roundTripsOfRandomSets_data()
    {
        QTest::addColumn<QString>("listSeparator");
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("comma, point") << "," << QChar('.');
        QTest::newRow("semicolon, comma") << ";" << QChar(',');
        QTest::newRow("tab, point") << "\t" << QChar('.');
    }
    void roundTripsOfRandomSets()
    {
        QFETCH(QString, listSeparator);
        QFETCH(QChar, decimal);
        const NumberFormat format(decimal);
        std::mt19937 rng(20240305);
        for (int round = 0; round < 150; ++round) {
            const SlideSet set = RandomFileSet(rng, round % 12);
            const QByteArray bytes = SlideSetFileBytes(set, listSeparator, format);
            const LoadResult back = ReadSlideSetBytes(bytes, listSeparator, format);
            QVERIFY2(back.Ok(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(back.Error)));
            compareSets(back.Loaded->Set, set);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(back.Loaded->LargestSizeFound, ComputeLargestSizeFound(set));
            // A second save of what was read is the same file.
            QCOMPARE(SlideSetFileBytes(back.Loaded->Set, listSeparator, format), bytes);
        }
    }

    // Every failure of the reading list: nothing comes back but the reason.
    void failuresNameLineAndFinding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing field") << withLines(17, {"# EPD on reticule:,"})
                                       << "line 17: expected the EPD on the reticule in the third field";
        QTest::newRow("text for a number") << withLines(45, {"Slide 1 Position:,,abc,ft"})
                                           << "line 45: expected a number in the third field (the position of "
                                              "slide 1), found \"abc\"";
        QTest::newRow("16-bit overflow of a count")
            << withLines(57, {"2,28.0,40000,262.464"}) << "line 57: expected a whole number from 0 to 32767";
        QTest::newRow("16-bit overflow of the slide count")
            << withLines(42, {"Number of Slides:,,32768"}) << "line 42: expected a whole number from 0 to 32767";
        QTest::newRow("size class above the reticule")
            << withLines(57, {"7,98.0,10"}) << "line 57: size class 7 is above the 6 EPD on the reticule";
        QTest::newRow("negative size class") << withLines(57, {"-2,28.0,10"}) << "line 57: expected a whole number from 0";
        QTest::newRow("negative drop count") << withLines(57, {"2,28.0,-10"}) << "line 57: expected a whole number from 0";
        QTest::newRow("ends inside the parameters")
            << ReadBytes(FilesTestData("golden_us_control.csv")).split('\n').mid(0, 21).join('\n')
            << "the file ends here, but the \"Air Temp.:\" line was expected";
        QTest::newRow("ends before the last slide")
            << ReadBytes(FilesTestData("golden_us_control.csv")).split('\n').mid(0, 85).join('\n')
            << "the file ends here, but the position line of slide 3 was expected";
        QTest::newRow("no reticule") << withLines(17, {"# EPD on reticule:,,0"})
                                     << "line 17: expected a whole number from 1 to 32767";
        QTest::newRow("no sweeps") << withLines(46, {"Number of Sweeps:,,0"}) << "line 46: expected a number above 0";
        QTest::newRow("two slides at one position")
            << withLines(69, {"Slide 2 Position:,,-5,ft"}) << "line 69: the slide at position -5 repeats the position "
                                                              "of the slide on line 45";
        QTest::newRow("more slides claimed than there are")
            << withLines(42, {"Number of Slides:,,30000"}) << "line 139: expected a number in the third field (the position of slide 4), found \"Cloud VMD\"";
        QTest::newRow("a reticule no memory could hold")
            << withLines(42, {"Number of Slides:,,30000"}).replace("# EPD on reticule:,,6", "# EPD on reticule:,,32767")
            << "line 42: 30000 slides of 32767 size classes are more than this program can hold";
        QTest::newRow("a cage count that is text") << withLines(51, {"    Number in cage:,,many"})
                                                   << "line 51: expected a whole number in the third field";
        QTest::newRow("a line no slide set file has")
            << withLines(10, {"Agency:,," + QByteArray(2 << 20, 'x') + ","})
            << "line 10: the line is longer than a slide set file ever writes";
        QTest::newRow("read with the wrong separator") << ReadBytes(FilesTestData("golden_metric_semicolon.csv"))
                                                       << "line 9: expected the unit system in the third field";
    }
    void failuresNameLineAndFinding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        ParameterTexts current;
        current.Agency = QStringLiteral("typed before the load");
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat(), current);
        QCOMPARE(result.Status, LoadStatus::Failed);
        QVERIFY(!result.Loaded.has_value());
        QVERIFY2(result.Error.contains(error), qPrintable(result.Error));
    }

    void sumsBeyondThirtyTwoBitsFail()
    {
        // Three full classes at the top of the largest reticule: Σ count × class
        // no longer fits the volume weight sum.
        QByteArray bytes = withLines(57, {"32767,1,32767", "32766,1,32767", "32765,1,32767"});
        bytes.replace("# EPD on reticule:,,6", "# EPD on reticule:,,32767");
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QCOMPARE(result.Status, LoadStatus::Failed);
        QVERIFY2(result.Error.contains(QLatin1String("line 45: slide 1 holds more drops")), qPrintable(result.Error));
    }

    void wrongBanner_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("another banner") << withLines(2, {" Some Other Program"});
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("one line") << QByteArray("=======================\r\n");
        QTest::newRow("banner in the wrong case") << withLines(2, {" tarvell nimbrel"});
    }
    void wrongBanner()
    {
        QFETCH(QByteArray, bytes);
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QCOMPARE(result.Status, LoadStatus::WrongBanner);
        QVERIFY(!result.Loaded.has_value());
    }

    void wrongBannerNamesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.csv"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a,b,c\r\nd,e,f\r\n");
        file.close();
        const LoadResult result = ReadSlideSetFile(path, kComma, NumberFormat());
        QCOMPARE(result.Status, LoadStatus::WrongBanner);
        QCOMPARE(result.FileName, QStringLiteral("notes.csv"));
        QCOMPARE(result.Error, QStringLiteral("'notes.csv' does not appear to be a slide data set."));
    }

    void earlierLayoutHasNoDateAndTime()
    {
        ParameterTexts current;
        current.Date = QStringLiteral("kept");
        current.Time = QStringLiteral("also kept");
        const LoadResult result =
            ReadSlideSetFile(FilesTestData(QStringLiteral("earlier_layout.csv")), kComma, NumberFormat(), current);
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QVERIFY(result.Loaded->EarlierLayout);
        SlideSet want = GoldenSet(false, true);
        want.Texts.Date = current.Date;
        want.Texts.Time = current.Time;
        compareSets(result.Loaded->Set, want);
        QVERIFY(!result.Loaded->TextInFile[3]);
        QVERIFY(!result.Loaded->TextInFile[4]);
    }

    void textHoldingTheSeparatorIsCut()
    {
        SlideSet set = GoldenSet(true, true);
        set.Texts.Agency = QStringLiteral("Field Unit, North");
        const LoadResult result = ReadSlideSetBytes(SlideSetFileBytes(set, kComma, NumberFormat()), kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.Loaded->Set.Texts.Agency, QStringLiteral("Field Unit"));
    }

    void emptyFieldKeepsTheTextOnScreen()
    {
        ParameterTexts current;
        current.Sprayer = QStringLiteral("typed before the load");
        current.Agency = QStringLiteral("replaced by the file");
        const LoadResult result =
            ReadSlideSetFile(FilesTestData(QStringLiteral("golden_us_control.csv")), kComma, NumberFormat(), current);
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.Loaded->Set.Texts.Sprayer, current.Sprayer);
        QCOMPARE(result.Loaded->Set.Texts.Agency, QStringLiteral("Tarvell Field Unit"));
    }

    // What a spreadsheet does to a file it saves again, and hand edits the
    // format allows.
    void toleratedChanges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray golden = ReadBytes(FilesTestData("golden_us_control.csv"));
        QTest::newRow("LF line ends") << QByteArray(golden).replace("\r\n", "\n");
        QTest::newRow("UTF-8 with a byte order mark")
            << QByteArray("\xEF\xBB\xBF") + QString::fromLatin1(golden).toUtf8();
        QByteArray padded;
        for (const QByteArray &line : golden.split('\n'))
            padded += line.chopped(line.endsWith('\r') ? 1 : 0) + ",,,,,,,\r\n";
        QTest::newRow("every line padded with separators") << padded;
        QTest::newRow("results and composite block changed")
            << QByteArray(golden).replace("Cloud VMD:,,35.0", "Cloud VMD:,,99.9").left(golden.indexOf("Composite Data"));
        QTest::newRow("no final line break") << golden.chopped(2);
    }
    void toleratedChanges()
    {
        QFETCH(QByteArray, bytes);
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        SlideSet want = GoldenSet(false, true);
        want.Texts.Date = QStringLiteral("05-Mar-2024");
        compareSets(result.Loaded->Set, want);
    }

    void dropTableRows_data()
    {
        QTest::addColumn<QList<QByteArray>>("rows");
        QTest::addColumn<int>("class2");
        QTest::addColumn<int>("class4");
        QTest::newRow("a row with count 0") << QList<QByteArray>{"2,,0", "4,,10"} << 0 << 10;
        QTest::newRow("a class twice keeps the last") << QList<QByteArray>{"2,,10", "4,,10", "2,,3"} << 3 << 10;
        QTest::newRow("rows in any order") << QList<QByteArray>{"4,,1", "2,,2"} << 2 << 1;
        QTest::newRow("no drops, any case") << QList<QByteArray>{"   NO DROPS ENTERED"} << 0 << 0;
        QTest::newRow("class rounded half to even") << QList<QByteArray>{"2.5,,7", "4,,1"} << 7 << 1;
    }
    void dropTableRows()
    {
        QFETCH(QList<QByteArray>, rows);
        QFETCH(int, class2);
        QFETCH(int, class4);
        QList<QByteArray> lines = ReadBytes(FilesTestData("golden_us_control.csv")).split('\n');
        lines.remove(56, 2);
        for (qsizetype i = rows.size() - 1; i >= 0; --i)
            lines.insert(56, rows[i] + '\r');
        const LoadResult result = ReadSlideSetBytes(lines.join('\n'), kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        const Slide &slide = result.Loaded->Set.Slides[1];
        QCOMPARE(int(slide.Counts[2]), class2);
        QCOMPARE(int(slide.Counts[4]), class4);
        QCOMPARE(slide.TotalDrops, class2 + class4);
    }

    void controlGivenAsNoValue()
    {
        // "--------" for the control cage: no control data, and its two count
        // lines are skipped unread.
        const QByteArray bytes = withLines(34, {"Number in cage:,,--------", "a line of that other layout"});
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.Loaded->Set.ControlData, MortalityCounts());
        QVERIFY(!result.Loaded->Set.Slides[1].Mortality24h.has_value());
    }

    void slidesComeBackInPositionOrder()
    {
        SlideSet set = GoldenSet(true, true);
        // Written out of order, as a hand edit might leave them.
        std::swap(set.Slides[1], set.Slides[3]);
        const LoadResult result = ReadSlideSetBytes(SlideSetFileBytes(set, kComma, NumberFormat()), kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        const SlideSet &got = result.Loaded->Set;
        QCOMPARE(got.Slides[1].Position, -5.0f);
        QCOMPARE(got.Slides[2].Position, 0.0f);
        QCOMPARE(got.Slides[3].Position, 7.5f);
        QCOMPARE(got.CurrentSlide, int16_t(3));
    }
};

QTEST_GUILESS_MAIN(TestFilesReader)
#include "test_files_reader.moc"
