// The window as the operator at the microscope meets it: keys, fields left without Enter, composite view.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"
#include "entry/SlideSetDocument.h"
#include "graphs/LineGraphs.h"
#include "platform/ui/CCommonDialogs.h"

class TestWindowOperator : public QObject
{
    Q_OBJECT
    WindowFixture m;

    QLineEdit *box(const char *name) const { return m.Find<QLineEdit>(QString::fromLatin1(name)); }
    QWidget *focus() const { return QApplication::focusWidget(); }
    void ctrl(Qt::Key key) { QTest::keyClick(focus() ? focus() : m.Form.get(), key, Qt::ControlModifier); }

    // Into a field the way the operator gets there: focus, whole text selected, keys.
    static void typeInto(QLineEdit *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QTest::keyClicks(field, text);
    }
    void enter(const char *name, const QString &text)
    {
        typeInto(box(name), text);
        QTest::keyClick(box(name), Qt::Key_Return);
    }

    // Slides at 0 and 5 m, the second one on view.
    void twoSlides()
    {
        for (auto [at, a, b] : {std::array{"0", "3", "4"}, std::array{"5", "6", "8"}}) {
            m.NewSlide(QLatin1String(at));
            m.TypeDrop(QLatin1String(a)), m.TypeDrop(QLatin1String(b));
        }
        MessageBoxes::ResetLog();
    }
    void composite()
    {
        m.Entry()->setFocus();
        ctrl(Qt::Key_C);
        QVERIFY(m.Form->IsCompositeView());
    }
    QImage picture1() const { return m.Find<PictureBox>(QStringLiteral("Picture1"))->Image().copy(); }

private slots:
    void cleanup()
    {
        m.Close();
        CCommonDialogs::ClearQueue();
    }

