#pragma once
// Small makings shared by the panels of the main window.

#include <QColor>
#include <QString>

class QLineEdit;
class QTableWidget;
class QWidget;

template <class W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

inline QString indexed(const char *name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

// A table the program fills itself: no editing, no row headings, fixed sections.
void SetUpGrid(QTableWidget *grid, int columns);

// A field's face: white while it takes input, the window's button face when not.
void SetBoxColour(QLineEdit *box, bool enabled);

// A table's face for data entry on or off; `gridLines`, when valid, colours the
// lines between the cells as well.
void SetGridColours(QTableWidget *grid, bool enabled, const QColor &gridLines);
