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

// A disk that refuses one write halfway through the file and takes the rest.
class FailingOnce : public QIODevice
{
public:
    explicit FailingOnce(int failAt) : m_failAt(failAt) { open(QIODevice::WriteOnly); }
    QByteArray Taken;
    int Writes = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (++Writes == m_failAt) {
            setErrorString(QStringLiteral("no space left for the set"));
            return -1;
        }
        Taken.append(data, size);
        return size;
    }

private:
    int m_failAt;
};

} // namespace

class TestFilesWriter : public QObject
{
    Q_OBJECT

private slots:
    // Written over an earlier, longer file.
    void goldenFiles()
    {
        for (const QString &file : {QStringLiteral("golden_us_control.csv"), QStringLiteral("golden_metric_semicolon.csv")}) {
            const bool metric = file.contains(QLatin1String("metric"));
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("line 1.csv"));
            writeExisting(path, QByteArray(100000, 'x'));
            const SlideSet set = GoldenSet(metric, !metric);
            CompositeResults composite, fresh; // saving hands the fresh composite back to the window
            QCOMPARE(WriteSlideSetFile(path, set, metric ? QStringLiteral(";") : kComma,
                                       NumberFormat(QLatin1Char(metric ? ',' : '.')), &composite), QString());
            const QList<QByteArray> want = ReadBytes(FilesTestData(file)).split('\n'), got = ReadBytes(path).split('\n');
            for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) // names the first line that differs
                QCOMPARE(file + QStringLiteral(" %1 ").arg(i + 1) + QString::fromLatin1(got.value(i)),
                         file + QStringLiteral(" %1 ").arg(i + 1) + QString::fromLatin1(want.value(i)));
            CalcComposite(set, fresh);
            QCOMPARE(composite.CompVMD, fresh.CompVMD);
        }
    }

    // Any script comes back as typed: beyond Windows-1252 the file turns UTF-8 with a
    // byte order mark, as it does for a decimal separator beyond it (Arabic); a list
    // separator in a text becomes a blank, a line break a space.
    void textsInTheFile_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("utf8");
        for (const QString &sep : {QStringLiteral(","), QStringLiteral(";")}) {
            const QChar point = QLatin1Char(sep == kComma ? '.' : ',');
            auto row = [&](const char *name, const QString &text, const QString &back, bool utf8) {
                QTest::addRow("%s, \"%s\"", name, qPrintable(sep)) << sep << point << text << back << utf8;
            };
            row("Greek and emoji", QStringLiteral("Ψεκαστήρας 🦟"), QStringLiteral("Ψεκαστήρας 🦟"), true);
            row("Western", QStringLiteral("Müller; Söhne"),
                sep == kComma ? QStringLiteral("Müller; Söhne") : QStringLiteral("Müller  Söhne"), false);
            row("Western, every special of the code page", QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ µ²°"),
                QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ µ²°"), false);
        }
        QTest::newRow("Arabic decimal separator") << ";" << QChar(0x066B) << "Naled" << "Naled" << true;
        QTest::newRow("middle dot decimal separator") << ";" << QChar(0x00B7) << "Naled" << "Naled" << false;
    }
    void textsInTheFile()
    {
        QFETCH(QString, separator);
        QFETCH(QChar, decimal);
        QFETCH(QString, text);
        QFETCH(QString, back);
        QFETCH(bool, utf8);
        const NumberFormat plain(QLatin1Char(separator == kComma ? '.' : ','));
        SlideSet set = GoldenSet(true, true);
        set.Texts.Date = QStringLiteral("3/4/2024");
        set.Texts.Time = QStringLiteral("two\r\nlines");
        set.Texts.Agency = set.Texts.Product = text;
        const QByteArray bytes = SlideSetFileBytes(set, separator, NumberFormat(decimal));
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), utf8);
        SlideSet western = set;
        western.Texts.Agency = western.Texts.Product = QStringLiteral("x");
        const QString shown = utf8 ? QString::fromUtf8(bytes.mid(3)) : DecodeWindows1252(bytes);
        QCOMPARE(QString(shown).replace(back, QStringLiteral("x")).replace(decimal, plain.decimalSeparator()),
                 DecodeWindows1252(SlideSetFileBytes(western, separator, plain)));
        QVERIFY(shown.contains(QStringLiteral("\r\nTime:") + separator + separator + QStringLiteral("two lines\r\n")));
        QVERIFY(shown.contains(QStringLiteral("\r\nDate:") + separator + separator + QStringLiteral("3/4/2024\r\n")));

        const LoadResult loaded = ReadSlideSetBytes(bytes, separator, NumberFormat(decimal));
        QVERIFY2(loaded.Ok(), qPrintable(loaded.Error));
        QVERIFY(loaded.Loaded->Set.Texts.Agency == back && loaded.Loaded->Set.Texts.Product == back);
        QVERIFY(loaded.Loaded->Set.Params == set.Params);
        QCOMPARE(loaded.Loaded->Set.Slides[3].Counts, set.Slides[3].Counts);
    }

    // The block where Windows-1252 departs from Latin-1, both ways.
    void codePage()
    {
        const QString block = QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
        const QByteArray bytes1252("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92"
                                   "\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
        QCOMPARE(EncodeWindows1252(block), bytes1252);
        QCOMPARE(DecodeWindows1252(bytes1252), block);
        QCOMPARE(EncodeWindows1252(QStringLiteral("a→b😀c")), QByteArray("a?b?c")); // one "?" per character
        QCOMPARE(EncodeWindows1252(DecodeWindows1252("\x81\x8D\x8F\x90\x9D")), QByteArray("\x81\x8D\x8F\x90\x9D"));
    }

    // The diameter in double: 12.5 × 0.7 is 8.7, though the float product rounds to 8.75.
    void diameterColumn()
    {
        for (const auto &[microns, spread, row] : {std::tuple(12.5f, 0.7f, "\r\n1,8.7,"), std::tuple(25.0f, 0.56f, "\r\n3,42.0,")}) {
            SlideSet set;
            set.Params.MaxSizeEPD = 3;
            set.Params.MicronsPerEPD = microns;
            set.Params.SpreadFactor = spread;
            int16_t largest = 0;
            ResizeClassArrays(set, largest);
            FillSlide(set, AddSlide(set, 1.0f), 1, {{1, 2}, {3, 2}}, MortalityCounts{});
            QCOMPARE(SlideSetFileBytes(set, kComma, NumberFormat()).count(row), 2); // drop and composite tables
        }
    }

    // Separators that cannot frame a file: nothing is written.
    void unusableSeparators()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.csv"));
        for (const auto &[list, decimal] : {std::pair(",", ','), std::pair("", '.'), std::pair("-", '.'), std::pair(",", '5')}) {
            QVERIFY(!WriteSlideSetFile(path, GoldenSet(true, true), QString::fromLatin1(list),
                                       NumberFormat(QLatin1Char(decimal))).isEmpty());
            QVERIFY(!QFile::exists(path));
        }
    }

    // The chunked writer's own failure path: the failed write is reported although
    // later writes would succeed, and nothing after it reaches the disk.
    void failedWriteMidFile()
    {
        SlideSet set = GoldenSet(true, true);
        while (SlideSetFileBytes(set, kComma, NumberFormat()).size() < 300 * 1024)
            FillSlide(set, AddSlide(set, 10.0f + set.SlideCount()), 1, {{1, 3}, {4, 2}, {6, 1}}, MortalityCounts{});
        const QByteArray whole = SlideSetFileBytes(set, kComma, NumberFormat());
        FailingOnce disk(2);
        QCOMPARE(WriteSlideSet(disk, set, kComma, NumberFormat()), QStringLiteral("no space left for the set"));
        QCOMPARE(disk.Writes, 2);
        QVERIFY(disk.Taken.size() > 0 && whole.startsWith(disk.Taken));
        FailingOnce sound(0);
        QCOMPARE(WriteSlideSet(sound, set, kComma, NumberFormat()), QString());
        QCOMPARE(sound.Taken, whole);
    }

    // A link to a file saves that file and stays a link; a link that leads nowhere
    // a file could be made is refused, and left as it was.
    void savingThroughLinks_data()
    {
        QTest::addColumn<QString>("link"); // what the link "set.csv" leads to
        QTest::addColumn<QString>("error");
        QTest::newRow("to a file") << "target.csv" << "";
        QTest::newRow("to a new file in a folder that exists") << "new.csv" << "";
        QTest::newRow("round in a loop") << "loop.csv" << "set.csv is a symbolic link that leads round in a loop";
        QTest::newRow("into a folder that does not exist") << "gone/set.csv" << "whose folder does not exist";
    }
    void savingThroughLinks()
    {
        QFETCH(QString, link);
        QFETCH(QString, error);
        QTemporaryDir dir;
        QDir folder(dir.path());
        writeExisting(folder.filePath(QStringLiteral("target.csv")), "the earlier save");
        QVERIFY(QFile::link(link, folder.filePath(QStringLiteral("set.csv"))));
        QVERIFY(QFile::link(QStringLiteral("set.csv"), folder.filePath(QStringLiteral("loop.csv"))));
        const QString got = WriteSlideSetFile(folder.filePath(QStringLiteral("set.csv")), GoldenSet(false, true), kComma, NumberFormat());
        QVERIFY2(error.isEmpty() ? got.isEmpty() : got.contains(error), qPrintable(got));
        QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("set.csv"))).symLinkTarget(), folder.absoluteFilePath(link));
        if (error.isEmpty())
            QCOMPARE(ReadBytes(folder.filePath(link)), ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv"))));
        else
            QCOMPARE(ReadBytes(folder.filePath(QStringLiteral("target.csv"))), QByteArray("the earlier save"));
    }

    // Nothing half-written beside the earlier file; a full disk fails a file of one
    // write buffer as surely as one of several.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("kib"); // the size of a file that fills the disk halfway
        QTest::newRow("folder gone") << "no such folder/set.csv" << 0;
        QTest::newRow("a folder stands where the file would go") << "taken" << 0;
        QTest::newRow("read-only folder and file") << "set.csv" << 0;
        QTest::newRow("disk full halfway, one chunk") << "set.csv" << 4;
        QTest::newRow("disk full halfway, several chunks") << "set.csv" << 400;
        QTest::newRow("a FIFO stands where the file would go") << "fifo" << 0;
        QTest::newRow("a device stands where the file would go") << "device" << 0;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(int, kib);
        const bool special = target == QLatin1String("fifo") || target == QLatin1String("device");
        const bool readOnly = QByteArray(QTest::currentDataTag()).startsWith("read-only");
        QTemporaryDir dir;
        const QString earlier = dir.filePath(QStringLiteral("set.csv"));
        writeExisting(earlier, "the earlier save");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        SlideSet set = GoldenSet(true, true);
        while (kib > 4 && SlideSetFileBytes(set, kComma, NumberFormat()).size() < kib * 1024)
            FillSlide(set, AddSlide(set, 10.0f + set.SlideCount()), 1, {{1, 3}, {4, 2}, {6, 1}}, MortalityCounts{});
