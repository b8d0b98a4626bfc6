#include "ReportJob.h"

#include "PrintDestination.h"

#include "files/OutputTarget.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

namespace {

std::optional<QStringList> &printerListOverride()
{
    static std::optional<QStringList> list;
    return list;
}

PrinterFactory &printerFactoryOverride()
{
    static PrinterFactory factory;
    return factory;
}

std::optional<QString> &currentPrinter()
{
    static std::optional<QString> name;
    return name;
}

// Paper as the report is laid out on: the whole US Letter sheet in portrait, in
// colour (a black-and-white printer still tells the series apart by their
// markers and hatching).
void setUpForReport(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setColorMode(QPrinter::Color);
    printer.setDocName(QStringLiteral("Nimbrel report"));
    printer.setCreator(QStringLiteral("Nimbrel"));
}

std::unique_ptr<QPrinter> makePrinter(const QString &name)
{
    if (printerFactoryOverride())
        return printerFactoryOverride()(name);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPrinterName(name);
    setUpForReport(*printer);
    return printer;
}

bool failed(ReportHost &host, const QString &description)
{
    host.ShowPrintError(PrintErrorMessage(description));
    return false;
}

bool endsAsPdf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || !file.seek(file.size() - 16))
        return false;
    return file.read(16).contains("%%EOF");
}

// Runs the pages on an open printer and checks that the job went through.
bool printOn(QPrinter &printer, uint8_t pageNum, const ReportData &data, ReportHost &host)
{
    DrawingSurface surface(&printer);
    if (!PrintSub(surface, true, pageNum, data, host))
        return false;
    surface.End();
    if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted)
        return failed(host, QStringLiteral("The printer reported an error with the print job."));
    return true;
}

// The mode a file the user makes in that folder gets (0644 under the usual
// umask 022): the temporary file the PDF is written under is private to its
// owner, the finished document is not.
QFileDevice::Permissions newFilePermissions(const QFileInfo &target)
{
    const QFileDevice::Permissions fallback =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QTemporaryFile name(target.absolutePath() + QStringLiteral("/.mode.XXXXXX"));
    if (!name.open())
        return fallback;
    const QString probePath = name.fileName() + QStringLiteral(".probe");
    QFile probe(probePath);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return fallback;
    const QFileDevice::Permissions made = probe.permissions();
    probe.close();
    probe.remove();
    return made;
}

} // namespace

QStringList InstalledPrinters()
{
    if (printerListOverride())
        return *printerListOverride();
    return QPrinterInfo::availablePrinterNames();
}

QString CurrentPrinterName()
{
    if (!currentPrinter())
        currentPrinter() = printerListOverride() ? QString() : QPrinterInfo::defaultPrinterName();
    return *currentPrinter();
}

void SetCurrentPrinterName(const QString &name)
{
    currentPrinter() = name;
}

bool PrintReport(const QString &printerName, const ReportData &data, ReportHost &host)
{
    // A queue that rejects jobs takes the pages without a word: ask first, and
    // afterwards make sure a job really stands in the queue.
    const DestinationState destination = QueryDestination(printerName);
    if (!destination.Accepting)
        return failed(host, destination.Reason);
    const std::unique_ptr<QPrinter> printer = makePrinter(printerName);
    if (!printer)
        return failed(host, QStringLiteral("The printer \"%1\" is not available.").arg(printerName));
    const JobMark before = MarkJobs(printerName);
    if (!printOn(*printer, 0, data, host))
        return false;
    if (const std::optional<QString> missing = MissingJob(printerName, before))
        return failed(host, *missing);
    return true;
}

bool WriteReportPdf(const QString &asked, const ReportData &data, uint8_t pageNum, ReportHost &host)
{
    // A device or a pipe in place of the file would be replaced by the report; a
    // link to a file is written through and stays a link.
    if (const QString refused = CheckOutputTarget(asked); !refused.isEmpty())
        return failed(host, refused);
    const QString path = FollowOutputLinks(asked);
    const QFileInfo target(path);
    // Written under a temporary name in the same folder, so that putting it in
    // place is a rename and a failure never leaves a torso under the real name.
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return failed(host, QStringLiteral("%1 cannot be written: %2").arg(target.absoluteFilePath(), temp.errorString()));
    temp.close();

    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setFontEmbeddingEnabled(true);
        printer.setOutputFileName(temp.fileName());
        setUpForReport(printer);
        if (!printOn(printer, pageNum, data, host))
            return false;
    }
    // The PDF writer does not report a failed write (a full disk, a file size
    // limit): a document cut short lacks the end-of-file mark it always writes.
    if (!endsAsPdf(temp.fileName()))
        return failed(host, QStringLiteral("%1 could not be written completely.").arg(target.absoluteFilePath()));

    const bool replacing = target.exists();
    const QFileDevice::Permissions permissions = replacing ? QFile::permissions(path) : newFilePermissions(target);
    QFile old(path);
    if (replacing && !old.remove())
        return failed(host, QStringLiteral("%1 cannot be replaced: %2").arg(target.absoluteFilePath(), old.errorString()));
    if (!temp.rename(path))
        return failed(host, QStringLiteral("%1 cannot be written: %2").arg(target.absoluteFilePath(), temp.errorString()));
    temp.setAutoRemove(false); // it now carries the real name
    QFile::setPermissions(path, permissions);
    return true;
}

QImage RenderReportPage(const ReportData &data, int page, int dpi, ReportHost &host)
{
    QImage image(qRound(8.5 * dpi), 11 * dpi, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    DrawingSurface surface(&image);
    if (!PrintSub(surface, true, static_cast<uint8_t>(page), data, host))
        return QImage();
    return image;
}

void SetInstalledPrintersForTesting(std::optional<QStringList> printers)
{
    printerListOverride() = std::move(printers);
    currentPrinter().reset();
}

void SetPrinterFactoryForTesting(PrinterFactory factory)
{
    printerFactoryOverride() = std::move(factory);
}
