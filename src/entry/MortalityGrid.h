#pragma once

#include <QList>
#include <QStringList>

#include <functional>

class QGridLayout;
class QLabel;
class QLineEdit;
class QObject;

// The cage counts as both the mortality frame and the control data dialog show
// them: each caption right-aligned in column 0 and the buddy of its box in
// column 1, one row per count, then a hidden result label in column 2 beside
// each count after the first (the first, the number in cage, has no result).
struct MortalityGrid {
    QList<QLabel *> captions;  // lblMortality1 … n
    QList<QLineEdit *> boxes;  // txtMortality1 … n
    QList<QLabel *> results;   // lblMortality(n+1) … (2n-1), beside boxes 2 … n
};

// Adds the rows to `grid`, the widgets on the grid's own widget. Every box is
// an entry field for whole numbers whose manners belong to `behaviourOwner`;
// leaving a box or pressing Enter in it calls back with its number (1 … n).
MortalityGrid AddMortalityGrid(QGridLayout &grid, const QStringList &captions, QChar decimalSeparator,
                               QObject *behaviourOwner, const std::function<void(int)> &onLeave,
                               const std::function<void(int)> &onEnter);
