#include "entry/frmSlidePos.h"

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
    txtSlidePos->installEventFilter(this);
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

// The keypad minus turns the sign; the minus character itself is never typed.
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
    if (FindSlideAtPosition(m_set, value) != 0) {
        MessageBoxes::Show(this, QStringLiteral("A slide from that location has already been entered."));
        txtSlidePos->clear();
        return;
    }
    SlidePos = value;
    Cancelled = false;
    accept();
}

bool frmSlidePos::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != txtSlidePos || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape) {
        Cancelled = true;
        reject();
        return true;
    }
    if (key->key() == Qt::Key_Minus && (key->modifiers() & Qt::KeypadModifier)) {
        ToggleSign();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        Commit();
        return true;
    }
    if (key->key() == Qt::Key_Backspace)
        return false;
    const QString text = key->text();
    if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false; // arrows, Home, Delete and the like edit as usual
    const QChar c = text.at(0);
    if (c.isDigit() && c.unicode() < 128)
        return false;
    if (c == QChar(8))
        return false;
    if (c == m_format.decimalSeparator())
        return txtSlidePos->text().contains(c);
    return true;
}
