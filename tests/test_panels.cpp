// The parameter tabs, the mortality frame and the control data dialog beside a stand-in main window.
#include "entry/MainFormContext.h"
#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/SlideSetDocument.h"
#include "entry/frmControlData.h"
#include "platform/ui/MessageBoxes.h"

#include <QtTest>
#include <QtWidgets>

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
    const SlideSet &Set() const override { return set; }
    SlideSetDocument &Document() override { return document; }
    ViewState &View() override { return view; }
    const NumberFormat &Format() const override { return format; }
    QString ListSeparator() const override { return QStringLiteral(","); }
    QString &InitialDir() override { return initialDir; }
    QWidget *Window() override { return this; }
    bool IsCompositeView() const override { return false; }
    void RefreshCurrentSlide() override { ++refreshes, mortality->ShowMortality(); }
    void ApplyUnitLabels() override { parameters->ApplyUnitLabels(); }
    void ResizeCountTable() override { ++tableResizes; }
    // Graphs and the Save/Load side are tried on the real window.
    void CalcCompositeAndMedians() override {}
    void RewriteDiameterColumn() override {}
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
        mortality->ShowMortality();
    }
    template <typename T = QLineEdit> T *child(const QString &name) { return findChild<T *>(name); }
    QString label(const QString &name) { return child<QLabel>(name)->text(); }

    SlideSet set;
    ViewState view;
    SlideSetDocument document{set, view.LargestSizeFound};
    NumberFormat format{QLatin1Char('.')};
    QString initialDir = QStringLiteral("/");
    int refreshes = 0, tableResizes = 0;
    ParameterPanel *parameters;
    MortalityPanel *mortality;
};

static void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

// Each caption names its box, left of it on its row; each result stands on the row of its count.
static void checkCountRows(QWidget *host, int counts)
{
    auto row = [host](QWidget *w) { return QRect(w->mapTo(host, QPoint(0, 0)), w->size()); };
    for (int i = 1; i <= counts; ++i) {
        auto *caption = host->findChild<QLabel *>(QStringLiteral("lblMortality%1").arg(i));
        auto *box = host->findChild<QLineEdit *>(QStringLiteral("txtMortality%1").arg(i));
        QVERIFY2(caption && box, qPrintable(QString::number(i)));
        QCOMPARE(caption->buddy(), box);
        QCOMPARE_LE(row(caption).right(), row(box).left());
        QCOMPARE(row(caption).center().y(), row(box).center().y());
        if (i == 1)
            continue;
        auto *result = host->findChild<QLabel *>(QStringLiteral("lblMortality%1").arg(counts + i - 1));
        QVERIFY(result && result->isVisible());
        QCOMPARE_LE(row(box).right(), row(result).left());
        QCOMPARE(row(result).center().y(), row(box).center().y());
    }
}

