// The Dose Response tab through the real window: the table against the model,
// the choices kept in the settings, the fit following the counts, Copy Table,
// and all five composite tabs in sight at 1024 × 768 and 800 × 600.

#include "test_window_fixture.h"

#include "entry/SlideSetDocument.h"
#include "platform/ui/CCommonDialogs.h"
#include "window/DoseResponseView.h"

static QString dataFile() { return qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"); }

class TestDoseView : public QObject
{
    Q_OBJECT

    WindowFixture w;

    DoseResponseView *view() const { return w.Form->findChild<DoseResponseView *>(QStringLiteral("DoseResponseView")); }
    QTableWidget *table() const { return w.Find<QTableWidget>(QStringLiteral("DoseTable")); }
    QString value(const QString &caption) const
    {
        for (int r = 0; r < table()->rowCount(); ++r)
            if (table()->item(r, 0)->text() == caption)
                return table()->item(r, 1)->text();
        return QStringLiteral("(no row %1)").arg(caption);
    }

    // The realistic line loaded, the composite view on its fifth tab.
    void openLine(int yres = 768)
    {
        w.Open(yres);
        CCommonDialogs::ClearQueue();
        CCommonDialogs::QueueFileName(dataFile());
        w.Key(Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(w.Form->Set().SlideCount(), int16_t(10));
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        w.Strip()->setCurrentIndex(4);
        QVERIFY(view() && view()->isVisible());
    }

    // Where NIMBREL_GRAB is set, the window as the operator sees it.
    void grab(const QString &name)
    {
        const QString folder = qEnvironmentVariable("NIMBREL_GRAB");
        if (!folder.isEmpty())
            w.Form->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

private slots:
    void cleanup() { w.Close(); }

    // Each choice gives the model's fit of the set, is kept in the settings and
    // comes back with the next window.
    void tableFollowsTheChoices_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("deposit");
        QTest::newRow("24 h probit drops") << 24 << int(DoseLink::Probit) << int(DoseDeposit::Drops);
        QTest::newRow("12 h logit volume") << 12 << int(DoseLink::Logit) << int(DoseDeposit::Volume);
        QTest::newRow("knockdown") << 1 << int(DoseLink::Probit) << int(DoseDeposit::Drops);
    }
    void tableFollowsTheChoices()
    {
        QFETCH(int, hour);
        QFETCH(int, link);
        QFETCH(int, deposit);
        openLine();
        const DoseResponseOptions options{hour, DoseLink(link), DoseDeposit(deposit)};
        auto *hours = w.Find<QComboBox>(QStringLiteral("cmbDoseHour"));
        hours->setCurrentIndex(hours->findData(hour));
        auto *links = w.Find<QComboBox>(QStringLiteral("cmbDoseLink"));
        links->setCurrentIndex(links->findData(link));
        auto *deposits = w.Find<QComboBox>(QStringLiteral("cmbDoseDeposit"));
        deposits->setCurrentIndex(deposits->findData(deposit));

        const DoseResponseFit want = FitDoseResponse(w.Form->Set(), options);
        QVERIFY(want.Fitted());
        const std::vector<DoseResponseRow> rows = DoseResponseTable(want, w.Form->Format());
        QCOMPARE(table()->rowCount(), int(rows.size()));
        for (const DoseResponseRow &row : rows)
            QCOMPARE(value(row.Caption), row.Value);
        QCOMPARE(LoadDoseResponseOptions(w.Store), options);
        grab(QStringLiteral("dose-%1h").arg(hour));

        // The next window opens with the same choices.
        const SettingsStore store = w.Store;
        w.Form.reset();
        w.Form = MakeMainWindow(StartUpValues(), store);
        w.Form->AdjustScreen(768);
        w.Form->show();
        CCommonDialogs::QueueFileName(dataFile());
        w.Key(Qt::Key_L, Qt::ControlModifier);
        w.Key(Qt::Key_C, Qt::ControlModifier, w.Entry());
        w.Strip()->setCurrentIndex(4);
        QCOMPARE(view()->Options(), options);
        QCOMPARE(w.Find<QComboBox>(QStringLiteral("cmbDoseHour"))->currentData().toInt(), hour);
    }

    // A change of the control cage or a cage recomputes the fit on view.
    void followsTheDocument()
    {
        openLine();
        const QString before = value(QStringLiteral("LD50 (drops/cm\u00B2)"));
        SlideSetDocument &document = w.Form->Document();
        MortalityCounts control = w.Form->Set().ControlData;
        control.Dead24h = 0;
        control.Dead12h = 0;
        document.SetControlData(control);
        QCOMPARE(*view()->Fit().NaturalMortality < 0.2, true);
        const QString after = value(QStringLiteral("LD50 (drops/cm\u00B2)"));
        QVERIFY2(after != before, qPrintable(after));
        QCOMPARE(view()->Fit().LD50, FitDoseResponse(w.Form->Set(), view()->Options()).LD50);

        // Cages emptied until fewer than three remain: the note, no figures.
        for (int i = 1; i <= w.Form->Set().SlideCount(); ++i)
            if (w.Form->Set().Slides[i].Cage.NumInCage > 0 && i > 2)
                document.SetCage(int16_t(i), MortalityCounts{});
        QVERIFY(!view()->Fit().Fitted());
        QVERIFY2(value(QStringLiteral("Note")).contains(QStringLiteral("at least 3")), qPrintable(value("Note")));
        QCOMPARE(value(QStringLiteral("LD50 (drops/cm\u00B2)")), QStringLiteral("(no row LD50 (drops/cm\u00B2))"));
        grab(QStringLiteral("dose-nofit"));
    }

    void copyTable()
    {
        openLine();
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(w.Find<QPushButton>(QStringLiteral("btnCopyDoseTable")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 DoseResponseClipboardText(FitDoseResponse(w.Form->Set(), {}), w.Form->Format()));
    }

    // Every composite tab whole within the strip, without scroll arrows; the
    // original three keep their captions.
    void allTabsInSight_data()
    {
        QTest::addColumn<int>("yres");
        QTest::newRow("1024 x 768") << 768;
        QTest::newRow("800 x 600") << 600;
    }
    void allTabsInSight()
    {
        QFETCH(int, yres);
        openLine(yres);
        QTabBar *strip = w.Strip();
        QCOMPARE(strip->count(), 5);
        QCOMPARE(w.TabCaptions().mid(0, 3),
                 (QStringList{"Line Data", "Mortality vs. Drop Density", "Range Statistics"}));
        for (int i = 0; i < strip->count(); ++i)
            QVERIFY2(strip->rect().contains(strip->tabRect(i)),
                     qPrintable(QStringLiteral("tab %1 at %2..%3 of %4").arg(i).arg(strip->tabRect(i).left())
                                    .arg(strip->tabRect(i).right()).arg(strip->width())));
        for (QToolButton *arrow : strip->findChildren<QToolButton *>())
            QVERIFY(!arrow->isVisible());
        // The window still fits its screen.
        QVERIFY(w.Form->width() <= (yres == 768 ? 1024 : 800));
        grab(QStringLiteral("tabs-%1").arg(yres));
        // Back on the slides, the strip is the slides' again.
        w.Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(strip->count(), 10);
    }
};

QTEST_MAIN(TestDoseView)
#include "test_dose_view.moc"
