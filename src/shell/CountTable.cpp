// The count table: one row per size class. Only the count column is ever
// edited, and only through the keys below, so a count is never half-typed into
// the slide.
#include "shell/MainForm.h"

#include "entry/SlideSetDocument.h"

#include <QKeyEvent>
#include <QTableWidget>
#include <QScopedValueRollback>

namespace {

QTableWidgetItem *makeItem(Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem;
    item->setTextAlignment(alignment);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

void MainForm::SetCellText(int row, int column, const QString &text)
{
    if (row < 1 || row > DataGrid->rowCount())
        return;
    QTableWidgetItem *item = DataGrid->item(row - 1, column);
    if (!item)
        return;
    if (column >= 2 && row < int(m_shownRows.size()))
        m_shownRows[size_t(row)] = ShownCountRow();
    if (item->text() != text)
        item->setText(text);
}

QString MainForm::CellText(int row, int column) const
{
    if (row < 1 || row > DataGrid->rowCount())
        return QString();
    const QTableWidgetItem *item = DataGrid->item(row - 1, column);
    return item ? item->text() : QString();
}

int MainForm::GridRow() const
{
    return DataGrid->currentRow() + 1;
}

void MainForm::SetGridCurrentCell(int row, int column)
{
    if (row < 1 || row > DataGrid->rowCount())
        return;
    DataGrid->setCurrentCell(row - 1, column);
    DataGrid->scrollToItem(DataGrid->item(row - 1, column));
}

void MainForm::ColourCountColumn(bool enabled)
{
    const QBrush back = enabled ? QBrush(Qt::white) : palette().brush(QPalette::Button);
    for (int r = 0; r < DataGrid->rowCount(); ++r)
        if (QTableWidgetItem *item = DataGrid->item(r, 2))
            item->setBackground(back);
}

void MainForm::ResizeCountTable()
{
    const int oldRows = DataGrid->rowCount();
    const int rows = m_set.Params.MaxSizeEPD;
    DataGrid->setRowCount(rows);
    m_shownRows.assign(size_t(rows) + 1, ShownCountRow());
    const QBrush fixedBack = palette().brush(QPalette::Button);
    for (int r = oldRows; r < rows; ++r) {
        QTableWidgetItem *size = makeItem(Qt::AlignCenter);
        size->setBackground(fixedBack);
        size->setFlags(Qt::ItemIsEnabled);
        DataGrid->setItem(r, 0, size);
        for (int c = 1; c <= 5; ++c)
            DataGrid->setItem(r, c, makeItem(Qt::AlignRight | Qt::AlignVCenter));
    }
    for (int r = 1; r <= rows; ++r)
        SetCellText(r, 0, m_format.Format(r, "0"));
    RewriteDiameterColumn();
    ColourCountColumn(m_set.SlideCount() > 0 && m_dataEntryEnabled);
    {
        const QScopedValueRollback guard(m_gridUpdating, true);
        SetGridCurrentCell(1, 2);
    }
}

void MainForm::RewriteDiameterColumn()
{
    for (int r = 1; r <= DataGrid->rowCount(); ++r)
        SetCellText(r, 1, m_format.Format(ShownClassDiameter(m_set.Params, r), "0.0") + QStringLiteral("       "));
}

void MainForm::DataGrid_CellChanged(int row, int column, int previousRow, int /*previousColumn*/)
{
    if (m_gridUpdating)
        return;
    // Leaving the cell commits what was typed into it.
    if (previousRow >= 1 && m_cellEditPending)
        DataGrid_CellLeave(previousRow);
    if (row >= 1 && column != 2) {
        {
            const QScopedValueRollback guard(m_gridUpdating, true);
            SetGridCurrentCell(row, 2);
        }
    }
}

void MainForm::DataGrid_CellLeave(int row)
{
    if (m_gridUpdating || !m_cellEditPending)
        return;
    m_cellEditPending = false;
    if (m_set.CurrentSlide < 1 || row < 1 || row > m_set.Params.MaxSizeEPD)
        return;
    const QString text = CellText(row, 2);
    if (text.isEmpty()) {
        m_document->SetDropCount(0, int16_t(row), 0);
    } else {
        // Text that is no count (a separator alone, more than 32767) keeps the
        // count the class had; the refresh below shows it again.
        int16_t value = 0;
        if (m_format.ToInt16(text, value) == ParseStatus::Ok && value >= 0)
            m_document->SetDropCount(0, int16_t(row), value);
    }
    RefreshCurrentSlide();
}

void MainForm::CommitPendingCell()
{
    if (m_cellEditPending && DataGrid)
        DataGrid_CellLeave(GridRow());
}

bool MainForm::DataGrid_KeyPress(QKeyEvent *event)
{
    if (!m_dataEntryEnabled || m_set.CurrentSlide < 1)
        return false;
    const int row = GridRow();
    if (row < 1)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Delete && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        SetCellText(row, 2, QString());
        m_cellEditPending = true;
        m_document->SetDropCount(0, int16_t(row), 0);
        if (row >= m_view.LargestSizeFound) {
            m_view.LargestSizeFound = ComputeLargestSizeFound(m_set);
            DrawResult();
            UpdateHistogramLabels();
        }
        DataGrid_CellLeave(row);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (row < DataGrid->rowCount())
            SetGridCurrentCell(row + 1, 2); // leaving the cell commits it
        else
            DataGrid_CellLeave(row);
        return true;
    }
    if (key == Qt::Key_Backspace) {
        QString text = CellText(row, 2);
        text.chop(1);
        SetCellText(row, 2, text);
        m_cellEditPending = true;
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false; // arrows, page keys: moving off the cell commits it
    const QChar c = text.at(0);
    if ((c.isDigit() && c.unicode() < 128) || c == m_format.decimalSeparator()) {
        SetCellText(row, 2, m_cellEditPending ? CellText(row, 2) + c : QString(c));
        m_cellEditPending = true;
    }
    // Any other character is swallowed, so it cannot start a search in the table.
    return true;
}
