// The window's three states (no slides, one slide on view, the composite view),
// the slide tabs that follow the positions, and deleting slides.
#include "shell/MainForm.h"

#include "entry/MortalityPanel.h"
#include "entry/ParameterPanel.h"
#include "entry/PictureBox.h"
#include "entry/SlideSetDocument.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTableWidget>
#include <QScopedValueRollback>

namespace {

const QStringList kCompositeTabs = {QStringLiteral("Line Data"), QStringLiteral("Mortality vs. Drop Density"),
                                    QStringLiteral("Range Statistics"), QStringLiteral("Spray Quality")};

void setBoxColour(QLineEdit *box, bool enabled)
{
    QPalette p = box->palette();
    const QColor colour = enabled ? QColor(Qt::white) : box->palette().color(QPalette::Button);
    p.setColor(QPalette::Active, QPalette::Base, colour);
    p.setColor(QPalette::Inactive, QPalette::Base, colour);
    p.setColor(QPalette::Disabled, QPalette::Base, colour);
    box->setPalette(p);
}

void setGridColours(QTableWidget *grid, bool enabled, const QColor &gridLines)
{
    const QPalette window = grid->window()->palette();
    const QColor back = enabled ? QColor(230, 230, 230) : window.color(QPalette::Button);
    const QColor text = enabled ? QColor(Qt::black) : window.color(QPalette::Disabled, QPalette::WindowText);
    if (gridLines.isValid()) {
        // Grid lines have no palette role; the style sheet carries all three.
        grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: %1; color: %2; background-color: %3; }")
                                .arg(gridLines.name(), text.name(), back.name()));
        // The sheet paints the whole background of the cells, yet leaves them
        // marked see-through: every changed figure would repaint the frames
        // behind the table as well.
        grid->viewport()->setAutoFillBackground(true);
        return;
    }
    QPalette p = grid->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Base, back);
        p.setColor(g, QPalette::Text, text);
    }
    grid->setPalette(p);
}

} // namespace

QString MainForm::SlideTabCaption(int slide) const
{
    return m_format.General(m_set.Slides[slide].Position)
        + (m_set.Params.Metric ? QStringLiteral(" m") : QStringLiteral(" ft"));
}

void MainForm::SetTabCaptions()
{
    if (IsCompositeView() || m_set.SlideCount() == 0)
        return;
    for (int i = 1; i <= m_set.SlideCount() && i <= SlideStrip->count(); ++i)
        SlideStrip->setTabText(i - 1, SlideTabCaption(i));
}

void MainForm::ShowNoSlideTab()
{
    {
        const QScopedValueRollback guard(m_tabsUpdating, true);
        while (SlideStrip->count() > 0)
            SlideStrip->removeTab(SlideStrip->count() - 1);
        SlideStrip->addTab(QStringLiteral("<No Slide>"));
    }
}

// One tab per slide, in slide order, with nothing selected by the rebuilding.
void MainForm::RebuildSlideTabs()
{
    if (m_set.SlideCount() == 0) {
        ShowNoSlideTab();
        return;
    }
    {
        const QScopedValueRollback guard(m_tabsUpdating, true);
        const QSignalBlocker block(SlideStrip);
        while (SlideStrip->count() > 0)
            SlideStrip->removeTab(SlideStrip->count() - 1);
        for (int i = 1; i <= m_set.SlideCount(); ++i)
            SlideStrip->addTab(SlideTabCaption(i));
    }
}

void MainForm::SetCardCount(int count)
{
    while (int(CardLabel.size()) - 1 > count) {
        delete CardLabel.back();
        CardLabel.pop_back();
    }
    while (int(CardLabel.size()) - 1 < count) {
        auto *card = new QLabel(Picture1);
        card->setObjectName(QStringLiteral("CardLabel") + QString::number(CardLabel.size()));
        card->setFrameStyle(QFrame::Box | QFrame::Plain);
        card->setAutoFillBackground(true);
        card->setMouseTracking(true);
        card->setVisible(false);
        CardLabel.push_back(card);
    }
}

void MainForm::ResetSlideSet()
{
    CommitPendingCell();
    m_document->Clear(); // no slides, no control data, no descriptive texts
    ShowNoSlideTab();
    SetCardCount(0);
    SetDataEntryEnabled(false);
    SetResultsEnabled(false);
    btnSaveData->setEnabled(false);
    btnLoadData->setEnabled(true);
    CompositeCheck->setChecked(false);
    CompositeCheck->setVisible(false);
    SelectGraphOption(1);
    m_parameters->ResetFields();
}

