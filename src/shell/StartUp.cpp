#include "shell/StartUp.h"

#include "model/NumberText.h"
#include "platform/LocaleInfo.h"
#include "platform/ui/MessageBoxes.h"
#include "shell/CrashRecovery.h"
#include "shell/MainWindow.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>

namespace {

// Only Windows has a display-settings command to start; elsewhere OK simply
// carries on with the start-up.
void OpenDisplaySettings()
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("rundll32.exe"),
                            {QStringLiteral("shell32.dll,Control_RunDLL"), QStringLiteral("desk.cpl,,3")});
#endif
}

} // namespace

int16_t TwipsPerPixelFor(double dpi)
{
    if (!(dpi > 0))
        return 15;
    const double tpp = RoundHalfEven(1440.0 / dpi);
    return static_cast<int16_t>(tpp < 1 ? 1 : tpp);
}

ScreenMetrics ReadScreenMetrics()
{
    ScreenMetrics m;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        m.WidthPixels = screen->size().width();
        m.HeightPixels = screen->size().height();
        m.TwipsPerPixelX = TwipsPerPixelFor(screen->logicalDotsPerInchX());
        m.TwipsPerPixelY = TwipsPerPixelFor(screen->logicalDotsPerInchY());
    }
    return m;
}

QString ScreenWarningText(int h, int v)
{
    const NumberFormat format;
    const QString times(QChar(0x00D7));
    return QStringLiteral("Your screen resolution is currently set to ") + format.Format(h, "0") + times
        + format.Format(v, "0") + QStringLiteral(".\n\nNimbrel was designed to run at a minimum resolution\nof 800")
        + times + QStringLiteral("600, and preferably 1024") + times
        + QStringLiteral("768 or higher.\n\nClick OK to access the display settings.");
}

void ChooseInterfaceFont(StartUpValues &values)
{
    if (values.TwipsPerPixelX == 12) {
        values.UIFontName = QStringLiteral("Small Fonts");
        values.UIFontSize = 6;
    } else {
        values.UIFontName = QStringLiteral("MS Sans Serif");
        values.UIFontSize = 8;
    }
}

std::unique_ptr<MainWindow> StartUp(const ScreenMetrics &screen, const SettingsStore &store, bool show,
                                  const QString &recoveryFolder)
{
    StartUpValues values;
    const LocaleSeparators separators = ReadLocaleSeparators();
    values.DecimalSeparator = separators.Decimal;
    values.ListSeparator = separators.List;
    values.TwipsPerPixelX = screen.TwipsPerPixelX;
    values.TwipsPerPixelY = screen.TwipsPerPixelY;

    // The seam gives pixels already; the resolution is the twips size over the
    // twips per pixel, which comes back to the same whole numbers.
    const int h = screen.WidthPixels;
    const int v = screen.HeightPixels;
    if (v < 600) {
        if (MessageBoxes::Show(nullptr, ScreenWarningText(h, v), MessageBoxes::OkCancel, MessageBoxes::Exclamation)
            != MessageBoxes::Ok)
            return nullptr;
        OpenDisplaySettings();
    }

    ChooseInterfaceFont(values);

    // Before the window reads its settings; the operator hears of it once it is up.
    const QString settingsSetAside = SetAsideUnreadableSettings(store);
    auto form = MakeMainWindow(values, store);
    form->AdjustScreen(v);
    if (show)
        form->show();
    if (v < 768) {
        QRect top = form->frameGeometry();
        int screenTop = 0;
        if (const QScreen *s = QGuiApplication::primaryScreen())
            screenTop = s->availableGeometry().top();
        form->move(top.left() < 0 ? 0 : top.left(), screenTop);
    }
    if (!settingsSetAside.isEmpty())
        MessageBoxes::Show(form.get(), settingsSetAside, MessageBoxes::OkOnly, MessageBoxes::Exclamation);
    if (!recoveryFolder.isEmpty())
        CrashRecovery::Attach(*form, recoveryFolder);
    return form;
}
