// The window as an operator at the microscope meets it: one hand on the keys,
// fields left without Enter, the composite view switched on mid-count, a comma
// locale, and both screen sizes.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"
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

    // Slides at 0 and 5 m, the second one on view.
    void twoSlides()
    {
        m.NewSlide(QStringLiteral("0"));
        m.TypeDrop(QStringLiteral("3"));
        m.TypeDrop(QStringLiteral("4"));
        m.NewSlide(QStringLiteral("5"));
        m.TypeDrop(QStringLiteral("6"));
        m.TypeDrop(QStringLiteral("8"));
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

    // A sweeps value typed and left without Enter reaches the slide before
    // anything reads or replaces it.
    void slideFieldCommittedBefore_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("save") << "save";
        QTest::newRow("close question") << "close";
        QTest::newRow("keyboard slide change") << "ctrl+tab";
        QTest::newRow("tab click") << "click";
        QTest::newRow("composite view") << "composite";
    }
    void slideFieldCommittedBefore()
    {
        QFETCH(QString, action);
        m.Open();
        twoSlides();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("line.csv"));
        if (action == QLatin1String("close")) {
            // Saved first, so only the typed sweeps can make the close ask.
            CCommonDialogs::QueueFileName(file);
            ctrl(Qt::Key_S);
            QVERIFY(!m.Form->IsModified());
        }
        typeInto(box("txtSlideInfo2"), QStringLiteral("3"));
        const int16_t typedOn = m.Form->Set().CurrentSlide;

        if (action == QLatin1String("save")) {
            CCommonDialogs::QueueFileName(file);
            ctrl(Qt::Key_S);
            QVERIFY(!m.Form->IsModified()); // the file holds what the screen shows
        } else if (action == QLatin1String("close")) {
            MessageBoxes::QueueAnswer(MessageBoxes::Cancel);
            QVERIFY(!m.Form->close());
            QCOMPARE(MessageBoxes::LastText(), QStringLiteral("Do you want to save the slide set before closing?"));
        } else if (action == QLatin1String("ctrl+tab")) {
            ctrl(Qt::Key_Tab);
            QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
        } else if (action == QLatin1String("click")) {
            QTest::mouseClick(m.Strip(), Qt::LeftButton, {}, m.Strip()->tabRect(0).center());
            QCOMPARE(m.Form->Set().CurrentSlide, int16_t(1));
        } else {
            composite();
        }
        QCOMPARE(m.Form->Set().Slides[typedOn].Sweeps, 3.0f);
    }

    // In composite view the slide fields change the slide, never the graph tabs.
    void slideFieldsInCompositeView_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::newRow("position") << "txtSlideInfo1" << "7";
        QTest::newRow("sweeps") << "txtSlideInfo2" << "2";
    }
    void slideFieldsInCompositeView()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        m.Open();
        twoSlides();
        composite();
        ctrl(Qt::Key_Tab);
        ctrl(Qt::Key_Tab);
        QCOMPARE(m.Form->View().CompositeView, uint8_t(3));
        const QImage before = picture1();
        const float densityBefore = m.Form->View().Composite.AveDropDensity;

        typeInto(m.Find<QLineEdit>(field), typed);
        QTest::keyClick(focus(), Qt::Key_Return);

        const QStringList graphs = {QStringLiteral("Line Data"), QStringLiteral("Mortality vs. Drop Density"),
                                    QStringLiteral("Range Statistics"), QStringLiteral("Spray Quality")};
        QCOMPARE(m.TabCaptions(), graphs);
        QCOMPARE(m.Strip()->currentIndex(), 2);
        QCOMPARE(m.Form->View().CompositeView, uint8_t(3));
        QVERIFY(m.Form->IsCompositeView());
        if (field == QLatin1String("txtSlideInfo1")) {
            QCOMPARE(m.Form->Set().Slides[2].Position, 7.0f);
        } else {
            // Two sweeps halve the slide's density, and the line's average with it.
            QCOMPARE(m.Form->Set().Current().Sweeps, 2.0f);
            QVERIFY(m.Form->View().Composite.AveDropDensity < densityBefore);
            QVERIFY(picture1() != before);
        }
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
        typeInto(box("txtOptics3"), QStringLiteral("50"));
        QTest::keyClick(box("txtOptics3"), Qt::Key_Return);

        const ViewState &view = m.Form->View();
        QVERIFY(qAbs(view.Composite.CompVMD - 2 * vmdBefore) < 0.01f);
        const NumberFormat &f = m.Form->Format();
        QCOMPARE(m.Label(QStringLiteral("VMDLabel")), f.Format(view.Composite.CompVMD, "0.0") + QStringLiteral(" \u00B5m"));
        QCOMPARE(m.Label(QStringLiteral("DropLabel")),
                 f.Format(view.Composite.AveDropDensity, "0.0") + QStringLiteral(" drops/cm \u00B2"));
        QCOMPARE(m.Label(QStringLiteral("lblSlideInfo5")),
                 QStringLiteral("= ") + f.Format(m.Form->Set().Current().Area, "0.00") + QStringLiteral(" cm \u00B2"));
        QVERIFY(picture1() != lineBefore);
    }

    // A mortality nobody could compute is no 0 % on the card read-out.
    void cardReadoutWithoutMortality()
    {
        m.Open();
        twoSlides();
        typeInto(box("txtMortality1"), QStringLiteral("10"));
        QTest::keyClick(box("txtMortality1"), Qt::Key_Return);
        QTest::keyClicks(box("txtMortality2"), QStringLiteral("4"));
        QTest::keyClick(box("txtMortality2"), Qt::Key_Return);
        QCOMPARE(m.Form->Set().Current().Cage.Down1h, int16_t(4));
        composite();
        QWidget *card = m.Find(QStringLiteral("CardLabel2"));
        QMouseEvent move(QEvent::MouseMove, card->rect().center(), card->mapToGlobal(card->rect().center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(card, &move);
        QVERIFY(m.Shown(QStringLiteral("DataLabel1")));
        for (const char *name : {"DataLabel4", "DataLabel5", "DataLabel6"}) {
            QVERIFY2(!m.Label(QString::fromLatin1(name)).contains(QLatin1String("0.0")), name);
            QCOMPARE(m.Label(QString::fromLatin1(name)).trimmed(), QStringLiteral("-"));
        }
    }

    // Enter, on the main keys or the keypad, presses the focused button.
    void enterPressesFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("opens");
        const int enter = Qt::Key_Return, keypad = Qt::Key_Enter;
        QTest::newRow("New Slide") << "btnNewSlide" << enter << "frmSlidePos";
        QTest::newRow("New Slide, keypad") << "btnNewSlide" << keypad << "frmSlidePos";
        QTest::newRow("Load Slide Set") << "btnLoadData" << enter << "Load Slide Set";
        QTest::newRow("Save Slide Set") << "btnSaveData" << keypad << "Save Slide Set";
        QTest::newRow("Control Data") << "btnControlData" << enter << "frmControlData";
        QTest::newRow("Print") << "btnPrint" << keypad << "print";
    }
    void enterPressesFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, opens);
        m.Open();
        QString opened;
        m.Form->SetPrintHandler([&opened](MainForm &) { opened = QStringLiteral("print"); });
        if (button != QLatin1String("btnNewSlide") && button != QLatin1String("btnLoadData"))
            twoSlides();
        if (button == QLatin1String("btnPrint"))
            composite();
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

    // Alt+M starts the mortality frame at its first box, whatever had the focus there last.
    void altMGoesToNumberInCage_data()
    {
        QTest::addColumn<QString>("lastInFrame");
        QTest::newRow("after Control Data") << "btnControlData";
        QTest::newRow("after 24 hr mortality") << "txtMortality4";
    }
    void altMGoesToNumberInCage()
    {
        QFETCH(QString, lastInFrame);
        m.Open();
        twoSlides();
        typeInto(box("txtMortality1"), QStringLiteral("10"));
        QTest::keyClick(box("txtMortality1"), Qt::Key_Return);
        m.Find(lastInFrame)->setFocus();
        QApplication::processEvents();
        m.Entry()->setFocus();
        QTest::keyClick(m.Entry(), Qt::Key_M, Qt::AltModifier);
        QCOMPARE(focus(), m.Find(QStringLiteral("txtMortality1")));
    }

    // Toggling the composite view never leaves the next key in Slide Position.
    void compositeToggleFocus()
    {
        m.Open();
        twoSlides();
        m.Entry()->setFocus();
        ctrl(Qt::Key_C);
        QCOMPARE(focus(), static_cast<QWidget *>(m.Strip()));
        ctrl(Qt::Key_C);
        QCOMPARE(focus(), static_cast<QWidget *>(m.Entry()));

        // The same through the mouse on the check box.
        auto *check = m.Find<QCheckBox>(QStringLiteral("CompositeCheck"));
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(focus(), static_cast<QWidget *>(m.Strip()));
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(focus(), static_cast<QWidget *>(m.Entry()));
    }

    // Clicking a parameter tab keeps the focus in the tabs.
    void parameterTabClickKeepsFocus()
    {
        m.Open();
        twoSlides();
        auto *tabs = m.Find<QTabWidget>(QStringLiteral("tabParameters"));
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
        QCOMPARE(tabs->currentIndex(), 2);
        QVERIFY(focus() != m.Find(QStringLiteral("optCloud_Slide1")));
        QVERIFY(tabs->isAncestorOf(focus()));
    }

    // The composite graphs write their numbers with the locale's separator.
    void graphNumbersFollowLocale_data()
    {
        QTest::addColumn<int>("graph");
        QTest::newRow("line data") << 1;
        QTest::newRow("mortality vs. drop density") << 2;
    }
    void graphNumbersFollowLocale()
    {
        QFETCH(int, graph);
        QImage drawn[2];
        for (int comma = 0; comma < 2; ++comma) {
            StartUpValues startUp;
            startUp.DecimalSeparator = comma ? QLatin1Char(',') : QLatin1Char('.');
            startUp.ListSeparator = comma ? QStringLiteral(";") : QStringLiteral(",");
            m.Open(768, 0, startUp);
            // A metre of line and ten sweeps a slide: fractional ticks on the
            // position and density axes.
            for (const char *position : {"0", "1"}) {
                m.NewSlide(QString::fromLatin1(position));
                m.TypeDrop(QStringLiteral("5"));
                typeInto(box("txtSlideInfo2"), QStringLiteral("10"));
                QTest::keyClick(box("txtSlideInfo2"), Qt::Key_Return);
            }
            composite();
            for (int i = 1; i < graph; ++i)
                ctrl(Qt::Key_Tab);
            drawn[comma] = picture1();
            m.Close();
        }
        // Same slides, same graph: only the separators in the tick labels differ.
        QVERIFY(drawn[0] != drawn[1]);
    }

    // Both screen layouts keep every frame inside the screen and clear of the
    // others, in slide view and in composite view.
    void layoutGeometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("800x600") << 800 << 600;
        QTest::newRow("1024x768") << 1024 << 768;
    }
    void layoutGeometry()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        m.Open(height);
        twoSlides();
        // Room for a window manager's title bar and borders.
        QVERIFY2(m.Form->width() <= width - 8 && m.Form->height() <= height - 30,
                 qPrintable(QStringLiteral("%1x%2").arg(m.Form->width()).arg(m.Form->height())));
        const QStringList frames = {"SlideStrip", "DataGrid", "frameDataEntry", "frameMortality", "frameSlideInfo",
                                    "frameStats", "frameParameters", "ResultFrame", "btnNewSlide", "btnLoadData",
                                    "btnSaveData", "Picture1"};
        for (bool compositeView : {false, true}) {
            if (compositeView)
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
            // What composite view hides is the entry side only: the slide and its
            // ranges stay in sight (the compact layout has no room beside the graphs).
            if (height >= 768) {
                QVERIFY(m.Shown(QStringLiteral("frameSlideInfo")));
                QVERIFY(m.Shown(QStringLiteral("frameStats")));
            }
        }
        // The warning takes two lines only where the frame is compact.
        ctrl(Qt::Key_C);
        auto *warning = m.Find<QLabel>(QStringLiteral("lblMortalityWarning"));
        QVERIFY(warning->isVisible());
        const int flags = warning->wordWrap() ? int(Qt::TextWordWrap) : 0;
        const int lines = warning->fontMetrics().boundingRect(warning->contentsRect(), flags, warning->text()).height()
            / warning->fontMetrics().lineSpacing();
        QCOMPARE(lines, height < 768 ? 2 : 1);
        QVERIFY(warning->width() >= warning->sizeHint().width());
    }

    // Ten slides: every caption whole, the selected tab in sight.
    void manySlidesInTheStrip_data() { layoutGeometry_data(); }
    void manySlidesInTheStrip()
    {
        QFETCH(int, height);
        m.Open(height);
        for (int i = 1; i <= 10; ++i)
            m.NewSlide(QString::number(i * 12.5));
        QTabBar *strip = m.Strip();
        QCOMPARE(strip->elideMode(), Qt::ElideNone);
        const QFontMetrics fm(strip->font());
        for (int i = 0; i < strip->count(); ++i)
            QVERIFY2(strip->tabRect(i).width() > fm.horizontalAdvance(strip->tabText(i)), qPrintable(strip->tabText(i)));
        for (int slide : {10, 1, 6}) {
            m.Form->Set(); // the selection goes through the strip as a click would
            strip->setCurrentIndex(slide - 1);
            QApplication::processEvents();
            const QRect tab = strip->tabRect(slide - 1);
            QVERIFY2(strip->rect().contains(tab.center()), qPrintable(QString::number(slide)));
        }
    }
};

QTEST_MAIN(TestWindowOperator)
#include "test_window_operator.moc"
