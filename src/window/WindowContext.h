#pragma once

#include "entry/MainFormContext.h"

class SettingsStore;

// What the main window offers the panels of its own face (slide strip, slide
// information, count table, drop entry, range table, results and composite
// graphs) beyond what every panel gets: the work still being typed elsewhere,
// and the views that follow the slide on view.
class WindowContext : public MainFormContext
{
public:
    virtual const SettingsStore &Store() const = 0;

    // A count typed into the count table and not yet left.
    virtual void CommitPendingCell() = 0;
    // A position or sweeps value typed for the slide on view and not yet left.
    virtual void CommitSlideFields() = 0;
    // True while a slide field is being committed (its message may move the focus).
    virtual bool SlideFieldsCommitting() const = 0;

    // The slide on view; choosing it is no change of the set, so not the document's.
    virtual void SetCurrentSlide(int16_t slide) = 0;
    // The slide strip: tab `tab` (1-based) chosen as a click chooses it, and the
    // slide captions rewritten after a position or the unit system changed.
    virtual void SelectSlideTab(int tab) = 0;
    virtual void SetTabCaptions() = 0;
    virtual bool SlideStripHasFocus() const = 0;
    // The count table's current cell moved to size class `sizeClass`.
    virtual void ShowSizeClass(int sizeClass) = 0;

    // The composite graph `view` (1 … 5) drawn, or the graph area emptied.
    virtual void DrawCompositeGraph(int view) = 0;
    virtual void ClearCompositeGraph() = 0;
};
