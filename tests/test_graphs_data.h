#pragma once

#include "model/SlideSet.h"
#include "model/ViewState.h"

// Slide sets for the graph tests, built through the model's own operations so
// every derived figure is what the window would hold.

// A sampling line of ten slides from −45 to 45 m: drops in most classes, the
// deposit heaviest and coarsest a little downwind of the spray line, cage data on
// eight slides, a control cage with some natural mortality. The composite is
// computed and the view shows slide `current` (0: the last slide).
SlideSet MakeRealisticLine(ViewState &view, int16_t current = 0);

// Adds `count` drops of class k to slide i (through SetDropCount).
void PutDrops(SlideSet &set, ViewState &view, int16_t slide, int16_t k, int16_t count);

// Recomputes every slide's mortality, the composite and the view's medians as the
// window would after a change (composite medians when view.CompositeChecked).
void Refresh(SlideSet &set, ViewState &view);
