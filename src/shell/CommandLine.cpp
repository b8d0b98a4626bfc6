#include "shell/CommandLine.h"

#include "model/Version.h"

CommandLine ParseCommandLine(const QStringList &words)
{
    CommandLine line;
    bool options = true;
    QStringList files;
    for (const QString &word : words) {
        if (options && word == QLatin1String("--")) {
            options = false;
        } else if (options && (word == QLatin1String("--help") || word == QLatin1String("-h"))) {
            return CommandLine{CommandLine::Help, QString(), false, QString()};
        } else if (options && word == QLatin1String("--version")) {
            line.What = CommandLine::Version;
        } else if (options && word == QLatin1String("--test-feed")) {
            line.TestFeed = true;
        } else if (options && word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            if (line.Error.isEmpty())
                line.Error = QStringLiteral("unknown option %1").arg(word);
        } else {
            files << word;
        }
    }
    if (line.What == CommandLine::Version)
        return CommandLine{CommandLine::Version, QString(), false, QString()};
    if (files.size() > 1 && line.Error.isEmpty())
        line.Error = QStringLiteral("one slide set file at most (\"%1\" is a second)").arg(files[1]);
    if (!line.Error.isEmpty()) {
        line.What = CommandLine::Mistake;
        return line;
    }
    if (!files.isEmpty())
        line.File = files.first();
    return line;
}

QString CommandLineHelp()
{
    return QStringLiteral(
        "Usage: nimbrel [FILE]\n"
        "Assesses the spray deposit on sample slides of insecticide spray trials.\n"
        "\n"
        "  FILE        a slide set file (.csv) to load when the window opens\n"
        "  --help      print this text and end\n"
        "  --version   print the version and end\n"
        "\n"
        "For batch work on slide set files see nimbrel-cli --help.\n");
}

QString VersionText()
{
    return QStringLiteral("Nimbrel ") + QLatin1String(NimbrelVersion);
}
