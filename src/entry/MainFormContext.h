#pragma once

#include "model/NumberText.h"
#include "model/SlideSet.h"
#include "model/ViewState.h"

class SlideSetDocument;

#include <QString>

class QWidget;

// What the main window offers the panels and commands that live beside it (the
// parameter tabs, the mortality frame, Save and Load). The panels read the slide
// set here, change it only through the document, and then ask the window to show
// the result.
class MainFormContext
{
public:
    virtual ~MainFormContext() = default;

    // --- the document and the view ------------------------------------------
    virtual const SlideSet &Set() const = 0;
    // The one way to change the slide set; it also knows whether work is unsaved.
    virtual SlideSetDocument &Document() = 0;
    virtual ViewState &View() = 0;
    virtual const NumberFormat &Format() const = 0;
    virtual QString ListSeparator() const = 0;  // field separator of slide set files
    virtual QString &InitialDir() = 0;          // last folder of the file dialogs
    virtual QWidget *Window() = 0;              // parent of dialogs and message boxes

    // --- window operations ---------------------------------------------------
    virtual bool IsCompositeView() const = 0;   // CompositeCheck ticked
    virtual void RefreshCurrentSlide() = 0;
    virtual void FillStatsGrid() = 0;
    // CalcComposite, then CurrentVMD/CurrentNMD for the view.
    virtual void CalcCompositeAndMedians() = 0;
    // Redraws the histogram in ResultPic (nothing while results are disabled).
    virtual void DrawResult() = 0;
    virtual void UpdateHistogramLabels() = 0;
    virtual void SetHistogramRightLabel(const QString &text) = 0; // ResultLabelX2
    // Every unit caption of the window (slide tabs, slide position unit, the
    // parameter panel's own labels and the scan-length field).
    virtual void ApplyUnitLabels() = 0;
    // The count table after MaxSizeEPD changed: MaxSizeEPD + 1 rows, colours of
    // the count column, current cell row 1 column 2, sizes and diameters.
    virtual void ResizeCountTable() = 0;
    // The diameter column after µm/EPD or the spread factor changed.
    virtual void RewriteDiameterColumn() = 0;
    // Back to the no-slide state (slides, control data, descriptive fields).
    virtual void ResetSlideSet() = 0;
    // After a slide set has replaced the document: parameter fields and unit
    // option, tabs and slide cards, data entry enabled, composite check box from
    // two slides on, last slide selected, focus in txtDataEntry, Save/Load buttons.
    virtual void ShowLoadedSlideSet() = 0;
    // Focus to the "New Slide" button.
    virtual void FocusNewSlide() = 0;
};
