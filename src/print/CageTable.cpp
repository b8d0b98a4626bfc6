#include "CageTable.h"

namespace {

const QString kDash = QStringLiteral("\u2013");

QString percentOf(const NumberFormat &f, int count, int inCage)
{
    return inCage > 0 ? f.Format(double(count) / inCage, "0.00%") : kDash;
}

QString corrected(const NumberFormat &f, const std::optional<float> &value, const std::optional<Interval> &interval)
{
    if (!value)
        return kDash;
    QString text = f.Format(*value, "0.00%");
    if (interval)
        text += QStringLiteral(" (%1%2%3)").arg(f.Format(interval->Low, "0%"), kDash, f.Format(interval->High, "0%"));
    return text;
}

} // namespace

TextTable CageTableOf(const ReportData &data)
{
    const SlideSet &set = data.Set;
    const NumberFormat &f = data.Format;
    const SprayQualityTable &quality = data.Quality();
    TextTable t;
    t.Names = {QStringLiteral("Position"), QStringLiteral("In"),   QStringLiteral("Down"),
               QStringLiteral("Dead"),     QStringLiteral("Dead"), QStringLiteral("Knockdown"),
               QStringLiteral("Raw"),      QStringLiteral("Raw"),  QStringLiteral("Corrected 12 hr"),
               QStringLiteral("Corrected 24 hr")};
    t.Units = {set.Params.Metric ? QStringLiteral("m") : QStringLiteral("ft"),
               QStringLiteral("cage"),
               QStringLiteral("1 hr"),
               QStringLiteral("12 hr"),
               QStringLiteral("24 hr"),
               QStringLiteral("1 hr"),
               QStringLiteral("12 hr"),
               QStringLiteral("24 hr"),
               QStringLiteral("(95 % interval)"),
               QStringLiteral("(95 % interval)")};
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &slide = set.Slides[i];
        const MortalityCounts &c = slide.Cage;
        if (c.NumInCage <= 0)
            continue;
        // Slides[i] of the set is row i − 1 of the quality table: both in position order.
        const SprayQualityRow &row = quality.Slides[size_t(i - 1)];
        t.Rows.push_back({f.General(slide.Position), f.Format(c.NumInCage, "0"), f.Format(c.Down1h, "0"),
                          f.Format(c.Dead12h, "0"), f.Format(c.Dead24h, "0"),
                          slide.Knockdown1h ? f.Format(*slide.Knockdown1h, "0.00%") : kDash,
                          percentOf(f, c.Dead12h, c.NumInCage), percentOf(f, c.Dead24h, c.NumInCage),
                          corrected(f, row.Mortality12h, row.Mortality12hInterval),
                          corrected(f, row.Mortality24h, row.Mortality24hInterval)});
    }
    const MortalityCounts &control = set.ControlData;
    if (control.NumInCage > 0)
        t.Closing = QStringList{QStringLiteral("Control"),
                                f.Format(control.NumInCage, "0"),
                                f.Format(control.Down1h, "0"),
                                f.Format(control.Dead12h, "0"),
                                f.Format(control.Dead24h, "0"),
                                percentOf(f, control.Down1h, control.NumInCage),
                                percentOf(f, control.Dead12h, control.NumInCage),
                                percentOf(f, control.Dead24h, control.NumInCage),
                                kDash,
                                kDash};
    return t;
}

void AppendCageTable(std::vector<FlowItem> &items, const ReportData &data)
{
    const TextTable table = CageTableOf(data);
    const double left = ReportGeometry::TextLeft, right = ReportGeometry::TextRight;
    FlowItem heading{LinePitch(12) * 1.5, [](ReportPage &p, double top) {
                         p.font(12, true);
                         p.textAt(QStringLiteral("Caged Slides"), ReportGeometry::TextLeft, top - LinePitch(12) * 0.5);
                         p.s.FontBold = false;
                     }};
    heading.KeepWithNext = true;
    items.push_back(heading);
    if (table.Rows.empty()) {
        for (FlowItem &line : Paragraph(QStringLiteral("No slide has cage data."), 9, left, right))
            items.push_back(std::move(line));
        return;
    }
    AppendTextTable(items, table);
    items.push_back(BlankLine(9));
    const QString note =
        data.Set.ControlData.NumInCage > 0
            ? QStringLiteral("Raw: dead / in cage. Corrected: Abbott's correction against the control cage, "
                             "1 \u2212 (1 \u2212 raw) / (1 \u2212 control), with its 95 % interval by Katz's log method.")
            : QStringLiteral("No control cage: mortality is not corrected.");
    for (FlowItem &line : Paragraph(note, 8, left, right))
        items.push_back(std::move(line));
}
