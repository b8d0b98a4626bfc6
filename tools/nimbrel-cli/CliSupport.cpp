#include "CliSupport.h"

#include "model/Units.h"

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
    ApplyCloudWeighting(loaded, context.Cloud);
    for (const QString &warning : std::as_const(loaded.Warnings))
        CliError(context, path + QStringLiteral(": warning: ") + warning);
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
            return QStringLiteral("--limits: '%1' is not a diameter in %2").arg(parts[i], Microns());
        values[i] = v;
    }
    limits = LabelLimits{values[0], values[1], values[2]};
    return QString();
}

QString ReadLabelLimits(const CliOptions &options, const QCommandLineOption &option, LabelLimits &limits)
{
    for (const auto &given : options.Values(option)) {
        LabelLimits read;
        const QString error = ParseLabelLimits(given.second, read);
        if (!error.isEmpty())
            return error;
        limits = read;
    }
    return QString();
}

QString ReadOneSlideSetFile(const QStringList &positional, QString &file)
{
    if (positional.size() > 1)
        return QStringLiteral("one slide set file only (\"%1\" is a second)").arg(positional[1]);
    if (positional.isEmpty())
        return QStringLiteral("no slide set file given");
    file = positional.first();
    return QString();
}

QString ReadCloudOptions(const CliOptions &options, const CloudOptions &cloud, CloudWeighting &weighting)
{
    for (const auto &given : options.Values(cloud.Method)) {
        if (given.second == QLatin1String("diameter2"))
            weighting.Method = CloudMethod::Diameter2;
        else if (given.second == QLatin1String("impaction"))
            weighting.Method = CloudMethod::Impaction;
        else
            return QStringLiteral("--cloud-method is diameter2 or impaction, not '%1'").arg(given.second);
    }
    bool collectorGiven = false;
    for (const auto &given : options.Values(cloud.Collector)) {
        collectorGiven = true;
        if (given.second == QLatin1String("ribbon"))
            weighting.Collector.Shape = CollectorShape::Ribbon;
        else if (given.second == QLatin1String("cylinder"))
            weighting.Collector.Shape = CollectorShape::Cylinder;
        else
            return QStringLiteral("--collector is ribbon or cylinder, not '%1'").arg(given.second);
    }
    const NumberFormat point;
    const auto number = [&](const QCommandLineOption &option, bool zeroAllowed, const char *what,
                            double &out) -> QString {
        for (const auto &given : options.Values(option)) {
            collectorGiven = true;
            double v = 0;
            if (point.ToDouble(given.second, v) != ParseStatus::Ok || !(v > 0 || (zeroAllowed && v == 0))
                || !(v < 1e6))
                return QStringLiteral("%1: '%2' is not %3").arg(given.first, given.second, QLatin1String(what));
            out = v;
        }
        return QString();
    };
    QString error = number(cloud.WidthMM, false, "a width in mm above 0", weighting.Collector.WidthMM);
    if (error.isEmpty()) {
        double speed = -1;
        error = number(cloud.AirSpeed, true, "an air speed in m/s of 0 or more", speed);
        if (speed >= 0)
            weighting.Collector.AirSpeedMS = speed;
    }
    if (error.isEmpty())
        error = number(cloud.DropDensity, false, "a density in kg/m\u00B3 above 0", weighting.Collector.DropDensity);
    if (error.isEmpty() && collectorGiven && weighting.Method != CloudMethod::Impaction)
        error = QStringLiteral("the collector options need --cloud-method impaction");
    return error;
}

QString CloudOptionsUsage()
{
    return QStringLiteral(
        "  --cloud-method M       how in-cloud figures weight a counted drop: diameter2 (1/k\u00B2, the\n"
        "                         default) or impaction (1/E, E the collector's collection efficiency)\n"
        "  --collector SHAPE      impaction: ribbon (a flat slide, the default) or cylinder\n"
        "  --collector-width-mm W impaction: the collector's width facing the flow (default 25)\n"
        "  --air-speed-ms U       impaction: air speed past it (default: the file's wind speed)\n"
        "  --drop-density RHO     impaction: drop density in kg/m\u00B3 (default 1000)\n");
}

void ApplyCloudWeighting(LoadedSlideSet &loaded, const CloudWeighting &weighting)
{
    if (loaded.Set.Cloud == weighting)
        return;
    loaded.Set.Cloud = weighting;
    RecomputeSlides(loaded.Set, loaded.LargestSizeFound);
}

CliOptions::CliOptions(QList<QCommandLineOption> options) : m_options(std::move(options))
{
    m_parser.addOptions(m_options);
}

const QCommandLineOption *CliOptions::find(const QString &name) const
{
    for (const QCommandLineOption &option : m_options)
        if (option.names().contains(name))
            return &option;
    return nullptr;
}

QString CliOptions::Parse(const QStringList &words)
{
    // QCommandLineParser would also take "-ofile", "-o=file", "--o" and flags
    // compacted into one word; the tool never did, and a slip must not pass as
    // an output name. Its mistakes are worded here, in the order of the words.
    // It reads every word first, so --help is seen even beside a mistake.
    const bool parsed = m_parser.parse(QStringList{QStringLiteral("nimbrel-cli")} + words);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (word == QLatin1String("--"))
            break;
        if (!word.startsWith(QLatin1Char('-')) || word.size() == 1)
            continue;
        const bool twoDashes = word.startsWith(QLatin1String("--"));
        const qsizetype eq = twoDashes ? word.indexOf(QLatin1Char('=')) : -1;
        const QString spelled = eq > 2 ? word.left(eq) : word;
        const QString name = spelled.mid(twoDashes ? 2 : 1);
        const QCommandLineOption *option = find(name);
        if (!option || twoDashes != (name.size() > 1))
            return QStringLiteral("unknown option ") + spelled;
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && eq > 2)
            return QStringLiteral("%1 takes no value").arg(spelled);
        if (takesValue && eq <= 2 && ++i >= words.size())
            return QStringLiteral("%1 needs a value").arg(spelled);
    }
    if (!parsed)
        return m_parser.errorText();
    return QString();
}

bool CliOptions::ParseAskingHelp(const QStringList &words, const QCommandLineOption &help, QString &error)
{
    error = Parse(words);
    if (!IsSet(help))
        return false;
    error.clear();
    return true;
}

QString CliOptions::Last(const QCommandLineOption &option) const
{
    const auto values = Values(option);
    return values.isEmpty() ? QString() : values.last().second;
}

QList<std::pair<QString, QString>> CliOptions::Values(const QCommandLineOption &option) const
{
    const QStringList values = m_parser.values(option);
    QList<std::pair<QString, QString>> given;
    for (const QString &name : m_parser.optionNames()) {
        if (!option.names().contains(name) || given.size() >= values.size())
            continue;
        const QString spelled = (name.size() > 1 ? QStringLiteral("--") : QStringLiteral("-")) + name;
        given.emplace_back(spelled, values[given.size()]);
    }
    return given;
}

int CommandWordIndex(const QStringList &args)
{
    QCommandLineParser parser;
    parser.addOptions(GlobalOptions().All());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.parse(args); // a mistake is the command's to report, once it is known
    const QStringList positional = parser.positionalArguments();
    // Every word from the command word on is positional in this mode.
    return positional.isEmpty() ? -1 : int(args.size() - positional.size());
}

QString CommandWord(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const int i = CommandWordIndex(args);
    return i > 0 ? args[i] : QString();
}
