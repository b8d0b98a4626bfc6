#pragma once

#include "files/SlideSetFile.h"
#include "model/LabelLimits.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <string>

// What every command gets: the separators chosen on the command line (or the
// user's locale) and the two output streams.
struct CliContext
{
    QString ListSeparator;
    NumberFormat Format;
    QTextStream &Out;
    QTextStream &Err;
    std::optional<LabelLimits> Limits; // --limits: judge the composite against the label
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

// Loads a file as the program's Load command does; on failure writes one line
// "nimbrel-cli: FILE: reason" to the error stream and returns false.
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
