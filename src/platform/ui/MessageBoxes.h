#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here, titled "Nimbrel", so that
// tests can answer them without a dialog blocking the run.
class MessageBoxes
{
public:
    enum Button { Ok, Cancel, Yes, No };
    enum Buttons { OkOnly, OkCancel, YesNo, YesNoCancel };
    enum Icon { NoIcon, Critical, Question, Exclamation, Information };

    // Shows a modal message and returns the button pressed (Escape gives Cancel
    // or No, whichever the box has, else Ok).
    static Button Show(QWidget *parent, const QString &text, Buttons buttons = OkOnly, Icon icon = NoIcon);

    // --- test seam -----------------------------------------------------------
    // While answers are queued, Show() records the message and returns the next
    // answer instead of showing anything.
    static void QueueAnswer(Button answer);
    static void ClearQueue();
    static int QueuedAnswers();
    // The text of the last message shown or answered from the queue, and how many
    // messages came since ResetLog().
    static QString LastText();
    static int ShownCount();
    static void ResetLog();
    // When set, a message arriving with an empty queue is answered with this
    // instead of blocking (tests set it to catch unexpected messages).
    static void SetFallbackAnswer(Button answer);
    static void ClearFallbackAnswer();
    // When set, a question (a box offering a choice) that arrives with an empty
    // queue is reported here before the fallback answers it: a window test fails
    // on it at once rather than going on with a guessed answer or hanging.
    static void SetUnexpectedQuestionHandler(std::function<void(const QString &text)> handler);
};
