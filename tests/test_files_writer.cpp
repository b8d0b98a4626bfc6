// Writing a slide set file: byte for byte, and a failed save keeps the earlier file.
#include "FilesTestSupport.h"
#include "files/Windows1252.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

const QString kComma = QStringLiteral(",");

void writeExisting(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

class TestFilesWriter : public QObject
{
    Q_OBJECT

private slots:
    // Written over an earlier, longer file.
    void goldenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("U.S., control") << "golden_us_control.csv";
        QTest::newRow("metric, no control") << "golden_metric_semicolon.csv";
    }
    void goldenFile()
    {
        QFETCH(QString, file);
        const bool metric = file.contains(QLatin1String("metric"));
        const QString listSeparator = metric ? QStringLiteral(";") : kComma;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("line 1.csv"));
        writeExisting(path, QByteArray(100000, 'x'));
        const SlideSet set = GoldenSet(metric, !metric);
        CompositeResults composite; // saving hands the fresh composite back to the window
        QCOMPARE(WriteSlideSetFile(path, set, listSeparator, NumberFormat(QLatin1Char(metric ? ',' : '.')), &composite),
                 QString());
        const QList<QByteArray> want = ReadBytes(FilesTestData(file)).split('\n'), got = ReadBytes(path).split('\n');
        for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) // names the first line that differs
            QCOMPARE(QString::number(i + 1) + QLatin1Char(' ') + QString::fromLatin1(got.value(i)),
                     QString::number(i + 1) + QLatin1Char(' ') + QString::fromLatin1(want.value(i)));
        CompositeResults fresh;
        CalcComposite(set, fresh);
        QCOMPARE(composite.CompVMD, fresh.CompVMD);
    }

    // Any script comes back as typed: beyond Windows-1252 the file turns UTF-8 with
    // a byte order mark; a separator in a text becomes a blank, a line break a space.
    void textsInTheFile_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("utf8");
        for (const QString sep : {QStringLiteral(","), QStringLiteral(";")}) {
            auto row = [&](const char *name, const QString &text, const QString &back, bool utf8) {
                QTest::addRow("%s, \"%s\"", name, qPrintable(sep)) << sep << text << back << utf8;
            };
            row("Greek", QStringLiteral("Ψεκαστήρας Α"), QStringLiteral("Ψεκαστήρας Α"), true);
            row("emoji", QStringLiteral("Naled 🦟"), QStringLiteral("Naled 🦟"), true);
            row("Western", QStringLiteral("Müller; Söhne"),
                sep == kComma ? QStringLiteral("Müller; Söhne") : QStringLiteral("Müller  Söhne"), false);
            row("Western, every special of the code page", QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ µ²°"),
                QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ µ²°"), false);
        }
    }
    void textsInTheFile()
    {
        QFETCH(QString, separator);
        QFETCH(QString, text);
        QFETCH(QString, back);
        QFETCH(bool, utf8);
        const NumberFormat format(QLatin1Char(separator == kComma ? '.' : ','));
        SlideSet set = GoldenSet(true, true);
        set.Texts.Date = QStringLiteral("3/4/2024");
        set.Texts.Time = QStringLiteral("two\r\nlines");
        set.Texts.Agency = text;
        set.Texts.Product = text;
        const QByteArray bytes = SlideSetFileBytes(set, separator, format);
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), utf8);
        SlideSet western = set;
        western.Texts.Agency = western.Texts.Product = QStringLiteral("x");
        const QString shown = utf8 ? QString::fromUtf8(bytes.mid(3)) : DecodeWindows1252(bytes);
        QCOMPARE(QString(shown).replace(back, QStringLiteral("x")),
                 DecodeWindows1252(SlideSetFileBytes(western, separator, format)));
        QVERIFY(shown.contains(QStringLiteral("\r\nTime:") + separator + separator + QStringLiteral("two lines\r\n")));
        QVERIFY(shown.contains(QStringLiteral("\r\nDate:") + separator + separator + QStringLiteral("3/4/2024\r\n")));

        const LoadResult loaded = ReadSlideSetBytes(bytes, separator, format);
        QVERIFY2(loaded.Ok(), qPrintable(loaded.Error));
        QCOMPARE(loaded.Loaded->Set.Texts.Agency, back);
        QCOMPARE(loaded.Loaded->Set.Texts.Product, back);
        QCOMPARE(loaded.Loaded->Set.Slides[3].Counts, set.Slides[3].Counts);

        // The block where Windows-1252 departs from Latin-1, both ways.
        const QString block = QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
        const QByteArray bytes1252("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92"
                                   "\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
        QCOMPARE(EncodeWindows1252(block), bytes1252);
        QCOMPARE(DecodeWindows1252(bytes1252), block);
        QCOMPARE(EncodeWindows1252(QStringLiteral("a→b😀c")), QByteArray("a?b?c")); // one "?" per character
        QCOMPARE(EncodeWindows1252(DecodeWindows1252("\x81\x8D\x8F\x90\x9D")), QByteArray("\x81\x8D\x8F\x90\x9D"));
    }

    // A decimal separator outside Windows-1252 (Arabic) makes a UTF-8 file.
    void decimalSeparatorInTheFile()
    {
        for (const auto &[decimal, utf8] : {std::pair(QChar(0x066B), true), std::pair(QChar(0x00B7), false)}) {
            const QString list = QStringLiteral(";");
            const SlideSet set = GoldenSet(true, true);
            const QByteArray bytes = SlideSetFileBytes(set, list, NumberFormat(decimal));
            QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), utf8);
            const QString shown = utf8 ? QString::fromUtf8(bytes.mid(3)) : DecodeWindows1252(bytes);
            QVERIFY(shown.contains(decimal));
            QCOMPARE(QString(shown).replace(decimal, QLatin1Char(',')),
                     DecodeWindows1252(SlideSetFileBytes(set, list, NumberFormat(QLatin1Char(',')))));
            const LoadResult loaded = ReadSlideSetBytes(bytes, list, NumberFormat(decimal));
            QVERIFY2(loaded.Ok(), qPrintable(loaded.Error));
            QCOMPARE(loaded.Loaded->Set.Params.SpreadFactor, set.Params.SpreadFactor);
            QCOMPARE(loaded.Loaded->Set.Slides[3].Position, set.Slides[3].Position);
        }
    }

    // The diameter in double: 12.5 × 0.7 is 8.7, though the float product rounds to 8.75.
    void diameterColumn_data()
    {
        QTest::addColumn<float>("micronsPerEPD");
        QTest::addColumn<float>("spreadFactor");
        QTest::addColumn<QByteArray>("row"); // of the drop table and the composite table
        QTest::newRow("12.5 x 0.7") << 12.5f << 0.7f << QByteArray("\r\n1,8.7,");
        QTest::newRow("25 x 0.56, class 3") << 25.0f << 0.56f << QByteArray("\r\n3,42.0,");
    }
    void diameterColumn()
    {
        QFETCH(float, micronsPerEPD);
        QFETCH(float, spreadFactor);
        QFETCH(QByteArray, row);
        SlideSet set;
        set.Params.MaxSizeEPD = 3;
        set.Params.MicronsPerEPD = micronsPerEPD;
        set.Params.SpreadFactor = spreadFactor;
        int16_t largest = 0;
        ResizeClassArrays(set, largest);
        FillSlide(set, AddSlide(set, 1.0f), 1, {{1, 2}, {3, 2}}, MortalityCounts{});
        QCOMPARE(SlideSetFileBytes(set, kComma, NumberFormat()).count(row), 2);
    }

    // Separators that cannot frame a file: nothing is written.
    void unusableSeparators()
    {
        const std::pair<QString, QChar> unusable[] = {{",", ','}, {"", '.'}, {"-", '.'}, {",", '5'}};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.csv"));
        for (const auto &[list, decimal] : unusable) {
            QVERIFY(!WriteSlideSetFile(path, GoldenSet(true, true), list, NumberFormat(decimal)).isEmpty());
            QVERIFY(!QFile::exists(path));
        }
    }

    // Nothing half-written beside the earlier file; a full disk fails a file of one
    // write buffer as surely as one of several.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder gone") << "no such folder/set.csv";
        QTest::newRow("a folder stands where the file would go") << "taken";
        QTest::newRow("read-only folder and file") << "set.csv";
        QTest::newRow("disk full halfway, 4 KiB file") << "set.csv";
        QTest::newRow("disk full halfway, 400 KiB file") << "set.csv"; // several write chunks
        QTest::newRow("a FIFO stands where the file would go") << "fifo";
        QTest::newRow("a device stands where the file would go") << "device";
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, target);
        const QByteArray tag = QTest::currentDataTag();
        QTemporaryDir dir;
        const QString earlier = dir.filePath(QStringLiteral("set.csv"));
        writeExisting(earlier, "the earlier save");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        SlideSet set = GoldenSet(true, true);
        const qsizetype kib = tag.contains(" KiB") ? tag.mid(tag.indexOf(", ") + 2).split(' ').value(0).toInt() : 0;
        while (kib > 4 && SlideSetFileBytes(set, kComma, NumberFormat()).size() < kib * 1024)
            FillSlide(set, AddSlide(set, 10.0f + set.SlideCount()), 1, {{1, 3}, {4, 2}, {6, 1}}, MortalityCounts{});
