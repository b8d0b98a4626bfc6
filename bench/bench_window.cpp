// One drop typed and Enter pressed, timed to the end of the refresh it causes
// (count table, range table, labels, histogram), on a set of 255 slides with the
// reticule at 20, 200 and 2 000 divisions. A fast operator types a few drops a
// second; the refresh must stay far below what a person could notice.
//
// Loading a long line: the file read alone, and the same file loaded into the
// window up to its first paint. The window should add well under a second to
// the read at 2 000 slides, and a full set of 32 767 should not hold the window
// up for more than a second. Moving the strip's stretch of tabs from one end of
// such a line to the other is timed too: the operator waits for it at Home/End.
#include "files/SlideSetFile.h"
#include "recovery/RecoveryWriter.h"
#include "shell/CrashRecovery.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

struct BenchWindow
{
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> form;
    QLineEdit *entry = nullptr;

    CrashRecovery *recovery = nullptr;

    explicit BenchWindow(int maxSizeEPD, bool withRecovery = false)
    {
        const SettingsStore store{dir.filePath(QStringLiteral("bench.ini"))};
        SaveSetting(store, QStringLiteral("Settings"), QStringLiteral("MaxSizeEPD"), QString::number(maxSizeEPD));
        form = MakeMainWindow(StartUpValues(), store);
        form->AdjustScreen(768);
        form->show();
        SlideSet &set = form->Set();
        std::mt19937 random(7);
        std::uniform_int_distribution<int> size(1, maxSizeEPD), count(0, 40);
        for (int i = 1; i <= 255; ++i) {
            const int16_t index = AddSlide(set, float(i) - 128.0f);
            for (int d = 0; d < maxSizeEPD / 2; ++d)
                SetDropCount(set, int16_t(size(random)), int16_t(count(random)), index, form->View().LargestSizeFound);
        }
        form->ShowLoadedSlideSet();
        entry = form->findChild<QLineEdit *>(QStringLiteral("txtDataEntry"));
        if (withRecovery)
            recovery = CrashRecovery::Attach(*form, dir.filePath(QStringLiteral("recovery")));
        QApplication::processEvents();
    }
};

void typeDrops(benchmark::State &state, bool paint, bool recovery = false)
{
    const int maxSize = int(state.range(0));
    BenchWindow w(maxSize, recovery);
    int size = 0;
    for (auto _ : state) {
        size = size % maxSize + 1;
        w.entry->setText(QString::number(size));
        QTest::keyClick(w.entry, Qt::Key_Return);
        if (paint)
            QApplication::processEvents(); // the repaint the refresh scheduled
    }
    state.counters["drops"] = double(w.form->Set().Current().TotalDrops);
    if (w.recovery && w.recovery->Writer())
        state.counters["recovery writes"] = double(w.recovery->Writer()->WritesDone());
}

void BM_EnterToRefresh(benchmark::State &state) { typeDrops(state, false); }
void BM_EnterToRefreshAndRepaint(benchmark::State &state) { typeDrops(state, true); }
// The same with crash recovery on: the repaint's event processing also runs the
// recovery timer, which copies the set every two seconds for the writer thread.
void BM_EnterToRefreshAndRepaintWithRecovery(benchmark::State &state) { typeDrops(state, true, true); }

// The copy the window thread makes for the writer, at most once per interval.
void BM_RecoveryCopy(benchmark::State &state)
{
    BenchWindow w(int(state.range(0)));
    for (auto _ : state) {
        RecoverySnapshot snapshot{w.form->Set(), QStringLiteral(","), NumberFormat(), QString()};
        benchmark::DoNotOptimize(snapshot);
    }
}

// One recovery write of the whole set (file and note), as the writer thread does it.
void BM_RecoveryWrite(benchmark::State &state)
{
    const int maxSize = int(state.range(0));
    BenchWindow w(maxSize);
    const RecoverySnapshot snapshot{w.form->Set(), QStringLiteral(","), NumberFormat(), QString()};
    const QString data = w.dir.filePath(QStringLiteral("r.csv"));
    const QString note = w.dir.filePath(QStringLiteral("r.note"));
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteRecoveryFiles(data, note, snapshot));
    state.counters["bytes"] = double(QFileInfo(data).size());
}

