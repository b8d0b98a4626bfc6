// nimbrel-cli summary FILE...: a table per file for a person to read.
#include "CliSupport.h"

#include <QFileInfo>

#include <vector>

namespace {

QString percent(const NumberFormat &format, const std::optional<float> &value)
{
    return value ? format.Format(*value, "0.00%") : QStringLiteral("-");
}

QString summaryOf(const QString &path, const LoadedSlideSet &loaded, const NumberFormat &f)
{
    const SlideSet &set = loaded.Set;
    const AnalysisParameters &p = set.Params;
    const QString length = UnitText(UnitKind::Length, p.Metric);
    QString text;
    QTextStream out(&text);
    out << QFileInfo(path).fileName() << ": " << set.SlideCount() << (set.SlideCount() == 1 ? " slide" : " slides")
        << ", " << (p.Metric ? "metric" : "U.S.") << " units, " << f.General(p.MaxSizeEPD) << " EPD of "
        << f.General(p.MicronsPerEPD) << " µm, spread factor " << f.General(p.SpreadFactor) << ", scan length "
        << ScanLengthText(p, f) << ' ' << UnitText(UnitKind::ScanLength, p.Metric) << '\n';
    out << "  control cage: ";
    if (set.ControlData.NumInCage > 0)
        out << set.ControlData.NumInCage << " insects, " << set.ControlData.Dead12h << " dead at 12 hr, "
            << set.ControlData.Dead24h << " dead at 24 hr\n";
    else
        out << "none\n";

    const QStringList headings = {QStringLiteral("Position (%1)").arg(length), QStringLiteral("Drops"),
                                  QStringLiteral("VMD µm"), QStringLiteral("NMD µm"), QStringLiteral("Drops/cm²"),
                                  QStringLiteral("1hr KD"), QStringLiteral("12hr Mort."), QStringLiteral("24hr Mort.")};
    std::vector<QStringList> rows;
    for (int i = 1; i <= set.SlideCount(); ++i) {
        const Slide &s = set.Slides[i];
        rows.push_back({f.General(s.Position), f.Format(s.TotalDrops, "0"), f.Format(s.VMD, "0.0"),
                        f.Format(s.NMD, "0.0"), f.Format(s.DropDensity, "0.00"), percent(f, s.Knockdown1h),
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
        CompositeResults c;
        CalcComposite(set, c);
        out << "  composite: VMD " << f.Format(c.CompVMD, "0.0") << " µm, NMD " << f.Format(c.CompNMD, "0.0")
            << " µm, average drop density " << f.Format(c.AveDropDensity, "0.0") << " drops/cm²\n";
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
        text += summaryOf(path, loaded, context.Format);
    }
    context.Out << text;
    return ExitOk;
}
