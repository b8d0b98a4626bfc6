// The Ctrl-key commands where they apply and where they must do nothing, and
// the composite view switched on and off.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"

class TestWindowKeys : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.Open();
        m.NewSlide(QStringLiteral("-5"));
        m.TypeDrop(QStringLiteral("3"));
        m.TypeDrop(QStringLiteral("4"));
        m.NewSlide(QStringLiteral("0"));
        m.TypeDrop(QStringLiteral("6"));
        m.NewSlide(QStringLiteral("5"));
        m.TypeDrop(QStringLiteral("8"));
        m.TypeDrop(QStringLiteral("9"));
        m.Form->SetPrintHandler([this](MainForm &) { ++m_printed; });
        m_printed = 0;
        MessageBoxes::ResetLog();
    }
    void cleanup() { m.Close(); }

    void slideNavigation();
    void graphOptions_data();
    void graphOptions();
    void commandsWhereTheyDoNothing();
    void deleteAll_data();
    void deleteAll();
    void compositeOnAndOff();
    void compositeTabsCycle();
    void compositeCommands();
    void slideCardReadout();
    void histogramToolTip();

private:
    static void moveOver(QWidget *w, QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    bool composite() const { return m.Find<QCheckBox>(QStringLiteral("CompositeCheck"))->isChecked(); }
    WindowFixture m;
    int m_printed = 0;
};

void TestWindowKeys::slideNavigation()
{
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
    // From whatever has the focus, even the data-entry box.
    m.Key(Qt::Key_Tab, Qt::ControlModifier, m.Entry());
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
    QCOMPARE(m.Strip()->currentIndex(), 0);
    QCOMPARE(m.Cell(3, 2), QStringLiteral("1"));
    m.Key(Qt::Key_Tab, Qt::ControlModifier, m.Grid());
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
    m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
    QCOMPARE(m.Cell(9, 2), QStringLiteral("1"));
    // Alt or no modifier is not a command.
    m.Key(Qt::Key_Tab, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
}

void TestWindowKeys::graphOptions_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("top");
    QTest::newRow("Ctrl+2") << 2 << QStringLiteral("Drop Size Statistics  (Cumulative Volume Fraction)")
                            << QStringLiteral("1");
    QTest::newRow("Ctrl+3") << 3 << QStringLiteral("Drop Size Statistics  (drops/cm \u00B2)") << QStringLiteral("10");
    QTest::newRow("Ctrl+4") << 4 << QStringLiteral("Drop Size Statistics  (Number Fraction)") << QString();
    QTest::newRow("Ctrl+5") << 5 << QStringLiteral("Drop Size Statistics  (Cumulative Number Fraction)")
                            << QStringLiteral("1");
    QTest::newRow("Ctrl+1") << 1 << QStringLiteral("Drop Size Statistics  (Volume Fraction)") << QString();
}

void TestWindowKeys::graphOptions()
{
    QFETCH(int, option);
    QFETCH(QString, title);
    QFETCH(QString, top);
    if (option == 1)
        m.Key(Qt::Key_3, Qt::ControlModifier);
    m.Key(Qt::Key(Qt::Key_0 + option), Qt::ControlModifier, m.Entry());
    QVERIFY(m.Find<QRadioButton>(QStringLiteral("GraphOption%1").arg(option))->isChecked());
    QCOMPARE(m.Form->View().GraphMode, option);
    QCOMPARE(m.Find<QGroupBox>(QStringLiteral("ResultFrame"))->title(), title);
    if (!top.isEmpty())
        QCOMPARE(m.Label(QStringLiteral("ResultLabelY2")), top);
    QVERIFY(m.Entry()->text().isEmpty()); // the key never reached the box
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
}

void TestWindowKeys::commandsWhereTheyDoNothing()
{
    // Each of these leaves the window as it was and shows nothing (a load or a
    // position dialog would block the test here).
    m.Key(Qt::Key_L, Qt::ControlModifier);
    m.Key(Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_printed, 0);
    m.Key(Qt::Key_6, Qt::ControlModifier);
    QCOMPARE(m.Form->View().GraphMode, 1);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(3));

    // With no slides, the slide commands have nothing to act on.
    MessageBoxes::QueueAnswer(MessageBoxes::Yes);
    m.Key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(0));
    MessageBoxes::ResetLog();
    m.Key(Qt::Key_Delete, Qt::ControlModifier);
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    m.Key(Qt::Key_C, Qt::ControlModifier);
    m.Key(Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
    QCOMPARE(m.Form->View().GraphMode, 1);
    QVERIFY(!composite());
}

