#pragma once

#include "ReportSheet.h"

// Page 1: the analysis parameters with their units, the composite results and
// the control cage. A parameter text too long for its line wraps under its
// value column; should the page overflow, it continues on another sheet.
std::vector<ReportSheet> ParametersSheets(const ReportData &data);
