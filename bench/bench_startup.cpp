// Start → window shown, as the operator waits for it: each start is a fresh
// process, timed from launch to the first exposed frame, for the real start-up
// path and for a bare QWidget of the same size, alternating in one run so both
// see the same machine. Prints the medians and their ratio.
//
//   bench_startup [starts]           the comparison (default 21 starts of each)
//   bench_startup --window|--bare    one start (what the comparison launches)
#include "graphs/DrawingSurface.h"
#include "shell/MainWindow.h"
#include "shell/StartUp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Reports the window size once the window is on screen (the parent stops its
// clock there: the teardown is no part of the wait).
int showOnce(bool real, QSize size)
{
    int argc = 1;
    char name[] = "bench_startup";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Tarvell"));
    QTemporaryDir dir;
    std::unique_ptr<QWidget> window;
    if (real) {
        RegisterFontSubstitutes();
        window = StartUp(ReadScreenMetrics(), SettingsStore{dir.filePath(QStringLiteral("nimbrel.ini"))}, true,
                         dir.filePath(QStringLiteral("recovery")));
    } else {
        window = std::make_unique<QWidget>();
        window->setFixedSize(size);
        window->show();
    }
    if (!window || !QTest::qWaitForWindowExposed(window.get()))
        return 1;
    std::printf("%d %d\n", window->width(), window->height());
    std::fflush(stdout);
    return 0;
}

// Milliseconds from launch to the child's report; the size it reported in `size`.
double timeStart(const QString &self, const QString &mode, QSize &size)
{
    QProcess child;
    QStringList args = {mode};
    if (mode == QStringLiteral("--bare"))
        args << QString::number(size.width()) << QString::number(size.height());
    QElapsedTimer clock;
    clock.start();
    child.start(self, args);
    if (!child.waitForReadyRead(30000) || !child.canReadLine()) {
        child.waitForFinished(30000);
        if (!child.canReadLine())
            return -1;
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const QList<QByteArray> wh = child.readLine().trimmed().split(' ');
    if (wh.size() == 2)
        size = QSize(wh[0].toInt(), wh[1].toInt());
    child.waitForFinished(30000);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--window")
        return showOnce(true, QSize());
    if (mode == "--bare" && argc > 3)
        return showOnce(false, QSize(std::atoi(argv[2]), std::atoi(argv[3])));

    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const QString self = QCoreApplication::applicationFilePath();
    QSize size;
    timeStart(self, QStringLiteral("--window"), size); // warms the disk cache and learns the size
    timeStart(self, QStringLiteral("--bare"), size);
    std::vector<double> real, bare;
    for (int i = 0; i < starts; ++i) {
        real.push_back(timeStart(self, QStringLiteral("--window"), size));
        bare.push_back(timeStart(self, QStringLiteral("--bare"), size));
    }
    const double r = median(real), b = median(bare);
    std::printf("window %dx%d, %d starts each (%s)\n", size.width(), size.height(), starts,
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "display" : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("start to window shown: Nimbrel %.1f ms, bare QWidget %.1f ms (medians), ratio %.2f\n", r, b,
                b > 0 ? r / b : 0.0);
    return 0;
}
