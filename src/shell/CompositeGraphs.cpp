// The composite graphs in Picture1, the slide cards under the line-data graph
// and the read-out a card shows while the pointer rests on it.
#include "shell/MainForm.h"

#include "entry/PictureBox.h"
#include "entry/SprayQualityView.h"
#include "graphs/LineGraphs.h"
#include "graphs/RangeChart.h"
#include "model/Units.h"

#include <QLabel>

void MainForm::ClearPicture1()
{
    Picture1->Clear();
}

void MainForm::HideCards()
{
    for (size_t i = 1; i < CardLabel.size(); ++i)
        CardLabel[i]->setVisible(false);
}

void MainForm::HideReadout()
{
    for (int i = 1; i <= 6; ++i) {
        DataLabel[i]->setVisible(false);
        Picture1->Lines[i].Visible = false;
        Picture1->Circles[i].Visible = false;
    }
    m_readoutShown = false;
    Picture1->update();
}

void MainForm::DrawCompositeGraph(int view)
{
    // The fourth view is a table over the graph area rather than a drawing.
    constexpr int kSprayQualityView = 4;
    SprayQualityView *quality = SprayQualityView::Over(Picture1, *this, m_store);
    quality->setVisible(view == kSprayQualityView);
    if (view == kSprayQualityView) {
        if (m_readoutShown)
            HideReadout();
        HideCards();
        quality->raise();
        quality->Refresh();
        return;
    }
    // Read-out labels point at the line graph's points; over a new drawing they
    // would point at nothing, or at the wrong figures.
    if (m_readoutShown)
        HideReadout();
    QImage &image = Picture1->Image();
    const QPoint inside = Picture1->contentsRect().topLeft();
    {
        DrawingSurface surface(&image, Picture1->OuterHeight());
        if (view == 1) {
            LineDataOptions options;
            options.Format = m_format;
            const LineDataResult result = DrawLineData(surface, m_set, m_view, options);
            m_vmdAxisMax = result.VMDAxisMax;
            m_nmdAxisMax = result.NMDAxisMax;
            m_densityAxisMax = result.DensityAxisMax;
            m_lineScale = result.Scale;
            HideCards();
            for (const SlideCard &card : result.Cards) {
                if (card.SlideIndex < 1 || size_t(card.SlideIndex) >= CardLabel.size())
                    continue;
                QLabel *label = CardLabel[card.SlideIndex];
                label->setGeometry(card.Rect.translated(inside));
                QPalette p = label->palette();
                p.setColor(QPalette::Window, card.BackColor);
                label->setPalette(p);
                label->setVisible(true);
                label->raise();
            }
        } else if (view == 2) {
            HideCards();
            DrawMortalityVsDensity(surface, m_set, m_view, m_densityAxisMax, m_format);
        } else {
            HideCards();
            DrawRangeChart(surface, m_set, m_view);
        }
    }
    Picture1->update();
}

