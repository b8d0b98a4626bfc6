#pragma once

#include "ReportPages.h"

// The report's dose-response page below its banner and title: the graph of
// mortality against deposit with the fitted curve, and the table of the fit;
// when no fit exists, one line saying why. Drawn on the page's own scale
// (inches, y up from the bottom edge) and left on it.
void DrawDoseResponsePage(DrawingSurface &dest, bool destIsPrinter, const ReportData &data);
