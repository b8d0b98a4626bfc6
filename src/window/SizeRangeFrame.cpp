#include "window/SizeRangeFrame.h"

#include "entry/SlideSetDocument.h"
#include "entry/frmCollector.h"
#include "model/CloudWeights.h"
#include "model/Units.h"
#include "platform/ui/MessageBoxes.h"
#include "shell/Settings.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// Trailing blanks keep the figures off the table's right border.
const QString kPercentPad(QStringLiteral("     "));
const QString kCountPad(QStringLiteral("        "));

void setStatsText(QTableWidget *grid, int row, int column, const QString &text)
{
    QTableWidgetItem *item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

} // namespace

SizeRangeFrame::SizeRangeFrame(WindowContext &context, QWidget *parent)
    : QGroupBox(QStringLiteral("Size Ranges"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frameStats"));
    StatsGrid = named(new QTableWidget(this), QStringLiteral("StatsGrid"));
    SetUpGrid(StatsGrid, 3);
    StatsGrid->setRowCount(kRangeCount);
    StatsGrid->setFocusPolicy(Qt::NoFocus);
    StatsGrid->setSelectionMode(QAbstractItemView::NoSelection);
    StatsGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StatsGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frameCloudMethod = named(new QGroupBox(this), QStringLiteral("frameCloudMethod"));
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
    btnCollector = named(new QPushButton(QStringLiteral("Collector\u2026"), frameCloudMethod),
                         QStringLiteral("btnCollector"));
    btnCollector->setVisible(false);
    lblCloudNote = named(new QLabel(this), QStringLiteral("lblCloudNote"));
    lblCloudNote->setWordWrap(true);
    lblCloudNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCloudNote->setVisible(false);
    connect(cloudGroup, &QButtonGroup::idClicked, this, [this](int id) { cloudOptionChosen(id); });
    connect(methodGroup, &QButtonGroup::idClicked, this, [this](int id) { cloudMethodChosen(id); });
    connect(btnCollector, &QPushButton::clicked, this, [this] { btnCollector_Click(); });
}

void SizeRangeFrame::SetHeadings(const QFont &font)
{
    StatsGrid->setFont(font);
    StatsGrid->horizontalHeader()->setFont(font);
    const QFontMetrics fm(font);
    const QStringList headings = {QStringLiteral("Range"), QStringLiteral("% Mass"), QStringLiteral("% Size")};
    StatsGrid->setHorizontalHeaderLabels(headings);
    // The cells may use another face than the headings: measure with the wider
    // of the two so no figure is elided.
    const QFontMetrics cellMetrics(StatsGrid->font());
    const auto widest = [&](const QString &text) {
        return std::max(fm.horizontalAdvance(text), cellMetrics.horizontalAdvance(text));
    };
    int rangeWidth = widest(headings[0]);
    for (int j = 0; j < kRangeCount; ++j) {
        const QString text = QStringLiteral(" ") + RangeLabel(j);
        auto *item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(window()->palette().color(QPalette::Button));
        StatsGrid->setItem(j, 0, item);
        rangeWidth = std::max(rangeWidth, widest(text));
    }
    StatsGrid->setColumnWidth(0, rangeWidth + 24);
    // The value columns carry trailing blanks that keep figures off the border.
    StatsGrid->setColumnWidth(1, widest(QStringLiteral("100.0%     ")) + 18);
    StatsGrid->setColumnWidth(2, widest(QStringLiteral("100.0%     ")) + 18);
}

QSize SizeRangeFrame::Arrange(bool large, int rowHeight)
{
    StatsGrid->verticalHeader()->setDefaultSectionSize(rowHeight);
    StatsGrid->horizontalHeader()->setFixedHeight(rowHeight + 4);
    int statsWidth = 2 * StatsGrid->frameWidth();
    for (int c = 0; c < 3; ++c)
        statsWidth += StatsGrid->columnWidth(c);
    const int statsHeight = 2 * StatsGrid->frameWidth() + (rowHeight + 4) + kRangeCount * rowHeight;
    StatsGrid->setGeometry(8, 18, statsWidth, statsHeight);
    int optionWidth = 0;
    for (int i = 1; i <= 2; ++i)
        optionWidth = std::max({optionWidth, optCloud_Slide[i]->sizeHint().width(), optCloudMethod[i]->sizeHint().width()});
    const int optionHeight = optCloud_Slide[1]->sizeHint().height();
    if (!large) {
        // Under the table: where the size ranges are taken in one column, how
        // the cloud is weighted in the next.
        const int gap = 4;
        const int methodX = (statsWidth - 12) / 2 + 6;
        for (int i = 1; i <= 2; ++i) {
            const int y = 4 + (i - 1) * optionHeight;
            optCloud_Slide[i]->setGeometry(6, y, methodX - 6, optionHeight);
            optCloudMethod[i]->setGeometry(methodX, y, statsWidth - 6 - methodX, optionHeight);
        }
        // The collector button under the method buttons, the note on drops below
        // the efficiency floor beside it.
        const int buttonHeight = btnCollector->sizeHint().height();
        const int buttonWidth = btnCollector->sizeHint().width();
        btnCollector->setGeometry(methodX, 6 + 2 * optionHeight, buttonWidth, buttonHeight);
        StatsGrid->move(6, 18);
        const int frameHeight = 2 * optionHeight + buttonHeight + 10;
        frameCloudMethod->setGeometry(6, 18 + statsHeight + gap, statsWidth, frameHeight);
        lblCloudNote->setGeometry(6, frameCloudMethod->geometry().bottom() + 2, statsWidth, 3 * optionHeight);
        return QSize(6 + statsWidth + 6, frameCloudMethod->geometry().bottom() + 1 + 6);
    }
    // Beside the table, stacked.
    for (int i = 1; i <= 2; ++i) {
        optCloud_Slide[i]->setGeometry(6, 4 + (i - 1) * optionHeight, optionWidth, optionHeight);
        optCloudMethod[i]->setGeometry(6, 10 + (i + 1) * optionHeight, optionWidth, optionHeight);
    }
    const int buttonHeight = btnCollector->sizeHint().height();
    btnCollector->setGeometry(6, 12 + 4 * optionHeight, optionWidth, buttonHeight);
    const QSize cloudSize(optionWidth + 12, 4 * optionHeight + buttonHeight + 18);
    frameCloudMethod->setGeometry(8 + statsWidth + 6, 14, cloudSize.width(), cloudSize.height());
    const int width = frameCloudMethod->geometry().right() + 8;
    // The note on drops below the efficiency floor under the table, two lines.
    const int noteTop = 18 + statsHeight + 2;
    lblCloudNote->setGeometry(8, noteTop, width - 16, 2 * optionHeight + 4);
    return QSize(width, std::max(noteTop + 2 * optionHeight + 4, cloudSize.height() + 14) + 8);
}

void SizeRangeFrame::Fill()
{
    const SlideSet &set = m_context.Set();
    const NumberFormat &format = m_context.Format();
    const bool onSlide = optCloud_Slide[1]->isChecked();
    StatsGrid->horizontalHeaderItem(2)->setText(QStringLiteral("% Size"));
    StatsGrid->horizontalHeaderItem(1)->setText(onSlide ? QStringLiteral("Count") : QStringLiteral("% Mass"));
    // A slide without drops has no range figures; they stay empty rather than
    // showing those of the slide before.
    const bool empty = set.CurrentSlide < 1 || set.Current().TotalDrops == 0;
    const RangeStatistics &r = m_context.View().RangeStats;
    showMethodControls();
    for (int j = 0; j < kRangeCount; ++j) {
        if (empty) {
            setStatsText(StatsGrid, j, 1, QString());
            setStatsText(StatsGrid, j, 2, QString());
        } else if (onSlide) {
            setStatsText(StatsGrid, j, 1, format.General(float(r.Count[j])) + kCountPad);
            setStatsText(StatsGrid, j, 2, format.Format(r.SizeOnSlide[j], "0.0%") + kPercentPad);
        } else {
            setStatsText(StatsGrid, j, 1, format.Format(r.MassInCloud[j], "0.0%") + kPercentPad);
            setStatsText(StatsGrid, j, 2, format.Format(r.SizeInCloud[j], "0.0%") + kPercentPad);
        }
    }
}

void SizeRangeFrame::SetEntryEnabled(bool enabled)
{
    m_entryEnabled = enabled;
    for (int i = 1; i <= 2; ++i)
        optCloud_Slide[i]->setEnabled(enabled);
    showMethodControls();
    SetGridColours(StatsGrid, enabled, enabled ? QColor(144, 144, 144) : QColor(192, 192, 192));
    if (!enabled)
        for (int r = 0; r < kRangeCount; ++r)
            for (int c = 1; c <= 2; ++c)
                if (QTableWidgetItem *item = StatsGrid->item(r, c))
                    item->setText(QString());
}

void SizeRangeFrame::cloudOptionChosen(int option)
{
    Fill();
    for (int i = 1; i <= 2; ++i)
        optCloudMethod[i]->setVisible(option == 2);
    showMethodControls();
}

void SizeRangeFrame::showMethodControls()
{
    const bool inCloud = optCloud_Slide[2]->isChecked();
    if (m_entryEnabled)
        for (int i = 1; i <= 2; ++i)
            optCloudMethod[i]->setVisible(inCloud);
    else
        for (int i = 1; i <= 2; ++i)
            optCloudMethod[i]->setVisible(false);
    const SlideSet &set = m_context.Set();
    const bool impaction = set.Cloud.Method == CloudMethod::Impaction;
    btnCollector->setVisible(m_entryEnabled && inCloud && impaction);
    // The drops of the view (the slide on view, or the whole line) that the
    // collector catches less often than the floor allows for.
    QString note;
    if (m_entryEnabled && inCloud && impaction) {
        const CloudWeights weights(set);
        int64_t below = 0;
        if (m_context.IsCompositeView())
            below = DropsBelowFloor(set, weights);
        else if (set.CurrentSlide >= 1)
            below = DropsBelowFloor(set.Current(), weights);
        if (below > 0)
            note = QStringLiteral("%1 %2 below E %3: the cloud share of the smallest drops is a lower bound.")
                       .arg(m_context.Format().Format(double(below), "0"),
                            below == 1 ? QStringLiteral("drop") : QStringLiteral("drops"),
                            m_context.Format().Format(kEfficiencyFloor, "0.00"));
    }
    lblCloudNote->setText(note);
    lblCloudNote->setVisible(!note.isEmpty());
}

void SizeRangeFrame::cloudMethodChosen(int method)
{
    CloudWeighting weighting = m_context.Set().Cloud;
    weighting.Method = method == 2 ? CloudMethod::Impaction : CloudMethod::Diameter2;
    m_context.Document().SetCloudWeighting(weighting);
    showReweighted();
}

void SizeRangeFrame::btnCollector_Click()
{
    const NumberFormat &format = m_context.Format();
    frmCollector dialog(m_context.Set(), format, window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    CloudWeighting weighting = m_context.Set().Cloud;
    weighting.Collector = dialog.Collector();
    if (!SaveCollectorSettings(m_context.Store(), weighting.Collector, format))
        MessageBoxes::Show(window(),
                           QStringLiteral("The collector could not be stored: it holds until the program ends."),
                           MessageBoxes::OkOnly, MessageBoxes::Exclamation);
    m_context.Document().SetCloudWeighting(weighting);
    showReweighted();
}

void SizeRangeFrame::showReweighted()
{
    if (m_context.Set().SlideCount() > 0) {
        if (m_context.IsCompositeView())
            m_context.CalcCompositeAndMedians();
        m_context.RefreshCurrentSlide();
    }
    showMethodControls();
}
