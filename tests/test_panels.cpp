// The parameter tabs, the mortality frame and the control data dialog, driven
// through their widgets beside a small stand-in for the main window.
#include "entry/MainFormContext.h"
#include "entry/MortalityPanel.h"
#include "entry/NumericKeyFilter.h"
#include "entry/ParameterPanel.h"
#include "entry/frmControlData.h"
#include "platform/ui/MessageBoxes.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>
#include <memory>

// The main window as far as the panels see it, with a log of what they asked of it.
class FakeMainForm : public QWidget, public MainFormContext
{
public:
    FakeMainForm()
    {
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(parameters = new ParameterPanel(*this, this));
        layout->addWidget(mortality = new MortalityPanel(*this, this));
    }
    SlideSet &Set() override { return set; }
    ViewState &View() override { return view; }
    const NumberFormat &Format() const override { return format; }
    QString ListSeparator() const override { return QStringLiteral(","); }
    QString &InitialDir() override { return initialDir; }
    QWidget *Window() override { return this; }
    void SetModified(bool m) override { modified = m; }
    bool IsModified() const override { return modified; }
    bool IsCompositeView() const override { return composite; }
    void RefreshCurrentSlide() override { ++refreshes, mortality->UpdateMortality(0, false); }
    void CalcCompositeAndMedians() override { ++compositeRecalcs; }
    void ApplyUnitLabels() override { parameters->ApplyUnitLabels(); }
    void ResizeCountTable() override { ++tableResizes; }
    void RewriteDiameterColumn() override { ++diameterRewrites; }
    // Graphs and the Save/Load side are tried on the real window.
    void FillStatsGrid() override {}
    void DrawResult() override {}
    void UpdateHistogramLabels() override {}
    void SetHistogramRightLabel(const QString &) override {}
    void ResetSlideSet() override {}
    void ShowLoadedSlideSet() override {}
    void FocusNewSlide() override {}

    // A slide with 3 drops of class 1 and 2 of class `largest`, shown with its cage.
    void addSlide(float position, int16_t largest, MortalityCounts cage = {})
    {
        const int16_t index = AddSlide(set, position);
        SetDropCount(set, 1, 3, index, view.LargestSizeFound);
        SetDropCount(set, largest, 2, index, view.LargestSizeFound);
        set.Slides[index].Cage = cage;
        showSlide(index);
    }
    void showSlide(int16_t slide)
    {
        set.CurrentSlide = slide;
        mortality->SetEntryEnabled(true);
        mortality->UpdateMortality(0, false);
    }
    template <typename T = QLineEdit> T *child(const QString &name) { return findChild<T *>(name); }
    QString label(const QString &name) { return child<QLabel>(name)->text(); }

    SlideSet set;
    ViewState view;
    NumberFormat format{QLatin1Char('.')};
    QString initialDir = QStringLiteral("/");
    bool modified = false, composite = false;
    int refreshes = 0, compositeRecalcs = 0, tableResizes = 0, diameterRewrites = 0;
    ParameterPanel *parameters = nullptr;
    MortalityPanel *mortality = nullptr;
};

static void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

static QString focused()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

class TestPanels : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeMainForm> form;

    // Opens the control data dialog with its button and runs `inDialog` in it.
    void withControlDialog(const std::function<void(frmControlData &)> &inDialog)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget())) {
                seen = true;
                QApplication::setActiveWindow(dialog);
                inDialog(*dialog);
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        form->child<QPushButton>(QStringLiteral("btnControlData"))->click();
        QVERIFY(seen);
    }
    void typeOptics(int field, const QString &text)
    {
        form->parameters->SelectTab(2);
        typeAndEnter(form->child(QStringLiteral("txtOptics%1").arg(field)), text);
    }

