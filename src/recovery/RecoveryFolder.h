#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QLockFile;

// What a recovery file holds, told without reading it: shown in the start-up
// question and kept beside the file.
struct RecoveryNote
{
    QDateTime Written;   // when the set was last put on disk
    int Slides = 0;
    qint64 Drops = 0;
    QString SourceFile;  // the file the set was loaded from or last saved to; empty if none
    // Position of the slide on view when the copy was taken: the recovered set
    // reopens there, so the next drop lands on the slide under the microscope.
    std::optional<float> OnView;

    bool operator==(const RecoveryNote &) const = default;
};

QByteArray RecoveryNoteBytes(const RecoveryNote &note);
std::optional<RecoveryNote> ParseRecoveryNote(const QByteArray &bytes);

// One window's recovery file and note, and the lock that tells a live window's
// files from those left by a crash. The lock is held for the life of the object.
class RecoverySession
{
public:
    RecoverySession(const QString &folder, const QString &id, std::unique_ptr<QLockFile> lock);
    ~RecoverySession();
    RecoverySession(const RecoverySession &) = delete;
    RecoverySession &operator=(const RecoverySession &) = delete;

    QString Id() const { return m_id; }
    QString DataPath() const;
    QString NotePath() const;
    QString LockPath() const;

    bool HasData() const;
    // The note beside the file; none when it is missing, unreadable (a crash
    // between the two writes) or not a regular file.
    std::optional<RecoveryNote> ReadNote() const;
    QDateTime DataTime() const; // when the recovery file was last written

    // Both files gone and the lock released: nothing was left unsaved.
    void RemoveFiles();

private:
    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
};

// The folder of recovery files: one pair per window session, plus "discarded"
// (files the operator declined, newest ten kept) and "damaged" (files the reader
// refused, never deleted).
class RecoveryFolder
{
public:
    explicit RecoveryFolder(const QString &path);

    // The per-user application data folder's "recovery" folder.
    static QString DefaultPath();

    QString Path() const { return m_path; }
    QString DiscardedPath() const;
    QString DamagedPath() const;

    // A new session of this window, its lock taken. Null when the folder cannot
    // be made or written (recovery is then off; the program runs on), with the
    // reason in `why`.
    std::unique_ptr<RecoverySession> BeginSession(QString *why = nullptr) const;

    // Files of windows that are gone, newest first, each now locked for the
    // caller so no other window starting meanwhile offers it too. Leftovers
    // without a recovery file are cleared away. An entry that is not a regular
    // file (a FIFO, a device, a folder, a dangling link) is never opened: its
    // files go to "damaged", or stay where they are when they cannot be moved.
    std::vector<std::unique_ptr<RecoverySession>> ClaimOrphans() const;

    // The operator declined: the pair goes to "discarded", of which the newest
    // ten are kept.
    bool Discard(RecoverySession &session) const;
    // The reader refused the file: the pair goes to "damaged" for a person to look at.
    bool SetAside(RecoverySession &session) const;

    static constexpr int kDiscardedKept = 10;

private:
    // The data, the note and a lock that is no regular file of session `id`, as
    // many as there are, into `folder`. False when the data or such a lock did not move.
    bool moveEntries(const QString &id, const QString &folder, const QDateTime &written) const;
    bool moveInto(RecoverySession &session, const QString &folder) const;

    QString m_path;
};
