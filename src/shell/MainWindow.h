#pragma once

#include "shell/Settings.h"
#include "shell/StartUpValues.h"
#include "window/WindowContext.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <memory>

// The main window as the rest of the program sees it: start-up and crash
// recovery, the test feed, the tests and the benchmarks. Its class stays inside
// the shell; this is what may be asked of it from outside.
class MainWindow : public QWidget, public WindowContext
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Chooses the layout for a screen `yres` pixels high (768 and more: large).
    virtual void AdjustScreen(int yres) = 0;
    virtual bool IsLargeLayout() const = 0;

    // The set itself, for the report and for tests that build a situation
    // directly; the window changes it only through Document().
    using WindowContext::Set;
    virtual SlideSet &Set() = 0;
    virtual bool IsModified() const = 0;
    // A count typed into the count table and not yet committed.
    virtual bool CellEditPending() const = 0;
    virtual QColor HistogramColor() const = 0;

    virtual void SaveCommand() = 0;
    virtual void LoadCommand() = 0;
    virtual void PrintCommand() = 0;
    // The report subsystem hooks its preview in here; without it Print does
    // nothing. Values still being typed are committed before it runs.
    virtual void SetPrintHandler(std::function<void()> handler) = 0;

    // A file named on the command line or dropped onto the window, loaded as the
    // Load command loads a chosen one; unsaved work is asked about first. False
    // when nothing was loaded (declined, or the file refused with its message).
    virtual bool OpenFile(const QString &path) = 0;

    // A set kept by crash recovery: loaded as a file, then unsaved work again.
    virtual bool LoadRecoveredSet(const QString &path, const QString &sourceFile) = 0;
    // The file the set was loaded from or last saved to; empty for a new set.
    virtual QString SlideSetFileName() const = 0;

signals:
    // The window closes with the operator's consent: nothing unsaved is left.
    // (Changes of the set are announced by Document().)
    void Closed();
};

// The window over the settings in `store`, not yet laid out nor shown.
std::unique_ptr<MainWindow> MakeMainWindow(const StartUpValues &startUp, const SettingsStore &store);
