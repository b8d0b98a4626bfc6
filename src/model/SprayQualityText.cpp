#include "SprayQualityText.h"

#include "Units.h"

#include <cmath>

namespace {

const QString kDash = QStringLiteral("\u2013");

// Columns holding a figure with its interval.
enum Column { Position, Drops, Density, Nmd, Dv01, Vmd, Dv09, Span, Small, Mortality, ColumnCount };

struct Cell
{
    QString Value;
    std::optional<Interval> Range; // shown after the value
    bool HasRange = false;         // the column carries an interval at all
};

QString figure(const NumberFormat &f, double value, const char *pattern) { return f.Format(value, pattern); }

std::vector<Cell> cellsOf(const SprayQualityRow &row, const NumberFormat &f)
{
    std::vector<Cell> cells(ColumnCount);
    cells[Position].Value = row.IsComposite ? QStringLiteral("Composite") : f.General(row.Position);
    cells[Drops].Value = figure(f, row.Drops, "0");
    cells[Density].Value = figure(f, row.DropDensity, "0.0");
    cells[Nmd].Value = figure(f, row.NMD, "0.0");
    cells[Dv01].Value = figure(f, row.Sizes.Dv01, "0.0");
    cells[Vmd] = {figure(f, row.Sizes.Dv05, "0.0"), row.Intervals.VMD, true};
    cells[Dv09] = {figure(f, row.Sizes.Dv09, "0.0"), row.Intervals.Dv09, true};
    cells[Span].Value = figure(f, row.Sizes.RelativeSpan, "0.00");
    cells[Small].Value = figure(f, row.Sizes.VolumeBelow32um * 100.0, "0.0");
    // The composite has no cage of its own.
    cells[Mortality].HasRange = true;
    if (row.Mortality24h) {
        cells[Mortality].Value = figure(f, *row.Mortality24h * 100.0, "0");
        if (row.Mortality24hInterval)
            cells[Mortality].Range =
                Interval{row.Mortality24hInterval->Low * 100, row.Mortality24hInterval->High * 100};
    } else {
        cells[Mortality].Value = kDash;
    }
    return cells;
}

std::vector<SprayQualityColumn> columns(bool metric)
{
    return {{QStringLiteral("Position"), metric ? QStringLiteral("m") : QStringLiteral("ft")},
            {QStringLiteral("Drops"), {}},
            {QStringLiteral("Density"), QStringLiteral("drops/cm") + kSquared},
            {QStringLiteral("NMD"), Microns()},
            {QStringLiteral("Dv0.1"), Microns()},
            {QStringLiteral("VMD"), Microns()},
            {QStringLiteral("Dv0.9"), Microns()},
            {QStringLiteral("Span"), {}},
            {QStringLiteral("Vol. < 32 ") + Microns(), QStringLiteral("%")},
            {QStringLiteral("24 hr mortality"), QStringLiteral("%")}};
}

std::vector<const SprayQualityRow *> rowsOf(const SprayQualityTable &table)
{
    std::vector<const SprayQualityRow *> rows;
    for (const SprayQualityRow &row : table.Slides)
        rows.push_back(&row);
    rows.push_back(&table.Composite);
    return rows;
}

QString limitsLine(const LabelLimits &limits, const NumberFormat &f)
{
    return limits.Any() ? QStringLiteral("Label limits: ") + LabelLimitsText(limits, f)
                        : QStringLiteral("No label limits set.");
}

QString verdictText(const SprayQualityTable &table, const LabelLimits &limits, bool pending)
{
    if (!limits.Any())
        return QString();
    if (pending)
        return QStringLiteral("Composite: waiting for the intervals\u2026");
    if (!table.Verdict)
        return QStringLiteral("Composite: no drops counted, nothing to judge");
    return QStringLiteral("Composite: ") + LabelVerdictText(*table.Verdict);
}

} // namespace

// An interval's ends as written: whole numbers, coarser where the draws leave
// the ends less sure than that. The step is the smallest 1, 2 or 5 times a
// power of ten that is at least twice the ends' Monte-Carlo error, and the ends
// are rounded outwards to it, so no digit is shown that another seed would
// change by more than a unit and the interval written never narrows.
std::pair<QString, QString> IntervalEndTexts(const Interval &range, const NumberFormat &f)
{
    double step = 1;
    for (int k = 0; step < 2 * double(range.DrawError); ++k)
        step *= k % 3 == 1 ? 2.5 : 2;
    if (step == 1)
        return {f.Format(range.Low, "0"), f.Format(range.High, "0")};
    return {f.Format(std::floor(range.Low / step) * step, "0"), f.Format(std::ceil(range.High / step) * step, "0")};
}

std::vector<int> SprayQualityIntervalColumns() { return {Vmd, Dv09, Mortality}; }

