#include "MessageBoxes.h"

#include <QMessageBox>

#include <deque>
#include <optional>
#include <utility>

namespace {

struct SeamState
{
    std::deque<MessageBoxes::Button> answers;
    std::optional<MessageBoxes::Button> fallback;
    std::function<void(const QString &)> unexpectedQuestion;
    QString lastText;
    int shown = 0;
};

SeamState &seam()
{
    static SeamState state;
    return state;
}

} // namespace

MessageBoxes::Button MessageBoxes::Show(QWidget *parent, const QString &text, Buttons buttons, Icon icon)
{
    SeamState &s = seam();
    s.lastText = text;
    ++s.shown;
    if (!s.answers.empty()) {
        const Button answer = s.answers.front();
        s.answers.pop_front();
        return answer;
    }
    if (buttons != OkOnly && s.unexpectedQuestion)
        s.unexpectedQuestion(text);
    if (s.fallback)
        return *s.fallback;

    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Nimbrel"));
    box.setText(text);
    switch (icon) {
    case NoIcon: box.setIcon(QMessageBox::NoIcon); break;
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    case Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case OkOnly: box.setStandardButtons(QMessageBox::Ok); break;
    case OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case YesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Ok;
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
    default: break;
    }
    // Closed with Escape or the window's close button.
    if (buttons == YesNo)
        return No;
    if (buttons == OkOnly)
        return Ok;
    return Cancel;
}

void MessageBoxes::QueueAnswer(Button answer) { seam().answers.push_back(answer); }
void MessageBoxes::ClearQueue() { seam().answers.clear(); }
int MessageBoxes::QueuedAnswers() { return int(seam().answers.size()); }
QString MessageBoxes::LastText() { return seam().lastText; }
int MessageBoxes::ShownCount() { return seam().shown; }
void MessageBoxes::ResetLog()
{
    seam().lastText.clear();
    seam().shown = 0;
}
void MessageBoxes::SetFallbackAnswer(Button answer) { seam().fallback = answer; }
void MessageBoxes::ClearFallbackAnswer() { seam().fallback.reset(); }
void MessageBoxes::SetUnexpectedQuestionHandler(std::function<void(const QString &)> handler)
{
    seam().unexpectedQuestion = std::move(handler);
}
