#include "window/ResultsPanel.h"

#include "entry/PictureBox.h"
#include "graphs/GraphBoxes.h"
#include "graphs/Histogram.h"
#include "model/Units.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

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

int readoutStep(bool large, int lineHeight)
{
    return large ? lineHeight - 2 : lineHeight - 5;
}

} // namespace

ResultsPanel::ResultsPanel(WindowContext &context, const QFont &uiFont, QWidget *parent)
    : QGroupBox(QStringLiteral("Drop Size Statistics  (Volume Fraction)"), parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("ResultFrame"));
    ResultPic = named(new PictureBox(this), QStringLiteral("ResultPic"));
    connect(ResultPic, &PictureBox::MouseMoved, this, [this](const QPointF &p) { showToolTip(p); });
    ResultLabelX1 = named(new QLabel(this), QStringLiteral("ResultLabelX1"));
    ResultLabelX2 = named(new QLabel(this), QStringLiteral("ResultLabelX2"));
    ResultLabelY1 = named(new QLabel(this), QStringLiteral("ResultLabelY1"));
    ResultLabelY2 = named(new QLabel(this), QStringLiteral("ResultLabelY2"));
    ResultLabel = named(new QLabel(this), QStringLiteral("ResultLabel"));
    for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2, ResultLabel})
        label->setFont(uiFont);

    m_graphGroup = new QButtonGroup(this);
    const char *graphCaptions[6] = {"", "VF", "CVF", "#/cm2", "NF", "CNF"};
    for (int i = 1; i <= 5; ++i) {
        GraphOption[i] = named(new QRadioButton(QString::fromLatin1(graphCaptions[i]), this), indexed("GraphOption", i));
        m_graphGroup->addButton(GraphOption[i], i);
    }
    connect(m_graphGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            graphOptionChosen(id);
    });

    const char *infoCaptions[4] = {"", "Cloud VMD:", "Slide Drop Density:", "Cloud NMD:"};
    for (int i = 1; i <= 3; ++i) {
        InfoLabel[i] = named(new QLabel(QString::fromLatin1(infoCaptions[i]), this), indexed("InfoLabel", i));
        InfoLabel[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    VMDLabel = named(new QLabel(this), QStringLiteral("VMDLabel"));
    DropLabel = named(new QLabel(this), QStringLiteral("DropLabel"));
    NMDLabel = named(new QLabel(this), QStringLiteral("NMDLabel"));
    CompositeCheck = named(new QCheckBox(QStringLiteral("Composite"), this), QStringLiteral("CompositeCheck"));
    CompositeCheck->setFont(uiFont);
    connect(CompositeCheck, &QCheckBox::toggled, this, &ResultsPanel::CompositeToggled);
    btnPrint = named(new QPushButton(QStringLiteral("Print"), this), QStringLiteral("btnPrint"));
    connect(btnPrint, &QPushButton::clicked, this, &ResultsPanel::PrintRequested);
    btnExportWorkbook = named(new QPushButton(QStringLiteral("Export Workbook\u2026"), this),
                              QStringLiteral("btnExportWorkbook"));
    btnExportWorkbook->setVisible(false);
    connect(btnExportWorkbook, &QPushButton::clicked, this, &ResultsPanel::ExportRequested);
}

QSize ResultsPanel::FrameSize(bool large, int lineHeight)
{
    const int width = 34 + kResultPicSize.width() + 16;
    const int height = 16 + kResultPicSize.height() + 22 + 24 + 3 * readoutStep(large, lineHeight) + (large ? 30 : 28);
    return QSize(width, height);
}

void ResultsPanel::Arrange(bool large, int lineHeight)
{
    const QSize frame = FrameSize(large, lineHeight);

    // The histogram box and its axis labels.
    const QRect histogramBox(QPoint(34, 16), kResultPicSize);
    ResultPic->setGeometry(histogramBox);
    const AnalysisParameters &params = m_context.Set().Params;
    m_histScale = UserScale();
    m_histScale.Width = double(params.MaxSizeEPD) * params.MicronsPerEPD * params.SpreadFactor;
    m_histScale.Height = -1;
    m_histScale.Pixels = ResultPic->Image().size();
    m_context.View().GraphMode = chosenGraphOption() > 0 ? chosenGraphOption() : 1;
    ResultLabel->setText(Microns());
    ResultLabel->adjustSize();
    ResultLabel->move(histogramBox.left() + (histogramBox.width() - ResultLabel->width()) / 2,
                      histogramBox.bottom() + 1 + 2);
    UpdateHistogramLabels();

    // The graph options in a row under the box.
    GraphOption[3]->setText(QStringLiteral("#/cm") + kSquared);
    int optionX = 10;
    const int optionsTop = histogramBox.bottom() + 1 + 22;
    for (int i = 1; i <= 5; ++i) {
        const QSize hint = GraphOption[i]->sizeHint();
        GraphOption[i]->setGeometry(optionX, optionsTop, hint.width(), hint.height());
        optionX += hint.width() + 6;
    }

    // The read-outs: captions right-aligned to end 130 pixels in.
    for (QLabel *label : {VMDLabel, NMDLabel, DropLabel})
        label->clear();
    const int readoutTop = optionsTop + 24;
    const int step = readoutStep(large, lineHeight);
    const std::array<QLabel *, 4> values = {nullptr, VMDLabel, DropLabel, NMDLabel};
    for (int i = 1; i <= 3; ++i) {
        const int y = readoutTop + (i - 1) * step;
        InfoLabel[i]->setGeometry(4, y, 126, step);
        values[i]->setGeometry(136, y, frame.width() - 140, step);
    }

    // The Composite box in the bottom-right corner, Print and Export Workbook…
    // level with it.
    const QSize checkSize = CompositeCheck->sizeHint();
    CompositeCheck->setGeometry(frame.width() - 5 - checkSize.width(), frame.height() - 5 - checkSize.height(),
                                checkSize.width(), checkSize.height());
    const QSize printSize = btnPrint->sizeHint();
    btnPrint->setGeometry(CompositeCheck->x() - 3 - printSize.width(),
                          CompositeCheck->y() + (checkSize.height() - printSize.height()) / 2, printSize.width(),
                          printSize.height());
    const QSize exportSize = btnExportWorkbook->sizeHint();
    btnExportWorkbook->setGeometry(btnPrint->x() - 3 - exportSize.width(), btnPrint->y(), exportSize.width(),
                                   exportSize.height());
}

void ResultsPanel::SetResultsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(this), static_cast<QWidget *>(ResultPic),
                       static_cast<QWidget *>(ResultLabelY1), static_cast<QWidget *>(ResultLabelY2),
                       static_cast<QWidget *>(ResultLabelX1), static_cast<QWidget *>(ResultLabelX2),
                       static_cast<QWidget *>(ResultLabel), static_cast<QWidget *>(VMDLabel),
                       static_cast<QWidget *>(DropLabel), static_cast<QWidget *>(NMDLabel),
                       static_cast<QWidget *>(CompositeCheck)})
        w->setEnabled(enabled);
    for (int i = 1; i <= 3; ++i)
        InfoLabel[i]->setEnabled(enabled);
    for (int i = 1; i <= 5; ++i)
        GraphOption[i]->setEnabled(enabled);
    // Drops per cm² need a scanned area.
    GraphOption[3]->setEnabled(enabled && m_context.Set().Current().Area != 0.0f);
    if (!enabled) {
        ResultPic->SetBackColor(window()->palette().color(QPalette::Button));
        ResultPic->Clear();
        VMDLabel->clear();
        DropLabel->clear();
        NMDLabel->clear();
        // The axis labels of a histogram no longer drawn would read as its scale.
        for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2})
            label->clear();
        btnPrint->setVisible(false);
        btnExportWorkbook->setVisible(false);
    } else {
        ResultPic->SetBackColor(Qt::white);
        ResultPic->Clear();
    }
    m_enabled = enabled;
}

