// nimbrel-cli summary FILE...: a table per file for a person to read.
#include "CliSupport.h"
#include "model/CloudWeights.h"
#include "model/DoseResponse.h"
#include "model/SprayQuality.h"
#include "model/SprayQualityText.h"
#include "model/Units.h"

#include <QFileInfo>

#include <vector>

namespace {

QString percent(const NumberFormat &format, const std::optional<float> &value)
{
    return value ? format.Format(*value, "0.00%") : QStringLiteral("-");
}

// Interval ends as the window shows them.
QString between(const NumberFormat &f, const std::optional<Interval> &i, int32_t drops)
{
    if (i) {
        const auto [low, high] = IntervalEndTexts(*i, f);
        return QStringLiteral(" (95 % %1 to %2)").arg(low, high);
    }
    return drops > 0 && drops < kMinimumDrops ? QStringLiteral(" (n < %1)").arg(kMinimumDrops) : QString();
}

QString limitsText(const NumberFormat &f, const LabelLimits &l)
{
    QStringList parts;
    auto value = [&](const std::optional<float> &v) { return v ? f.Format(*v, "0.0##") : QStringLiteral("-"); };
    if (l.Dv05From || l.Dv05To)
        parts << QStringLiteral("Dv0.5 from %1 to %2 %3").arg(value(l.Dv05From), value(l.Dv05To), Microns());
    if (l.Dv09Below)
        parts << QStringLiteral("Dv0.9 below %1 %2").arg(value(l.Dv09Below), Microns());
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

// "dose response (24 hr mortality, probit): LD50 123 drops/cm² (95 % 98.1 to 150), …"
QString doseResponseLine(const DoseResponseFit &fit, const NumberFormat &f)
{
    QString line = QStringLiteral("dose response (%1, %2): ").arg(DoseHourName(fit.Hour), DoseLinkName(fit.Link));
    if (!fit.Fitted())
        return line + fit.Note;
    const QString unit = DoseDepositUnit(fit.Deposit);
    line += QStringLiteral("LD50 %1 %2").arg(DoseNumberText(f, *fit.LD50), unit);
    line += fit.LD50Interval ? QStringLiteral(" (95 % %1 to %2)")
                                   .arg(DoseNumberText(f, fit.LD50Interval->Low), DoseNumberText(f, fit.LD50Interval->High))
                             : QStringLiteral(" (no fiducial limits: g %1)").arg(f.Format(*fit.g, "0.00"));
    return line + QStringLiteral(", slope %1, %2 cages").arg(f.Format(*fit.Slope, "0.00")).arg(fit.Cages);
}

QString summaryOf(const QString &path, const LoadedSlideSet &loaded, const NumberFormat &f,
                  const std::optional<LabelLimits> &limits, const DoseResponseOptions &dose)
{
    const SlideSet &set = loaded.Set;
    const AnalysisParameters &p = set.Params;
    const QString length = UnitText(UnitKind::Length, p.Metric);
    QString text;
    QTextStream out(&text);
    out << QFileInfo(path).fileName() << ": " << set.SlideCount() << (set.SlideCount() == 1 ? " slide" : " slides")
        << ", " << (p.Metric ? "metric" : "U.S.") << " units, " << f.General(p.MaxSizeEPD) << " EPD of "
        << f.General(p.MicronsPerEPD) << MicronsCaption() << ", spread factor " << f.General(p.SpreadFactor) << ", scan length "
        << ScanLengthText(p, f) << ' ' << UnitText(UnitKind::ScanLength, p.Metric) << '\n';
    out << "  control cage: ";
    if (set.ControlData.NumInCage > 0)
        out << set.ControlData.NumInCage << " insects, " << set.ControlData.Dead12h << " dead at 12 hr, "
            << set.ControlData.Dead24h << " dead at 24 hr\n";
    else
        out << "none\n";
    // Golden summaries under "Diameter ²" stay as they were.
    if (set.Cloud.Method != CloudMethod::Diameter2) {
        out << "  in cloud: " << CloudMethodSummary(set, f).join(QStringLiteral(", ")) << '\n';
        if (const QStringList below = BelowFloorSummary(set, f); !below.isEmpty())
            out << "  " << below.join(QLatin1Char(' ')) << '\n';
    }

    const QStringList headings = {QStringLiteral("Position (%1)").arg(length), QStringLiteral("Drops"),
                                  QStringLiteral("VMD") + MicronsCaption(), QStringLiteral("NMD") + MicronsCaption(),
                                  QStringLiteral("Dv0.9") + MicronsCaption(), QStringLiteral("Span"),
                                  QStringLiteral("Drops/cm") + kSquared,
                                  QStringLiteral("1hr KD"), QStringLiteral("12hr Mort."), QStringLiteral("24hr Mort.")};
    const SprayQualityTable quality = ComputeSprayQuality(set, limits.value_or(LabelLimits()));
    std::vector<QStringList> rows;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[i];
        const DropSizeFigures &sizes = quality.Slides[size_t(i - 1)].Sizes;
        rows.push_back({f.General(s.Position), f.Format(s.TotalDrops, "0"), f.Format(s.VMD, "0.0"),
                        f.Format(s.NMD, "0.0"), f.Format(sizes.Dv09, "0.0"), f.Format(sizes.RelativeSpan, "0.00"),
                        f.Format(s.DropDensity, "0.00"), percent(f, s.Knockdown1h),
                        percent(f, s.Mortality12h), percent(f, s.Mortality24h)});
    }
    std::vector<int> widths;
    for (const QString &h : headings)
        widths.push_back(int(h.size()));
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row[c].size()));
    auto writeRow = [&](const QStringList &row) {
        out << ' ';
        for (int c = 0; c < row.size(); ++c)
            out << "  " << row[c].rightJustified(widths[c]);
        out << '\n';
    };
    writeRow(headings);
    for (const QStringList &row : rows)
        writeRow(row);

    if (set.SlideCount() > 0) {
        const SprayQualityRow &c = quality.Composite;
        out << "  composite: VMD " << f.Format(c.Sizes.Dv05, "0.0") << MicronsCaption() << between(f, c.Intervals.VMD, c.Drops)
            << ", NMD " << f.Format(c.NMD, "0.0") << MicronsCaption() << ", Dv0.9 " << f.Format(c.Sizes.Dv09, "0.0")
            << MicronsCaption()
            << between(f, c.Intervals.Dv09, c.Drops) << ", span " << f.Format(c.Sizes.RelativeSpan, "0.00")
            << ", average drop density " << f.Format(c.DropDensity, "0.0") << " drops/cm" << kSquared << '\n';
    }
    out << "  " << doseResponseLine(FitDoseResponse(set, dose), f) << '\n';
    if (limits) {
        out << "  label limits: " << limitsText(f, *limits) << ": "
            << (quality.Verdict ? LabelVerdictText(*quality.Verdict) : QStringLiteral("nothing to judge")) << '\n';
        if (quality.ToDecide)
            out << "  " << DropsToDecideText(*quality.ToDecide, f) << '\n';
    }
    return text;
}

} // namespace

int RunSummary(const QStringList &args, CliContext &context)
{
    // Every file is read before anything is printed, so a failure leaves stdout empty.
    QString text;
    for (const QString &path : args) {
        LoadedSlideSet loaded;
        if (!LoadForCli(path, context, loaded))
            return ExitFileError;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += summaryOf(path, loaded, context.Format, context.Limits, context.DoseResponse);
    }
    context.Out << text;
    return ExitOk;
}
