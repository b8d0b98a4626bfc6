// A file handed to the window (the command line, a drop), the title that names
// it with its unsaved mark, and the workbook exported from the composite view.
#include "test_window_fixture.h"

#include "platform/ui/CCommonDialogs.h"
#include "shell/CommandLine.h"

namespace {

const QString kDash = QStringLiteral(" \u2014 ");

QString dataFile(const char *name)
{
    return QString::fromLocal8Bit(qgetenv("NIMBREL_TEST_DATA")) + QLatin1Char('/') + QLatin1String(name);
}

} // namespace

class TestWindowOpen : public QObject
{
    Q_OBJECT
    WindowFixture m;
    QTemporaryDir m_dir;

    QString title() const { return m.Form->windowTitle(); }
    bool unsaved() const { return m.Form->isWindowModified(); }
    void startCounting()
    {
        m.NewSlide(QStringLiteral("5"));
        m.TypeDrop(QStringLiteral("3"));
    }
    QString notASlideSet()
    {
        const QString path = m_dir.filePath(QStringLiteral("notes.csv"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("Sample,Weight\r\n1,2\r\n");
        return path;
    }

private slots:
    void init() { m.Open(); }
    void cleanup()
    {
        m.Close();
        CCommonDialogs::ClearQueue();
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::newRow("nothing") << QStringList{} << int(CommandLine::Run) << QString();
        QTest::newRow("a file") << QStringList{"trial.csv"} << int(CommandLine::Run) << "trial.csv";
        QTest::newRow("a file after --") << QStringList{"--", "-odd.csv"} << int(CommandLine::Run) << "-odd.csv";
        QTest::newRow("help beside a mistake") << QStringList{"--bogus", "--help"} << int(CommandLine::Help) << QString();
        QTest::newRow("version") << QStringList{"a.csv", "--version"} << int(CommandLine::Version) << QString();
        QTest::newRow("unknown option") << QStringList{"--bogus"} << int(CommandLine::Mistake) << QString();
        QTest::newRow("two files") << QStringList{"a.csv", "b.csv"} << int(CommandLine::Mistake) << QString();
    }
    void commandLine()
    {
        QFETCH(QStringList, words);
        QFETCH(int, action);
        QFETCH(QString, file);
        const CommandLine line = ParseCommandLine(words);
        QCOMPARE(int(line.What), action);
        QCOMPARE(line.File, file);
        QCOMPARE(line.Error.isEmpty(), action != CommandLine::Mistake);
    }

    // The file loads as Load loads it: the same messages, and a refused file
    // leaves the empty window.
    void openFile_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("slides");
        QTest::addColumn<QString>("message");
        QTest::newRow("good") << "good" << 10 << QString();
        QTest::newRow("not a slide set") << "bad" << 0 << "'notes.csv' does not appear to be a slide data set.";
        QTest::newRow("missing") << "missing" << 0 << "There was an error opening this file:";
    }
    void openFile()
    {
        QFETCH(QString, which);
        QFETCH(int, slides);
        QFETCH(QString, message);
        const QString path = which == "good" ? dataFile("realistic-line.csv")
            : which == "bad"                 ? notASlideSet()
                                             : m_dir.filePath(QStringLiteral("gone.csv"));
        QCOMPARE(m.Form->OpenFile(path), slides > 0);
        QCOMPARE(m.Form->Set().SlideCount(), slides);
        QCOMPARE(MessageBoxes::ShownCount(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(MessageBoxes::LastText().startsWith(message), qPrintable(MessageBoxes::LastText()));
        QCOMPARE(title(), (slides > 0 ? QStringLiteral("realistic-line.csv[*]") : QStringLiteral("Untitled[*]"))
                              + kDash + QStringLiteral("Nimbrel"));
        QVERIFY(!unsaved());
        QCOMPARE(m.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled(), slides == 0);
        if (slides > 0)
            QCOMPARE(m.Strip()->count(), slides);
    }

    // Unsaved work is asked about before another file replaces it; Cancel keeps it.
    void unsavedWorkFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Cancel stays") << int(MessageBoxes::Cancel) << false << false;
        QTest::newRow("No lets it go") << int(MessageBoxes::No) << true << false;
        QTest::newRow("Yes saves first") << int(MessageBoxes::Yes) << true << true;
    }
    void unsavedWorkFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, loaded);
        QFETCH(bool, saved);
        startCounting();
        const QString savedFile = m_dir.filePath(QStringLiteral("first.csv"));
        QFile::remove(savedFile);
        MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        if (saved)
            CCommonDialogs::QueueFileName(savedFile);
        QCOMPARE(m.Form->OpenFile(dataFile("realistic-line.csv")), loaded);
        QVERIFY(MessageBoxes::LastText().contains(QStringLiteral("'realistic-line.csv'")));
        QCOMPARE(m.Form->Set().SlideCount(), loaded ? 10 : 1);
        QCOMPARE(QFile::exists(savedFile), saved);
        QCOMPARE(unsaved(), !loaded);
        QVERIFY(title().startsWith(loaded ? QStringLiteral("realistic-line.csv") : QStringLiteral("Untitled")));
    }

