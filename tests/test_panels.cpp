// The parameter tabs, the mortality frame and the control data dialog, driven
// through their widgets beside a small stand-in for the main window.
#include "entry/MainFormContext.h"
#include "entry/MortalityPanel.h"
#include "entry/NumericKeyFilter.h"
#include "entry/ParameterPanel.h"
#include "entry/frmControlData.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

// The main window as far as the panels see it: the document, the view and a
// log of what they asked it to do.
class FakeMainForm : public QWidget, public MainFormContext
{
public:
    FakeMainForm()
    {
        auto *layout = new QVBoxLayout(this);
        parameters = new ParameterPanel(*this, this);
        mortality = new MortalityPanel(*this, this);
        layout->addWidget(parameters);
        layout->addWidget(mortality);
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
    void RefreshCurrentSlide() override
    {
        ++refreshes;
        mortality->UpdateMortality(0, false);
    }
    void FillStatsGrid() override {}
    void CalcCompositeAndMedians() override { ++compositeRecalcs; }
    void DrawResult() override { ++draws; }
    void UpdateHistogramLabels() override {}
    void SetHistogramRightLabel(const QString &) override {}
    void ApplyUnitLabels() override
    {
        ++unitLabelCalls;
        parameters->ApplyUnitLabels();
    }
    void ResizeCountTable() override { ++tableResizes; }
    void RewriteDiameterColumn() override { ++diameterRewrites; }
    // Save and Load are tried on the real window.
    void ResetSlideSet() override {}
    void ShowLoadedSlideSet() override {}
    void FocusNewSlide() override {}

    // A slide with drops up to `largest` and the entry side switched on.
    int16_t addSlide(float position, int16_t largest)
    {
        const int16_t index = AddSlide(set, position);
        SetDropCount(set, 1, 3, index, view.LargestSizeFound);
        if (largest > 1)
            SetDropCount(set, largest, 2, index, view.LargestSizeFound);
        set.CurrentSlide = index;
        mortality->SetEntryEnabled(true);
        mortality->UpdateMortality(0, false);
        return index;
    }

    template <typename T> T *child(const char *name) { return findChild<T *>(QString::fromLatin1(name)); }

    SlideSet set;
    ViewState view;
    NumberFormat format{QLatin1Char('.')};
    QString initialDir = QStringLiteral("/");
    bool modified = false;
    bool composite = false;
    int refreshes = 0, compositeRecalcs = 0, draws = 0, unitLabelCalls = 0;
    int tableResizes = 0, diameterRewrites = 0;
    ParameterPanel *parameters = nullptr;
    MortalityPanel *mortality = nullptr;
};

// Focuses the field, types over its whole text and presses Enter.
static void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

class TestPanels : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeMainForm> form;

