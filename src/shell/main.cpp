#include "graphs/DrawingSurface.h"
#include "model/Version.h"
#include "print/frmPreview.h"
#include "recovery/RecoveryFolder.h"
#include "shell/CommandLine.h"
#include "shell/MainWindow.h"
#include "shell/StartUp.h"
#include "shell/TestFeed.h"

#include <QApplication>

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer before any window system is asked for, so
    // they work without a display.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = ParseCommandLine(words);
    if (early.What == CommandLine::Help) {
        print(stdout, CommandLineHelp());
        return 0;
    }
    if (early.What == CommandLine::Version) {
        print(stdout, VersionText() + QLatin1Char('\n'));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Tarvell"));
    QApplication::setApplicationVersion(QLatin1String(NimbrelVersion));
    // The desktop entry's name, so the window is matched with its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarvell.Nimbrel"));
    const CommandLine line = ParseCommandLine(QApplication::arguments().mid(1));
    if (line.What == CommandLine::Mistake) {
        print(stderr, QStringLiteral("nimbrel: %1\nTry 'nimbrel --help'.\n").arg(line.Error));
        return 2;
    }
    RegisterFontSubstitutes();
    if (line.TestFeed)
        StartTestFeed();

    // The screen check, then crash recovery's question, then the file asked for.
    std::unique_ptr<MainWindow> window =
        StartUp(ReadScreenMetrics(), SettingsStore{}, true, RecoveryFolder::DefaultPath());
    if (!window)
        return 0;
    MainWindow &form = *window;
    form.SetPrintHandler([&form] {
        ShowPrintPreview(form.Set(), form.Format(), form.InitialDir(), &form, form.IsLargeLayout(), form.Store(),
                         form.SlideSetFileName());
    });
    if (!line.File.isEmpty())
        form.OpenFile(line.File);
    return app.exec();
}
