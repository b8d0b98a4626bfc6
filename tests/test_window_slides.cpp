// Slides: New Slide and its position dialog, the position and sweeps fields,
// tabs in position order, and deleting one slide.
#include "test_window_fixture.h"

#include "platform/ui/CCommonDialogs.h"

class TestWindowSlides : public QObject
{
    Q_OBJECT

private slots:
    void init() { m.Open(); }
    void cleanup() { m.Close(); }

    void newSlidesKeepPositionOrder();
    void duplicatePositionRefused_data();
    void duplicatePositionRefused();
    void positionDialogKeys_data();
    void positionDialogKeys();
    void escapeCancels();
    void positionField_data();
    void positionField();
    void positionFieldMovesTheSlide();
    void sweepsField_data();
    void sweepsField();
    void deleteSlide_data();
    void deleteSlide();
    void deleteOnlySlide();
    void hundredsOfSlides();
    void loadedSetIsShown();

private:
    QLineEdit *field(int i) const { return m.Find<QLineEdit>(QStringLiteral("txtSlideInfo%1").arg(i)); }
    void commitField(int i, const QString &text)
    {
        field(i)->setFocus();
        field(i)->selectAll();
        QTest::keyClick(field(i), Qt::Key_Backspace);
        WindowFixture::TypePosition(field(i), text);
        QTest::keyClick(field(i), Qt::Key_Return);
    }
    WindowFixture m;
};

void TestWindowSlides::newSlidesKeepPositionOrder()
{
    m.NewSlide(QStringLiteral("5"));
    QVERIFY(m.DialogSeen);
    QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("5 m")});
    QVERIFY(!m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));
    QVERIFY(!m.Find(QStringLiteral("btnLoadData"))->isEnabled());
    QVERIFY(m.Find(QStringLiteral("btnSaveData"))->isEnabled());
    QVERIFY(m.Entry()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Grid()));

    m.NewSlide(QStringLiteral("-3"));
    QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-3 m"), QStringLiteral("5 m")}));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1)); // the new slide, first by position
    QCOMPARE(m.Strip()->currentIndex(), 0);
    QCOMPARE(field(1)->text(), QStringLiteral("-3"));
    QVERIFY(m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));

    m.NewSlide(QStringLiteral("12.5"));
    QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-3 m"), QStringLiteral("5 m"), QStringLiteral("12.5 m")}));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
    const Slide &s = m.Form->Set().Current();
    QCOMPARE(s.Sweeps, 1.0f);
    QCOMPARE(s.Area, 0.1f);
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")), QStringLiteral("= 0.10 cm \u00B2"));

    // Clicking a tab shows that slide.
    m.TypeDrop(QStringLiteral("4"));
    m.Strip()->setCurrentIndex(1);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
    QCOMPARE(m.Cell(4, 2), QString());
    m.Strip()->setCurrentIndex(2);
    QCOMPARE(m.Cell(4, 2), QStringLiteral("1"));
}

void TestWindowSlides::duplicatePositionRefused_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2.5 and 2.50 collide") << QStringLiteral("2.5") << QStringLiteral("2.50") << true;
    QTest::newRow("2.5 and 2.51 do not") << QStringLiteral("2.5") << QStringLiteral("2.51") << false;
    QTest::newRow("-4 and -4.0 collide") << QStringLiteral("-4") << QStringLiteral("-4.0") << true;
    QTest::newRow("4 and -4 do not") << QStringLiteral("4") << QStringLiteral("-4") << false;
}

void TestWindowSlides::duplicatePositionRefused()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, refused);
    m.NewSlide(first);
    MessageBoxes::ResetLog();
    bool stayedOpen = false;
    QString boxAfter;
    m.WithSlideDialog(
        [&](frmSlidePos &dialog) {
            auto *box = dialog.findChild<QLineEdit *>(QStringLiteral("txtSlidePos"));
            WindowFixture::TypePosition(box, second);
            QTest::keyClick(box, Qt::Key_Return);
            stayedOpen = dialog.isVisible();
            boxAfter = box->text();
            if (stayedOpen)
                QTest::keyClick(box, Qt::Key_Escape);
        },
        [&] { m.Form->NewSlideCommand(); });
    QCOMPARE(stayedOpen, refused);
    QCOMPARE(int(m.Form->Set().SlideCount()), refused ? 1 : 2);
    QCOMPARE(MessageBoxes::ShownCount(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("A slide from that location has already been entered."));
        QVERIFY(boxAfter.isEmpty());
    }
}

