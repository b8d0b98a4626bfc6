#pragma once

#include "entry/MainFormContext.h"
#include "graphs/DrawingSurface.h"
#include "shell/Settings.h"
#include "shell/StartUpValues.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTableWidget;
class MortalityPanel;
class ParameterPanel;
class PictureBox;
class SlideSetCommands;
class SlideSetDocument;

// The one window of the program: the slide strip and the count table on the
// left, the parameters, the histogram and the range table on the right, and the
// composite graphs over the left half when the whole line is on view.
//
// The handlers are spread over files named after what they serve:
//   shell/MainForm.cpp          initialisation, activation, unload, settings
//   shell/MainFormLayout.cpp    the controls and the two screen layouts
//   entry/SlideStrip.cpp        window states, slide tabs, delete, composite box
//   entry/NewSlide.cpp          New Slide and the slide position/sweeps fields
//   entry/DropEntry.cpp         txtDataEntry and the Ctrl-key commands
//   shell/UndoRedo.cpp          undo and redo of the counting
//   entry/CountTable.cpp        the count table and its key handling
//   entry/ResultsPanel.cpp      the refresh of the slide on view, labels, histogram
//   entry/CompositeGraphs.cpp   Picture1, slide cards and read-outs
class MainForm : public QWidget, public MainFormContext
{
    Q_OBJECT
public:
    MainForm(const StartUpValues &startUp, const SettingsStore &store, QWidget *parent = nullptr);
    ~MainForm() override;

    // Chooses the layout for a screen `yres` pixels high (768 and more: large).
    void AdjustScreen(int yres);
    bool IsLargeLayout() const { return m_largeLayout; }

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

    // --- window state (slide strip) -------------------------------------------------
    void SetDataEntryEnabled(bool enabled);
    void SetResultsEnabled(bool enabled);
    void UpdateStatsLabels();

    // --- commands ------------------------------------------------------------------
    void NewSlideCommand();
    void SaveCommand();
    void LoadCommand();
    void PrintCommand();
    // Ctrl+Z (undo) and Ctrl+Y (redo), outside the composite view.
    void UndoRedoCommand(bool undo);
    // The report subsystem hooks its preview in here; without it Print does nothing.
    void SetPrintHandler(std::function<void(MainForm &)> handler) { m_printHandler = std::move(handler); }

    // The set itself, for the report and for tests that build a situation
    // directly; the window changes it only through Document().
    SlideSet &Set() { return m_set; }
    bool IsModified() const;

    // A set kept by crash recovery: loaded as a file, then unsaved work again.
    bool LoadRecoveredSet(const QString &path, const QString &sourceFile);
    // The file the set was loaded from or last saved to; empty for a new set.
    QString SlideSetFileName() const;

    const StartUpValues &StartUp() const { return m_startUp; }
    const SettingsStore &Store() const { return m_store; }
    bool CellEditPending() const { return m_cellEditPending; }
    QColor HistogramColor() const;

signals:
    // The window closes with the operator's consent: nothing unsaved is left.
    // (Changes of the set are announced by Document().)
    void Closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // layout (MainFormLayout.cpp)
    void CreateControls();
    void LayoutLargeScreen();
    void LayoutSmallScreen();
    void LayoutCommon(bool large);
    void SetGridHeadings();

    // slide strip (SlideStrip.cpp)
    void SlideStrip_Click(int tab);
    void SelectSlideTab(int tab);
    void DeleteCurrentSlide();
    void CompositeCheck_Click();
    QString SlideTabCaption(int slide) const;
    void SetTabCaptions();
    void RebuildSlideTabs();
    void SetCardCount(int count);
    void ShowNoSlideTab();

    // new slide and slide fields (NewSlide.cpp)
    void SlideInfo_FocusLost(int index);
    void CommitSlideFields();
    bool SlideInfo_KeyPress(int index, QKeyEvent *event);

    // drop entry and keyboard (DropEntry.cpp)
    bool DataEntry_KeyPress(QKeyEvent *event);
    void CommitDataEntry();
    bool MainWindow_KeyDown(QKeyEvent *event);

    // count table (CountTable.cpp)
    void DataGrid_CellChanged(int row, int column, int previousRow, int previousColumn);
    bool DataGrid_KeyPress(QKeyEvent *event);
    void DataGrid_CellLeave(int row);
    void CommitPendingCell();
    void SetGridCurrentCell(int row, int column);
    int GridRow() const;  // current size class row, 1-based (0: none)
    void SetCellText(int row, int column, const QString &text);
    QString CellText(int row, int column) const;
    void ColourCountColumn(bool enabled);

