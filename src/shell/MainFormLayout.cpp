// The controls of the main window and their two arrangements: the full one for
// screens at least 768 pixels high, and a compact one that fits 800 × 600.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/PictureBox.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>

namespace {

const QString kMicro(QChar(0x00B5));
const QString kSquared(QChar(0x00B2));

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
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);
    const QFont uiFont(m_startUp.UIFontName, m_startUp.UIFontSize);

    SlideStrip = named(new QTabBar(this), QStringLiteral("SlideStrip"));
    SlideStrip->setExpanding(false);
    SlideStrip->setUsesScrollButtons(true);
    SlideStrip->setFocusPolicy(Qt::StrongFocus);
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

    // Offered by the window's design but answered by nothing.
    PopUp = new QMenu(QStringLiteral("PopUp"), this);
    PopUp_Resolution = PopUp->addAction(QStringLiteral("Resolution..."));
    PopUp_Resolution->setObjectName(QStringLiteral("PopUp_Resolution"));
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
    DataGrid->setHorizontalHeaderLabels(headings);
    const QFontMetrics fm(DataGrid->horizontalHeader()->font());
    for (int c = 0; c < headings.size(); ++c)
        DataGrid->setColumnWidth(c, fm.horizontalAdvance(headings[c]) + 12);

    const QStringList statsHeadings = {QStringLiteral("Range"), QStringLiteral("% Mass"), QStringLiteral("% Size")};
    StatsGrid->setHorizontalHeaderLabels(statsHeadings);
    const char *ranges[5] = {"=< 7", "7 -- 22", "22 -- 50", "> 50", "> 80"};
    int rangeWidth = fm.horizontalAdvance(statsHeadings[0]);
    for (int j = 0; j < 5; ++j) {
        const QString text = QStringLiteral(" ") + QString::fromLatin1(ranges[j]) + kMicro + QStringLiteral("m");
        auto *item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().color(QPalette::Button));
        StatsGrid->setItem(j, 0, item);
        rangeWidth = std::max(rangeWidth, fm.horizontalAdvance(text));
    }
    StatsGrid->setColumnWidth(0, rangeWidth + 14);
    // The value columns carry trailing blanks that keep figures off the border.
    StatsGrid->setColumnWidth(1, fm.horizontalAdvance(QStringLiteral("100.0%     ")) + 8);
    StatsGrid->setColumnWidth(2, fm.horizontalAdvance(QStringLiteral("100.0%     ")) + 8);
}

