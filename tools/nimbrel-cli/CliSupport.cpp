#include "CliSupport.h"

#include <QFileDevice>
#include <QFileInfo>

#include <cmath>

bool LoadForCli(const QString &path, CliContext &context, LoadedSlideSet &loaded)
{
    LoadResult result = ReadSlideSetFile(path, context.ListSeparator, context.Format);
    if (!result.Ok()) {
        // The reason on one line, whatever the reader's wording.
        QString reason = result.Error;
        reason.replace(QLatin1Char('\n'), QLatin1Char(' '));
        CliError(context, result.Status == LoadStatus::WrongBanner ? reason : path + QStringLiteral(": ") + reason);
        return false;
    }
    loaded = std::move(*result.Loaded);
    if (!loaded.Warning.isEmpty())
        CliError(context, path + QStringLiteral(": warning: ") + loaded.Warning);
    return true;
}

void CliError(CliContext &context, const QString &message)
{
    context.Err << "nimbrel-cli: " << message << Qt::endl;
}

QString JsonFloat(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("null");
    // Machine text for JSON, not a figure for a person: always a point, never
    // the locale's separator.
    char text[NumberText::kCapacity];
    return QString::fromLatin1(text, NumberText::Shortest(text, value) - text);
}

void WriteUtf8(QTextStream &stream, const std::string &text)
{
    if (QIODevice *device = stream.device()) {
        stream.flush();
        // The stream never sees these bytes, so a failed write (stdout into a
        // full device) has to be put on its status for the exit code to tell.
        bool written = device->write(text.data(), qint64(text.size())) == qint64(text.size());
        if (auto *file = qobject_cast<QFileDevice *>(device))
            written = file->flush() && written;
        if (!written)
            stream.setStatus(QTextStream::WriteFailed);
    } else {
        stream << QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
}

QString ParseLabelLimits(const QString &text, LabelLimits &limits)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return QStringLiteral("--limits needs three values DV05MIN,DV05MAX,DV09MAX (leave one empty for no limit)");
    std::optional<float> values[3];
    const NumberFormat point;
    for (int i = 0; i < 3; ++i) {
        if (parts[i].trimmed().isEmpty())
            continue;
        float v = 0;
        if (point.ToSingle(parts[i], v) != ParseStatus::Ok || !(v > 0.0f))
            return QStringLiteral("--limits: '%1' is not a diameter in µm").arg(parts[i]);
        values[i] = v;
    }
    limits = LabelLimits{values[0], values[1], values[2]};
    return QString();
}
