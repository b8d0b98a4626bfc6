// The panels of the main window and their two arrangements: the full one for
// screens at least 768 pixels high, and a compact one that fits 800 × 600.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "graphs/GraphBoxes.h"
#include "window/CompositeView.h"
#include "window/CountTable.h"
#include "window/DropEntryFrame.h"
#include "window/ResultsPanel.h"
#include "window/SizeRangeFrame.h"
#include "window/SlideInfoFrame.h"
#include "window/SlideStrip.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QTabBar>

namespace {

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

void MainForm::CreateControls()
{
    // The window's own face, the dialog font of the design (a metric twin where
    // the platform lacks it).
    RegisterFontSubstitutes();
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    const QFont uiFont(m_startUp.UIFontName, m_startUp.UIFontSize);

    m_strip = new SlideStrip(*this, this);
    connect(m_strip, &SlideStrip::DeleteRequested, this, [this] { DeleteCurrentSlide(); });
    m_countTable = new CountTable(*this, this);
    m_dropEntry = new DropEntryFrame(*this, this);
    m_slideInfo = new SlideInfoFrame(*this, this);
    m_mortality = new MortalityPanel(*this, this);
    m_parameters = new ParameterPanel(*this, this);
    m_ranges = new SizeRangeFrame(*this, this);
    m_results = new ResultsPanel(*this, uiFont, this);
    connect(m_results, &ResultsPanel::CompositeToggled, this, [this](bool checked) { ShowComposite(checked); });
    connect(m_results, &ResultsPanel::PrintRequested, this, [this] { PrintCommand(); });
    connect(m_results, &ResultsPanel::ExportRequested, this, [this] { ExportWorkbookCommand(); });

    btnNewSlide = makeButton(QStringLiteral("New Slide"), QStringLiteral("btnNewSlide"), this);
    btnLoadData = makeButton(QStringLiteral("Load Slide Set"), QStringLiteral("btnLoadData"), this);
    btnSaveData = makeButton(QStringLiteral("Save Slide Set"), QStringLiteral("btnSaveData"), this);
    connect(btnNewSlide, &QPushButton::clicked, this, [this] { NewSlideCommand(); });
    connect(btnLoadData, &QPushButton::clicked, this, [this] { LoadCommand(); });
    connect(btnSaveData, &QPushButton::clicked, this, [this] { SaveCommand(); });

    m_composite = new CompositeView(*this, this);
}

void MainForm::AdjustScreen(int yres)
{
    m_largeLayout = yres >= 768;
    LayoutCommon(m_largeLayout);
}

// The measures both arrangements share.
struct MainForm::Arrangement
{
    bool Large = true;
    int RowHeight = 18;  // of the two tables
    int Gap = 6;         // between the panels
    int LineHeight = 20; // of a caption or a field
    int LeftX = 6;
    int GridWidth = 0;   // the count table's, which the slide strip shares
    int StripHeight = 0;
    int GridTop = 0;
    int GridHeight = 0;
};

// The window in two rows. Above: the slide strip over the count table, then the
// entry column and the slide information with the size-range table; the
// composite graphs cover the count table and the entry column, whose controls
// they replace. Below: the parameter frame, the result frame right of it, and
// the slide set buttons.
void MainForm::LayoutCommon(bool large)
{
    Arrangement a;
    a.Large = large;
    a.RowHeight = large ? 18 : 16;
    a.Gap = large ? 6 : 4;
    a.LeftX = a.Gap;
    a.LineHeight = std::max(QFontMetrics(font()).height() + 8, 20);

    // 1. The count table under the slide strip.
    const int visibleRows = large ? 20 : 18;
    m_countTable->SetHeadings(font());
    m_ranges->SetHeadings(font());
    m_countTable->SetRowHeight(a.RowHeight);
    ResizeCountTable();
    a.GridWidth = m_countTable->FullWidth();
    a.StripHeight = m_strip->sizeHint().height();
    a.GridTop = a.Gap + a.StripHeight;
    a.GridHeight = (a.RowHeight + 4) + visibleRows * a.RowHeight + 2 * m_countTable->frameWidth();
    m_mortality->SetCompact(!large);
    m_parameters->SetCompact(!large);

    // 2. The rest of the upper row, 3. the lower row under it.
    const QRect composite = large ? PlaceUpperRowLarge(a) : PlaceUpperRowSmall(a);
    PlaceLowerRow(a, std::max(composite.bottom(), m_ranges->geometry().bottom()) + 1 + a.Gap);

    // 4. Units.
    m_parameters->ShowParameters();
    ApplyUnitLabels();

    // 5. Inside the result frame: the histogram, its options and read-outs.
    m_results->Arrange(large, a.LineHeight);

    // 6. The composite graphs over the count table and the entry column; the
    // window just large enough for all.
    m_composite->setGeometry(composite);
    int right = 0, bottom = 0;
    for (QWidget *w : {static_cast<QWidget *>(m_parameters), static_cast<QWidget *>(m_results),
                       static_cast<QWidget *>(m_ranges), static_cast<QWidget *>(btnSaveData),
                       static_cast<QWidget *>(m_dropEntry), static_cast<QWidget *>(m_mortality),
                       static_cast<QWidget *>(m_composite)}) {
        right = std::max(right, w->geometry().right());
        bottom = std::max(bottom, w->geometry().bottom());
    }
    setFixedSize(right + 1 + a.Gap, bottom + 1 + a.Gap);

    // 7. The plot scales of the composite box, and the no-slide state.
    m_view.PlotScaleTop = large ? kPlotScaleTopLarge : kPlotScaleTopSmall;
    m_view.PlotScaleHeight = large ? kPlotScaleHeightLarge : kPlotScaleHeightSmall;
    ResetSlideSet();
}

// The full upper row: the count table, the data entry over the mortality frame,
// then the slide information over the size-range table, its cloud options beside
// it. The composite box reaches a little below the count table so that the
// slide cards (25 pixels under the axis, up to 25 tall) are not cut off.
QRect MainForm::PlaceUpperRowLarge(const Arrangement &a)
{
    const QFontMetrics fm(font());
    m_strip->setGeometry(a.LeftX, a.Gap, a.GridWidth, a.StripHeight);
    m_slideStripWidth = a.GridWidth;
    m_countTable->setGeometry(a.LeftX, a.GridTop, a.GridWidth, a.GridHeight);

    const QSize mortalitySize = m_mortality->sizeHint();
    const int entryX = a.LeftX + a.GridWidth + a.Gap;
    const int entryWidth = std::max(m_dropEntry->CaptionWidth(fm) + 24, mortalitySize.width());
    m_dropEntry->setGeometry(entryX, a.GridTop, entryWidth, 2 * a.LineHeight + 24);
    m_dropEntry->Arrange(entryWidth, a.LineHeight);
    m_mortality->setGeometry(entryX, a.GridTop + m_dropEntry->height() + a.Gap, entryWidth, mortalitySize.height());

    const int infoX = entryX + entryWidth + a.Gap;
    const QSize infoSize = m_slideInfo->Arrange(a.LineHeight, fm);
    const QSize rangeSize = m_ranges->Arrange(true, a.RowHeight);
    const int width = std::max(rangeSize.width(), infoSize.width());
    m_slideInfo->setGeometry(infoX, a.GridTop, width, infoSize.height());
    m_ranges->setGeometry(infoX, a.GridTop + infoSize.height() + a.Gap, width, rangeSize.height());

    const int compositeBottom = a.GridTop + a.GridHeight + 12;
    return QRect(a.LeftX, a.GridTop, entryX + entryWidth - a.LeftX, compositeBottom - a.GridTop);
}

// The compact upper row: the count table with the data entry over the mortality
// frame in a narrow column beside it, which the composite graphs cover; right of
// them, and still in sight in composite view, the slide information over the
// size ranges, the cloud options under the range table.
QRect MainForm::PlaceUpperRowSmall(const Arrangement &a)
{
    const QFontMetrics fm(font());
    const QSize mortalitySize = m_mortality->sizeHint();
    const int columnX = a.LeftX + a.GridWidth + a.Gap;
    const int columnWidth = mortalitySize.width();
    const int entryHeight = m_dropEntry->ArrangeNarrow(columnWidth, a.LineHeight);
    const int compositeRight = columnX + columnWidth; // one past

    const QSize infoSize = m_slideInfo->Arrange(a.LineHeight, fm);
    const QSize rangeSize = m_ranges->Arrange(false, a.RowHeight);
    const int rightX = compositeRight + a.Gap;
    const int rightWidth = std::max(infoSize.width(), rangeSize.width());
    m_slideInfo->setGeometry(rightX, a.Gap, rightWidth, infoSize.height());
    const int statsFrameTop = m_slideInfo->geometry().bottom() + 1 + a.Gap;

    // The upper row ends where its tallest column does.
    const int columnBottom = a.GridTop + entryHeight + a.Gap + mortalitySize.height();
    const int topBottom = std::max({a.GridTop + a.GridHeight, statsFrameTop + rangeSize.height(), columnBottom});
    m_ranges->setGeometry(rightX, statsFrameTop, rightWidth, topBottom - statsFrameTop);
    m_strip->setGeometry(a.LeftX, a.Gap, compositeRight - a.LeftX, a.StripHeight);
    m_slideStripWidth = compositeRight - a.LeftX;
    m_countTable->setGeometry(a.LeftX, a.GridTop, a.GridWidth, topBottom - a.GridTop);
    m_dropEntry->setGeometry(columnX, a.GridTop, columnWidth, entryHeight);
    const int mortalityTop = a.GridTop + entryHeight + a.Gap;
    m_mortality->setGeometry(columnX, mortalityTop, columnWidth, topBottom - mortalityTop);
    return QRect(a.LeftX, a.GridTop, compositeRight - a.LeftX, topBottom - a.GridTop);
}

// The parameters at the left, the results right of them, the buttons after.
void MainForm::PlaceLowerRow(const Arrangement &a, int top)
{
    QSize paramSize = m_parameters->sizeHint();
    // Wide enough to show all five parameter tabs without scroll arrows.
    const auto *tabs = m_parameters->findChild<QTabBar *>();
    if (a.Large && tabs)
        paramSize.setWidth(std::max(paramSize.width(), tabs->sizeHint().width() + 40));
    m_parameters->setGeometry(a.LeftX, top, paramSize.width(), paramSize.height());
    m_results->setGeometry(QRect(QPoint(a.LeftX + paramSize.width() + a.Gap, top),
                                 ResultsPanel::FrameSize(a.Large, a.LineHeight)));
    const int buttonHeight = btnNewSlide->sizeHint().height();
    const int buttonWidth =
        std::max(btnLoadData->sizeHint().width(), btnSaveData->sizeHint().width()) + (a.Large ? 12 : 2);
    const int buttonX = m_results->geometry().right() + 1 + a.Gap;
    int y = top + 8;
    for (QPushButton *button : {btnNewSlide, btnLoadData, btnSaveData}) {
        button->setGeometry(buttonX, y, buttonWidth, buttonHeight);
        y += buttonHeight + a.Gap;
    }
}