#ifdef Q_OS_UNIX
        if (tag.contains("FIFO"))
            QCOMPARE(mkfifo(qPrintable(dir.filePath(target)), 0600), 0);
        if (tag.contains("device") && mknod(qPrintable(dir.filePath(target)), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("making a device node needs root");
        if (tag.startsWith("read-only")) {
            if (geteuid() == 0)
                QSKIP("running as root: permission bits do not stop root from writing");
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QFile::setPermissions(earlier, QFileDevice::ReadOwner);
        }
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        if (tag.startsWith("disk full"))
            limited.rlim_cur = rlim_t(SlideSetFileBytes(set, kComma, NumberFormat()).size() / 2);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString error = WriteSlideSetFile(dir.filePath(target), set, kComma, NumberFormat());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#else
        if (tag.startsWith("read-only") || tag.startsWith("disk full") || tag.startsWith("a FIFO") || tag.startsWith("a device"))
            QSKIP("needs POSIX permissions, file size limits and special files");
        const QString error = WriteSlideSetFile(dir.filePath(target), set, kComma, NumberFormat());
#endif
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(earlier), QByteArray("the earlier save"));
        QVERIFY2(!error.contains(QLatin1String("Unknown error")), qPrintable(error));
        if (tag.startsWith("disk full"))
            QVERIFY2(error.contains(QLatin1String("too large")), qPrintable(error)); // the system's own words
        const QStringList others = {QStringLiteral("device"), QStringLiteral("fifo")};
        QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
        if (others.contains(target))
            left.removeOne(target);
        QCOMPARE(left, QStringList({QStringLiteral("set.csv"), QStringLiteral("taken")}));
        if (others.contains(target))
            QVERIFY(!QFileInfo(dir.filePath(target)).isFile());
    }
};

QTEST_GUILESS_MAIN(TestFilesWriter)
#include "test_files_writer.moc"