class TestPanels : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeMainForm> form;

    // Opens the control data dialog with its button and runs `inDialog` in it.
    void withControlDialog(const std::function<void(frmControlData &)> &inDialog)
    {
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<frmControlData *>(QApplication::activeModalWidget())) {
                QApplication::setActiveWindow(dialog);
                inDialog(*dialog);
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        form->child<QPushButton>(QStringLiteral("btnControlData"))->click();
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

    // What typing leaves in each kind of field; a text field refuses the list separator.
    void typing()
    {
        form->addSlide(0, 1); // enables the mortality boxes
        const QList<std::tuple<int, QString, QString, QString>> cases = {
            {3, "txtMet1", "-12", "12"}, {3, "txtMet2", "1.2.5", "1.25"},
            {1, "txtSprayer1", "A-1 Spray, Inc.", "A-1 Spray Inc."}, {0, "txtMortality1", "2a.0-", "20"}};
        for (const auto &[tab, field, keys, shown] : cases) {
            form->parameters->SelectTab(tab ? tab : 1);
            auto *box = form->child(field);
            box->setFocus();
            box->clear();
            QTest::keyClicks(box, keys);
            QCOMPARE(box->text(), shown);
        }
    }

    void unitsAndScanLengthInInches()
    {
        form->addSlide(0, 5);
        auto *scan = form->child(QStringLiteral("txtOptics1"));
        form->parameters->SelectTab(5);
        form->child<QRadioButton>(QStringLiteral("optUnits0"))->click();
        QCOMPARE(scan->text(), QStringLiteral("0.787"));
        typeOptics(1, QStringLiteral("0")); // refused: the length would divide by nothing
        QCOMPARE(scan->text(), QStringLiteral("0.787"));
        typeOptics(1, QStringLiteral("0.787")); // passing through changes nothing
        QCOMPARE(form->set.Params.ScanLength, 2.0f);
        typeOptics(1, QStringLiteral("1"));
        QCOMPARE(form->set.Params.ScanLength, float(100.0 / (3.2808 * 12)));
        QCOMPARE(form->set.Slides[1].Area, float(1.0 * form->set.Params.ScanLength * 20 * 25 * 0.0001));
        QCOMPARE(form->refreshes, 1);
        form->parameters->SelectTab(5);
        form->child<QRadioButton>(QStringLiteral("optUnits1"))->click();
        QCOMPARE(scan->text(), QStringLiteral("2.54"));
    }

    // Lowering the largest size asks before it deletes drops; raising it only adds rows.
    void maxEPDChange()
    {
        form->addSlide(10, 15);
        form->addSlide(20, 18);
        form->addSlide(30, 4);
        auto *maxEPD = form->child(QStringLiteral("txtOptics2"));
        MessageBoxes::QueueAnswer(MessageBoxes::No);
        typeOptics(2, QStringLiteral("12"));
        QCOMPARE(maxEPD->text(), QStringLiteral("20"));
        typeOptics(2, QStringLiteral("40000")); // beyond 16 bits
        QCOMPARE(maxEPD->text(), QStringLiteral("20"));
        QVERIFY(!form->document.IsModified());
        typeOptics(2, QStringLiteral("25"));
        QCOMPARE(MessageBoxes::ShownCount(), 1);
        QCOMPARE(form->set.Slides[1].Counts.size(), size_t(26));
        QCOMPARE(form->set.Slides[1].Counts[15], int16_t(2));

        MessageBoxes::QueueAnswer(MessageBoxes::Yes);
        typeOptics(2, QStringLiteral("10"));
        QCOMPARE(MessageBoxes::ShownCount(), 2);
        QVERIFY(MessageBoxes::LastText().startsWith(QStringLiteral("Some drops have been found with diameters larger than 10 EPD.")));
        QCOMPARE(form->set.Slides[2].Counts.size(), size_t(11));
        QCOMPARE(form->set.Slides[1].TotalDrops, 3);
        QCOMPARE(form->set.Slides[3].Counts[4], int16_t(2)); // below the limit: kept
        QCOMPARE(form->view.LargestSizeFound, int16_t(4));
        QCOMPARE(form->set.Slides[1].Area, float(2 * 10 * 25 * 0.0001));
        QCOMPARE(form->tableResizes, 2);
    }

    void cageCountsOnScreen()
    {
        form->addSlide(10, 3);
        QVERIFY(form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible()); // no control data
        form->set.ControlData = {20, 0, 2, 2};
        form->mortality->ShowMortality();
        const QStringList typed = {"20", "5", "2", "12"};
        for (int i = 1; i <= 4; ++i)
            typeAndEnter(form->child(QStringLiteral("txtMortality%1").arg(i)), typed[i - 1]);
        QCOMPARE(form->set.Slides[1].Cage, (MortalityCounts{20, 5, 2, 12}));
        QCOMPARE(QApplication::focusWidget(), form->child<QWidget>(QStringLiteral("btnControlData")));
        QCOMPARE(form->label(QStringLiteral("lblMortality5")), QStringLiteral("= 25.00%"));
        QCOMPARE(form->label(QStringLiteral("lblMortality7")), QStringLiteral("= 55.56%"));
        QVERIFY(!form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible());
        checkCountRows(form->mortality, 4);

        // No number in the cage: the counts under it empty and close, and nothing is computed.
        auto *inCage = form->child(QStringLiteral("txtMortality1"));
        inCage->setFocus();
        inCage->selectAll();
        QTest::keyClick(inCage, Qt::Key_Backspace);
        for (int i = 2; i <= 4; ++i)
            QVERIFY(form->child(QStringLiteral("txtMortality%1").arg(i))->text().isEmpty());
        QVERIFY(!form->child(QStringLiteral("txtMortality3"))->isEnabled());
        QTest::keyClick(inCage, Qt::Key_Return);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));
        QVERIFY(!form->set.Slides[1].Mortality24h);
        QCOMPARE(QApplication::focusWidget(), inCage); // the next box is disabled
    }

    // A count typed and then left by a keyboard slide change (no focus move) lands
    // on the slide it was typed for, even when a new slide sorts in before it.
    void pendingCountFollowsItsSlide()
    {
        form->addSlide(10, 3);
        form->addSlide(20, 3);
        auto *inCage = form->child(QStringLiteral("txtMortality1"));
        form->showSlide(1);
        inCage->setFocus();
        QTest::keyClicks(inCage, QStringLiteral("30"));
        form->showSlide(2);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(30));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(0));
        QCOMPARE(inCage->text(), QString());
        form->showSlide(1); // the boxes emptied for slide 2 were no edit
        QCOMPARE(inCage->text(), QStringLiteral("30"));
        inCage->selectAll();
        QTest::keyClicks(inCage, QStringLiteral("44"));
        form->showSlide(SortSlidesByPosition(form->set, AddSlide(form->set, 5))); // sorts in as slide 1
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(0));  // position 5
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(44)); // position 10
        // Still in the box, the next count belongs to the slide now shown.
        QTest::keyClicks(inCage, QStringLiteral("40"));
        form->showSlide(3);
        QCOMPARE(form->set.Slides[1].Cage.NumInCage, int16_t(40));
        QCOMPARE(form->set.Slides[2].Cage.NumInCage, int16_t(44));
    }

    void controlDialogAcceptAndClear()
    {
        form->addSlide(10, 3, {20, 5, 0, 12});
        form->addSlide(20, 3, {10, 0, 0, 1});
        withControlDialog([](frmControlData &dialog) {
            auto *accept = dialog.findChild<QPushButton *>(QStringLiteral("btnAccept"));
            QVERIFY(!accept->isEnabled());
            typeAndEnter(dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1")), QStringLiteral("20"));
            typeAndEnter(dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality2")), QStringLiteral("3"));
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lblMortality4"))->text(), QStringLiteral("= 15.0%"));
            typeAndEnter(dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality3")), QStringLiteral("2"));
            QCOMPARE(QApplication::focusWidget(), accept);
            checkCountRows(&dialog, 3);
            accept->click();
        });
        QCOMPARE(form->set.ControlData, (MortalityCounts{20, 0, 3, 2}));
        // The control cage corrects every slide, not only the one on view.
        QCOMPARE(form->set.Slides[1].Mortality24h.value_or(-1), float(1.0 - (8.0 / 20.0) / (18.0 / 20.0)));
        QCOMPARE(form->set.Slides[2].Mortality24h.value_or(-1), 0.0f);
        // Accepting an empty control cage clears the control data.
        withControlDialog([](frmControlData &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("txtMortality1"))->setText(QStringLiteral("0"));
            dialog.findChild<QPushButton *>(QStringLiteral("btnAccept"))->click();
        });
        QCOMPARE(form->set.ControlData, MortalityCounts());
        QVERIFY(form->child<QLabel>(QStringLiteral("lblMortalityWarning"))->isVisible());
    }
};

QTEST_MAIN(TestPanels)
#include "test_panels.moc"