void TestWindowSlides::positionDialogKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("keypadMinus");
    QTest::addColumn<QString>("shown");
    QTest::newRow("minus on 4.5") << QStringLiteral("4.5") << 1 << QStringLiteral("-4.5");
    QTest::newRow("minus twice") << QStringLiteral("4.5") << 2 << QStringLiteral("4.5");
    QTest::newRow("minus on 0 leaves 0") << QStringLiteral("0") << 1 << QStringLiteral("0");
    QTest::newRow("minus on empty") << QString() << 1 << QStringLiteral("-");
    QTest::newRow("minus on minus") << QString() << 2 << QString();
    QTest::newRow("typed minus refused") << QStringLiteral("-7") << 0 << QStringLiteral("7");
    QTest::newRow("second separator refused") << QStringLiteral("1.5.2") << 0 << QStringLiteral("1.52");
    QTest::newRow("letters refused") << QStringLiteral("1a2") << 0 << QStringLiteral("12");
}

void TestWindowSlides::positionDialogKeys()
{
    QFETCH(QString, typed);
    QFETCH(int, keypadMinus);
    QFETCH(QString, shown);
    QString text;
    QString unit;
    m.WithSlideDialog(
        [&](frmSlidePos &dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Slide Position"));
            auto *box = dialog.findChild<QLineEdit *>(QStringLiteral("txtSlidePos"));
            unit = dialog.findChild<QLabel *>(QStringLiteral("lblUnit"))->text();
            QTest::keyClicks(box, typed);
            for (int i = 0; i < keypadMinus; ++i)
                QTest::keyClick(box, Qt::Key_Minus, Qt::KeypadModifier);
            text = box->text();
            QTest::keyClick(box, Qt::Key_Escape);
        },
        [&] { m.Form->NewSlideCommand(); });
    QCOMPARE(text, shown);
    QCOMPARE(unit, QStringLiteral("m"));
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(0));
}

void TestWindowSlides::escapeCancels()
{
    m.NewSlide(QStringLiteral("1"));
    m.WithSlideDialog(
        [&](frmSlidePos &dialog) {
            auto *box = dialog.findChild<QLineEdit *>(QStringLiteral("txtSlidePos"));
            QTest::keyClick(box, Qt::Key_Return); // empty: nothing happens
            QVERIFY(dialog.isVisible());
            QTest::keyClicks(box, QStringLiteral("8"));
            QTest::keyClick(box, Qt::Key_Escape);
            QVERIFY(dialog.Cancelled);
        },
        [&] { m.Form->NewSlideCommand(); });
    QVERIFY(m.DialogSeen);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(1));
    QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("1 m")});
}

void TestWindowSlides::positionField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("own position: nothing") << QStringLiteral("5") << QStringLiteral("5") << QString();
    QTest::newRow("another slide's position") << QStringLiteral("10") << QStringLiteral("5")
                                              << QStringLiteral("There is already another slide at that location.");
    QTest::newRow("empty restores") << QString() << QStringLiteral("5") << QString();
    QTest::newRow("minus alone restores") << QStringLiteral("-") << QStringLiteral("5") << QString();
    QTest::newRow("separator alone restores") << QStringLiteral(".") << QStringLiteral("5") << QString();
    QTest::newRow("new position") << QStringLiteral("7.25") << QStringLiteral("7.25") << QString();
    QTest::newRow("new negative position") << QStringLiteral("-2") << QStringLiteral("-2") << QString();
}

