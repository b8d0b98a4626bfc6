// The real program started with a file, as a double-click in a file manager
// starts it, and asked for its help and version where no display exists.
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString dataFile(const char *name)
{
    return QString::fromLocal8Bit(qgetenv("NIMBREL_TEST_DATA")) + QLatin1Char('/') + QLatin1String(name);
}

QProcessEnvironment profile(const QTemporaryDir &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A profile of the test's own: the user's settings and recovery files stay untouched.
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")); // "," between fields, "." in numbers
    return env;
}

// Sends `request` until the program answers with a line starting `prefix`.
QString ask(QProcess &program, const QString &request, const QString &prefix)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        program.write((request + QLatin1Char('\n')).toUtf8());
        if (!program.waitForReadyRead(1000))
            continue;
        while (program.canReadLine()) {
            const QString line = QString::fromUtf8(program.readLine()).trimmed();
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
        }
    }
    return QStringLiteral("(no answer)");
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Good, not a slide set, missing: the title names the file once it loaded;
    // otherwise the Load command's message, and after it the empty window.
    void startWithAFile_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::newRow("good") << "good" << "none" << QStringLiteral("realistic-line.csv \u2014 Nimbrel");
        QTest::newRow("not a slide set") << "bad" << "'notes.csv' does not appear to be a slide data set."
                                         << QStringLiteral("Untitled \u2014 Nimbrel");
        QTest::newRow("missing") << "missing" << "There was an error opening this file:"
                                 << QStringLiteral("Untitled \u2014 Nimbrel");
    }
    void startWithAFile()
    {
        QFETCH(QString, which);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QTemporaryDir home;
        QString file = dataFile("realistic-line.csv");
        if (which == "bad") {
            file = home.filePath(QStringLiteral("notes.csv"));
            QFile notes(file);
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write("Sample,Weight\r\n");
        } else if (which == "missing") {
            file = home.filePath(QStringLiteral("gone.csv"));
        }
        QProcess program;
        program.setProcessEnvironment(profile(home));
        program.start(QStringLiteral(NIMBREL_EXE), {QStringLiteral("--test-feed"), file});
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

        QVERIFY2(ask(program, QStringLiteral("message"), QStringLiteral("message ")).startsWith(message),
                 qPrintable(which));
        if (message != "none")
            program.write("key Return\n"); // OK
        QCOMPARE(ask(program, QStringLiteral("title"), QStringLiteral("title ")), title);
        program.kill();
        program.waitForFinished(10000);
    }

    // Without any display: --help and --version answer, and nothing else starts.
    void helpAndVersionWithoutADisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("start");
        QTest::newRow("help") << "--help" << "Usage: nimbrel [FILE]\n";
        QTest::newRow("version") << "--version" << "Nimbrel " NIMBREL_VERSION "\n";
    }
    void helpAndVersionWithoutADisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, start);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(NIMBREL_EXE), {option});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(QString::fromLocal8Bit(program.readAllStandardOutput()).startsWith(start), qPrintable(option));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
