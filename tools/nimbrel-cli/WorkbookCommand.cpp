// nimbrel-cli workbook FILE -o OUT.xlsx: the set as a workbook for analysis.
#include "WorkbookCommand.h"

#include "PlotCommand.h"
#include "export/Workbook.h"
#include "model/Units.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

struct WorkbookOptions
{
    QCommandLineOption Output{{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("OUT")};
    QCommandLineOption ListSeparator{QStringLiteral("list-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption Decimal{QStringLiteral("decimal-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption Limits{QStringLiteral("limits"), QString(), QStringLiteral("MIN,MAX,DV09")};
    QCommandLineOption Link{QStringLiteral("link"), QString(), QStringLiteral("L")};
    QCommandLineOption Deposit{QStringLiteral("deposit"), QString(), QStringLiteral("D")};
    QCommandLineOption Help{QStringLiteral("help")};

    QList<QCommandLineOption> All() const { return {Output, ListSeparator, Decimal, Limits, Link, Deposit, Help}; }
};

struct WorkbookRequest
{
    QString File;
    QString Output;
    QString ListSeparator;
    QChar Decimal;
    LabelLimits Limits;
    DoseResponseOptions Dose;
    bool Help = false;
};

std::optional<WorkbookRequest> parse(const QStringList &words, QString &error)
{
    const WorkbookOptions o;
    CliOptions options(o.All());
    WorkbookRequest request;
    if (options.ParseAskingHelp(words, o.Help, error)) {
        request.Help = true;
        return request;
    }
    if (!error.isEmpty())
        return std::nullopt;
    request.Output = options.Last(o.Output);
    error = ReadDrawingSeparators(options, o.ListSeparator, o.Decimal, request.ListSeparator, request.Decimal);
    if (error.isEmpty())
        error = ReadLabelLimits(options, o.Limits, request.Limits);
    for (const auto &given : options.Values(o.Link))
        if (error.isEmpty() && !ParseDoseLink(given.second, request.Dose.Link))
            error = QStringLiteral("--link wants probit or logit, not \"%1\"").arg(given.second);
    for (const auto &given : options.Values(o.Deposit))
        if (error.isEmpty() && !ParseDoseDeposit(given.second, request.Dose.Deposit))
            error = QStringLiteral("--deposit wants drops or volume, not \"%1\"").arg(given.second);
    if (error.isEmpty())
        error = ReadOneSlideSetFile(options.Positional(), request.File);
    if (error.isEmpty() && request.Output.isEmpty())
        error = QStringLiteral("-o OUT.xlsx is missing");
    if (error.isEmpty() && QFileInfo(request.Output).suffix().toLower() != QLatin1String("xlsx"))
        error = QStringLiteral("-o wants a name ending in .xlsx, not \"%1\"").arg(request.Output);
    if (!error.isEmpty())
        return std::nullopt;
    return request;
}

} // namespace

QString WorkbookUsage()
{
    return QStringLiteral(
        "usage: nimbrel-cli workbook FILE [--list-separator C] [--decimal-separator C]\n"
        "                            [--limits DV05MIN,DV05MAX,DV09MAX] [--link probit|logit]\n"
        "                            [--deposit drops|volume] -o OUT.xlsx\n"
        "Writes the slide set as a workbook for analysis: the sheets Trial, Slides,\n"
        "Counts, Composite and Dose Response, one table each, numbers as numbers with\n"
        "their units in the headers and empty cells where a figure does not exist. The\n"
        "composite is judged against --limits (in %1); the dose-response fit of each\n"
        "hour uses --link and --deposit (default probit on drops/cm2). Separators are\n"
        "found as for plot.\n")
        .arg(Microns());
}

int RunWorkbookCommand(const QStringList &words)
{
    QTextStream err(stderr);
    QString error;
    const std::optional<WorkbookRequest> request = parse(words, error);
    if (!request) {
        err << "nimbrel-cli workbook: " << error << "\n" << WorkbookUsage();
        return ExitUsage;
    }
    if (request->Help) {
        QTextStream(stdout) << WorkbookUsage();
        return ExitOk;
    }
    std::optional<DrawingLoad> loaded = LoadForDrawing(request->File, request->ListSeparator, request->Decimal, error);
    if (!loaded) {
        err << "nimbrel-cli workbook: " << error.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        return ExitFileError;
    }
    for (const QString &warning : DrawingLoadWarnings(request->File, loaded->Loaded))
        err << "nimbrel-cli workbook: " << warning << "\n";
    WorkbookInput input;
    input.Set = &loaded->Loaded.Set;
    input.SourceFile = request->File;
    input.Limits = request->Limits;
    input.Format = NumberFormat(loaded->Decimal);
    input.Dose = request->Dose;
    error = WriteWorkbook(request->Output, input);
    if (!error.isEmpty()) {
        err << "nimbrel-cli workbook: cannot write " << request->Output << ": "
            << error.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        return ExitFileError;
    }
    return ExitOk;
}

int RunWorkbook(const QStringList &, CliContext &context)
{
    CliError(context, QStringLiteral("workbook must be started through RunWorkbookCommand"));
    return ExitUsage;
}
