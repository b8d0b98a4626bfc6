// What one typed drop repaints. A see-through control repaints the frame behind
// it, so a frame may repaint only under controls whose text changed: never under
// the histogram (which covers itself) nor under figures that stayed the same,
// and what the repaints leave must be what a full redraw draws.
#include "test_window_fixture.h"

#include "entry/PictureBox.h"

#include <QScreen>

namespace {

// The area each widget was asked to paint, in its own coordinates.
class PaintRecorder : public QObject
{
public:
    QHash<const QObject *, QRegion> Painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            Painted[watched] += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

QString textOf(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *box = qobject_cast<const QLineEdit *>(w))
        return box->text();
    return QString();
}

} // namespace

class TestWindowRepaint : public QObject
{
    Q_OBJECT
    WindowFixture m;

    void settle() const
    {
        QApplication::processEvents();
        QTest::qWait(20);
    }
    QImage shown() const
    {
        return m.Form->screen()->grabWindow(m.Form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage redrawn() const { return m.Form->grab().toImage().convertToFormat(QImage::Format_RGB32); }

private slots:
    void cleanup() { m.Close(); }

    void oneDropRepaintsOnlyWhatChanged_data()
    {
        QTest::addColumn<int>("yres");
        QTest::addColumn<int>("graph");
        QTest::addColumn<QString>("size");
        // Drops that leave the histogram's scale alone, so its axis labels stay.
        QTest::newRow("768, VF") << 768 << 1 << QStringLiteral("1");
        QTest::newRow("600, VF") << 600 << 1 << QStringLiteral("1");
        QTest::newRow("768, CVF") << 768 << 2 << QStringLiteral("7");
        QTest::newRow("600, CNF, largest class") << 600 << 5 << QStringLiteral("12");
    }
    void oneDropRepaintsOnlyWhatChanged()
    {
        QFETCH(int, yres);
        QFETCH(int, graph);
        QFETCH(QString, size);
        m.Open(yres);
        QVERIFY(m.Form->LoadRecoveredSet(qEnvironmentVariable("NIMBREL_TEST_DATA") + QStringLiteral("/realistic-line.csv"),
                                         QString()));
        m.Find<QRadioButton>(QStringLiteral("GraphOption") + QString::number(graph))->click();
        QTest::keyClicks(m.Entry(), size);
        settle();
        const QList<QWidget *> controls = m.Form->findChildren<QWidget *>();
        QHash<const QWidget *, QString> before;
        for (const QWidget *w : controls)
            before[w] = textOf(w);
        const QString drops = m.Label(QStringLiteral("lblSlideInfo6"));

        PaintRecorder recorder;
        qApp->installEventFilter(&recorder);
        QTest::keyClick(m.Entry(), Qt::Key_Return);
        auto *picture = m.Find<PictureBox>(QStringLiteral("ResultPic"));
        QTRY_VERIFY(!recorder.Painted.value(picture).isEmpty());
        settle();
        qApp->removeEventFilter(&recorder);

        QVERIFY(m.Label(QStringLiteral("lblSlideInfo6")) != drops);
        QVERIFY(!recorder.Painted.value(m.Grid()->viewport()).isEmpty());
        QStringList overpainted;
        for (const QGroupBox *frame : m.Form->findChildren<QGroupBox *>()) {
            QRegion changed;
            for (const QWidget *child : frame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                if (child->isVisible() && textOf(child) != before.value(child))
                    changed += child->geometry();
            const QRegion beyond = recorder.Painted.value(frame).subtracted(changed);
            if (!beyond.isEmpty())
                overpainted << frame->objectName() + QLatin1Char(' ')
                        + QString::number(beyond.boundingRect().x()) + QLatin1Char(',')
                        + QString::number(beyond.boundingRect().y());
        }
        QCOMPARE(overpainted, QStringList());

        // Nothing stale: what the repaints left is what a full redraw draws.
        QCOMPARE(shown(), redrawn());
    }
};

QTEST_MAIN(TestWindowRepaint)
#include "test_window_repaint.moc"
