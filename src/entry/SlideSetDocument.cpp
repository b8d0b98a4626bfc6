#include "SlideSetDocument.h"

#include "SlideSetEdits.h"

#include <QScopedValueRollback>

#include <utility>

namespace {

// What the undo history does not hold.
constexpr SlideSetParts kUnrecorded =
    SlideSetPart::Optics | SlideSetPart::SizeClasses | SlideSetPart::Units | SlideSetPart::Texts;

int16_t countAt(const SlideSet &set, int16_t slide, int16_t sizeClass)
{
    if (slide < 1 || slide > set.SlideCount() || sizeClass < 0 || size_t(sizeClass) >= set.Slides[slide].Counts.size())
        return 0;
    return set.Slides[slide].Counts[sizeClass];
}

} // namespace

SlideSetDocument::SlideSetDocument(SlideSet &set, int16_t &largestSizeFound, QObject *parent)
    : QObject(parent)
    , m_set(set)
    , m_largestSizeFound(largestSizeFound)
{
}

void SlideSetDocument::MarkSaved()
{
    m_history.setClean();
    setModified(false);
}

void SlideSetDocument::MarkUnsaved()
{
    // Nothing in the history leads back to a saved state.
    m_history.resetClean();
    setModified(true);
}

void SlideSetDocument::record(SlideSetEdit *edit)
{
    if (m_replaying) {
        delete edit;
        return;
    }
    m_history.push(edit);
}

std::optional<EditPlace> SlideSetDocument::replay(bool undo)
{
    if (undo ? !m_history.canUndo() : !m_history.canRedo())
        return std::nullopt;
    {
        const QScopedValueRollback guard(m_replaying, true);
        if (undo)
            m_history.undo();
        else
            m_history.redo();
    }
    setModified(!m_history.isClean());
    const int at = undo ? m_history.index() : m_history.index() - 1;
    return static_cast<const SlideSetEdit *>(m_history.command(at))->Place();
}

std::optional<EditPlace> SlideSetDocument::Undo()
{
    return replay(true);
}

std::optional<EditPlace> SlideSetDocument::Redo()
{
    return replay(false);
}

void SlideSetDocument::changed(SlideSetParts what, int16_t slide)
{
    m_modified = true;
    // Undo cannot bring back the saved state past a change it does not hold.
    if (what.testAnyFlags(kUnrecorded))
        m_history.resetClean();
    emit Changed(SlideSetChange{what, slide});
}

CountResult SlideSetDocument::AddDrop(int16_t slide, int16_t sizeClass)
{
    const int16_t index = resolve(slide);
    const int16_t before = countAt(m_set, index, sizeClass);
    const CountResult result = ::AddDrop(m_set, sizeClass, index, m_largestSizeFound);
    if (result == CountResult::Ok) {
        changed(SlideSetPart::Counts, index);
        recordCount(index, sizeClass, before);
    }
    return result;
}

CountResult SlideSetDocument::SetDropCount(int16_t slide, int16_t sizeClass, int16_t count)
{
    const int16_t index = resolve(slide);
    const int16_t before = countAt(m_set, index, sizeClass);
    const CountResult result = ::SetDropCount(m_set, sizeClass, count, index, m_largestSizeFound);
    if (result == CountResult::Ok) {
        changed(SlideSetPart::Counts, index);
        recordCount(index, sizeClass, before);
    }
    return result;
}

void SlideSetDocument::recordCount(int16_t index, int16_t sizeClass, int16_t before)
{
    const int16_t after = countAt(m_set, index, sizeClass);
    if (after != before)
        record(SlideSetEdits::Count(*this, m_set.Slides[index].Position, sizeClass, before, after));
}

bool SlideSetDocument::takenAlike(float position, int16_t except) const
{
    // A replayed change restores a state the set has been in, loaded sets with
    // look-alike positions included; only exact duplicates are impossible there.
    if (m_replaying) {
        const int16_t at = FindSlideAtPosition(m_set, position);
        return at != 0 && at != except;
    }
    return FindSlideShownAlike(m_set, position, except) != 0;
}

int16_t SlideSetDocument::AddSlide(float position)
{
    if (takenAlike(position, 0))
        return 0;
    const int16_t added = ::AddSlide(m_set, position);
    if (added == 0)
        return 0;
    const int16_t index = SortSlidesByPosition(m_set, added);
    changed(SlideSetPart::SlideMade, index);
    record(SlideSetEdits::SlideMade(*this, position));
    return index;
}

int16_t SlideSetDocument::MoveSlide(int16_t slide, float position)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return 0;
    if (m_set.Slides[index].Position == position)
        return index;
    if (takenAlike(position, index))
        return 0;
    const float from = m_set.Slides[index].Position;
    m_set.Slides[index].Position = position;
    const int16_t sorted = SortSlidesByPosition(m_set, index);
    changed(SlideSetPart::SlideMoved, sorted);
    record(SlideSetEdits::SlideMoved(*this, from, position));
    return sorted;
}

bool SlideSetDocument::SetSweeps(int16_t slide, float sweeps)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount() || !(sweeps > 0.0f))
        return false;
    Slide &record = m_set.Slides[index];
    if (record.Sweeps == sweeps)
        return true;
    const float before = record.Sweeps;
    record.Sweeps = sweeps;
    ComputeSlideArea(record, m_set.Params);
    ::SetDropCount(m_set, 0, 0, index, m_largestSizeFound);
    changed(SlideSetPart::Sweeps, index);
    this->record(SlideSetEdits::Sweeps(*this, record.Position, before, sweeps));
    return true;
}

