#pragma once

#include "ReportPages.h"

#include <QDialog>
#include <QImage>
#include <QSize>

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;

// The preview picture: a half-size page (85 % of that on a low screen) inside a
// one-pixel border, redrawn from scratch for every page shown.
class PreviewPicture : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPicture(QSize outer, QWidget *parent = nullptr);
    QImage &Image() { return m_image; }
    const QImage &Image() const { return m_image; }
    // White page, ready for the next drawing.
    void Clear();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

// The print preview: pick a printer (or "Save as PDF…"), look at each page at
// reduced size, print the whole report. Modal; closes after a successful print
// and on Esc.
class frmPreview : public QDialog, private ReportHost
{
    Q_OBJECT
public:
    // `initialDir` is the folder the program's file dialogs start in; saving a
    // PDF moves it on as saving a slide set does. `screenHeight` chooses the
    // picture size (0: the primary screen's).
    frmPreview(const SlideSet &set, const NumberFormat &format, QString &initialDir, QWidget *parent = nullptr,
               int screenHeight = 0, const LabelLimits &limits = {});
    ~frmPreview() override;

    static QSize PictureSize(int screenHeight);

    // Handlers, public so that tests can drive the dialog as a click would.
    void cmbPrinters_Click(int index);
    void PreviewTabs_Click(int index);
    void btnPrint_Click();

    uint8_t LastPageShown() const { return m_lastPageShown; }
    // Redraws the page of the selected tab (the printer choice or a test).
    void DrawSelectedPage();
    const QImage &PreviewImage() const;
    // The window's dose-response choices, for the page that shows the fit.
    void SetDoseResponseOptions(const DoseResponseOptions &options) { m_data.DoseOptions = options; }

private:
    void SetCaption(const QString &caption) override;
    void ShowPrintError(const QString &message) override;
    bool SaveAsPdf();

    ReportData m_data;
    QString &m_initialDir;
    uint8_t m_lastPageShown = 0;

    QLabel *Label1 = nullptr;
    QComboBox *cmbPrinters = nullptr;
    QPushButton *btnPrint = nullptr;
    QWidget *PreviewTabs = nullptr;
    QTabBar *m_tabBar = nullptr;
    PreviewPicture *Picture1 = nullptr;
};

class NumberFormat;
class SettingsStore;
struct SlideSet;
// The main window's Print command: the preview of `set` over `window`, sized for
// the window's screen layout (`largeLayout`: a screen 768 pixels high or more),
// with the label limits kept in `store`. Save as PDF starts in `initialDir`.
void ShowPrintPreview(const SlideSet &set, const NumberFormat &format, QString &initialDir, QWidget *window,
                      bool largeLayout, const SettingsStore &store);
