#pragma once

#include <QByteArray>
#include <QString>

// Whether a file may be written at `path`: empty when it names a regular file,
// or a new one in a folder that exists; a symbolic link counts as the file it
// leads to. Otherwise why not: a folder; a device, a pipe or a socket (writing
// would replace the node or pour the data into it); a link that leads round in a
// loop, or into a folder that does not exist.
QString CheckOutputTarget(const QString &path);

// Where a write to `path` lands: the end of its chain of symbolic links (the
// path itself when it is none). A file put in place by a rename goes there, so
// the link stays a link. Only for a path CheckOutputTarget allows.
QString FollowOutputLinks(const QString &path);

// Writes `bytes` as the whole file at `path` once CheckOutputTarget allows it,
// under a temporary name that replaces the file only when every byte is on disk
// (a full disk or a file size limit leaves an earlier file as it was). Returns
// an empty text on success, otherwise the reason.
QString WriteWholeFile(const QString &path, const QByteArray &bytes);
