#pragma once

#include "ReportSheet.h"

// Page 2: mortality, VMD, NMD and drop density against slide position, four
// panels one above the other, and a box per slide labelled with its position.
std::vector<ReportSheet> LineDataSheets(const ReportData &data);
