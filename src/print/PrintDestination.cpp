#include "PrintDestination.h"

#include <algorithm>

#ifdef NIMBREL_HAVE_CUPS
#include <cups/cups.h>
#else
#include <QPrinter>
#include <QPrinterInfo>
#endif

namespace {

PrintDestinationProbe &probe()
{
    static PrintDestinationProbe p;
    return p;
}

#ifdef NIMBREL_HAVE_CUPS

constexpr int kIppPrinterStopped = 5;

QString option(const cups_dest_t *dest, const char *name)
{
    return QString::fromUtf8(cupsGetOption(name, dest->num_options, dest->options));
}

// The highest job id of this user on the queue; nullopt when the print system
// cannot be asked.
std::optional<int> lastJobId(const QString &printerName)
{
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printerName.toUtf8().constData(), nullptr);
    if (!dest)
        return std::nullopt;
    cupsFreeDests(1, dest);
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printerName.toUtf8().constData(), 1, CUPS_WHICHJOBS_ALL);
    if (count < 0)
        return std::nullopt;
    int last = 0;
    for (int i = 0; i < count; ++i)
        last = std::max(last, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return last;
}

#endif

} // namespace

DestinationState QueryDestination(const QString &printerName)
{
    if (probe().Query)
        return probe().Query(printerName);
#ifdef NIMBREL_HAVE_CUPS
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printerName.toUtf8().constData(), nullptr);
    if (!dest)
        return {};
    const QString accepting = option(dest, "printer-is-accepting-jobs");
    const int state = option(dest, "printer-state").toInt();
    QString message = option(dest, "printer-state-message");
    cupsFreeDests(1, dest);
    const bool refuses = accepting.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || accepting == QLatin1String("0");
    if (!refuses && state != kIppPrinterStopped)
        return {};
    QString reason = refuses ? QStringLiteral("The printer \"%1\" is not accepting jobs.").arg(printerName)
                             : QStringLiteral("The printer \"%1\" is stopped.").arg(printerName);
    if (!message.trimmed().isEmpty())
        reason += QStringLiteral(" (%1)").arg(message.trimmed());
    return {false, reason};
#else
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (!info.isNull() && info.state() == QPrinter::Error)
        return {false, QStringLiteral("The printer \"%1\" reports an error.").arg(printerName)};
    return {};
#endif
}

JobMark MarkJobs(const QString &printerName)
{
    if (probe().JobCheck)
        return {true, 0};
#ifdef NIMBREL_HAVE_CUPS
    if (const std::optional<int> last = lastJobId(printerName))
        return {true, *last};
#else
    (void)printerName;
#endif
    return {};
}

std::optional<QString> MissingJob(const QString &printerName, const JobMark &before)
{
    if (probe().JobCheck)
        return probe().JobCheck(printerName);
    if (!before.Known)
        return std::nullopt;
#ifdef NIMBREL_HAVE_CUPS
    const std::optional<int> last = lastJobId(printerName);
    if (!last || *last > before.LastJobId)
        return std::nullopt;
    QString reason = QStringLiteral("The printer \"%1\" did not take the print job.").arg(printerName);
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        reason += QStringLiteral(" (%1)").arg(QString::fromUtf8(cupsLastErrorString()));
    return reason;
#else
    return std::nullopt;
#endif
}

void SetPrintDestinationForTesting(PrintDestinationProbe p)
{
    probe() = std::move(p);
}
