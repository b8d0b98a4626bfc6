#pragma once

#include "ReportSheet.h"

// Page 3: mortality against drop density, and the size-range chart.
std::vector<ReportSheet> MortalityRangesSheets(const ReportData &data);
