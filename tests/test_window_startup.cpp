// Start-up: the screen check, the interface font, the two layouts and the
// settings read at initialisation and written at unload.
#include "test_window_fixture.h"

#include "shell/StartUp.h"

#include <QScreen>
#include <QSettings>

class TestWindowStartUp : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
        MessageBoxes::SetFallbackAnswer(MessageBoxes::Ok);
    }
    void screenCheck_data();
    void screenCheck();
    void twipsPerPixel_data();
    void twipsPerPixel();
    void layouts_data();
    void layouts();
    void noSlideStateAtStart();
    void settingsReadAndWritten();

private:
    QTemporaryDir m_dir;
    SettingsStore store() const { return SettingsStore{m_dir.filePath(QStringLiteral("startup.ini"))}; }
};

void TestWindowStartUp::screenCheck_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("windowMade");
    QTest::addColumn<bool>("large");
    QTest::newRow("480, Cancel ends") << 480 << int(MessageBoxes::Cancel) << true << false << false;
    QTest::newRow("480, OK goes on") << 480 << int(MessageBoxes::Ok) << true << true << false;
    QTest::newRow("599 warns") << 599 << int(MessageBoxes::Ok) << true << true << false;
    QTest::newRow("600 quiet, small") << 600 << -1 << false << true << false;
    QTest::newRow("767 small") << 767 << -1 << false << true << false;
    QTest::newRow("768 large") << 768 << -1 << false << true << true;
}

void TestWindowStartUp::screenCheck()
{
    QFETCH(int, height);
    QFETCH(int, answer);
    QFETCH(bool, warned);
    QFETCH(bool, windowMade);
    QFETCH(bool, large);
    if (answer >= 0)
        MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
    MessageBoxes::ClearFallbackAnswer();

    ScreenMetrics screen;
    screen.WidthPixels = height * 4 / 3;
    screen.HeightPixels = height;
    std::unique_ptr<MainForm> form = StartUp(screen, store(), false);
    MessageBoxes::SetFallbackAnswer(MessageBoxes::Ok);

    QCOMPARE(MessageBoxes::ShownCount(), warned ? 1 : 0);
    if (warned) {
        const QString expected = QStringLiteral("Your screen resolution is currently set to %1\u00D7%2.\n\n"
                                                "Nimbrel was designed to run at a minimum resolution\n"
                                                "of 800\u00D7600, and preferably 1024\u00D7768 or higher.\n\n"
                                                "Click OK to access the display settings.")
                                     .arg(screen.WidthPixels)
                                     .arg(height);
        QCOMPARE(MessageBoxes::LastText(), expected);
    }
    QCOMPARE(bool(form), windowMade);
    if (!form) {
        // Cancel ends the program before any window exists.
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<MainForm *>(w));
        return;
    }
    QCOMPARE(form->IsLargeLayout(), large);
    // Below 768 pixels the window starts at the top edge of the screen.
    if (height < 768)
        QCOMPARE(form->y(), QGuiApplication::primaryScreen()->availableGeometry().top());
    QCOMPARE(form->View().PlotScaleTop, large ? 4.15 : 4.2);
    QCOMPARE(form->View().PlotScaleHeight, large ? -4.7 : -4.95);
}

void TestWindowStartUp::twipsPerPixel_data()
{
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("twips");
    QTest::addColumn<QString>("font");
    QTest::addColumn<int>("size");
    QTest::newRow("96 dpi") << 96.0 << 15 << QStringLiteral("MS Sans Serif") << 8;
    QTest::newRow("120 dpi, large fonts") << 120.0 << 12 << QStringLiteral("Small Fonts") << 6;
    QTest::newRow("144 dpi") << 144.0 << 10 << QStringLiteral("MS Sans Serif") << 8;
}

