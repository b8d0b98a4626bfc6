#pragma once

#include "SlideSetDocument.h"

#include <QUndoCommand>

// One operator action on the slide set as the undo history keeps it. It is pushed
// after the document has made the change; undo and redo call the document's own
// operations, so replaying a change cannot differ from making it. Slides are found
// by position, which no two slides share, so an edit stays with its slide however
// the strip has been reordered since.
class SlideSetEdit : public QUndoCommand
{
public:
    explicit SlideSetEdit(SlideSetDocument &document)
        : m_document(document)
    {
    }
    void undo() final { m_place = apply(false); }
    void redo() final;
    // Where the last undo or redo happened.
    const EditPlace &Place() const { return m_place; }

protected:
    virtual EditPlace apply(bool forward) = 0;
    SlideSetDocument &m_document;

private:
    bool m_done = true; // the operator has just made it: the push must not repeat it
    EditPlace m_place;
};

namespace SlideSetEdits {

SlideSetEdit *Count(SlideSetDocument &document, float position, int16_t sizeClass, int16_t before, int16_t after);
SlideSetEdit *SlideMade(SlideSetDocument &document, float position);
// The slide as it was at `index`, and the control data before, which go with the last slide.
SlideSetEdit *SlideDeleted(SlideSetDocument &document, int16_t index, const Slide &slide,
                           const MortalityCounts &controlBefore);
SlideSetEdit *SlideMoved(SlideSetDocument &document, float from, float to);
SlideSetEdit *Sweeps(SlideSetDocument &document, float position, float before, float after);
SlideSetEdit *Cage(SlideSetDocument &document, float position, const MortalityCounts &before,
                   const MortalityCounts &after);
SlideSetEdit *ControlData(SlideSetDocument &document, const MortalityCounts &before, const MortalityCounts &after);

} // namespace SlideSetEdits
