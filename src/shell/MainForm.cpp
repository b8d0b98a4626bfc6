#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/PictureBox.h"
#include "entry/SlideSetCommands.h"
#include "entry/SlideSetDocument.h"
#include "graphs/GraphBoxes.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>

MainForm::MainForm(const StartUpValues &startUp, const SettingsStore &store, QWidget *parent)
    : QWidget(parent)
    , m_startUp(startUp)
    , m_store(store)
    , m_format(startUp.DecimalSeparator)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Nimbrel"));
    m_document = std::make_unique<SlideSetDocument>(m_set, m_view.LargestSizeFound);
    m_commands = std::make_unique<SlideSetCommands>(*this);

    // Initialisation, in the order the settings and the view depend on each other.
    const AppSettings settings = LoadAppSettings(m_store, m_format);
    m_set.Params = settings.Params;
    m_view.LargestSizeFound = 1;
    ClearSlides(m_set); // the placeholder record sized to the stored MaxSizeEPD
    m_initialDir = settings.InitialDir.isEmpty() ? DefaultInitialDir() : settings.InitialDir;
    m_view.GraphMode = 1;

    CreateControls();
    SetDataEntryEnabled(false);
    SetResultsEnabled(false);
    SelectGraphOption(1);
    m_parameters->SelectTab(1);

    // Every key of this window passes here before the focused control sees it.
    qApp->installEventFilter(this);
}

MainForm::~MainForm()
{
    qApp->removeEventFilter(this);
}

bool MainForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        // A set recovered at start-up is already on view with the focus in the
        // drop box: counting simply goes on.
        if (m_set.SlideCount() == 0)
            btnNewSlide->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QWidget::event(event);
}

void MainForm::closeEvent(QCloseEvent *event)
{
    CommitPendingCell();
    CommitSlideFields();
    if (!m_commands->ConfirmClose()) {
        event->ignore();
        return;
    }
    AppSettings settings;
    settings.Params = m_set.Params;
    settings.InitialDir = m_initialDir;
    // The window closes all the same; the operator learns that the optics and
    // the folder will not be there next time, and why.
    QString why;
    if (!SaveAppSettings(m_store, settings, m_format, &why))
        MessageBoxes::Show(this, QStringLiteral("The settings were not saved:\n\n") + why, MessageBoxes::OkOnly,
                           MessageBoxes::Exclamation);
    event->accept();
    emit Closed();
}

QColor MainForm::HistogramColor() const
{
    return GraphColours::Histogram;
}

bool MainForm::IsModified() const
{
    return m_document->IsModified();
}

bool MainForm::IsCompositeView() const
{
    return m_view.CompositeChecked;
}

void MainForm::CalcCompositeAndMedians()
{
    if (m_set.SlideCount() > 0)
        CalcComposite(m_set, m_view.Composite);
    m_view.CurrentVMD = IsCompositeView() ? m_view.Composite.CompVMD : m_set.Current().VMD;
    m_view.CurrentNMD = IsCompositeView() ? m_view.Composite.CompNMD : m_set.Current().NMD;
}

void MainForm::ApplyUnitLabels()
{
    lblSlideInfo[4]->setText(m_set.Params.Metric ? QStringLiteral("m") : QStringLiteral("ft"));
    if (!IsCompositeView())
        SetTabCaptions();
    m_parameters->ApplyUnitLabels();
}

void MainForm::ShowLoadedSlideSet()
{
    m_parameters->ShowParameters();
    ApplyUnitLabels();
    ResizeCountTable();
    const int16_t count = m_set.SlideCount();
    m_view.LargestSizeFound = std::max(m_view.LargestSizeFound, ComputeLargestSizeFound(m_set));
    RebuildSlideTabs();
    SetCardCount(count);
    if (count > 0) {
        SetDataEntryEnabled(true);
        CompositeCheck->setVisible(count > 1);
        // The last slide of the position order is shown; clearing CurrentSlide
        // makes its selection refresh whatever was on view before.
        SetTabCaptions();
        m_set.CurrentSlide = 0;
        SelectSlideTab(count);
        txtDataEntry->setFocus();
    }
    btnLoadData->setEnabled(count == 0);
    btnSaveData->setEnabled(count > 0);
}

