// The figures of the slide on view (or of the whole line in composite view):
// the count table, the size-range table, the medians and density, and the
// histogram with its axis labels.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/PictureBox.h"
#include "graphs/Histogram.h"
#include "model/Units.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// Trailing blanks keep the figures of the tables off their right borders.
const QString kPercentPad(QStringLiteral("     "));
const QString kFractionPad(QStringLiteral("       "));
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

QString graphTitleSuffix(int mode)
{
    switch (mode) {
    case 2: return QStringLiteral("  (Cumulative Volume Fraction)");
    case 3: return QStringLiteral("  (drops/cm ") + kSquared + QStringLiteral(")");
    case 4: return QStringLiteral("  (Number Fraction)");
    case 5: return QStringLiteral("  (Cumulative Number Fraction)");
    default: return QStringLiteral("  (Volume Fraction)");
    }
}

} // namespace

void MainForm::RefreshCurrentSlide()
{
    const Slide &s = m_set.Current();
    const int n = std::min<int>({m_set.Params.MaxSizeEPD, int(s.Counts.size()) - 1, int(m_shownRows.size()) - 1});
    float cumulative = 0;
    // A drop changes its own class and the fractions of the others; at 2 000
    // classes rewriting every row would be most of the refresh.
    char text[NumberText::kCapacity];
    for (int k = 1; k <= n; ++k) {
        const int16_t count = s.Counts[k];
        ShownCountRow shown = std::move(m_shownRows[size_t(k)]);
        if (count > 0) {
            cumulative = cumulative + s.VF[k];
            const bool rewrite = count != shown.Count;
            if (rewrite) {
                SetCellText(k, 2, m_format.Format(count, "0"));
                SetCellText(k, 3, m_format.Format(double(count) * k, "0") + kCountPad);
            }
            const std::string_view vf(text, size_t(NumberText::Format(text, s.VF[k], "0.00") - text));
            if (rewrite || vf != shown.VF) {
                SetCellText(k, 4, m_format.Format(s.VF[k], "0.00") + kFractionPad);
                shown.VF = vf;
            }
            const std::string_view cumulativeText(text, size_t(NumberText::Format(text, cumulative, "0.00") - text));
            if (rewrite || cumulativeText != shown.Cumulative) {
                SetCellText(k, 5, m_format.Format(cumulative, "0.00") + kFractionPad);
                shown.Cumulative = cumulativeText;
            }
            shown.Count = count;
        } else if (shown.Count != 0) {
            for (int c = 2; c <= 5; ++c)
                SetCellText(k, c, QString());
            shown = ShownCountRow{0, {}, {}};
        }
        m_shownRows[size_t(k)] = std::move(shown);
    }
    if (m_set.CurrentSlide >= 1) {
        txtSlideInfo[1]->setText(m_format.General(s.Position));
        txtSlideInfo[2]->setText(m_format.General(s.Sweeps));
        lblSlideInfo[5]->setText(QStringLiteral("= ") + m_format.Format(s.Area, "0.00") + QStringLiteral(" cm ")
                                 + kSquared);
        lblSlideInfo[6]->setText(m_format.Format(s.TotalDrops, "0"));
    }

    ComputeRangeStats(m_view.RangeStats, m_set, 0);
    FillStatsGrid();
    m_mortality->ShowMortality();
    // In composite view the results are the line's: an empty slide on view
    // does not switch them off (nor hide Print).
    SetResultsEnabled(IsCompositeView() ? m_resultsEnabled : s.TotalDrops > 0);
    m_view.CurrentVMD = IsCompositeView() ? m_view.Composite.CompVMD : s.VMD;
    m_view.CurrentNMD = IsCompositeView() ? m_view.Composite.CompNMD : s.NMD;

    ClearResultPic();
    // Each read-out is set once, to its new text: a label cleared and set again
    // repaints even when the figure did not change.
    if (m_resultsEnabled) {
        DrawResult();
        UpdateHistogramLabels();
        UpdateStatsLabels();
    } else {
        VMDLabel->clear();
        DropLabel->clear();
        NMDLabel->clear();
    }
    // The line graphs draw every slide: the one on view has just changed.
    if (IsCompositeView() && m_view.CompositeView >= 1)
        DrawCompositeGraph(m_view.CompositeView);
}

void MainForm::FillStatsGrid()
{
    const bool onSlide = optCloud_Slide[1]->isChecked();
    StatsGrid->horizontalHeaderItem(2)->setText(QStringLiteral("% Size"));
    StatsGrid->horizontalHeaderItem(1)->setText(onSlide ? QStringLiteral("Count") : QStringLiteral("% Mass"));
    // A slide without drops has no range figures; they stay empty rather than
    // showing those of the slide before.
    const bool empty = m_set.CurrentSlide < 1 || m_set.Current().TotalDrops == 0;
    const RangeStatistics &r = m_view.RangeStats;
    for (int j = 0; j < kRangeCount; ++j) {
        if (empty) {
            setStatsText(StatsGrid, j, 1, QString());
            setStatsText(StatsGrid, j, 2, QString());
        } else if (onSlide) {
            setStatsText(StatsGrid, j, 1, m_format.General(float(r.Count[j])) + kCountPad);
            setStatsText(StatsGrid, j, 2, m_format.Format(r.SizeOnSlide[j], "0.0%") + kPercentPad);
        } else {
            setStatsText(StatsGrid, j, 1, m_format.Format(r.MassInCloud[j], "0.0%") + kPercentPad);
            setStatsText(StatsGrid, j, 2, m_format.Format(r.SizeInCloud[j], "0.0%") + kPercentPad);
        }
    }
}