#ifdef Q_OS_UNIX
        if (target == QLatin1String("fifo"))
            QCOMPARE(mkfifo(qPrintable(dir.filePath(target)), 0600), 0);
        if (target == QLatin1String("device") && mknod(qPrintable(dir.filePath(target)), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("making a device node needs root");
        if (readOnly) {
            if (geteuid() == 0)
                QSKIP("running as root: permission bits do not stop root from writing");
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            QFile::setPermissions(earlier, QFileDevice::ReadOwner);
        }
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        if (kib)
            limited.rlim_cur = rlim_t(SlideSetFileBytes(set, kComma, NumberFormat()).size() / 2);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString error = WriteSlideSetFile(dir.filePath(target), set, kComma, NumberFormat());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#else
        if (readOnly || kib || special)
            QSKIP("needs POSIX permissions, file size limits and special files");
        const QString error = WriteSlideSetFile(dir.filePath(target), set, kComma, NumberFormat());
#endif
        QVERIFY2(!error.isEmpty() && !error.contains(QLatin1String("Unknown error")), qPrintable(error));
        QVERIFY2(!kib || error.contains(QLatin1String("too large")), qPrintable(error)); // the system's own words
        QCOMPARE(ReadBytes(earlier), QByteArray("the earlier save"));
        const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
        QCOMPARE(left, (special ? QStringList{target} : QStringList()) + QStringList({QStringLiteral("set.csv"), QStringLiteral("taken")}));
        QVERIFY(!special || !QFileInfo(dir.filePath(target)).isFile());
    }
};

QTEST_GUILESS_MAIN(TestFilesWriter)
#include "test_files_writer.moc"
