#include "recovery/RecoveryFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLockFile>
#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

namespace {

const QString kDataSuffix = QStringLiteral(".csv");
const QString kNoteSuffix = QStringLiteral(".note");
const QString kLockSuffix = QStringLiteral(".lock");

// Opening a FIFO or a device blocks, or reads without end: a recovery entry is
// opened only when it is a regular file (or a link to one). Looking at it never opens it.
bool IsOdd(const QString &path)
{
    const QFileInfo info(path);
    return (info.exists() || info.isSymLink()) && !info.isFile();
}

bool IsPresent(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

std::unique_ptr<QLockFile> TryLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A live window keeps its lock for hours: only a dead owner makes it stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

} // namespace

QByteArray RecoveryNoteBytes(const RecoveryNote &note)
{
    QJsonObject o;
    o[QStringLiteral("written")] = note.Written.toUTC().toString(Qt::ISODateWithMs);
    o[QStringLiteral("slides")] = note.Slides;
    o[QStringLiteral("drops")] = note.Drops;
    o[QStringLiteral("source")] = note.SourceFile;
    if (note.OnView)
        o[QStringLiteral("onView")] = double(*note.OnView);
    return QJsonDocument(o).toJson();
}

std::optional<RecoveryNote> ParseRecoveryNote(const QByteArray &bytes)
{
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    RecoveryNote note;
    note.Written = QDateTime::fromString(o.value(QStringLiteral("written")).toString(), Qt::ISODateWithMs);
    if (!note.Written.isValid())
        return std::nullopt;
    note.Slides = o.value(QStringLiteral("slides")).toInt();
    note.Drops = o.value(QStringLiteral("drops")).toInteger();
    note.SourceFile = o.value(QStringLiteral("source")).toString();
    const QJsonValue onView = o.value(QStringLiteral("onView"));
    if (onView.isDouble())
        note.OnView = float(onView.toDouble());
    return note;
}

// --- RecoverySession -------------------------------------------------------------

RecoverySession::RecoverySession(const QString &folder, const QString &id, std::unique_ptr<QLockFile> lock)
    : m_folder(folder)
    , m_id(id)
    , m_lock(std::move(lock))
{
}

RecoverySession::~RecoverySession() = default;

QString RecoverySession::DataPath() const { return m_folder + QLatin1Char('/') + m_id + kDataSuffix; }
QString RecoverySession::NotePath() const { return m_folder + QLatin1Char('/') + m_id + kNoteSuffix; }
QString RecoverySession::LockPath() const { return m_folder + QLatin1Char('/') + m_id + kLockSuffix; }

bool RecoverySession::HasData() const { return QFileInfo::exists(DataPath()); }

std::optional<RecoveryNote> RecoverySession::ReadNote() const
{
    if (IsOdd(NotePath()))
        return std::nullopt;
    QFile file(NotePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ParseRecoveryNote(file.readAll());
}

QDateTime RecoverySession::DataTime() const
{
    return QFileInfo(DataPath()).lastModified();
}

void RecoverySession::RemoveFiles()
{
    QFile::remove(DataPath());
    QFile::remove(NotePath());
    if (m_lock)
        m_lock->unlock();
}

// --- RecoveryFolder --------------------------------------------------------------

RecoveryFolder::RecoveryFolder(const QString &path)
    : m_path(QDir::cleanPath(path))
{
}

QString RecoveryFolder::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recovery");
}

QString RecoveryFolder::DiscardedPath() const { return m_path + QStringLiteral("/discarded"); }
QString RecoveryFolder::DamagedPath() const { return m_path + QStringLiteral("/damaged"); }

std::unique_ptr<RecoverySession> RecoveryFolder::BeginSession(QString *why) const
{
    const QString shown = QDir::toNativeSeparators(m_path);
    if (m_path.isEmpty() || !QDir().mkpath(m_path)) {
        if (why)
            *why = QStringLiteral("The folder %1 cannot be made.").arg(shown);
        return nullptr;
    }
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    auto lock = TryLock(m_path + QLatin1Char('/') + id + kLockSuffix);
    if (!lock) {
        if (why)
            *why = QStringLiteral("Nothing can be written in the folder %1.").arg(shown);
        return nullptr;
    }
    return std::make_unique<RecoverySession>(m_path, id, std::move(lock));
}

std::vector<std::unique_ptr<RecoverySession>> RecoveryFolder::ClaimOrphans() const
{
    std::vector<std::unique_ptr<RecoverySession>> orphans;
    const QDir dir(m_path);
    QStringList ids;
    // System: FIFOs, sockets, devices and dangling links too, so they can be set aside.
    for (const QFileInfo &info : dir.entryInfoList({QLatin1Char('*') + kDataSuffix, QLatin1Char('*') + kNoteSuffix,
                                                    QLatin1Char('*') + kLockSuffix},
                                                   QDir::Files | QDir::System)) {
        if (!ids.contains(info.completeBaseName()))
            ids << info.completeBaseName();
    }
    for (const QString &id : ids) {
        const QString lockPath = dir.filePath(id + kLockSuffix);
        if (IsOdd(lockPath)) {
            // A live window's lock is always a regular file: nobody owns these.
            // Trying the lock would read it, and block.
            moveEntries(id, DamagedPath(), QFileInfo(lockPath).lastModified());
            continue;
        }
        auto lock = TryLock(lockPath);
        if (!lock)
            continue; // a running window's own
        auto session = std::make_unique<RecoverySession>(m_path, id, std::move(lock));
        if (IsOdd(session->DataPath()) || IsOdd(session->NotePath()))
            SetAside(*session); // if it cannot move, it is skipped again next time
        else if (session->HasData())
            orphans.push_back(std::move(session));
        else
            session->RemoveFiles();
    }
    auto written = [](const std::unique_ptr<RecoverySession> &s) {
        const std::optional<RecoveryNote> note = s->ReadNote();
        return note ? note->Written : s->DataTime();
    };
    std::stable_sort(orphans.begin(), orphans.end(),
                     [&](const auto &a, const auto &b) { return written(a) > written(b); });
    return orphans;
}

bool RecoveryFolder::moveEntries(const QString &id, const QString &folder, const QDateTime &written) const
{
    if (!QDir().mkpath(folder))
        return false;
    // Named by the time of writing, so the folder lists oldest to newest.
    const QDateTime when = written.isValid() ? written : QDateTime::currentDateTime();
    const QString stem = folder + QLatin1Char('/') + when.toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss-")) + id;
    const QString from = m_path + QLatin1Char('/') + id;
    // QDir::rename never falls back to copying, which would open the entry.
    const auto move = [&](const QString &suffix) {
        return !IsPresent(from + suffix) || QDir().rename(from + suffix, stem + suffix);
    };
    if (IsOdd(from + kLockSuffix) && !move(kLockSuffix))
        return false;
    if (!move(kDataSuffix))
        return false;
    move(kNoteSuffix); // a note left behind is removed with the session
    return true;
}

bool RecoveryFolder::moveInto(RecoverySession &session, const QString &folder) const
{
    const std::optional<RecoveryNote> note = session.ReadNote();
    if (!moveEntries(session.Id(), folder, note ? note->Written : session.DataTime()))
        return false;
    session.RemoveFiles(); // what is left: a note that would not move, and the lock
    return true;
}

bool RecoveryFolder::Discard(RecoverySession &session) const
{
    if (!moveInto(session, DiscardedPath()))
        return false;
    QDir discarded(DiscardedPath());
    const QStringList files = discarded.entryList({QLatin1Char('*') + kDataSuffix}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kDiscardedKept < files.size(); ++i) {
        const QString stem = QFileInfo(files[i]).completeBaseName();
        discarded.remove(stem + kDataSuffix);
        discarded.remove(stem + kNoteSuffix);
    }
    return true;
}

bool RecoveryFolder::SetAside(RecoverySession &session) const
{
    return moveInto(session, DamagedPath());
}
