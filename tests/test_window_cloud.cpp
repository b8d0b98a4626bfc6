// The in-cloud weighting in the window: choosing "May && Clifford" recomputes
// the slide on view and the composite at once, the collector dialog keeps its
// values in the settings, and the note on drops below the efficiency floor.
#include "entry/ParameterPanel.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmCollector.h"
#include "model/CloudWeights.h"
#include "test_window_fixture.h"

namespace {

// Answers the collector dialog when it opens: `fill` types into it, then OK.
void answerCollector(WindowFixture &m, const std::function<void(frmCollector *)> &fill, bool *seen = nullptr)
{
    QTimer::singleShot(0, m.Form.get(), [fill, seen] {
        auto *dialog = qobject_cast<frmCollector *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (seen)
            *seen = true;
        fill(dialog);
        if (dialog->isVisible())
            dialog->cmdOK_Click();
        if (dialog->isVisible())
            dialog->reject();
    });
}

// With NIMBREL_SHOTS set to a folder, the widget as a PNG there, to look at.
void shot(QWidget *w, const char *name)
{
    const QString folder = qEnvironmentVariable("NIMBREL_SHOTS");
    if (!folder.isEmpty())
        w->grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

void setBox(frmCollector *d, const char *name, const QString &text)
{
    auto *box = d->findChild<QLineEdit *>(QString::fromLatin1(name));
    box->selectAll();
    QTest::keyClicks(box, text);
}

} // namespace

class TestWindowCloud : public QObject
{
    Q_OBJECT

private slots:
    void methodRecomputesSlideAndComposite();
    void collectorRoundTripsThroughSettings();
    void badCollectorValueIsRefused();
    void windSpeedTypedReweighsAtOnce();
    void storedCollectorOutOfRangeFallsBack();
};

void TestWindowCloud::methodRecomputesSlideAndComposite()
{
    WindowFixture m;
    m.Open();
    // Wind 18 km/h is 5 m/s past a 25 mm slide.
    m.Form->Document().SetText(&ParameterTexts::WindSpeed, QStringLiteral("18"));
    m.NewSlide(QStringLiteral("1"));
    for (const char *d : {"1", "2", "2", "4", "4", "8"})
        m.TypeDrop(QString::fromLatin1(d));
    m.NewSlide(QStringLiteral("2"));
    for (const char *d : {"1", "1", "3", "6"})
        m.TypeDrop(QString::fromLatin1(d));

    auto *inCloud = m.Find<QRadioButton>(QStringLiteral("optCloud_Slide2"));
    auto *impaction = m.Find<QRadioButton>(QStringLiteral("optCloudMethod2"));
    auto *squared = m.Find<QRadioButton>(QStringLiteral("optCloudMethod1"));
    QVERIFY(!m.Shown(QStringLiteral("btnCollector")));
    QTest::mouseClick(inCloud, Qt::LeftButton);
    QVERIFY(m.Shown(QStringLiteral("optCloudMethod2")) && !m.Shown(QStringLiteral("btnCollector")));

    const QString nmdBefore = m.Label(QStringLiteral("NMDLabel"));
    auto *grid = m.Find<QTableWidget>(QStringLiteral("StatsGrid"));
    const QString sizeBefore = grid->item(1, 2)->text();
    const Slide before = m.Form->Set().Slides[2];
    m.Form->Document().MarkSaved();
    QTest::mouseClick(impaction, Qt::LeftButton);
    QVERIFY(impaction->isChecked());
    QVERIFY(m.Shown(QStringLiteral("btnCollector")));
    // The slide on view, its label and its range table follow at once.
    const Slide &now = m.Form->Set().Slides[2];
    QVERIFY(now.NMD != before.NMD && now.VF != before.VF);
    QVERIFY(now.Counts == before.Counts);
    QVERIFY(m.Label(QStringLiteral("NMDLabel")) != nmdBefore);
    QVERIFY(grid->item(1, 2)->text() != sizeBefore);
    // Class 1 (14 µm) is below the floor at 5 m/s: the window says so.
    QVERIFY(m.Shown(QStringLiteral("lblCloudNote")));
    QVERIFY(m.Label(QStringLiteral("lblCloudNote")).contains(QStringLiteral("lower bound")));
    QVERIFY(m.Label(QStringLiteral("lblCloudNote")).startsWith(QStringLiteral("2 drops")));
    shot(m.Form.get(), "window-impaction");
    // Nothing waits to be saved: the file's figures do not depend on the weighting.
    QVERIFY(!m.Form->IsModified());

    // In composite view the line's figures follow too.
    auto *composite = m.Find<QCheckBox>(QStringLiteral("CompositeCheck"));
    composite->setChecked(true);
    QTest::qWait(0);
    CompositeResults own;
    CalcComposite(m.Form->Set(), own);
    QCOMPARE(m.Form->View().Composite.CompNMD, own.CompNMD);
    QTest::mouseClick(squared, Qt::LeftButton);
    CompositeResults back;
    CalcComposite(m.Form->Set(), back);
    QVERIFY(back.CompNMD != own.CompNMD);
    QCOMPARE(m.Form->View().Composite.CompNMD, back.CompNMD);
    QCOMPARE(m.Form->View().CurrentNMD, back.CompNMD);
    QVERIFY(m.Form->Set().Slides[2] == before);
    QVERIFY(!m.Shown(QStringLiteral("btnCollector")) && !m.Shown(QStringLiteral("lblCloudNote")));
}

void TestWindowCloud::collectorRoundTripsThroughSettings()
{
    WindowFixture m;
    m.Open();
    m.NewSlide(QStringLiteral("0"));
    m.TypeDrop(QStringLiteral("3"));
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloud_Slide2")), Qt::LeftButton);
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloudMethod2")), Qt::LeftButton);
    const float vmdBefore = m.Form->Set().Slides[1].VMD;
    bool seen = false;
    answerCollector(
        m,
        [](frmCollector *d) {
            d->findChild<QRadioButton *>(QStringLiteral("optCylinder"))->setChecked(true);
            setBox(d, "txtWidth", QStringLiteral("2.5"));
            d->findChild<QCheckBox *>(QStringLiteral("chkTrialWind"))->setChecked(false);
            setBox(d, "txtAirSpeed", QStringLiteral("4"));
            setBox(d, "txtDropDensity", QStringLiteral("920"));
            // The table follows the boxes: 42 µm drops on a 2.5 mm rod at 4 m/s.
            auto *grid = d->findChild<QTableWidget *>(QStringLiteral("gridEfficiency"));
            const double e = CollectionEfficiency(CollectorShape::Cylinder, 42e-6, 4, 2.5e-3, 920, AirViscosity(20));
            QCOMPARE(grid->item(2, 2)->text(), QString::number(e, 'f', 3));
            shot(d, "collector-dialog");
        },
        &seen);
    QTest::mouseClick(m.Find<QPushButton>(QStringLiteral("btnCollector")), Qt::LeftButton);
    QVERIFY(seen);
    const CollectorSettings want{CollectorShape::Cylinder, 2.5, 4.0, 920};
    QVERIFY(m.Form->Set().Cloud.Collector == want);
    QVERIFY(m.Form->Set().Slides[1].VMD == vmdBefore); // one class: the median is its own half
    QVERIFY(LoadCollectorSettings(m.Store, NumberFormat()) == want);

    // The next window starts from them, and its dialog shows them again.
    const std::unique_ptr<MainWindow> next = MakeMainWindow(StartUpValues(), m.Store);
    QVERIFY(next->Set().Cloud.Collector == want);
    frmCollector shown(next->Set(), next->Format());
    QVERIFY(shown.findChild<QRadioButton *>(QStringLiteral("optCylinder"))->isChecked());
    QCOMPARE(shown.findChild<QLineEdit *>(QStringLiteral("txtWidth"))->text(), QStringLiteral("2.5"));
    QVERIFY(!shown.findChild<QCheckBox *>(QStringLiteral("chkTrialWind"))->isChecked());
    QCOMPARE(shown.findChild<QLineEdit *>(QStringLiteral("txtAirSpeed"))->text(), QStringLiteral("4"));
    QCOMPARE(shown.findChild<QLineEdit *>(QStringLiteral("txtDropDensity"))->text(), QStringLiteral("920"));
    // Taking the trial's wind again stores the speed empty.
    shown.findChild<QCheckBox *>(QStringLiteral("chkTrialWind"))->setChecked(true);
    shown.cmdOK_Click();
    QVERIFY(!shown.Collector().AirSpeedMS);
    QVERIFY(SaveCollectorSettings(m.Store, shown.Collector(), NumberFormat()));
    QVERIFY(!LoadCollectorSettings(m.Store, NumberFormat()).AirSpeedMS);
}

void TestWindowCloud::badCollectorValueIsRefused()
{
    WindowFixture m;
    m.Open();
    m.NewSlide(QStringLiteral("0"));
    m.TypeDrop(QStringLiteral("3"));
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloud_Slide2")), Qt::LeftButton);
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloudMethod2")), Qt::LeftButton);
    MessageBoxes::QueueAnswer(MessageBoxes::Ok);
    QString message;
    bool stayedOpen = false;
    answerCollector(m, [&](frmCollector *d) {
        setBox(d, "txtWidth", QStringLiteral("0"));
        d->cmdOK_Click();
        message = MessageBoxes::LastText();
        stayedOpen = d->isVisible();
        d->reject();
    });
    QTest::mouseClick(m.Find<QPushButton>(QStringLiteral("btnCollector")), Qt::LeftButton);
    QVERIFY2(message.contains(QStringLiteral("collector width")), qPrintable(message));
    QVERIFY(stayedOpen);
    QVERIFY(m.Form->Set().Cloud.Collector == CollectorSettings());
}

void TestWindowCloud::windSpeedTypedReweighsAtOnce()
{
    // The small layout, with the note under the method buttons.
    WindowFixture m;
    m.Open(600);
    m.NewSlide(QStringLiteral("0"));
    for (const char *d : {"2", "2", "5"})
        m.TypeDrop(QString::fromLatin1(d));
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloud_Slide2")), Qt::LeftButton);
    QTest::mouseClick(m.Find<QRadioButton>(QStringLiteral("optCloudMethod2")), Qt::LeftButton);
    // No wind given: nothing is caught by impaction, every class at the floor.
    QVERIFY(m.Label(QStringLiteral("lblCloudNote")).startsWith(QStringLiteral("3 drops")));
    shot(m.Form.get(), "window-small-impaction");
    const QString nmd = m.Label(QStringLiteral("NMDLabel"));
    m.Form->findChild<ParameterPanel *>()->SelectTab(3);
    auto *wind = m.Find<QLineEdit>(QStringLiteral("txtMet2"));
    wind->setFocus();
    QTest::keyClicks(wind, QStringLiteral("20"));
    QCOMPARE(m.Form->Set().Texts.WindSpeed, QStringLiteral("20"));
    QVERIFY(m.Label(QStringLiteral("NMDLabel")) != nmd);
    QVERIFY(!m.Shown(QStringLiteral("lblCloudNote")));
}

void TestWindowCloud::storedCollectorOutOfRangeFallsBack()
{
    QTemporaryDir dir;
    const SettingsStore store{dir.filePath(QStringLiteral("n.ini"))};
    const QString group = QStringLiteral("Collector");
    SaveSetting(store, group, QStringLiteral("Shape"), QStringLiteral("Disc"));
    SaveSetting(store, group, QStringLiteral("WidthMM"), QStringLiteral("-3"));
    SaveSetting(store, group, QStringLiteral("AirSpeedMS"), QStringLiteral("0"));
    SaveSetting(store, group, QStringLiteral("DropDensity"), QStringLiteral("heavy"));
    const CollectorSettings read = LoadCollectorSettings(store, NumberFormat());
    QVERIFY(read.Shape == CollectorShape::Ribbon && read.WidthMM == 25 && read.DropDensity == 1000);
    // Still air past a still slide is a speed, not a missing one.
    QVERIFY(read.AirSpeedMS && *read.AirSpeedMS == 0);
}

QTEST_MAIN(TestWindowCloud)
#include "test_window_cloud.moc"