void TestWindowKeys::deleteAll_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("No") << int(MessageBoxes::No);
    QTest::newRow("Yes") << int(MessageBoxes::Yes);
}

void TestWindowKeys::deleteAll()
{
    QFETCH(int, answer);
    m.Strip()->setCurrentIndex(1);
    m.Entry()->setFocus();
    MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
    m.Key(Qt::Key_Delete, Qt::ControlModifier, m.Entry());
    QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Are you sure you want to delete all slides?"));
    QCOMPARE(QApplication::focusWidget(), m.Find(QStringLiteral("btnNewSlide")));
    if (answer == MessageBoxes::No) {
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(3));
        QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
        return;
    }
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(0));
    QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
    QVERIFY(!m.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(m.Form.get()));
    QVERIFY(m.Find(QStringLiteral("btnLoadData"))->isEnabled());
    QVERIFY(!m.Form->IsModified());
    QCOMPARE(m.Form->Set().Slides.size(), size_t(1));
}

void TestWindowKeys::compositeOnAndOff()
{
    m.Strip()->setCurrentIndex(1);
    QTest::mouseClick(m.Find<QCheckBox>(QStringLiteral("CompositeCheck")), Qt::LeftButton);
    QVERIFY(composite());
    QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("Line Data"), QStringLiteral("Mortality vs. Drop Density"),
                                           QStringLiteral("Range Statistics")}));
    QCOMPARE(m.Form->View().CompositeView, uint8_t(1));
    QVERIFY(m.Find(QStringLiteral("Picture1"))->isVisible());
    QVERIFY(!m.Grid()->isVisible());
    QVERIFY(!m.Find(QStringLiteral("frameDataEntry"))->isVisible());
    QVERIFY(!m.Find(QStringLiteral("frameMortality"))->isVisible());
    QVERIFY(m.Find(QStringLiteral("btnPrint"))->isVisible());
    QVERIFY(!m.Find(QStringLiteral("btnNewSlide"))->isEnabled());
    QCOMPARE(m.Label(QStringLiteral("InfoLabel2")), QStringLiteral("Ave. Drop Density:"));
    QCOMPARE(m.Find<QGroupBox>(QStringLiteral("ResultFrame"))->title(),
             QStringLiteral("Composite Statistics  (Volume Fraction)"));
    const CompositeResults &c = m.Form->View().Composite;
    QCOMPARE(m.Label(QStringLiteral("VMDLabel")), m.Form->Format().Format(c.CompVMD, "0.0") + QStringLiteral(" \u00B5m"));
    QCOMPARE(m.Form->View().CurrentVMD, c.CompVMD);
    // One card per slide under the line graph.
    for (int i = 1; i <= 3; ++i)
        QVERIFY(m.Find(QStringLiteral("CardLabel%1").arg(i))->isVisible());

    // An optics change while the line is on view recomputes every slide ...
    SlideSet &set = m.Form->Set();
    set.Params.MicronsPerEPD = 50;
    for (int16_t i = 1; i <= set.SlideCount(); ++i) {
        ComputeSlideArea(set.Slides[i], set.Params);
        SetDropCount(set, 0, 0, i, m.Form->View().LargestSizeFound);
    }
    m.Form->CalcCompositeAndMedians();

    QTest::mouseClick(m.Find<QCheckBox>(QStringLiteral("CompositeCheck")), Qt::LeftButton);
    QVERIFY(!composite());
    // ... and the slide coming back shows its figures as they are now.
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")), QStringLiteral("= 0.20 cm \u00B2"));
    QCOMPARE(m.Label(QStringLiteral("DropLabel")), QStringLiteral("5.0 drops/cm \u00B2"));
    QCOMPARE(m.Label(QStringLiteral("VMDLabel")), m.Form->Format().Format(set.Current().VMD, "0.0") + QStringLiteral(" \u00B5m"));
    QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-5 m"), QStringLiteral("0 m"), QStringLiteral("5 m")}));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
    QCOMPARE(m.Strip()->currentIndex(), 1);
    QCOMPARE(m.Label(QStringLiteral("InfoLabel2")), QStringLiteral("Slide Drop Density:"));
    QCOMPARE(m.Form->View().CompositeView, uint8_t(0));
    QVERIFY(!m.Find(QStringLiteral("Picture1"))->isVisible());
    QVERIFY(m.Grid()->isVisible());
    QVERIFY(!m.Find(QStringLiteral("btnPrint"))->isVisible());
    QVERIFY(m.Find(QStringLiteral("btnNewSlide"))->isEnabled());
    QVERIFY(!m.Find(QStringLiteral("CardLabel1"))->isVisible());
}

