#include "graphs/DrawingSurface.h"
#include "print/frmPreview.h"
#include "shell/MainForm.h"
#include "shell/StartUp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Tarvell"));
    RegisterFontSubstitutes();

    std::unique_ptr<MainForm> window = StartUp(ReadScreenMetrics(), SettingsStore{});
    if (!window)
        return 0;
    window->SetPrintHandler(&ShowPrintPreview);
    return app.exec();
}