void TestWindowSlides::positionField()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    m.NewSlide(QStringLiteral("10"));
    m.NewSlide(QStringLiteral("5"));
    MessageBoxes::ResetLog();
    commitField(1, typed);
    QCOMPARE(field(1)->text(), shown);
    QCOMPARE(MessageBoxes::ShownCount(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(MessageBoxes::LastText(), message);
    float stored = 0;
    QCOMPARE(m.Form->Format().ToSingle(shown, stored), ParseStatus::Ok);
    QCOMPARE(m.Form->Set().Current().Position, stored);
    QCOMPARE(m.Strip()->tabText(m.Strip()->currentIndex()), shown + QStringLiteral(" m"));
}

void TestWindowSlides::positionFieldMovesTheSlide()
{
    m.NewSlide(QStringLiteral("1"));
    m.NewSlide(QStringLiteral("2"));
    m.NewSlide(QStringLiteral("3"));
    m.Strip()->setCurrentIndex(0);
    m.TypeDrop(QStringLiteral("6"));
    commitField(1, QStringLiteral("9"));
    // The slide moves to the end and stays on view, its drops with it.
    QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("2 m"), QStringLiteral("3 m"), QStringLiteral("9 m")}));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
    QCOMPARE(m.Strip()->currentIndex(), 2);
    QCOMPARE(m.Cell(6, 2), QStringLiteral("1"));
    QCOMPARE(m.Form->Set().Slides[3].Counts[6], int16_t(1));

    // The sign key in the field turns the sign without a keypad.
    field(1)->setFocus();
    field(1)->setCursorPosition(1);
    QTest::keyClick(field(1), Qt::Key_Minus);
    QCOMPARE(field(1)->text(), QStringLiteral("-9"));
    QCOMPARE(field(1)->cursorPosition(), 2);
    QTest::keyClick(field(1), Qt::Key_Return);
    QCOMPARE(m.TabCaptions().first(), QStringLiteral("-9 m"));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
}

void TestWindowSlides::sweepsField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<float>("sweeps");
    QTest::newRow("2 doubles the area") << QStringLiteral("2") << 2.0f;
    QTest::newRow("0 is refused") << QStringLiteral("0") << 1.0f;
    QTest::newRow("separator alone is refused") << QStringLiteral(".") << 1.0f;
    QTest::newRow("empty restores") << QString() << 1.0f;
    QTest::newRow("minus is not typed") << QStringLiteral("-3") << 3.0f;
}

void TestWindowSlides::sweepsField()
{
    QFETCH(QString, typed);
    QFETCH(float, sweeps);
    m.NewSlide(QStringLiteral("0"));
    m.TypeDrop(QStringLiteral("5"));
    m.TypeDrop(QStringLiteral("5"));
    field(2)->setFocus();
    field(2)->selectAll();
    QTest::keyClick(field(2), Qt::Key_Backspace);
    QTest::keyClicks(field(2), typed);
    QTest::keyClick(field(2), Qt::Key_Return);
    const Slide &s = m.Form->Set().Current();
    QCOMPARE(s.Sweeps, sweeps);
    QCOMPARE(field(2)->text(), m.Form->Format().General(sweeps));
    QCOMPARE(s.Area, float(0.1 * sweeps));
    QCOMPARE(s.DropDensity, float(2 / s.Area));
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")), QStringLiteral("= ") + m.Form->Format().Format(s.Area, "0.00")
                                                            + QStringLiteral(" cm \u00B2"));
}

void TestWindowSlides::deleteSlide_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<int>("shown");
    const QString a = QStringLiteral("1 m"), b = QStringLiteral("2 m"), c = QStringLiteral("3 m");
    QTest::newRow("middle: the next moves in") << 2 << int(MessageBoxes::Yes) << QStringList{a, c} << 2;
    QTest::newRow("last: the new last") << 3 << int(MessageBoxes::Yes) << QStringList{a, b} << 2;
    QTest::newRow("first") << 1 << int(MessageBoxes::Yes) << QStringList{b, c} << 1;
    QTest::newRow("No keeps it") << 2 << int(MessageBoxes::No) << QStringList{a, b, c} << 2;
}

