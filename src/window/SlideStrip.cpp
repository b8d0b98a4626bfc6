#include "window/SlideStrip.h"

#include "window/WindowContext.h"

#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Tab changes made in view; more are made with the strip hidden.
constexpr int kChangesInView = 16;

// How near either end of its stretch the chosen tab may come before the stretch
// moves to centre it.
constexpr int kStretchMargin = SlideStrip::kMostSlideTabs / 10;

const QStringList kCompositeTabs = {QStringLiteral("Line Data"), QStringLiteral("Mortality vs. Drop Density"),
                                    QStringLiteral("Range Statistics"), QStringLiteral("Spray Quality"),
                                    QStringLiteral("Dose Response")};

} // namespace

SlideStrip::SlideStrip(WindowContext &context, QWidget *parent)
    : QTabBar(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("SlideStrip"));
    setExpanding(false);
    // Every caption whole; arrows scroll the strip when the tabs do not fit, and
    // the selected tab is scrolled into sight.
    setElideMode(Qt::ElideNone);
    setUsesScrollButtons(true);
    setFocusPolicy(Qt::StrongFocus);
    addTab(QStringLiteral("<No Slide>"));
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        if (m_rebuilding || index < 0)
            return;
        chosen(firstShown() + index + 1);
        moveStretchIfNearEnd();
    });
    installEventFilter(this);
}

QString SlideStrip::caption(int slide) const
{
    const SlideSet &set = m_context.Set();
    return m_context.Format().General(set.Slides[slide].Position)
        + (set.Params.Metric ? QStringLiteral(" m") : QStringLiteral(" ft"));
}

int SlideStrip::firstShown() const
{
    return m_context.IsCompositeView() ? 0 : m_first;
}

bool SlideStrip::holdsStretch() const
{
    return !m_context.IsCompositeView() && m_context.Set().SlideCount() > kMostSlideTabs;
}

int SlideStrip::ChosenTab() const
{
    return currentIndex() < 0 ? 0 : firstShown() + currentIndex() + 1;
}

bool SlideStrip::nearEnd(int index) const
{
    return (index < kStretchMargin && m_first > 0)
        || (index >= count() - kStretchMargin && m_first + count() < m_context.Set().SlideCount());
}

// The stretch of tabs centred on `slide` as far as the line allows, its tab chosen
// without a click's consequences.
void SlideStrip::placeStretch(int slide)
{
    const int slides = m_context.Set().SlideCount();
    const int tabs = std::min(slides, kMostSlideTabs);
    m_first = std::clamp(slide - 1 - tabs / 2, 0, slides - tabs);
    setTabs(tabs, [this](int tab) { return caption(m_first + tab); });
    const QScopedValueRollback guard(m_rebuilding, true);
    const QSignalBlocker block(this);
    setCurrentIndex(slide - m_first - 1);
}

// Moved after the click has been handled: the stretch is renamed tab by tab,
// which a tab bar in the middle of its own mouse handling should not see.
void SlideStrip::moveStretchIfNearEnd()
{
    if (!holdsStretch() || !nearEnd(currentIndex()))
        return;
    QTimer::singleShot(0, this, [this] {
        if (holdsStretch() && nearEnd(currentIndex()))
            placeStretch(ChosenTab());
    });
}

// The tab bar lays out every tab at each tab added, removed or renamed while it
// is on view, which makes a strip of thousands of slides quadratic to build.
// Hidden, it only notes that the layout is due and lays out once when shown, with
// the chosen tab scrolled into sight. A change of a few tabs is made in view.
void SlideStrip::inOnePass(int changes, const std::function<void()> &change)
{
    const QScopedValueRollback guard(m_rebuilding, true);
    const QSignalBlocker block(this);
    const bool hideWhile = changes > kChangesInView && isVisible();
    const bool focused = hideWhile && hasFocus();
    if (hideWhile) {
        // Hiding the strip would hand its focus on to the next control.
        if (focused && parentWidget())
            parentWidget()->setFocus(Qt::OtherFocusReason);
        hide();
    }
    change();
    if (hideWhile) {
        show();
        if (focused)
            setFocus(Qt::OtherFocusReason);
    }
}

// Exactly `tabs` tabs captioned by `captionOf` (1-based): the existing tabs
// renamed where they differ, the rest added or removed at the end.
void SlideStrip::setTabs(int tabs, const std::function<QString(int)> &captionOf)
{
    std::vector<std::pair<int, QString>> renamed;
    for (int i = 0; i < std::min(tabs, count()); ++i) {
        QString text = captionOf(i + 1);
        if (tabText(i) != text)
            renamed.emplace_back(i, std::move(text));
    }
    const int changes = int(renamed.size()) + std::abs(count() - tabs);
    if (changes == 0)
        return;
    inOnePass(changes, [&] {
        // Tabs removed after the current one leave the current index alone,
        // where removing the current tab would choose another at every step.
        if (count() > tabs)
            setCurrentIndex(0);
        while (count() > tabs)
            removeTab(count() - 1);
        for (const auto &[tab, text] : renamed)
            setTabText(tab, text);
        while (count() < tabs)
            addTab(captionOf(count() + 1));
    });
}

