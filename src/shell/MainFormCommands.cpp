// The window's commands: New Slide, deleting slides, undo and redo, and the
// Ctrl-key commands answered wherever the focus is.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmSlidePos.h"
#include "platform/ui/MessageBoxes.h"
#include "window/CompositeView.h"
#include "window/CountTable.h"
#include "window/DropEntryFrame.h"
#include "window/ResultsPanel.h"
#include "window/SlideInfoFrame.h"
#include "window/SlideStrip.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

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

    const int16_t index = m_document->AddSlide(dialog.SlidePos);
    if (index == 0)
        return;
    btnLoadData->setEnabled(false);
    btnSaveData->setEnabled(true);
    // The new slide sorted in before the one on view has shifted it: the index
    // on view names another slide now. Cleared, the selection below shows the
    // new slide whatever its place.
    m_set.CurrentSlide = 0;
    const int16_t count = m_set.SlideCount();
    m_strip->AddSlideTab(count);
    if (count > 1)
        m_results->SetCompositeOffered(true);
    m_composite->SetCardCount(count);

    SetDataEntryEnabled(true);
    SetTabCaptions();
    m_strip->update();
    SelectSlideTab(index);
    RefreshCurrentSlide();
    ShowSizeClass(1);
    m_countTable->setFocus();
}

void MainForm::DeleteCurrentSlide()
{
    if (IsCompositeView() || m_set.SlideCount() == 0 || m_set.CurrentSlide < 1)
        return;
    CommitPendingCell();
    if (MessageBoxes::Show(this, QStringLiteral("Are you sure you want to delete this slide?"), MessageBoxes::YesNo,
                           MessageBoxes::Question)
        != MessageBoxes::Yes)
        return;

    // The slide to show next is counted in full: with hundreds of slides it must
    // never wrap to another slide.
    const int selectedTab = m_strip->ChosenTab();
    m_document->RemoveSlide(m_set.CurrentSlide);
    const int count = m_set.SlideCount();
    m_composite->SetCardCount(count);
    int toShow = selectedTab <= count ? selectedTab : count;
    m_set.CurrentSlide = 0;

    if (count <= 1)
        m_results->SetCompositeOffered(false);
    if (count > 0) {
        m_strip->RemoveLastTab();
        m_view.LargestSizeFound = ComputeLargestSizeFound(m_set);
    } else {
        m_view.LargestSizeFound = 0;
        ShowEmptySet();
        toShow = 1;
    }
    if (!IsCompositeView())
        SelectSlideTab(toShow);
}

void MainForm::UndoRedoCommand(bool undo)
{
    if (IsCompositeView())
        return;
    // What is still being typed is the latest change, and the first to undo.
    CommitPendingCell();
    m_mortality->CommitPendingEdits();
    m_slideInfo->CommitFocusedField();

    const std::optional<EditPlace> place = undo ? m_document->Undo() : m_document->Redo();
    if (!place)
        return;

    const int count = m_set.SlideCount();
    m_view.LargestSizeFound = ComputeLargestSizeFound(m_set);
    m_composite->SetCardCount(count);
    btnLoadData->setEnabled(count == 0);
    btnSaveData->setEnabled(count > 0);
    if (count == 0) {
        m_set.CurrentSlide = 0;
        ShowEmptySet();
        m_mortality->ShowMortality();
        btnNewSlide->setFocus();
        return;
    }
    m_strip->Rebuild();
    if (!m_dataEntryEnabled)
        SetDataEntryEnabled(true);
    m_results->SetCompositeOffered(count > 1);
    // The slide the change was on, refreshed whether or not it was on view.
    const int slide = std::clamp<int>(place->Slide != 0 ? place->Slide : m_set.CurrentSlide, 1, count);
    m_set.CurrentSlide = 0;
    SelectSlideTab(slide);
    if (place->SizeClass >= 1)
        ShowSizeClass(place->SizeClass);
}