void TestWindowSlides::deleteSlide()
{
    QFETCH(int, current);
    QFETCH(int, answer);
    QFETCH(QStringList, tabs);
    QFETCH(int, shown);
    for (int i = 1; i <= 3; ++i) {
        m.NewSlide(QString::number(i));
        for (int k = 0; k < i; ++k)
            m.TypeDrop(QString::number(2 * i + 4));
    }
    m.Strip()->setCurrentIndex(current - 1);
    const float shownPosition = m.Form->Set().Slides[answer == MessageBoxes::Yes && current < 3 ? current + 1 : shown].Position;
    MessageBoxes::ResetLog();
    MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Are you sure you want to delete this slide?"));
    QCOMPARE(m.TabCaptions(), tabs);
    QCOMPARE(int(m.Form->Set().CurrentSlide), shown);
    QCOMPARE(m.Strip()->currentIndex(), shown - 1);
    QCOMPARE(m.Form->Set().Current().Position, shownPosition);
    QCOMPARE(field(1)->text(), m.Form->Format().General(shownPosition));
    // The axis follows the largest class left on any slide.
    QCOMPARE(m.Form->View().LargestSizeFound, ComputeLargestSizeFound(m.Form->Set()));
    QCOMPARE(m.Form->Set().SlideCount() >= 2, m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));
}

void TestWindowSlides::deleteOnlySlide()
{
    m.NewSlide(QStringLiteral("4"));
    m.TypeDrop(QStringLiteral("3"));
    m.Form->Set().ControlData.NumInCage = 20;
    m.NewSlide(QStringLiteral("8"));
    MessageBoxes::QueueAnswer(MessageBoxes::Yes);
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QVERIFY(!m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));
    MessageBoxes::QueueAnswer(MessageBoxes::Yes);
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(0));
    QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
    QCOMPARE(m.Form->Set().ControlData, MortalityCounts());
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(0));
    QVERIFY(!m.Entry()->isEnabled());
    QVERIFY(m.Find(QStringLiteral("btnLoadData"))->isEnabled());
    QVERIFY(!m.Find(QStringLiteral("btnSaveData"))->isEnabled());
    QCOMPARE(m.Cell(3, 2), QString());
    QVERIFY(field(1)->text().isEmpty());
    // Delete with no slides is ignored without a question.
    MessageBoxes::ResetLog();
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
}

void TestWindowSlides::hundredsOfSlides()
{
    // Slide numbers beyond 255 are held in full.
    for (int i = 1; i <= 300; ++i)
        QVERIFY(AddSlide(m.Form->Set(), float(i)) == i);
    m.Form->Set().CurrentSlide = 0;
    m.Form->ShowLoadedSlideSet();
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(300));
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
    m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(300));
    m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(299));
    QCOMPARE(m.Form->Set().Current().Position, 299.0f);
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    MessageBoxes::QueueAnswer(MessageBoxes::Yes);
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(299));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(299));
    QCOMPARE(m.Form->Set().Current().Position, 299.0f);
    QCOMPARE(m.Strip()->count(), 299);
}

void TestWindowSlides::loadedSetIsShown()
{
    // Ctrl+L on the empty window reads a set; the window then shows its last
    // slide by position, ready for more drops.
    CCommonDialogs::ClearQueue();
    CCommonDialogs::QueueFileName(qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"));
    m.Key(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
    const SlideSet &set = m.Form->Set();
    QCOMPARE(set.SlideCount(), int16_t(10));
    QCOMPARE(m.Strip()->count(), 10);
    QCOMPARE(int(set.CurrentSlide), 10);
    QCOMPARE(m.Strip()->currentIndex(), 9);
    for (int i = 1; i < 10; ++i)
        QVERIFY(set.Slides[i].Position < set.Slides[i + 1].Position);
    QCOMPARE(m.Strip()->tabText(0), m.Form->Format().General(set.Slides[1].Position) + QStringLiteral(" m"));
    QCOMPARE(field(1)->text(), m.Form->Format().General(set.Slides[10].Position));
    QVERIFY(m.Entry()->isEnabled());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));
    QVERIFY(!m.Find(QStringLiteral("btnLoadData"))->isEnabled());
    QVERIFY(m.Find(QStringLiteral("btnSaveData"))->isEnabled());
    QVERIFY(m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));
    QCOMPARE(m.Form->View().LargestSizeFound, ComputeLargestSizeFound(set));
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), m.Form->Format().Format(set.Slides[10].TotalDrops, "0"));
    // A set already on view is never loaded over.
    CCommonDialogs::QueueFileName(qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"));
    m.Key(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(CCommonDialogs::QueuedChoices(), 1);
    CCommonDialogs::ClearQueue();
}

QTEST_MAIN(TestWindowSlides)
#include "test_window_slides.moc"
