#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/SlideSetCommands.h"
#include "entry/SlideSetDocument.h"
#include "export/Workbook.h"
#include "platform/ui/CCommonDialogs.h"
#include "shell/Settings.h"
#include "graphs/GraphBoxes.h"
#include "platform/ui/MessageBoxes.h"
#include "window/CompositeView.h"
#include "window/CountTable.h"
#include "window/DropEntryFrame.h"
#include "window/ResultsPanel.h"
#include "window/SizeRangeFrame.h"
#include "window/SlideInfoFrame.h"
#include "window/SlideStrip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

MainForm::MainForm(const StartUpValues &startUp, const SettingsStore &store, QWidget *parent)
    : MainWindow(parent)
    , m_startUp(startUp)
    , m_store(store)
    , m_format(startUp.DecimalSeparator)
{
    setObjectName(QStringLiteral("MainForm"));
    m_document = std::make_unique<SlideSetDocument>(m_set, m_view.LargestSizeFound);
    m_commands = std::make_unique<SlideSetCommands>(*this);
    // The title's unsaved mark follows the set; undoing back to the saved state clears it.
    connect(m_document.get(), &SlideSetDocument::Changed, this, [this] { setWindowModified(m_document->IsModified()); });
    connect(m_document.get(), &SlideSetDocument::ModifiedMarked, this, [this](bool modified) { setWindowModified(modified); });
    updateTitle();
    // A slide set file dropped anywhere on the window (see eventFilter).
    setAcceptDrops(true);

    // Initialisation, in the order the settings and the view depend on each other.
    const AppSettings settings = LoadAppSettings(m_store, m_format);
    m_set.Params = settings.Params;
    m_set.Cloud.Collector = LoadCollectorSettings(m_store, m_format);
    m_view.LargestSizeFound = 1;
    ClearSlides(m_set); // the placeholder record sized to the stored MaxSizeEPD
    m_initialDir = settings.InitialDir.isEmpty() ? DefaultInitialDir() : settings.InitialDir;
    m_view.GraphMode = 1;

    CreateControls();
    SetDataEntryEnabled(false);
    SetResultsEnabled(false);
    m_results->SelectGraphOption(1);
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

bool MainForm::CellEditPending() const
{
    return m_countTable->CellEditPending();
}

bool MainForm::IsCompositeView() const
{
    return m_view.CompositeChecked;
}

// --- the slide on view -------------------------------------------------------------

void MainForm::RefreshCurrentSlide()
{
    const Slide &s = m_set.Current();
    m_countTable->ShowSlide(s);
    if (m_set.CurrentSlide >= 1)
        m_slideInfo->ShowSlide(s);
    ComputeRangeStats(m_view.RangeStats, m_set, 0);
    m_ranges->Fill();
    m_mortality->ShowMortality();
    const bool composite = IsCompositeView();
    m_view.CurrentVMD = composite ? m_view.Composite.CompVMD : s.VMD;
    m_view.CurrentNMD = composite ? m_view.Composite.CompNMD : s.NMD;
    // In composite view the results are the line's: an empty slide on view
    // does not switch them off (nor hide Print).
    m_results->ShowResults(composite ? m_results->ResultsEnabled() : s.TotalDrops > 0);
    // The line graphs draw every slide: the one on view has just changed.
    if (composite && m_view.CompositeView >= 1)
        DrawCompositeGraph(m_view.CompositeView);
}

void MainForm::CalcCompositeAndMedians()
{
    if (m_set.SlideCount() > 0)
        CalcComposite(m_set, m_view.Composite);
    m_view.CurrentVMD = IsCompositeView() ? m_view.Composite.CompVMD : m_set.Current().VMD;
    m_view.CurrentNMD = IsCompositeView() ? m_view.Composite.CompNMD : m_set.Current().NMD;
}

void MainForm::FillStatsGrid()
{
    m_ranges->Fill();
}

void MainForm::DrawResult()
{
    m_results->DrawResult();
}

void MainForm::UpdateHistogramLabels()
{
    m_results->UpdateHistogramLabels();
}

void MainForm::SetHistogramRightLabel(const QString &text)
{
    m_results->SetHistogramRightLabel(text);
}

void MainForm::ResizeCountTable()
{
    m_countTable->Resize();
}

void MainForm::RewriteDiameterColumn()
{
    m_countTable->RewriteDiameters();
}

void MainForm::ApplyUnitLabels()
{
    m_slideInfo->ApplyUnitLabel(m_set.Params.Metric);
    SetTabCaptions();
    m_parameters->ApplyUnitLabels();
}

void MainForm::CommitPendingCell()
{
    if (m_countTable)
        m_countTable->CommitPendingCell();
}

void MainForm::CommitSlideFields()
{
    m_slideInfo->CommitFields();
}

bool MainForm::SlideFieldsCommitting() const
{
    return m_slideInfo->Committing();
}

void MainForm::SelectSlideTab(int tab)
{
    m_strip->Select(tab);
}

void MainForm::SetTabCaptions()
{
    m_strip->SetCaptions();
}

bool MainForm::SlideStripHasFocus() const
{
    return m_strip->hasFocus();
}

void MainForm::ShowSizeClass(int sizeClass)
{
    m_countTable->ShowSizeClass(sizeClass);
}

void MainForm::DrawCompositeGraph(int view)
{
    m_composite->Draw(view);
}

void MainForm::ClearCompositeGraph()
{
    m_composite->Clear();
}

void MainForm::FocusNewSlide()
{
    btnNewSlide->setFocus();
}

// --- the window's states ---------------------------------------------------------

void MainForm::SetDataEntryEnabled(bool enabled)
{
    m_dataEntryEnabled = enabled;
    m_dropEntry->SetEntryEnabled(enabled);
    m_slideInfo->SetEntryEnabled(enabled);
    m_mortality->SetEntryEnabled(enabled);
    m_countTable->SetEntryEnabled(enabled);
    m_ranges->SetEntryEnabled(enabled);
}

void MainForm::SetResultsEnabled(bool enabled)
{
    m_results->SetResultsEnabled(enabled);
}

// No slide: nothing to type into or read out, Load offered again.
void MainForm::ShowEmptySet()
{
    m_strip->ShowNoSlide();
    btnLoadData->setEnabled(true);
    btnSaveData->setEnabled(false);
    SetDataEntryEnabled(false);
    SetResultsEnabled(false);
    m_results->SetCompositeChecked(false);
    m_results->SetCompositeOffered(false);
    m_results->SelectGraphOption(1);
}

void MainForm::ResetSlideSet()
{
    CommitPendingCell();
    m_document->Clear(); // no slides, no control data, no descriptive texts
    m_commands->ForgetFile();
    m_composite->SetCardCount(0);
    ShowEmptySet();
    m_parameters->ResetFields();
    updateTitle();
}

void MainForm::updateTitle()
{
    const QString file = m_commands->FileName();
    const QString name = file.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(file).fileName();
    setWindowTitle(name + QStringLiteral("[*] \u2014 Nimbrel"));
    setWindowModified(m_document->IsModified());
}

void MainForm::ShowLoadedSlideSet()
{
    m_parameters->ShowParameters();
    ApplyUnitLabels();
    ResizeCountTable();
    const int16_t count = m_set.SlideCount();
    m_view.LargestSizeFound = std::max(m_view.LargestSizeFound, ComputeLargestSizeFound(m_set));
    m_strip->Rebuild();
    m_composite->SetCardCount(count);
    if (count > 0) {
        SetDataEntryEnabled(true);
        m_results->SetCompositeOffered(count > 1);
        // The last slide of the position order is shown; clearing CurrentSlide
        // makes its selection refresh whatever was on view before.
        SetTabCaptions();
        m_set.CurrentSlide = 0;
        SelectSlideTab(count);
        m_dropEntry->FocusField();
    }
    btnLoadData->setEnabled(count == 0);
    btnSaveData->setEnabled(count > 0);
}

void MainForm::ShowComposite(bool checked)
{
    // What was typed belongs to the view it was typed in.
    if (m_set.SlideCount() > 0) {
        CommitPendingCell();
        CommitSlideFields();
    }
    m_view.CompositeChecked = checked && m_set.SlideCount() > 0;
    if (m_set.SlideCount() == 0)
        return;
    m_results->ShowCompositeMode(checked);
    btnNewSlide->setEnabled(!checked);
    m_view.CompositeView = 0;
    // The graph tabs span the graphs they choose, all in sight; the slide tabs
    // keep to the count table.
    m_strip->resize(checked ? m_composite->width() : m_slideStripWidth, m_strip->height());
    if (checked) {
        CalcComposite(m_set, m_view.Composite);
        m_strip->ShowCompositeTabs();
        m_composite->setVisible(true);
        m_composite->raise();
        SelectSlideTab(1);
        m_composite->update();
    } else {
        m_composite->setVisible(false);
        m_composite->HideReadout();
        m_composite->HideCards();
        m_strip->Rebuild();
        SelectSlideTab(m_set.CurrentSlide);
    }
    for (QWidget *w : {static_cast<QWidget *>(m_dropEntry), static_cast<QWidget *>(m_mortality),
                       static_cast<QWidget *>(m_countTable)})
        w->setVisible(!checked);
    // Optics changed in composite view recomputed every slide; the slide coming
    // back into view shows its figures as they are now, not as they were.
    if (!checked)
        RefreshCurrentSlide();

    m_view.CurrentVMD = checked ? m_view.Composite.CompVMD : m_set.Current().VMD;
    m_view.CurrentNMD = checked ? m_view.Composite.CompNMD : m_set.Current().NMD;
    m_results->ShowChosenGraph();
    // Hiding the drop box would hand the focus to Slide Position with its text
    // selected, where the next key would edit the position.
    if (checked)
        m_strip->setFocus(Qt::OtherFocusReason);
    else
        m_dropEntry->FocusField();
}

// --- Save, Load, Print ----------------------------------------------------------------

void MainForm::SaveCommand()
{
    if (m_set.SlideCount() == 0)
        return;
    CommitPendingCell();
    CommitSlideFields();
    m_commands->Save();
    updateTitle();
}

void MainForm::LoadCommand()
{
    if (m_set.SlideCount() != 0)
        return;
    m_commands->Load();
    updateTitle();
}

bool MainForm::OpenFile(const QString &path)
{
    if (m_set.SlideCount() > 0) {
        CommitPendingCell();
        CommitSlideFields();
    }
    const bool replacing = m_set.SlideCount() > 0;
    const int16_t largest = m_view.LargestSizeFound;
    // The question about unsaved work comes before anything changes; the
    // composite view belongs to the set on view.
    bool loaded = false;
    if (m_commands->ConfirmOpen(path)) {
        if (IsCompositeView())
            m_results->SetCompositeChecked(false);
        if (replacing)
            m_view.LargestSizeFound = 0; // the new set's own, not the old one's
        loaded = m_commands->Open(path);
        if (!loaded)
            m_view.LargestSizeFound = largest;
        else if (m_set.SlideCount() == 0)
            ShowEmptySet();
    }
    updateTitle();
    return loaded;
}

bool MainForm::LoadRecoveredSet(const QString &path, const QString &sourceFile)
{
    if (!m_commands->LoadRecovered(path, sourceFile))
        return false;
    // Still not in any file the operator chose: unsaved work, as before the crash.
    m_document->MarkUnsaved();
    updateTitle();
    return true;
}

QString MainForm::SlideSetFileName() const
{
    return m_commands->FileName();
}

void MainForm::PrintCommand()
{
    if (!m_printHandler)
        return;
    // A value still being typed belongs in the report.
    m_parameters->CommitPendingEdits();
    m_mortality->CommitPendingEdits();
    m_printHandler();
}

void MainForm::ExportWorkbookCommand()
{
    if (!IsCompositeView() || m_set.SlideCount() == 0)
        return;
    // A value still being typed belongs in the workbook.
    m_parameters->CommitPendingEdits();
    m_mortality->CommitPendingEdits();

    CCommonDialogs dialog;
    dialog.Init(this);
    dialog.Title = QStringLiteral("Export Workbook");
    dialog.InitialDir = m_initialDir;
    dialog.Filter = QStringLiteral("Excel Workbook (*.xlsx)|*.xlsx");
    dialog.FilterIndex = 1;
    dialog.DefExt = QStringLiteral("xlsx");
    // Named after the slide set file, beside it.
    const QString file = m_commands->FileName();
    if (!file.isEmpty())
        dialog.FileName = QFileInfo(file).dir().filePath(QFileInfo(file).completeBaseName() + QStringLiteral(".xlsx"));
    if (!dialog.ShowSave())
        return;
    m_initialDir = SlideSetCommands::FolderOf(dialog.FileName);

    WorkbookInput input;
    input.Set = &m_set;
    input.SourceFile = file;
    input.Limits = LoadLabelLimits(m_store, m_format);
    input.Format = m_format;
    input.Dose = LoadDoseResponseOptions(m_store); // the link and deposit chosen on the Dose Response tab
    QApplication::setOverrideCursor(Qt::WaitCursor); // the counting intervals take a moment on a long line
    const QString failure = WriteWorkbook(dialog.FileName, input);
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty())
        MessageBoxes::Show(this, QStringLiteral("There was an error while saving the workbook.\n\n") + failure,
                           MessageBoxes::OkOnly, MessageBoxes::Critical);
}

std::unique_ptr<MainWindow> MakeMainWindow(const StartUpValues &startUp, const SettingsStore &store)
{
    return std::make_unique<MainForm>(startUp, store);
}
