#pragma once

#include "files/SlideSetFile.h"
#include "model/DoseResponse.h"
#include "model/LabelLimits.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <string>
#include <utility>

// What every command gets: the separators chosen on the command line (or the
// user's locale) and the two output streams.
struct CliContext
{
    QString ListSeparator;
    NumberFormat Format;
    QTextStream &Out;
    QTextStream &Err;
    std::optional<LabelLimits> Limits; // --limits: judge the composite against the label
    CloudWeighting Cloud;              // --cloud-method and the collector: how in-cloud figures weight drops
    DoseResponseOptions DoseResponse;  // --dose-hour, --link, --deposit
};

// Exit status of every command.
enum CliExit { ExitOk = 0, ExitFileError = 1, ExitUsage = 2 };

// One command: its name, its arguments as shown in the usage text, one line on
// what it does, how many file arguments it takes (maxArgs -1: no limit) and the
// function that runs it.
struct CliCommand
{
    const char *Name;
    const char *Arguments;
    const char *Summary;
    int MinArgs;
    int MaxArgs;
    int (*Run)(const QStringList &args, CliContext &context);
};

// The commands, one source file each.
int RunJson(const QStringList &args, CliContext &context);
int RunSummary(const QStringList &args, CliContext &context);
int RunRewrite(const QStringList &args, CliContext &context);

// Loads a file as the program's Load command does, its in-cloud figures by the
// context's weighting; on failure writes one line "nimbrel-cli: FILE: reason" to
// the error stream and returns false.
bool LoadForCli(const QString &path, CliContext &context, LoadedSlideSet &loaded);

// One line on the error stream: "nimbrel-cli: " followed by the message.
void CliError(CliContext &context, const QString &message);

// The shortest text that reads back to the same 32-bit float (up to nine
// significant digits, as JSON consumers need the exact value); "null" for a
// value JSON cannot hold.
QString JsonFloat(float value);

// --limits DV05MIN,DV05MAX,DV09MAX in µm, each may be empty, numbers with a
// point whatever the locale. Returns an error text, empty when the value is good.
QString ParseLabelLimits(const QString &text, LabelLimits &limits);

// UTF-8 text straight to the stream's device (after what the stream holds), so a
// large output is not converted to a QString and back.
void WriteUtf8(QTextStream &stream, const std::string &text);

// The options of one command line, read by QCommandLineParser under the tool's
// own rules: "--name value" and "--name=value"; a single dash only for a
// one-letter option written alone ("-o"); "--" ends the options; --help is the
// caller's to answer (nothing prints or exits by itself); a value given twice
// keeps the last; mistakes are worded "unknown option --x", "--x needs a value".
class CliOptions
{
public:
    explicit CliOptions(QList<QCommandLineOption> options);

    // Reads `words` (the program's name not among them). Returns the first
    // mistake in the order of the words, empty when there is none.
    QString Parse(const QStringList &words);
    // Parse, where `help` wins over any mistake: true when it was given, and
    // `error` is then empty.
    bool ParseAskingHelp(const QStringList &words, const QCommandLineOption &help, QString &error);

    bool IsSet(const QCommandLineOption &option) const { return m_parser.isSet(option); }
    QStringList Positional() const { return m_parser.positionalArguments(); }

    // Every value given to `option` in order, each with the spelling that gave
    // it ("--separator" or "--list-separator"), so that a later value does not
    // hide an earlier bad one.
    QList<std::pair<QString, QString>> Values(const QCommandLineOption &option) const;
    // The last value given to `option`, empty when none was.
    QString Last(const QCommandLineOption &option) const;

private:
    const QCommandLineOption *find(const QString &name) const;

    QList<QCommandLineOption> m_options;
    QCommandLineParser m_parser;
};

// How the in-cloud figures weight the counted drops: --cloud-method
// diameter2|impaction, and for the impaction model --collector ribbon|cylinder,
// --collector-width-mm W, --air-speed-ms U (default: the file's wind speed) and
// --drop-density RHO (kg/m³). Numbers with a point whatever the locale.
struct CloudOptions
{
    QCommandLineOption Method{QStringLiteral("cloud-method"), QString(), QStringLiteral("METHOD")};
    QCommandLineOption Collector{QStringLiteral("collector"), QString(), QStringLiteral("SHAPE")};
    QCommandLineOption WidthMM{QStringLiteral("collector-width-mm"), QString(), QStringLiteral("W")};
    QCommandLineOption AirSpeed{QStringLiteral("air-speed-ms"), QString(), QStringLiteral("U")};
    QCommandLineOption DropDensity{QStringLiteral("drop-density"), QString(), QStringLiteral("RHO")};

    QList<QCommandLineOption> All() const { return {Method, Collector, WidthMM, AirSpeed, DropDensity}; }
};

// The label limits of every --limits given (the last one holds); an error text,
// empty when they are good.
QString ReadLabelLimits(const CliOptions &options, const QCommandLineOption &option, LabelLimits &limits);

// The one slide set file a drawing or export command takes, into `file`; an
// error text when there is none or more than one.
QString ReadOneSlideSetFile(const QStringList &positional, QString &file);

// The weighting the options give; an error text, empty when they are good.
QString ReadCloudOptions(const CliOptions &options, const CloudOptions &cloud, CloudWeighting &weighting);

// The usage lines of those options.
QString CloudOptionsUsage();

// The set's in-cloud figures recomputed by `weighting`.
void ApplyCloudWeighting(LoadedSlideSet &loaded, const CloudWeighting &weighting);

// The options every command takes, before or after the command word.
struct GlobalOptions
{
    QCommandLineOption ListSeparator{QStringLiteral("list-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption DecimalSeparator{QStringLiteral("decimal-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption Limits{QStringLiteral("limits"), QString(), QStringLiteral("MIN,MAX,DV09")};
    QCommandLineOption Help{QStringLiteral("help")};
    CloudOptions Cloud;
    QCommandLineOption Version{QStringLiteral("version")};
    QCommandLineOption DoseHour{QStringLiteral("dose-hour"), QString(), QStringLiteral("H")};
    QCommandLineOption Link{QStringLiteral("link"), QString(), QStringLiteral("L")};
    QCommandLineOption Deposit{QStringLiteral("deposit"), QString(), QStringLiteral("D")};

    QList<QCommandLineOption> All() const
    {
        return QList<QCommandLineOption>{ListSeparator, DecimalSeparator, Limits, Help, Version, DoseHour, Link, Deposit}
               + Cloud.All();
    }
};

// Index of the command word in the whole command line (the program's name at
// 0): its first word that is neither an option nor the value of a global
// option; -1 when there is none. Options of one command written before its
// word are skipped as if they took no value, so their values stop the search
// and the mistake is reported as an unknown option.
int CommandWordIndex(const QStringList &args);

// The command word of argv, empty when there is none. Drawing commands (plot,
// report) need fonts, hence a QGuiApplication, so main() hands them over before
// it makes its own Core application.
QString CommandWord(int argc, char *argv[]);
