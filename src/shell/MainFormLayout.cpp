// The controls of the main window and their two arrangements: the full one for
// screens at least 768 pixels high, and a compact one that fits 800 × 600.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/PictureBox.h"
#include "graphs/GraphBoxes.h"
#include "model/Units.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>

namespace {


template <class W>
W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

QString indexed(const char *name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

QTableWidget *makeGrid(QWidget *parent, const QString &name, int columns)
{
    auto *grid = named(new QTableWidget(parent), name);
    grid->setColumnCount(columns);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setTabKeyNavigation(false);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    return grid;
}

} // namespace

void MainForm::CreateControls()
{
    // The window's own face, the dialog font of the design (a metric twin where
    // the platform lacks it).
    RegisterFontSubstitutes();
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    const QFont uiFont(m_startUp.UIFontName, m_startUp.UIFontSize);

    SlideStrip = named(new QTabBar(this), QStringLiteral("SlideStrip"));
    SlideStrip->setExpanding(false);
    // Every caption whole; arrows scroll the strip when the tabs do not fit, and
    // the selected tab is scrolled into sight.
    SlideStrip->setElideMode(Qt::ElideNone);
    SlideStrip->setUsesScrollButtons(true);
    SlideStrip->setFocusPolicy(Qt::StrongFocus);
    SlideStrip->addTab(QStringLiteral("<No Slide>"));
    connect(SlideStrip, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_tabsUpdating && index >= 0)
            SlideStrip_Click(index + 1);
    });

    DataGrid = makeGrid(this, QStringLiteral("DataGrid"), 6);
    connect(DataGrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int previousRow, int previousColumn) {
                DataGrid_CellChanged(row + 1, column, previousRow + 1, previousColumn);
            });

    frameDataEntry = named(new QGroupBox(QStringLiteral("Data Entry"), this), QStringLiteral("frameDataEntry"));
    lblDataEntry = named(new QLabel(QStringLiteral("&Enter a new droplet size (in EPD):"), frameDataEntry),
                         QStringLiteral("lblDataEntry"));
    txtDataEntry = named(new QLineEdit(frameDataEntry), QStringLiteral("txtDataEntry"));
    lblDataEntry->setBuddy(txtDataEntry);

    frameSlideInfo = named(new QGroupBox(QStringLiteral("Slide Information"), this), QStringLiteral("frameSlideInfo"));
    const char *slideCaptions[7] = {"Total # Drops:", "Slide Position:", "Sweeps:", "Area", "m", "", ""};
    for (int i = 0; i < 7; ++i)
        lblSlideInfo[i] = named(new QLabel(QString::fromUtf8(slideCaptions[i]), frameSlideInfo),
                                indexed("lblSlideInfo", i));
    for (int i = 1; i <= 2; ++i) {
        txtSlideInfo[i] = named(new QLineEdit(frameSlideInfo), indexed("txtSlideInfo", i));
        txtSlideInfo[i]->setAlignment(Qt::AlignRight);
    }
    lblSlideInfo[1]->setBuddy(txtSlideInfo[1]);
    lblSlideInfo[2]->setBuddy(txtSlideInfo[2]);

    m_mortality = new MortalityPanel(*this, this);
    m_parameters = new ParameterPanel(*this, this);

    frameStats = named(new QGroupBox(QStringLiteral("Size Ranges"), this), QStringLiteral("frameStats"));
    StatsGrid = makeGrid(frameStats, QStringLiteral("StatsGrid"), 3);
    StatsGrid->setRowCount(5);
    StatsGrid->setFocusPolicy(Qt::NoFocus);
    StatsGrid->setSelectionMode(QAbstractItemView::NoSelection);
    StatsGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StatsGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frameCloudMethod = named(new QGroupBox(frameStats), QStringLiteral("frameCloudMethod"));
    auto *cloudGroup = new QButtonGroup(this);
    auto *methodGroup = new QButtonGroup(this);
    const char *cloudCaptions[3] = {"", "on Slide", "in Cloud"};
    const char *methodCaptions[3] = {"", "Diameter \xC2\xB2", "May && Clifford"};
    for (int i = 1; i <= 2; ++i) {
        optCloud_Slide[i] = named(new QRadioButton(QString::fromUtf8(cloudCaptions[i]), frameCloudMethod),
                                  indexed("optCloud_Slide", i));
        cloudGroup->addButton(optCloud_Slide[i], i);
        // A doubled ampersand in a caption shows as one.
        optCloudMethod[i] = named(new QRadioButton(QString::fromUtf8(methodCaptions[i]), frameCloudMethod),
                                  indexed("optCloudMethod", i));
        methodGroup->addButton(optCloudMethod[i], i);
    }
    optCloud_Slide[1]->setChecked(true);
    optCloudMethod[1]->setChecked(true);
    optCloudMethod[1]->setVisible(false);
    optCloudMethod[2]->setVisible(false);
    connect(cloudGroup, &QButtonGroup::idClicked, this, [this](int id) { optCloud_Slide_Click(id); });

    ResultFrame = named(new QGroupBox(QStringLiteral("Drop Size Statistics  (Volume Fraction)"), this),
                        QStringLiteral("ResultFrame"));
    ResultPic = named(new PictureBox(ResultFrame), QStringLiteral("ResultPic"));
    connect(ResultPic, &PictureBox::MouseMoved, this, [this](const QPointF &p) { ResultPic_MouseMove(p); });
    ResultLabelX1 = named(new QLabel(ResultFrame), QStringLiteral("ResultLabelX1"));
    ResultLabelX2 = named(new QLabel(ResultFrame), QStringLiteral("ResultLabelX2"));
    ResultLabelY1 = named(new QLabel(ResultFrame), QStringLiteral("ResultLabelY1"));
    ResultLabelY2 = named(new QLabel(ResultFrame), QStringLiteral("ResultLabelY2"));
    ResultLabel = named(new QLabel(ResultFrame), QStringLiteral("ResultLabel"));
    for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2, ResultLabel})
        label->setFont(uiFont);

    m_graphGroup = new QButtonGroup(this);
    const char *graphCaptions[6] = {"", "VF", "CVF", "#/cm2", "NF", "CNF"};
    for (int i = 1; i <= 5; ++i) {
        GraphOption[i] = named(new QRadioButton(QString::fromLatin1(graphCaptions[i]), ResultFrame),
                               indexed("GraphOption", i));
        m_graphGroup->addButton(GraphOption[i], i);
    }
    connect(m_graphGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            GraphOption_Click(id);
    });

    const char *infoCaptions[4] = {"", "Cloud VMD:", "Slide Drop Density:", "Cloud NMD:"};
    for (int i = 1; i <= 3; ++i) {
        InfoLabel[i] = named(new QLabel(QString::fromLatin1(infoCaptions[i]), ResultFrame), indexed("InfoLabel", i));
        InfoLabel[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    VMDLabel = named(new QLabel(ResultFrame), QStringLiteral("VMDLabel"));
    DropLabel = named(new QLabel(ResultFrame), QStringLiteral("DropLabel"));
    NMDLabel = named(new QLabel(ResultFrame), QStringLiteral("NMDLabel"));
    CompositeCheck = named(new QCheckBox(QStringLiteral("Composite"), ResultFrame), QStringLiteral("CompositeCheck"));
    CompositeCheck->setFont(uiFont);
    connect(CompositeCheck, &QCheckBox::toggled, this, [this](bool) { CompositeCheck_Click(); });
    btnPrint = named(new QPushButton(QStringLiteral("Print"), ResultFrame), QStringLiteral("btnPrint"));
    connect(btnPrint, &QPushButton::clicked, this, [this] { PrintCommand(); });

    btnNewSlide = named(new QPushButton(QStringLiteral("New Slide"), this), QStringLiteral("btnNewSlide"));
    btnLoadData = named(new QPushButton(QStringLiteral("Load Slide Set"), this), QStringLiteral("btnLoadData"));
    btnSaveData = named(new QPushButton(QStringLiteral("Save Slide Set"), this), QStringLiteral("btnSaveData"));
    connect(btnNewSlide, &QPushButton::clicked, this, [this] { NewSlideCommand(); });
    connect(btnLoadData, &QPushButton::clicked, this, [this] { LoadCommand(); });
    connect(btnSaveData, &QPushButton::clicked, this, [this] { SaveCommand(); });

    Picture1 = named(new PictureBox(this), QStringLiteral("Picture1"));
    Picture1->setVisible(false);
    connect(Picture1, &PictureBox::MouseMoved, this, [this](const QPointF &) { Picture1_MouseMove(); });
    CardLabel.push_back(named(new QLabel(Picture1), QStringLiteral("CardLabel0")));
    CardLabel[0]->setVisible(false);
    Picture1->Lines.resize(7);
    Picture1->Circles.resize(7);
    for (int i = 1; i <= 6; ++i) {
        DataLabel[i] = named(new QLabel(Picture1), indexed("DataLabel", i));
        DataLabel[i]->setAutoFillBackground(true);
        DataLabel[i]->setFrameStyle(QFrame::Box | QFrame::Plain);
        DataLabel[i]->setVisible(false);
    }
}

void MainForm::AdjustScreen(int yres)
{
    if (yres >= 768)
        LayoutLargeScreen();
    else
        LayoutSmallScreen();
}

void MainForm::LayoutLargeScreen()
{
    m_largeLayout = true;
    LayoutCommon(true);
}

void MainForm::LayoutSmallScreen()
{
    m_largeLayout = false;
    LayoutCommon(false);
}

// Column widths of the count table come from its heading texts.
void MainForm::SetGridHeadings()
{
    const QStringList headings = {QStringLiteral("EPD"), QStringLiteral("Diam. (") + kMicro + QStringLiteral("m)"),
                                  QStringLiteral("Count"), QStringLiteral("EPD") + QChar(0x00D7) + QStringLiteral("Count"),
                                  QStringLiteral("Vol. Fraction"), QStringLiteral("Cumulative VF")};
    // A desktop theme may give item views a face of its own; the grids keep the
    // window's, so the widths measured here are the widths drawn.
    for (QTableWidget *grid : {DataGrid, StatsGrid}) {
        grid->setFont(font());
        grid->horizontalHeader()->setFont(font());
    }
    DataGrid->setHorizontalHeaderLabels(headings);
    const QFontMetrics fm(DataGrid->horizontalHeader()->font());
    for (int c = 0; c < headings.size(); ++c)
        DataGrid->setColumnWidth(c, fm.horizontalAdvance(headings[c]) + 12);

    const QStringList statsHeadings = {QStringLiteral("Range"), QStringLiteral("% Mass"), QStringLiteral("% Size")};
    StatsGrid->setHorizontalHeaderLabels(statsHeadings);
    // The range table's cells may use another face than the count table's
    // headings: measure with the wider of the two so no figure is elided.
    const QFontMetrics cellMetrics(StatsGrid->font());
    const auto widest = [&](const QString &text) {
        return std::max(fm.horizontalAdvance(text), cellMetrics.horizontalAdvance(text));
    };
    int rangeWidth = widest(statsHeadings[0]);
    for (int j = 0; j < kRangeCount; ++j) {
        const QString text = QStringLiteral(" ") + RangeBounds(j) + kMicro + QStringLiteral("m");
        auto *item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().color(QPalette::Button));
        StatsGrid->setItem(j, 0, item);
        rangeWidth = std::max(rangeWidth, widest(text));
    }
    StatsGrid->setColumnWidth(0, rangeWidth + 24);
    // The value columns carry trailing blanks that keep figures off the border.
    StatsGrid->setColumnWidth(1, widest(QStringLiteral("100.0%     ")) + 18);
    StatsGrid->setColumnWidth(2, widest(QStringLiteral("100.0%     ")) + 18);
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
    SetGridHeadings();
    DataGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    DataGrid->horizontalHeader()->setFixedHeight(rowHeight + 4);
    ResizeCountTable();
    int gridWidth = 2 * DataGrid->frameWidth() + DataGrid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < 6; ++c)
        gridWidth += DataGrid->columnWidth(c);
    const int stripHeight = SlideStrip->sizeHint().height();
    const int leftX = gap;
    SlideStrip->setGeometry(leftX, gap, gridWidth, stripHeight);
    const int gridTop = gap + stripHeight;
    const int gridHeight = (rowHeight + 4) + visibleRows * rowHeight + 2 * DataGrid->frameWidth();
    DataGrid->setGeometry(leftX, gridTop, gridWidth, gridHeight);
    const int rowBottom = gridTop + gridHeight; // bottom of the upper row

    // 2. Data entry over the mortality frame; slide information further right.
    m_mortality->SetCompact(!large);
    const QSize mortalitySize = m_mortality->sizeHint();
    const int entryX = leftX + gridWidth + gap;
    const int entryWidth = std::max(fm.horizontalAdvance(lblDataEntry->text()) + 24, mortalitySize.width());
    frameDataEntry->setGeometry(entryX, gridTop, entryWidth, 2 * lineHeight + 24);
    lblDataEntry->setGeometry(10, 20, entryWidth - 20, lineHeight - 4);
    txtDataEntry->setGeometry(10, 18 + lineHeight, 60, lineHeight);
    const int mortalityTop = gridTop + frameDataEntry->height() + gap;
    m_mortality->setGeometry(entryX, mortalityTop, entryWidth, mortalitySize.height());

    const int infoX = entryX + entryWidth + gap;
    const int labelWidth = fm.horizontalAdvance(lblSlideInfo[0]->text()) + 8;
    const int boxWidth = 60;
    const int unitWidth = fm.horizontalAdvance(QStringLiteral("ft")) + 6;
    const int areaWidth = fm.horizontalAdvance(QStringLiteral("= 000.00 cm \u00B2")) + 6;
    const int infoWidth = 10 + labelWidth + std::max(boxWidth + 4 + unitWidth, areaWidth) + 8;
    const int infoStep = lineHeight;
    frameSlideInfo->setGeometry(infoX, gridTop, infoWidth, 4 * infoStep + 22);
    const int captionRow[4] = {1, 2, 3, 0}; // position, sweeps, area, total drops
    for (int row = 0; row < 4; ++row) {
        const int y = 18 + row * infoStep;
        lblSlideInfo[captionRow[row]]->setGeometry(10, y, labelWidth, infoStep - 2);
        if (row < 2)
            txtSlideInfo[row + 1]->setGeometry(10 + labelWidth, y, boxWidth, infoStep - 2);
    }
    lblSlideInfo[4]->setGeometry(10 + labelWidth + boxWidth + 4, 18, unitWidth, infoStep - 2);
    lblSlideInfo[5]->setGeometry(10 + labelWidth, 18 + 2 * infoStep, areaWidth, infoStep - 2);
    lblSlideInfo[6]->setGeometry(10 + labelWidth, 18 + 3 * infoStep, areaWidth, infoStep - 2);
    lblSlideInfo[5]->clear();
    lblSlideInfo[6]->clear();

    // 3. The size-range table with the cloud options stacked beside it (under it
    // when the slide information column is too narrow).
    StatsGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    StatsGrid->horizontalHeader()->setFixedHeight(rowHeight + 4);
    int statsWidth = 2 * StatsGrid->frameWidth();
    for (int c = 0; c < 3; ++c)
        statsWidth += StatsGrid->columnWidth(c);
    const int statsHeight = 2 * StatsGrid->frameWidth() + (rowHeight + 4) + 5 * rowHeight;
    StatsGrid->setGeometry(8, 18, statsWidth, statsHeight);
    int optionWidth = 0;
    for (int i = 1; i <= 2; ++i)
        optionWidth = std::max({optionWidth, optCloud_Slide[i]->sizeHint().width(), optCloudMethod[i]->sizeHint().width()});
    const int optionHeight = optCloud_Slide[1]->sizeHint().height();
    for (int i = 1; i <= 2; ++i) {
        optCloud_Slide[i]->setGeometry(6, 4 + (i - 1) * optionHeight, optionWidth, optionHeight);
        optCloudMethod[i]->setGeometry(6, 10 + (i + 1) * optionHeight, optionWidth, optionHeight);
    }
    const QSize cloudSize(optionWidth + 12, 4 * optionHeight + 16);
    const int statsTop = gridTop + frameSlideInfo->height() + gap;
    int statsFrameWidth;
    if (large) {
        frameCloudMethod->setGeometry(8 + statsWidth + gap, 14, cloudSize.width(), cloudSize.height());
        statsFrameWidth = frameCloudMethod->geometry().right() + 8;
    } else {
        frameCloudMethod->setGeometry(8 + statsWidth + gap, 14, cloudSize.width(), cloudSize.height());
        statsFrameWidth = frameCloudMethod->geometry().right() + 6;
    }
    frameStats->setGeometry(infoX, statsTop, std::max(statsFrameWidth, infoWidth),
                            std::max(statsHeight, cloudSize.height()) + 26);
    if (large)
        frameSlideInfo->resize(frameStats->width(), frameSlideInfo->height());

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
    const int lowerTop = std::max(compositeBottom, frameStats->geometry().bottom() + 1) + gap;
    m_parameters->setGeometry(leftX, lowerTop, paramSize.width(), paramSize.height());
    const int resultWidth = 34 + kResultPicSize.width() + 16;
    const int readoutStep = large ? lineHeight - 2 : lineHeight - 5;
    const int resultHeight = 16 + kResultPicSize.height() + 22 + 24 + 3 * readoutStep + (large ? 30 : 28);
    ResultFrame->setGeometry(leftX + paramSize.width() + gap, lowerTop, resultWidth, resultHeight);
    const QRect result = ResultFrame->geometry();
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
        // The entry caption wraps in the narrow column.
        lblDataEntry->setWordWrap(true);
        const int captionHeight = lblDataEntry->heightForWidth(columnWidth - 16);
        const int entryHeight = 18 + captionHeight + 4 + lineHeight + 8;
        lblDataEntry->setGeometry(8, 18, columnWidth - 16, captionHeight);
        txtDataEntry->setGeometry(8, lblDataEntry->geometry().bottom() + 1 + 4, 60, lineHeight);
        const int compositeRight = columnX + columnWidth; // one past

        // Under the range table: where the size ranges are taken in one column,
        // how the cloud is weighted in the next.
        const int methodX = (statsWidth - 12) / 2 + 6;
        for (int i = 1; i <= 2; ++i) {
            const int y = 4 + (i - 1) * optionHeight;
            optCloud_Slide[i]->setGeometry(6, y, methodX - 6, optionHeight);
            optCloudMethod[i]->setGeometry(methodX, y, statsWidth - 6 - methodX, optionHeight);
        }
        StatsGrid->move(6, 18);
        frameCloudMethod->setGeometry(6, 18 + statsHeight + gap, statsWidth, 2 * optionHeight + 10);
        const int rightX = compositeRight + gap;
        const int rightWidth = std::max(infoWidth, 6 + statsWidth + 6);
        frameSlideInfo->setGeometry(rightX, top, rightWidth, frameSlideInfo->height());
        const int statsFrameTop = frameSlideInfo->geometry().bottom() + 1 + gap;
        const int statsFrameHeight = frameCloudMethod->geometry().bottom() + 1 + 6;

        // The upper row ends where its tallest column does.
        const int columnBottom = gridTop + entryHeight + gap + mortalitySize.height();
        const int topBottom = std::max({gridTop + gridHeight, statsFrameTop + statsFrameHeight, columnBottom});
        frameStats->setGeometry(rightX, statsFrameTop, rightWidth, topBottom - statsFrameTop);
        SlideStrip->setGeometry(leftX, top, compositeRight - leftX, stripHeight);
        DataGrid->setGeometry(leftX, gridTop, gridWidth, topBottom - gridTop);
        frameDataEntry->setGeometry(columnX, gridTop, columnWidth, entryHeight);
        m_mortality->setGeometry(columnX, gridTop + entryHeight + gap, columnWidth,
                                 topBottom - (gridTop + entryHeight + gap));

        const int lower = topBottom + gap;
        m_parameters->move(leftX, lower);
        ResultFrame->move(leftX + paramSize.width() + gap, lower);
        const QRect r = ResultFrame->geometry();
        btnNewSlide->move(r.right() + 1 + gap, lower + 8);
        btnLoadData->move(r.right() + 1 + gap, lower + 8 + buttonHeight + gap);
        btnSaveData->move(r.right() + 1 + gap, lower + 8 + 2 * (buttonHeight + gap));
        composite = QRect(leftX, gridTop, compositeRight - leftX, topBottom - gridTop);
    }

    // 5. Units.
    m_parameters->ShowParameters();
    ApplyUnitLabels();

    // 6. The histogram box and its axis labels.
    const QRect histogramBox(QPoint(34, 16), kResultPicSize);
    ResultPic->setGeometry(histogramBox);
    m_histScale = UserScale();
    m_histScale.Width = double(m_set.Params.MaxSizeEPD) * m_set.Params.MicronsPerEPD * m_set.Params.SpreadFactor;
    m_histScale.Height = -1;
    m_histScale.Pixels = ResultPic->Image().size();
    m_view.GraphMode = SelectedGraphOption() > 0 ? SelectedGraphOption() : 1;
    ResultLabel->setText(kMicro + QStringLiteral("m"));
    ResultLabel->adjustSize();
    ResultLabel->move(histogramBox.left() + (histogramBox.width() - ResultLabel->width()) / 2,
                      histogramBox.bottom() + 1 + 2);
    UpdateHistogramLabels();

    // 7. Graph options in a row under the box.
    GraphOption[3]->setText(QStringLiteral("#/cm") + kSquared);
    int optionX = 10;
    const int optionsTop = histogramBox.bottom() + 1 + 22;
    for (int i = 1; i <= 5; ++i) {
        const QSize hint = GraphOption[i]->sizeHint();
        GraphOption[i]->setGeometry(optionX, optionsTop, hint.width(), hint.height());
        optionX += hint.width() + 6;
    }

    // 8. The result read-outs: captions right-aligned to end 130 pixels in.
    for (QLabel *label : {VMDLabel, NMDLabel, DropLabel})
        label->clear();
    const int readoutTop = optionsTop + 24;
    const std::array<QLabel *, 4> values = {nullptr, VMDLabel, DropLabel, NMDLabel};
    for (int i = 1; i <= 3; ++i) {
        const int y = readoutTop + (i - 1) * readoutStep;
        InfoLabel[i]->setGeometry(4, y, 126, readoutStep);
        values[i]->setGeometry(136, y, resultWidth - 140, readoutStep);
    }

    // 9. The composite box in the bottom-right corner, Print level with it.
    const QSize checkSize = CompositeCheck->sizeHint();
    CompositeCheck->setGeometry(resultWidth - 5 - checkSize.width(), resultHeight - 5 - checkSize.height(),
                                checkSize.width(), checkSize.height());
    const QSize printSize = btnPrint->sizeHint();
    btnPrint->setGeometry(CompositeCheck->x() - 3 - printSize.width(),
                          CompositeCheck->y() + (checkSize.height() - printSize.height()) / 2, printSize.width(),
                          printSize.height());

    // The composite graphs over the count table and the entry column.
    Picture1->setGeometry(composite);
    Picture1->Image();
    m_underComposite.clear();
    for (QWidget *w : {static_cast<QWidget *>(frameSlideInfo), static_cast<QWidget *>(frameStats)})
        if (w->geometry().intersects(composite))
            m_underComposite.push_back(w);

    int right = 0, bottom = 0;
    for (QWidget *w : {static_cast<QWidget *>(m_parameters), static_cast<QWidget *>(ResultFrame),
                       static_cast<QWidget *>(frameStats), static_cast<QWidget *>(btnSaveData),
                       static_cast<QWidget *>(frameDataEntry),
                       static_cast<QWidget *>(m_mortality), static_cast<QWidget *>(Picture1)}) {
        right = std::max(right, w->geometry().right());
        bottom = std::max(bottom, w->geometry().bottom());
    }
    setFixedSize(right + 1 + gap, bottom + 1 + gap);

    // 10. The plot scales of the composite box, and the no-slide state.
    m_view.PlotScaleTop = large ? kPlotScaleTopLarge : kPlotScaleTopSmall;
    m_view.PlotScaleHeight = large ? kPlotScaleHeightLarge : kPlotScaleHeightSmall;
    ResetSlideSet();
}
