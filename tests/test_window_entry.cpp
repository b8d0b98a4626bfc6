// The operator's counting: drop sizes typed into txtDataEntry, counts corrected
// in the count table, and what the window shows after each.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"

class TestWindowEntry : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.Open();
        m.NewSlide(QStringLiteral("0"));
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(1));
    }
    void cleanup() { m.Close(); }

    void roadOfOneDrop();
    void sizesOffTheReticule_data();
    void sizesOffTheReticule();
    void fullClassRefusesAnotherDrop();
    void gridTypingCommits();
    void gridLastRowCommitsInPlace();
    void gridRefusesWhatIsNoCount_data();
    void gridRefusesWhatIsNoCount();
    void gridDeleteEmptiesAndShrinksAxis();
    void pendingEditStaysWithItsSlide();
    void slideWithoutDropsShowsNoFigures();
    void cloudChoiceRefillsOnlyTheRangeTable();

private:
    int histogramPixels() const
    {
        const QImage &image = m.Find<PictureBox>(QStringLiteral("ResultPic"))->Image();
        const QRgb fill = m.Form->HistogramColor().rgb();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xFFFFFF) == (fill & 0xFFFFFF);
        return n;
    }
    void focusCountCell(int row)
    {
        m.Grid()->setFocus();
        m.Grid()->setCurrentCell(row - 1, 2);
    }

    WindowFixture m;
};

void TestWindowEntry::roadOfOneDrop()
{
    // A new slide puts the operator on the count of class 1.
    QCOMPARE(m.CurrentGridRow(), 1);
    QCOMPARE(m.Grid()->currentColumn(), 2);
    QVERIFY(m.Label(QStringLiteral("VMDLabel")).isEmpty());
    QCOMPARE(histogramPixels(), 0);
    // Alt+E, the caption's access key, takes the operator from the count table to
    // the drop box without the mouse.
    QTest::keyClick(m.Grid(), Qt::Key_E, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));
    m.Grid()->setFocus();
    // A click on the frame's caption does the same.
    QTest::mouseClick(m.Find(QStringLiteral("lblDataEntry")), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));

    m.TypeDrop(QStringLiteral("7"));
    m.TypeDrop(QStringLiteral("7"));
    const Slide &s = m.Form->Set().Current();
    QCOMPARE(s.Counts[7], int16_t(2));
    QCOMPARE(m.Cell(7, 2), QStringLiteral("2"));
    QCOMPARE(m.Cell(7, 3), QStringLiteral("14        "));
    QCOMPARE(m.Cell(7, 4), QStringLiteral("1.00       "));
    QCOMPARE(m.Cell(7, 5), QStringLiteral("1.00       "));
    QCOMPARE(m.Cell(6, 2), QString());
    QCOMPARE(m.CurrentGridRow(), 7);
    QVERIFY(m.Entry()->text().isEmpty());
    QVERIFY(!m.Form->GridUpdating());

    // Read-outs of the slide: one class of 98 µm, 2 drops on 0.1 cm².
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), QStringLiteral("2"));
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")), QStringLiteral("= 0.10 cm \u00B2"));
    QCOMPARE(m.Label(QStringLiteral("VMDLabel")), m.Form->Format().Format(s.VMD, "0.0") + QStringLiteral(" \u00B5m"));
    QCOMPARE(m.Label(QStringLiteral("DropLabel")), QStringLiteral("20.0 drops/cm \u00B2"));
    QCOMPARE(m.Form->View().CurrentVMD, s.VMD);
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(7));
    // The axis runs to the largest class found: 7 × 14 µm.
    QCOMPARE(m.Label(QStringLiteral("ResultLabelX1")), QStringLiteral("0"));
    QCOMPARE(m.Label(QStringLiteral("ResultLabelX2")), QStringLiteral("98.0"));
    QCOMPARE(m.Label(QStringLiteral("ResultLabelY2")), QStringLiteral("1.00"));
    QVERIFY(m.Form->ResultsEnabled());
    QVERIFY(m.Find(QStringLiteral("GraphOption3"))->isEnabled());
    // The range table on the slide: both drops above 80 µm.
    auto *stats = m.Find<QTableWidget>(QStringLiteral("StatsGrid"));
    QCOMPARE(stats->horizontalHeaderItem(1)->text(), QStringLiteral("Count"));
    QCOMPARE(stats->item(4, 1)->text(), QStringLiteral("2        "));
    QCOMPARE(stats->item(4, 2)->text(), QStringLiteral("100.0%     "));
    QVERIFY(m.Form->IsModified());

    // A second size widens the histogram's filled area.
    m.TypeDrop(QStringLiteral("3"));
    QVERIFY(histogramPixels() > 0);
    QCOMPARE(m.CurrentGridRow(), 3);
}

