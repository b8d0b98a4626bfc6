#pragma once

#include "entry/PictureBox.h"
#include "graphs/DrawingSurface.h"
#include "graphs/LineGraphs.h"

#include <array>
#include <vector>

class QLabel;
class WindowContext;
struct Slide;

// The composite graphs in Picture1, over the count table and the entry column
// while the whole line is on view: the line data with a card per slide under
// its axis, mortality against drop density, the range statistics, the spray
// quality table and the dose response. Resting the pointer on a card reads
// that slide out.
class CompositeView : public PictureBox
{
    Q_OBJECT
public:
    CompositeView(WindowContext &context, QWidget *parent);

    // Graph `view` (1 … 5) drawn afresh; read-outs and cards of another go.
    void Draw(int view);
    // One card per slide.
    void SetCardCount(int count);
    void HideCards();
    void HideReadout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Readout
    {
        QString Caption;
        double PointHeight = 0; // where its point lies, in panel units
        bool Computed = true;   // a mortality that could not be computed has no point
    };
    bool readoutShown() const;
    QLabel *card(int slide);
    int paintedCardAt(QPoint at) const;
    void showReadout(int slide);
    std::array<Readout, 7> readouts(const Slide &slide) const;
    std::array<double, 7> mortalitySlots(const Slide &slide) const;

    WindowContext &m_context;
    float m_vmdAxisMax = 0, m_nmdAxisMax = 0, m_densityAxisMax = 0;
    UserScale m_lineScale; // the line-data graph's, for placing the read-outs
    std::vector<QLabel *> CardLabel;     // [0] the design-time element, [i] slide i (made when first placed)
    std::array<QLabel *, 7> DataLabel{}; // 1..6 the read-out items
    std::vector<SlideCard> m_paintedCards; // a long line's cards, drawn on the graph
    int m_paintedReadout = 0;              // the drawn card whose read-out is shown
};