void TestWindowStartUp::twipsPerPixel()
{
    QFETCH(double, dpi);
    QFETCH(int, twips);
    QFETCH(QString, font);
    QFETCH(int, size);
    QCOMPARE(int(TwipsPerPixelFor(dpi)), twips);

    ScreenMetrics screen;
    screen.TwipsPerPixelX = screen.TwipsPerPixelY = int16_t(twips);
    std::unique_ptr<MainForm> form = StartUp(screen, store(), false);
    QVERIFY(form);
    QCOMPARE(form->StartUp().UIFontName, font);
    QCOMPARE(form->StartUp().UIFontSize, size);
    // The small font dresses the histogram's axis labels and the composite box.
    QCOMPARE(form->findChild<QLabel *>(QStringLiteral("ResultLabelX1"))->font().family(), font);
    QCOMPARE(form->findChild<QCheckBox *>(QStringLiteral("CompositeCheck"))->font().pointSize(), size);
}

void TestWindowStartUp::layouts_data()
{
    QTest::addColumn<int>("height");
    QTest::newRow("767") << 767;
    QTest::newRow("768") << 768;
}

void TestWindowStartUp::layouts()
{
    QFETCH(int, height);
    WindowFixture w;
    w.Open(height);
    MainForm &form = *w.Form;
    QCOMPARE(form.IsLargeLayout(), height >= 768);

    // The small layout fits an 800 × 600 screen with its title bar; the large one
    // a 1024 × 768 screen.
    if (height < 768) {
        QVERIFY2(form.width() <= 790 && form.height() <= 560,
                 qPrintable(QStringLiteral("%1 x %2").arg(form.width()).arg(form.height())));
    } else {
        QVERIFY2(form.width() <= 1024 && form.height() <= 720,
                 qPrintable(QStringLiteral("%1 x %2").arg(form.width()).arg(form.height())));
    }

    // The histogram box is the same on both screens.
    auto *pic = w.Find(QStringLiteral("ResultPic"));
    QCOMPARE(pic->geometry(), QRect(34, 16, 285, 70));
    QCOMPARE(w.Label(QStringLiteral("ResultLabel")), QStringLiteral("\u00B5m"));
    QCOMPARE(w.Find<QRadioButton>(QStringLiteral("GraphOption3"))->text(), QStringLiteral("#/cm\u00B2"));

    // Headings of the two tables.
    QTableWidget *grid = w.Grid();
    const QStringList headings = {QStringLiteral("EPD"), QStringLiteral("Diam. (\u00B5m)"), QStringLiteral("Count"),
                                  QStringLiteral("EPD\u00D7Count"), QStringLiteral("Vol. Fraction"),
                                  QStringLiteral("Cumulative VF")};
    for (int c = 0; c < 6; ++c)
        QCOMPARE(grid->horizontalHeaderItem(c)->text(), headings[c]);
    QCOMPARE(grid->rowCount(), 20);
    QCOMPARE(w.Cell(1, 1), QStringLiteral("14.0       "));
    QCOMPARE(w.Cell(20, 1), QStringLiteral("280.0       "));
    auto *stats = w.Find<QTableWidget>(QStringLiteral("StatsGrid"));
    QCOMPARE(stats->item(0, 0)->text(), QStringLiteral(" =< 7\u00B5m"));
    QCOMPARE(stats->item(4, 0)->text(), QStringLiteral(" > 80\u00B5m"));

    // Nothing visible overlaps a sibling, and everything lies inside its parent.
    const QList<QWidget *> all = form.findChildren<QWidget *>();
    for (QWidget *a : all) {
        if (!a->isVisibleTo(&form) || a->isWindow() || qobject_cast<QTabBar *>(a->parentWidget()))
            continue;
        const QWidget *parent = a->parentWidget();
        if (parent == &form || qobject_cast<QGroupBox *>(const_cast<QWidget *>(parent))) {
            QVERIFY2(parent->rect().contains(a->geometry()),
                     qPrintable(a->objectName() + QStringLiteral(" leaves ") + parent->objectName()));
            for (QWidget *b : all) {
                if (b == a || b->parentWidget() != parent || !b->isVisibleTo(&form) || a->objectName().isEmpty()
                    || b->objectName().isEmpty())
                    continue;
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + QStringLiteral(" overlaps ") + b->objectName()));
            }
        }
    }
}

