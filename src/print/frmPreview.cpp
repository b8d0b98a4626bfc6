#include "frmPreview.h"

#include "ReportJob.h"

#include "entry/SlideSetCommands.h"
#include "platform/ui/CCommonDialogs.h"
#include "platform/ui/MessageBoxes.h"
#include "shell/Settings.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>

#include <cmath>

namespace {

constexpr int kLargeScreen = 768;
constexpr int kLeft = 8;          // the tab strip's distance from the window's edges
constexpr int kPictureInset = 6;  // the picture's place inside the tab strip
constexpr int kPictureTop = 25;
constexpr int kTabBarHeight = 24;

} // namespace

// --- PreviewPicture ----------------------------------------------------------------

PreviewPicture::PreviewPicture(QSize outer, QWidget *parent) : QWidget(parent)
{
    setFixedSize(outer);
    // The page inside the border, at the screen's resolution so that points
    // come out as the screen shows them.
    m_image = QImage(outer - QSize(2, 2), QImage::Format_RGB32);
    m_image.setDotsPerMeterX(3780);
    m_image.setDotsPerMeterY(3780);
    m_image.fill(Qt::white);
}

void PreviewPicture::Clear()
{
    m_image.fill(Qt::white);
    update();
}

void PreviewPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, width() - 1, height() - 1);
    painter.drawImage(1, 1, m_image);
}

// --- frmPreview ----------------------------------------------------------------------

QSize frmPreview::PictureSize(int screenHeight)
{
    if (screenHeight >= kLargeScreen)
        return QSize(850 / 2 + 2, 1100 / 2 + 2);
    return QSize(static_cast<int>(std::floor(0.85 * 850 / 2)) + 2, static_cast<int>(std::floor(0.85 * 1100 / 2)) + 2);
}

