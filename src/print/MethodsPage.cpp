#include "MethodsPage.h"

#include "model/CloudWeights.h"
#include "model/CountingIntervals.h"
#include "model/DoseResponse.h"
#include "model/MortalityInterval.h"
#include "model/Units.h"
#include "model/Version.h"

using namespace ReportGeometry;

namespace {

constexpr double kHeadingPoints = 11;
constexpr double kTextPoints = 10;

QString micronsText() { return Microns(); }

QString sizeClasses(const ReportData &d)
{
    const AnalysisParameters &p = d.Set.Params;
    const NumberFormat &f = d.Format;
    const double perClass = double(p.MicronsPerEPD) * double(p.SpreadFactor);
    return QStringLiteral(
               "A stain of k eyepiece divisions (EPD) stands for a drop of diameter d(k) = k \u00D7 %1 %2 per EPD "
               "\u00D7 spread factor %3 = k \u00D7 %4 %2. Classes run from 1 to %5 EPD. Drop density is the "
               "number of drops over the area scanned: sweeps \u00D7 scan length \u00D7 %5 EPD \u00D7 %1 %2.")
        .arg(f.General(p.MicronsPerEPD), micronsText(), f.General(p.SpreadFactor), f.Format(perClass, "0.0##"),
             f.Format(p.MaxSizeEPD, "0"));
}

QString inCloud()
{
    return QStringLiteral(
        "A slide catches a drop with an efficiency proportional to the square of its diameter, so the counts "
        "describe the slide and the fractions and medians describe the cloud it sampled: each drop is weighted "
        "by 1 / d\u00B2. The cloud's volume fraction of class k is N(k) \u00D7 k / \u03A3 N(j) \u00D7 j and "
        "its number fraction N(k) / k\u00B2 / \u03A3 N(j) / j\u00B2, N the counts. The composite pools the "
        "slides' counts per cm\u00B2 before weighting, so a slide scanned over a larger area weighs no more.");
}

QString medians()
{
    return QStringLiteral(
        "VMD and NMD are the diameters at which the cumulative volume and number fractions reach 0.5; Dv0.1 and "
        "Dv0.9 where the cumulative volume fraction reaches 0.1 and 0.9. Between the occupied class before and "
        "the first occupied class k at or past the fraction q: D = d(prev) + (d(k) \u2212 d(prev)) \u00D7 "
        "(q \u2212 C(prev)) / (C(k) \u2212 C(prev)), with diameter 0 and fraction 0 before the first class. "
        "Relative span = (Dv0.9 \u2212 Dv0.1) / Dv0.5. Size-range shares are interpolated the same way at the "
        "range bounds.");
}

QString countingIntervals(const NumberFormat &f)
{
    const BootstrapSettings b;
    return QStringLiteral(
               "The intervals in parentheses on the spray quality page are 95 % intervals from counting. A "
               "slide's drops of class k per cm\u00B2 have the posterior Gamma(N(k) + %1 / K) of Poisson "
               "counting, %1 pseudo-drops spread evenly over the K classes of the reticule so that a few drops "
               "cannot rule out the sizes they missed; the composite's density of a class is the sum over its "
               "slides. From %2 drops up to fewer than %3 the figures are recomputed from %4 draws of those densities and the "
               "2.5 % and 97.5 % percentiles taken; from %3 drops on the interval of the cumulative share at the "
               "figure is turned back through the mean curve (Woodruff). Below %2 drops there is no interval. "
               "Each slide's draws are seeded from the fixed seed %5 and its own counts, so a set gives the same "
               "intervals on every machine and a slide's interval depends on its own drops alone. Drawn ends are "
               "written in whole \u00B5m, or rounded outwards to 2, 5, 10 \u2026 \u00B5m where their Monte-Carlo "
               "error (from the spacing of the draws about each percentile) is more than half a \u00B5m. The composite "
               "is within the label limits when the whole interval of each limited figure lies inside them (the "
               "limits included), outside when the whole interval of one lies outside, otherwise not decided; "
               "about n \u00D7 (half-width / distance to the limit)\u00B2 drops in all would decide it.")
        .arg(f.General(kPriorDrops))
        .arg(kMinimumDrops)
        .arg(kDrawnBelow)
        .arg(b.Replicates)
        .arg(QStringLiteral("0x") + QString::number(b.Seed, 16).toUpper());
}

QString abbott()
{
    return QStringLiteral(
        "Knockdown at 1 hr is the share of the cage knocked down. Mortality at 12 and 24 hr is corrected for "
        "the control cage by Abbott's formula, corrected = 1 \u2212 St / Sc, St and Sc the surviving shares of "
        "the slide's cage and the control cage at the same hour; a negative result is shown as 0, and nothing "
        "is corrected when every control insect died or no control cage was entered. A control mortality above "
        "about 20 % makes the correction unreliable.");
}

QString katz(const NumberFormat &f)
{
    return QStringLiteral(
               "The 95 % interval of a corrected mortality follows Katz's log method for a ratio of two "
               "proportions: ln(St / Sc) \u00B1 %1 \u00D7 \u221A(1/at \u2212 1/nt + 1/ac \u2212 1/nc), a the "
               "survivors and n the insects of the slide's and the control cage; 0.5 is added to survivors and "
               "dead of both cages when a dead count is 0 or the whole cage. The ends are turned back into "
               "1 \u2212 St / Sc and clipped to 0 \u2013 100 %; when every insect of the slide's cage died the "
               "upper end is 100 %, so the interval holds its own value.")
        .arg(f.Format(kNormal975, "0.00"));
}

QString program(const ReportData &d)
{
    return QStringLiteral("Nimbrel %1, from %2. Every figure is computed afresh from the counts and cage data of "
                          "the slides as they stand when the report is printed.")
        .arg(QString::fromLatin1(NimbrelVersion), d.SourceName());
}

} // namespace

