#include "window/PanelWidgets.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

void SetUpGrid(QTableWidget *grid, int columns)
{
    grid->setColumnCount(columns);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
}

void SetBoxColour(QLineEdit *box, bool enabled)
{
    QPalette p = box->palette();
    const QColor colour = enabled ? QColor(Qt::white) : box->palette().color(QPalette::Button);
    p.setColor(QPalette::Active, QPalette::Base, colour);
    p.setColor(QPalette::Inactive, QPalette::Base, colour);
    p.setColor(QPalette::Disabled, QPalette::Base, colour);
    box->setPalette(p);
}

void SetGridColours(QTableWidget *grid, bool enabled, const QColor &gridLines)
{
    const QPalette window = grid->window()->palette();
    const QColor back = enabled ? QColor(230, 230, 230) : window.color(QPalette::Button);
    const QColor text = enabled ? QColor(Qt::black) : window.color(QPalette::Disabled, QPalette::WindowText);
    if (gridLines.isValid()) {
        // Grid lines have no palette role; the style sheet carries all three.
        grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: %1; color: %2; background-color: %3; }")
                                .arg(gridLines.name(), text.name(), back.name()));
        // The sheet paints the whole background of the cells, yet leaves them
        // marked see-through: every changed figure would repaint the frames
        // behind the table as well.
        grid->viewport()->setAutoFillBackground(true);
        return;
    }
    QPalette p = grid->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Base, back);
        p.setColor(g, QPalette::Text, text);
    }
    grid->setPalette(p);
}
