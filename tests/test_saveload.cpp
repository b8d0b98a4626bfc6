// Save Slide Set, Load Slide Set and the question on closing, through the real window;
// files are chosen through the dialog seam, messages answered through the message seam.
#include "FilesTestSupport.h"
#include "test_window_fixture.h"

#include "entry/ParameterPanel.h"
#include "platform/ui/CCommonDialogs.h"

#include <QScopeGuard>
#include <QtTest>
#include <QtWidgets>

namespace {

void typeInto(QLineEdit *field, const QString &text, bool enter = true)
{
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    if (enter)
        QTest::keyClick(field, Qt::Key_Return);
}

} // namespace

class TestSaveLoad : public QObject
{
    Q_OBJECT
    WindowFixture w;
    QTemporaryDir dir;

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString folderShown() const { return QDir::toNativeSeparators(dir.path() + QLatin1Char('/')); }
    QLineEdit *box(const QString &name) { return w.Find<QLineEdit>(name); }
    void typeAll(const QList<std::pair<QString, QString>> &fields)
    {
        for (const auto &[name, text] : fields)
            typeInto(box(name), text);
    }
    void newSlideWithDrops(const QString &position, const QStringList &sizes)
    {
        w.NewSlide(position);
        for (const QString &size : sizes)
            w.TypeDrop(size);
    }
    // Writes the bytes to a file and loads it with the button.
    void load(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        CCommonDialogs::QueueFileName(file.fileName());
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnLoadData")), Qt::LeftButton);
    }
    void save(const QString &file) { CCommonDialogs::QueueFileName(file); w.Form->SaveCommand(); }

    // Parameters on every tab in U.S. units, two slides with drops and cages, control
    // data. The list separator cannot enter a text field: typed it is refused, pasted
    // it becomes a blank.
    void makeSetByTyping()
    {
        newSlideWithDrops(QStringLiteral("10"), {"3", "3", "7", "12", "1"});
        typeAll({{"txtMortality1", "20"}, {"txtMortality2", "5"}, {"txtMortality3", "9"}, {"txtMortality4", "12"}});
        newSlideWithDrops(QStringLiteral("2.5"), {"2", "18", "18"});
        w.Form->Set().ControlData = {20, 0, 1, 2};
        // Enter on each field leads to the next one, across the tabs up to the units.
        typeAll({{"txtSprayer1", "Smith, Jones & Co"}, {"txtSprayer2", "Air Tractor 502"}, {"txtSprayer3", "150"},
                 {"txtSprayer4", "05-Mar-2024"}, {"txtSprayer5", "06:40"}, {"txtOptics4", "0.6"},
                 {"txtMet0", "2"}, {"txtMet1", "21.5"}, {"txtMet2", "8"}, {"txtMet3", "270"}, {"txtMet4", "65"},
                 {"txtProduct1", "Naled"}, {"txtProduct2", "0.75"}});
        QLineEdit *product = box(QStringLiteral("txtProduct1"));
        product->setFocus(Qt::TabFocusReason);
        product->selectAll();
        product->insert(QStringLiteral("Müller, Söhne 農業")); // as a paste puts it in
        QCOMPARE(w.Form->Set().Texts.Product, QStringLiteral("Müller  Söhne 農業"));
        w.Find<QRadioButton>(QStringLiteral("optUnits0"))->click();
        w.Form->findChild<ParameterPanel *>()->SelectTab(2);
        typeInto(box(QStringLiteral("txtOptics1")), QStringLiteral("1"));
        typeInto(box(QStringLiteral("txtOptics3")), QStringLiteral("24.5"), false); // still being typed: the save takes it
    }

private slots:
    void init()
    {
        CCommonDialogs::ClearQueue();
        w.Open();
    }
    void cleanup()
    {
        MessageBoxes::ClearQueue(); // an unanswered question must not stop the close
        MessageBoxes::SetFallbackAnswer(MessageBoxes::No);
        w.Close();
        QCOMPARE(CCommonDialogs::QueuedChoices(), 0);
    }

