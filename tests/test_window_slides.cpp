// New Slide, the position and sweeps fields, tabs in position order, deleting slides.
#include "test_window_fixture.h"

#include "platform/ui/CCommonDialogs.h"

class TestWindowSlides : public QObject
{
    Q_OBJECT
    WindowFixture m;

    QLineEdit *field(int i) const { return m.Find<QLineEdit>(QStringLiteral("txtSlideInfo%1").arg(i)); }
    void commitField(int i, const QString &text)
    {
        field(i)->setFocus();
        field(i)->selectAll();
        QTest::keyClick(field(i), Qt::Key_Backspace);
        WindowFixture::TypePosition(field(i), text);
        QTest::keyClick(field(i), Qt::Key_Return);
    }
    int16_t current() const { return m.Form->Set().CurrentSlide; }

private slots:
    void init() { m.Open(); }
    void cleanup() { m.Close(); }

    void newSlidesKeepPositionOrder()
    {
        m.NewSlide(QStringLiteral("5"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Grid()));
        m.NewSlide(QStringLiteral("-3"));
        QCOMPARE(current(), int16_t(1)); // the new slide, first by position
        QCOMPARE(field(1)->text(), QStringLiteral("-3"));
        m.NewSlide(QStringLiteral("12.5"));
        QCOMPARE(m.TabCaptions(), (QStringList{QStringLiteral("-3 m"), QStringLiteral("5 m"), QStringLiteral("12.5 m")}));
        QCOMPARE(current(), int16_t(3));
    }

