#include "ReportCommand.h"

#include "PlotCommand.h"

#include "print/ReportJob.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
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
};

// On a mistake: no request, and `error` names the word at fault.
std::optional<ReportRequest> parse(const QStringList &words, QString &error)
{
    ReportRequest request;
    QStringList split;
    for (const QString &w : words) {
        const qsizetype eq = w.indexOf(QLatin1Char('='));
        if (w.startsWith(QLatin1String("--")) && eq > 2)
            split << w.left(eq) << w.mid(eq + 1);
        else
            split << w;
    }
    for (int i = 0; i < split.size(); ++i) {
        const QString &word = split[i];
        QString v;
        const bool takesValue = word == QLatin1String("--page") || word == QLatin1String("-o")
                                || word == QLatin1String("--output") || word == QLatin1String("--list-separator")
                                || word == QLatin1String("--decimal-separator")
                                || word == QLatin1String("--limits");
        if (takesValue) {
            if (i + 1 >= split.size()) {
                error = QStringLiteral("%1 needs a value").arg(word);
                return std::nullopt;
            }
            v = split[++i];
        }
        if (word == QLatin1String("--page")) {
            bool ok = false;
            request.Page = v.toInt(&ok);
            if (!ok || request.Page < 1 || request.Page > kReportPageCount) {
                error = QStringLiteral("--page wants 1 to %1, not \"%2\"").arg(kReportPageCount).arg(v);
                return std::nullopt;
            }
        } else if (word == QLatin1String("-o") || word == QLatin1String("--output")) {
            request.Output = v;
        } else if (word == QLatin1String("--list-separator")) {
            if (v.size() != 1) {
                error = QStringLiteral("%1 wants one character, not \"%2\"").arg(word, v);
                return std::nullopt;
            }
            request.ListSeparator = v;
        } else if (word == QLatin1String("--decimal-separator")) {
            if (v != QLatin1String(".") && v != QLatin1String(",")) {
                error = QStringLiteral("%1 wants \".\" or \",\", not \"%2\"").arg(word, v);
                return std::nullopt;
            }
            request.Decimal = v[0];
        } else if (word == QLatin1String("--limits")) {
            error = ParseLabelLimits(v, request.Limits);
            if (!error.isEmpty())
                return std::nullopt;
        } else if (word.startsWith(QLatin1Char('-')) && word.size() > 1) {
            error = QStringLiteral("unknown option %1").arg(word);
            return std::nullopt;
        } else if (request.File.isEmpty()) {
            request.File = word;
        } else {
            error = QStringLiteral("one slide set file only (\"%1\" is a second)").arg(word);
            return std::nullopt;
        }
    }
    const QString suffix = QFileInfo(request.Output).suffix().toLower();
    if (request.File.isEmpty())
        error = QStringLiteral("no slide set file given");
    else if (request.Output.isEmpty())
        error = QStringLiteral("-o OUT.pdf is missing");
    else if (suffix != QLatin1String("pdf") && suffix != QLatin1String("png"))
        error = QStringLiteral("-o wants a name ending in .pdf or .png, not \"%1\"").arg(request.Output);
    else if (suffix == QLatin1String("png") && request.Page == 0)
        error = QStringLiteral("an image holds one page: add --page 1 to %1").arg(kReportPageCount);
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
    RegisterFontSubstitutes();
    std::optional<DrawingLoad> loaded = LoadForDrawing(request->File, request->ListSeparator, request->Decimal, error);
    if (!loaded) {
        err << "nimbrel-cli report: " << error.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        return ExitFileError;
    }
    const ReportData data(loaded->Loaded.Set, NumberFormat(loaded->Decimal), request->Limits);
    CliReportHost host;
    if (QFileInfo(request->Output).suffix().toLower() == QLatin1String("pdf"))
        return WriteReportPdf(request->Output, data, static_cast<uint8_t>(request->Page), host) ? ExitOk
                                                                                                : ExitFileError;

    const QImage image = RenderReportPage(data, request->Page, kPngDpi, host);
    if (image.isNull())
        return ExitFileError;
    QSaveFile out(request->Output);
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
        err << "nimbrel-cli report: cannot write " << request->Output << ": " << out.errorString() << "\n";
        return ExitFileError;
    }
    return ExitOk;
}

QString ReportUsage()
{
    return QStringLiteral(
        "usage: nimbrel-cli report FILE [--page 1|2|3|4] [--list-separator C] [--decimal-separator C]\n"
        "                          [--limits DV05MIN,DV05MAX,DV09MAX] -o OUT.pdf|OUT.png\n"
        "Writes the printed report of a slide set file as a US Letter PDF: every page,\n"
        "or the one --page names. With --page, OUT.png gives that page as an image at\n"
        "100 dpi (850x1100). Separators are found as for plot. Page 4 (spray quality)\n"
        "judges the composite against the label limits --limits gives (in \u00B5m).\n");
}

int RunReport(const QStringList &, CliContext &context)
{
    CliError(context, QStringLiteral("report must be started through DrawingCommandMain (it needs fonts)"));
    return ExitUsage;
}