void TestWindowEntry::sizesOffTheReticule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("counted"); // class that gains a drop, 0 for none
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("one above MaxSizeEPD") << QStringLiteral("21") << 0;
    QTest::newRow("far above") << QStringLiteral("99999999999") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("letters and signs are not typed") << QStringLiteral("-4.a") << 4;
    QTest::newRow("MaxSizeEPD itself") << QStringLiteral("20") << 20;
    QTest::newRow("1") << QStringLiteral("1") << 1;
}

void TestWindowEntry::sizesOffTheReticule()
{
    QFETCH(QString, typed);
    QFETCH(int, counted);
    m.TypeDrop(typed);
    QVERIFY(m.Entry()->text().isEmpty());
    QCOMPARE(m.Form->Set().Current().TotalDrops, counted ? 1 : 0);
    if (counted)
        QCOMPARE(m.Form->Set().Current().Counts[counted], int16_t(1));
}

void TestWindowEntry::fullClassRefusesAnotherDrop()
{
    SlideSet &set = m.Form->Set();
    QCOMPARE(SetDropCount(set, 5, kMaxCounter, 0, m.Form->View().LargestSizeFound), CountResult::Ok);
    m.Form->RefreshCurrentSlide();
    m.TypeDrop(QStringLiteral("5"));
    QCOMPARE(set.Current().Counts[5], kMaxCounter);
    QCOMPARE(m.Cell(5, 2), QStringLiteral("32767"));
    QVERIFY(m.Entry()->text().isEmpty());
    m.TypeDrop(QStringLiteral("6"));
    QCOMPARE(set.Current().Counts[6], int16_t(1));
}

void TestWindowEntry::gridTypingCommits()
{
    for (int i = 0; i < 5; ++i)
        m.TypeDrop(QStringLiteral("3"));
    QCOMPARE(m.Cell(3, 2), QStringLiteral("5"));
    focusCountCell(3);
    QTest::keyClick(m.Grid(), Qt::Key_1);
    QVERIFY(m.Form->CellEditPending());
    QCOMPARE(m.Cell(3, 2), QStringLiteral("1")); // the first key replaces the count
    QTest::keyClick(m.Grid(), Qt::Key_2);
    QCOMPARE(m.Cell(3, 2), QStringLiteral("12"));
    QCOMPARE(m.Form->Set().Current().Counts[3], int16_t(5)); // nothing stored yet
    QTest::keyClick(m.Grid(), Qt::Key_Return);
    QCOMPARE(m.Form->Set().Current().Counts[3], int16_t(12));
    QCOMPARE(m.CurrentGridRow(), 4);
    QVERIFY(!m.Form->CellEditPending());
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), QStringLiteral("12"));

    // Backspace edits the typed text; clicking another column stays on the count.
    QTest::keyClick(m.Grid(), Qt::Key_4);
    QTest::keyClick(m.Grid(), Qt::Key_7);
    QTest::keyClick(m.Grid(), Qt::Key_Backspace);
    QTest::keyClick(m.Grid(), Qt::Key_A); // swallowed
    QCOMPARE(m.Cell(4, 2), QStringLiteral("4"));
    m.Grid()->setCurrentCell(8, 4); // leaving by a click commits and lands on column 2
    QCOMPARE(m.Grid()->currentColumn(), 2);
    QCOMPARE(m.CurrentGridRow(), 9);
    QCOMPARE(m.Form->Set().Current().Counts[4], int16_t(4));
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(4));

    // Leaving the table commits as well.
    QTest::keyClick(m.Grid(), Qt::Key_9);
    m.Entry()->setFocus(Qt::TabFocusReason);
    QCOMPARE(m.Form->Set().Current().Counts[9], int16_t(9));
}

void TestWindowEntry::gridLastRowCommitsInPlace()
{
    focusCountCell(20);
    QTest::keyClick(m.Grid(), Qt::Key_3);
    QTest::keyClick(m.Grid(), Qt::Key_Return);
    QCOMPARE(m.Form->Set().Current().Counts[20], int16_t(3));
    QCOMPARE(m.CurrentGridRow(), 20);
    QVERIFY(!m.Form->CellEditPending());
}

void TestWindowEntry::gridRefusesWhatIsNoCount_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("separator alone keeps the count") << QStringLiteral(".") << 5;
    QTest::newRow("above 32767 keeps the count") << QStringLiteral("40000") << 5;
    QTest::newRow("a fraction rounds half to even") << QStringLiteral("2.5") << 2;
    QTest::newRow("32767 is the most") << QStringLiteral("32767") << 32767;
    QTest::newRow("0 empties") << QStringLiteral("0") << 0;
}

