#pragma once
// A real main window on a settings file of the test's own, with helpers that
// type into it the way an operator does.

#include "entry/frmSlidePos.h"
#include "platform/ui/MessageBoxes.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets>

#include <memory>

class WindowFixture
{
public:
    // A window laid out for a screen `yres` high; maxSizeEPD 0 keeps the default.
    void Open(int yres = 768, int maxSizeEPD = 0, const StartUpValues &startUp = StartUpValues())
    {
        m_dir = std::make_unique<QTemporaryDir>();
        Store.File = m_dir->filePath(QStringLiteral("nimbrel.ini"));
        if (maxSizeEPD > 0)
            SaveSetting(Store, QStringLiteral("Settings"), QStringLiteral("MaxSizeEPD"), QString::number(maxSizeEPD));
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
        MessageBoxes::SetFallbackAnswer(MessageBoxes::Ok);
        MessageBoxes::SetUnexpectedQuestionHandler([](const QString &text) {
            QTest::qFail(qPrintable(QStringLiteral("unexpected question: ") + text), __FILE__, __LINE__);
        });
        Form = MakeMainWindow(startUp, Store);
        Form->AdjustScreen(yres);
        Form->show();
        Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    }
    void Close() { Form.reset(); }

    template <class T = QWidget>
    T *Find(const QString &name) const
    {
        T *w = Form->findChild<T *>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    QTableWidget *Grid() const { return Find<QTableWidget>(QStringLiteral("DataGrid")); }
    QTabBar *Strip() const { return Find<QTabBar>(QStringLiteral("SlideStrip")); }
    QLineEdit *Entry() const { return Find<QLineEdit>(QStringLiteral("txtDataEntry")); }
    QString Label(const QString &name) const { return Find<QLabel>(name)->text(); }
    bool Shown(const QString &name) const { return Find(name)->isVisibleTo(Form.get()); }

    QString Cell(int row, int column) const
    {
        const QTableWidgetItem *item = Grid()->item(row - 1, column);
        return item ? item->text() : QString();
    }
    int CurrentGridRow() const { return Grid()->currentRow() + 1; }

    QStringList TabCaptions() const
    {
        QStringList captions;
        for (int i = 0; i < Strip()->count(); ++i)
            captions << Strip()->tabText(i);
        return captions;
    }

    // New Slide as an operator types it; a dialog left open is cancelled so no test hangs.
    void NewSlide(const QString &position)
    {
        QTimer::singleShot(0, Form.get(), [this, position] {
            if (auto *dialog = qobject_cast<frmSlidePos *>(QApplication::activeModalWidget())) {
                auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("txtSlidePos"));
                TypePosition(box, position);
                QTest::keyClick(box, Qt::Key_Return);
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        QTest::mouseClick(Find<QPushButton>(QStringLiteral("btnNewSlide")), Qt::LeftButton);
        // The offscreen platform does not hand activation back by itself.
        Form->activateWindow();
        if (!QTest::qWaitForWindowActive(Form.get()))
            qWarning("the window did not become active again");
    }

    // A leading "-" goes in through the keypad minus.
    static void TypePosition(QLineEdit *box, const QString &position)
    {
        const bool negative = position.startsWith(QLatin1Char('-'));
        QTest::keyClicks(box, negative ? position.mid(1) : position);
        if (negative)
            QTest::keyClick(box, Qt::Key_Minus, Qt::KeypadModifier);
    }

    void TypeDrop(const QString &size)
    {
        QTest::keyClicks(Entry(), size);
        QTest::keyClick(Entry(), Qt::Key_Return);
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget *target = nullptr)
    {
        QTest::keyClick(target ? target : static_cast<QWidget *>(Form.get()), key, mods);
    }

    SettingsStore Store;
    std::unique_ptr<MainWindow> Form;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};
