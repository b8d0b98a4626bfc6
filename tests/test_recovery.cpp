// Crash recovery inside one process: what reaches the recovery file and when, the
// start-up question and its answers, and the clean close that leaves nothing behind.
#include "FilesTestSupport.h"
#include "test_window_fixture.h"

#include "entry/SlideSetCommands.h"
#include "platform/ui/CCommonDialogs.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "shell/CrashRecovery.h"

#include <QUuid>

namespace {

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

QStringList FilesIn(const QString &folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;

    CrashRecovery *Attach(WindowFixture &w) { return CrashRecovery::Attach(*w.Form, m_folder); }
    // An open window with one slide and one drop, its recovery attached.
    CrashRecovery *OpenWithDrop(WindowFixture &w, const QString &slide, const QString &drop)
    {
        w.Open();
        CrashRecovery *recovery = Attach(w);
        w.NewSlide(slide);
        w.TypeDrop(drop);
        return recovery;
    }
    SlideSet OnDisk(const QString &path)
    {
        const LoadResult read = ReadSlideSetFile(path, QStringLiteral(","), NumberFormat());
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

    void answers_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("keptIn"); // where the left-over file ends up; empty: recovered
        QTest::addColumn<QString>("message");
        const QByteArray good = SlideSetFileBytes(GoldenSet(false, true), QStringLiteral(","), NumberFormat());
        QTest::newRow("yes") << good << int(MessageBoxes::Yes) << QString() << QString();
        QTest::newRow("no") << good << int(MessageBoxes::No) << QStringLiteral("discarded") << QString();
        QTest::newRow("cut short") << good.left(good.indexOf("Position") + 40) << int(MessageBoxes::Yes)
                                   << QStringLiteral("damaged") << QStringLiteral("There was an error opening this file:");
    }
    void answers()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, answer);
        QFETCH(QString, keptIn);
        QFETCH(QString, message);
        const bool recovered = keptIn.isEmpty();
        const QString source = m_dir->filePath(QStringLiteral("field/line 4.csv"));
        const RecoveryNote note{QDateTime(QDate(2026, 3, 14), QTime(15, 9)), 3, 24, source};
        const QString leftover = MakeLeftover(m_folder, content, note);
        QVERIFY(!leftover.isEmpty());

        WindowFixture w;
        w.Open();
        MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        MessageBoxes::QueueAnswer(MessageBoxes::Ok);
        CrashRecovery *recovery = Attach(w);
        QVERIFY(recovery);
        QCOMPARE(MessageBoxes::ShownCount(), message.isEmpty() ? 1 : 2);
        QVERIFY2(MessageBoxes::LastText().startsWith(message), qPrintable(MessageBoxes::LastText()));
        QCOMPARE(FilesIn(m_folder).filter(QStringLiteral(".csv")).size(), recovered ? 1 : 0);
        const SlideSet &set = w.Form->Set();
        if (!recovered) {
            QCOMPARE(set.SlideCount(), int16_t(0));
            QVERIFY(!w.Form->IsModified());
            QVERIFY(!QFileInfo::exists(leftover));
            QCOMPARE(FilesIn(m_folder + QLatin1Char('/') + keptIn).filter(QStringLiteral(".csv")).size(), 1);
            return;
        }
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Nimbrel was not closed properly. A slide set of 3 slides (24 drops) from ")
                                               + QLocale().toString(note.Written, QLocale::ShortFormat)
                                               + QStringLiteral(" can be recovered. Recover it?"));
        QCOMPARE(set.SlideCount(), int16_t(3));
        for (int16_t i = 1; i <= 3; ++i)
            QCOMPARE(set.Slides[i].Counts, GoldenSet(false, true).Slides[i].Counts);
        QVERIFY(w.Form->IsModified());
        // Carries on in the left-over file; Save starts where the set came from.
        QCOMPARE(recovery->DataPath(), leftover);
        QCOMPARE(w.Form->InitialDir(), SlideSetCommands::FolderOf(source));
        CCommonDialogs::QueueCancel();
        w.Form->SaveCommand();
        QCOMPARE(CCommonDialogs::LastFileName(), source);
        QCOMPARE(CCommonDialogs::LastInitialDir(), SlideSetCommands::FolderOf(source));
        // The save alone, with no change after it, takes the file away.
        recovery->Writer().Flush();
        QVERIFY(QFileInfo::exists(leftover));
        CCommonDialogs::QueueFileName(m_dir->filePath(QStringLiteral("saved.csv")));
        w.Form->SaveCommand();
        QVERIFY(!w.Form->IsModified());
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(leftover), 3 * RecoveryWriter::kIntervalMs);
    }

    // Each live window keeps its own file, typing reaching it within the interval with
    // a note that tells the file; one that is gone leaves it to the next start.
    void windowsKeepTheirOwnFiles()
    {
        WindowFixture a, b, d;
        CrashRecovery *ra = OpenWithDrop(a, QStringLiteral("7"), QStringLiteral("4"));
        CrashRecovery *rb = OpenWithDrop(b, QStringLiteral("30"), QStringLiteral("8"));
        QVERIFY(ra && rb && ra->DataPath() != rb->DataPath());
        for (int i = 0; i < 30; ++i)
            a.TypeDrop(QString::number(i % 20 + 1));
        QTRY_COMPARE_WITH_TIMEOUT(OnDisk(ra->DataPath()).Current().TotalDrops, 31, 2500);
        ra->Writer().Flush();
        const auto note = ParseRecoveryNote(ReadBytes(ra->DataPath().chopped(4) + QStringLiteral(".note")));
        QVERIFY(note && note->Slides == 1 && note->Drops == 31);
        QVERIFY(qAbs(note->Written.secsTo(QDateTime::currentDateTimeUtc())) < 10);
        rb->Writer().Flush();
        QCOMPARE(OnDisk(rb->DataPath()).Slides[1].Counts[8], int16_t(1));
        QCOMPARE(MessageBoxes::ShownCount(), 0);

        const QString aFile = ra->DataPath();
        a.Close(); // gone without closing: as good as a crash
        d.Open();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        CrashRecovery *rd = Attach(d);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(rd->DataPath(), aFile);
        QCOMPARE(d.Form->Set().Current().TotalDrops, 31);
    }

    void cleanClose_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("no to the close question") << QStringLiteral("no");
        QTest::newRow("all slides deleted") << QStringLiteral("delete all");
        QTest::newRow("cancel keeps it") << QStringLiteral("cancel");
    }
    void cleanClose()
    {
        QFETCH(QString, how);
        WindowFixture w;
        CrashRecovery *recovery = OpenWithDrop(w, QStringLiteral("3"), QStringLiteral("5"));
        QVERIFY(recovery);
        recovery->Writer().Flush();
        const QString data = recovery->DataPath();
        QVERIFY(QFileInfo::exists(data));
        if (how == QLatin1String("delete all")) {
            MessageBoxes::QueueAnswer(MessageBoxes::Yes);
            w.Key(Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        } else {
            MessageBoxes::QueueAnswer(how == QLatin1String("no") ? MessageBoxes::No : MessageBoxes::Cancel);
            w.TypeDrop(QStringLiteral("6")); // a copy due when the window closes
        }
        const bool closes = how != QLatin1String("cancel");
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
