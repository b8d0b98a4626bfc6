#include "CliSupport.h"

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
    if (value == 0.0f)
        return QStringLiteral("0");
    // Machine text for JSON, not a figure for a person: always a point, never
    // the locale's separator.
    QString text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = QString::number(double(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            break;
    }
    return text;
}
