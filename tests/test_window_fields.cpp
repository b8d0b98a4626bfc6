// Every entry field answers the keys in one way: Enter on either keyboard commits,
// keys a number cannot hold are refused, and what is still typed is committed first.
// The count table and the label limits dialog do the same.
#include "test_window_fixture.h"

class TestWindowFields : public QObject
{
    Q_OBJECT
    WindowFixture m;

    const Slide &slide(int i) const { return m.Form->Set().Slides[i]; }
    QLineEdit *box(const QString &name) const { return m.Find<QLineEdit>(name); }
    void overtype(QLineEdit *field, const QString &text)
    {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
        QTest::keyClicks(field, text);
    }

private slots:
    void init()
    {
        m.Open();
        m.NewSlide(QStringLiteral("0"));
    }
    void cleanup() { m.Close(); }

    // What each field keeps of the same keys, and what keypad Enter makes of it.
    void typedAndEntered_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("kept");
        QTest::newRow("drop: whole divisions only") << "txtDataEntry" << "1.2a-" << "12";
        QTest::newRow("position: one separator") << "txtSlideInfo1" << "2.5.x" << "2.5";
        QTest::newRow("sweeps: no sign") << "txtSlideInfo2" << "-3.5" << "3.5";
        QTest::newRow("count table: whole drops") << "DataGrid" << "1a2-" << "12";
    }
    void typedAndEntered()
    {
        QFETCH(QString, field);
        QFETCH(QString, keys);
        QFETCH(QString, kept);
        if (field == QLatin1String("DataGrid")) {
            // Typed into the count of size class 3; Enter takes it and goes on to class 4.
            m.Grid()->setFocus();
            m.Grid()->setCurrentCell(2, 2);
            QTest::keyClicks(m.Grid(), keys);
            QCOMPARE(m.Cell(3, 2), kept);
            QTest::keyClick(m.Grid(), Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(slide(1).Counts[3], int16_t(kept.toShort()));
            QCOMPARE(m.CurrentGridRow(), 4);
            return;
        }
        QLineEdit *target = box(field);
        overtype(target, keys);
        if (field != QLatin1String("txtSlideInfo1"))
            QCOMPARE(target->text(), kept);
        QTest::keyClick(target, Qt::Key_Enter, Qt::KeypadModifier);
        if (field == QLatin1String("txtDataEntry")) {
            QCOMPARE(slide(1).Counts[12], int16_t(1));
            QVERIFY(target->text().isEmpty());
        } else if (field == QLatin1String("txtSlideInfo1")) {
            QCOMPARE(slide(1).Position, kept.toFloat());
            QCOMPARE(m.TabCaptions(), QStringList{kept + QStringLiteral(" m")});
        } else {
            QCOMPARE(slide(1).Sweeps, kept.toFloat());
        }
    }

    // Minus turns the position's sign and keeps the selection for overtyping.
    void positionSignTurns()
    {
        QLineEdit *position = box(QStringLiteral("txtSlideInfo1"));
        overtype(position, QStringLiteral("12"));
        position->setSelection(0, 2);
        QTest::keyClick(position, Qt::Key_Minus);
        QCOMPARE(position->text(), QStringLiteral("-12"));
        QCOMPARE(position->selectedText(), QStringLiteral("12"));
        QTest::keyClick(position, Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(position->text(), QStringLiteral("12"));
        QTest::keyClick(position, Qt::Key_Minus);
        QTest::keyClick(position, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(slide(1).Position, -12.0f);
    }

    // In New Slide, too: keypad Enter takes the position, only the keypad minus turns its sign.
    void newSlidePosition()
    {
        QString typed;
        QTimer::singleShot(0, m.Form.get(), [&typed] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *position = dialog->findChild<QLineEdit *>(QStringLiteral("txtSlidePos"));
            QTest::keyClicks(position, QStringLiteral("3.2.5x"));
            QTest::keyClick(position, Qt::Key_Minus); // typed, not turned
            QTest::keyClick(position, Qt::Key_Minus, Qt::KeypadModifier);
            typed = position->text();
            QTest::keyClick(position, Qt::Key_Enter, Qt::KeypadModifier);
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseClick(m.Find<QPushButton>(QStringLiteral("btnNewSlide")), Qt::LeftButton);
        QCOMPARE(typed, QStringLiteral("-3.25"));
        QCOMPARE(m.Form->Set().SlideCount(), int16_t(2));
        QCOMPARE(slide(1).Position, -3.25f);
    }

    // Leaving a slide field or the count table commits what is typed there.
    void leavingCommits()
    {
        overtype(box(QStringLiteral("txtSlideInfo2")), QStringLiteral("4"));
        m.Entry()->setFocus(Qt::TabFocusReason);
        QCOMPARE(slide(1).Sweeps, 4.0f);

        m.Grid()->setFocus();
        m.Grid()->setCurrentCell(2, 2);
        QTest::keyClicks(m.Grid(), QStringLiteral("6"));
        QCOMPARE(slide(1).Counts[3], int16_t(0));
        m.Entry()->setFocus(Qt::TabFocusReason);
        QCOMPARE(slide(1).Counts[3], int16_t(6));
        QCOMPARE(m.Cell(3, 3).trimmed(), QStringLiteral("18"));
    }

    // The label limits dialog: only a diameter can be typed, Enter on either
    // keyboard goes on box by box to OK, and Enter there keeps the limits.
    void labelLimitsByKeys()
    {
        m.NewSlide(QStringLiteral("10"));
        m.Key(Qt::Key_C, Qt::ControlModifier, m.Entry());
        m.Strip()->setCurrentIndex(3);
        QStringList path; // the focus after each Enter, and what each box kept
        QTimer::singleShot(0, m.Form.get(), [&path] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QStringLiteral("frmLabelLimits"))
                return;
            dialog->findChild<QLineEdit *>(QStringLiteral("txtDv05From"))->setFocus();
            const std::pair<const char *, Qt::Key> typing[] = {
                {"6a0.5.x-", Qt::Key_Return}, {"8-0", Qt::Key_Enter}, {"1,30e", Qt::Key_Return}};
            for (const auto &[keys, enter] : typing) {
                auto *box = qobject_cast<QLineEdit *>(dialog->focusWidget());
                if (!box)
                    break;
                QTest::keyClicks(box, QString::fromLatin1(keys));
                path << box->objectName() + QLatin1Char('=') + box->text();
                QTest::keyClick(box, enter, enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            }
            if (QWidget *focus = dialog->focusWidget()) {
                path << focus->objectName();
                QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
            }
            if (dialog->isVisible())
                dialog->close();
        });
        QTest::mouseClick(m.Find<QPushButton>(QStringLiteral("btnLabelLimits")), Qt::LeftButton);
        QCOMPARE(path.join(QLatin1Char(' ')),
                 QStringLiteral("txtDv05From=60.5 txtDv05To=80 txtDv09Below=130 cmdOK"));
        const LabelLimits kept = LoadLabelLimits(m.Store, m.Form->Format());
        QCOMPARE(kept.Dv05From, std::optional<float>(60.5f));
        QCOMPARE(kept.Dv09Below, std::optional<float>(130.0f));
    }

    // Print sees a spread factor still being typed.
    void printCommitsWhatIsTyped()
    {
        m.TypeDrop(QStringLiteral("4"));
        m.NewSlide(QStringLiteral("10"));
        m.TypeDrop(QStringLiteral("4"));
        float seen = 0;
        m.Form->SetPrintHandler([&] { seen = m.Form->Set().Params.SpreadFactor; });
        m.Key(Qt::Key_C, Qt::ControlModifier);
        m.Find<QTabWidget>(QStringLiteral("tabParameters"))->setCurrentIndex(1);
        overtype(box(QStringLiteral("txtOptics4")), QStringLiteral("0.5"));
        m.Key(Qt::Key_P, Qt::ControlModifier, box(QStringLiteral("txtOptics4")));
        QCOMPARE(seen, 0.5f);
    }
};

QTEST_MAIN(TestWindowFields)
#include "test_window_fields.moc"