    void saveResetLoadRoundTrip()
    {
        makeSetByTyping();
        // Ctrl+S; a name typed without an extension gets ".csv".
        CCommonDialogs::QueueFileName(path(QStringLiteral("line1")));
        w.Key(Qt::Key_S, Qt::ControlModifier);
        const SlideSet before = w.Form->Set();
        QCOMPARE(before.Params.MicronsPerEPD, 24.5f);
        QCOMPARE(box(QStringLiteral("txtSprayer1"))->text(), QStringLiteral("Smith Jones & Co"));
        QCOMPARE(before.Slides[1].Area, float(1.0 * before.Params.ScanLength * 20 * 24.5 * 0.0001));
        QVERIFY(ReadBytes(path(QStringLiteral("line1.csv"))).contains("m/EPD:,,24.5,"));
        QCOMPARE(w.Form->InitialDir(), folderShown());

        MessageBoxes::QueueAnswer(MessageBoxes::Yes); // delete all slides
        w.Key(Qt::Key_Delete, Qt::ControlModifier, w.Entry());
        typeInto(box(QStringLiteral("txtSprayer1")), QStringLiteral("typed since"));
        CCommonDialogs::QueueFileName(path(QStringLiteral("line1.csv")));
        w.Key(Qt::Key_L, Qt::ControlModifier);

        const SlideSet &after = w.Form->Set();
        QCOMPARE(after.Params, before.Params);
        QCOMPARE(after.Texts, before.Texts);
        QCOMPARE(after.ControlData, before.ControlData);
        for (int16_t i = 1; i <= 2; ++i)
            QVERIFY(after.Slides[i].Position == before.Slides[i].Position && after.Slides[i].Counts == before.Slides[i].Counts
                    && after.Slides[i].Cage == before.Slides[i].Cage);
        // What the operator sees: what the field showed is what comes back from the file.
        QCOMPARE(box(QStringLiteral("txtSprayer1"))->text(), QStringLiteral("Smith Jones & Co"));
        QCOMPARE(box(QStringLiteral("txtProduct1"))->text(), QStringLiteral("Müller  Söhne 農業"));
        QCOMPARE(box(QStringLiteral("txtOptics1"))->text(), QStringLiteral("1.0"));
        QCOMPARE(w.TabCaptions(), (QStringList{QStringLiteral("2.5 ft"), QStringLiteral("10 ft")}));
        QCOMPARE(w.Form->Set().CurrentSlide, int16_t(2));
        QVERIFY(!w.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled());
        QVERIFY(!w.Form->IsModified());
        QCOMPARE(MessageBoxes::ShownCount(), 1); // only the delete question
    }