void TestWindowStartUp::noSlideStateAtStart()
{
    WindowFixture w;
    w.Open();
    QCOMPARE(w.TabCaptions(), QStringList{QStringLiteral("<No Slide>")});
    QVERIFY(w.Find<QPushButton>(QStringLiteral("btnNewSlide"))->isEnabled());
    QVERIFY(w.Find<QPushButton>(QStringLiteral("btnLoadData"))->isEnabled());
    QVERIFY(!w.Find<QPushButton>(QStringLiteral("btnSaveData"))->isEnabled());
    QVERIFY(!w.Entry()->isEnabled());
    QVERIFY(!w.Find(QStringLiteral("ResultFrame"))->isEnabled());
    QVERIFY(!w.Find(QStringLiteral("CompositeCheck"))->isVisibleTo(w.Form.get()));
    QVERIFY(w.Find<QRadioButton>(QStringLiteral("GraphOption1"))->isChecked());
    QVERIFY(w.Find<QRadioButton>(QStringLiteral("optCloud_Slide1"))->isChecked());
    QCOMPARE(w.Form->Set().SlideCount(), int16_t(0));
    QCOMPARE(w.Form->View().LargestSizeFound, int16_t(0));
    QVERIFY(w.Find(QStringLiteral("PopUp_Resolution")) == nullptr
            || w.Form->findChild<QAction *>(QStringLiteral("PopUp_Resolution")));
    QVERIFY(w.Form->findChild<QAction *>(QStringLiteral("PopUp_Resolution")));
    // The first activation hands the focus to "New Slide".
    w.Form->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), w.Find(QStringLiteral("btnNewSlide")));
}

void TestWindowStartUp::settingsReadAndWritten()
{
    WindowFixture w;
    w.Open();
    // A fresh store gives the defaults.
    QCOMPARE(w.Form->Set().Params.MaxSizeEPD, int16_t(20));
    QCOMPARE(w.Form->Set().Params.MicronsPerEPD, 25.0f);
    QCOMPARE(w.Form->Set().Params.ScanLength, 2.0f);
    QCOMPARE(w.Form->Set().Params.SpreadFactor, 0.56f);
    QVERIFY(w.Form->Set().Params.Metric);
    QCOMPARE(w.Form->Set().Slides.size(), size_t(1));
    QCOMPARE(w.Form->Set().Slides[0].Counts.size(), size_t(21));

    w.Form->Set().Params.MicronsPerEPD = 30;
    w.Form->InitialDir() = QStringLiteral("/data/trials/");
    QVERIFY(w.Form->close());
    const QString keys[6] = {QStringLiteral("MaxSizeEPD"), QStringLiteral("Metric"), QStringLiteral("MicronsPerEPD"),
                             QStringLiteral("ScanLength"), QStringLiteral("SpreadFactor"), QStringLiteral("InitialDir")};
    for (const QString &key : keys)
        QVERIFY2(!GetSetting(w.Store, QStringLiteral("Settings"), key, QString()).isEmpty(), qPrintable(key));
    QCOMPARE(GetSetting(w.Store, QStringLiteral("Settings"), QStringLiteral("MicronsPerEPD"), QString()),
             QStringLiteral("30"));
    QCOMPARE(GetSetting(w.Store, QStringLiteral("Settings"), QStringLiteral("InitialDir"), QString()),
             QStringLiteral("/data/trials/"));

    // A stored MaxSizeEPD sizes the placeholder record and the count table.
    WindowFixture w2;
    w2.Open(768, 40);
    QCOMPARE(w2.Form->Set().Slides[0].Counts.size(), size_t(41));
    QCOMPARE(w2.Grid()->rowCount(), 40);
}

QTEST_MAIN(TestWindowStartUp)
#include "test_window_startup.moc"
