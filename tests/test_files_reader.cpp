// Reading a slide set file: everything or nothing, with a reason a person can act on.
#include "FilesTestSupport.h"

#include "files/Windows1252.h"

#include <QtTest>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
const char *CheckSlideSetBytes(const QByteArray &bytes);

namespace {

const QString kComma = QStringLiteral(",");

// Exact floats throughout: QCOMPARE would forgive a few units in the last place, a round trip may not.
void compareSets(const SlideSet &got, const SlideSet &want)
{
    QVERIFY(got.Params == want.Params);
    QCOMPARE(got.Texts, want.Texts);
    QCOMPARE(got.ControlData, want.ControlData);
    QCOMPARE(got.SlideCount(), want.SlideCount());
    QCOMPARE(got.CurrentSlide, want.CurrentSlide);
    for (int16_t i = 0; i <= want.SlideCount(); ++i)
        QVERIFY2(got.Slides[i] == want.Slides[i], qPrintable(QStringLiteral("slide %1 differs").arg(i)));
}

// The golden file with `remove` lines from line `number` (1-based) on replaced.
QByteArray withLines(int number, const QList<QByteArray> &replacement, int remove = 1)
{
    QList<QByteArray> lines = ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv"))).split('\n');
    lines.remove(number - 1, std::min<qsizetype>(remove, lines.size() - number + 1));
    for (qsizetype i = replacement.size() - 1; i >= 0; --i)
        lines.insert(number - 1, replacement[i] + '\r');
    return lines.join('\n');
}

} // namespace

