// The real program, driven through its test feed, killed while counting and started
// again: every drop typed over two seconds before the kill comes back, as unsaved work.
#include "files/SlideSetFile.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <map>
#include <optional>

namespace {

using Counts = std::map<std::pair<float, int>, int>; // (position, size class) → drops

class Program
{
public:
    explicit Program(const QTemporaryDir &home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A profile of the test's own: the user's settings and recovery files stay untouched.
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // "," between fields, "." in numbers
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(NIMBREL_EXE), {QStringLiteral("--test-feed")});
        QVERIFY2(m_process.waitForStarted(10000), qPrintable(m_process.errorString()));
    }
    ~Program() { m_process.kill(), m_process.waitForFinished(10000); }

    void Send(const QString &line) { m_process.write((line + QLatin1Char('\n')).toUtf8()); }
    struct State { SlideSet Set; bool Modified = false; qint64 Drops = 0; };

    // Asks until the program, having worked through everything sent before, reports a state `wanted` accepts.
    std::optional<State> WaitFor(const std::function<bool(const State &)> &wanted)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000) {
            Send(QStringLiteral("state"));
            if (!m_process.waitForReadyRead(2000))
                continue;
            while (m_process.canReadLine()) {
                const QList<QByteArray> parts = m_process.readLine().trimmed().split(' ');
                if (parts.size() != 3 || parts[0] != "state")
                    continue;
                LoadResult read = ReadSlideSetBytes(QByteArray::fromBase64(parts[2]), QStringLiteral(","), NumberFormat());
                if (!read.Loaded)
                    continue;
                State state{read.Loaded->Set, parts[1] == "1", 0};
                for (int16_t i = 1; i <= state.Set.SlideCount(); ++i)
                    state.Drops += state.Set.Slides[i].TotalDrops;
                if (wanted(state))
                    return state;
            }
            QTest::qWait(100);
        }
        return std::nullopt;
    }
    bool WaitForDrops(qint64 drops) { return WaitFor([drops](const State &s) { return s.Drops == drops; }).has_value(); }

    // The position dialog runs its own event loop: only once the slide is there can the drop box take the focus.
    bool NewSlide(const QString &position, int16_t slides)
    {
        Send(QStringLiteral("key Ctrl+N\ntype ") + position + QStringLiteral("\nkey Return"));
        const bool there = WaitFor([slides](const State &s) { return s.Set.SlideCount() == slides; }).has_value();
        Send(QStringLiteral("focus txtDataEntry"));
        return there;
    }
    void Drop(int size) { Send(QStringLiteral("type %1\nkey Return").arg(size)); }

    void Kill() { m_process.kill(); QVERIFY(m_process.waitForFinished(10000)); } // SIGKILL: no clean-up of any kind

private:
    QProcess m_process;
};

Counts CountsOf(const SlideSet &set)
{
    Counts counts;
    for (int16_t i = 1; i <= set.SlideCount(); ++i)
        for (size_t k = 1; k < set.Slides[i].Counts.size(); ++k)
            if (set.Slides[i].Counts[k] > 0)
                counts[{set.Slides[i].Position, int(k)}] = set.Slides[i].Counts[k];
    return counts;
}

} // namespace

class TestRecoveryCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedMidCountAndRecovered()
    {
        QTemporaryDir home;
        Counts typed;
        qint64 typedCount = 0;
        {
            Program program(home);
            // Two slides counted, then a pause longer than the recovery interval.
            const std::pair<QString, std::vector<int>> early[] = {{QStringLiteral("10"), {3, 5, 5, 7, 12}},
                                                                  {QStringLiteral("20"), {1, 2, 2, 2, 20, 9}}};
            int16_t slides = 0;
            for (const auto &[position, sizes] : early) {
                QVERIFY(program.NewSlide(position, ++slides));
                for (int size : sizes) {
                    program.Drop(size);
                    ++typed[{position.toFloat(), size}];
                    ++typedCount;
                }
            }
            QVERIFY(program.WaitForDrops(typedCount));
            QTest::qWait(2600);
            // Typed just before the kill: these may or may not be on disk yet.
            for (int size : {4, 4, 6})
                program.Drop(size);
            QVERIFY(program.WaitForDrops(typedCount + 3));
            program.Kill();
        }

        Program again(home);
        again.Send(QStringLiteral("key Return")); // the question's default button: Yes
        const auto recovered = again.WaitFor([](const auto &s) { return s.Set.SlideCount() > 0; });
        QVERIFY(recovered && recovered->Modified);
        QCOMPARE(recovered->Set.SlideCount(), int16_t(2));
        // Everything typed before the pause is back; of the late drops, whatever reached the disk.
        Counts found = CountsOf(recovered->Set);
        for (const auto &[key, n] : typed) {
            QVERIFY2(found[key] >= n, qPrintable(QStringLiteral("position %1 size %2: %3 of %4 drops")
                                                      .arg(key.first).arg(key.second).arg(found[key]).arg(n)));
            found[key] -= n;
        }
        for (const auto &[key, n] : found)
            QVERIFY2(n == 0 || (key.first == 20.0f && (key.second == 4 || key.second == 6)),
                     "a drop that was never typed");
    }
};

QTEST_GUILESS_MAIN(TestRecoveryCrash)
#include "test_recovery_crash.moc"