// One step forward or back round the strip: the next slide (returned, for the
// caller to show), or in composite view the next graph, shown at once.
int MainForm::StepView(int step)
{
    CommitPendingCell();
    CommitSlideFields();
    if (IsCompositeView()) {
        int view = m_view.CompositeView + step;
        if (view > m_strip->count())
            view = 1;
        if (view < 1)
            view = m_strip->count();
        SelectSlideTab(view);
        return m_set.CurrentSlide;
    }
    int slide = m_set.CurrentSlide + step;
    if (slide > m_set.SlideCount())
        slide = 1;
    if (slide < 1)
        slide = m_set.SlideCount();
    return slide;
}

namespace {

bool isUndoKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    return (mods == Qt::ControlModifier && (key == Qt::Key_Z || key == Qt::Key_Y))
        || (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z);
}

} // namespace

bool MainForm::CtrlKeyCommand(QKeyEvent *event)
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
    if (isUndoKey(event)) {
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
    if (count == 0)
        return false;

    // Slide numbers are held in full, so navigation works for every slide a set
    // can hold. Whatever the command, the strip shows the slide on view after it.
    int target = m_set.CurrentSlide;
    bool deleteAll = false;
    if (ctrl && key == Qt::Key_S) {
        SaveCommand();
    } else if (ctrl && key == Qt::Key_C && m_results->CompositeOffered()) {
        m_results->SetCompositeChecked(!m_results->CompositeChecked());
    } else if (ctrl && key == Qt::Key_Tab) {
        target = StepView(+1);
    } else if (ctrlShift && (key == Qt::Key_Backtab || key == Qt::Key_Tab)) {
        target = StepView(-1);
    } else if (ctrl && key >= Qt::Key_1 && key <= Qt::Key_5 && !(event->modifiers() & Qt::KeypadModifier)) {
        m_results->SelectGraphOption(key - Qt::Key_0);
    } else if (ctrl && key == Qt::Key_Delete && !composite) {
        deleteAll = true;
        CommitPendingCell();
        if (MessageBoxes::Show(this, QStringLiteral("Are you sure you want to delete all slides?"), MessageBoxes::YesNo,
                               MessageBoxes::Question)
            == MessageBoxes::Yes) {
            ResetSlideSet();
            target = 1;
        }
    } else if (ctrl && key == Qt::Key_P && composite) {
        PrintCommand();
    } else if (ctrl && key == Qt::Key_E && composite) {
        ExportWorkbookCommand();
    } else {
        return false;
    }

    if (!IsCompositeView())
        SelectSlideTab(target);
    if (deleteAll)
        btnNewSlide->setFocus();
    return true;
}

namespace {

// The one slide set file of a drag: a single local file ending in .csv; empty
// for anything else (text, several files, a web link).
QString droppedSlideSetFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().first();
    if (!url.isLocalFile() || QFileInfo(url.toLocalFile()).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
        return QString();
    return url.toLocalFile();
}

} // namespace

// A slide set file dragged over any part of the window is taken by the window,
// not typed as text into the field under the mouse; anything else is left to
// the controls.
bool MainForm::fileDropEvent(QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event); // drag enter and move events are drop events too
    const QString path = droppedSlideSetFile(drop->mimeData());
    if (path.isEmpty())
        return false;
    drop->acceptProposedAction();
    // Loaded once the drag is over: the question and the messages want the
    // window's own event loop, not the drag's.
    if (event->type() == QEvent::Drop)
        QMetaObject::invokeMethod(this, [this, path] { OpenFile(path); }, Qt::QueuedConnection);
    return true;
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window() != this || QApplication::activeModalWidget())
            return false;
        return fileDropEvent(event);
    }
    if (type != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this || QApplication::activeModalWidget())
        return false;
    // In a text field Ctrl+Z and Ctrl+Y take back the typing there, as in any
    // field; the set's history is undone from the drop box, the count table and
    // the rest of the window.
    if (isUndoKey(key) && qobject_cast<QLineEdit *>(widget) && !m_dropEntry->isAncestorOf(widget))
        return false;
    if (CtrlKeyCommand(key))
        return true;
    // Operators press Enter, on either keyboard, to press the button they are on.
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto *button = qobject_cast<QPushButton *>(watched)) {
            if (button->isEnabled() && button->isVisible() && !key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return false;
}
