#include "MortalityGrid.h"

#include "NumericKeyFilter.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace {

QString indexed(const char *name, qsizetype i)
{
    return QString::fromLatin1(name) + QString::number(i);
}

} // namespace

MortalityGrid AddMortalityGrid(QGridLayout &grid, const QStringList &captions, QChar decimalSeparator,
                               QObject *behaviourOwner, const std::function<void(int)> &onLeave,
                               const std::function<void(int)> &onEnter)
{
    QWidget *owner = grid.parentWidget();
    MortalityGrid made;
    const qsizetype count = captions.size();
    // Caption and box made in turn, so the tab order runs down the boxes.
    for (int i = 1; i <= count; ++i) {
        auto *caption = new QLabel(captions[i - 1], owner);
        caption->setObjectName(indexed("lblMortality", i));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto *box = new QLineEdit(owner);
        box->setObjectName(indexed("txtMortality", i));
        box->setFixedWidth(52);
        caption->setBuddy(box);
        grid.addWidget(caption, i - 1, 0);
        grid.addWidget(box, i - 1, 1);
        made.captions << caption;
        made.boxes << box;

        // Counts are whole numbers: digits and Backspace only.
        auto *behaviour = new EntryFieldBehaviour(box, FieldTyping::Whole, decimalSeparator, behaviourOwner);
        behaviour->onLeave = [onLeave, i] { onLeave(i); };
        behaviour->onEnter = [onEnter, i] { onEnter(i); };
    }
    for (qsizetype i = count + 1; i < 2 * count; ++i) {
        auto *result = new QLabel(owner);
        result->setObjectName(indexed("lblMortality", i));
        result->setVisible(false);
        grid.addWidget(result, int(i - count), 2);
        made.results << result;
    }
    return made;
}