void MainForm::UpdateStatsLabels()
{
    // With nothing counted there is nothing to read out.
    if (m_set.SlideCount() == 0 || (!m_resultsEnabled && !IsCompositeView())) {
        VMDLabel->clear();
        NMDLabel->clear();
        DropLabel->clear();
        return;
    }
    const QString microns = MicronsCaption();
    const QString density = QStringLiteral(" drops/cm ") + kSquared;
    if (IsCompositeView()) {
        const CompositeResults &c = m_view.Composite;
        VMDLabel->setText(m_format.Format(c.CompVMD, "0.0") + microns);
        NMDLabel->setText(m_format.Format(c.CompNMD, "0.0") + microns);
        DropLabel->setText(m_format.Format(c.AveDropDensity, "0.0") + density);
    } else {
        const Slide &s = m_set.Current();
        VMDLabel->setText(m_format.Format(s.VMD, "0.0") + microns);
        NMDLabel->setText(m_format.Format(s.NMD, "0.0") + microns);
        DropLabel->setText(m_format.Format(s.DropDensity, "0.0") + density);
    }
}

void MainForm::UpdateHistogramLabels()
{
    ResultLabelX1->setText(m_format.Format(m_histScale.Left, "0"));
    ResultLabelX2->setText(m_format.Format(m_histScale.Left + m_histScale.Width, "0.0"));
    const bool fraction = m_view.GraphMode == 1 || m_view.GraphMode == 4;
    ResultLabelY2->setText(m_format.Format(m_histScale.Top, fraction ? "0.00" : "0"));
    ResultLabelY1->setText(QStringLiteral("0"));
    PlaceHistogramLabels();
}

void MainForm::SetHistogramRightLabel(const QString &text)
{
    ResultLabelX2->setText(text);
    PlaceHistogramLabels();
}

void MainForm::PlaceHistogramLabels()
{
    const QRect pic = ResultPic->geometry();
    for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2})
        label->adjustSize();
    const int below = pic.bottom() + 2;
    ResultLabelX1->move(pic.left() - ResultLabelX1->width() / 2, below);
    int x2 = pic.left() + pic.width() - ResultLabelX2->width() / 2;
    // Kept inside the frame, 4 pixels from its right edge.
    if (x2 + ResultLabelX2->width() > ResultFrame->width() - 4)
        x2 = ResultFrame->width() - 4 - ResultLabelX2->width();
    ResultLabelX2->move(x2, below);
    ResultLabelY2->move(pic.left() - ResultLabelY2->width() - 3, pic.top());
    ResultLabelY1->move(pic.left() - ResultLabelY1->width() - 3, pic.bottom() + 1 - ResultLabelY1->height());
}

int MainForm::SelectedGraphOption() const
{
    for (int i = 1; i <= 5; ++i)
        if (GraphOption[i]->isChecked())
            return i;
    return 0;
}

void MainForm::SelectGraphOption(int index)
{
    if (index < 1 || index > 5 || GraphOption[index]->isChecked())
        return;
    GraphOption[index]->setChecked(true); // runs GraphOption_Click through the group
}

void MainForm::GraphOption_Click(int index)
{
    const QString title = IsCompositeView() ? QStringLiteral("Composite Statistics")
                                            : QStringLiteral("Drop Size Statistics");
    m_view.GraphMode = index;
    ResultFrame->setTitle(title + graphTitleSuffix(index));
    DrawResult();
    UpdateHistogramLabels();
    UpdateStatsLabels();
}

void MainForm::optCloud_Slide_Click(int index)
{
    FillStatsGrid();
    for (int i = 1; i <= 2; ++i)
        optCloudMethod[i]->setVisible(index == 2);
}

void MainForm::ClearResultPic()
{
    ResultPic->Clear();
}

void MainForm::ResultPic_MouseMove(const QPointF &pixel)
{
    if (m_histScale.Pixels.isEmpty())
        return;
    ResultPic->setToolTip(HistogramToolTip(m_histScale, m_view.GraphMode, pixel, m_format));
}

void MainForm::DrawResult()
{
    if (m_set.SlideCount() == 0 || m_view.LargestSizeFound == 0)
        return;
    QImage &image = ResultPic->Image();
    HistogramResult result;
    {
        DrawingSurface surface(&image, ResultPic->OuterHeight());
        surface.BackColor = ResultPic->BackColor();
        surface.ScaleLeft = float(m_histScale.Left);
        surface.ScaleTop = float(m_histScale.Top);
        surface.ScaleWidth = float(m_histScale.Width);
        surface.ScaleHeight = float(m_histScale.Height);
        result = ::DrawResult(surface, m_set, m_view);
    }
    m_histScale = result.Scale;
    ResultPic->update();
}