void MainForm::LayoutCommon(bool large)
{
    const int rowHeight = large ? 18 : 16;
    const int gap = large ? 6 : 4;

    // 1. The count table.
    SetGridHeadings();
    DataGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    DataGrid->horizontalHeader()->setFixedHeight(rowHeight + 2);
    ResizeCountTable();
    int gridWidth = 2 * DataGrid->frameWidth() + DataGrid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < 6; ++c)
        gridWidth += DataGrid->columnWidth(c);
    const int stripHeight = SlideStrip->sizeHint().height();
    const int leftX = gap;
    SlideStrip->setGeometry(leftX, gap, gridWidth, stripHeight);
    const int gridTop = gap + stripHeight;
    const int gridHeight = large ? (rowHeight + 2) + 20 * rowHeight + 2 * DataGrid->frameWidth() + 2
                                 : (rowHeight + 2) + 15 * rowHeight + 2 * DataGrid->frameWidth() + 2;
    DataGrid->setGeometry(leftX, gridTop, gridWidth, gridHeight);

    // 2. The frames of the left half, under the table.
    const QFontMetrics fm(font());
    const int lineHeight = std::max(fm.height() + 8, 20);
    const int entryWidth = std::max(fm.horizontalAdvance(lblDataEntry->text()) + 20, (gridWidth - gap) / 2);
    const int frameTop = gridTop + gridHeight + gap;
    frameDataEntry->setGeometry(leftX, frameTop, entryWidth, 2 * lineHeight + 16);
    lblDataEntry->setGeometry(8, 18, entryWidth - 16, lineHeight - 4);
    txtDataEntry->setGeometry(8, 18 + lineHeight - 2, 60, lineHeight);

    const int infoTop = frameTop + frameDataEntry->height() + gap;
    const int labelWidth = fm.horizontalAdvance(lblSlideInfo[0]->text()) + 6;
    const int boxWidth = 64;
    frameSlideInfo->setGeometry(leftX, infoTop, entryWidth, 4 * lineHeight + 24);
    for (int row = 0; row < 4; ++row) {
        const int y = 18 + row * lineHeight;
        // Rows: position, sweeps, area, total drops.
        const int caption = row == 0 ? 1 : row == 1 ? 2 : row == 2 ? 3 : 0;
        lblSlideInfo[caption]->setGeometry(8, y, labelWidth, lineHeight - 2);
        if (row < 2)
            txtSlideInfo[row + 1]->setGeometry(8 + labelWidth, y, boxWidth, lineHeight - 2);
    }
    lblSlideInfo[4]->setGeometry(8 + labelWidth + boxWidth + 4, 18, 30, lineHeight - 2);
    lblSlideInfo[5]->setGeometry(8 + labelWidth, 18 + 2 * lineHeight, entryWidth - labelWidth - 14, lineHeight - 2);
    lblSlideInfo[6]->setGeometry(8 + labelWidth, 18 + 3 * lineHeight, entryWidth - labelWidth - 14, lineHeight - 2);
    lblSlideInfo[5]->clear();
    lblSlideInfo[6]->clear();

    m_mortality->SetCompact(!large);
    const int mortalityX = leftX + entryWidth + gap;
    const QSize mortalitySize = m_mortality->sizeHint();
    m_mortality->setGeometry(mortalityX, frameTop, std::max(gridWidth - entryWidth - gap, mortalitySize.width()),
                             std::max(frameSlideInfo->geometry().bottom() - frameTop + 1, mortalitySize.height()));
    const int leftRight = std::max(leftX + gridWidth, m_mortality->geometry().right() + 1);
    const int leftBottom = std::max(frameSlideInfo->geometry().bottom(), m_mortality->geometry().bottom()) + 1;

    // 3. The size-range table and the cloud options beside it.
    int statsWidth = 2 * StatsGrid->frameWidth();
    for (int c = 0; c < 3; ++c)
        statsWidth += StatsGrid->columnWidth(c);
    StatsGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    StatsGrid->horizontalHeader()->setFixedHeight(rowHeight + 2);
    const int statsHeight = 2 * StatsGrid->frameWidth() + (rowHeight + 2) + 5 * rowHeight;
    StatsGrid->setGeometry(8, 18, statsWidth, statsHeight);
    int optionWidth = 0;
    for (int i = 1; i <= 2; ++i)
        optionWidth = std::max({optionWidth, optCloud_Slide[i]->sizeHint().width(), optCloudMethod[i]->sizeHint().width()});
    const int optionHeight = optCloud_Slide[1]->sizeHint().height();
    frameCloudMethod->setGeometry(8 + statsWidth + gap, 12, optionWidth + 12, 4 * optionHeight + 16);
    for (int i = 1; i <= 2; ++i) {
        optCloud_Slide[i]->setGeometry(6, 4 + (i - 1) * optionHeight, optionWidth, optionHeight);
        optCloudMethod[i]->setGeometry(6, 10 + (i + 1) * optionHeight, optionWidth, optionHeight);
    }
    const int statsFrameWidth = frameCloudMethod->geometry().right() + 8;
    const int statsFrameHeight = std::max(statsHeight, frameCloudMethod->height()) + 26;

    // 4. The parameters right of the left half, the results right of them.
    m_parameters->SetCompact(!large);
    const QSize paramSize = m_parameters->sizeHint();
    const int paramX = leftRight + gap;
    const int resultWidth = 34 + 285 + 16;
    const int resultHeight = 16 + 70 + 22 + 24 + 3 * (lineHeight - 2) + 30;
    int paramHeight = paramSize.height();
    if (large) {
        m_parameters->setGeometry(paramX, gap, paramSize.width(), paramHeight);
        ResultFrame->setGeometry(paramX + paramSize.width() + gap, gap, resultWidth, resultHeight);
        frameStats->setGeometry(paramX, gap + paramHeight + gap, std::max(statsFrameWidth, paramSize.width()),
                                statsFrameHeight);
    } else {
        // Compact: the range table over the parameters, the results on their right
        // at the bottom of the window.
        frameStats->setGeometry(paramX, gap, statsFrameWidth, statsFrameHeight);
        const int paramTop = gap + statsFrameHeight + gap;
        m_parameters->setGeometry(paramX, paramTop, paramSize.width(), paramHeight);
        ResultFrame->setGeometry(paramX + paramSize.width() + gap, std::max(gap, leftBottom - resultHeight), resultWidth,
                                 resultHeight);
    }
    const QRect result = ResultFrame->geometry();
    const int buttonHeight = btnNewSlide->sizeHint().height();
    const int buttonWidth = std::max(btnLoadData->sizeHint().width(), btnSaveData->sizeHint().width()) + 8;
    if (large) {
        btnNewSlide->setGeometry(result.left(), result.bottom() + 1 + gap, buttonWidth, buttonHeight);
        btnLoadData->setGeometry(result.left() + buttonWidth + gap, result.bottom() + 1 + gap, buttonWidth, buttonHeight);
        btnSaveData->setGeometry(result.left() + 2 * (buttonWidth + gap), result.bottom() + 1 + gap, buttonWidth,
                                 buttonHeight);
    } else {
        btnNewSlide->setGeometry(result.left(), result.top() - 3 * (buttonHeight + gap), buttonWidth, buttonHeight);
        btnLoadData->setGeometry(result.left(), result.top() - 2 * (buttonHeight + gap), buttonWidth, buttonHeight);
        btnSaveData->setGeometry(result.left(), result.top() - (buttonHeight + gap), buttonWidth, buttonHeight);
    }

    // 5. Units.
    m_parameters->ShowParameters();
    ApplyUnitLabels();

    // 6. The histogram box and its axis labels.
    ResultPic->setGeometry(34, 16, 285, 70);
    m_histScale = UserScale();
    m_histScale.Width = double(m_set.Params.MaxSizeEPD) * m_set.Params.MicronsPerEPD * m_set.Params.SpreadFactor;
    m_histScale.Height = -1;
    m_histScale.Pixels = ResultPic->Image().size();
    m_view.GraphMode = SelectedGraphOption() > 0 ? SelectedGraphOption() : 1;
    ResultLabel->setText(kMicro + QStringLiteral("m"));
    ResultLabel->adjustSize();
    ResultLabel->move(34 + (285 - ResultLabel->width()) / 2, 16 + 70 + 2);
    for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2})
        label->adjustSize();
    UpdateHistogramLabels();

    // 7. Graph options in a row under the box.
    GraphOption[3]->setText(QStringLiteral("#/cm") + kSquared);
    int optionX = 8;
    const int optionsTop = 16 + 70 + 22;
    for (int i = 1; i <= 5; ++i) {
        const QSize hint = GraphOption[i]->sizeHint();
        GraphOption[i]->setGeometry(optionX, optionsTop, hint.width(), hint.height());
        optionX += hint.width() + 4;
    }

    // 8. The result read-outs: captions right-aligned to end 130 pixels in.
    for (QLabel *label : {VMDLabel, NMDLabel, DropLabel})
        label->clear();
    const int readoutTop = optionsTop + 24;
    const std::array<QLabel *, 4> values = {nullptr, VMDLabel, DropLabel, NMDLabel};
    for (int i = 1; i <= 3; ++i) {
        const int y = readoutTop + (i - 1) * (lineHeight - 2);
        InfoLabel[i]->setGeometry(4, y, 126, lineHeight - 2);
        values[i]->setGeometry(136, y, resultWidth - 140, lineHeight - 2);
    }

    // 9. The composite box in the bottom-right corner, Print level with it.
    const QSize checkSize = CompositeCheck->sizeHint();
    CompositeCheck->setGeometry(resultWidth - 5 - checkSize.width(), resultHeight - 5 - checkSize.height(),
                                checkSize.width(), checkSize.height());
    const QSize printSize = btnPrint->sizeHint();
    btnPrint->setGeometry(CompositeCheck->x() - 3 - printSize.width(),
                          CompositeCheck->y() + (checkSize.height() - printSize.height()) / 2, printSize.width(),
                          printSize.height());

    // The composite graphs cover the left half, whose entry controls they replace.
    Picture1->setGeometry(leftX, gridTop, leftRight - leftX, leftBottom - gridTop);
    Picture1->Image();

    int right = 0, bottom = 0;
    for (QWidget *w : {static_cast<QWidget *>(m_parameters), static_cast<QWidget *>(ResultFrame),
                       static_cast<QWidget *>(frameStats), static_cast<QWidget *>(btnSaveData),
                       static_cast<QWidget *>(Picture1)}) {
        right = std::max(right, w->geometry().right());
        bottom = std::max(bottom, w->geometry().bottom());
    }
    setFixedSize(right + 1 + gap, bottom + 1 + gap);

    // 10. The plot scales of the composite box, and the no-slide state.
    m_view.PlotScaleTop = large ? 4.15 : 4.2;
    m_view.PlotScaleHeight = large ? -4.7 : -4.95;
    ResetSlideSet();
}
