#pragma once

#include "ReportSheet.h"

// The mortality record of the caged slides: per slide the insects in the cage,
// knocked down at 1 hr and dead at 12 and 24 hr, the raw and the
// Abbott-corrected mortality with its 95 % interval; the control cage last.
// Its figures are those of the spray quality table.
TextTable CageTableOf(const ReportData &data);

// Its heading and the table, with a line in its place when no slide has a cage.
void AppendCageTable(std::vector<FlowItem> &items, const ReportData &data);
