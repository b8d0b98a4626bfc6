#pragma once

#include "graphs/DrawingSurface.h"

#include <QGroupBox>

#include <array>

class PictureBox;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class WindowContext;

// The frame ResultFrame: the histogram ResultPic of the slide on view (or of
// the whole line) with its axis labels, the five graph options, the VMD, NMD
// and density read-outs, the Composite box and, in composite view, Print and
// Export Workbook….
class ResultsPanel : public QGroupBox
{
    Q_OBJECT
public:
    // `uiFont` is the interface font of the axis labels and the Composite box.
    ResultsPanel(WindowContext &context, const QFont &uiFont, QWidget *parent);

    // The frame's size in either screen layout.
    static QSize FrameSize(bool large, int lineHeight);
    // Everything inside the frame in place, the histogram's scale reset.
    void Arrange(bool large, int lineHeight);

    // Results on or off; off also clears the histogram, its labels and the
    // read-outs, and hides Print and Export Workbook….
    void SetResultsEnabled(bool enabled);
    bool ResultsEnabled() const { return m_enabled; }
    // The results of the view: enabled or not, then drawn afresh.
    void ShowResults(bool enabled);

    // Redraws the histogram (nothing while there is nothing to draw).
    void DrawResult();
    void UpdateHistogramLabels();
    void SetHistogramRightLabel(const QString &text);
    void UpdateStatsLabels();

    void SelectGraphOption(int option);
    // The graph of the chosen option drawn for the view (slide or composite).
    void ShowChosenGraph();

    // The Composite box: offered from two slides on.
    void SetCompositeOffered(bool offered);
    bool CompositeOffered() const;
    void SetCompositeChecked(bool checked);
    bool CompositeChecked() const;
    // The captions and Print of the composite view, or of a slide.
    void ShowCompositeMode(bool composite);

signals:
    void CompositeToggled(bool checked);
    void PrintRequested();
    void ExportRequested();

private:
    void graphOptionChosen(int option);
    int chosenGraphOption() const;
    void placeHistogramLabels();
    void showToolTip(const QPointF &pixel);

    WindowContext &m_context;
    bool m_enabled = false;
    // The user scale the last histogram left on ResultPic (the axis labels and
    // the tool tip read it).
    UserScale m_histScale;

    PictureBox *ResultPic = nullptr;
    QLabel *ResultLabelX1 = nullptr, *ResultLabelX2 = nullptr;
    QLabel *ResultLabelY1 = nullptr, *ResultLabelY2 = nullptr;
    QLabel *ResultLabel = nullptr;
    std::array<QRadioButton *, 6> GraphOption{}; // 1 … 5
    QButtonGroup *m_graphGroup = nullptr;
    std::array<QLabel *, 4> InfoLabel{};         // 1 … 3
    QLabel *VMDLabel = nullptr, *NMDLabel = nullptr, *DropLabel = nullptr;
    QCheckBox *CompositeCheck = nullptr;
    QPushButton *btnPrint = nullptr;
    QPushButton *btnExportWorkbook = nullptr;
};