    // A set loaded over another in composite view shows the new one, on a slide.
    void openOverTheCompositeView()
    {
        QVERIFY(m.Form->OpenFile(dataFile("golden_us_control.csv")));
        auto *composite = m.Find<QCheckBox>(QStringLiteral("CompositeCheck"));
        composite->setChecked(true);
        QVERIFY(m.Form->IsCompositeView());
        QVERIFY(m.Form->OpenFile(dataFile("realistic-line.csv"))); // nothing unsaved: no question
        QVERIFY(!m.Form->IsCompositeView());
        QVERIFY(!composite->isChecked());
        QCOMPARE(m.Strip()->count(), 10);
        QCOMPARE(m.TabCaptions().last(), QStringLiteral("45 m"));
        QCOMPARE(m.Form->Set().CurrentSlide, int16_t(10));
    }

    // One .csv dropped anywhere on the window loads; anything else is left to
    // the control under the mouse.
    void drop_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("taken");
        QTest::newRow("one slide set file") << QStringList{"realistic-line.csv"} << true;
        QTest::newRow("upper-case suffix") << QStringList{"LINE.CSV"} << true;
        QTest::newRow("two files") << QStringList{"realistic-line.csv", "golden_us_control.csv"} << false;
        QTest::newRow("not a .csv") << QStringList{"report-page1.png"} << false;
    }
    void drop()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, taken);
        QList<QUrl> urls;
        for (const QString &name : files) {
            QString path = dataFile(name.toLatin1().constData());
            if (name == "LINE.CSV") {
                path = m_dir.filePath(name);
                QFile::remove(path);
                QVERIFY(QFile::copy(dataFile("realistic-line.csv"), path));
            }
            urls << QUrl::fromLocalFile(path);
        }
        auto *data = new QMimeData;
        data->setUrls(urls);
        // Over the parameter fields, which would otherwise take the path as text.
        QWidget *target = m.Find<QLineEdit>(QStringLiteral("txtSprayer1"));
        QVERIFY(target);
        const QPointF at(5, 5);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        QCOMPARE(dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction, taken);
        QCoreApplication::processEvents(); // the load waits for the drag to end
        QCOMPARE(m.Form->Set().SlideCount(), taken ? 10 : 0);
        QCOMPARE(m.Find<QLineEdit>(QStringLiteral("txtSprayer1"))->text().contains(QStringLiteral("file:")), false);
        delete data;
    }

    // The unsaved mark follows the set: an edit sets it, a save clears it and
    // names the file, undo back to the saved state clears it, redo sets it.
    void titleFollowsTheSet()
    {
        QCOMPARE(title(), QStringLiteral("Untitled[*]") + kDash + QStringLiteral("Nimbrel"));
        QVERIFY(!unsaved());
        startCounting();
        QVERIFY(unsaved());
        CCommonDialogs::QueueFileName(m_dir.filePath(QStringLiteral("trial.csv")));
        m.Key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(title(), QStringLiteral("trial.csv[*]") + kDash + QStringLiteral("Nimbrel"));
        QVERIFY(!unsaved());
        m.TypeDrop(QStringLiteral("4"));
        QVERIFY(unsaved());
        m.Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!unsaved());
        m.Key(Qt::Key_Z, Qt::ControlModifier); // past the save: unsaved again
        QVERIFY(unsaved());
        m.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!unsaved());
        m.Key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(unsaved());
        // Every slide deleted: a new set, belonging to no file.
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        m.Key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(title(), QStringLiteral("Untitled[*]") + kDash + QStringLiteral("Nimbrel"));
        QVERIFY(!unsaved());
    }

    // Export Workbook… stands beside Print in composite view only; Ctrl+E and the
    // button write the workbook, named after the set's file; a failure says why.
    void exportWorkbook()
    {
        QVERIFY(m.Form->OpenFile(dataFile("realistic-line.csv")));
        auto *button = m.Find<QPushButton>(QStringLiteral("btnExportWorkbook"));
        auto *print = m.Find<QPushButton>(QStringLiteral("btnPrint"));
        QVERIFY(!button->isVisibleTo(m.Form.get()));
        CCommonDialogs::ResetLog();
        m.Key(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(CCommonDialogs::ShownCount(), 0);
        m.Find<QCheckBox>(QStringLiteral("CompositeCheck"))->setChecked(true);
        QVERIFY(button->isVisibleTo(m.Form.get()));
        QCOMPARE(button->text(), QStringLiteral("Export Workbook\u2026"));
        QCOMPARE(button->y(), print->y());
        QVERIFY(button->geometry().right() < print->x());

        const QString out = m_dir.filePath(QStringLiteral("line.xlsx"));
        CCommonDialogs::QueueFileName(out);
        m.Key(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(CCommonDialogs::LastTitle(), QStringLiteral("Export Workbook"));
        QVERIFY(CCommonDialogs::LastFileName().endsWith(QStringLiteral("/realistic-line.xlsx")));
        QVERIFY(QFileInfo(out).size() > 0);
        QCOMPARE(MessageBoxes::ShownCount(), 0);

        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.xlsx")));
        CCommonDialogs::QueueFileName(m_dir.filePath(QStringLiteral("folder.xlsx")));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QVERIFY(MessageBoxes::LastText().startsWith(QStringLiteral("There was an error while saving the workbook.\n\n")));
    }
};

QTEST_MAIN(TestWindowOpen)
#include "test_window_open.moc"
