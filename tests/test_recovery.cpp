// Crash recovery inside one process: what reaches the recovery file and when, the
// start-up question and its answers, odd entries in the folder, a folder that
// cannot be written, and the clean close that leaves nothing behind.
#include "FilesTestSupport.h"
#include "test_window_fixture.h"

#include "entry/SlideSetCommands.h"
#include "platform/ui/CCommonDialogs.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "shell/CrashRecovery.h"

#include <QUuid>

#include <atomic>
#include <thread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_UNIX
// Frees whoever has opened the FIFOs in `paths` for reading and now waits on them
// (it gets an end of file), and remembers that someone did: such an open would
// hang a real start for good.
class FifoWatch
{
public:
    explicit FifoWatch(QStringList paths)
        : m_thread([this, paths] {
            for (int tick = 0; !m_stop; ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (tick < 40) // 2 s: an open that waits longer is a hang
                    continue;
                for (const QString &path : paths) {
                    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) { // only succeeds while a reader waits
                        m_blocked = true;
                        ::close(fd);
                    }
                }
            }
        })
    {
    }
    ~FifoWatch() { m_stop = true, m_thread.join(); }
    bool SomeoneBlocked() const { return m_blocked; }

private:
    std::atomic<bool> m_stop{false}, m_blocked{false};
    std::thread m_thread;
};
#endif

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
        const RecoveryNote note{QDateTime(QDate(2026, 3, 14), QTime(15, 9)), 3, 24, source, {}};
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
        QCOMPARE(MessageBoxes::LastText(),
                 QStringLiteral("Nimbrel was not closed properly.\n\nA copy of line 4.csv\nin %1\n"
                                "with 3 slides and 24 drops, taken %2,\ncan be recovered.\n\nRecover it?")
                     .arg(QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("field"))),
                          QLocale().toString(note.Written, QLocale::ShortFormat)));
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
        recovery->Writer()->Flush();
        QVERIFY(QFileInfo::exists(leftover));
        CCommonDialogs::QueueFileName(m_dir->filePath(QStringLiteral("saved.csv")));
        w.Form->SaveCommand();
        QVERIFY(!w.Form->IsModified());
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(leftover), 3 * RecoveryWriter::kIntervalMs);
    }

    // Each live window keeps its own file, typing reaching it within the interval
    // (a run of typing copied once per interval, not at every drop) with a note that
    // tells the file; one that is gone leaves it to the next start.
    void windowsKeepTheirOwnFiles()
    {
        WindowFixture a, b, d;
        CrashRecovery *ra = OpenWithDrop(a, QStringLiteral("7"), QStringLiteral("4"));
        CrashRecovery *rb = OpenWithDrop(b, QStringLiteral("30"), QStringLiteral("8"));
        QVERIFY(ra && rb && ra->DataPath() != rb->DataPath());
        const int before = ra->Writer()->WritesDone();
        QElapsedTimer typing;
        typing.start();
        for (int i = 0; i < 30; ++i) {
            a.TypeDrop(QString::number(i % 20 + 1));
            QTest::qWait(20); // an operator's pace: the event loop runs between drops
        }
        // One copy may already be under way, one is due at the interval's end.
        const qint64 copies = ra->Writer()->WritesDone() - before;
        QVERIFY2(copies <= typing.elapsed() / RecoveryWriter::kIntervalMs + 2,
                 qPrintable(QStringLiteral("%1 copies in %2 ms").arg(copies).arg(typing.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(OnDisk(ra->DataPath()).Current().TotalDrops, 31, 2500);
        ra->Writer()->Flush();
        const auto note = ParseRecoveryNote(ReadBytes(ra->DataPath().chopped(4) + QStringLiteral(".note")));
        QVERIFY(note && note->Slides == 1 && note->Drops == 31);
        QVERIFY(qAbs(note->Written.secsTo(QDateTime::currentDateTimeUtc())) < 10);
        rb->Writer()->Flush();
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

    // A set never saved is named as such, counts in the singular where they are
    // one, and the question keeps to short lines of its own.
    void questionTextOfAnUnsavedSet()
    {
        const RecoveryNote note{QDateTime(QDate(2026, 3, 14), QTime(15, 9)), 1, 1, QString(), {}};
        const QString text = CrashRecovery::QuestionText(note, NumberFormat());
        QVERIFY2(text.startsWith(QStringLiteral("Nimbrel was not closed properly.\n\nA copy of an unsaved set\n"
                                                "with 1 slide and 1 drop, taken ")),
                 qPrintable(text));
        for (const QString &line : text.split(QLatin1Char('\n')))
            QVERIFY2(line.size() <= 60, qPrintable(line));
    }

    // Left-over files are offered newest first; those declined go to "discarded",
    // of which the ten newest are kept.
    void leftoversNewestFirst()
    {
        const QByteArray data = SlideSetFileBytes(GoldenSet(false, true), QStringLiteral(","), NumberFormat());
        const QDateTime first(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
        QStringList leftovers;
        for (int i = 0; i < 12; ++i) // written an hour apart, the i-th holding i + 1 slides by its note
            leftovers << MakeLeftover(m_folder, data, RecoveryNote{first.addSecs(3600 * i), i + 1, 7, QString(), {}});
        QVERIFY(!leftovers.contains(QString()));

        WindowFixture w;
        w.Open();
        QStringList asked;
        MessageBoxes::SetUnexpectedQuestionHandler([&asked](const QString &text) { asked << text; });
        MessageBoxes::SetFallbackAnswer(MessageBoxes::No);
        QVERIFY(Attach(w));
        QCOMPARE(asked.size(), 12);
        for (int i = 0; i < 12; ++i) {
            const QString slides = QStringLiteral("with %1 slide").arg(12 - i);
            QVERIFY2(asked[i].contains(slides), qPrintable(QString::number(i) + QLatin1Char(' ') + asked[i]));
        }
        const QString discarded = m_folder + QStringLiteral("/discarded");
        const QStringList kept = FilesIn(discarded).filter(QStringLiteral(".csv"));
        QCOMPARE(kept.size(), RecoveryFolder::kDiscardedKept);
        QCOMPARE(FilesIn(discarded).filter(QStringLiteral(".note")).size(), RecoveryFolder::kDiscardedKept);
        // The two written first went.
        QVERIFY(kept.first().startsWith(first.addSecs(2 * 3600).toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    }

    // The set reopens on the slide that was on view (chosen with no change of the
    // set after it), the drop box ready: the next drop lands there.
    void reopensOnTheSlideOnView()
    {
        WindowFixture a, d;
        CrashRecovery *ra = OpenWithDrop(a, QStringLiteral("5"), QStringLiteral("3"));
        QVERIFY(ra);
        a.NewSlide(QStringLiteral("10"));
        a.TypeDrop(QStringLiteral("4"));
        a.NewSlide(QStringLiteral("20"));
        a.TypeDrop(QStringLiteral("6"));
        ra->Writer()->Flush();
        const QString note = ra->DataPath().chopped(4) + QStringLiteral(".note");
        const auto onView = [&note] { return ParseRecoveryNote(ReadBytes(note)).value_or(RecoveryNote{}).OnView; };
        QCOMPARE(onView(), std::optional<float>(20.0f));
        const QByteArray dataBefore = ReadBytes(ra->DataPath());
        QTest::mouseClick(a.Strip(), Qt::LeftButton, {}, a.Strip()->tabRect(1).center());
        QCOMPARE(a.Form->Set().Slides[a.Form->Set().CurrentSlide].Position, 10.0f);
        QTRY_COMPARE_WITH_TIMEOUT(onView(), std::optional<float>(10.0f), 3 * RecoveryWriter::kIntervalMs);
        QCOMPARE(ReadBytes(ra->DataPath()), dataBefore); // the set file's bytes as the writer makes them
        a.Close();

        d.Open();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        QVERIFY(Attach(d));
        QCOMPARE(d.Form->Set().SlideCount(), int16_t(3));
        QCOMPARE(d.Strip()->currentIndex(), 1);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(d.Entry()));
        d.TypeDrop(QStringLiteral("7"));
        QCOMPARE(d.Form->Set().Slides[2].Counts[7], int16_t(1));
        QCOMPARE(d.Form->Set().Slides[3].Counts[7], int16_t(0));
    }

#ifdef Q_OS_UNIX
    // An entry that is no regular file is never opened (a FIFO would block the
    // start for good): it goes to "damaged" unasked, and the window starts empty.
    void oddEntriesSetAside_data()
    {
        QTest::addColumn<QString>("odd"); // which of the session's entries
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO as the file") << QStringLiteral(".csv") << QStringLiteral("fifo");
        QTest::newRow("FIFO as the note") << QStringLiteral(".note") << QStringLiteral("fifo");
        QTest::newRow("FIFO as the lock") << QStringLiteral(".lock") << QStringLiteral("fifo");
        QTest::newRow("folder as the file") << QStringLiteral(".csv") << QStringLiteral("folder");
        QTest::newRow("dangling link as the file") << QStringLiteral(".csv") << QStringLiteral("link");
    }
    void oddEntriesSetAside()
    {
        QFETCH(QString, odd);
        QFETCH(QString, kind);
        const QByteArray data = SlideSetFileBytes(GoldenSet(false, true), QStringLiteral(","), NumberFormat());
        const QString csv = MakeLeftover(m_folder, data, RecoveryNote{QDateTime::currentDateTimeUtc(), 3, 24, QString(), {}});
        const QString path = csv.chopped(4) + odd;
        QFile::remove(path);
        const QByteArray name = QFile::encodeName(path);
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else
            QCOMPARE(::symlink("nowhere/at/all", name.constData()), 0);

        WindowFixture w;
        w.Open();
        CrashRecovery *recovery = nullptr;
        {
            FifoWatch watch({path});
            recovery = Attach(w);
            QVERIFY2(!watch.SomeoneBlocked(), "a FIFO was opened");
        }
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        QVERIFY(recovery->IsOn());
        QVERIFY(!QFileInfo::exists(path) && !QFileInfo(path).isSymLink());
        const QStringList damaged = QDir(m_folder + QStringLiteral("/damaged")).entryList(QDir::Files | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY2(damaged.filter(QFileInfo(path).fileName()).size() == 1, qPrintable(damaged.join(QLatin1Char(' '))));
    }
#endif

    // A folder that cannot take the copies: the operator is told once, the window
    // carries a mark while no copy is kept, and the copies are tried again by
    // themselves until one reaches the disk.
    void recoveryOffIsTold_data()
    {
        QTest::addColumn<bool>("fromTheStart");
        QTest::newRow("folder cannot be made") << true;
        QTest::newRow("copies cannot be written") << false;
    }
    void recoveryOffIsTold()
    {
        QFETCH(bool, fromTheStart);
        // A folder where a file has to go fails as surely as a full disk, even for root.
        QString blocker = m_folder;
        if (fromTheStart)
            QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        WindowFixture w;
        CrashRecovery *recovery = OpenWithDrop(w, QStringLiteral("3"), QStringLiteral("5"));
        if (!fromTheStart) {
            QCOMPARE(MessageBoxes::ShownCount(), 0);
            QVERIFY(recovery->IsOn());
            recovery->Writer()->Flush();
            blocker = recovery->DataPath();
            QVERIFY(QFile::remove(blocker) && QDir().mkdir(blocker));
            w.TypeDrop(QStringLiteral("5"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(MessageBoxes::ShownCount(), 1, 3 * RecoveryWriter::kIntervalMs);
        QVERIFY2(MessageBoxes::LastText().startsWith(QStringLiteral("Nimbrel cannot keep its recovery copy of your work")),
                 qPrintable(MessageBoxes::LastText()));
        QVERIFY(!recovery->IsOn());
        QVERIFY(w.Shown(QStringLiteral("lblRecoveryOff")));
        QCOMPARE(w.Find<QLabel>(QStringLiteral("lblRecoveryOff"))->text(), QStringLiteral("Recovery off"));

        for (int i = 0; i < 3; ++i)
            w.TypeDrop(QStringLiteral("6"));
        QTest::qWait(RecoveryWriter::kIntervalMs + 500); // at least one more attempt, and no second message
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY(w.Shown(QStringLiteral("lblRecoveryOff")));

        // Put right, with no further typing: the next attempt keeps a copy.
        QVERIFY(fromTheStart ? QFile::remove(blocker) : QDir().rmdir(blocker));
        QTRY_VERIFY_WITH_TIMEOUT(recovery->IsOn(), 3 * RecoveryWriter::kIntervalMs);
        QVERIFY(!w.Shown(QStringLiteral("lblRecoveryOff")));
        QTRY_COMPARE_WITH_TIMEOUT(OnDisk(recovery->DataPath()).Current().TotalDrops, fromTheStart ? 4 : 5,
                                  3 * RecoveryWriter::kIntervalMs);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
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
        recovery->Writer()->Flush();
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
