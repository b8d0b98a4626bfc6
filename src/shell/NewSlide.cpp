// New Slide, and the two fields of the slide on view: its position along the
// line and the sweeps scanned on it.
#include "shell/MainForm.h"

#include "entry/NumericKeyFilter.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmSlidePos.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QScopedValueRollback>

void MainForm::NewSlideCommand()
{
    if (IsCompositeView())
        return;
    CommitPendingCell();
    CommitSlideFields();
    if (m_set.SlideCount() >= kMaxCounter) {
        MessageBoxes::Show(this, QStringLiteral("No more slides can be added to this slide set."));
        return;
    }

    // Left where the toolkit puts it: centred on the window and wholly on screen.
    frmSlidePos dialog(m_set, m_format, this);
    dialog.exec();
    if (dialog.Cancelled)
        return;

    btnLoadData->setEnabled(false);
    btnSaveData->setEnabled(true);
    const int16_t index = m_document->AddSlide(dialog.SlidePos);
    if (index == 0)
        return;
    const int16_t count = m_set.SlideCount();

    {
        const QScopedValueRollback guard(m_tabsUpdating, true);
        if (count == 1) {
            SlideStrip->setTabText(0, SlideTabCaption(1));
        } else {
            SlideStrip->addTab(SlideTabCaption(count));
            CompositeCheck->setVisible(true);
        }
    }
    SetCardCount(count);

    SetDataEntryEnabled(true);
    SetTabCaptions();
    SlideStrip->update();
    SelectSlideTab(index);
    RefreshCurrentSlide();

    {
        const QScopedValueRollback guard(m_gridUpdating, true);
        SetGridCurrentCell(1, 2);
    }
    DataGrid->setFocus();
}

bool MainForm::SlideInfo_KeyPress(int index, QKeyEvent *event)
{
    QLineEdit *box = txtSlideInfo[index];
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        SlideInfo_FocusLost(index);
        return true;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && index == 1 && event->text() == QLatin1String("-")) {
        // The sign turns without disturbing what the operator has selected.
        const int start = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
        const int length = int(box->selectedText().size());
        QString t = box->text();
        int newStart = start;
        if (!t.contains(QLatin1Char('-'))) {
            t.prepend(QLatin1Char('-'));
            newStart = start + 1;
        } else {
            t.remove(0, 1);
            newStart = start > 0 ? start - 1 : 0;
        }
        box->setText(t);
        if (length > 0)
            box->setSelection(newStart, length);
        else
            box->setCursorPosition(newStart);
        return true;
    }
    return DiscardsTypedKey(event, box, true, m_format.decimalSeparator());
}

// A position or sweeps value typed and not yet left with Enter or Tab belongs to
// the slide on view: committed before anything saves, asks, or shows another
// slide, since none of those moves the focus out of the field.
void MainForm::CommitSlideFields()
{
    if (m_set.CurrentSlide < 1 || m_set.CurrentSlide > m_set.SlideCount())
        return;
    const Slide &slide = m_set.Current();
    if (txtSlideInfo[1]->text() != m_format.General(slide.Position))
        SlideInfo_FocusLost(1);
    if (txtSlideInfo[2]->text() != m_format.General(m_set.Current().Sweeps))
        SlideInfo_FocusLost(2);
}

void MainForm::SlideInfo_FocusLost(int index)
{
    if (m_inFieldCommit || m_set.CurrentSlide < 1 || m_set.CurrentSlide > m_set.SlideCount())
        return;
    m_inFieldCommit = true;
    QLineEdit *box = txtSlideInfo[index];
    const Slide &slide = m_set.Current();
    const float stored = index == 1 ? slide.Position : slide.Sweeps;
    if (box->text().isEmpty())
        box->setText(m_format.General(stored));
    float value = 0;
    // Text that cannot be read ("-" or a separator alone) is treated like an empty
    // box: the stored value comes back.
    if (m_format.ToSingle(box->text(), value) != ParseStatus::Ok) {
        box->setText(m_format.General(stored));
        m_inFieldCommit = false;
        return;
    }

    if (index == 1) {
        if (value != slide.Position) {
            const int16_t moved = m_document->MoveSlide(m_set.CurrentSlide, value);
            if (moved == 0) {
                MessageBoxes::Show(this, QStringLiteral("There is already another slide at that location."));
                box->setText(m_format.General(slide.Position));
            } else {
                box->setText(m_format.General(value));
                if (IsCompositeView()) {
                    // The strip holds the graph tabs: the slide moves in the order
                    // and the line is recomputed, the graph on view stays.
                    m_set.CurrentSlide = moved;
                    CalcCompositeAndMedians();
                    RefreshCurrentSlide();
                } else {
                    SetTabCaptions();
                    SlideStrip->update();
                    SelectSlideTab(moved);
                }
            }
        }
    } else {
        if (!(value > 0.0f)) {
            box->setText(m_format.General(slide.Sweeps));
        } else if (value != slide.Sweeps) {
            m_document->SetSweeps(m_set.CurrentSlide, value);
            box->setText(m_format.General(value));
            if (IsCompositeView())
                CalcCompositeAndMedians();
            DrawResult();
            RefreshCurrentSlide();
        }
    }
    m_inFieldCommit = false;
}
