#include "LabelLimits.h"

#include <cmath>
#include <vector>

namespace {

// One limit as a closed bound on one figure: `upper` for "up to" and "below".
struct Bound
{
    const char *Figure;
    float Limit;
    bool Upper;
    float Estimate;
    const std::optional<Interval> *Range;
};

std::vector<Bound> boundsOf(const LabelLimits &l, float dv05, float dv09, const std::optional<Interval> &i05,
                            const std::optional<Interval> &i09)
{
    std::vector<Bound> b;
    if (l.Dv05From)
        b.push_back({"Dv0.5", *l.Dv05From, false, dv05, &i05});
    if (l.Dv05To)
        b.push_back({"Dv0.5", *l.Dv05To, true, dv05, &i05});
    if (l.Dv09Below)
        b.push_back({"Dv0.9", *l.Dv09Below, true, dv09, &i09});
    return b;
}

bool met(const Bound &b, const Interval &i) { return b.Upper ? i.High <= b.Limit : i.Low >= b.Limit; }
bool missed(const Bound &b, const Interval &i) { return b.Upper ? i.Low > b.Limit : i.High < b.Limit; }

} // namespace

std::optional<LabelVerdict> JudgeLabelLimits(const LabelLimits &limits, int64_t drops,
                                             const std::optional<Interval> &dv05, const std::optional<Interval> &dv09)
{
    if (!limits.Any() || drops <= 0)
        return std::nullopt;
    bool outside = false, within = true;
    for (const Bound &b : boundsOf(limits, 0, 0, dv05, dv09)) {
        if (!*b.Range) {
            within = false;
            continue;
        }
        outside = outside || missed(b, **b.Range);
        within = within && met(b, **b.Range);
    }
    if (outside)
        return LabelVerdict::Outside;
    return within ? LabelVerdict::Within : LabelVerdict::NotDecided;
}

std::optional<DropsToDecide> CountToDecide(const LabelLimits &limits, int64_t drops, float dv05, float dv09,
                                           const std::optional<Interval> &dv05Interval,
                                           const std::optional<Interval> &dv09Interval)
{
    if (JudgeLabelLimits(limits, drops, dv05Interval, dv09Interval) != LabelVerdict::NotDecided)
        return std::nullopt;
    if (drops < kMinimumDrops)
        return DropsToDecide{kMinimumDrops - drops, true, "", 0};

    std::optional<DropsToDecide> inside, beyond; // estimates within / beyond the limit crossed
    for (const Bound &b : boundsOf(limits, dv05, dv09, dv05Interval, dv09Interval)) {
        if (!*b.Range)
            return std::nullopt;
        const Interval &i = **b.Range;
        if (met(b, i) || missed(b, i))
            continue;
        const double distance = std::abs(double(b.Estimate) - double(b.Limit));
        const bool limitAbove = b.Limit > b.Estimate;
        const double half = limitAbove ? double(i.High) - b.Estimate : b.Estimate - double(i.Low);
        if (!(distance > 0) || !(half > 0))
            return std::nullopt; // on the limit: no count of drops clears it
        const double needed = std::ceil(double(drops) * (half / distance) * (half / distance));
        const DropsToDecide d{std::max<int64_t>(int64_t(needed) - drops, 1), false, b.Figure, b.Limit};
        const bool estimateBeyond = b.Upper ? b.Estimate > b.Limit : b.Estimate < b.Limit;
        std::optional<DropsToDecide> &into = estimateBeyond ? beyond : inside;
        if (!into || (estimateBeyond ? d.MoreDrops < into->MoreDrops : d.MoreDrops > into->MoreDrops))
            into = d;
    }
    return beyond ? beyond : inside;
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