    void duplicatePositionRefused_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("refused");
        QTest::newRow("2.5 and 2.50 collide") << QStringLiteral("2.5") << QStringLiteral("2.50") << true;
        QTest::newRow("2.5 and 2.51 do not") << QStringLiteral("2.5") << QStringLiteral("2.51") << false;
        QTest::newRow("-4 and -4.0 collide") << QStringLiteral("-4") << QStringLiteral("-4.0") << true;
        QTest::newRow("4 and -4 do not") << QStringLiteral("4") << QStringLiteral("-4") << false;
    }
    void duplicatePositionRefused()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, refused);
        m.NewSlide(first);
        MessageBoxes::ResetLog();
        m.NewSlide(second);
        QCOMPARE(int(m.Form->Set().SlideCount()), refused ? 1 : 2);
        QCOMPARE(MessageBoxes::LastText(),
                 refused ? QStringLiteral("A slide from that location has already been entered.") : QString());
    }

    void slideFields_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("another slide's position") << 1 << QStringLiteral("10") << QStringLiteral("5");
        QTest::newRow("minus alone restores") << 1 << QStringLiteral("-") << QStringLiteral("5");
        QTest::newRow("separator alone refused") << 2 << QStringLiteral(".") << QStringLiteral("1");
        QTest::newRow("moves past another") << 1 << QStringLiteral("12.5") << QStringLiteral("12.5");
        QTest::newRow("2 sweeps double the area") << 2 << QStringLiteral("2") << QStringLiteral("2");
        QTest::newRow("0 sweeps refused") << 2 << QStringLiteral("0") << QStringLiteral("1");
    }
    void slideFields()
    {
        QFETCH(int, index);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        m.NewSlide(QStringLiteral("10"));
        m.NewSlide(QStringLiteral("5"));
        m.TypeDrop(QStringLiteral("5"));
        m.TypeDrop(QStringLiteral("5"));
        MessageBoxes::ResetLog();
        commitField(index, typed);
        QCOMPARE(field(index)->text(), shown);
        QCOMPARE(MessageBoxes::LastText(), index == 1 && typed == QStringLiteral("10")
                                               ? QStringLiteral("There is already another slide at that location.")
                                               : QString());
        const Slide &s = m.Form->Set().Current();
        QCOMPARE(index == 1 ? s.Position : s.Sweeps, shown.toFloat());
        QCOMPARE(m.Strip()->tabText(m.Strip()->currentIndex()), (index == 1 ? shown : QStringLiteral("5")) + QStringLiteral(" m"));
        QCOMPARE(s.Counts[5], int16_t(2));
        QCOMPARE(s.DropDensity, float(2 / (0.1 * s.Sweeps)));
    }

    // The click on a tab commits a typed position, re-sorting the tabs under the
    // pointer: the slide whose tab was clicked is still the one shown.
    void clickedTabWinsOverTypedPosition_data()
    {
        QTest::addColumn<int>("from");      // tab on view while typing
        QTest::addColumn<QString>("typed"); // its new position, not committed
        QTest::addColumn<int>("clicked");   // tab clicked, counted before the commit
        QTest::addColumn<QString>("shown"); // caption of the slide then on view
        QTest::addColumn<QString>("tabs");  // the tabs after the commit
        QTest::newRow("moves onto the clicked tab's place")
            << 1 << QStringLiteral("2.5") << 2 << QStringLiteral("2 m") << QStringLiteral("2 m|2.5 m|3 m");
        QTest::newRow("moves to the front")
            << 3 << QStringLiteral("0.5") << 1 << QStringLiteral("1 m") << QStringLiteral("0.5 m|1 m|2 m");
        QTest::newRow("moves past the clicked tab")
            << 1 << QStringLiteral("4") << 3 << QStringLiteral("3 m") << QStringLiteral("2 m|3 m|4 m");
        QTest::newRow("stays in place")
            << 2 << QStringLiteral("2.2") << 3 << QStringLiteral("3 m") << QStringLiteral("1 m|2.2 m|3 m");
        QTest::newRow("another slide's position refused")
            << 1 << QStringLiteral("3") << 2 << QStringLiteral("2 m") << QStringLiteral("1 m|2 m|3 m");
    }
    void clickedTabWinsOverTypedPosition()
    {
        QFETCH(int, from);
        QFETCH(QString, typed);
        QFETCH(int, clicked);
        QFETCH(QString, shown);
        QFETCH(QString, tabs);
        for (const char *position : {"1", "2", "3"})
            m.NewSlide(QString::fromLatin1(position));
        QTest::mouseClick(m.Strip(), Qt::LeftButton, {}, m.Strip()->tabRect(from - 1).center());
        QCOMPARE(int(current()), from);
        QTest::mouseClick(field(1), Qt::LeftButton);
        field(1)->selectAll();
        QTest::keyClicks(field(1), typed);
        QTest::mouseClick(m.Strip(), Qt::LeftButton, {}, m.Strip()->tabRect(clicked - 1).center());
        QTRY_COMPARE(m.TabCaptions().join(QLatin1Char('|')), tabs);
        QCOMPARE(m.Strip()->tabText(m.Strip()->currentIndex()), shown);
        QCOMPARE(field(1)->text() + QStringLiteral(" m"), shown);
    }

    void deleteSlide_data()
    {
        QTest::addColumn<int>("slides");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("tabs");
        QTest::addColumn<int>("shown");
        QTest::newRow("middle: the next moves in") << 3 << 2 << true << QStringLiteral("1 m|3 m") << 2;
        QTest::newRow("last: the new last") << 3 << 3 << true << QStringLiteral("1 m|2 m") << 2;
        QTest::newRow("No keeps it") << 3 << 2 << false << QStringLiteral("1 m|2 m|3 m") << 2;
        QTest::newRow("the only one") << 1 << 1 << true << QStringLiteral("<No Slide>") << 0;
    }
    void deleteSlide()
    {
        QFETCH(int, slides);
        QFETCH(int, current);
        QFETCH(bool, yes);
        QFETCH(QString, tabs);
        QFETCH(int, shown);
        for (int i = 1; i <= slides; ++i) {
            m.NewSlide(QString::number(i));
            for (int k = 0; k < i; ++k)
                m.TypeDrop(QString::number(2 * i + 4));
        }
        m.Form->Set().ControlData.NumInCage = 20;
        m.Strip()->setCurrentIndex(current - 1);
        MessageBoxes::QueueAnswer(yes ? MessageBoxes::Yes : MessageBoxes::No);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Are you sure you want to delete this slide?"));
        QCOMPARE(m.TabCaptions().join(QLatin1Char('|')), tabs);
        QCOMPARE(int(this->current()), shown);
        QCOMPARE(field(1)->text(), shown ? m.TabCaptions()[shown - 1].chopped(2) : QString());
        QCOMPARE(m.Form->View().LargestSizeFound, ComputeLargestSizeFound(m.Form->Set()));
        QCOMPARE(m.Shown(QStringLiteral("CompositeCheck")), m.TabCaptions().size() >= 2);
        if (shown == 0) {
            // With the last slide go the cage counts; Delete then asks nothing.
            QCOMPARE(m.Form->Set().ControlData, MortalityCounts());
            MessageBoxes::ResetLog();
            QTest::keyClick(m.Strip(), Qt::Key_Delete);
            QCOMPARE(MessageBoxes::ShownCount(), 0);
        }
    }

    // More slides than a byte counts.
    void hundredsOfSlides()
    {
        for (int i = 1; i <= 300; ++i)
            AddSlide(m.Form->Set(), float(i));
        m.Form->Set().CurrentSlide = 0;
        m.Form->ShowLoadedSlideSet();
        QCOMPARE(current(), int16_t(300));
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(m.Form->Set().Current().Position, 299.0f);
    }

    void loadedSetIsShown()
    {
        // A read set shows its last slide by position, ready for more drops.
        CCommonDialogs::ClearQueue();
        CCommonDialogs::QueueFileName(qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"));
        m.Key(Qt::Key_L, Qt::ControlModifier);
        const SlideSet &set = m.Form->Set();
        QCOMPARE(set.SlideCount(), int16_t(10));
        QCOMPARE(current(), int16_t(10));
        QCOMPARE(field(1)->text(), m.Form->Format().General(set.Slides[10].Position));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));
    }
};

QTEST_MAIN(TestWindowSlides)
#include "test_window_slides.moc"
