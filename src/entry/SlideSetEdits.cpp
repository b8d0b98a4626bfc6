#include "SlideSetEdits.h"

#include <functional>

void SlideSetEdit::redo()
{
    if (m_done) {
        m_done = false;
        return;
    }
    m_place = apply(true);
}

namespace SlideSetEdits {
namespace {

// 0 when no slide lies there, which a history in step with the set never meets;
// it must not reach the document, which reads 0 as the slide on view.
int16_t slideAt(const SlideSetDocument &document, float position)
{
    return FindSlideAtPosition(document.Set(), position);
}

// An edit of one slide's value between two states: the forward and backward
// steps differ only in the value they hand to the same operation.
template <class Value>
class ValueEdit : public SlideSetEdit
{
public:
    using Step = std::function<EditPlace(SlideSetDocument &, const Value &)>;
    ValueEdit(SlideSetDocument &document, Value before, Value after, Step step)
        : SlideSetEdit(document)
        , m_before(std::move(before))
        , m_after(std::move(after))
        , m_step(std::move(step))
    {
    }

protected:
    EditPlace apply(bool forward) override { return m_step(m_document, forward ? m_after : m_before); }

private:
    Value m_before, m_after;
    Step m_step;
};

class SlideMadeEdit : public SlideSetEdit
{
public:
    SlideMadeEdit(SlideSetDocument &document, float position)
        : SlideSetEdit(document)
        , m_position(position)
    {
    }

protected:
    EditPlace apply(bool forward) override
    {
        if (forward)
            return {m_document.AddSlide(m_position), 0};
        const int16_t index = slideAt(m_document, m_position);
        if (index == 0)
            return {};
        m_document.RemoveSlide(index);
        return {std::min(index, m_document.Set().SlideCount()), 0};
    }

private:
    float m_position;
};

class SlideDeletedEdit : public SlideSetEdit
{
public:
    SlideDeletedEdit(SlideSetDocument &document, int16_t index, const Slide &slide, const MortalityCounts &control)
        : SlideSetEdit(document)
        , m_index(index)
        , m_slide(slide)
        , m_control(control)
    {
    }

protected:
    EditPlace apply(bool forward) override
    {
        if (forward) {
            const int16_t index = slideAt(m_document, m_slide.Position);
            if (index == 0)
                return {};
            m_document.RemoveSlide(index);
            return {std::min(m_index, m_document.Set().SlideCount()), 0};
        }
        const int16_t index = m_document.RestoreSlide(m_index, m_slide);
        // The last slide took the control data with it.
        if (!(m_document.Set().ControlData == m_control))
            m_document.SetControlData(m_control);
        return {index, 0};
    }

private:
    int16_t m_index;
    Slide m_slide;
    MortalityCounts m_control;
};

} // namespace

SlideSetEdit *Count(SlideSetDocument &document, float position, int16_t sizeClass, int16_t before, int16_t after)
{
    return new ValueEdit<int16_t>(document, before, after,
                                  [position, sizeClass](SlideSetDocument &d, const int16_t &count) {
                                      const int16_t index = slideAt(d, position);
                                      if (index == 0)
                                          return EditPlace{};
                                      d.SetDropCount(index, sizeClass, count);
                                      return EditPlace{index, sizeClass};
                                  });
}

SlideSetEdit *SlideMade(SlideSetDocument &document, float position)
{
    return new SlideMadeEdit(document, position);
}

SlideSetEdit *SlideDeleted(SlideSetDocument &document, int16_t index, const Slide &slide,
                           const MortalityCounts &controlBefore)
{
    return new SlideDeletedEdit(document, index, slide, controlBefore);
}

SlideSetEdit *SlideMoved(SlideSetDocument &document, float from, float to)
{
    // The slide is found where the step before left it.
    return new ValueEdit<float>(document, from, to, [from, to](SlideSetDocument &d, const float &position) {
        const int16_t index = slideAt(d, position == to ? from : to);
        return index == 0 ? EditPlace{} : EditPlace{d.MoveSlide(index, position), 0};
    });
}

SlideSetEdit *Sweeps(SlideSetDocument &document, float position, float before, float after)
{
    return new ValueEdit<float>(document, before, after, [position](SlideSetDocument &d, const float &sweeps) {
        const int16_t index = slideAt(d, position);
        if (index == 0)
            return EditPlace{};
        d.SetSweeps(index, sweeps);
        return EditPlace{index, 0};
    });
}

SlideSetEdit *Cage(SlideSetDocument &document, float position, const MortalityCounts &before,
                   const MortalityCounts &after)
{
    return new ValueEdit<MortalityCounts>(document, before, after,
                                          [position](SlideSetDocument &d, const MortalityCounts &cage) {
                                              const int16_t index = slideAt(d, position);
                                              if (index == 0)
                                                  return EditPlace{};
                                              d.SetCage(index, cage);
                                              return EditPlace{index, 0};
                                          });
}

SlideSetEdit *ControlData(SlideSetDocument &document, const MortalityCounts &before, const MortalityCounts &after)
{
    return new ValueEdit<MortalityCounts>(document, before, after, [](SlideSetDocument &d, const MortalityCounts &c) {
        d.SetControlData(c);
        return EditPlace{};
    });
}

} // namespace SlideSetEdits
