#pragma once

#include "model/SlideSet.h"

#include <QFlags>
#include <QObject>
#include <QUndoStack>

#include <cstdint>
#include <optional>

class SlideSetEdit;

// What a change of the slide set touched. Views refresh by it; the undo stack and
// the recovery writer record by it.
enum class SlideSetPart : uint32_t {
    Counts = 1u << 0,      // the drop counts of one slide, and its statistics
    SlideMade = 1u << 1,   // a new slide (the order may have changed)
    SlideMoved = 1u << 2,  // a slide's position (the order may have changed)
    SlideDeleted = 1u << 3,
    Sweeps = 1u << 4,      // a slide's sweeps, and with them its area and density
    Optics = 1u << 5,      // scan length, µm/EPD or spread factor: every slide recomputed
    SizeClasses = 1u << 6, // EPD on the reticule: every slide's classes resized
    Units = 1u << 7,
    Texts = 1u << 8,       // a descriptive parameter
    Cage = 1u << 9,        // one slide's cage counts and its mortality
    ControlData = 1u << 10, // the control cage, and every slide's corrected mortality
    Whole = 1u << 11,      // the whole set replaced (a load) or emptied
    Weighting = 1u << 12,  // the in-cloud weighting or what it rests on: every slide's in-cloud figures recomputed
};
Q_DECLARE_FLAGS(SlideSetParts, SlideSetPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(SlideSetParts)

struct SlideSetChange
{
    SlideSetParts What;
    int16_t Slide = 0; // the slide concerned, by its index after the change (0: set-wide)
};

// Where an undone or redone change happened: the slide (0: set-wide) and the
// size class (0: none), for the window to show it.
struct EditPlace
{
    int16_t Slide = 0;
    int16_t SizeClass = 0;
};

// The slide set of the window and the one way to change it: each operation calls
// the model, marks the work unsaved and then announces what changed. Choosing the
// slide on view (CurrentSlide) is no change of the set and happens elsewhere.
class SlideSetDocument : public QObject
{
    Q_OBJECT
public:
    // Over the window's set and the largest size class seen so far (which only
    // grows with counting; the window shrinks it when drops go).
    SlideSetDocument(SlideSet &set, int16_t &largestSizeFound, QObject *parent = nullptr);

    const SlideSet &Set() const { return m_set; }

    // Unsaved work: set by every change, cleared by a save, a load or emptying, and
    // by undoing or redoing back to the state last saved. A set recovered after a
    // crash is loaded and then marked unsaved again.
    bool IsModified() const { return m_modified; }
    void MarkSaved();
    void MarkUnsaved();

    // --- undo history -----------------------------------------------------------------
    // The counting is recorded: counts, slides made, moved and deleted, sweeps, cages
    // and the control data. Descriptive texts, units and optics are not; changing
    // the EPD on the reticule resizes every slide and ends the history, as do a load
    // and emptying the set.
    const QUndoStack &History() const { return m_history; }
    // Where the change undone or redone happened; nothing when there was none.
    std::optional<EditPlace> Undo();
    std::optional<EditPlace> Redo();

    // --- drops (slide 0: the one on view) -----------------------------------------
    CountResult AddDrop(int16_t slide, int16_t sizeClass);
    CountResult SetDropCount(int16_t slide, int16_t sizeClass, int16_t count);

    // --- slides -------------------------------------------------------------------
    // A new slide at `position`, sorted into place; its index, or 0 when the set is
    // full or another slide lies there or reads the same (FindSlideShownAlike).
    int16_t AddSlide(float position);
    // The slide's new position, sorted into place; its new index, or 0 when another
    // slide lies there or reads the same.
    int16_t MoveSlide(int16_t slide, float position);
    // False for no positive number of sweeps.
    bool SetSweeps(int16_t slide, float sweeps);
    // With the last slide go the control data.
    void RemoveSlide(int16_t slide);
    // A deleted slide back at `index` (its statistics and mortality recomputed);
    // its new index, or 0 when another slide lies at its position.
    int16_t RestoreSlide(int16_t index, Slide slide);
    // No slides, no control data, no descriptive texts; nothing left unsaved.
    void Clear();
    // A loaded set, its slides in position order and their mortality computed.
    void Replace(SlideSet set, int16_t largestSizeFound);

    // --- parameters -----------------------------------------------------------------
    void SetScanLength(float centimetres);
    void SetMaxSizeEPD(int16_t classes);
    void SetMicronsPerEPD(float microns);
    void SetSpreadFactor(float factor);
    void SetMetric(bool metric);
    void SetText(QString ParameterTexts::*field, const QString &text);
    // How the in-cloud figures weight the counts: every slide recomputed. The
    // file's figures do not depend on it, so the work does not become unsaved.
    void SetCloudWeighting(const CloudWeighting &weighting);

    // --- mortality --------------------------------------------------------------------
    void SetCage(int16_t slide, const MortalityCounts &cage);
    void SetControlData(const MortalityCounts &control);

signals:
    void Changed(const SlideSetChange &change);
    // The set's standing against the file on disk: after a save, an undo or redo
    // to or from the saved state, a load or emptying (both leave nothing unsaved),
    // and a recovered set marked unsaved.
    void ModifiedMarked(bool modified);

private:
    int16_t resolve(int16_t slide) const { return slide == 0 ? m_set.CurrentSlide : slide; }
    void changed(SlideSetParts what, int16_t slide = 0);
    bool takenAlike(float position, int16_t except) const;
    void opticsChanged();
    // After the air temperature, the wind speed or the units changed: true when
    // the in-cloud figures rest on them and were recomputed.
    bool weightingInputsChanged();
    void setModified(bool modified)
    {
        m_modified = modified;
        emit ModifiedMarked(modified);
    }
    void record(SlideSetEdit *edit);
    void recordCount(int16_t index, int16_t sizeClass, int16_t before);
    std::optional<EditPlace> replay(bool undo);

    SlideSet &m_set;
    int16_t &m_largestSizeFound;
    bool m_modified = false;
    QUndoStack m_history;
    bool m_replaying = false; // an undo or redo is calling the operations
};
