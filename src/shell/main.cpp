#include "graphs/DrawingSurface.h"
#include "print/frmPreview.h"
#include "recovery/RecoveryFolder.h"
#include "shell/MainWindow.h"
#include "shell/StartUp.h"
#include "shell/TestFeed.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Tarvell"));
    RegisterFontSubstitutes();
    if (QApplication::arguments().contains(QStringLiteral("--test-feed")))
        StartTestFeed();

    std::unique_ptr<MainWindow> window =
        StartUp(ReadScreenMetrics(), SettingsStore{}, true, RecoveryFolder::DefaultPath());
    if (!window)
        return 0;
    MainWindow &form = *window;
    form.SetPrintHandler([&form] {
        ShowPrintPreview(form.Set(), form.Format(), form.InitialDir(), &form, form.IsLargeLayout(), form.Store(),
                         form.SlideSetFileName());
    });
    return app.exec();
}