void TestWindowEntry::gridRefusesWhatIsNoCount()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);
    for (int i = 0; i < 5; ++i)
        m.TypeDrop(QStringLiteral("6"));
    focusCountCell(6);
    QTest::keyClicks(m.Grid(), typed);
    QTest::keyClick(m.Grid(), Qt::Key_Return);
    QCOMPARE(int(m.Form->Set().Current().Counts[6]), stored);
    QCOMPARE(m.Cell(6, 2), stored ? m.Form->Format().Format(stored, "0") : QString());
}

void TestWindowEntry::gridDeleteEmptiesAndShrinksAxis()
{
    m.TypeDrop(QStringLiteral("4"));
    m.TypeDrop(QStringLiteral("9"));
    m.TypeDrop(QStringLiteral("9"));
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(9));
    QCOMPARE(m.Label(QStringLiteral("ResultLabelX2")), QStringLiteral("126.0"));
    focusCountCell(9);
    QTest::keyClick(m.Grid(), Qt::Key_Delete);
    QCOMPARE(m.Cell(9, 2), QString());
    QCOMPARE(m.Form->Set().Current().Counts[9], int16_t(0));
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(4));
    QCOMPARE(m.Label(QStringLiteral("ResultLabelX2")), QStringLiteral("56.0"));
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), QStringLiteral("1"));
    QVERIFY(!m.Form->CellEditPending());

    // Deleting below the largest class leaves the axis alone.
    m.TypeDrop(QStringLiteral("2"));
    focusCountCell(2);
    QTest::keyClick(m.Grid(), Qt::Key_Delete);
    QCOMPARE(m.Form->View().LargestSizeFound, int16_t(4));
}

void TestWindowEntry::pendingEditStaysWithItsSlide()
{
    m.NewSlide(QStringLiteral("10"));
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(2));
    focusCountCell(5);
    QTest::keyClick(m.Grid(), Qt::Key_8);
    // Switching slides by the keyboard commits the count to the slide it was typed on.
    QTest::keyClick(m.Grid(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
    QCOMPARE(m.Form->Set().Slides[2].Counts[5], int16_t(8));
    QCOMPARE(m.Form->Set().Slides[1].Counts[5], int16_t(0));
    QCOMPARE(m.Cell(5, 2), QString());
}

void TestWindowEntry::slideWithoutDropsShowsNoFigures()
{
    m.TypeDrop(QStringLiteral("3"));
    m.NewSlide(QStringLiteral("5"));
    auto *stats = m.Find<QTableWidget>(QStringLiteral("StatsGrid"));
    for (int r = 0; r < 5; ++r) {
        QCOMPARE(stats->item(r, 1)->text(), QString());
        QCOMPARE(stats->item(r, 2)->text(), QString());
    }
    QVERIFY(!m.Form->ResultsEnabled());
    QVERIFY(m.Label(QStringLiteral("VMDLabel")).isEmpty());
    QCOMPARE(m.Label(QStringLiteral("lblSlideInfo6")), QStringLiteral("0"));
    QCOMPARE(m.Cell(3, 2), QString());
    QCOMPARE(m.Cell(3, 1), QStringLiteral("42.0       "));
    QCOMPARE(histogramPixels(), 0);
}

void TestWindowEntry::cloudChoiceRefillsOnlyTheRangeTable()
{
    m.TypeDrop(QStringLiteral("1"));
    m.TypeDrop(QStringLiteral("2"));
    const QString vmd = m.Label(QStringLiteral("VMDLabel"));
    auto *stats = m.Find<QTableWidget>(QStringLiteral("StatsGrid"));
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloud_Slide2")), Qt::LeftButton);
    QCOMPARE(stats->horizontalHeaderItem(1)->text(), QStringLiteral("% Mass"));
    QVERIFY(stats->item(1, 1)->text().endsWith(QStringLiteral("%     ")));
    QVERIFY(m.Find(QStringLiteral("optCloudMethod1"))->isVisibleTo(m.Form.get()));
    QCOMPARE(m.Label(QStringLiteral("VMDLabel")), vmd);
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloud_Slide1")), Qt::LeftButton);
    QCOMPARE(stats->horizontalHeaderItem(1)->text(), QStringLiteral("Count"));
    QVERIFY(!m.Find(QStringLiteral("optCloudMethod1"))->isVisibleTo(m.Form.get()));
}

QTEST_MAIN(TestWindowEntry)
#include "test_window_entry.moc"