    // A file of another kind, or one cut short: the message (with the reader's own
    // words inside), and the window as it was before the command. A file cut inside
    // its last drop table loads as far as it goes, then one warning names that slide.
    void failedAndCutLoads()
    {
        const QByteArray golden = ReadBytes(FilesTestData(QStringLiteral("golden_us_control.csv")));
        w.Form->findChild<ParameterPanel *>()->SelectTab(2);
        typeInto(box(QStringLiteral("txtOptics2")), QStringLiteral("30"));
        const AnalysisParameters params = w.Form->Set().Params;
        load(QStringLiteral("notes.csv"), "=======================\r\nShopping list\r\nmilk,2\r\n");
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("'notes.csv' does not appear to be a slide data set."));
        QCOMPARE(w.Form->InitialDir(), folderShown());
        MessageBoxes::ResetLog();
        load(QStringLiteral("cut.csv"), golden.left(golden.indexOf("Slide 2 Position")));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        const QString message = MessageBoxes::LastText();
        QVERIFY2(message.startsWith(QStringLiteral("There was an error opening this file:\n\n\t")) && message.size() > 130
                     && message.endsWith(QStringLiteral("\n\nThis was most likely caused by modifying this\n"
                                                        "CSV file in another program (such as Excel).")),
                 qPrintable(message)); // the reader's description is inside
        QCOMPARE(w.Form->Set().Params, params);
        QCOMPARE(box(QStringLiteral("txtOptics2"))->text(), QStringLiteral("30"));
        QCOMPARE(w.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});

        MessageBoxes::ResetLog();
        load(QStringLiteral("cut.csv"), (golden.split('\n').mid(0, 104) << QByteArray()).join('\n'));
        QCOMPARE(w.TabCaptions().size(), 3);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY2(MessageBoxes::LastText().startsWith(QStringLiteral("The file ends inside the drop table of slide 3 (position 7.5 ft)")),
                 qPrintable(MessageBoxes::LastText()));
        QVERIFY(!w.Form->IsModified());

        // Everything passed over, in one message after the load: a row after an
        // empty line in slide 1, and two slide blocks beyond the count.
        MessageBoxes::QueueAnswer(MessageBoxes::Yes); // delete all slides
        w.Key(Qt::Key_Delete, Qt::ControlModifier, w.Entry());
        MessageBoxes::ResetLog();
        QList<QByteArray> lines = golden.split('\n');
        lines[41] = "Number of Slides:,,1\r";
        lines.insert(57, "\r");
        load(QStringLiteral("damaged.csv"), lines.join('\n'));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(MessageBoxes::LastText(),
                 QStringLiteral("Slide 1 (position -5 ft): the drop table ends at the empty line 58, and the table row "
                                "after it (line 59) was not read.\n\nLine 42 gives 1 slide(s), but 2 more slide block(s) "
                                "follow (the first on line 70, at position 0 ft): they were not read."));
        QCOMPARE(w.TabCaptions(), QStringList{QStringLiteral("-5 ft")});
    }

    // A link in a loop or into a missing folder is no place to save: the reason,
    // the link left alone, the set still unsaved. A link to a file saves the file.
    void saveThroughLinks()
    {
        newSlideWithDrops(QStringLiteral("5"), {"4"});
        QVERIFY(QFile::link(QStringLiteral("loop.csv"), path(QStringLiteral("other.csv")))
                && QFile::link(QStringLiteral("other.csv"), path(QStringLiteral("loop.csv"))));
        QVERIFY(QFile::link(QStringLiteral("gone/set.csv"), path(QStringLiteral("dangling.csv"))));
        for (const char *name : {"loop.csv", "dangling.csv"}) {
            MessageBoxes::ResetLog();
            save(path(QString::fromLatin1(name)));
            QCOMPARE(MessageBoxes::ShownCount(), 1);
            QVERIFY2(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error while saving the output file.\n\n")
                                                         + path(QString::fromLatin1(name)) + QStringLiteral(" is a symbolic link")),
                     qPrintable(MessageBoxes::LastText()));
            QVERIFY(QFileInfo(path(QString::fromLatin1(name))).isSymLink() && w.Form->IsModified());
        }
        QVERIFY(QFile::link(QStringLiteral("real.csv"), path(QStringLiteral("link.csv"))));
        MessageBoxes::ResetLog();
        save(path(QStringLiteral("link.csv")));
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QVERIFY(QFileInfo(path(QStringLiteral("link.csv"))).isSymLink() && !w.Form->IsModified());
        QVERIFY(ReadBytes(path(QStringLiteral("real.csv"))).contains("Slide 1 Position:,,5,"));
    }

    void saveIntoLockedFolder()
    {
        newSlideWithDrops(QStringLiteral("5"), {"4"});
        const QString folder = path(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/line.csv");
        save(file);
        const QByteArray old = ReadBytes(file);
        w.TypeDrop(QStringLiteral("6"));
        // The immutable attribute stops even root; elsewhere the permissions do.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), folder}) != 0)
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const auto unlock = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder});
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        if (QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
            QSKIP("no way to make a folder read-only here");
        save(file);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        const QString message = MessageBoxes::LastText(); // the writer's description is inside
        QVERIFY2(message.startsWith(QStringLiteral("There was an error while saving the output file.\n\n")) && message.size() > 52,
                 qPrintable(message));
        QCOMPARE(ReadBytes(file), old);
        QVERIFY(w.Form->IsModified());
    }

    // Settings that cannot be written at close: one message with the reason, and
    // the window closes all the same.
    void settingsNotWritten()
    {
        QVERIFY(QFile::remove(w.Store.File) || !QFile::exists(w.Store.File));
        QVERIFY(QDir().mkdir(w.Store.File));
        MessageBoxes::ResetLog();
        QVERIFY(w.Form->close());
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY2(MessageBoxes::LastText().startsWith(QStringLiteral("The settings were not saved:\n\n"))
                     && MessageBoxes::LastText().endsWith(QStringLiteral("is a folder")),
                 qPrintable(MessageBoxes::LastText()));
    }

    void closePrompt_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<bool>("chooseFile");
        QTest::addColumn<bool>("closed");
        QTest::newRow("Yes saves, then closes") << false << int(MessageBoxes::Yes) << true << true;
        QTest::newRow("Yes, save cancelled: stays") << false << int(MessageBoxes::Yes) << false << false;
        QTest::newRow("No closes unsaved") << false << int(MessageBoxes::No) << false << true;
        QTest::newRow("Cancel stays") << false << int(MessageBoxes::Cancel) << false << false;
        QTest::newRow("saved set: no question") << true << 0 << false << true;
        QTest::newRow("saved, then a count being typed") << true << int(MessageBoxes::Cancel) << false << false;
    }
    void closePrompt()
    {
        QFETCH(bool, saved);
        QFETCH(int, answer);
        QFETCH(bool, chooseFile);
        QFETCH(bool, closed);
        if (saved || answer)
            newSlideWithDrops(QStringLiteral("3"), {"2"});
        const QString file = path(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".csv"));
        if (saved)
            save(path(QStringLiteral("saved.csv")));
        if (saved && answer) // a count not yet entered is a change too
            typeInto(box(QStringLiteral("txtMortality1")), QStringLiteral("25"), false);
        MessageBoxes::ResetLog();
        MessageBoxes::ClearFallbackAnswer();
        if (answer)
            MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        if (answer == MessageBoxes::Yes)
            chooseFile ? CCommonDialogs::QueueFileName(file) : CCommonDialogs::QueueCancel();
        QCOMPARE(w.Form->close(), closed);
        QCOMPARE(MessageBoxes::LastText(), answer ? QStringLiteral("Do you want to save the slide set before closing?") : QString());
        QCOMPARE(QFile::exists(file), chooseFile);
    }
};

QTEST_MAIN(TestSaveLoad)
#include "test_saveload.moc"
