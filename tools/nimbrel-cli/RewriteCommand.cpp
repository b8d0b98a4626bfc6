// nimbrel-cli rewrite IN OUT: load and save again, every result fresh.
#include "CliSupport.h"

int RunRewrite(const QStringList &args, CliContext &context)
{
    LoadedSlideSet loaded;
    if (!LoadForCli(args.at(0), context, loaded))
        return ExitFileError;
    const QString error = WriteSlideSetFile(args.at(1), loaded.Set, context.ListSeparator, context.Format);
    if (!error.isEmpty()) {
        CliError(context, args.at(1) + QStringLiteral(": ") + QString(error).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return ExitFileError;
    }
    return ExitOk;
}
