#pragma once

#include "shell/Settings.h"
#include "shell/StartUpValues.h"

#include <QString>

#include <memory>

class MainWindow;

// The screen as start-up sees it. Tests hand in their own to run the screen
// check and the layout choice for any size.
struct ScreenMetrics
{
    int WidthPixels = 1024;
    int HeightPixels = 768;
    int16_t TwipsPerPixelX = 15;
    int16_t TwipsPerPixelY = 15;
};

// The primary screen: its size in pixels and 1440 / logical DPI twips per pixel.
ScreenMetrics ReadScreenMetrics();

// Twips per pixel for a logical resolution in dots per inch.
int16_t TwipsPerPixelFor(double dpi);

// The warning shown on a screen under 600 pixels high.
QString ScreenWarningText(int h, int v);

// "Small Fonts" 6 on a large-font display (12 twips per pixel), otherwise
// "MS Sans Serif" 8.
void ChooseInterfaceFont(StartUpValues &values);

// The steps before the window exists, then the window itself: locale, screen
// check (Cancel ends the program: nullptr), interface font, an unreadable
// settings file set aside (and the operator told), main window laid out for the
// screen and shown. `show` false leaves it hidden (tests grab it). With a
// `recoveryFolder` the window offers what a crashed window left there before it
// takes any input, and keeps its own unsaved work there.
std::unique_ptr<MainWindow> StartUp(const ScreenMetrics &screen, const SettingsStore &store, bool show = true,
                                  const QString &recoveryFolder = QString());
