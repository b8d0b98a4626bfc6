#include "window/CountTable.h"

#include "entry/SlideSetDocument.h"
#include "model/Units.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

constexpr int kCountColumn = 2;

// Trailing blanks keep the figures off the right border.
const QString kFractionPad(QStringLiteral("       "));
const QString kCountPad(QStringLiteral("        "));

QTableWidgetItem *makeItem(Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem;
    item->setTextAlignment(alignment);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

CountTable::CountTable(WindowContext &context, QWidget *parent)
    : QTableWidget(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("DataGrid"));
    SetUpGrid(this, 6);
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int previousRow, int) { currentCellMoved(row + 1, column, previousRow + 1); });
    installEventFilter(this);
}

void CountTable::SetHeadings(const QFont &font)
{
    const QStringList headings = {QStringLiteral("EPD"), QStringLiteral("Diam. (") + Microns() + QLatin1Char(')'),
                                  QStringLiteral("Count"), QStringLiteral("EPD") + QChar(0x00D7) + QStringLiteral("Count"),
                                  QStringLiteral("Vol. Fraction"), QStringLiteral("Cumulative VF")};
    // A desktop theme may give item views a face of its own; the table keeps the
    // window's, so the widths measured here are the widths drawn.
    setFont(font);
    horizontalHeader()->setFont(font);
    setHorizontalHeaderLabels(headings);
    const QFontMetrics fm(horizontalHeader()->font());
    for (int c = 0; c < headings.size(); ++c)
        setColumnWidth(c, fm.horizontalAdvance(headings[c]) + 12);
}

void CountTable::SetRowHeight(int rowHeight)
{
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight + 4);
}

int CountTable::FullWidth() const
{
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < columnCount(); ++c)
        width += columnWidth(c);
    return width;
}

void CountTable::setCellText(int row, int column, const QString &text)
{
    if (row < 1 || row > rowCount())
        return;
    QTableWidgetItem *cell = item(row - 1, column);
    if (!cell)
        return;
    if (column >= kCountColumn && row < int(m_shownRows.size()))
        m_shownRows[size_t(row)] = ShownRow();
    if (cell->text() != text)
        cell->setText(text);
}

QString CountTable::cellText(int row, int column) const
{
    if (row < 1 || row > rowCount())
        return QString();
    const QTableWidgetItem *cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

int CountTable::currentClass() const
{
    return currentRow() + 1;
}

void CountTable::setCurrentClass(int sizeClass)
{
    if (sizeClass < 1 || sizeClass > rowCount())
        return;
    setCurrentCell(sizeClass - 1, kCountColumn);
    scrollToItem(item(sizeClass - 1, kCountColumn));
}

void CountTable::ShowSizeClass(int sizeClass)
{
    const QSignalBlocker programMove(this);
    setCurrentClass(sizeClass);
}

void CountTable::colourCountColumn(bool enabled)
{
    const QBrush back = enabled ? QBrush(Qt::white) : window()->palette().brush(QPalette::Button);
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem *cell = item(r, kCountColumn))
            cell->setBackground(back);
}

void CountTable::Resize()
{
    const SlideSet &set = m_context.Set();
    const int oldRows = rowCount();
    const int rows = set.Params.MaxSizeEPD;
    setRowCount(rows);
    m_shownRows.assign(size_t(rows) + 1, ShownRow());
    const QBrush fixedBack = window()->palette().brush(QPalette::Button);
    for (int r = oldRows; r < rows; ++r) {
        QTableWidgetItem *size = makeItem(Qt::AlignCenter);
        size->setBackground(fixedBack);
        size->setFlags(Qt::ItemIsEnabled);
        setItem(r, 0, size);
        for (int c = 1; c <= 5; ++c)
            setItem(r, c, makeItem(Qt::AlignRight | Qt::AlignVCenter));
    }
    for (int r = 1; r <= rows; ++r)
        setCellText(r, 0, m_context.Format().Format(r, "0"));
    RewriteDiameters();
    colourCountColumn(set.SlideCount() > 0 && m_entryEnabled);
    ShowSizeClass(1);
}

void CountTable::RewriteDiameters()
{
    for (int r = 1; r <= rowCount(); ++r)
        setCellText(r, 1, m_context.Format().Format(ShownClassDiameter(m_context.Set().Params, r), "0.0") + kFractionPad);
}

