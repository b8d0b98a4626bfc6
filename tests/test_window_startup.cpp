// Start-up: the screen check, the interface font, the two layouts, the settings read and written.
#include "test_window_fixture.h"

#include "shell/StartUp.h"

#include <QScreen>

class TestWindowStartUp : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    SettingsStore store() const { return SettingsStore{m_dir.filePath(QStringLiteral("startup.ini"))}; }

private slots:
    void screenCheck_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("answer"); // -1: no warning expected
        QTest::newRow("480, Cancel ends") << 480 << 96.0 << int(MessageBoxes::Cancel);
        QTest::newRow("480, OK goes on") << 480 << 96.0 << int(MessageBoxes::Ok);
        QTest::newRow("600 quiet, small") << 600 << 96.0 << -1;
        QTest::newRow("768 large") << 768 << 96.0 << -1;
        QTest::newRow("768 large fonts") << 768 << 120.0 << -1;
    }
    void screenCheck()
    {
        QFETCH(int, height);
        QFETCH(double, dpi);
        QFETCH(int, answer);
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
        if (answer >= 0)
            MessageBoxes::QueueAnswer(MessageBoxes::Button(answer));
        MessageBoxes::ClearFallbackAnswer();
        ScreenMetrics screen;
        screen.WidthPixels = height * 4 / 3, screen.HeightPixels = height;
        screen.TwipsPerPixelX = screen.TwipsPerPixelY = int16_t(TwipsPerPixelFor(dpi));
        std::unique_ptr<MainWindow> form = StartUp(screen, store(), false);
        MessageBoxes::SetFallbackAnswer(MessageBoxes::Ok);

        QCOMPARE(MessageBoxes::ShownCount(), answer >= 0 ? 1 : 0);
        if (answer >= 0) // naming the size found
            QVERIFY(MessageBoxes::LastText().startsWith(
                QStringLiteral("Your screen resolution is currently set to %1\u00D7%2.\n").arg(screen.WidthPixels).arg(height)));
        QCOMPARE(bool(form), answer != MessageBoxes::Cancel);
        if (!form)
            return;
        const bool large = height >= 768;
        QCOMPARE(form->IsLargeLayout(), large);
        if (!large)
            QCOMPARE(form->y(), QGuiApplication::primaryScreen()->availableGeometry().top());
        // Large fonts (12 twips per pixel) take the small font, axis labels and composite box too.
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("ResultLabelX1"))->font().family(),
                 dpi > 96 ? QStringLiteral("Small Fonts") : QStringLiteral("MS Sans Serif"));
        QCOMPARE(form->findChild<QCheckBox *>(QStringLiteral("CompositeCheck"))->font().pointSize(), dpi > 96 ? 6 : 8);
    }

    // Nothing visible overlaps a sibling, everything lies inside its parent, and
    // no caption is cut short.
    static void checkTidy(MainWindow &form, const char *view)
    {
        const auto fault = [view](QWidget *w, const QString &what) {
            return QStringLiteral("%1 %2 (%3)").arg(w->objectName(), what, QLatin1String(view));
        };
        const QList<QWidget *> all = form.findChildren<QWidget *>();
        for (QWidget *a : all) {
            const QWidget *parent = a->parentWidget();
            if (!a->isVisibleTo(&form) || a->isWindow()
                || (parent != &form && !qobject_cast<const QGroupBox *>(parent)))
                continue;
            QVERIFY2(parent->rect().contains(a->geometry()),
                     qPrintable(fault(a, QStringLiteral("leaves ") + parent->objectName())));
            for (QWidget *b : all) {
                if (b == a || b->parentWidget() != parent || !b->isVisibleTo(&form) || a->objectName().isEmpty()
                    || b->objectName().isEmpty())
                    continue;
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(fault(a, QStringLiteral("overlaps ") + b->objectName())));
            }
            const auto *label = qobject_cast<const QLabel *>(a);
            if (label && !label->text().isEmpty()) {
                const QSize need = label->sizeHint();
                const bool whole = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                                     : need.width() <= label->width() && need.height() <= label->height();
                QVERIFY2(whole, qPrintable(fault(a, QStringLiteral("clipped"))));
            }
            const auto *button = qobject_cast<const QAbstractButton *>(a);
            if (button && !button->text().isEmpty())
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(fault(a, QStringLiteral("clipped"))));
        }
    }

    void layouts_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("767") << 767;
        QTest::newRow("768") << 768;
    }
    void layouts()
    {
        QFETCH(int, height);
        WindowFixture w;
        w.Open(height);
        MainWindow &form = *w.Form;
        const bool large = height >= 768;
        // The small layout fits 800 × 600 with its title bar, the large 1024 × 768.
        const QSize most = large ? QSize(1024, 720) : QSize(790, 560);
        QVERIFY2(form.width() <= most.width() && form.height() <= most.height(),
                 qPrintable(QStringLiteral("%1 x %2").arg(form.width()).arg(form.height())));
        QTRY_COMPARE(QApplication::focusWidget(), w.Find(QStringLiteral("btnNewSlide")));
        if (checkTidy(form, "no slide"); QTest::currentTestFailed())
            return;

        w.NewSlide(QStringLiteral("5"));
        w.NewSlide(QStringLiteral("-3"));
        w.TypeDrop(QStringLiteral("4"));
        // Without control data the warning shows, on two lines only in the small layout.
        auto *warning = w.Find<QLabel>(QStringLiteral("lblMortalityWarning"));
        QVERIFY(warning->isVisibleTo(&form));
        QCOMPARE(warning->text().contains(QLatin1Char('\n')), !large);
        if (checkTidy(form, "slide view"); QTest::currentTestFailed())
            return;

        // The composite graphs take the place of the count table, the data entry and
        // the mortality frame, and of nothing else.
        w.Find<QCheckBox>(QStringLiteral("CompositeCheck"))->click();
        const QRect graphs = w.Find(QStringLiteral("Picture1"))->geometry();
        QVERIFY(w.Shown(QStringLiteral("Picture1")));
        for (const auto &[name, covered] : {std::pair{"DataGrid", true}, {"frameDataEntry", true}, {"frameMortality", true},
                                            {"frameSlideInfo", false}, {"frameStats", false}}) {
            const QRect frame = w.Find(QString::fromLatin1(name))->geometry();
            QVERIFY2(covered ? graphs.contains(frame) : !graphs.intersects(frame), name);
            QVERIFY2(w.Shown(QString::fromLatin1(name)) != covered, name);
        }
        checkTidy(form, "composite view");
    }

    void settingsReadAndWritten()
    {
        WindowFixture w;
        w.Open();
        w.Form->Set().Params.MicronsPerEPD = 30;
        w.Form->InitialDir() = QStringLiteral("/data/trials/");
        QVERIFY(w.Form->close());
        const auto stored = [&](const char *key) {
            return GetSetting(w.Store, QStringLiteral("Settings"), QString::fromLatin1(key), QString());
        };
        QVERIFY(stored("MicronsPerEPD") == QStringLiteral("30") && stored("InitialDir") == QStringLiteral("/data/trials/"));

        WindowFixture w2;
        w2.Open(768, 40);
        QVERIFY(w2.Form->Set().Slides[0].Counts.size() == 41 && w2.Grid()->rowCount() == 40);
    }
};

QTEST_MAIN(TestWindowStartUp)
#include "test_window_startup.moc"
