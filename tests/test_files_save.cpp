// Saving and opening on disk: a save that fails leaves an earlier file exactly
// as it was, and says why.
#include "FilesTestSupport.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

const QString kComma = QStringLiteral(",");

QString writeExisting(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return file.errorString();
    return QString();
}

} // namespace

class TestFilesSave : public QObject
{
    Q_OBJECT

private slots:
    void savedFileLoadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("line 1.csv"));
        const SlideSet set = GoldenSet(false, true);
        QCOMPARE(WriteSlideSetFile(path, set, kComma, NumberFormat()), QString());
        QCOMPARE(ReadBytes(path), ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv"))));
        const LoadResult back = ReadSlideSetFile(path, kComma, NumberFormat());
        QVERIFY2(back.Ok(), qPrintable(back.Error));
        QCOMPARE(back.Loaded->Set.SlideCount(), set.SlideCount());
        // Saving again over it replaces it whole.
        SlideSet changed = set;
        changed.Texts.Agency = QStringLiteral("second save");
        QCOMPARE(WriteSlideSetFile(path, changed, kComma, NumberFormat()), QString());
        QVERIFY(ReadBytes(path).contains("Agency:,,second save,"));
    }

    void unwritableTargets_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("folder gone") << "no such folder/set.csv";
        QTest::newRow("a folder stands where the file would go") << "taken";
        QTest::newRow("a file stands where the folder would be") << "plain.txt/set.csv";
    }
    void unwritableTargets()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        QCOMPARE(writeExisting(dir.filePath(QStringLiteral("taken/inside.csv")), "kept"), QString());
        QCOMPARE(writeExisting(dir.filePath(QStringLiteral("plain.txt")), "kept"), QString());
        const QString error = WriteSlideSetFile(dir.filePath(relative), GoldenSet(true, true), kComma, NumberFormat());
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("taken/inside.csv"))), QByteArray("kept"));
        QCOMPARE(ReadBytes(dir.filePath(QStringLiteral("plain.txt"))), QByteArray("kept"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("plain.txt"), QStringLiteral("taken")}));
    }

    void readOnlyFolderKeepsTheOldFile()
    {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("running as root: permission bits do not stop root from writing");
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.csv"));
        QCOMPARE(writeExisting(path, "the earlier save"), QString());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        const QString error = WriteSlideSetFile(path, GoldenSet(true, true), kComma, NumberFormat());
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(path), QByteArray("the earlier save"));
    }

    // The disk fills up halfway through the save: the earlier file survives whole
    // and no half-written file is left beside it.
    void diskFullHalfwayKeepsTheOldFile()
    {
#ifndef Q_OS_UNIX
        QSKIP("the file size limit that stands in for a full disk is a POSIX resource limit");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.csv"));
        const QByteArray earlier = ReadBytes(FilesTestData(QStringLiteral("golden_metric_semicolon.csv")));
        QCOMPARE(writeExisting(path, earlier), QString());

        std::mt19937 rng(7);
        SlideSet big = RandomFileSet(rng, 40);
        const qsizetype size = SlideSetFileBytes(big, kComma, NumberFormat()).size();
        QVERIFY(size > 20000);

        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(size / 2);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const QString error = WriteSlideSetFile(path, big, kComma, NumberFormat());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadBytes(path), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("set.csv")});
#endif
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("no such file") << "missing.csv";
        QTest::newRow("a folder") << ".";
    }
    void openFailures()
    {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        const LoadResult result = ReadSlideSetFile(dir.filePath(relative), kComma, NumberFormat());
        QCOMPARE(result.Status, LoadStatus::Failed);
        QVERIFY(!result.Error.isEmpty());
        QVERIFY(!result.Loaded.has_value());
    }

    void separatorsThatCannotFrameAFileAreRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("set.csv"));
        QVERIFY(!WriteSlideSetFile(path, GoldenSet(true, true), kComma, NumberFormat(QLatin1Char(','))).isEmpty());
        QVERIFY(!QFile::exists(path));
        const LoadResult result = ReadSlideSetFile(FilesTestData(QStringLiteral("golden_us_control.csv")), kComma,
                                                   NumberFormat(QLatin1Char(',')));
        QCOMPARE(result.Status, LoadStatus::Failed);
    }
};

QTEST_GUILESS_MAIN(TestFilesSave)
#include "test_files_save.moc"
