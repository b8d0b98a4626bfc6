#pragma once

#include <QTableWidget>

#include <string>
#include <vector>

class QFont;
class WindowContext;
struct Slide;

// The count table DataGrid: one row per size class (EPD, diameter, count,
// EPD × count, volume fraction, cumulative fraction). Only the count column is
// ever edited, and only through the keys this table takes itself, so a count is
// never half-typed into the slide: it is committed when the cell is left.
class CountTable : public QTableWidget
{
    Q_OBJECT
public:
    CountTable(WindowContext &context, QWidget *parent);

    // Headings in the window's `font`; column widths from the heading texts.
    void SetHeadings(const QFont &font);
    void SetRowHeight(int rowHeight);
    // Every column and the vertical scroll bar inside the frame.
    int FullWidth() const;

    // MaxSizeEPD rows after the reticule changed, the count column's colour,
    // the current cell at class 1, sizes and diameters written.
    void Resize();
    // The diameter column after µm/EPD or the spread factor changed.
    void RewriteDiameters();
    // The counts and fractions of `slide`.
    void ShowSlide(const Slide &slide);
    // Data entry on or off; off also empties every computed cell.
    void SetEntryEnabled(bool enabled);
    // The current cell moved to the count of `sizeClass`, as the program moves it:
    // nothing typed is committed by it.
    void ShowSizeClass(int sizeClass);

    // A count typed and not yet left is committed to the slide on view.
    void CommitPendingCell();
    bool CellEditPending() const { return m_cellEditPending; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void currentCellMoved(int row, int column, int previousRow);
    void commitCell(int row);
    bool takeKey(QKeyEvent *event);
    void setCurrentClass(int sizeClass);
    int currentClass() const; // 1-based; 0: none
    void setCellText(int row, int column, const QString &text);
    QString cellText(int row, int column) const;
    void colourCountColumn(bool enabled);

    // What each row was last written with (the fractions as number text), so a
    // refresh touches only the cells whose text changed; a count of -1 marks a
    // row whose cells were written otherwise.
    struct ShownRow
    {
        int16_t Count = -1;
        std::string VF, Cumulative;
    };
    std::vector<ShownRow> m_shownRows;

    WindowContext &m_context;
    bool m_entryEnabled = false;
    bool m_cellEditPending = false;
};
