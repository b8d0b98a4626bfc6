#pragma once

#include <QString>

#include <functional>
#include <optional>

// What the print system says about a printer: before a job, whether it takes
// jobs at all; after it, whether the job really arrived. A queue that rejects
// jobs otherwise swallows the report without a word.

struct DestinationState
{
    bool Accepting = true;
    QString Reason; // why not, in the print system's words where it gives them
};

// Asked before drawing. A printer the print system does not know counts as
// accepting: the job itself then tells.
DestinationState QueryDestination(const QString &printerName);

// The destination's jobs as they stand before printing, to tell afterwards
// whether one was added.
struct JobMark
{
    bool Known = false; // false: the print system cannot say; nothing is checked
    int LastJobId = 0;
};
JobMark MarkJobs(const QString &printerName);

// After the job has been handed over: empty when a new job stands in the
// queue (or nothing can be said), otherwise why none does.
std::optional<QString> MissingJob(const QString &printerName, const JobMark &before);

// --- test seam ---------------------------------------------------------------------
// Replaces both questions (empty functions restore the print system's answers).
struct PrintDestinationProbe
{
    std::function<DestinationState(const QString &)> Query;
    std::function<std::optional<QString>(const QString &)> JobCheck;
};
void SetPrintDestinationForTesting(PrintDestinationProbe probe);