void ResultsPanel::ShowResults(bool enabled)
{
    SetResultsEnabled(enabled);
    ResultPic->Clear();
    // Each read-out is set once, to its new text: a label cleared and set again
    // repaints even when the figure did not change.
    if (m_enabled) {
        DrawResult();
        UpdateHistogramLabels();
        UpdateStatsLabels();
    } else {
        VMDLabel->clear();
        DropLabel->clear();
        NMDLabel->clear();
    }
}

void ResultsPanel::UpdateStatsLabels()
{
    const SlideSet &set = m_context.Set();
    const bool composite = m_context.IsCompositeView();
    // With nothing counted there is nothing to read out.
    if (set.SlideCount() == 0 || (!m_enabled && !composite)) {
        VMDLabel->clear();
        NMDLabel->clear();
        DropLabel->clear();
        return;
    }
    const NumberFormat &format = m_context.Format();
    const QString microns = MicronsCaption();
    const QString density = QStringLiteral(" drops/cm ") + kSquared;
    if (composite) {
        const CompositeResults &c = m_context.View().Composite;
        VMDLabel->setText(format.Format(c.CompVMD, "0.0") + microns);
        NMDLabel->setText(format.Format(c.CompNMD, "0.0") + microns);
        DropLabel->setText(format.Format(c.AveDropDensity, "0.0") + density);
    } else {
        const Slide &s = set.Current();
        VMDLabel->setText(format.Format(s.VMD, "0.0") + microns);
        NMDLabel->setText(format.Format(s.NMD, "0.0") + microns);
        DropLabel->setText(format.Format(s.DropDensity, "0.0") + density);
    }
}

