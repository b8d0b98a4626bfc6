// Ctrl+Z and Ctrl+Y in the real window: the mistyped drop taken back, the slide
// the change was on brought into view with its row, a deleted slide back in its
// place, and the close question after undoing to the saved state.
#include "test_window_fixture.h"

#include "entry/SlideSetDocument.h"

class TestWindowUndo : public QObject
{
    Q_OBJECT
    WindowFixture m;

    const SlideSet &set() const { return m.Form->Set(); }
    void undo(QWidget *at = nullptr) { m.Key(Qt::Key_Z, Qt::ControlModifier, at ? at : m.Entry()); }
    bool rowInView(int row) const
    {
        const QRect cell = m.Grid()->visualItemRect(m.Grid()->item(row - 1, 2));
        return m.Grid()->viewport()->rect().contains(cell);
    }

private slots:
    void init() { m.Open(600); }
    void cleanup() { m.Close(); }

    void mistypedDrop()
    {
        m.NewSlide(QStringLiteral("0"));
        m.Entry()->setFocus();
        m.TypeDrop(QStringLiteral("3"));
        m.TypeDrop(QStringLiteral("19")); // meant 9
        m.Grid()->scrollToTop();
        undo();
        QCOMPARE(set().Slides[1].Counts[19], int16_t(0));
        QCOMPARE(set().Slides[1].Counts[3], int16_t(1));
        QCOMPARE(m.Cell(19, 2), QString());
        QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), QStringLiteral("1"));
        QCOMPARE(m.CurrentGridRow(), 19);
        QVERIFY(rowInView(19));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry())); // typing goes on
        m.TypeDrop(QStringLiteral("9"));

        // The redo that was lost with the new drop stays lost; Ctrl+Y and
        // Ctrl+Shift+Z both bring back what was undone.
        m.Key(Qt::Key_Y, Qt::ControlModifier, m.Entry());
        QCOMPARE(set().Slides[1].Counts[19], int16_t(0));
        undo();
        undo();
        QCOMPARE(set().Slides[1].TotalDrops, 0);
        m.Key(Qt::Key_Y, Qt::ControlModifier, m.Entry());
        m.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, m.Entry());
        QCOMPARE(set().Slides[1].Counts[3], int16_t(1));
        QCOMPARE(set().Slides[1].Counts[9], int16_t(1));
        QCOMPARE(m.Cell(9, 2), QStringLiteral("1"));

        // Back past the first slide: the window without slides, as at the start.
        for (int i = 0; i < 3; ++i)
            undo();
        QCOMPARE(set().SlideCount(), int16_t(0));
        QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
        QVERIFY(!m.Entry()->isEnabled());
        QVERIFY(m.Find(QStringLiteral("btnLoadData"))->isEnabled());
        m.Key(Qt::Key_Y, Qt::ControlModifier, m.Find(QStringLiteral("btnNewSlide")));
        QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("0 m")});
        QVERIFY(m.Entry()->isEnabled());
    }

    void deletedSlideBackInItsPlace()
    {
        for (const char *p : {"-5", "0", "10"})
            m.NewSlide(QString::fromLatin1(p));
        m.Key(Qt::Key_Tab, Qt::ControlModifier, m.Entry()); // to the slide at -5
        m.Key(Qt::Key_Tab, Qt::ControlModifier, m.Entry()); // and at 0
        QCOMPARE(set().CurrentSlide, int16_t(2));
        m.TypeDrop(QStringLiteral("6"));
        auto *inCage = m.Find<QLineEdit>(QStringLiteral("txtMortality1"));
        inCage->setFocus();
        QTest::keyClicks(inCage, QStringLiteral("20"));
        QTest::keyClick(inCage, Qt::Key_Return);
        QCOMPARE(set().Slides[2].Cage.NumInCage, int16_t(20));
        const Slide before = set().Slides[2];

        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-5 m"), QStringLiteral("10 m")}));
        undo(m.Strip());
        QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-5 m"), QStringLiteral("0 m"), QStringLiteral("10 m")}));
        QCOMPARE(m.Strip()->currentIndex(), 1);
        QVERIFY(set().Slides[2] == before);
        QCOMPARE(m.Cell(6, 2), QStringLiteral("1"));
        QCOMPARE(inCage->text(), QStringLiteral("20"));
        QCOMPARE(m.Find<QLineEdit>(QStringLiteral("txtSlideInfo1"))->text(), QStringLiteral("0"));

        // Delete all ends the history.
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        m.Key(Qt::Key_Delete, Qt::ControlModifier, m.Strip());
        undo(m.Find(QStringLiteral("btnNewSlide")));
        QCOMPARE(set().SlideCount(), int16_t(0));
        QCOMPARE(m.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
    }

    // Ctrl+Z and Ctrl+Y in a text field belong to the field: the typing there is
    // taken back and brought again, the counting elsewhere stays. From the drop
    // box and the count table they undo the set's last change.
    void undoKeysInFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("fieldOwnsThem");
        QTest::newRow("Agency") << "txtSprayer1" << true;
        QTest::newRow("release height") << "txtSprayer3" << true;
        QTest::newRow("air temperature") << "txtMet1" << true;
        QTest::newRow("spread factor") << "txtOptics4" << true;
        QTest::newRow("sweeps") << "txtSlideInfo2" << true;
        QTest::newRow("number in cage") << "txtMortality1" << true;
        QTest::newRow("drop box") << "txtDataEntry" << false;
        QTest::newRow("count table") << "DataGrid" << false;
    }
    void undoKeysInFields()
    {
        QFETCH(QString, field);
        QFETCH(bool, fieldOwnsThem);
        m.NewSlide(QStringLiteral("0"));
        m.TypeDrop(QStringLiteral("3"));
        m.TypeDrop(QStringLiteral("4"));
        QWidget *target = m.Find(field);
        auto *box = qobject_cast<QLineEdit *>(target);
        if (auto *tabs = m.Find<QTabWidget>(QStringLiteral("tabParameters")); !target->isVisible())
            for (int i = 0; i < tabs->count() && !target->isVisible(); ++i)
                tabs->setCurrentIndex(i);
        target->setFocus(Qt::TabFocusReason);
        const QString before = box ? box->text() : QString();
        if (fieldOwnsThem) {
            box->end(false);
            QTest::keyClicks(box, QStringLiteral("12"));
        }
        const QString typed = box ? box->text() : QString();
        m.Key(Qt::Key_Z, Qt::ControlModifier, target);
        QCOMPARE(set().Slides[1].Counts[4], int16_t(fieldOwnsThem ? 1 : 0));
        QCOMPARE(set().Slides[1].Counts[3], int16_t(1));
        if (!fieldOwnsThem)
            return;
        QCOMPARE(box->text(), before);
        m.Key(Qt::Key_Y, Qt::ControlModifier, target);
        QCOMPARE(box->text(), typed);
        QCOMPARE(set().Slides[1].Counts[4], int16_t(1));
        QCOMPARE(m.Form->Document().History().count(), 3); // the slide and two drops
    }

    // Undoing back to the saved state leaves nothing to ask about at closing;
    // one step further there is again.
    void closeQuestionFollowsTheSavedState()
    {
        m.NewSlide(QStringLiteral("0"));
        m.TypeDrop(QStringLiteral("4"));
        m.Form->Document().MarkSaved();
        m.TypeDrop(QStringLiteral("5"));
        QVERIFY(m.Form->IsModified());
        undo();
        QVERIFY(!m.Form->IsModified());
        undo();
        QVERIFY(m.Form->IsModified());
        MessageBoxes::QueueAnswer(MessageBoxes::Cancel);
        QVERIFY(!m.Form->close());
        QCOMPARE(MessageBoxes::QueuedAnswers(), 0);
        m.Key(Qt::Key_Y, Qt::ControlModifier, m.Entry());
        QVERIFY(m.Form->close()); // no question: the unexpected-question handler would fail
    }
};

QTEST_MAIN(TestWindowUndo)
#include "test_window_undo.moc"
