#include "entry/frmSlidePos.h"

#include "entry/NumericKeyFilter.h"
#include "model/NumberText.h"
#include "model/SlideSet.h"
#include "platform/ui/MessageBoxes.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

frmSlidePos::frmSlidePos(const SlideSet &set, const NumberFormat &format, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_set(set)
    , m_format(format)
{
    setObjectName(QStringLiteral("frmSlidePos"));
    setWindowTitle(QStringLiteral("Slide Position"));
    setModal(true);
    auto *prompt = new QLabel(QStringLiteral("Please enter this slide's position relative to the spray line:"), this);
    prompt->setWordWrap(true);
    txtSlidePos = new QLineEdit(this);
    txtSlidePos->setObjectName(QStringLiteral("txtSlidePos"));
    lblUnit = new QLabel(m_set.Params.Metric ? QStringLiteral("m") : QStringLiteral("ft"), this);
    lblUnit->setObjectName(QStringLiteral("lblUnit"));
    auto *row = new QHBoxLayout;
    row->addWidget(txtSlidePos);
    row->addWidget(lblUnit);
    row->addStretch();
    auto *column = new QVBoxLayout(this);
    column->addWidget(prompt);
    column->addLayout(row);
    setFixedWidth(260);
    // The keypad minus turns the sign; the minus character itself is never typed.
    auto *field = new EntryFieldBehaviour(txtSlidePos, FieldTyping::Decimal, m_format.decimalSeparator(), this);
    field->onEnter = [this] { Commit(); };
    field->onKey = [this](QKeyEvent *key) {
        if (key->key() != Qt::Key_Minus || !(key->modifiers() & Qt::KeypadModifier))
            return false;
        ToggleSign();
        return true;
    };
    txtSlidePos->setFocus();
    Cancelled = true;
}

void frmSlidePos::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Cancelled = true;
        reject();
        return;
    }
    // Enter is answered by the position box alone.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

void frmSlidePos::ToggleSign()
{
    const QString text = txtSlidePos->text();
    if (text.isEmpty()) {
        txtSlidePos->setText(QStringLiteral("-"));
    } else if (text == QLatin1String("-")) {
        txtSlidePos->clear();
    } else {
        float value = 0;
        if (m_format.ToSingle(text, value) == ParseStatus::Ok && value != 0.0f)
            txtSlidePos->setText(m_format.General(-value));
    }
    txtSlidePos->setCursorPosition(int(txtSlidePos->text().size()));
}

void frmSlidePos::Commit()
{
    const QString text = txtSlidePos->text();
    if (text.isEmpty())
        return;
    float value = 0;
    // A lone "-" or separator is no position yet: Enter waits for one.
    if (m_format.ToSingle(text, value) != ParseStatus::Ok)
        return;
    // A position that reads like another slide's would give two tabs the same caption.
    if (FindSlideShownAlike(m_set, value) != 0) {
        MessageBoxes::Show(this, QStringLiteral("A slide from that location has already been entered."));
        txtSlidePos->clear();
        return;
    }
    SlidePos = value;
    Cancelled = false;
    accept();
}
