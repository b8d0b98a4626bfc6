#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/PictureBox.h"
#include "entry/SlideSetCommands.h"
#include "entry/SlideSetDocument.h"
#include "graphs/GraphBoxes.h"

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
        btnNewSlide->setFocus(Qt::ActiveWindowFocusReason);
    }
    return QWidget::event(event);
}

void MainForm::closeEvent(QCloseEvent *event)
{
    CommitPendingCell();
    if (!m_commands->ConfirmClose()) {
        event->ignore();
        return;
    }
    AppSettings settings;
    settings.Params = m_set.Params;
    settings.InitialDir = m_initialDir;
    SaveAppSettings(m_store, settings, m_format);
    event->accept();
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
    m_commands->Save();
}

void MainForm::LoadCommand()
{
    if (m_set.SlideCount() != 0)
        return;
    m_commands->Load();
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
            QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
        }
        return false;
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Another window taking the focus (a message box, another program) is not
        // the operator leaving the field.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
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