void ResultsPanel::UpdateHistogramLabels()
{
    const NumberFormat &format = m_context.Format();
    ResultLabelX1->setText(format.Format(m_histScale.Left, "0"));
    ResultLabelX2->setText(format.Format(m_histScale.Left + m_histScale.Width, "0.0"));
    const int mode = m_context.View().GraphMode;
    const bool fraction = mode == 1 || mode == 4;
    ResultLabelY2->setText(format.Format(m_histScale.Top, fraction ? "0.00" : "0"));
    ResultLabelY1->setText(QStringLiteral("0"));
    placeHistogramLabels();
}

void ResultsPanel::SetHistogramRightLabel(const QString &text)
{
    ResultLabelX2->setText(text);
    placeHistogramLabels();
}

void ResultsPanel::placeHistogramLabels()
{
    const QRect pic = ResultPic->geometry();
    for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2})
        label->adjustSize();
    const int below = pic.bottom() + 2;
    ResultLabelX1->move(pic.left() - ResultLabelX1->width() / 2, below);
    int x2 = pic.left() + pic.width() - ResultLabelX2->width() / 2;
    // Kept inside the frame, 4 pixels from its right edge.
    if (x2 + ResultLabelX2->width() > width() - 4)
        x2 = width() - 4 - ResultLabelX2->width();
    ResultLabelX2->move(x2, below);
    ResultLabelY2->move(pic.left() - ResultLabelY2->width() - 3, pic.top());
    ResultLabelY1->move(pic.left() - ResultLabelY1->width() - 3, pic.bottom() + 1 - ResultLabelY1->height());
}

int ResultsPanel::chosenGraphOption() const
{
    for (int i = 1; i <= 5; ++i)
        if (GraphOption[i]->isChecked())
            return i;
    return 0;
}

void ResultsPanel::SelectGraphOption(int option)
{
    if (option < 1 || option > 5 || GraphOption[option]->isChecked())
        return;
    GraphOption[option]->setChecked(true); // draws it through the group
}

void ResultsPanel::ShowChosenGraph()
{
    graphOptionChosen(chosenGraphOption() > 0 ? chosenGraphOption() : 1);
}

void ResultsPanel::graphOptionChosen(int option)
{
    const QString title = m_context.IsCompositeView() ? QStringLiteral("Composite Statistics")
                                                      : QStringLiteral("Drop Size Statistics");
    m_context.View().GraphMode = option;
    setTitle(title + graphTitleSuffix(option));
    DrawResult();
    UpdateHistogramLabels();
    UpdateStatsLabels();
}

void ResultsPanel::showToolTip(const QPointF &pixel)
{
    if (m_histScale.Pixels.isEmpty())
        return;
    ResultPic->setToolTip(HistogramToolTip(m_histScale, m_context.View().GraphMode, pixel, m_context.Format()));
}

void ResultsPanel::DrawResult()
{
    const SlideSet &set = m_context.Set();
    const ViewState &view = m_context.View();
    if (set.SlideCount() == 0 || view.LargestSizeFound == 0)
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
        result = ::DrawResult(surface, set, view);
    }
    m_histScale = result.Scale;
    ResultPic->update();
}

void ResultsPanel::SetCompositeOffered(bool offered)
{
    CompositeCheck->setVisible(offered);
}

bool ResultsPanel::CompositeOffered() const
{
    return CompositeCheck->isVisible();
}

void ResultsPanel::SetCompositeChecked(bool checked)
{
    CompositeCheck->setChecked(checked);
}

bool ResultsPanel::CompositeChecked() const
{
    return CompositeCheck->isChecked();
}

void ResultsPanel::ShowCompositeMode(bool composite)
{
    btnPrint->setVisible(composite);
    btnExportWorkbook->setVisible(composite);
    InfoLabel[2]->setText(composite ? QStringLiteral("Ave. Drop Density:") : QStringLiteral("Slide Drop Density:"));
}
