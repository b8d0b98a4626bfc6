#pragma once

#include "ReportPages.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QPrinter;

// The report going out: to an installed printer, to a PDF file, or to an image
// of one page.

// The last entry of the printer list: the report saved as a PDF document, which
// works on a machine without any printer.
inline const QString kSaveAsPdfEntry = QStringLiteral("Save as PDF\u2026");

// Device names of the installed printers in the platform's order.
QStringList InstalledPrinters();

// The program's current printer, shared for the whole run: the platform's
// default until the operator picks another in the preview (kSaveAsPdfEntry when
// the PDF entry was picked; empty when there is neither).
QString CurrentPrinterName();
void SetCurrentPrinterName(const QString &name);

// The whole report on the named printer, one job of US Letter pages. Failures
// are shown through the host; false after one.
bool PrintReport(const QString &printerName, const ReportData &data, ReportHost &host);

// The report (page 0: every page) as a vector PDF on US Letter with its fonts
// embedded. It is written beside `path` and put in place only when complete, so
// a failure leaves no half-written file under that name (and an earlier file as
// it was). Failures are shown through the host; false after one.
bool WriteReportPdf(const QString &path, const ReportData &data, uint8_t pageNum, ReportHost &host);

// One page as paper shows it, at `dpi` (100 gives 850 × 1100 pixels).
QImage RenderReportPage(const ReportData &data, int page, int dpi, ReportHost &host);

// --- test seams --------------------------------------------------------------------
// Replaces the platform's printer list (nullopt restores it).
void SetInstalledPrintersForTesting(std::optional<QStringList> printers);
// Replaces how a job's printer is made, so a test can hand over one that fails
// (an empty function restores the platform's).
using PrinterFactory = std::function<std::unique_ptr<QPrinter>(const QString &printerName)>;
void SetPrinterFactoryForTesting(PrinterFactory factory);
