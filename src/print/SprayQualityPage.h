#pragma once

#include "ReportSheet.h"

// The spray quality table of the Spray Quality tab, every slide and the
// composite, the label limits and the verdict; then the table of the caged
// slides. Both continue onto as many sheets as they need.
std::vector<ReportSheet> SprayQualitySheets(const ReportData &data);
