// The Ctrl-key commands where they apply and where they must do nothing; the composite view.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"

class TestWindowKeys : public QObject
{
    Q_OBJECT
    WindowFixture m;
    int m_printed = 0;

    static void moveOver(QWidget *w, QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    void ctrl(Qt::Key key, QWidget *target = nullptr) { m.Key(key, Qt::ControlModifier, target); }
    void ctrlShiftTab() { m.Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier); }
    bool composite() const { return m.Find<QCheckBox>(QStringLiteral("CompositeCheck"))->isChecked(); }
    int16_t current() const { return m.Form->Set().CurrentSlide; }
    QString vmdText(float vmd) const { return m.Form->Format().Format(vmd, "0.0") + QStringLiteral(" \u00B5m"); }

private slots:
    void init()
    {
        m.Open();
        // Slides at -5, 0 and 5 m holding drops of sizes 3 and 4, 6, and 8 and 9.
        for (const char *slide : {"-5:34", "0:6", "5:89"}) {
            m.NewSlide(QString::fromLatin1(slide).section(QLatin1Char(':'), 0, 0));
            for (QChar size : QString::fromLatin1(slide).section(QLatin1Char(':'), 1))
                m.TypeDrop(QString(size));
        }
        m.Form->SetPrintHandler([this] { ++m_printed; });
        m_printed = 0;
        MessageBoxes::ResetLog();
    }
    void cleanup() { m.Close(); }

    void commandsOnASlide()
    {
        // From whatever has the focus, even the data-entry box; the last slide wraps to the first.
        ctrl(Qt::Key_Tab, m.Entry());
        QCOMPARE(m.Strip()->currentIndex(), 0);
        QCOMPARE(m.Cell(3, 2), QStringLiteral("1"));
        ctrlShiftTab();
        QCOMPARE(current(), int16_t(3));
        for (int option : {2, 3, 4, 5}) {
            ctrl(Qt::Key(Qt::Key_0 + option), m.Entry());
            QCOMPARE(m.Form->View().GraphMode, option);
        }
        QVERIFY(m.Entry()->text().isEmpty()); // the keys never reached the box
        // No command: Ctrl+Alt+Tab, load with slides on view, print outside the composite, a sixth graph.
        m.Key(Qt::Key_Tab, Qt::ControlModifier | Qt::AltModifier);
        for (Qt::Key key : {Qt::Key_L, Qt::Key_P, Qt::Key_6})
            ctrl(key);
        QCOMPARE(current(), int16_t(3));
        QCOMPARE(m_printed, 0);
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(m.Form->View().GraphMode, 5);
    }

    void deleteAll()
    {
        m.Strip()->setCurrentIndex(1);
        MessageBoxes::QueueAnswer(MessageBoxes::No);
        ctrl(Qt::Key_Delete, m.Entry());
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Are you sure you want to delete all slides?"));
        QCOMPARE(QApplication::focusWidget(), m.Find(QStringLiteral("btnNewSlide")));
        QCOMPARE(current(), int16_t(2));
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        ctrl(Qt::Key_Delete, m.Entry());
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(0));
        // With no slides, the slide commands have nothing to act on.
        MessageBoxes::ResetLog();
        for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Tab, Qt::Key_C, Qt::Key_2})
            ctrl(key);
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(m.Form->View().GraphMode, 1);
        QVERIFY(!composite());
    }

    void compositeOnAndOff()
    {
        m.Strip()->setCurrentIndex(1);
        QTest::mouseClick(m.Find<QCheckBox>(QStringLiteral("CompositeCheck")), Qt::LeftButton);
        QVERIFY(m.Shown(QStringLiteral("Picture1")) && !m.Grid()->isVisible());
        QCOMPARE(m.Label(QStringLiteral("VMDLabel")), vmdText(m.Form->View().Composite.CompVMD));
        QVERIFY(m.Shown(QStringLiteral("CardLabel3"))); // one card per slide under the line graph

        // An optics change while the line is on view recomputes every slide ...
        SlideSet &set = m.Form->Set();
        set.Params.MicronsPerEPD = 50;
        for (int16_t i = 1; i <= set.SlideCount(); ++i) {
            ComputeSlideArea(set.Slides[i], set.Params);
            SetDropCount(set, 0, 0, i, m.Form->View().LargestSizeFound);
        }
        m.Form->CalcCompositeAndMedians();

        QTest::mouseClick(m.Find<QCheckBox>(QStringLiteral("CompositeCheck")), Qt::LeftButton);
        // ... and the slide coming back shows its figures as they are now.
        QCOMPARE(m.Label(QStringLiteral("DropLabel")), QStringLiteral("5.0 drops/cm \u00B2"));
        QCOMPARE(m.Label(QStringLiteral("VMDLabel")), vmdText(set.Current().VMD));
        QCOMPARE(m.Strip()->currentIndex(), 1);
        QVERIFY(!m.Shown(QStringLiteral("CardLabel1")));
    }

    void compositeTabsAndCommands()
    {
        ctrl(Qt::Key_C);
        auto *pic = m.Find<PictureBox>(QStringLiteral("Picture1"));
        const QImage line = pic->Image().copy();
        ctrl(Qt::Key_Tab);
        QVERIFY(pic->Image() != line);
        for (int i = 0; i < 4; ++i)
            ctrl(Qt::Key_Tab); // past the last graph back to the line
        QCOMPARE(m.Form->View().CompositeView, uint8_t(1));
        ctrlShiftTab();
        QCOMPARE(m.Form->View().CompositeView, uint8_t(5));
        QCOMPARE(m.Strip()->currentIndex(), 4); // the strip's tab follows the graph

        // Not here: New Slide (it would open its dialog) and deleting slides.
        ctrl(Qt::Key_N);
        QWidget *focus = QApplication::focusWidget();
        ctrl(Qt::Key_Delete);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(QApplication::focusWidget(), focus);
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(3));
        ctrl(Qt::Key_P); // print runs only here
        QCOMPARE(m_printed, 1);
        ctrl(Qt::Key_C);
        QVERIFY(!composite());
        QCOMPARE(current(), int16_t(3));
    }

    void slideCardReadout()
    {
        ctrl(Qt::Key_C);
        QWidget *card = m.Find(QStringLiteral("CardLabel2"));
        moveOver(card, card->rect().center());
        QCOMPARE(m.Label(QStringLiteral("DataLabel1")),
                 QStringLiteral(" ") + vmdText(m.Form->Set().Slides[2].VMD) + QStringLiteral(" "));
        moveOver(m.Find(QStringLiteral("Picture1")), QPoint(5, 5));
        QVERIFY(!m.Shown(QStringLiteral("DataLabel1")));

        // Another graph never keeps labels that point into the line graph.
        moveOver(card, card->rect().center());
        ctrl(Qt::Key_Tab);
        QVERIFY(!m.Shown(QStringLiteral("DataLabel1")));
    }

};

QTEST_MAIN(TestWindowKeys)
#include "test_window_keys.moc"
