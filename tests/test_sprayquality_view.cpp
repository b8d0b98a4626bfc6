// The Spray Quality tab through the real window: its rows against the model,
// the intervals filling in from the worker, and Copy Table.

#include "test_window_fixture.h"

#include "entry/SprayQualityView.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmLabelLimits.h"
#include "model/SprayQualityText.h"
#include "platform/ui/CCommonDialogs.h"

static QString dataFile() { return qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"); }

class TestSprayQualityView : public QObject
{
    Q_OBJECT

    WindowFixture w;

    SprayQualityView *view() const { return w.Form->findChild<SprayQualityView *>(QStringLiteral("SprayQualityView")); }
    QTableWidget *grid() const { return w.Find<QTableWidget>(QStringLiteral("SprayQualityGrid")); }

    // The realistic line loaded, the composite view on its fourth tab.
    void openLine(const StartUpValues &startUp = StartUpValues())
    {
        w.Open(768, 0, startUp);
        CCommonDialogs::ClearQueue();
        CCommonDialogs::QueueFileName(dataFile());
        w.Key(Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(10));
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        QCOMPARE(w.TabCaptions(), (QStringList{"Line Data", "Mortality vs. Drop Density", "Range Statistics",
                                               "Spray Quality", "Dose Response"}));
    }
    void waitForIntervals() { QTRY_VERIFY_WITH_TIMEOUT(view() && !view()->IntervalsPending(), 20000); }

private slots:
    void cleanup() { w.Close(); }

    // Every cell as the model gives it, the composite in bold; the verdict in
    // words once limits are entered through the dialog, with the drops that
    // would decide it; the interval columns as wide before the intervals as after.
    void rowsAndVerdict_data()
    {
        QTest::addColumn<QStringList>("limits");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("no limits") << QStringList{"", "", ""} << "";
        QTest::newRow("within") << QStringList{"50", "90", "150"} << "Composite: within the label limits";
        QTest::newRow("outside") << QStringList{"90", "", ""} << "Composite: outside the label limits";
        QTest::newRow("straddling") << QStringList{"", "", "120"} << "Composite: not decided: count more drops";
    }
    void rowsAndVerdict()
    {
        QFETCH(QStringList, limits);
        QFETCH(QString, verdict);
        openLine();
        auto limit = [](const QString &t) { return t.isEmpty() ? std::nullopt : std::optional<float>(t.toFloat()); };
        const LabelLimits label{limit(limits[0]), limit(limits[1]), limit(limits[2])};
        w.Strip()->setCurrentIndex(3);
        // The figures at once, the intervals still to come.
        QVERIFY(view()->IntervalsPending());
        QVERIFY(grid()->item(grid()->rowCount() - 1, 5)->text().endsWith(QStringLiteral("(\u2026)")));
        QVERIFY(!w.Find<QPushButton>(QStringLiteral("btnCopyTable"))->isEnabled());
        QList<int> widths;
        for (int c = 0; c < grid()->columnCount(); ++c)
            widths << grid()->columnWidth(c);
        waitForIntervals();
        for (int c = 0; c < grid()->columnCount(); ++c)
            QCOMPARE(grid()->columnWidth(c), widths[c]);
        QCOMPARE(w.Label(QStringLiteral("lblLabelLimits")), QStringLiteral("No label limits set."));

        QTimer::singleShot(0, w.Form.get(), [&] {
            auto *dialog = qobject_cast<frmLabelLimits *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const char *boxes[3] = {"txtDv05From", "txtDv05To", "txtDv09Below"};
            for (int i = 0; i < 3; ++i) {
                auto *box = dialog->findChild<QLineEdit *>(QString::fromLatin1(boxes[i]));
                box->selectAll();
                QTest::keyClicks(box, limits[i]);
            }
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnLabelLimits")), Qt::LeftButton);

        const SlideSet &set = w.Form->Set();
        const SprayQualityTable table = ComputeSprayQuality(set, label);
        const SprayQualityTexts expected = FormatSprayQuality(table, label, true, NumberFormat());
        QCOMPARE(grid()->rowCount(), set.SlideCount() + 1);
        QCOMPARE(grid()->columnCount(), 10);
        for (int r = 0; r < grid()->rowCount(); ++r)
            for (int c = 0; c < grid()->columnCount(); ++c)
                QCOMPARE(grid()->item(r, c)->text(), expected.Rows[size_t(r)][c]);
        const int last = grid()->rowCount() - 1;
        QVERIFY(grid()->item(last, 3)->font().bold() && !grid()->item(0, 3)->font().bold());
        QCOMPARE(w.Find<QLabel>(QStringLiteral("lblVerdict"))->text(), verdict);
        QCOMPARE(w.Shown(QStringLiteral("lblVerdict")), !verdict.isEmpty());
        QCOMPARE(w.Label(QStringLiteral("lblLabelLimits")).startsWith(QStringLiteral("Label limits: ")), label.Any());
        // Under a verdict not decided: how many more drops would decide it.
        QCOMPARE(w.Shown(QStringLiteral("lblToDecide")), verdict.endsWith(QStringLiteral("count more drops")));
        if (table.ToDecide)
            QCOMPARE(w.Label(QStringLiteral("lblToDecide")), DropsToDecideText(*table.ToDecide, NumberFormat()));
        QVERIFY(w.Find<QPushButton>(QStringLiteral("btnCopyTable"))->isEnabled());
    }

    // The heading follows a change of units at once while the tab is on view.
    void headingFollowsUnits()
    {
        openLine();
        w.Strip()->setCurrentIndex(3);
        waitForIntervals();
        QCOMPARE(grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Position\nm"));
        w.Form->Document().SetMetric(false);
        QCOMPARE(grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Position\nft"));
        w.Form->Document().SetMetric(true);
        QCOMPARE(grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Position\nm"));
    }

    // A change while the worker runs: the older result is never shown, the
    // table ends with the intervals of the set as it is now.
    void newerRequestSupersedes()
    {
        openLine();
        w.Strip()->setCurrentIndex(3);
        QSignalSpy shown(view(), &SprayQualityView::IntervalsShown);
        SlideSet &set = w.Form->Set();
        int16_t largest = w.Form->View().LargestSizeFound;
        QCOMPARE(SetDropCount(set, 4, int16_t(set.Slides[1].Counts[4] + 40), 1, largest), CountResult::Ok);
        view()->Refresh();
        waitForIntervals();
        QTest::qWait(50);
        QCOMPARE(shown.count(), 1);
        const SprayQualityTable fresh = ComputeSprayQuality(set, LabelLimits());
        QCOMPARE(view()->Table().Slides[0].Drops, fresh.Slides[0].Drops);
        QVERIFY(view()->Table().Slides[0].Intervals == fresh.Slides[0].Intervals);
        QVERIFY(view()->Table().Composite.Intervals == fresh.Composite.Intervals);
    }

    // Tab-separated for a spreadsheet: each interval in two cells of its own,
    // numbers with the locale's separator, the dash of a missing mortality empty.
    void copyTable_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("point") << QChar('.');
        QTest::newRow("comma") << QChar(',');
    }
    void copyTable()
    {
        QFETCH(QChar, decimal);
        StartUpValues startUp;
        startUp.DecimalSeparator = decimal;
        startUp.ListSeparator = decimal == QLatin1Char(',') ? QStringLiteral(";") : QStringLiteral(",");
        w.Open(768, 0, startUp);
        w.NewSlide(QStringLiteral("0"));
        for (int round = 0; round < 3; ++round)
            for (const char *d : {"3", "3", "4", "7", "9"})
                w.TypeDrop(QString::fromLatin1(d));
        w.NewSlide(QStringLiteral("12"));
        for (int round = 0; round < 2; ++round)
            for (const char *d : {"2", "5", "5", "6"})
                w.TypeDrop(QString::fromLatin1(d));
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        w.Strip()->setCurrentIndex(3);
        waitForIntervals();
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnCopyTable")), Qt::LeftButton);
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 1 + 3 + 1 + 1); // heading, two slides and the composite, limits, final line break
        QCOMPARE(lines[4], QStringLiteral("No label limits set."));
        const QStringList heading = lines[0].split(QLatin1Char('\t'));
        QCOMPARE(heading.size(), 16);
        QCOMPARE(heading.mid(5, 3), (QStringList{"VMD (\u00B5m)", "VMD 95 % low (\u00B5m)", "VMD 95 % high (\u00B5m)"}));
        const NumberFormat f(decimal);
        const SprayQualityRow &c = view()->Table().Composite;
        const QStringList composite = lines[3].split(QLatin1Char('\t'));
        QCOMPARE(composite.size(), 16);
        QCOMPARE(composite[1], QStringLiteral("23"));
        QCOMPARE(composite[5], f.Format(c.Sizes.Dv05, "0.0"));
        QCOMPARE(composite[6], IntervalEndTexts(*c.Intervals.VMD, f).first); // as the tab shows them
        QCOMPARE(composite[7], IntervalEndTexts(*c.Intervals.VMD, f).second);
        QVERIFY(composite[5].contains(decimal));
        QCOMPARE(composite.mid(13), (QStringList{"", "", ""})); // no cage: no mortality
        QCOMPARE(lines[2].section(QLatin1Char('\t'), 0, 1), QStringLiteral("12\t8"));
        // Fewer than 20 drops on a slide: no interval, its cells empty.
        QCOMPARE(lines[2].split(QLatin1Char('\t')).mid(6, 2), (QStringList{"", ""}));
    }

};

QTEST_MAIN(TestSprayQualityView)
#include "test_sprayquality_view.moc"