    // A sweeps value typed and left without Enter reaches the slide before it is saved.
    void slideFieldCommittedBefore_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("save") << false;
        QTest::newRow("close question") << true;
    }
    void slideFieldCommittedBefore()
    {
        QFETCH(bool, close);
        m.Open();
        twoSlides();
        QTemporaryDir dir;
        CCommonDialogs::QueueFileName(dir.filePath(QStringLiteral("line.csv")));
        if (close) { // saved first, so only the typed sweeps can make the close ask
            ctrl(Qt::Key_S);
            QVERIFY(!m.Form->IsModified());
        }
        typeInto(box("txtSlideInfo2"), QStringLiteral("3"));
        const int16_t typedOn = m.Form->Set().CurrentSlide;
        if (close) {
            MessageBoxes::QueueAnswer(MessageBoxes::Cancel);
            QVERIFY(!m.Form->close());
            QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Do you want to save the slide set before closing?"));
        } else {
            ctrl(Qt::Key_S);
            QVERIFY(!m.Form->IsModified()); // the file holds what the screen shows
        }
        QCOMPARE(m.Form->Set().Slides[typedOn].Sweeps, 3.0f);
    }

    // In composite view a slide field changes the slide and its figures, never the graph tabs.
    void slideFieldInCompositeView()
    {
        m.Open();
        twoSlides();
        composite();
        ctrl(Qt::Key_Tab);
        ctrl(Qt::Key_Tab);
        QCOMPARE(m.Form->View().CompositeView, uint8_t(3));
        const QImage before = picture1();
        const float densityBefore = m.Form->View().Composite.AveDropDensity;
        enter("txtSlideInfo2", QStringLiteral("2"));

        QCOMPARE(m.Strip()->currentIndex(), 2);
        QVERIFY(m.Form->IsCompositeView());
        // Two sweeps halve the slide's density, and the line's average with it.
        QCOMPARE(m.Form->Set().Current().Sweeps, 2.0f);
        QVERIFY(m.Form->View().Composite.AveDropDensity < densityBefore);
        QVERIFY(picture1() != before);
    }

    // An optic changed in composite view shows the new figures everywhere.
    void opticsChangedInCompositeView()
    {
        m.Open();
        twoSlides();
        composite();
        const float vmdBefore = m.Form->View().Composite.CompVMD;
        const QImage lineBefore = picture1();
        m.Find<QTabWidget>(QStringLiteral("tabParameters"))->setCurrentIndex(1);
        enter("txtOptics3", QStringLiteral("50"));
        const ViewState &view = m.Form->View();
        QVERIFY(qAbs(view.Composite.CompVMD - 2 * vmdBefore) < 0.01f);
        const NumberFormat &f = m.Form->Format();
        QCOMPARE(m.Label(QStringLiteral("VMDLabel")), f.Format(view.Composite.CompVMD, "0.0") + QStringLiteral(" \u00B5m"));
        QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")),
                 QStringLiteral("= ") + f.Format(m.Form->Set().Current().Area, "0.00") + QStringLiteral(" cm \u00B2"));
        QVERIFY(picture1() != lineBefore);
    }

    // A mortality nobody could compute is no 0 % on the card read-out.
    void mortalityFrameAndCardReadout()
    {
        m.Open();
        twoSlides();
        enter("txtMortality1", QStringLiteral("10"));
        enter("txtMortality2", QStringLiteral("4"));
        // Alt+M starts the mortality frame at its first box, whatever had the focus there last.
        for (const char *lastInFrame : {"btnControlData", "txtMortality4"}) {
            m.Find(QString::fromLatin1(lastInFrame))->setFocus();
            QApplication::processEvents();
            m.Entry()->setFocus();
            QTest::keyClick(m.Entry(), Qt::Key_M, Qt::AltModifier);
            QCOMPARE(focus(), m.Find(QStringLiteral("txtMortality1")));
        }
        composite();
        QWidget *card = m.Find(QStringLiteral("CardLabel2"));
        QMouseEvent move(QEvent::MouseMove, card->rect().center(), card->mapToGlobal(card->rect().center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(card, &move);
        QVERIFY(m.Shown(QStringLiteral("DataLabel1")));
        for (const char *name : {"DataLabel4", "DataLabel5", "DataLabel6"})
            QCOMPARE(m.Label(QString::fromLatin1(name)).trimmed(), QStringLiteral("-"));
    }

    // A line with more slides than card labels are made for gets its cards drawn
    // on the graph; resting the pointer on one still shows that slide's read-out.
    void longLineCardsDrawn()
    {
        m.Open();
        SlideSet &set = m.Form->Set();
        for (int i = 1; i <= 1000; ++i)
            AddSlide(set, float(i) / 100);
        const int16_t far = AddSlide(set, 1000); // alone at the right end
        SetDropCount(set, 3, 5, far, m.Form->View().LargestSizeFound);
        set.CurrentSlide = 0;
        m.Form->ShowLoadedSlideSet();
        m.Strip()->setFocus();
        ctrl(Qt::Key_C);
        QVERIFY(m.Form->IsCompositeView());
        for (const QLabel *card : m.Form->findChildren<QLabel *>(QRegularExpression(QStringLiteral("^CardLabel"))))
            QVERIFY(!card->isVisible());

        auto *picture = m.Find<PictureBox>(QStringLiteral("Picture1"));
        QImage same(picture->Image().size(), QImage::Format_RGB32);
        LineDataResult result;
        {
            DrawingSurface surface(&same, picture->OuterHeight());
            result = DrawLineData(surface, set, m.Form->View(), LineDataOptions());
        }
        const QPoint centre = result.Cards[size_t(far - 1)].Rect.center();
        QVERIFY(picture1().pixelColor(centre) != same.pixelColor(centre)); // drawn there, not left to a label
        const auto moveTo = [picture](QPoint at) {
            at += picture->contentsRect().topLeft();
            QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(picture, &move);
        };
        moveTo(centre);
        QVERIFY(m.Shown(QStringLiteral("DataLabel1")));
        moveTo(centre + QPoint(0, 3 * result.Cards[0].Rect.height()));
        QVERIFY(!m.Shown(QStringLiteral("DataLabel1")));
    }

    // The four cage boxes stand evenly spaced in both layouts and stay put; the
    // percentages beside them go as soon as the number in cage is emptied, and
    // come back when it is typed again.
    void mortalityRows_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("800x600") << 600;
        QTest::newRow("1024x768") << 768;
    }
    void mortalityRows()
    {
        QFETCH(int, height);
        m.Open(height);
        twoSlides();
        m.Form->Document().SetControlData({20, 1, 2, 3});
        const QStringList counts = {"20", "5", "6", "9"};
        for (int i = 1; i <= 4; ++i)
            enter(qPrintable(QStringLiteral("txtMortality%1").arg(i)), counts[i - 1]);
        const auto tops = [this] {
            QList<int> y;
            for (int i = 1; i <= 4; ++i)
                y << box(qPrintable(QStringLiteral("txtMortality%1").arg(i)))->geometry().top();
            return y;
        };
        const auto percentages = [this] {
            QStringList shown;
            for (int i = 5; i <= 7; ++i)
                shown << (m.Shown(QStringLiteral("lblMortality%1").arg(i)) ? m.Label(QStringLiteral("lblMortality%1").arg(i))
                                                                          : QString());
            return shown.join(QLatin1Char('|'));
        };
        const QList<int> rows = tops();
        for (int i = 1; i < 3; ++i)
            QVERIFY2(std::abs((rows[i + 1] - rows[i]) - (rows[1] - rows[0])) <= 1,
                     qPrintable(QStringLiteral("box tops %1 %2 %3 %4").arg(rows[0]).arg(rows[1]).arg(rows[2]).arg(rows[3])));
        const QString results = percentages();
        QVERIFY2(results.count(QLatin1Char('%')) == 3, qPrintable(results));

        QLineEdit *inCage = box("txtMortality1");
        inCage->setFocus(Qt::TabFocusReason);
        QTest::keyClick(inCage, Qt::Key_Backspace);
        QApplication::processEvents();
        QCOMPARE(percentages(), QStringLiteral("||"));
        QCOMPARE(tops(), rows);
        QTest::keyClicks(inCage, QStringLiteral("20"));
        QTest::keyClick(inCage, Qt::Key_Return);
        QCOMPARE(m.Form->Set().Current().Cage, (MortalityCounts{20, 5, 6, 9}));
        QCOMPARE(percentages(), results);
        QCOMPARE(tops(), rows);
    }

    // Enter, on the main keys or the keypad, presses the focused button.
    void enterPressesFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("opens");
        const int enter = Qt::Key_Return, keypad = Qt::Key_Enter;
        QTest::newRow("New Slide") << "btnNewSlide" << enter << "frmSlidePos";
        QTest::newRow("Save Slide Set") << "btnSaveData" << keypad << "Save Slide Set";
    }
    void enterPressesFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, opens);
        m.Open();
        if (button != QLatin1String("btnNewSlide"))
            twoSlides();
        QString opened;
        CCommonDialogs::ResetLog();
        CCommonDialogs::QueueCancel();
        auto *target = m.Find<QPushButton>(button);
        QVERIFY(target->isVisible() && target->isEnabled());
        target->setFocus();
        QTimer::singleShot(0, m.Form.get(), [&opened] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                opened = QString::fromLatin1(dialog->metaObject()->className());
                dialog->reject();
            }
        });
        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QApplication::processEvents();
        if (CCommonDialogs::ShownCount() > 0)
            opened = CCommonDialogs::LastTitle();
        QCOMPARE(opened, opens);
    }

    // Both screen layouts, in slide view and in composite view.
    void layoutGeometry_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("800x600") << 600;
        QTest::newRow("1024x768") << 768;
    }
    void layoutGeometry()
    {
        QFETCH(int, height);
        const int width = height * 4 / 3;
        m.Open(height);
        twoSlides();
        QVERIFY(m.Form->width() <= width - 8 && m.Form->height() <= height - 30); // title bar and borders
        const QStringList frames = {"SlideStrip", "DataGrid", "frameDataEntry", "frameMortality", "frameSlideInfo", "frameStats",
                                    "frameParameters", "ResultFrame", "btnNewSlide", "btnLoadData", "btnSaveData", "Picture1"};
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) // composite view
                composite();
            QList<QPair<QString, QRect>> shown;
            for (const QString &name : frames) {
                QWidget *w = m.Find(name);
                if (w->isVisible())
                    shown.append({name, QRect(w->mapTo(m.Form.get(), QPoint(0, 0)), w->size())});
            }
            for (int i = 0; i < shown.size(); ++i) {
                QVERIFY2(m.Form->rect().contains(shown[i].second), qPrintable(shown[i].first));
                for (int j = i + 1; j < shown.size(); ++j)
                    QVERIFY2(!shown[i].second.intersects(shown[j].second),
                             qPrintable(shown[i].first + QStringLiteral(" over ") + shown[j].first));
            }
            if (height >= 768) // room beside the graphs for the slide and its ranges
                QVERIFY(m.Shown(QStringLiteral("frameSlideInfo")) && m.Shown(QStringLiteral("frameStats")));
        }
    }
};

QTEST_MAIN(TestWindowOperator)
#include "test_window_operator.moc"