void SlideSetDocument::RemoveSlide(int16_t slide)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return;
    const Slide removed = m_set.Slides[index];
    const MortalityCounts control = m_set.ControlData;
    ::RemoveSlide(m_set, index);
    // Control data belong to a trial with slides; the last slide gone, they go too.
    if (m_set.SlideCount() == 0)
        m_set.ControlData = MortalityCounts();
    changed(SlideSetPart::SlideDeleted, index);
    record(SlideSetEdits::SlideDeleted(*this, index, removed, control));
}

int16_t SlideSetDocument::RestoreSlide(int16_t index, Slide slide)
{
    if (index < 1 || index > m_set.SlideCount() + 1 || FindSlideAtPosition(m_set, slide.Position) != 0
        || slide.Counts.size() != size_t(m_set.Params.MaxSizeEPD) + 1)
        return 0;
    m_set.Slides.insert(m_set.Slides.begin() + index, std::move(slide));
    const int16_t sorted = SortSlidesByPosition(m_set, index);
    // Figures as the present optics and control cage give them.
    Slide &record = m_set.Slides[sorted];
    ComputeSlideArea(record, m_set.Params);
    ::SetDropCount(m_set, 0, 0, sorted, m_largestSizeFound);
    ComputeMortality(record, m_set.ControlData);
    changed(SlideSetPart::SlideMade, sorted);
    return sorted;
}

void SlideSetDocument::Clear()
{
    m_set.CurrentSlide = 0;
    ClearSlides(m_set);
    m_set.Texts = ParameterTexts();
    m_largestSizeFound = 0;
    changed(SlideSetPart::Whole);
    // Nothing is left that could be lost, nor undone.
    m_history.clear();
    setModified(false);
}

void SlideSetDocument::Replace(SlideSet set, int16_t largestSizeFound)
{
    // The weighting is the window's, not the file's.
    const CloudWeighting weighting = m_set.Cloud;
    m_set = std::move(set);
    SortSlidesByPosition(m_set, 0);
    if (!(m_set.Cloud == weighting)) {
        m_set.Cloud = weighting;
        RecomputeSlides(m_set, largestSizeFound);
    }
    RecomputeMortality(m_set);
    m_largestSizeFound = std::max(m_largestSizeFound, largestSizeFound);
    changed(SlideSetPart::Whole);
    m_history.clear();
    setModified(false);
}

void SlideSetDocument::opticsChanged()
{
    RecomputeSlides(m_set, m_largestSizeFound);
}

void SlideSetDocument::SetScanLength(float centimetres)
{
    m_set.Params.ScanLength = centimetres;
    opticsChanged();
    changed(SlideSetPart::Optics);
}

void SlideSetDocument::SetMaxSizeEPD(int16_t classes)
{
    // Edits of classes that are gone, or of slides sized for the old classes,
    // cannot be replayed.
    if (classes != m_set.Params.MaxSizeEPD)
        m_history.clear();
    m_set.Params.MaxSizeEPD = classes;
    ResizeClassArrays(m_set, m_largestSizeFound);
    opticsChanged();
    changed(SlideSetPart::SizeClasses | SlideSetPart::Optics);
}

void SlideSetDocument::SetMicronsPerEPD(float microns)
{
    m_set.Params.MicronsPerEPD = microns;
    opticsChanged();
    changed(SlideSetPart::Optics);
}

void SlideSetDocument::SetSpreadFactor(float factor)
{
    m_set.Params.SpreadFactor = factor;
    opticsChanged();
    changed(SlideSetPart::Optics);
}

void SlideSetDocument::SetMetric(bool metric)
{
    if (m_set.Params.Metric == metric)
        return;
    // Nothing stored is converted: only captions change (and the reading of the
    // air temperature and wind speed the impaction model uses).
    m_set.Params.Metric = metric;
    changed(weightingInputsChanged() ? SlideSetPart::Units | SlideSetPart::Weighting : SlideSetPart::Units);
}

bool SlideSetDocument::weightingInputsChanged()
{
    if (m_set.Cloud.Method == CloudMethod::Diameter2)
        return false;
    RecomputeSlides(m_set, m_largestSizeFound);
    return true;
}

void SlideSetDocument::SetCloudWeighting(const CloudWeighting &weighting)
{
    if (m_set.Cloud == weighting)
        return;
    m_set.Cloud = weighting;
    RecomputeSlides(m_set, m_largestSizeFound);
    emit Changed(SlideSetChange{SlideSetPart::Weighting, 0});
}

void SlideSetDocument::SetText(QString ParameterTexts::*field, const QString &text)
{
    if (m_set.Texts.*field == text)
        return;
    m_set.Texts.*field = text;
    const bool air = field == &ParameterTexts::AirTemp || field == &ParameterTexts::WindSpeed;
    changed(air && weightingInputsChanged() ? SlideSetPart::Texts | SlideSetPart::Weighting : SlideSetPart::Texts);
}

void SlideSetDocument::SetCage(int16_t slide, const MortalityCounts &cage)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return;
    Slide &record = m_set.Slides[index];
    const MortalityCounts before = record.Cage;
    record.Cage = cage;
    ComputeMortality(record, m_set.ControlData);
    changed(SlideSetPart::Cage, index);
    if (!(before == cage))
        this->record(SlideSetEdits::Cage(*this, record.Position, before, cage));
}

void SlideSetDocument::SetControlData(const MortalityCounts &control)
{
    const MortalityCounts before = m_set.ControlData;
    m_set.ControlData = control;
    RecomputeMortality(m_set);
    changed(SlideSetPart::ControlData);
    if (!(before == control))
        record(SlideSetEdits::ControlData(*this, before, control));
}