void MainForm::SetDataEntryEnabled(bool enabled)
{
    m_dataEntryEnabled = enabled;
    for (QWidget *w : {static_cast<QWidget *>(frameDataEntry), static_cast<QWidget *>(lblDataEntry),
                       static_cast<QWidget *>(txtDataEntry), static_cast<QWidget *>(frameSlideInfo)})
        w->setEnabled(enabled);
    for (QLabel *label : lblSlideInfo)
        label->setEnabled(enabled);
    for (int i = 1; i <= 2; ++i) {
        txtSlideInfo[i]->setEnabled(enabled);
        setBoxColour(txtSlideInfo[i], enabled);
        optCloud_Slide[i]->setEnabled(enabled);
        optCloudMethod[i]->setVisible(enabled && optCloud_Slide[2]->isChecked());
    }
    setBoxColour(txtDataEntry, enabled);
    m_mortality->SetEntryEnabled(enabled);

    setGridColours(DataGrid, enabled, QColor());
    ColourCountColumn(enabled);
    {
        const QScopedValueRollback guard(m_gridUpdating, true);
        SetGridCurrentCell(1, 2);
        // A table nobody can type into shows no highlighted cell.
        if (!enabled)
            DataGrid->clearSelection();
    }

    setGridColours(StatsGrid, enabled, enabled ? QColor(144, 144, 144) : QColor(192, 192, 192));

    if (!enabled) {
        for (int r = 1; r <= m_set.Params.MaxSizeEPD; ++r)
            for (int c = 2; c <= 5; ++c)
                SetCellText(r, c, QString());
        for (int r = 0; r < 5; ++r)
            for (int c = 1; c <= 2; ++c)
                if (QTableWidgetItem *item = StatsGrid->item(r, c))
                    item->setText(QString());
        txtSlideInfo[1]->clear();
        txtSlideInfo[2]->clear();
        lblSlideInfo[5]->clear();
        lblSlideInfo[6]->clear();
    }
}

void MainForm::SetResultsEnabled(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(ResultFrame), static_cast<QWidget *>(ResultPic),
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
    GraphOption[3]->setEnabled(enabled && m_set.Current().Area != 0.0f);
    if (!enabled) {
        ResultPic->SetBackColor(palette().color(QPalette::Button));
        ResultPic->Clear();
        VMDLabel->clear();
        DropLabel->clear();
        NMDLabel->clear();
        // The axis labels of a histogram no longer drawn would read as its scale.
        for (QLabel *label : {ResultLabelX1, ResultLabelX2, ResultLabelY1, ResultLabelY2})
            label->clear();
        btnPrint->setVisible(false);
    } else {
        ResultPic->SetBackColor(Qt::white);
        ResultPic->Clear();
    }
    m_resultsEnabled = enabled;
}

void MainForm::SelectSlideTab(int tab)
{
    if (tab < 1 || tab > SlideStrip->count())
        return;
    {
        {
            const QScopedValueRollback guard(m_tabsUpdating, true);
            const QSignalBlocker block(SlideStrip);
            SlideStrip->setCurrentIndex(tab - 1);
        }
    }
    SlideStrip_Click(tab);
}

void MainForm::SlideStrip_Click(int tab)
{
    if (m_set.SlideCount() == 0) {
        ClearPicture1();
        return;
    }
    if (IsCompositeView()) {
        if (tab >= 1 && tab <= kCompositeTabs.size() && m_view.CompositeView != tab) {
            DrawCompositeGraph(tab);
            m_view.CompositeView = uint8_t(tab);
        }
        return;
    }
    if (tab != m_set.CurrentSlide && tab >= 1 && tab <= m_set.SlideCount()) {
        // A count typed into the table belongs to the slide it was typed on.
        CommitPendingCell();
        if (!m_inFieldCommit) {
            // A new position moves its slide in the order; the clicked tab is
            // found again by its slide's position, which is unique.
            const float clicked = m_set.Slides[tab].Position;
            CommitSlideFields();
            const int16_t moved = FindSlideAtPosition(m_set, clicked);
            // The commit selects the tab of the slide it moved; the strip shows
            // the clicked one again even when that kept its place.
            if (moved >= 1 && (moved != tab || SlideStrip->currentIndex() != tab - 1)) {
                SelectSlideTab(moved);
                return;
            }
        }
        if (tab == m_set.CurrentSlide)
            return;
        SlideStrip->update();
        m_set.CurrentSlide = int16_t(tab);
        RefreshCurrentSlide();
    }
}