std::vector<MethodParagraph> MethodParagraphs(const ReportData &data)
{
    return {
        {QStringLiteral("Drop sizes and density"), sizeClasses(data)},
        {QStringLiteral("In-cloud weighting"), inCloud()},
        {QStringLiteral("Collection efficiency"),
         data.Set.Cloud.Method == CloudMethod::Diameter2 ? QString() : CloudMethodText(data.Set, data.Format)},
        {QStringLiteral("VMD, NMD and the other diameters"), medians()},
        {QStringLiteral("Counting intervals and the label verdict"), countingIntervals(data.Format)},
        {QStringLiteral("Mortality: Abbott's correction"), abbott()},
        {QStringLiteral("Mortality interval: Katz's log method"), katz(data.Format)},
        {QStringLiteral("Dose response"), DoseResponseMethodText(data.DoseResponse())},
        {QStringLiteral("Program"), program(data)},
    };
}

std::vector<ReportSheet> MethodsSheets(const ReportData &data)
{
    Flow flow;
    flow.Start = [](ReportPage &p, int sheet) {
        PageTitle(p, sheet == 0 ? QStringLiteral("Methods") : QStringLiteral("Methods (continued)"), TitleLowerEdge);
    };
    flow.FirstTop = flow.NextTop = TitleLowerEdge - LinePitch(16);
    for (const MethodParagraph &paragraph : MethodParagraphs(data)) {
        if (paragraph.Text.trimmed().isEmpty())
            continue;
        FlowItem heading = Paragraph(paragraph.Heading, kHeadingPoints, TextLeft, TextRight, true).front();
        heading.KeepWithNext = true;
        flow.Items.push_back(std::move(heading));
        for (FlowItem &line : Paragraph(paragraph.Text, kTextPoints, TextLeft, TextRight))
            flow.Items.push_back(std::move(line));
        flow.Items.push_back(BlankLine(kTextPoints));
    }
    return Paginate(std::move(flow));
}
