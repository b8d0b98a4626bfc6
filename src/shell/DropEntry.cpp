// Typing drop sizes, and the Ctrl-key commands the window answers wherever the
// focus is.
#include "shell/MainForm.h"

#include "entry/NumericKeyFilter.h"
#include "entry/SlideSetDocument.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QScopedValueRollback>

bool MainForm::DataEntry_KeyPress(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        CommitDataEntry();
        return true;
    }
    // Whole divisions only: no separator, no sign.
    return DiscardsTypedKey(event, txtDataEntry, false, m_format.decimalSeparator());
}

void MainForm::CommitDataEntry()
{
    const QString text = txtDataEntry->text();
    int32_t size = 0;
    if (!text.isEmpty() && m_set.CurrentSlide >= 1 && m_format.ToInt32(text, size) == ParseStatus::Ok
        && size >= 1 && size <= m_set.Params.MaxSizeEPD) {
        // A class already holding 32767 drops refuses another, like a size off the
        // reticule: the count never wraps.
        if (m_document->AddDrop(0, int16_t(size)) == CountResult::Ok) {
            RefreshCurrentSlide();
            {
                const QScopedValueRollback guard(m_gridUpdating, true);
                SetGridCurrentCell(size, 2);
            }
        }
    }
    txtDataEntry->clear();
}

bool MainForm::MainWindow_KeyDown(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
    if (!ctrl && !ctrlShift)
        return false;
    const int key = event->key();
    const int count = m_set.SlideCount();
    const bool composite = IsCompositeView();

    if (ctrl && key == Qt::Key_L) {
        if (count != 0)
            return false;
        LoadCommand();
        return true;
    }
    if ((ctrl && (key == Qt::Key_Z || key == Qt::Key_Y)) || (ctrlShift && key == Qt::Key_Z)) {
        if (composite)
            return false;
        UndoRedoCommand(ctrl && key == Qt::Key_Z);
        return true;
    }
    if (ctrl && key == Qt::Key_N) {
        if (composite)
            return false;
        NewSlideCommand();
        return true;
    }

    // Slide numbers are held in full, so navigation works for every slide a set
    // can hold.
    int target = m_set.CurrentSlide;
    bool deleteAll = false;
    if (ctrl && key == Qt::Key_S && count > 0) {
        SaveCommand();
    } else if (ctrl && key == Qt::Key_C && count > 0 && CompositeCheck->isVisible()) {
        CompositeCheck->setChecked(!CompositeCheck->isChecked());
    } else if (ctrl && key == Qt::Key_Tab && count > 0) {
        CommitPendingCell();
        CommitSlideFields();
        if (!composite) {
            target = m_set.CurrentSlide + 1;
            if (target > count)
                target = 1;
        } else {
            int view = m_view.CompositeView + 1;
            if (view > SlideStrip->count())
                view = 1;
            SelectSlideTab(view);
        }
    } else if (ctrlShift && (key == Qt::Key_Backtab || key == Qt::Key_Tab) && count > 0) {
        CommitPendingCell();
        CommitSlideFields();
        if (!composite) {
            target = m_set.CurrentSlide - 1;
            if (target < 1)
                target = count;
        } else {
            int view = m_view.CompositeView - 1;
            if (view < 1)
                view = SlideStrip->count();
            SelectSlideTab(view);
        }
    } else if (ctrl && key >= Qt::Key_1 && key <= Qt::Key_5 && count > 0
               && !(event->modifiers() & Qt::KeypadModifier)) {
        SelectGraphOption(key - Qt::Key_0);
    } else if (ctrl && key == Qt::Key_Delete && count > 0 && !composite) {
        deleteAll = true;
        CommitPendingCell();
        if (MessageBoxes::Show(this, QStringLiteral("Are you sure you want to delete all slides?"), MessageBoxes::YesNo,
                               MessageBoxes::Question)
            == MessageBoxes::Yes) {
            ResetSlideSet();
            target = 1;
        }
    } else if (ctrl && key == Qt::Key_P && count > 0 && composite) {
        PrintCommand();
    } else {
        return false;
    }

    if (!IsCompositeView())
        SelectSlideTab(target);
    if (deleteAll)
        btnNewSlide->setFocus();
    return true;
}
