#include "SlideSetDocument.h"

#include <utility>

SlideSetDocument::SlideSetDocument(SlideSet &set, int16_t &largestSizeFound, QObject *parent)
    : QObject(parent)
    , m_set(set)
    , m_largestSizeFound(largestSizeFound)
{
}

void SlideSetDocument::changed(SlideSetParts what, int16_t slide)
{
    m_modified = true;
    emit Changed(SlideSetChange{what, slide});
}

CountResult SlideSetDocument::AddDrop(int16_t slide, int16_t sizeClass)
{
    const int16_t index = resolve(slide);
    const CountResult result = ::AddDrop(m_set, sizeClass, index, m_largestSizeFound);
    if (result == CountResult::Ok)
        changed(SlideSetPart::Counts, index);
    return result;
}

CountResult SlideSetDocument::SetDropCount(int16_t slide, int16_t sizeClass, int16_t count)
{
    const int16_t index = resolve(slide);
    const CountResult result = ::SetDropCount(m_set, sizeClass, count, index, m_largestSizeFound);
    if (result == CountResult::Ok)
        changed(SlideSetPart::Counts, index);
    return result;
}

int16_t SlideSetDocument::AddSlide(float position)
{
    const int16_t added = ::AddSlide(m_set, position);
    if (added == 0)
        return 0;
    const int16_t index = SortSlidesByPosition(m_set, added);
    changed(SlideSetPart::SlideMade, index);
    return index;
}

int16_t SlideSetDocument::MoveSlide(int16_t slide, float position)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return 0;
    if (m_set.Slides[index].Position == position)
        return index;
    if (FindSlideAtPosition(m_set, position) != 0)
        return 0;
    m_set.Slides[index].Position = position;
    const int16_t sorted = SortSlidesByPosition(m_set, index);
    changed(SlideSetPart::SlideMoved, sorted);
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
    record.Sweeps = sweeps;
    ComputeSlideArea(record, m_set.Params);
    ::SetDropCount(m_set, 0, 0, index, m_largestSizeFound);
    changed(SlideSetPart::Sweeps, index);
    return true;
}

void SlideSetDocument::RemoveSlide(int16_t slide)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return;
    ::RemoveSlide(m_set, index);
    // Control data belong to a trial with slides; the last slide gone, they go too.
    if (m_set.SlideCount() == 0)
        m_set.ControlData = MortalityCounts();
    changed(SlideSetPart::SlideDeleted, index);
}

void SlideSetDocument::Clear()
{
    m_set.CurrentSlide = 0;
    ClearSlides(m_set);
    m_set.Texts = ParameterTexts();
    m_largestSizeFound = 0;
    changed(SlideSetPart::Whole);
    // Nothing is left that could be lost.
    m_modified = false;
}

void SlideSetDocument::Replace(SlideSet set, int16_t largestSizeFound)
{
    m_set = std::move(set);
    SortSlidesByPosition(m_set, 0);
    RecomputeMortality(m_set);
    m_largestSizeFound = std::max(m_largestSizeFound, largestSizeFound);
    changed(SlideSetPart::Whole);
    m_modified = false;
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
    // Nothing stored is converted: only captions change.
    m_set.Params.Metric = metric;
    changed(SlideSetPart::Units);
}

void SlideSetDocument::SetText(QString ParameterTexts::*field, const QString &text)
{
    if (m_set.Texts.*field == text)
        return;
    m_set.Texts.*field = text;
    changed(SlideSetPart::Texts);
}

void SlideSetDocument::SetCage(int16_t slide, const MortalityCounts &cage)
{
    const int16_t index = resolve(slide);
    if (index < 1 || index > m_set.SlideCount())
        return;
    Slide &record = m_set.Slides[index];
    record.Cage = cage;
    ComputeMortality(record, m_set.ControlData);
    changed(SlideSetPart::Cage, index);
}

void SlideSetDocument::SetControlData(const MortalityCounts &control)
{
    m_set.ControlData = control;
    RecomputeMortality(m_set);
    changed(SlideSetPart::ControlData);
}
