#include "window/CompositeView.h"

#include "entry/SprayQualityView.h"
#include "window/DoseResponseView.h"
#include "graphs/LineGraphs.h"
#include "graphs/RangeChart.h"
#include "model/Units.h"
#include "window/PanelWidgets.h"
#include "window/WindowContext.h"

#include <QEvent>
#include <QLabel>

namespace {

constexpr int kLineDataView = 1;
constexpr int kMortalityView = 2;
// The fourth and fifth views are panels of their own over the graph area.
constexpr int kSprayQualityView = 4;
constexpr int kDoseResponseView = 5;

} // namespace

CompositeView::CompositeView(WindowContext &context, QWidget *parent)
    : PictureBox(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("Picture1"));
    setVisible(false);
    connect(this, &PictureBox::MouseMoved, this, [this](const QPointF &at) {
        if (!m_context.IsCompositeView())
            return;
        const int slide = paintedCardAt(at.toPoint());
        if (slide != 0 && slide == m_paintedReadout && readoutShown())
            return;
        if (readoutShown())
            HideReadout();
        m_paintedReadout = slide;
        if (slide != 0)
            showReadout(slide);
    });
    CardLabel.push_back(named(new QLabel(this), QStringLiteral("CardLabel0")));
    CardLabel[0]->setVisible(false);
    Lines.resize(7);
    Circles.resize(7);
    for (int i = 1; i <= 6; ++i) {
        DataLabel[i] = named(new QLabel(this), indexed("DataLabel", i));
        DataLabel[i]->setAutoFillBackground(true);
        DataLabel[i]->setFrameStyle(QFrame::Box | QFrame::Plain);
        DataLabel[i]->setVisible(false);
    }
}

// More slides than this and the cards are drawn on the graph, not made labels:
// tens of thousands of sibling widgets would overflow the toolkit's painting,
// and cards a pixel or two wide are told apart by the pointer alone.
constexpr int kMostCardLabels = 1000;

// The slide of the drawn card under the pointer (the last drawn on top), or 0.
int CompositeView::paintedCardAt(QPoint at) const
{
    for (auto card = m_paintedCards.rbegin(); card != m_paintedCards.rend(); ++card)
        if (card->Rect.contains(at))
            return card->SlideIndex;
    return 0;
}

// A slide's card is made when the line graph first places it: a long line
// loaded never pays for thousands of hidden labels it may never show.
void CompositeView::SetCardCount(int count)
{
    while (int(CardLabel.size()) - 1 > count) {
        delete CardLabel.back();
        CardLabel.pop_back();
    }
    CardLabel.resize(size_t(count) + 1, nullptr);
}

QLabel *CompositeView::card(int slide)
{
    QLabel *&card = CardLabel[size_t(slide)];
    if (!card) {
        card = new QLabel(this);
        card->setObjectName(QStringLiteral("CardLabel") + QString::number(slide));
        card->setFrameStyle(QFrame::Box | QFrame::Plain);
        card->setAutoFillBackground(true);
        card->setMouseTracking(true);
        card->setVisible(false);
        card->installEventFilter(this);
    }
    return card;
}

void CompositeView::HideCards()
{
    for (size_t i = 1; i < CardLabel.size(); ++i)
        if (CardLabel[i])
            CardLabel[i]->setVisible(false);
}

// Labels 1 to 3 show with every read-out.
bool CompositeView::readoutShown() const
{
    return DataLabel[1]->isVisibleTo(this);
}

void CompositeView::HideReadout()
{
    for (int i = 1; i <= 6; ++i) {
        DataLabel[i]->setVisible(false);
        Lines[i].Visible = false;
        Circles[i].Visible = false;
    }
    update();
}

void CompositeView::Draw(int view)
{
    SprayQualityView *quality = SprayQualityView::Over(this, m_context, m_context.Store());
    quality->setVisible(view == kSprayQualityView);
    DoseResponseView *dose = DoseResponseView::Over(this, m_context);
    dose->setVisible(view == kDoseResponseView);
    // Read-out labels point at the line graph's points; over a new drawing they
    // would point at nothing, or at the wrong figures.
    if (readoutShown())
        HideReadout();
    HideCards();
    m_paintedCards.clear();
    if (view == kSprayQualityView) {
        quality->raise();
        quality->Refresh();
        return;
    }
    if (view == kDoseResponseView) {
        dose->raise();
        dose->Refresh();
        return;
    }
    const SlideSet &set = m_context.Set();
    const ViewState &state = m_context.View();
    QImage &image = Image();
    const QPoint inside = contentsRect().topLeft();
    {
        DrawingSurface surface(&image, OuterHeight());
        if (view == kLineDataView) {
            LineDataOptions options;
            options.Format = m_context.Format();
            options.DrawCards = set.SlideCount() > kMostCardLabels;
            LineDataResult result = DrawLineData(surface, set, state, options);
            if (options.DrawCards)
                m_paintedCards = std::move(result.Cards);
            m_vmdAxisMax = result.VMDAxisMax;
            m_nmdAxisMax = result.NMDAxisMax;
            m_densityAxisMax = result.DensityAxisMax;
            m_lineScale = result.Scale;
            for (const SlideCard &card : result.Cards) {
                if (card.SlideIndex < 1 || size_t(card.SlideIndex) >= CardLabel.size())
                    continue;
                QLabel *label = this->card(card.SlideIndex);
                label->setGeometry(card.Rect.translated(inside));
                QPalette p = label->palette();
                p.setColor(QPalette::Window, card.BackColor);
                label->setPalette(p);
                label->setVisible(true);
                label->raise();
            }
        } else if (view == kMortalityView) {
            DrawMortalityVsDensity(surface, set, state, m_densityAxisMax, m_context.Format());
        } else {
            DrawRangeChart(surface, set, state);
        }
    }
    update();
}

