#include "recovery/RecoveryWriter.h"

#include "files/SlideSetFile.h"
#include "recovery/RecoveryFolder.h"

#include <QFile>
#include <QSaveFile>

QString WriteRecoveryFiles(const QString &dataPath, const QString &notePath, const RecoverySnapshot &snapshot)
{
    const QString failure = WriteSlideSetFile(dataPath, snapshot.Set, snapshot.ListSeparator, snapshot.Format);
    if (!failure.isEmpty())
        return failure;

    RecoveryNote note;
    note.Written = QDateTime::currentDateTimeUtc();
    note.Slides = snapshot.Set.SlideCount();
    for (int i = 1; i <= snapshot.Set.SlideCount(); ++i)
        note.Drops += snapshot.Set.Slides[i].TotalDrops;
    note.SourceFile = snapshot.SourceFile;
    const SlideSet &set = snapshot.Set;
    if (set.CurrentSlide >= 1 && set.CurrentSlide <= set.SlideCount())
        note.OnView = set.Slides[set.CurrentSlide].Position;
    QSaveFile file(notePath);
    const QByteArray bytes = RecoveryNoteBytes(note);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

RecoveryWriter::RecoveryWriter(const QString &dataPath, const QString &notePath, SnapshotSource source,
                               QObject *parent)
    : QObject(parent)
    , m_dataPath(dataPath)
    , m_notePath(notePath)
    , m_source(std::move(source))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryWriter::takeSnapshot);
    m_thread = std::thread([this] { run(); });
}

RecoveryWriter::~RecoveryWriter()
{
    {
        std::lock_guard guard(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RecoveryWriter::Changed()
{
    if (m_finished || m_timer.isActive())
        return;
    // A change after a quiet spell is copied at once; in a run of typing, one
    // copy per interval.
    qint64 wait = 0;
    if (m_sinceLastCopy.isValid())
        wait = std::max<qint64>(0, kIntervalMs - m_sinceLastCopy.elapsed());
    m_timer.start(int(wait));
}

void RecoveryWriter::takeSnapshot()
{
    if (m_finished)
        return;
    m_timer.stop();
    m_sinceLastCopy.start();
    Job job{m_source()};
    {
        std::lock_guard guard(m_mutex);
        m_pending = std::move(job);
    }
    m_wake.notify_all();
}

void RecoveryWriter::copied(const QString &failure)
{
    if (m_finished)
        return;
    if (!failure.isEmpty()) {
        m_failing = true;
        emit CopyFailed(failure);
        Changed(); // tried again within the interval, typing or not
    } else if (m_failing) {
        m_failing = false;
        emit CopyRestored();
    }
}

void RecoveryWriter::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_busy; });
}

void RecoveryWriter::Flush()
{
    takeSnapshot();
    waitIdle();
}

void RecoveryWriter::Finish()
{
    m_timer.stop();
    m_finished = true;
    {
        std::lock_guard guard(m_mutex);
        m_pending = Job{}; // removal replaces any copy not yet written
    }
    m_wake.notify_all();
    waitIdle();
}

int RecoveryWriter::WritesDone() const
{
    std::lock_guard guard(m_mutex);
    return m_writes;
}

QString RecoveryWriter::LastError() const
{
    std::lock_guard guard(m_mutex);
    return m_lastError;
}

void RecoveryWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return; // stopping, nothing left to write
        Job job = std::move(*m_pending);
        m_pending.reset();
        m_busy = true;
        lock.unlock();

        QString failure;
        if (job.Snapshot) {
            failure = WriteRecoveryFiles(m_dataPath, m_notePath, *job.Snapshot);
        } else {
            QFile::remove(m_dataPath);
            QFile::remove(m_notePath);
        }

        lock.lock();
        m_busy = false;
        if (job.Snapshot) {
            ++m_writes;
            if (!failure.isEmpty() && failure != m_lastError)
                qWarning("recovery file not written: %s", qPrintable(failure));
            m_lastError = failure;
            QMetaObject::invokeMethod(this, [this, failure] { copied(failure); }, Qt::QueuedConnection);
        }
        if (!m_pending)
            m_idle.notify_all();
    }
}
