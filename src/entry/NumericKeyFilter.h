#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QKeyEvent;
class QLineEdit;

// The key filter of the numeric fields: returns the key to pass on, or 0 to
// discard it. Digits and Backspace always pass; the decimal separator passes
// only where decimals are allowed and only once, unless the selection about to
// be overtyped holds the existing one. A minus sign never passes, so negative
// values cannot be typed.
char16_t NumericKeyFilter(char16_t key, const QString &text, const QString &selectedText, bool allowDecimal,
                          QChar decimalSeparator);

// NumericKeyFilter applied to a key press on `field`: true when the press types
// a character the filter discards. Enter, Backspace, editing keys and Ctrl/Alt
// shortcuts are never discarded here; they are the caller's and the field's.
bool DiscardsTypedKey(const QKeyEvent *event, const QLineEdit *field, bool allowDecimal, QChar decimalSeparator);

// What the operator's keys may put into an entry field.
enum class FieldTyping {
    FreeText, // every key
    Decimal,  // NumericKeyFilter with a decimal separator
    Whole,    // NumericKeyFilter without one
};

// The common manners of an entry field: the whole text selected when it gains
// the focus, its typing filtered key by key, Enter committing and moving on
// (swallowed), and leaving the field committing it. Only the keys that carry a
// printable character are filtered; editing keys, arrows and Ctrl shortcuts go
// through untouched.
class EntryFieldBehaviour : public QObject
{
    Q_OBJECT
public:
    EntryFieldBehaviour(QLineEdit *field, FieldTyping typing, QChar decimalSeparator, QObject *parent);

    // Stops every callback and filtering. Owners call it from their destructor:
    // a field deleted with the focus still gets a focus-out, and its owner must
    // not be called back half destroyed.
    void Detach();

    std::function<void()> onEnter;
    // A key the field treats in its own way (the sign of a position), asked
    // before the typing filter; true when it took the key.
    std::function<bool(QKeyEvent *)> onKey;
    // Runs when the focus moves to another control of the program; not when the
    // whole window loses the focus (another application, a message box), as the
    // field has not been left then.
    std::function<void()> onLeave;
    // Why the focus went, while onLeave runs.
    Qt::FocusReason LeaveReason() const { return m_leaveReason; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_field;
    FieldTyping m_typing;
    QChar m_decimal;
    Qt::FocusReason m_leaveReason = Qt::OtherFocusReason;
};
