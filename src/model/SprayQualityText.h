#pragma once

#include "NumberText.h"
#include "SprayQuality.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The spray quality table as text, the same for the window's tab, the printed
// page and the clipboard, so that all three always show the same figures.

struct SprayQualityColumn
{
    QString Name; // "VMD"
    QString Unit; // "µm"; empty for a pure number
};

// Figures in parentheses are the 95 % intervals; every heading says its unit.

struct SprayQualityTexts
{
    std::vector<SprayQualityColumn> Columns;
    std::vector<QStringList> Rows; // one per slide, then the composite (its first cell "Composite")
    QString Limits;                // "Label limits: …" or "No label limits set."
    QString Verdict;               // the composite judged against them; empty without limits
    QString ToDecide;              // under a verdict not decided: how many more drops would decide it
    QStringList Note;              // what the figures in parentheses are, in two lines
};

// `intervalsPending`: the counting intervals are still being computed; their
// cells say so rather than showing nothing.
SprayQualityTexts FormatSprayQuality(const SprayQualityTable &table, const LabelLimits &limits, bool metric,
                                     const NumberFormat &format, bool intervalsPending = false);

// Tab-separated lines for a spreadsheet: a heading line, then every row; each
// interval is split into its own low and high columns so that every cell is a
// number there.
QString SprayQualityClipboardText(const SprayQualityTable &table, const LabelLimits &limits, bool metric,
                                  const NumberFormat &format);

// The columns whose cells carry an interval after the figure (VMD, Dv0.9, mortality).
std::vector<int> SprayQualityIntervalColumns();

// "about 340 more drops would decide Dv0.9 against 115 µm", or below the
// drops for any interval "at least 12 more drops are needed for the intervals
// that decide".
// An interval's ends as written: whole numbers, or a coarser step where the
// draws leave them less sure (DrawError), rounded outwards to it.
std::pair<QString, QString> IntervalEndTexts(const Interval &range, const NumberFormat &format);

QString DropsToDecideText(const DropsToDecide &toDecide, const NumberFormat &format);

// "Dv0.5 from 120 to 160 µm, Dv0.9 below 250 µm"; empty when no limit is set.
QString LabelLimitsText(const LabelLimits &limits, const NumberFormat &format);
