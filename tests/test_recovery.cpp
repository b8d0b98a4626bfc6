// Crash recovery inside one process: what reaches the recovery file and when,
// the start-up question and its answers, the lock between windows, and the
// clean close that leaves nothing behind. Every folder is a temporary one.
#include "test_window_fixture.h"

#include "entry/SlideSetCommands.h"
#include "files/SlideSetFile.h"
#include "platform/ui/CCommonDialogs.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "shell/CrashRecovery.h"

#include <QUuid>

namespace {

SlideSet SampleSet()
{
    SlideSet set;
    ClearSlides(set);
    int16_t largest = 0;
    const int16_t a = AddSlide(set, 5);
    SetDropCount(set, 3, 4, a, largest);
    SetDropCount(set, 9, 1, a, largest);
    const int16_t b = AddSlide(set, -2.5f);
    SetDropCount(set, 1, 2, b, largest);
    return set;
}

std::vector<int16_t> CountsAt(const SlideSet &set, float position)
{
    for (int16_t i = 1; i <= set.SlideCount(); ++i)
        if (set.Slides[i].Position == position)
            return set.Slides[i].Counts;
    return {};
}

// Files as a window that is gone left them: no lock, a note of `written`.
QString MakeLeftover(const QString &folder, const QByteArray &data, const RecoveryNote &note)
{
    QDir().mkpath(folder);
    const QString stem = folder + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile csv(stem + QStringLiteral(".csv")), noteFile(stem + QStringLiteral(".note"));
    if (!csv.open(QIODevice::WriteOnly) || !noteFile.open(QIODevice::WriteOnly))
        return QString();
    csv.write(data);
    noteFile.write(RecoveryNoteBytes(note));
    return stem + QStringLiteral(".csv");
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QByteArray Bytes(const SlideSet &set)
{
    return SlideSetFileBytes(set, QStringLiteral(","), NumberFormat());
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;

    CrashRecovery *Attach(WindowFixture &w) { return CrashRecovery::Attach(*w.Form, m_folder); }
    // An open window with one slide and one drop, its recovery attached.
    CrashRecovery *OpenWithDrop(WindowFixture &w, const QString &slide, const QString &drop)
    {
        w.Open();
        CrashRecovery *recovery = Attach(w);
        if (recovery) {
            w.NewSlide(slide);
            w.TypeDrop(drop);
        }
        return recovery;
    }
    SlideSet OnDisk(const QString &path)
    {
        LoadResult read = ReadSlideSetFile(path, QStringLiteral(","), NumberFormat());
        return read.Loaded ? read.Loaded->Set : SlideSet();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = m_dir->filePath(QStringLiteral("recovery"));
        CCommonDialogs::ClearQueue();
        CCommonDialogs::ResetLog();
    }

    // Typing reaches the disk within the interval, and the note tells the file.
    void changesReachTheDisk()
    {
        WindowFixture w;
        CrashRecovery *recovery = OpenWithDrop(w, QStringLiteral("7"), QStringLiteral("4"));
        QVERIFY(recovery);
        for (int i = 0; i < 30; ++i)
            w.TypeDrop(QString::number(i % 20 + 1));
        QTRY_COMPARE_WITH_TIMEOUT(OnDisk(recovery->DataPath()).Current().TotalDrops, 31, 2500);
        recovery->Writer().Flush();
        const std::optional<RecoveryNote> note = ParseRecoveryNote([&] {
            QFile f(QFileInfo(recovery->DataPath()).path() + QLatin1Char('/')
                    + QFileInfo(recovery->DataPath()).completeBaseName() + QStringLiteral(".note"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        QVERIFY(note);
        QCOMPARE(note->Slides, 1);
        QCOMPARE(note->Drops, qint64(31));
        QVERIFY(qAbs(note->Written.secsTo(QDateTime::currentDateTimeUtc())) < 10);
    }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("recovered");
        QTest::addColumn<QString>("keptIn"); // where the left-over file ends up
        QTest::addColumn<QString>("message");

        const QByteArray good = Bytes(SampleSet());
        QByteArray cut = good.left(good.indexOf("Position") + 40);
        QTest::newRow("yes") << good << int(MessageBoxes::Yes) << true << QString() << QString();
        QTest::newRow("no") << good << int(MessageBoxes::No) << false << QStringLiteral("discarded") << QString();
        QTest::newRow("cut short")
            << cut << int(MessageBoxes::Yes) << false << QStringLiteral("damaged")
            << QStringLiteral("There was an error opening this file:");
    }

    void answers()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, answer);
        QFETCH(bool, recovered);
        QFETCH(QString, keptIn);
        QFETCH(QString, message);

        const QString source = m_dir->filePath(QStringLiteral("field/line 4.csv"));
        RecoveryNote note{QDateTime(QDate(2026, 3, 14), QTime(15, 9)), 2, 7, source};
        const QString leftover = MakeLeftover(m_folder, content, note);
        QVERIFY(!leftover.isEmpty());

        WindowFixture w;
        w.Open();
        MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        MessageBoxes::QueueAnswer(MessageBoxes::Ok);
        CrashRecovery *recovery = Attach(w);
        QVERIFY(recovery);
        QCOMPARE(MessageBoxes::ShownCount(), message.isEmpty() ? 1 : 2);
        if (!message.isEmpty())
            QVERIFY2(MessageBoxes::LastText().startsWith(message), qPrintable(MessageBoxes::LastText()));

        const SlideSet &set = w.Form->Set();
        if (recovered) {
            QCOMPARE(MessageBoxes::LastText(),
                     QStringLiteral("Nimbrel was not closed properly. A slide set of 2 slides (7 drops) from ")
                         + QLocale().toString(note.Written, QLocale::ShortFormat)
                         + QStringLiteral(" can be recovered. Recover it?"));
            QCOMPARE(set.SlideCount(), int16_t(2));
            QCOMPARE(CountsAt(set, 5), CountsAt(SampleSet(), 5));
            QCOMPARE(CountsAt(set, -2.5f), CountsAt(SampleSet(), -2.5f));
            QVERIFY(w.Form->IsModified());
            // Carries on in the left-over file; Save starts where the set came from.
            QCOMPARE(recovery->DataPath(), leftover);
            QCOMPARE(w.Form->InitialDir(), SlideSetCommands::FolderOf(source));
            CCommonDialogs::QueueCancel();
            w.Form->SaveCommand();
            QCOMPARE(CCommonDialogs::LastFileName(), source);
            QCOMPARE(CCommonDialogs::LastInitialDir(), SlideSetCommands::FolderOf(source));
        } else {
            QCOMPARE(set.SlideCount(), int16_t(0));
            QVERIFY(!w.Form->IsModified());
            QVERIFY(!QFileInfo::exists(leftover));
            const QStringList kept = FilesIn(m_folder + QLatin1Char('/') + keptIn);
            QCOMPARE(kept.filter(QStringLiteral(".csv")).size(), 1);
        }
        // Only this window's own files are left in the folder itself.
        QCOMPARE(FilesIn(m_folder).filter(QStringLiteral(".csv")).size(), recovered ? 1 : 0);
        if (recovered) {
            // The save alone, with no change after it, takes the file away.
            recovery->Writer().Flush();
            QVERIFY(QFileInfo::exists(leftover));
            CCommonDialogs::QueueFileName(m_dir->filePath(QStringLiteral("saved.csv")));
            w.Form->SaveCommand();
            QVERIFY(!w.Form->IsModified());
            QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(leftover), 3 * RecoveryWriter::kIntervalMs);
        }
    }

    // Each live window keeps its own file; one that is gone leaves it to the next start.
    void windowsKeepTheirOwnFiles()
    {
        WindowFixture a, b;
        a.Open();
        b.Open();
        CrashRecovery *ra = Attach(a);
        CrashRecovery *rb = Attach(b);
        QVERIFY(ra && rb && ra->DataPath() != rb->DataPath());
        a.NewSlide(QStringLiteral("1"));
        a.TypeDrop(QStringLiteral("2"));
        b.NewSlide(QStringLiteral("30"));
        b.TypeDrop(QStringLiteral("8"));
        b.TypeDrop(QStringLiteral("8"));
        ra->Writer().Flush();
        rb->Writer().Flush();
        QCOMPARE(OnDisk(ra->DataPath()).Slides[1].Position, 1.0f);
        QCOMPARE(OnDisk(rb->DataPath()).Slides[1].Counts[8], int16_t(2));

        QCOMPARE(MessageBoxes::ShownCount(), 0);
        const QString aFile = ra->DataPath();
        a.Close(); // gone without closing: as good as a crash
        WindowFixture d;
        d.Open();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        CrashRecovery *rd = Attach(d);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(rd->DataPath(), aFile);
        QCOMPARE(d.Form->Set().Slides[1].Counts[2], int16_t(1));
    }

    void cleanClose_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("closes");
        QTest::newRow("saved, then closed") << QStringLiteral("save") << true;
        QTest::newRow("no to the close question") << QStringLiteral("no") << true;
        QTest::newRow("all slides deleted") << QStringLiteral("delete all") << true;
        QTest::newRow("cancel keeps it") << QStringLiteral("cancel") << false;
    }

    void cleanClose()
    {
        QFETCH(QString, how);
        QFETCH(bool, closes);
        WindowFixture w;
        CrashRecovery *recovery = OpenWithDrop(w, QStringLiteral("3"), QStringLiteral("5"));
        QVERIFY(recovery);
        recovery->Writer().Flush();
        QVERIFY(QFileInfo::exists(recovery->DataPath()));
        const QString data = recovery->DataPath();

        if (how == QLatin1String("save")) {
            CCommonDialogs::QueueFileName(m_dir->filePath(QStringLiteral("saved.csv")));
            w.Form->SaveCommand();
            recovery->Writer().Flush();
            QVERIFY(!QFileInfo::exists(data));
        } else if (how == QLatin1String("delete all")) {
            MessageBoxes::QueueAnswer(MessageBoxes::Yes);
            w.Key(Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        } else {
            MessageBoxes::QueueAnswer(how == QLatin1String("no") ? MessageBoxes::No : MessageBoxes::Cancel);
        }
        if (how == QLatin1String("no") || how == QLatin1String("cancel"))
            w.TypeDrop(QStringLiteral("6")); // a copy due when the window closes
        QCOMPARE(w.Form->close(), closes);
        if (!closes) {
            QVERIFY(QFileInfo::exists(data));
            MessageBoxes::QueueAnswer(MessageBoxes::No);
            return;
        }
        QCOMPARE(FilesIn(m_folder), QStringList());
        QTest::qWait(RecoveryWriter::kIntervalMs + 200); // nothing written after the close
        QCOMPARE(FilesIn(m_folder), QStringList());
    }
};

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
