// Writing a slide set file: byte for byte against files composed by hand, and on
// disk, where a save that fails leaves an earlier file as it was and says why.
#include "FilesTestSupport.h"
#include "files/Windows1252.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
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
    // Percentages after the cage counts only where they were computed; without
    // control data no " = " at all. The metric file is the one in semicolons and
    // decimal commas. Written over an earlier, longer file.
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

    // A text holding the separator loses what follows it on reading (no quoting);
    // a line break or a character outside Windows-1252 never breaks the layout; a
    // date whose day-month order differs between locales is left as typed.
    void textsInTheFile()
    {
        SlideSet set = GoldenSet(true, true);
        set.Texts.Date = QStringLiteral("3/4/2024");
        set.Texts.Agency = QStringLiteral("two\r\nlines");
        set.Texts.Sprayer = QStringLiteral("Field Unit, North");
        set.Texts.Product = QStringLiteral("Ω ∑ €"); // € is in the code page, the others are not
        const QByteArray bytes = SlideSetFileBytes(set, kComma, NumberFormat());
        QVERIFY(bytes.contains("\r\nAgency:,,two lines,\r\n"));
        QVERIFY(bytes.contains("\r\nProduct:,,? ? \x80,\r\n"));
        QVERIFY(bytes.contains("\r\nDate:,,3/4/2024\r\n"));
        const LoadResult back = ReadSlideSetBytes(bytes, kComma, NumberFormat());
        QVERIFY2(back.Ok(), qPrintable(back.Error));
        QCOMPARE(back.Loaded->Set.Texts.Sprayer, QStringLiteral("Field Unit"));
        QCOMPARE(back.Loaded->Set.Slides[3].Counts, set.Slides[3].Counts);

        // The block where Windows-1252 departs from Latin-1, both ways.
        const QString block = QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
        const QByteArray bytes1252("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92"
                                   "\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
        QCOMPARE(EncodeWindows1252(block), bytes1252);
        QCOMPARE(DecodeWindows1252(bytes1252), block);
        QCOMPARE(EncodeWindows1252(QStringLiteral("a→b😀c")), QByteArray("a?b?c")); // one "?" per character
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

    // A save that cannot start or fails halfway leaves the earlier file as it was,
    // nothing half-written beside it, and says why.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("folder gone") << "no such folder/set.csv";
        QTest::newRow("a folder stands where the file would go") << "taken";
        QTest::newRow("a file stands where the folder would be") << "set.csv/set.csv";
        QTest::newRow("read-only folder and file") << "set.csv";
        QTest::newRow("disk full halfway") << "set.csv"; // a file size limit stands in for it
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, target);
        const QByteArray tag = QTest::currentDataTag();
        QTemporaryDir dir;
        const QString earlier = dir.filePath(QStringLiteral("set.csv"));
        writeExisting(earlier, "the earlier save");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        std::mt19937 rng(7);
        const SlideSet set = RandomFileSet(rng, 40);
#ifdef Q_OS_UNIX
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
        if (tag.startsWith("read-only") || tag.startsWith("disk full"))
            QSKIP("needs POSIX permissions and file size limits");
        const QString error = WriteSlideSetFile(dir.filePath(target), set, kComma, NumberFormat());
#endif
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(earlier), QByteArray("the earlier save"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("set.csv"), QStringLiteral("taken")}));
    }
};

QTEST_GUILESS_MAIN(TestFilesWriter)
#include "test_files_writer.moc"
