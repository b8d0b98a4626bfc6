#pragma once

#include "model/NumberText.h"
#include "model/SlideSet.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// The unsaved set as it stands, copied so it can be written while typing goes on.
struct RecoverySnapshot
{
    SlideSet Set;
    QString ListSeparator;
    NumberFormat Format;
    QString SourceFile;
};

// Writes the recovery file and its note in full, each through a temporary file
// that replaces the old one only when complete. Empty text on success,
// otherwise what went wrong.
QString WriteRecoveryFiles(const QString &dataPath, const QString &notePath, const RecoverySnapshot &snapshot);

// Keeps a window's unsaved work on disk. Told of every change, it takes a copy
// of the set at most every two seconds and no later than two seconds after the
// change, and writes it on a thread of its own so typing never waits for the
// disk. When nothing is unsaved (the source gives no snapshot) the files go.
class RecoveryWriter : public QObject
{
    Q_OBJECT
public:
    // The current unsaved work, or nothing when there is none to keep.
    using SnapshotSource = std::function<std::optional<RecoverySnapshot>()>;

    RecoveryWriter(const QString &dataPath, const QString &notePath, SnapshotSource source,
                   QObject *parent = nullptr);
    ~RecoveryWriter() override; // lets a write in progress finish

    static constexpr int kIntervalMs = 2000;

    // Something changed: a copy is taken within the interval.
    void Changed();
    // Takes the copy now and returns once it is on disk (or removed).
    void Flush();
    // The work is saved or knowingly dropped: no further writes, files removed.
    void Finish();

    int WritesDone() const;
    QString LastError() const;

signals:
    // A copy did not reach the disk (the reason); another is tried within the
    // interval until one does.
    void CopyFailed(const QString &reason);
    // A copy reached the disk after one or more had failed.
    void CopyRestored();

private:
    struct Job
    {
        std::optional<RecoverySnapshot> Snapshot; // none: remove the files
    };

    void takeSnapshot();
    void copied(const QString &failure); // on the window's thread, after each copy
    void waitIdle();
    void run();

    const QString m_dataPath;
    const QString m_notePath;
    SnapshotSource m_source;
    QTimer m_timer;
    QElapsedTimer m_sinceLastCopy;
    bool m_finished = false;
    bool m_failing = false;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_pending; // only the newest copy is worth writing
    bool m_busy = false;
    bool m_stop = false;
    int m_writes = 0;
    QString m_lastError;
    std::thread m_thread;
};