void MainForm::CardLabel_MouseMove(int index)
{
    if (!IsCompositeView() || m_view.CompositeView != 1 || m_readoutShown || index < 1
        || index > m_set.SlideCount())
        return;
    const Slide &s = m_set.Slides[index];
    if (s.TotalDrops <= 0)
        return;

    const float knock = s.Knockdown1h.value_or(0.0f);
    const float m12 = s.Mortality12h.value_or(0.0f);
    const float m24 = s.Mortality24h.value_or(0.0f);
    auto ratio = [](float v, float max) { return max > 0 ? double(v) / max : 0.0; };
    const double pointHeights[7] = {0, // each read-out's point, in panel units
                          2 + ratio(s.VMD, m_vmdAxisMax),
                          1 + ratio(s.NMD, m_nmdAxisMax),
                          ratio(s.DropDensity, m_densityAxisMax),
                          3.0 + knock,
                          3.0 + m12,
                          3.0 + m24};
    const QString microns = QStringLiteral(" ") + kMicro + QStringLiteral("m ");
    // A mortality that could not be computed (no control cage, or every control
    // insect dead) is no 0 %: it reads "-" and has no point to mark.
    const auto percent = [this](const std::optional<float> &v) {
        return v ? QStringLiteral(" ") + m_format.Format(double(*v) * 100, "0.0") + QStringLiteral(" % ")
                 : QStringLiteral(" - ");
    };
    const bool computed[7] = {false, true, true, true, s.Knockdown1h.has_value(), s.Mortality12h.has_value(),
                              s.Mortality24h.has_value()};
    const QString captions[7] = {
        QString(),
        QStringLiteral(" ") + m_format.Format(s.VMD, "0.0") + microns,
        QStringLiteral(" ") + m_format.Format(s.NMD, "0.0") + microns,
        QStringLiteral(" ") + m_format.Format(s.DropDensity, "0.0") + QStringLiteral(" drops/cm ") + kSquared
            + QStringLiteral(" "),
        percent(s.Knockdown1h), percent(s.Mortality12h), percent(s.Mortality24h)};

    // Mortality labels take the three slots of their panel by value: the largest
    // on top. Knockdown leaves the middle only when strictly above or below both;
    // 24 hr goes above 12 hr when they are equal.
    double slot[7] = {0, 0, 0, 0, 3.5, 3.5, 3.5};
    if (knock > m12 && knock > m24)
        slot[4] = 3.75;
    else if (knock < m12 && knock < m24)
        slot[4] = 3.25;
    double remaining[2];
    int n = 0;
    for (double y : {3.75, 3.5, 3.25})
        if (y != slot[4] && n < 2)
            remaining[n++] = y;
    if (m24 >= m12) {
        slot[6] = remaining[0];
        slot[5] = remaining[1];
    } else {
        slot[5] = remaining[0];
        slot[6] = remaining[1];
    }

    const double first = m_set.Slides[1].Position;
    const double last = m_set.Slides[m_set.SlideCount()].Position;
    const bool leftHalf = s.Position < (first + last) / 2;
    const QPoint inside = Picture1->contentsRect().topLeft();
    const double px = m_lineScale.ToPixelX(s.Position);
    const bool hasCage = s.Cage.NumInCage > 0;
    const double maxima[4] = {0, m_vmdAxisMax, m_nmdAxisMax, m_densityAxisMax};
    const double values[4] = {0, s.VMD, s.NMD, s.DropDensity};

    for (int i = 1; i <= 6; ++i) {
        QLabel *label = DataLabel[i];
        label->setText(captions[i]);
        label->adjustSize();
        const QSize size = label->size();
        const double py = m_lineScale.ToPixelY(pointHeights[i]);
        double left = leftHalf ? px + 20 : px - 20 - size.width();
        const double lineEndX = leftHalf ? px + 21 : px - 21;
        double top;
        if (i <= 3) {
            const bool upperHalf = maxima[i] > 0 && values[i] / maxima[i] > 0.5;
            top = upperHalf ? py + 20 : py - 20 - size.height();
        } else {
            top = m_lineScale.ToPixelY(slot[i]) - size.height() / 2.0;
        }
        label->move(QPoint(int(left), int(top)) + inside);
        Picture1->Lines[i].From = QPointF(px, py);
        Picture1->Lines[i].To = QPointF(lineEndX, top + size.height() / 2.0);
        Picture1->Circles[i].Centre = QPointF(px, py);
        Picture1->Circles[i].Radius = 3;
        const bool show = i <= 3 || hasCage;
        label->setVisible(show);
        Picture1->Lines[i].Visible = show && computed[i];
        Picture1->Circles[i].Visible = show && computed[i];
    }
    m_readoutShown = true;
    Picture1->update();
}

void MainForm::Picture1_MouseMove()
{
    if (IsCompositeView() && m_readoutShown)
        HideReadout();
}