void SlideStrip::SetCaptions()
{
    const SlideSet &set = m_context.Set();
    if (m_context.IsCompositeView() || set.SlideCount() == 0)
        return;
    setTabs(count(), [this, &set](int tab) {
        const int slide = m_first + tab;
        return slide <= set.SlideCount() ? caption(slide) : tabText(tab - 1);
    });
}

void SlideStrip::ShowNoSlide()
{
    m_first = 0;
    setTabs(1, [](int) { return QStringLiteral("<No Slide>"); });
}

void SlideStrip::Rebuild()
{
    const SlideSet &set = m_context.Set();
    if (set.SlideCount() == 0) {
        ShowNoSlide();
        return;
    }
    const int tabs = std::min<int>(set.SlideCount(), kMostSlideTabs);
    m_first = std::clamp(m_first, 0, set.SlideCount() - tabs);
    setTabs(tabs, [this](int tab) { return caption(m_first + tab); });
}

void SlideStrip::AddSlideTab(int slides)
{
    const QScopedValueRollback guard(m_rebuilding, true);
    if (slides == 1)
        setTabText(0, caption(1));
    else if (count() < kMostSlideTabs)
        addTab(caption(slides));
    // A longer line keeps its stretch; the captions and the choice place it.
}

void SlideStrip::RemoveLastTab()
{
    const int slides = m_context.Set().SlideCount();
    if (count() > slides) {
        const QScopedValueRollback guard(m_rebuilding, true);
        const QSignalBlocker block(this);
        removeTab(count() - 1);
    }
    m_first = std::clamp(m_first, 0, std::max(0, slides - count()));
    SetCaptions();
}

void SlideStrip::ShowCompositeTabs()
{
    setTabs(int(kCompositeTabs.size()), [](int tab) { return kCompositeTabs[tab - 1]; });
}

void SlideStrip::Select(int tab)
{
    const bool slides = !m_context.IsCompositeView() && m_context.Set().SlideCount() > 0;
    if (tab < 1 || tab > (slides ? int(m_context.Set().SlideCount()) : count()))
        return;
    const int index = tab - firstShown() - 1;
    if (holdsStretch() && (index < 0 || index >= count() || nearEnd(index))) {
        placeStretch(tab);
    } else {
        const QScopedValueRollback guard(m_rebuilding, true);
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    chosen(tab);
}

void SlideStrip::chosen(int tab)
{
    const SlideSet &set = m_context.Set();
    if (set.SlideCount() == 0) {
        m_context.ClearCompositeGraph();
        return;
    }
    ViewState &view = m_context.View();
    if (m_context.IsCompositeView()) {
        if (tab >= 1 && tab <= kCompositeTabs.size() && view.CompositeView != tab) {
            m_context.DrawCompositeGraph(tab);
            view.CompositeView = uint8_t(tab);
        }
        return;
    }
    if (tab == set.CurrentSlide || tab < 1 || tab > set.SlideCount())
        return;
    // A count typed into the table belongs to the slide it was typed on.
    m_context.CommitPendingCell();
    if (!m_context.SlideFieldsCommitting()) {
        // A new position moves its slide in the order; the clicked tab is found
        // again by its slide's position, which is unique.
        const float clicked = set.Slides[tab].Position;
        m_context.CommitSlideFields();
        const int16_t moved = FindSlideAtPosition(set, clicked);
        // The commit selects the tab of the slide it moved; the strip shows the
        // clicked one again even when that kept its place.
        if (moved >= 1 && (moved != tab || ChosenTab() != tab)) {
            Select(moved);
            return;
        }
    }
    if (tab == set.CurrentSlide)
        return;
    update();
    m_context.SetCurrentSlide(int16_t(tab));
    m_context.RefreshCurrentSlide();
}

QSize SlideStrip::tabSizeHint(int index) const
{
    const QString text = tabText(index);
    auto known = m_tabSizes.constFind(text);
    if (known == m_tabSizes.constEnd())
        known = m_tabSizes.insert(text, QTabBar::tabSizeHint(index));
    return *known;
}

// Captions are never elided: the smallest a tab may be is its size.
QSize SlideStrip::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void SlideStrip::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_tabSizes.clear();
    QTabBar::changeEvent(event);
}

bool SlideStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (key->key() == Qt::Key_Delete && plain) {
            emit DeleteRequested();
            return true;
        }
        // The first and last slide (or graph), wherever the stretch of tabs lies.
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && plain) {
            const int slides = m_context.Set().SlideCount();
            const int last = m_context.IsCompositeView() || slides == 0 ? count() : slides;
            Select(key->key() == Qt::Key_Home ? 1 : last);
            return true;
        }
    }
    return QTabBar::eventFilter(watched, event);
}