frmPreview::frmPreview(const SlideSet &set, const NumberFormat &format, QString &initialDir, QWidget *parent,
                       int screenHeight, const LabelLimits &limits)
    : QDialog(parent), m_data(set, format, limits), m_initialDir(initialDir)
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(kPreviewCaption);
    setModal(true);
    if (screenHeight <= 0 && QGuiApplication::primaryScreen())
        screenHeight = QGuiApplication::primaryScreen()->geometry().height();

    const QSize picture = PictureSize(screenHeight);
    const QSize tabs(picture.width() + 12, picture.height() + 31);

    Label1 = new QLabel(QStringLiteral("Printer:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->adjustSize();
    Label1->move(150, 5);

    btnPrint = new QPushButton(QStringLiteral("Print"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setDefault(true);
    const int comboTop = Label1->y() + Label1->height() + 2;
    const QSize buttonSize = btnPrint->sizeHint();
    btnPrint->setGeometry(kLeft + tabs.width() - buttonSize.width(), comboTop, buttonSize.width(), buttonSize.height());

    cmbPrinters = new QComboBox(this);
    cmbPrinters->setObjectName(QStringLiteral("cmbPrinters"));
    const int comboLeft = Label1->x() + 7;
    cmbPrinters->setGeometry(comboLeft, comboTop, btnPrint->x() - 5 - comboLeft, cmbPrinters->sizeHint().height());
    Label1->setBuddy(cmbPrinters);

    const int tabsTop = std::max(cmbPrinters->geometry().bottom(), btnPrint->geometry().bottom()) + 8;
    PreviewTabs = new QWidget(this);
    PreviewTabs->setObjectName(QStringLiteral("PreviewTabs"));
    PreviewTabs->setGeometry(kLeft, tabsTop, tabs.width(), tabs.height());
    auto *page = new QFrame(PreviewTabs);
    page->setFrameShape(QFrame::StyledPanel);
    page->setGeometry(0, kTabBarHeight - 1, tabs.width(), tabs.height() - kTabBarHeight + 1);
    m_tabBar = new QTabBar(PreviewTabs);
    m_tabBar->setObjectName(QStringLiteral("PreviewTabsBar"));
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    for (int n = 1; n <= kReportPageCount; ++n)
        m_tabBar->addTab(QStringLiteral("Page %1").arg(n));
    m_tabBar->setGeometry(0, 0, tabs.width(), kTabBarHeight);
    Picture1 = new PreviewPicture(picture, PreviewTabs);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->move(kPictureInset, kPictureTop);

    setFixedSize(tabs.width() + 2 * kLeft, PreviewTabs->geometry().bottom() + 1 + kLeft);

    connect(m_tabBar, &QTabBar::currentChanged, this, [this](int index) { PreviewTabs_Click(index); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { btnPrint_Click(); });

    // The installed printers, then the PDF entry that always works; the current
    // printer is selected (the first entry when it is not among them).
    const QStringList printers = InstalledPrinters();
    cmbPrinters->addItems(printers);
    cmbPrinters->addItem(kSaveAsPdfEntry);
    const QString current = CurrentPrinterName();
    int selected = 0;
    for (int i = 0; i < cmbPrinters->count(); ++i) {
        if (cmbPrinters->itemText(i).compare(current, Qt::CaseInsensitive) == 0) {
            selected = i;
            break;
        }
    }
    cmbPrinters->setCurrentIndex(selected);
    connect(cmbPrinters, &QComboBox::activated, this, [this](int index) { cmbPrinters_Click(index); });
    cmbPrinters_Click(selected);
    // The arrow keys pick a printer and Enter prints.
    cmbPrinters->setFocus();
}

frmPreview::~frmPreview() = default;

void frmPreview::DrawSelectedPage()
{
    Picture1->Clear();
    DrawingSurface surface(&Picture1->Image());
    PrintSub(surface, false, static_cast<uint8_t>(m_tabBar->currentIndex() + 1), m_data, *this);
    surface.End();
    Picture1->update();
}

const QImage &frmPreview::PreviewImage() const
{
    return Picture1->Image();
}

void frmPreview::cmbPrinters_Click(int index)
{
    if (index < 0)
        return;
    SetCurrentPrinterName(cmbPrinters->itemText(index));
    DrawSelectedPage();
}

void frmPreview::PreviewTabs_Click(int index)
{
    const int page = index + 1;
    if (page == m_lastPageShown)
        return;
    DrawSelectedPage();
    m_lastPageShown = static_cast<uint8_t>(page);
}

void frmPreview::btnPrint_Click()
{
    const QString printer = cmbPrinters->currentText();
    const bool done = printer == kSaveAsPdfEntry ? SaveAsPdf() : PrintReport(printer, m_data, *this);
    if (done)
        accept();
}

bool frmPreview::SaveAsPdf()
{
    CCommonDialogs dialog;
    dialog.Init(this);
    dialog.Title = QStringLiteral("Save Report as PDF");
    dialog.InitialDir = m_initialDir;
    dialog.Filter = QStringLiteral("PDF Document (*.pdf)|*.pdf");
    dialog.FilterIndex = 1;
    dialog.DefExt = QStringLiteral("pdf");
    if (!dialog.ShowSave())
        return false;
    m_initialDir = SlideSetCommands::FolderOf(dialog.FileName);
    return WriteReportPdf(dialog.FileName, m_data, 0, *this);
}

void frmPreview::SetCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void frmPreview::ShowPrintError(const QString &message)
{
    MessageBoxes::Show(this, message, MessageBoxes::OkOnly, MessageBoxes::NoIcon);
}

void ShowPrintPreview(const SlideSet &set, const NumberFormat &format, QString &initialDir, QWidget *window,
                      bool largeLayout, const SettingsStore &store)
{
    frmPreview preview(set, format, initialDir, window, largeLayout ? kLargeScreen : kLargeScreen - 1,
                       LoadLabelLimits(store, format));
    preview.SetDoseResponseOptions(LoadDoseResponseOptions(store));
    preview.exec();
}
