#pragma once

#include "model/DoseResponse.h"
#include "model/LabelLimits.h"
#include "model/NumberText.h"
#include "model/SlideSet.h"

#include <QString>
#include <QStringList>

#include <functional>

// The slide set as an Office Open XML workbook for analysis elsewhere: one plain
// table per sheet with a single header row, every figure a number cell with a
// number format and its unit in the header, and an empty cell wherever a figure
// does not exist (no cage, no control, no drops) rather than a 0 that would be
// averaged in.

struct WorkbookInput
{
    const SlideSet *Set = nullptr;
    QString SourceFile;     // the slide set file, for the "Trial" sheet; empty for unsaved work
    LabelLimits Limits;     // the composite is judged against these
    NumberFormat Format;    // reads the numeric parameter texts as the operator typed them
    DoseResponseOptions Dose; // the link and deposit of the dose-response fit (every hour is fitted)
};

// The sheet names, in order.
QStringList WorkbookSheetNames();

// Writes the workbook to `path` under a temporary name in the same folder and
// puts it in place only once it is complete: on any failure an earlier file of
// that name is left as it was and nothing else stays behind. Returns an empty
// text on success, otherwise what went wrong, for a person.
QString WriteWorkbook(const QString &path, const WorkbookInput &input);

// Seam for tests: runs between the complete temporary file and the rename; a
// non-empty text returned fails the write with that reason.
void SetWorkbookBeforeRenameHook(std::function<QString(const QString &temporaryPath)> hook);
