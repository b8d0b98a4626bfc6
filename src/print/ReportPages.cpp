#include "ReportPages.h"

#include "DoseResponsePage.h"
#include "LineDataPage.h"
#include "MethodsPage.h"
#include "MortalityRangesPage.h"
#include "ParametersPage.h"
#include "ReportSheet.h"
#include "SprayQualityPage.h"

#include "model/Version.h"

#include <QFileInfo>

using namespace ReportGeometry;

namespace {

using Unit = DrawingSurface::Unit;

// The page kinds in print order; a new page is one more entry here.
constexpr PageKind kPageKinds[] = {ParametersSheets,   LineDataSheets,     MortalityRangesSheets,
                                   SprayQualitySheets, DoseResponseSheets, MethodsSheets};

constexpr double kFooterPoints = 8;
constexpr double kFooterSourceWidth = 3.0; // the file name's share of the line

void banner(ReportPage &p)
{
    DrawingSurface &s = p.s;
    p.pageScale();
    s.ForeColor = Qt::black;
    s.FillStyle = DrawingSurface::Fill::Transparent;
    s.DrawStyle = DrawingSurface::Style::Solid;
    s.DrawWidth = p.thin();
    p.font(18, true);
    p.centred(QStringLiteral("Tarvell Nimbrel"), CentreX, BannerTop);
    p.s.FontBold = false;
}

// Every sheet says what it belongs to: the set, when and by what it was
// printed, and where it stands in the report.
void footer(ReportPage &p, int page, int pages)
{
    DrawingSurface &s = p.s;
    p.pageScale();
    s.ForeColor = Qt::black;
    s.DrawStyle = DrawingSurface::Style::Solid;
    // A long file name gets smaller type rather than running into the middle.
    const QString source = p.d.SourceName();
    double points = kFooterPoints;
    while (points > 5 && PaperTextWidth(source, points) > kFooterSourceWidth)
        points -= 0.5;
    p.font(points);
    p.textAt(source, TextLeft, FooterTop);
    p.font(kFooterPoints);
    p.centred(QStringLiteral("Printed %1 by Nimbrel %2")
                  .arg(p.d.PrintedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")), QString::fromLatin1(NimbrelVersion)),
              CentreX + 0.6, FooterTop);
    const QString number = QStringLiteral("Page %1 of %2").arg(page).arg(pages);
    p.textAt(number, TextRight - s.TextWidth(number), FooterTop);
}

} // namespace

QString PrintingPageCaption(int page)
{
    return QStringLiteral("Nimbrel - Printing Page %1...").arg(page);
}

QString PrintErrorMessage(const QString &description)
{
    return QStringLiteral("There was an error printing:\n\n") + description;
}

ReportData::ReportData(const SlideSet &set, const NumberFormat &format, const LabelLimits &limits,
                       const QString &fileName)
    : Set(set), Format(format), Limits(limits), FileName(fileName), PrintedAt(QDateTime::currentDateTime())
{
    CalcComposite(set, Composite);
}

ReportData::~ReportData() = default;

QString ReportData::SourceName() const
{
    return FileName.isEmpty() ? QStringLiteral("unsaved") : QFileInfo(FileName).fileName();
}

const SprayQualityTable &ReportData::Quality() const
{
    if (!m_quality)
        m_quality = ComputeSprayQuality(Set, Limits);
    return *m_quality;
}

const DoseResponseFit &ReportData::DoseResponse() const
{
    if (!m_dose)
        m_dose = FitDoseResponse(Set, DoseOptions);
    return *m_dose;
}

const std::vector<ReportSheet> &ReportData::Sheets() const
{
    if (m_sheets.empty()) {
        for (PageKind kind : kPageKinds) {
            std::vector<ReportSheet> sheets = kind(*this);
            m_sheets.insert(m_sheets.end(), std::make_move_iterator(sheets.begin()),
                            std::make_move_iterator(sheets.end()));
        }
    }
    return m_sheets;
}

int ReportData::PageCount() const
{
    return int(Sheets().size());
}

double ReportFontSize(const DrawingSurface &dest, bool destIsPrinter, double points)
{
    if (destIsPrinter)
        return points;
    // Points to inches at 72 to the inch, as a fraction of the page's width,
    // across the preview's width, back to points on the preview.
    const double inches = points / 72.0;
    const double userWidth = inches / PageWidth * dest.ScaleWidth;
    return dest.ScaleX(userWidth, Unit::User, Unit::Twips) / 20.0;
}

void SetReportFont(DrawingSurface &dest, bool destIsPrinter, double points)
{
    const double size = ReportFontSize(dest, destIsPrinter, points);
    dest.FontName = size < 7 ? QStringLiteral("Small Fonts") : QStringLiteral("Arial");
    dest.FontSize = size;
}

bool PrintSub(DrawingSurface &dest, bool destIsPrinter, uint8_t pageNum, const ReportData &data, ReportHost &host)
{
    auto fail = [&](const QString &description) {
        dest.End();
        host.SetCaption(kPreviewCaption);
        host.ShowPrintError(PrintErrorMessage(description));
        return false;
    };
    if (!dest.IsActive())
        return fail(destIsPrinter ? QStringLiteral("The printer did not accept the print job.")
                                  : QStringLiteral("The preview picture cannot be drawn on."));

    const std::vector<ReportSheet> &sheets = data.Sheets();
    const int pages = int(sheets.size());
    ReportPage page{dest, destIsPrinter, data};
    bool drawn = false;
    for (int n = 1; n <= pages; ++n) {
        if (pageNum != 0 && pageNum != n)
            continue;
        if (destIsPrinter) {
            if (drawn && !dest.NewPage())
                return fail(QStringLiteral("The printer did not accept page %1.").arg(n));
            host.SetCaption(PrintingPageCaption(n));
        }
        banner(page);
        sheets[size_t(n - 1)].Draw(page);
        footer(page, n, pages);
        drawn = true;
    }
    if (destIsPrinter && dest.IsActive() && !dest.Painter().end())
        return fail(QStringLiteral("The print job could not be finished."));
    host.SetCaption(kPreviewCaption);
    return true;
}
