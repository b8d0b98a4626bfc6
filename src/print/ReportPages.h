#pragma once

#include "graphs/DrawingSurface.h"
#include "model/DoseResponse.h"
#include "model/NumberText.h"
#include "model/SlideSet.h"
#include "model/SprayQuality.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

struct ReportSheet;

// The printed report: US Letter pages drawn on a DrawingSurface, either a
// printer page (sizes as given, in points and inches) or the preview picture
// (the same steps with the font sizes scaled down to the picture).

// The captions of the preview window while a report goes to paper.
inline const QString kPreviewCaption = QStringLiteral("Nimbrel - Print");
QString PrintingPageCaption(int page);

// "There was an error printing:", two line breaks and the platform's words.
QString PrintErrorMessage(const QString &description);

// What the report prints: the set as it stands, with its composite results
// computed afresh (the window's copy can be stale after an optics change).
struct ReportData
{
    // `fileName`: the file the set was loaded from or saved to, empty for a set
    // never saved. The time of printing is now.
    ReportData(const SlideSet &set, const NumberFormat &format, const LabelLimits &limits = {},
               const QString &fileName = QString());
    // The set is read where it lives: a temporary would be gone before the pages are drawn.
    ReportData(SlideSet &&, const NumberFormat &, const LabelLimits & = {}, const QString & = QString()) = delete;
    ~ReportData();

    const SlideSet &Set;
    NumberFormat Format;
    CompositeResults Composite;
    LabelLimits Limits; // the label the spray quality page judges against
    QString FileName;
    QDateTime PrintedAt;

    // What every footer names the set by: the file's name, or "unsaved".
    QString SourceName() const;

    // The spray quality table with its counting intervals, computed when a page
    // first needs it: the resampling takes about a second for a large set.
    const SprayQualityTable &Quality() const;

    // The dose-response fit under these choices (the window's, kept in the
    // settings), made when its page is first drawn.
    DoseResponseOptions DoseOptions;
    const DoseResponseFit &DoseResponse() const;

    // Every sheet of the report in print order, laid out when first asked for;
    // their number is the N of "Page n of N".
    const std::vector<ReportSheet> &Sheets() const;
    int PageCount() const;

private:
    mutable std::optional<SprayQualityTable> m_quality;
    mutable std::optional<DoseResponseFit> m_dose;
    mutable std::vector<ReportSheet> m_sheets;
};

// Where PrintSub reports progress and failure: the preview window's caption and
// message box, or a command line.
class ReportHost
{
public:
    virtual ~ReportHost() = default;
    virtual void SetCaption(const QString &caption) { (void)caption; }
    // `message` is the whole text (PrintErrorMessage).
    virtual void ShowPrintError(const QString &message) = 0;
};

// The font size a report size of `points` takes on this destination: as given on
// paper; on the preview scaled by the picture's width over the page's 8.5 in.
double ReportFontSize(const DrawingSurface &dest, bool destIsPrinter, double points);

// Sets the surface's font size as above; below 7 points the face becomes
// "Small Fonts", which stays legible that small, otherwise "Arial".
void SetReportFont(DrawingSurface &dest, bool destIsPrinter, double points);

// Draws page `pageNum` (1 … data.PageCount()) or, with 0, all of them, each with
// the banner above and the footer (the set, the time of printing, the program
// and "Page n of N") below. On a
// printer a new physical page is started between pages, the host's caption shows
// progress and the job is ended at the end (also when no page was chosen). A
// failure (a device that is not open, a page the printer refuses) stops the
// drawing, is shown through the host and gives false.
bool PrintSub(DrawingSurface &dest, bool destIsPrinter, uint8_t pageNum, const ReportData &data, ReportHost &host);
