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

// The window in two rows. Above: the slide strip over the count table, then a
// column with the data-entry and mortality frames, then the slide information
// over the size-range table; the composite graphs cover the first two, whose
// controls they replace. Below: the parameter frame, the result frame right of
// it, and the slide set buttons.
void MainForm::LayoutCommon(bool large)
{
    const int rowHeight = large ? 18 : 16;
    const int gap = large ? 6 : 4;
    const int visibleRows = large ? 20 : 18;
    const QFontMetrics fm(font());
    const int lineHeight = std::max(fm.height() + 8, 20);

    // 1. The count table under the slide strip.
    m_countTable->SetHeadings(font());
    m_ranges->SetHeadings(font());
    m_countTable->SetRowHeight(rowHeight);
    ResizeCountTable();
    const int gridWidth = m_countTable->FullWidth();
    const int stripHeight = m_strip->sizeHint().height();
    const int leftX = gap;
    m_strip->setGeometry(leftX, gap, gridWidth, stripHeight);
    const int gridTop = gap + stripHeight;
    const int gridHeight = (rowHeight + 4) + visibleRows * rowHeight + 2 * m_countTable->frameWidth();
    m_countTable->setGeometry(leftX, gridTop, gridWidth, gridHeight);
    const int rowBottom = gridTop + gridHeight; // bottom of the upper row

    // 2. Data entry over the mortality frame; slide information further right.
    m_mortality->SetCompact(!large);
    const QSize mortalitySize = m_mortality->sizeHint();
    const int entryX = leftX + gridWidth + gap;
    const int entryWidth = std::max(m_dropEntry->CaptionWidth(fm) + 24, mortalitySize.width());
    m_dropEntry->setGeometry(entryX, gridTop, entryWidth, 2 * lineHeight + 24);
    m_dropEntry->Arrange(entryWidth, lineHeight);
    const int mortalityTop = gridTop + m_dropEntry->height() + gap;
    m_mortality->setGeometry(entryX, mortalityTop, entryWidth, mortalitySize.height());

    const int infoX = entryX + entryWidth + gap;
    const QSize infoSize = m_slideInfo->Arrange(lineHeight, fm);
    m_slideInfo->setGeometry(infoX, gridTop, infoSize.width(), infoSize.height());

    // 3. The size-range table under the slide information.
    const QSize rangeSize = m_ranges->Arrange(large, rowHeight);
    const int statsTop = gridTop + m_slideInfo->height() + gap;
    m_ranges->setGeometry(infoX, statsTop, std::max(rangeSize.width(), infoSize.width()), rangeSize.height());
    if (large)
        m_slideInfo->resize(m_ranges->width(), m_slideInfo->height());

    // 4. The parameters below, the results right of them, the buttons after.
    m_parameters->SetCompact(!large);
    QSize paramSize = m_parameters->sizeHint();
    // Wide enough to show all five parameter tabs without scroll arrows.
    const auto *tabs = m_parameters->findChild<QTabBar *>();
    if (large && tabs)
        paramSize.setWidth(std::max(paramSize.width(), tabs->sizeHint().width() + 40));
    // The composite box reaches a little below the count table so that the slide
    // cards (25 pixels under the axis, up to 25 tall) are not cut off.
    const int compositeBottom = large ? rowBottom + 12 : rowBottom;
    const int lowerTop = std::max(compositeBottom, m_ranges->geometry().bottom() + 1) + gap;
    m_parameters->setGeometry(leftX, lowerTop, paramSize.width(), paramSize.height());
    m_results->setGeometry(QRect(QPoint(leftX + paramSize.width() + gap, lowerTop),
                                 ResultsPanel::FrameSize(large, lineHeight)));
    const QRect result = m_results->geometry();
    const int buttonHeight = btnNewSlide->sizeHint().height();
    const int buttonWidth = std::max(btnLoadData->sizeHint().width(), btnSaveData->sizeHint().width()) + (large ? 12 : 2);
    const int buttonX = result.right() + 1 + gap;
    btnNewSlide->setGeometry(buttonX, lowerTop + 8, buttonWidth, buttonHeight);
    btnLoadData->setGeometry(buttonX, lowerTop + 8 + (buttonHeight + gap), buttonWidth, buttonHeight);
    btnSaveData->setGeometry(buttonX, lowerTop + 8 + 2 * (buttonHeight + gap), buttonWidth, buttonHeight);

    // The compact arrangement keeps the two rows. Above: the count table with the
    // data entry over the mortality frame in a narrow column beside it, which the
    // composite graphs cover; right of them, and still in sight in composite view,
    // the slide information over the size ranges, the cloud options under the
    // range table.
    QRect composite(leftX, gridTop, entryX + entryWidth - leftX, compositeBottom - gridTop);
    if (!large) {
        const int top = gap;
        const int columnX = leftX + gridWidth + gap;
        const int columnWidth = mortalitySize.width();
        const int entryHeight = m_dropEntry->ArrangeNarrow(columnWidth, lineHeight);
        const int compositeRight = columnX + columnWidth; // one past
        const int rightX = compositeRight + gap;
        const int rightWidth = std::max(infoSize.width(), rangeSize.width());
        m_slideInfo->setGeometry(rightX, top, rightWidth, m_slideInfo->height());
        const int statsFrameTop = m_slideInfo->geometry().bottom() + 1 + gap;

        // The upper row ends where its tallest column does.
        const int columnBottom = gridTop + entryHeight + gap + mortalitySize.height();
        const int topBottom = std::max({gridTop + gridHeight, statsFrameTop + rangeSize.height(), columnBottom});
        m_ranges->setGeometry(rightX, statsFrameTop, rightWidth, topBottom - statsFrameTop);
        m_strip->setGeometry(leftX, top, compositeRight - leftX, stripHeight);
        m_countTable->setGeometry(leftX, gridTop, gridWidth, topBottom - gridTop);
        m_dropEntry->setGeometry(columnX, gridTop, columnWidth, entryHeight);
        m_mortality->setGeometry(columnX, gridTop + entryHeight + gap, columnWidth,
                                 topBottom - (gridTop + entryHeight + gap));

        const int lower = topBottom + gap;
        m_parameters->move(leftX, lower);
        m_results->move(leftX + paramSize.width() + gap, lower);
        const QRect r = m_results->geometry();
        btnNewSlide->move(r.right() + 1 + gap, lower + 8);
        btnLoadData->move(r.right() + 1 + gap, lower + 8 + buttonHeight + gap);
        btnSaveData->move(r.right() + 1 + gap, lower + 8 + 2 * (buttonHeight + gap));
        composite = QRect(leftX, gridTop, compositeRight - leftX, topBottom - gridTop);
    }

    // 5. Units.
    m_parameters->ShowParameters();
    ApplyUnitLabels();

    // 6. Inside the result frame: the histogram, its options and read-outs.
    m_results->Arrange(large, lineHeight);

    // 7. The composite graphs over the count table and the entry column.
    m_composite->setGeometry(composite);
    m_composite->Image();
    m_underComposite.clear();
    for (QWidget *w : {static_cast<QWidget *>(m_slideInfo), static_cast<QWidget *>(m_ranges)})
        if (w->geometry().intersects(composite))
            m_underComposite.push_back(w);

    int right = 0, bottom = 0;
    for (QWidget *w : {static_cast<QWidget *>(m_parameters), static_cast<QWidget *>(m_results),
                       static_cast<QWidget *>(m_ranges), static_cast<QWidget *>(btnSaveData),
                       static_cast<QWidget *>(m_dropEntry), static_cast<QWidget *>(m_mortality),
                       static_cast<QWidget *>(m_composite)}) {
        right = std::max(right, w->geometry().right());
        bottom = std::max(bottom, w->geometry().bottom());
    }
    setFixedSize(right + 1 + gap, bottom + 1 + gap);

    // 8. The plot scales of the composite box, and the no-slide state.
    m_view.PlotScaleTop = large ? kPlotScaleTopLarge : kPlotScaleTopSmall;
    m_view.PlotScaleHeight = large ? kPlotScaleHeightLarge : kPlotScaleHeightSmall;
    ResetSlideSet();
}
