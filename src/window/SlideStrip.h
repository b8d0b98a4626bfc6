#pragma once

#include <QHash>
#include <QTabBar>

#include <functional>

class WindowContext;

// The tab strip SlideStrip: one tab per slide, captioned with its position, in
// position order, or the graph tabs of the composite view. Choosing a tab shows
// that slide (or graph); Delete asks to delete the slide on view.
class SlideStrip : public QTabBar
{
    Q_OBJECT
public:
    SlideStrip(WindowContext &context, QWidget *parent);

    // Tab `tab` (1-based) chosen as a click chooses it.
    void Select(int tab);
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

    WindowContext &m_context;
    bool m_rebuilding = false; // tabs come and go: the strip's signals are no clicks
    // The size of a tab by its caption, as the style gave it. The tab bar asks
    // for every tab's size at each tab added, so a long line asks thousands of
    // times over; the style answers once per caption.
    mutable QHash<QString, QSize> m_tabSizes;
};