class TestFilesReader : public QObject
{
    Q_OBJECT

private slots:
    // "--------" keeps what the window holds, as do Date and Time in the earlier layout.
    void goldenFilesReadBackTheSet_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("metric, semicolon and decimal comma") << "golden_metric_semicolon.csv";
        QTest::newRow("earlier layout") << "earlier_layout.csv";
    }
    void goldenFilesReadBackTheSet()
    {
        QFETCH(QString, file);
        const bool metric = file.contains(QLatin1String("metric")), earlier = file.startsWith(QLatin1String("earlier"));
        ParameterTexts current = GoldenSet(!metric, true).Texts; // what the window holds before the load
        current.Sprayer = QStringLiteral("typed before the load");
        const LoadResult result = ReadSlideSetFile(FilesTestData(file), metric ? QStringLiteral(";") : kComma,
                                                   NumberFormat(QLatin1Char(metric ? ',' : '.')), current);
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.FileName, file);
        SlideSet want = GoldenSet(metric, !metric);
        want.Texts.Sprayer = current.Sprayer;
        want.Texts.Date = earlier ? current.Date : QStringLiteral("05-Mar-2024"); // as the file writes it
        compareSets(result.Loaded->Set, want);
        QVERIFY(result.Loaded->LargestSizeFound == 6 && result.Loaded->EarlierLayout == earlier);
        QCOMPARE(result.Loaded->Warnings, QStringList());
        QVERIFY(result.Loaded->TextInFile[0] && !result.Loaded->TextInFile[1]); // Agency given, Sprayer not
        QCOMPARE(result.Loaded->TextInFile[3], !earlier);                       // Date
    }

    void roundTripsOfRandomSets()
    {
        std::mt19937 rng(20240305);
        for (const auto &[listSeparator, decimal] : {std::pair(",", '.'), std::pair(";", ','), std::pair("\t", '.')}) {
            const NumberFormat format{QLatin1Char(decimal)};
            const QString list = QString::fromLatin1(listSeparator);
            for (int round = 0; round < 150; ++round) {
                const SlideSet set = RandomFileSet(rng, round % 12);
                const QByteArray bytes = SlideSetFileBytes(set, list, format);
                const LoadResult back = ReadSlideSetBytes(bytes, list, format);
                QVERIFY2(back.Ok(), qPrintable(back.Error));
                compareSets(back.Loaded->Set, set);
                QVERIFY2(!QTest::currentTestFailed() && back.Loaded->Warnings.isEmpty()
                             && back.Loaded->LargestSizeFound == ComputeLargestSizeFound(set)
                             && SlideSetFileBytes(back.Loaded->Set, list, format) == bytes, // saved again, the same
                         qPrintable(QStringLiteral("round %1 with \"%2\"").arg(round).arg(list)));
            }
        }
    }

    // Nothing comes back but the reason; no reason: not a slide set at all.
    void failuresNameLineAndFinding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QChar>("decimal");
        auto row = [](const char *name, const QByteArray &bytes, const char *error, const char *list = ",",
                      char decimal = '.') {
            QTest::newRow(name) << bytes << QString::fromUtf8(error) << QString::fromLatin1(list) << QChar(QLatin1Char(decimal));
        };
        // A number is the whole field by the locale's rules: no trailing text is
        // dropped, and a decimal comma is no decimal under a point locale.
        row("a count with text after it", withLines(57, {"2,28.0,12abc,262.464"}),
            "line 57: expected a whole number in the third field (the drop count of class 2), found \"12abc\"");
        row("a position with text after it", withLines(45, {"Slide 1 Position:,,-5 ft,ft"}),
            "line 45: expected a number in the third field (the position of slide 1), found \"-5 ft\"");
        row("a decimal comma under a point locale", ReadBytes(FilesTestData(QStringLiteral("golden_metric_semicolon.csv"))),
            "line 16: expected a number in the third field (the scan length), found \"2,0\"", ";", '.');
        const QByteArray hugeReticule = "# EPD on reticule:,,32767";
        row("text for a number", withLines(45, {"Slide 1 Position:,,abc,ft"}),
            "line 45: expected a number in the third field (the position of slide 1), found \"abc\"");
        row("16-bit overflow of a count", withLines(57, {"2,28.0,40000,262.464"}),
            "line 57: expected a whole number from 0 to 32767");
        row("size class above the reticule", withLines(57, {"7,98.0,10"}),
            "line 57: size class 7 is above the 6 EPD on the reticule");
        row("ends before the last slide", withLines(86, {}, 200),
            "the file ends here, but the position line of slide 3 was expected");
        row("two slides at one position", withLines(69, {"Slide 2 Position:,,-5,ft"}),
            "line 69: the slide at position -5 repeats the position of the slide on line 45");
        row("more slides claimed than there are", withLines(42, {"Number of Slides:,,30000"}),
            "line 139: expected a number in the third field (the position of slide 4), found \"Cloud VMD\"");
        row("a reticule no memory could hold",
            withLines(42, {"Number of Slides:,,30000"}).replace("# EPD on reticule:,,6", hugeReticule),
            "line 42: 30000 slides of 32767 size classes are more than this program can hold");
        row("Σ count × class beyond 32 bits",
            withLines(57, {"32767,1,32767", "32766,1,32767", "32765,1,32767"}).replace("# EPD on reticule:,,6", hugeReticule),
            "line 45: slide 1 holds more drops");
        row("a line no slide set file has", withLines(10, {"Agency:,," + QByteArray(2 << 20, 'x') + ","}),
            "line 10: the line is longer than a slide set file ever writes");
        row("another banner", withLines(2, {" Some Other Program"}), "");
        row("empty file", QByteArray(), "");
    }
    void failuresNameLineAndFinding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(QString, list);
        QFETCH(QChar, decimal);
        const LoadResult result = ReadSlideSetBytes(bytes, list, NumberFormat(decimal));
        QCOMPARE(result.Status, error.isEmpty() ? LoadStatus::WrongBanner : LoadStatus::Failed);
        QVERIFY(!result.Loaded.has_value());
        QVERIFY2(result.Error.contains(error), qPrintable(result.Error));
    }

    // What a spreadsheet does to a file it saves again, and allowed hand edits. Without
    // a byte order mark the file is UTF-8 only if every byte of it is.
    void toleratedChanges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("agency");
        QTest::addColumn<bool>("warned"); // a hand-edited row is not of the writer's shape
        auto row = [](const char *name, const QByteArray &bytes, bool control = true,
                      const QString &agency = QStringLiteral("Tarvell Field Unit"), bool warned = false) {
            QTest::newRow(name) << bytes << control << agency << warned;
        };
        const QByteArray golden = ReadBytes(FilesTestData("golden_us_control.csv"));
        row("LF line ends", QByteArray(golden).replace("\r\n", "\n"));
        QByteArray padded;
        for (const QByteArray &line : golden.split('\n'))
            padded += line.chopped(line.endsWith('\r') ? 1 : 0) + ",,,,,,,\r\n";
        row("every line padded with separators", padded);
        row("results changed, composite cut off",
            golden.left(golden.indexOf("Composite Data")).replace("Cloud VMD:,,35.0", "Cloud VMD:,,99.9"));
        row("a class twice keeps the last, any order", withLines(57, {"2,,3", "4,,10", "2,,10"}, 2), true,
            QStringLiteral("Tarvell Field Unit"), true);
        row("class rounded half to even", withLines(57, {"2.5,,10", "4,,10"}, 2), true, QStringLiteral("Tarvell Field Unit"),
            true);
        // "--------" for the control cage: its two count lines are skipped unread.
        row("control given as no value", withLines(34, {"Number in cage:,,--------", "a line of that other layout"}), false);
        const QByteArray agency = "Agency:,,Tarvell Field Unit,";
        const QString utf8 = QStringLiteral("Agência Ψ 農業");
        const QByteArray allUtf8 = DecodeWindows1252(golden).toUtf8();
        row("UTF-8 throughout", QByteArray(allUtf8).replace(agency, "Agency:,," + utf8.toUtf8() + ","), true, utf8);
        row("Windows-1252", QByteArray(golden).replace(agency, "Agency:,,Ag\xEAncia,"), true, QStringLiteral("Agência"));
        // C1 A9 would be "©" in an overlong (forbidden) two-byte form: the file is not UTF-8.
        row("Windows-1252 \"Á©\" in a file otherwise UTF-8", QByteArray(allUtf8).replace(agency, "Agency:,,\xC1\xA9,"), true,
            QStringLiteral("Á©"));
        row("UTF-8 but for a Windows-1252 \"µ²\" after the slides",
            QByteArray(allUtf8).replace(agency, "Agency:,,Ag\xC3\xAAncia,").replace("Line Statistics", "Line Statistics \xB5\xB2"),
            true, QStringLiteral("AgÃªncia"));
    }
    // From memory and from a file on disk, read a line at a time.
    void toleratedChanges()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, control);
        QFETCH(QString, agency);
        QFETCH(bool, warned);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("set.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        SlideSet want = GoldenSet(false, control);
        want.Texts.Date = QStringLiteral("05-Mar-2024");
        want.Texts.Agency = agency;
        for (const LoadResult &result : {ReadSlideSetBytes(bytes, kComma, NumberFormat()),
                                         ReadSlideSetFile(file.fileName(), kComma, NumberFormat())}) {
            QVERIFY2(result.Ok(), qPrintable(result.Error));
            compareSets(result.Loaded->Set, want);
            QVERIFY2(result.Loaded->Warnings.isEmpty() != warned, qPrintable(result.Loaded->Warnings.join(QLatin1Char('\n'))));
        }
    }

    // Damaged files (tests/data/README.md says how each is broken) load as the
    // reading rules have it, with one warning per slide naming what was passed over.
    void damagedFilesWarn_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QString>("counts"); // position:class=count,...
        auto row = [](const char *file, const QStringList &warnings, const char *counts) {
            QTest::newRow(file) << QString::fromLatin1(file) << warnings << QString::fromLatin1(counts);
        };
        row("damaged_blank_line_in_table.csv", {"slide 1 (position -5 ft): the drop table ends at the empty line 58, and "
                                                "the table row after it (line 59) was not read"}, "-5:2=10,4=0");
        row("damaged_rows_after_no_drops.csv", {"slide 2 (position 0 ft): the drop table ends at the \"No Drops Entered\" "
                                                "line 81, and the table row after it (line 82) was not read"}, "0:3=0");
        row("damaged_merged_heading.csv", {"slide 1 (position -5 ft): line 56 (the \"#EPD\" line) carries 19 fields where "
                                           "the file has 10: a line break may have been lost there"}, "-5:2=0,4=10");
        row("damaged_split_row.csv", {"slide 3 (position 7.5 ft): line 104 is a drop table row of 5 field(s) where the "
                                      "table has 10 (and 1 more such rows): a line break may have been lost or added there"},
            "7.5:1=0,6=1");
        row("damaged_slide_count_short.csv", {"line 42 gives 1 slide(s), but 2 more slide block(s) follow (the first on "
                                              "line 69, at position 0 ft): they were not read"}, "-5:2=10,4=10");
        row("damaged_utf8_after_bom.csv", {"line 10 holds bytes that are not UTF-8, though the file is marked as UTF-8: "
                                           "they were read as \"\uFFFD\""}, "-5:2=10,4=10");
    }
    void damagedFilesWarn()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, warnings);
        QFETCH(QString, counts);
        const QByteArray bytes = ReadBytes(FilesTestData(file));
        const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QVERIFY2(result.Ok(), qPrintable(result.Error));
        QCOMPARE(result.Loaded->Warnings, warnings);
        const SlideSet &set = result.Loaded->Set;
        for (const QString &slide : counts.split(QLatin1Char(' '))) {
            const int16_t index = FindSlideAtPosition(set, slide.section(QLatin1Char(':'), 0, 0).toFloat());
            QVERIFY(index > 0);
            for (const QString &count : slide.section(QLatin1Char(':'), 1).split(QLatin1Char(',')))
                QCOMPARE(set.Slides[index].Counts[count.section(QLatin1Char('='), 0, 0).toInt()],
                         int16_t(count.section(QLatin1Char('='), 1).toInt()));
        }
        QVERIFY(!file.contains(QLatin1String("utf8")) || set.Texts.Agency == QStringLiteral("Tarvell \uFFFD Field Unit"));
        QVERIFY(!CheckSlideSetBytes(bytes));
    }

    // Every line of the golden file lost, doubled, emptied, split or run into the
    // next: whatever still loads holds what its text says, or says what it passed over.
    void lineBreakDamageIsReported()
    {
        const QList<QByteArray> lines = ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv"))).split('\n');
        int loaded = 0, warned = 0;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray &l = lines[i];
            const QList<QList<QByteArray>> damaged = {
                lines.mid(0, i) + lines.mid(i + 1),
                lines.mid(0, i + 1) + lines.mid(i),
                lines.mid(0, i) + QList<QByteArray>{"\r"} + lines.mid(i),
                lines.mid(0, i) + QList<QByteArray>{l.left(l.size() / 2) + '\r', l.mid(l.size() / 2)} + lines.mid(i + 1),
                lines.mid(0, i) + QList<QByteArray>{l.chopped(l.endsWith('\r') ? 1 : 0) + lines.value(i + 1)} + lines.mid(i + 2)};
            for (qsizetype d = 0; d < damaged.size(); ++d) {
                const QByteArray bytes = damaged[d].join('\n');
                const char *broken = CheckSlideSetBytes(bytes);
                QVERIFY2(!broken, qPrintable(QStringLiteral("line %1, damage %2: %3").arg(i + 1).arg(d).arg(QLatin1String(broken))));
                const LoadResult result = ReadSlideSetBytes(bytes, kComma, NumberFormat());
                loaded += result.Ok();
                warned += result.Ok() && !result.Loaded->Warnings.isEmpty();
            }
        }
        QVERIFY2(loaded > 300 && warned > 15, qPrintable(QStringLiteral("%1 loaded, %2 warned").arg(loaded).arg(warned)));
    }

    // The most slides a 16-bit count allows, in either order, come back in position order.
    void largestSet()
    {
        for (bool reversed : {false, true}) {
            SlideSet set;
            set.Params.MaxSizeEPD = 2;
            int16_t largest = 0;
            ResizeClassArrays(set, largest);
            for (int i = 0; i < kMaxCounter; ++i)
                FillSlide(set, AddSlide(set, float(reversed ? kMaxCounter - i : i) / 4), 1, {{1 + i % 2, 1}},
                          MortalityCounts{});
            const LoadResult result = ReadSlideSetBytes(SlideSetFileBytes(set, kComma, NumberFormat()), kComma, NumberFormat());
            QVERIFY2(result.Ok(), qPrintable(result.Error));
            const SlideSet &got = result.Loaded->Set;
            QVERIFY(got.SlideCount() == kMaxCounter && got.CurrentSlide == kMaxCounter);
            for (int j = 1; j <= got.SlideCount(); ++j)
                if (got.Slides[j].Position != float(reversed ? j : j - 1) / 4
                    || got.Slides[j].Counts[1 + (reversed ? kMaxCounter - j : j - 1) % 2] != 1)
                    QFAIL(qPrintable(QStringLiteral("slide %1 is at %2").arg(j).arg(got.Slides[j].Position)));
        }
    }

    // Cut before the last drop table the load fails; inside it, a warning names
    // the slide whose last counts may be gone.
    void cutFiles()
    {
        const QByteArray golden = ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv")));
        const QList<QByteArray> lines = golden.split('\n');
        const int lastTable = int(lines.lastIndexOf("#EPD,Microns,Count,Drop Density,NF,CNF,VF,CVF,NF,CNF\r")) + 1;
        const int tableEnd = int(lines.indexOf("\r", lastTable)); // its empty line, 0-based
        QVERIFY(lastTable > 100 && tableEnd == lastTable + 2); // two rows
        QByteArray cut;
        for (int n = 1; n < lines.size(); ++n) { // the first n lines
            cut += lines[n - 1] + '\n';
            const LoadResult result = ReadSlideSetBytes(cut, kComma, NumberFormat());
            const QString where = QStringLiteral("cut after line %1: ").arg(n);
            QVERIFY2(result.Ok() == (n > lastTable), qPrintable(where + result.Error));
            if (!result.Ok())
                continue;
            const QString warning = result.Loaded->Warnings.join(QLatin1Char('\n'));
            QVERIFY2(n <= tableEnd ? warning.contains(QLatin1String("drop table of slide 3 (position 7.5 ft)")) : warning.isEmpty(),
                     qPrintable(where + warning));
            QCOMPARE(result.Loaded->Set.Slides[3].Counts[6], int16_t(n >= tableEnd ? 1 : 0));
        }
        QCOMPARE(cut, golden);
    }

    // The fuzzer's committed corpus, replayed by the ordinary build.
    void fuzzCorpusReplays()
    {
        const QFileInfoList files = QDir(QStringLiteral(NIMBREL_FUZZ_CORPUS)).entryInfoList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QFileInfo &info : files) {
            const QByteArray bytes = ReadBytes(info.filePath());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        }
    }
};

QTEST_GUILESS_MAIN(TestFilesReader)
#include "test_files_reader.moc"
