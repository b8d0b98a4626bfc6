#include "MortalityInterval.h"

#include <algorithm>
#include <cmath>

std::optional<Interval> CorrectedMortalityInterval(int inCage, int dead, int controlInCage, int controlDead)
{
    if (inCage <= 0 || controlInCage <= 0 || controlDead >= controlInCage)
        return std::nullopt; // no cage, or every control insect dead: no corrected mortality
    if (dead < 0 || dead > inCage || controlDead < 0)
        return std::nullopt; // counts that cannot describe a cage
    double n = inCage, alive = inCage - dead, nc = controlInCage, aliveC = controlInCage - controlDead;
    if (dead == 0 || dead == inCage || controlDead == 0) {
        // A survival of 0 or 1 has no finite log or variance.
        n += 1;
        alive += 0.5;
        nc += 1;
        aliveC += 0.5;
    }
    const double logRatio = std::log((alive / n) / (aliveC / nc));
    const double se = std::sqrt(1 / alive - 1 / n + 1 / aliveC - 1 / nc);
    const double lowRatio = std::exp(logRatio - kNormal975 * se);
    const double highRatio = std::exp(logRatio + kNormal975 * se);
    auto clip = [](double v) { return float(std::clamp(v, 0.0, 1.0)); };
    // Every treated insect dead: the corrected mortality is 100 %, and no
    // interval that leaves out its own value will do; the upper end is 100 %.
    const float high = dead == inCage ? 1.0f : clip(1 - lowRatio);
    return Interval{clip(1 - highRatio), high};
}
