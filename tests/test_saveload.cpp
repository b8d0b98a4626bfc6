// Save Slide Set, Load Slide Set and the question on closing, through the real
// window: files are chosen through the dialog seam, messages answered through
// the message seam.
#include "test_window_fixture.h"

#include "entry/ParameterPanel.h"
#include "entry/frmControlData.h"
#include "platform/ui/CCommonDialogs.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

QLineEdit *box(WindowFixture &w, const QString &name)
{
    return w.Find<QLineEdit>(name);
}

// Types over the field's text and presses Enter, as the operator does.
void typeInto(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A folder the program cannot write into, even when the tests run as root
// (there the immutable attribute does what permissions cannot).
class LockedFolder
{
public:
    explicit LockedFolder(const QString &path)
        : m_path(path)
    {
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_path}) == 0)
            m_attribute = true;
        else
            QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(m_path + QStringLiteral("/probe"));
        m_locked = !probe.open(QIODevice::WriteOnly);
        if (!m_locked)
            probe.remove();
    }
    ~LockedFolder()
    {
        if (m_attribute)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Locked() const { return m_locked; }

private:
    QString m_path;
    bool m_attribute = false;
    bool m_locked = false;
};

} // namespace

class TestSaveLoad : public QObject
{
    Q_OBJECT

private:
    WindowFixture w;
    QTemporaryDir dir;

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    void activate()
    {
        QApplication::setActiveWindow(w.Form.get());
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
    }

    // A set made by typing: parameters on every tab, U.S. units, two slides with
    // drops and cages, and a control cage.
    void makeSetByTyping()
    {
        activate();
        w.NewSlide(QStringLiteral("10"));
        for (const char *size : {"3", "3", "7", "12", "1"})
            w.TypeDrop(QString::fromLatin1(size));
        typeInto(box(w, QStringLiteral("txtMortality1")), QStringLiteral("20"));
        typeInto(box(w, QStringLiteral("txtMortality2")), QStringLiteral("5"));
        typeInto(box(w, QStringLiteral("txtMortality3")), QStringLiteral("9"));
        typeInto(box(w, QStringLiteral("txtMortality4")), QStringLiteral("12"));
        w.NewSlide(QStringLiteral("2.5"));
        for (const char *size : {"2", "18", "18"})
            w.TypeDrop(QString::fromLatin1(size));

        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            typeInto(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality1")), QStringLiteral("20"));
            typeInto(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality2")), QStringLiteral("1"));
            typeInto(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality3")), QStringLiteral("2"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnAccept"))->click();
        });
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnControlData")), Qt::LeftButton);
        activate();

        const QStringList sprayer = {QStringLiteral("Vector Control District"), QStringLiteral("Air Tractor 502"),
                                     QStringLiteral("150"), QStringLiteral("05-Mar-2024"), QStringLiteral("06:40")};
        for (int i = 1; i <= 5; ++i)
            typeInto(box(w, QStringLiteral("txtSprayer%1").arg(i)), sprayer[i - 1]);
        // Enter on Time has moved to the Optics tab.
        typeInto(box(w, QStringLiteral("txtOptics3")), QStringLiteral("24.5"));
        typeInto(box(w, QStringLiteral("txtOptics4")), QStringLiteral("0.6"));
        const QStringList met = {QStringLiteral("2"), QStringLiteral("21.5"), QStringLiteral("8"),
                                 QStringLiteral("270"), QStringLiteral("65")};
        for (int i = 0; i <= 4; ++i)
            typeInto(box(w, QStringLiteral("txtMet%1").arg(i)), met[i]);
        typeInto(box(w, QStringLiteral("txtProduct1")), QStringLiteral("Naled"));
        typeInto(box(w, QStringLiteral("txtProduct2")), QStringLiteral("0.75"));
        auto *us = w.Find<QRadioButton>(QStringLiteral("optUnits0"));
        QCOMPARE(w.Find<QTabWidget>(QStringLiteral("tabParameters"))->currentIndex(), 4);
        QTest::mouseClick(us, Qt::LeftButton, {}, QPoint(6, us->height() / 2)); // on the button itself
        QVERIFY(!w.Form->Set().Params.Metric);
        w.Form->findChild<ParameterPanel *>()->SelectTab(2);
        typeInto(box(w, QStringLiteral("txtOptics1")), QStringLiteral("1"));
    }