// Captions and point heights of the six read-outs (1 VMD, 2 NMD, 3 density,
// 4 knockdown, 5 12 hr and 6 24 hr mortality).
std::array<CompositeView::Readout, 7> CompositeView::readouts(const Slide &s) const
{
    const NumberFormat &format = m_context.Format();
    auto ratio = [](float v, float max) { return max > 0 ? double(v) / max : 0.0; };
    const QString microns = MicronsCaption() + QLatin1Char(' ');
    // A mortality that could not be computed (no control cage, or every control
    // insect dead) is no 0 %: it reads "-" and has no point to mark.
    const auto mortality = [&format](const std::optional<float> &v) {
        return Readout{v ? QStringLiteral(" ") + format.Format(double(*v) * 100, "0.0") + QStringLiteral(" % ")
                         : QStringLiteral(" - "),
                       3.0 + v.value_or(0.0f), v.has_value()};
    };
    return {Readout{},
            Readout{QStringLiteral(" ") + format.Format(s.VMD, "0.0") + microns, 2 + ratio(s.VMD, m_vmdAxisMax)},
            Readout{QStringLiteral(" ") + format.Format(s.NMD, "0.0") + microns, 1 + ratio(s.NMD, m_nmdAxisMax)},
            Readout{QStringLiteral(" ") + format.Format(s.DropDensity, "0.0") + QStringLiteral(" drops/cm ") + kSquared
                        + QStringLiteral(" "),
                    ratio(s.DropDensity, m_densityAxisMax)},
            mortality(s.Knockdown1h), mortality(s.Mortality12h), mortality(s.Mortality24h)};
}

// The mortality labels take the three slots of their panel by value, the
// largest on top. Knockdown leaves the middle only when strictly above or below
// both; 24 hr goes above 12 hr when they are equal.
std::array<double, 7> CompositeView::mortalitySlots(const Slide &s) const
{
    const float knock = s.Knockdown1h.value_or(0.0f);
    const float m12 = s.Mortality12h.value_or(0.0f);
    const float m24 = s.Mortality24h.value_or(0.0f);
    std::array<double, 7> slot = {0, 0, 0, 0, 3.5, 3.5, 3.5};
    if (knock > m12 && knock > m24)
        slot[4] = 3.75;
    else if (knock < m12 && knock < m24)
        slot[4] = 3.25;
    double remaining[2];
    int n = 0;
    for (double y : {3.75, 3.5, 3.25})
        if (y != slot[4] && n < 2)
            remaining[n++] = y;
    slot[m24 >= m12 ? 6 : 5] = remaining[0];
    slot[m24 >= m12 ? 5 : 6] = remaining[1];
    return slot;
}

void CompositeView::showReadout(int index)
{
    const SlideSet &set = m_context.Set();
    if (!m_context.IsCompositeView() || m_context.View().CompositeView != kLineDataView || readoutShown()
        || index < 1 || index > set.SlideCount())
        return;
    const Slide &s = set.Slides[index];
    if (s.TotalDrops <= 0)
        return;
    const std::array<Readout, 7> items = readouts(s);
    const std::array<double, 7> slot = mortalitySlots(s);

    // Beside the point, on the side towards the middle of the line.
    const double first = set.Slides[1].Position;
    const double last = set.Slides[set.SlideCount()].Position;
    const bool leftHalf = s.Position < (first + last) / 2;
    const QPoint inside = contentsRect().topLeft();
    const double px = m_lineScale.ToPixelX(s.Position);
    const bool hasCage = s.Cage.NumInCage > 0;
    const double maxima[4] = {0, m_vmdAxisMax, m_nmdAxisMax, m_densityAxisMax};
    const double values[4] = {0, s.VMD, s.NMD, s.DropDensity};

    for (int i = 1; i <= 6; ++i) {
        QLabel *label = DataLabel[i];
        label->setText(items[i].Caption);
        label->adjustSize();
        const QSize size = label->size();
        const double py = m_lineScale.ToPixelY(items[i].PointHeight);
        const double left = leftHalf ? px + 20 : px - 20 - size.width();
        const double lineEndX = leftHalf ? px + 21 : px - 21;
        double top;
        if (i <= 3) {
            const bool upperHalf = maxima[i] > 0 && values[i] / maxima[i] > 0.5;
            top = upperHalf ? py + 20 : py - 20 - size.height();
        } else {
            top = m_lineScale.ToPixelY(slot[i]) - size.height() / 2.0;
        }
        label->move(QPoint(int(left), int(top)) + inside);
        Lines[i].From = QPointF(px, py);
        Lines[i].To = QPointF(lineEndX, top + size.height() / 2.0);
        Circles[i].Centre = QPointF(px, py);
        Circles[i].Radius = 3;
        const bool show = i <= 3 || hasCage;
        label->setVisible(show);
        Lines[i].Visible = show && items[i].Computed;
        Circles[i].Visible = show && items[i].Computed;
    }
    update();
}

bool CompositeView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        for (size_t i = 1; i < CardLabel.size(); ++i)
            if (CardLabel[i] && watched == CardLabel[i]) {
                showReadout(int(i));
                // Resting on a card is not moving over the graph, which would
                // hide the read-out again.
                return event->type() == QEvent::MouseMove;
            }
    }
    return PictureBox::eventFilter(watched, event);
}
