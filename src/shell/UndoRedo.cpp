// Ctrl+Z and Ctrl+Y (or Ctrl+Shift+Z): the counting undone and redone, and the
// change shown where it happened.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/SlideSetDocument.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QTableWidget>

void MainForm::UndoRedoCommand(bool undo)
{
    if (IsCompositeView())
        return;
    // What is still being typed is the latest change, and the first to undo.
    CommitPendingCell();
    m_mortality->CommitPendingEdits();
    for (int i = 1; i <= 2; ++i)
        if (txtSlideInfo[i]->hasFocus())
            SlideInfo_FocusLost(i);

    const std::optional<EditPlace> place = undo ? m_document->Undo() : m_document->Redo();
    if (!place)
        return;

    const int count = m_set.SlideCount();
    m_view.LargestSizeFound = ComputeLargestSizeFound(m_set);
    SetCardCount(count);
    btnLoadData->setEnabled(count == 0);
    btnSaveData->setEnabled(count > 0);
    if (count == 0) {
        m_set.CurrentSlide = 0;
        ShowNoSlideTab();
        SetDataEntryEnabled(false);
        SetResultsEnabled(false);
        m_mortality->ShowMortality();
        CompositeCheck->setChecked(false);
        CompositeCheck->setVisible(false);
        SelectGraphOption(1);
        btnNewSlide->setFocus();
        return;
    }
    RebuildSlideTabs();
    if (!m_dataEntryEnabled)
        SetDataEntryEnabled(true);
    CompositeCheck->setVisible(count > 1);
    // The slide the change was on, refreshed whether or not it was on view.
    const int slide = std::clamp<int>(place->Slide != 0 ? place->Slide : m_set.CurrentSlide, 1, count);
    m_set.CurrentSlide = 0;
    SelectSlideTab(slide);
    if (place->SizeClass >= 1) {
        const QScopedValueRollback guard(m_gridUpdating, true);
        SetGridCurrentCell(place->SizeClass, 2);
    }
}
