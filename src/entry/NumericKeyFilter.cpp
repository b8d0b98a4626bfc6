#include "NumericKeyFilter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

char16_t NumericKeyFilter(char16_t key, const QString &text, const QString &selectedText, bool allowDecimal,
                          QChar decimalSeparator)
{
    if (key != decimalSeparator.unicode()) {
        const bool digit = key >= u'0' && key <= u'9';
        return (digit || key == u'\b') ? key : char16_t(0);
    }
    if (!allowDecimal)
        return 0;
    if (text.contains(decimalSeparator) && !selectedText.contains(decimalSeparator))
        return 0;
    return key;
}

bool DiscardsTypedKey(const QKeyEvent *event, const QLineEdit *field, bool allowDecimal, QChar decimalSeparator)
{
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.at(0).isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    for (const QChar c : typed)
        if (NumericKeyFilter(c.unicode(), field->text(), field->selectedText(), allowDecimal, decimalSeparator) == 0)
            return true;
    return false;
}

EntryFieldBehaviour::EntryFieldBehaviour(QLineEdit *field, FieldTyping typing, QChar decimalSeparator,
                                         QObject *parent)
    : QObject(parent)
    , m_field(field)
    , m_typing(typing)
    , m_decimal(decimalSeparator)
{
    field->installEventFilter(this);
}

void EntryFieldBehaviour::Detach()
{
    onEnter = nullptr;
    onKey = nullptr;
    onLeave = nullptr;
    if (m_field)
        m_field->removeEventFilter(this);
}

bool EntryFieldBehaviour::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn: {
        m_field->selectAll();
        // A mouse click places the cursor after the focus arrives; select again
        // once the click is done so the whole text is still overtyped.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::MouseFocusReason) {
            QPointer<QLineEdit> field = m_field;
            QMetaObject::invokeMethod(
                this, [field] { if (field && field->hasFocus()) field->selectAll(); }, Qt::QueuedConnection);
        }
        return false;
    }
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        m_leaveReason = reason;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && onLeave)
            onLeave();
        return false;
    }
    case QEvent::KeyPress: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (onEnter)
                onEnter();
            return true;
        }
        if (onKey && onKey(key))
            return true;
        if (m_typing == FieldTyping::FreeText)
            return false;
        return DiscardsTypedKey(key, m_field, m_typing == FieldTyping::Decimal, m_decimal);
    }
    default:
        return false;
    }
}
