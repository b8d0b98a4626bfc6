// The workbook's write: complete or not at all, whatever fails on the way.

#include "export/Workbook.h"
#include "files/SlideSetFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

SlideSet realisticLine()
{
    LoadResult read = ReadSlideSetFile(QString::fromLocal8Bit(qgetenv("NIMBREL_TEST_DATA")) + "/realistic-line.csv",
                                       QStringLiteral(","), NumberFormat(QLatin1Char('.')));
    return read.Loaded ? read.Loaded->Set : SlideSet();
}

// The file size limit stands in for a full disk: every write past it fails
// (EFBIG) just as one would on a disk with that much room left.
class DiskRoom
{
public:
    explicit DiskRoom(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskRoom() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT
    SlideSet m_set;

private slots:
    void initTestCase()
    {
        m_set = realisticLine();
        QCOMPARE(m_set.SlideCount(), 10);
    }

    // Each failure leaves the earlier workbook byte for byte and nothing beside it.
    void failureLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("disk full while writing") << "full";
        QTest::newRow("failure after the temporary file is complete") << "late";
        QTest::newRow("target is a folder") << "folder";
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("target is a pipe") << "fifo";
        QTest::newRow("target is a link loop") << "loop";
    }
    void failureLeavesTheOldFile()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString target = dir.filePath(how == "missing" ? "gone/out.xlsx" : "out.xlsx");
        const QByteArray old = "an earlier workbook";
        if (how == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("out.xlsx"));
        } else if (how == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(target).constData(), 0600), 0);
        } else if (how == "loop") {
            QVERIFY(QFile::link("other.xlsx", target) && QFile::link("out.xlsx", dir.filePath("other.xlsx")));
        } else if (how != "missing") {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(old);
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        WorkbookInput input;
        input.Set = &m_set;
        QString error;
        if (how == "full") {
            const DiskRoom room(4096);
            error = WriteWorkbook(target, input);
        } else if (how == "late") {
            qint64 written = 0;
            SetWorkbookBeforeRenameHook([&written](const QString &temporary) {
                written = QFileInfo(temporary).size();
                return QStringLiteral("No space left on device");
            });
            error = WriteWorkbook(target, input);
            SetWorkbookBeforeRenameHook(nullptr);
            QVERIFY(written > 4096); // it was complete, and still went
        } else {
            error = WriteWorkbook(target, input);
        }

        QVERIFY2(!error.isEmpty(), "a failed write reported as success");
        if (how == "full")
            QVERIFY2(error.contains(qt_error_string(EFBIG)), qPrintable(error)); // the system's reason, not only the library's
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        if (how == "full" || how == "late") {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), old);
        }
    }

    // A good write replaces the earlier file, keeps who may read it, and leaves
    // only the workbook.
    void replacesInPlace()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("out.xlsx");
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        WorkbookInput input;
        input.Set = &m_set;
        QCOMPARE(WriteWorkbook(target, input), QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"out.xlsx"});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("PK")); // a zip package
        QCOMPARE(file.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), QFileDevice::Permissions());
    }

    // A link to a workbook is written through: the link stays, the file it leads to is new.
    void writesThroughALink()
    {
        QTemporaryDir dir;
        QFile real(dir.filePath("real.xlsx"));
        QVERIFY(real.open(QIODevice::WriteOnly) && real.write("old") == 3);
        real.close();
        QVERIFY(QFile::link("real.xlsx", dir.filePath("out.xlsx")));
        WorkbookInput input;
        input.Set = &m_set;
        QCOMPARE(WriteWorkbook(dir.filePath("out.xlsx"), input), QString());
        QVERIFY(QFileInfo(dir.filePath("out.xlsx")).isSymLink());
        QVERIFY(real.open(QIODevice::ReadOnly));
        QCOMPARE(real.read(2), QByteArray("PK"));
    }
};

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