void TestWindowKeys::compositeTabsCycle()
{
    m.Key(Qt::Key_C, Qt::ControlModifier);
    QVERIFY(composite());
    auto *pic = m.Find<PictureBox>(QStringLiteral("Picture1"));
    const QImage line = pic->Image().copy();
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Form->View().CompositeView, uint8_t(2));
    QCOMPARE(m.Strip()->currentIndex(), 1);
    QVERIFY(pic->Image() != line);
    QVERIFY(!m.Find(QStringLiteral("CardLabel1"))->isVisible());
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Form->View().CompositeView, uint8_t(3));
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Form->View().CompositeView, uint8_t(1));
    QCOMPARE(pic->Image(), line);
    m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m.Form->View().CompositeView, uint8_t(3));
    QCOMPARE(m.Strip()->currentIndex(), 2);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
    m.Key(Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!composite());
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(3));
}

void TestWindowKeys::compositeCommands()
{
    m.Key(Qt::Key_C, Qt::ControlModifier);
    // Not in composite view: New Slide (it would open its dialog) and delete all.
    m.Key(Qt::Key_N, Qt::ControlModifier);
    QWidget *focus = QApplication::focusWidget();
    m.Key(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
    QCOMPARE(QApplication::focusWidget(), focus);
    QTest::keyClick(m.Strip(), Qt::Key_Delete);
    QCOMPARE(MessageBoxes::ShownCount(), 0);
    QCOMPARE(m.Form->Set().SlideCount(), int16_t(3));
    // Print runs only here.
    m.Key(Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(m_printed, 1);
    // Graph options redraw the composite histogram.
    m.Key(Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(m.Find<QGroupBox>(QStringLiteral("ResultFrame"))->title(),
             QStringLiteral("Composite Statistics  (drops/cm \u00B2)"));
}

void TestWindowKeys::slideCardReadout()
{
    m.Key(Qt::Key_C, Qt::ControlModifier);
    QWidget *card = m.Find(QStringLiteral("CardLabel2"));
    moveOver(card, card->rect().center());
    QVERIFY(m.Form->ReadoutShown());
    QVERIFY(m.Find(QStringLiteral("DataLabel1"))->isVisible());
    QCOMPARE(m.Label(QStringLiteral("DataLabel1")),
             QStringLiteral(" ") + m.Form->Format().Format(m.Form->Set().Slides[2].VMD, "0.0") + QStringLiteral(" \u00B5m "));
    QVERIFY(m.Label(QStringLiteral("DataLabel3")).endsWith(QStringLiteral(" drops/cm \u00B2 ")));
    // No cage beside the slide: no mortality items.
    QVERIFY(!m.Find(QStringLiteral("DataLabel4"))->isVisible());
    QWidget *pic = m.Find(QStringLiteral("Picture1"));
    moveOver(pic, QPoint(5, 5));
    QVERIFY(!m.Form->ReadoutShown());
    QVERIFY(!m.Find(QStringLiteral("DataLabel1"))->isVisible());

    // Another graph never keeps labels that point into the line graph.
    moveOver(card, card->rect().center());
    QVERIFY(m.Form->ReadoutShown());
    m.Key(Qt::Key_Tab, Qt::ControlModifier);
    QVERIFY(!m.Form->ReadoutShown());
    QVERIFY(!m.Find(QStringLiteral("DataLabel1"))->isVisible());
}

void TestWindowKeys::histogramToolTip()
{
    auto *pic = m.Find<PictureBox>(QStringLiteral("ResultPic"));
    moveOver(pic, QPoint(2 + pic->Image().width() / 2, 2 + pic->Image().height() / 2));
    QVERIFY2(pic->toolTip().contains(QStringLiteral("\u00B5m / ")), qPrintable(pic->toolTip()));
}

QTEST_MAIN(TestWindowKeys)
#include "test_window_keys.moc"