private slots:
    void init()
    {
        CCommonDialogs::ClearQueue();
        CCommonDialogs::ResetLog();
        w.Open();
    }
    void cleanup()
    {
        // A question left unanswered must not stop the next window from closing.
        MessageBoxes::ClearQueue();
        MessageBoxes::SetFallbackAnswer(MessageBoxes::No);
        w.Close();
        QCOMPARE(CCommonDialogs::QueuedChoices(), 0);
        CCommonDialogs::ClearQueue();
    }

    void saveResetLoadRoundTrip()
    {
        makeSetByTyping();
        const SlideSet before = w.Form->Set();
        QCOMPARE(before.SlideCount(), int16_t(2));
        QVERIFY(w.Form->IsModified());

        // Ctrl+S; the name typed without an extension gets ".csv".
        CCommonDialogs::QueueFileName(path(QStringLiteral("line1")));
        w.Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(CCommonDialogs::LastTitle(), QStringLiteral("Save Slide Set"));
        QCOMPARE(CCommonDialogs::LastFilter(), QStringLiteral("Comma-Separated Values File (*.csv)|*.csv"));
        QVERIFY(QFile::exists(path(QStringLiteral("line1.csv"))));
        QCOMPARE(w.Form->InitialDir(), QDir::toNativeSeparators(dir.path() + QLatin1Char('/')));
        QVERIFY(!w.Form->IsModified());

        MessageBoxes::QueueAnswer(MessageBoxes::Yes); // delete all slides
        w.Key(Qt::Key_Delete, Qt::ControlModifier, w.Entry());
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        QVERIFY(box(w, QStringLiteral("txtSprayer1"))->text().isEmpty());

        CCommonDialogs::QueueFileName(path(QStringLiteral("line1.csv")));
        w.Key(Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(CCommonDialogs::LastTitle(), QStringLiteral("Load Slide Set"));
        QCOMPARE(CCommonDialogs::LastInitialDir(), QDir::toNativeSeparators(dir.path() + QLatin1Char('/')));

        const SlideSet &after = w.Form->Set();
        QCOMPARE(after.SlideCount(), int16_t(2));
        QCOMPARE(after.Params, before.Params);
        QCOMPARE(after.Texts, before.Texts);
        QCOMPARE(after.ControlData, before.ControlData);
        for (int16_t i = 1; i <= 2; ++i) {
            QCOMPARE(after.Slides[i].Position, before.Slides[i].Position);
            QCOMPARE(after.Slides[i].Sweeps, before.Slides[i].Sweeps);
            QCOMPARE(after.Slides[i].Counts, before.Slides[i].Counts);
            QCOMPARE(after.Slides[i].Cage, before.Slides[i].Cage);
            QCOMPARE(after.Slides[i].Mortality24h, before.Slides[i].Mortality24h);
            QCOMPARE(after.Slides[i].VMD, before.Slides[i].VMD);
        }
        // What the operator sees: fields, units, tabs, buttons.
        QCOMPARE(box(w, QStringLiteral("txtSprayer1"))->text(), QStringLiteral("Vector Control District"));
        QCOMPARE(box(w, QStringLiteral("txtMet1"))->text(), QStringLiteral("21.5"));
        QCOMPARE(box(w, QStringLiteral("txtOptics1"))->text(), QStringLiteral("1.0"));
        QCOMPARE(box(w, QStringLiteral("txtOptics3"))->text(), QStringLiteral("24.5"));
        QVERIFY(w.Find<QRadioButton>(QStringLiteral("optUnits0"))->isChecked());
        QCOMPARE(w.Label(QStringLiteral("lblMet7")), QStringLiteral("F"));
        QCOMPARE(w.TabCaptions(), (QStringList{QStringLiteral("2.5 ft"), QStringLiteral("10 ft")}));
        QCOMPARE(w.Form->Set().CurrentSlide, int16_t(2));
        QVERIFY(!w.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled());
        QVERIFY(w.Find<QPushButton>(QStringLiteral("btnSaveData"))->isEnabled());
        QCOMPARE(box(w, QStringLiteral("txtMortality1"))->text(), QStringLiteral("20"));
        QCOMPARE(w.Label(QStringLiteral("lblMortality7")), QStringLiteral("= 55.56%"));
        QVERIFY(!w.Form->IsModified());
        QCOMPARE(MessageBoxes::ShownCount(), 1); // only the delete question
    }

    void cancelledSaveChangesNothing()
    {
        activate();
        w.NewSlide(QStringLiteral("1"));
        const QString initialDir = w.Form->InitialDir();
        CCommonDialogs::QueueCancel();
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnSaveData")), Qt::LeftButton);
        QCOMPARE(CCommonDialogs::ShownCount(), 1);
        QCOMPARE(w.Form->InitialDir(), initialDir);
        QVERIFY(w.Form->IsModified());
        QCOMPARE(MessageBoxes::ShownCount(), 0);
    }

    void wrongBanner()
    {
        QFile notes(path(QStringLiteral("notes.csv")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("=======================\r\nShopping list\r\nmilk,2\r\n");
        notes.close();
        CCommonDialogs::QueueFileName(notes.fileName());
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnLoadData")), Qt::LeftButton);
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("'notes.csv' does not appear to be a slide data set."));
        QCOMPARE(w.Form->InitialDir(), QDir::toNativeSeparators(dir.path() + QLatin1Char('/')));
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        QVERIFY(w.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled());
    }

    // A file cut short: the message of the Part with the reader's own words, and
    // the window exactly as before (fields, optics, no slides).
    void truncatedFileChangesNothing()
    {
        makeSetByTyping();
        const QString full = path(QStringLiteral("full.csv"));
        CCommonDialogs::QueueFileName(full);
        w.Form->SaveCommand();
        QByteArray bytes = readAll(full);
        QVERIFY(bytes.size() > 1000);
        const QString cut = path(QStringLiteral("cut.csv"));
        QFile cutFile(cut);
        QVERIFY(cutFile.open(QIODevice::WriteOnly));
        cutFile.write(bytes.left(bytes.indexOf("Slide 2 Position")));
        cutFile.close();

        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        w.Key(Qt::Key_Delete, Qt::ControlModifier, w.Entry());
        // The operator sets up the next line before loading.
        w.Form->findChild<ParameterPanel *>()->SelectTab(2);
        typeInto(box(w, QStringLiteral("txtOptics2")), QStringLiteral("30"));
        w.Form->findChild<ParameterPanel *>()->SelectTab(1);
        typeInto(box(w, QStringLiteral("txtSprayer1")), QStringLiteral("County"));
        const AnalysisParameters params = w.Form->Set().Params;
        QCOMPARE(params.MaxSizeEPD, int16_t(30));

        MessageBoxes::ResetLog();
        CCommonDialogs::QueueFileName(cut);
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnLoadData")), Qt::LeftButton);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        const QString message = MessageBoxes::LastText();
        QVERIFY2(message.startsWith(QStringLiteral("There was an error opening this file:\n\n\t")), qPrintable(message));
        QVERIFY2(message.endsWith(QStringLiteral("\n\nThis was most likely caused by modifying this\n"
                                                 "CSV file in another program (such as Excel).")),
                 qPrintable(message));
        QVERIFY(message.size() > 130); // the reader's description is inside
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
        QCOMPARE(w.Form->Set().Params, params);
        QCOMPARE(box(w, QStringLiteral("txtOptics2"))->text(), QStringLiteral("30"));
        QCOMPARE(box(w, QStringLiteral("txtOptics1"))->text(), QStringLiteral("1.0"));
        QCOMPARE(box(w, QStringLiteral("txtSprayer1"))->text(), QStringLiteral("County"));
        QCOMPARE(w.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
        QCOMPARE(QApplication::focusWidget(), w.Find<QWidget>(QStringLiteral("btnNewSlide")));
        QVERIFY(w.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled());
    }

    void saveIntoLockedFolder()
    {
        activate();
        w.NewSlide(QStringLiteral("5"));
        w.TypeDrop(QStringLiteral("4"));
        const QString folder = path(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/line.csv");
        CCommonDialogs::QueueFileName(file);
        w.Form->SaveCommand();
        const QByteArray old = readAll(file);
        QVERIFY(!old.isEmpty());

        w.TypeDrop(QStringLiteral("6"));
        LockedFolder lock(folder);
        if (!lock.Locked())
            QSKIP("no way to make a folder read-only here");
        CCommonDialogs::QueueFileName(file);
        w.Form->SaveCommand();
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY2(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error while saving the output file.\n\n")),
                 qPrintable(MessageBoxes::LastText()));
        QVERIFY(MessageBoxes::LastText().size() > 52);
        QCOMPARE(readAll(file), old);
        QVERIFY(w.Form->IsModified()); // nothing was saved
        QCOMPARE(w.Form->Set().Slides[1].TotalDrops, 2);
    }

    void closePrompt_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("chooseFile"); // Yes: a file chosen, or the dialog cancelled
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("written");
        QTest::newRow("Yes saves, then closes") << int(MessageBoxes::Yes) << true << true << true;
        QTest::newRow("Yes, save cancelled: stays") << int(MessageBoxes::Yes) << false << false << false;
        QTest::newRow("No closes unsaved") << int(MessageBoxes::No) << false << true << false;
        QTest::newRow("Cancel stays") << int(MessageBoxes::Cancel) << false << false << false;
    }
    void closePrompt()
    {
        QFETCH(int, answer);
        QFETCH(bool, chooseFile);
        QFETCH(bool, closed);
        QFETCH(bool, written);
        activate();
        w.NewSlide(QStringLiteral("3"));
        w.TypeDrop(QStringLiteral("2"));
        const QString file = path(QStringLiteral("closing.csv"));
        QFile::remove(file);
        MessageBoxes::ClearFallbackAnswer();
        MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        if (answer == MessageBoxes::Yes) {
            if (chooseFile)
                CCommonDialogs::QueueFileName(file);
            else
                CCommonDialogs::QueueCancel();
        }
        QCOMPARE(w.Form->close(), closed);
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Do you want to save the slide set before closing?"));
        QCOMPARE(QFile::exists(file), written);
        QCOMPARE(MessageBoxes::QueuedAnswers(), 0);
    }

    void closeWithoutQuestion_data()
    {
        QTest::addColumn<bool>("slides");
        QTest::addColumn<bool>("saved");
        QTest::newRow("empty set") << false << false;
        QTest::newRow("saved set") << true << true;
    }
    void closeWithoutQuestion()
    {
        QFETCH(bool, slides);
        QFETCH(bool, saved);
        activate();
        if (slides) {
            w.NewSlide(QStringLiteral("3"));
            w.TypeDrop(QStringLiteral("2"));
        }
        if (saved) {
            CCommonDialogs::QueueFileName(path(QStringLiteral("saved.csv")));
            w.Form->SaveCommand();
        }
        MessageBoxes::ResetLog();
        MessageBoxes::ClearFallbackAnswer();
        QVERIFY(w.Form->close());
        QCOMPARE(MessageBoxes::ShownCount(), 0);
    }

    // Ctrl+S while an optics value is still being typed saves that value.
    void opticsBeingTypedIsSaved()
    {
        activate();
        w.NewSlide(QStringLiteral("3"));
        w.Form->findChild<ParameterPanel *>()->SelectTab(2);
        auto *microns = box(w, QStringLiteral("txtOptics3"));
        microns->setFocus();
        microns->selectAll();
        QTest::keyClicks(microns, QStringLiteral("30"));
        const QString file = path(QStringLiteral("optics.csv"));
        CCommonDialogs::QueueFileName(file);
        w.Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.Form->Set().Params.MicronsPerEPD, 30.0f);
        QVERIFY(readAll(file).contains("m/EPD:,,30,"));
        QCOMPARE(w.Form->Set().Slides[1].Area, float(2 * 20 * 30 * 0.0001));
    }

    // A count still being typed when the window closes is not lost: it counts
    // as a change, so the question comes.
    void countBeingTypedCountsAsChange()
    {
        activate();
        w.NewSlide(QStringLiteral("3"));
        CCommonDialogs::QueueFileName(path(QStringLiteral("typed.csv")));
        w.Form->SaveCommand();
        QVERIFY(!w.Form->IsModified());
        auto *inCage = box(w, QStringLiteral("txtMortality1"));
        inCage->setFocus();
        QTest::keyClicks(inCage, QStringLiteral("25"));
        MessageBoxes::ClearFallbackAnswer();
        MessageBoxes::QueueAnswer(MessageBoxes::Cancel);
        QVERIFY(!w.Form->close());
        QCOMPARE(w.Form->Set().Slides[1].Cage.NumInCage, int16_t(25));
    }
};

QTEST_MAIN(TestSaveLoad)
#include "test_saveload.moc"
