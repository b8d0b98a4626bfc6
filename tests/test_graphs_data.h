#pragma once

#include "model/SlideSet.h"
#include "model/ViewState.h"

// Ten slides from −45 to 45 m, drops in most classes, heaviest and coarsest a little
// downwind of the spray line, cages beside all but the outermost two, a control cage
// with some natural mortality; slide `current` (0: the last) on view. As tests/data/realistic-line.csv.
SlideSet MakeRealisticLine(ViewState &view, int16_t current = 0);

void PutDrops(SlideSet &set, ViewState &view, int16_t slide, int16_t k, int16_t count);

// Recomputes mortality, the composite and the view's medians as the window would.
void Refresh(SlideSet &set, ViewState &view);