void MainForm::FocusNewSlide()
{
    btnNewSlide->setFocus();
}

void MainForm::SaveCommand()
{
    if (m_set.SlideCount() == 0)
        return;
    CommitPendingCell();
    CommitSlideFields();
    m_commands->Save();
}

void MainForm::LoadCommand()
{
    if (m_set.SlideCount() != 0)
        return;
    m_commands->Load();
}

bool MainForm::LoadRecoveredSet(const QString &path, const QString &sourceFile)
{
    if (!m_commands->LoadRecovered(path, sourceFile))
        return false;
    // Still not in any file the operator chose: unsaved work, as before the crash.
    m_document->MarkUnsaved();
    return true;
}

QString MainForm::SlideSetFileName() const
{
    return m_commands->FileName();
}

void MainForm::PrintCommand()
{
    if (m_printHandler)
        m_printHandler(*this);
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || widget->window() != this || QApplication::activeModalWidget())
            return false;
        if (MainWindow_KeyDown(key))
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
        if (watched == txtDataEntry)
            return DataEntry_KeyPress(key);
        if (watched == DataGrid)
            return DataGrid_KeyPress(key);
        if (watched == txtSlideInfo[1])
            return SlideInfo_KeyPress(1, key);
        if (watched == txtSlideInfo[2])
            return SlideInfo_KeyPress(2, key);
        if (watched == SlideStrip && key->key() == Qt::Key_Delete
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!IsCompositeView() && m_set.SlideCount() > 0)
                DeleteCurrentSlide();
            return true;
        }
        return false;
    }
    case QEvent::FocusIn:
        if (watched == txtSlideInfo[1] || watched == txtSlideInfo[2] || watched == txtDataEntry) {
            auto *box = static_cast<QLineEdit *>(watched);
            // Selected once the focus has settled, and only if it is still here:
            // a field the focus merely passed through keeps no selection.
            QMetaObject::invokeMethod(
                box, [box] { if (box->hasFocus()) box->selectAll(); }, Qt::QueuedConnection);
        }
        return false;
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Another window taking the focus (a message box, another program) is not
        // the operator leaving the field.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        // A click on a slide tab takes the focus before the tab bar sees the press.
        // Committing a new position here would re-sort the tabs under the pointer,
        // and the press would then pick whichever slide moved there. The tab click
        // commits first and finds the clicked slide again by its position; a press
        // that selects no other tab has the field committed just after.
        if ((watched == txtSlideInfo[1] || watched == txtSlideInfo[2]) && reason == Qt::MouseFocusReason
            && QApplication::focusWidget() == SlideStrip) {
            QMetaObject::invokeMethod(this, [this] { CommitSlideFields(); }, Qt::QueuedConnection);
            return false;
        }
        if (watched == DataGrid)
            CommitPendingCell();
        else if (watched == txtSlideInfo[1])
            SlideInfo_FocusLost(1);
        else if (watched == txtSlideInfo[2])
            SlideInfo_FocusLost(2);
        return false;
    }
    case QEvent::MouseButtonPress:
        if (watched == frameDataEntry || watched == lblDataEntry) {
            if (txtDataEntry->isEnabled())
                txtDataEntry->setFocus(Qt::MouseFocusReason);
        }
        return false;
    case QEvent::Enter:
    case QEvent::MouseMove:
        for (size_t i = 1; i < CardLabel.size(); ++i)
            if (watched == CardLabel[i]) {
                CardLabel_MouseMove(int(i));
                // Resting on a card is not moving over the graph, which would
                // hide the read-out again.
                return event->type() == QEvent::MouseMove;
            }
        return false;
    default:
        return false;
    }
}
