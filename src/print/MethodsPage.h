#pragma once

#include "ReportSheet.h"

// The last page: how every figure of the report was made, in plain words with
// the formulas and the constants of this set, so that a reviewer needs no
// manual.

struct MethodParagraph
{
    QString Heading;
    QString Text; // a paragraph with an empty text is left out
};

// The paragraphs in print order. A new method adds its paragraph here.
std::vector<MethodParagraph> MethodParagraphs(const ReportData &data);

std::vector<ReportSheet> MethodsSheets(const ReportData &data);
