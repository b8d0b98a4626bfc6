#include "window/SlideInfoFrame.h"

#include "entry/NumericKeyFilter.h"
#include "entry/SlideSetDocument.h"
#include "model/Units.h"
#include "platform/ui/MessageBoxes.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

SlideInfoFrame::SlideInfoFrame(WindowContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("Slide Information"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameSlideInfo"));
    const char *captions[7] = {"Total # Drops:", "Slide Position:", "Sweeps:", "Area", "m", "", ""};
    for (int i = 0; i < 7; ++i)
        lblSlideInfo[i] = named(new QLabel(QString::fromUtf8(captions[i]), this), indexed("lblSlideInfo", i));
    for (const Field field : {Position, Sweeps}) {
        QLineEdit *box = named(new QLineEdit(this), indexed("txtSlideInfo", field));
        box->setAlignment(Qt::AlignRight);
        lblSlideInfo[field]->setBuddy(box);
        txtSlideInfo[field] = box;
        auto *behaviour = new EntryFieldBehaviour(box, FieldTyping::Decimal, context.Format().decimalSeparator(), this);
        behaviour->onEnter = [this, field] { commit(field); };
        behaviour->onLeave = [this, field, behaviour] { left(field, behaviour->LeaveReason()); };
        m_fields[field] = behaviour;
    }
    m_fields[Position]->onKey = [this](QKeyEvent *event) { return turnSign(event); };
}

SlideInfoFrame::~SlideInfoFrame()
{
    for (const Field field : {Position, Sweeps})
        m_fields[field]->Detach();
}

QSize SlideInfoFrame::Arrange(int lineHeight, const QFontMetrics &fm)
{
    const int labelWidth = fm.horizontalAdvance(lblSlideInfo[0]->text()) + 8;
    const int boxWidth = 60;
    const int unitWidth = fm.horizontalAdvance(QStringLiteral("ft")) + 6;
    const int areaWidth = fm.horizontalAdvance(QStringLiteral("= 000.00 cm \u00B2")) + 6;
    const int width = 10 + labelWidth + std::max(boxWidth + 4 + unitWidth, areaWidth) + 8;
    const int step = lineHeight;
    const int captionRow[4] = {1, 2, 3, 0}; // position, sweeps, area, total drops
    for (int row = 0; row < 4; ++row) {
        const int y = 18 + row * step;
        lblSlideInfo[captionRow[row]]->setGeometry(10, y, labelWidth, step - 2);
        if (row < 2)
            txtSlideInfo[row + 1]->setGeometry(10 + labelWidth, y, boxWidth, step - 2);
    }
    lblSlideInfo[4]->setGeometry(10 + labelWidth + boxWidth + 4, 18, unitWidth, step - 2);
    lblSlideInfo[5]->setGeometry(10 + labelWidth, 18 + 2 * step, areaWidth, step - 2);
    lblSlideInfo[6]->setGeometry(10 + labelWidth, 18 + 3 * step, areaWidth, step - 2);
    lblSlideInfo[5]->clear();
    lblSlideInfo[6]->clear();
    return QSize(width, 4 * step + 22);
}

void SlideInfoFrame::ShowSlide(const Slide &slide)
{
    const NumberFormat &format = m_context.Format();
    m_shownPosition = slide.Position;
    txtSlideInfo[Position]->setText(format.General(slide.Position));
    txtSlideInfo[Sweeps]->setText(format.General(slide.Sweeps));
    lblSlideInfo[5]->setText(QStringLiteral("= ") + format.Format(slide.Area, "0.00") + QStringLiteral(" cm ") + kSquared);
    lblSlideInfo[6]->setText(format.Format(slide.TotalDrops, "0"));
}

void SlideInfoFrame::SetEntryEnabled(bool enabled)
{
    setEnabled(enabled);
    for (QLabel *label : lblSlideInfo)
        label->setEnabled(enabled);
    for (const Field field : {Position, Sweeps}) {
        txtSlideInfo[field]->setEnabled(enabled);
        SetBoxColour(txtSlideInfo[field], enabled);
    }
    if (!enabled) {
        m_shownPosition.reset();
        txtSlideInfo[Position]->clear();
        txtSlideInfo[Sweeps]->clear();
        lblSlideInfo[5]->clear();
        lblSlideInfo[6]->clear();
    }
}

void SlideInfoFrame::ApplyUnitLabel(bool metric)
{
    lblSlideInfo[4]->setText(metric ? QStringLiteral("m") : QStringLiteral("ft"));
}

// The sign turns without disturbing what the operator has selected.
bool SlideInfoFrame::turnSign(QKeyEvent *event)
{
    if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) || event->text() != QLatin1String("-"))
        return false;
    QLineEdit *box = txtSlideInfo[Position];
    const int start = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
    const int length = int(box->selectedText().size());
    QString text = box->text();
    int newStart = start;
    if (!text.contains(QLatin1Char('-'))) {
        text.prepend(QLatin1Char('-'));
        newStart = start + 1;
    } else {
        text.remove(0, 1);
        newStart = start > 0 ? start - 1 : 0;
    }
    box->setText(text);
    if (length > 0)
        box->setSelection(newStart, length);
    else
        box->setCursorPosition(newStart);
    return true;
}

