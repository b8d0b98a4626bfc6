#pragma once

#include "shell/MainWindow.h"

#include <functional>
#include <memory>

class CompositeView;
class CountTable;
class DropEntryFrame;
class MortalityPanel;
class ParameterPanel;
class QPushButton;
class ResultsPanel;
class SizeRangeFrame;
class SlideInfoFrame;
class SlideSetCommands;
class SlideSetDocument;
class SlideStrip;

// The one window of the program: the slide strip and the count table on the
// left, the parameters, the histogram and the range table on the right, and the
// composite graphs over the left half when the whole line is on view.
//
// The window is the frame: it makes the panels, places them for the screen, and
// answers the Ctrl-key commands, New Slide, Save, Load, Print and closing. The
// panels do the rest and reach each other only through it.
//   shell/MainForm.cpp          making, the views of the slide on view, closing
//   shell/MainFormLayout.cpp    the two screen layouts
//   shell/MainFormCommands.cpp  the commands and the keyboard
class MainForm : public MainWindow
{
    Q_OBJECT
public:
    MainForm(const StartUpValues &startUp, const SettingsStore &store, QWidget *parent = nullptr);
    ~MainForm() override;

    // Chooses the layout for a screen `yres` pixels high (768 and more: large).
    void AdjustScreen(int yres) override;
    bool IsLargeLayout() const override { return m_largeLayout; }

    // --- MainFormContext ----------------------------------------------------------
    const SlideSet &Set() const override { return m_set; }
    SlideSetDocument &Document() override { return *m_document; }
    ViewState &View() override { return m_view; }
    const NumberFormat &Format() const override { return m_format; }
    QString ListSeparator() const override { return m_startUp.ListSeparator; }
    QString &InitialDir() override { return m_initialDir; }
    QWidget *Window() override { return this; }
    bool IsCompositeView() const override;
    void RefreshCurrentSlide() override;
    void FillStatsGrid() override;
    void CalcCompositeAndMedians() override;
    void DrawResult() override;
    void UpdateHistogramLabels() override;
    void SetHistogramRightLabel(const QString &text) override;
    void ApplyUnitLabels() override;
    void ResizeCountTable() override;
    void RewriteDiameterColumn() override;
    void ResetSlideSet() override;
    void ShowLoadedSlideSet() override;
    void FocusNewSlide() override;

    // --- WindowContext --------------------------------------------------------------
    const SettingsStore &Store() const override { return m_store; }
    void CommitPendingCell() override;
    void CommitSlideFields() override;
    bool SlideFieldsCommitting() const override;
    void SetCurrentSlide(int16_t slide) override { m_set.CurrentSlide = slide; }
    void SelectSlideTab(int tab) override;
    void SetTabCaptions() override;
    bool SlideStripHasFocus() const override;
    void ShowSizeClass(int sizeClass) override;
    void DrawCompositeGraph(int view) override;
    void ClearCompositeGraph() override;

    // --- commands ------------------------------------------------------------------
    void NewSlideCommand();
    void SaveCommand() override;
    void LoadCommand() override;
    void PrintCommand() override;
    // The set as a workbook for analysis (composite view, Ctrl+E).
    void ExportWorkbookCommand();
    // Ctrl+Z (undo) and Ctrl+Y (redo), outside the composite view.
    void UndoRedoCommand(bool undo);
    void SetPrintHandler(std::function<void()> handler) override { m_printHandler = std::move(handler); }

    // --- MainWindow ------------------------------------------------------------------
    SlideSet &Set() override { return m_set; }
    bool IsModified() const override;
    bool OpenFile(const QString &path) override;
    bool LoadRecoveredSet(const QString &path, const QString &sourceFile) override;
    QString SlideSetFileName() const override;
    bool CellEditPending() const override;
    QColor HistogramColor() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // making and layout (MainFormLayout.cpp)
    struct Arrangement;
    void CreateControls();
    void LayoutCommon(bool large);
    QRect PlaceUpperRowLarge(const Arrangement &a);
    QRect PlaceUpperRowSmall(const Arrangement &a);
    void PlaceLowerRow(const Arrangement &a, int top);

    // the window's states
    void SetDataEntryEnabled(bool enabled);
    void SetResultsEnabled(bool enabled);
    void ShowEmptySet();
    void ShowComposite(bool checked);
    void DeleteCurrentSlide();
    bool CtrlKeyCommand(QKeyEvent *event);
    bool fileDropEvent(QEvent *event);
    // "FILE — Nimbrel" with the unsaved mark.
    void updateTitle();
    int StepView(int step);

    // --- document and view -----------------------------------------------------------
    StartUpValues m_startUp;
    SettingsStore m_store;
    NumberFormat m_format;
    SlideSet m_set;
    ViewState m_view;
    QString m_initialDir;
    bool m_dataEntryEnabled = false;
    bool m_activated = false;
    bool m_largeLayout = true;
    int m_slideStripWidth = 0; // the slide tabs'; the composite's tabs take the graphs' width
    std::function<void()> m_printHandler;
    std::unique_ptr<SlideSetDocument> m_document;
    std::unique_ptr<SlideSetCommands> m_commands;

    // --- panels and buttons ------------------------------------------------------------
    SlideStrip *m_strip = nullptr;
    CountTable *m_countTable = nullptr;
    DropEntryFrame *m_dropEntry = nullptr;
    SlideInfoFrame *m_slideInfo = nullptr;
    MortalityPanel *m_mortality = nullptr;
    ParameterPanel *m_parameters = nullptr;
    SizeRangeFrame *m_ranges = nullptr;
    ResultsPanel *m_results = nullptr;
    CompositeView *m_composite = nullptr;
    QPushButton *btnNewSlide = nullptr;
    QPushButton *btnLoadData = nullptr;
    QPushButton *btnSaveData = nullptr;
};
