#include "OutputTarget.h"

#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace {

// As many links in a row as a system follows before it gives up on a path.
constexpr int kMaxLinks = 40;

// The end of the chain of links from `path`; none for a loop.
std::optional<QString> endOfLinks(const QString &path)
{
    QString at = path;
    for (int links = 0; QFileInfo(at).isSymLink(); ++links) {
        if (links == kMaxLinks)
            return std::nullopt;
        at = QFileInfo(at).symLinkTarget();
    }
    return at;
}

} // namespace

QString FollowOutputLinks(const QString &path)
{
    return endOfLinks(path).value_or(path);
}

QString CheckOutputTarget(const QString &path)
{
    const std::optional<QString> end = endOfLinks(path);
    if (!end)
        return QStringLiteral("%1 is a symbolic link that leads round in a loop").arg(path);
    const QString &at = *end;
    const QFileInfo target(at);
    if (at != path && !target.exists() && !QFileInfo(target.absolutePath()).isDir())
        return QStringLiteral("%1 is a symbolic link to %2, whose folder does not exist").arg(path, at);
    if (target.isDir())
        return QStringLiteral("%1 is a folder").arg(path);
    if (target.exists() && !target.isFile())
        return QStringLiteral("%1 is not a plain file (a device, a pipe or a socket)").arg(path);
    return QString();
}

QString WriteWholeFile(const QString &path, const QByteArray &bytes)
{
    if (const QString target = CheckOutputTarget(path); !target.isEmpty())
        return target;
    QSaveFile file(path);
    // Unbuffered: a write that fails says so at once, with the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A short write says nothing of why; the next one fails with the reason.
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return error;
        }
        written += n;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}