void CountTable::ShowSlide(const Slide &slide)
{
    const NumberFormat &format = m_context.Format();
    const int classes =
        std::min<int>({m_context.Set().Params.MaxSizeEPD, int(slide.Counts.size()) - 1, int(m_shownRows.size()) - 1});
    float cumulative = 0;
    // A drop changes its own class and the fractions of the others; at 2 000
    // classes rewriting every row would be most of the refresh.
    char text[NumberText::kCapacity];
    for (int k = 1; k <= classes; ++k) {
        const int16_t count = slide.Counts[k];
        ShownRow shown = std::move(m_shownRows[size_t(k)]);
        if (count > 0) {
            cumulative = cumulative + slide.VF[k];
            const bool rewrite = count != shown.Count;
            if (rewrite) {
                setCellText(k, 2, format.Format(count, "0"));
                setCellText(k, 3, format.Format(double(count) * k, "0") + kCountPad);
            }
            const std::string_view vf(text, size_t(NumberText::Format(text, slide.VF[k], "0.00") - text));
            if (rewrite || vf != shown.VF) {
                setCellText(k, 4, format.Format(slide.VF[k], "0.00") + kFractionPad);
                shown.VF = vf;
            }
            const std::string_view cumulativeText(text, size_t(NumberText::Format(text, cumulative, "0.00") - text));
            if (rewrite || cumulativeText != shown.Cumulative) {
                setCellText(k, 5, format.Format(cumulative, "0.00") + kFractionPad);
                shown.Cumulative = cumulativeText;
            }
            shown.Count = count;
        } else if (shown.Count != 0) {
            for (int c = 2; c <= 5; ++c)
                setCellText(k, c, QString());
            shown = ShownRow{0, {}, {}};
        }
        m_shownRows[size_t(k)] = std::move(shown);
    }
}

void CountTable::SetEntryEnabled(bool enabled)
{
    m_entryEnabled = enabled;
    SetGridColours(this, enabled, QColor());
    colourCountColumn(enabled);
    {
        const QSignalBlocker programMove(this);
        setCurrentClass(1);
        // A table nobody can type into shows no highlighted cell.
        if (!enabled)
            clearSelection();
    }
    if (!enabled)
        for (int r = 1; r <= m_context.Set().Params.MaxSizeEPD; ++r)
            for (int c = 2; c <= 5; ++c)
                setCellText(r, c, QString());
}

void CountTable::currentCellMoved(int row, int column, int previousRow)
{
    // Leaving the cell commits what was typed into it.
    if (previousRow >= 1 && m_cellEditPending)
        commitCell(previousRow);
    if (row >= 1 && column != kCountColumn)
        ShowSizeClass(row);
}

void CountTable::commitCell(int row)
{
    if (!m_cellEditPending)
        return;
    m_cellEditPending = false;
    const SlideSet &set = m_context.Set();
    if (set.CurrentSlide < 1 || row < 1 || row > set.Params.MaxSizeEPD)
        return;
    const QString text = cellText(row, kCountColumn);
    if (text.isEmpty()) {
        m_context.Document().SetDropCount(0, int16_t(row), 0);
    } else {
        // Text that is no count (a separator alone, more than 32767) keeps the
        // count the class had; the refresh below shows it again.
        int16_t value = 0;
        if (m_context.Format().ToInt16(text, value) == ParseStatus::Ok && value >= 0)
            m_context.Document().SetDropCount(0, int16_t(row), value);
    }
    m_context.RefreshCurrentSlide();
}

void CountTable::CommitPendingCell()
{
    if (m_cellEditPending)
        commitCell(currentClass());
}

bool CountTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::KeyPress)
        return takeKey(static_cast<QKeyEvent *>(event));
    if (watched == this && event->type() == QEvent::FocusOut) {
        // Another window taking the focus (a message box, another program) is
        // not the operator leaving the table.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            CommitPendingCell();
    }
    return QTableWidget::eventFilter(watched, event);
}

// The keys typed into the count column. Taken before the table sees them, so
// that no key starts a search in the table or moves the focus out of it.
bool CountTable::takeKey(QKeyEvent *event)
{
    if (!m_entryEnabled || m_context.Set().CurrentSlide < 1)
        return false;
    const int row = currentClass();
    if (row < 1)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Delete && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        setCellText(row, kCountColumn, QString());
        m_cellEditPending = true;
        m_context.Document().SetDropCount(0, int16_t(row), 0);
        ViewState &view = m_context.View();
        if (row >= view.LargestSizeFound) {
            view.LargestSizeFound = ComputeLargestSizeFound(m_context.Set());
            m_context.DrawResult();
            m_context.UpdateHistogramLabels();
        }
        commitCell(row);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (row < rowCount())
            setCurrentClass(row + 1); // leaving the cell commits it
        else
            commitCell(row);
        return true;
    }
    if (key == Qt::Key_Backspace) {
        QString text = cellText(row, kCountColumn);
        text.chop(1);
        setCellText(row, kCountColumn, text);
        m_cellEditPending = true;
        return true;
    }
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false; // arrows, page keys: moving off the cell commits it
    const QChar c = text.at(0);
    if ((c.isDigit() && c.unicode() < 128) || c == m_context.Format().decimalSeparator()) {
        setCellText(row, kCountColumn, m_cellEditPending ? cellText(row, kCountColumn) + c : QString(c));
        m_cellEditPending = true;
    }
    // Any other character is swallowed.
    return true;
}
