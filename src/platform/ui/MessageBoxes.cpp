#include "MessageBoxes.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

#include <deque>
#include <optional>
#include <utility>

namespace {

// Message texts are broken into lines by hand. The toolkit's box re-wraps any
// text wider than a fraction of the screen (on 800 pixels, a third of it); this
// one keeps the breaks as long as every line fits on the screen.
class LineKeepingBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        auto *label = findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        if (!label || !layout())
            return;
        const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect room = s ? s->availableGeometry() : QRect(0, 0, 800, 600);
        int widest = 0;
        for (const QString &line : label->text().split(QLatin1Char('\n')))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
        if (widest > room.width() * 3 / 4)
            return;
        label->setWordWrap(false);
        label->setMinimumWidth(widest);
        layout()->activate();
        const QSize size = layout()->totalMinimumSize().expandedTo(this->size());
        setFixedSize(std::min(size.width(), room.width()), std::min(size.height(), room.height()));
        // Still centred on the owner, and on screen.
        QRect frame = geometry();
        frame.moveCenter(parentWidget() ? parentWidget()->window()->geometry().center() : room.center());
        frame.moveRight(std::min(frame.right(), room.right()));
        frame.moveBottom(std::min(frame.bottom(), room.bottom()));
        frame.moveLeft(std::max(frame.left(), room.left()));
        frame.moveTop(std::max(frame.top(), room.top()));
        move(frame.topLeft());
    }
};

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

    LineKeepingBox box(parent);
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