int16_t SlideInfoFrame::shownSlide() const
{
    return m_shownPosition ? FindSlideAtPosition(m_context.Set(), *m_shownPosition) : int16_t(0);
}

void SlideInfoFrame::CommitFields()
{
    const int16_t slide = shownSlide();
    if (slide == 0)
        return;
    const Slide &shown = m_context.Set().Slides[slide];
    const NumberFormat &format = m_context.Format();
    if (txtSlideInfo[Position]->text() != format.General(shown.Position))
        commit(Position);
    if (txtSlideInfo[Sweeps]->text() != format.General(shown.Sweeps))
        commit(Sweeps);
}

void SlideInfoFrame::CommitFocusedField()
{
    for (const Field field : {Position, Sweeps})
        if (txtSlideInfo[field]->hasFocus())
            commit(field);
}

void SlideInfoFrame::left(Field field, Qt::FocusReason reason)
{
    // A click on a slide tab takes the focus before the tab bar sees the press.
    // Committing a new position here would re-sort the tabs under the pointer,
    // and the press would then pick whichever slide moved there. The tab click
    // commits first and finds the clicked slide again by its position; a press
    // that selects no other tab has the field committed just after.
    if (reason == Qt::MouseFocusReason && m_context.SlideStripHasFocus()) {
        QMetaObject::invokeMethod(this, [this] { CommitFields(); }, Qt::QueuedConnection);
        return;
    }
    commit(field);
}

void SlideInfoFrame::commit(Field field)
{
    const int16_t slide = shownSlide();
    if (m_committing || slide == 0)
        return;
    const QScopedValueRollback guard(m_committing, true);
    QLineEdit *box = txtSlideInfo[field];
    const NumberFormat &format = m_context.Format();
    const Slide &shown = m_context.Set().Slides[slide];
    const float stored = field == Position ? shown.Position : shown.Sweeps;
    if (box->text().isEmpty())
        box->setText(format.General(stored));
    float value = 0;
    // Text that cannot be read ("-" or a separator alone) is treated like an empty
    // box: the stored value comes back.
    if (format.ToSingle(box->text(), value) != ParseStatus::Ok) {
        box->setText(format.General(stored));
        return;
    }
    if (field == Position)
        commitPosition(slide, value);
    else
        commitSweeps(slide, value);
}

void SlideInfoFrame::commitPosition(int16_t slide, float value)
{
    const SlideSet &set = m_context.Set();
    QLineEdit *box = txtSlideInfo[Position];
    if (value == set.Slides[slide].Position)
        return;
    const int16_t moved = m_context.Document().MoveSlide(slide, value);
    if (moved == 0) {
        // Refused: another slide lies there, or reads the same on its tab.
        MessageBoxes::Show(m_context.Window(), QStringLiteral("There is already another slide at that location."));
        box->setText(m_context.Format().General(set.Slides[slide].Position));
        return;
    }
    m_shownPosition = value;
    box->setText(m_context.Format().General(value));
    if (m_context.IsCompositeView()) {
        // The strip holds the graph tabs: the slide moves in the order and the
        // line is recomputed, the graph on view stays.
        m_context.SetCurrentSlide(moved);
        m_context.CalcCompositeAndMedians();
        m_context.RefreshCurrentSlide();
    } else {
        m_context.SetTabCaptions();
        m_context.SelectSlideTab(moved);
    }
}

void SlideInfoFrame::commitSweeps(int16_t slide, float value)
{
    const SlideSet &set = m_context.Set();
    QLineEdit *box = txtSlideInfo[Sweeps];
    if (!(value > 0.0f)) {
        box->setText(m_context.Format().General(set.Slides[slide].Sweeps));
        return;
    }
    if (value == set.Slides[slide].Sweeps)
        return;
    m_context.Document().SetSweeps(slide, value);
    box->setText(m_context.Format().General(value));
    if (m_context.IsCompositeView())
        m_context.CalcCompositeAndMedians();
    m_context.DrawResult();
    m_context.RefreshCurrentSlide();
}
