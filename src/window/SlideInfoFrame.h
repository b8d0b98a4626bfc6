#pragma once

#include <QGroupBox>

#include <array>
#include <cstdint>
#include <optional>

class EntryFieldBehaviour;
class QFontMetrics;
class QKeyEvent;
class QLabel;
class QLineEdit;
class WindowContext;
struct Slide;

// The frame frameSlideInfo: the position of the slide on view along the line
// and the sweeps scanned on it (both editable), its scanned area and its drops.
class SlideInfoFrame : public QGroupBox
{
    Q_OBJECT
public:
    SlideInfoFrame(WindowContext &context, QWidget *parent);
    ~SlideInfoFrame() override;

    // The captions and fields in place, measured in the window's font; the
    // frame's own natural size.
    QSize Arrange(int lineHeight, const QFontMetrics &fm);

    void ShowSlide(const Slide &slide);
    // Data entry on or off; off also empties the fields.
    void SetEntryEnabled(bool enabled);
    void ApplyUnitLabel(bool metric);

    // A value typed and not yet left with Enter or Tab belongs to the slide on
    // view: committed before anything saves, asks, or shows another slide.
    void CommitFields();
    // The field holding the focus committed, as leaving it would.
    void CommitFocusedField();
    bool Committing() const { return m_committing; }

private:
    enum Field { Position = 1, Sweeps = 2 };
    void left(Field field, Qt::FocusReason reason);
    void commit(Field field);
    void commitPosition(int16_t slide, float value);
    void commitSweeps(int16_t slide, float value);
    int16_t shownSlide() const;
    bool turnSign(QKeyEvent *event);

    WindowContext &m_context;
    std::array<QLabel *, 7> lblSlideInfo{};    // 0 "Total # Drops:", 1..6 as named
    std::array<QLineEdit *, 3> txtSlideInfo{}; // 1 position, 2 sweeps
    std::array<EntryFieldBehaviour *, 3> m_fields{};
    bool m_committing = false; // a field is being committed (its message may steal the focus)
    // The slide the fields show, by its position (unique, while indices move as
    // slides are added and sorted): what is typed is committed to that slide and
    // to no other, whatever slide index the window holds by then.
    std::optional<float> m_shownPosition;
};