// A line of `slides` slides one metre apart, a few drops on each, as a file.
QString lineFile(int slides)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line-%1.csv").arg(slides));
    if (QFileInfo::exists(path))
        return path;
    SlideSet set;
    int16_t largest = 0;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> size(1, set.Params.MaxSizeEPD), count(0, 30);
    for (int i = 1; i <= slides; ++i) {
        const int16_t index = AddSlide(set, float(i - slides / 2));
        for (int d = 0; d < 6; ++d)
            SetDropCount(set, int16_t(size(random)), int16_t(count(random)), index, largest);
    }
    const QString error = WriteSlideSetFile(path, set, QStringLiteral(","), NumberFormat());
    if (!error.isEmpty())
        qFatal("%s", qPrintable(error));
    return path;
}

// A window on screen, empty, or with the line `path` loaded when given.
struct LineWindow
{
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> form;

    LineWindow(benchmark::State &state, const QString &path = QString())
        : form(MakeMainWindow(StartUpValues(), SettingsStore{dir.filePath(QStringLiteral("bench.ini"))}))
    {
        form->AdjustScreen(768);
        form->show();
        if (!path.isEmpty() && !form->LoadRecoveredSet(path, QString()))
            state.SkipWithError("the line did not load");
        QApplication::processEvents();
    }
};

void BM_FileLoad(benchmark::State &state)
{
    const QString path = lineFile(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSlideSetFile(path, QStringLiteral(","), NumberFormat()));
}

// Each iteration one load into an empty window, timed to the end of the events
// it leaves (the strip laid out and the window painted): the time the window
// does not answer the operator.
void BM_WindowLoad(benchmark::State &state)
{
    const QString path = lineFile(int(state.range(0)));
    LineWindow w(state);
    MainWindow *form = w.form.get();
    for (auto _ : state) {
        state.PauseTiming();
        form->ResetSlideSet();
        QApplication::processEvents();
        state.ResumeTiming();
        if (!form->LoadRecoveredSet(path, QString()))
            state.SkipWithError("the line did not load");
        QApplication::processEvents();
    }
    state.counters["slides"] = double(form->Set().SlideCount());
}

// Home and End in turn on the strip of a full set: each moves the stretch of tabs
// to the other end of the line and shows that slide.
void BM_StripToOtherEnd(benchmark::State &state)
{
    LineWindow w(state, lineFile(int(state.range(0))));
    auto *strip = w.form->findChild<QTabBar *>(QStringLiteral("SlideStrip"));
    strip->setFocus();
    bool home = true;
    for (auto _ : state) {
        QTest::keyClick(strip, home ? Qt::Key_Home : Qt::Key_End);
        QApplication::processEvents();
        home = !home;
    }
    state.counters["tabs"] = double(strip->count());
}

// A drop typed on the last slide of a full set, with crash recovery on, to the
// end of the repaint: nothing the operator does on a long line should walk it.
void BM_EnterOnLongLine(benchmark::State &state)
{
    LineWindow w(state, lineFile(int(state.range(0))));
    CrashRecovery *recovery = CrashRecovery::Attach(*w.form, w.dir.filePath(QStringLiteral("recovery")));
    QApplication::processEvents();
    auto *entry = w.form->findChild<QLineEdit *>(QStringLiteral("txtDataEntry"));
    int size = 0;
    for (auto _ : state) {
        size = size % 20 + 1;
        entry->setText(QString::number(size));
        QTest::keyClick(entry, Qt::Key_Return);
        QApplication::processEvents();
    }
    if (recovery->Writer())
        state.counters["recovery writes"] = double(recovery->Writer()->WritesDone());
}

// The composite view turned on and off on a full set: the line pooled, the line
// graph drawn with a card per slide, and the slide brought back.
void BM_CompositeOnLongLine(benchmark::State &state)
{
    LineWindow w(state, lineFile(int(state.range(0))));
    auto *composite = w.form->findChild<QCheckBox *>(QStringLiteral("CompositeCheck"));
    for (auto _ : state) {
        composite->click();
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_FileLoad)->Arg(2000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowLoad)->Arg(2000)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StripToOtherEnd)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeOnLongLine)->Arg(32767)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_EnterOnLongLine)->Arg(32767)->Unit(benchmark::kMillisecond)->MinTime(6);
BENCHMARK(BM_EnterToRefresh)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterToRefreshAndRepaint)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnterToRefreshAndRepaintWithRecovery)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond)->MinTime(6);
BENCHMARK(BM_RecoveryCopy)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecoveryWrite)->Arg(200)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
