// New Slide, the position and sweeps fields, tabs in position order, deleting slides.
#include "test_window_fixture.h"

#include "entry/SlideSetDocument.h"
#include "platform/ui/CCommonDialogs.h"
#include "window/SlideStrip.h"

#include <algorithm>

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
    QList<float> positions() const
    {
        QList<float> list;
        for (int i = 1; i <= m.Form->Set().SlideCount(); ++i)
            list << m.Form->Set().Slides[i].Position;
        return list;
    }
    static QList<float> sorted(QList<float> list)
    {
        std::sort(list.begin(), list.end());
        return list;
    }
    void clickSlide(float position)
    {
        const int index = FindSlideAtPosition(m.Form->Set(), position);
        QVERIFY(index >= 1);
        QTest::mouseClick(m.Strip(), Qt::LeftButton, {}, m.Strip()->tabRect(index - 1).center());
        QCOMPARE(m.Form->Set().Current().Position, position);
    }

    SlideStrip *strip() const { return qobject_cast<SlideStrip *>(m.Strip()); }
    QString caption(int slide) const
    {
        return m.Form->Format().General(m.Form->Set().Slides[slide].Position) + QStringLiteral(" m");
    }
    void loadLine(int slides)
    {
        for (int i = 1; i <= slides; ++i)
            AddSlide(m.Form->Set(), float(i));
        m.Form->Set().CurrentSlide = 0;
        m.Form->ShowLoadedSlideSet();
    }
    // Every tab names its own slide; the chosen tab is the slide on view, in sight.
    void checkStrip()
    {
        QApplication::processEvents(); // a stretch moves once the click is handled
        SlideStrip *s = strip();
        QCOMPARE(s->count(), std::min<int>(m.Form->Set().SlideCount(), SlideStrip::kMostSlideTabs));
        for (int i = 0; i < s->count(); ++i)
            QCOMPARE(s->tabText(i), caption(s->SlidesBefore() + i + 1));
        QCOMPARE(s->ChosenTab(), int(current()));
        QCOMPARE(field(1)->text(), m.Form->Format().General(m.Form->Set().Current().Position));
        QVERIFY(s->rect().contains(s->tabRect(s->currentIndex()).center()));
    }

    // `steps`: positions typed into New Slide, and "@p" for a click on the tab of
    // the slide at p. The set ends up exactly as typed, without a message, the new
    // slide on view; each undo takes back one slide made, the last first.
    void addAroundTheSlideOnView(const QList<float> &loaded, const QStringList &steps)
    {
        if (!loaded.isEmpty()) {
            for (float p : loaded)
                AddSlide(m.Form->Set(), p);
            m.Form->Set().CurrentSlide = 0;
            m.Form->ShowLoadedSlideSet();
        }
        MessageBoxes::ResetLog();
        QList<float> typed;
        for (const QString &step : steps) {
            if (step.startsWith(QLatin1Char('@'))) {
                clickSlide(step.mid(1).toFloat());
                continue;
            }
            m.NewSlide(step);
            typed << step.toFloat();
            QCOMPARE(MessageBoxes::ShownCount(), 0);
            QCOMPARE(positions(), sorted(loaded + typed));
            QCOMPARE(m.Form->Set().Current().Position, typed.last());
            QCOMPARE(field(1)->text(), m.Form->Format().General(typed.last()));
            QCOMPARE(m.Strip()->tabText(m.Strip()->currentIndex()), field(1)->text() + QStringLiteral(" m"));
        }
        QCOMPARE(m.Form->Document().History().count(), typed.size());
        while (!typed.isEmpty()) {
            m.Key(Qt::Key_Z, Qt::ControlModifier, m.Entry());
            typed.removeLast();
            QCOMPARE(positions(), sorted(loaded + typed));
        }
        QCOMPARE(MessageBoxes::ShownCount(), 0);
    }

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

    void newSlideAroundTheSlideOnView_data()
    {
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QString>("steps");
        QTest::newRow("0, 10, then -5 before both") << "" << "0 10 -5";
        QTest::newRow("-7 before 1.0000001 on view") << "" << "-5 -3 1.0000001 2 3 4 @1.0000001 -7";
        QTest::newRow("before the first, last on view") << "" << "1 2 3 -1";
        QTest::newRow("between, first on view") << "" << "0 10 @0 5";
        QTest::newRow("after, first on view") << "" << "0 10 @0 20";
        // Loaded positions that read alike ("1 m") but differ beyond the 7th digit.
        QTest::newRow("loaded alike, 1 on view, -7") << "-3 1 1.0000001" << "@1 -7";
        QTest::newRow("loaded alike, 1.0000001 on view, -7") << "-3 1 1.0000001" << "@1.0000001 -7";
        QTest::newRow("loaded alike, 1 on view, 0.5") << "-3 1 1.0000001" << "@1 0.5";
        QTest::newRow("loaded alike, 1.0000001 on view, 5") << "-3 1 1.0000001" << "@1.0000001 5";
    }
    void newSlideAroundTheSlideOnView()
    {
        QFETCH(QString, loaded);
        QFETCH(QString, steps);
        QList<float> positions;
        for (const QString &p : loaded.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            positions << p.toFloat();
        addAroundTheSlideOnView(positions, steps.split(QLatin1Char(' ')));
    }

    // Every order of making four slides, each made while the one before is on view.
    void everyOrderOfNewSlides()
    {
        QStringList order = {QStringLiteral("-5"), QStringLiteral("0"), QStringLiteral("1.0000001"),
                             QStringLiteral("10")};
        std::sort(order.begin(), order.end());
        do {
            addAroundTheSlideOnView({}, order);
            if (QTest::currentTestFailed()) {
                qWarning("order: %s", qPrintable(order.join(QLatin1Char(' '))));
                return;
            }
        } while (std::next_permutation(order.begin(), order.end()));
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
        QTest::newRow("1.0000001 reads as 1") << QStringLiteral("1") << QStringLiteral("1.0000001") << true;
        QTest::newRow("1.000001 reads apart") << QStringLiteral("1") << QStringLiteral("1.000001") << false;
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
        QTest::newRow("reads as another slide's") << 1 << QStringLiteral("10.000001") << QStringLiteral("5");
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
        QCOMPARE(MessageBoxes::LastText(), index == 1 && typed.startsWith(QStringLiteral("10"))
                                               ? QStringLiteral("There is already another slide at that location.")
                                               : QString());
        const Slide &s = m.Form->Set().Current();
        QCOMPARE(index == 1 ? s.Position : s.Sweeps, shown.toFloat());
        QCOMPARE(m.Strip()->tabText(m.Strip()->currentIndex()), (index == 1 ? shown : QStringLiteral("5")) + QStringLiteral(" m"));
        QCOMPARE(s.Counts[5], int16_t(2));
        QCOMPARE(s.DropDensity, float(2 / (0.1 * s.Sweeps)));
    }

    // The slide fields commit to the slide they show, even when the window's
    // slide index has come to name another slide under them.
    void fieldsCommitToTheSlideTheyShow_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("typed");
        QTest::newRow("position") << 1 << QStringLiteral("7");
        QTest::newRow("sweeps") << 2 << QStringLiteral("3");
    }
    void fieldsCommitToTheSlideTheyShow()
    {
        QFETCH(int, index);
        QFETCH(QString, typed);
        for (const char *position : {"0", "10", "5"})
            m.NewSlide(QString::fromLatin1(position));
        field(index)->setFocus();
        field(index)->selectAll();
        QTest::keyClicks(field(index), typed);
        m.Form->Set().CurrentSlide = 1; // the slide at 0, which the fields do not show
        QTest::keyClick(field(index), Qt::Key_Return);
        const Slide &moved = m.Form->Set().Slides[FindSlideAtPosition(m.Form->Set(), index == 1 ? 7.0f : 5.0f)];
        QCOMPARE(moved.Sweeps, index == 1 ? 1.0f : 3.0f);
        QCOMPARE(positions(), (QList<float>{0, index == 1 ? 7.0f : 5.0f, 10}));
        QCOMPARE(m.Form->Set().Slides[1].Sweeps, 1.0f);
        QCOMPARE(MessageBoxes::ShownCount(), 0);
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
        const auto inSight = [this] {
            return m.Strip()->isVisible() && m.Strip()->rect().contains(m.Strip()->tabRect(m.Strip()->currentIndex()).center());
        };
        QVERIFY(inSight());
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        m.Strip()->setFocus();
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(m.Form->Set().Current().Position, 299.0f);

        // Deleting near the front renames every tab after it: the strip keeps
        // its focus, its captions follow their slides, the chosen tab in sight.
        m.Strip()->setCurrentIndex(1);
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        QTest::keyClick(m.Strip(), Qt::Key_Delete);
        QCOMPARE(m.Form->Set().Current().Position, 3.0f);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Strip()));
        QCOMPARE(m.TabCaptions().size(), 298);
        for (int i = 1; i <= 298; ++i)
            QCOMPARE(m.TabCaptions()[i - 1], m.Form->Format().General(m.Form->Set().Slides[i].Position) + QStringLiteral(" m"));
        QVERIFY(inSight());
        for (int step = 0; step < 2; ++step) // back round to the last
            m.Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, m.Strip());
        QCOMPARE(m.Form->Set().Current().Position, 299.0f);
        QVERIFY(inSight());
    }

    // A line longer than the strip holds keeps tabs for a stretch around the
    // slide on view, and every slide stays reachable: by arrow keys across the
    // stretch's end, by choosing its last tab, by Home and End, by Ctrl+Tab, and
    // the right slide follows a delete and its undo.
    void longerLineThanTheStrip()
    {
        const int slides = SlideStrip::kMostSlideTabs * 5 / 2;
        loadLine(slides);
        QCOMPARE(current(), int16_t(slides));
        checkStrip();
        QCOMPARE(strip()->SlidesBefore(), slides - SlideStrip::kMostSlideTabs);

        m.Strip()->setFocus();
        m.Key(Qt::Key_Home, {}, m.Strip());
        QCOMPARE(current(), int16_t(1));
        checkStrip();
        for (int step = 2; step <= SlideStrip::kMostSlideTabs + 50; ++step) {
            m.Key(Qt::Key_Right, {}, m.Strip());
            QApplication::processEvents();
            QCOMPARE(current(), int16_t(step));
            QCOMPARE(strip()->tabText(strip()->currentIndex()), caption(step));
        }
        QVERIFY(strip()->SlidesBefore() > 0);
        checkStrip();

        // The last tab of the stretch chosen again and again walks to the end.
        int choices = 0;
        while (current() < slides && choices++ < 10) {
            const int before = current();
            m.Strip()->setCurrentIndex(m.Strip()->count() - 1);
            QCOMPARE(int(current()), strip()->SlidesBefore() + m.Strip()->count());
            QVERIFY(current() > before);
            checkStrip();
        }
        QCOMPARE(current(), int16_t(slides));
        m.Key(Qt::Key_Tab, Qt::ControlModifier, m.Strip()); // round to the first
        QCOMPARE(current(), int16_t(1));
        checkStrip();
        m.Key(Qt::Key_End, {}, m.Strip());
        QCOMPARE(current(), int16_t(slides));

        // Deleting a slide mid-line shows the next one; the undo brings it back.
        m.Key(Qt::Key_Home, {}, m.Strip());
        for (int step = 0; step < 1700; step += 100)
            m.Strip()->setCurrentIndex(m.Strip()->currentIndex() + 100 < m.Strip()->count() ? m.Strip()->currentIndex() + 100 : m.Strip()->count() - 1);
        checkStrip();
        const float deleted = m.Form->Set().Current().Position;
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        m.Key(Qt::Key_Delete, {}, m.Strip());
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(slides - 1));
        QCOMPARE(m.Form->Set().Current().Position, deleted + 1);
        checkStrip();
        m.Key(Qt::Key_Z, Qt::ControlModifier, m.Strip());
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(slides));
        QCOMPARE(m.Form->Set().Current().Position, deleted);
        checkStrip();
    }

    // One slide more than the strip holds, one less, and one more again.
    void lineGrowsPastTheStrip()
    {
        loadLine(SlideStrip::kMostSlideTabs + 1);
        checkStrip();
        m.Strip()->setFocus();
        m.Key(Qt::Key_Home, {}, m.Strip());
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        m.Key(Qt::Key_Delete, {}, m.Strip());
        QCOMPARE(m.Form->Set().Current().Position, 2.0f);
        QCOMPARE(strip()->SlidesBefore(), 0);
        checkStrip();
        MessageBoxes::ResetLog();
        m.NewSlide(QStringLiteral("1.5"));
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(SlideStrip::kMostSlideTabs + 1));
        QCOMPARE(m.Form->Set().Current().Position, 1.5f);
        checkStrip();
        m.NewSlide(QStringLiteral("5000"));
        QCOMPARE(m.Form->Set().Current().Position, 5000.0f);
        checkStrip();
        QCOMPARE(MessageBoxes::ShownCount(), 0);
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