QString DropsToDecideText(const DropsToDecide &d, const NumberFormat &f)
{
    if (d.ForInterval)
        return QStringLiteral("at least %1 more drops are needed for the intervals that decide")
            .arg(f.Format(double(d.MoreDrops), "0"));
    // "About": two significant figures, rounded up.
    double about = double(d.MoreDrops);
    double step = 1;
    while (about / step >= 100)
        step *= 10;
    about = std::ceil(about / step) * step;
    return QStringLiteral("about %1 more drops would decide %2 against %3 %4")
        .arg(f.Format(about, "0"), QString::fromLatin1(d.Figure), f.General(d.Limit), Microns());
}

QString LabelLimitsText(const LabelLimits &limits, const NumberFormat &f)
{
    QStringList parts;
    auto value = [&](float v) { return f.General(v); };
    if (limits.Dv05From && limits.Dv05To)
        parts << QStringLiteral("Dv0.5 from %1 to %2 %3").arg(value(*limits.Dv05From), value(*limits.Dv05To), Microns());
    else if (limits.Dv05From)
        parts << QStringLiteral("Dv0.5 from %1 %2").arg(value(*limits.Dv05From), Microns());
    else if (limits.Dv05To)
        parts << QStringLiteral("Dv0.5 up to %1 %2").arg(value(*limits.Dv05To), Microns());
    if (limits.Dv09Below)
        parts << QStringLiteral("Dv0.9 below %1 %2").arg(value(*limits.Dv09Below), Microns());
    return parts.join(QStringLiteral(", "));
}

SprayQualityTexts FormatSprayQuality(const SprayQualityTable &table, const LabelLimits &limits, bool metric,
                                     const NumberFormat &f, bool intervalsPending)
{
    SprayQualityTexts texts;
    texts.Columns = columns(metric);
    for (const SprayQualityRow *row : rowsOf(table)) {
        QStringList line;
        const std::vector<Cell> cells = cellsOf(*row, f);
        for (int c = 0; c < ColumnCount; ++c) {
            const Cell &cell = cells[size_t(c)];
            QString text = cell.Value;
            if (cell.Range) {
                const auto [low, high] = IntervalEndTexts(*cell.Range, f);
                text += QStringLiteral(" (%1%2%3)").arg(low, kDash, high);
            }
            else if (cell.HasRange && c != Mortality && row->Drops > 0)
                text += row->Drops < kMinimumDrops ? QStringLiteral(" (n < %1)").arg(kMinimumDrops)
                        : intervalsPending         ? QStringLiteral(" (\u2026)")
                                                   : QString();
            line << text;
        }
        texts.Rows.push_back(line);
    }
    texts.Limits = limitsLine(limits, f);
    texts.Verdict = verdictText(table, limits, intervalsPending);
    if (!intervalsPending && table.ToDecide)
        texts.ToDecide = DropsToDecideText(*table.ToDecide, f);
    texts.Note = {QStringLiteral("In parentheses: 95 % intervals of VMD and Dv0.9 from the counted drops "
                                 "(none below %1 drops);")
                      .arg(kMinimumDrops),
                  QStringLiteral("24 hr mortality Abbott-corrected against the control cage, its interval by "
                                 "Katz's log method.")};
    return texts;
}

QString SprayQualityClipboardText(const SprayQualityTable &table, const LabelLimits &limits, bool metric,
                                  const NumberFormat &f)
{
    QStringList heading;
    const std::vector<SprayQualityColumn> cols = columns(metric);
    for (int c = 0; c < ColumnCount; ++c) {
        const QString name = cols[size_t(c)].Name;
        const QString unit = cols[size_t(c)].Unit.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(cols[size_t(c)].Unit);
        heading << name + unit;
        if (c == Vmd || c == Dv09 || c == Mortality)
            heading << name + QStringLiteral(" 95 % low") + unit << name + QStringLiteral(" 95 % high") + unit;
    }
    QStringList lines{heading.join(QLatin1Char('\t'))};
    for (const SprayQualityRow *row : rowsOf(table)) {
        QStringList line;
        const std::vector<Cell> cells = cellsOf(*row, f);
        for (int c = 0; c < ColumnCount; ++c) {
            const Cell &cell = cells[size_t(c)];
            // A spreadsheet reads an empty cell as no value, a dash as text.
            line << (cell.Value == kDash ? QString() : cell.Value);
            if (cell.HasRange) {
                const auto [low, high] = cell.Range ? IntervalEndTexts(*cell.Range, f) : std::pair<QString, QString>();
                line << low << high;
            }
        }
        lines << line.join(QLatin1Char('\t'));
    }
    lines << limitsLine(limits, f);
    if (limits.Any())
        lines << verdictText(table, limits, false);
    if (limits.Any() && table.ToDecide)
        lines << DropsToDecideText(*table.ToDecide, f);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
