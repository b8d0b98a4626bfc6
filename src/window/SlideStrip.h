#pragma once

#include <QHash>
#include <QTabBar>

#include <functional>

class WindowContext;

// The tab strip SlideStrip: one tab per slide, captioned with its position, in
// position order, or the graph tabs of the composite view. Choosing a tab shows
// that slide (or graph); Delete asks to delete the slide on view.
//
// A long line keeps tabs only for a stretch of kMostSlideTabs slides around the
// one on view: the tab bar costs time in proportion to its tabs at every tab
// added, and a full set of slides would freeze the window for minutes. Choosing
// a tab near either end of the stretch moves the stretch along, and Home and End
// choose the first and last slide, so every slide stays one click or key away.
class SlideStrip : public QTabBar
{
    Q_OBJECT
public:
    SlideStrip(WindowContext &context, QWidget *parent);

    // The most slide tabs held at once.
    static constexpr int kMostSlideTabs = 1000;

    // Slide `tab` (or graph tab `tab` in the composite view), 1-based, chosen as
    // a click on its tab chooses it.
    void Select(int tab);
    // The slide whose tab is chosen (the graph tab in the composite view).
    int ChosenTab() const;
    // The slide of the first tab, less one: 0 unless the line is longer than the strip.
    int SlidesBefore() const { return m_first; }
    // The slide captions after positions or the unit system changed.
    void SetCaptions();
    // One tab per slide, in slide order, nothing chosen by the rebuilding.
    void Rebuild();
    // The single "<No Slide>" tab of an empty set.
    void ShowNoSlide();
    // The tab of slide `count`, just made the last (the first replaces "<No Slide>").
    void AddSlideTab(int count);
    // One tab fewer after a slide was deleted; the captions follow.
    void RemoveLastTab();
    // The graph tabs of the composite view.
    void ShowCompositeTabs();

signals:
    void DeleteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void changeEvent(QEvent *event) override;

private:
    void inOnePass(int changes, const std::function<void()> &change);
    void setTabs(int tabs, const std::function<QString(int)> &captionOf);
    void chosen(int tab);
    QString caption(int slide) const;
    int firstShown() const;
    bool holdsStretch() const;
    bool nearEnd(int index) const;
    void placeStretch(int slide);
    void moveStretchIfNearEnd();

    WindowContext &m_context;
    bool m_rebuilding = false; // tabs come and go: the strip's signals are no clicks
    int m_first = 0;           // slides before the first tab
    // The size of a tab by its caption, as the style gave it. The tab bar asks
    // for every tab's size at each tab added, so a long line asks thousands of
    // times over; the style answers once per caption.
    mutable QHash<QString, QSize> m_tabSizes;
};
