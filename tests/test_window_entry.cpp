// Drop sizes typed in, counts corrected in the count table, and the figures shown after each.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"

class TestWindowEntry : public QObject
{
    Q_OBJECT
    WindowFixture m;

    int histogramPixels() const
    {
        const QImage &image = m.Find<PictureBox>(QStringLiteral("ResultPic"))->Image();
        const QRgb fill = m.Form->HistogramColor().rgb() & 0xFFFFFF;
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xFFFFFF) == fill;
        return n;
    }
    void typeInCell(int row, const QString &keys, Qt::Key last = Qt::Key_Return)
    {
        m.Grid()->setFocus();
        m.Grid()->setCurrentCell(row - 1, 2);
        QTest::keyClicks(m.Grid(), keys);
        if (last != Qt::Key_unknown)
            QTest::keyClick(m.Grid(), last);
    }
    int16_t count(int row) const { return m.Form->Set().Current().Counts[row]; }
    QTableWidget *stats() const { return m.Find<QTableWidget>(QStringLiteral("StatsGrid")); }

private slots:
    void init()
    {
        m.Open();
        m.NewSlide(QStringLiteral("0"));
    }
    void cleanup() { m.Close(); }

    void roadOfOneDrop()
    {
        // Alt+E, or a click on the frame's caption, takes the operator to the drop box.
        QTest::keyClick(m.Grid(), Qt::Key_E, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));
        m.Grid()->setFocus();
        QTest::mouseClick(m.Find(QStringLiteral("lblDataEntry")), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.Entry()));

        m.TypeDrop(QStringLiteral("7"));
        m.TypeDrop(QStringLiteral("7"));
        QCOMPARE(count(7), int16_t(2));
        QCOMPARE(m.Cell(7, 2), QStringLiteral("2"));
        QCOMPARE(m.CurrentGridRow(), 7);
        QCOMPARE(m.Label(QStringLiteral("DropLabel")), QStringLiteral("20.0 drops/cm \u00B2"));
        QCOMPARE(m.Label(QStringLiteral("ResultLabelX2")), QStringLiteral("98.0")); // axis to the largest class, 7 × 14 µm
        QCOMPARE(stats()->item(4, 2)->text(), QStringLiteral("100.0%     ")); // both above 80 µm
        m.TypeDrop(QStringLiteral("3"));
        QVERIFY(histogramPixels() > 0);
    }

    void sizesOffTheReticule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("counted"); // class that gains a drop, 0 for none
        QTest::newRow("0") << QStringLiteral("0") << 0;
        QTest::newRow("far above MaxSizeEPD") << QStringLiteral("99999999999") << 0;
        QTest::newRow("letters and signs are not typed") << QStringLiteral("-4.a") << 4;
        QTest::newRow("MaxSizeEPD itself") << QStringLiteral("20") << 20;
        QTest::newRow("one above") << QStringLiteral("21") << 0;
    }
    void sizesOffTheReticule()
    {
        QFETCH(QString, typed);
        QFETCH(int, counted);
        m.TypeDrop(typed);
        QVERIFY(m.Entry()->text().isEmpty());
        QCOMPARE(m.Form->Set().Current().TotalDrops, counted ? 1 : 0);
        QCOMPARE(count(counted), int16_t(counted ? 1 : 0));
    }

    void fullClassRefusesAnotherDrop()
    {
        QCOMPARE(SetDropCount(m.Form->Set(), 5, kMaxCounter, 0, m.Form->View().LargestSizeFound), CountResult::Ok);
        m.Form->RefreshCurrentSlide();
        m.TypeDrop(QStringLiteral("5"));
        QCOMPARE(count(5), kMaxCounter);
        QCOMPARE(m.Cell(5, 2), QStringLiteral("32767"));
    }

    void gridTypingCommits()
    {
        for (int i = 0; i < 5; ++i)
            m.TypeDrop(QStringLiteral("3"));
        typeInCell(3, QStringLiteral("1"), Qt::Key_unknown);
        QVERIFY(m.Form->CellEditPending());
        QCOMPARE(m.Cell(3, 2), QStringLiteral("1")); // the first key replaces the count
        QTest::keyClick(m.Grid(), Qt::Key_2);
        QCOMPARE(count(3), int16_t(5)); // nothing stored yet
        QTest::keyClick(m.Grid(), Qt::Key_Return);
        QCOMPARE(count(3), int16_t(12));
        QCOMPARE(m.CurrentGridRow(), 4);

        // Backspace edits, letters are swallowed; a click elsewhere commits, back on the count column.
        QTest::keyClicks(m.Grid(), QStringLiteral("4a7\b"));
        m.Grid()->setCurrentCell(8, 4);
        QCOMPARE(m.Grid()->currentColumn(), 2);
        QCOMPARE(count(4), int16_t(4));
        // The last row commits in place.
        typeInCell(20, QStringLiteral("3"));
        QCOMPARE(count(20), int16_t(3));
        QCOMPARE(m.CurrentGridRow(), 20);
        // Emptied, the axis shrinks to the largest class left (4 × 14 µm).
        typeInCell(20, QString(), Qt::Key_Delete);
        QCOMPARE(m.Cell(20, 2), QString());
        QCOMPARE(m.Label(QStringLiteral("ResultLabelX2")), QStringLiteral("56.0"));
    }

    void gridRefusesWhatIsNoCount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("separator alone keeps the count") << QStringLiteral(".") << 5;
        QTest::newRow("above 32767 keeps the count") << QStringLiteral("40000") << 5;
        QTest::newRow("a fraction rounds half to even") << QStringLiteral("2.5") << 2;
        QTest::newRow("32767 is the most") << QStringLiteral("32767") << 32767;
    }
    void gridRefusesWhatIsNoCount()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        for (int i = 0; i < 5; ++i)
            m.TypeDrop(QStringLiteral("6"));
        typeInCell(6, typed);
        QCOMPARE(int(count(6)), stored);
        QCOMPARE(m.Cell(6, 2), stored ? m.Form->Format().Format(stored, "0") : QString());
    }

    void pendingEditStaysWithItsSlide()
    {
        // A new slide shows none of the last one's figures.
        m.TypeDrop(QStringLiteral("3"));
        m.NewSlide(QStringLiteral("10"));
        for (int r = 0; r < 5; ++r)
            QCOMPARE(stats()->item(r, 1)->text() + stats()->item(r, 2)->text(), QString());
        QVERIFY(m.Label(QStringLiteral("VMDLabel")).isEmpty());
        QCOMPARE(histogramPixels(), 0);
        typeInCell(5, QStringLiteral("8"), Qt::Key_unknown);
        // Switching slides by the keyboard commits the count to the slide it was typed on.
        QTest::keyClick(m.Grid(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m.Form->Set().Slides[2].Counts[5], int16_t(8));
        QCOMPARE(count(5), int16_t(0));
        QCOMPARE(m.Cell(5, 2), QString());
    }

    // The diameter column is computed in double, as the file's: 12.5 × 0.7 µm is 8.7.
    void diameterColumn()
    {
        m.Form->findChild<QTabWidget *>()->setCurrentIndex(1);
        for (const auto &[name, text] : {std::pair("txtOptics3", "12.5"), std::pair("txtOptics4", "0.7")}) {
            QLineEdit *box = m.Find<QLineEdit>(QLatin1String(name));
            box->setFocus(Qt::TabFocusReason);
            box->selectAll();
            QTest::keyClicks(box, QLatin1String(text));
            QTest::keyClick(box, Qt::Key_Return);
        }
        QCOMPARE(m.Cell(1, 1).trimmed(), QStringLiteral("8.7"));
    }
};

QTEST_MAIN(TestWindowEntry)
#include "test_window_entry.moc"
