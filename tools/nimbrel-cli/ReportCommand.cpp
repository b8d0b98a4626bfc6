#include "ReportCommand.h"

#include "PlotCommand.h"

#include "files/OutputTarget.h"

#include "model/Units.h"
#include "print/ReportJob.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QBuffer>
#include <QTextStream>

namespace {

constexpr int kPngDpi = 100;

class CliReportHost : public ReportHost
{
public:
    void ShowPrintError(const QString &message) override
    {
        QString line = message;
        line.replace(QStringLiteral("\n\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
        QTextStream(stderr) << "nimbrel-cli report: " << line << "\n";
    }
};

struct ReportRequest
{
    QString File;
    QString Output;
    int Page = 0;
    QString ListSeparator;
    QChar Decimal;
    LabelLimits Limits;
    CloudWeighting Cloud;
    bool Help = false;
};

struct ReportOptions
{
    QCommandLineOption Page{QStringLiteral("page"), QString(), QStringLiteral("N")};
    QCommandLineOption Output{{QStringLiteral("o"), QStringLiteral("output")}, QString(), QStringLiteral("OUT")};
    QCommandLineOption ListSeparator{QStringLiteral("list-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption Decimal{QStringLiteral("decimal-separator"), QString(), QStringLiteral("C")};
    QCommandLineOption Limits{QStringLiteral("limits"), QString(), QStringLiteral("MIN,MAX,DV09")};
    QCommandLineOption Help{QStringLiteral("help")};
    CloudOptions Cloud;

    QList<QCommandLineOption> All() const
    {
        return QList<QCommandLineOption>{Page, Output, ListSeparator, Decimal, Limits, Help} + Cloud.All();
    }
};

// The file, the output and what the output can hold: a PNG is one page.
QString checkFileAndOutput(const QStringList &files, ReportRequest &request)
{
    if (QString error = ReadOneSlideSetFile(files, request.File); !error.isEmpty())
        return error;
    const QString suffix = QFileInfo(request.Output).suffix().toLower();
    if (request.Output.isEmpty())
        return QStringLiteral("-o OUT.pdf is missing");
    if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png"))
        return QStringLiteral("-o wants a name ending in .pdf or .png, not \"%1\"").arg(request.Output);
    if (suffix == QLatin1String("png") && request.Page == 0)
        return QStringLiteral("an image holds one page: add --page N");
    return QString();
}

// On a mistake: no request, and `error` names the word at fault.
std::optional<ReportRequest> parse(const QStringList &words, QString &error)
{
    const ReportOptions o;
    CliOptions options(o.All());
    ReportRequest request;
    if (options.ParseAskingHelp(words, o.Help, error)) {
        request.Help = true;
        return request;
    }
    if (!error.isEmpty())
        return std::nullopt;
    for (const auto &given : options.Values(o.Page)) {
        bool ok = false;
        request.Page = given.second.toInt(&ok);
        if (!ok || request.Page < 1 || request.Page > 255) {
            error = QStringLiteral("--page wants a page number, not \"%1\"").arg(given.second);
            return std::nullopt;
        }
    }
    request.Output = options.Last(o.Output);
    error = ReadDrawingSeparators(options, o.ListSeparator, o.Decimal, request.ListSeparator, request.Decimal);
    if (error.isEmpty())
        error = ReadLabelLimits(options, o.Limits, request.Limits);
    if (error.isEmpty())
        error = ReadCloudOptions(options, o.Cloud, request.Cloud);
    if (error.isEmpty())
        error = checkFileAndOutput(options.Positional(), request);
    if (!error.isEmpty())
        return std::nullopt;
    return request;
}

} // namespace

int RunReportCommand(const QStringList &words)
{
    QTextStream err(stderr);
    QString error;
    const std::optional<ReportRequest> request = parse(words, error);
    if (!request) {
        err << "nimbrel-cli report: " << error << "\n" << ReportUsage();
        return ExitUsage;
    }
    if (request->Help) {
        QTextStream(stdout) << ReportUsage();
        return ExitOk;
    }
    // A device node or a pipe in place of OUT would be replaced by the report.
    if (const QString target = CheckOutputTarget(request->Output); !target.isEmpty()) {
        err << "nimbrel-cli report: cannot write " << request->Output << ": " << target << "\n";
        return ExitFileError;
    }
    RegisterFontSubstitutes();
    std::optional<DrawingLoad> loaded = LoadForDrawing(request->File, request->ListSeparator, request->Decimal, error);
    if (!loaded) {
        err << "nimbrel-cli report: " << error.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        return ExitFileError;
    }
    for (const QString &warning : DrawingLoadWarnings(request->File, loaded->Loaded))
        err << "nimbrel-cli report: " << warning << "\n";
    ApplyCloudWeighting(loaded->Loaded, request->Cloud);
    const ReportData data(loaded->Loaded.Set, NumberFormat(loaded->Decimal), request->Limits, request->File);
    // How many pages there are shows only once the set is laid out.
    if (request->Page > data.PageCount()) {
        err << "nimbrel-cli report: --page " << request->Page << ": the report has " << data.PageCount()
            << " pages\n" << ReportUsage();
        return ExitUsage;
    }
    CliReportHost host;
    if (QFileInfo(request->Output).suffix().toLower() == QLatin1String("pdf"))
        return WriteReportPdf(request->Output, data, static_cast<uint8_t>(request->Page), host) ? ExitOk
                                                                                                : ExitFileError;

    const QImage image = RenderReportPage(data, request->Page, kPngDpi, host);
    if (image.isNull())
        return ExitFileError;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    if (const QString failure = WriteWholeFile(request->Output, png); !failure.isEmpty()) {
        err << "nimbrel-cli report: cannot write " << request->Output << ": " << failure << "\n";
        return ExitFileError;
    }
    return ExitOk;
}

QString ReportUsage()
{
    return QStringLiteral(
        "usage: nimbrel-cli report FILE [--page N] [--list-separator C] [--decimal-separator C]\n"
        "                          [--limits DV05MIN,DV05MAX,DV09MAX] -o OUT.pdf|OUT.png\n"
        "Writes the printed report of a slide set file as a US Letter PDF: every page,\n"
        "or the one --page names. With --page, OUT.png gives that page as an image at\n"
        "100 dpi (850x1100). Separators are found as for plot. The spray quality page\n"
        "judges the composite against the label limits --limits gives (in %1).\n"
        "The in-cloud figures follow the weighting:\n")
               .arg(Microns())
           + CloudOptionsUsage();
}

int RunReport(const QStringList &, CliContext &context)
{
    CliError(context, QStringLiteral("report must be started through DrawingCommandMain (it needs fonts)"));
    return ExitUsage;
}
