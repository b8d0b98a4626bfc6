// nimbrel-cli: batch work on slide set files with the program's own reader and
// writer. main() only reads the options and hands over to one command.
#include "CliSupport.h"
#include "PlotCommand.h"
#include "ReportCommand.h"
#include "WorkbookCommand.h"
#include "model/Version.h"
#include "model/Units.h"
#include "platform/LocaleInfo.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>

namespace {

// To add a command: write Run<Name>() in its own <Name>Command.cpp, declare it in
// CliSupport.h, list it here and add the file to CMakeLists.txt.
const CliCommand kCommands[] = {
    {"json", "FILE", "print the loaded slide set, every input and result, as one JSON object", 1, 1, RunJson},
    {"summary", "FILE...", "print a table per file: slides, medians, density, mortality, composite", 1, -1,
     RunSummary},
    {"rewrite", "IN OUT", "load IN and save it as OUT, every result freshly computed", 2, 2, RunRewrite},
    {"plot", "FILE --graph G [options] -o OUT.png", "draw one graph of FILE into a PNG image ('plot --help')", 1, -1, RunPlot},
    {"report", "FILE [--page N] -o OUT.pdf|OUT.png", "write the printed report of FILE as a PDF, or one page as a PNG ('report --help')", 1, -1, RunReport},
    {"workbook", "FILE -o OUT.xlsx", "write FILE as a workbook for analysis: trial, slides, counts, composite ('workbook --help')", 1, -1, RunWorkbook},
};

QString usage()
{
    QString text = QStringLiteral("Usage: nimbrel-cli [options] COMMAND ARGUMENTS\n\nCommands:\n");
    for (const CliCommand &c : kCommands)
        text += QStringLiteral("  %1 %2\n      %3\n").arg(QLatin1String(c.Name), QLatin1String(c.Arguments),
                                                       QLatin1String(c.Summary));
    text += QStringLiteral(
        "\nOptions (for every command):\n"
        "  --list-separator C     field separator of the file (default: the user's locale)\n"
        "  --decimal-separator C  decimal separator of its numbers (default: the user's locale)\n"
        "  --limits MIN,MAX,DV09  label limits in %1 (Dv0.5 from, Dv0.5 to, Dv0.9 below; any may be\n"
        "                         empty): json and summary judge the composite against them\n"
        "%2"
        "  --dose-hour 1|12|24    mortality of the dose-response fit (default 24)\n"
        "  --link probit|logit    its link function (default probit)\n"
        "  --deposit drops|volume its deposit: drops/cm2 or nL/cm2 (default drops)\n"
        "  --help                 print this text\n"
        "  --version              print the version\n"
        "\nExit status: 0 success, 1 a file could not be read or written, 2 a usage error.\n").arg(Microns(), CloudOptionsUsage());
    return text;
}

// Qt's own notices (a runtime folder it would like, a font it misses) are not
// the tool's output: a script reading stderr sees only the tool's own lines.
QtMessageHandler qtHandler = nullptr;

void quietQtMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((type == QtCriticalMsg || type == QtFatalMsg) && qtHandler)
        qtHandler(type, context, message);
}

// A result that could not be written (stdout into a full device, a closed pipe)
// is a failure, not a success with nothing to show.
int finishOutput(int status, QTextStream &out, QTextStream &err)
{
    errno = 0;
    out.flush();
    const bool failed = out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout);
    if (!failed)
        return status;
    const int code = errno;
    QString why = code != 0 ? qt_error_string(code) : QStringLiteral("write failed");
    // Bytes written past the stream (the JSON) leave their reason on the device.
    if (auto *file = qobject_cast<QFileDevice *>(out.device()); code == 0 && file && file->error() != QFileDevice::NoError)
        why = file->errorString();
    err << "nimbrel-cli: cannot write the output: " << why << Qt::endl;
    return status == ExitOk ? ExitFileError : status;
}

int usageError(CliContext &context, const QString &message)
{
    CliError(context, message);
    context.Err << "Try 'nimbrel-cli --help'." << Qt::endl;
    return ExitUsage;
}

