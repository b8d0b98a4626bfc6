#include "ParametersPage.h"

#include "model/CloudWeights.h"
#include "model/Units.h"

#include <utility>

using namespace ReportGeometry;

namespace {

// Labels start 2.5 in from the left edge; headings stand out by a quarter inch.
constexpr double kLabelLeft = 2.5;
constexpr double kHeadingLeft = kLabelLeft - 0.25;
constexpr double kRowPoints = 12;
constexpr double kHeadingPoints = 14;
constexpr double kTitlePoints = 16;

struct ParameterRow
{
    QString Label;
    QString Value;
    QString Unit;
};

FlowItem headingItem(const QString &heading)
{
    FlowItem item{LinePitch(kHeadingPoints), [heading](ReportPage &p, double top) {
                      p.font(kHeadingPoints, false, true);
                      p.textAt(heading, kHeadingLeft, top);
                      p.s.FontUnderline = false;
                      p.s.Print(QStringLiteral(":"), true);
                  }};
    item.KeepWithNext = true;
    return item;
}

// A section: its heading, then a row per field with the value at the column
// the widest label gives. A row whose field is blank shows the label alone;
// a value too long for the line wraps under its column.
void section(std::vector<FlowItem> &items, const QString &heading, const QString &widestLabel,
             const std::vector<ParameterRow> &rows, int emptyLinesAfter)
{
    items.push_back(headingItem(heading));
    const double column = kLabelLeft + PaperTextWidth(widestLabel, kRowPoints) + 0.125;
    const double pitch = LinePitch(kRowPoints);
    for (const ParameterRow &row : rows) {
        const QString value = row.Value.trimmed().isEmpty() ? QString() : row.Value + row.Unit;
        const QStringList lines = value.isEmpty() ? QStringList{QString()} : WrapText(value, TextRight - column, kRowPoints);
        for (int i = 0; i < lines.size(); ++i) {
            const QString label = i == 0 ? row.Label : QString();
            FlowItem item{pitch, [label, line = lines[i], column](ReportPage &p, double top) {
                              p.font(kRowPoints);
                              if (!label.isEmpty())
                                  p.textAt(label, kLabelLeft, top);
                              if (!line.isEmpty())
                                  p.textAt(line, column, top);
                          }};
            item.KeepWithNext = i + 1 < lines.size() && lines.size() <= 3; // a short value stays whole
            items.push_back(std::move(item));
        }
    }
    for (int i = 0; i < emptyLinesAfter; ++i)
        items.push_back(BlankLine(kRowPoints));
}

FlowItem centredTitle(const QString &title)
{
    FlowItem item{LinePitch(kTitlePoints), [title](ReportPage &p, double top) {
                      p.font(kTitlePoints, true, true);
                      p.centred(title, CentreX, top);
                      p.s.FontUnderline = false;
                      p.s.FontBold = false;
                  }};
    item.KeepWithNext = true;
    return item;
}

QString percent(const NumberFormat &fmt, int dead, int inCage)
{
    return fmt.Format(double(dead) / inCage, "0.00%");
}

} // namespace