private slots:
    void init()
    {
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
        MessageBoxes::SetFallbackAnswer(MessageBoxes::No); // never block on a surprise
        form = std::make_unique<FakeMainForm>();
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void cleanup()
    {
        form.reset();
        QCOMPARE(MessageBoxes::QueuedAnswers(), 0);
    }

    void keyFilter_data()
    {
        QTest::addColumn<QChar>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("allowDecimal");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<bool>("passes");
        const QChar dot('.'), comma(',');
        QTest::newRow("backspace") << QChar(8) << "12" << "" << false << dot << true;
        QTest::newRow("first separator") << dot << "12" << "" << true << dot << true;
        QTest::newRow("second separator") << dot << "1.2" << "2" << true << dot << false;
        QTest::newRow("replaces the selected one") << dot << "1.2" << ".2" << true << dot << true;
        QTest::newRow("whole numbers only") << dot << "12" << "" << false << dot << false;
        QTest::newRow("comma locale: dot refused") << dot << "12" << "" << true << comma << false;
        QTest::newRow("comma locale: second comma") << comma << "1,2" << "" << true << comma << false;
    }
    void keyFilter()
    {
        QFETCH(QChar, key);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(bool, allowDecimal);
        QFETCH(QChar, separator);
        QFETCH(bool, passes);
        QCOMPARE(NumericKeyFilter(key.unicode(), text, selected, allowDecimal, separator),
                 passes ? key.unicode() : char16_t(0));
    }

    // What typing leaves in each kind of field.
    void typing_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::newRow("minus refused in air temperature") << 3 << "txtMet1" << "-12" << "12";
        QTest::newRow("second separator refused") << 3 << "txtMet2" << "1.2.5" << "1.25";
        QTest::newRow("free text agency") << 1 << "txtSprayer1" << "A-1 Spray, Inc." << "A-1 Spray, Inc.";
        QTest::newRow("no separator in EPD count") << 2 << "txtOptics2" << "1.5" << "15";
        QTest::newRow("mortality counts digits only") << 0 << "txtMortality1" << "2a.0-" << "20";
    }
    void typing()
    {
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        form->addSlide(0, 1); // enables the mortality boxes
        if (tab)
            form->parameters->SelectTab(tab);
        auto *box = form->child(field);
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, keys);
        QCOMPARE(box->text(), shown);
    }

    void enterWalksFieldsAndTabs()
    {
        // Each field, then the tab and field Enter leads to.
        const QList<std::tuple<const char *, int, const char *>> walk = {
            {"txtSprayer4", 0, "txtSprayer5"}, {"txtSprayer5", 1, "txtOptics1"}, {"txtOptics3", 1, "txtOptics4"},
            {"txtOptics4", 2, "txtMet0"},      {"txtMet4", 3, "txtProduct1"},   {"txtProduct1", 3, "txtProduct2"},
            {"txtProduct2", 4, "optUnits1"},   {"optUnits1", 0, "txtSprayer1"}};
        for (const auto &[from, tab, to] : walk) {
            auto *field = form->child<QWidget>(QString::fromLatin1(from));
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(form->child<QTabWidget>(QStringLiteral("tabParameters"))->currentIndex(), tab);
            QCOMPARE(focused(), QString::fromLatin1(to));
        }
        QCOMPARE(form->set.Params, AnalysisParameters()); // walking through changes nothing
    }

    void unitsAndScanLengthInInches()
    {
        form->addSlide(0, 5);
        auto *scan = form->child(QStringLiteral("txtOptics1"));
        form->parameters->SelectTab(5);
        form->child<QRadioButton>(QStringLiteral("optUnits0"))->click();
        QVERIFY(!form->set.Params.Metric);
        QCOMPARE(scan->text(), QStringLiteral("0.787"));
        const QStringList labels = {"lblSprayer6", "lblOptics5", "lblMet5", "lblMet7", "lblMet8", "lblProduct3"};
        const QStringList usTexts = {"ft", "inches", "ft", "F", "mph", "oz/ac"};
        for (int i = 0; i < labels.size(); ++i)
            QCOMPARE(form->label(labels[i]), usTexts[i]);
        // Passing through the field leaves the length exactly as it was.
        typeOptics(1, QStringLiteral("0.787"));
        QCOMPARE(form->set.Params.ScanLength, 2.0f);
        QCOMPARE(form->refreshes, 0);
        typeOptics(1, QStringLiteral("1"));
        QCOMPARE(form->set.Params.ScanLength, float(100.0 / (3.2808 * 12)));
        QCOMPARE(scan->text(), QStringLiteral("1.0"));
        QCOMPARE(form->set.Slides[1].Area, float(1.0 * form->set.Params.ScanLength * 20 * 25 * 0.0001));
        QCOMPARE(form->refreshes, 1);
        QVERIFY(form->modified);
        form->parameters->SelectTab(5);
        form->child<QRadioButton>(QStringLiteral("optUnits1"))->click();
        QCOMPARE(form->label(QStringLiteral("lblProduct3")), QStringLiteral("L/ha"));
        QCOMPARE(scan->text(), QStringLiteral("2.54"));
    }

    void opticsRefusals_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("restored");
        QTest::newRow("scan length 0") << 1 << "0" << "2.0";
        QTest::newRow("scan length empty") << 1 << "" << "2.0";
        QTest::newRow("EPD beyond 16 bits") << 2 << "40000" << "20";
        QTest::newRow("EPD unchanged") << 2 << "020" << "20";
        QTest::newRow("microns separator alone") << 3 << "." << "25";
    }
    void opticsRefusals()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, restored);
        form->parameters->SelectTab(2);
        auto *box = form->child(QStringLiteral("txtOptics%1").arg(field));
        box->setFocus();
        box->setText(typed);
        form->parameters->CommitOptics(field);
        QCOMPARE(box->text(), restored);
        QCOMPARE(form->set.Params, AnalysisParameters());
        QVERIFY(!form->modified);
    }

    void lowerEPDAsksOnceYesDrops()
    {
        form->addSlide(10, 15);
        form->addSlide(20, 18);
        form->addSlide(30, 4);
        MessageBoxes::ClearFallbackAnswer();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        typeOptics(2, QStringLiteral("10"));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Some drops have been found with diameters larger than 10 EPD.\n"
                                                          "Keeping this value will delete these drops.\n\n"
                                                          "Are you sure you want to continue?"));
        for (int16_t i = 0; i <= 3; ++i)
            QCOMPARE(form->set.Slides[i].Counts.size(), size_t(11));
        QCOMPARE(form->set.Slides[1].TotalDrops, 3);
        QCOMPARE(form->set.Slides[2].LargestClass, int16_t(1));
        QCOMPARE(form->set.Slides[3].Counts[4], int16_t(2)); // below the limit: kept
        QCOMPARE(form->view.LargestSizeFound, int16_t(4));
        QCOMPARE(form->tableResizes, 1);
        QCOMPARE(form->set.Slides[1].Area, float(2 * 10 * 25 * 0.0001));
        QVERIFY(form->modified);
    }

    void lowerEPDNoRestores()
    {
        form->addSlide(10, 15);
        MessageBoxes::ClearFallbackAnswer();
        MessageBoxes::QueueAnswer(MessageBoxes::No);
        typeOptics(2, QStringLiteral("12"));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(form->child(QStringLiteral("txtOptics2"))->text(), QStringLiteral("20"));
        QCOMPARE(form->set.Params.MaxSizeEPD, int16_t(20));
        QCOMPARE(form->set.Slides[1].Counts[15], int16_t(2));
        QCOMPARE(form->tableResizes, 0);
        QVERIFY(!form->modified);
    }

    void raiseEPDAddsEmptyRows()
    {
        form->addSlide(10, 15);
        typeOptics(2, QStringLiteral("25"));
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(form->set.Slides[1].Counts.size(), size_t(26));
        QCOMPARE(form->set.Slides[1].Counts[15], int16_t(2));
        QCOMPARE(form->set.Slides[1].Counts[25], int16_t(0));
        QCOMPARE(form->tableResizes, 1);
    }

    void micronsInCompositeView()
    {
        form->addSlide(10, 3);
        form->composite = true;
        typeOptics(3, QStringLiteral("12.5"));
        QCOMPARE(form->diameterRewrites, 1);
        QCOMPARE(form->compositeRecalcs, 1); // the pooled results, not the slide's
        QCOMPARE(form->refreshes, 0);
        QCOMPARE(form->set.Slides[1].Area, float(2 * 20 * 12.5 * 0.0001));
        typeOptics(4, QStringLiteral("0.5"));
        QCOMPARE(form->set.Params.SpreadFactor, 0.5f);
        QCOMPARE(form->diameterRewrites, 2);
    }

    // --- mortality ------------------------------------------------------------------

    void abbottOnScreen()
    {
        form->addSlide(10, 3);
        form->set.ControlData = {20, 0, 2, 2};
        form->mortality->UpdateMortality(0, false);
        const QStringList typed = {"20", "5", "2", "12"};
        for (int i = 1; i <= 4; ++i)
            typeAndEnter(form->child(QStringLiteral("txtMortality%1").arg(i)), typed[i - 1]);
        QCOMPARE(form->set.Slides[1].Cage, (MortalityCounts{20, 5, 2, 12}));
        QCOMPARE(focused(), QStringLiteral("btnControlData"));
        QCOMPARE(form->label(QStringLiteral("lblMortality5")), QStringLiteral("= 25.00%"));
        QCOMPARE(form->label(QStringLiteral("lblMortality6")), QStringLiteral("= 0.00%"));
        QCOMPARE(form->label(QStringLiteral("lblMortality7")), QStringLiteral("= 55.56%"));
        QVERIFY(!form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible());
        QVERIFY(form->modified);
    }

    void resultsWithoutControl_data()
    {
        QTest::addColumn<int>("controlInCage");
        QTest::addColumn<int>("controlDead24");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QString>("knockdown");
        QTest::addColumn<QString>("mortality24");
        QTest::newRow("no control data") << 0 << 0 << true << "" << "";
        QTest::newRow("whole control cage dead") << 10 << 10 << false << "= 25.00%" << "";
        QTest::newRow("treated better than control") << 20 << 19 << false << "= 25.00%" << "= 0.00%";
    }
    void resultsWithoutControl()
    {
        QFETCH(int, controlInCage);
        QFETCH(int, controlDead24);
        QFETCH(bool, warning);
        QFETCH(QString, knockdown);
        QFETCH(QString, mortality24);
        form->set.ControlData = {int16_t(controlInCage), 0, 0, int16_t(controlDead24)};
        form->addSlide(10, 3, {20, 5, 0, 12});
        QCOMPARE(form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible(), warning);
        QCOMPARE(form->child<QLabel>(QStringLiteral("lblMortality5"))->isVisible(), !knockdown.isEmpty());
        QCOMPARE(form->label(QStringLiteral("lblMortality5")), knockdown);
        QCOMPARE(form->child<QLabel>(QStringLiteral("lblMortality7"))->isVisible(), !mortality24.isEmpty());
        QCOMPARE(form->label(QStringLiteral("lblMortality7")), mortality24);
    }

    void clearingNumberInCage()
    {
        form->set.ControlData = {20, 0, 2, 2};
        form->addSlide(10, 3, {20, 5, 6, 7});
        auto *inCage = form->child(QStringLiteral("txtMortality1"));
        inCage->setFocus();
        inCage->selectAll();
        QTest::keyClick(inCage, Qt::Key_Backspace);
        for (int i = 2; i <= 4; ++i) {
            auto *box = form->child(QStringLiteral("txtMortality%1").arg(i));
            QCOMPARE(box->text(), QString());
            QVERIFY(!box->isEnabled());
        }
        QTest::keyClick(inCage, Qt::Key_Return);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));
        QVERIFY(!form->set.Slides[1].Mortality24h);
        QVERIFY(!form->child<QLabel>(QStringLiteral("lblMortality7"))->isVisible());
        QCOMPARE(QApplication::focusWidget(), inCage); // the next box is disabled
    }

    void countBeyond16BitsKeepsStored()
    {
        form->addSlide(10, 3, {20, 5, 6, 7});
        auto *dead12 = form->child(QStringLiteral("txtMortality3"));
        typeAndEnter(dead12, QStringLiteral("40000"));
        QCOMPARE(form->set.Slides[1].Cage.Dead12h, int16_t(6));
        QCOMPARE(dead12->text(), QStringLiteral("6"));
    }

    // A count typed and then left by a keyboard slide change (no focus move)
    // lands on the slide it was typed for, even when a new slide sorts in first.
    void pendingCountFollowsItsSlide()
    {
        form->addSlide(10, 3);
        form->addSlide(20, 3);
        form->showSlide(1);
        auto *inCage = form->child(QStringLiteral("txtMortality1"));
        inCage->setFocus();
        QTest::keyClicks(inCage, QStringLiteral("30"));
        form->showSlide(2);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(30));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(0));
        QCOMPARE(inCage->text(), QString());

        form->showSlide(1);
        inCage->setFocus();
        inCage->selectAll();
        QTest::keyClicks(inCage, QStringLiteral("44"));
        form->set.CurrentSlide = SortSlidesByPosition(form->set, AddSlide(form->set, 5));
        form->mortality->UpdateMortality(0, false);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));  // position 5
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(44)); // position 10
    }

    // Showing a slide without a cage empties the boxes; that is no edit.
    void emptiedBoxesAreNoEdit()
    {
        form->addSlide(10, 3);
        typeAndEnter(form->child(QStringLiteral("txtMortality1")), QStringLiteral("20"));
        form->addSlide(20, 3);
        form->showSlide(1);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(20));
        QCOMPARE(form->child(QStringLiteral("txtMortality1"))->text(), QStringLiteral("20"));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(0));
    }

    // --- the control data dialog ------------------------------------------------

    void controlDialogPercentagesAndAccept()
    {
        form->addSlide(10, 3, {20, 5, 0, 12});
        form->addSlide(20, 3, {10, 0, 0, 1});
        withControlDialog([](frmControlData &dialog) {
            auto *accept = dialog.findChild<QPushButton *>(QStringLiteral("btnAccept"));
            auto *dead12 = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality2"));
            QVERIFY(!accept->isEnabled());
            QVERIFY(!dead12->isEnabled());
            typeAndEnter(dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1")), QStringLiteral("20"));
            QCOMPARE(dead12->text(), QStringLiteral("0"));
            typeAndEnter(dead12, QStringLiteral("3"));
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblMortality4"))->text(), QStringLiteral("= 15.0%"));
            typeAndEnter(dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality3")), QStringLiteral("2"));
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblMortality5"))->text(), QStringLiteral("= 10.0%"));
            QCOMPARE(QApplication::focusWidget(), accept);
            accept->click();
        });
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 3, 2}));
        // The control cage corrects every slide, not only the one on view.
        QCOMPARE(form->set.Slides[1].Mortality24h.value_or(-1), float(1.0 - (8.0 / 20.0) / (18.0 / 20.0)));
        QCOMPARE(form->set.Slides[2].Mortality24h.value_or(-1), 0.0f);
    }

    void controlDialogAcceptZeroClears()
    {
        form->set.ControlData = {20, 0, 3, 5};
        form->addSlide(10, 3);
        withControlDialog([](frmControlData &dialog) {
            auto *n = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1"));
            QCOMPARE(n->text(), QStringLiteral("20"));
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblMortality4"))->text(), QStringLiteral("= 15.0%"));
            n->setText(QStringLiteral("0"));
            dialog.findChild<QPushButton *>(QStringLiteral("btnAccept"))->click();
        });
        QCOMPARE(form->set.ControlData, MortalityCounts());
        QVERIFY(form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible());
        QVERIFY(form->modified);
    }

    void controlDialogEscapeCancels()
    {
        form->set.ControlData = {20, 0, 3, 5};
        form->addSlide(10, 3);
        withControlDialog([](frmControlData &dialog) {
            auto *n = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1"));
            n->setText(QStringLiteral("50"));
            QTest::keyClick(n, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        });
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 3, 5}));
        QVERIFY(!form->modified);
    }
};

QTEST_MAIN(TestPanels)
#include "test_panels.moc"
