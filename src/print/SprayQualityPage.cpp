#include "SprayQualityPage.h"

#include "CageTable.h"

#include "model/SprayQualityText.h"

using namespace ReportGeometry;

namespace {

constexpr double kTableTop = 9.1;
constexpr double kVerdictPoints = 11;

} // namespace

std::vector<ReportSheet> SprayQualitySheets(const ReportData &data)
{
    const SprayQualityTexts t = FormatSprayQuality(data.Quality(), data.Limits, data.Set.Params.Metric, data.Format);
    TextTable table;
    for (const SprayQualityColumn &column : t.Columns) {
        table.Names << column.Name;
        table.Units << column.Unit;
    }
    table.Rows.assign(t.Rows.begin(), t.Rows.end() - 1);
    table.Closing = t.Rows.back();

    Flow flow;
    flow.Start = [](ReportPage &p, int sheet) {
        PageTitle(p, sheet == 0 ? QStringLiteral("Spray Quality") : QStringLiteral("Spray Quality (continued)"),
                  TitleLowerEdge);
    };
    flow.FirstTop = flow.NextTop = kTableTop;
    std::vector<FlowItem> &items = flow.Items;
    AppendTextTable(items, table);
    const double notePoints = TextTablePoints(table);
    items.push_back(BlankLine(notePoints * 0.5));
    for (const QString &note : t.Note)
        for (FlowItem &line : Paragraph(note, notePoints, TextLeft, TextRight))
            items.push_back(std::move(line));
    items.push_back(BlankLine(kVerdictPoints));
    for (FlowItem &line : Paragraph(t.Limits, kVerdictPoints, TextLeft, TextRight))
        items.push_back(std::move(line));
    if (!t.Verdict.isEmpty())
        for (FlowItem &line : Paragraph(t.Verdict, kVerdictPoints, TextLeft, TextRight, true))
            items.push_back(std::move(line));
    // How many more drops would settle a verdict not yet decided.
    if (!t.ToDecide.isEmpty())
        for (FlowItem &line : Paragraph(t.ToDecide, kVerdictPoints, TextLeft, TextRight))
            items.push_back(std::move(line));

    items.push_back(BlankLine(kVerdictPoints));
    AppendCageTable(items, data);
    return Paginate(std::move(flow));
}
