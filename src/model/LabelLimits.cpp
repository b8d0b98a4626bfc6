#include "LabelLimits.h"

std::optional<LabelVerdict> JudgeLabelLimits(const LabelLimits &limits, const std::optional<Interval> &dv05,
                                             const std::optional<Interval> &dv09)
{
    if (!limits.Any())
        return std::nullopt;
    const bool limitsDv05 = limits.Dv05From || limits.Dv05To;
    if ((limitsDv05 && !dv05) || (limits.Dv09Below && !dv09))
        return std::nullopt;

    bool outside = false, within = true;
    if (limits.Dv05From) {
        outside = outside || dv05->High < *limits.Dv05From;
        within = within && dv05->Low >= *limits.Dv05From;
    }
    if (limits.Dv05To) {
        outside = outside || dv05->Low > *limits.Dv05To;
        within = within && dv05->High <= *limits.Dv05To;
    }
    if (limits.Dv09Below) {
        outside = outside || dv09->Low >= *limits.Dv09Below;
        within = within && dv09->High < *limits.Dv09Below;
    }
    if (outside)
        return LabelVerdict::Outside;
    return within ? LabelVerdict::Within : LabelVerdict::NotDecided;
}

QString LabelVerdictText(LabelVerdict verdict)
{
    switch (verdict) {
    case LabelVerdict::Within:
        return QStringLiteral("within the label limits");
    case LabelVerdict::Outside:
        return QStringLiteral("outside the label limits");
    case LabelVerdict::NotDecided:
        break;
    }
    return QStringLiteral("not decided: count more drops");
}