    // results (ResultsPanel.cpp)
    void GraphOption_Click(int index);
    void SelectGraphOption(int index);
    int SelectedGraphOption() const;
    void optCloud_Slide_Click(int index);
    void ResultPic_MouseMove(const QPointF &pixel);
    void ClearResultPic();
    void PlaceHistogramLabels();

    // composite graphs (CompositeGraphs.cpp)
    void DrawCompositeGraph(int view);
    void ClearPicture1();
    void HideCards();
    void HideReadout();
    void CardLabel_MouseMove(int index);
    void Picture1_MouseMove();

    // --- document and view -----------------------------------------------------------
    StartUpValues m_startUp;
    SettingsStore m_store;
    NumberFormat m_format;
    SlideSet m_set;
    ViewState m_view;
    QString m_initialDir;
    bool m_resultsEnabled = false;
    bool m_dataEntryEnabled = false;
    bool m_gridUpdating = false;
    bool m_cellEditPending = false;
    bool m_activated = false;
    bool m_readoutShown = false;
    bool m_largeLayout = true;
    bool m_tabsUpdating = false;   // the strip is being rebuilt: its signals are not clicks
    bool m_inFieldCommit = false;  // a slide field is being committed (its message may steal focus)
    float m_vmdAxisMax = 0, m_nmdAxisMax = 0, m_densityAxisMax = 0;
    // The user scale the last histogram left on ResultPic (the axis labels and
    // the tool tip read it).
    UserScale m_histScale;
    UserScale m_lineScale; // the line-data graph's, for placing the read-outs
    std::function<void(MainForm &)> m_printHandler;
    // What each row of the count table was last written with (the fractions
    // as number text), so a refresh touches only the cells whose text changed;
    // a count of -1 marks a row whose cells were written otherwise.
    struct ShownCountRow
    {
        int16_t Count = -1;
        std::string VF, Cumulative;
    };
    std::vector<ShownCountRow> m_shownRows;
    std::unique_ptr<SlideSetDocument> m_document;
    std::unique_ptr<SlideSetCommands> m_commands;

    // --- controls --------------------------------------------------------------------
    QTabBar *SlideStrip = nullptr;
    QTableWidget *DataGrid = nullptr;
    QGroupBox *frameDataEntry = nullptr;
    QLabel *lblDataEntry = nullptr;
    QLineEdit *txtDataEntry = nullptr;
    QGroupBox *frameSlideInfo = nullptr;
    std::array<QLabel *, 7> lblSlideInfo{};     // 0 "Total # Drops:", 1..6 as named
    std::array<QLineEdit *, 3> txtSlideInfo{};  // 1 position, 2 sweeps
    MortalityPanel *m_mortality = nullptr;
    ParameterPanel *m_parameters = nullptr;
    QGroupBox *frameStats = nullptr;
    QTableWidget *StatsGrid = nullptr;
    QGroupBox *frameCloudMethod = nullptr;
    std::array<QRadioButton *, 3> optCloud_Slide{};
    std::array<QRadioButton *, 3> optCloudMethod{};
    QGroupBox *ResultFrame = nullptr;
    PictureBox *ResultPic = nullptr;
    QLabel *ResultLabelX1 = nullptr, *ResultLabelX2 = nullptr;
    QLabel *ResultLabelY1 = nullptr, *ResultLabelY2 = nullptr;
    QLabel *ResultLabel = nullptr;
    std::array<QRadioButton *, 6> GraphOption{};
    QButtonGroup *m_graphGroup = nullptr;
    std::array<QLabel *, 4> InfoLabel{};
    QLabel *VMDLabel = nullptr, *NMDLabel = nullptr, *DropLabel = nullptr;
    QCheckBox *CompositeCheck = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnNewSlide = nullptr;
    QPushButton *btnLoadData = nullptr;
    QPushButton *btnSaveData = nullptr;
    PictureBox *Picture1 = nullptr;
    std::vector<QWidget *> m_underComposite;   // further controls the composite graphs cover
    std::vector<QLabel *> CardLabel;            // [0] the design-time element, [i] slide i
    std::array<QLabel *, 7> DataLabel{};        // 1..6 the read-out items
};
