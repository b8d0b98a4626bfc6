#pragma once

#include <QGroupBox>

#include <array>

class QFont;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class WindowContext;

// The frame frameStats: the size-range table StatsGrid of the slide on view, as
// counted on the slide or as mass and size in the cloud, with the choice of the
// two beside it.
class SizeRangeFrame : public QGroupBox
{
    Q_OBJECT
public:
    SizeRangeFrame(WindowContext &context, QWidget *parent);

    // Headings and range captions in the window's `font`, the columns as wide
    // as the widest text.
    void SetHeadings(const QFont &font);
    // The table and the options in place, the options beside the table in the
    // large layout and under it in the small one; the frame's natural size.
    QSize Arrange(bool large, int rowHeight);

    // The range figures of the view (empty for a slide without drops).
    void Fill();
    void SetEntryEnabled(bool enabled);

    // The collector dialog, as the "Collector…" button opens it.
    void btnCollector_Click();

private:
    void cloudOptionChosen(int option);
    void cloudMethodChosen(int method);
    // The figures on view after the weighting changed: the slide's and, in
    // composite view, the line's.
    void showReweighted();
    void showMethodControls();

    WindowContext &m_context;
    QTableWidget *StatsGrid = nullptr;
    QGroupBox *frameCloudMethod = nullptr;
    std::array<QRadioButton *, 3> optCloud_Slide{}; // 1 on slide, 2 in cloud
    std::array<QRadioButton *, 3> optCloudMethod{};
    QPushButton *btnCollector = nullptr;
    QLabel *lblCloudNote = nullptr; // drops below the efficiency floor: a lower bound
    bool m_entryEnabled = false;
};