    void showForm()
    {
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

private slots:
    void init()
    {
        MessageBoxes::ClearQueue();
        MessageBoxes::ResetLog();
        // A message nobody expected is answered No rather than blocking the run.
        MessageBoxes::SetFallbackAnswer(MessageBoxes::No);
        form = std::make_unique<FakeMainForm>();
        showForm();
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
        QTest::newRow("digit") << QChar('7') << "12" << "" << true << dot << true;
        QTest::newRow("backspace") << QChar(8) << "12" << "" << false << dot << true;
        QTest::newRow("letter") << QChar('a') << "" << "" << true << dot << false;
        QTest::newRow("minus never") << QChar('-') << "" << "" << true << dot << false;
        QTest::newRow("plus never") << QChar('+') << "" << "" << true << dot << false;
        QTest::newRow("blank") << QChar(' ') << "1" << "" << true << dot << false;
        QTest::newRow("first separator") << dot << "12" << "" << true << dot << true;
        QTest::newRow("second separator") << dot << "1.2" << "" << true << dot << false;
        QTest::newRow("second, selection without it") << dot << "1.2" << "2" << true << dot << false;
        QTest::newRow("replaces the selected one") << dot << "1.2" << ".2" << true << dot << true;
        QTest::newRow("whole numbers only") << dot << "12" << "" << false << dot << false;
        QTest::newRow("comma locale: comma") << comma << "12" << "" << true << comma << true;
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
        const char16_t result = NumericKeyFilter(key.unicode(), text, selected, allowDecimal, separator);
        QCOMPARE(result, passes ? key.unicode() : char16_t(0));
    }

    // What typing leaves in each kind of field.
    void typing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::newRow("minus refused in air temperature") << "txtMet1" << "-12" << "12";
        QTest::newRow("second separator refused") << "txtMet2" << "1.2.5" << "1.25";
        QTest::newRow("letters refused in release height") << "txtSprayer3" << "3a0" << "30";
        QTest::newRow("free text agency") << "txtSprayer1" << "A-1 Spray, Inc." << "A-1 Spray, Inc.";
        QTest::newRow("no separator in EPD count") << "txtOptics2" << "1.5" << "15";
        QTest::newRow("mortality counts digits only") << "txtMortality1" << "2.0-" << "20";
    }
    void typing()
    {
        QFETCH(QString, field);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        form->addSlide(0, 1); // enables the mortality boxes
        auto *box = form->findChild<QLineEdit *>(field);
        QVERIFY(box);
        SelectTabOf(box);
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, keys);
        QCOMPARE(box->text(), shown);
    }

    void enterWalksFieldsAndTabs()
    {
        auto *tabs = form->child<QTabWidget>("tabParameters");
        const auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
        form->child<QLineEdit>("txtSprayer4")->setFocus();
        QTest::keyClick(form->child<QLineEdit>("txtSprayer4"), Qt::Key_Return);
        QCOMPARE(focused(), QStringLiteral("txtSprayer5"));
        QTest::keyClick(form->child<QLineEdit>("txtSprayer5"), Qt::Key_Return);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(focused(), QStringLiteral("txtOptics1"));
        for (int i = 1; i <= 3; ++i)
            QTest::keyClick(form->child<QLineEdit>(qPrintable(QStringLiteral("txtOptics%1").arg(i))), Qt::Key_Return);
        QCOMPARE(focused(), QStringLiteral("txtOptics4"));
        QTest::keyClick(form->child<QLineEdit>("txtOptics4"), Qt::Key_Return);
        QCOMPARE(tabs->currentIndex(), 2);
        QCOMPARE(focused(), QStringLiteral("txtMet0"));
        for (int i = 0; i <= 4; ++i)
            QTest::keyClick(form->child<QLineEdit>(qPrintable(QStringLiteral("txtMet%1").arg(i))), Qt::Key_Return);
        QCOMPARE(tabs->currentIndex(), 3);
        QCOMPARE(focused(), QStringLiteral("txtProduct1"));
        QTest::keyClick(form->child<QLineEdit>("txtProduct1"), Qt::Key_Return);
        QTest::keyClick(form->child<QLineEdit>("txtProduct2"), Qt::Key_Return);
        QCOMPARE(tabs->currentIndex(), 4);
        QCOMPARE(focused(), QStringLiteral("optUnits1")); // metric is the option chosen
        QTest::keyClick(form->child<QRadioButton>("optUnits1"), Qt::Key_Return);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(focused(), QStringLiteral("txtSprayer1"));
        // Walking through changes nothing.
        QCOMPARE(form->set.Params, AnalysisParameters());
        QCOMPARE(form->diameterRewrites, 0);
    }

    void unitSystem()
    {
        auto *us = form->child<QRadioButton>("optUnits0");
        auto *scan = form->child<QLineEdit>("txtOptics1");
        QCOMPARE(scan->text(), QStringLiteral("2.0"));
        QCOMPARE(form->child<QLabel>("lblOptics5")->text(), QStringLiteral("cm"));
        form->parameters->SelectTab(5);
        us->click();
        QVERIFY(!form->set.Params.Metric);
        QCOMPARE(form->unitLabelCalls, 1);
        QCOMPARE(scan->text(), QStringLiteral("0.787"));
        QCOMPARE(form->set.Params.ScanLength, 2.0f); // nothing converted
        const char *labels[] = {"lblSprayer6", "lblOptics5", "lblMet5", "lblMet7", "lblMet8", "lblProduct3"};
        const char *usTexts[] = {"ft", "inches", "ft", "F", "mph", "oz/ac"};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(form->child<QLabel>(labels[i])->text(), QString::fromLatin1(usTexts[i]));
        us->click(); // the option already chosen
        QCOMPARE(form->unitLabelCalls, 1);
        form->child<QRadioButton>("optUnits1")->click();
        QCOMPARE(form->child<QLabel>("lblMet7")->text(), QStringLiteral("C"));
        QCOMPARE(form->child<QLabel>("lblProduct3")->text(), QStringLiteral("L/ha"));
        QCOMPARE(scan->text(), QStringLiteral("2.0"));
    }

    void scanLengthInInches()
    {
        form->addSlide(0, 5);
        form->set.Params.Metric = false;
        form->parameters->ApplyUnitLabels();
        auto *scan = form->child<QLineEdit>("txtOptics1");
        form->parameters->SelectTab(2);
        QCOMPARE(scan->text(), QStringLiteral("0.787"));
        // Passing through the field leaves the length exactly as it was.
        typeAndEnter(scan, QStringLiteral("0.787"));
        QCOMPARE(form->set.Params.ScanLength, 2.0f);
        QCOMPARE(form->refreshes, 0);
        typeAndEnter(scan, QStringLiteral("1"));
        QCOMPARE(form->set.Params.ScanLength, float(100.0 / (3.2808 * 12)));
        QVERIFY(qAbs(form->set.Params.ScanLength - 2.54f) < 0.001f);
        QCOMPARE(scan->text(), QStringLiteral("1.0"));
        // Every slide's area follows the new length.
        QCOMPARE(form->set.Slides[1].Area, float(1.0 * form->set.Params.ScanLength * 20 * 25 * 0.0001));
        QCOMPARE(form->refreshes, 1);
        QVERIFY(form->modified);
    }

    void opticsRefusals_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<bool>("recalculated");
        QTest::newRow("scan length 0") << 1 << "0" << "2.0" << false;
        QTest::newRow("scan length empty") << 1 << "" << "2.0" << true;
        QTest::newRow("EPD 0") << 2 << "0" << "20" << false;
        QTest::newRow("EPD beyond 16 bits") << 2 << "40000" << "20" << true;
        QTest::newRow("EPD unchanged") << 2 << "020" << "20" << false;
        QTest::newRow("microns separator alone") << 3 << "." << "25" << true;
        QTest::newRow("spread factor 0.0") << 4 << "0.0" << "0.56" << false;
    }
    void opticsRefusals()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, restored);
        QFETCH(bool, recalculated);
        form->parameters->SelectTab(2);
        const AnalysisParameters before = form->set.Params;
        auto *box = form->findChild<QLineEdit *>(QStringLiteral("txtOptics%1").arg(field));
        box->setFocus();
        box->setText(typed);
        form->parameters->CommitOptics(field);
        QCOMPARE(box->text(), restored);
        QCOMPARE(form->set.Params, before);
        QCOMPARE(form->draws, recalculated ? 1 : 0);
        QVERIFY(!form->modified);
    }

    void lowerEPDAsksOnceYesDrops()
    {
        form->addSlide(10, 15);
        form->addSlide(20, 18);
        form->addSlide(30, 4);
        MessageBoxes::ClearFallbackAnswer();
        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        form->parameters->SelectTab(2);
        typeAndEnter(form->child<QLineEdit>("txtOptics2"), QStringLiteral("10"));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(MessageBoxes::LastText(),
                 QStringLiteral("Some drops have been found with diameters larger than 10 EPD.\n"
                                "Keeping this value will delete these drops.\n\n"
                                "Are you sure you want to continue?"));
        QCOMPARE(form->set.Params.MaxSizeEPD, int16_t(10));
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
        form->parameters->SelectTab(2);
        auto *box = form->child<QLineEdit>("txtOptics2");
        typeAndEnter(box, QStringLiteral("12"));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(box->text(), QStringLiteral("20"));
        QCOMPARE(form->set.Params.MaxSizeEPD, int16_t(20));
        QCOMPARE(form->set.Slides[1].Counts[15], int16_t(2));
        QCOMPARE(form->tableResizes, 0);
        QVERIFY(!form->modified);
    }

    void raiseEPDKeepsCounts()
    {
        form->addSlide(10, 15);
        form->parameters->SelectTab(2);
        typeAndEnter(form->child<QLineEdit>("txtOptics2"), QStringLiteral("25"));
        QCOMPARE(MessageBoxes::ShownCount(), 0);
        QCOMPARE(form->set.Slides[1].Counts.size(), size_t(26));
        QCOMPARE(form->set.Slides[1].Counts[15], int16_t(2));
        QCOMPARE(form->set.Slides[1].Counts[25], int16_t(0));
        QCOMPARE(form->tableResizes, 1);
    }

    void micronsRewriteDiameters()
    {
        form->addSlide(10, 3);
        form->composite = true;
        form->parameters->SelectTab(2);
        typeAndEnter(form->child<QLineEdit>("txtOptics3"), QStringLiteral("12.5"));
        QCOMPARE(form->set.Params.MicronsPerEPD, 12.5f);
        QCOMPARE(form->diameterRewrites, 1);
        QCOMPARE(form->compositeRecalcs, 1); // composite view: the pooled results
        QCOMPARE(form->refreshes, 0);
        QCOMPARE(form->set.Slides[1].Area, float(2 * 20 * 12.5 * 0.0001));
        typeAndEnter(form->child<QLineEdit>("txtOptics4"), QStringLiteral("0.5"));
        QCOMPARE(form->set.Params.SpreadFactor, 0.5f);
        QCOMPARE(form->diameterRewrites, 2);
    }

    // --- mortality ------------------------------------------------------------------

    void abbottOnScreen()
    {
        form->addSlide(10, 3);
        form->set.ControlData = {20, 0, 2, 2};
        form->mortality->UpdateMortality(0, false);
        typeAndEnter(form->child<QLineEdit>("txtMortality1"), QStringLiteral("20"));
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(20));
        QCOMPARE(form->child<QLineEdit>("txtMortality2")->text(), QStringLiteral("0"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtMortality2"));
        typeAndEnter(form->child<QLineEdit>("txtMortality2"), QStringLiteral("5"));
        typeAndEnter(form->child<QLineEdit>("txtMortality3"), QStringLiteral("2"));
        typeAndEnter(form->child<QLineEdit>("txtMortality4"), QStringLiteral("12"));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("btnControlData"));
        QCOMPARE(form->child<QLabel>("lblMortality5")->text(), QStringLiteral("= 25.00%"));
        QCOMPARE(form->child<QLabel>("lblMortality6")->text(), QStringLiteral("= 0.00%"));
        QCOMPARE(form->child<QLabel>("lblMortality7")->text(), QStringLiteral("= 55.56%"));
        QVERIFY(form->child<QLabel>("lblMortality7")->isVisible());
        QVERIFY(!form->child<QLabel>("lblMortalityWarning")->isVisible());
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
        QTest::newRow("control present") << 20 << 2 << false << "= 25.00%" << "= 55.56%";
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
        form->addSlide(10, 3);
        form->set.Slides[1].Cage = {20, 5, 0, 12};
        form->set.ControlData = {int16_t(controlInCage), 0, 0, int16_t(controlDead24)};
        form->mortality->UpdateMortality(0, false);
        QCOMPARE(form->child<QLabel>("lblMortalityWarning")->isVisible(), warning);
        QCOMPARE(form->child<QLabel>("lblMortality5")->isVisible(), !knockdown.isEmpty());
        QCOMPARE(form->child<QLabel>("lblMortality5")->text(), knockdown);
        QCOMPARE(form->child<QLabel>("lblMortality7")->isVisible(), !mortality24.isEmpty());
        QCOMPARE(form->child<QLabel>("lblMortality7")->text(), mortality24);
        QCOMPARE(form->child<QLineEdit>("txtMortality4")->text(), QStringLiteral("12"));
    }

    void clearingNumberInCage()
    {
        form->addSlide(10, 3);
        form->set.Slides[1].Cage = {20, 5, 6, 7};
        form->set.ControlData = {20, 0, 2, 2};
        form->mortality->UpdateMortality(0, false);
        auto *inCage = form->child<QLineEdit>("txtMortality1");
        inCage->setFocus();
        inCage->selectAll();
        QTest::keyClick(inCage, Qt::Key_Backspace);
        for (int i = 2; i <= 4; ++i) {
            auto *box = form->findChild<QLineEdit *>(QStringLiteral("txtMortality%1").arg(i));
            QVERIFY(box->text().isEmpty());
            QVERIFY(!box->isEnabled());
        }
        QTest::keyClick(inCage, Qt::Key_Return);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));
        QVERIFY(!form->set.Slides[1].Mortality24h);
        QVERIFY(!form->child<QLabel>("lblMortality7")->isVisible());
        QCOMPARE(QApplication::focusWidget(), inCage); // the next box is disabled
    }

    void countBeyond16BitsKeepsStored()
    {
        form->addSlide(10, 3);
        form->set.Slides[1].Cage = {20, 5, 6, 7};
        form->mortality->UpdateMortality(0, false);
        typeAndEnter(form->child<QLineEdit>("txtMortality3"), QStringLiteral("40000"));
        QCOMPARE(form->set.Slides[1].Cage.Dead12h, int16_t(6));
        QCOMPARE(form->child<QLineEdit>("txtMortality3")->text(), QStringLiteral("6"));
        // A count above the number in cage is taken as it is.
        typeAndEnter(form->child<QLineEdit>("txtMortality3"), QStringLiteral("25"));
        QCOMPARE(form->set.Slides[1].Cage.Dead12h, int16_t(25));
    }

    // A count typed and then left by a keyboard slide change (no focus move)
    // lands on the slide it was typed for.
    void pendingCountFollowsItsSlide()
    {
        form->addSlide(10, 3);
        form->addSlide(20, 3);
        form->set.CurrentSlide = 1;
        form->mortality->UpdateMortality(0, false);
        auto *inCage = form->child<QLineEdit>("txtMortality1");
        inCage->setFocus();
        QTest::keyClicks(inCage, QStringLiteral("30"));
        form->set.CurrentSlide = 2;
        form->mortality->UpdateMortality(0, false);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(30));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(0));
        QVERIFY(inCage->text().isEmpty());

        // Ctrl+N while typing: the new slide sorts in before the one typed for.
        form->set.CurrentSlide = 1;
        form->mortality->UpdateMortality(0, false);
        inCage->setFocus();
        inCage->selectAll();
        QTest::keyClicks(inCage, QStringLiteral("44"));
        const int16_t added = AddSlide(form->set, 5);
        form->set.CurrentSlide = SortSlidesByPosition(form->set, added);
        QCOMPARE(form->set.CurrentSlide, int16_t(1));
        form->mortality->UpdateMortality(0, false);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));  // position 5
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(44)); // position 10
    }

    // Showing a slide without a cage empties the boxes; that is no edit, and
    // the slide whose count was typed last keeps it.
    void emptiedBoxesAreNoEdit()
    {
        form->addSlide(10, 3);
        typeAndEnter(form->child<QLineEdit>("txtMortality1"), QStringLiteral("20"));
        form->addSlide(20, 3); // current now, no cage: boxes emptied
        form->mortality->UpdateMortality(0, false);
        form->set.CurrentSlide = 1;
        form->mortality->UpdateMortality(0, false);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(20));
        QCOMPARE(form->child<QLineEdit>("txtMortality1")->text(), QStringLiteral("20"));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(0));
    }

    // --- the control data dialog ------------------------------------------------

    void controlDialogPercentages()
    {
        frmControlData dialog(*form, form.get());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Control Data"));
        auto *accept = dialog.findChild<QPushButton *>(QStringLiteral("btnAccept"));
        auto *n = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1"));
        auto *dead12 = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality2"));
        auto *dead24 = dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality3"));
        auto *pct12 = dialog.findChild<QLabel *>(QStringLiteral("lblMortality4"));
        auto *pct24 = dialog.findChild<QLabel *>(QStringLiteral("lblMortality5"));
        QVERIFY(!accept->isEnabled());
        QVERIFY(!dead12->isEnabled());
        typeAndEnter(n, QStringLiteral("20"));
        QVERIFY(accept->isEnabled());
        QVERIFY(dead12->isEnabled());
        QCOMPARE(pct12->text(), QStringLiteral("= 0.0%"));
        QCOMPARE(dead12->text(), QStringLiteral("0"));
        typeAndEnter(dead12, QStringLiteral("3"));
        QCOMPARE(pct12->text(), QStringLiteral("= 15.0%"));
        QVERIFY(pct12->isVisible());
        typeAndEnter(dead24, QStringLiteral("5"));
        QCOMPARE(pct24->text(), QStringLiteral("= 25.0%"));
        QCOMPARE(QApplication::focusWidget(), accept);
        accept->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 3, 5}));
    }

    void controlDialogAcceptZeroClears()
    {
        form->addSlide(10, 3);
        form->set.ControlData = {20, 0, 3, 5};
        form->mortality->UpdateMortality(0, false);
        QVERIFY(!form->child<QLabel>("lblMortalityWarning")->isVisible());
        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *n = dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality1"));
            QCOMPARE(n->text(), QStringLiteral("20"));
            QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblMortality4"))->text(), QStringLiteral("= 15.0%"));
            n->setText(QStringLiteral("0"));
            auto *accept = dialog->findChild<QPushButton *>(QStringLiteral("btnAccept"));
            QVERIFY(accept->isEnabled());
            QVERIFY(!dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality2"))->isEnabled());
            checked = true;
            accept->click();
        });
        form->child<QPushButton>("btnControlData")->click();
        QVERIFY(checked);
        QCOMPARE(form->set.ControlData, MortalityCounts());
        QVERIFY(form->child<QLabel>("lblMortalityWarning")->isVisible());
        QVERIFY(form->modified);
    }

    // The control cage corrects every slide, not only the one on view.
    void controlDataReachesEverySlide()
    {
        form->addSlide(10, 3);
        form->addSlide(20, 3);
        form->set.Slides[1].Cage = {20, 5, 0, 12};
        form->set.Slides[2].Cage = {10, 0, 0, 1};
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            typeAndEnter(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality1")), QStringLiteral("20"));
            typeAndEnter(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality2")), QStringLiteral("0"));
            typeAndEnter(dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality3")), QStringLiteral("2"));
            dialog->findChild<QPushButton *>(QStringLiteral("btnAccept"))->click();
        });
        form->child<QPushButton>("btnControlData")->click();
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 0, 2}));
        QVERIFY(form->set.Slides[1].Mortality24h);
        QCOMPARE(*form->set.Slides[1].Mortality24h, float(1.0 - (8.0 / 20.0) / (18.0 / 20.0)));
        QVERIFY(form->set.Slides[2].Mortality24h);
        QCOMPARE(*form->set.Slides[2].Mortality24h, 0.0f);
    }

    void controlDialogEscapeCancels()
    {
        form->addSlide(10, 3);
        form->set.ControlData = {20, 0, 3, 5};
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *n = dialog->findChild<QLineEdit *>(QStringLiteral("txtMortality1"));
            n->setText(QStringLiteral("50"));
            QTest::keyClick(n, Qt::Key_Escape);
        });
        form->child<QPushButton>("btnControlData")->click();
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 3, 5}));
        QVERIFY(!form->modified);
    }

private:
    void SelectTabOf(QWidget *field)
    {
        const QString name = field->objectName();
        if (name.startsWith(QLatin1String("txtOptics")))
            form->parameters->SelectTab(2);
        else if (name.startsWith(QLatin1String("txtMet")))
            form->parameters->SelectTab(3);
        else if (name.startsWith(QLatin1String("txtProduct")))
            form->parameters->SelectTab(4);
        else if (name.startsWith(QLatin1String("txtSprayer")))
            form->parameters->SelectTab(1);
    }
};

QTEST_MAIN(TestPanels)
#include "test_panels.moc"
