#pragma once

#include "CountingIntervals.h"

#include <optional>

// 95 % interval of the Abbott-corrected mortality 1 − St/Sc of one cage against
// the control cage (counts of insects and of dead at the same hour), by Katz's
// log method on the survival ratio. When a dead count of the pair is 0 or the
// whole cage, 0.5 is added to the dead and to the living of both cages; when
// every treated insect died the upper end is 1. Clipped to 0 … 1. Empty wherever
// the corrected mortality itself is not computed.
std::optional<Interval> CorrectedMortalityInterval(int inCage, int dead, int controlInCage, int controlDead);