void MainForm::DeleteCurrentSlide()
{
    if (IsCompositeView() || m_set.SlideCount() == 0 || m_set.CurrentSlide < 1)
        return;
    CommitPendingCell();
    if (MessageBoxes::Show(this, QStringLiteral("Are you sure you want to delete this slide?"), MessageBoxes::YesNo,
                           MessageBoxes::Question)
        != MessageBoxes::Yes)
        return;

    // The slide to show next is counted in full: with hundreds of slides it must
    // never wrap to another slide.
    const int selectedTab = SlideStrip->currentIndex() + 1;
    m_document->RemoveSlide(m_set.CurrentSlide);
    SetCardCount(m_set.SlideCount());
    const int count = m_set.SlideCount();
    int toShow = selectedTab <= count ? selectedTab : count;
    m_set.CurrentSlide = 0;

    if (count <= 1)
        CompositeCheck->setVisible(false);
    if (count > 0) {
        {
            const QScopedValueRollback guard(m_tabsUpdating, true);
            {
                const QSignalBlocker block(SlideStrip);
                SlideStrip->removeTab(SlideStrip->count() - 1);
            }
        }
        SetTabCaptions();
        m_view.LargestSizeFound = ComputeLargestSizeFound(m_set);
    } else {
        ShowNoSlideTab();
        btnLoadData->setEnabled(true);
        btnSaveData->setEnabled(false);
        SetDataEntryEnabled(false);
        SetResultsEnabled(false);
        m_view.LargestSizeFound = 0;
        CompositeCheck->setChecked(false);
        CompositeCheck->setVisible(false);
        SelectGraphOption(1);
        toShow = 1;
    }
    if (!IsCompositeView())
        SelectSlideTab(toShow);
}

void MainForm::CompositeCheck_Click()
{
    const bool checked = CompositeCheck->isChecked();
    // What was typed belongs to the view it was typed in.
    if (m_set.SlideCount() > 0) {
        CommitPendingCell();
        CommitSlideFields();
    }
    m_view.CompositeChecked = checked && m_set.SlideCount() > 0;
    if (m_set.SlideCount() == 0)
        return;
    btnPrint->setVisible(checked);
    btnNewSlide->setEnabled(!checked);
    if (checked) {
        InfoLabel[2]->setText(QStringLiteral("Ave. Drop Density:"));
        CalcComposite(m_set, m_view.Composite);
        {
            const QScopedValueRollback guard(m_tabsUpdating, true);
            {
                const QSignalBlocker block(SlideStrip);
                while (SlideStrip->count() > 0)
                    SlideStrip->removeTab(SlideStrip->count() - 1);
                for (const QString &caption : kCompositeTabs)
                    SlideStrip->addTab(caption);
            }
        }
        m_view.CompositeView = 0;
        Picture1->setVisible(true);
        Picture1->raise();
        SelectSlideTab(1);
        Picture1->update();
    } else {
        InfoLabel[2]->setText(QStringLiteral("Slide Drop Density:"));
        Picture1->setVisible(false);
        m_view.CompositeView = 0;
        HideReadout();
        HideCards();
        RebuildSlideTabs();
        SelectSlideTab(m_set.CurrentSlide);
    }
    frameDataEntry->setVisible(!checked);
    m_mortality->setVisible(!checked);
    DataGrid->setVisible(!checked);
    for (QWidget *w : m_underComposite)
        w->setVisible(!checked);
    // Optics changed in composite view recomputed every slide; the slide coming
    // back into view shows its figures as they are now, not as they were.
    if (!checked)
        RefreshCurrentSlide();

    m_view.CurrentVMD = checked ? m_view.Composite.CompVMD : m_set.Current().VMD;
    m_view.CurrentNMD = checked ? m_view.Composite.CompNMD : m_set.Current().NMD;
    GraphOption_Click(SelectedGraphOption() > 0 ? SelectedGraphOption() : 1);
    // Hiding the drop box would hand the focus to Slide Position with its text
    // selected, where the next key would edit the position.
    if (checked)
        SlideStrip->setFocus(Qt::OtherFocusReason);
    else
        txtDataEntry->setFocus(Qt::OtherFocusReason);
}
