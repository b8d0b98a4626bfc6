#include "shell/TestFeed.h"

#include "files/SlideSetFile.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {

MainWindow *FindMainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<MainWindow *>(w))
            return form;
    return nullptr;
}

// Where a key from the keyboard would go: the modal dialog if one is up (the
// start-up question before the window exists), else the window's focus.
QWidget *KeyTarget()
{
    QWidget *top = QApplication::activeModalWidget();
    if (!top)
        top = FindMainWindow();
    if (!top)
        return nullptr;
    QWidget *focus = top->focusWidget();
    return focus ? focus : top;
}

void SendKey(int key, Qt::KeyboardModifiers mods, const QString &text)
{
    QWidget *target = KeyTarget();
    if (!target)
        return;
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    if (QWidget *after = KeyTarget()) {
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QApplication::sendEvent(after, &release);
    }
}

int KeyOfChar(QChar c)
{
    if (c.isDigit())
        return Qt::Key_0 + c.digitValue();
    if (c.isLetter())
        return Qt::Key_A + (c.toUpper().unicode() - 'A');
    switch (c.unicode()) {
    case '.': return Qt::Key_Period;
    case ',': return Qt::Key_Comma;
    case '-': return Qt::Key_Minus;
    case ' ': return Qt::Key_Space;
    default: return Qt::Key_unknown;
    }
}

void Print(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Run(const QString &line)
{
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    const QString argument = line.section(QLatin1Char(' '), 1);
    if (command == QLatin1String("type")) {
        for (QChar c : argument)
            SendKey(KeyOfChar(c), Qt::NoModifier, QString(c));
    } else if (command == QLatin1String("key")) {
        static const std::pair<const char *, int> named[] = {
            {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape}, {"Tab", Qt::Key_Tab}, {"Delete", Qt::Key_Delete}};
        for (const auto &[name, key] : named)
            if (argument == QLatin1String(name))
                SendKey(key, Qt::NoModifier, QString());
        if (argument.startsWith(QLatin1String("Ctrl+")) && argument.size() == 6)
            SendKey(KeyOfChar(argument.back()), Qt::ControlModifier, QString());
    } else if (command == QLatin1String("focus")) {
        // As a click into the control would.
        if (MainWindow *form = FindMainWindow())
            if (auto *control = form->findChild<QWidget *>(argument))
                control->setFocus(Qt::MouseFocusReason);
    } else if (command == QLatin1String("title")) {
        // The title as the window manager shows it: the unsaved mark resolved.
        MainWindow *form = FindMainWindow();
        if (!form)
            return Print("title none");
        QString title = form->windowTitle();
        title.replace(QLatin1String("[*]"), form->isWindowModified() ? QStringLiteral("*") : QString());
        Print("title " + title.toUtf8());
    } else if (command == QLatin1String("message")) {
        // The text of the message box up now, if any.
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        Print("message " + (box ? box->text().simplified().toUtf8() : QByteArray("none")));
    } else if (command == QLatin1String("state")) {
        MainWindow *form = FindMainWindow();
        if (!form)
            return Print("state none");
        const QByteArray bytes = SlideSetFileBytes(form->Set(), form->ListSeparator(), form->Format());
        Print("state " + QByteArray(form->IsModified() ? "1 " : "0 ") + bytes.toBase64());
    }
}

} // namespace

void StartTestFeed()
{
    std::thread([] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromStdString(line).trimmed();
            QMetaObject::invokeMethod(qApp, [text] { Run(text); }, Qt::QueuedConnection);
        }
    }).detach();
}
