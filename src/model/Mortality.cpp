#include "SlideSet.h"

namespace {

// Abbott's correction written with survival fractions: one minus treated survival
// over control survival. Not computed when every control insect died.
std::optional<float> corrected(int16_t n, int16_t dead, int16_t nc, int16_t controlDead)
{
    const double controlSurvival = (double(nc) - double(controlDead)) / double(nc);
    if (controlSurvival == 0.0)
        return std::nullopt;
    const double treatedSurvival = (double(n) - double(dead)) / double(n);
    const float value = static_cast<float>(1.0 - treatedSurvival / controlSurvival);
    return value < 0.0f ? 0.0f : value;
}

} // namespace

void ComputeMortality(Slide &slide, const MortalityCounts &control)
{
    const MortalityCounts &cage = slide.Cage;
    if (cage.NumInCage <= 0 || control.NumInCage <= 0) {
        slide.Knockdown1h.reset();
        slide.Mortality12h.reset();
        slide.Mortality24h.reset();
        return;
    }
    const float knockdown = static_cast<float>(double(cage.Down1h) / double(cage.NumInCage));
    slide.Knockdown1h = knockdown < 0.0f ? 0.0f : knockdown;
    slide.Mortality12h = corrected(cage.NumInCage, cage.Dead12h, control.NumInCage, control.Dead12h);
    slide.Mortality24h = corrected(cage.NumInCage, cage.Dead24h, control.NumInCage, control.Dead24h);
}

void RecomputeMortality(SlideSet &set)
{
    for (int i = 1; i <= set.SlideCount(); ++i)
        ComputeMortality(set.Slides[i], set.ControlData);
}
