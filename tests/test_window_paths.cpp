// Key and mouse paths a rearrangement of the window loses easily, and every
// change passing through the document once.
#include "test_window_fixture.h"

#include "entry/ParameterPanel.h"
#include "entry/SlideSetDocument.h"

class TestWindowPaths : public QObject
{
    Q_OBJECT
    WindowFixture m;

    const Slide &slide(int i) const { return m.Form->Set().Slides[i]; }
    QLineEdit *box(const QString &name) const { return m.Find<QLineEdit>(name); }
    void typeAndEnter(QLineEdit *field, const QString &text, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Enter, mods);
    }

private slots:
    void init()
    {
        m.Open();
        m.NewSlide(QStringLiteral("0"));
    }
    void cleanup() { m.Close(); }

    void keypadEnterCountsADrop()
    {
        typeAndEnter(m.Entry(), QStringLiteral("7"), Qt::KeypadModifier);
        QCOMPARE(slide(1).Counts[7], int16_t(1));
        QVERIFY(m.Entry()->text().isEmpty());
        QCOMPARE(m.Cell(7, 2), QStringLiteral("1"));
    }

    void spreadFactorRecomputes()
    {
        m.TypeDrop(QStringLiteral("4"));
        m.NewSlide(QStringLiteral("10"));
        m.TypeDrop(QStringLiteral("8"));
        m.Form->findChild<ParameterPanel *>()->SelectTab(2);
        typeAndEnter(box(QStringLiteral("txtOptics4")), QStringLiteral("0.7"));
        QCOMPARE(m.Form->Set().Params.SpreadFactor, 0.7f);
        QCOMPARE(slide(1).VMD, 35.0f); // half the diameter of class 4 at 25 × 0.7 µm per EPD
        QCOMPARE(slide(2).VMD, 70.0f);
        QCOMPARE(m.Label(QStringLiteral("VMDLabel")), QStringLiteral("70.0 \u00B5m"));
        QCOMPARE(m.Cell(8, 1).trimmed(), QStringLiteral("140.0"));
        QVERIFY(m.Form->IsModified());
    }

    void wheelOverTheStripKeepsAPendingCount()
    {
        m.NewSlide(QStringLiteral("10"));
        QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
        m.Grid()->setFocus();
        m.Grid()->setCurrentCell(4, 2);
        QTest::keyClick(m.Grid(), Qt::Key_8);
        QVERIFY(m.Form->CellEditPending());
        const QPoint at = m.Strip()->tabRect(1).center();
        QWheelEvent wheel(at, m.Strip()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(m.Strip(), &wheel);
        QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
        QCOMPARE(slide(2).Counts[5], int16_t(8));
        QCOMPARE(slide(1).Counts[5], int16_t(0));
        QCOMPARE(m.Cell(5, 2), QString());
    }

    // Each change the operator makes reaches the set through the document, once,
    // saying what it touched (the undo stack and the recovery file rely on it).
    void changesGoThroughTheDocument()
    {
        QList<uint> seen;
        const auto connection = connect(&m.Form->Document(), &SlideSetDocument::Changed, this,
                                        [&seen](const SlideSetChange &c) { seen << uint(c.What.toInt()); });
        auto *parameters = m.Form->findChild<ParameterPanel *>();
        m.TypeDrop(QStringLiteral("4"));
        typeAndEnter(box(QStringLiteral("txtSlideInfo2")), QStringLiteral("2"));
        typeAndEnter(box(QStringLiteral("txtSlideInfo1")), QStringLiteral("5"));
        m.NewSlide(QStringLiteral("10"));
        parameters->SelectTab(1);
        box(QStringLiteral("txtSprayer1"))->setFocus();
        QTest::keyClicks(box(QStringLiteral("txtSprayer1")), QStringLiteral("A"));
        typeAndEnter(box(QStringLiteral("txtMortality1")), QStringLiteral("20"));
        parameters->SelectTab(2);
        typeAndEnter(box(QStringLiteral("txtOptics3")), QStringLiteral("30"));
        parameters->SelectTab(5);
        m.Find<QRadioButton>(QStringLiteral("optUnits0"))->click();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        disconnect(connection);
        const QList<SlideSetPart> expected = {SlideSetPart::Counts, SlideSetPart::Sweeps, SlideSetPart::SlideMoved,
                                              SlideSetPart::SlideMade, SlideSetPart::Texts, SlideSetPart::Cage,
                                              SlideSetPart::Optics, SlideSetPart::Units, SlideSetPart::SlideDeleted};
        QList<uint> expectedBits;
        for (SlideSetPart part : expected)
            expectedBits << uint(part);
        QCOMPARE(seen, expectedBits);
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(1));
    }

    void enterWalksDownTheMortalityBoxes()
    {
        const QStringList counts = {QStringLiteral("20"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
        for (int i = 1; i <= 4; ++i) {
            typeAndEnter(box(QStringLiteral("txtMortality%1").arg(i)), counts[i - 1]);
            const QString next = i < 4 ? QStringLiteral("txtMortality%1").arg(i + 1) : QStringLiteral("btnControlData");
            QCOMPARE(QApplication::focusWidget(), m.Find(next));
        }
        QCOMPARE(slide(1).Cage, (MortalityCounts{20, 1, 2, 3}));
    }
};

QTEST_MAIN(TestWindowPaths)
#include "test_window_paths.moc"