// The global options read from the whole command line; empty when they are
// good, otherwise the mistake. --help is answered by the caller before this.
QString readGlobalOptions(const CliOptions &options, const GlobalOptions &global, CliContext &context)
{
    QChar decimal = context.Format.decimalSeparator();
    for (const auto &given : options.Values(global.ListSeparator))
        context.ListSeparator = given.second;
    for (const auto &given : options.Values(global.DecimalSeparator)) {
        if (given.second.size() != 1)
            return QStringLiteral("the decimal separator must be one character");
        decimal = given.second.at(0);
    }
    for (const auto &given : options.Values(global.Limits)) {
        LabelLimits limits;
        const QString error = ParseLabelLimits(given.second, limits);
        if (!error.isEmpty())
            return error;
        context.Limits = limits;
    }
    const QString cloud = ReadCloudOptions(options, global.Cloud, context.Cloud);
    if (!cloud.isEmpty())
        return cloud;
    for (const auto &given : options.Values(global.DoseHour)) {
        if (given.second != QLatin1String("1") && given.second != QLatin1String("12")
            && given.second != QLatin1String("24"))
            return QStringLiteral("--dose-hour wants 1, 12 or 24, not \"%1\"").arg(given.second);
        context.DoseResponse.Hour = given.second.toInt();
    }
    for (const auto &given : options.Values(global.Link))
        if (!ParseDoseLink(given.second, context.DoseResponse.Link))
            return QStringLiteral("--link wants probit or logit, not \"%1\"").arg(given.second);
    for (const auto &given : options.Values(global.Deposit))
        if (!ParseDoseDeposit(given.second, context.DoseResponse.Deposit))
            return QStringLiteral("--deposit wants drops or volume, not \"%1\"").arg(given.second);
    context.Format = NumberFormat(decimal);
    return CheckSeparators(context.ListSeparator, decimal);
}

} // namespace

int main(int argc, char **argv)
{
    // A reader that closes the pipe early (`| head`) or a file size limit would
    // end the tool by a signal, silently; ignored, each turns into a failed
    // write, reported with its reason and exit status 1 (a save keeps the old
    // file). Systems without these signals report such writes as errors anyway.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    qtHandler = qInstallMessageHandler(quietQtMessages);
    // Drawing needs a GUI application, made there.
    const QString word = CommandWord(argc, argv);
    if (word == QLatin1String("plot"))
        return DrawingCommandMain(argc, argv, &RunPlotCommand);
    if (word == QLatin1String("report"))
        return DrawingCommandMain(argc, argv, &RunReportCommand);
    QCoreApplication app(argc, argv);
    if (word == QLatin1String("workbook")) {
        QStringList words = QCoreApplication::arguments();
        words.removeAt(CommandWordIndex(words));
        words.removeFirst(); // the program
        return RunWorkbookCommand(words);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    const LocaleSeparators locale = ReadLocaleSeparators();
    CliContext context{locale.List, NumberFormat(locale.Decimal), out, err, std::nullopt, CloudWeighting(), {}};

    const GlobalOptions global;
    CliOptions options(global.All());
    const QString mistake = options.Parse(app.arguments().mid(1));
    if (options.IsSet(global.Help)) {
        out << usage();
        return finishOutput(ExitOk, out, err);
    }
    if (options.IsSet(global.Version)) {
        out << "nimbrel-cli " << NimbrelVersion << '\n';
        return finishOutput(ExitOk, out, err);
    }
    if (!mistake.isEmpty())
        return usageError(context, mistake);
    const QString badValue = readGlobalOptions(options, global, context);
    if (!badValue.isEmpty())
        return usageError(context, badValue);

    QStringList positional = options.Positional();
    if (positional.isEmpty())
        return usageError(context, QStringLiteral("no command given"));
    const QString name = positional.takeFirst();
    for (const CliCommand &c : kCommands) {
        if (name != QLatin1String(c.Name))
            continue;
        if (positional.size() < c.MinArgs || (c.MaxArgs >= 0 && positional.size() > c.MaxArgs))
            return usageError(context, QStringLiteral("usage: nimbrel-cli %1 %2").arg(name, QLatin1String(c.Arguments)));
        return finishOutput(c.Run(positional, context), out, err);
    }
    return usageError(context, QStringLiteral("unknown command ") + name);
}