std::vector<ReportSheet> ParametersSheets(const ReportData &data)
{
    const SlideSet &set = data.Set;
    const ParameterTexts &t = set.Texts;
    const NumberFormat &fmt = data.Format;
    const bool metric = set.Params.Metric;
    auto unit = [metric](const char *m, const char *us) { return QString::fromUtf8(metric ? m : us); };

    Flow flow;
    flow.Start = [](ReportPage &p, int sheet) {
        PageTitle(p, sheet == 0 ? QStringLiteral("Analysis Parameters") : QStringLiteral("Analysis Parameters (continued)"),
                  TitleLowerEdge);
    };
    // One empty line of the title's size under it.
    flow.FirstTop = flow.NextTop = TitleLowerEdge - LinePitch(kTitlePoints);
    std::vector<FlowItem> &items = flow.Items;

    section(items, QStringLiteral("Sprayer Info"), QStringLiteral("Release Height:"),
            {{QStringLiteral("Agency:"), t.Agency, {}},
             {QStringLiteral("Sprayer:"), t.Sprayer, {}},
             {QStringLiteral("Release Height:"), t.ReleaseHeight, unit(" m", " ft")},
             {QStringLiteral("Date:"), t.Date, {}},
             {QStringLiteral("Time:"), t.Time, {}}},
            2);
    section(items, QStringLiteral("Optics Info"), QStringLiteral("# EPD on reticule:"),
            {{QStringLiteral("Scan Length:"), ScanLengthText(set.Params, fmt), unit(" cm", " inches")},
             {QStringLiteral("# EPD on reticule:"), fmt.Format(set.Params.MaxSizeEPD, "0"), {}},
             {Microns() + QStringLiteral("/EPD:"), fmt.General(set.Params.MicronsPerEPD), {}},
             {QStringLiteral("Spread Factor:"), fmt.General(set.Params.SpreadFactor), {}}},
            2);
    section(items, QStringLiteral("Meteorology Info"), QStringLiteral("Relative Humidity:"),
            {{QStringLiteral("Height:"), t.MetHeight, unit(" m", " ft")},
             {QStringLiteral("Air Temp:"), t.AirTemp, unit(" °C", " °F")},
             {QStringLiteral("Wind Speed:"), t.WindSpeed, unit(" km/h", " mph")},
             {QStringLiteral("Wind Direction:"), t.WindDirection, QStringLiteral(" °     (rel. to AC heading)")},
             {QStringLiteral("Relative Humidity:"), t.RelHumidity, QStringLiteral(" %")}},
            2);
    section(items, QStringLiteral("Product Info"), QStringLiteral("Spray Rate:"),
            {{QStringLiteral("Product:"), t.Product, {}},
             {QStringLiteral("Spray Rate:"), t.SprayRate, unit(" L/ha", " oz/ac")}},
            4);

    items.push_back(centredTitle(QStringLiteral("Analysis Results")));
    items.push_back(BlankLine(kTitlePoints));

    const CompositeResults &c = data.Composite;
    const QString widest = QStringLiteral("Ave. Drop Density:");
    std::vector<ParameterRow> cloud = {
        {QStringLiteral("Composite VMD:"), fmt.Format(c.CompVMD, "0.0"), MicronsCaption()},
        {QStringLiteral("Composite NMD:"), fmt.Format(c.CompNMD, "0.0"), MicronsCaption()}};
    // The collection-efficiency model behind the in-cloud figures, when it is not "Diameter ²".
    if (set.Cloud.Method != CloudMethod::Diameter2) {
        QString label = QStringLiteral("Weighting:");
        for (const QString &line : CloudMethodSummary(set, fmt) + BelowFloorSummary(set, fmt))
            cloud.push_back({std::exchange(label, QString()), line, {}});
    }
    section(items, QStringLiteral("Cloud"), widest, cloud, 1);
    section(items, QStringLiteral("Slide"), widest,
            {{widest, fmt.Format(c.AveDropDensity, "0.0"), QStringLiteral(" drops/cm") + kSquared}}, 1);

    // The untreated cage every corrected mortality rests on: a reader judges
    // from its own mortality whether Abbott's correction holds.
    const MortalityCounts &control = set.ControlData;
    if (control.NumInCage > 0) {
        section(items, QStringLiteral("Control Cage"), QStringLiteral("Number in Cage:"),
                {{QStringLiteral("Number in Cage:"), fmt.Format(control.NumInCage, "0"), {}},
                 {QStringLiteral("Dead:"),
                  QStringLiteral("%1 at 12 hr (%2), %3 at 24 hr (%4)")
                      .arg(fmt.Format(control.Dead12h, "0"), percent(fmt, control.Dead12h, control.NumInCage),
                           fmt.Format(control.Dead24h, "0"), percent(fmt, control.Dead24h, control.NumInCage)),
                  {}}},
                0);
    } else {
        section(items, QStringLiteral("Control Cage"), QStringLiteral("Number in Cage:"),
                {{QStringLiteral("None entered: mortality is not corrected."), {}, {}}}, 0);
    }
    return Paginate(std::move(flow));
}
